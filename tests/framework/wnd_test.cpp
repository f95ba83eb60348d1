#include "qtvutils/framework.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <utility>
#include <vector>

namespace {

const char kClass[] = "QtvFrameworkTestWindow";

// Records every message, and every command with its code; answers WM_APP.
class CTestWnd : public CWnd {
public:
    BOOL Create(const char* windowClass = kClass) {
        const WNDCLASSA wc = {0, AfxWndProc, 0, 0, AfxGetInstanceHandle(), nullptr, nullptr, nullptr, nullptr, kClass};
        RegisterClassA(&wc);  // fails harmlessly once it is registered
        return CreateEx(0, windowClass, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr);
    }
    BOOL OnCmdMsg(UINT nID, int nCode, void*, void*) override {
        commands.push_back({nID, nCode});
        return TRUE;
    }
    std::vector<UINT> messages;
    std::vector<std::pair<UINT, int>> commands;
    bool boundAtFirstMessage = false;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (messages.empty()) boundAtFirstMessage = m_hWnd && FromHandlePermanent(m_hWnd) == this;
        messages.push_back(message);
        return message == WM_APP ? 1234 : CWnd::WindowProc(message, wParam, lParam);
    }
};

// Control notifications, BN_CLICKED (0) among them, never arrive as plain
// commands.
TEST(WndTest, ObjectIsBoundBeforeCreationReturnsAndGetsEveryMessageWithCommandsByKind) {
    CTestWnd wnd;
    ASSERT_TRUE(wnd.Create());
    EXPECT_TRUE(wnd.boundAtFirstMessage);
    EXPECT_FALSE(wnd.Create());  // one window per object
    EXPECT_EQ(1234, SendMessageA(wnd.m_hWnd, WM_APP, 0, 0));
    const LPARAM control = reinterpret_cast<LPARAM>(wnd.m_hWnd);  // menu, accelerator, two controls
    for (auto c : {std::make_pair(MAKEWPARAM(40001, 0), LPARAM(0)), {MAKEWPARAM(40002, 1), 0},
                   {MAKEWPARAM(7, BN_CLICKED), control}, {MAKEWPARAM(8, EN_CHANGE), control}})
        SendMessageA(wnd.m_hWnd, WM_COMMAND, c.first, c.second);
    EXPECT_EQ((std::vector<std::pair<UINT, int>>{
                  {40001, CN_COMMAND}, {40002, CN_COMMAND}, {7, CN_CONTROL | BN_CLICKED}, {8, CN_CONTROL | EN_CHANGE}}),
              wnd.commands);
}

// Default processing of WM_CLOSE destroys the window; so does the object's
// end. A window of a class without the shared procedure is refused and leaves
// no object pending: a plain window of the framework's class binds none.
TEST(WndTest, HandleMapIsPerThreadForgetsOnlyAWindowAfterItsLastMessageAndRefusesForeignOnes) {
    CTestWnd wnd, other, refused;
    ASSERT_TRUE(wnd.Create() && other.Create());
    CWnd* seen = &wnd;
    std::thread([&] { seen = CWnd::FromHandlePermanent(wnd.m_hWnd); }).join();
    EXPECT_EQ(nullptr, seen);
    const HWND h = wnd.m_hWnd;
    SendMessageA(h, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(h) || wnd.m_hWnd || CWnd::FromHandlePermanent(h));
    EXPECT_EQ(static_cast<UINT>(WM_NCDESTROY), wnd.messages.back());
    EXPECT_EQ(&other, CWnd::FromHandlePermanent(other.m_hWnd));
    auto scoped = std::make_unique<CTestWnd>();
    ASSERT_TRUE(scoped->Create());
    const HWND gone = scoped->m_hWnd;
    scoped.reset();
    EXPECT_FALSE(IsWindow(gone));
    EXPECT_FALSE(refused.Create("STATIC") || refused.m_hWnd);
    HWND plain = CreateWindowExA(0, kClass, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, AfxGetInstanceHandle(), nullptr);
    EXPECT_TRUE(plain && refused.messages.empty() && !CWnd::FromHandlePermanent(plain));
    DestroyWindow(plain);
}

}  // namespace

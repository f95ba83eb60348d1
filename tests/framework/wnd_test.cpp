#include "qtvutils/framework.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

const char kClass[] = "QtvFrameworkTestWindow";

void RegisterTestClass() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = AfxWndProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.lpszClassName = kClass;
    RegisterClassA(&wc);
}

struct Command {
    UINT nID;
    int nCode;
    bool operator==(const Command& o) const { return nID == o.nID && nCode == o.nCode; }
};

class CTestWnd : public CWnd {
public:
    std::vector<UINT> messages;
    std::vector<Command> commands;
    bool boundAtFirstMessage = false;
    BOOL handleCommands = TRUE;

    BOOL OnCmdMsg(UINT nID, int nCode, void*, void*) override {
        commands.push_back({nID, nCode});
        return handleCommands;
    }
    LRESULT CallDefault(UINT m, WPARAM w, LPARAM l) { return DefWindowProc(m, w, l); }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (messages.empty()) boundAtFirstMessage = FromHandlePermanent(m_hWnd) == this && m_hWnd != nullptr;
        messages.push_back(message);
        if (message == WM_APP) return 1234;
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

class WndTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestClass();
        ASSERT_TRUE(wnd.CreateEx(0, kClass, "test", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    }
    CTestWnd wnd;
};

TEST_F(WndTest, ObjectIsBoundBeforeCreationReturnsAndSeesEveryMessage) {
    EXPECT_TRUE(wnd.boundAtFirstMessage);
    EXPECT_EQ(wnd.m_hWnd, wnd.GetSafeHwnd());
    EXPECT_EQ(&wnd, CWnd::FromHandlePermanent(wnd.m_hWnd));
    EXPECT_EQ(1234, SendMessageA(wnd.m_hWnd, WM_APP, 0, 0));
    EXPECT_EQ(static_cast<UINT>(WM_APP), wnd.messages.back());
    EXPECT_FALSE(wnd.CreateEx(0, kClass, "again", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr));
}

TEST_F(WndTest, HandleMapIsPerThread) {
    CWnd* seen = &wnd;
    std::thread([&] { seen = CWnd::FromHandlePermanent(wnd.m_hWnd); }).join();
    EXPECT_EQ(nullptr, seen);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(GetDesktopWindow()));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(nullptr));
}

TEST_F(WndTest, CommandsAndControlNotificationsReachOnCmdMsgWithTheirCodes) {
    SendMessageA(wnd.m_hWnd, WM_COMMAND, MAKEWPARAM(40001, 0), 0);  // menu
    SendMessageA(wnd.m_hWnd, WM_COMMAND, MAKEWPARAM(40002, 1), 0);  // accelerator
    // Control notifications, BN_CLICKED (0) among them, never arrive as
    // plain commands.
    SendMessageA(wnd.m_hWnd, WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), reinterpret_cast<LPARAM>(wnd.m_hWnd));
    SendMessageA(wnd.m_hWnd, WM_COMMAND, MAKEWPARAM(8, EN_CHANGE), reinterpret_cast<LPARAM>(wnd.m_hWnd));
    std::vector<Command> expected = {
        {40001, CN_COMMAND}, {40002, CN_COMMAND}, {7, CN_CONTROL | BN_CLICKED}, {8, CN_CONTROL | EN_CHANGE}};
    EXPECT_EQ(expected, wnd.commands);
}

TEST_F(WndTest, UnhandledMessagesGoToDefaultProcessing) {
    wnd.handleCommands = FALSE;
    EXPECT_EQ(0, SendMessageA(wnd.m_hWnd, WM_COMMAND, 1, 0));
    SendMessageA(wnd.m_hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("new title"));
    char title[32] = {};
    GetWindowTextA(wnd.m_hWnd, title, sizeof title);
    EXPECT_STREQ("new title", title);
    // Default processing of WM_CLOSE destroys the window and unbinds it.
    HWND h = wnd.m_hWnd;
    SendMessageA(h, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(nullptr, wnd.m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(h));
    EXPECT_EQ(static_cast<UINT>(WM_NCDESTROY), wnd.messages.back());
}

TEST_F(WndTest, DestructorDestroysTheWindow) {
    HWND h;
    {
        CTestWnd scoped;
        ASSERT_TRUE(scoped.CreateEx(0, kClass, "scoped", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr));
        h = scoped.m_hWnd;
    }
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(h));
    EXPECT_EQ(&wnd, CWnd::FromHandlePermanent(wnd.m_hWnd));  // the other window is still mapped
}

TEST(WndLifetimeTest, ClassesWithoutTheSharedProcedureAreRefused) {
    CTestWnd wnd;
    EXPECT_FALSE(wnd.CreateEx(0, "STATIC", "plain", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr));
    EXPECT_EQ(nullptr, wnd.m_hWnd);
    EXPECT_FALSE(wnd.DestroyWindow());
}

}  // namespace

#include "qtvutils/routing.h"

#include "routing/recorder.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using qtvtest::Call;
using qtvtest::Recorder;

const UINT kMsg = WM_USER + 500;
const UINT kOther = WM_USER + 501;

class RouterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(router.Initialize());
        hRouter = router.GetSafeHwnd();
    }

    // Registers the receiver for the message list given; returns the handle.
    UINT Register(Recorder& r, std::initializer_list<UINT> messages, std::initializer_list<UINT> commands = {}) {
        CMessageRegistration reg;
        for (UINT m : messages) reg.AddMessageToList(m);
        for (UINT c : commands) reg.AddCommandToList(c);
        reg.SetNotifyTarget(&r);
        return router.RegisterForNotifications(reg);
    }

    CMessagePipe router;
    HWND hRouter = nullptr;
    std::vector<Call> log;
};

TEST_F(RouterTest, HandlesStartAfterTheBridgeAndAreNeverReused) {
    EXPECT_EQ(hRouter, FindWindowA("Quorvane Talvora Internal Message Router", nullptr));
    EXPECT_FALSE(IsWindowVisible(hRouter));
    Recorder a('a', &log);
    CMessageRegistration reg;
    reg.SetNotifyTarget(&a);
    EXPECT_EQ(2u, router.RegisterForNotifications(reg));
    EXPECT_EQ(2u, reg.GetHandle());
    EXPECT_EQ(&router, reg.GetMessagePipe());
    EXPECT_EQ(3u, router.RegisterForNotifications(reg));  // the same object twice: two entries
    EXPECT_TRUE(router.UnRegisterNotification(3));
    EXPECT_FALSE(router.UnRegisterNotification(3));
    EXPECT_FALSE(router.UnRegisterNotification(0));
    EXPECT_FALSE(router.UnRegisterNotification(77));
    EXPECT_EQ(4u, Register(a, {kMsg}));
}

TEST_F(RouterTest, BroadcastServesEveryMatchInOrderAndTheLastAcceptorDecides) {
    Recorder a('a', &log, TRUE, 5), b('b', &log, FALSE), c('c', &log, TRUE, 7), d('d', &log, TRUE, 9);
    std::vector<LRESULT> resultOnEntry;
    b.onNotify = [&](CMessageNotification* n) {
        resultOnEntry.push_back(n->m_lResult);
        EXPECT_EQ(10u, n->m_dwReserved4);
        EXPECT_EQ(0u, n->m_dwReserved1);
    };
    UINT ha = Register(a, {kMsg}), hb = Register(b, {kMsg}), hc = Register(c, {kMsg});
    Register(d, {kOther});
    EXPECT_EQ(7, SendMessageA(hRouter, kMsg, 11, 22));
    std::vector<Call> expected = {
        {'a', ha, 1, kMsg, 11, 22}, {'b', hb, 1, kMsg, 11, 22}, {'c', hc, 1, kMsg, 11, 22}};
    EXPECT_EQ(expected, log);
    EXPECT_EQ(std::vector<LRESULT>{5}, resultOnEntry);  // not reset between receivers
}

TEST_F(RouterTest, BroadcastThatNoReceiverAcceptsAnswersZero) {
    Recorder a('a', &log, FALSE);
    a.onNotify = [](CMessageNotification* n) { n->m_lResult = 99; };
    Register(a, {kMsg});
    EXPECT_EQ(0, SendMessageA(hRouter, kMsg, 0, 0));
    EXPECT_EQ(1u, log.size());
}

TEST_F(RouterTest, ReceiverRemovingTheNextRegistrationSkipsIt) {
    Recorder a('a', &log), b('b', &log), c('c', &log);
    UINT ha = Register(a, {kMsg}), hb = Register(b, {kMsg}), hc = Register(c, {kMsg});
    a.onNotify = [&](CMessageNotification*) { router.UnRegisterNotification(hb); };
    SendMessageA(hRouter, kMsg, 0, 0);
    std::vector<Call> expected = {{'a', ha, 1, kMsg, 0, 0}, {'c', hc, 1, kMsg, 0, 0}};
    EXPECT_EQ(expected, log);
}

TEST_F(RouterTest, ReceiverRemovingItselfContinuesWithTheNext) {
    Recorder a('a', &log), b('b', &log);
    UINT ha = Register(a, {kMsg}), hb = Register(b, {kMsg});
    a.onNotify = [&](CMessageNotification*) { router.UnRegisterNotification(ha); };
    SendMessageA(hRouter, kMsg, 0, 0);
    SendMessageA(hRouter, kMsg, 1, 0);
    std::vector<Call> expected = {{'a', ha, 1, kMsg, 0, 0}, {'b', hb, 1, kMsg, 0, 0}, {'b', hb, 1, kMsg, 1, 0}};
    EXPECT_EQ(expected, log);
}

TEST_F(RouterTest, RegistrationAddedDuringNotifyIsServedInTheSameBroadcast) {
    Recorder a('a', &log), b('b', &log), d('d', &log);
    UINT ha = Register(a, {kMsg}), hb = Register(b, {kMsg});
    UINT hd = 0;
    a.onNotify = [&](CMessageNotification*) {
        if (!hd) hd = Register(d, {kMsg});
    };
    SendMessageA(hRouter, kMsg, 0, 0);
    std::vector<Call> expected = {{'a', ha, 1, kMsg, 0, 0}, {'b', hb, 1, kMsg, 0, 0}, {'d', hd, 1, kMsg, 0, 0}};
    EXPECT_EQ(expected, log);
}

TEST_F(RouterTest, RegistrationAddedByTheLastReceiverWaitsForTheNextBroadcast) {
    Recorder a('a', &log), d('d', &log);
    UINT ha = Register(a, {kMsg});
    UINT hd = 0;
    a.onNotify = [&](CMessageNotification*) {
        if (!hd) hd = Register(d, {kMsg});
    };
    SendMessageA(hRouter, kMsg, 0, 0);
    EXPECT_EQ((std::vector<Call>{{'a', ha, 1, kMsg, 0, 0}}), log);
    log.clear();
    SendMessageA(hRouter, kMsg, 0, 0);
    EXPECT_EQ((std::vector<Call>{{'a', ha, 1, kMsg, 0, 0}, {'d', hd, 1, kMsg, 0, 0}}), log);
}

TEST_F(RouterTest, RemovingTheNextAndAddingOneInTheSameNotifyNeverServesTheRemoved) {
    Recorder a('a', &log), b('b', &log), c('c', &log), d('d', &log);
    UINT ha = Register(a, {kMsg}), hb = Register(b, {kMsg}), hc = Register(c, {kMsg});
    UINT hd = 0;
    a.onNotify = [&](CMessageNotification*) {
        if (hd) return;
        router.UnRegisterNotification(hb);  // the registration the walk looked ahead to
        hd = Register(d, {kMsg});           // the count comes out unchanged
    };
    SendMessageA(hRouter, kMsg, 0, 0);
    std::vector<Call> expected = {{'a', ha, 1, kMsg, 0, 0}, {'c', hc, 1, kMsg, 0, 0}, {'d', hd, 1, kMsg, 0, 0}};
    EXPECT_EQ(expected, log);
}

TEST_F(RouterTest, BroadcastFromInsideNotifyRunsItsOwnWalk) {
    Recorder a('a', &log), b('b', &log, TRUE, 3);
    UINT ha = Register(a, {kMsg}), hb = Register(b, {kMsg, kOther});
    LRESULT inner = -1;
    a.onNotify = [&](CMessageNotification*) { inner = SendMessageA(hRouter, kOther, 8, 0); };
    EXPECT_EQ(3, SendMessageA(hRouter, kMsg, 0, 0));
    EXPECT_EQ(3, inner);
    std::vector<Call> expected = {{'a', ha, 1, kMsg, 0, 0}, {'b', hb, 1, kOther, 8, 0}, {'b', hb, 1, kMsg, 0, 0}};
    EXPECT_EQ(expected, log);
}

TEST_F(RouterTest, CommandGoesToTheFirstListingRegistrationOnly) {
    Recorder a('a', &log, FALSE), b('b', &log, TRUE);
    Register(a, {}, {40001});
    Register(b, {}, {40001, 40002});
    SendMessageA(hRouter, WM_COMMAND, MAKEWPARAM(40001, 0), 0);  // menu
    SendMessageA(hRouter, WM_COMMAND, MAKEWPARAM(40002, 1), 0);  // accelerator
    // A control notification and an unknown command reach no one.
    SendMessageA(hRouter, WM_COMMAND, MAKEWPARAM(40001, BN_CLICKED), reinterpret_cast<LPARAM>(hRouter));
    SendMessageA(hRouter, WM_COMMAND, MAKEWPARAM(40003, 0), 0);
    std::vector<Call> expected = {{'a', 0, 2, 40001, 0, 0}, {'b', 0, 2, 40002, 0, 0}};
    EXPECT_EQ(expected, log);
    EXPECT_TRUE(router.OnCmdMsg(40001, CN_COMMAND, nullptr, nullptr));  // handled though a refused
    EXPECT_FALSE(router.OnCmdMsg(40003, CN_COMMAND, nullptr, nullptr));
    EXPECT_FALSE(router.OnCmdMsg(40001, CN_CONTROL, nullptr, nullptr));
}

TEST_F(RouterTest, RegistrationTakingWmCommandItselfKeepsItFromCommandRouting) {
    Recorder a('a', &log), b('b', &log);
    UINT ha = Register(a, {WM_COMMAND});
    Register(b, {}, {40001});
    SendMessageA(hRouter, WM_COMMAND, 40001, 0);
    EXPECT_EQ((std::vector<Call>{{'a', ha, 1, WM_COMMAND, 40001, 0}}), log);
}

TEST_F(RouterTest, SendToHandlerReturnsTheResultWhateverNotifyAnswers) {
    Recorder a('a', &log, FALSE);
    a.onNotify = [](CMessageNotification* n) { n->m_lResult = 42; };
    UINT ha = Register(a, {});
    CMessageNotification n;
    n.m_message = 1234;
    n.m_wParam = 5;
    n.m_dwReserved2 = 0xdeadbeef;
    EXPECT_EQ(42, router.SendMessageToHandler(ha, n));
    ASSERT_EQ(1u, a.m_seen.size());
    EXPECT_EQ(&n, a.m_seen[0]);  // the caller's own notification, not a copy
    EXPECT_EQ(1234u, n.m_message);
    EXPECT_EQ(0u, n.m_nType);    // the router writes none of its members
    EXPECT_EQ(0xdeadbeef, n.m_dwReserved2);

    CMessageNotification untouched;
    untouched.m_lResult = 0x5eed;
    EXPECT_EQ(0, router.SendMessageToHandler(99, untouched));
    EXPECT_EQ(0x5eed, untouched.m_lResult);
}

TEST_F(RouterTest, PostedNotificationsArriveLaterInTheOrderPosted) {
    Recorder a('a', &log, TRUE), b('b', &log);
    UINT ha = Register(a, {}), hb = Register(b, {});
    CMessageNotification n1, n2, n3;
    n1.m_message = 1;
    n2.m_message = 2;
    n3.m_message = 3;
    ASSERT_TRUE(router.PostMessageToHandler(ha, n1));
    ASSERT_TRUE(router.PostMessageToHandler(hb, n2));
    ASSERT_TRUE(router.PostMessageToHandler(ha, n3));
    EXPECT_TRUE(log.empty());
    qtvtest::PumpUntil([&] { return log.size() == 3; });
    std::vector<Call> expected = {{'a', 0, 0, 1, 0, 0}, {'b', 0, 0, 2, 0, 0}, {'a', 0, 0, 3, 0, 0}};
    EXPECT_EQ(expected, log);
    EXPECT_EQ((std::vector<CMessageNotification*>{&n1, &n3}), a.m_seen);
}

TEST_F(RouterTest, PostToAHandleUnregisteredBeforeDeliveryIsDropped) {
    Recorder a('a', &log), b('b', &log);
    UINT ha = Register(a, {}), hb = Register(b, {});
    CMessageNotification n1, n2;
    n2.m_message = 2;
    router.PostMessageToHandler(hb, n1);
    router.PostMessageToHandler(ha, n2);
    router.UnRegisterNotification(hb);
    qtvtest::PumpUntil([&] { return !log.empty(); });
    qtvtest::PumpPending();
    EXPECT_EQ((std::vector<Call>{{'a', 0, 0, 2, 0, 0}}), log);
    // A router message for a handle with nothing queued does nothing.
    UINT routerMessage = RegisterWindowMessageA("Quorvane Talvora Internal Message");
    EXPECT_EQ(0, SendMessageA(hRouter, routerMessage, ha, 0));
    EXPECT_EQ(1u, log.size());
}

TEST_F(RouterTest, ReceiverThatPumpsMessagesGetsEachPostedNotificationOnce) {
    Recorder a('a', &log, TRUE);
    UINT ha = Register(a, {});
    a.onNotify = [](CMessageNotification*) { qtvtest::PumpPending(); };
    CMessageNotification n1, n2;
    n1.m_message = 1;
    n2.m_message = 2;
    router.PostMessageToHandler(ha, n1);
    router.PostMessageToHandler(ha, n2);
    qtvtest::PumpUntil([&] { return log.size() >= 2; });
    qtvtest::PumpPending();
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ(1u, log[0].message);
    EXPECT_EQ(2u, log[1].message);
}

TEST_F(RouterTest, PendingNotificationsAreDroppedWithTheRouter) {
    Recorder a('a', &log);
    CMessageNotification n;
    n.m_lResult = 0x5eed;
    {
        CMessagePipe local;
        ASSERT_TRUE(local.Initialize());
        CMessageRegistration reg;
        reg.SetNotifyTarget(&a);
        local.PostMessageToHandler(local.RegisterForNotifications(reg), n);
    }
    qtvtest::PumpPending();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(0x5eed, n.m_lResult);
}

// A top-level window of this thread that records close requests.
class CCloseRecorder : public CWnd {
public:
    explicit CCloseRecorder(DWORD exStyle) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = AfxWndProc;
        wc.hInstance = AfxGetInstanceHandle();
        wc.lpszClassName = "QtvCloseRecorder";
        RegisterClassA(&wc);
        CreateEx(exStyle, "QtvCloseRecorder", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr);
    }
    int closes = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CLOSE) {
            ++closes;
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

BOOL CALLBACK FirstToolWindow(HWND hWnd, LPARAM lParam) {
    if (!(GetWindowLongPtrA(hWnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)) return TRUE;
    *reinterpret_cast<HWND*>(lParam) = hWnd;
    return FALSE;
}

TEST_F(RouterTest, CloseRequestLeavesTheRouterAndClosesTheFirstToolWindowOnly) {
    CCloseRecorder plain(0), tool1(WS_EX_TOOLWINDOW), tool2(WS_EX_TOOLWINDOW);
    Recorder a('a', &log);
    UINT ha = Register(a, {WM_CLOSE});
    SendMessageA(hRouter, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(hRouter));
    EXPECT_EQ((std::vector<Call>{{'a', ha, 1, WM_CLOSE, 0, 0}}), log);

    HWND first = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FirstToolWindow, reinterpret_cast<LPARAM>(&first));
    qtvtest::PumpUntil([&] { return tool1.closes + tool2.closes > 0; });
    qtvtest::PumpPending();
    EXPECT_EQ(0, plain.closes);
    EXPECT_EQ(1, tool1.closes + tool2.closes);
    EXPECT_EQ(1, (first == tool1.m_hWnd ? tool1 : tool2).closes);
}

TEST_F(RouterTest, CountHandlersCountsEachRegistrationOnce) {
    Recorder a('a', &log);
    CMessageRegistration both;
    both.SetMessageFrom(10);
    both.SetMessageTo(20);
    both.AddMessageToList(15);
    both.AddMessageToList(15);
    both.SetNotifyTarget(&a);
    router.RegisterForNotifications(both);
    Register(a, {15});
    EXPECT_EQ(2u, router.CountHandlers(15));
    EXPECT_EQ(1u, router.CountHandlers(20));
    EXPECT_EQ(0u, router.CountHandlers(21));
    EXPECT_EQ(1u, router.CountHandlers(WM_COPYDATA));  // the bridge
}

TEST_F(RouterTest, RegistrationWithoutTargetIsStoredButNeverServed) {
    CMessageRegistration reg;
    reg.AddMessageToList(WM_SETTEXT);
    reg.AddCommandToList(40001);
    UINT h = router.RegisterForNotifications(reg);
    EXPECT_EQ(1u, router.CountHandlers(WM_SETTEXT));
    // Nobody handled the message, so default processing set the title.
    SendMessageA(hRouter, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("retitled"));
    char title[32] = {};
    GetWindowTextA(hRouter, title, sizeof title);
    EXPECT_STREQ("retitled", title);

    Recorder b('b', &log);
    Register(b, {}, {40001});
    SendMessageA(hRouter, WM_COMMAND, 40001, 0);
    EXPECT_EQ((std::vector<Call>{{'b', 0, 2, 40001, 0, 0}}), log);

    CMessageNotification n;
    n.m_lResult = 6;
    EXPECT_EQ(6, router.SendMessageToHandler(h, n));
    EXPECT_TRUE(router.PostMessageToHandler(h, n));
    qtvtest::PumpPending();
    EXPECT_TRUE(router.UnRegisterNotification(h));
}

// Rows: the order of calls, its steps, the receivers called. Steps, a letter
// each: a registers receiver a, b registers b, p a driver pipe server; x
// deletes a, y the pipe, r the router; s sends kMsg to the router if there is
// one, d DPM_DATAREADY.
TEST(ReceiverLifetimeTest, AReceiverThatIsGoneIsNeverCalledInAnyOrderOfCalls) {
    const char* rows[][3] = {{"deleted while registered twice", "abaxs", "b"}, {"router destroyed first", "arxs", ""},
                             {"driver pipe deleted while registered", "pbyds", "b"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row[0]);
        std::vector<Call> log;
        auto router = std::make_unique<CMessagePipe>();
        ASSERT_TRUE(router->Initialize());
        auto a = std::make_unique<Recorder>('a', &log);
        Recorder b('b', &log);
        auto pipe = std::make_unique<CDriverPipe>();
        pipe->InitialServerSide();
        for (const char* step = row[1]; *step; ++step) {
            switch (*step) {
            case 'a': qtvtest::Listen(*router, a.get(), {kMsg}); break;
            case 'b': qtvtest::Listen(*router, &b, {kMsg}); break;
            case 'p': pipe->Register(router.get()); break;
            case 'x': a.reset(); break;
            case 'y': pipe.reset(); break;
            case 'r': router.reset(); break;
            case 'd': SendMessageA(router->GetSafeHwnd(), DPM_DATAREADY, 0, 0); break;
            case 's':
                if (router) SendMessageA(router->GetSafeHwnd(), kMsg, 0, 0);
                break;
            }
        }
        std::string calls;
        for (const Call& call : log) calls += call.who;
        EXPECT_EQ(row[2], calls);
    }
}

TEST(LibraryLifetimeTest, AnUnloadedLibraryTakesItsWindowClassWithIt) {
    qtvtest::ChildProcess host("qtv_plugin_host.exe", {});
    ASSERT_TRUE(host.WaitForExit());
    EXPECT_EQ(0u, host.ExitCode());  // 1: the plug-in made no router, 2: the class outlived the library
}

}  // namespace

#include "routing/recorder.h"

#include <utility>

using namespace qtvtest;

const UINT kMsg = WM_USER + 500;
const UINT kOther = WM_USER + 501;

TEST_F(RouterTest, HandlesCountUpAfterTheBridgeAndEachRegistrationCountsOnce) {
    CMessageRegistration reg;
    reg.SetMessageFrom(10);
    reg.SetMessageTo(20);
    for (UINT m : {15, 15}) reg.AddMessageToList(m);
    EXPECT_EQ(2u, router.RegisterForNotifications(reg));  // the bridge holds 1
    EXPECT_EQ(3u, router.RegisterForNotifications(reg));  // the same object twice: two entries
    EXPECT_EQ(3u, reg.GetHandle());
    EXPECT_TRUE(router.UnRegisterNotification(3));
    for (UINT gone : {3, 0, 77}) EXPECT_FALSE(router.UnRegisterNotification(gone)) << gone;
    EXPECT_EQ(4u, Listen(router, nullptr, {15, WM_SETTEXT}));  // no receiver: stored, never served
    const UINT counts[][2] = {{15, 2}, {20, 1}, {21, 0}, {WM_COPYDATA, 1}};
    for (const auto& c : counts) EXPECT_EQ(c[1], router.CountHandlers(c[0])) << "message " << c[0];
    CMessageNotification n;
    n.m_lResult = 0x5eed;
    EXPECT_EQ(0x5eed, router.SendMessageToHandler(4, n));
    Send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("retitled"));  // left to default processing
    EXPECT_EQ(8, GetWindowTextLengthA(router.GetSafeHwnd()));
}

// Rows: what receiver a does in its first Notify, and who is called in two
// broadcasts of kMsg. Every receiver lists kMsg and kOther.
TEST(RouterWalkTest, ReceiversChangingTheTableDuringABroadcast) {
    const struct {
        const char* name;
        const char* receivers;
        std::function<void(Scene&)> action;
        const char* calls;
    } rows[] = {
        {"removing the next skips it", "abc", [](Scene& s) { s.Drop('b'); }, "ac|ac"},
        {"removing itself goes on with the next", "ab", [](Scene& s) { s.Drop('a'); }, "ab|b"},
        {"one added is served in the same broadcast", "ab", [](Scene& s) { s.Add('d', {kMsg}); }, "abd|abd"},
        {"one added by the last receiver waits for the next", "a", [](Scene& s) { s.Add('d', {kMsg}); }, "a|ad"},
        {"the next removed and one added: the removed is not served", "abc",
         [](Scene& s) { s.Drop('b'); s.Add('d', {kMsg}); }, "acd|acd"},
        {"a broadcast inside Notify walks on its own", "ab", [](Scene& s) { s.Send(kOther); }, "aabb|ab"},
    };
    for (const auto& row : rows) {
        Scene s;
        for (const char* who = row.receivers; *who; ++who) s.Add(*who, {kMsg, kOther});
        s.receivers[0]->onNotify = [&, done = false](CMessageNotification*) mutable {
            if (!std::exchange(done, true)) row.action(s);
        };
        s.Send(kMsg);
        const std::string first = Who(s.log) + "|";
        s.Send(kMsg);
        EXPECT_EQ(row.calls, first + Who(s.log)) << row.name;
    }
}

// Rows: the receivers in handle order, each accepting (+) or not (-) after
// writing its result; the broadcast's answer. Each receiver finds the result
// the one before it wrote.
TEST(RouterBroadcastTest, AnswerIsTheResultOfTheLastReceiverThatAccepted) {
    const struct {
        std::vector<LRESULT> accepting;  // > 0: accepts with that result; < 0: writes -result, refuses
        LRESULT answer;
    } rows[] = {{{5, -99, 7, -98}, 7}, {{5, -99}, 5}, {{-99}, 0}};
    for (const auto& row : rows) {
        Scene s;
        std::vector<LRESULT> found, expected = {0};
        for (LRESULT r : row.accepting) {
            s.Add('a', {kMsg}, {}, r > 0, r > 0 ? r : -r).onNotify = [&](CMessageNotification* n) {
                found.push_back(n->m_lResult);
                EXPECT_EQ(std::make_tuple(1u, 0u, 10u), std::tie(n->m_nType, n->m_dwReserved1, n->m_dwReserved4));
            };
            expected.push_back(r > 0 ? r : -r);
        }
        expected.pop_back();
        EXPECT_EQ(row.answer, s.Send(kMsg)) << row.accepting.size() << " receivers";
        EXPECT_EQ(expected, found);
    }
}

TEST_F(RouterTest, CommandGoesToTheFirstListingReceiverUnlessABroadcastTookWmCommand) {
    Add('a', {}, {40001});  // refuses
    Add('b', {}, {40001, 40002}, TRUE);
    const struct {
        WPARAM wParam;
        bool control;
        std::vector<Call> calls;
    } rows[] = {
        {MAKEWPARAM(40001, 0), false, {{'a', 0, 2, 40001, 0, 0}}},  // a menu command
        {MAKEWPARAM(40002, 1), false, {{'b', 0, 2, 40002, 0, 0}}},  // an accelerator
        {MAKEWPARAM(40001, BN_CLICKED), true, {}},                   // a control's notification
        {MAKEWPARAM(40003, 0), false, {}},                           // nobody's
    };
    for (const auto& row : rows) {
        Send(WM_COMMAND, row.wParam, row.control ? reinterpret_cast<LPARAM>(router.GetSafeHwnd()) : 0);
        EXPECT_EQ(row.calls, log) << "command " << LOWORD(row.wParam);
        log.clear();
    }
    EXPECT_TRUE(router.OnCmdMsg(40001, CN_COMMAND, nullptr, nullptr));  // handled, though refused
    EXPECT_FALSE(router.OnCmdMsg(40003, CN_COMMAND, nullptr, nullptr));
    Add('w', {WM_COMMAND});
    Send(WM_COMMAND, 40001);
    EXPECT_EQ("aw", Who(log));
}

// a accepts and pumps messages inside Notify; c goes before anything arrives.
TEST_F(RouterTest, NotificationsToAHandleAreSentAtOnceOrPostedForLaterEachOnceInOrder) {
    Add('a', {}, {}, TRUE, 42).onNotify = [](CMessageNotification*) { PumpPending(); };
    Add('b', {});
    Add('c', {});
    CMessageNotification n[5];
    n[4].m_dwReserved2 = n[3].m_lResult = 0x5eed;
    EXPECT_EQ(0, router.SendMessageToHandler(99, n[3]));
    EXPECT_EQ(0x5eed, n[3].m_lResult);
    EXPECT_EQ(42, router.SendMessageToHandler(handles['a'], n[4]));
    EXPECT_EQ(0x5eedu, n[4].m_dwReserved2);
    const char to[] = "abca";
    for (int i = 0; i < 4; ++i) {
        n[i].m_message = i + 1;
        ASSERT_TRUE(router.PostMessageToHandler(handles[to[i]], n[i]));
    }
    Drop('c');
    PumpUntil([&] { return log.size() >= 4; });
    Send(RegisterWindowMessageA(QTV_ROUTER_MESSAGE), handles['a']);  // nothing is queued for it any more
    // The router writes no member of what it hands on; c, dropped before its turn, is not called.
    const std::vector<Call> calls = {{'a', 0, 0, 0, 0, 0}, {'a', 0, 0, 1, 0, 0}, {'b', 0, 0, 2, 0, 0},
                                     {'a', 0, 0, 4, 0, 0}};
    EXPECT_EQ(calls, log);
}

// The platform lists a thread's windows newest first; a static control's
// close request destroys it.
TEST_F(RouterTest, CloseRequestLeavesTheRouterAndClosesTheThreadsFirstToolWindowInstead) {
    std::vector<HWND> windows;
    for (DWORD ex : std::vector<DWORD>{0, WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW, 0})
        windows.push_back(CreateWindowExA(ex, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    auto alive = [&] {
        std::string s;
        for (HWND h : windows) s += IsWindow(h) ? '+' : '-';
        return s;
    };
    Send(WM_CLOSE);  // nobody listens
    EXPECT_TRUE(PumpUntil([&] { return alive() == "++-+"; })) << alive();
    Add('a', {WM_CLOSE});
    Send(WM_CLOSE);  // broadcast
    EXPECT_TRUE(IsWindow(router.GetSafeHwnd()));
    EXPECT_EQ("a", Who(log));
    EXPECT_TRUE(PumpUntil([&] { return alive() == "+--+"; })) << alive();
    for (HWND h : windows) DestroyWindow(h);
}

// Rows: the order of calls, a letter each, and the receivers called. a
// registers receiver a, b registers b, p a driver-pipe server; q posts a
// notification to a's last handle; x deletes a, y the pipe, r the router; s
// sends kMsg to the router if there is one, d DPM_DATAREADY. Then what is
// queued is dispatched.
TEST(ReceiverLifetimeTest, AReceiverThatIsGoneIsNeverCalledInAnyOrderOfCalls) {
    const char* rows[][3] = {{"deleted while registered twice", "abaxs", "b"},
                             {"router destroyed first", "arx", ""},
                             {"driver pipe deleted while registered", "pbyds", "b"},
                             {"router destroyed with a notification for a pending", "aqr", ""}};
    for (const auto& row : rows) {
        std::vector<Call> log;
        auto router = std::make_unique<CMessagePipe>();
        ASSERT_TRUE(router->Initialize());
        auto a = std::make_unique<Recorder>('a', &log);
        Recorder b('b', &log);
        auto pipe = std::make_unique<CDriverPipe>();
        pipe->InitialServerSide();
        UINT handle = 0;
        CMessageNotification n;
        for (const char* step = row[1]; *step; ++step) {
            switch (*step) {
            case 'a': handle = Listen(*router, a.get(), {kMsg}); break;
            case 'b': Listen(*router, &b, {kMsg}); break;
            case 'p': pipe->Register(router.get()); break;
            case 'q': router->PostMessageToHandler(handle, n); break;
            case 'x': a.reset(); break;
            case 'y': pipe.reset(); break;
            case 'r': router.reset(); break;
            case 'd': SendMessageA(router->GetSafeHwnd(), DPM_DATAREADY, 0, 0); break;
            case 's': SendMessageA(router->GetSafeHwnd(), kMsg, 0, 0); break;
            }
        }
        PumpPending();
        EXPECT_EQ(row[2], Who(log)) << row[0];
    }
}

TEST(LibraryLifetimeTest, AnUnloadedLibraryTakesItsWindowClassWithIt) {
    ChildProcess host("qtv_plugin_host.exe", {});
    // 1: the plug-in made no router, 2: the class outlived the library
    EXPECT_TRUE(host.WaitForExit() && host.ExitCode() == 0) << host.ExitCode();
}

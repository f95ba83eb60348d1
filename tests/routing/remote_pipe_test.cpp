#include "qtvutils/routing.h"

#include "routing/recorder.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using qtvtest::Call;
using qtvtest::ChildProcess;
using qtvtest::NamedEvent;
using qtvtest::Recorder;
using qtvtest::TempFile;

const char kChild[] = "qtv_routing_child.exe";

TEST(NoRouterTest, RemoteAndGlobalRegistrationFailWithoutTouchingTheRegistration) {
    ASSERT_EQ(nullptr, FindWindowA(QTV_ROUTER_WINDOW_CLASS, nullptr)) << "a router is left running";
    CMessageRegistration reg;
    HWND sentinel = reinterpret_cast<HWND>(0x1234);
    reg.SetWindowHandle(sentinel);
    EXPECT_EQ(0u, CRemoteMessagePipe::RegisterForNotifications(GetDesktopWindow(), reg));
    EXPECT_EQ(sentinel, reg.GetWindowHandle());
    EXPECT_FALSE(CRemoteMessagePipe::UnRegisterNotification(2));

    CGlobalMessagePipe global;
    EXPECT_EQ(0u, global.RegisterForNotifications(reg));
    EXPECT_EQ(0u, reg.GetHandle());
    EXPECT_EQ(nullptr, reg.GetMessagePipe());
}

class RemoteTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(router.Initialize()); }

    // Runs the child to its end while this thread serves the router.
    std::vector<std::string> RunChild(const std::vector<std::string>& args, const TempFile& report) {
        ChildProcess child(kChild, args);
        EXPECT_TRUE(child.Started());
        EXPECT_TRUE(child.WaitForExit()) << "child did not finish";
        EXPECT_EQ(0u, child.ExitCode());
        return report.ReadLines();
    }

    std::vector<std::string> RunForward(int style, UINT callback = 0) {
        TempFile report;
        return RunChild({"forward", report.Path(), std::to_string(style), std::to_string(callback)}, report);
    }

    CMessagePipe router;
};

TEST_F(RemoteTest, SendStyleForwardsEveryMatchSynchronouslyUntilUnregistered) {
    std::vector<std::string> expected = {
        "handles 2 3",  // the bridge holds 1
        "caller 0 1 1", // the caller's handle and router untouched, its window set
        "sent 550 11 22", "sent 560 33 44", "sent 570 55 66", "posted 599 0 0",
        "posted 599 1 0",  // after unregistration 550 is no longer forwarded
        "posted 599 2 0",
    };
    EXPECT_EQ(expected, RunForward(NOTIFY_STYLE_SEND, 777));  // the callback message is never used
    EXPECT_TRUE(qtvtest::PumpUntil([&] { return router.CountHandlers(599) == 0; }));
    EXPECT_EQ(0u, router.CountHandlers(550));
    EXPECT_EQ(2u, router.CountHandlers(WM_COPYDATA) + router.CountHandlers(RegisterWindowMessageA(QTV_IPC_MESSAGE)));
}

TEST_F(RemoteTest, DefaultAndPostStylesForwardByPost) {
    for (int style : {NOTIFY_STYLE_DEFAULT, NOTIFY_STYLE_POST}) {
        SCOPED_TRACE(style);
        std::vector<std::string> got = RunForward(style);
        ASSERT_EQ(8u, got.size());
        EXPECT_EQ((std::vector<std::string>{"posted 550 11 22", "posted 560 33 44", "posted 570 55 66"}),
                  std::vector<std::string>(got.begin() + 2, got.begin() + 5));
    }
}

TEST_F(RemoteTest, OtherStylesAreStoredButNeverForwarded) {
    std::vector<std::string> expected = {"handles 2 3", "caller 0 1 1", "posted 599 0 0", "posted 599 1 0",
                                         "posted 599 2 0"};
    EXPECT_EQ(expected, RunForward(7));
}

TEST_F(RemoteTest, MalformedBlocksAreRefusedAndTheRouterGoesOn) {
    std::vector<Call> checks, texts;
    Recorder check('c', &checks), text('t', &texts);  // sees the child's checks; gets no text
    qtvtest::Listen(router, &check, {650});
    qtvtest::Listen(router, &text, {DPM_TEXT});
    TempFile report;
    std::vector<std::string> got = RunChild({"hostile", report.Path()}, report);
    std::vector<std::string> expected = {
        "other-tag 0",      "no-data 0",    "short-data 0",      "size-below-36 0", "size-above-data 0",
        "list-beyond-data 0", "huge-count 0", "wrapping-counts 0", "broadcast-window 0", "router-window 0",
        "no-window 0", "valid 5",  // 4: the child's own
    };
    EXPECT_EQ(expected, got);
    EXPECT_EQ(expected.size(), checks.size());  // one check after each block
    EXPECT_TRUE(texts.empty());
    SendMessageA(router.GetSafeHwnd(), 650, 0, 0);  // the child ended without unregistering its own
    EXPECT_EQ(1u, router.CountHandlers(650));
    EXPECT_EQ(0u, router.CountHandlers(0x7777));
    EXPECT_EQ(1u, router.CountHandlers(0x7778));
    // The valid one was stored with its command list: the command is taken
    // (the bridge does not forward commands) and reported handled.
    EXPECT_TRUE(router.OnCmdMsg(40001, CN_COMMAND, nullptr, nullptr));
    EXPECT_TRUE(router.UnRegisterNotification(5));
}

TEST_F(RemoteTest, UnregistrationOfAnUnknownHandleOrOfTheBridgeChangesNothing) {
    std::vector<Call> log;
    Recorder a('a', &log);
    CMessageRegistration reg;
    reg.AddMessageToList(WM_USER + 1);
    reg.SetNotifyTarget(&a);
    UINT h = router.RegisterForNotifications(reg);
    EXPECT_TRUE(CRemoteMessagePipe::UnRegisterNotification(99));
    EXPECT_TRUE(CRemoteMessagePipe::UnRegisterNotification(1));
    // A posted message after the requests shows they have been served.
    PostMessageA(router.GetSafeHwnd(), WM_USER + 1, 0, 0);
    qtvtest::PumpUntil([&] { return !log.empty(); });
    EXPECT_EQ(1u, router.CountHandlers(WM_USER + 1));
    EXPECT_EQ(1u, router.CountHandlers(WM_COPYDATA));

    // In-process requests travel the same way.
    CMessageRegistration remote;
    remote.AddMessageToList(WM_USER + 2);
    EXPECT_EQ(h + 1, CRemoteMessagePipe::RegisterForNotifications(GetDesktopWindow(), remote));
    EXPECT_EQ(1u, router.CountHandlers(WM_USER + 2));
    EXPECT_TRUE(CRemoteMessagePipe::UnRegisterNotification(h + 1));
    EXPECT_TRUE(qtvtest::PumpUntil([&] { return router.CountHandlers(WM_USER + 2) == 0; }));
}

TEST_F(RemoteTest, CopyDataThatIsNotARequestAnswersZero) {
    DWORD data[16] = {};
    COPYDATASTRUCT cds = {67, sizeof data, data};
    EXPECT_EQ(0, SendMessageA(router.GetSafeHwnd(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)));
    EXPECT_EQ(0, SendMessageA(router.GetSafeHwnd(), WM_COPYDATA, 0, 0));
    EXPECT_EQ(1u, router.CountHandlers(WM_COPYDATA));
}

TEST(GlobalPipeTest, RegistersWithTheRouterOfThisThreadDirectly) {
    CGlobalMessagePipe early;  // looks the router up now, before it exists
    CMessagePipe router;
    ASSERT_TRUE(router.Initialize());
    CGlobalMessagePipe global;

    std::vector<Call> log;
    Recorder a('a', &log, TRUE, 4);
    CMessageRegistration reg;
    reg.AddMessageToList(WM_USER + 3);
    reg.SetNotifyTarget(&a);
    EXPECT_EQ(0u, early.RegisterForNotifications(reg));
    EXPECT_EQ(2u, global.RegisterForNotifications(reg));
    EXPECT_EQ(2u, reg.GetHandle());
    EXPECT_EQ(&router, reg.GetMessagePipe());
    EXPECT_EQ(4, SendMessageA(router.GetSafeHwnd(), WM_USER + 3, 0, 0));
    EXPECT_EQ((std::vector<Call>{{'a', 2, 1, WM_USER + 3, 0, 0}}), log);
}

TEST(GlobalPipeTest, RouterOfAnotherThreadIsNotTreatedAsOneNorWaitedForBeyondTheBound) {
    NamedEvent ready, quit;
    bool waitedOut = false;
    std::thread owner([&] {  // serves nothing until told to quit
        CMessagePipe router;
        if (router.Initialize()) ready.Set();
        waitedOut = !quit.Wait(QTV_WAIT_LIMIT_MS + qtvtest::kWaitMs);
    });
    ASSERT_TRUE(ready.Wait());
    CGlobalMessagePipe global;
    CMessageRegistration reg;
    EXPECT_EQ(0u, global.RegisterForNotifications(reg));
    EXPECT_EQ(nullptr, reg.GetMessagePipe());
    EXPECT_EQ(0u, CRemoteMessagePipe::RegisterForNotifications(GetDesktopWindow(), reg));
    quit.Set();
    owner.join();
    EXPECT_FALSE(waitedOut);
}

TEST(GlobalPipeTest, RouterOfAnotherProcessIsNotTreatedAsOne) {
    NamedEvent ready, quit;
    ChildProcess child(kChild, {"router", ready.Name(), quit.Name()});
    ASSERT_TRUE(child.Started());
    ASSERT_TRUE(ready.Wait());
    HWND found = FindWindowA(QTV_ROUTER_WINDOW_CLASS, nullptr);
    ASSERT_NE(nullptr, found);
    DWORD pid = 0;
    GetWindowThreadProcessId(found, &pid);
    EXPECT_EQ(child.ProcessId(), pid);

    CGlobalMessagePipe global;
    CMessageRegistration reg;
    EXPECT_EQ(0u, global.RegisterForNotifications(reg));
    EXPECT_EQ(0u, reg.GetHandle());
    quit.Set();
    EXPECT_TRUE(child.WaitForExit());
    EXPECT_EQ(0u, child.ExitCode());
}

}  // namespace

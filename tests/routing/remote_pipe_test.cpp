#include "qtvutils/routing.h"

#include "routing/recorder.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
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

TEST_F(RemoteTest, RequestsFromThisProcessTravelTheSameWay) {
    HWND hWnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    CMessageRegistration remote;
    remote.AddMessageToList(WM_USER + 2);
    EXPECT_EQ(2u, CRemoteMessagePipe::RegisterForNotifications(hWnd, remote));
    EXPECT_EQ(1u, router.CountHandlers(WM_USER + 2));
    EXPECT_TRUE(CRemoteMessagePipe::UnRegisterNotification(2));
    EXPECT_TRUE(qtvtest::PumpUntil([&] { return router.CountHandlers(WM_USER + 2) == 0; }));
    DestroyWindow(hWnd);
}

TEST_F(RemoteTest, RegistrationsOfAClientThatEndedGoAtTheirFirstForward) {
    const UINT kMsg = 610;
    NamedEvent ready;
    ChildProcess child(kChild, {"orphan", ready.Name(), std::to_string(kMsg)});
    ASSERT_TRUE(qtvtest::PumpUntilSignalled(ready.Handle()));  // its requests are served meanwhile
    ASSERT_TRUE(child.WaitForExit());
    EXPECT_EQ(0u, child.ExitCode());
    EXPECT_EQ(2u, router.CountHandlers(kMsg));  // by send and by post, their window gone
    SendMessageA(router.GetSafeHwnd(), kMsg, 0, 0);
    EXPECT_EQ(0u, router.CountHandlers(kMsg));
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

TEST(GlobalPipeTest, RouterOfAnotherThreadIsNotTreatedAsOne) {
    NamedEvent ready, quit;
    std::thread owner([&] {
        CMessagePipe router;
        if (router.Initialize()) ready.Set();
        quit.Wait(qtvtest::kWaitMs);
    });
    ASSERT_TRUE(ready.Wait());
    CGlobalMessagePipe global;
    CMessageRegistration reg;
    EXPECT_EQ(0u, global.RegisterForNotifications(reg));
    EXPECT_EQ(nullptr, reg.GetMessagePipe());
    quit.Set();
    owner.join();
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

TEST(HungRouterTest, EveryWaitOnARouterThatStoppedServingEnds) {
    NamedEvent ready, quit, hang, done;
    ChildProcess child(kChild, {"router", ready.Name(), quit.Name(), hang.Name()});
    ASSERT_TRUE(child.Started());
    ASSERT_TRUE(ready.Wait());
    CDriverPipe client;
    ASSERT_TRUE(client.InitialClientSide());
    ResetEvent(ready.Handle());
    hang.Set();
    ASSERT_TRUE(ready.Wait());
    std::atomic<int> finished{0};
    UINT handle = 99;
    std::vector<BOOL> written;
    std::thread registering([&] {
        CMessageRegistration reg;
        reg.AddMessageToList(WM_USER);
        handle = CRemoteMessagePipe::RegisterForNotifications(GetDesktopWindow(), reg);
        if (++finished == 2) done.Set();
    });
    std::thread writing([&] {
        std::string text(999, 'w');  // three such records overfill the pipe
        for (int i = 0; i < 3; ++i) written.push_back(client.WriteDataToClientPipe(1000, DPM_TEXT, &text[0]));
        if (++finished == 2) done.Set();
    });
    EXPECT_TRUE(done.Wait(QTV_WAIT_LIMIT_MS + qtvtest::kWaitMs)) << "a call still waits on the hung router";
    quit.Set();  // its end frees any call still waiting
    registering.join();
    writing.join();
    EXPECT_EQ(0u, handle);
    EXPECT_EQ((std::vector<BOOL>{TRUE, TRUE, FALSE}), written);
    EXPECT_TRUE(child.WaitForExit());
}

}  // namespace

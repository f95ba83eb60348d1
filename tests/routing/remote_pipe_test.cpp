#include "routing/recorder.h"

#include <thread>

using namespace qtvtest;

// Nothing looks for a router again once it was not found: not a driver
// client, not a global pipe made before the router.
TEST(NoRouterTest, EveryWayToTheRouterFailsWithoutTouchingTheRegistrationAndIsNotRetried) {
    ASSERT_EQ(nullptr, CRemoteMessagePipe::FindRouterWindow()) << "a router is left running";
    CMessageRegistration reg;
    reg.SetWindowHandle(reinterpret_cast<HWND>(0x1234));
    EXPECT_EQ(0u, CRemoteMessagePipe::RegisterForNotifications(GetDesktopWindow(), reg));
    EXPECT_EQ(reinterpret_cast<HWND>(0x1234), reg.GetWindowHandle());
    EXPECT_FALSE(CRemoteMessagePipe::UnRegisterNotification(2));
    CGlobalMessagePipe early;
    EXPECT_EQ(0u, early.RegisterForNotifications(reg));
    EXPECT_EQ(nullptr, reg.GetMessagePipe());
    CDriverPipe client, server;
    EXPECT_FALSE(client.InitialClientSide());

    Scene later;
    server.InitialServerSide();
    server.Register(&later.router);
    EXPECT_TRUE(client.InitialClientSide());
    char text[] = "x";
    EXPECT_FALSE(client.WriteDataToClientPipe(sizeof text, DPM_TEXT, text));
    EXPECT_EQ(0u, early.RegisterForNotifications(reg));
    EXPECT_EQ(3u, CGlobalMessagePipe().RegisterForNotifications(reg));  // the bridge holds 1, the server 2
    EXPECT_EQ(&later.router, reg.GetMessagePipe());
}

// The child registers in every notify style; after each hostile request it
// reports the answer, and what the router then forwards to it when that is
// not what it registered for (see routing_child.cpp). c shows that the
// router still serves this process's receivers after each request.
TEST_F(RouterTest, RemoteRegistrationsForwardInTheirStyleWhateverHostileRequestsCome) {
    Add('c', {515});
    Add('t', {DPM_TEXT});  // never handed anything but holders, which it reads
    TempFile report;
    ChildProcess child("qtv_routing_child.exe", {"remote", report.Path()});
    // Each of its requests takes round trips to the router: more than one bound on a loaded machine.
    EXPECT_TRUE(child.WaitForExit(3 * kWaitMs) && child.ExitCode() == 0) << "exit code " << child.ExitCode();
    EXPECT_EQ("4 5 6 7 8 \n"  // the bridge holds 1, c and t 2 and 3
              "valid 9: sent 515 516 517, posted 520 521 522, posted 530 531 532, posted 599 0 0, \n"
              "unregistered: posted 520 521 522, posted 530 531 532, posted 599 0 0, \n",
              report.Read());
    EXPECT_EQ(std::string(24, 'c'), Who(log));  // one per look: the first, 21 requests, 2 after unregistering
    // Only the valid request registered (0x7778), none of the probes (0x7777).
    // The child ended without unregistering 520: the first forward to its
    // window finds it gone and removes the registration.
    const UINT counts[][2] = {{0x7778, 1}, {0x7777, 0}, {520, 1}};
    for (const auto& c : counts) EXPECT_EQ(c[1], router.CountHandlers(c[0])) << "message " << c[0];
    Send(520);
    EXPECT_EQ(0u, router.CountHandlers(520));
}

TEST(GlobalPipeTest, RouterOfAnotherThreadIsNotTreatedAsOneNorWaitedForBeyondTheBound) {
    NamedEvent ready, quit;
    bool waitedOut = false;
    std::thread owner([&] {  // serves nothing until told to quit
        CMessagePipe router;
        if (router.Initialize()) ready.Set();
        waitedOut = !quit.Wait(QTV_WAIT_LIMIT_MS + kWaitMs);
    });
    ASSERT_TRUE(ready.Wait());
    CMessageRegistration reg;
    EXPECT_EQ(0u, CGlobalMessagePipe().RegisterForNotifications(reg));
    EXPECT_EQ(0u, CRemoteMessagePipe::RegisterForNotifications(GetDesktopWindow(), reg));
    quit.Set();
    owner.join();
    EXPECT_FALSE(waitedOut);
}

#include "routing/recorder.h"

#include <algorithm>
#include <thread>

namespace {

using namespace qtvtest;

// Nothing looks for a router again once it was not found: not a driver
// client, not a global pipe made before the router.
TEST(NoRouterTest, EveryWayToTheRouterFailsWithoutTouchingTheRegistrationAndIsNotRetried) {
    ASSERT_EQ(nullptr, CRemoteMessagePipe::FindRouterWindow()) << "a router is left running";
    CMessageRegistration reg;
    HWND sentinel = reinterpret_cast<HWND>(0x1234);
    reg.SetWindowHandle(sentinel);
    EXPECT_EQ(0u, CRemoteMessagePipe::RegisterForNotifications(GetDesktopWindow(), reg));
    EXPECT_EQ(sentinel, reg.GetWindowHandle());
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
    server.UnRegister();
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
    EXPECT_TRUE(child.WaitForExit()) << "the child did not finish";
    EXPECT_EQ(0u, child.ExitCode());
    const std::string expected =
        "4 5 6 7 8 \n"  // the bridge holds 1, c and t 2 and 3
        "text-junk 0\nother-tag 0\nno-data 0\nshort-data 0\nsize-below-36 0\nsize-above-data 0\n"
        "list-beyond-data 0\nhuge-count 0\nwrapping-counts 0\nbroadcast-window 0\nrouter-window 0\n"
        "no-window 0\nunregister-bridge 0\nunregister-unknown 0\nother-ipc-code 0\ndestroy-messages 0\nvalid 9\n"
        "unregistered: posted 520 521 522, posted 530 531 532, posted 599 0 0, \n";
    EXPECT_EQ(expected, report.Read());
    EXPECT_EQ(std::string(std::count(expected.begin(), expected.end(), '\n') + 1, 'c'), Who(log));  // one per look
    EXPECT_EQ(1u, router.CountHandlers(0x7778));
    EXPECT_EQ(0u, router.CountHandlers(0x7777));
    // The child ended without unregistering 520: the first forward to its
    // window finds it gone and removes the registration.
    EXPECT_EQ(1u, router.CountHandlers(520));
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

}  // namespace

#include "qtvutils/routing.h"

#include "routing/recorder.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const UINT kMsg = WM_USER + 700;

// Appends its letter to a shared record of calls; may delete itself when
// called, as a receiver that ends its own life does.
class CLogger : public CNotifyTarget {
public:
    CLogger(char who, std::string* calls, bool deleteWhenCalled = false)
        : m_who(who), m_calls(calls), m_deleteWhenCalled(deleteWhenCalled) {}
    BOOL Notify(CMessageNotification*) override {
        *m_calls += m_who;
        if (m_deleteWhenCalled) delete this;
        return FALSE;
    }

private:
    char m_who;
    std::string* m_calls;
    bool m_deleteWhenCalled;
};

enum Step {
    kRegisterA,            // a, for kMsg, with the first router
    kRegisterAWithSecond,  // a, for kMsg, with the second router
    kRegisterB,            // b, for kMsg, with the first router
    kRegisterSelfDeleter,  // a, which deletes itself when called, instead
    kRegisterPipe,         // a driver pipe server, with the first router
    kPostToA,              // a handle-addressed notification to a, queued
    kDeleteA,
    kDeletePipe,
    kUnRegisterPipe,
    kDeleteRouter,         // the first router
    kSend,                 // kMsg to every router there is
    kDataReady,            // DPM_DATAREADY to the first router
    kPump,
};

UINT Register(CMessagePipe& router, CNotifyTarget* target) { return qtvtest::Listen(router, target, {kMsg}); }

TEST(ReceiverLifetimeTest, AReceiverThatIsGoneIsNeverCalledInAnyOrderOfCalls) {
    struct Row {
        const char* order;
        std::vector<Step> steps;
        const char* calls;
    } rows[] = {
        {"deleted while registered", {kRegisterA, kRegisterB, kDeleteA, kSend}, "b"},
        {"deleted with a notification queued", {kRegisterA, kRegisterB, kPostToA, kDeleteA, kPump, kSend}, "b"},
        {"registered twice with two routers", {kRegisterA, kRegisterA, kRegisterAWithSecond, kDeleteA, kSend}, ""},
        {"router destroyed first", {kRegisterA, kDeleteRouter, kDeleteA, kSend}, ""},
        {"driver pipe deleted while registered", {kRegisterPipe, kRegisterB, kDeletePipe, kDataReady, kSend}, "b"},
        {"driver pipe outlives its router", {kRegisterPipe, kDeleteRouter, kUnRegisterPipe, kDeletePipe}, ""},
        {"deletes itself while served", {kRegisterSelfDeleter, kRegisterB, kSend, kSend}, "abb"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.order);
        std::string calls;
        auto router = std::make_unique<CMessagePipe>();
        CMessagePipe second;
        ASSERT_TRUE(router->Initialize() && second.Initialize());
        CLogger* a = new CLogger('a', &calls);
        CLogger b('b', &calls);
        CDriverPipe* pipe = new CDriverPipe;
        pipe->InitialServerSide();
        UINT hA = 0;
        CMessageNotification queued;
        for (Step step : row.steps) {
            switch (step) {
            case kRegisterA: hA = Register(*router, a); break;
            case kRegisterAWithSecond: Register(second, a); break;
            case kRegisterB: Register(*router, &b); break;
            case kRegisterSelfDeleter:
                delete a;
                Register(*router, new CLogger('a', &calls, true));
                a = nullptr;  // it owns itself now
                break;
            case kRegisterPipe: pipe->Register(router.get()); break;
            case kPostToA: EXPECT_TRUE(router->PostMessageToHandler(hA, queued)); break;
            case kDeleteA: delete a; a = nullptr; break;
            case kDeletePipe: delete pipe; pipe = nullptr; break;
            case kUnRegisterPipe: EXPECT_TRUE(pipe->UnRegister()); break;
            case kDeleteRouter: router.reset(); break;
            case kSend:
                if (router) SendMessageA(router->GetSafeHwnd(), kMsg, 0, 0);
                SendMessageA(second.GetSafeHwnd(), kMsg, 0, 0);
                break;
            case kDataReady: SendMessageA(router->GetSafeHwnd(), DPM_DATAREADY, 0, 0); break;
            case kPump: qtvtest::PumpPending(); break;
            }
        }
        EXPECT_EQ(row.calls, calls);
        delete a;
        delete pipe;
    }
}

TEST(LibraryLifetimeTest, ALibraryUnloadedAndLoadedElsewhereTakesItsWindowClassWithIt) {
    qtvtest::TempFile report;
    qtvtest::ChildProcess host("qtv_plugin_host.exe", {report.Path()});
    ASSERT_TRUE(host.WaitForExit());
    EXPECT_EQ(0u, host.ExitCode());
    const std::vector<std::string> round = {"moved 1", "answer 42", "unloaded 1 stale class 0"};
    std::vector<std::string> expected = round;
    expected.insert(expected.end(), round.begin(), round.end());
    EXPECT_EQ(expected, report.ReadLines());
}

}  // namespace

#include "qtvutils/routing.h"

#include "routing/recorder.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using qtvtest::Call;
using qtvtest::Recorder;

bool HookModuleLoaded() { return GetModuleHandleA(QTV_HOOK_MODULE) != nullptr; }

class WindowHooksTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(HookModuleLoaded());
        ASSERT_TRUE(router.Initialize());
        CMessageRegistration reg;
        reg.AddMessageToList(QTV_HOOK_CBT_REPORT);
        reg.AddMessageToList(QTV_HOOK_SHELL_REPORT);
        reg.SetNotifyTarget(&recorder);
        router.RegisterForNotifications(reg);
    }
    void TearDown() override {
        router.EnableShellHook(FALSE);
        router.EnableCBTHook(FALSE);
    }

    // Creates and destroys a top-level window; returns its handle.
    HWND MakeWindow() {
        HWND h = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        DestroyWindow(h);
        return h;
    }

    // The reports about one window, once the posted ones have come in: a
    // message posted to the router after the event arrives after its report.
    std::vector<Call> ReportsFor(HWND h) {
        bool done = false;
        CMessageNotification fence;
        Recorder fenceTarget('f', &log);
        fenceTarget.onNotify = [&](CMessageNotification*) { done = true; };
        CMessageRegistration reg;
        reg.SetNotifyTarget(&fenceTarget);
        router.PostMessageToHandler(router.RegisterForNotifications(reg), fence);
        qtvtest::PumpUntil([&] { return done; });
        std::vector<Call> about;
        for (const Call& c : log)
            if (c.who == 'r' && c.lParam == reinterpret_cast<LPARAM>(h)) about.push_back(c);
        return about;
    }

    static size_t Count(const std::vector<Call>& calls, UINT message, WPARAM code) {
        return std::count_if(calls.begin(), calls.end(),
                             [&](const Call& c) { return c.message == message && c.wParam == code; });
    }

    CMessagePipe router;
    std::vector<Call> log;
    Recorder recorder{'r', &log};
};

TEST_F(WindowHooksTest, CbtReportsArriveAsBroadcastsWithCodeAndWindow) {
    EXPECT_TRUE(router.EnableCBTHook(TRUE));
    HWND h = MakeWindow();
    std::vector<Call> reports = ReportsFor(h);
    EXPECT_EQ(1u, Count(reports, QTV_HOOK_CBT_REPORT, HCBT_CREATEWND));
    EXPECT_EQ(1u, Count(reports, QTV_HOOK_CBT_REPORT, HCBT_DESTROYWND));
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(1u, reports[0].type);
    EXPECT_EQ(0u, Count(reports, QTV_HOOK_SHELL_REPORT, HSHELL_WINDOWCREATED));
}

TEST_F(WindowHooksTest, EnablingTwiceInstallsOneHook) {
    EXPECT_TRUE(router.EnableShellHook(TRUE));
    EXPECT_TRUE(router.EnableShellHook(TRUE));
    EXPECT_TRUE(router.EnableCBTHook(TRUE));
    EXPECT_TRUE(router.EnableCBTHook(TRUE));
    std::vector<Call> reports = ReportsFor(MakeWindow());
    EXPECT_EQ(1u, Count(reports, QTV_HOOK_SHELL_REPORT, HSHELL_WINDOWCREATED));
    EXPECT_EQ(1u, Count(reports, QTV_HOOK_CBT_REPORT, HCBT_CREATEWND));
}

TEST_F(WindowHooksTest, DisablingWhatIsNotInstalledChangesNothing) {
    EXPECT_TRUE(router.EnableShellHook(FALSE));
    EXPECT_TRUE(router.EnableCBTHook(FALSE));
    EXPECT_FALSE(HookModuleLoaded());
    EXPECT_TRUE(router.EnableShellHook(TRUE));
    EXPECT_TRUE(router.EnableCBTHook(FALSE));  // the shell hook and its module stay
    EXPECT_TRUE(HookModuleLoaded());
    EXPECT_EQ(1u, Count(ReportsFor(MakeWindow()), QTV_HOOK_SHELL_REPORT, HSHELL_WINDOWCREATED));
}

TEST_F(WindowHooksTest, ModuleStaysLoadedUntilTheLastHookIsRemoved) {
    EXPECT_TRUE(router.EnableShellHook(TRUE));
    EXPECT_TRUE(router.EnableCBTHook(TRUE));
    EXPECT_TRUE(router.EnableShellHook(FALSE));
    EXPECT_TRUE(HookModuleLoaded());
    std::vector<Call> reports = ReportsFor(MakeWindow());
    EXPECT_EQ(1u, Count(reports, QTV_HOOK_CBT_REPORT, HCBT_CREATEWND));  // still reporting
    EXPECT_EQ(0u, Count(reports, QTV_HOOK_SHELL_REPORT, HSHELL_WINDOWCREATED));
    EXPECT_TRUE(router.EnableCBTHook(FALSE));
    EXPECT_FALSE(HookModuleLoaded());

    // A later enable loads the module afresh.
    EXPECT_TRUE(router.EnableCBTHook(TRUE));
    EXPECT_TRUE(HookModuleLoaded());
    EXPECT_EQ(1u, Count(ReportsFor(MakeWindow()), QTV_HOOK_CBT_REPORT, HCBT_CREATEWND));
}

TEST_F(WindowHooksTest, ReportsComeFromWindowsOfOtherProcesses) {
    EXPECT_TRUE(router.EnableCBTHook(TRUE));
    qtvtest::NamedEvent ready, quit;
    qtvtest::ChildProcess child("qtv_routing_child.exe", {"window", ready.Name(), quit.Name()});
    ASSERT_TRUE(child.Started());
    ASSERT_TRUE(qtvtest::PumpUntilSignalled(ready.Handle()));
    // The child's window exists; its creation report names it.
    bool found = false;
    qtvtest::PumpUntil([&] {
        for (const Call& c : log) {
            DWORD pid = 0;
            if (c.message == QTV_HOOK_CBT_REPORT && c.wParam == HCBT_CREATEWND &&
                GetWindowThreadProcessId(reinterpret_cast<HWND>(c.lParam), &pid) && pid == child.ProcessId())
                found = true;
        }
        return found;
    });
    EXPECT_TRUE(found);
    quit.Set();
    EXPECT_TRUE(child.WaitForExit());
}

}  // namespace

#include "routing/recorder.h"

namespace {

using namespace qtvtest;

class WindowHooksTest : public RouterTest {
protected:
    void SetUp() override {
        RouterTest::SetUp();
        Add('r', {QTV_HOOK_CBT_REPORT, QTV_HOOK_SHELL_REPORT});
        Add('f', {}).onNotify = [this](CMessageNotification*) { fenced = true; };
    }
    void TearDown() override {
        router.EnableShellHook(FALSE);
        router.EnableCBTHook(FALSE);
    }

    // The reports that came in about the window: a notification posted to the
    // router after an event arrives after the event's reports.
    size_t Reports(HWND h, UINT message, WPARAM code) {
        CMessageNotification n;
        fenced = false;
        router.PostMessageToHandler(handles['f'], n);
        PumpUntil([this] { return fenced; });
        size_t count = 0;
        for (const auto& [who, handle, type, m, w, l] : log) count += m == message && w == code && l == reinterpret_cast<LPARAM>(h);
        return count;
    }

    bool fenced = false;
};

// Rows: calls, a letter each (S/s enable/disable the shell hook, C/c the CBT
// hook; each answers true), then whether the hook module is loaded and the
// reports of a window's creation.
TEST_F(WindowHooksTest, EachHookReportsOnceWhileEnabledAndTheModuleStaysUntilTheLastGoes) {
    const struct {
        const char* calls;
        bool loaded;
        size_t shell, cbt;
    } rows[] = {{"SSCC", true, 1, 1}, {"sc", false, 0, 0},   {"Sc", true, 1, 0},
                {"SCs", true, 0, 1},  {"SCsc", false, 0, 0}, {"CcC", true, 0, 1}};
    for (const auto& row : rows) {
        ASSERT_EQ(nullptr, GetModuleHandleA(QTV_HOOK_MODULE));
        for (const char* call = row.calls; *call; ++call) {
            const BOOL enable = *call == 'S' || *call == 'C';
            EXPECT_TRUE(*call == 'S' || *call == 's' ? router.EnableShellHook(enable) : router.EnableCBTHook(enable))
                << row.calls << " at " << *call;
        }
        EXPECT_EQ(row.loaded, GetModuleHandleA(QTV_HOOK_MODULE) != nullptr) << row.calls;
        HWND h = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        DestroyWindow(h);
        EXPECT_EQ(row.shell, Reports(h, QTV_HOOK_SHELL_REPORT, HSHELL_WINDOWCREATED)) << row.calls;
        EXPECT_EQ(row.cbt, Reports(h, QTV_HOOK_CBT_REPORT, HCBT_CREATEWND)) << row.calls;
        TearDown();
    }
}

TEST_F(WindowHooksTest, CbtReportsComeFromWindowsOfOtherProcesses) {
    EXPECT_TRUE(router.EnableCBTHook(TRUE));
    ChildProcess child("qtv_routing_child.exe", {"window"});  // keeps its window a while
    EXPECT_TRUE(PumpUntil([&] {
        DWORD pid = 0;
        for (const auto& [who, handle, type, m, w, l] : log)
            if (m == QTV_HOOK_CBT_REPORT && w == HCBT_CREATEWND &&
                GetWindowThreadProcessId(reinterpret_cast<HWND>(l), &pid) && pid == child.ProcessId())
                return true;
        return false;
    }));
}

}  // namespace

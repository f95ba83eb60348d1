#include "routing/recorder.h"

using namespace qtvtest;

struct WindowHooksTest : RouterTest {
    void SetUp() override {
        RouterTest::SetUp();
        Add('r', {QTV_HOOK_CBT_REPORT, QTV_HOOK_SHELL_REPORT});
    }
    void TearDown() override {
        router.EnableShellHook(FALSE);
        router.EnableCBTHook(FALSE);
    }

    // The reports of the event about windows the predicate picks that have come in.
    size_t Reports(UINT message, WPARAM code, const std::function<bool(HWND)>& about) {
        size_t count = 0;
        for (const auto& [who, handle, type, m, w, l] : log)
            count += m == message && w == code && about(reinterpret_cast<HWND>(l));
        return count;
    }
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
        PumpPending();  // the hook posts its reports while the window is made and destroyed
        auto about = [h](HWND reported) { return reported == h; };
        EXPECT_EQ(row.shell, Reports(QTV_HOOK_SHELL_REPORT, HSHELL_WINDOWCREATED, about)) << row.calls;
        EXPECT_EQ(row.cbt, Reports(QTV_HOOK_CBT_REPORT, HCBT_CREATEWND, about)) << row.calls;
        TearDown();
    }
}

TEST_F(WindowHooksTest, CbtReportsComeFromWindowsOfOtherProcesses) {
    EXPECT_TRUE(router.EnableCBTHook(TRUE));
    ChildProcess child("qtv_routing_child.exe", {"window"});  // keeps its window a while
    auto fromChild = [&](HWND reported) {
        DWORD pid = 0;
        return GetWindowThreadProcessId(reported, &pid) && pid == child.ProcessId();
    };
    EXPECT_TRUE(PumpUntil([&] { return Reports(QTV_HOOK_CBT_REPORT, HCBT_CREATEWND, fromChild) > 0; }));
}

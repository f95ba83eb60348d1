// Runs in a process of its own: a test build of the hook module without its
// CBT hook procedure is loaded first, so the router's load by name finds it.
#include "qtvutils/routing.h"

#include "routing/recorder.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace {

TEST(HookModuleWithoutCbtProcTest, CbtEnableSucceedsWithoutAHookAndKeepsTheModule) {
    std::string variant = qtvtest::ExeDir() + "without-cbtproc\\" QTV_HOOK_MODULE;
    HMODULE preloaded = LoadLibraryA(variant.c_str());
    ASSERT_NE(nullptr, preloaded);
    ASSERT_EQ(nullptr, GetProcAddress(preloaded, "CbtProc"));

    CMessagePipe router;
    ASSERT_TRUE(router.Initialize());
    std::vector<qtvtest::Call> log;
    qtvtest::Recorder recorder('r', &log);
    CMessageRegistration reg;
    reg.AddMessageToList(QTV_HOOK_CBT_REPORT);
    reg.SetNotifyTarget(&recorder);
    router.RegisterForNotifications(reg);

    EXPECT_TRUE(router.EnableCBTHook(TRUE));
    FreeLibrary(preloaded);  // what keeps it loaded now is the router's load
    EXPECT_EQ(preloaded, GetModuleHandleA(QTV_HOOK_MODULE));

    HWND h = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(h);
    PostMessageA(router.GetSafeHwnd(), WM_NULL, 0, 0);
    qtvtest::PumpPending();
    EXPECT_TRUE(log.empty());  // no CBT hook was installed
    EXPECT_TRUE(router.EnableCBTHook(FALSE));  // nothing installed: nothing changes
    EXPECT_EQ(preloaded, GetModuleHandleA(QTV_HOOK_MODULE));

    // The module's shell hook still works.
    EXPECT_TRUE(router.EnableShellHook(TRUE));
    EXPECT_TRUE(router.EnableShellHook(FALSE));
}

}  // namespace

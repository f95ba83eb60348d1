// Runs in a process of its own: a test build of the hook module without its
// CBT hook procedure is loaded first, so the router's load by name finds it.
#include "routing/recorder.h"

TEST(HookModuleWithoutCbtProcTest, CbtEnableIsTrueWithoutAHookAndKeepsTheModuleLoaded) {
    HMODULE preloaded = LoadLibraryA((qtvtest::ExeDir() + "without-cbtproc\\" QTV_HOOK_MODULE).c_str());
    ASSERT_NE(nullptr, preloaded);
    ASSERT_EQ(nullptr, GetProcAddress(preloaded, "CbtProc"));
    CMessagePipe router;
    ASSERT_TRUE(router.Initialize());
    EXPECT_TRUE(router.EnableCBTHook(TRUE));
    FreeLibrary(preloaded);  // what keeps it loaded now is the router's load
    EXPECT_EQ(preloaded, GetModuleHandleA(QTV_HOOK_MODULE));
    EXPECT_TRUE(router.EnableCBTHook(FALSE));  // no hook went in: nothing to remove, and the module stays
    EXPECT_EQ(preloaded, GetModuleHandleA(QTV_HOOK_MODULE));
}

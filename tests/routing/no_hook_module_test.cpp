// Runs from a folder without the hook module beside it.
#include "qtvutils/routing.h"

#include "routing/recorder.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace {

TEST(NoHookModuleTest, EnablingEitherHookIsTrueThoughNoHookGoesIn) {
    ASSERT_EQ(nullptr, LoadLibraryA(QTV_HOOK_MODULE));
    CMessagePipe router;
    ASSERT_TRUE(router.Initialize());
    std::vector<qtvtest::Call> log;
    qtvtest::Recorder recorder('r', &log);
    qtvtest::Listen(router, &recorder, {QTV_HOOK_SHELL_REPORT, QTV_HOOK_CBT_REPORT, WM_APP});  // WM_APP: the fence

    EXPECT_TRUE(router.EnableShellHook(TRUE));
    EXPECT_TRUE(router.EnableCBTHook(TRUE));
    DestroyWindow(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr));
    PostMessageA(router.GetSafeHwnd(), WM_APP, 0, 0);  // after any report the window caused
    qtvtest::PumpUntil([&] { return !log.empty(); });
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ(UINT(WM_APP), log[0].message);
    EXPECT_TRUE(router.EnableShellHook(FALSE));
    EXPECT_TRUE(router.EnableCBTHook(FALSE));
}

}  // namespace

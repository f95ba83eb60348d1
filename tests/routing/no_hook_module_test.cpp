// Runs from a folder without the hook module beside it.
#include "qtvutils/routing.h"

#include <gtest/gtest.h>

TEST(NoHookModuleTest, EnablingEitherHookIsTrueThoughNoHookGoesIn) {
    CMessagePipe router;
    ASSERT_TRUE(router.Initialize());
    EXPECT_TRUE(router.EnableShellHook(TRUE));
    EXPECT_TRUE(router.EnableCBTHook(TRUE));
    EXPECT_EQ(nullptr, GetModuleHandleA(QTV_HOOK_MODULE));  // nothing loaded, so nothing hooked
}

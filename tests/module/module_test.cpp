#include "qtvutils/framework.h"

#include <gtest/gtest.h>

namespace {

// Counts destructions, to see when Release destroys.
struct Counted : CRefCounted {
    explicit Counted(int* p) : pDestroyed(p) {}
    ~Counted() override { ++*pDestroyed; }
    int* pDestroyed;
};

TEST(RefCountedTest, StartsAtOneAndTheLastReleaseDestroys) {
    int destroyed = 0;
    Counted* p = new Counted(&destroyed);
    EXPECT_EQ(1, p->GetRefCount());
    EXPECT_EQ(p, p->Lock());
    p->AddRef();
    EXPECT_EQ(3, p->GetRefCount());
    EXPECT_EQ(2, p->Release());
    EXPECT_EQ(1, p->Release());
    EXPECT_EQ(0, destroyed);
    EXPECT_EQ(0, p->Release());
    EXPECT_EQ(1, destroyed);
}

TEST(RefCountedTest, CopyingNeverCopiesTheCount) {
    int destroyed = 0;
    Counted a(&destroyed);
    a.AddRef();
    a.AddRef();
    Counted b(a);
    EXPECT_EQ(1, b.GetRefCount());
    b.AddRef();
    a = b;
    EXPECT_EQ(3, a.GetRefCount());
    EXPECT_EQ(2, b.GetRefCount());
}

TEST(ModuleExportsTest, NoOpExportsAreFoundByPlainName) {
    HMODULE h = GetModuleHandleA("QTVUtils.dll");
    ASSERT_NE(nullptr, h);
    EXPECT_EQ(reinterpret_cast<void*>(&WriteEvent), reinterpret_cast<void*>(GetProcAddress(h, "WriteEvent")));
    EXPECT_EQ(reinterpret_cast<void*>(&DumpCallStack),
              reinterpret_cast<void*>(GetProcAddress(h, "DumpCallStack")));
    WriteEvent(1, "text");
    DumpCallStack();
    EXPECT_EQ('\0', QtvEmptyText[0]);
}

}  // namespace

#include "qtvutils/framework.h"

#include <gtest/gtest.h>

#include <vector>

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
}

// Both DLLs carry the project's version in their fixed and text version
// information, the way Explorer's properties page reads it.
TEST(ModuleVersionTest, BothDllsCarryTheProjectVersion) {
    for (const char* file : {"QTVUtils.dll", "QTVEHook.dll"}) {
        SCOPED_TRACE(file);
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeA(file, &ignored);
        ASSERT_NE(0u, size);
        std::vector<char> info(size);
        ASSERT_TRUE(GetFileVersionInfoA(file, 0, size, info.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT len = 0;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
        EXPECT_EQ(MAKELONG(QTV_VERSION_MINOR, QTV_VERSION_MAJOR), fixed->dwFileVersionMS);
        EXPECT_EQ(MAKELONG(0, QTV_VERSION_PATCH), fixed->dwProductVersionLS);
        char* text = nullptr;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\040904B0\\ProductVersion",
                                   reinterpret_cast<void**>(&text), &len));
        EXPECT_STREQ(QTV_VERSION, text);
    }
}

}  // namespace

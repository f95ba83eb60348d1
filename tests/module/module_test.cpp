#include "qtvutils/framework.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// Counts destructions, to see when Release destroys.
struct Counted : CRefCounted {
    ~Counted() override { ++destroyed; }
    static inline int destroyed;
};

TEST(RefCountedTest, CountsFromOneTheLastReleaseDestroysAndCopiesStartAfresh) {
    Counted::destroyed = 0;
    Counted* p = new Counted;
    EXPECT_EQ(p, p->Lock());
    p->AddRef();
    // Each << is sequenced after the one before.
    std::ostringstream counts(std::to_string(p->GetRefCount()), std::ios::ate);
    for (int i = 0; i < 3; ++i) counts << " " << p->Release() << (Counted::destroyed ? " destroyed" : "");
    EXPECT_EQ("3 2 1 0 destroyed", counts.str());

    Counted a;
    a.AddRef();
    Counted b(a);  // 1, not a's 2
    a = b;         // a keeps its 2
    EXPECT_EQ(std::make_pair(2L, 1L), std::make_pair(a.GetRefCount(), b.GetRefCount()));
}

TEST(ModuleExportsTest, NoOpExportsAreFoundByPlainName) {
    for (const char* name : {"WriteEvent", "DumpCallStack"})
        EXPECT_NE(nullptr, GetProcAddress(GetModuleHandleA("QTVUtils.dll"), name)) << name;
}

// Both DLLs carry the project's version in their fixed and text version
// information, the way Explorer's properties page reads it.
TEST(ModuleVersionTest, BothDllsCarryTheProjectVersion) {
    for (const char* file : {"QTVUtils.dll", "QTVEHook.dll"}) {
        SCOPED_TRACE(file);
        std::string info(GetFileVersionInfoSizeA(file, nullptr), '\0');
        ASSERT_TRUE(!info.empty() && GetFileVersionInfoA(file, 0, info.size(), info.data()));
        void* got = nullptr;
        UINT len = 0;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\", &got, &len));
        EXPECT_EQ(MAKELONG(QTV_VERSION_MINOR, QTV_VERSION_MAJOR), static_cast<VS_FIXEDFILEINFO*>(got)->dwFileVersionMS);
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\040904B0\\ProductVersion", &got, &len));
        EXPECT_STREQ(QTV_VERSION, static_cast<char*>(got));
    }
}

}  // namespace

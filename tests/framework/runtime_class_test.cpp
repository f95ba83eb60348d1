#include "qtvutils/qtvutils.h"

#include <gtest/gtest.h>

namespace {

class CExeClass : public CNotifyTarget {
    DECLARE_DYNAMIC(CExeClass)
};
IMPLEMENT_DYNAMIC(CExeClass, CNotifyTarget)

// RAII for a module loaded by a test.
struct Library {
    explicit Library(const char* name) : h(LoadLibraryA(name)) {}
    ~Library() { Unload(); }
    void Unload() {
        if (h) FreeLibrary(h);
        h = nullptr;
    }
    HMODULE h;
};

TEST(RuntimeClassTest, RecordsNameBaseAndNoCreationOrSchema) {
    CRuntimeClass* p = RUNTIME_CLASS(CNotifyTarget);
    EXPECT_STREQ("CNotifyTarget", p->m_lpszClassName);
    EXPECT_EQ(RUNTIME_CLASS(CObject), p->m_pBaseClass);
    EXPECT_EQ(nullptr, p->m_pfnCreateObject);
    EXPECT_EQ(0xFFFFu, p->m_wSchema);

    CExeClass object;
    EXPECT_EQ(RUNTIME_CLASS(CExeClass), object.GetRuntimeClass());
    EXPECT_TRUE(object.IsKindOf(RUNTIME_CLASS(CNotifyTarget)));
    EXPECT_TRUE(object.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(object.IsKindOf(RUNTIME_CLASS(CWnd)));
    EXPECT_FALSE(RUNTIME_CLASS(CObject)->IsDerivedFrom(RUNTIME_CLASS(CExeClass)));
}

TEST(RuntimeClassTest, LookUpByNameCoversTheExecutableAndRegisteredModules) {
    EXPECT_EQ(RUNTIME_CLASS(CExeClass), CRuntimeClass::FromName("CExeClass"));
    EXPECT_EQ(RUNTIME_CLASS(CNotifyTarget), CRuntimeClass::FromName("CNotifyTarget"));
    EXPECT_EQ(RUNTIME_CLASS(CWnd), CRuntimeClass::FromName("CWnd"));
    ASSERT_NE(nullptr, CRuntimeClass::FromName("CRemoteMonitor"));
    EXPECT_EQ(RUNTIME_CLASS(CNotifyTarget), CRuntimeClass::FromName("CRemoteMonitor")->m_pBaseClass);
    EXPECT_EQ(nullptr, CRuntimeClass::FromName("CModuleOnlyClass"));
    EXPECT_EQ(nullptr, CRuntimeClass::FromName(nullptr));

    Library module("qtv_ext_module.dll");
    ASSERT_NE(nullptr, module.h);
    CRuntimeClass* p = CRuntimeClass::FromName("CModuleOnlyClass");
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(RUNTIME_CLASS(CObject), p->m_pBaseClass);
    // Loading another module does not take the executable's classes away.
    EXPECT_EQ(RUNTIME_CLASS(CExeClass), CRuntimeClass::FromName("CExeClass"));

    module.Unload();
    EXPECT_EQ(nullptr, CRuntimeClass::FromName("CModuleOnlyClass"));
}

TEST(LoadStringTest, SearchesTheExecutableFirstThenRegisteredModules) {
    CString s("sentinel");
    EXPECT_TRUE(s.LoadString(100));
    EXPECT_STREQ("the executable's 100", s);
    EXPECT_FALSE(s.LoadString(200));
    EXPECT_TRUE(s.IsEmpty());

    Library module("qtv_ext_module.dll");
    ASSERT_NE(nullptr, module.h);
    EXPECT_TRUE(s.LoadString(100));
    EXPECT_STREQ("the executable's 100", s);
    EXPECT_TRUE(s.LoadString(200));
    EXPECT_STREQ("only in the module", s);

    module.Unload();
    EXPECT_FALSE(s.LoadString(200));
}

TEST(LoadStringTest, ConvertsToTheAnsiCodePageWithoutALengthLimit) {
    CString s;
    ASSERT_TRUE(s.LoadString(101));
    EXPECT_STREQ("caf\xe9", s);
    ASSERT_TRUE(s.LoadString(102));
    EXPECT_EQ(310, s.GetLength());
    EXPECT_EQ('9', s[309]);
}

}  // namespace

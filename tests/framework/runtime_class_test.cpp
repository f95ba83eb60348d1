#include "qtvutils/qtvutils.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using std::string;

class CExeClass : public CNotifyTarget {
    DECLARE_DYNAMIC(CExeClass)
};
IMPLEMENT_DYNAMIC(CExeClass, CNotifyTarget)

// A class is derived from itself and its bases, never from a class below it.
TEST(RuntimeClassTest, AnObjectIsOfItsOwnClassAndEveryBaseOnly) {
    CExeClass object;
    EXPECT_TRUE(object.IsKindOf(RUNTIME_CLASS(CExeClass)) && object.IsKindOf(RUNTIME_CLASS(CObject)) &&
                !RUNTIME_CLASS(CObject)->IsDerivedFrom(RUNTIME_CLASS(CExeClass)));
}

// What the framework finds, "-" for nothing: each class as "name<base", each
// string's text (what a failed load leaves), the long one's length.
string Lookups() {
    string found;
    for (const char* name : {"CExeClass", "CRemoteMonitor", "CModuleOnlyClass"}) {
        const CRuntimeClass* p = CRuntimeClass::FromName(name);
        found += p ? string(p->m_lpszClassName) + "<" + p->m_pBaseClass->m_lpszClassName + "," : "-,";
    }
    for (UINT id : {100u, 101u, 200u, 102u}) {
        CString s("sentinel");
        found += s.LoadString(id) ? "" : "-";
        found += (id == 102 ? std::to_string(s.GetLength()) : string(s)) + ",";
    }
    return found;
}

// qtv_ext_module.dll registers itself on load and deregisters on unload.
// Strings convert to the ANSI code page, without a length limit.
TEST(ModuleChainTest, AModulesClassesAndStringsAreFoundAfterTheExecutablesWhileItIsLoaded) {
    const string alone = "CExeClass<CNotifyTarget,CRemoteMonitor<CNotifyTarget,-,the executable's 100,caf\xe9,-,310,";
    EXPECT_EQ(alone, Lookups());
    HMODULE module = LoadLibraryA("qtv_ext_module.dll");
    ASSERT_NE(nullptr, module);
    EXPECT_EQ("CExeClass<CNotifyTarget,CRemoteMonitor<CNotifyTarget,CModuleOnlyClass<CObject,"
              "the executable's 100,caf\xe9,only in the module,310,",
              Lookups());
    FreeLibrary(module);
    EXPECT_EQ(alone, Lookups());
    EXPECT_EQ(nullptr, CRuntimeClass::FromName(nullptr));
}

}  // namespace

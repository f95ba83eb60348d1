#include "qtvutils/com.h"
#include "registry/reg_fixture.h"
#include "support/test_support.h"

namespace {

// Classes 1 and 2 are served by the test server; class 3 by nothing.
string Class(int n) { return "{51A7E5A1-0000-4000-8000-00000000000" + std::to_string(n) + "}"; }
string ClassKey(int n) { return "Software\\Classes\\CLSID\\" + Class(n); }

TEST_F(RegTest, IIDIteratorCreatesEachListedClassInTurnAndCountsFailingEntriesAsVisited) {
    // This platform finds in-process servers only among HKEY_LOCAL_MACHINE's
    // classes. The registrations go when the test ends, failed or not.
    struct Registrations {
        ~Registrations() { for (int n : {1, 2}) RegDeleteTreeA(HKEY_LOCAL_MACHINE, ClassKey(n).c_str()); }
    } registrations;
    const string dll = qtvtest::ExeDir() + "qtv_iid_test_server.dll";
    for (int n : {1, 2}) {
        const string server = ClassKey(n) + "\\InprocServer32";
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, server.c_str(), nullptr, REG_SZ, dll.c_str(), dll.size() + 1);
    }
    const struct { const char* entry; string value; HRESULT result; } rows[] = {
        {"list\\a", Class(1), S_OK}, {"list\\b", "not a class", CO_E_CLASSSTRING},
        {"list\\c", "", CO_E_CLASSSTRING},  // with a second value: the entry keeps neither
        {"list\\d", Class(3), REGDB_E_CLASSNOTREG}, {"list\\e", Class(2), S_OK},
        {"past the end", "", E_FAIL}, {"and on", "", E_FAIL}};
    for (int i = 0; i < 5; ++i) Put(rows[i].entry, "", REG_SZ, rows[i].value, HKEY_LOCAL_MACHINE);
    Put("list\\c", "second", REG_SZ, Class(1), HKEY_LOCAL_MACHINE);
    Put("index", "{00000001-0000-0000-C000-000000000046}", REG_SZ, string(Path("list")), HKEY_LOCAL_MACHINE);
    COleObjManager manager;
    ASSERT_TRUE(manager.Initialize());
    std::unique_ptr<CIIDIterator> it(new CIIDIterator);
    ASSERT_TRUE(it->Initialize(Path("index"), &manager, IID_IClassFactory));
    UINT left = 5;
    for (const auto& r : rows) {
        void* object = &left;  // sentinels
        UINT remaining = 12345;
        EXPECT_EQ(r.result, it->GetNext(&object, &remaining)) << r.entry;
        EXPECT_EQ(--left, remaining) << r.entry;  // 4 down to 0, then 0xFFFFFFFF, 0xFFFFFFFE
        EXPECT_EQ(r.result == S_OK, object != nullptr) << r.entry;
    }
    it.reset();  // gives back the reference it took on the manager
    EXPECT_EQ(1, manager.GetRefCount());
}

}  // namespace

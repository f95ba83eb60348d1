#include "qtvutils/com.h"
#include "registry/reg_fixture.h"

#include <comcat.h>

#include <cstring>
#include <functional>

namespace {

const GUID kClsid = {0x0a1b2c3d, 0x4e5f, 0x6071, {0x82, 0x93, 0xa4, 0xb5, 0xc6, 0xd7, 0xe8, 0xf9}};

// Before the manager, the thread had no COM, the same apartment model (the
// manager's start gives S_FALSE) or the other one (its start fails).
TEST(OleObjManagerTest, InitializeStartsComOnceAndTheDestructorEndsOnlyThatStart) {
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    for (int prior : {-1, int(COINIT_APARTMENTTHREADED), int(COINIT_MULTITHREADED)}) {
        SCOPED_TRACE(prior);
        ASSERT_TRUE(prior < 0 || CoInitializeEx(nullptr, prior) == S_OK);
        auto* manager = new COleObjManager;
        EXPECT_EQ(prior != COINIT_MULTITHREADED, manager->Initialize() && manager->Initialize());
        manager->Release();
        EXPECT_EQ(prior >= 0, SUCCEEDED(CoGetApartmentType(&type, &qualifier)));  // only the earlier start
        if (prior >= 0) CoUninitialize();  // COM left running fails the next start
    }
    // A failed start is kept: there is no second try once the obstacle is gone.
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    COleObjManager failed;
    EXPECT_FALSE(failed.Initialize());
    CoUninitialize();
    EXPECT_FALSE(failed.Initialize());
}

// The idle manager has not started COM, although COM runs on the thread. The
// started one passes on what the platform says, where it can to arguments the
// platform refuses (kClsid is not registered). A registered class object is
// asked for the interface the caller names.
TEST(OleObjManagerTest, WrappersFailBeforeTheStartAndPassOnThePlatformsResults) {
    COleObjManager started, idle;
    ASSERT_TRUE(started.Initialize());
    void *object = nullptr, *out = nullptr;
    DWORD id = 0;
    const DWORD in = CLSCTX_INPROC_SERVER;
    ASSERT_EQ(S_OK, started.CreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, in, IID_IUnknown, &object));
    IUnknown* unknown = static_cast<IUnknown*>(object);
    const struct { HRESULT result; std::function<HRESULT(COleObjManager&)> call; } rows[] = {
        {REGDB_E_CLASSNOTREG, [&](auto& m) { return m.GetClassObject(kClsid, in, nullptr, IID_IUnknown, &out); }},
        {E_INVALIDARG, [&](auto& m) { return m.RegisterClassObject(kClsid, nullptr, in, REGCLS_MULTIPLEUSE, &id); }},
        {E_INVALIDARG, [&](auto& m) { return m.RevokeClassObject(12345); }},
        {E_INVALIDARG, [&](auto& m) { return m.DisconnectObject(nullptr, 0); }},
        {TRUE, [&](auto& m) { return m.IsHandlerConnected(unknown); }}};
    for (const auto& r : rows)
        EXPECT_EQ(std::make_pair(E_FAIL, r.result), std::make_pair(r.call(idle), r.call(started))) << &r - rows;
    ASSERT_EQ(S_OK, started.RegisterClassObject(kClsid, unknown, in, REGCLS_MULTIPLEUSE, &id));
    EXPECT_EQ(E_NOINTERFACE, started.GetClassObject(kClsid, in, nullptr, IID_IPersist, &out));  // no IPersist
    EXPECT_EQ(S_OK, started.RevokeClassObject(id));
    unknown->Release();
}

// Each text ends at the last readable byte of a page, so a read past its NUL
// would fault. A text too long to be an identifier fails before the platform
// parses it: the identifier stays untouched.
TEST(OleIdentifierTextTest, ClassTextsConvertBothWaysWithoutReadingPastTheirEnd) {
    LPOLESTR wide = nullptr;
    ASSERT_EQ(S_OK, OleStringFromCLSID(kClsid, &wide));
    const string braced = reinterpret_cast<char*>(wide);
    CoTaskMemFree(wide);
    const size_t page = 4096;  // x86 and x64 pages; the second one stays reserved only
    char* pages = static_cast<char*>(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_TRUE(pages && VirtualAlloc(pages, page, MEM_COMMIT, PAGE_READWRITE));
    const GUID kUntouched = {0x5e171e1, 0, 0, {0}};
    // id: what the identifier holds afterwards (GUID_NULL: not checked).
    const struct { string text; HRESULT result; const GUID& id; } rows[] = {
        {braced, S_OK, kClsid}, {string(124, '{'), CO_E_CLASSSTRING, GUID_NULL},
        {string(125, '{'), CO_E_CLASSSTRING, kUntouched}, {string(4000, '{'), CO_E_CLASSSTRING, kUntouched}};
    for (const auto& r : rows) {
        char* text = pages + page - r.text.size() - 1;
        memcpy(text, r.text.c_str(), r.text.size() + 1);
        GUID id = kUntouched;
        EXPECT_EQ(r.result, OleCLSIDFromString(reinterpret_cast<LPOLESTR>(text), &id)) << r.text.size();
        EXPECT_TRUE(IsEqualGUID(GUID_NULL, r.id) || IsEqualGUID(r.id, id)) << r.text.size();
    }
    VirtualFree(pages, 0, MEM_RELEASE);
}

// The list names the platform's component categories manager twice; a class
// nothing serves; text that is no class; and an entry with two values, which
// keeps neither. Each entry counts as visited, whatever its result.
TEST_F(RegTest, IIDIteratorCreatesEachListedClassInTurnAndCountsFailingEntriesAsVisited) {
    const string manager = "{0002E005-0000-0000-C000-000000000046}";
    const struct { const char* entry; string value; HRESULT result; } rows[] = {
        {"list\\a", manager, S_OK}, {"list\\b", "not a class", CO_E_CLASSSTRING}, {"list\\c", "", CO_E_CLASSSTRING},
        {"list\\d", "{51A7E5A1-0000-4000-8000-000000000003}", REGDB_E_CLASSNOTREG}, {"list\\e", manager, S_OK},
        {"past the end", "", E_FAIL}, {"and on", "", E_FAIL}};
    for (int i = 0; i < 5; ++i) Put(rows[i].entry, "", REG_SZ, rows[i].value, HKEY_LOCAL_MACHINE);
    Put("list\\c", "second", REG_SZ, manager, HKEY_LOCAL_MACHINE);
    Put("index", "{00000000-0000-0000-C000-000000000046}", REG_SZ, string(Path("list")), HKEY_LOCAL_MACHINE);
    Put("index", "{00000001-0000-0000-C000-000000000046}", REG_SZ, string(Path("missing")), HKEY_LOCAL_MACHINE);
    COleObjManager com;
    ASSERT_TRUE(com.Initialize());
    std::unique_ptr<CIIDIterator> it(new CIIDIterator);
    void* object = nullptr;
    EXPECT_EQ(E_FAIL, it->GetNext(&object, nullptr));  // not initialised
    // No index key, no value for the interface, no list key.
    EXPECT_FALSE(it->Initialize(Path("none"), &com, IID_IUnknown) || it->Initialize(Path("index"), &com, IID_IPersist)
                 || it->Initialize(Path("index"), &com, IID_IClassFactory));
    ASSERT_TRUE(it->Initialize(Path("index"), &com, IID_IUnknown));
    EXPECT_EQ(E_POINTER, it->GetNext(nullptr, nullptr));
    for (const auto& r : rows) {
        UINT remaining = 12345;  // sentinels
        object = &remaining;
        EXPECT_EQ(r.result, it->GetNext(&object, &remaining)) << r.entry;
        EXPECT_EQ(UINT(4 - (&r - rows)), remaining) << r.entry;  // 4 down to 0, then 0xFFFFFFFF, 0xFFFFFFFE
        EXPECT_EQ(r.result == S_OK, object != nullptr) << r.entry;
        if (r.result == S_OK) static_cast<IUnknown*>(object)->Release();
    }
    it.reset();  // gives back the reference it took on the manager
    EXPECT_EQ(1, com.GetRefCount());
}

}  // namespace

#include "qtvutils/com.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

namespace {

const GUID kClsid = {0x0a1b2c3d, 0x4e5f, 0x6071, {0x82, 0x93, 0xa4, 0xb5, 0xc6, 0xd7, 0xe8, 0xf9}};

bool ComStarted() {
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    return SUCCEEDED(CoGetApartmentType(&type, &qualifier));
}

// A class factory on the stack that hands out itself as the created object.
struct Factory : IClassFactory {
    int created = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override {
        *ppv = (iid == IID_IUnknown || iid == IID_IClassFactory) ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID iid, void** ppv) override {
        ++created;
        return QueryInterface(iid, ppv);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

TEST(OleObjManagerTest, EveryWrapperFailsBeforeTheStartAndTheDestructorLeavesComAlone) {
    ASSERT_EQ(S_OK, CoInitialize(nullptr));  // started by someone else
    {
        COleObjManager m;
        Factory f;
        void* out = nullptr;
        DWORD cookie = 0;
        const std::vector<std::function<HRESULT()>> wrappers = {
            [&] { return m.CreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &out); },
            [&] { return m.GetClassObject(kClsid, CLSCTX_INPROC_SERVER, nullptr, IID_IUnknown, &out); },
            [&] { return m.IsHandlerConnected(&f); },
            [&] { return m.RegisterClassObject(kClsid, &f, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie); },
            [&] { return m.RevokeClassObject(cookie); },
            [&] { return m.LockObjectExternal(&f, TRUE, FALSE); },
            [&] { return m.DisconnectObject(&f, 0); }};
        for (const auto& call : wrappers) EXPECT_EQ(E_FAIL, call());
        EXPECT_EQ(0, f.created);
    }
    EXPECT_TRUE(ComStarted());
    CoUninitialize();
}

TEST(OleObjManagerTest, InitializeStartsComOnceAndTheDestructorEndsIt) {
    ASSERT_FALSE(ComStarted());
    auto* manager = new COleObjManager;
    EXPECT_TRUE(manager->Initialize());
    EXPECT_TRUE(manager->Initialize());
    EXPECT_TRUE(ComStarted());
    EXPECT_EQ(0, manager->Release());
    EXPECT_FALSE(ComStarted());  // one start, one end
}

TEST(OleObjManagerTest, ASecondManagerOnTheThreadCountsSFalseAsStarted) {
    auto *first = new COleObjManager, *second = new COleObjManager;
    ASSERT_TRUE(first->Initialize());
    EXPECT_TRUE(second->Initialize());
    EXPECT_EQ(E_INVALIDARG, second->RevokeClassObject(12345));  // reaches COM
    second->Release();
    EXPECT_TRUE(ComStarted());
    first->Release();
    EXPECT_FALSE(ComStarted());
}

TEST(OleObjManagerTest, AFailedStartIsKeptAndNeverRetried) {
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    COleObjManager manager;
    EXPECT_FALSE(manager.Initialize());  // the thread has the other apartment model
    CoUninitialize();
    EXPECT_FALSE(manager.Initialize());
    EXPECT_FALSE(ComStarted());
}

TEST(OleObjManagerTest, ARegisteredClassIsCreatedUntilItIsRevoked) {
    COleObjManager manager;
    ASSERT_TRUE(manager.Initialize());
    Factory factory;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, manager.RegisterClassObject(kClsid, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie));
    void *object = nullptr, *classObject = nullptr;
    EXPECT_EQ(S_OK, manager.CreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object));
    EXPECT_EQ(1, factory.created);
    EXPECT_EQ(S_OK, manager.GetClassObject(kClsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &classObject));
    EXPECT_EQ(static_cast<IClassFactory*>(&factory), classObject);
    EXPECT_EQ(S_OK, manager.RevokeClassObject(cookie));
    EXPECT_EQ(REGDB_E_CLASSNOTREG, manager.CreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object));
    EXPECT_EQ(1, factory.created);
}

TEST(OleIdentifierTextTest, ClassIdentifiersRoundTripThroughUpperCaseBracedText) {
    LPOLESTR text = nullptr;
    ASSERT_EQ(S_OK, OleStringFromCLSID(kClsid, &text));
    EXPECT_STREQ("{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}", reinterpret_cast<char*>(text));  // 38 characters
    GUID back = GUID_NULL;
    EXPECT_EQ(S_OK, OleCLSIDFromString(text, &back));
    EXPECT_TRUE(IsEqualGUID(kClsid, back));
    CoTaskMemFree(text);
}

TEST(OleIdentifierTextTest, TextTooLongForTheBufferFailsWithoutReadingPastItsEnd) {
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    char* pages = static_cast<char*>(VirtualAlloc(nullptr, 2 * si.dwPageSize, MEM_COMMIT, PAGE_READWRITE));
    DWORD old;
    ASSERT_TRUE(pages && VirtualProtect(pages + si.dwPageSize, si.dwPageSize, PAGE_NOACCESS, &old));
    for (size_t length : {124u, 125u, 4000u}) {
        char* text = pages + si.dwPageSize - length - 1;  // its NUL is the last readable byte
        memset(text, '{', length);
        text[length] = '\0';
        GUID id = kClsid;
        EXPECT_EQ(CO_E_CLASSSTRING, OleCLSIDFromString(reinterpret_cast<LPOLESTR>(text), &id)) << length;
        EXPECT_TRUE(length == 124 || IsEqualGUID(kClsid, id)) << length;  // not even tried
    }
    VirtualFree(pages, 0, MEM_RELEASE);
}

}  // namespace

// An in-process server for whatever class the registry sends to it: one
// static object is class object and instance of every class alike.
#include <objbase.h>

struct Object : IClassFactory {
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        *out = iid == IID_IUnknown || iid == IID_IClassFactory ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown*, REFIID iid, void** out) override { return QueryInterface(iid, out); }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
} g_object;

STDAPI DllGetClassObject(REFCLSID, REFIID iid, void** out) { return g_object.QueryInterface(iid, out); }

#include "qtvutils/com.h"

COleObjManager::COleObjManager() : m_bInitialized(FALSE), m_bTried(FALSE) {}

COleObjManager::~COleObjManager() {
    // Every successful CoInitialize, S_FALSE included, needs its own
    // CoUninitialize on the same thread.
    if (m_bInitialized) CoUninitialize();
}

BOOL COleObjManager::Initialize() {
    if (!m_bTried) {
        m_bTried = TRUE;
        m_bInitialized = SUCCEEDED(CoInitialize(nullptr));
    }
    return m_bInitialized;
}

HRESULT COleObjManager::CreateInstance(const GUID& clsid, IUnknown* pUnkOuter, DWORD dwClsContext,
                                       const GUID& iid, void** ppv) {
    if (!m_bInitialized) return E_FAIL;
    return CoCreateInstance(clsid, pUnkOuter, dwClsContext, iid, ppv);
}

HRESULT COleObjManager::GetClassObject(const GUID& clsid, DWORD dwClsContext, void* pServerInfo,
                                       const GUID& iid, void** ppv) {
    if (!m_bInitialized) return E_FAIL;
    return CoGetClassObject(clsid, dwClsContext, static_cast<COSERVERINFO*>(pServerInfo), iid, ppv);
}

HRESULT COleObjManager::IsHandlerConnected(IUnknown* pUnk) {
    if (!m_bInitialized) return E_FAIL;
    return CoIsHandlerConnected(pUnk);
}

HRESULT COleObjManager::RegisterClassObject(const GUID& clsid, IUnknown* pUnk, DWORD dwClsContext,
                                            DWORD dwFlags, DWORD* pdwRegister) {
    if (!m_bInitialized) return E_FAIL;
    return CoRegisterClassObject(clsid, pUnk, dwClsContext, dwFlags, pdwRegister);
}

HRESULT COleObjManager::RevokeClassObject(DWORD dwRegister) {
    if (!m_bInitialized) return E_FAIL;
    return CoRevokeClassObject(dwRegister);
}

HRESULT COleObjManager::LockObjectExternal(IUnknown* pUnk, BOOL fLock, BOOL fLastUnlockReleases) {
    if (!m_bInitialized) return E_FAIL;
    return CoLockObjectExternal(pUnk, fLock, fLastUnlockReleases);
}

HRESULT COleObjManager::DisconnectObject(IUnknown* pUnk, DWORD dwReserved) {
    if (!m_bInitialized) return E_FAIL;
    return CoDisconnectObject(pUnk, dwReserved);
}

#include "framework/module_chain.h"

#include <cstring>

namespace {

// Loader callbacks (DllMain) and lookups from any thread meet here.
SRWLOCK g_lock = SRWLOCK_INIT;
// Classes filed during static initialisation that no module has claimed yet:
// after start-up these are the executable's own classes.
CRuntimeClass* g_pUnclaimedClasses = nullptr;
AFX_EXTENSION_MODULE* g_pFirstModule = nullptr;

struct ExclusiveLock {
    ExclusiveLock() { AcquireSRWLockExclusive(&g_lock); }
    ~ExclusiveLock() { ReleaseSRWLockExclusive(&g_lock); }
};
struct SharedLock {
    SharedLock() { AcquireSRWLockShared(&g_lock); }
    ~SharedLock() { ReleaseSRWLockShared(&g_lock); }
};

CRuntimeClass* FindInChain(CRuntimeClass* p, const char* name) {
    for (; p; p = p->m_pNextClass)
        if (strcmp(p->m_lpszClassName, name) == 0) return p;
    return nullptr;
}

}  // namespace

AFX_CLASSINIT::AFX_CLASSINIT(CRuntimeClass* pNewClass) {
    ExclusiveLock lock;
    pNewClass->m_pNextClass = g_pUnclaimedClasses;
    g_pUnclaimedClasses = pNewClass;
}

// A module's static initialisers run just before its DllMain, but the
// unclaimed list also holds the executable's classes, filed after the
// libraries it links were registered: the module claims only the records that
// lie in its own image, or unloading it would take the executable's along.
BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE hModule) {
    ExclusiveLock lock;
    if (state.bInitialized) return TRUE;
    state.hModule = hModule;
    state.pFirstSharedClass = nullptr;
    for (CRuntimeClass** pp = &g_pUnclaimedClasses; *pp;) {
        CRuntimeClass* p = *pp;
        HMODULE owner = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<const char*>(p), &owner);
        if (owner != hModule) {
            pp = &p->m_pNextClass;
            continue;
        }
        *pp = p->m_pNextClass;
        p->m_pNextClass = state.pFirstSharedClass;
        state.pFirstSharedClass = p;
    }
    state.pNextModule = nullptr;
    AFX_EXTENSION_MODULE** pp = &g_pFirstModule;
    while (*pp) pp = &(*pp)->pNextModule;
    *pp = &state;
    state.bInitialized = TRUE;
    return TRUE;
}

void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state) {
    ExclusiveLock lock;
    if (!state.bInitialized) return;
    for (AFX_EXTENSION_MODULE** pp = &g_pFirstModule; *pp; pp = &(*pp)->pNextModule) {
        if (*pp == &state) {
            *pp = state.pNextModule;
            break;
        }
    }
    state.pNextModule = nullptr;
    state.pFirstSharedClass = nullptr;
    state.bInitialized = FALSE;
}

CRuntimeClass* CRuntimeClass::FromName(const char* lpszClassName) {
    if (!lpszClassName) return nullptr;
    SharedLock lock;
    if (CRuntimeClass* p = FindInChain(g_pUnclaimedClasses, lpszClassName)) return p;
    for (AFX_EXTENSION_MODULE* m = g_pFirstModule; m; m = m->pNextModule)
        if (CRuntimeClass* p = FindInChain(m->pFirstSharedClass, lpszClassName)) return p;
    return nullptr;
}

std::vector<HMODULE> qtv::ResourceModules() {
    std::vector<HMODULE> modules{GetModuleHandleA(nullptr)};
    SharedLock lock;
    for (AFX_EXTENSION_MODULE* m = g_pFirstModule; m; m = m->pNextModule) modules.push_back(m->hModule);
    return modules;
}

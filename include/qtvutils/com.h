// QTVUtils COM helpers: per-thread start-up of COM with guarded class-object
// wrappers, identifier text conversion with 8-bit text, and the iterator over
// the classes the registry lists for an interface.
//
// Results: every function returns the platform's HRESULT unchanged, except
// that each COleObjManager wrapper returns E_FAIL without calling COM while
// the manager has not started COM, and CIIDIterator::GetNext adds E_FAIL and
// E_POINTER of its own (see there). A manager is created, started, used and
// destroyed on one thread, and so is an iterator that holds it.
#pragma once

#include "qtvutils/framework.h"

#include <objbase.h>

class QTVUTILS_API COleObjManager : public CRefCounted {
public:
    COleObjManager();  // does not touch COM
    // Ends COM on this thread once when Initialize started it.
    ~COleObjManager() override;

    // Starts COM on the calling thread on the first call (S_FALSE, COM
    // already started on the thread, counts as started). Every call returns
    // that first outcome; a failed start is never retried.
    BOOL Initialize();

    HRESULT CreateInstance(const GUID& clsid, IUnknown* pUnkOuter, DWORD dwClsContext, const GUID& iid,
                           void** ppv);
    HRESULT GetClassObject(const GUID& clsid, DWORD dwClsContext, void* pServerInfo, const GUID& iid,
                           void** ppv);
    // The platform's boolean answer, or E_FAIL (also non-zero) when COM was
    // not started.
    HRESULT IsHandlerConnected(IUnknown* pUnk);
    HRESULT RegisterClassObject(const GUID& clsid, IUnknown* pUnk, DWORD dwClsContext, DWORD dwFlags,
                                DWORD* pdwRegister);
    HRESULT RevokeClassObject(DWORD dwRegister);
    HRESULT LockObjectExternal(IUnknown* pUnk, BOOL fLock, BOOL fLastUnlockReleases);
    HRESULT DisconnectObject(IUnknown* pUnk, DWORD dwReserved);

private:
    BOOL m_bInitialized;  // COM was started with success
    BOOL m_bTried;        // Initialize has called CoInitialize

    COleObjManager(const COleObjManager&) = delete;
    COleObjManager& operator=(const COleObjManager&) = delete;
};

// Identifier text conversion in the braced registry form (38 characters,
// upper-case hexadecimal). The text parameters are declared wide for the
// suite's programs but carry 8-bit, NUL-terminated text:
//   OleStringFromCLSID stores a text from CoTaskMemAlloc (free it with
//   CoTaskMemFree) and stores nothing on failure;
//   OleCLSIDFromString reads nothing beyond the text's NUL; a text longer
//   than 124 wide characters fails with CO_E_CLASSSTRING, *clsid untouched.
QTVUTILS_API HRESULT OleStringFromCLSID(const GUID& clsid, LPOLESTR* text);
QTVUTILS_API HRESULT OleCLSIDFromString(LPOLESTR text, GUID* clsid);

class CRegEntry;
class CRegSubkeyIterator;

// ---------------------------------------------------------------------------
// CIIDIterator: creates, one by one, the in-process classes the registry
// lists for an interface. Under HKEY_LOCAL_MACHINE:
//   <index key>, value "{interface id}"  the path of the list key
//   <list key>\<any name>                one class each: its only value is
//                                        the class identifier in braced text
// Initialize returns FALSE when the index key, its value for the interface or
// the list key is missing. GetNext sets *object to the created interface (one
// reference, for the caller) or null, and *remaining (may be null) to the
// number of list entries after the one it visited: count - position - 1 as
// unsigned, so 0xFFFFFFFF on the first call past the end and one less on each
// further call. Its result is E_POINTER for a null object; E_FAIL when the
// list is exhausted, a subkey cannot be read or opened, or Initialize has not
// succeeded; otherwise the HRESULT of the identifier conversion or of the
// creation (E_FAIL while the manager has not started COM). An entry that
// fails still counts as visited. The list is counted when Initialize opens
// it; a new pass needs a new Initialize (which first lets go of what the last
// one took).
// ---------------------------------------------------------------------------
class QTVUTILS_API CIIDIterator {
public:
    CIIDIterator();
    ~CIIDIterator();  // frees what it holds, the manager's reference included

    // Holds a reference on manager (not null) until the iterator goes.
    BOOL Initialize(const char* indexKeyPath, COleObjManager* manager, const GUID& iid);
    HRESULT GetNext(void** object, UINT* remaining);

private:
    CRegEntry* m_pKey;                // the list key; owned
    CRegSubkeyIterator* m_pSubkeys;   // over m_pKey; owned
    COleObjManager* m_pManager;       // one reference held
    char* m_pszIID;                   // braced text, from CoTaskMemAlloc

    CIIDIterator(const CIIDIterator&) = delete;
    CIIDIterator& operator=(const CIIDIterator&) = delete;
    void Reset();
    HRESULT CreateListed(const CRegEntry& entry, void** object);
};

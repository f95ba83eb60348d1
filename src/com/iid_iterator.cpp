#include "qtvutils/com.h"

#include "com/guid_text.h"
#include "qtvutils/registry.h"

#include <memory>
#include <new>

CIIDIterator::CIIDIterator() : m_pKey(nullptr), m_pSubkeys(nullptr), m_pManager(nullptr), m_pszIID(nullptr) {}

CIIDIterator::~CIIDIterator() { Reset(); }

void CIIDIterator::Reset() {
    CoTaskMemFree(m_pszIID);
    if (m_pManager) m_pManager->Release();
    delete m_pSubkeys;  // walks the key, so it goes first
    delete m_pKey;
    m_pszIID = nullptr;
    m_pManager = nullptr;
    m_pSubkeys = nullptr;
    m_pKey = nullptr;
}

BOOL CIIDIterator::Initialize(const char* indexKeyPath, COleObjManager* manager, const GUID& iid) {
    Reset();
    std::unique_ptr<CRegEntry> index(CRegEntry::OpenExisting(HKEY_LOCAL_MACHINE, indexKeyPath));
    if (!index || !manager || FAILED(OleStringFromIID(iid, &m_pszIID))) return FALSE;
    CString listPath;
    if (index->LocateValueData(m_pszIID, listPath) != ERROR_SUCCESS) return FALSE;
    m_pKey = CRegEntry::OpenExisting(HKEY_LOCAL_MACHINE, listPath);
    if (!m_pKey) return FALSE;
    m_pSubkeys = new (std::nothrow) CRegSubkeyIterator(m_pKey);
    if (!m_pSubkeys) return FALSE;
    m_pManager = static_cast<COleObjManager*>(manager->Lock());
    return m_pManager != nullptr;
}

HRESULT CIIDIterator::GetNext(void** object, UINT* remaining) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (remaining) *remaining = 0;
    if (!m_pManager) return E_FAIL;
    HRESULT result = E_FAIL;
    CString name;
    if (m_pSubkeys->Next() && m_pSubkeys->CurrentSubkey(name) == ERROR_SUCCESS) {
        std::unique_ptr<CRegEntry> entry(CRegEntry::OpenExisting(m_pKey, name));
        if (entry) result = CreateListed(*entry, object);
    }
    if (remaining) *remaining = static_cast<UINT>(m_pSubkeys->m_nCount - m_pSubkeys->m_nIndex - 1);
    return result;
}

HRESULT CIIDIterator::CreateListed(const CRegEntry& entry, void** object) {
    // The entry's only value, kept when it was opened; a key with no value or
    // with several holds the empty text, which no conversion accepts.
    const char* classText = entry.m_ValueData.m_strData;
    GUID clsid, iid;
    HRESULT result = OleCLSIDFromString(reinterpret_cast<LPOLESTR>(const_cast<char*>(classText)), &clsid);
    if (SUCCEEDED(result)) result = OleIIDFromString(m_pszIID, &iid);
    if (SUCCEEDED(result)) result = m_pManager->CreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object);
    return result;
}

#include "qtvutils/settings.h"

#include <memory>
#include <new>

namespace {

using EntryPtr = std::unique_ptr<CRegEntry>;

const char kCurrentScheme[] = "Current Scheme";
const char kDefaultScheme[] = ".Default";

// Gives the user the key at path as a copy of the same path under
// HKEY_LOCAL_MACHINE, unless the user has it already. 0 once the user has
// the key, else 8; what the copy meets on the way is not reported.
LONG CopyFromMachineOnce(const CString& path) {
    if (EntryPtr(CRegEntry::OpenExisting(HKEY_CURRENT_USER, path))) return ERROR_SUCCESS;
    EntryPtr user(CRegEntry::CreateNew(HKEY_CURRENT_USER, path));
    if (!user) return ERROR_NOT_ENOUGH_MEMORY;
    EntryPtr machine(CRegEntry::OpenExisting(HKEY_LOCAL_MACHINE, path));
    if (machine) machine->CopyStructure(user.get());
    return ERROR_SUCCESS;
}

}  // namespace

CRegScheme::CRegScheme(const CString& productKey, const CString& applicationKey)
    : m_pSchemesKey(nullptr), m_pSchemeIterator(nullptr), m_strProductKey(productKey),
      m_strApplicationKey(applicationKey) {}

CRegScheme::~CRegScheme() { EndWalk(); }

void CRegScheme::EndWalk() {
    delete m_pSchemeIterator;  // walks the key, so it goes first
    delete m_pSchemesKey;
    m_pSchemeIterator = nullptr;
    m_pSchemesKey = nullptr;
}

CString CRegScheme::CreateSchemePath() const {
    return "SOFTWARE\\Quorvane\\" + m_strProductKey + "\\CurrentVersion\\" + m_strApplicationKey + "\\Schemes";
}

LONG CRegScheme::GetCurrentScheme(CString& name) {
    const CString path = CreateSchemePath();
    EntryPtr key(CRegEntry::OpenExisting(HKEY_CURRENT_USER, path));
    if (!key) {
        CRegUser(this).NewUserKey();
        // Still opened by creation: when the machine has no tree to copy, the
        // user's tree starts empty.
        key.reset(CRegEntry::CreateNew(HKEY_CURRENT_USER, path));
        if (!key) return ERROR_NOT_ENOUGH_MEMORY;
    }
    CString current;
    LONG result = key->LocateValueData(kCurrentScheme, current);
    if (result != ERROR_SUCCESS) {
        current = kDefaultScheme;
        result = key->SetValueData(kCurrentScheme, current);
    }
    if (result == ERROR_SUCCESS) name = current;
    return result;
}

LONG CRegScheme::SetCurrentScheme(const CString& name) {
    EntryPtr key(CRegEntry::OpenExisting(HKEY_CURRENT_USER, CreateSchemePath()));
    return key ? key->SetValueData(kCurrentScheme, name) : ERROR_NOT_ENOUGH_MEMORY;
}

LONG CRegScheme::GetSchemeKey(CString& key) {
    CString current;
    LONG result = GetCurrentScheme(current);
    if (result == ERROR_SUCCESS) key = CreateSchemePath() + "\\" + current;
    return result;
}

LONG CRegScheme::NewSchemeKey(const CString& name) {
    return CopyFromMachineOnce(CreateSchemePath() + "\\" + name);
}

LONG CRegScheme::DeleteSchemeKey(const CString& name) {
    if (name == kDefaultScheme) return ERROR_NO_DATA;
    // The empty name would delete the user's whole tree, and a path only a
    // part of a scheme.
    if (name.IsEmpty() || name.Find('\\') >= 0) return ERROR_INVALID_NAME;
    EntryPtr key(CRegEntry::OpenExisting(HKEY_CURRENT_USER, CreateSchemePath()));
    if (!key) return ERROR_NOT_ENOUGH_MEMORY;
    CString current;
    LONG result = GetCurrentScheme(current);
    if (result == ERROR_SUCCESS) result = key->DeleteSubkey(name);
    if (result == ERROR_SUCCESS && name == current) result = SetCurrentScheme(kDefaultScheme);
    return result;
}

LONG CRegScheme::GetFirstScheme(CString& name) {
    EndWalk();
    m_pSchemesKey = CRegEntry::OpenExisting(HKEY_CURRENT_USER, CreateSchemePath());
    if (!m_pSchemesKey) return ERROR_NOT_ENOUGH_MEMORY;
    m_pSchemeIterator = new (std::nothrow) CRegSubkeyIterator(m_pSchemesKey);
    if (!m_pSchemeIterator || !m_pSchemeIterator->Next()) return ERROR_NOT_ENOUGH_MEMORY;
    return m_pSchemeIterator->CurrentSubkey(name);
}

LONG CRegScheme::GetNextScheme(CString& name) {
    if (!m_pSchemesKey || !m_pSchemeIterator) return ERROR_NOT_ENOUGH_MEMORY;
    // Past the end the position stays put, however often the caller asks.
    if (m_pSchemeIterator->m_nIndex >= m_pSchemeIterator->m_nCount || !m_pSchemeIterator->Next())
        return ERROR_NO_DATA;
    return m_pSchemeIterator->CurrentSubkey(name);
}

CRegUser::CRegUser(CRegScheme* scheme)
    : m_pScheme(scheme ? static_cast<CRegScheme*>(scheme->Lock()) : nullptr) {}

CRegUser::~CRegUser() {
    if (m_pScheme) m_pScheme->Release();
}

LONG CRegUser::NewUserKey() { return CopyFromMachineOnce(m_pScheme->CreateSchemePath()); }

#include "qtvutils/registry.h"

#include "com/guid_text.h"
#include "framework/scoped_handle.h"
#include "registry/key_security.h"
#include "registry/snapshot_read.h"

#include <algorithm>
#include <memory>
#include <new>

namespace {

// Windows answers RegQueryInfoKeyA only through handles with KEY_QUERY_VALUE,
// and both Windows and Wine refuse value reads and enumeration (5) through a
// handle opened for writing only. Every entry takes a count snapshot, may
// read its only value and may be walked by the iterators, so every key is
// opened with these rights on top of the ones asked for.
const REGSAM kReadRights = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;

}  // namespace

CRegEntry::CRegEntry()
    : m_hKey(nullptr), m_lLastError(ERROR_SUCCESS), m_dwSubkeys(0), m_dwMaxSubkeyLen(0),
      m_dwValues(0), m_dwMaxValueNameLen(0), m_dwMaxValueLen(0), m_samAccess(0) {}

CRegEntry::~CRegEntry() { qtv::ScopedKey::CloseField(m_hKey); }

CRegEntry* CRegEntry::Open(HKEY parent, const char* path, REGSAM sam, LONG* pResult) {
    LONG ignored;
    LONG& result = pResult ? *pResult : ignored;
    result = ERROR_NOT_ENOUGH_MEMORY;
    std::unique_ptr<CRegEntry> entry(new (std::nothrow) CRegEntry());
    if (!entry) return nullptr;
    // Asking for all of KEY_WRITE means "create where missing".
    if ((sam & KEY_WRITE) == KEY_WRITE) {
        entry->CreateKey(parent, path, sam);
    } else {
        entry->OpenKey(parent, path, sam);
    }
    result = entry->m_lLastError;
    return result == ERROR_SUCCESS ? entry.release() : nullptr;
}

void CRegEntry::OpenKey(HKEY parent, const char* path, REGSAM sam) {
    HKEY key = nullptr;
    m_lLastError = RegOpenKeyExA(parent, path, 0, sam | kReadRights, &key);
    if (m_lLastError != ERROR_SUCCESS) return;
    m_hKey = key;
    m_samAccess = sam | kReadRights;
    if (ResetCounts() != ERROR_SUCCESS || m_dwValues != 1) return;

    qtv::EnumeratedValue only;
    m_lLastError = qtv::EnumerateValue(m_hKey, 0, m_dwMaxValueNameLen, m_dwMaxValueLen, only);
    if (m_lLastError != ERROR_SUCCESS) return;
    m_strValueName = only.name;
    m_ValueData = CRegData(only.data.get(), only.size, only.type);
}

void CRegEntry::CreateKey(HKEY parent, const char* path, REGSAM sam) {
    SECURITY_ATTRIBUTES sa;
    HKEY key = nullptr;
    DWORD disposition = 0;
    m_lLastError = RegCreateKeyExA(parent, path, 0, nullptr, REG_OPTION_VOLATILE, sam | kReadRights,
                                   qtv::CreationSecurity(sa), &key, &disposition);
    if (m_lLastError != ERROR_SUCCESS) return;
    m_hKey = key;
    m_samAccess = sam | kReadRights;
    // A key just created is empty, so its counts stay 0 without a query.
    // Wine reports the empty path as created even though the key exists:
    // such an entry starts with zero counts until ResetCounts.
    if (disposition == REG_OPENED_EXISTING_KEY) ResetCounts();
}

CRegEntry* CRegEntry::OpenExisting(HKEY root, const CString& path) { return Open(root, path, KEY_READ); }

CRegEntry* CRegEntry::OpenExisting(CRegEntry* const parent, const CString& path) {
    return parent ? Open(parent->m_hKey, path, KEY_READ) : nullptr;
}

CRegEntry* CRegEntry::OpenExisting(CRegEntry* const parent) {
    return parent ? Open(parent->m_hKey, "", KEY_READ) : nullptr;
}

CRegEntry* CRegEntry::OpenExisting(const char* prefix, const GUID& id) {
    char* idText = nullptr;
    if (FAILED(OleStringFromIID(id, &idText))) return nullptr;
    CString path = CString(prefix) + idText;
    CoTaskMemFree(idText);

    std::unique_ptr<CRegEntry> index(Open(HKEY_LOCAL_MACHINE, path, KEY_READ));
    if (!index || index->m_dwValues != 1) return nullptr;
    // The only value is the path, read as text up to its first zero byte.
    return Open(HKEY_LOCAL_MACHINE, static_cast<const char*>(index->m_ValueData.m_strData), KEY_READ);
}

CRegEntry* CRegEntry::CreateNew(HKEY root, const CString& path) { return Open(root, path, KEY_WRITE); }

CRegEntry* CRegEntry::OpenExisting(HKEY root, const CString& path, LONG& result) {
    return Open(root, path, KEY_READ, &result);
}

CRegEntry* CRegEntry::CreateNew(HKEY root, const CString& path, LONG& result) {
    return Open(root, path, KEY_WRITE, &result);
}

CRegEntry* CRegEntry::CreateNew(CRegEntry* const parent, const CString& path) {
    return parent ? Open(parent->m_hKey, path, KEY_WRITE) : nullptr;
}

LONG CRegEntry::ResetCounts() {
    // The class text is never used. A two-byte buffer holds the empty class
    // of every key the suite makes; a key with a longer class gives 234.
    char classText[2];
    DWORD classLen = sizeof(classText);
    DWORD subkeys = 0, maxSubkeyLen = 0, values = 0, maxValueNameLen = 0, maxValueLen = 0;
    m_lLastError = RegQueryInfoKeyA(m_hKey, classText, &classLen, nullptr, &subkeys, &maxSubkeyLen,
                                    nullptr, &values, &maxValueNameLen, &maxValueLen, nullptr, nullptr);
    if (m_lLastError == ERROR_SUCCESS) {
        // Each maximum gets room for a terminator. Wine counts text data in
        // its stored UTF-16 form, so the data maximum may be up to twice what
        // an ANSI read returns: buffers are merely larger.
        m_dwSubkeys = subkeys;
        m_dwMaxSubkeyLen = maxSubkeyLen + 1;
        m_dwValues = values;
        m_dwMaxValueNameLen = maxValueNameLen + 1;
        m_dwMaxValueLen = maxValueLen + 1;
    }
    return m_lLastError;
}

HKEY CRegEntry::KeyAllowing(REGSAM rights, HKEY* pReopened) const {
    if ((m_samAccess & rights) == rights) return m_hKey;
    // The platform checks value writes and deletions against the rights a
    // handle was opened with, so an entry opened for reading changes its key
    // through a second handle to it.
    if (RegOpenKeyExA(m_hKey, "", 0, rights, pReopened) != ERROR_SUCCESS) return nullptr;
    return *pReopened;
}

LONG CRegEntry::LocateValueData(const CString& name, CRegData& data) {
    std::unique_ptr<unsigned char[]> buffer = qtv::AllocBytes(m_dwMaxValueLen);
    if (!buffer) return m_lLastError = ERROR_NOT_ENOUGH_MEMORY;
    DWORD type = 0, size = m_dwMaxValueLen;
    m_lLastError = RegQueryValueExA(m_hKey, name, nullptr, &type, buffer.get(), &size);
    if (m_lLastError == ERROR_SUCCESS) data = CRegData(buffer.get(), std::min(size, m_dwMaxValueLen), type);
    return m_lLastError;
}

LONG CRegEntry::LocateValueData(const CString& name, CString& text) {
    CRegData data;
    if (LocateValueData(name, data) == ERROR_SUCCESS) text = static_cast<const char*>(data.m_strData);
    return m_lLastError;
}

LONG CRegEntry::SetValueData(const CString& name, const unsigned char* data, unsigned long type,
                             unsigned long size) {
    m_lLastError = ERROR_NOT_ENOUGH_MEMORY;
    qtv::ScopedKey reopened;
    HKEY key = KeyAllowing(KEY_SET_VALUE, reopened.Receive());
    if (!key) return m_lLastError;
    m_lLastError = RegSetValueExA(key, name, 0, type, data, size);
    if (m_lLastError == ERROR_SUCCESS) ResetCounts();
    return m_lLastError;
}

LONG CRegEntry::SetValueData(const CString& name, const CString& text) {
    return SetValueData(name, reinterpret_cast<const unsigned char*>(static_cast<const char*>(text)), REG_SZ,
                        text.GetLength() + 1);
}

LONG CRegEntry::SetValueData(const CString& name, const CRegData& data) {
    return SetValueData(name, data, data.m_dwType, data.m_strData.GetLength() + 1);
}

LONG CRegEntry::DeleteValue(const CString& name) {
    m_lLastError = ERROR_NOT_ENOUGH_MEMORY;
    qtv::ScopedKey reopened;
    if (HKEY key = KeyAllowing(KEY_WRITE, reopened.Receive())) m_lLastError = RegDeleteValueA(key, name);
    return m_lLastError;
}

LONG CRegEntry::DeleteSubkey(const CString& name) {
    m_lLastError = ERROR_NOT_ENOUGH_MEMORY;
    // The empty name deletes the entry's own key, which Windows allows only
    // through a handle with DELETE and the rights to walk the key.
    const REGSAM rights = name.IsEmpty() ? KEY_WRITE | kReadRights | DELETE : KEY_WRITE;
    qtv::ScopedKey reopened;
    HKEY key = KeyAllowing(rights, reopened.Receive());
    if (!key) return m_lLastError;
    // RegDeleteKeyA refuses a key that has subkeys (5), but whole subtrees
    // are deleted with this call, so the tree deletion is used. It would only
    // empty the key for the empty name, which names the key itself.
    if (!name.IsEmpty()) {
        m_lLastError = RegDeleteTreeA(key, name);
    } else if ((m_lLastError = RegDeleteTreeA(key, nullptr)) == ERROR_SUCCESS) {
        m_lLastError = RegDeleteKeyA(key, "");
    }
    return m_lLastError;
}

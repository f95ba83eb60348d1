#include "qtvutils/registry.h"

#include "registry/snapshot_read.h"

#include <algorithm>
#include <cstring>

CRegIterator::CRegIterator(CRegEntry* entry, DWORD count)
    : m_pEntry(entry), m_nIndex(-1), m_nCount(static_cast<int>(count)) {}

CRegIterator::~CRegIterator() = default;

BOOL CRegIterator::Next() { return ++m_nIndex < m_nCount; }

CRegSubkeyIterator::CRegSubkeyIterator(CRegEntry* entry) : CRegIterator(entry, entry->m_dwSubkeys) {}

LONG CRegSubkeyIterator::CurrentSubkey(CString& name) {
    // One character beyond the snapshot's maximum, which already counts the
    // terminator: RegEnumKeyExA wants the name length + 1.
    const DWORD capacity = m_pEntry->m_dwMaxSubkeyLen + 1;
    std::unique_ptr<unsigned char[]> buffer = qtv::AllocBytes(capacity);
    if (!buffer) return ERROR_NOT_ENOUGH_MEMORY;
    DWORD length = capacity;
    char* text = reinterpret_cast<char*>(buffer.get());
    LONG result = RegEnumKeyExA(EntryKey(), m_nIndex, text, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_SUCCESS) name = CString(text, static_cast<int>(std::min(length, capacity)));
    return result;
}

CRegValueIterator::CRegValueIterator(CRegEntry* entry) : CRegIterator(entry, entry->m_dwValues) {}

LONG CRegValueIterator::EnumerateCurrent(qtv::EnumeratedValue& value) const {
    return qtv::EnumerateValue(EntryKey(), m_nIndex, m_pEntry->m_dwMaxValueNameLen,
                               m_pEntry->m_dwMaxValueLen, value);
}

LONG CRegValueIterator::CurrentValue(CString& name, CString& text) {
    qtv::EnumeratedValue value;
    LONG result = EnumerateCurrent(value);
    if (result != ERROR_SUCCESS) return result;
    if (value.type != REG_SZ) return ERROR_BAD_FORMAT;
    name = value.name;
    text = qtv::TextUpToZero(value.data.get(), value.size);
    return ERROR_SUCCESS;
}

LONG CRegValueIterator::CurrentValue(CString& name, unsigned char* data, unsigned long* size,
                                     unsigned long* type) {
    qtv::EnumeratedValue value;
    LONG result = EnumerateCurrent(value);
    if (result != ERROR_SUCCESS) return result;
    // The caller's buffer has the snapshot's m_dwMaxValueLen bytes; a value
    // that grew to fill them leaves no room for the zero byte written after.
    if (value.size >= m_pEntry->m_dwMaxValueLen) return ERROR_MORE_DATA;
    name = value.name;
    *type = value.type;
    *size = value.size;
    memcpy(data, value.data.get(), value.size);
    data[value.size] = 0;
    return ERROR_SUCCESS;
}

LONG CRegValueIterator::CurrentValue(CString& name, CRegData& data) {
    qtv::EnumeratedValue value;
    LONG result = EnumerateCurrent(value);
    if (result != ERROR_SUCCESS) return result;
    name = value.name;
    data = CRegData(value.data.get(), value.size, value.type);
    return ERROR_SUCCESS;
}

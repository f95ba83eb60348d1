#include "qtvutils/registry.h"

#include <memory>

LONG CRegEntry::CopyStructure(CRegEntry* const target) {
    m_lLastError = ERROR_SUCCESS;
    // The copy writes through its own entry on the target's key, so the
    // target's snapshot and last result are left as they were.
    std::unique_ptr<CRegEntry> writer(target ? Open(target->m_hKey, "", KEY_WRITE) : nullptr);
    if (!writer) return m_lLastError = ERROR_NOT_ENOUGH_MEMORY;
    CopySubtree(*this, *writer);
    return m_lLastError;
}

// The running result lives in this entry's m_lLastError: the first failure
// in a walk of subkeys ends that walk and skips the key's own values.
void CRegEntry::CopySubtree(CRegEntry& source, CRegEntry& target) {
    m_lLastError = ERROR_SUCCESS;
    CRegSubkeyIterator subkeys(&source);
    while (m_lLastError == ERROR_SUCCESS && subkeys.Next()) {
        CString name;
        if ((m_lLastError = subkeys.CurrentSubkey(name)) != ERROR_SUCCESS) break;
        // A child that cannot be opened or created is skipped.
        std::unique_ptr<CRegEntry> from(OpenExisting(&source, name));
        std::unique_ptr<CRegEntry> to(CreateNew(&target, name));
        if (from && to) CopySubtree(*from, *to);
    }
    if (m_lLastError == ERROR_SUCCESS) m_lLastError = CopyValues(source, target);
}

// Every value is read and written, whatever failed before it; a failed write
// stays in the target's own result. The result is the last value's read.
LONG CRegEntry::CopyValues(CRegEntry& source, CRegEntry& target) {
    LONG result = ERROR_SUCCESS;
    CRegValueIterator values(&source);
    while (values.Next()) {
        CString name;
        CRegData data;
        result = values.CurrentValue(name, data);
        if (result == ERROR_SUCCESS) target.SetValueData(name, data);
    }
    return result;
}

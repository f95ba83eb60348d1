#include "qtvutils/registry.h"

#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace {

// A key's subkeys and values as they were read. The whole source is read
// before anything is written, so a target inside the source (whose copy
// would otherwise be walked as part of the source, and copied again into
// itself without end) gets the source as it was when the copy began.
struct KeyImage {
    struct Child {
        CString name;
        std::unique_ptr<KeyImage> image;  // null: the child could not be opened
    };
    std::vector<Child> children;
    std::vector<std::pair<CString, CRegData>> values;
};

// Reads what the copy writes: every subkey, depth first, then the key's
// values. A subkey whose name cannot be read or whose reading ends in failure
// ends the walk of its siblings and skips its parent's values, with that
// result; a value that cannot be read is skipped, and the result is the read
// result of the key's last value.
LONG ReadKey(CRegEntry& source, KeyImage& image) {
    LONG result = ERROR_SUCCESS;
    CRegSubkeyIterator subkeys(&source);
    while (result == ERROR_SUCCESS && subkeys.Next()) {
        CString name;
        if ((result = subkeys.CurrentSubkey(name)) != ERROR_SUCCESS) break;
        image.children.push_back({name, nullptr});
        // A child that cannot be opened is still created in the target, empty.
        std::unique_ptr<CRegEntry> child(CRegEntry::OpenExisting(&source, name));
        if (!child) continue;
        image.children.back().image.reset(new KeyImage);
        result = ReadKey(*child, *image.children.back().image);
    }
    if (result != ERROR_SUCCESS) return result;
    CRegValueIterator values(&source);
    while (values.Next()) {
        CString name;
        CRegData data;
        result = values.CurrentValue(name, data);
        if (result == ERROR_SUCCESS) image.values.emplace_back(name, data);
    }
    return result;
}

// A child that cannot be created is skipped; a failed write stays in the
// target's own result.
void WriteKey(const KeyImage& image, CRegEntry& target) {
    for (const KeyImage::Child& child : image.children) {
        std::unique_ptr<CRegEntry> to(CRegEntry::CreateNew(&target, child.name));
        if (to && child.image) WriteKey(*child.image, *to);
    }
    for (const auto& value : image.values) target.SetValueData(value.first, value.second);
}

}  // namespace

LONG CRegEntry::CopyStructure(CRegEntry* const target) {
    m_lLastError = ERROR_SUCCESS;
    // The copy writes through its own entry on the target's key, so the
    // target's snapshot and last result are left as they were.
    std::unique_ptr<CRegEntry> writer(target ? Open(target->m_hKey, "", KEY_WRITE) : nullptr);
    if (!writer) return m_lLastError = ERROR_NOT_ENOUGH_MEMORY;
    try {
        KeyImage image;
        m_lLastError = ReadKey(*this, image);
        WriteKey(image, *writer);
    } catch (const std::bad_alloc&) {
        m_lLastError = ERROR_NOT_ENOUGH_MEMORY;
    }
    return m_lLastError;
}

#include "registry/snapshot_read.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace qtv {

std::unique_ptr<unsigned char[]> AllocBytes(DWORD n) {
    return std::unique_ptr<unsigned char[]>(new (std::nothrow) unsigned char[n ? n : 1]);
}

CString TextUpToZero(const unsigned char* data, DWORD size) {
    const char* text = reinterpret_cast<const char*>(data);
    return CString(text, static_cast<int>(strnlen(text, size)));
}

LONG EnumerateValue(HKEY key, DWORD index, DWORD nameCapacity, DWORD dataCapacity,
                    EnumeratedValue& out) {
    std::unique_ptr<unsigned char[]> name = AllocBytes(nameCapacity);
    std::unique_ptr<unsigned char[]> data = AllocBytes(dataCapacity);
    if (!name || !data) return ERROR_NOT_ENOUGH_MEMORY;
    DWORD nameLen = nameCapacity, type = 0, size = dataCapacity;
    LONG result = RegEnumValueA(key, index, reinterpret_cast<char*>(name.get()), &nameLen, nullptr,
                                &type, data.get(), &size);
    if (result != ERROR_SUCCESS) return result;
    out.name = CString(reinterpret_cast<const char*>(name.get()),
                       static_cast<int>(std::min(nameLen, nameCapacity)));
    out.type = type;
    out.size = std::min(size, dataCapacity);
    out.data = std::move(data);
    return ERROR_SUCCESS;
}

}  // namespace qtv

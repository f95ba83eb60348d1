// Reads sized from a CRegEntry's count snapshot. The platform never writes
// more than the capacity it is given, and the sizes it reports back are
// clamped to that capacity, so a key that changed since the snapshot gives
// 234 or a shorter read, never an overrun.
#pragma once

#include "qtvutils/framework.h"

#include <memory>

namespace qtv {

// A buffer of n bytes (at least one), or null when memory is exhausted.
std::unique_ptr<unsigned char[]> AllocBytes(DWORD n);

// The bytes up to the first zero byte, never past size: registry text need
// not be terminated.
CString TextUpToZero(const unsigned char* data, DWORD size);

struct EnumeratedValue {
    CString name;
    DWORD type = 0;
    DWORD size = 0;
    std::unique_ptr<unsigned char[]> data;  // dataCapacity bytes, size of them read
};

// RegEnumValueA at index with a name buffer of nameCapacity characters and a
// data buffer of dataCapacity bytes; 8 when a buffer cannot be allocated.
LONG EnumerateValue(HKEY key, DWORD index, DWORD nameCapacity, DWORD dataCapacity,
                    EnumeratedValue& out);

}  // namespace qtv

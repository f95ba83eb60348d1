// Owners of the two kinds of device context the resource code holds for a
// while, in the family of src/framework/scoped_handle.h.
#pragma once

#include "framework/scoped_handle.h"

namespace qtv {

// The screen's context (GetDC of no window), given back with ReleaseDC.
struct ScreenDcTraits {
    using Handle = HDC;
    static bool Valid(HDC h) { return h != nullptr; }
    static bool Close(HDC h) { return ReleaseDC(nullptr, h) == 1; }
};

// A context of CreateCompatibleDC, deleted with DeleteDC.
struct MemoryDcTraits {
    using Handle = HDC;
    static bool Valid(HDC h) { return h != nullptr; }
    static bool Close(HDC h) { return DeleteDC(h) != FALSE; }
};

using ScopedScreenDc = Scoped<ScreenDcTraits>;
using ScopedMemoryDc = Scoped<MemoryDcTraits>;

}  // namespace qtv

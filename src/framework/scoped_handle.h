// Move-only owners of the platform's handles, each closed when its owner
// goes. One template, one traits struct per kind of handle; the library uses
// these inside its implementation wherever it holds a handle for a while.
// Public classes keep their raw handle fields (the suite's programs read
// them) and close them through CloseField.
#pragma once

#include <windows.h>

#include <utility>

namespace qtv {

template <typename Traits>
class Scoped {
public:
    using Handle = typename Traits::Handle;

    Scoped() = default;
    explicit Scoped(Handle h) : m_h(h) {}
    ~Scoped() { Close(); }
    Scoped(Scoped&& other) noexcept : m_h(other.Release()) {}
    Scoped& operator=(Scoped&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;

    Handle Get() const { return m_h; }
    explicit operator bool() const { return Traits::Valid(m_h); }

    // For the platform's out-parameters; closes what was held first.
    Handle* Receive() {
        Close();
        return &m_h;
    }
    // Gives the handle up without closing it.
    Handle Release() {
        Handle h = m_h;
        m_h = Handle();
        return h;
    }
    void Reset(Handle h = Handle()) {
        Close();
        m_h = h;
    }
    // Closes the handle now; the platform's answer, or true when nothing
    // was held.
    bool Close() {
        bool ok = true;
        if (Traits::Valid(m_h)) ok = Traits::Close(m_h);
        m_h = Handle();
        return ok;
    }

    // Closes a raw handle field of a public class and clears it; as Close.
    static bool CloseField(Handle& field) { return Scoped(std::exchange(field, Handle())).Close(); }

private:
    Handle m_h = Handle();
};

struct KeyTraits {
    using Handle = HKEY;
    static bool Valid(HKEY h) { return h != nullptr; }
    static bool Close(HKEY h) { return RegCloseKey(h) == ERROR_SUCCESS; }
};

// Kernel objects: some calls report failure with null, others (CreateFile)
// with INVALID_HANDLE_VALUE; neither is closed.
struct KernelTraits {
    using Handle = HANDLE;
    static bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static bool Close(HANDLE h) { return CloseHandle(h) != FALSE; }
};

struct ModuleTraits {
    using Handle = HMODULE;
    static bool Valid(HMODULE h) { return h != nullptr; }
    static bool Close(HMODULE h) { return FreeLibrary(h) != FALSE; }
};

struct HookTraits {
    using Handle = HHOOK;
    static bool Valid(HHOOK h) { return h != nullptr; }
    static bool Close(HHOOK h) { return UnhookWindowsHookEx(h) != FALSE; }
};

// A thread-pool timer: stopped, its running callback waited for, then closed,
// so nothing the callback uses may go before the owner does.
struct TimerTraits {
    using Handle = PTP_TIMER;
    static bool Valid(PTP_TIMER h) { return h != nullptr; }
    static bool Close(PTP_TIMER h) {
        SetThreadpoolTimer(h, nullptr, 0, 0);
        WaitForThreadpoolTimerCallbacks(h, TRUE);
        CloseThreadpoolTimer(h);
        return true;
    }
};

// Bitmaps, palettes, brushes and the like: any object DeleteObject takes.
template <typename T>
struct GdiTraits {
    using Handle = T;
    static bool Valid(T h) { return h != nullptr; }
    static bool Close(T h) { return DeleteObject(h) != FALSE; }
};

using ScopedKey = Scoped<KeyTraits>;
using ScopedHandle = Scoped<KernelTraits>;
using ScopedModule = Scoped<ModuleTraits>;
using ScopedHook = Scoped<HookTraits>;
using ScopedTimer = Scoped<TimerTraits>;
template <typename T>
using ScopedGdi = Scoped<GdiTraits<T>>;

}  // namespace qtv

// A move-only owner of one open registry key handle, closed when it goes.
#pragma once

#include <windows.h>

namespace qtv {

class ScopedKey {
public:
    ScopedKey() = default;
    explicit ScopedKey(HKEY h) : m_h(h) {}
    ~ScopedKey() { Reset(); }
    ScopedKey(ScopedKey&& other) noexcept : m_h(other.Release()) {}
    ScopedKey& operator=(ScopedKey&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;

    HKEY Get() const { return m_h; }
    // For the platform's out-parameters; closes what was held first.
    HKEY* Receive() {
        Reset();
        return &m_h;
    }
    HKEY Release() {
        HKEY h = m_h;
        m_h = nullptr;
        return h;
    }
    void Reset(HKEY h = nullptr) {
        if (m_h) RegCloseKey(m_h);
        m_h = h;
    }

private:
    HKEY m_h = nullptr;
};

}  // namespace qtv

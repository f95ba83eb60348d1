// A router's registrations: its own copies, in the order they were made,
// which is handle order (handles only grow). Found by handle with a binary
// search, walked by position; cheap at any count, in any order of removal.
#pragma once

#include "qtvutils/message_registration.h"

#include <memory>
#include <vector>

namespace qtv {

class RegistrationTable {
public:
    static const size_t npos = static_cast<size_t>(-1);

    // Stores a copy of the registration under the handle, which must be
    // greater than every handle stored before. Exhausted memory throws.
    CMessageRegistration& Add(UINT nHandle, CMessageRegistration& registration);
    // The live position with the handle, or npos.
    size_t Find(UINT nHandle) const;
    // The first live position at or after pos, or npos.
    size_t Next(size_t pos) const;
    CMessageRegistration& At(size_t pos) { return *m_slots[pos].pRegistration; }
    // Destroys the registration at a live position.
    void Remove(size_t pos);
    size_t Count() const { return m_nLive; }

    // Held by whoever walks the table by position: while any walk is under
    // way a removed registration's slot stays (empty), so every position
    // keeps naming the same registration however receivers change the table.
    class Walk {
    public:
        explicit Walk(RegistrationTable& table) : m_table(table) { ++m_table.m_nWalks; }
        ~Walk() {
            if (--m_table.m_nWalks == 0) m_table.Compact();
        }
        Walk(const Walk&) = delete;
        Walk& operator=(const Walk&) = delete;

    private:
        RegistrationTable& m_table;
    };

private:
    struct Slot {
        UINT nHandle;
        std::unique_ptr<CMessageRegistration> pRegistration;  // null once removed
    };
    // Drops the empty slots once they are as many as the live ones.
    void Compact();

    std::vector<Slot> m_slots;
    size_t m_nLive = 0;
    unsigned m_nWalks = 0;
};

}  // namespace qtv

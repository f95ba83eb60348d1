#include "routing/registration_table.h"

#include <algorithm>

namespace qtv {

CMessageRegistration& RegistrationTable::Add(UINT nHandle, CMessageRegistration& registration) {
    std::unique_ptr<CMessageRegistration> copy(new CMessageRegistration);
    *copy = registration;
    m_slots.push_back(Slot{nHandle, std::move(copy)});
    ++m_nLive;
    return *m_slots.back().pRegistration;
}

size_t RegistrationTable::Find(UINT nHandle) const {
    auto it = std::lower_bound(m_slots.begin(), m_slots.end(), nHandle,
                               [](const Slot& slot, UINT n) { return slot.nHandle < n; });
    return it != m_slots.end() && it->nHandle == nHandle && it->pRegistration ? it - m_slots.begin() : npos;
}

size_t RegistrationTable::Next(size_t pos) const {
    for (; pos < m_slots.size(); ++pos)
        if (m_slots[pos].pRegistration) return pos;
    return npos;
}

void RegistrationTable::Remove(size_t pos) {
    m_slots[pos].pRegistration.reset();
    --m_nLive;
    if (m_nWalks == 0) Compact();
}

void RegistrationTable::Compact() {
    if (m_slots.size() - m_nLive <= m_nLive) return;
    m_slots.erase(std::remove_if(m_slots.begin(), m_slots.end(), [](const Slot& slot) { return !slot.pRegistration; }),
                  m_slots.end());
}

}  // namespace qtv

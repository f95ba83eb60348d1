// Receivers for router tests: each records the notifications it is handed, so
// a test compares the whole recording against an expected table.
#pragma once

#include "qtvutils/routing.h"

#include <functional>
#include <initializer_list>
#include <ostream>
#include <vector>

namespace qtvtest {

struct Call {
    char who;
    UINT handle;   // of the registration served; 0 for commands and handle-addressed calls
    UINT type;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;

    bool operator==(const Call& o) const {
        return who == o.who && handle == o.handle && type == o.type && message == o.message &&
               wParam == o.wParam && lParam == o.lParam;
    }
};

inline std::ostream& operator<<(std::ostream& os, const Call& c) {
    return os << "{" << c.who << " h" << c.handle << " t" << c.type << " m" << c.message << " w"
              << c.wParam << " l" << c.lParam << "}";
}

class Recorder : public CNotifyTarget {
public:
    Recorder(char who, std::vector<Call>* log, BOOL accept = FALSE, LRESULT result = 0)
        : m_who(who), m_log(log), m_accept(accept), m_result(result) {}

    BOOL Notify(CMessageNotification* n) override {
        m_log->push_back({m_who, n->m_pRegistration ? n->m_pRegistration->GetHandle() : 0, n->m_nType,
                          n->m_message, n->m_wParam, n->m_lParam});
        m_seen.push_back(n);
        if (onNotify) onNotify(n);
        if (m_accept) n->m_lResult = m_result;
        return m_accept;
    }

    std::function<void(CMessageNotification*)> onNotify;
    std::vector<CMessageNotification*> m_seen;

private:
    char m_who;
    std::vector<Call>* m_log;
    BOOL m_accept;
    LRESULT m_result;
};

// Registers the receiver with the router for the messages; returns the handle.
inline UINT Listen(CMessagePipe& router, CNotifyTarget* target, std::initializer_list<UINT> messages) {
    CMessageRegistration reg;
    for (UINT m : messages) reg.AddMessageToList(m);
    reg.SetNotifyTarget(target);
    return router.RegisterForNotifications(reg);
}

}  // namespace qtvtest

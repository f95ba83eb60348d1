// Receivers for router tests and one scene of them: each receiver records the
// notifications it is handed, so a test compares the whole recording against
// an expected table.
#pragma once

#include "qtvutils/routing.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <tuple>

namespace qtvtest {

// Who was called (a letter), the handle of the registration served (0 for
// commands and handle-addressed calls), and the notification's type,
// message, wParam and lParam.
using Call = std::tuple<char, UINT, UINT, UINT, WPARAM, LPARAM>;

// Who was called, in order, since the last look.
inline std::string Who(std::vector<Call>& log) {
    std::string who;
    for (const Call& call : log) who += std::get<0>(call);
    log.clear();
    return who;
}

// Records each call, runs onNotify, writes `result` into the notification
// when it is not 0 (accepting or not), and answers `accept`. A driver text is
// kept with its holder's reference count on arrival, and the receiver's
// reference released as every receiver must.
class Recorder : public CNotifyTarget {
public:
    Recorder(char who, std::vector<Call>* log, BOOL accept = FALSE, LRESULT result = 0)
        : m_who(who), m_log(log), m_accept(accept), m_result(result) {}

    BOOL Notify(CMessageNotification* n) override {
        m_log->emplace_back(m_who, n->m_pRegistration ? n->m_pRegistration->GetHandle() : 0, n->m_nType, n->m_message,
                            n->m_wParam, n->m_lParam);
        if (n->m_message == DPM_TEXT) {
            auto* pText = reinterpret_cast<CDriverPipeText*>(n->m_wParam);
            texts.push_back(static_cast<const char*>(pText->m_strText));
            counts.push_back(pText->GetRefCount());
            pText->Release();
        }
        if (onNotify) onNotify(n);
        if (m_result) n->m_lResult = m_result;
        return m_accept;
    }

    std::function<void(CMessageNotification*)> onNotify;
    std::vector<std::string> texts;
    std::vector<LONG> counts;

private:
    char m_who;
    std::vector<Call>* m_log;
    BOOL m_accept;
    LRESULT m_result;
};

// Registers the receiver with the router for the messages and commands;
// returns the handle.
inline UINT Listen(CMessagePipe& router, CNotifyTarget* target, std::initializer_list<UINT> messages,
                   std::initializer_list<UINT> commands = {}) {
    CMessageRegistration reg;
    for (UINT m : messages) reg.AddMessageToList(m);
    for (UINT c : commands) reg.AddCommandToList(c);
    reg.SetNotifyTarget(target);
    return router.RegisterForNotifications(reg);
}

// A router and recorders named by letters, all recording into one log.
struct Scene {
    Scene() : initialized(router.Initialize()) {}
    Recorder& Add(char who, std::initializer_list<UINT> messages, std::initializer_list<UINT> commands = {},
                  BOOL accept = FALSE, LRESULT result = 0) {
        receivers.emplace_back(new Recorder(who, &log, accept, result));
        handles[who] = Listen(router, receivers.back().get(), messages, commands);
        return *receivers.back();
    }
    BOOL Drop(char who) { return router.UnRegisterNotification(handles[who]); }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageA(router.GetSafeHwnd(), message, wParam, lParam);
    }

    CMessagePipe router;
    BOOL initialized;
    std::vector<Call> log;
    std::vector<std::unique_ptr<Recorder>> receivers;  // they leave the router before it goes
    std::map<char, UINT> handles;
};

struct RouterTest : ::testing::Test, Scene {
    void SetUp() override { ASSERT_TRUE(initialized); }
};

}  // namespace qtvtest

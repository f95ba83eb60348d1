// A plug-in built on the library, for a host that loads and unloads it: runs
// a router with one receiver and returns the answer to a message sent to it.
#include "qtvutils/routing.h"

namespace {

class CAnswer : public CNotifyTarget {
public:
    BOOL Notify(CMessageNotification* n) override {
        n->m_lResult = 42;
        return TRUE;
    }
};

}  // namespace

extern "C" __declspec(dllexport) LRESULT RunRouter(UINT message) {
    CMessagePipe router;
    if (!router.Initialize()) return -1;
    CAnswer answer;
    CMessageRegistration reg;
    reg.AddMessageToList(message);
    reg.SetNotifyTarget(&answer);
    router.RegisterForNotifications(reg);
    return SendMessageA(router.GetSafeHwnd(), message, 0, 0);
}

// Creates a router, registers a receiver for one message, broadcasts that
// message to the router window and prints what the receiver answered.
#include <qtvutils/qtvutils.h>

#include <cstdio>

namespace {

const UINT kHello = WM_APP + 1;

class Answering : public CNotifyTarget {
public:
    BOOL Notify(CMessageNotification* notification) override {
        notification->m_lResult = notification->m_wParam * 2;
        return TRUE;
    }
};

}  // namespace

int main() {
    CMessagePipe router;
    if (!router.Initialize()) {
        std::printf("the router window could not be created\n");
        return 1;
    }
    Answering receiver;
    CMessageRegistration registration;
    registration.AddMessageToList(kHello);
    registration.SetNotifyTarget(&receiver);
    UINT handle = router.RegisterForNotifications(registration);

    LRESULT answer = SendMessageA(router.GetSafeHwnd(), kHello, 21, 0);
    std::printf("registration %u answered %lld\n", handle, static_cast<long long>(answer));
    router.UnRegisterNotification(handle);
    return answer == 42 ? 0 : 1;
}

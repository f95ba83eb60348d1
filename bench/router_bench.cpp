// The cost of one broadcast through the router (a message sent to the router
// window, served to its matching receiver, the result returned) against a raw
// SendMessageA to a bare window procedure doing the same trivial work.
#include "qtvutils/routing.h"

#include "bench_timer.h"

namespace {

const UINT kMsg = WM_APP + 1;
volatile LONG g_work = 0;

// The trivial work both sides do: count the call and answer.
LRESULT Work(WPARAM wParam) {
    g_work = g_work + 1;
    return static_cast<LRESULT>(wParam) + 1;
}

LRESULT CALLBACK BareProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kMsg) return Work(wParam);
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

class CWorker : public CNotifyTarget {
public:
    BOOL Notify(CMessageNotification* n) override {
        n->m_lResult = Work(n->m_wParam);
        return TRUE;
    }
};

double TimeSend(HWND hWnd) {
    return qtvbench::TimePerCall([hWnd] { SendMessageA(hWnd, kMsg, 1, 2); }, 20000);
}

}  // namespace

int main() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = BareProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QtvBenchBareWindow";
    RegisterClassA(&wc);
    HWND bare = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);

    CMessagePipe router;
    if (!bare || !router.Initialize()) return 1;
    HWND hRouter = router.GetSafeHwnd();
    CWorker worker;
    CMessageRegistration match;
    match.AddMessageToList(kMsg);
    match.SetNotifyTarget(&worker);

    router.RegisterForNotifications(match);
    double raw = TimeSend(bare), lib = TimeSend(hRouter);
    qtvbench::Report("broadcast, 1 registration", lib, raw, "<= 2x");

    // 99 more registrations, none of them for the message: the matching one
    // comes last.
    router.UnRegisterNotification(match.GetHandle());
    for (UINT i = 0; i < 99; ++i) {
        CMessageRegistration other;
        if (i % 2) {
            other.SetMessageFrom(WM_APP + 100 + i * 10);
            other.SetMessageTo(WM_APP + 105 + i * 10);
        } else {
            other.AddMessageToList(WM_APP + 2 + i);
        }
        other.SetNotifyTarget(&worker);
        router.RegisterForNotifications(other);
    }
    router.RegisterForNotifications(match);
    raw = TimeSend(bare);
    lib = TimeSend(hRouter);
    qtvbench::Report("broadcast, 100 registrations, 1 matching", lib, raw, "<= 4x");
    DestroyWindow(bare);
    return 0;
}

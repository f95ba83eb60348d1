// The cost of one broadcast through the router (a message sent to the router
// window, served to its matching receiver, the result returned) against a raw
// SendMessageA to a bare window procedure doing the same trivial work; and the
// time to take 100,000 registrations out again, newest first and at random.
#include "qtvutils/routing.h"

#include "bench_timer.h"

#include <algorithm>
#include <random>
#include <vector>

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

std::vector<UINT> RegisterMany(CMessagePipe& router, CNotifyTarget& target, UINT count) {
    std::vector<UINT> handles;
    for (UINT i = 0; i < count; ++i) {
        CMessageRegistration reg;
        reg.AddMessageToList(WM_APP + 1000 + i % 100);
        reg.SetNotifyTarget(&target);
        handles.push_back(router.RegisterForNotifications(reg));
    }
    return handles;
}

// Milliseconds to unregister the handles in the order given.
double UnregisterAll(CMessagePipe& router, const std::vector<UINT>& handles) {
    double t0 = qtvbench::NowSeconds();
    for (UINT h : handles) router.UnRegisterNotification(h);
    return (qtvbench::NowSeconds() - t0) * 1e3;
}

void ManyRegistrations(CMessagePipe& router, CNotifyTarget& target) {
    const UINT kMany = 100000;
    double t0 = qtvbench::NowSeconds();
    std::vector<UINT> handles = RegisterMany(router, target, kMany);
    double registering = (qtvbench::NowSeconds() - t0) * 1e3;
    std::reverse(handles.begin(), handles.end());
    double newestFirst = UnregisterAll(router, handles);
    handles = RegisterMany(router, target, kMany);
    std::shuffle(handles.begin(), handles.end(), std::mt19937(11));
    double random = UnregisterAll(router, handles);
    printf("100,000 registrations: registered in %.1f ms; unregistered newest first in %.1f ms, "
           "in random order in %.1f ms  (goal < 100 ms each)\n",
           registering, newestFirst, random);
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
    ManyRegistrations(router, worker);
    DestroyWindow(bare);
    return 0;
}

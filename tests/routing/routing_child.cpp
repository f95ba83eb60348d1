// The second process of the routing tests. The parent starts it with a mode
// and what the mode needs on the command line; the child writes what it saw
// into a report file (one line per event) and its exit code says whether it
// could run the scenario at all.
//
//   forward <report> <style> <callback>  register remotely, trigger messages at
//                                        the router, record what is forwarded
//   hostile <report>                     send malformed registration blocks
//   router <ready-event> <quit-event>    run a router until told to quit
#include "qtvutils/routing.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const DWORD kWaitMs = 10000;
const UINT kFence = 599;

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool sent;
};
std::vector<Received> g_received;
int g_fences = 0;

LRESULT CALLBACK RecordingProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= 500 && message <= 800) {
        g_received.push_back({message, wParam, lParam, (InSendMessageEx(nullptr) & ISMEX_SEND) != 0});
        if (message == kFence) ++g_fences;
        return 0;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

HWND CreateRecordingWindow() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QtvRoutingChildWindow";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
}

bool PumpUntilFences(int n) {
    const ULONGLONG deadline = GetTickCount64() + kWaitMs;
    MSG msg;
    while (g_fences < n) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        if (g_fences >= n) break;
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    }
    return true;
}

int Forward(const char* reportPath, NOTIFY_STYLE style, UINT callback) {
    FILE* report = fopen(reportPath, "w");
    HWND hWnd = CreateRecordingWindow();
    HWND hRouter = FindWindowA(QTV_ROUTER_WINDOW_CLASS, nullptr);
    if (!report || !hWnd || !hRouter) return 2;

    CMessageRegistration reg;
    reg.SetMessageFrom(500);
    reg.SetMessageTo(598);
    reg.SetNotifyStyle(style);
    reg.SetCallbackMessage(callback);
    UINT handle = CRemoteMessagePipe::RegisterForNotifications(hWnd, reg);
    CMessageRegistration fence;
    fence.AddMessageToList(kFence);
    fence.SetNotifyStyle(NOTIFY_STYLE_POST);
    UINT fenceHandle = CRemoteMessagePipe::RegisterForNotifications(hWnd, fence);
    fprintf(report, "handles %u %u\n", handle, fenceHandle);
    fprintf(report, "caller %u %d %d\n", reg.GetHandle(), reg.GetMessagePipe() == nullptr,
            reg.GetWindowHandle() == hWnd);

    // Sent triggers are served before SendMessage returns; a posted fence
    // after a posted trigger arrives after its forward.
    SendMessageA(hRouter, 550, 11, 22);
    SendMessageA(hRouter, 560, 33, 44);
    PostMessageA(hRouter, 570, 55, 66);
    PostMessageA(hRouter, kFence, 0, 0);
    bool ok = PumpUntilFences(1);

    // Unregistration is posted too: the fence after it proves it was done.
    CRemoteMessagePipe::UnRegisterNotification(handle);
    PostMessageA(hRouter, kFence, 1, 0);
    ok = ok && PumpUntilFences(2);
    SendMessageA(hRouter, 550, 77, 88);
    PostMessageA(hRouter, kFence, 2, 0);
    ok = ok && PumpUntilFences(3);
    CRemoteMessagePipe::UnRegisterNotification(fenceHandle);

    for (const Received& r : g_received)
        fprintf(report, "%s %u %llu %lld\n", r.sent ? "sent" : "posted", r.message,
                static_cast<unsigned long long>(r.wParam), static_cast<long long>(r.lParam));
    fclose(report);
    return ok ? 0 : 3;
}

// Sends one copy-data request with the given bytes and reports the answer.
void SendBlock(FILE* report, HWND hRouter, const char* name, ULONG_PTR tag, const std::vector<DWORD>& words,
               DWORD cbData) {
    COPYDATASTRUCT cds = {tag, cbData, cbData ? const_cast<DWORD*>(words.data()) : nullptr};
    LRESULT r = SendMessageA(hRouter, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
    fprintf(report, "%s %lld\n", name, static_cast<long long>(r));
}

int Hostile(const char* reportPath) {
    FILE* report = fopen(reportPath, "w");
    HWND hRouter = FindWindowA(QTV_ROUTER_WINDOW_CLASS, nullptr);
    if (!report || !hRouter) return 2;
    // size, from, to, window, callback, style, M, N, then the lists.
    auto block = [](DWORD size, DWORD m, DWORD n, std::vector<DWORD> lists) {
        std::vector<DWORD> w = {size, 0, 0, 0, 0, 7, m, n};
        w.insert(w.end(), lists.begin(), lists.end());
        w.push_back(0);
        return w;
    };
    const DWORD kProbe = 0x7777;
    std::vector<DWORD> good = block(44, 1, 1, {0x7778, 40001});
    SendBlock(report, hRouter, "other-tag", 67, good, 44);
    SendBlock(report, hRouter, "no-data", 68, good, 0);
    SendBlock(report, hRouter, "short-data", 68, block(36, 0, 0, {}), 35);
    SendBlock(report, hRouter, "size-below-36", 68, block(35, 1, 0, {kProbe}), 40);
    SendBlock(report, hRouter, "size-above-data", 68, block(100, 1, 0, {kProbe}), 40);
    SendBlock(report, hRouter, "list-beyond-data", 68, block(40, 2, 0, {kProbe}), 40);
    SendBlock(report, hRouter, "huge-count", 68, block(40, 0xFFFFFFFF, 0, {kProbe}), 40);
    // 36 + 4 * (M + N) wraps to 36 in 32-bit arithmetic.
    SendBlock(report, hRouter, "wrapping-counts", 68, block(36, 0x40000000, 0x40000000, {kProbe}), 40);
    SendBlock(report, hRouter, "valid", 68, good, 44);
    fclose(report);
    return 0;
}

int Router(const char* readyName, const char* quitName) {
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, readyName);
    HANDLE quit = OpenEventA(SYNCHRONIZE, FALSE, quitName);
    if (!ready || !quit) return 2;
    CMessagePipe router;
    if (!router.Initialize()) return 3;
    SetEvent(ready);
    const ULONGLONG deadline = GetTickCount64() + 4 * kWaitMs;
    MSG msg;
    for (;;) {
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) return 4;
        DWORD r = MsgWaitForMultipleObjects(1, &quit, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) return 0;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "forward" && argc == 5)
        return Forward(argv[2], static_cast<NOTIFY_STYLE>(atoi(argv[3])), static_cast<UINT>(atoi(argv[4])));
    if (mode == "hostile" && argc == 3) return Hostile(argv[2]);
    if (mode == "router" && argc == 4) return Router(argv[2], argv[3]);
    return 1;
}

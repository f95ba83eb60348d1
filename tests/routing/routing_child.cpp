// The second process of the routing tests. The parent starts it with a mode
// and what the mode needs on the command line; the child writes what it saw
// into a report file (one line per event) and its exit code says whether it
// could run the scenario at all.
//
//   forward <report> <style> <callback>  register remotely, trigger messages at
//                                        the router, record what is forwarded
//   hostile <report>                     send malformed registration blocks and
//                                        junk DPM_TEXT
//   router <ready-event> <quit-event>    run a router until told to quit
//   window <ready-event> <quit-event>    create a window and wait until told to quit
//   driver <report> <initialized> <go> <ack> <item...>
//                                        a driver-pipe client: initialise, wait for
//                                        go, then write the items (see Driver)
//   flood <initialized> <go> <id> <count>  write numbered text records
#include "qtvutils/routing.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const DWORD kWaitMs = 10000;
const UINT kFence = 599;
const UINT kEcho = 650;  // this process's own remote registration

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool sent;
};
std::vector<Received> g_received;
int g_fences = 0;

LRESULT CALLBACK RecordingProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if ((message >= 500 && message <= 800) || message == DPM_TEXT) {
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

// Whether the router still forwards to this process's remote registration
// (made at the first call), and has sent it no text holder.
bool RouterServes(HWND hRouter) {
    static CMessageRegistration echo;
    if (!echo.GetMessageListCount()) {
        echo.AddMessageToList(kEcho);
        echo.AddMessageToList(DPM_TEXT);  // no text holder may ever reach this process
        echo.SetNotifyStyle(NOTIFY_STYLE_SEND);
        CRemoteMessagePipe::RegisterForNotifications(CreateRecordingWindow(), echo);
    }
    size_t before = g_received.size();
    SendMessageA(hRouter, kEcho, 0, 0);
    return g_received.size() > before &&
           std::none_of(g_received.begin(), g_received.end(), [](const Received& r) { return r.message == DPM_TEXT; });
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

HANDLE OpenNamedEvent(const char* name) { return OpenEventA(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, name); }

// Waits for an event while serving this thread's messages.
bool WaitServing(HANDLE h) {
    const ULONGLONG deadline = GetTickCount64() + kWaitMs;
    MSG msg;
    for (;;) {
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        DWORD r = MsgWaitForMultipleObjects(1, &h, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) return true;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
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
    if (!RouterServes(hRouter)) fprintf(report, "not served after %s\n", name);
}

int Hostile(const char* reportPath) {
    FILE* report = fopen(reportPath, "w");
    HWND hRouter = FindWindowA(QTV_ROUTER_WINDOW_CLASS, nullptr);
    HWND hWnd = CreateRecordingWindow();
    if (!report || !hRouter || !hWnd) return 2;
    // DPM_TEXT naming no text holder the router made.
    PostMessageA(hRouter, DPM_TEXT, 0x12345678, 0);
    PostMessageA(hRouter, DPM_TEXT, 0, 0);
    // size, from, to, window, callback, style, M, N, then the lists.
    auto block = [hWnd](DWORD size, DWORD m, DWORD n, std::vector<DWORD> lists) {
        std::vector<DWORD> w = {size, 0, 0, static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(hWnd)), 0, 7, m, n};
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
    std::vector<DWORD> broadcast = block(40, 1, 0, {kProbe});
    broadcast[3] = 0xFFFF;  // HWND_BROADCAST: the router must not become a loudspeaker
    SendBlock(report, hRouter, "broadcast-window", 68, broadcast, 40);
    std::vector<DWORD> toRouter = block(40, 1, 0, {kProbe}), toNoWindow = toRouter;
    toRouter[3] = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(hRouter));  // would pass each message back for ever
    toNoWindow[3] = 0;
    SendBlock(report, hRouter, "router-window", 68, toRouter, 40);
    SendBlock(report, hRouter, "no-window", 68, toNoWindow, 40);
    SendBlock(report, hRouter, "valid", 68, good, 44);
    fclose(report);
    return 0;
}

int Router(const char* readyName, const char* quitName) {
    HANDLE ready = OpenNamedEvent(readyName), quit = OpenNamedEvent(quitName);
    if (!ready || !quit) return 2;
    CMessagePipe router;
    if (!router.Initialize()) return 3;
    SetEvent(ready);
    return WaitServing(quit) ? 0 : 4;
}

int Window(const char* readyName, const char* quitName) {
    HANDLE ready = OpenNamedEvent(readyName), quit = OpenNamedEvent(quitName);
    HWND hWnd = CreateRecordingWindow();
    if (!ready || !quit || !hWnd) return 2;
    SetEvent(ready);
    return WaitServing(quit) ? 0 : 4;
}

std::vector<BYTE> FromHex(const char* hex) {
    std::vector<BYTE> bytes;
    for (size_t i = 0; hex[i] && hex[i + 1]; i += 2) {
        char pair[3] = {hex[i], hex[i + 1], 0};
        bytes.push_back(static_cast<BYTE>(strtoul(pair, nullptr, 16)));
    }
    return bytes;
}

// Items, written in order:
//   t:<text>            a text record
//   b:<code>:<n>        a record of another code with n payload bytes
//   raw:<hex>           bytes written straight into the pipe, then DPM_DATAREADY
//   quiet:<hex>         the same, with nothing posted
//   sync                post the parent's fence message and wait for its ack (a
//                       receiver there was served); then the router must still
//                       forward to this process
int Driver(int argc, char** argv) {
    FILE* report = fopen(argv[2], "w");
    HANDLE initialized = OpenNamedEvent(argv[3]), go = OpenNamedEvent(argv[4]), ack = OpenNamedEvent(argv[5]);
    if (!report || !initialized || !go || !ack) return 2;
    CDriverPipe client;
    BOOL first = client.InitialClientSide();
    BOOL second = client.InitialClientSide();
    fprintf(report, "initialized %d %d\n", first, second);
    fflush(report);
    SetEvent(initialized);
    if (WaitForSingleObject(go, kWaitMs) != WAIT_OBJECT_0) return 4;

    int failures = 0;
    for (int i = 6; i < argc; ++i) {
        std::string item = argv[i];
        BOOL ok = TRUE;
        if (item.rfind("t:", 0) == 0) {
            ok = client.WriteDataToClientPipe(static_cast<UINT>(item.size() - 1), DPM_TEXT, &item[2]);
        } else if (item.rfind("b:", 0) == 0) {
            UINT code = 0, n = 0;
            sscanf(item.c_str(), "b:%u:%u", &code, &n);
            std::vector<char> payload(n + 1, 'x');
            ok = client.WriteDataToClientPipe(n, code, payload.data());
        } else if (item.rfind("raw:", 0) == 0 || item.rfind("quiet:", 0) == 0) {
            std::vector<BYTE> bytes = FromHex(item.c_str() + item.find(':') + 1);
            DWORD written = 0;
            ok = WriteFile(client.m_hClientWritePipe, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                           nullptr);
            if (item[0] == 'r') PostMessageA(client.m_hRouterWnd, DPM_DATAREADY, 0, 0);
        } else if (item == "sync") {
            ResetEvent(ack);
            PostMessageA(client.m_hRouterWnd, WM_APP + 77, 0, 0);
            ok = WaitForSingleObject(ack, kWaitMs) == WAIT_OBJECT_0 && RouterServes(client.m_hRouterWnd);
        }
        fprintf(report, "%s %d\n", item.c_str(), ok);
        failures += !ok;
    }
    fclose(report);
    return failures ? 3 : 0;
}

// Record texts are "w<id>:<seq>:" and a run of one letter whose length and
// letter follow from seq, so the reader can check each record whole.
int Flood(const char* initializedName, const char* goName, int id, int count) {
    HANDLE initialized = OpenNamedEvent(initializedName), go = OpenNamedEvent(goName);
    if (!initialized || !go) return 2;
    CDriverPipe client;
    if (!client.InitialClientSide()) return 3;
    SetEvent(initialized);
    if (WaitForSingleObject(go, kWaitMs) != WAIT_OBJECT_0) return 4;
    char text[CDriverPipe::DriverPipeCapacity];
    for (int seq = 0; seq < count; ++seq) {
        int n = snprintf(text, sizeof text, "w%d:%d:", id, seq);
        int pad = (seq * 37) % 1500;
        memset(text + n, 'a' + seq % 26, pad);
        text[n + pad] = '\0';
        if (!client.WriteDataToClientPipe(n + pad + 1, DPM_TEXT, text)) return 5;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "forward" && argc == 5)
        return Forward(argv[2], static_cast<NOTIFY_STYLE>(atoi(argv[3])), static_cast<UINT>(atoi(argv[4])));
    if (mode == "hostile" && argc == 3) return Hostile(argv[2]);
    if (mode == "router" && argc == 4) return Router(argv[2], argv[3]);
    if (mode == "window" && argc == 4) return Window(argv[2], argv[3]);
    if (mode == "driver" && argc >= 6) return Driver(argc, argv);
    if (mode == "flood" && argc == 6) return Flood(argv[2], argv[3], atoi(argv[4]), atoi(argv[5]));
    return 1;
}

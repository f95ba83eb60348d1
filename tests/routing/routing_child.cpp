// The second process of the routing tests. The parent starts it with a mode
// and what the mode needs on the command line; the child writes what it saw
// into a report file (one line per event) and its exit code says whether it
// could run the scenario at all.
//
//   forward <report> <style> <callback>  register remotely, trigger messages at
//                                        the router, record what is forwarded
//   router <ready> <quit> [<hang>]       run a router (with a driver pipe) until
//                                        told to quit; with <hang>, stop serving
//                                        it once that event is set, and set
//                                        <ready> again
//   window <ready-event> <quit-event>    create a window and wait until told to quit
//   peer <report> <initialized> <go> <ack> <row...>
//                                        a driver-pipe client and remote peer:
//                                        initialise, wait for go, then act out the
//                                        rows (see Peer)
//   flood <initialized> <go> <id> <count>  write numbered text records
//   orphan <ready> <message>             register for the message by send and by
//                                        post, then end without unregistering
#include "qtvutils/routing.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const DWORD kWaitMs = 10000;
const UINT kFence = 599;
const UINT kEcho = 650;                  // the peer's own remote registration
const UINT kParentFence = WM_APP + 77;   // what the parent answers with its ack event

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

int Router(const char* readyName, const char* quitName, const char* hangName) {
    HANDLE ready = OpenNamedEvent(readyName), quit = OpenNamedEvent(quitName);
    HANDLE hang = hangName ? OpenNamedEvent(hangName) : nullptr;
    if (!ready || !quit || (hangName && !hang)) return 2;
    CMessagePipe router;
    CDriverPipe server;
    if (!router.Initialize() || !server.InitialServerSide() || !server.Register(&router)) return 3;
    SetEvent(ready);
    if (!hang) return WaitServing(quit) ? 0 : 4;
    if (!WaitServing(hang)) return 4;
    SetEvent(ready);  // hung: no message of the router's is served any more
    return WaitForSingleObject(quit, 2 * kWaitMs) == WAIT_OBJECT_0 ? 0 : 4;
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

// One row is one argument: actions joined by '+', each reported by a number
// (0 or 1 for success unless said otherwise), the row's numbers on one line.
//   t:<text>             a text record
//   b:<code>:<n>         a record of another code with n payload bytes
//   raw:<hex>            bytes written straight into the pipe, nothing posted
//   stall                a whole record that fills the pipe, nothing posted
//   ready                post DPM_DATAREADY
//   post:<msg>:<w>:<l>   post a message to the router
//   send:<msg>:<w>:<l>   send it; reports the answer
//   block:<tag>:<cb>:<words>  send a copy-data request of the comma-separated
//                        words (W: this peer's window, R: the router's, X: a
//                        window that has gone); reports whether it got a handle
//   ipc:<handle>         post an unregistration request
//   listen               register this peer's window for DPM_TEXT
//   replay               post each DPM_TEXT the window got back, twice;
//                        reports how many it got
//   sync                 post the parent's fence and wait for its ack
//   check                sync, then prove the router still forwards to this
//                        peer's own remote registration
class Peer {
public:
    Peer(HANDLE ack, HWND hWnd) : m_ack(ack), m_hWnd(hWnd) {}

    bool Initialize() { return m_client.InitialClientSide() && (m_hRouter = m_client.m_hRouterWnd) != nullptr; }

    std::string Row(int row, const std::string& actions) {
        std::string results;
        for (size_t start = 0; start <= actions.size();) {
            size_t end = actions.find('+', start);
            if (end == std::string::npos) end = actions.size();
            results += (results.empty() ? "" : " ") + std::to_string(Act(row, actions.substr(start, end - start)));
            start = end + 1;
        }
        return results;
    }

private:
    long long Act(int row, const std::string& a) {
        unsigned long long x = 0, y = 0, z = 0;
        if (a.rfind("t:", 0) == 0)
            return m_client.WriteDataToClientPipe(static_cast<UINT>(a.size() - 1), DPM_TEXT, const_cast<char*>(&a[2]));
        if (sscanf(a.c_str(), "b:%llu:%llu", &x, &y) == 2) {
            std::vector<char> payload(y + 1, 'x');
            return m_client.WriteDataToClientPipe(static_cast<UINT>(y), static_cast<UINT>(x), payload.data());
        }
        if (a.rfind("raw:", 0) == 0) return Raw(FromHex(a.c_str() + 4));
        if (a == "stall") {
            std::vector<BYTE> record(CDriverPipe::DriverPipeCapacity, 'S');
            const DWORD header[2] = {CDriverPipe::DriverPipeCapacity - 8, DPM_TEXT};
            memcpy(record.data(), header, 8);
            record.back() = 0;
            return Raw(record);
        }
        if (a == "ready") return PostMessageA(m_hRouter, DPM_DATAREADY, 0, 0);
        if (sscanf(a.c_str(), "post:%lli:%lli:%lli", &x, &y, &z) == 3) return PostMessageA(m_hRouter, UINT(x), y, z);
        if (sscanf(a.c_str(), "send:%lli:%lli:%lli", &x, &y, &z) == 3) {
            DWORD_PTR answer = 0xdead;
            SendMessageTimeoutA(m_hRouter, UINT(x), y, z, SMTO_NORMAL, kWaitMs, &answer);
            return static_cast<long long>(answer);
        }
        if (a.rfind("block:", 0) == 0) return Block(a);
        if (sscanf(a.c_str(), "ipc:%lli", &x) == 1)
            return PostMessageA(m_hRouter, RegisterWindowMessageA(QTV_IPC_MESSAGE), QTV_IPC_UNREGISTER, x);
        if (a == "listen") return Register(DPM_TEXT, NOTIFY_STYLE_POST) != 0;
        if (a == "replay") {
            long long n = 0;
            for (const Received& r : std::vector<Received>(g_received)) {
                if (r.message != DPM_TEXT) continue;
                ++n;
                PostMessageA(m_hRouter, DPM_TEXT, r.wParam, 0);
                PostMessageA(m_hRouter, DPM_TEXT, r.wParam, 0);
            }
            return n;
        }
        if (a == "sync") return Sync(row);
        if (a == "check") {
            if (!Sync(row) || (!m_echo && !(m_echo = Register(kEcho, NOTIFY_STYLE_SEND)))) return 0;
            size_t before = g_received.size();
            DWORD_PTR ignored;
            SendMessageTimeoutA(m_hRouter, kEcho, row, 0, SMTO_NORMAL, kWaitMs, &ignored);
            return g_received.size() == before + 1 && g_received.back().message == kEcho &&
                   g_received.back().wParam == WPARAM(row);
        }
        return -1;
    }

    long long Raw(const std::vector<BYTE>& bytes) {
        DWORD written = 0;
        return WriteFile(m_client.m_hClientWritePipe, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    }

    bool Sync(int row) {
        ResetEvent(m_ack);
        return PostMessageA(m_hRouter, kParentFence, row, 0) && WaitServing(m_ack);
    }

    UINT Register(UINT message, NOTIFY_STYLE style) {
        CMessageRegistration reg;
        reg.AddMessageToList(message);
        reg.SetNotifyStyle(style);
        return CRemoteMessagePipe::RegisterForNotifications(m_hWnd, reg);
    }

    long long Block(const std::string& a) {
        unsigned long long tag = 0, cb = 0;
        int prefix = 0;
        if (sscanf(a.c_str(), "block:%lli:%lli:%n", &tag, &cb, &prefix) != 2) return -1;
        HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        DestroyWindow(gone);
        std::vector<DWORD> words;
        for (const char* p = a.c_str() + prefix; *p; p += *p == ',') {
            HWND w = *p == 'W' ? m_hWnd : *p == 'R' ? m_hRouter : *p == 'X' ? gone : nullptr;
            char* end = const_cast<char*>(p);
            words.push_back(w ? DWORD(reinterpret_cast<ULONG_PTR>(w)) : DWORD(strtoul(p, &end, 0)));
            p = w ? p + 1 : end;
        }
        COPYDATASTRUCT cds = {ULONG_PTR(tag), DWORD(cb), cb ? words.data() : nullptr};
        DWORD_PTR handle = 0;
        SendMessageTimeoutA(m_hRouter, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_NORMAL, kWaitMs, &handle);
        // Whatever was registered goes again at once: a registration that
        // should have been refused must not stay to loop.
        if (handle) CRemoteMessagePipe::UnRegisterNotification(UINT(handle));
        return handle != 0;
    }

    HANDLE m_ack;
    HWND m_hWnd;
    HWND m_hRouter = nullptr;
    CDriverPipe m_client;
    UINT m_echo = 0;
};

int PeerMode(int argc, char** argv) {
    FILE* report = fopen(argv[2], "w");
    HANDLE initialized = OpenNamedEvent(argv[3]), go = OpenNamedEvent(argv[4]), ack = OpenNamedEvent(argv[5]);
    HWND hWnd = CreateRecordingWindow();
    if (!report || !initialized || !go || !ack || !hWnd) return 2;
    Peer peer(ack, hWnd);
    if (!peer.Initialize()) return 3;
    SetEvent(initialized);
    if (WaitForSingleObject(go, kWaitMs) != WAIT_OBJECT_0) return 4;
    for (int i = 6; i < argc; ++i) {
        fprintf(report, "%s\n", peer.Row(i - 6, argv[i]).c_str());
        fflush(report);
    }
    fclose(report);
    return 0;
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

int Orphan(const char* readyName, UINT message) {
    HANDLE ready = OpenNamedEvent(readyName);
    HWND hWnd = CreateRecordingWindow();
    if (!ready || !hWnd) return 2;
    for (NOTIFY_STYLE style : {NOTIFY_STYLE_SEND, NOTIFY_STYLE_POST}) {
        CMessageRegistration reg;
        reg.AddMessageToList(message);
        reg.SetNotifyStyle(style);
        if (!CRemoteMessagePipe::RegisterForNotifications(hWnd, reg)) return 3;
    }
    SetEvent(ready);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "forward" && argc == 5)
        return Forward(argv[2], static_cast<NOTIFY_STYLE>(atoi(argv[3])), static_cast<UINT>(atoi(argv[4])));
    if (mode == "router" && (argc == 4 || argc == 5)) return Router(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
    if (mode == "window" && argc == 4) return Window(argv[2], argv[3]);
    if (mode == "peer" && argc >= 6) return PeerMode(argc, argv);
    if (mode == "orphan" && argc == 4) return Orphan(argv[2], static_cast<UINT>(atoi(argv[3])));
    if (mode == "flood" && argc == 6) return Flood(argv[2], argv[3], atoi(argv[4]), atoi(argv[5]));
    return 1;
}

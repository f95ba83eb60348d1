// The second process of the routing tests. The parent starts it with a mode
// and what the mode needs on the command line; exit code 2 says it could not
// run the scenario at all.
//
//   remote <report>         register remotely in every notify style, then send
//                           hostile requests, each followed by a look at what
//                           the router still forwards; a report line for each
//                           with an answer or forwards out of the ordinary
//   window                  a window, kept for a while
//   driver <initialized> <go> <ack> <item...>
//                           a driver-pipe client writing the items (see Driver)
#include "qtvutils/routing.h"

#include "support/test_support.h"

#include <cstdio>

namespace {

const UINT kFence = 599;
std::string g_received;  // "sent|posted message wParam lParam, ..."
std::vector<UINT> g_handles;

LRESULT CALLBACK RecordingProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if ((message < 500 || message > 800) && message != DPM_TEXT) return DefWindowProcA(hWnd, message, wParam, lParam);
    char line[80];
    snprintf(line, sizeof line, "%s %u %llu %lld, ", InSendMessageEx(nullptr) & ISMEX_SEND ? "sent" : "posted", message,
             static_cast<unsigned long long>(wParam), static_cast<long long>(lParam));
    g_received += line;
    return 0;
}

HWND CreateRecordingWindow() {
    HWND hWnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc));
    return hWnd;
}

// This process's registrations, made at the first call: 510..519 to be sent
// (listing DPM_TEXT and WM_COPYDATA too), 520 by default, 530 posted, 540 in
// an unknown style, and the fence posted. Returns what the router forwards
// when 515, 520, 530 and 540 are sent to it, up to the fence.
std::string Forwards(HWND hRouter) {
    if (g_handles.empty()) {
        HWND hWnd = CreateRecordingWindow();
        const struct { UINT from, to, style; std::vector<UINT> list; } regs[] = {
            {510, 519, NOTIFY_STYLE_SEND, {DPM_TEXT, WM_COPYDATA}}, {0, 0, NOTIFY_STYLE_DEFAULT, {520}},
            {0, 0, NOTIFY_STYLE_POST, {530}}, {0, 0, 7, {540}}, {0, 0, NOTIFY_STYLE_POST, {kFence}}};
        for (const auto& r : regs) {
            CMessageRegistration reg;
            reg.SetMessageFrom(r.from);
            reg.SetMessageTo(r.to);
            for (UINT m : r.list) reg.AddMessageToList(m);
            reg.SetNotifyStyle(static_cast<NOTIFY_STYLE>(r.style));
            reg.SetCallbackMessage(777);  // never used
            g_handles.push_back(CRemoteMessagePipe::RegisterForNotifications(hWnd, reg));
            // The caller's window is set, its handle and router are not.
            if (reg.GetHandle() || reg.GetMessagePipe() || reg.GetWindowHandle() != hWnd) g_handles.back() = 0;
        }
    }
    g_received.clear();
    for (UINT m : {515, 520, 530, 540}) SendMessageA(hRouter, m, m + 1, m + 2);
    PostMessageA(hRouter, kFence, 0, 0);
    qtvtest::PumpUntil([] { return g_received.find(" 599 ") != std::string::npos; });
    return g_received;
}

const char kServed[] = "sent 515 516 517, posted 520 521 522, posted 530 531 532, posted 599 0 0, ";

void Remote(FILE* report, HWND hRouter) {
    Forwards(hRouter);
    for (UINT handle : g_handles) fprintf(report, "%u ", handle);
    fprintf(report, "\n");
    HWND hWnd = CreateRecordingWindow();
    // A registration request: the tag, the bytes handed over, then the block's size word, counts, lists and
    // window (1: this process's); from, to and callback are 0, the style unknown.
    auto request = [&](ULONG_PTR tag, DWORD cbData, DWORD size, DWORD m, DWORD n, std::vector<DWORD> lists,
                       DWORD window = 1) {
        if (window == 1) window = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(hWnd));
        lists.insert(lists.begin(), {size, 0, 0, window, 0, 7, m, n});
        lists.push_back(0);  // the reserved word
        COPYDATASTRUCT cds = {tag, cbData, cbData ? lists.data() : nullptr};
        return SendMessageA(hRouter, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
    };
    const UINT ipc = RegisterWindowMessageA(QTV_IPC_MESSAGE);
    const DWORD kProbe = 0x7777, router = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(hRouter));
    const struct { const char* name; std::function<LRESULT()> send; } rows[] = {
        {"text-junk", [&] { return SendMessageA(hRouter, DPM_TEXT, 0x12345678, 0); }},
        {"text-null", [&] { return SendMessageA(hRouter, DPM_TEXT, 0, 0); }},
        {"other-tag", [&] { return request(67, 44, 44, 1, 1, {0x7778, 40001}); }},
        {"no-data", [&] { return request(68, 0, 44, 1, 1, {0x7778, 40001}); }},
        {"short-data", [&] { return request(68, 35, 36, 0, 0, {}); }},
        {"size-below-36", [&] { return request(68, 40, 35, 1, 0, {kProbe}); }},
        {"size-above-data", [&] { return request(68, 40, 100, 1, 0, {kProbe}); }},
        {"list-beyond-data", [&] { return request(68, 40, 40, 2, 0, {kProbe}); }},
        {"huge-count", [&] { return request(68, 40, 40, 0xFFFFFFFF, 0, {kProbe}); }},
        // 36 + 4 * (M + N) wraps to 36 in 32-bit arithmetic.
        {"wrapping-counts", [&] { return request(68, 40, 36, 0x40000000, 0x40000000, {kProbe}); }},
        {"broadcast-window", [&] { return request(68, 40, 40, 1, 0, {kProbe}, 0xFFFF); }},
        {"router-window", [&] { return request(68, 40, 40, 1, 0, {kProbe}, router); }},
        {"no-window", [&] { return request(68, 40, 40, 1, 0, {kProbe}, 0); }},
        {"unregister-bridge", [&] { return SendMessageA(hRouter, ipc, QTV_IPC_UNREGISTER, 1); }},
        {"unregister-unknown", [&] { return SendMessageA(hRouter, ipc, QTV_IPC_UNREGISTER, 99); }},
        {"other-ipc-code", [&] { return SendMessageA(hRouter, ipc, QTV_IPC_UNREGISTER + 1, g_handles[0]); }},
        // Only the router destroys its window; these come from outside.
        {"ncdestroy-sent", [&] { return SendMessageA(hRouter, WM_NCDESTROY, 0, 0); }},
        {"destroy-sent", [&] { return SendMessageA(hRouter, WM_DESTROY, 0, 0); }},
        {"ncdestroy-posted", [&] { return !PostMessageA(hRouter, WM_NCDESTROY, 0, 0); }},
        {"destroy-posted", [&] { return !PostMessageA(hRouter, WM_DESTROY, 0, 0); }},
        // The registration listing WM_COPYDATA has the request forwarded; it
        // is served once.
        {"valid", [&] { return request(68, 44, 44, 1, 1, {0x7778, 40001}); }},
    };
    for (const auto& row : rows) {  // reported when the answer is not 0 or the forwards changed
        const long long result = row.send();
        const std::string forwards = Forwards(hRouter);
        if (result || forwards != kServed) fprintf(report, "%s %lld: %s\n", row.name, result, forwards.c_str());
    }
    // Unregistration is posted: the next look's fence comes after it.
    CRemoteMessagePipe::UnRegisterNotification(g_handles[0]);
    Forwards(hRouter);
    fprintf(report, "unregistered: %s\n", Forwards(hRouter).c_str());
}

// Items, written in order; exit code 10 + the index of the first that did
// not go through, 0 when all did:
//   t:<text>            a text record
//   b:<code>:<n>        a record of another code with n payload bytes
//   raw:<hex>           bytes written straight into the pipe, then DPM_DATAREADY
//   quiet:<hex>         the same, with nothing posted
//   n:<id>:<count>      count text records "w<id>:<seq>:" and a run of one
//                       letter whose length and letter follow from seq
//   sync                post the parent's fence (WM_APP + 77) and wait for its
//                       ack; then the router must still forward in every style
int Driver(char** argv, int nItems) {
    qtvtest::NamedEvent initialized(argv[0]), go(argv[1]), ack(argv[2]);
    CDriverPipe client;
    const BOOL ready = client.InitialClientSide();
    initialized.Set();
    if (!ready || !go.Wait()) return 2;
    for (int i = 0; i < nItems; ++i) {
        std::string item = argv[3 + i];
        UINT a = 0, b = 0;
        BOOL ok = TRUE;
        if (item.rfind("t:", 0) == 0) {
            ok = client.WriteDataToClientPipe(static_cast<UINT>(item.size() - 1), DPM_TEXT, &item[2]);
        } else if (sscanf(item.c_str(), "b:%u:%u", &a, &b) == 2) {
            ok = client.WriteDataToClientPipe(b, a, &std::string(b, 'x')[0]);
        } else if (sscanf(item.c_str(), "n:%u:%u", &a, &b) == 2) {
            for (UINT seq = 0; seq < b && ok; ++seq) {
                std::string text = "w" + std::to_string(a) + ":" + std::to_string(seq) + ":";
                text.append((seq * 37) % 1500, static_cast<char>('a' + seq % 26));
                ok = client.WriteDataToClientPipe(static_cast<UINT>(text.size() + 1), DPM_TEXT, &text[0]);
            }
        } else if (item.rfind("raw:", 0) == 0 || item.rfind("quiet:", 0) == 0) {
            std::vector<BYTE> bytes;
            for (const char* hex = item.c_str() + item.find(':') + 1; sscanf(hex, "%2x", &a) == 1; hex += 2)
                bytes.push_back(static_cast<BYTE>(a));
            DWORD size = static_cast<DWORD>(bytes.size());
            ok = WriteFile(client.m_hClientWritePipe, bytes.data(), size, &size, nullptr);
            if (item[0] == 'r') PostMessageA(client.m_hRouterWnd, DPM_DATAREADY, 0, 0);
        } else if (item == "sync") {
            ResetEvent(ack.Handle());
            PostMessageA(client.m_hRouterWnd, WM_APP + 77, 0, 0);
            ok = ack.Wait() && Forwards(client.m_hRouterWnd) == kServed;
        }
        if (!ok) return 10 + i;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "window") return CreateRecordingWindow() && !qtvtest::PumpUntil([] { return false; }) ? 0 : 2;
    if (mode == "driver" && argc >= 5) return Driver(argv + 2, argc - 5);
    FILE* report = mode == "remote" && argc > 2 ? fopen(argv[2], "wb") : nullptr;
    HWND hRouter = CRemoteMessagePipe::FindRouterWindow();
    if (!report || !hRouter) return 2;
    Remote(report, hRouter);
    fclose(report);
    return 0;
}

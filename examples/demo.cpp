// A short tour of the library in real processes: this process runs a router
// with receivers of its own, then starts itself again as a second process
// that registers remotely and receives forwarded messages in its window.
#include "qtvutils/qtvutils.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const DWORD kWaitMs = 10000;
const UINT kRangeFirst = WM_APP, kRangeLast = WM_APP + 9;
const UINT kListed = WM_APP + 5;
const UINT kCommand = 40001;
const UINT kRemoteSent = WM_APP + 20, kRemotePosted = WM_APP + 21;

void Say(const char* who, const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));
void Say(const char* who, const char* format, ...) {
    va_list args;
    va_start(args, format);
    CString text;
    text.FormatV(format, args);
    va_end(args);
    printf("[%-6s] %s\n", who, static_cast<const char*>(text));
    fflush(stdout);
}

// Dispatches messages until the handle is signalled or the time is up.
bool PumpUntil(HANDLE h, DWORD timeoutMs = kWaitMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        DWORD r = MsgWaitForMultipleObjects(1, &h, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) return true;
    }
}

// A receiver in the router's process: prints what it is told.
class CPrintingReceiver : public CNotifyTarget {
public:
    CPrintingReceiver(const char* name, LRESULT result) : m_name(name), m_result(result) {}

    BOOL Notify(CMessageNotification* n) override {
        if (n->m_nType == 2)
            Say("router", "%s: command %u", m_name, n->m_message);
        else
            Say("router", "%s: message 0x%X (wParam %llu, lParam %lld) -> answers %lld", m_name, n->m_message,
                static_cast<unsigned long long>(n->m_wParam), static_cast<long long>(n->m_lParam),
                static_cast<long long>(m_result));
        n->m_lResult = m_result;
        return TRUE;
    }

private:
    const char* m_name;
    LRESULT m_result;
};

// ---- the second process -------------------------------------------------

int g_remoteReceived = 0;

LRESULT CALLBACK RemoteWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRemoteSent || message == kRemotePosted) {
        bool sent = InSendMessageEx(nullptr) & ISMEX_SEND;
        Say("remote", "window got 0x%X (wParam %llu), %s", message, static_cast<unsigned long long>(wParam),
            sent ? "sent" : "posted");
        ++g_remoteReceived;
        return 0;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

int RunRemote(const char* readyName) {
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, readyName);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RemoteWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QtvDemoRemoteWindow";
    RegisterClassA(&wc);
    HWND hWnd = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
    if (!ready || !hWnd) return 2;

    CMessageRegistration bySend, byPost;
    bySend.AddMessageToList(kRemoteSent);
    bySend.SetNotifyStyle(NOTIFY_STYLE_SEND);
    byPost.AddMessageToList(kRemotePosted);
    byPost.SetNotifyStyle(NOTIFY_STYLE_POST);
    UINT hSend = CRemoteMessagePipe::RegisterForNotifications(hWnd, bySend);
    UINT hPost = CRemoteMessagePipe::RegisterForNotifications(hWnd, byPost);
    Say("remote", "registered remotely: handle %u (by send), handle %u (by post)", hSend, hPost);
    SetEvent(ready);

    const ULONGLONG deadline = GetTickCount64() + kWaitMs;
    while (g_remoteReceived < 2 && GetTickCount64() < deadline) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
    CRemoteMessagePipe::UnRegisterNotification(hSend);
    CRemoteMessagePipe::UnRegisterNotification(hPost);
    Say("remote", "unregistered both; exiting");
    return g_remoteReceived == 2 ? 0 : 3;
}

// ---- the router's process -----------------------------------------------

bool RunRemoteScenario(CMessagePipe& router) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    CString readyName;
    readyName.Format("qtv-demo-ready-%lu", GetCurrentProcessId());
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, readyName);
    CString cmd;
    cmd.Format("\"%s\" remote %s", exe, static_cast<const char*>(readyName));
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(exe, cmd.GetBuffer(0), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    cmd.ReleaseBuffer();
    Say("router", "started the second process (pid %lu)", pi.dwProcessId);

    bool ok = PumpUntil(ready);  // the child registers through our window meanwhile
    if (ok) {
        Say("router", "remote registrations: %u for 0x%X, %u for 0x%X", router.CountHandlers(kRemoteSent),
            kRemoteSent, router.CountHandlers(kRemotePosted), kRemotePosted);
        SendMessageA(router.GetSafeHwnd(), kRemoteSent, 1, 0);
        PostMessageA(router.GetSafeHwnd(), kRemotePosted, 2, 0);
        ok = PumpUntil(pi.hProcess);
    }
    if (!ok) TerminateProcess(pi.hProcess, 9);
    DWORD code = 9;
    GetExitCodeProcess(pi.hProcess, &code);
    MSG msg;  // the child's unregistration requests
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Say("router", "second process ended (exit %lu); remote registrations left: %u", code,
        router.CountHandlers(kRemoteSent) + router.CountHandlers(kRemotePosted));
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CloseHandle(ready);
    return ok && code == 0;
}

int RunRouter() {
    CMessagePipe router;
    if (!router.Initialize()) {
        Say("router", "could not create the router window");
        return 1;
    }
    Say("router", "router window 0x%llX created", reinterpret_cast<unsigned long long>(router.GetSafeHwnd()));

    CPrintingReceiver rangeReceiver("range receiver", 1), listReceiver("list receiver", 2);
    CMessageRegistration range, list;
    range.SetMessageFrom(kRangeFirst);
    range.SetMessageTo(kRangeLast);
    range.SetNotifyTarget(&rangeReceiver);
    list.AddMessageToList(kListed);
    list.AddCommandToList(kCommand);
    list.SetNotifyTarget(&listReceiver);
    Say("router", "range 0x%X..0x%X registered as handle %u", kRangeFirst, kRangeLast,
        router.RegisterForNotifications(range));
    Say("router", "list {0x%X, command %u} registered as handle %u", kListed, kCommand,
        router.RegisterForNotifications(list));

    LRESULT r = SendMessageA(router.GetSafeHwnd(), kListed, 7, 8);
    Say("router", "broadcast of 0x%X answered %lld (the last receiver that accepted decides)", kListed,
        static_cast<long long>(r));
    SendMessageA(router.GetSafeHwnd(), WM_COMMAND, kCommand, 0);

    CMessageNotification sent, posted;
    sent.m_message = posted.m_message = kListed;
    sent.m_wParam = 100;
    posted.m_wParam = 200;
    r = router.SendMessageToHandler(range.GetHandle(), sent);
    Say("router", "sent to handle %u directly, result %lld", range.GetHandle(), static_cast<long long>(r));
    router.PostMessageToHandler(list.GetHandle(), posted);
    Say("router", "posted to handle %u; delivered by the message loop:", list.GetHandle());
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);

    bool ok = RunRemoteScenario(router);
    Say("router", ok ? "done" : "the remote scenario failed");
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "remote") == 0) return RunRemote(argv[2]);
    return RunRouter();
}

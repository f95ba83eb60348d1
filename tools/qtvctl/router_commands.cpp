#include "commands.h"
#include "report.h"

#include "qtvutils/routing.h"

#include <cstdio>

namespace {

// How long send waits for the router's answer.
const UINT kSendTimeoutMs = 10000;
// How often monitor looks whether the router is still there.
const DWORD kRouterCheckMs = 200;
// How long a console that is being closed waits for monitor to unregister.
const DWORD kCloseGraceMs = 5000;

// The console's Ctrl+C handler runs on a thread of its own: it sets the first
// event, on which monitor's loop waits, and on a close waits for the second,
// set once monitor has unregistered. Both live while the handler is installed.
HANDLE g_hStopMonitor;
HANDLE g_hMonitorDone;

BOOL WINAPI OnConsoleControl(DWORD event) {
    SetEvent(g_hStopMonitor);
    // The process ends when the handler returns from a close, logoff or
    // shutdown event: give the loop the time to unregister first.
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) WaitForSingleObject(g_hMonitorDone, kCloseGraceMs);
    return TRUE;
}

// Forwarded messages are only ever printed. A close request that another
// process sends to the window is refused, so that the registration keeps its
// window until monitor unregisters it.
LRESULT CALLBACK MonitorWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return message == WM_CLOSE ? 0 : DefWindowProcA(hWnd, message, wParam, lParam);
}

// The names of the router's own messages and the hook's reports.
const char* MessageName(UINT message) {
    static const UINT kIpc = RegisterWindowMessageA(QTV_IPC_MESSAGE);
    static const UINT kRouter = RegisterWindowMessageA(QTV_ROUTER_MESSAGE);
    if (message == kIpc) return "QTV_IPC_MESSAGE";
    if (message == kRouter) return "QTV_ROUTER_MESSAGE";
    switch (message) {
    case WM_COPYDATA: return "WM_COPYDATA";
    case QTV_HOOK_CBT_REPORT: return "QTV_HOOK_CBT_REPORT";
    case QTV_HOOK_SHELL_REPORT: return "QTV_HOOK_SHELL_REPORT";
    case DPM_DATAREADY: return "DPM_DATAREADY";
    case DPM_GETWRITEHANDLE: return "DPM_GETWRITEHANDLE";
    case DPM_TEXT: return "DPM_TEXT";
    }
    return "-";
}

int NoRouter() { return Complain(kExitNoRouter, "no router is running"); }

// A hidden message-only window: it receives what is posted to it and no
// broadcasts.
class MonitorWindow {
public:
    MonitorWindow() {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = MonitorWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "qtvctl monitor";
        RegisterClassA(&wc);
        m_hWnd = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    }
    ~MonitorWindow() {
        if (m_hWnd) DestroyWindow(m_hWnd);
    }
    HWND m_hWnd;
};

// Ctrl+C, and the console's close, for the time monitor runs.
class ConsoleStop {
public:
    ConsoleStop() {
        g_hStopMonitor = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        g_hMonitorDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (Ready()) SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    }
    ~ConsoleStop() {
        SetConsoleCtrlHandler(OnConsoleControl, FALSE);
        for (HANDLE h : {g_hStopMonitor, g_hMonitorDone}) {
            if (!h) continue;
            SetEvent(h);
            CloseHandle(h);
        }
    }
    bool Ready() const { return g_hStopMonitor && g_hMonitorDone; }
    bool Stopped() const { return WaitForSingleObject(g_hStopMonitor, 0) == WAIT_OBJECT_0; }
};

}  // namespace

int RunMonitor(const Options& o) {
    const HWND hRouter = CRemoteMessagePipe::FindRouterWindow();
    if (!hRouter) return NoRouter();
    MonitorWindow window;
    if (!window.m_hWnd) return Complain(kExitFailed, "cannot make a window: %s", CodeText(GetLastError()).c_str());

    // Posted, never sent: a sending router would wait on this process.
    CMessageRegistration registration;
    registration.SetNotifyStyle(NOTIFY_STYLE_POST);
    if (!(o.given & (kOptRange | kOptMessage))) {
        registration.SetMessageFrom(0);
        registration.SetMessageTo(0xFFFFFFFF);
    } else if (o.rangeFirst < o.rangeLast) {
        registration.SetMessageFrom(o.rangeFirst);
        registration.SetMessageTo(o.rangeLast);
    } else if (o.given & kOptRange) {
        registration.AddMessageToList(o.rangeFirst);  // a range of one message
    }
    for (UINT message : o.messages) registration.AddMessageToList(message);

    ConsoleStop stop;
    if (!stop.Ready()) return Complain(kExitFailed, "cannot make an event: %s", CodeText(GetLastError()).c_str());

    // Registered with the router found and unregistered from that one, even
    // if another router comes first by then.
    const UINT nHandle = CRemoteMessagePipe::RegisterForNotifications(hRouter, window.m_hWnd, registration);
    if (!nHandle) {
        if (!IsWindow(hRouter)) return NoRouter();
        return Complain(kExitFailed, "the router did not take the registration");
    }

    const ULONGLONG start = GetTickCount64();
    const ULONGLONG end = (o.given & kOptSeconds) ? start + o.seconds * 1000ull : ~0ull;
    const bool counted = (o.given & kOptCount) != 0;
    UINT printed = 0;
    bool routerGone = false;
    for (;;) {
        MSG msg;
        while (!(counted && printed == o.count) && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            // A forwarded message is printed and never dispatched: its
            // parameters belong to the router's process (a WM_TIMER's lParam
            // would be called as a procedure).
            if (msg.hwnd != window.m_hWnd) {
                DispatchMessageA(&msg);
                continue;
            }
            printf("%8llu 0x%04X %-21s 0x%llX 0x%llX\n", GetTickCount64() - start, msg.message,
                   MessageName(msg.message), static_cast<unsigned long long>(msg.wParam),
                   static_cast<unsigned long long>(static_cast<ULONG_PTR>(msg.lParam)));
            fflush(stdout);
            ++printed;
        }
        if (counted && printed == o.count) break;
        const ULONGLONG now = GetTickCount64();
        if (now >= end || stop.Stopped()) break;
        if (!IsWindow(hRouter)) {
            routerGone = true;
            break;
        }
        const DWORD wait = static_cast<DWORD>(end - now < kRouterCheckMs ? end - now : kRouterCheckMs);
        MsgWaitForMultipleObjects(1, &g_hStopMonitor, FALSE, wait, QS_ALLINPUT);
    }
    // A router that has gone took the registration with it.
    if (routerGone) return Complain(kExitNoRouter, "the router has gone away");
    CRemoteMessagePipe::UnRegisterNotification(hRouter, nHandle);
    return kExitOk;
}

int RunSend(const Options& o) {
    unsigned long long message = 0, wParam = 0, lParam = 0;
    const unsigned long long kPointerMax = static_cast<ULONG_PTR>(-1);
    if (!ParseNumber(o.args[0], 0xFFFFFFFFull, false, message))
        return Complain(kExitUsage, "bad message number \"%s\"", o.args[0].c_str());
    if (o.args.size() > 1 && !ParseNumber(o.args[1], kPointerMax, true, wParam))
        return Complain(kExitUsage, "bad wParam \"%s\"", o.args[1].c_str());
    if (o.args.size() > 2 && !ParseNumber(o.args[2], kPointerMax, true, lParam))
        return Complain(kExitUsage, "bad lParam \"%s\"", o.args[2].c_str());
    // Below WM_USER the system copies what some messages' parameters point
    // to, and a number taken for a pointer would fault here or in the router.
    if (message < WM_USER && message != WM_NULL && message != WM_CLOSE && message != WM_COMMAND)
        return Complain(kExitUsage, "message 0x%llX is a system message that qtvctl does not send; it sends WM_NULL, "
                                    "WM_CLOSE, WM_COMMAND and messages from 0x400 (WM_USER) up", message);
    if (message == DPM_TEXT)
        return Complain(kExitUsage, "DPM_TEXT carries a text holder of the router's own process; use qtvctl write");

    const HWND hRouter = CRemoteMessagePipe::FindRouterWindow();
    if (!hRouter) return NoRouter();
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(hRouter, static_cast<UINT>(message), static_cast<WPARAM>(wParam),
                             static_cast<LPARAM>(lParam), SMTO_NORMAL | SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) {
        const DWORD e = GetLastError();
        if (!IsWindow(hRouter)) return NoRouter();
        return Complain(kExitFailed, "the router did not answer: %s", CodeText(e ? e : ERROR_TIMEOUT).c_str());
    }
    printf("%lld (0x%llX)\n", static_cast<long long>(static_cast<LONG_PTR>(result)),
           static_cast<unsigned long long>(result));
    return kExitOk;
}

int RunWrite(const Options& o) {
    // A record, its 8-byte header and the text's NUL, must fit the pipe.
    const size_t kMaxText = CDriverPipe::DriverPipeCapacity - 8 - 1;
    for (size_t i = 0; i < o.args.size(); ++i)
        if (o.args[i].size() > kMaxText)
            return Complain(kExitUsage, "text %u is %u bytes long; a record holds at most %u",
                            static_cast<unsigned>(i + 1), static_cast<unsigned>(o.args[i].size()),
                            static_cast<unsigned>(kMaxText));

    if (!CRemoteMessagePipe::FindRouterWindow()) return NoRouter();
    CDriverPipe client;
    if (!client.InitialClientSide())
        return Complain(kExitFailed, "the router gave no driver pipe (none is registered with it?)");
    for (const std::string& text : o.args) {
        if (!client.WriteDataToClientPipe(static_cast<UINT>(text.size() + 1), DPM_TEXT,
                                          const_cast<char*>(text.c_str())))
            return Complain(kExitFailed, "cannot write \"%s\": %s", text.c_str(), CodeText(GetLastError()).c_str());
    }
    return kExitOk;
}

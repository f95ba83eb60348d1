// A short tour of the library in real processes: this process runs a router
// with receivers of its own; it starts itself again as a second process that
// registers remotely and receives forwarded messages in its window, and as a
// driver-side process that writes text records into the driver pipe; the CBT
// hook reports a window this process creates; and the command-line tool
// qtvctl talks to this router.
#include "qtvutils/qtvutils.h"

#include "demo_resources.h"
#include "support/test_support.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int DemoSettings();  // demo_settings.cpp
int DemoSystem();  // demo_system.cpp

namespace {

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

using qtvtest::ChildProcess;
using qtvtest::PumpPending;
using qtvtest::PumpUntil;

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
    qtvtest::NamedEvent ready(readyName);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RemoteWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QtvDemoRemoteWindow";
    RegisterClassA(&wc);
    HWND hWnd = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
    if (!ready.Handle() || !hWnd) return 2;

    CMessageRegistration bySend, byPost;
    bySend.AddMessageToList(kRemoteSent);
    bySend.SetNotifyStyle(NOTIFY_STYLE_SEND);
    byPost.AddMessageToList(kRemotePosted);
    byPost.SetNotifyStyle(NOTIFY_STYLE_POST);
    UINT hSend = CRemoteMessagePipe::RegisterForNotifications(hWnd, bySend);
    UINT hPost = CRemoteMessagePipe::RegisterForNotifications(hWnd, byPost);
    Say("remote", "registered remotely: handle %u (by send), handle %u (by post)", hSend, hPost);
    ready.Set();

    PumpUntil([] { return g_remoteReceived == 2; });
    CRemoteMessagePipe::UnRegisterNotification(hSend);
    CRemoteMessagePipe::UnRegisterNotification(hPost);
    Say("remote", "unregistered both; exiting");
    return g_remoteReceived == 2 ? 0 : 3;
}

// ---- the driver side ---------------------------------------------------

int RunDriver() {
    CDriverPipe client;
    if (!client.InitialClientSide()) {
        Say("driver", "found no router to write to");
        return 2;
    }
    Say("driver", "got the router's write end; writing three text records");
    const char* texts[] = {"button 1 pressed", "axis X moved to 512", "button 1 released"};
    for (const char* text : texts)
        if (!client.WriteDataToClientPipe(static_cast<UINT>(strlen(text) + 1), DPM_TEXT, const_cast<char*>(text)))
            return 3;
    return 0;
}

// ---- the router's process -----------------------------------------------

// This program's file name, to start it again in another mode.
std::string SelfName() {
    char path[MAX_PATH];
    std::string self(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return self.substr(self.find_last_of('\\') + 1);
}

// Serves this thread's messages until the process ends; its exit code.
DWORD Finish(ChildProcess& process) { return process.WaitForExit() ? process.ExitCode() : 9; }

bool RunRemoteScenario(CMessagePipe& router) {
    qtvtest::NamedEvent ready;
    ChildProcess remote(SelfName(), {"remote", ready.Name()});
    Say("router", "started a second process (pid %lu)", remote.ProcessId());

    bool ok = qtvtest::PumpUntilSignalled(ready.Handle());  // the child registers through our window meanwhile
    if (ok) {
        Say("router", "remote registrations: %u for 0x%X, %u for 0x%X", router.CountHandlers(kRemoteSent),
            kRemoteSent, router.CountHandlers(kRemotePosted), kRemotePosted);
        SendMessageA(router.GetSafeHwnd(), kRemoteSent, 1, 0);
        PostMessageA(router.GetSafeHwnd(), kRemotePosted, 2, 0);
    }
    DWORD code = Finish(remote);
    PumpPending();  // the child's unregistration requests
    Say("router", "second process ended (exit %lu); remote registrations left: %u", code,
        router.CountHandlers(kRemoteSent) + router.CountHandlers(kRemotePosted));
    return ok && code == 0;
}

// Prints each driver text it is handed and releases its reference.
class CTextPrinter : public CNotifyTarget {
public:
    explicit CTextPrinter(const char* name) : m_name(name) {}
    BOOL Notify(CMessageNotification* n) override {
        auto* pText = reinterpret_cast<CDriverPipeText*>(n->m_wParam);
        Say("router", "%s got \"%s\" (holder references before release: %ld)", m_name,
            static_cast<const char*>(pText->m_strText), pText->GetRefCount());
        pText->Release();
        ++received;
        return TRUE;
    }
    int received = 0;

private:
    const char* m_name;
};

bool RunDriverScenario(CMessagePipe& router) {
    CDriverPipe server;
    if (!server.InitialServerSide()) return false;
    server.Register(&router);
    CTextPrinter first("text listener A"), second("text listener B");
    UINT listeners[2], n = 0;
    for (CTextPrinter* p : {&first, &second}) {
        CMessageRegistration reg;
        reg.AddMessageToList(DPM_TEXT);
        reg.SetNotifyTarget(p);
        listeners[n++] = router.RegisterForNotifications(reg);
    }
    ChildProcess driver(SelfName(), {"driver"});
    Say("router", "started a driver-side process (pid %lu)", driver.ProcessId());
    DWORD code = Finish(driver);
    PumpPending();  // texts still on their way
    server.UnRegister();
    for (UINT handle : listeners) router.UnRegisterNotification(handle);  // the listeners go with this scope
    Say("router", "driver process ended (exit %lu); texts delivered: %d and %d", code, first.received,
        second.received);
    return code == 0 && first.received == 3 && second.received == 3;
}

// Prints CBT reports about one window.
class CCbtPrinter : public CNotifyTarget {
public:
    BOOL Notify(CMessageNotification* n) override {
        if (n->m_lParam != reinterpret_cast<LPARAM>(watched)) return FALSE;
        const char* what = n->m_wParam == HCBT_CREATEWND    ? "created"
                           : n->m_wParam == HCBT_DESTROYWND ? "destroyed"
                                                            : "another event";
        Say("router", "CBT report %u: window 0x%llX %s (code %llu)", n->m_message,
            static_cast<unsigned long long>(n->m_lParam), what, static_cast<unsigned long long>(n->m_wParam));
        done = done || n->m_wParam == HCBT_DESTROYWND;
        return TRUE;
    }
    HWND watched = nullptr;
    bool done = false;
};

bool RunHookScenario(CMessagePipe& router) {
    CCbtPrinter printer;
    CMessageRegistration reg;
    reg.AddMessageToList(QTV_HOOK_CBT_REPORT);
    reg.SetNotifyTarget(&printer);
    router.RegisterForNotifications(reg);
    router.EnableCBTHook(TRUE);
    Say("router", "CBT hook enabled; creating and destroying a window");
    printer.watched = CreateWindowExA(0, "STATIC", "demo", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(printer.watched);
    PumpUntil([&] { return printer.done; });
    router.EnableCBTHook(FALSE);
    router.UnRegisterNotification(reg.GetHandle());
    return printer.done;
}

// ---- qtvctl, the command-line tool -----------------------------------------

// qtvctl writes to this program's output.
bool RunTool(const std::vector<std::string>& args) {
    std::string shown = "qtvctl";
    for (const std::string& arg : args) shown += arg.find(' ') == std::string::npos ? " " + arg : " \"" + arg + "\"";
    Say("tool", "%s", shown.c_str());
    ChildProcess tool("qtvctl.exe", args, GetStdHandle(STD_OUTPUT_HANDLE), GetStdHandle(STD_ERROR_HANDLE));
    return Finish(tool) == 0;
}

// qtvctl sends a message to this router, whose two receivers answer, and
// writes a driver-pipe text record as a driver would.
bool RunToolScenario(CMessagePipe& router) {
    CDriverPipe server;
    if (!server.InitialServerSide()) return false;
    server.Register(&router);
    CTextPrinter printer("text listener");
    CMessageRegistration reg;
    reg.AddMessageToList(DPM_TEXT);
    reg.SetNotifyTarget(&printer);
    router.RegisterForNotifications(reg);
    char listed[16];
    snprintf(listed, sizeof listed, "0x%X", kListed);
    bool ok = RunTool({"send", listed, "7", "8"}) && RunTool({"write", "hello from qtvctl"});
    ok = PumpUntil([&] { return printer.received == 1; }) && ok;
    router.UnRegisterNotification(reg.GetHandle());
    server.UnRegister();
    return ok;
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
    PumpPending();

    bool ok = RunRemoteScenario(router);
    ok = RunDriverScenario(router) && ok;
    ok = RunHookScenario(router) && ok;
    ok = RunToolScenario(router) && ok;
    ok = DemoSettings() == 0 && ok;
    ok = DemoSystem() == 0 && ok;
    Say("router", ok ? "done" : "a scenario failed");
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "remote") == 0) return RunRemote(argv[2]);
    if (argc == 2 && strcmp(argv[1], "driver") == 0) return RunDriver();
    const int routed = RunRouter();
    return DemoResources() == 0 ? routed : 1;
}

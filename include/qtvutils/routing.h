// QTVUtils message routing: registrations, the per-process router window and
// its receivers, and registration from other processes.
//
// Results: handles are 32-bit numbers counted up from 1 by each router and
// never reused (0 names no registration); other operations return a 32-bit
// boolean. The router runs entirely on the thread that called Initialize:
// every CMessagePipe operation is called on that thread, other threads and
// processes reach it only through window messages.
#pragma once

#include "qtvutils/framework.h"

#include <deque>
#include <memory>
#include <vector>

namespace qtv {
class RegistrationTable;
class PipeWriteWatch;
}
class CNotifyTarget;
class CMessagePipe;
class CRemoteMonitor;
class CDriverPipeText;

// Window class and title of every router window; other processes find a
// router by this class name.
#define QTV_ROUTER_WINDOW_CLASS "Quorvane Talvora Internal Message Router"
// Registered message with which the router delivers handle-addressed
// notifications to itself.
#define QTV_ROUTER_MESSAGE "Quorvane Talvora Internal Message"
// Registered message with which remote clients unregister.
#define QTV_IPC_MESSAGE "Quorvane Talvora Ipc Message"
// The longest the library waits for another process: for the router's
// answer to a remote registration or to a driver client's handshake, for a
// client window that a registration forwards to by send, and for room in the
// driver pipe. What each call does when the time is up is said with it.
const UINT QTV_WAIT_LIMIT_MS = 5000;

// WM_COPYDATA tag of a remote registration request, and the IPC message's
// unregistration code.
const ULONG_PTR QTV_COPYDATA_REGISTER = 68;
const WPARAM QTV_IPC_UNREGISTER = 69;

// Reports of the hook module "QTVEHook.dll", posted to the router window and
// broadcast to the registrations that list them:
//   QTV_HOOK_SHELL_REPORT: wParam = the shell event code (HSHELL_*),
//                          lParam = the event's wParam (for window events, the window)
//   QTV_HOOK_CBT_REPORT:   wParam = the CBT hook code (HCBT_*),
//                          lParam = the event's wParam (for window events, the window)
#define QTV_HOOK_MODULE "QTVEHook.dll"
const UINT QTV_HOOK_CBT_REPORT = WM_USER + 101;    // 1125
const UINT QTV_HOOK_SHELL_REPORT = WM_USER + 118;  // 1142

// Driver pipe messages. A client posts DPM_DATAREADY after each record and
// sends DPM_GETWRITEHANDLE to learn the server's write end; DPM_TEXT is the
// code of a text record and the message that hands its text to listeners.
const UINT DPM_DATAREADY = WM_USER + 124;       // 1148
const UINT DPM_GETWRITEHANDLE = WM_USER + 125;  // 1149
const UINT DPM_TEXT = WM_USER + 153;            // 1177

// How a message is forwarded to a remote registration's window.
enum NOTIFY_STYLE : UINT {
    NOTIFY_STYLE_DEFAULT = 0,  // posted
    NOTIFY_STYLE_SEND = 1,     // sent, synchronously
    NOTIFY_STYLE_POST = 2,     // posted
    // any other value: not forwarded
};

// A registration laid out flat, as it travels between processes: 32-bit
// little-endian words. M messages and then N commands start at dwData[0];
// one reserved trailing word follows them. dwSize = 36 + 4 * (M + N).
// Window handles travel as their low 32 bits (they are 32-bit significant
// on 64-bit Windows) and are restored with sign extension.
struct TAGRawRegistration {
    DWORD dwSize;
    DWORD nMessageFrom;
    DWORD nMessageTo;
    DWORD hWnd;
    DWORD nCallbackMessage;
    DWORD nNotifyStyle;
    DWORD nMessageCount;   // M
    DWORD nCommandCount;   // N
    DWORD dwData[1];       // M messages, N commands, the reserved word
};
static_assert(sizeof(TAGRawRegistration) == 36, "the flat block's fixed part is 36 bytes");

// What a client asks a router for: a message range and/or list, a command
// list, and who receives the matches.
class QTVUTILS_API CMessageRegistration : public CRefCounted {
public:
    CMessageRegistration();
    // Builds a registration from a flat block; the caller has checked that
    // the block's counts fit the memory it points to.
    explicit CMessageRegistration(TAGRawRegistration* pRaw);
    ~CMessageRegistration() override;

    // Copies everything but the flat block (cleared) and the reference count.
    CMessageRegistration& operator=(CMessageRegistration& src);

    // Lays the registration out as a flat block owned by this object; valid
    // until the next call, Reset, assignment or destruction.
    operator void*();
    void Reset();

    void AssignHandle(UINT nHandle) { m_nHandle = nHandle; }
    UINT GetHandle() const { return m_nHandle; }
    void SetMessageFrom(UINT nMessage) { m_nMessageFrom = nMessage; }
    void SetMessageTo(UINT nMessage) { m_nMessageTo = nMessage; }
    int AddMessageToList(UINT nMessage);
    int GetMessageListCount() const { return static_cast<int>(m_MessageList.size()); }
    int AddCommandToList(UINT nCommand);
    int GetCommandCount() const { return static_cast<int>(m_CommandList.size()); }
    void SetNotifyTarget(CNotifyTarget* pTarget) { m_pNotifyTarget = pTarget; }
    CNotifyTarget* MessageTarget() const { return m_pNotifyTarget; }
    void SetMessagePipe(CMessagePipe* pPipe) { m_pMessagePipe = pPipe; }
    CMessagePipe* GetMessagePipe() const { return m_pMessagePipe; }
    void SetWindowHandle(HWND hWnd) { m_hWnd = hWnd; }
    HWND GetWindowHandle() const { return m_hWnd; }
    void SetCallbackMessage(UINT nMessage) { m_nCallbackMessage = nMessage; }
    UINT GetCallbackMessage() const { return m_nCallbackMessage; }
    void SetNotifyStyle(NOTIFY_STYLE nStyle) { m_nNotifyStyle = nStyle; }
    NOTIFY_STYLE GetNotifyStyle() const { return m_nNotifyStyle; }

    // True when the range (active only when last > first) or the list holds
    // the message.
    BOOL MessageForThisTarget(UINT nMessage) const;
    BOOL CommandForThisTarget(UINT nCommand) const;

private:
    CMessageRegistration(const CMessageRegistration&) = delete;
    void FreeRawRegistration();

    CNotifyTarget* m_pNotifyTarget;
    CMessagePipe* m_pMessagePipe;
    UINT m_nHandle;
    UINT m_nMessageFrom;
    UINT m_nMessageTo;
    std::vector<UINT> m_CommandList;
    std::vector<UINT> m_MessageList;
    TAGRawRegistration* m_pRawRegistration;
    HWND m_hWnd;
    UINT m_nCallbackMessage;
    NOTIFY_STYLE m_nNotifyStyle;
};

// What a receiver's Notify is handed. For a broadcast the router fills it
// (m_nType 1); for a command too (m_nType 2: m_message is the command
// identifier, parameters 0, no registration). Handle-addressed notifications
// are the caller's own and reach the receiver unchanged.
class QTVUTILS_API CMessageNotification : public CRefCounted {
public:
    LRESULT m_lResult = 0;      // result handed back; an accepting receiver writes it
    UINT m_nType = 0;           // 1: window message, 2: command
    DWORD m_dwReserved1 = 0;    // the router writes 0
    UINT m_message = 0;         // the message number or command identifier
    WPARAM m_wParam = 0;
    LPARAM m_lParam = 0;
    DWORD m_dwReserved2 = 0;    // never written by the router
    DWORD m_dwReserved3 = 0;    // never written by the router
    DWORD m_dwReserved4 = 0;    // the router writes 10
    CMessageRegistration* m_pRegistration = nullptr;  // the router's copy being served; null for a command
};

// Base of every receiver in the router's process. A receiver destroyed while
// registered is first dropped from every router that holds a registration of
// it, so a receiver that is gone is never called; it is destroyed on its
// routers' thread, as every router operation is called.
class QTVUTILS_API CNotifyTarget : public CObject, public CRefCounted {
    DECLARE_DYNAMIC(CNotifyTarget)
public:
    CNotifyTarget();
    ~CNotifyTarget() override;

    // Non-zero when the receiver accepted the notification; for a broadcast
    // the router then returns its m_lResult to the sender. Default: 0.
    virtual BOOL Notify(CMessageNotification* pNotification);
    // Kept for the suite's receivers; nothing in the library calls it.
    virtual LONG Unused1(void* pArg);
    // Enrols the receiver with a router. Default: 0.
    virtual BOOL Register(CMessagePipe* pPipe);
    // Undoes Register. Default: 1.
    virtual BOOL UnRegister();
    // Kept for the suite's receivers; nothing in the library calls it.
    virtual LONG Unused2();

protected:
    // True while the router holds a registration of this receiver; false for
    // a router that has been destroyed since.
    BOOL IsRegisteredWith(const CMessagePipe* pPipe) const;

private:
    friend class CMessagePipe;
    struct RouterLink {
        CMessagePipe* pPipe;
        UINT nRegistrations;
    };
    // The routers holding registrations of this receiver, kept by them.
    std::vector<RouterLink> m_RouterLinks;
};

// The router: a hidden window of class QTV_ROUTER_WINDOW_CLASS with a table
// of registrations. Every message reaching the window is offered to each
// matching registration in handle order (broadcast); a command goes to the
// first registration listing it; a notification can also be addressed to one
// handle, at once or through the window's queue.
//
// Receivers may register and unregister from inside Notify: a registration
// removed before its turn is not served, one added is served later in the
// same broadcast (unless the one being served was the last when the walk
// looked ahead).
//
// DPM_TEXT carries a text holder (CDriverPipeText) that only this router
// makes, for its driver pipe. It delivers the message only for a holder it
// made and has not delivered yet, and only to receivers in this process
// (never to remote registrations); any other DPM_TEXT is dropped.
class QTVUTILS_API CMessagePipe : public CWnd {
public:
    CMessagePipe();
    ~CMessagePipe() override;

    // Creates the router window and the bridge for remote clients (which
    // takes handle 1). False when the window cannot be created.
    BOOL Initialize();

    // Stores a copy of the registration, writes this router and the new
    // handle into the caller's object and returns the handle. A registration
    // without a notify target is stored but never served.
    UINT RegisterForNotifications(CMessageRegistration& registration);
    // False for handle 0 and for a handle that is not stored.
    BOOL UnRegisterNotification(UINT nHandle);
    UINT CountHandlers(UINT nMessage);

    // Calls the handle's receiver at once and returns the notification's
    // m_lResult; 0 for an unknown handle (the notification is untouched).
    LRESULT SendMessageToHandler(UINT nHandle, CMessageNotification& notification);
    // Queues the notification for the handle's receiver; the router window
    // delivers it later, oldest first, or drops it if the handle has gone by
    // then. The notification must stay valid until then. False, with nothing
    // queued, before Initialize and when the entry or its post fails.
    BOOL PostMessageToHandler(UINT nHandle, CMessageNotification& notification);

    // The hook module's system-wide shell and CBT hooks, reporting to this
    // router's window (QTV_HOOK_SHELL_REPORT, QTV_HOOK_CBT_REPORT). Called on
    // the router's thread after Initialize. Disable both before destroying
    // the router. The module stays loaded while either hook is installed.
    // Results: disabling is always true. EnableShellHook(TRUE) is true when
    // the hook is installed now or was already, and also when the hook
    // module cannot be loaded (no hook is then installed); it is false when
    // the module lacks "SetShellHook" or that installs no hook.
    // EnableCBTHook(TRUE) is always true, whether or not a hook went in.
    BOOL EnableShellHook(BOOL bEnable);
    BOOL EnableCBTHook(BOOL bEnable);

    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class CNotifyTarget;
    friend class CDriverPipe;

    BOOL LoadHookModule();
    BOOL RemoveHook(HHOOK& hHook);

    struct PendingEntry {
        UINT nHandle;
        CMessageNotification* pNotification;  // the caller's, not owned
    };
    CMessageRegistration* FindRegistration(UINT nHandle);
    void Remove(size_t pos);
    void DropTarget(CNotifyTarget* pTarget);
    void Link(CNotifyTarget* pTarget);
    void Unlink(CNotifyTarget* pTarget);
    LRESULT DeliverPending(UINT nHandle);
    LRESULT Broadcast(UINT message, WPARAM wParam, LPARAM lParam, BOOL& bHandled,
                      CDriverPipeText* pText = nullptr);
    UINT Count(UINT nMessage, BOOL bLocalOnly);
    void QueueText(const char* pText, int nLength);
    void DeliverTexts(WPARAM wParam);
    void CloseFirstToolWindow();

    UINT m_nRouterMessage;
    HMODULE m_hHookModule;
    HHOOK m_hShellHook;
    HHOOK m_hCBTHook;
    UINT m_nNextHandle;
    CRemoteMonitor* m_pRemoteMonitor;
    std::deque<PendingEntry> m_PendingQueue;
    std::unique_ptr<qtv::RegistrationTable> m_pRegistrations;  // the router's copies
    // Driver-pipe texts made by this router and not yet delivered, oldest
    // first; one DPM_TEXT naming one of them is on its way while the flag is
    // set, and delivers them all.
    std::deque<CDriverPipeText*> m_TextQueue;
    BOOL m_bTextPosted;
};

// Registration with a router of another process, through window messages.
// Usable from any thread of any process.
class QTVUTILS_API CRemoteMessagePipe {
public:
    // Sends the registration (with hWnd as its window) to the router found by
    // its class; matching messages are then sent or posted to hWnd under their
    // own numbers, until the registration is unregistered or a forward finds
    // hWnd gone. Returns the router's handle; 0 when there is no router (the
    // registration is then untouched), when hWnd is not a window or is a
    // router's, or when the router gives no answer within QTV_WAIT_LIMIT_MS
    // (it may still register it later). The caller's handle and router fields
    // are not written.
    static UINT RegisterForNotifications(HWND hWnd, CMessageRegistration& registration);
    // Posts the unregistration request; false when there is no router, true
    // otherwise (whether the post went through is not looked at).
    static BOOL UnRegisterNotification(UINT nHandle);

    // The router other processes reach: the first window of the router class
    // that the platform finds, or null. Which router comes first changes as
    // routers come and go, so a client that stays for a while keeps the window
    // it found and uses the two calls below.
    static HWND FindRouterWindow();
    // As above, with the router given; hRouter null (no router) gives 0 and
    // false, and leaves the registration untouched.
    static UINT RegisterForNotifications(HWND hRouter, HWND hWnd, CMessageRegistration& registration);
    static BOOL UnRegisterNotification(HWND hRouter, UINT nHandle);
};

// Registration with this process's router by code that has no pointer to it.
// Used on the router's thread only.
class QTVUTILS_API CGlobalMessagePipe {
public:
    CGlobalMessagePipe();   // looks up the router window once
    ~CGlobalMessagePipe();

    // 0 when no router was found, or when the window found is not a router
    // object of the calling thread (another thread's or process's).
    UINT RegisterForNotifications(CMessageRegistration& registration);

private:
    HWND m_hRouterWnd;
};

// The text of one driver-pipe text record, handed to every receiver in the
// router's process that lists DPM_TEXT, as the wParam of that message. Each
// receiver is handed a reference of its own: it reads m_strText and calls
// Release once. The holder lives until its last reference goes.
class QTVUTILS_API CDriverPipeText : public CRefCounted {
public:
    ~CDriverPipeText() override;
    CString m_strText;
};

// A one-way pipe from a driver-side process (client) into the router's
// process (server). One object is used as either side, never both.
//
// Server: InitialServerSide, then Register with the process's initialised
// router. Each DPM_DATAREADY makes it read every complete record the pipe
// holds, so a notification that is lost or never sent delays records but
// loses none; it hands the text of each text record to the router, which
// delivers it as DPM_TEXT to the receivers listing that message.
// Client: InitialClientSide finds the router and duplicates the server's
// write end; WriteDataToClientPipe writes whole records.
//
// Record: 32-bit payload length N, 32-bit code, N payload bytes; a text
// record (code DPM_TEXT) carries NUL-terminated text, N counting the NUL.
// A record is written with one WriteFile, so records of several clients
// never interleave, and it must fit the pipe (at most DriverPipeCapacity
// bytes in all). The reader never trusts a header: one that cannot describe
// a record makes it discard what the pipe holds, and bytes that make no whole
// record once the pipe is empty are dropped.
//
// Initialisation is attempted once per object: every later call of either
// InitialServerSide or InitialClientSide returns true and does nothing.
class QTVUTILS_API CDriverPipe : public CNotifyTarget {
    DECLARE_DYNAMIC(CDriverPipe)
public:
    enum : UINT { DriverPipeCapacity = 2048 };

    CDriverPipe();
    ~CDriverPipe() override;  // closes the pipe handles; a registration still held is dropped

    // These three always return true.
    BOOL Notify(CMessageNotification* pNotification) override;
    BOOL Register(CMessagePipe* pPipe) override;
    BOOL UnRegister() override;

    // False, with no pipe, when the pipe cannot be made or its read end
    // cannot be put in no-wait mode.
    BOOL InitialServerSide();
    // False when there is no router, or it hands out no write end within
    // QTV_WAIT_LIMIT_MS, or the write end cannot be duplicated.
    BOOL InitialClientSide();
    // Writes one record and posts DPM_DATAREADY. A full pipe is waited for
    // at most QTV_WAIT_LIMIT_MS, reminding the router meanwhile; on the
    // router's own thread the router reads the pipe first. False, with
    // nothing written and nothing posted, when the record does not fit the
    // pipe, there is no write end, the write fails or the wait reaches its
    // bound.
    BOOL WriteDataToClientPipe(UINT nLength, UINT nCode, void* pData);

    HANDLE m_hReadPipe;
    HANDLE m_hWritePipe;
    HANDLE m_hClientWritePipe;
    HWND m_hRouterWnd;
    CMessageRegistration m_Registration;
    BOOL m_bInitialized;

private:
    void ClosePipe();
    BOOL ReadPipeRecord();
    BOOL DropWhatThePipeHolds();
    void DeliverText(const char* pText, UINT nLength);

    DWORD m_dwRouterThreadId;  // client side: the thread of m_hRouterWnd
    std::unique_ptr<qtv::PipeWriteWatch> m_pWriteWatch;  // client side: bounds each write
};

// QTVUtils message routing: the per-process router window (CMessagePipe),
// its receivers (CNotifyTarget) and what they are handed
// (CMessageNotification).
//
// Results: handles are 32-bit numbers counted up from 1 by each router and
// never reused (0 names no registration); other operations return a 32-bit
// boolean. The router runs entirely on the thread that called Initialize:
// every CMessagePipe operation is called on that thread, other threads and
// processes reach it only through window messages.
#pragma once

#include "qtvutils/message_registration.h"
#include "qtvutils/window_hooks.h"

#include <deque>
#include <memory>
#include <vector>

namespace qtv {
class RegistrationTable;
}
class CRemoteMonitor;
class CDriverPipeText;

// Window class and title of every router window; other processes find a
// router by this class name.
#define QTV_ROUTER_WINDOW_CLASS "Quorvane Talvora Internal Message Router"
// Registered message with which the router delivers handle-addressed
// notifications to itself.
#define QTV_ROUTER_MESSAGE "Quorvane Talvora Internal Message"
// The longest the library waits for another process: for the router's
// answer to a remote registration or to a driver client's handshake, for a
// client window that a registration forwards to by send, and for room in the
// driver pipe. What each call does when the time is up is said with it.
const UINT QTV_WAIT_LIMIT_MS = 5000;

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
    BOOL DestroyWindow() override;

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
    // Set when the router destroys its own window; until then a window
    // destruction message can only be another process's forgery.
    BOOL m_bDestroying;

    static LRESULT CALLBACK RouterWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
};

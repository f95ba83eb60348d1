#include "qtvutils/driver_pipe.h"
#include "qtvutils/message_pipe.h"
#include "qtvutils/remote_pipe.h"

#include "framework/module_classes.h"
#include "routing/registration_table.h"
#include "routing/remote_monitor.h"

#include <algorithm>
#include <new>

namespace {

const DWORD kToolWindowBit = WS_EX_TOOLWINDOW;
const DWORD kReservedWord4 = 10;
const size_t npos = qtv::RegistrationTable::npos;

BOOL CALLBACK FindToolWindow(HWND hWnd, LPARAM lParam) {
    if (!(GetWindowLongPtrA(hWnd, GWL_EXSTYLE) & kToolWindowBit)) return TRUE;
    *reinterpret_cast<HWND*>(lParam) = hWnd;
    return FALSE;
}

}  // namespace

CMessagePipe::CMessagePipe()
    : m_nRouterMessage(0),
      m_hHookModule(nullptr),
      m_hShellHook(nullptr),
      m_hCBTHook(nullptr),
      m_nNextHandle(1),
      m_pRemoteMonitor(nullptr),
      m_pRegistrations(new qtv::RegistrationTable),
      m_bTextPosted(FALSE),
      m_bDestroying(FALSE) {
    // Without the class Initialize fails to create the window, and says so.
    qtv::RegisterModuleClass(QTV_ROUTER_WINDOW_CLASS, RouterWndProc);
}

CMessagePipe::~CMessagePipe() {
    m_bDestroying = TRUE;  // CWnd's destructor destroys the window
    m_PendingQueue.clear();
    qtv::RegistrationTable& table = *m_pRegistrations;
    for (size_t pos = table.Next(0); pos != npos; pos = table.Next(pos + 1)) Unlink(table.At(pos).MessageTarget());
    m_pRegistrations.reset();
    for (CDriverPipeText* pText : m_TextQueue) pText->Release();
    if (m_pRemoteMonitor) m_pRemoteMonitor->Release();
}

BOOL CMessagePipe::DestroyWindow() {
    m_bDestroying = TRUE;
    return CWnd::DestroyWindow();
}

// A window is destroyed only by its own thread, and the router's only by the
// router: it refuses close requests. So WM_DESTROY and WM_NCDESTROY reach a
// live router window any other way only from outside, posted or sent by
// another thread or process; passed on, they would unbind the router object
// from a window that lives on and stop all routing. They are dropped.
LRESULT CALLBACK CMessagePipe::RouterWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY || message == WM_NCDESTROY) {
        auto* pPipe = dynamic_cast<CMessagePipe*>(CWnd::FromHandlePermanent(hWnd));
        if (pPipe && !pPipe->m_bDestroying) return 0;
    }
    return AfxWndProc(hWnd, message, wParam, lParam);
}

BOOL CMessagePipe::Initialize() {
    if (!CreateEx(0, QTV_ROUTER_WINDOW_CLASS, QTV_ROUTER_WINDOW_CLASS, WS_POPUP, 0, 0, 0, 0,
                  nullptr, nullptr))
        return FALSE;
    ShowWindow(SW_SHOWNORMAL);
    ShowWindow(SW_HIDE);
    m_nRouterMessage = RegisterWindowMessageA(QTV_ROUTER_MESSAGE);
    // Without a bridge the router still works; remote requests then find no
    // receiver.
    m_pRemoteMonitor = new (std::nothrow) CRemoteMonitor;
    if (m_pRemoteMonitor) {
        try {
            m_pRemoteMonitor->Register(this);
        } catch (const std::bad_alloc&) {
            m_pRemoteMonitor->Release();
            m_pRemoteMonitor = nullptr;
        }
    }
    return TRUE;
}

UINT CMessagePipe::RegisterForNotifications(CMessageRegistration& registration) {
    const UINT nHandle = m_nNextHandle;
    CMessageRegistration& stored = m_pRegistrations->Add(nHandle, registration);
    stored.SetMessagePipe(this);
    stored.AssignHandle(nHandle);
    try {
        Link(stored.MessageTarget());
    } catch (...) {
        m_pRegistrations->Remove(m_pRegistrations->Find(nHandle));
        throw;
    }
    registration.SetMessagePipe(this);
    registration.AssignHandle(nHandle);
    return m_nNextHandle++;
}

BOOL CMessagePipe::UnRegisterNotification(UINT nHandle) {
    const size_t pos = nHandle ? m_pRegistrations->Find(nHandle) : npos;
    if (pos == npos) return FALSE;
    Remove(pos);
    return TRUE;
}

void CMessagePipe::Remove(size_t pos) {
    Unlink(m_pRegistrations->At(pos).MessageTarget());
    m_pRegistrations->Remove(pos);
}

void CMessagePipe::DropTarget(CNotifyTarget* pTarget) {
    qtv::RegistrationTable& table = *m_pRegistrations;
    qtv::RegistrationTable::Walk walk(table);
    for (size_t pos = table.Next(0); pos != npos; pos = table.Next(pos + 1))
        if (table.At(pos).MessageTarget() == pTarget) Remove(pos);
}

// Each receiver knows the routers that hold registrations of it, with how
// many each holds, so that it can leave them when it is destroyed.
void CMessagePipe::Link(CNotifyTarget* pTarget) {
    if (!pTarget) return;
    for (CNotifyTarget::RouterLink& link : pTarget->m_RouterLinks) {
        if (link.pPipe == this) {
            ++link.nRegistrations;
            return;
        }
    }
    pTarget->m_RouterLinks.push_back({this, 1});
}

void CMessagePipe::Unlink(CNotifyTarget* pTarget) {
    if (!pTarget) return;
    auto& links = pTarget->m_RouterLinks;
    for (auto it = links.begin(); it != links.end(); ++it) {
        if (it->pPipe == this) {
            if (--it->nRegistrations == 0) links.erase(it);
            return;
        }
    }
}

UINT CMessagePipe::CountHandlers(UINT nMessage) { return Count(nMessage, FALSE); }

// Counts the registrations holding the message; with bLocalOnly only those of
// receivers in this process, not the bridge's for other processes.
UINT CMessagePipe::Count(UINT nMessage, BOOL bLocalOnly) {
    qtv::RegistrationTable& table = *m_pRegistrations;
    UINT n = 0;
    for (size_t pos = table.Next(0); pos != npos; pos = table.Next(pos + 1)) {
        const CMessageRegistration& registration = table.At(pos);
        if (registration.MessageForThisTarget(nMessage) &&
            !(bLocalOnly && (!registration.MessageTarget() || registration.MessageTarget() == m_pRemoteMonitor)))
            ++n;
    }
    return n;
}

CMessageRegistration* CMessagePipe::FindRegistration(UINT nHandle) {
    const size_t pos = m_pRegistrations->Find(nHandle);
    return pos == npos ? nullptr : &m_pRegistrations->At(pos);
}

LRESULT CMessagePipe::SendMessageToHandler(UINT nHandle, CMessageNotification& notification) {
    CMessageRegistration* pRegistration = FindRegistration(nHandle);
    if (!pRegistration) return 0;
    if (CNotifyTarget* pTarget = pRegistration->MessageTarget()) pTarget->Notify(&notification);
    return notification.m_lResult;
}

BOOL CMessagePipe::PostMessageToHandler(UINT nHandle, CMessageNotification& notification) {
    // Without the window a post would become a thread message nobody delivers.
    if (!m_hWnd) return FALSE;
    try {
        m_PendingQueue.push_back(PendingEntry{nHandle, &notification});
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    if (!PostMessageA(m_hWnd, m_nRouterMessage, nHandle, 0)) {
        // Nothing would ever deliver the entry (no window yet, or a full
        // queue): report the failure instead of keeping it.
        m_PendingQueue.pop_back();
        return FALSE;
    }
    return TRUE;
}

LRESULT CMessagePipe::DeliverPending(UINT nHandle) {
    for (auto it = m_PendingQueue.begin(); it != m_PendingQueue.end(); ++it) {
        if (it->nHandle != nHandle) continue;
        CMessageNotification* pNotification = it->pNotification;
        // Dequeued before the receiver runs: a receiver that pumps messages
        // must not see its own entry delivered again.
        m_PendingQueue.erase(it);
        CMessageRegistration* pRegistration = FindRegistration(nHandle);
        CNotifyTarget* pTarget = pRegistration ? pRegistration->MessageTarget() : nullptr;
        return pTarget ? pTarget->Notify(pNotification) : 0;
    }
    return 0;
}

// Registrations of other processes are served by the bridge; a text holder
// never leaves this process, so they are left out of a text's delivery.
LRESULT CMessagePipe::Broadcast(UINT message, WPARAM wParam, LPARAM lParam, BOOL& bHandled,
                                CDriverPipeText* pText) {
    LRESULT result = 0;
    CMessageNotification notification;
    qtv::RegistrationTable& table = *m_pRegistrations;
    qtv::RegistrationTable::Walk walk(table);
    size_t nCount = table.Count();
    for (size_t pos = table.Next(0); pos != npos;) {
        CMessageRegistration& registration = table.At(pos);
        const size_t next = table.Next(pos + 1);
        CNotifyTarget* pTarget = registration.MessageTarget();
        if (!pTarget || !registration.MessageForThisTarget(message) ||
            (pText && pTarget == m_pRemoteMonitor)) {
            pos = next;
            continue;
        }
        notification.m_nType = 1;
        notification.m_dwReserved1 = 0;
        notification.m_message = message;
        notification.m_wParam = wParam;
        notification.m_lParam = lParam;
        notification.m_dwReserved4 = kReservedWord4;
        notification.m_pRegistration = &registration;
        bHandled = TRUE;
        if (pText) pText->AddRef();  // the receiver's own reference
        if (pTarget->Notify(&notification)) result = notification.m_lResult;

        // The receiver may have changed the table; while the walk holds it
        // every position still names the same registration, or none. After
        // a removal that left fewer than before, the walk goes on with the
        // first registration after the one served; otherwise with the one it
        // looked ahead to, or the first after that if it has gone.
        if (table.Count() < nCount)
            pos = table.Next(pos + 1);
        else
            pos = next == npos ? npos : table.Next(next);
        nCount = table.Count();
    }
    return result;
}

void CMessagePipe::QueueText(const char* pText, int nLength) {
    if (Count(DPM_TEXT, TRUE) == 0) return;
    CDriverPipeText* pHolder = new CDriverPipeText;
    try {
        pHolder->m_strText = CString(pText, nLength);
        m_TextQueue.push_back(pHolder);
    } catch (...) {
        pHolder->Release();
        throw;
    }
    // Should the post fail, the next text tries again.
    if (!m_bTextPosted)
        m_bTextPosted = PostMessageA(m_hWnd, DPM_TEXT, reinterpret_cast<WPARAM>(pHolder), 0);
}

void CMessagePipe::DeliverTexts(WPARAM wParam) {
    // Another process may post DPM_TEXT with any number: only the address
    // of a holder still queued here is ever treated as one.
    if (std::find(m_TextQueue.begin(), m_TextQueue.end(), reinterpret_cast<CDriverPipeText*>(wParam)) ==
        m_TextQueue.end())
        return;
    m_bTextPosted = FALSE;
    // Taken one at a time, so a receiver that pumps messages, and so gets
    // the rest delivered meanwhile, keeps them in order.
    while (!m_TextQueue.empty()) {
        CDriverPipeText* pText = m_TextQueue.front();
        m_TextQueue.pop_front();
        BOOL bHandled = FALSE;
        Broadcast(DPM_TEXT, reinterpret_cast<WPARAM>(pText), 0, bHandled, pText);
        pText->Release();  // the router's own reference
    }
}

void CMessagePipe::CloseFirstToolWindow() {
    HWND hToolWindow = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindToolWindow, reinterpret_cast<LPARAM>(&hToolWindow));
    if (hToolWindow) PostMessageA(hToolWindow, WM_CLOSE, 0, 0);
}

LRESULT CMessagePipe::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == m_nRouterMessage && m_nRouterMessage != 0)
        return DeliverPending(static_cast<UINT>(wParam));
    if (message == DPM_TEXT) {
        DeliverTexts(wParam);
        return 0;
    }

    BOOL bHandled = FALSE;
    if (message == WM_CLOSE) {
        // The router outlives close requests; the thread's first tool window
        // is asked to close instead.
        bHandled = TRUE;
        CloseFirstToolWindow();
    }
    LRESULT result = Broadcast(message, wParam, lParam, bHandled);
    return bHandled ? result : CWnd::WindowProc(message, wParam, lParam);
}

BOOL CMessagePipe::OnCmdMsg(UINT nID, int nCode, void*, void*) {
    if (nCode != CN_COMMAND) return FALSE;
    qtv::RegistrationTable& table = *m_pRegistrations;
    for (size_t pos = table.Next(0); pos != npos; pos = table.Next(pos + 1)) {
        CMessageRegistration& registration = table.At(pos);
        CNotifyTarget* pTarget = registration.MessageTarget();
        if (!pTarget || !registration.CommandForThisTarget(nID)) continue;
        CMessageNotification notification;
        notification.m_nType = 2;
        notification.m_dwReserved1 = 0;
        notification.m_message = nID;
        notification.m_wParam = 0;
        notification.m_lParam = 0;
        notification.m_dwReserved4 = kReservedWord4;
        notification.m_pRegistration = nullptr;
        pTarget->Notify(&notification);
        return TRUE;
    }
    return FALSE;
}

#include "qtvutils/routing.h"

#include "framework/module_classes.h"
#include "routing/remote_monitor.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <tuple>
#include <utility>

namespace {

const DWORD kToolWindowBit = WS_EX_TOOLWINDOW;
const DWORD kReservedWord4 = 10;

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
      m_nRemovals(0),
      m_bTextPosted(FALSE) {
    // Without the class Initialize fails to create the window, and says so.
    qtv::RegisterModuleClass(QTV_ROUTER_WINDOW_CLASS);
}

CMessagePipe::~CMessagePipe() {
    m_PendingQueue.clear();
    for (auto& entry : m_Registrations) Unlink(entry.second.MessageTarget());
    m_Registrations.clear();
    for (CDriverPipeText* pText : m_TextQueue) pText->Release();
    if (m_pRemoteMonitor) m_pRemoteMonitor->Release();
    // CWnd's destructor destroys the window.
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
    auto it = m_Registrations.emplace_hint(m_Registrations.end(), std::piecewise_construct,
                                           std::forward_as_tuple(nHandle), std::forward_as_tuple());
    try {
        it->second = registration;
        Link(it->second.MessageTarget());
    } catch (...) {
        m_Registrations.erase(it);
        throw;
    }
    it->second.SetMessagePipe(this);
    it->second.AssignHandle(nHandle);
    registration.SetMessagePipe(this);
    registration.AssignHandle(nHandle);
    return m_nNextHandle++;
}

BOOL CMessagePipe::UnRegisterNotification(UINT nHandle) {
    auto it = m_Registrations.find(nHandle);
    if (nHandle == 0 || it == m_Registrations.end()) return FALSE;
    Remove(it);
    return TRUE;
}

void CMessagePipe::Remove(RegistrationTable::iterator it) {
    Unlink(it->second.MessageTarget());
    m_Registrations.erase(it);
    ++m_nRemovals;
}

void CMessagePipe::DropTarget(CNotifyTarget* pTarget) {
    for (auto it = m_Registrations.begin(); it != m_Registrations.end();) {
        if (it->second.MessageTarget() == pTarget)
            Remove(it++);
        else
            ++it;
    }
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

UINT CMessagePipe::CountHandlers(UINT nMessage) {
    UINT n = 0;
    for (const auto& entry : m_Registrations)
        if (entry.second.MessageForThisTarget(nMessage)) ++n;
    return n;
}

CMessageRegistration* CMessagePipe::FindRegistration(UINT nHandle) {
    auto it = m_Registrations.find(nHandle);
    return it == m_Registrations.end() ? nullptr : &it->second;
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
    size_t nCount = m_Registrations.size();
    auto it = m_Registrations.begin();
    while (it != m_Registrations.end()) {
        CMessageRegistration& registration = it->second;
        auto next = std::next(it);
        CNotifyTarget* pTarget = registration.MessageTarget();
        if (!pTarget || !registration.MessageForThisTarget(message) ||
            (pText && pTarget == m_pRemoteMonitor)) {
            it = next;
            continue;
        }
        const bool bNextIsEnd = next == m_Registrations.end();
        const UINT nHandle = registration.GetHandle();
        const UINT nRemovals = m_nRemovals;

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

        // The receiver may have changed the table. The registration served
        // and the one looked ahead to may both be gone; handles only grow, so
        // the first handle after the served one is where the walk resumes.
        if (m_Registrations.size() < nCount) {
            nCount = m_Registrations.size();
            it = m_Registrations.upper_bound(nHandle);
        } else {
            nCount = m_Registrations.size();
            if (bNextIsEnd)
                it = m_Registrations.end();
            else
                it = m_nRemovals == nRemovals ? next : m_Registrations.upper_bound(nHandle);
        }
    }
    return result;
}

UINT CMessagePipe::CountLocalHandlers(UINT nMessage) {
    UINT n = 0;
    for (const auto& entry : m_Registrations) {
        CNotifyTarget* pTarget = entry.second.MessageTarget();
        if (pTarget && pTarget != m_pRemoteMonitor && entry.second.MessageForThisTarget(nMessage)) ++n;
    }
    return n;
}

void CMessagePipe::QueueText(const char* pText, int nLength) {
    if (CountLocalHandlers(DPM_TEXT) == 0) return;
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
    for (auto& entry : m_Registrations) {
        CMessageRegistration& registration = entry.second;
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

#include "routing/remote_monitor.h"

#include <new>

IMPLEMENT_DYNAMIC(CRemoteMonitor, CNotifyTarget)

namespace {

// The registration block a copy-data request carries, or null when the data
// cannot hold one: the size word must lie between 36 and the byte count, and
// the lists it announces must fit the byte count.
TAGRawRegistration* ValidRegistrationBlock(const COPYDATASTRUCT* pCopyData) {
    if (!pCopyData || !pCopyData->lpData || pCopyData->cbData < sizeof(TAGRawRegistration))
        return nullptr;
    auto* pRaw = static_cast<TAGRawRegistration*>(pCopyData->lpData);
    const unsigned long long cbData = pCopyData->cbData;
    const unsigned long long cbNeeded =
        sizeof(TAGRawRegistration) + 4ull * (static_cast<unsigned long long>(pRaw->nMessageCount) +
                                             pRaw->nCommandCount);
    if (pRaw->dwSize < sizeof(TAGRawRegistration) || pRaw->dwSize > cbData || cbNeeded > cbData)
        return nullptr;
    return pRaw;
}

// Forwarding goes to the window named in the block, so it must be a window,
// and not a router's: a router forwarding to a router (itself or another)
// would pass each message back and forth for ever.
bool CanForwardTo(HWND hWnd) {
    char className[sizeof QTV_ROUTER_WINDOW_CLASS + 1];
    return hWnd && IsWindow(hWnd) &&
           !(GetClassNameA(hWnd, className, sizeof className) && lstrcmpiA(className, QTV_ROUTER_WINDOW_CLASS) == 0);
}

}  // namespace

CRemoteMonitor::CRemoteMonitor() : m_nIpcMessage(0) {}

CRemoteMonitor::~CRemoteMonitor() = default;

BOOL CRemoteMonitor::Register(CMessagePipe* pPipe) {
    m_nIpcMessage = RegisterWindowMessageA(QTV_IPC_MESSAGE);
    m_Registration.AddMessageToList(m_nIpcMessage);
    m_Registration.AddMessageToList(WM_COPYDATA);
    m_Registration.SetNotifyTarget(this);
    pPipe->RegisterForNotifications(m_Registration);
    return TRUE;
}

BOOL CRemoteMonitor::RegisterFromCopyData(CMessageNotification* pNotification) {
    auto* pCopyData = reinterpret_cast<const COPYDATASTRUCT*>(pNotification->m_lParam);
    if (!pCopyData || pCopyData->dwData != QTV_COPYDATA_REGISTER) return FALSE;
    CMessagePipe* pPipe = m_Registration.GetMessagePipe();
    TAGRawRegistration* pRaw = ValidRegistrationBlock(pCopyData);
    if (!pRaw || !pPipe) {
        pNotification->m_lResult = 0;
        return TRUE;
    }
    try {
        CMessageRegistration registration(pRaw);
        if (!CanForwardTo(registration.GetWindowHandle())) {
            pNotification->m_lResult = 0;
            return TRUE;
        }
        registration.SetNotifyTarget(this);
        pNotification->m_lResult = pPipe->RegisterForNotifications(registration);
    } catch (const std::bad_alloc&) {
        pNotification->m_lResult = 0;
    }
    return TRUE;
}

void CRemoteMonitor::Unregister(UINT nHandle) {
    // Another process may name any handle; the bridge's own stays, or no
    // remote client could reach this router again.
    CMessagePipe* pPipe = m_Registration.GetMessagePipe();
    if (pPipe && nHandle != m_Registration.GetHandle()) pPipe->UnRegisterNotification(nHandle);
}

BOOL CRemoteMonitor::Notify(CMessageNotification* pNotification) {
    CMessageRegistration* pRegistration = pNotification->m_pRegistration;
    if (!pRegistration) return FALSE;  // a command

    // Requests are served once per message, through the bridge's own
    // registration (which has no window to forward to). A remote registration
    // that happens to list WM_COPYDATA or the IPC message only has them
    // forwarded: serving the request again would register a client twice.
    if (pRegistration->GetHandle() == m_Registration.GetHandle()) {
        if (pNotification->m_message == WM_COPYDATA) return RegisterFromCopyData(pNotification);
        if (pNotification->m_message == m_nIpcMessage && pNotification->m_wParam == QTV_IPC_UNREGISTER)
            Unregister(static_cast<UINT>(pNotification->m_lParam));
        return FALSE;
    }

    HWND hWnd = pRegistration->GetWindowHandle();
    if (!hWnd) return FALSE;  // a post to no window would go to this thread
    BOOL bForwarded;
    switch (pRegistration->GetNotifyStyle()) {
    case NOTIFY_STYLE_SEND: {
        DWORD_PTR ignored;
        bForwarded = SendMessageTimeoutA(hWnd, pNotification->m_message, pNotification->m_wParam,
                                         pNotification->m_lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                                         QTV_WAIT_LIMIT_MS, &ignored) != 0;
        break;
    }
    case NOTIFY_STYLE_DEFAULT:
    case NOTIFY_STYLE_POST:
        bForwarded = PostMessageA(hWnd, pNotification->m_message, pNotification->m_wParam, pNotification->m_lParam);
        break;
    default:
        return FALSE;
    }
    // A client that ended without unregistering took its window with it:
    // nobody owns the registration any more. A full queue or a slow client
    // fail otherwise, and keep theirs.
    if (!bForwarded && GetLastError() == ERROR_INVALID_WINDOW_HANDLE) Unregister(pRegistration->GetHandle());
    return TRUE;
}

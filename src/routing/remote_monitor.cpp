#include "routing/remote_monitor.h"

#include <new>

IMPLEMENT_DYNAMIC(CRemoteMonitor, CNotifyTarget)

// How long a forwarded send may wait for a client window: the client is
// another process, and a hung one must not stop the router.
static const UINT kForwardSendTimeoutMs = 5000;

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
        // Forwarding goes to the window named in the block: it must be a
        // window, not HWND_BROADCAST or a stale number.
        HWND hWnd = registration.GetWindowHandle();
        if (hWnd && !IsWindow(hWnd)) {
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
    if (!hWnd) return FALSE;
    switch (pRegistration->GetNotifyStyle()) {
    case NOTIFY_STYLE_SEND: {
        DWORD_PTR ignored;
        SendMessageTimeoutA(hWnd, pNotification->m_message, pNotification->m_wParam,
                            pNotification->m_lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                            kForwardSendTimeoutMs, &ignored);
        return TRUE;
    }
    case NOTIFY_STYLE_DEFAULT:
    case NOTIFY_STYLE_POST:
        PostMessageA(hWnd, pNotification->m_message, pNotification->m_wParam, pNotification->m_lParam);
        return TRUE;
    default:
        return FALSE;
    }
}

#include "qtvutils/message_pipe.h"

IMPLEMENT_DYNAMIC(CNotifyTarget, CObject)

CNotifyTarget::CNotifyTarget() = default;

CNotifyTarget::~CNotifyTarget() {
    // Each router drops this receiver's registrations and with them its link.
    while (!m_RouterLinks.empty()) m_RouterLinks.back().pPipe->DropTarget(this);
}

BOOL CNotifyTarget::IsRegisteredWith(const CMessagePipe* pPipe) const {
    for (const RouterLink& link : m_RouterLinks)
        if (link.pPipe == pPipe) return TRUE;
    return FALSE;
}
BOOL CNotifyTarget::Notify(CMessageNotification*) { return FALSE; }
LONG CNotifyTarget::Unused1(void*) { return 0; }
BOOL CNotifyTarget::Register(CMessagePipe*) { return FALSE; }
BOOL CNotifyTarget::UnRegister() { return TRUE; }
LONG CNotifyTarget::Unused2() { return 0; }

#include "qtvutils/routing.h"

IMPLEMENT_DYNAMIC(CNotifyTarget, CObject)

CNotifyTarget::~CNotifyTarget() = default;
BOOL CNotifyTarget::Notify(CMessageNotification*) { return FALSE; }
LONG CNotifyTarget::Unused1(void*) { return 0; }
BOOL CNotifyTarget::Register(CMessagePipe*) { return FALSE; }
BOOL CNotifyTarget::UnRegister() { return TRUE; }
LONG CNotifyTarget::Unused2() { return 0; }

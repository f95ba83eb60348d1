// The router's bridge for other processes: turns copy-data requests into
// registrations, executes unregistration requests and forwards matched
// messages to the remote clients' windows.
#pragma once

#include "qtvutils/remote_pipe.h"

class CRemoteMonitor : public CNotifyTarget {
    DECLARE_DYNAMIC(CRemoteMonitor)
public:
    CRemoteMonitor();
    ~CRemoteMonitor() override;

    BOOL Notify(CMessageNotification* pNotification) override;
    BOOL Register(CMessagePipe* pPipe) override;

    CMessageRegistration m_Registration;  // the bridge's own: IPC message and WM_COPYDATA
    UINT m_nIpcMessage;

private:
    BOOL RegisterFromCopyData(CMessageNotification* pNotification);
    void Unregister(UINT nHandle);
};


// The router's bridge for other processes: turns copy-data requests into
// registrations, executes unregistration requests and forwards matched
// messages to the remote clients' windows.
#pragma once

#include "qtvutils/routing.h"

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

// The registration block a copy-data request carries, or null when the data
// cannot hold one: the size word must lie between 36 and the byte count, and
// the lists it announces must fit the byte count.
TAGRawRegistration* ValidRegistrationBlock(const COPYDATASTRUCT* pCopyData);

#include "qtvutils/remote_pipe.h"

HWND CRemoteMessagePipe::FindRouterWindow() { return FindWindowA(QTV_ROUTER_WINDOW_CLASS, nullptr); }

UINT CRemoteMessagePipe::RegisterForNotifications(HWND hWnd, CMessageRegistration& registration) {
    return RegisterForNotifications(FindRouterWindow(), hWnd, registration);
}

UINT CRemoteMessagePipe::RegisterForNotifications(HWND hRouter, HWND hWnd, CMessageRegistration& registration) {
    if (!hRouter) return 0;
    registration.SetWindowHandle(hWnd);
    auto* pRaw = static_cast<TAGRawRegistration*>(static_cast<void*>(registration));
    COPYDATASTRUCT copyData = {QTV_COPYDATA_REGISTER, pRaw->dwSize, pRaw};
    // A router that hangs must not hang its clients with it.
    DWORD_PTR handle = 0;
    if (!SendMessageTimeoutA(hRouter, WM_COPYDATA, reinterpret_cast<WPARAM>(hWnd), reinterpret_cast<LPARAM>(&copyData),
                             SMTO_NORMAL | SMTO_ABORTIFHUNG, QTV_WAIT_LIMIT_MS, &handle))
        return 0;
    return static_cast<UINT>(handle);
}

BOOL CRemoteMessagePipe::UnRegisterNotification(UINT nHandle) {
    return UnRegisterNotification(FindRouterWindow(), nHandle);
}

BOOL CRemoteMessagePipe::UnRegisterNotification(HWND hRouter, UINT nHandle) {
    if (!hRouter) return FALSE;
    PostMessageA(hRouter, RegisterWindowMessageA(QTV_IPC_MESSAGE), QTV_IPC_UNREGISTER, nHandle);
    return TRUE;
}

CGlobalMessagePipe::CGlobalMessagePipe() : m_hRouterWnd(FindWindowA(QTV_ROUTER_WINDOW_CLASS, nullptr)) {}

CGlobalMessagePipe::~CGlobalMessagePipe() {}

UINT CGlobalMessagePipe::RegisterForNotifications(CMessageRegistration& registration) {
    if (!m_hRouterWnd) return 0;
    // Only a window that a router object of this thread created is one; any
    // other window of the class (another thread's or process's) is not.
    auto* pRouter = dynamic_cast<CMessagePipe*>(CWnd::FromHandlePermanent(m_hRouterWnd));
    return pRouter ? pRouter->RegisterForNotifications(registration) : 0;
}

// QTVUtils message routing: registration with a router from another process
// (CRemoteMessagePipe) or from code of the router's process that has no
// pointer to it (CGlobalMessagePipe), and the messages that carry it.
#pragma once

#include "qtvutils/message_pipe.h"

// Registered message with which remote clients unregister.
#define QTV_IPC_MESSAGE "Quorvane Talvora Ipc Message"
// WM_COPYDATA tag of a remote registration request, and the IPC message's
// unregistration code.
const ULONG_PTR QTV_COPYDATA_REGISTER = 68;
const WPARAM QTV_IPC_UNREGISTER = 69;

// Registration with a router of another process, through window messages.
// Usable from any thread of any process.
class QTVUTILS_API CRemoteMessagePipe {
public:
    // Sends the registration (with hWnd as its window) to the router found by
    // its class; matching messages are then sent or posted to hWnd under their
    // own numbers, until the registration is unregistered or a forward finds
    // hWnd gone. Returns the router's handle; 0 when there is no router (the
    // registration is then untouched), when hWnd is not a window or is a
    // router's, or when the router gives no answer within QTV_WAIT_LIMIT_MS
    // (it may still register it later). The caller's handle and router fields
    // are not written.
    static UINT RegisterForNotifications(HWND hWnd, CMessageRegistration& registration);
    // Posts the unregistration request; false when there is no router, true
    // otherwise (whether the post went through is not looked at).
    static BOOL UnRegisterNotification(UINT nHandle);

    // The router other processes reach: the first window of the router class
    // that the platform finds, or null. Which router comes first changes as
    // routers come and go, so a client that stays for a while keeps the window
    // it found and uses the two calls below.
    static HWND FindRouterWindow();
    // As above, with the router given; hRouter null (no router) gives 0 and
    // false, and leaves the registration untouched.
    static UINT RegisterForNotifications(HWND hRouter, HWND hWnd, CMessageRegistration& registration);
    static BOOL UnRegisterNotification(HWND hRouter, UINT nHandle);
};

// Registration with this process's router by code that has no pointer to it.
// Used on the router's thread only.
class QTVUTILS_API CGlobalMessagePipe {
public:
    CGlobalMessagePipe();   // looks up the router window once
    ~CGlobalMessagePipe();

    // 0 when no router was found, or when the window found is not a router
    // object of the calling thread (another thread's or process's).
    UINT RegisterForNotifications(CMessageRegistration& registration);

private:
    HWND m_hRouterWnd;
};

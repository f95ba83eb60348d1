// QTVUtils message routing: the reports of the suite's system-wide window
// hooks, which a router installs with CMessagePipe::EnableShellHook and
// EnableCBTHook (message_pipe.h).
#pragma once

#include "qtvutils/framework.h"

// Reports of the hook module "QTVEHook.dll", posted to the router window and
// broadcast to the registrations that list them:
//   QTV_HOOK_SHELL_REPORT: wParam = the shell event code (HSHELL_*),
//                          lParam = the event's wParam (for window events, the window)
//   QTV_HOOK_CBT_REPORT:   wParam = the CBT hook code (HCBT_*),
//                          lParam = the event's wParam (for window events, the window)
#define QTV_HOOK_MODULE "QTVEHook.dll"
const UINT QTV_HOOK_CBT_REPORT = WM_USER + 101;    // 1125
const UINT QTV_HOOK_SHELL_REPORT = WM_USER + 118;  // 1142

// QTVUtils message routing. Each part has a header of its own; this one
// includes them all:
//   message_registration.h  CMessageRegistration and the flat block
//   message_pipe.h          the router CMessagePipe, CNotifyTarget, CMessageNotification
//   remote_pipe.h           CRemoteMessagePipe, CGlobalMessagePipe
//   driver_pipe.h           CDriverPipe and CDriverPipeText
//   window_hooks.h          the hook module's reports
#pragma once

#include "qtvutils/message_registration.h"
#include "qtvutils/message_pipe.h"
#include "qtvutils/remote_pipe.h"
#include "qtvutils/driver_pipe.h"
#include "qtvutils/window_hooks.h"

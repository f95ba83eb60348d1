// QTVUtils framework layer: the small application-framework core the library
// is built on, and the types every family shares. Each part has a header of
// its own; this one includes them all:
//   api.h               export macros and the one portability macro
//   cstring.h           CString, counted 8-bit text
//   object.h            CObject and the run-time class records
//   extension_module.h  a framework DLL's registration; the library's instance
//   wnd.h               CWnd, window objects with command routing
//   ref_counted.h       CRefCounted, the reference-counted base
//   exports.h           the no-op exports
//
// The classes keep the member names of the framework the suite's programs were
// written against, so those programs compile unchanged; they hold only what
// the library itself uses.
#pragma once

#include "qtvutils/api.h"
#include "qtvutils/cstring.h"
#include "qtvutils/object.h"
#include "qtvutils/extension_module.h"
#include "qtvutils/wnd.h"
#include "qtvutils/ref_counted.h"
#include "qtvutils/exports.h"

// Window classes that live as long as the library's module. The platform
// keeps a class until it is unregistered, even after the module whose window
// procedure it names has been unloaded; a copy of the library loaded again at
// another address would then find a class that points into the old image.
#pragma once

#include <windows.h>

namespace qtv {

// Registers the class of CWnd windows with this name for the library's
// module, once for the module's lifetime; false when the platform refuses it.
// The procedure is AfxWndProc or one that hands every message it does not
// drop to AfxWndProc.
bool RegisterModuleClass(const char* name, WNDPROC proc);

// Unregisters every class RegisterModuleClass registered: when the module is
// unloaded, while the process goes on.
void UnregisterModuleClasses();

}  // namespace qtv

#include "qtvutils/framework.h"

namespace {
AFX_EXTENSION_MODULE g_qtvModule;
}

// Registration with the framework is all that happens at load time: the
// library's run-time classes and resources become findable, and stop being
// so when the library is unloaded.
BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID) {
    if (dwReason == DLL_PROCESS_ATTACH) return AfxInitExtensionModule(g_qtvModule, hInstance);
    if (dwReason == DLL_PROCESS_DETACH) AfxTermExtensionModule(g_qtvModule);
    return TRUE;
}

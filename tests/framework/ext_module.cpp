// A DLL built on the framework, as the suite's own modules are: it registers
// itself on load, so its run-time classes and strings become findable, and
// deregisters on unload.
#include "qtvutils/framework.h"

class CModuleOnlyClass : public CObject {
    DECLARE_DYNAMIC(CModuleOnlyClass)
};
IMPLEMENT_DYNAMIC(CModuleOnlyClass, CObject)

static AFX_EXTENSION_MODULE g_module;

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID) {
    if (dwReason == DLL_PROCESS_ATTACH) return AfxInitExtensionModule(g_module, hInstance);
    if (dwReason == DLL_PROCESS_DETACH) AfxTermExtensionModule(g_module);
    return TRUE;
}

#include "qtvutils/extension_module.h"

#include "framework/module_classes.h"

namespace {
AFX_EXTENSION_MODULE g_qtvModule;
}

// Registration with the framework is all that happens at load time: the
// library's run-time classes and resources become findable, and stop being
// so when the library is unloaded. An unload while the process goes on
// (reserved is null) also takes the library's window classes with it; when
// the process ends they go with it.
BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID reserved) {
    if (dwReason == DLL_PROCESS_ATTACH) return AfxInitExtensionModule(g_qtvModule, hInstance);
    if (dwReason == DLL_PROCESS_DETACH) {
        if (!reserved) qtv::UnregisterModuleClasses();
        AfxTermExtensionModule(g_qtvModule);
    }
    return TRUE;
}

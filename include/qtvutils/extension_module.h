// QTVUtils framework layer: the registration of a framework DLL (an extension
// module) with the framework, and the library's own module instance.
#pragma once

#include "qtvutils/api.h"
#include "qtvutils/object.h"

// ---------------------------------------------------------------------------
// Extension modules. A DLL built on the framework registers itself from its
// DllMain on process attach and deregisters on detach; its run-time classes
// (those filed since the last registration) and its resources are then found
// by CRuntimeClass::FromName and CString::LoadString.
// ---------------------------------------------------------------------------
struct AFX_EXTENSION_MODULE {
    BOOL bInitialized;
    HMODULE hModule;
    CRuntimeClass* pFirstSharedClass;
    AFX_EXTENSION_MODULE* pNextModule;
};

QTVUTILS_API BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE hModule);
QTVUTILS_API void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state);

// The instance handle of the library's own module.
QTVUTILS_API HINSTANCE AfxGetInstanceHandle();

#include "qtvutils/message_pipe.h"

#include "framework/scoped_handle.h"

namespace {

// The hook module's exports (the platform's standard calling convention).
using SetShellHookFn = HHOOK(WINAPI*)(HWND, UINT);
using SetHookWindowHandleFn = LRESULT(WINAPI*)(HWND, UINT);
using SetHookHandleFn = LRESULT(WINAPI*)(HHOOK);

template <class Fn>
Fn Export(HMODULE hModule, const char* name) {
    // GetProcAddress hands out a generic procedure pointer; the export's real
    // type is fixed by the module's interface.
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(hModule, name)));
}

}  // namespace

BOOL CMessagePipe::EnableShellHook(BOOL bEnable) {
    if (!bEnable) return RemoveHook(m_hShellHook);
    if (!LoadHookModule() || m_hShellHook) return TRUE;
    auto pSetShellHook = Export<SetShellHookFn>(m_hHookModule, "SetShellHook");
    if (!pSetShellHook) return FALSE;
    m_hShellHook = pSetShellHook(m_hWnd, QTV_HOOK_SHELL_REPORT);
    return m_hShellHook != nullptr;
}

BOOL CMessagePipe::EnableCBTHook(BOOL bEnable) {
    if (!bEnable) return RemoveHook(m_hCBTHook);
    if (!LoadHookModule() || m_hCBTHook) return TRUE;
    auto pSetWindow = Export<SetHookWindowHandleFn>(m_hHookModule, "SetHookWindowHandle");
    if (!pSetWindow) return TRUE;
    pSetWindow(m_hWnd, QTV_HOOK_CBT_REPORT);
    auto pCbtProc = Export<HOOKPROC>(m_hHookModule, "CbtProc");
    if (!pCbtProc) return TRUE;
    m_hCBTHook = SetWindowsHookExA(WH_CBT, pCbtProc, m_hHookModule, 0);
    if (!m_hCBTHook) return TRUE;
    if (auto pSetHook = Export<SetHookHandleFn>(m_hHookModule, "SetHookHandle")) pSetHook(m_hCBTHook);
    return TRUE;
}

BOOL CMessagePipe::LoadHookModule() {
    if (!m_hHookModule) m_hHookModule = LoadLibraryA(QTV_HOOK_MODULE);
    return m_hHookModule != nullptr;
}

BOOL CMessagePipe::RemoveHook(HHOOK& hHook) {
    if (!hHook) return TRUE;
    const bool bRemoved = qtv::ScopedHook::CloseField(hHook);
    // Both hooks share one module handle, and a hook procedure must never be
    // unloaded while its hook is installed: the module is kept while the
    // other hook is still in, and kept for good (the handle forgotten, not
    // freed) when the removal failed and the procedure may still be called.
    if (m_hShellHook || m_hCBTHook) return TRUE;
    if (bRemoved)
        qtv::ScopedModule::CloseField(m_hHookModule);
    else
        m_hHookModule = nullptr;
    return TRUE;
}

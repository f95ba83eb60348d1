/* QTVEHook.dll: the suite's hook module. Its hook procedures run inside
 * every process of the desktop that the hooks reach, so it depends on
 * nothing but kernel32 and user32, keeps its settings in a data section that
 * all those processes share, and only ever posts its reports: a hooked
 * thread is never made to wait.
 *
 * Reports (see routing.h):
 *   shell: message as given to SetShellHook,        wParam = shell code, lParam = event wParam
 *   CBT:   message as given to SetHookWindowHandle, wParam = CBT code,   lParam = event wParam
 */
#include <windows.h>

#define SHARED __attribute__((section(".shared"), shared))

static HWND g_hShellWnd SHARED = NULL;
static UINT g_nShellMsg SHARED = 0;
static HHOOK g_hShellHook SHARED = NULL;
static HWND g_hCbtWnd SHARED = NULL;
static UINT g_nCbtMsg SHARED = 0;
static HHOOK g_hCbtHook SHARED = NULL;

static HINSTANCE g_hInstance; /* per process */

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID reserved) {
    (void)reserved;
    if (dwReason == DLL_PROCESS_ATTACH) {
        g_hInstance = hInstance;
        DisableThreadLibraryCalls(hInstance);
    }
    return TRUE;
}

static LRESULT CALLBACK ShellProc(int nCode, WPARAM wParam, LPARAM lParam) {
    if (nCode >= 0 && g_hShellWnd) PostMessageA(g_hShellWnd, g_nShellMsg, (WPARAM)nCode, (LPARAM)wParam);
    return CallNextHookEx(g_hShellHook, nCode, wParam, lParam);
}

HHOOK WINAPI SetShellHook(HWND hWnd, UINT nMessage) {
    g_hShellWnd = hWnd;
    g_nShellMsg = nMessage;
    g_hShellHook = SetWindowsHookExA(WH_SHELL, ShellProc, g_hInstance, 0);
    return g_hShellHook;
}

LRESULT WINAPI SetHookWindowHandle(HWND hWnd, UINT nMessage) {
    g_hCbtWnd = hWnd;
    g_nCbtMsg = nMessage;
    return 0;
}

LRESULT WINAPI SetHookHandle(HHOOK hHook) {
    g_hCbtHook = hHook;
    return 0;
}

#ifndef QTVEHOOK_WITHOUT_CBTPROC
LRESULT CALLBACK CbtProc(int nCode, WPARAM wParam, LPARAM lParam) {
    if (nCode >= 0 && g_hCbtWnd) PostMessageA(g_hCbtWnd, g_nCbtMsg, (WPARAM)nCode, (LPARAM)wParam);
    return CallNextHookEx(g_hCbtHook, nCode, wParam, lParam);
}
#endif

#include "qtvutils/wnd.h"

#include "qtvutils/extension_module.h"

#include "framework/module_classes.h"

#include <cstring>
#include <unordered_map>

extern "C" IMAGE_DOS_HEADER __ImageBase;

HINSTANCE AfxGetInstanceHandle() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

namespace {

// The windows created by this thread's CWnd objects. Window procedures run on
// the window's own thread, so the map needs no lock. It exists only while the
// thread has CWnd windows, so a thread that ends leaves nothing behind.
using HandleMap = std::unordered_map<HWND, CWnd*>;
thread_local HandleMap* t_pHandleMap = nullptr;

// The object whose window is being created on this thread; the first message
// the new window receives binds it, before CreateWindowEx returns.
thread_local CWnd* t_pWndInit = nullptr;

CWnd* LookUp(HWND hWnd) {
    if (!t_pHandleMap) return nullptr;
    auto it = t_pHandleMap->find(hWnd);
    return it == t_pHandleMap->end() ? nullptr : it->second;
}

void Bind(HWND hWnd, CWnd* pWnd) {
    if (!t_pHandleMap) t_pHandleMap = new HandleMap;
    (*t_pHandleMap)[hWnd] = pWnd;
}

void Unbind(HWND hWnd) {
    if (!t_pHandleMap) return;
    t_pHandleMap->erase(hWnd);
    if (t_pHandleMap->empty()) {
        delete t_pHandleMap;
        t_pHandleMap = nullptr;
    }
}

}  // namespace

IMPLEMENT_DYNAMIC(CWnd, CObject)

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* pWnd = LookUp(hWnd);
    if (!pWnd) {
        if (!t_pWndInit) return DefWindowProcA(hWnd, message, wParam, lParam);
        pWnd = t_pWndInit;
        t_pWndInit = nullptr;
        try {
            Bind(hWnd, pWnd);
        } catch (...) {
            return DefWindowProcA(hWnd, message, wParam, lParam);
        }
        pWnd->m_hWnd = hWnd;
    }
    LRESULT result = 0;
    // An exception must not unwind through the system's frames.
    try {
        result = pWnd->WindowProc(message, wParam, lParam);
    } catch (...) {
        result = 0;
    }
    if (message == WM_NCDESTROY) {
        Unbind(hWnd);
        pWnd->m_hWnd = nullptr;
    }
    return result;
}

CWnd::CWnd() : m_hWnd(nullptr) {}

CWnd::~CWnd() {
    if (m_hWnd) DestroyWindow();
}

BOOL CWnd::CreateEx(DWORD dwExStyle, const char* lpszClassName, const char* lpszWindowName,
                    DWORD dwStyle, int x, int y, int nWidth, int nHeight, HWND hWndParent,
                    HMENU nIDorHMenu, LPVOID lpParam) {
    if (m_hWnd) return FALSE;
    CWnd* pOuter = t_pWndInit;
    t_pWndInit = this;
    HWND hWnd = CreateWindowExA(dwExStyle, lpszClassName, lpszWindowName, dwStyle, x, y, nWidth,
                                nHeight, hWndParent, nIDorHMenu, AfxGetInstanceHandle(), lpParam);
    t_pWndInit = pOuter;
    if (hWnd && m_hWnd != hWnd) {
        // The class does not use AfxWndProc: the object could never see its
        // messages, so such a window is not made.
        ::DestroyWindow(hWnd);
        return FALSE;
    }
    return hWnd != nullptr;
}

BOOL CWnd::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

BOOL CWnd::ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }

CWnd* CWnd::FromHandlePermanent(HWND hWnd) { return LookUp(hWnd); }

BOOL CWnd::OnCmdMsg(UINT, int, void*, void*) { return FALSE; }

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        int nCode = lParam == 0 ? CN_COMMAND : (CN_CONTROL | HIWORD(wParam));
        if (OnCmdMsg(LOWORD(wParam), nCode, nullptr, nullptr)) return 0;
    }
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

namespace {

// The window classes this module registered, to unregister when it is
// unloaded. A fixed array, so that nothing of it is torn down before the
// module's last call. The library has one class; the room is for growth.
SRWLOCK g_classLock = SRWLOCK_INIT;
const char* g_classes[4];
int g_nClasses = 0;

}  // namespace

bool qtv::RegisterModuleClass(const char* name, WNDPROC proc) {
    AcquireSRWLockExclusive(&g_classLock);
    bool ok = false;
    for (int i = 0; i < g_nClasses && !ok; ++i) ok = strcmp(g_classes[i], name) == 0;
    if (!ok && g_nClasses < static_cast<int>(sizeof g_classes / sizeof g_classes[0])) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = proc;
        wc.hInstance = AfxGetInstanceHandle();
        wc.lpszClassName = name;
        // A class left by an earlier load at this same address has this
        // same procedure: it is taken over.
        ok = RegisterClassA(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
        if (ok) g_classes[g_nClasses++] = name;
    }
    ReleaseSRWLockExclusive(&g_classLock);
    return ok;
}

void qtv::UnregisterModuleClasses() {
    AcquireSRWLockExclusive(&g_classLock);
    while (g_nClasses > 0) UnregisterClassA(g_classes[--g_nClasses], AfxGetInstanceHandle());
    ReleaseSRWLockExclusive(&g_classLock);
}

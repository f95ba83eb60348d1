// QTVUtils framework layer: CWnd, a window object whose window procedure is
// a virtual member, with command routing.
#pragma once

#include "qtvutils/object.h"

// ---------------------------------------------------------------------------
// CWnd: a window object. Windows created through CreateEx use the shared
// window procedure AfxWndProc, which hands every message to the object's
// virtual WindowProc. Each thread keeps a map of the windows its CWnd objects
// created (FromHandlePermanent); the object is bound before CreateEx returns
// and unbound when the window is destroyed.
// ---------------------------------------------------------------------------

// OnCmdMsg codes: a menu or accelerator command (WM_COMMAND with lParam 0)
// arrives with CN_COMMAND; a control notification with CN_CONTROL set and the
// control's notification code in the low 16 bits, so it is never 0.
const int CN_COMMAND = 0;
const int CN_CONTROL = 0x10000;

class QTVUTILS_API CWnd : public CObject {
    DECLARE_DYNAMIC(CWnd)
public:
    CWnd();
    ~CWnd() override;  // destroys the window

    HWND m_hWnd;

    BOOL CreateEx(DWORD dwExStyle, const char* lpszClassName, const char* lpszWindowName,
                  DWORD dwStyle, int x, int y, int nWidth, int nHeight, HWND hWndParent,
                  HMENU nIDorHMenu, LPVOID lpParam = nullptr);
    virtual BOOL DestroyWindow();
    BOOL ShowWindow(int nCmdShow);
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The CWnd of the calling thread that created hWnd, or null.
    static CWnd* FromHandlePermanent(HWND hWnd);

    // Command routing: true when the command was handled. The default
    // handles nothing.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo);

protected:
    // Default: WM_COMMAND goes to OnCmdMsg; what it does not handle, and
    // every other message, goes to DefWindowProc.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
};

// The window procedure to register for classes whose windows are CWnds.
QTVUTILS_API LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

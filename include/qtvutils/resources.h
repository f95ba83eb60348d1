// QTVUtils resources: the manager of a program's resource modules
// (CResourceMgr) and the holder of one loaded icon or bitmap (CResInfo).
//
// Errors: nothing is reported beyond results. Initialize returns non-zero
// only when modules 1 and 2 are loaded; FindResourceDLL and every loader
// return null (FindAndLoadString an empty string) when no module selected by
// the search mask holds the resource or the platform cannot load it.
// FindAndLoadDIB writes its three outputs only when it returns a bitmap;
// otherwise they are untouched and nothing stays allocated. CResInfo reports
// failure as 0. Nothing is ever thrown except std::bad_alloc from CString.
//
// Search masks: bit 0x1 selects module 4, 0x2 module 2, 0x4 module 3 and 0x8
// module 1, searched in that order; other bits are ignored. Resource numbers
// are cut to their low 16 bits. Each call asks the platform anew: nothing is
// cached, and the manager keeps no reference to what it hands out.
//
// Lifetimes: bitmaps, palettes and icons the loaders return belong to the
// caller; cursors are the platform's shared ones, never destroyed. The
// header and pixel pointers of FindAndLoadDIB and the loaded resources of
// FindAndLoadResource point into a module's read-only resource data and stay
// valid while the manager lives. A manager and its holders belong to one thread at
// a time; a holder must not outlive its manager.
#pragma once

#include "qtvutils/framework.h"

// ---------------------------------------------------------------------------
// CResourceMgr: up to four resource modules, the suite's installation
// directory and its help file. Construction reads the directory of the module
// hInstance and, under HKEY_LOCAL_MACHINE, the installation key
// "SOFTWARE\Quorvane\Entertainment\CurrentVersion" (values "Install
// Directory" and "HelpFileName"); Initialize loads the modules. The object
// owns the modules and unloads them when it is destroyed.
// ---------------------------------------------------------------------------
class QTVUTILS_API CResourceMgr : public CRefCounted {
public:
    explicit CResourceMgr(HINSTANCE hInstance);
    ~CResourceMgr() override;

    // Loads each module from the first place that has it: the installation
    // directory, the module directory, then the bare name along the
    // platform's library search path. A name with a directory part is
    // appended as it stands; a null or empty name loads nothing. Then looks
    // for the help file (the registry's name, else pszDefaultHelpFile, which
    // may be null) in the installation directory, then in the module
    // directory. Call once: a second call loads again over the handles
    // without unloading what they held.
    BOOL Initialize(const char* pszName1, const char* pszName2, const char* pszName3,
                    const char* pszName4, const char* pszDefaultHelpFile);

    // The first selected module that holds the resource, or null. Names and
    // types are texts or numbers below 65536 in place of the pointer.
    HINSTANCE FindResourceDLL(const char* lpName, const char* lpType, UINT nSearch);

    // Always null: accelerators are not loaded from resource modules.
    HACCEL FindAndLoadAccelerators(UINT id, UINT nSearch);
    HBITMAP FindAndLoadBitmap(UINT id, UINT nSearch);
    // A bitmap compatible with the screen, made from a packed device-
    // independent bitmap resource, with its header, its pixel data and a
    // palette of its colour table (2^bits colours up to 8 bits per pixel,
    // null above). A resource too short for its header, the palette's
    // colours or its pixel data is refused. The caller deletes the bitmap and
    // the palette. A null output pointer is not written (the palette is then
    // deleted).
    HBITMAP FindAndLoadDIB(UINT id, BITMAPINFOHEADER** ppHeader, char** ppBits, HPALETTE* pPalette,
                           UINT nSearch);
    // The fourteen standard system cursors (IDC_ARROW ... IDC_APPSTARTING)
    // come from the system whatever the mask; any other number from a module
    // that holds a cursor image (RT_CURSOR) of that number.
    HCURSOR FindAndLoadCursor(UINT id, UINT nSearch);
    // Built from the image of the icon group that best fits the display.
    HICON FindAndLoadIcon(UINT id, UINT nSearch);
    // The module is the first that holds the string's block of sixteen; at
    // most 2,047 characters. Empty when missing.
    CString FindAndLoadString(UINT id, UINT nSearch);
    // The loaded resource (LoadResource), for the caller to lock. Names and
    // types are taken as they are.
    void* FindAndLoadResource(const char* lpName, const char* lpType, UINT nSearch);

private:
    int m_bInitializeCalled;  // set by Initialize, whatever its outcome

public:
    CString m_strModuleDir;     // the constructor's module's directory, with its final '\', or empty
    CString m_strInstallDir;    // "Install Directory", or empty
    CString m_strHelpFileName;  // "HelpFileName", else Initialize's default, or empty
    CString m_strHelpDir;       // m_strInstallDir or m_strModuleDir: where the help file is, or empty

private:
    HMODULE m_hModule2;
    HMODULE m_hModule4;
    HMODULE m_hModule1;
    HMODULE m_hModule3;

    CResourceMgr(const CResourceMgr&) = delete;
    CResourceMgr& operator=(const CResourceMgr&) = delete;

    HMODULE LoadModule(const char* pszName) const;
    BOOL HelpFileIn(const CString& strDir) const;
};

// ---------------------------------------------------------------------------
// CResInfo: one icon or bitmap, loaded through a manager or handed in.
//
// A handle the holder loaded itself is owned: a bitmap is deleted when the
// holder lets it go (DeleteResource, a new load or SetIconBmpRes, its
// destruction). A handle handed in with SetIconBmpRes, or given up with
// DetachResource, is never deleted. Icons are never destroyed by the holder.
// ---------------------------------------------------------------------------
class QTVUTILS_API CResInfo {
public:
    enum { kNone = 0, kBitmap = 1, kIcon = 2 };

    explicit CResInfo(CResourceMgr* pMgr);
    ~CResInfo();

    // Forgets the handle without freeing it.
    void ClearResMembers();
    // Lets the current handle go, then keeps hRes (not owned) as type nType.
    // Always 1.
    BOOL SetIconBmpRes(void* hRes, int nType);
    // nType 0: bitmap id, else icon id; 1: bitmap only; 2: icon only. Both
    // are searched in module 3, then module 1. A holder already holding a
    // handle of type nType keeps it and returns 1, whatever id is. After a
    // failure the type last tried stays with a null handle.
    BOOL LoadIconBmpRes(int id, int nType);
    // Draws at the origin of hdc: an icon at its size, a bitmap clipped to
    // the client size of pWnd's window. 0 when nothing is held or drawn.
    BOOL DrawIconBmpRes(CWnd* pWnd, HDC hdc);

    HICON IconHandle();      // null unless an icon is held
    HBITMAP BitmapHandle();  // null unless a bitmap is held
    // Lets the handle go (an owned bitmap is deleted) and forgets it.
    void DeleteResource();
    // The caller takes the handle over; the holder keeps showing it.
    void DetachResource();
    int ResourceType();

    BOOL m_bNotOwned;   // 1: never deleted by the holder
    int m_nResType;     // kNone, kBitmap or kIcon
    void* m_hResource;  // the bitmap or icon, or null
    CResourceMgr* const m_pResourceMgr;

private:
    CResInfo(const CResInfo&) = delete;
    CResInfo& operator=(const CResInfo&) = delete;
};

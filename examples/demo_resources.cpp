// The resource manager finds the four resource modules built beside the demo
// (QTVDemoMain, QTVDemoText, QTVDemoArt and QTVDemoLocal, given as names 1 to
// 4), loads strings, bitmaps and an icon through search masks, and tells
// which module holds each.
#include "demo_resources.h"

#include "qtvutils/qtvutils.h"

#include <cstdio>

namespace {

void Say(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    CString text;
    text.FormatV(format, args);
    va_end(args);
    printf("[%-6s] %s\n", "res", static_cast<const char*>(text));
    fflush(stdout);
}

// The file name of the module that holds the resource, or "no module".
CString Holder(CResourceMgr& mgr, UINT id, const char* type, UINT mask) {
    char path[MAX_PATH];
    HINSTANCE module = mgr.FindResourceDLL(MAKEINTRESOURCEA(id), type, mask);
    if (!module || !GetModuleFileNameA(module, path, MAX_PATH)) return "no module";
    return CPathName(path).FileName();
}

CString BitmapSize(HBITMAP bitmap) {
    BITMAP info = {};
    CString text;
    if (GetObjectA(bitmap, sizeof info, &info)) text.Format("%ld x %ld", info.bmWidth, info.bmHeight);
    return text;
}

}  // namespace

int DemoResources() {
    // The directory of this program is the module directory; the install
    // directory comes from the registry, when the suite is installed.
    CResourceMgr mgr(GetModuleHandleA(nullptr));
    const BOOL ok = mgr.Initialize("QTVDemoMain.dll", "QTVDemoText.dll", "QTVDemoArt.dll", "QTVDemoLocal.dll", "QTVDemo.hlp");
    Say("module folder %s, install folder %s", static_cast<const char*>(mgr.m_strModuleDir),
        mgr.m_strInstallDir.IsEmpty() ? "(not installed)" : static_cast<const char*>(mgr.m_strInstallDir));
    Say("Initialize: %d (modules 1 and 2 are the ones it needs)", ok);

    // Strings are searched by their block of sixteen: string 1 is in modules
    // 4 and 2, string 20 (block 2) in module 2 only.
    for (UINT id : {1u, 20u})
        Say("string %u with mask 0xF: \"%s\" from %s", id, static_cast<const char*>(mgr.FindAndLoadString(id, 0xF)),
            static_cast<const char*>(Holder(mgr, id / 16 + 1, RT_STRING, 0xF)));

    // Bitmap 100 is in modules 1 and 3: mask 0x8 takes module 1's, a holder
    // (mask 0xC) module 3's.
    HBITMAP bitmap = mgr.FindAndLoadBitmap(100, 0x8);
    Say("bitmap 100 with mask 0x8: %s from %s", static_cast<const char*>(BitmapSize(bitmap)),
        static_cast<const char*>(Holder(mgr, 100, RT_BITMAP, 0x8)));
    CResInfo held(&mgr);
    held.LoadIconBmpRes(100, 0);
    Say("bitmap 100 in a holder (mask 0xC): %s from %s", static_cast<const char*>(BitmapSize(held.BitmapHandle())),
        static_cast<const char*>(Holder(mgr, 100, RT_BITMAP, 0xC)));

    // The icon group holds a 16- and a 32-pixel image; the display picks one.
    HICON icon = mgr.FindAndLoadIcon(200, 0xF);
    ICONINFO info = {};
    const bool iconInfo = icon && GetIconInfo(icon, &info);
    Say("icon 200: %s image from %s", iconInfo ? static_cast<const char*>(BitmapSize(info.hbmColor)) : "no",
        static_cast<const char*>(Holder(mgr, 200, RT_GROUP_ICON, 0xF)));

    const bool done = ok && bitmap && held.BitmapHandle() && iconInfo;
    if (iconInfo) {
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
    if (icon) DestroyIcon(icon);
    if (bitmap) DeleteObject(bitmap);
    Say(done ? "done" : "a resource was missing");
    return done ? 0 : 1;
}

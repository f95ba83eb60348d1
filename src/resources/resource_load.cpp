#include "qtvutils/resources.h"

#include "framework/scoped_handle.h"
#include "resources/dc_handles.h"
#include "resources/packed_dib.h"

#include <algorithm>
#include <iterator>

namespace {

// A resource's bytes in a module; null when the module, the resource or its
// loading is missing.
struct ResourceBytes {
    const BYTE* pData;
    DWORD cbData;
};

ResourceBytes LockedResource(HMODULE hModule, const char* lpName, const char* lpType) {
    HRSRC hInfo = hModule ? FindResourceA(hModule, lpName, lpType) : nullptr;
    HGLOBAL hLoaded = hInfo ? LoadResource(hModule, hInfo) : nullptr;
    const void* pData = hLoaded ? LockResource(hLoaded) : nullptr;
    return {static_cast<const BYTE*>(pData), pData ? SizeofResource(hModule, hInfo) : 0};
}

// Resource numbers are 16 bits, handed to the platform in place of a name.
const char* ResourceNumber(UINT id) { return MAKEINTRESOURCEA(LOWORD(id)); }

// A logical palette of the image's colour table; null for images of more
// than 8 bits per pixel.
HPALETTE CreateDibPalette(const qtv::PackedDib& dib) {
    if (dib.nPaletteColours == 0) return nullptr;
    struct {
        WORD palVersion;
        WORD palNumEntries;
        PALETTEENTRY palPalEntry[256];
    } palette = {0x300, static_cast<WORD>(dib.nPaletteColours), {}};
    for (UINT i = 0; i < dib.nPaletteColours; ++i) {
        const RGBQUAD& colour = dib.pColours[i];
        palette.palPalEntry[i] = {colour.rgbRed, colour.rgbGreen, colour.rgbBlue, 0};
    }
    return CreatePalette(reinterpret_cast<const LOGPALETTE*>(&palette));
}

// The cursors the system draws itself (IDC_ARROW to IDC_APPSTARTING).
const WORD kSystemCursors[] = {32512, 32513, 32514, 32515, 32516, 32640, 32641,
                               32642, 32643, 32644, 32645, 32646, 32648, 32650};

// An icon directory: three words, then an entry of 14 bytes per image.
const DWORD kIconDirHeader = 6, kIconDirEntry = 14;

}  // namespace

HACCEL CResourceMgr::FindAndLoadAccelerators(UINT, UINT) { return nullptr; }

HBITMAP CResourceMgr::FindAndLoadBitmap(UINT id, UINT nSearch) {
    HMODULE hModule = FindResourceDLL(ResourceNumber(id), RT_BITMAP, nSearch);
    return hModule ? LoadBitmapA(hModule, ResourceNumber(id)) : nullptr;
}

HBITMAP CResourceMgr::FindAndLoadDIB(UINT id, BITMAPINFOHEADER** ppHeader, char** ppBits, HPALETTE* pPalette,
                                     UINT nSearch) {
    HMODULE hModule = FindResourceDLL(ResourceNumber(id), RT_BITMAP, nSearch);
    ResourceBytes resource = LockedResource(hModule, ResourceNumber(id), RT_BITMAP);
    qtv::PackedDib dib;
    if (!qtv::LayOutPackedDib(resource.pData, resource.cbData, dib)) return nullptr;

    qtv::ScopedGdi<HPALETTE> palette(CreateDibPalette(dib));
    qtv::ScopedScreenDc screen(GetDC(nullptr));
    if (!screen) return nullptr;
    HPALETTE hOldPalette = nullptr;
    if (palette) {
        hOldPalette = SelectPalette(screen.Get(), palette.Get(), FALSE);
        RealizePalette(screen.Get());
    }
    HBITMAP hBitmap = CreateDIBitmap(screen.Get(), dib.pHeader, CBM_INIT, dib.pBits,
                                     reinterpret_cast<const BITMAPINFO*>(dib.pHeader), DIB_RGB_COLORS);
    // A palette still selected into a context cannot be deleted by the caller.
    if (hOldPalette) SelectPalette(screen.Get(), hOldPalette, FALSE);
    if (!hBitmap) return nullptr;

    if (ppHeader) *ppHeader = const_cast<BITMAPINFOHEADER*>(dib.pHeader);
    if (ppBits) *ppBits = const_cast<char*>(dib.pBits);
    if (pPalette) *pPalette = palette.Release();
    return hBitmap;
}

HCURSOR CResourceMgr::FindAndLoadCursor(UINT id, UINT nSearch) {
    if (std::count(std::begin(kSystemCursors), std::end(kSystemCursors), LOWORD(id)))
        return LoadCursorA(nullptr, ResourceNumber(id));
    // A module's cursor is looked for as an image (RT_CURSOR) but loaded by
    // the platform from the cursor group of the same number.
    HMODULE hModule = FindResourceDLL(ResourceNumber(id), RT_CURSOR, nSearch);
    return hModule ? LoadCursorA(hModule, ResourceNumber(id)) : nullptr;
}

HICON CResourceMgr::FindAndLoadIcon(UINT id, UINT nSearch) {
    HMODULE hModule = FindResourceDLL(ResourceNumber(id), RT_GROUP_ICON, nSearch);
    ResourceBytes group = LockedResource(hModule, ResourceNumber(id), RT_GROUP_ICON);
    // The platform reads as many entries as the directory counts: a
    // directory shorter than that is not handed to it.
    if (group.cbData < kIconDirHeader) return nullptr;
    const WORD nImages = reinterpret_cast<const WORD*>(group.pData)[2];
    if (group.cbData < kIconDirHeader + kIconDirEntry * nImages) return nullptr;
    const int nImage = LookupIconIdFromDirectory(const_cast<BYTE*>(group.pData), TRUE);
    ResourceBytes image = nImage ? LockedResource(hModule, ResourceNumber(nImage), RT_ICON) : ResourceBytes{};
    if (!image.pData) return nullptr;
    return CreateIconFromResource(const_cast<BYTE*>(image.pData), image.cbData, TRUE, 0x00030000);
}

CString CResourceMgr::FindAndLoadString(UINT id, UINT nSearch) {
    // Strings are kept sixteen to a block: block n holds 16 (n - 1) to 16 n - 1.
    HMODULE hModule = FindResourceDLL(ResourceNumber(LOWORD(id) / 16 + 1), RT_STRING, nSearch);
    char szText[2048];
    const int nLength = hModule ? LoadStringA(hModule, LOWORD(id), szText, sizeof szText) : 0;
    return nLength > 0 ? CString(szText, nLength) : CString();
}

void* CResourceMgr::FindAndLoadResource(const char* lpName, const char* lpType, UINT nSearch) {
    HMODULE hModule = FindResourceDLL(lpName, lpType, nSearch);
    HRSRC hInfo = hModule ? FindResourceA(hModule, lpName, lpType) : nullptr;
    return hInfo ? LoadResource(hModule, hInfo) : nullptr;
}

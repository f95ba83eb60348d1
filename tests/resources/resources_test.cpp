// The manager, its loaders and the holder, over the four test modules
// qtvres1.dll to qtvres4.dll built beside the tests (modules/*.rc).
#include "qtvutils/resources.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

// Colour i of the test images' colour tables, as 0x00RRGGBB.
static DWORD Colour(int i) { return (255 - i) << 16 | 0x40 << 8 | i; }

// `mgr`, made before each test, is a manager of the four test modules.
struct ResourceTest : ::testing::Test {
    ResourceTest() { EXPECT_TRUE(mgr.Initialize("qtvres1.dll", "qtvres2.dll", "qtvres3.dll", "qtvres4.dll", nullptr)); }
    CResourceMgr mgr{nullptr};
};

// The build adds the folders qtvres-install (modules 1 and 2, both.hlp,
// install.hlp) and qtvres-moddir (modules 1 and 3, both.hlp, moddir.hlp),
// whose module 1 gives the manager its module folder. For the masks 0xF, 0xE,
// 0xC and 0x18 (modules 4, 2, 3 and 1 onwards in search order, 0x10 ignored),
// "found" tells the module found and where it came from: i the install
// folder, m the module folder, b beside the tests, -- nothing; the help file
// likewise. The installation key is fixed: the test runs with this process's
// HKEY_LOCAL_MACHINE redirected to a scratch key below HKEY_CURRENT_USER (the
// platform's own override), so it may write that key without touching the
// machine's.
TEST(ResourceMgrTest, ModulesAndHelpFileComeFromTheInstallFolderThenTheModuleFolder) {
    const std::string scratchPath = "Software\\" + qtvtest::UniqueName("resources");  // a stale one is written over
    HKEY scratch;
    ASSERT_EQ(0, RegCreateKeyA(HKEY_CURRENT_USER, scratchPath.c_str(), &scratch));
    ASSERT_EQ(0, RegOverridePredefKey(HKEY_LOCAL_MACHINE, scratch));
    const std::string bin = qtvtest::ExeDir(), install = bin + "qtvres-install", moddir = bin + "qtvres-moddir\\";
    const char* key = "SOFTWARE\\Quorvane\\Entertainment\\CurrentVersion";
    HMODULE anchor = LoadLibraryA((moddir + "qtvres1.dll").c_str());
    // install folder set, help value, names 1 to 4, default help, result, found, help name, help from
    using Names = std::vector<const char*>;
    using Row = std::tuple<bool, const char*, Names, const char*, BOOL, const char*, const char*, char>;
    const Row rows[] = {
        {true, "both.hlp", {"qtvres1.dll", "qtvres2.dll", "qtvres3.dll", "qtvres4.dll"}, "moddir.hlp", 1, "4b2i3m1i",
         "both.hlp", 'i'},
        {true, "", {"qtvres-none.dll", "qtvres2.dll", "qtvres3.dll", "qtvres4.dll"}, "moddir.hlp", 0, "4b2i3m--",
         "moddir.hlp", 'm'},
        {true, "nowhere.hlp", {"qtvres1.dll", "qtvres2.dll", "", "qtvres-none.dll"}, "both.hlp", 1, "2i2i1i1i",
         "nowhere.hlp", '-'},
        {false, "", {"qtvres1.dll", nullptr, "qtvres3.dll", "qtvres4.dll"}, "both.hlp", 0, "4b3m3m1m", "both.hlp",
         'm'}};
    for (const auto& [installed, help, names, fallback, ok, found, helpName, helpFrom] : rows) {
        const std::string dir = installed ? install : "";
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, "Install Directory", REG_SZ, dir.c_str(), dir.size() + 1);
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, "HelpFileName", REG_SZ, help, strlen(help) + 1);
        CResourceMgr m(anchor);
        EXPECT_EQ(ok, m.Initialize(names[0], names[1], names[2], names[3], fallback)) << found;
        std::string where;
        for (UINT mask : {0xFu, 0xEu, 0xCu, 0x18u}) {
            char path[MAX_PATH] = "";  // a null module: the test's own
            GetModuleFileNameA(m.FindResourceDLL(MAKEINTRESOURCEA(1), RT_RCDATA, mask), path, MAX_PATH);
            const std::string folder = std::string(path).substr(0, std::string(path).rfind('\\') + 1);
            const std::string file = path + folder.size();
            const char* from = folder == install + "\\" ? "i" : folder == moddir ? "m" : folder == bin ? "b" : "?";
            where += file.find("qtvres") ? "--" : file.substr(6, 1) + from;
        }
        const std::string helpDir = helpFrom == 'i' ? install : helpFrom == 'm' ? moddir : "";
        EXPECT_EQ(found + ("|" + dir + "|" + moddir + "|" + helpName + "|" + helpDir),
                  where + std::string("|" + m.m_strInstallDir + "|" + m.m_strModuleDir + "|" + m.m_strHelpFileName +
                                      "|" + m.m_strHelpDir));
    }
    FreeLibrary(anchor);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegCloseKey(scratch);
    RegDeleteTreeA(HKEY_CURRENT_USER, scratchPath.c_str());
}

// What the loaders load is in module 1 only; 999 is nowhere. (Strings and
// device-independent bitmaps are below.)
TEST_F(ResourceTest, EachLoaderLoadsOnlyFromASelectedModuleThatHoldsTheResource) {
    using Loader = bool (*)(CResourceMgr&, UINT, UINT);
    const std::pair<UINT, Loader> loaders[] = {
        {100, [](CResourceMgr& m, UINT id, UINT mask) { return m.FindAndLoadBitmap(id, mask) != nullptr; }},
        {32649, [](CResourceMgr& m, UINT id, UINT mask) { return m.FindAndLoadCursor(id, mask) != nullptr; }},
        {200, [](CResourceMgr& m, UINT id, UINT mask) { return m.FindAndLoadIcon(id, mask) != nullptr; }},
        {500, [](CResourceMgr& m, UINT id, UINT mask) {
             return m.FindAndLoadResource(MAKEINTRESOURCEA(id), RT_RCDATA, mask) != nullptr;
         }}};
    for (const auto& [id, loads] : loaders)
        EXPECT_TRUE(loads(mgr, id, 0x8) && !loads(mgr, id, 0x7) && !loads(mgr, 999, 0xF)) << id;
    // The system's own cursors (the first and the last of them) come without
    // any module; 32649 above is not one.
    for (UINT id : {32512u, 32650u})
        EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(id)), mgr.FindAndLoadCursor(id, 0)) << id;
}

// 4 x 2 images: 100 of 8 bits, colours 0 1 2 3 under 252 253 254 255; 101 of
// 4 bits, 0 1 2 3 under 12 13 14 15; 102 of 24 bits, red at the top left.
// Then 110 to 115 fall short of what their headers say, the platform cannot
// make 116, and 999 is nowhere: the outputs keep what the last image gave.
TEST_F(ResourceTest, DibComesWithItsColourTableAsPaletteAndItsPixelsAfterIt) {
    std::tuple<BITMAPINFOHEADER*, char*, HPALETTE> out, last;
    auto& [header, bits, palette] = out;
    for (const auto& [id, colours, offset, topLeft] :
         {std::make_tuple(100u, 256u, 1064, Colour(252)), std::make_tuple(101u, 16u, 104, Colour(12)),
          std::make_tuple(102u, 0u, 40, DWORD(0xFF0000))}) {
        HBITMAP bitmap = mgr.FindAndLoadDIB(id, &header, &bits, &palette, 0xF);
        const void* resource = LockResource(mgr.FindAndLoadResource(MAKEINTRESOURCEA(id), RT_BITMAP, 0xF));
        ASSERT_TRUE(bitmap && header == resource) << id;
        EXPECT_EQ(offset, bits - reinterpret_cast<char*>(header)) << id;
        PALETTEENTRY e[256];
        EXPECT_EQ(colours, palette ? GetPaletteEntries(palette, 0, 256, e) : 0) << id;
        for (UINT i = 0; i < colours; ++i)
            EXPECT_EQ(Colour(i), DWORD(e[i].peFlags << 24 | e[i].peRed << 16 | e[i].peGreen << 8 | e[i].peBlue)) << i;
        DWORD pixel = 0;  // the screen's bitmaps hold 32 bits per pixel, top row first
        EXPECT_TRUE(GetBitmapBits(bitmap, sizeof pixel, &pixel) && topLeft == pixel) << id << ": " << pixel;
        last = out;
    }
    for (UINT id : {110u, 111u, 112u, 113u, 114u, 115u, 116u, 999u})
        EXPECT_TRUE(!mgr.FindAndLoadDIB(id, &header, &bits, &palette, 0xF) && out == last) << id;
}

// Module 4 holds 15 and 33 (blocks 1 and 3), module 1 holds 16, 17 and 40, a
// string of 3,000 x (blocks 2 and 3).
TEST_F(ResourceTest, StringComesFromTheFirstModuleHoldingItsBlockCutTo2047Characters) {
    const std::tuple<UINT, UINT, std::string> rows[] = {
        {15, 0x9, "four's 15"}, {16, 0x9, "one's 16"}, {0x10000 + 17, 0x9, "one's 17"}, {40, 0x9, ""},
        {40, 0x8, std::string(2047, 'x')}, {33, 0x8, ""}, {999, 0xF, ""}};
    for (const auto& [id, mask, text] : rows)
        EXPECT_EQ(text, std::string(mgr.FindAndLoadString(id, mask))) << id << " " << mask;
}

// A holder comes by bitmap 101 by loading it (l), having it handed in (h),
// or loading and detaching it (d), and lets it go by DeleteResource or by its
// destruction: only a bitmap it loaded and kept is deleted.
TEST_F(ResourceTest, HolderDeletesOnlyABitmapItLoadedAndKept) {
    for (const auto& [how, byDelete, survives] :
         {std::make_tuple('l', true, false), {'l', false, false}, {'h', false, true}, {'d', true, true}}) {
        auto info = std::make_unique<CResInfo>(&mgr);
        how == 'h' ? info->SetIconBmpRes(mgr.FindAndLoadBitmap(101, 0xF), 1) : info->LoadIconBmpRes(101, 1);
        if (how == 'd') info->DetachResource();
        const HBITMAP bitmap = info->BitmapHandle();
        ASSERT_TRUE(bitmap && !info->IconHandle()) << how;
        if (byDelete) info->DeleteResource();
        info.reset();
        EXPECT_EQ(survives, GetObjectType(bitmap) == OBJ_BITMAP) << how << byDelete;
    }
}

// Into a 40 x 40 target filled with a sentinel: icon 200 at the origin (red
// in its 32-pixel image, blue in its 16-pixel one), then bitmap 101 (top row
// colours 12 13 14 15) through a window whose client area is 3 x 1. Pixels
// are numbered y * 40 + x.
TEST_F(ResourceTest, DrawingPutsTheIconAtTheOriginAndTheBitmapClippedToTheClientArea) {
    BITMAPINFO target = {{sizeof(BITMAPINFOHEADER), 40, -40, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};  // top row first
    DWORD* pixels;
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, CreateDIBSection(nullptr, &target, DIB_RGB_COLORS, reinterpret_cast<void**>(&pixels), nullptr, 0));
    std::fill(pixels, pixels + 40 * 40, 0x010203);
    CWnd wnd;
    wnd.m_hWnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 3, 1, nullptr, nullptr, nullptr, nullptr);
    CResInfo icon(&mgr), bitmap(&mgr), none(&mgr);
    ASSERT_TRUE(icon.LoadIconBmpRes(200, 2) && icon.DrawIconBmpRes(nullptr, dc) && bitmap.LoadIconBmpRes(101, 1) &&
                bitmap.DrawIconBmpRes(&wnd, dc) && !none.DrawIconBmpRes(&wnd, dc) && GdiFlush());
    for (const auto& [at, colour] : {std::make_pair(0, Colour(12)), {2, Colour(14)}, {3, 0xFF0000}, {40, 0xFF0000},
                                     {31 * 41, 0xFF0000}, {32, 0x010203}, {40 * 32, 0x010203}})
        EXPECT_EQ(colour, pixels[at] & 0xFFFFFF) << at;
}

#include "resource_fixture.h"

#include <functional>

// What the loaders load is in module 1 only; 999 is nowhere.
TEST_F(ResourceTest, EachLoaderLoadsOnlyFromASelectedModuleThatHoldsTheResource) {
    CResourceMgr& mgr = Mgr();
    BITMAPINFOHEADER* header;
    char* bits;
    HPALETTE palette;
    const std::pair<UINT, std::function<bool(UINT, UINT)>> loaders[] = {
        {100, [&](UINT id, UINT mask) { return mgr.FindAndLoadBitmap(id, mask) != nullptr; }},
        {101, [&](UINT id, UINT mask) { return mgr.FindAndLoadDIB(id, &header, &bits, &palette, mask) != nullptr; }},
        {32649, [&](UINT id, UINT mask) { return mgr.FindAndLoadCursor(id, mask) != nullptr; }},
        {200, [&](UINT id, UINT mask) { return mgr.FindAndLoadIcon(id, mask) != nullptr; }},
        {17, [&](UINT id, UINT mask) { return !mgr.FindAndLoadString(id, mask).IsEmpty(); }},
        {500, [&](UINT id, UINT mask) { return mgr.FindAndLoadResource(MAKEINTRESOURCEA(id), RT_RCDATA, mask) != nullptr; }}};
    for (const auto& [id, loads] : loaders) EXPECT_TRUE(loads(id, 0x8) && !loads(id, 0x7) && !loads(999, 0xF)) << id;
    ASSERT_TRUE(FindResourceA(GetModuleHandleA("qtvres1.dll"), MAKEINTRESOURCEA(600), RT_ACCELERATOR));
    EXPECT_EQ(nullptr, mgr.FindAndLoadAccelerators(600, 0xF));
    const char* named = static_cast<const char*>(LockResource(mgr.FindAndLoadResource("QTVBLOB", "QTVDATA", 0xF)));
    EXPECT_EQ("named payload", std::string(named ? named : "", named ? 13 : 0));
}

// 4 x 2 images: 100 of 8 bits, colours 0 1 2 3 under 252 253 254 255; 101 of
// 4 bits, 0 1 2 3 under 12 13 14 15; 102 of 24 bits, red at the top left.
// 110 to 115 fall short of what their headers say (offset -1: refused).
TEST_F(ResourceTest, DibComesWithItsColourTableAsPaletteAndItsPixelsAfterIt) {
    CResourceMgr& mgr = Mgr();
    HMODULE module = GetModuleHandleA("qtvres1.dll");
    const std::tuple<UINT, UINT, int, DWORD> rows[] = {{100, 256, 1064, Colour(252)}, {101, 16, 104, Colour(12)}, {102, 0, 40, 0xFF0000},
                                                       {110, 0, -1, 0}, {111, 0, -1, 0}, {112, 0, -1, 0}, {113, 0, -1, 0},
                                                       {114, 0, -1, 0}, {115, 0, -1, 0}};
    for (const auto& [id, colours, offset, topLeft] : rows) {
        void *const kHeader = reinterpret_cast<void*>(0x5EA1), *const kBits = reinterpret_cast<void*>(0x5EA2), *const kPalette = reinterpret_cast<void*>(0x5EA3);
        auto* header = static_cast<BITMAPINFOHEADER*>(kHeader);
        auto* bits = static_cast<char*>(kBits);
        auto palette = static_cast<HPALETTE>(kPalette);
        HBITMAP bitmap = mgr.FindAndLoadDIB(id, &header, &bits, &palette, 0xF);
        EXPECT_EQ(offset >= 0, bitmap != nullptr) << id;
        if (!bitmap) {
            EXPECT_TRUE(header == kHeader && bits == kBits && palette == kPalette) << id;
            continue;
        }
        EXPECT_EQ(LockResource(LoadResource(module, FindResourceA(module, MAKEINTRESOURCEA(id), RT_BITMAP))), header) << id;
        EXPECT_EQ(offset, bits - reinterpret_cast<char*>(header)) << id;
        PALETTEENTRY e[256];
        EXPECT_EQ(colours, palette ? GetPaletteEntries(palette, 0, 256, e) : 0) << id;
        for (UINT i = 0; i < colours; ++i) EXPECT_EQ(Colour(i), DWORD(e[i].peFlags << 24 | e[i].peRed << 16 | e[i].peGreen << 8 | e[i].peBlue)) << i;
        DWORD pixel = 0;  // the screen's bitmaps hold 32 bits per pixel, top row first
        EXPECT_TRUE(GetBitmapBits(bitmap, sizeof pixel, &pixel) && topLeft == pixel) << id << ": " << pixel;
    }
}

TEST_F(ResourceTest, SystemCursorsComeFromTheSystemWhateverTheMaskOthersFromAModule) {
    CResourceMgr& mgr = Mgr();
    for (UINT id : {32512u, 32513u, 32514u, 32515u, 32516u, 32640u, 32641u, 32642u, 32643u, 32644u, 32645u, 32646u, 32648u, 32650u, 0x10000u + 32512}) {
        HCURSOR cursor = mgr.FindAndLoadCursor(id, 0);
        EXPECT_TRUE(cursor && cursor == LoadCursorA(nullptr, MAKEINTRESOURCEA(LOWORD(id)))) << id;
    }
    // Only module 1 has a cursor 32649; 32651 is the system's but not listed.
    HCURSOR own = mgr.FindAndLoadCursor(32649, 0x8);
    EXPECT_TRUE(own && own != LoadCursorA(nullptr, IDC_HAND) && !mgr.FindAndLoadCursor(32651, 0xF));
}

// Module 4 holds 15 and 33 (blocks 1 and 3), module 1 holds 16, 17 and a
// 3,000-character 40 (blocks 2 and 3).
TEST_F(ResourceTest, StringComesFromTheFirstModuleHoldingItsBlockCutTo2047Characters) {
    CResourceMgr& mgr = Mgr();
    std::string digits;
    while (digits.size() < 2047) digits += "0123456789";
    const std::tuple<UINT, UINT, std::string> rows[] = {{15, 0x9, "four's 15"}, {16, 0x9, "one's 16"}, {0x10000 + 17, 0x9, "one's 17"},
                                                        {40, 0x9, ""}, {40, 0x8, digits.substr(0, 2047)}, {33, 0x8, ""}};
    for (const auto& [id, mask, text] : rows) EXPECT_EQ(text, std::string(mgr.FindAndLoadString(id, mask))) << id << " mask " << mask;
}

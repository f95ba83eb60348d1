#include "resource_fixture.h"

// A holder comes by bitmap 101 or icon 200 by loading it, by having it handed
// in, or by loading and detaching it, and lets it go by DeleteResource or by
// its destruction. Only a bitmap it loaded and kept is deleted.
TEST_F(ResourceTest, HolderDeletesOnlyABitmapItLoadedAndKept) {
    CResourceMgr& mgr = Mgr();
    // type, how, let go by DeleteResource, survives
    const std::tuple<int, char, bool, bool> rows[] = {{1, 'l', true, false}, {1, 'l', false, false}, {1, 'h', true, true}, {1, 'h', false, true},
                                                      {1, 'd', true, true},  {1, 'd', false, true},  {2, 'l', true, true}, {2, 'l', false, true}};
    for (const auto& [type, how, byDelete, survives] : rows) {
        void* handle;
        {
            CResInfo info(&mgr);
            how == 'h' ? info.SetIconBmpRes(mgr.FindAndLoadBitmap(101, 0xF), 1) : info.LoadIconBmpRes(type == 1 ? 101 : 200, type);
            if (how == 'd') info.DetachResource();
            handle = type == 1 ? static_cast<void*>(info.BitmapHandle()) : info.IconHandle();
            ASSERT_TRUE(handle && info.ResourceType() == type) << type << how;
            if (byDelete) info.DeleteResource();
        }
        ICONINFO ii;
        EXPECT_EQ(survives, type == 1 ? GetObjectType(handle) == OBJ_BITMAP : GetIconInfo(static_cast<HICON>(handle), &ii) != 0) << type << how << byDelete;
    }
}

// Into a 40 x 40 target filled with a sentinel, through a window whose client
// area is 3 x 1: bitmap 101 (top row colours 12 13 14 15) and icon 200 (red
// in its 32-pixel image, blue in its 16-pixel one).
TEST_F(ResourceTest, DrawingPutsTheIconAtTheOriginAndTheBitmapClippedToTheClientArea) {
    CResourceMgr& mgr = Mgr();
    const DWORD kSentinel = 0x010203, kRed = 0xFF0000;
    BITMAPINFO target = {{sizeof(BITMAPINFOHEADER), 40, -40, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};  // top row first
    DWORD* pixels;
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, CreateDIBSection(nullptr, &target, DIB_RGB_COLORS, reinterpret_cast<void**>(&pixels), nullptr, 0));
    CWnd wnd;
    wnd.m_hWnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 3, 1, nullptr, nullptr, nullptr, nullptr);
    // id, type, then pixels (x, y, colour)
    const std::tuple<int, int, std::vector<std::tuple<int, int, DWORD>>> rows[] = {
        {101, 1, {{0, 0, Colour(12)}, {2, 0, Colour(14)}, {3, 0, kSentinel}, {0, 1, kSentinel}}},
        {200, 2, {{0, 0, kRed}, {31, 31, kRed}, {32, 0, kSentinel}, {0, 32, kSentinel}}},
        {999, 0, {{0, 0, kSentinel}}}};
    for (const auto& [id, type, expected] : rows) {
        std::fill(pixels, pixels + 40 * 40, kSentinel);
        CResInfo info(&mgr);
        const BOOL loaded = info.LoadIconBmpRes(id, type);
        EXPECT_EQ(loaded, info.DrawIconBmpRes(&wnd, dc)) << id;
        GdiFlush();
        for (const auto& [x, y, colour] : expected) EXPECT_EQ(colour, pixels[y * 40 + x] & 0xFFFFFF) << id << " at " << x << "," << y;
    }
}

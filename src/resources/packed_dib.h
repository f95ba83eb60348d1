// The parts of a packed device-independent bitmap, as a bitmap resource
// holds it: the header, the colour table and the pixel data.
#pragma once

#include <windows.h>

namespace qtv {

struct PackedDib {
    const BITMAPINFOHEADER* pHeader = nullptr;
    const RGBQUAD* pColours = nullptr;  // right after the header
    UINT nPaletteColours = 0;           // 2^bits up to 8 bits per pixel, else 0
    const char* pBits = nullptr;        // after the header and its colour table
};

// Lays out the cbData bytes at pData. False, with dib untouched, when they
// are fewer than the header, the palette's colours or the pixel data need.
bool LayOutPackedDib(const void* pData, DWORD cbData, PackedDib& dib);

}  // namespace qtv

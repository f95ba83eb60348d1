#include "resources/packed_dib.h"

#include <cstdint>

namespace qtv {

namespace {

// Bytes of pixel data the platform reads, or more than cbData when they
// cannot be held in cbData bytes.
uint64_t PixelBytes(const BITMAPINFOHEADER& header, DWORD cbData) {
    if (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS) return header.biSizeImage;
    // Rows are padded to 32 bits. Widths and heights are taken as their size
    // whatever their sign (a negative height is a top-down image).
    const uint64_t width = header.biWidth < 0 ? -int64_t(header.biWidth) : header.biWidth;
    const uint64_t rows = header.biHeight < 0 ? -int64_t(header.biHeight) : header.biHeight;
    const uint64_t stride = (width * header.biBitCount + 31) / 32 * 4;
    if (stride != 0 && rows > cbData / stride) return uint64_t(cbData) + 1;
    return stride * rows;
}

}  // namespace

bool LayOutPackedDib(const void* pData, DWORD cbData, PackedDib& dib) {
    const auto* pHeader = static_cast<const BITMAPINFOHEADER*>(pData);
    if (!pData || cbData < sizeof(BITMAPINFOHEADER) || pHeader->biSize < sizeof(BITMAPINFOHEADER))
        return false;
    const unsigned nBits = pHeader->biBitCount;
    const uint64_t nPaletteColours = nBits <= 8 ? uint64_t(1) << nBits : 0;
    // The colour table holds biClrUsed entries, all 2^bits of them when it
    // is 0 (the platform takes no more than 2^bits up to 8 bits per pixel),
    // and the three colour masks after a bare header of bit fields.
    uint64_t nTableBytes = 4 * uint64_t(pHeader->biClrUsed);
    if (nBits <= 8 && (pHeader->biClrUsed == 0 || pHeader->biClrUsed > nPaletteColours))
        nTableBytes = 4 * nPaletteColours;
    if (pHeader->biCompression == BI_BITFIELDS && pHeader->biSize == sizeof(BITMAPINFOHEADER))
        nTableBytes += 3 * sizeof(DWORD);
    const uint64_t nBitsOffset = pHeader->biSize + nTableBytes;
    if (pHeader->biSize + 4 * nPaletteColours > cbData || nBitsOffset + PixelBytes(*pHeader, cbData) > cbData)
        return false;

    const char* pBytes = static_cast<const char*>(pData);
    dib.pHeader = pHeader;
    dib.pColours = reinterpret_cast<const RGBQUAD*>(pBytes + pHeader->biSize);
    dib.nPaletteColours = static_cast<UINT>(nPaletteColours);
    dib.pBits = pBytes + nBitsOffset;
    return true;
}

}  // namespace qtv

// Creating, freeing and addressing device-independent bitmaps.
#include "dib_alloc.h"
#include "large_block.h"
#include "pictavo.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

bool ValidDepth(int bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 24;
}

// Info points at the start of this block; the pixel block is remembered behind the header
// so that deldib can release it the way it was obtained.
struct DibBlock {
    TDibInfo info;
    uint64_t magic;
    pictavo_internal::LargeBlock pixels;
};
constexpr uint64_t kDibMagic = 0x5049435441564F31ull; // "PICTAVO1"

} // namespace

namespace pictavo_internal {

int64_t RowBytesFor(int width, int bitsPerPixel) {
    return ((static_cast<int64_t>(width) * bitsPerPixel + 31) / 32) * 4;
}

bool SizeAllowed(int width, int height, int bitsPerPixel) {
    if (width <= 0 || height <= 0 || !ValidDepth(bitsPerPixel)) return false;
    if (static_cast<int64_t>(width) * height > kMaxPixels) return false;
    const int64_t bytes = RowBytesFor(width, bitsPerPixel) * height;
    return bytes <= std::numeric_limits<int32_t>::max();
}

void SyncColours(TDib* dib) {
    for (int i = 0; i < 256; ++i) {
        const TRgbQuad& q = dib->Info->bmiColors[i];
        dib->Colours[i] = TPaletteEntry{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
    }
}

} // namespace pictavo_internal

using namespace pictavo_internal;

namespace {

int NewDib(TDib* out, int width, int height, int bitsPerPixel, const TDibInfo* colourSource,
           int colourCount, bool zeroed) {
    if (!out) return 0;
    *out = TDib{};
    if (!SizeAllowed(width, height, bitsPerPixel)) return 0;
    const int64_t rowBytes = RowBytesFor(width, bitsPerPixel);
    auto* block = static_cast<DibBlock*>(std::calloc(1, sizeof(DibBlock)));
    if (!block) return 0;
    block->pixels = AllocateLarge(static_cast<size_t>(rowBytes * height), zeroed);
    if (!block->pixels.data) {
        std::free(block);
        return 0;
    }
    block->magic = kDibMagic;
    TDibInfo* info = &block->info;
    uint8_t* bits = block->pixels.data;
    info->biSize = 40;
    info->biWidth = width;
    info->biHeight = height;
    info->biPlanes = 1;
    info->biBitCount = static_cast<uint16_t>(bitsPerPixel);
    info->biSizeImage = static_cast<uint32_t>(rowBytes * height);
    if (bitsPerPixel <= 8) info->biClrUsed = 1u << bitsPerPixel;
    if (colourSource && colourCount > 0) {
        const int n = colourCount > 256 ? 256 : colourCount;
        std::memcpy(info->bmiColors, colourSource->bmiColors, sizeof(TRgbQuad) * n);
    }
    out->Info = info;
    out->Bits = bits;
    out->RowBytes = static_cast<int32_t>(rowBytes);
    out->Handle = reinterpret_cast<uintptr_t>(bits);
    out->HasPalette = bitsPerPixel <= 8 ? 1 : 0;
    SyncColours(out);
    return 1;
}

} // namespace

int pictavo_internal::NewDibUncleared(TDib* out, int width, int height, int bitsPerPixel) {
    return NewDib(out, width, height, bitsPerPixel, nullptr, 0, false);
}

PICTAVO_API int newdib(TDib* out, int width, int height, int bitsPerPixel,
                       const TDibInfo* colourSource, int colourCount) {
    return NewDib(out, width, height, bitsPerPixel, colourSource, colourCount, true);
}

PICTAVO_API void deldib(TDib* image) {
    if (!image) return;
    auto* block = reinterpret_cast<DibBlock*>(image->Info);
    if (block && block->magic == kDibMagic && block->pixels.data == image->Bits) {
        FreeLarge(block->pixels);
        block->magic = 0;
    } else {
        std::free(image->Bits);
    }
    std::free(image->Info);
    *image = TDib{};
}

PICTAVO_API uint32_t getpixel(const TDib* image, int x, int y) {
    if (!image || !image->Bits || !image->Info) return 0;
    const TDibInfo& info = *image->Info;
    if (x < 0 || y < 0 || x >= info.biWidth || y >= info.biHeight) return 0;
    const uint8_t* row = image->Bits + static_cast<size_t>(y) * image->RowBytes;
    switch (info.biBitCount) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4:
        return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
    case 8:
        return row[x];
    case 24: {
        const uint8_t* p = row + 3 * static_cast<size_t>(x);
        return (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[0];
    }
    default:
        return 0;
    }
}

PICTAVO_API void setpixel(TDib* image, int x, int y, uint32_t value) {
    if (!image || !image->Bits || !image->Info) return;
    const TDibInfo& info = *image->Info;
    if (x < 0 || y < 0 || x >= info.biWidth || y >= info.biHeight) return;
    uint8_t* row = image->Bits + static_cast<size_t>(y) * image->RowBytes;
    switch (info.biBitCount) {
    case 1: {
        const uint8_t mask = static_cast<uint8_t>(0x80u >> (x & 7));
        row[x >> 3] = value ? (row[x >> 3] | mask) : (row[x >> 3] & ~mask);
        break;
    }
    case 4: {
        uint8_t& b = row[x >> 1];
        b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (value & 0x0F))
                    : static_cast<uint8_t>((b & 0x0F) | ((value & 0x0F) << 4));
        break;
    }
    case 8:
        row[x] = static_cast<uint8_t>(value);
        break;
    case 24: {
        uint8_t* p = row + 3 * static_cast<size_t>(x);
        p[0] = static_cast<uint8_t>(value);
        p[1] = static_cast<uint8_t>(value >> 8);
        p[2] = static_cast<uint8_t>(value >> 16);
        break;
    }
    default:
        break;
    }
}

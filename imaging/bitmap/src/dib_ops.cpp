// Size queries, conversion to 24 bits and the thumbnail reduction.
#include "lumeno/bitmap/dib_ops.h"

#include <cstddef>
#include <cstdint>

namespace lumeno {

int DibWidth(const TDib& image) {
    return image.Info ? image.Info->biWidth : 0;
}
int DibHeight(const TDib& image) {
    return image.Info ? image.Info->biHeight : 0;
}
int DibBitCount(const TDib& image) {
    return image.Info ? image.Info->biBitCount : 0;
}

int64_t DibColourCount(const TDib& image) {
    if (!image.Info) return 0;
    const int bits = image.Info->biBitCount;
    return bits < 63 ? (int64_t{1} << bits) : 0;
}

namespace {

uint8_t* RowOf(const TDib& image, int y) {
    return image.Bits + static_cast<ptrdiff_t>(y) * image.RowBytes;
}

} // namespace

void ConvertTo24Bit(TDib& image) {
    if (!image.Bits || !image.Info) return;
    const int bits = DibBitCount(image);
    if (bits == 24) return;
    const int width = DibWidth(image);
    const int height = DibHeight(image);
    TDib copy{};
    newdib(&copy, width, height, 24, nullptr, 0);
    if (copy.Handle == 0) return;
    switch (bits) {
    case 1:
    case 4:
    case 8:
        for (int y = 0; y < height; ++y) {
            const uint8_t* src = RowOf(image, y);
            uint8_t* dst = RowOf(copy, y);
            for (int x = 0; x < width; ++x) {
                const int index = bits == 8   ? src[x]
                                  : bits == 4 ? ((x & 1) ? (src[x / 2] & 0x0F) : (src[x / 2] >> 4))
                                              : (src[x / 8] >> (7 - (x & 7))) & 1;
                const TPaletteEntry& c = image.Colours[index];
                dst[3 * x] = c.peBlue;
                dst[3 * x + 1] = c.peGreen;
                dst[3 * x + 2] = c.peRed;
            }
        }
        break;
    default:
        // 16 and 32 bits go on as they are.
        deldib(&copy);
        return;
    }
    deldib(&image);
    image = copy;
}

TDib Resize(const TDib& source, int w, int h) {
    TDib result{};
    if (!source.Bits || !source.Info || w < 1 || h < 1) return result;
    const int64_t srcWidth = DibWidth(source);
    const int64_t srcHeight = DibHeight(source);
    const int bits = DibBitCount(source);
    if (srcWidth < 1 || srcHeight < 1) return result;
    // 64-bit products: the same columns as 32-bit arithmetic wherever that does not wrap,
    // and the right ones for pictures wider or higher than 4 million pixels.
    const uint64_t stepX = static_cast<uint64_t>(srcWidth * 1024 / w);
    const uint64_t stepY = static_cast<uint64_t>(srcHeight * 1024 / h);
    const int64_t colours = DibColourCount(source);
    newdib(&result, w, h, bits, source.Info, colours > 256 ? 0 : static_cast<int>(colours));
    if (!result.Bits) return TDib{};

    for (int y = 0; y < h; ++y) {
        const int sy = static_cast<int>((y * stepY) >> 10);
        const uint8_t* src = RowOf(source, sy);
        uint8_t* dst = RowOf(result, y);
        for (int x = 0; x < w; ++x) {
            const int sx = static_cast<int>((x * stepX) >> 10);
            switch (bits) {
            case 24:
                dst[3 * x] = src[3 * sx];
                dst[3 * x + 1] = src[3 * sx + 1];
                dst[3 * x + 2] = src[3 * sx + 2];
                break;
            case 8:
                dst[x] = src[sx];
                break;
            case 4: {
                const uint8_t v = (sx & 1) ? (src[sx / 2] & 0x0F) : (src[sx / 2] >> 4);
                dst[x / 2] |= (x & 1) ? v : static_cast<uint8_t>(v << 4);
                break;
            }
            case 1:
                setpixel(&result, x, y, getpixel(&source, sx, sy));
                break;
            default:
                break;
            }
        }
    }
    return result;
}

ThumbSize ThumbnailSize(int width, int height) {
    if (width < 1 || height < 1) return {};
    int64_t w = 80;
    int64_t h = int64_t{height} * 80 / width;
    if (h > 80) {
        h = 80;
        w = int64_t{width} * 80 / height;
    }
    return {w < 1 ? 1 : static_cast<int>(w), h < 1 ? 1 : static_cast<int>(h)};
}

} // namespace lumeno

// Size queries, conversion to 24 bits and the thumbnail reduction.
#include "lumeno/bitmap/dib_ops.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

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

namespace {

// The source cells an output cell of `scale` source cells covers, with their shares in
// 1/65536 (the shares of one output cell sum to scale * 65536).
struct TCover {
    int first = 0;
    std::vector<uint32_t> shares;
};

std::vector<TCover> Covers(int source, int target) {
    std::vector<TCover> out(static_cast<size_t>(target));
    const double scale = static_cast<double>(source) / target;
    for (int i = 0; i < target; ++i) {
        const double from = i * scale, to = (i + 1) * scale;
        TCover& c = out[static_cast<size_t>(i)];
        c.first = static_cast<int>(from);
        for (int s = c.first; s < source && s < to; ++s) {
            const double share = std::min<double>(s + 1, to) - std::max<double>(s, from);
            c.shares.push_back(static_cast<uint32_t>(share * 65536.0 + 0.5));
        }
    }
    return out;
}

} // namespace

TDib ShrinkAveraged(const TDib& source, int w, int h) {
    const int sw = DibWidth(source), sh = DibHeight(source);
    if (!source.Bits || DibBitCount(source) != 24 || w < 1 || h < 1 || w > sw || h > sh)
        return TDib{};
    TDib result{};
    try {
        const std::vector<TCover> columns = Covers(sw, w), rows = Covers(sh, h);
        newdib(&result, w, h, 24, nullptr, 0);
        if (!result.Bits) return TDib{};
        // Rows are summed in storage order; a row's columns first, then the rows it covers.
        std::vector<uint64_t> line(static_cast<size_t>(w) * 3);
        std::vector<double> sum(line.size());
        const double total =
            (static_cast<double>(sw) / w) * (static_cast<double>(sh) / h) * 65536.0 * 65536.0;
        for (int y = 0; y < h; ++y) {
            std::fill(sum.begin(), sum.end(), 0.0);
            const TCover& row = rows[static_cast<size_t>(y)];
            for (size_t r = 0; r < row.shares.size(); ++r) {
                const uint8_t* src = RowOf(source, row.first + static_cast<int>(r));
                std::fill(line.begin(), line.end(), 0);
                for (int x = 0; x < w; ++x) {
                    const TCover& col = columns[static_cast<size_t>(x)];
                    const uint8_t* p = src + 3 * static_cast<size_t>(col.first);
                    uint64_t b = 0, g = 0, red = 0;
                    for (uint32_t share : col.shares) {
                        b += uint64_t(p[0]) * share;
                        g += uint64_t(p[1]) * share;
                        red += uint64_t(p[2]) * share;
                        p += 3;
                    }
                    line[3 * size_t(x)] = b;
                    line[3 * size_t(x) + 1] = g;
                    line[3 * size_t(x) + 2] = red;
                }
                for (size_t i = 0; i < sum.size(); ++i)
                    sum[i] += static_cast<double>(line[i]) * row.shares[r];
            }
            uint8_t* dst = RowOf(result, y);
            for (size_t i = 0; i < sum.size(); ++i)
                dst[i] = static_cast<uint8_t>(std::min(255.0, std::floor(sum[i] / total + 0.5)));
        }
    } catch (const std::bad_alloc&) {
        deldib(&result);
        return TDib{};
    }
    return result;
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

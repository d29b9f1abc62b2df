// Halftoned copies for displays of 256 colours or fewer: a fixed palette of a 6 x 6 x 6
// colour cube (indices 0..215, red * 36 + green * 6 + blue) and 40 extra greys
// (216..255), with ordered 8 x 8 dithering between neighbouring levels.
#include "dib_alloc.h"
#include "pictavo.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace pictavo_internal;

namespace {

constexpr int kCubeLevels = 6;
constexpr int kExtraGreys = 40;
constexpr int kGreyTolerance = 6; // channels this close count as grey

// Bayer matrix, thresholds 0..63.
constexpr uint8_t kBayer[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21},
};

struct GreyStep {
    uint8_t lower;    // palette index at or below the value
    uint8_t upper;    // palette index at or above it
    uint8_t fraction; // 0..64: how far the value lies from lower towards upper
};

struct HalftoneTables {
    std::array<TRgbQuad, 256> palette{};
    std::array<GreyStep, 256> grey{};
    // Cube channel level for value v and threshold t: (v * 5 + (t * 255 + 127) / 64) / 255.
    std::array<std::array<uint8_t, 64>, 256> level{};
};

HalftoneTables MakeTables() {
    HalftoneTables t;
    struct Grey {
        int value;
        int index;
    };
    std::vector<Grey> greys;
    for (int r = 0; r < kCubeLevels; ++r)
        for (int g = 0; g < kCubeLevels; ++g)
            for (int b = 0; b < kCubeLevels; ++b) {
                const int i = r * 36 + g * 6 + b;
                t.palette[i] = TRgbQuad{uint8_t(b * 51), uint8_t(g * 51), uint8_t(r * 51), 0};
                if (r == g && g == b) greys.push_back({r * 51, i});
            }
    for (int k = 0; k < kExtraGreys; ++k) {
        // Midway between the cube's greys and their neighbours: 6, 12, ... 249.
        const int value = ((k + 1) * 255 + 20) / 41;
        const int index = 216 + k;
        t.palette[index] = TRgbQuad{uint8_t(value), uint8_t(value), uint8_t(value), 0};
        greys.push_back({value, index});
    }
    std::sort(greys.begin(), greys.end(),
              [](const Grey& a, const Grey& b) { return a.value < b.value; });
    size_t upper = 0;
    for (int v = 0; v < 256; ++v) {
        while (greys[upper].value < v)
            ++upper;
        const Grey& hi = greys[upper];
        const Grey& lo = hi.value == v || upper == 0 ? hi : greys[upper - 1];
        const int fraction = hi.value == lo.value ? 0 : (v - lo.value) * 64 / (hi.value - lo.value);
        t.grey[v] = GreyStep{uint8_t(lo.index), uint8_t(hi.index), uint8_t(fraction)};
    }
    for (int v = 0; v < 256; ++v)
        for (int th = 0; th < 64; ++th) {
            const int level = (v * (kCubeLevels - 1) + (th * 255 + 127) / 64) / 255;
            t.level[v][th] = uint8_t(level > kCubeLevels - 1 ? kCubeLevels - 1 : level);
        }
    return t;
}

const HalftoneTables& Tables() {
    static const HalftoneTables tables = MakeTables();
    return tables;
}

uint8_t HalftoneIndex(const HalftoneTables& t, int r, int g, int b, int x, int y) {
    const int threshold = kBayer[y & 7][x & 7];
    const int hi = r > g ? (r > b ? r : b) : (g > b ? g : b);
    const int lo = r < g ? (r < b ? r : b) : (g < b ? g : b);
    if (hi - lo <= kGreyTolerance) {
        const GreyStep& s = t.grey[(r * 77 + g * 150 + b * 29) >> 8];
        return s.fraction > threshold ? s.upper : s.lower;
    }
    return uint8_t(t.level[r][threshold] * 36 + t.level[g][threshold] * 6 + t.level[b][threshold]);
}

// Red, green and blue of the source pixel (x, y), whatever its depth.
void SourceColour(const TDib& source, int x, int y, int& r, int& g, int& b) {
    const uint32_t v = getpixel(&source, x, y);
    if (source.Info->biBitCount == 24) {
        r = (v >> 16) & 0xFF;
        g = (v >> 8) & 0xFF;
        b = v & 0xFF;
    } else {
        const TRgbQuad& q = source.Info->bmiColors[v & 0xFF];
        r = q.rgbRed;
        g = q.rgbGreen;
        b = q.rgbBlue;
    }
}

} // namespace

PICTAVO_API int DIBHalftoneDIBXY(TDib* out, const TDib* source, int width, int height) {
    if (!out) return 0;
    *out = TDib{};
    if (!source || !source->Bits || !source->Info) return 0;
    const int srcWidth = source->Info->biWidth;
    const int srcHeight = source->Info->biHeight;
    const int bits = source->Info->biBitCount;
    if (srcWidth < 1 || srcHeight < 1) return 0;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return 0;
    if (!newdib(out, width, height, 8, nullptr, 0)) return 0;
    const HalftoneTables& t = Tables();
    for (int i = 0; i < 256; ++i)
        out->Info->bmiColors[i] = t.palette[i];
    SyncColours(out);

    // Nearest neighbour at pixel centres.
    std::vector<int> columns(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x)
        columns[x] = int((int64_t{2} * x + 1) * srcWidth / (int64_t{2} * width));
    for (int y = 0; y < height; ++y) {
        const int sy = int((int64_t{2} * y + 1) * srcHeight / (int64_t{2} * height));
        uint8_t* dst = out->Bits + static_cast<ptrdiff_t>(y) * out->RowBytes;
        if (bits == 24) {
            const uint8_t* row = source->Bits + static_cast<ptrdiff_t>(sy) * source->RowBytes;
            for (int x = 0; x < width; ++x) {
                const uint8_t* p = row + 3 * static_cast<ptrdiff_t>(columns[x]);
                dst[x] = HalftoneIndex(t, p[2], p[1], p[0], x, y);
            }
        } else {
            for (int x = 0; x < width; ++x) {
                int r, g, b;
                SourceColour(*source, columns[x], sy, r, g, b);
                dst[x] = HalftoneIndex(t, r, g, b, x, y);
            }
        }
    }
    return 1;
}

PICTAVO_API int DIBHalftoneDIB(TDib* out, const TDib* source) {
    if (!out) return 0;
    if (!source || !source->Info) {
        *out = TDib{};
        return 0;
    }
    return DIBHalftoneDIBXY(out, source, source->Info->biWidth, source->Info->biHeight);
}

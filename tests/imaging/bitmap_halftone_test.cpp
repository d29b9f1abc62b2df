// Halftoned copies: the palette, exact colours, dithered averages, resampling, bad input.
#include "pictavo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

ScopedDib Flat24(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
    ScopedDib dib;
    EXPECT_EQ(newdib(dib.get(), width, height, 24, nullptr, 0), 1);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            setpixel(dib.get(), x, y, uint32_t(r) << 16 | g << 8 | b);
    return dib;
}

struct Average {
    double r = 0, g = 0, b = 0;
};

Average AverageOf(const TDib& dib) {
    Average a;
    const int n = dib.Info->biWidth * dib.Info->biHeight;
    for (int y = 0; y < dib.Info->biHeight; ++y)
        for (int x = 0; x < dib.Info->biWidth; ++x) {
            const TPaletteEntry& c = dib.Colours[getpixel(&dib, x, y)];
            a.r += c.peRed;
            a.g += c.peGreen;
            a.b += c.peBlue;
        }
    a.r /= n;
    a.g /= n;
    a.b /= n;
    return a;
}

} // namespace

TEST(Halftone, CopyIsAnEightBitPaletteImageOfTheSameSize) {
    ScopedDib photo = Flat24(13, 7, 10, 20, 30);
    ScopedDib copy;
    ASSERT_EQ(DIBHalftoneDIB(copy.get(), photo.get()), 1);
    ASSERT_FALSE(copy.empty());
    EXPECT_EQ(copy->Info->biBitCount, 8);
    EXPECT_EQ(copy->Info->biWidth, 13);
    EXPECT_EQ(copy->Info->biHeight, 7);
    EXPECT_EQ(copy->HasPalette, 1);
    for (int i = 0; i < 256; ++i) {
        const TRgbQuad& q = copy->Info->bmiColors[i];
        const TPaletteEntry& c = copy->Colours[i];
        ASSERT_EQ(q.rgbRed, c.peRed) << "entry " << i;
        ASSERT_EQ(q.rgbGreen, c.peGreen) << "entry " << i;
        ASSERT_EQ(q.rgbBlue, c.peBlue) << "entry " << i;
    }
    EXPECT_NE(photo->Bits, nullptr) << "the source stays";
}

TEST(Halftone, ColoursOfThePaletteComeOutUndithered) {
    // Every entry of the palette, as a flat 8 x 8 area (all dither thresholds), maps to
    // pixels of exactly that colour.
    ScopedDib probe;
    ScopedDib first = Flat24(1, 1, 0, 0, 0);
    ASSERT_EQ(DIBHalftoneDIB(probe.get(), first.get()), 1);
    for (int i = 0; i < 256; ++i) {
        const TPaletteEntry c = probe->Colours[i];
        ScopedDib flat = Flat24(8, 8, c.peRed, c.peGreen, c.peBlue);
        ScopedDib copy;
        ASSERT_EQ(DIBHalftoneDIB(copy.get(), flat.get()), 1);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const TPaletteEntry& got = copy->Colours[getpixel(copy.get(), x, y)];
                ASSERT_TRUE(got.peRed == c.peRed && got.peGreen == c.peGreen &&
                            got.peBlue == c.peBlue)
                    << "entry " << i << " at " << x << "," << y;
            }
    }
}

TEST(Halftone, DitheredAreasKeepTheirAverageColour) {
    const struct {
        uint8_t r, g, b;
    } cases[] = {{100, 150, 200}, {250, 10, 128},  {30, 30, 200}, {128, 128, 128},
                 {77, 77, 77},    {200, 201, 199}, {1, 2, 3}};
    for (const auto& c : cases) {
        ScopedDib flat = Flat24(32, 32, c.r, c.g, c.b);
        ScopedDib copy;
        ASSERT_EQ(DIBHalftoneDIB(copy.get(), flat.get()), 1);
        const Average a = AverageOf(*copy.get());
        EXPECT_NEAR(a.r, c.r, 4.0) << int(c.r) << "," << int(c.g) << "," << int(c.b);
        EXPECT_NEAR(a.g, c.g, 4.0) << int(c.r) << "," << int(c.g) << "," << int(c.b);
        EXPECT_NEAR(a.b, c.b, 4.0) << int(c.r) << "," << int(c.g) << "," << int(c.b);
    }
}

TEST(Halftone, GreysStayGrey) {
    for (int v = 0; v < 256; v += 5) {
        ScopedDib flat = Flat24(8, 8, uint8_t(v), uint8_t(v), uint8_t(v));
        ScopedDib copy;
        ASSERT_EQ(DIBHalftoneDIB(copy.get(), flat.get()), 1);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const TPaletteEntry& c = copy->Colours[getpixel(copy.get(), x, y)];
                ASSERT_TRUE(c.peRed == c.peGreen && c.peGreen == c.peBlue)
                    << "grey " << v << " became " << int(c.peRed) << "," << int(c.peGreen) << ","
                    << int(c.peBlue);
                ASSERT_LE(std::abs(int(c.peRed) - v), 8) << "grey " << v;
            }
    }
}

TEST(Halftone, ResampledCopyKeepsTheQuadrants) {
    // Four quadrants of palette colours, 40 x 30, reduced to 10 x 6 and enlarged to 80 x 60.
    ScopedDib photo;
    ASSERT_EQ(newdib(photo.get(), 40, 30, 24, nullptr, 0), 1);
    const uint32_t colours[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF33};
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            setpixel(photo.get(), x, y, colours[(y >= 15) * 2 + (x >= 20)]);
    for (auto [w, h] : {std::pair{10, 6}, {80, 60}, {1, 1}}) {
        ScopedDib copy;
        ASSERT_EQ(DIBHalftoneDIBXY(copy.get(), photo.get(), w, h), 1);
        ASSERT_EQ(copy->Info->biWidth, w);
        ASSERT_EQ(copy->Info->biHeight, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const TPaletteEntry& c = copy->Colours[getpixel(copy.get(), x, y)];
                // Sampled at pixel centres.
                const int sx = (2 * x + 1) * 40 / (2 * w), sy = (2 * y + 1) * 30 / (2 * h);
                const uint32_t want = colours[(sy >= 15) * 2 + (sx >= 20)];
                ASSERT_EQ(uint32_t(c.peRed) << 16 | c.peGreen << 8 | c.peBlue, want)
                    << w << "x" << h << " pixel " << x << "," << y;
            }
    }
}

TEST(Halftone, PaletteImagesAreReadThroughTheirColourTable) {
    ScopedDib image;
    ASSERT_EQ(newdib(image.get(), 4, 4, 4, nullptr, 0), 1);
    image->Info->bmiColors[5] = {255, 0, 0, 0}; // blue
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            setpixel(image.get(), x, y, 5);
    ScopedDib copy;
    ASSERT_EQ(DIBHalftoneDIB(copy.get(), image.get()), 1);
    const TPaletteEntry& c = copy->Colours[getpixel(copy.get(), 2, 2)];
    EXPECT_EQ(c.peBlue, 255);
    EXPECT_EQ(c.peRed, 0);
}

TEST(Halftone, BadInputLeavesAnEmptyRecord) {
    ScopedDib photo = Flat24(4, 4, 1, 2, 3);
    const TDib empty{};
    TDib out{};
    out.Bits = reinterpret_cast<uint8_t*>(0x1); // stale content is overwritten, not freed
    EXPECT_EQ(DIBHalftoneDIB(&out, nullptr), 0);
    EXPECT_EQ(out.Bits, nullptr);
    EXPECT_EQ(DIBHalftoneDIB(&out, &empty), 0);
    EXPECT_EQ(DIBHalftoneDIBXY(&out, photo.get(), 0, 5), 0);
    EXPECT_EQ(DIBHalftoneDIBXY(&out, photo.get(), 5, -1), 0);
    EXPECT_EQ(out.Bits, nullptr);
    EXPECT_EQ(DIBHalftoneDIB(nullptr, photo.get()), 0);
}

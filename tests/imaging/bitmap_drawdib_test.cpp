// DrawDib on the recording target: clipping, the four ways, both fallbacks and messages.
#include "lumeno/bitmap/dib_ops.h"
#include "lumeno/bitmap/draw_dib.h"
#include "recording_target.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <map>
#include <string>
#include <vector>

using namespace lumeno;
using Kind = RecordedCall::Kind;

namespace {

ScopedDib MakeDib(int width, int height, int bits, const std::function<uint32_t(int, int)>& value) {
    ScopedDib dib;
    EXPECT_EQ(newdib(dib.get(), width, height, bits, nullptr, 0), 1);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            setpixel(dib.get(), x, y, value(x, y));
    if (bits <= 8)
        for (int i = 0; i < 256; ++i) {
            dib->Info->bmiColors[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2), 0};
            dib->Colours[i] = {uint8_t(i / 2), uint8_t(255 - i), uint8_t(i), 0};
        }
    return dib;
}

uint32_t Photo(int x, int y) {
    return uint32_t((x * 7) << 16 | (y * 3) << 8 | (x ^ y)) & 0xFFFFFF;
}

DrawDibResult Draw(RecordingDrawTarget& dc, const DibDrawRects& r, const TDib& image,
                   bool halftone = true, bool useImagePalette = true, void* palette = nullptr) {
    return DrawDib(dc, r.x, r.y, r.destWidth, r.destHeight, image, r.srcX, r.srcY, r.srcWidth,
                   r.srcHeight, halftone, kSrcCopy, useImagePalette, palette);
}

// The device pixels that SendBits calls put down: (x, y top-down) -> pixel value.
std::map<std::pair<int, int>, uint32_t> Canvas(const RecordingDrawTarget& dc) {
    std::map<std::pair<int, int>, uint32_t> canvas;
    for (const RecordedCall* c : dc.Of(Kind::SendBits)) {
        const TDib* img = c->image->get();
        const int h = DibHeight(*img);
        for (int row = 0; row < h; ++row)
            for (int col = 0; col < DibWidth(*img); ++col)
                canvas[{c->target.x + col, c->target.y + row}] = getpixel(img, col, h - 1 - row);
    }
    return canvas;
}

} // namespace

TEST(DrawDibClipping, ShrinksTheTargetInProportion) {
    const struct {
        const char* what;
        int imageWidth, imageHeight;
        DibDrawRects in, out;
    } cases[] = {
        {"inside", 100, 50, {5, 6, 200, 100, 0, 0, 100, 50}, {5, 6, 200, 100, 0, 0, 100, 50}},
        {"past the right edge",
         100,
         50,
         {10, 20, 160, 100, 60, 0, 80, 50},
         {10, 20, 80, 100, 60, 0, 40, 50}},
        {"below the bottom row",
         100,
         50,
         {0, 0, 100, 100, 0, -10, 100, 50},
         {0, 0, 100, 80, 0, 0, 100, 40}},
        {"10 pixels above the top",
         100,
         100,
         {0, 0, 200, 200, 0, 10, 100, 100},
         {0, 20, 200, 180, 0, 10, 100, 90}},
        {"left of the first column",
         100,
         50,
         {0, 0, 200, 100, -25, 0, 100, 50},
         {50, 0, 150, 100, 0, 0, 75, 50}},
        {"all four sides", 10, 10, {0, 0, 40, 40, -5, -5, 20, 20}, {10, 10, 20, 20, 0, 0, 10, 10}},
        // 5 * 2 / 4 = 2.5 -> 2 and 7 * 2 / 4 = 3.5 -> 4: halves go to the even neighbour.
        {"half rounds down to even", 3, 3, {0, 0, 5, 5, 1, 1, 4, 4}, {0, 3, 2, 2, 1, 1, 2, 2}},
        {"half rounds up to even", 3, 3, {0, 0, 7, 7, 1, 1, 4, 4}, {0, 3, 4, 4, 1, 1, 2, 2}},
        {"left half rounds to even", 8, 8, {0, 0, 5, 8, -2, 0, 4, 8}, {3, 0, 2, 8, 0, 0, 2, 8}},
    };
    for (const auto& c : cases) {
        DibDrawRects r = c.in;
        EXPECT_TRUE(ClipToImage(r, c.imageWidth, c.imageHeight)) << c.what;
        EXPECT_EQ(r, c.out) << c.what << ": got target " << r.x << "," << r.y << " " << r.destWidth
                            << "x" << r.destHeight << " source " << r.srcX << "," << r.srcY << " "
                            << r.srcWidth << "x" << r.srcHeight;
    }
}

TEST(DrawDibClipping, NothingLeftDrawsNothing) {
    const DibDrawRects cases[] = {
        {0, 0, 10, 10, 100, 0, 10, 10}, // right of the image
        {0, 0, 10, 10, -20, 0, 10, 10}, // left of it
        {0, 0, 10, 10, 0, 50, 10, 10},  // above it
        {0, 0, 10, 10, 0, -10, 10, 10}, // below it
        {0, 0, 10, 10, 0, 0, 0, 10},    // empty source
        {0, 0, 0, 10, 0, 0, 10, 10},    // empty target
    };
    ScopedDib image = MakeDib(50, 50, 24, Photo);
    for (const DibDrawRects& in : cases) {
        DibDrawRects r = in;
        EXPECT_FALSE(ClipToImage(r, 50, 50));
        RecordingDrawTarget dc;
        Draw(dc, in, *image.get());
        ASSERT_EQ(dc.calls.size(), 1u);
        EXPECT_EQ(dc.calls[0].kind, Kind::StretchMode);
    }
}

TEST(DrawDibWays, TrueColourScreenStretchesDirectlyInColourOnColourMode) {
    ScopedDib photo = MakeDib(400, 300, 24, Photo);
    RecordingDrawTarget dc;
    dc.screenBits = 32;
    Draw(dc, {3, 4, 100, 75, 0, 0, 400, 300}, *photo.get());
    ASSERT_EQ(dc.calls.size(), 2u);
    EXPECT_EQ(dc.calls[0].kind, Kind::StretchMode);
    EXPECT_EQ(dc.calls[0].value, kColorOnColor);
    const RecordedCall& t = dc.calls[1];
    ASSERT_EQ(t.kind, Kind::StretchBits);
    EXPECT_EQ(t.target, (DibRect{3, 4, 100, 75}));
    EXPECT_EQ(t.source, (DibRect{0, 0, 400, 300}));
    EXPECT_EQ(t.rasterOp, kSrcCopy);
    EXPECT_EQ(DibBitCount(*t.image->get()), 24);
    EXPECT_EQ(DibWidth(*t.image->get()), 400);
}

TEST(DrawDibWays, QuarterSizeOn256ColoursIsHalftonedAtTheReducedSize) {
    ScopedDib photo = MakeDib(400, 300, 24, Photo);
    photo->Palette = reinterpret_cast<void*>(0x77);
    RecordingDrawTarget dc;
    dc.screenBits = 8;
    Draw(dc, {3, 4, 100, 75, 0, 0, 400, 300}, *photo.get());
    const auto stretches = dc.Of(Kind::StretchBits);
    ASSERT_EQ(stretches.size(), 1u);
    const RecordedCall& t = *stretches[0];
    EXPECT_EQ(DibBitCount(*t.image->get()), 8);
    EXPECT_EQ(DibWidth(*t.image->get()), 100);
    EXPECT_EQ(DibHeight(*t.image->get()), 75);
    EXPECT_EQ(t.target, (DibRect{3, 4, 100, 75}));
    EXPECT_EQ(t.source, (DibRect{0, 0, 100, 75})) << "copied one to one";
    // The image's palette is selected around the transfer, although HasPalette is 0.
    const auto palettes = dc.Of(Kind::SelectPalette);
    ASSERT_EQ(palettes.size(), 2u);
    EXPECT_EQ(palettes[0]->palette, photo->Palette);
    EXPECT_EQ(palettes[1]->palette, dc.initialPalette);
}

TEST(DrawDibWays, HalftonedCopyOfAPartIsScaledWithTheWholeImage) {
    ScopedDib photo = MakeDib(400, 300, 24, Photo);
    RecordingDrawTarget dc;
    dc.screenBits = 4;
    Draw(dc, {0, 0, 100, 75, 100, 60, 200, 150}, *photo.get(), true, false,
         reinterpret_cast<void*>(0x99));
    const auto stretches = dc.Of(Kind::StretchBits);
    ASSERT_EQ(stretches.size(), 1u);
    EXPECT_EQ(DibWidth(*stretches[0]->image->get()), 200);
    EXPECT_EQ(DibHeight(*stretches[0]->image->get()), 150);
    EXPECT_EQ(stretches[0]->source, (DibRect{50, 30, 100, 75}));
    EXPECT_EQ(dc.Of(Kind::SelectPalette)[0]->palette, reinterpret_cast<void*>(0x99));
}

TEST(DrawDibWays, EnlargedOn256ColoursIsHalftonedAtFullSize) {
    ScopedDib photo = MakeDib(40, 30, 24, Photo);
    RecordingDrawTarget dc;
    dc.screenBits = 8;
    Draw(dc, {0, 0, 400, 300, 0, 0, 40, 30}, *photo.get());
    const auto stretches = dc.Of(Kind::StretchBits);
    ASSERT_EQ(stretches.size(), 1u);
    EXPECT_EQ(DibWidth(*stretches[0]->image->get()), 40);
    EXPECT_EQ(DibBitCount(*stretches[0]->image->get()), 8);
    EXPECT_EQ(stretches[0]->source, (DibRect{0, 0, 40, 30}));
    EXPECT_EQ(stretches[0]->target, (DibRect{0, 0, 400, 300}));
}

TEST(DrawDibWays, WithoutHalftoneA256ColourScreenGetsTheImageItself) {
    ScopedDib photo = MakeDib(40, 30, 24, Photo);
    RecordingDrawTarget dc;
    dc.screenBits = 8;
    Draw(dc, {0, 0, 20, 15, 0, 0, 40, 30}, *photo.get(), false);
    const auto stretches = dc.Of(Kind::StretchBits);
    ASSERT_EQ(stretches.size(), 1u);
    EXPECT_EQ(DibBitCount(*stretches[0]->image->get()), 24);
    EXPECT_TRUE(dc.Of(Kind::SelectPalette).empty());
}

TEST(DrawDibWays, PrintingAnEightBitImageSendsOneRowPerTargetRow) {
    ScopedDib image = MakeDib(30, 20, 8, [](int x, int y) { return uint32_t(x * 8 + y) & 0xFF; });
    image->Palette = reinterpret_cast<void*>(0x42);
    RecordingDrawTarget dc;
    dc.rasterDisplay = false;
    const int destWidth = 45, destHeight = 37;
    Draw(dc, {100, 200, destWidth, destHeight, 0, 0, 30, 20}, *image.get());
    const auto sends = dc.Of(Kind::SendBits);
    ASSERT_EQ(sends.size(), size_t(destHeight));
    EXPECT_TRUE(dc.Of(Kind::StretchBits).empty());
    for (int r = 0; r < destHeight; ++r) {
        const RecordedCall& c = *sends[r];
        ASSERT_EQ(c.target, (DibRect{100, 200 + r, destWidth, 1})) << "row " << r;
        const TDib& row = *c.image->get();
        ASSERT_EQ(DibBitCount(row), 8);
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(row.Info->bmiColors[i].rgbBlue, image->Info->bmiColors[i].rgbBlue)
                << "colour table entry " << i;
        const int storedRow = 20 - 1 - (20 * r / destHeight);
        for (int i = 0; i < destWidth; ++i)
            ASSERT_EQ(getpixel(&row, i, 0), getpixel(image.get(), 30 * i / destWidth, storedRow))
                << "row " << r << " column " << i;
    }
    // The image's palette is selected for the whole call and selected back at the end.
    const auto palettes = dc.Of(Kind::SelectPalette);
    ASSERT_EQ(palettes.size(), 2u);
    EXPECT_EQ(palettes[0]->palette, image->Palette);
    EXPECT_EQ(dc.calls.back().kind, Kind::SelectPalette);
}

TEST(DrawDibWays, PrintingATwentyFourBitPartCropsByTheSourceRectangle) {
    ScopedDib photo = MakeDib(50, 40, 24, Photo);
    RecordingDrawTarget dc;
    dc.rasterDisplay = false;
    // Source: columns 10..29, stored rows 5..24 (SrcY from the bottom); top = 40 - 5 - 20.
    Draw(dc, {0, 0, 20, 20, 10, 5, 20, 20}, *photo.get());
    const auto canvas = Canvas(dc);
    ASSERT_EQ(canvas.size(), 400u);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(canvas.at({x, y}), Photo(10 + x, 24 - y)) << "device pixel " << x << "," << y;
}

TEST(DrawDibWays, PrintingInBandsPutsDownTheSamePixels) {
    for (int bits : {8, 24}) {
        ScopedDib image = MakeDib(33, 27, bits, [&](int x, int y) {
            return bits == 8 ? uint32_t(x * 7 + y * 3) & 0xFF : Photo(x, y);
        });
        RecordingDrawTarget rows, bands;
        rows.rasterDisplay = bands.rasterDisplay = false;
        bands.bandHeight = 16;
        const DibDrawRects r{7, 9, 71, 50, 2, 3, 30, 22};
        Draw(rows, r, *image.get());
        Draw(bands, r, *image.get());
        EXPECT_EQ(rows.Of(Kind::SendBits).size(), 50u);
        EXPECT_EQ(bands.Of(Kind::SendBits).size(), 4u) << "16 + 16 + 16 + 2 rows";
        EXPECT_EQ(Canvas(rows), Canvas(bands)) << bits << " bits";
    }
}

TEST(DrawDibWays, OneAndFourBitImagesOnAPrinterTakeTheDirectWay) {
    for (int bits : {1, 4}) {
        ScopedDib image = MakeDib(16, 8, bits, [](int x, int y) { return uint32_t(x + y) & 1; });
        RecordingDrawTarget dc;
        dc.rasterDisplay = false;
        Draw(dc, {0, 0, 64, 32, 0, 0, 16, 8}, *image.get());
        EXPECT_EQ(dc.Of(Kind::StretchBits).size(), 1u) << bits << " bits";
        EXPECT_TRUE(dc.Of(Kind::SendBits).empty());
    }
}

TEST(DrawDibFallbacks, RefusedStretchSendsASampledCopyNibbleByNibble) {
    // Source nibble of column c, stored row y: (c + 3 * y) & 15.
    const auto value = [](int x, int y) { return uint32_t(x + 3 * y) & 15; };
    ScopedDib image = MakeDib(9, 5, 4, value);
    RecordingDrawTarget dc;
    dc.stretchResult = kGdiError;
    Draw(dc, {4, 6, 17, 9, 0, 0, 9, 5}, *image.get());
    const auto sends = dc.Of(Kind::SendBits);
    ASSERT_EQ(sends.size(), 1u);
    EXPECT_EQ(sends[0]->target, (DibRect{4, 6, 17, 9}));
    const TDib& copy = *sends[0]->image->get();
    ASSERT_EQ(DibBitCount(copy), 4);
    EXPECT_EQ(copy.Info->bmiColors[15].rgbBlue, image->Info->bmiColors[15].rgbBlue);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 17; ++x)
            ASSERT_EQ(getpixel(&copy, x, y), value(8 * x / 16, 4 * y / 8)) << x << "," << y;
    EXPECT_TRUE(dc.Of(Kind::CreateBitmap).empty());
}

TEST(DrawDibFallbacks, SampledCopyOfEveryDepthAndOnePixelTargets) {
    for (int bits : {1, 8, 24}) {
        const uint32_t mask = bits == 24 ? 0xFFFFFFu : (1u << bits) - 1;
        const auto value = [&](int x, int y) { return Photo(x, y) & mask; };
        ScopedDib image = MakeDib(12, 10, bits, value);
        for (auto [w, h] : {std::pair{6, 4}, {1, 4}, {6, 1}, {1, 1}}) {
            RecordingDrawTarget dc;
            dc.stretchResult = kGdiError;
            Draw(dc, {0, 0, w, h, 2, 3, 8, 6}, *image.get());
            const auto sends = dc.Of(Kind::SendBits);
            ASSERT_EQ(sends.size(), 1u);
            const TDib& copy = *sends[0]->image->get();
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const int sx = w > 1 ? 2 + 7 * x / (w - 1) : 2;
                    const int sy = h > 1 ? 3 + 5 * y / (h - 1) : 3;
                    ASSERT_EQ(getpixel(&copy, x, y), value(sx, sy))
                        << bits << " bits, " << w << "x" << h << " pixel " << x << "," << y;
                }
        }
    }
}

TEST(DrawDibFallbacks, DeviceBitmapPathCopiesTheSamePartOfThePicture) {
    ScopedDib photo = MakeDib(50, 40, 24, Photo);
    for (bool canTakeBits : {true, false}) {
        RecordingDrawTarget dc;
        dc.stretchResult = kGdiError;
        dc.canTakeBits = canTakeBits;
        dc.sendResult = 0; // refuses the sampled copy too
        const DrawDibResult result = Draw(dc, {1, 2, 30, 20, 10, 5, 20, 10}, *photo.get());
        EXPECT_EQ(dc.Of(Kind::SendBits).size(), canTakeBits ? 1u : 0u);
        const auto created = dc.Of(Kind::CreateBitmap);
        ASSERT_EQ(created.size(), 1u);
        EXPECT_EQ(created[0]->target, (DibRect{0, 0, 50, 40})) << "the whole image";
        const auto rows = dc.Of(Kind::SetRows);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(getpixel(rows[0]->image->get(), 49, 39), Photo(49, 39));
        const auto blt = dc.Of(Kind::StretchBlt);
        ASSERT_EQ(blt.size(), 1u);
        EXPECT_EQ(blt[0]->target, (DibRect{1, 2, 30, 20}));
        // Stored rows 5..14 are rows 25..34 counted from the top.
        EXPECT_EQ(blt[0]->source, (DibRect{10, 25, 20, 10}));
        EXPECT_EQ(blt[0]->rasterOp, kSrcCopy);
        EXPECT_EQ(dc.calls.back().kind, Kind::DeleteBitmap);
        EXPECT_EQ(result, DrawDibResult::kDrawn);
    }
}

TEST(DrawDibFallbacks, EachRefusalGivesItsResult) {
    const struct {
        bool createFails, setRowsFails, stretchBltFails;
        DrawDibResult result;
    } cases[] = {
        {true, false, false, DrawDibResult::kNoBitmap},
        {false, true, false, DrawDibResult::kNoSetRows},
        {false, false, true, DrawDibResult::kNoStretch},
    };
    ScopedDib image = MakeDib(8, 8, 8, [](int x, int y) { return uint32_t(x * y); });
    for (const auto& c : cases) {
        RecordingDrawTarget dc;
        dc.stretchResult = kGdiError;
        dc.canTakeBits = false;
        dc.createBitmapFails = c.createFails;
        dc.setRowsFails = c.setRowsFails;
        dc.stretchBltFails = c.stretchBltFails;
        EXPECT_EQ(Draw(dc, {0, 0, 16, 16, 0, 0, 8, 8}, *image.get()), c.result);
        // The palette is selected back however the call ends.
        EXPECT_EQ(dc.calls.back().kind, Kind::SelectPalette);
        EXPECT_EQ(dc.calls.back().palette, dc.initialPalette);
        EXPECT_EQ(dc.Of(Kind::DeleteBitmap).size(), c.createFails ? 0u : 1u);
    }
}

TEST(DrawDibPalettes, ChoosesTheImagePaletteOrTheArgument) {
    ScopedDib image = MakeDib(4, 4, 8, [](int, int) { return 3u; });
    image->Palette = reinterpret_cast<void*>(0x11);
    void* argument = reinterpret_cast<void*>(0x22);
    for (bool useImagePalette : {true, false}) {
        RecordingDrawTarget dc;
        Draw(dc, {0, 0, 4, 4, 0, 0, 4, 4}, *image.get(), true, useImagePalette, argument);
        const auto palettes = dc.Of(Kind::SelectPalette);
        ASSERT_EQ(palettes.size(), 2u);
        EXPECT_EQ(palettes[0]->palette, useImagePalette ? image->Palette : argument);
        EXPECT_EQ(palettes[1]->palette, dc.initialPalette);
        EXPECT_EQ(dc.calls[1].kind, Kind::SelectPalette) << "selected before the transfer";
    }
    // Without HasPalette nothing is selected.
    image->HasPalette = 0;
    RecordingDrawTarget dc;
    Draw(dc, {0, 0, 4, 4, 0, 0, 4, 4}, *image.get());
    EXPECT_TRUE(dc.Of(Kind::SelectPalette).empty());
}

TEST(DrawDibWays, EmptyImageDrawsNothing) {
    RecordingDrawTarget dc;
    Draw(dc, {0, 0, 80, 80, 0, 0, 80, 80}, TDib{});
    ASSERT_EQ(dc.calls.size(), 1u);
    EXPECT_EQ(dc.calls[0].kind, Kind::StretchMode);
}

TEST(DrawDibClipping, HostileRectanglesNeitherOverflowNorReadOutside) {
    constexpr int kMax = std::numeric_limits<int>::max();
    constexpr int kMin = std::numeric_limits<int>::min();
    const DibDrawRects cases[] = {
        {0, 0, 10, 10, kMin, 0, kMax, 10},
        {0, 0, 10, 10, 0, kMin, 10, kMax},
        {kMax, kMax, kMax, kMax, 0, 0, 20, 20},
        {kMin, kMin, kMax, kMax, -5, -5, 30, 30},
        {0, 0, kMax, 3, 0, 0, 1, 20},
        {0, 0, 5, 5, kMax, kMax, kMax, kMax},
        {0, 0, 10, 10, -kMax, -kMax, kMax, kMax},
        {0, 0, kMax, kMax, 19, 19, 1, 1},
    };
    ScopedDib image = MakeDib(20, 20, 24, Photo);
    for (const DibDrawRects& in : cases)
        for (bool raster : {true, false})
            for (int screenBits : {8, 32}) {
                RecordingDrawTarget dc;
                dc.rasterDisplay = raster;
                dc.screenBits = screenBits;
                Draw(dc, in, *image.get());
                for (const RecordedCall* c : dc.Of(Kind::StretchBits)) {
                    EXPECT_GE(c->source.x, 0);
                    EXPECT_GE(c->source.y, 0);
                    EXPECT_LE(int64_t{c->source.x} + c->source.width, 20);
                    EXPECT_LE(int64_t{c->source.y} + c->source.height, 20);
                }
            }
}

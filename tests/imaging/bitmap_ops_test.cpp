// ConvertTo24Bit, Resize, the thumbnail size and the image queries.
#include "lumeno/bitmap/dib_ops.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace lumeno;

namespace {

// A width x height image of the given depth whose pixel (x, y) (storage order) is value(x, y),
// written through setpixel.
ScopedDib MakeDib(int width, int height, int bits, const std::function<uint32_t(int, int)>& value) {
    ScopedDib dib;
    EXPECT_EQ(newdib(dib.get(), width, height, bits, nullptr, 0), 1);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            setpixel(dib.get(), x, y, value(x, y));
    return dib;
}

void SetColour(TDib& dib, int index, uint8_t r, uint8_t g, uint8_t b) {
    dib.Colours[index] = {r, g, b, 0};
    dib.Info->bmiColors[index] = {b, g, r, 0};
}

} // namespace

TEST(DibQueries, ReadTheHeaderAndAnswerZeroForAnEmptyRecord) {
    const struct {
        int bits;
        int64_t colours;
    } cases[] = {{1, 2}, {4, 16}, {8, 256}, {24, 16777216}};
    for (const auto& c : cases) {
        ScopedDib dib;
        ASSERT_EQ(newdib(dib.get(), 7, 3, c.bits, nullptr, 0), 1);
        EXPECT_EQ(DibWidth(*dib.get()), 7);
        EXPECT_EQ(DibHeight(*dib.get()), 3);
        EXPECT_EQ(DibBitCount(*dib.get()), c.bits);
        EXPECT_EQ(DibColourCount(*dib.get()), c.colours) << c.bits << " bits";
    }
    const TDib empty{};
    EXPECT_EQ(DibWidth(empty), 0);
    EXPECT_EQ(DibHeight(empty), 0);
    EXPECT_EQ(DibBitCount(empty), 0);
    EXPECT_EQ(DibColourCount(empty), 0);
}

TEST(ConvertTo24Bit, OneBitTakesItsTwoColoursFromTheTable) {
    // Black/white keeps the bytes of every earlier export; white/black is not a negative;
    // a two-colour table keeps its colours.
    const struct {
        const char* name;
        uint32_t zero, one; // 0x00RRGGBB
    } cases[] = {{"black/white", 0x000000, 0xFFFFFF},
                 {"white/black", 0xFFFFFF, 0x000000},
                 {"blue/green", 0x1020C0, 0x20B040}};
    for (const auto& c : cases) {
        ScopedDib dib = MakeDib(11, 3, 1, [](int x, int y) { return (x + y) % 3 == 0 ? 1u : 0u; });
        SetColour(*dib.get(), 0, uint8_t(c.zero >> 16), uint8_t(c.zero >> 8), uint8_t(c.zero));
        SetColour(*dib.get(), 1, uint8_t(c.one >> 16), uint8_t(c.one >> 8), uint8_t(c.one));
        ConvertTo24Bit(*dib.get());
        ASSERT_EQ(DibBitCount(*dib.get()), 24) << c.name;
        ASSERT_EQ(DibWidth(*dib.get()), 11);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 11; ++x)
                ASSERT_EQ(getpixel(dib.get(), x, y), (x + y) % 3 == 0 ? c.one : c.zero)
                    << c.name << ", pixel " << x << "," << y;
    }
}

TEST(ConvertTo24Bit, FourAndEightBitsTakeTheirColoursFromColours) {
    for (int bits : {4, 8}) {
        const int count = 1 << bits;
        ScopedDib dib = MakeDib(9, 4, bits, [&](int x, int y) { return (x * 5 + y) % count; });
        for (int i = 0; i < count; ++i)
            SetColour(*dib.get(), i, uint8_t(i), uint8_t(2 * i), uint8_t(255 - i));
        // Info's table differs: Colours alone counts.
        dib->Info->bmiColors[0] = {1, 2, 3, 0};
        ConvertTo24Bit(*dib.get());
        ASSERT_EQ(DibBitCount(*dib.get()), 24);
        for (int y = 0; y < 4; ++y) {
            const uint8_t* row = dib->Bits + y * dib->RowBytes;
            for (int x = 0; x < 9; ++x) {
                const int i = (x * 5 + y) % count;
                ASSERT_EQ(row[3 * x], uint8_t(255 - i)) << bits << " bits, pixel " << x << "," << y;
                ASSERT_EQ(row[3 * x + 1], uint8_t(2 * i));
                ASSERT_EQ(row[3 * x + 2], uint8_t(i));
            }
        }
    }
}

TEST(ConvertTo24Bit, LeavesTwentyFourBitsAndEmptyRecordsAlone) {
    ScopedDib dib = MakeDib(3, 2, 24, [](int x, int y) { return uint32_t(x * 100 + y); });
    const uint8_t* before = dib->Bits;
    ConvertTo24Bit(*dib.get());
    EXPECT_EQ(dib->Bits, before);
    EXPECT_EQ(getpixel(dib.get(), 2, 1), 201u);
    TDib empty{};
    ConvertTo24Bit(empty);
    EXPECT_EQ(empty.Bits, nullptr);
}

TEST(Resize, SamplesEveryDepthInFixedPoint) {
    // 10 x 7 source reduced to 4 x 3: stepX = 10240 / 4 = 2560, stepY = 7168 / 3 = 2389;
    // columns (x * 2560) >> 10 = 0, 2, 5, 7; rows (y * 2389) >> 10 = 0, 2, 4.
    const int cols[] = {0, 2, 5, 7};
    const int rows[] = {0, 2, 4};
    for (int bits : {1, 4, 8, 24}) {
        const uint32_t mask = bits == 24 ? 0xFFFFFFu : (1u << bits) - 1;
        const auto value = [&](int x, int y) { return uint32_t(x * 37 + y * 101 + x * y) & mask; };
        ScopedDib src = MakeDib(10, 7, bits, value);
        if (bits <= 8) SetColour(*src.get(), 1, 10, 20, 30);
        ScopedDib out(Resize(*src.get(), 4, 3));
        ASSERT_FALSE(out.empty()) << bits << " bits";
        ASSERT_EQ(DibBitCount(*out.get()), bits);
        ASSERT_EQ(DibWidth(*out.get()), 4);
        ASSERT_EQ(DibHeight(*out.get()), 3);
        if (bits <= 8) {
            EXPECT_EQ(out->Info->bmiColors[1].rgbRed, 10) << "colour table copied";
            EXPECT_EQ(out->Colours[1].peBlue, 30);
        }
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
                ASSERT_EQ(getpixel(out.get(), x, y), value(cols[x], rows[y]))
                    << bits << " bits, pixel " << x << "," << y;
    }
}

TEST(Resize, FourBitNibblesMoveBetweenEvenAndOddColumns) {
    // 7 columns to 4: stepX = 7168 / 4 = 1792, source columns 0, 1, 3, 5 (even, then odd:
    // high nibble, then low nibbles) holding 1, 2, 4, 6.
    ScopedDib src = MakeDib(7, 1, 4, [](int x, int) { return uint32_t(x + 1); });
    ScopedDib out(Resize(*src.get(), 4, 1));
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out->Bits[0], 0x12);
    EXPECT_EQ(out->Bits[1], 0x46);
}

TEST(Resize, EnlargesASmallPicture) {
    ScopedDib src = MakeDib(40, 40, 24, [](int x, int y) { return uint32_t(x << 8 | y); });
    ScopedDib out(Resize(*src.get(), 80, 80));
    ASSERT_FALSE(out.empty());
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 80; ++x)
            ASSERT_EQ(getpixel(out.get(), x, y), uint32_t((x / 2) << 8 | (y / 2)));
}

TEST(Resize, RefusesWhatItCannotMake) {
    ScopedDib src = MakeDib(4, 4, 8, [](int, int) { return 1u; });
    for (auto [w, h] : {std::pair{0, 4}, {4, 0}, {-1, 5}}) {
        TDib out = Resize(*src.get(), w, h);
        EXPECT_EQ(out.Bits, nullptr) << w << "x" << h;
    }
    EXPECT_EQ(Resize(TDib{}, 80, 80).Bits, nullptr);
}

TEST(Resize, VeryWidePicturesSampleTheRightColumns) {
    // 4.3 million columns: x * stepX exceeds 32 bits for the last thumbnail columns.
    const int width = 4'300'000;
    ScopedDib src;
    ASSERT_EQ(newdib(src.get(), width, 1, 8, nullptr, 0), 1);
    for (int x = 0; x < width; ++x)
        src->Bits[x] = uint8_t(x / (width / 80 + 1));
    ScopedDib out(Resize(*src.get(), 80, 1));
    ASSERT_FALSE(out.empty());
    const uint64_t step = uint64_t(width) * 1024 / 80;
    for (int x = 0; x < 80; ++x) {
        const int column = int((x * step) >> 10);
        ASSERT_EQ(out->Bits[x], src->Bits[column]) << "column " << x;
    }
    EXPECT_GT(out->Bits[79], 70) << "the last thumbnail column comes from the right edge";
}

TEST(ThumbnailSize, FitsIntoEightyByEighty) {
    const struct {
        int width, height, w, h;
    } cases[] = {
        {800, 600, 80, 60},   {600, 800, 60, 80},   {40, 40, 80, 80},  {80, 80, 80, 80},
        {4000, 3000, 80, 60}, {3000, 4000, 60, 80}, {81, 80, 80, 79},  {80, 81, 79, 80},
        {1, 1, 80, 80},       {8000, 10, 80, 1},    {10, 8000, 1, 80}, {100000, 1, 80, 1},
        {1, 100000, 1, 80},   {0, 10, 0, 0},        {10, -1, 0, 0},
    };
    for (const auto& c : cases) {
        const ThumbSize s = ThumbnailSize(c.width, c.height);
        EXPECT_EQ(s.w, c.w) << c.width << "x" << c.height;
        EXPECT_EQ(s.h, c.h) << c.width << "x" << c.height;
    }
}

// BMP reading from hand-made bytes: every depth, bit fields, top-down rows, the OS/2
// header, RLE4/RLE8, and files that lie or end early.
#include "pictavo.h"
#include "pictavo_fixtures.h"

#include <gtest/gtest.h>

#include <functional>

using namespace fixtures;

namespace {

void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

struct Bmp {
    int width = 0, height = 0; // height as stored in the header (negative: top-down)
    int bits = 24;
    uint32_t compression = 0;
    int headerSize = 40;
    std::vector<Rgb> palette;
    std::vector<uint32_t> masks; // after a 40-byte header
    std::vector<uint8_t> pixels;
    int64_t offsetShift = 0; // added to the pixel offset (to make it lie)
};

std::vector<uint8_t> Build(const Bmp& s) {
    std::vector<uint8_t> b = {'B', 'M'};
    const size_t paletteBytes = s.palette.size() * (s.headerSize == 12 ? 3 : 4);
    const size_t offset = 14 + s.headerSize + s.masks.size() * 4 + paletteBytes;
    Put32(b, uint32_t(offset + s.pixels.size()));
    Put32(b, 0);
    Put32(b, uint32_t(int64_t(offset) + s.offsetShift));
    Put32(b, uint32_t(s.headerSize));
    if (s.headerSize == 12) {
        Put16(b, uint16_t(s.width));
        Put16(b, uint16_t(s.height));
        Put16(b, 1);
        Put16(b, uint16_t(s.bits));
    } else {
        Put32(b, uint32_t(s.width));
        Put32(b, uint32_t(s.height));
        Put16(b, 1);
        Put16(b, uint16_t(s.bits));
        Put32(b, s.compression);
        Put32(b, uint32_t(s.pixels.size()));
        Put32(b, 2835);
        Put32(b, 2835);
        Put32(b, uint32_t(s.palette.size()));
        Put32(b, 0);
        while (b.size() < 14u + s.headerSize)
            b.push_back(0);
    }
    for (uint32_t m : s.masks)
        Put32(b, m);
    for (const Rgb& c : s.palette) {
        b.push_back(c.b);
        b.push_back(c.g);
        b.push_back(c.r);
        if (s.headerSize != 12) b.push_back(0);
    }
    b.insert(b.end(), s.pixels.begin(), s.pixels.end());
    return b;
}

// Rows of w pixels in file order, each padded to 4 bytes; pixel(x, fileRow) gives the
// value, packed with the given bits (1, 2, 4, 8 from the high bits; 16, 24, 32 little-endian).
std::vector<uint8_t> Rows(int w, int h, int bits, const std::function<uint32_t(int, int)>& pixel) {
    std::vector<uint8_t> out;
    const size_t rowBytes = ((size_t(w) * bits + 31) / 32) * 4;
    for (int r = 0; r < h; ++r) {
        std::vector<uint8_t> row(rowBytes);
        for (int x = 0; x < w; ++x) {
            const uint32_t v = pixel(x, r);
            if (bits < 8) {
                const int perByte = 8 / bits;
                row[x / perByte] |= uint8_t(v << (8 - bits * (x % perByte + 1)));
            } else {
                for (int i = 0; i < bits / 8; ++i)
                    row[x * bits / 8 + i] = uint8_t(v >> (8 * i));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

std::vector<Rgb> Palette(int n) {
    std::vector<Rgb> p;
    for (int i = 0; i < n; ++i)
        p.push_back(Rgb{uint8_t(i * 37), uint8_t(255 - i), uint8_t(i * 11)});
    return p;
}

ScopedDib Load(const std::vector<uint8_t>& bytes) {
    ScopedDib dib;
    OpenDibMemory(dib.get(), bytes.data(), bytes.size(), nullptr);
    return dib;
}

constexpr int W = 13, H = 7;

// Index / colour of the picture at (x, y from the top).
uint32_t IndexAt(int x, int y, int colours) {
    return uint32_t((x + 3 * y) % colours);
}

struct PaletteCase {
    const char* name;
    int bits;
    int headerSize;
    int expectedBits;
};

class BmpPalette : public ::testing::TestWithParam<PaletteCase> {};

TEST_P(BmpPalette, KeepsIndicesAndColours) {
    const PaletteCase& c = GetParam();
    const int colours = 1 << c.bits;
    Bmp s;
    s.width = W;
    s.height = H;
    s.bits = c.bits;
    s.headerSize = c.headerSize;
    s.palette = Palette(colours);
    s.pixels = Rows(W, H, c.bits, [&](int x, int r) { return IndexAt(x, H - 1 - r, colours); });
    ScopedDib dib = Load(Build(s));
    ASSERT_NE(dib->Bits, nullptr);
    EXPECT_EQ(dib->Info->biBitCount, c.expectedBits);
    EXPECT_EQ(dib->HasPalette, 1);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            ASSERT_EQ(getpixel(dib.get(), x, H - 1 - y), IndexAt(x, y, colours))
                << "first differing pixel (" << x << ", " << y << " from top)";
    const Picture expected =
        MakePicture(W, H, [&](int x, int y) { return Palette(colours)[IndexAt(x, y, colours)]; });
    EXPECT_TRUE(SamePixels(*dib.get(), expected, 0));
}

INSTANTIATE_TEST_SUITE_P(
    Depths, BmpPalette,
    ::testing::Values(PaletteCase{"Bits1", 1, 40, 1}, PaletteCase{"Bits2BecomeFour", 2, 40, 4},
                      PaletteCase{"Bits4", 4, 40, 4}, PaletteCase{"Bits8", 8, 40, 8},
                      PaletteCase{"Os2Bits8", 8, 12, 8}, PaletteCase{"Os2Bits1", 1, 12, 1},
                      PaletteCase{"V5HeaderBits4", 4, 124, 4}),
    [](const auto& info) { return std::string(info.param.name); });

struct TrueColourCase {
    const char* name;
    int bits;
    uint32_t compression;
    std::vector<uint32_t> masks;
    int tolerance;
};

uint32_t Encode(const Rgb& p, const TrueColourCase& c) {
    if (c.bits == 24) return p.b | (p.g << 8) | (uint32_t(p.r) << 16);
    uint32_t rm = 0x7C00, gm = 0x03E0, bm = 0x001F;
    if (c.bits == 32) rm = 0xFF0000, gm = 0xFF00, bm = 0xFF;
    if (!c.masks.empty()) rm = c.masks[0], gm = c.masks[1], bm = c.masks[2];
    auto field = [](uint8_t v, uint32_t mask) {
        int shift = 0, bits = 0;
        while (!((mask >> shift) & 1))
            ++shift;
        while (shift + bits < 32 && ((mask >> (shift + bits)) & 1))
            ++bits;
        return (uint32_t(v) >> (8 - (bits > 8 ? 8 : bits))) << (shift + (bits > 8 ? bits - 8 : 0));
    };
    return field(p.r, rm) | field(p.g, gm) | field(p.b, bm);
}

class BmpTrueColour : public ::testing::TestWithParam<TrueColourCase> {};

TEST_P(BmpTrueColour, BecomesTwentyFourBits) {
    const TrueColourCase& c = GetParam();
    const Picture picture = Pattern(W, H);
    Bmp s;
    s.width = W;
    s.height = H;
    s.bits = c.bits;
    s.compression = c.compression;
    s.masks = c.masks;
    s.pixels =
        Rows(W, H, c.bits, [&](int x, int r) { return Encode(picture.At(x, H - 1 - r), c); });
    ScopedDib dib = Load(Build(s));
    ASSERT_NE(dib->Bits, nullptr);
    EXPECT_EQ(dib->Info->biBitCount, 24);
    EXPECT_EQ(dib->HasPalette, 0);
    EXPECT_TRUE(SamePixels(*dib.get(), picture, c.tolerance));
}

INSTANTIATE_TEST_SUITE_P(
    Depths, BmpTrueColour,
    ::testing::Values(TrueColourCase{"Bits24", 24, 0, {}, 0},
                      TrueColourCase{"Bits16Default555", 16, 0, {}, 8},
                      TrueColourCase{"Bits16BitFields565", 16, 3, {0xF800, 0x07E0, 0x001F}, 8},
                      TrueColourCase{"Bits32Default", 32, 0, {}, 0},
                      TrueColourCase{
                          "Bits32BitFieldsRgba", 32, 3, {0xFF000000, 0x00FF0000, 0x0000FF00}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BmpDecode, TopDownRowsComeOutUpright) {
    const Picture picture = Pattern(W, H);
    Bmp s;
    s.width = W;
    s.height = -H;
    s.pixels = Rows(W, H, 24, [&](int x, int r) {
        const Rgb p = picture.At(x, r); // first row in the file is the top
        return p.b | (p.g << 8) | (uint32_t(p.r) << 16);
    });
    ScopedDib dib = Load(Build(s));
    EXPECT_TRUE(SamePixels(*dib.get(), picture, 0));
}

// RLE8 of a 6 x 4 picture: runs, a literal of odd length, a delta, end of line, end of picture.
std::vector<uint8_t> Rle8Data() {
    return {
        3, 1, 3, 2, 0, 0,             // bottom row: 1 1 1 2 2 2
        0, 3, 4, 5, 6, 0, 2, 7, 0, 0, // literal 4 5 6 (padded), run 7 7, end of line
        0, 2, 2, 1,                   // delta: right 2, up 1 (row 3, x 2)
        2, 9, 0, 1,                   // 9 9 at x 2..3 of the top row, end of picture
    };
}

TEST(BmpDecode, Rle8RunsLiteralsAndDeltas) {
    Bmp s;
    s.width = 6;
    s.height = 4;
    s.bits = 8;
    s.compression = 1;
    s.palette = Palette(16);
    s.pixels = Rle8Data();
    ScopedDib dib = Load(Build(s));
    ASSERT_NE(dib->Bits, nullptr);
    EXPECT_EQ(dib->Info->biBitCount, 8);
    const uint32_t expected[4][6] = {{1, 1, 1, 2, 2, 2}, // stored row 0 (bottom)
                                     {4, 5, 6, 7, 7, 0},
                                     {0, 0, 0, 0, 0, 0},
                                     {0, 0, 9, 9, 0, 0}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(getpixel(dib.get(), x, y), expected[y][x]) << "pixel " << x << "," << y;
}

TEST(BmpDecode, Rle4Nibbles) {
    Bmp s;
    s.width = 7;
    s.height = 2;
    s.bits = 4;
    s.compression = 2;
    s.palette = Palette(16);
    s.pixels = {5, 0x12, 0,    0,           // 1 2 1 2 1, end of line
                0, 3,    0xAB, 0xC0, 0, 1}; // literal A B C (padded to 2 bytes), end
    ScopedDib dib = Load(Build(s));
    ASSERT_NE(dib->Bits, nullptr);
    EXPECT_EQ(dib->Info->biBitCount, 4);
    const uint32_t expected[2][7] = {{1, 2, 1, 2, 1, 0, 0}, {10, 11, 12, 0, 0, 0, 0}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 7; ++x)
            ASSERT_EQ(getpixel(dib.get(), x, y), expected[y][x]) << "pixel " << x << "," << y;
}

TEST(BmpDecode, TruncatedRleGivesThePartThatWasRead) {
    Bmp s;
    s.width = 6;
    s.height = 4;
    s.bits = 8;
    s.compression = 1;
    s.palette = Palette(16);
    s.pixels = Rle8Data();
    s.pixels.resize(8); // the bottom row and part of the next
    ScopedDib dib = Load(Build(s));
    ASSERT_NE(dib->Bits, nullptr);
    for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(getpixel(dib.get(), x, 0), 1u);
    }
    EXPECT_EQ(getpixel(dib.get(), 0, 3), 0u);
}

TEST(BmpDecode, RunsBeyondTheRowAndDeltasBeyondThePictureAreIgnored) {
    Bmp s;
    s.width = 4;
    s.height = 2;
    s.bits = 8;
    s.compression = 1;
    s.palette = Palette(4);
    s.pixels = {255, 3, 0, 2, 200, 200, 0, 255, 1, 0, 1};
    ScopedDib dib = Load(Build(s));
    ASSERT_NE(dib->Bits, nullptr);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(getpixel(dib.get(), x, 0), 3u);
    }
}

TEST(BmpDecode, TruncatedRowsGiveTheBottomRows) {
    const Picture picture = Pattern(W, H);
    Bmp s;
    s.width = W;
    s.height = H;
    s.pixels = Rows(W, H, 24, [&](int x, int r) {
        const Rgb p = picture.At(x, H - 1 - r);
        return p.b | (p.g << 8) | (uint32_t(p.r) << 16);
    });
    const size_t rowBytes = ((W * 24 + 31) / 32) * 4;
    s.pixels.resize(rowBytes * 3 + 5);
    ScopedDib dib = Load(Build(s));
    ASSERT_NE(dib->Bits, nullptr);
    EXPECT_EQ(dib->Info->biHeight, H);
    const Rgb bottom = PixelOf(*dib.get(), 4, H - 1), expected = picture.At(4, H - 1);
    EXPECT_EQ(bottom.r, expected.r);
    EXPECT_EQ(getpixel(dib.get(), 4, H - 1), 0u); // top row never arrived: black
}

TEST(BmpDecode, LyingFilesAreNotLoaded) {
    Bmp good;
    good.width = W;
    good.height = H;
    good.pixels = Rows(W, H, 24, [](int x, int y) { return uint32_t(x * y); });
    ASSERT_NE(Load(Build(good))->Bits, nullptr);

    std::vector<std::pair<const char*, std::vector<uint8_t>>> cases;
    Bmp s = good;
    s.offsetShift = 100000;
    cases.push_back({"pixel offset past the end", Build(s)});
    s = good;
    s.offsetShift = -20; // 34: inside the file, but within the 54 header bytes
    cases.push_back({"pixel offset inside the header", Build(s)});
    s = good;
    s.width = 1 << 30;
    cases.push_back({"width of a billion", Build(s)});
    s = good;
    s.width = 30000;
    s.height = 30000;
    cases.push_back({"900 megapixels", Build(s)});
    s = good;
    s.height = INT32_MIN;
    cases.push_back({"height INT32_MIN", Build(s)});
    s = good;
    s.width = 0;
    cases.push_back({"width 0", Build(s)});
    s = good;
    s.bits = 7;
    cases.push_back({"7 bits", Build(s)});
    s = good;
    s.compression = 4; // JPEG inside
    cases.push_back({"JPEG compression", Build(s)});
    s = good;
    s.bits = 24;
    s.compression = 1;
    cases.push_back({"RLE8 with 24 bits", Build(s)});
    s = good;
    s.headerSize = 200;
    cases.push_back({"unknown header size", Build(s)});
    auto headerOnly = Build(good);
    headerOnly.resize(30);
    cases.push_back({"header cut", headerOnly});
    for (auto& [name, bytes] : cases) {
        ScopedDib dib = Load(bytes);
        EXPECT_EQ(dib->Bits, nullptr) << name;
    }
}

TEST(BmpDecode, MissingPaletteEntriesAreBlack) {
    Bmp s;
    s.width = 4;
    s.height = 1;
    s.bits = 8;
    s.palette = Palette(2); // indices 2 and 3 have no colour
    s.pixels = {0, 1, 2, 3};
    ScopedDib dib = Load(Build(s));
    ASSERT_NE(dib->Bits, nullptr);
    EXPECT_EQ(dib->Info->bmiColors[3].rgbRed, 0);
    EXPECT_EQ(dib->Info->bmiColors[1].rgbGreen, 254);
}

} // namespace

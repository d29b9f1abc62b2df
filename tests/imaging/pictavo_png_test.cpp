// PNG reading: every colour type and bit depth, interlacing, transparency onto white,
// palettes kept, and broken files.
#include "pictavo.h"
#include "pictavo_fixtures.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

using namespace fixtures;

namespace {

struct PngCase {
    const char* name;
    int colourType;
    int bitDepth;
    bool interlaced;
    bool alpha;       // alpha channel or tRNS
    int expectedBits; // 8 for grey and palette pictures, else 24
};

constexpr int W = 37, H = 23;

uint8_t AlphaAt(int x, int y) {
    return static_cast<uint8_t>((x * 255 / (W - 1) + y) & 0xFF);
}

Rgb PaletteColour(int i) {
    return Rgb{uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)};
}

class PngDecode : public ::testing::TestWithParam<PngCase> {};

TEST_P(PngDecode, LoadsWithSizeDepthAndColours) {
    const PngCase& c = GetParam();
    PngOptions o;
    o.colourType = c.colourType;
    o.bitDepth = c.bitDepth;
    o.interlaced = c.interlaced;
    const bool grey =
        c.colourType == PNG_COLOR_TYPE_GRAY || c.colourType == PNG_COLOR_TYPE_GRAY_ALPHA;
    const bool palette = c.colourType == PNG_COLOR_TYPE_PALETTE;
    const int levels = 1 << (c.bitDepth > 8 ? 8 : c.bitDepth);
    // Source: for grey and palette pictures the red channel carries the grey value (0..255)
    // or the index.
    const Picture pattern = Pattern(W, H);
    Picture source = MakePicture(W, H, [&](int x, int y) {
        const Rgb p = pattern.At(x, y);
        if (palette) {
            const uint8_t i = uint8_t((x + y * W) % levels);
            return Rgb{i, i, i};
        }
        if (grey) return Rgb{p.g, p.g, p.g};
        return p;
    });
    if (palette)
        for (int i = 0; i < levels; ++i)
            o.palette.push_back(PaletteColour(i));
    if (c.alpha) {
        if (palette) {
            for (int i = 0; i < levels; ++i)
                o.paletteAlpha.push_back(uint8_t(i * 97 & 0xFF));
        } else if (c.colourType == PNG_COLOR_TYPE_GRAY) {
            o.greyTransparentZero = true;
        } else {
            o.alphaOf = [&](int x, int y) {
                return uint16_t(c.bitDepth == 16 ? AlphaAt(x, y) * 257 : AlphaAt(x, y));
            };
        }
    }
    const auto bytes = EncodePng(source, o);

    const Picture expected = MakePicture(W, H, [&](int x, int y) {
        Rgb p = source.At(x, y);
        unsigned a = 255;
        if (palette) {
            const int i = p.r;
            p = PaletteColour(i);
            if (c.alpha) a = uint8_t(i * 97 & 0xFF);
        } else if (grey) {
            // The grey value as the bit depth keeps it, scaled back to 0..255.
            const int bits = c.bitDepth > 8 ? 8 : c.bitDepth;
            const int level = p.r >> (8 - bits);
            const uint8_t v = uint8_t(level * 255 / ((1 << bits) - 1));
            p = Rgb{v, v, v};
            if (c.alpha && c.colourType == PNG_COLOR_TYPE_GRAY && level == 0) a = 0;
            if (c.alpha && c.colourType == PNG_COLOR_TYPE_GRAY_ALPHA) a = AlphaAt(x, y);
        } else if (c.alpha) {
            a = AlphaAt(x, y);
        }
        auto onWhite = [a](uint8_t v) { return uint8_t((v * a + 255 * (255 - a) + 127) / 255); };
        return Rgb{onWhite(p.r), onWhite(p.g), onWhite(p.b)};
    });

    ScopedDib dib;
    ASSERT_EQ(OpenDibMemory(dib.get(), bytes.data(), bytes.size(), nullptr), 1);
    EXPECT_EQ(dib->Info->biBitCount, c.expectedBits);
    EXPECT_EQ(dib->HasPalette, c.expectedBits == 8 ? 1 : 0);
    EXPECT_TRUE(SamePixels(*dib.get(), expected, 1));
    if (palette) {
        // The palette is kept: index i of the file is index i of the image.
        EXPECT_EQ(dib->Info->biClrUsed, static_cast<uint32_t>(levels));
        const uint32_t index = getpixel(dib.get(), 5, H - 1);
        EXPECT_EQ(index, static_cast<uint32_t>(5 % levels));
    }
}

INSTANTIATE_TEST_SUITE_P(
    ColourTypesAndDepths, PngDecode,
    ::testing::Values(PngCase{"Grey1", PNG_COLOR_TYPE_GRAY, 1, false, false, 8},
                      PngCase{"Grey2", PNG_COLOR_TYPE_GRAY, 2, false, false, 8},
                      PngCase{"Grey4", PNG_COLOR_TYPE_GRAY, 4, false, false, 8},
                      PngCase{"Grey8", PNG_COLOR_TYPE_GRAY, 8, false, false, 8},
                      PngCase{"Grey16", PNG_COLOR_TYPE_GRAY, 16, false, false, 8},
                      PngCase{"Grey8Transparent", PNG_COLOR_TYPE_GRAY, 8, false, true, 8},
                      PngCase{"GreyAlpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, true, 8},
                      PngCase{"GreyAlpha16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, false, true, 8},
                      PngCase{"Rgb8", PNG_COLOR_TYPE_RGB, 8, false, false, 24},
                      PngCase{"Rgb16", PNG_COLOR_TYPE_RGB, 16, false, false, 24},
                      PngCase{"Rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, true, 24},
                      PngCase{"Rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, false, true, 24},
                      PngCase{"Palette1", PNG_COLOR_TYPE_PALETTE, 1, false, false, 8},
                      PngCase{"Palette2", PNG_COLOR_TYPE_PALETTE, 2, false, false, 8},
                      PngCase{"Palette4", PNG_COLOR_TYPE_PALETTE, 4, false, false, 8},
                      PngCase{"Palette8With256Colours", PNG_COLOR_TYPE_PALETTE, 8, false, false, 8},
                      PngCase{"Palette8Transparent", PNG_COLOR_TYPE_PALETTE, 8, false, true, 8},
                      PngCase{"InterlacedRgb8", PNG_COLOR_TYPE_RGB, 8, true, false, 24},
                      PngCase{"InterlacedRgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, true, true, 24},
                      PngCase{"InterlacedPalette4", PNG_COLOR_TYPE_PALETTE, 4, true, false, 8},
                      PngCase{"InterlacedGrey2", PNG_COLOR_TYPE_GRAY, 2, true, false, 8}),
    [](const auto& info) { return std::string(info.param.name); });

std::vector<uint8_t> RgbPng(int w, int h, bool interlaced = false) {
    PngOptions o;
    o.interlaced = interlaced;
    return EncodePng(Pattern(w, h), o);
}

TEST(PngDecode, TruncatedDataGivesThePartThatWasRead) {
    const Picture picture = Pattern(200, 200);
    PngOptions o;
    auto bytes =
        EncodePng(MakePicture(200, 200,
                              [&](int x, int y) {
                                  // Noise, so that the data is spread over the rows.
                                  const unsigned v = (x * 2654435761u) ^ (y * 40503u);
                                  return Rgb{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16)};
                              }),
                  o);
    bytes.resize(bytes.size() / 2);
    ScopedDib dib;
    ASSERT_EQ(OpenDibMemory(dib.get(), bytes.data(), bytes.size(), nullptr), 1);
    EXPECT_EQ(dib->Info->biWidth, 200);
    EXPECT_EQ(dib->Info->biHeight, 200);
    // The first row was read: not all black.
    uint32_t any = 0;
    for (int x = 0; x < 200; ++x)
        any |= getpixel(dib.get(), x, 199);
    EXPECT_NE(any, 0u);
}

TEST(PngDecode, BrokenFilesAreNotLoaded) {
    const auto good = RgbPng(16, 16);
    std::vector<std::pair<const char*, std::vector<uint8_t>>> cases;
    cases.push_back({"signature only", std::vector<uint8_t>(good.begin(), good.begin() + 8)});
    cases.push_back({"header cut", std::vector<uint8_t>(good.begin(), good.begin() + 20)});
    auto badCrc = good;
    badCrc[29] ^= 0xFF; // IHDR checksum
    cases.push_back({"IHDR checksum", badCrc});
    auto zeroWidth = good;
    zeroWidth[16] = zeroWidth[17] = zeroWidth[18] = zeroWidth[19] = 0;
    cases.push_back({"width 0", zeroWidth});
    auto noData = good;
    noData.resize(33); // IHDR only
    cases.push_back({"no image data", noData});
    for (auto& [name, bytes] : cases) {
        ScopedDib dib;
        EXPECT_EQ(OpenDibMemory(dib.get(), bytes.data(), bytes.size(), nullptr), 0) << name;
        EXPECT_EQ(dib->Bits, nullptr) << name;
    }
}

// IHDR with its checksum recomputed, so that only the size lies.
std::vector<uint8_t> WithSize(std::vector<uint8_t> png, uint32_t w, uint32_t h) {
    auto put = [&](size_t at, uint32_t v) {
        png[at] = uint8_t(v >> 24);
        png[at + 1] = uint8_t(v >> 16);
        png[at + 2] = uint8_t(v >> 8);
        png[at + 3] = uint8_t(v);
    };
    put(16, w);
    put(20, h);
    put(29, static_cast<uint32_t>(crc32(0, png.data() + 12, 17)));
    return png;
}

TEST(PngDecode, LyingDimensionsAreRefusedOrPartial) {
    const auto good = RgbPng(16, 16);
    // Above the pixel limit: refused before anything is allocated.
    const auto huge = WithSize(good, 100000, 100000);
    ScopedDib a;
    EXPECT_EQ(OpenDibMemory(a.get(), huge.data(), huge.size(), nullptr), 0);
    // Within the limit but with the data of a 16 x 16 picture: partial at most.
    const auto lying = WithSize(good, 4000, 3000);
    ScopedDib b;
    OpenDibMemory(b.get(), lying.data(), lying.size(), nullptr);
    if (b->Bits) {
        EXPECT_EQ(b->Info->biWidth, 4000);
    }
}

} // namespace

// The thumbnail cache's files: text keys and pixels round trip, the first bytes are PNG's own
// with the keys before the pixels, transparency ends on white, and pictures larger than
// asked for or cut-off files are refused.
TEST(PngText, KeysAndPixelsRoundTrip) {
    const Picture picture = Pattern(W, H);
    ScopedDib dib;
    ASSERT_EQ(newdib(dib.get(), W, H, 24, nullptr, 0), 1);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const Rgb c = picture.At(x, y);
            setpixel(dib.get(), x, H - 1 - y, uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b);
        }
    const std::string uri = "file:///home/ä/b%20c.jpg";
    const TPngText keys[] = {{"Thumb::URI", uri.data(), uri.size()}, {"Thumb::MTime", "17", 2}};
    TPngData png;
    ASSERT_EQ(SavePngWithText(dib.get(), keys, 2, 1, &png), 1);
    const std::vector<uint8_t> bytes(png.Data, png.Data + png.Size);
    FreePngData(&png);
    EXPECT_EQ(png.Data, nullptr);
    ASSERT_GT(bytes.size(), 60u);
    EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "IHDR");
    EXPECT_EQ(std::string(bytes.begin() + 37, bytes.begin() + 41), "tEXt");
    EXPECT_EQ(std::string(bytes.begin() + 41, bytes.begin() + 52), std::string("Thumb::URI\0", 11));

    std::vector<std::pair<std::string, std::string>> read;
    const auto sink = [](void* context, const char* key, const char* value, size_t size) {
        static_cast<decltype(read)*>(context)->emplace_back(key, std::string(value, size));
    };
    ScopedDib back;
    ASSERT_EQ(OpenPngWithText(back.get(), bytes.data(), bytes.size(), 64, sink, &read), 1);
    EXPECT_EQ(read, (decltype(read){{"Thumb::URI", uri}, {"Thumb::MTime", "17"}}));
    ASSERT_EQ(back->Info->biBitCount, 24);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            ASSERT_EQ(getpixel(back.get(), x, y), getpixel(dib.get(), x, y)) << x << "," << y;

    ScopedDib refused;
    EXPECT_EQ(OpenPngWithText(refused.get(), bytes.data(), bytes.size(), W - 1, nullptr, nullptr),
              0);
    EXPECT_EQ(OpenPngWithText(refused.get(), bytes.data(), bytes.size() - 20, 64, nullptr, nullptr),
              0);
    EXPECT_TRUE(refused.empty());

    PngOptions alpha;
    alpha.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    alpha.alphaOf = [](int x, int) { return uint16_t(x == 0 ? 0 : 255); };
    const std::vector<uint8_t> transparent = EncodePng(picture, alpha);
    ScopedDib onWhite;
    ASSERT_EQ(OpenPngWithText(onWhite.get(), transparent.data(), transparent.size(), 64, nullptr,
                              nullptr),
              1);
    EXPECT_EQ(getpixel(onWhite.get(), 0, 0), 0xFFFFFFu);
    EXPECT_EQ(getpixel(onWhite.get(), 1, H - 1), getpixel(dib.get(), 1, H - 1));
}

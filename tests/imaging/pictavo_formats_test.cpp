// GIF, TIFF, WebP and HEIC reading: size, depth, colours, transparency, broken files.
#include "pictavo.h"
#include "pictavo_fixtures.h"

#include <gtest/gtest.h>
#include <tiffio.h>

using namespace fixtures;

namespace {

ScopedDib Load(const std::vector<uint8_t>& bytes, TDibLoadOwner* owner = nullptr) {
    ScopedDib dib;
    OpenDibMemory(dib.get(), bytes.data(), bytes.size(), owner);
    return dib;
}

std::vector<Rgb> Colours(int n) {
    std::vector<Rgb> p;
    for (int i = 0; i < n; ++i)
        p.push_back(Rgb{uint8_t(i * 5), uint8_t(250 - i * 3), uint8_t(i * 17)});
    return p;
}

Picture Indices(int w, int h, int colours) {
    return MakePicture(w, h, [=](int x, int y) {
        const uint8_t i = uint8_t((x * 3 + y * 5) % colours);
        return Rgb{i, i, i};
    });
}

Picture ThroughPalette(const Picture& indices, const std::vector<Rgb>& palette) {
    return MakePicture(indices.width, indices.height,
                       [&](int x, int y) { return palette[indices.At(x, y).r]; });
}

// --- GIF --------------------------------------------------------------------------------

TEST(GifDecode, FirstFrameWithItsPaletteKept) {
    for (bool interlaced : {false, true}) {
        GifOptions o;
        o.palette = Colours(50);
        o.interlaced = interlaced;
        o.secondFrame = true;
        const Picture idx = Indices(29, 19, 50);
        ScopedDib dib = Load(EncodeGif(idx, o));
        ASSERT_NE(dib->Bits, nullptr) << "interlaced " << interlaced;
        EXPECT_EQ(dib->Info->biBitCount, 8);
        EXPECT_EQ(dib->HasPalette, 1);
        EXPECT_EQ(getpixel(dib.get(), 7, 19 - 1 - 3), uint32_t((7 * 3 + 3 * 5) % 50));
        EXPECT_TRUE(SamePixels(*dib.get(), ThroughPalette(idx, o.palette), 0))
            << "interlaced " << interlaced;
    }
}

TEST(GifDecode, TransparentColourBecomesWhiteAndFillsTheScreen) {
    GifOptions o;
    o.palette = Colours(4);
    o.transparentIndex = 3;
    o.screenWidth = 10;
    o.screenHeight = 8;
    o.left = 2;
    o.top = 3;
    const Picture idx = Indices(5, 4, 4);
    ScopedDib dib = Load(EncodeGif(idx, o));
    ASSERT_NE(dib->Bits, nullptr);
    EXPECT_EQ(dib->Info->biWidth, 10);
    EXPECT_EQ(dib->Info->biHeight, 8);
    const Picture expected = MakePicture(10, 8, [&](int x, int y) {
        int i = 3;
        if (x >= 2 && x < 7 && y >= 3 && y < 7) i = idx.At(x - 2, y - 3).r;
        return i == 3 ? Rgb{255, 255, 255} : o.palette[i];
    });
    EXPECT_TRUE(SamePixels(*dib.get(), expected, 0));
}

TEST(GifDecode, FrameOutsideTheScreenIsShownAlone) {
    GifOptions o;
    o.palette = Colours(8);
    o.screenWidth = 4;
    o.screenHeight = 4;
    o.left = 3;
    const Picture idx = Indices(6, 5, 8);
    ScopedDib dib = Load(EncodeGif(idx, o));
    ASSERT_NE(dib->Bits, nullptr);
    EXPECT_TRUE(SamePixels(*dib.get(), ThroughPalette(idx, o.palette), 0));
}

TEST(GifDecode, TruncatedAndBrokenFiles) {
    GifOptions o;
    o.palette = Colours(200);
    const Picture idx = MakePicture(120, 90, [](int x, int y) {
        const uint8_t i = uint8_t((x * 7919 + y * 31) % 200);
        return Rgb{i, i, i};
    });
    const auto whole = EncodeGif(idx, o);
    auto cut = whole;
    cut.resize(whole.size() / 2);
    ScopedDib partial = Load(cut);
    ASSERT_NE(partial->Bits, nullptr);
    EXPECT_EQ(getpixel(partial.get(), 5, 89), uint32_t((5 * 7919) % 200));

    std::vector<std::vector<uint8_t>> broken = {
        {'G', 'I', 'F', '8', '9', 'a'},
        std::vector<uint8_t>(whole.begin(), whole.begin() + 13), // screen only
    };
    auto noColours = EncodeGif(Indices(4, 4, 2), GifOptions{Colours(2)});
    noColours[10] &= 0x7F; // no global colour table, and no local one
    broken.push_back(noColours);
    for (size_t i = 0; i < broken.size(); ++i) {
        EXPECT_EQ(Load(broken[i])->Bits, nullptr) << i;
    }
}

// --- TIFF -------------------------------------------------------------------------------

struct TiffCase {
    const char* name;
    TiffKind kind;
};

class TiffDecode : public ::testing::TestWithParam<TiffCase> {};

TEST_P(TiffDecode, LoadsAsTwentyFourBits) {
    const TiffKind kind = GetParam().kind;
    const Picture picture = Pattern(41, 27);
    Picture expected = picture;
    if (kind == TiffKind::Grey16)
        for (Rgb& p : expected.pixels)
            p = Rgb{p.g, p.g, p.g};
    if (kind == TiffKind::Palette)
        for (Rgb& p : expected.pixels)
            p = Rgb{p.r, uint8_t(255 - p.r), uint8_t(p.r * 7)};
    ScopedDib dib = Load(EncodeTiff(picture, kind));
    ASSERT_NE(dib->Bits, nullptr);
    EXPECT_EQ(dib->Info->biBitCount, 24);
    EXPECT_TRUE(SamePixels(*dib.get(), expected, 1));
}

INSTANTIATE_TEST_SUITE_P(Kinds, TiffDecode,
                         ::testing::Values(TiffCase{"Rgb", TiffKind::Rgb},
                                           TiffCase{"Grey16", TiffKind::Grey16},
                                           TiffCase{"Palette", TiffKind::Palette},
                                           TiffCase{"Tiled", TiffKind::Tiled}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TiffDecode, AlphaIsCompositedOntoWhite) {
    const Picture picture = Pattern(20, 10);
    std::vector<uint8_t> alpha(200);
    for (size_t i = 0; i < alpha.size(); ++i)
        alpha[i] = uint8_t(i * 13);
    ScopedDib dib = Load(EncodeTiff(picture, TiffKind::RgbAlpha, 1, alpha));
    const Picture expected = MakePicture(20, 10, [&](int x, int y) {
        const unsigned a = alpha[size_t(y) * 20 + x];
        const Rgb p = picture.At(x, y);
        auto on = [a](uint8_t v) { return uint8_t((v * a + 255 * (255 - a) + 127) / 255); };
        return Rgb{on(p.r), on(p.g), on(p.b)};
    });
    EXPECT_TRUE(SamePixels(*dib.get(), expected, 2));
}

TEST(TiffDecode, BrokenFilesAreNotLoaded) {
    const auto good = EncodeTiff(Pattern(16, 16), TiffKind::Rgb);
    std::vector<std::vector<uint8_t>> broken = {
        {'I', 'I', 42, 0},
        {'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F}, // directory far past the end
        std::vector<uint8_t>(good.begin(), good.begin() + 12),
    };
    for (size_t i = 0; i < broken.size(); ++i) {
        EXPECT_EQ(Load(broken[i])->Bits, nullptr) << i;
    }
    // Strip data cut off: at most partial, never a crash.
    auto cut = good;
    cut.resize(good.size() - 200);
    Load(cut);
}

TEST(TiffDecode, ABrokenStripEndsThePictureThere) {
    // 16 x 20 in strips of 5 rows; the third strip's compressed data is spoilt. The rows of
    // the first two strips are the picture read; the rest is black, not made up.
    const Picture picture = Pattern(16, 20);
    auto bytes = EncodeTiff(picture, TiffKind::Rgb);
    TempDir dir;
    WriteBytes(dir.File("t.tif"), bytes);
    TIFF* t = TIFFOpen(dir.File("t.tif").c_str(), "r");
    ASSERT_NE(t, nullptr);
    uint64_t* offsets = nullptr;
    uint64_t* counts = nullptr;
    ASSERT_TRUE(TIFFGetField(t, TIFFTAG_STRIPOFFSETS, &offsets));
    ASSERT_TRUE(TIFFGetField(t, TIFFTAG_STRIPBYTECOUNTS, &counts));
    const uint64_t at = offsets[2], count = counts[2];
    const uint64_t firstAt = offsets[0], firstCount = counts[0];
    TIFFClose(t);
    for (uint64_t i = 0; i < count; ++i)
        bytes[at + i] = uint8_t(0xA5 ^ i);

    ScopedDib dib = Load(bytes);
    ASSERT_NE(dib->Bits, nullptr);
    const Picture expected = MakePicture(16, 20, [&](int x, int y) {
        return y < 10 ? picture.At(x, y) : Rgb{0, 0, 0};
    });
    EXPECT_TRUE(SamePixels(*dib.get(), expected, 0));

    // Spoilt from the first strip on: nothing was read, so nothing is loaded.
    auto first = EncodeTiff(picture, TiffKind::Rgb);
    for (uint64_t i = 0; i < firstCount; ++i)
        first[firstAt + i] = uint8_t(0x5A ^ i);
    EXPECT_EQ(Load(first)->Bits, nullptr);
}

// --- WebP -------------------------------------------------------------------------------

TEST(WebpDecode, LosslessPixelsExact) {
    const Picture picture = Pattern(45, 31);
    ScopedDib dib = Load(EncodeWebp(picture));
    ASSERT_NE(dib->Bits, nullptr);
    EXPECT_EQ(dib->Info->biBitCount, 24);
    EXPECT_TRUE(SamePixels(*dib.get(), picture, 0));
}

TEST(WebpDecode, LossyWithinTolerance) {
    const Picture picture = Smooth(64, 48);
    ScopedDib dib = Load(EncodeWebp(picture, 0, {}, true));
    EXPECT_TRUE(SamePixels(*dib.get(), picture, 16));
}

TEST(WebpDecode, AlphaIsCompositedOntoWhite) {
    const Picture picture = Pattern(16, 16);
    std::vector<uint8_t> alpha(256);
    for (size_t i = 0; i < alpha.size(); ++i)
        alpha[i] = uint8_t(i);
    ScopedDib dib = Load(EncodeWebp(picture, 0, alpha));
    const Picture expected = MakePicture(16, 16, [&](int x, int y) {
        const unsigned a = alpha[size_t(y) * 16 + x];
        const Rgb p = picture.At(x, y);
        auto on = [a](uint8_t v) { return uint8_t((v * a + 255 * (255 - a) + 127) / 255); };
        return Rgb{on(p.r), on(p.g), on(p.b)};
    });
    EXPECT_TRUE(SamePixels(*dib.get(), expected, 2));
}

TEST(WebpDecode, BrokenFiles) {
    const auto good = EncodeWebp(Pattern(64, 64), 0, {}, true);
    auto cut = good;
    cut.resize(good.size() / 2);
    ScopedDib partial = Load(cut);
    if (partial->Bits) {
        EXPECT_EQ(partial->Info->biWidth, 64);
    }
    const std::vector<uint8_t> header(good.begin(), good.begin() + 16);
    EXPECT_EQ(Load(header)->Bits, nullptr);
    auto bad = good;
    for (size_t i = 30; i < bad.size(); i += 3)
        bad[i] ^= 0xA5;
    Load(bad);
}

// --- HEIC -------------------------------------------------------------------------------

TEST(HeicDecode, LoadsWithinTolerance) {
    const Picture picture = Smooth(64, 48);
    const auto bytes = EncodeHeic(picture);
    if (bytes.empty()) SKIP_OR_FAIL_IN_CI("libheif has no HEVC encoder here");
    ScopedDib dib = Load(bytes);
    ASSERT_NE(dib->Bits, nullptr);
    EXPECT_EQ(dib->Info->biBitCount, 24);
    EXPECT_TRUE(SamePixels(*dib.get(), picture, 16));
}

TEST(HeicDecode, AlphaIsCompositedOntoWhite) {
    const Picture picture = MakePicture(64, 64, [](int, int) { return Rgb{0, 0, 0}; });
    std::vector<uint8_t> alpha(64 * 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            alpha[size_t(y) * 64 + x] = x < 32 ? 0 : 255;
    const auto bytes = EncodeHeic(picture, 1, 0, alpha);
    if (bytes.empty()) SKIP_OR_FAIL_IN_CI("libheif has no HEVC encoder here");
    ScopedDib dib = Load(bytes);
    ASSERT_NE(dib->Bits, nullptr);
    const Picture expected = MakePicture(64, 64, [](int x, int) {
        return x < 32 ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
    });
    // Away from the edge, where the coded alpha rings.
    const Rgb left = PixelOf(*dib.get(), 8, 30), right = PixelOf(*dib.get(), 56, 30);
    EXPECT_GT(left.r, 235);
    EXPECT_LT(right.r, 20);
}

TEST(HeicDecode, BrokenFilesAreNotLoaded) {
    const auto good = EncodeHeic(Smooth(64, 64));
    if (good.empty()) SKIP_OR_FAIL_IN_CI("libheif has no HEVC encoder here");
    auto cut = good;
    cut.resize(good.size() / 2);
    Load(cut); // whatever it gives, no crash
    const std::vector<uint8_t> ftypOnly(good.begin(), good.begin() + 24);
    EXPECT_EQ(Load(ftypOnly)->Bits, nullptr);
    auto bad = good;
    for (size_t i = 40; i < bad.size(); i += 11)
        bad[i] ^= 0x3C;
    Load(bad);
}

TEST(UnknownFormat, IsNotLoaded) {
    for (const std::vector<uint8_t>& bytes :
         {std::vector<uint8_t>{}, std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'},
          std::vector<uint8_t>(1000, 0)}) {
        ProgressLog log;
        EXPECT_EQ(Load(bytes, &log)->Bits, nullptr);
        EXPECT_EQ(log.values.back(), 100); // the bar never stays half-way
    }
    ScopedDib dib;
    EXPECT_EQ(OpenDib(dib.get(), "/nonexistent/picture.jpg", -1, nullptr), 0);
    EXPECT_EQ(dib->Bits, nullptr);
}

} // namespace

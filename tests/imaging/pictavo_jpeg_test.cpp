// JPEG reading (baseline, progressive, grey, CMYK, YCCK, truncated, broken) and writing.
#include "pictavo.h"
#include "pictavo_fixtures.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

struct JpegCase {
    const char* name;
    JpegKind kind;
    bool progressive;
    int expectedBits;
    int tolerance;
};

class JpegDecode : public ::testing::TestWithParam<JpegCase> {};

TEST_P(JpegDecode, LoadsWithSizeDepthAndColours) {
    const JpegCase& c = GetParam();
    // Grey pictures carry the pattern's red channel as grey.
    Picture picture = Pattern(67, 45);
    if (c.kind == JpegKind::Grey)
        for (Rgb& p : picture.pixels)
            p = Rgb{p.r, p.r, p.r};
    JpegOptions options;
    options.kind = c.kind;
    options.progressive = c.progressive;
    // Ink pictures carry a profile of the simple ink formula, so they come back as drawn.
    const bool inks = c.kind == JpegKind::Cmyk || c.kind == JpegKind::Ycck;
    const auto plain = EncodeJpeg(picture, options);
    const auto bytes = inks ? JpegWithProfile(plain, InkProfile(false)) : plain;
    ScopedDib dib;
    ASSERT_EQ(OpenDibMemory(dib.get(), bytes.data(), bytes.size(), nullptr), 1);
    EXPECT_EQ(dib->Info->biBitCount, c.expectedBits);
    EXPECT_EQ(dib->HasPalette, c.expectedBits == 8 ? 1 : 0);
    EXPECT_TRUE(SamePixels(*dib.get(), picture, c.tolerance));
}

INSTANTIATE_TEST_SUITE_P(Kinds, JpegDecode,
                         ::testing::Values(JpegCase{"Baseline", JpegKind::Colour, false, 24, 40},
                                           JpegCase{"Progressive", JpegKind::Colour, true, 24, 40},
                                           JpegCase{"Grey", JpegKind::Grey, false, 8, 12},
                                           JpegCase{"GreyProgressive", JpegKind::Grey, true, 8, 12},
                                           JpegCase{"AdobeCmyk", JpegKind::Cmyk, false, 24, 24},
                                           JpegCase{"Ycck", JpegKind::Ycck, false, 24, 24}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(JpegDecode, GreyImageHasGreyRamp) {
    const auto bytes = EncodeJpeg(Pattern(8, 8), MakeJpegOptions(95, JpegKind::Grey));
    ScopedDib dib;
    ASSERT_EQ(OpenDibMemory(dib.get(), bytes.data(), bytes.size(), nullptr), 1);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(dib->Colours[i].peRed, i);
        ASSERT_EQ(dib->Info->bmiColors[i].rgbBlue, i);
    }
}

TEST(JpegDecode, TruncatedFileGivesTheRowsThatWereRead) {
    const Picture picture = Pattern(64, 256);
    const auto whole = EncodeJpeg(picture);
    // Keep about the first half of the entropy-coded data.
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + whole.size() / 2);
    ScopedDib dib;
    ASSERT_EQ(OpenDibMemory(dib.get(), cut.data(), cut.size(), nullptr), 1);
    ASSERT_EQ(dib->Info->biHeight, 256);
    // The top rows match the picture.
    Picture top = picture;
    top.height = 40;
    top.pixels.resize(64 * 40);
    ScopedDib topOnly;
    ASSERT_EQ(newdib(topOnly.get(), 64, 40, 24, nullptr, 0), 1);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 64; ++x) {
            const Rgb p = PixelOf(*dib.get(), x, y);
            setpixel(topOnly.get(), x, 39 - y, (p.r << 16) | (p.g << 8) | p.b);
        }
    EXPECT_TRUE(SamePixels(*topOnly.get(), top, 40));
}

TEST(JpegDecode, BrokenFilesAreNotLoaded) {
    const auto good = EncodeJpeg(Pattern(32, 32));
    std::vector<std::vector<uint8_t>> broken;
    broken.push_back({0xFF, 0xD8, 0xFF});                                     // magic only
    broken.push_back(std::vector<uint8_t>(good.begin(), good.begin() + 100)); // header cut
    auto zeroSize = good;                                                     // SOF0 with width 0
    for (size_t i = 0; i + 9 < zeroSize.size(); ++i)
        if (zeroSize[i] == 0xFF && zeroSize[i + 1] == 0xC0) {
            zeroSize[i + 7] = 0;
            zeroSize[i + 8] = 0;
            break;
        }
    broken.push_back(zeroSize);
    for (size_t i = 0; i < broken.size(); ++i) {
        ScopedDib dib;
        EXPECT_EQ(OpenDibMemory(dib.get(), broken[i].data(), broken[i].size(), nullptr), 0)
            << "case " << i;
        EXPECT_EQ(dib->Bits, nullptr) << "case " << i;
    }
}

TEST(JpegDecode, CorruptEntropyDataNeverCrashes) {
    auto bytes = EncodeJpeg(Pattern(96, 96));
    for (size_t i = bytes.size() / 3; i < bytes.size() - 2; i += 7)
        bytes[i] ^= 0x5A;
    ScopedDib dib;
    OpenDibMemory(dib.get(), bytes.data(), bytes.size(), nullptr);
    if (dib->Bits) {
        EXPECT_EQ(dib->Info->biWidth, 96);
    }
}

TEST(JpegDecode, LyingDimensionsAboveTheLimitAreRefused) {
    auto bytes = EncodeJpeg(Pattern(16, 16));
    for (size_t i = 0; i + 9 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            bytes[i + 5] = 0xFF; // height 65535
            bytes[i + 6] = 0xFF;
            bytes[i + 7] = 0xFF; // width 65535: 4.3 gigapixels
            bytes[i + 8] = 0xFF;
            break;
        }
    ScopedDib dib;
    EXPECT_EQ(OpenDibMemory(dib.get(), bytes.data(), bytes.size(), nullptr), 0);
    EXPECT_EQ(dib->Bits, nullptr);
}

TEST(JpegDecode, HugeDimensionsWithLittleDataStopWhereTheDataEnds) {
    // 20000 x 20000 within the pixel limit, but almost no data: loads as a partial picture
    // without decoding 400 million pixels of nothing.
    auto bytes = EncodeJpeg(Pattern(16, 16));
    for (size_t i = 0; i + 9 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            bytes[i + 5] = 0x4E;
            bytes[i + 6] = 0x20;
            bytes[i + 7] = 0x4E;
            bytes[i + 8] = 0x20;
            break;
        }
    ScopedDib dib;
    OpenDibMemory(dib.get(), bytes.data(), bytes.size(), nullptr);
    if (dib->Bits) {
        EXPECT_EQ(dib->Info->biWidth, 20000);
    }
}

// --- writing ----------------------------------------------------------------------------

TEST(JpegWrite, RoundTripOf24BitImageAtQuality90) {
    const Picture picture = Smooth(123, 77);
    ScopedDib source;
    ASSERT_EQ(newdib(source.get(), picture.width, picture.height, 24, nullptr, 0), 1);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const Rgb p = picture.At(x, y);
            setpixel(source.get(), x, picture.height - 1 - y, (p.r << 16) | (p.g << 8) | p.b);
        }
    TempDir dir;
    const std::string file = dir.File("out.jpg");
    SetJPEGQual(90);
    ASSERT_EQ(SaveDib(source.get(), file.c_str(), 7, 0), 1);
    const auto bytes = ReadBytes(file);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);
    EXPECT_EQ(bytes[bytes.size() - 2], 0xFF);
    EXPECT_EQ(bytes[bytes.size() - 1], 0xD9);
    ScopedDib back;
    ASSERT_EQ(OpenDib(back.get(), file.c_str(), -1, nullptr), 1);
    EXPECT_TRUE(SamePixels(*back.get(), picture, 12));
}

TEST(JpegWrite, QualityChangesTheFile) {
    ScopedDib source;
    ASSERT_EQ(newdib(source.get(), 200, 200, 24, nullptr, 0), 1);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            setpixel(source.get(), x, y, (x * 7919 + y * 104729) & 0xFFFFFF);
    TempDir dir;
    SetJPEGQual(20);
    ASSERT_EQ(SaveDib(source.get(), dir.File("low.jpg").c_str(), 7, 0), 1);
    SetJPEGQual(95);
    ASSERT_EQ(SaveDib(source.get(), dir.File("high.jpg").c_str(), 7, 0), 1);
    SetJPEGQual(90);
    EXPECT_LT(ReadBytes(dir.File("low.jpg")).size() * 2, ReadBytes(dir.File("high.jpg")).size());
}

TEST(JpegWrite, AnExistingFileIsReplacedWholeAndAReservedEmptyOneIsFilled) {
    ScopedDib big, small;
    ASSERT_EQ(newdib(big.get(), 300, 300, 24, nullptr, 0), 1);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 300; ++x)
            setpixel(big.get(), x, y, (x * 7919 + y * 104729) & 0xFFFFFF);
    ASSERT_EQ(newdib(small.get(), 8, 8, 24, nullptr, 0), 1);
    TempDir dir;
    ASSERT_EQ(SaveDib(small.get(), dir.File("fresh.jpg").c_str(), 7, 0), 1);
    ASSERT_EQ(SaveDib(big.get(), dir.File("old.jpg").c_str(), 7, 0), 1);
    ASSERT_EQ(SaveDib(small.get(), dir.File("old.jpg").c_str(), 7, 0), 1);
    std::ofstream(dir.File("reserved.jpg")).close();
    ASSERT_EQ(SaveDib(small.get(), dir.File("reserved.jpg").c_str(), 7, 0), 1);
    const auto fresh = ReadBytes(dir.File("fresh.jpg"));
    EXPECT_EQ(ReadBytes(dir.File("old.jpg")), fresh);
    EXPECT_EQ(ReadBytes(dir.File("reserved.jpg")), fresh);
}

TEST(JpegWrite, PaletteImagesAreWrittenThroughTheirColours) {
    ScopedDib source;
    ASSERT_EQ(newdib(source.get(), 16, 16, 1, nullptr, 0), 1);
    source->Info->bmiColors[0] = TRgbQuad{0, 0, 255, 0};     // red
    source->Info->bmiColors[1] = TRgbQuad{255, 255, 255, 0}; // white
    for (int y = 0; y < 16; ++y)
        for (int x = 8; x < 16; ++x)
            setpixel(source.get(), x, y, 1);
    TempDir dir;
    ASSERT_EQ(SaveDib(source.get(), dir.File("p.jpg").c_str(), 7, 0), 1);
    ScopedDib back;
    ASSERT_EQ(OpenDib(back.get(), dir.File("p.jpg").c_str(), -1, nullptr), 1);
    const Picture expected = MakePicture(16, 16, [](int x, int) {
        return x < 8 ? Rgb{255, 0, 0} : Rgb{255, 255, 255};
    });
    EXPECT_TRUE(SamePixels(*back.get(), expected, 60));
}

TEST(JpegWrite, FailuresReturnZeroAndLeaveNoFile) {
    ScopedDib source;
    ASSERT_EQ(newdib(source.get(), 8, 8, 24, nullptr, 0), 1);
    TempDir dir;
    EXPECT_EQ(SaveDib(source.get(), dir.File("missing/dir/x.jpg").c_str(), 7, 0), 0);
    EXPECT_EQ(SaveDib(source.get(), dir.File("fmt.jpg").c_str(), 3, 0), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.File("fmt.jpg")));
    TDib empty;
    EXPECT_EQ(SaveDib(&empty, dir.File("e.jpg").c_str(), 7, 0), 0);
    EXPECT_EQ(SaveDib(nullptr, dir.File("n.jpg").c_str(), 7, 0), 0);
#ifdef __linux__
    // A full disk: the write fails part-way; the device is not deleted (as root it could be).
    if (std::filesystem::is_character_file("/dev/full")) {
        EXPECT_EQ(SaveDib(source.get(), "/dev/full", 7, 0), 0);
        EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
    }
#endif
}

} // namespace

namespace {

TEST(JpegDecode, ProgressiveFileTooSmallForItsSizeIsRefused) {
    // A progressive 16 x 16 file claiming 20000 x 20000 pixels: libjpeg would set up 2.4 GB of
    // coefficient memory for a picture the file cannot contain.
    auto bytes = EncodeJpeg(Pattern(16, 16), MakeJpegOptions(90, JpegKind::Colour, true));
    for (size_t i = 0; i + 9 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC2) {
            bytes[i + 5] = 0x4E;
            bytes[i + 6] = 0x20;
            bytes[i + 7] = 0x4E;
            bytes[i + 8] = 0x20;
            break;
        }
    ScopedDib dib;
    EXPECT_EQ(OpenDibMemory(dib.get(), bytes.data(), bytes.size(), nullptr), 0);
    // A real progressive photo cut off early still gives its coarse picture.
    const Picture picture = Smooth(256, 256);
    auto whole = EncodeJpeg(picture, MakeJpegOptions(90, JpegKind::Colour, true));
    whole.resize(whole.size() / 3);
    ScopedDib partial;
    ASSERT_EQ(OpenDibMemory(partial.get(), whole.data(), whole.size(), nullptr), 1);
    EXPECT_EQ(partial->Info->biWidth, 256);
    const Rgb corner = PixelOf(*partial.get(), 8, 8), want = picture.At(8, 8);
    EXPECT_NEAR(corner.g, want.g, 40);
}

// The refusal is the file's size alone, not libjpeg's memory limit: a claim of up to 1024
// pixels per byte is decoded (its rows stay black), one row more is not.
TEST(JpegDecode, ProgressiveFileMayClaimUpTo1024PixelsPerByte) {
    auto bytes = EncodeJpeg(Pattern(16, 16), MakeJpegOptions(90, JpegKind::Colour, true));
    size_t frame = 0;
    for (size_t i = 0; i + 9 < bytes.size() && !frame; ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC2) frame = i;
    ASSERT_NE(frame, 0u);
    const int rows = static_cast<int>(bytes.size()); // 1024 x size pixels
    for (int extra : {0, 1}) {
        const int height = rows + extra;
        bytes[frame + 5] = uint8_t(height >> 8);
        bytes[frame + 6] = uint8_t(height);
        bytes[frame + 7] = 1024 >> 8;
        bytes[frame + 8] = 0;
        ScopedDib dib;
        EXPECT_EQ(OpenDibMemory(dib.get(), bytes.data(), bytes.size(), nullptr), extra ? 0 : 1)
            << "1024 x " << height << " pixels in " << bytes.size() << " bytes";
    }
}

} // namespace

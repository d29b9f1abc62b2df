// EXIF orientations 1..8 come out upright, with the upright width and height, in every
// format that carries one; the reduced load reports the upright full size.
#include "pictavo.h"
#include "pictavo_fixtures.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace fixtures;

namespace {

enum class Carrier { Jpeg, Tiff, Webp, Heic };

struct OrientationCase {
    Carrier carrier;
    int orientation;
};

std::string Name(const ::testing::TestParamInfo<OrientationCase>& info) {
    static const char* names[] = {"Jpeg", "Tiff", "Webp", "Heic"};
    return std::string(names[static_cast<int>(info.param.carrier)]) + "Orientation" +
           std::to_string(info.param.orientation);
}

class Orientation : public ::testing::TestWithParam<OrientationCase> {};

TEST_P(Orientation, ComesOutUpright) {
    const auto [carrier, orientation] = GetParam();
    // Wider than high, a different colour in each quadrant: any wrong turn or mirror shows.
    const Picture upright = carrier == Carrier::Heic ? Pattern(128, 64) : Pattern(48, 32);
    const Picture stored = StoredForOrientation(upright, orientation);
    std::vector<uint8_t> bytes;
    int tolerance = 0;
    switch (carrier) {
    case Carrier::Jpeg:
        bytes = EncodeJpeg(stored, MakeJpegOptions(95, JpegKind::Colour, false, orientation));
        tolerance = 48;
        break;
    case Carrier::Tiff:
        bytes = EncodeTiff(stored, TiffKind::Rgb, orientation);
        break;
    case Carrier::Webp:
        bytes = EncodeWebp(stored, orientation);
        break;
    case Carrier::Heic:
        // HEIC files carry the turn as rotate/mirror boxes over the stored picture.
        bytes = EncodeHeic(stored, orientation);
        if (bytes.empty()) SKIP_OR_FAIL_IN_CI("libheif has no HEVC encoder here");
        tolerance = 60;
        break;
    }
    ScopedDib dib;
    ASSERT_EQ(OpenDibMemory(dib.get(), bytes.data(), bytes.size(), nullptr), 1);
    EXPECT_EQ(dib->Info->biWidth, upright.width);
    EXPECT_EQ(dib->Info->biHeight, upright.height);
    if (carrier == Carrier::Heic || carrier == Carrier::Jpeg) {
        // Lossy: compare the middle of each quadrant.
        for (int qy = 0; qy < 2; ++qy)
            for (int qx = 0; qx < 2; ++qx) {
                const int x = upright.width / 4 + qx * upright.width / 2;
                const int y = upright.height / 4 + qy * upright.height / 2;
                const Rgb got = PixelOf(*dib.get(), x, y), want = upright.At(x, y);
                EXPECT_NEAR(got.r, want.r, 24) << "quadrant " << qx << "," << qy;
                EXPECT_NEAR(got.g, want.g, 24) << "quadrant " << qx << "," << qy;
                EXPECT_NEAR(got.b, want.b, 24) << "quadrant " << qx << "," << qy;
            }
    }
    if (carrier != Carrier::Heic) {
        EXPECT_TRUE(SamePixels(*dib.get(), upright, tolerance));
    }
}

std::vector<OrientationCase> AllCases() {
    std::vector<OrientationCase> cases;
    for (Carrier c : {Carrier::Jpeg, Carrier::Tiff, Carrier::Webp, Carrier::Heic})
        for (int o = 1; o <= 8; ++o)
            cases.push_back({c, o});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryCarrier, Orientation, ::testing::ValuesIn(AllCases()), Name);

TEST(Orientation, ReducedLoadReportsTheUprightFullSize) {
    const Picture upright = Pattern(320, 240);
    const auto bytes = EncodeJpeg(StoredForOrientation(upright, 6),
                                  MakeJpegOptions(90, JpegKind::Colour, false, 6));
    TempDir dir;
    WriteBytes(dir.File("p.jpg"), bytes);
    ScopedDib dib;
    int w = 0, h = 0;
    ASSERT_EQ(OpenDibReduced(dib.get(), dir.File("p.jpg").c_str(), 80, 80, &w, &h, nullptr), 1);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    // 3/8 of 240 x 320 stored is the smallest DCT scale covering 80 x 80 both ways.
    EXPECT_EQ(dib->Info->biWidth, 120);
    EXPECT_EQ(dib->Info->biHeight, 90);
    const Rgb topLeft = PixelOf(*dib.get(), 15, 15), want = upright.At(40, 40);
    EXPECT_NEAR(topLeft.r, want.r, 30);
    EXPECT_NEAR(topLeft.g, want.g, 30);
}

TEST(Orientation, BrokenExifBlocksAreIgnored) {
    // An orientation tag of a wrong type or value, or an IFD pointing outside, means 1.
    const Picture picture = Pattern(16, 8);
    for (int bad : {0, 9, 255}) {
        const auto bytes = EncodeJpeg(picture, MakeJpegOptions(95, JpegKind::Colour, false, bad));
        ScopedDib dib;
        ASSERT_EQ(OpenDibMemory(dib.get(), bytes.data(), bytes.size(), nullptr), 1);
        EXPECT_EQ(dib->Info->biWidth, 16) << "orientation value " << bad;
    }
    auto bytes = EncodeJpeg(picture, MakeJpegOptions(95, JpegKind::Colour, false, 6));
    // Point the first IFD far outside the block.
    for (size_t i = 0; i + 10 < bytes.size(); ++i)
        if (std::memcmp(&bytes[i], "Exif\0\0II", 8) == 0) {
            bytes[i + 10] = 0xF0;
            bytes[i + 11] = 0xFF;
            break;
        }
    ScopedDib dib;
    ASSERT_EQ(OpenDibMemory(dib.get(), bytes.data(), bytes.size(), nullptr), 1);
    EXPECT_EQ(dib->Info->biWidth, 16);
}

} // namespace

namespace {

// The reduced load takes a camera's embedded thumbnail when it is large enough and has the
// picture's proportions.
struct ThumbnailCase {
    const char* name;
    int width, height;           // the picture
    int thumbWidth, thumbHeight; // the embedded thumbnail
    int orientation;
    bool used;
};

class ExifThumbnailLoad : public ::testing::TestWithParam<ThumbnailCase> {};

TEST_P(ExifThumbnailLoad, UsedOnlyWhenItFits) {
    const ThumbnailCase& c = GetParam();
    // Thumbnail in a colour the picture does not have, so that it can be recognised.
    const Picture thumb = MakePicture(c.thumbWidth, c.thumbHeight, [](int, int) {
        return Rgb{250, 0, 250};
    });
    JpegOptions o;
    o.quality = 90;
    o.exifOrientation = c.orientation;
    o.exifThumbnail = EncodeJpeg(thumb);
    const auto bytes = EncodeJpeg(Smooth(c.width, c.height), o);
    TempDir dir;
    WriteBytes(dir.File("p.jpg"), bytes);
    ScopedDib dib;
    int w = 0, h = 0;
    ASSERT_EQ(OpenDibReduced(dib.get(), dir.File("p.jpg").c_str(), 80, 80, &w, &h, nullptr), 1);
    const bool swap = c.orientation >= 5;
    EXPECT_EQ(w, swap ? c.height : c.width);
    EXPECT_EQ(h, swap ? c.width : c.height);
    const Rgb mid = PixelOf(*dib.get(), dib->Info->biWidth / 2, dib->Info->biHeight / 2);
    EXPECT_EQ(mid.r > 200 && mid.g < 60 && mid.b > 200, c.used)
        << "middle pixel " << int(mid.r) << "," << int(mid.g) << "," << int(mid.b);
    if (c.used) {
        EXPECT_EQ(dib->Info->biWidth, swap ? c.thumbHeight : c.thumbWidth);
        EXPECT_EQ(dib->Info->biHeight, swap ? c.thumbWidth : c.thumbHeight);
    }
    // The full load never takes the thumbnail.
    ScopedDib full;
    ASSERT_EQ(OpenDib(full.get(), dir.File("p.jpg").c_str(), -1, nullptr), 1);
    EXPECT_EQ(full->Info->biWidth, swap ? c.height : c.width);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExifThumbnailLoad,
    ::testing::Values(ThumbnailCase{"FitsAndSameShape", 640, 480, 160, 120, 1, true},
                      ThumbnailCase{"TurnedLikeThePicture", 640, 480, 160, 120, 6, true},
                      ThumbnailCase{"TooSmall", 640, 480, 64, 48, 1, false},
                      ThumbnailCase{"OtherProportions", 600, 400, 160, 120, 1, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExifThumbnailLoad, BrokenThumbnailIsIgnored) {
    JpegOptions o;
    o.exifThumbnail = {0xFF, 0xD8, 0xFF, 0xE0, 0, 0}; // a JPEG that ends at once
    const auto bytes = EncodeJpeg(Smooth(320, 240), o);
    TempDir dir;
    WriteBytes(dir.File("p.jpg"), bytes);
    ScopedDib dib;
    int w = 0, h = 0;
    ASSERT_EQ(OpenDibReduced(dib.get(), dir.File("p.jpg").c_str(), 80, 80, &w, &h, nullptr), 1);
    EXPECT_EQ(dib->Info->biWidth, 120); // DCT scaling instead
}

} // namespace

namespace {

// Big-endian EXIF blocks as many cameras write them, with the orientation not the first tag.
TEST(Orientation, BigEndianExifWithSeveralTags) {
    const Picture upright = Pattern(48, 32);
    std::vector<uint8_t> exif = {
        'E',  'x',  'i', 'f', 0, 0, 'M', 'M', 0,   42,  0,   0, 0, 8, 0, 3, // three entries
        0x01, 0x0F, 0,   2,   0, 0, 0,   4,   'A', 'B', 'C', 0,             // Make
        0x01, 0x10, 0,   2,   0, 0, 0,   2,   'X', 0,   0,   0,             // Model
        0x01, 0x12, 0,   3,   0, 0, 0,   1,   0,   8,   0,   0,             // orientation 8
        0,    0,    0,   0};
    JpegOptions o = MakeJpegOptions(95);
    o.rawApp1 = exif;
    const auto bytes = EncodeJpeg(StoredForOrientation(upright, 8), o);
    ScopedDib dib;
    ASSERT_EQ(OpenDibMemory(dib.get(), bytes.data(), bytes.size(), nullptr), 1);
    EXPECT_TRUE(SamePixels(*dib.get(), upright, 48));
    // The same block cut inside the orientation entry: not applied, no over-read.
    o.rawApp1.resize(46);
    const auto cut = EncodeJpeg(StoredForOrientation(upright, 8), o);
    ScopedDib stored;
    ASSERT_EQ(OpenDibMemory(stored.get(), cut.data(), cut.size(), nullptr), 1);
    EXPECT_EQ(stored->Info->biWidth, 32);
}

} // namespace

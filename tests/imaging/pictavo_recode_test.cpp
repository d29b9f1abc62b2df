// RecodeJpegFile: an upright colour JPEG decoded and encoded band by band must give exactly
// the bytes of a whole load and save; every other file is left to that way.
#include "pictavo.h"
#include "pictavo_fixtures.h"

#include <gtest/gtest.h>

using namespace fixtures;

namespace {

// What the export wrote before the one-pass way: OpenDib, then SaveDib at quality 90.
std::vector<uint8_t> ViaWholePicture(const std::string& source, const std::string& target) {
    ScopedDib dib;
    if (OpenDib(dib.get(), source.c_str(), -1, nullptr) != 1) return {};
    if (SaveDib(dib.get(), target.c_str(), 7, 0) != 1) return {};
    return ReadBytes(target);
}

// Sets the JFIF resolution fields of a file whose APP0 marker comes first.
void SetDensity(std::vector<uint8_t>& jpeg, int unit, int x, int y) {
    ASSERT_EQ(jpeg[3], 0xE0);
    jpeg[13] = static_cast<uint8_t>(unit);
    jpeg[14] = static_cast<uint8_t>(x >> 8);
    jpeg[15] = static_cast<uint8_t>(x & 0xFF);
    jpeg[16] = static_cast<uint8_t>(y >> 8);
    jpeg[17] = static_cast<uint8_t>(y & 0xFF);
}

struct RecodeCase {
    const char* name;
    int width, height;
    JpegKind kind;
    bool progressive, subsampled;
    int densityUnit, xDensity, yDensity; // unit -1: as libjpeg wrote it
};

class RecodeJpeg : public ::testing::TestWithParam<RecodeCase> {
  protected:
    void SetUp() override { SetJPEGQual(90); }
    void TearDown() override { SetJPEGQual(75); }
    TempDir dir;
};

TEST_P(RecodeJpeg, WritesTheBytesOfAWholeLoadAndSave) {
    const RecodeCase& c = GetParam();
    JpegOptions options;
    options.kind = c.kind;
    options.progressive = c.progressive;
    options.subsampled = c.subsampled;
    std::vector<uint8_t> source = EncodeJpeg(Pattern(c.width, c.height), options);
    if (c.densityUnit >= 0) SetDensity(source, c.densityUnit, c.xDensity, c.yDensity);
    WriteBytes(dir.File("in.jpg"), source);

    ProgressLog log;
    int width = 0, height = 0;
    ASSERT_EQ(RecodeJpegFile(dir.File("in.jpg").c_str(), dir.File("recoded.jpg").c_str(), &width,
                             &height, &log),
              1);
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
    EXPECT_TRUE(GoodProgress(log.values, 100));
    const std::vector<uint8_t> expected =
        ViaWholePicture(dir.File("in.jpg"), dir.File("whole.jpg"));
    ASSERT_FALSE(expected.empty());
    EXPECT_TRUE(ReadBytes(dir.File("recoded.jpg")) == expected);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RecodeJpeg,
    ::testing::Values(RecodeCase{"FullChroma", 67, 45, JpegKind::Colour, false, false, -1, 0, 0},
                      RecodeCase{"CameraLike", 1000, 701, JpegKind::Colour, false, true, -1, 0, 0},
                      RecodeCase{"Progressive", 333, 517, JpegKind::Colour, true, true, -1, 0, 0},
                      RecodeCase{"RgbComponents", 130, 70, JpegKind::Rgb, false, false, -1, 0, 0},
                      RecodeCase{"DotsPerInch", 64, 48, JpegKind::Colour, false, true, 1, 300, 72},
                      RecodeCase{"DotsPerCentimetre", 64, 48, JpegKind::Colour, false, true, 2, 118,
                                 59},
                      RecodeCase{"AspectOnly", 64, 48, JpegKind::Colour, false, true, 0, 2, 1},
                      RecodeCase{"ZeroDensity", 64, 48, JpegKind::Colour, false, true, 1, 0, 300}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RecodeJpegOthers, AreLeftToTheWholeLoad) {
    TempDir dir;
    const Picture picture = Pattern(64, 256);
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
        {"grey", EncodeJpeg(picture, MakeJpegOptions(90, JpegKind::Grey))},
        {"cmyk", EncodeJpeg(picture, MakeJpegOptions(90, JpegKind::Cmyk))},
        {"ycck", EncodeJpeg(picture, MakeJpegOptions(90, JpegKind::Ycck))},
        {"turned", EncodeJpeg(picture, MakeJpegOptions(90, JpegKind::Colour, false, 6))},
        {"png", EncodePng(picture, PngOptions{})},
        {"empty", {}},
    };
    // Data that end halfway: the whole load shows the rows read and black below them.
    const std::vector<uint8_t> whole = EncodeJpeg(picture);
    files.push_back(
        {"truncated", std::vector<uint8_t>(whole.begin(), whole.begin() + whole.size() / 2)});
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        WriteBytes(dir.File(name), bytes);
        int width = -1, height = -1;
        EXPECT_EQ(RecodeJpegFile(dir.File(name).c_str(), dir.File("out.jpg").c_str(), &width,
                                 &height, nullptr),
                  0);
        EXPECT_EQ(width, -1);
    }
    int width = 0, height = 0;
    EXPECT_EQ(RecodeJpegFile(dir.File("missing").c_str(), dir.File("out.jpg").c_str(), &width,
                             &height, nullptr),
              0);
    WriteBytes(dir.File("good.jpg"), whole);
    EXPECT_EQ(RecodeJpegFile(dir.File("good.jpg").c_str(), dir.File("no/such/folder.jpg").c_str(),
                             &width, &height, nullptr),
              0);
}

} // namespace

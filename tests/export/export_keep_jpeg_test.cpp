// Photos' own JPEG data taken over (KeepJpeg): plain JPEGs and turned ones byte for byte (the
// page turns them), every other kind the normal way; the default export's bytes stay
// those of the golden file.
#include "lumeno/export/export_driver.h"
#include "pictavo_fixtures.h"
#include "slideshow_test_support.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>

using namespace lumeno;
using slideshow_test::ReadFile;

namespace {

struct Image {
    std::string dict;
    std::string data;
};

// The image objects of an exported PDF: their dictionary line and stream bytes.
std::vector<Image> Images(const std::string& pdf) {
    std::vector<Image> out;
    for (size_t pos = pdf.find("<< /Type /XObject"); pos != std::string::npos;
         pos = pdf.find("<< /Type /XObject", pos + 1)) {
        Image image;
        image.dict = pdf.substr(pos, pdf.find('\r', pos) - pos);
        const size_t length = std::stoul(pdf.substr(pdf.find("/Length ", pos) + 8));
        image.data = pdf.substr(pdf.find("stream\n", pos) + 7, length);
        out.push_back(image);
    }
    return out;
}

std::string AsText(const std::vector<uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

class KeepJpegTest : public slideshow_test::ScratchTest {
  protected:
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string path = (dir_ / name).string();
        fixtures::WriteBytes(path, bytes);
        return path;
    }
    TExportResult Export(const std::vector<std::string>& files, const std::string& name,
                         bool keepJpeg, bool pages = false) {
        std::vector<TExportPhoto> photos;
        for (const auto& f : files)
            photos.push_back({f, "Bild"});
        TShowSettings settings;
        settings.ShowPDF = false;
        TExportOptions options;
        options.KeepJpeg = keepJpeg;
        options.PhotoPages = pages;
        return ExportSlideShow(photos, settings, (dir_ / name).string(), options);
    }
};

fixtures::JpegOptions Camera(int orientation = 0, bool progressive = false,
                             fixtures::JpegKind kind = fixtures::JpegKind::Colour) {
    fixtures::JpegOptions o = fixtures::MakeJpegOptions(85, kind, progressive, orientation);
    o.subsampled = true;
    return o;
}

TEST_F(KeepJpegTest, ShowableJpegsAreEmbeddedByteForByte) {
    const auto baseline = fixtures::EncodeJpeg(fixtures::Pattern(64, 48), Camera());
    const auto progressive = fixtures::EncodeJpeg(fixtures::Pattern(50, 30), Camera(1, true));
    const auto grey =
        fixtures::EncodeJpeg(fixtures::Pattern(30, 50), Camera(0, false, fixtures::JpegKind::Grey));
    auto trailing = baseline;
    trailing.insert(trailing.end(), {'M', 'P', 'F', 0, 1, 2});
    const TExportResult r = Export({Write("a.jpg", baseline), Write("b.jpeg", progressive),
                                    Write("c", grey), Write("d.jpg", trailing)},
                                   "keep.pdf", true);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.takenOver, 4);
    const std::vector<Image> images = Images(ReadFile(dir_ / "keep.pdf"));
    ASSERT_EQ(images.size(), 4u);
    EXPECT_TRUE(images[0].data == AsText(baseline));
    EXPECT_TRUE(images[1].data == AsText(progressive));
    EXPECT_TRUE(images[2].data == AsText(grey));
    EXPECT_TRUE(images[3].data == AsText(baseline)) << "nothing after the end marker";
    EXPECT_NE(images[0].dict.find("/Width 64 /Height 48 "), std::string::npos);
    EXPECT_NE(images[1].dict.find("/ColorSpace /DeviceRGB "), std::string::npos);
    EXPECT_NE(images[2].dict.find("/Width 30 /Height 50 /BitsPerComponent 8 "
                                  "/ColorSpace /DeviceGray "),
              std::string::npos)
        << images[2].dict;
    EXPECT_TRUE(std::filesystem::is_empty(dir_ / "tmp"));
}

TEST_F(KeepJpegTest, TurnedPhotosKeepEveryByteAndPixelAndShowUpright) {
    // 75 x 42 has partial edge blocks that a turn of the data would have cut off; the last
    // photo is stored 12 pixels wide, narrower than one block.
    std::vector<std::string> files;
    std::vector<std::vector<uint8_t>> originals;
    for (int orientation = 2; orientation <= 8; ++orientation) {
        originals.push_back(fixtures::EncodeJpeg(
            fixtures::StoredForOrientation(fixtures::Pattern(75, 42), orientation),
            Camera(orientation, orientation == 6)));
        files.push_back(Write("o" + std::to_string(orientation) + ".jpg", originals.back()));
    }
    originals.push_back(fixtures::EncodeJpeg(
        fixtures::StoredForOrientation(fixtures::Pattern(40, 12), 6), Camera(6)));
    files.push_back(Write("tiny.jpg", originals.back()));
    const TExportResult r = Export(files, "turned.pdf", true, true);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.takenOver, 8);
    const std::string pdf = ReadFile(dir_ / "turned.pdf");
    const std::vector<Image> images = Images(pdf);
    ASSERT_EQ(images.size(), 8u);
    for (size_t i = 0; i < images.size(); ++i) {
        const auto& original = originals[i];
        TJpegFacts stored;
        ASSERT_EQ(InspectJpeg(original.data(), original.size(), &stored), TJpegCheck::kShowable);
        EXPECT_TRUE(images[i].data == AsText(original)) << "orientation " << stored.Orientation;
        EXPECT_NE(images[i].dict.find("/Width " + std::to_string(stored.Width) + " /Height " +
                                      std::to_string(stored.Height) + " "),
                  std::string::npos)
            << images[i].dict;
    }
    // Every page has the upright shape (75 x 42: 792 x 444; 40 x 12 gets a page a third as
    // high as wide, the photo centred) and shows the pattern's quadrants where they belong:
    // red, green / blue, yellow.
    if (!slideshow_test::HaveTool("pdftoppm")) GTEST_SKIP() << "pdftoppm missing";
    const std::string base = (dir_ / "page").string();
    ASSERT_EQ(slideshow_test::RunCommand("pdftoppm -r 72 -f 1 -l 8 -png '" +
                                         (dir_ / "turned.pdf").string() + "' '" + base + "'")
                  .first,
              0);
    const slideshow_test::TRgb kRed{220, 70, 40}, kGreen{40, 200, 70}, kBlue{40, 70, 220},
        kYellow{215, 215, 30};
    for (int page = 1; page <= 8; ++page) {
        const slideshow_test::TPicture pic(base + "-" + std::to_string(page) + ".png");
        ASSERT_FALSE(pic.Empty()) << page;
        const int w = pic.Width(), h = pic.Height();
        EXPECT_EQ(std::pair(w, h), page < 8 ? std::pair(792, 444) : std::pair(792, 264)) << page;
        const std::pair<std::pair<int, int>, slideshow_test::TRgb> quadrants[] = {
            {{w / 4, h / 4}, kRed},
            {{3 * w / 4, h / 4}, kGreen},
            {{w / 4, 3 * h / 4}, kBlue},
            {{3 * w / 4, 3 * h / 4}, kYellow}};
        for (const auto& [at, colour] : quadrants)
            EXPECT_TRUE(slideshow_test::Near(pic.At(at.first, at.second), colour, 40))
                << "page " << page << " at " << at.first << "," << at.second << ": "
                << pic.At(at.first, at.second);
    }
}

// The HTML slide show takes the turned JPEG over too, turns it by its transform, and the
// browser does not turn it a second time.
TEST_F(KeepJpegTest, TurnedPhotoStandsUprightInTheBrowser) {
    if (!slideshow_test::HaveTool("chromium")) GTEST_SKIP() << "chromium missing";
    for (int orientation : {3, 6, 7}) {
        const auto original = fixtures::EncodeJpeg(
            fixtures::StoredForOrientation(fixtures::Pattern(75, 42), orientation),
            Camera(orientation));
        const std::string html = (dir_ / "show.html").string();
        TExportOptions options;
        options.Html = true;
        options.KeepJpeg = true;
        TShowSettings settings;
        settings.ShowPDF = false;
        const TExportResult r =
            ExportSlideShow({{Write("turned.jpg", original), ""}}, settings, html, options);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.takenOver, 1);
        const std::string shot = (dir_ / "shot.png").string();
        // The 792 x 444 page in 400 x 300: 400 x 224 from y = 38.
        const std::pair<std::pair<int, int>, slideshow_test::TRgb> quadrants[] = {
            {{100, 94}, {220, 70, 40}},
            {{300, 94}, {40, 200, 70}},
            {{100, 206}, {40, 70, 220}},
            {{300, 206}, {215, 215, 30}}};
        // On a busy machine Chromium may take its picture before the lower tiles are drawn
        // (they are still white); a wrong turn is wrong in every try.
        std::string wrong;
        for (int attempt = 0; attempt < 3; ++attempt) {
            std::filesystem::remove(shot);
            std::filesystem::create_directories(dir_ / "profile");
            slideshow_test::RunCommand(
                "env -u TMPDIR timeout 60 chromium --headless --no-sandbox --disable-gpu "
                "--no-first-run --hide-scrollbars --force-device-scale-factor=1 --user-data-dir='" +
                (dir_ / "profile").string() +
                "' --window-size=400,300 --virtual-time-budget=2500 --screenshot='" + shot +
                "' 'file://" + html + "' >/dev/null 2>&1");
            const slideshow_test::TPicture pic(shot);
            ASSERT_FALSE(pic.Empty()) << "chromium did not take the screenshot";
            std::ostringstream out;
            for (const auto& [at, colour] : quadrants)
                if (!slideshow_test::Near(pic.At(at.first, at.second), colour, 40))
                    out << "orientation " << orientation << " at " << at.first << "," << at.second
                        << ": " << pic.At(at.first, at.second) << "\n";
            wrong = out.str();
            if (wrong.empty()) break;
        }
        EXPECT_EQ(wrong, "");
    }
}

TEST_F(KeepJpegTest, EveryOtherKindGoesTheNormalWay) {
    const fixtures::Picture p = fixtures::Pattern(40, 24);
    auto arithmetic = Camera();
    arithmetic.arithmetic = true;
    auto twelveBit = fixtures::EncodeJpeg(p, Camera());
    for (size_t i = 2; i + 4 < twelveBit.size(); ++i)
        if (twelveBit[i] == 0xFF && twelveBit[i + 1] == 0xC0) twelveBit[i + 4] = 12;
    auto cut = fixtures::EncodeJpeg(p, Camera());
    cut.resize(cut.size() - 30);
    const std::vector<std::string> files = {
        Write("cmyk.jpg", fixtures::EncodeJpeg(p, Camera(0, false, fixtures::JpegKind::Cmyk))),
        Write("ycck.jpg", fixtures::EncodeJpeg(p, Camera(0, false, fixtures::JpegKind::Ycck))),
        Write("rgb.jpg", fixtures::EncodeJpeg(p, Camera(0, false, fixtures::JpegKind::Rgb))),
        Write("arith.jpg", fixtures::EncodeJpeg(p, arithmetic)),
        Write("twelve.jpg", twelveBit),
        Write("cut.jpg", cut),
        Write("bild.png", fixtures::EncodePng(p, {})),
        (dir_ / "fehlt.jpg").string(),
    };
    const TExportResult kept = Export(files, "keep.pdf", true);
    const TExportResult normal = Export(files, "normal.pdf", false);
    ASSERT_TRUE(kept.ok);
    ASSERT_TRUE(normal.ok);
    EXPECT_EQ(kept.takenOver, 0);
    EXPECT_EQ(kept.blackPictures, normal.blackPictures);
    EXPECT_TRUE(ReadFile(dir_ / "keep.pdf") == ReadFile(dir_ / "normal.pdf"));
}

// The default export (no option) of a JPEG, a turned JPEG and a PNG, byte for byte as it
// was written before the option existed: the option and any change to the export's speed
// must leave these bytes alone.
TEST_F(KeepJpegTest, DefaultExportBytesAreTheGoldenOnes) {
    const std::vector<std::string> files = {
        Write("a.jpg", fixtures::EncodeJpeg(fixtures::Pattern(48, 32), Camera())),
        Write("b.jpg", fixtures::EncodeJpeg(fixtures::Pattern(32, 48), Camera(6))),
        Write("c.png", fixtures::EncodePng(fixtures::Pattern(20, 10), {})),
    };
    ASSERT_TRUE(Export(files, "default.pdf", false).ok);
    const std::string golden =
        ReadFile(std::string(LUMENO_TEST_DATA_DIR) + "/default_export_three_photos.pdf");
    const std::string got = ReadFile(dir_ / "default.pdf");
    if (std::getenv("LUMENO_WRITE_GOLDEN"))
        fixtures::WriteBytes(std::string(LUMENO_TEST_DATA_DIR) + "/default_export_three_photos.pdf",
                             std::vector<uint8_t>(got.begin(), got.end()));
    ASSERT_FALSE(golden.empty());
    ASSERT_EQ(got.size(), golden.size());
    const auto diff = std::mismatch(got.begin(), got.end(), golden.begin());
    EXPECT_TRUE(diff.first == got.end()) << "first different byte at " << diff.first - got.begin();
}

// sRGB colour through an lcms2 transform between two profiles (8 bits per channel).
std::vector<uint8_t> Convert(const std::vector<uint8_t>& from, const std::vector<uint8_t>& to,
                             std::vector<uint8_t> rgb) {
    cmsHPROFILE a = cmsOpenProfileFromMem(from.data(), static_cast<cmsUInt32Number>(from.size()));
    cmsHPROFILE b = cmsOpenProfileFromMem(to.data(), static_cast<cmsUInt32Number>(to.size()));
    cmsHTRANSFORM t =
        cmsCreateTransform(a, TYPE_RGB_8, b, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC, 0);
    cmsDoTransform(t, rgb.data(), rgb.data(), static_cast<cmsUInt32Number>(rgb.size() / 3));
    cmsDeleteTransform(t);
    cmsCloseProfile(a);
    cmsCloseProfile(b);
    return rgb;
}

double DeltaE00(const uint8_t* x, const uint8_t* y) {
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM t =
        cmsCreateTransform(srgb, TYPE_RGB_8, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
    cmsCIELab labs[2];
    cmsDoTransform(t, x, &labs[0], 1);
    cmsDoTransform(t, y, &labs[1], 1);
    cmsDeleteTransform(t);
    cmsCloseProfile(lab);
    cmsCloseProfile(srgb);
    return cmsCIE2000DeltaE(&labs[0], &labs[1], 1, 1, 1);
}

// The centre pixel of page `page` as poppler renders it.
std::vector<uint8_t> RenderedCentre(const std::filesystem::path& pdf, int page) {
    const std::filesystem::path out = pdf.parent_path() / "page";
    const std::string command = "pdftoppm -r 20 -f " + std::to_string(page) + " -l " +
                                std::to_string(page) + " -singlefile \"" + pdf.string() + "\" \"" +
                                out.string() + "\"";
    if (std::system(command.c_str()) != 0) return {};
    const std::string ppm = ReadFile(out.string() + ".ppm");
    int w = 0, h = 0, max = 0, used = 0;
    if (std::sscanf(ppm.c_str(), "P6 %d %d %d%n", &w, &h, &max, &used) != 3) return {};
    const size_t at = static_cast<size_t>(used + 1) + (static_cast<size_t>(h / 2) * w + w / 2) * 3;
    if (at + 3 > ppm.size()) return {};
    return {static_cast<uint8_t>(ppm[at]), static_cast<uint8_t>(ppm[at + 1]),
            static_cast<uint8_t>(ppm[at + 2])};
}

// Photos stored in Display P3 keep their data and name their profile, so a viewer shows the
// colour the photographer saw; the converting export shows the same. A damaged profile is
// taken as sRGB and named in the warnings.
TEST_F(KeepJpegTest, ProfiledPhotosShowTheirColoursAndBrokenProfilesAreReported) {
    const double p3[8] = {0.3127, 0.3290, 0.680, 0.320, 0.265, 0.690, 0.150, 0.060};
    const std::vector<uint8_t> profile = fixtures::RgbProfile(p3, 0);
    const std::vector<uint8_t> srgb = fixtures::SaveProfile(cmsCreate_sRGBProfile());
    const std::vector<uint8_t> colours = {230, 20, 25, 20, 200, 40};
    const std::vector<uint8_t> stored = Convert(srgb, profile, colours);
    std::vector<std::string> files;
    for (int i = 0; i < 2; ++i) {
        const fixtures::Picture solid = fixtures::MakePicture(64, 48, [&](int, int) {
            return fixtures::Rgb{stored[3 * i], stored[3 * i + 1], stored[3 * i + 2]};
        });
        files.push_back(
            Write("p3-" + std::to_string(i) + ".jpg",
                  fixtures::JpegWithProfile(
                      fixtures::EncodeJpeg(solid, fixtures::MakeJpegOptions(100)), profile)));
    }
    files.push_back(
        Write("broken.jpg",
              fixtures::JpegWithProfile(fixtures::EncodeJpeg(fixtures::Pattern(40, 24), Camera()),
                                        std::vector<uint8_t>(400, 0x33))));
    for (const bool keep : {true, false}) {
        SCOPED_TRACE(keep ? "kept" : "converted");
        std::vector<TExportPhoto> photos;
        for (const auto& f : files)
            photos.push_back({f, ""});
        TShowSettings settings;
        settings.ShowPDF = false;
        TExportOptions options;
        options.KeepJpeg = keep;
        options.PhotoPages = true;
        const TExportResult result =
            ExportSlideShow(photos, settings, (dir_ / "p3.pdf").string(), options);
        ASSERT_TRUE(result.ok);
        EXPECT_EQ(result.takenOver, keep ? 3 : 0);
        ASSERT_EQ(result.brokenProfiles.size(), 1u);
        EXPECT_EQ(result.brokenProfiles[0].Number, 3);
        EXPECT_TRUE(result.HasWarnings());
        const std::vector<Image> images = Images(ReadFile(dir_ / "p3.pdf"));
        ASSERT_EQ(images.size(), 3u);
        EXPECT_EQ(images[0].dict.find("/ICCBased") != std::string::npos, keep);
        EXPECT_NE(images[2].dict.find("/DeviceRGB"), std::string::npos);
        for (int i = 0; i < 2; ++i) {
            const std::vector<uint8_t> shown = RenderedCentre(dir_ / "p3.pdf", i + 1);
            ASSERT_EQ(shown.size(), 3u);
            EXPECT_LE(DeltaE00(shown.data(), colours.data() + 3 * i), 3.0)
                << int(shown[0]) << " " << int(shown[1]) << " " << int(shown[2]);
        }
    }
}

} // namespace

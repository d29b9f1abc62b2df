// Progress reports while loading, the reduced load for thumbnails, and loading on several
// threads at once.
#include "pictavo.h"
#include "pictavo_fixtures.h"

#include <gtest/gtest.h>

#include <thread>

using namespace fixtures;

namespace {

struct ProgressCase {
    const char* name;
    std::function<std::vector<uint8_t>(const Picture&)> encode;
    int maxStep; // 100 / 16 rounded up: at least every 1/16 of the rows
};

class LoadProgress : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(LoadProgress, RisesOftenAndEndsAtHundred) {
    const Picture picture = MakePicture(96, 640, [](int x, int y) {
        const unsigned v = (x * 2654435761u) ^ (y * 2246822519u); // noise: data in every row
        return Rgb{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16)};
    });
    const auto bytes = GetParam().encode(picture);
    if (bytes.empty()) SKIP_OR_FAIL_IN_CI("no encoder for this format here");
    ProgressLog log;
    ScopedDib dib;
    ASSERT_EQ(OpenDibMemory(dib.get(), bytes.data(), bytes.size(), &log), 1);
    EXPECT_TRUE(GoodProgress(log.values, GetParam().maxStep));
    EXPECT_EQ(log.values.front(), 0);
}

std::vector<uint8_t> Bmp24(const Picture& p) {
    // A plain 24-bit BMP, rows bottom first.
    const size_t rowBytes = (size_t(p.width) * 3 + 3) & ~size_t(3);
    std::vector<uint8_t> b(54 + rowBytes * p.height);
    auto put = [&](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            b[at + i] = uint8_t(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put(2, uint32_t(b.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, uint32_t(p.width), 4);
    put(22, uint32_t(p.height), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const Rgb c = p.At(x, p.height - 1 - y);
            uint8_t* d = &b[54 + rowBytes * y + 3 * x];
            d[0] = c.b;
            d[1] = c.g;
            d[2] = c.r;
        }
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, LoadProgress,
    ::testing::Values(
        ProgressCase{"Jpeg", [](const Picture& p) { return EncodeJpeg(p); }, 7},
        ProgressCase{"ProgressiveJpeg",
                     [](const Picture& p) {
                         return EncodeJpeg(p, MakeJpegOptions(90, JpegKind::Colour, true));
                     },
                     7},
        ProgressCase{"Png", [](const Picture& p) { return EncodePng(p, PngOptions{}); }, 7},
        ProgressCase{"InterlacedPng",
                     [](const Picture& p) {
                         PngOptions o;
                         o.interlaced = true;
                         return EncodePng(p, o);
                     },
                     7},
        ProgressCase{"Bmp", Bmp24, 7},
        ProgressCase{"Gif",
                     [](const Picture& p) {
                         GifOptions o;
                         for (int i = 0; i < 256; ++i)
                             o.palette.push_back(Rgb{uint8_t(i), 0, 0});
                         return EncodeGif(p, o);
                     },
                     7},
        ProgressCase{"Tiff", [](const Picture& p) { return EncodeTiff(p, TiffKind::Rgb); }, 7},
        ProgressCase{"Webp", [](const Picture& p) { return EncodeWebp(p, 0, {}, true); }, 7},
        // One decoder call without tile callbacks for a picture that is not a grid: only
        // rising and ending at 100 can be asked.
        ProgressCase{"Heic", [](const Picture&) { return EncodeHeic(Smooth(64, 128)); }, 100}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoadProgress, EndsAtHundredOnFailure) {
    auto bytes = EncodeJpeg(Pattern(64, 64));
    bytes.resize(200);
    ProgressLog log;
    ScopedDib dib;
    OpenDibMemory(dib.get(), bytes.data(), bytes.size(), &log);
    ASSERT_FALSE(log.values.empty());
    EXPECT_EQ(log.values.back(), 100);
    ProgressLog missing;
    OpenDib(dib.get(), "/nonexistent/x.png", -1, &missing);
    EXPECT_EQ(missing.values, std::vector<int>{100});
}

// --- reduced load -----------------------------------------------------------------------

struct ReducedCase {
    const char* name;
    std::function<std::vector<uint8_t>(const Picture&)> encode;
    int maxWidth; // the reduced picture is at most this wide (full width when not reduced)
};

class ReducedLoad : public ::testing::TestWithParam<ReducedCase> {};

TEST_P(ReducedLoad, CoversTheMinimumAndReportsTheFullSize) {
    const Picture picture = Smooth(320, 240);
    const auto bytes = GetParam().encode(picture);
    if (bytes.empty()) SKIP_OR_FAIL_IN_CI("no encoder for this format here");
    TempDir dir;
    WriteBytes(dir.File("p"), bytes);
    ScopedDib dib;
    int w = 0, h = 0;
    ProgressLog log;
    ASSERT_EQ(OpenDibReduced(dib.get(), dir.File("p").c_str(), 80, 80, &w, &h, &log), 1);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    EXPECT_GE(dib->Info->biWidth, 80);
    EXPECT_GE(dib->Info->biHeight, 80);
    EXPECT_LE(dib->Info->biWidth, GetParam().maxWidth);
    EXPECT_EQ(log.values.back(), 100);
    // Same picture, smaller: the middle pixel matches the full picture's middle.
    const Rgb mid = PixelOf(*dib.get(), dib->Info->biWidth / 2, dib->Info->biHeight / 2);
    const Rgb want = picture.At(160, 120);
    EXPECT_NEAR(mid.r, want.r, 20);
    EXPECT_NEAR(mid.g, want.g, 20);
    EXPECT_NEAR(mid.b, want.b, 20);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, ReducedLoad,
    ::testing::Values(
        // 320 x 240 at 3/8 is 120 x 90: the smallest eighth that keeps 80 rows.
        ReducedCase{"JpegDctScaling", [](const Picture& p) { return EncodeJpeg(p); }, 120},
        ReducedCase{"WebpScaling", [](const Picture& p) { return EncodeWebp(p, 0, {}, true); },
                    107},
        ReducedCase{"HeicThumbnail", [](const Picture& p) { return EncodeHeic(p, 1, 128); }, 128},
        ReducedCase{"PngWhole", [](const Picture& p) { return EncodePng(p, PngOptions{}); }, 320}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReducedLoad, SmallThumbnailIsNotUsed) {
    const auto bytes = EncodeHeic(Smooth(128, 96), 1, 40);
    if (bytes.empty()) SKIP_OR_FAIL_IN_CI("no encoder for this format here");
    TempDir dir;
    WriteBytes(dir.File("p.heic"), bytes);
    ScopedDib dib;
    int w = 0, h = 0;
    ASSERT_EQ(OpenDibReduced(dib.get(), dir.File("p.heic").c_str(), 80, 80, &w, &h, nullptr), 1);
    EXPECT_EQ(dib->Info->biWidth, 128); // the 40-pixel thumbnail is too small
}

TEST(ReducedLoad, FailureLeavesSizesZero) {
    ScopedDib dib;
    int w = 7, h = 7;
    EXPECT_EQ(OpenDibReduced(dib.get(), "/nonexistent.jpg", 80, 80, &w, &h, nullptr), 0);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(dib->Bits, nullptr);
}

// --- threads ----------------------------------------------------------------------------

TEST(Threads, DecodeAndEncodeAtTheSameTime) {
    const Picture picture = Smooth(300, 200);
    const auto jpeg = EncodeJpeg(picture);
    const auto png = EncodePng(picture, PngOptions{});
    TempDir dir;
    SetJPEGQual(90);
    std::vector<std::thread> threads;
    std::vector<int> ok(6, 0);
    for (int t = 0; t < 6; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 5; ++round) {
                const auto& bytes = t % 2 ? jpeg : png;
                ScopedDib dib;
                if (OpenDibMemory(dib.get(), bytes.data(), bytes.size(), nullptr) != 1) return;
                const std::string file = dir.File("t" + std::to_string(t) + ".jpg");
                if (SaveDib(dib.get(), file.c_str(), 7, 0) != 1) return;
                ScopedDib back;
                if (OpenDib(back.get(), file.c_str(), -1, nullptr) != 1) return;
                if (!SamePixels(*back.get(), picture, 16)) return;
            }
            ok[t] = 1;
        });
    for (auto& th : threads)
        th.join();
    for (int t = 0; t < 6; ++t) {
        EXPECT_EQ(ok[t], 1) << "thread " << t;
    }
}

} // namespace

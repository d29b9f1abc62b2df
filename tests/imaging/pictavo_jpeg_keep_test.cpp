// JPEG data taken over as they are: which files a viewer can show unchanged, and the
// lossless turn to upright for EXIF orientations 2..8.
#include "pictavo.h"
#include "pictavo_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace fixtures;

namespace {

// Offset of the first byte of the frame header's precision (after FF Cn and the length).
size_t FramePrecisionAt(const std::vector<uint8_t>& jpeg) {
    for (size_t i = 2; i + 4 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) return i + 4;
    return 0;
}

// The colour JPEG with its three component ids (in the frame and the scans) replaced.
std::vector<uint8_t> WithComponentIds(std::vector<uint8_t> jpeg, const char ids[3]) {
    const size_t frame = FramePrecisionAt(jpeg);
    uint8_t old[3];
    for (int c = 0; c < 3; ++c) {
        old[c] = jpeg[frame + 6 + 3 * c];
        jpeg[frame + 6 + 3 * c] = uint8_t(ids[c]);
    }
    for (size_t i = frame; i + 5 < jpeg.size(); ++i) {
        if (jpeg[i] != 0xFF || jpeg[i + 1] != 0xDA) continue;
        for (int k = 0; k < jpeg[i + 4] && i + 5 + 2 * k < jpeg.size(); ++k)
            for (int c = 0; c < 3; ++c)
                if (jpeg[i + 5 + 2 * k] == old[c]) {
                    jpeg[i + 5 + 2 * k] = uint8_t(ids[c]);
                    break;
                }
    }
    return jpeg;
}

struct InspectCase {
    const char* name;
    std::vector<uint8_t> bytes;
    TJpegCheck expected;
};

std::vector<InspectCase> InspectCases() {
    const Picture p = Pattern(40, 24);
    auto with = [&](JpegKind kind, bool progressive = false) {
        return EncodeJpeg(p, MakeJpegOptions(90, kind, progressive));
    };
    std::vector<InspectCase> cases;
    cases.push_back({"Baseline", with(JpegKind::Colour), TJpegCheck::kShowable});
    cases.push_back({"Progressive", with(JpegKind::Colour, true), TJpegCheck::kShowable});
    cases.push_back({"Grey", with(JpegKind::Grey), TJpegCheck::kShowable});
    cases.push_back({"Cmyk", with(JpegKind::Cmyk), TJpegCheck::kOtherColours});
    cases.push_back({"Ycck", with(JpegKind::Ycck), TJpegCheck::kOtherColours});
    cases.push_back({"Rgb", with(JpegKind::Rgb), TJpegCheck::kOtherColours});
    // Without an Adobe marker the ids alone say RGB to some decoders.
    cases.push_back(
        {"RgbIds", WithComponentIds(with(JpegKind::Colour), "RGB"), TJpegCheck::kOtherColours});
    cases.push_back(
        {"NearlyRgbIds", WithComponentIds(with(JpegKind::Colour), "RGC"), TJpegCheck::kShowable});
    JpegOptions arithmetic = MakeJpegOptions(90);
    arithmetic.arithmetic = true;
    cases.push_back({"Arithmetic", EncodeJpeg(p, arithmetic), TJpegCheck::kOtherCoding});
    std::vector<uint8_t> twelve = with(JpegKind::Colour);
    twelve[FramePrecisionAt(twelve)] = 12;
    cases.push_back({"TwelveBit", twelve, TJpegCheck::kOtherCoding});
    std::vector<uint8_t> truncated = with(JpegKind::Colour);
    truncated.resize(truncated.size() / 2);
    cases.push_back({"Truncated", truncated, TJpegCheck::kDamaged});
    std::vector<uint8_t> noEnd = with(JpegKind::Colour);
    noEnd.resize(noEnd.size() - 2);
    cases.push_back({"NoEndMarker", noEnd, TJpegCheck::kDamaged});
    std::vector<uint8_t> longSegment = with(JpegKind::Colour);
    longSegment[4] = 0xFF; // the first segment's length now runs past the data
    cases.push_back({"SegmentPastTheEnd", longSegment, TJpegCheck::kDamaged});
    cases.push_back({"Png", EncodePng(p, {}), TJpegCheck::kNotJpeg});
    cases.push_back({"Empty", {}, TJpegCheck::kNotJpeg});
    return cases;
}

TEST(KeepJpeg, InspectSortsEveryKind) {
    for (const InspectCase& c : InspectCases()) {
        TJpegFacts facts;
        EXPECT_EQ(InspectJpeg(c.bytes.data(), c.bytes.size(), &facts), c.expected) << c.name;
        if (c.expected != TJpegCheck::kShowable) continue;
        EXPECT_EQ(facts.Width, 40) << c.name;
        EXPECT_EQ(facts.Height, 24) << c.name;
        EXPECT_EQ(facts.Size, c.bytes.size()) << c.name;
        EXPECT_EQ(facts.Components, std::string(c.name) == "Grey" ? 1 : 3) << c.name;
        EXPECT_EQ(facts.Progressive, std::string(c.name) == "Progressive" ? 1 : 0) << c.name;
    }
}

TEST(KeepJpeg, DataAfterTheEndMarkerAreNotPartOfThePicture) {
    std::vector<uint8_t> bytes =
        EncodeJpeg(Pattern(40, 24), MakeJpegOptions(90, JpegKind::Colour, false, 3));
    const size_t picture = bytes.size();
    // A second picture after the first, as some cameras append a preview.
    const std::vector<uint8_t> second = EncodeJpeg(Pattern(8, 8));
    bytes.insert(bytes.end(), second.begin(), second.end());
    TJpegFacts facts;
    ASSERT_EQ(InspectJpeg(bytes.data(), bytes.size(), &facts), TJpegCheck::kShowable);
    EXPECT_EQ(facts.Size, picture);
    EXPECT_EQ(facts.Orientation, 3);
}

// Largest channel difference between the turned picture and the upright decode of the
// original, placed at the corner where the turn keeps it (the cut edges lie elsewhere).
int BestCornerDifference(const TDib& turned, const TDib& upright) {
    const int w = turned.Info->biWidth, h = turned.Info->biHeight;
    const int dx = upright.Info->biWidth - w, dy = upright.Info->biHeight - h;
    int best = 256;
    for (int ox : {0, dx})
        for (int oy : {0, dy}) {
            int worst = 0;
            for (int y = 0; y < h && worst < best; ++y)
                for (int x = 0; x < w; ++x) {
                    const Rgb a = PixelOf(turned, x, y), b = PixelOf(upright, x + ox, y + oy);
                    worst = std::max(
                        {worst, std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
                }
            best = std::min(best, worst);
        }
    return best;
}

struct TurnCase {
    JpegKind kind;
    bool progressive;
};

class TurnUpright : public ::testing::TestWithParam<TurnCase> {};

TEST_P(TurnUpright, EveryOrientationComesOutUprightWithoutRecoding) {
    const auto [kind, progressive] = GetParam();
    // 4:2:0 colour in blocks of 16 pixels; neither side a multiple of 16, so edges are cut.
    const Picture upright = Pattern(100, 60);
    for (int orientation = 2; orientation <= 8; ++orientation) {
        SCOPED_TRACE("orientation " + std::to_string(orientation));
        JpegOptions o = MakeJpegOptions(90, kind, progressive, orientation);
        o.subsampled = true;
        const std::vector<uint8_t> original =
            EncodeJpeg(StoredForOrientation(upright, orientation), o);
        TJpegData turned;
        ASSERT_EQ(TurnJpegUpright(original.data(), original.size(), orientation, &turned), 1);
        TJpegFacts facts;
        ASSERT_EQ(InspectJpeg(turned.Data, turned.Size, &facts), TJpegCheck::kShowable);
        EXPECT_EQ(facts.Orientation, 1); // no viewer turns it again
        EXPECT_EQ(facts.Progressive, progressive ? 1 : 0);
        EXPECT_EQ(facts.Components, kind == JpegKind::Grey ? 1 : 3);
        EXPECT_LE(facts.Width, 100);
        EXPECT_GT(facts.Width, 100 - 16);
        EXPECT_LE(facts.Height, 60);
        EXPECT_GT(facts.Height, 60 - 16);

        ScopedDib want, got;
        ASSERT_EQ(OpenDibMemory(want.get(), original.data(), original.size(), nullptr), 1);
        ASSERT_EQ(OpenDibMemory(got.get(), turned.Data, turned.Size, nullptr), 1);
        EXPECT_EQ(got->Info->biWidth, facts.Width);
        EXPECT_EQ(got->Info->biHeight, facts.Height);
        // The same coded blocks, rearranged: only rounding in the colour upsampling differs.
        EXPECT_LE(BestCornerDifference(*got.get(), *want.get()), 4);
        FreeJpegData(&turned);
        EXPECT_EQ(turned.Data, nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, TurnUpright,
                         ::testing::Values(TurnCase{JpegKind::Colour, false},
                                           TurnCase{JpegKind::Colour, true},
                                           TurnCase{JpegKind::Grey, false}),
                         [](const auto& info) {
                             const TurnCase& c = info.param;
                             return std::string(c.kind == JpegKind::Grey ? "Grey" : "Colour") +
                                    (c.progressive ? "Progressive" : "");
                         });

TEST(KeepJpeg, TurnRefusesWhatItCannotDoWhole) {
    JpegOptions o = MakeJpegOptions(90, JpegKind::Colour, false, 6);
    o.subsampled = true;
    TJpegData out;
    const std::vector<uint8_t> tiny = EncodeJpeg(Pattern(12, 40), o); // narrower than a block
    EXPECT_EQ(TurnJpegUpright(tiny.data(), tiny.size(), 6, &out), 0);
    const std::vector<uint8_t> fine = EncodeJpeg(Pattern(40, 40), o);
    EXPECT_EQ(TurnJpegUpright(fine.data(), fine.size(), 1, &out), 0);
    EXPECT_EQ(TurnJpegUpright(fine.data(), fine.size(), 9, &out), 0);
    std::vector<uint8_t> cut = fine;
    cut.resize(cut.size() - 40);
    EXPECT_EQ(TurnJpegUpright(cut.data(), cut.size(), 6, &out), 0);
    EXPECT_EQ(out.Data, nullptr);
    FreeJpegData(nullptr);
}

} // namespace

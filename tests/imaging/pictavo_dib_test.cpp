// newdib/deldib limits and layout, pixel access at the edges, and the open-dialog filter.
#include "pictavo.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

TEST(NewDib, LayoutAndColourTable) {
    struct Case {
        int width, bits, rowBytes;
        uint32_t colours;
    };
    for (const Case& c : {Case{1, 1, 4, 2}, Case{33, 1, 8, 2}, Case{9, 4, 8, 16},
                          Case{5, 8, 8, 256}, Case{5, 24, 16, 0}, Case{4, 24, 12, 0}}) {
        ScopedDib dib;
        ASSERT_EQ(newdib(dib.get(), c.width, 3, c.bits, nullptr, 0), 1);
        EXPECT_EQ(dib->RowBytes, c.rowBytes) << c.width << "x" << c.bits;
        EXPECT_EQ(dib->Info->biSizeImage, uint32_t(c.rowBytes * 3));
        EXPECT_EQ(dib->Info->biClrUsed, c.colours);
        EXPECT_EQ(dib->HasPalette, c.bits <= 8 ? 1 : 0);
        EXPECT_NE(dib->Handle, 0u);
        for (int i = 0; i < c.rowBytes * 3; ++i)
            ASSERT_EQ(dib->Bits[i], 0) << "byte " << i;
    }
}

TEST(NewDib, CopiesTheGivenColours) {
    ScopedDib source;
    ASSERT_EQ(newdib(source.get(), 2, 2, 8, nullptr, 0), 1);
    for (int i = 0; i < 256; ++i)
        source->Info->bmiColors[i] = TRgbQuad{uint8_t(i), 1, 2, 0};
    ScopedDib copy;
    ASSERT_EQ(newdib(copy.get(), 2, 2, 4, source->Info, 16), 1);
    EXPECT_EQ(copy->Info->bmiColors[15].rgbBlue, 15);
    EXPECT_EQ(copy->Info->bmiColors[16].rgbBlue, 0); // only 16 copied
    EXPECT_EQ(copy->Colours[15].peBlue, 15);
    EXPECT_EQ(copy->Colours[15].peRed, 2);
}

TEST(NewDib, RefusesWhatCannotBeHeld) {
    struct Case {
        int width, height, bits;
    };
    for (const Case& c : {Case{0, 1, 24}, Case{1, 0, 24}, Case{-5, 5, 24}, Case{5, -5, 8},
                          Case{INT_MAX, INT_MAX, 24}, Case{INT_MAX, 2, 1},
                          Case{25000, 20001, 8}, // 500,025,000 pixels: above the limit
                          Case{10, 10, 2}, Case{10, 10, 16}, Case{10, 10, 32}}) {
        TDib dib;
        dib.Bits = reinterpret_cast<uint8_t*>(1); // must be reset
        EXPECT_EQ(newdib(&dib, c.width, c.height, c.bits, nullptr, 0), 0)
            << c.width << "x" << c.height << "x" << c.bits;
        EXPECT_EQ(dib.Bits, nullptr);
        EXPECT_EQ(dib.Handle, 0u);
    }
}

TEST(DelDib, EmptiesTheRecordAndAcceptsEmptyOnes) {
    TDib dib;
    ASSERT_EQ(newdib(&dib, 3, 3, 24, nullptr, 0), 1);
    deldib(&dib);
    EXPECT_EQ(dib.Bits, nullptr);
    EXPECT_EQ(dib.Info, nullptr);
    EXPECT_EQ(dib.Handle, 0u);
    deldib(&dib);
    deldib(nullptr);
}

#if defined(__linux__)
// Resident memory of this process in bytes.
long ResidentBytes() {
    long pages = 0, resident = 0;
    std::ifstream statm("/proc/self/statm");
    statm >> pages >> resident;
    return resident * 4096;
}

TEST(DelDib, AHugePictureGivesItsMemoryBack) {
    // A 400 MB picture, every page written as a decoder would. Once freed, its memory must
    // not stay with the process: a huge picture is not kept for reuse.
    const long before = ResidentBytes();
    for (int round = 0; round < 2; ++round) {
        TDib dib;
        ASSERT_EQ(newdib(&dib, 10000, 13334, 24, nullptr, 0), 1);
        std::memset(dib.Bits, 0x5A, static_cast<size_t>(dib.RowBytes) * 13334);
        deldib(&dib);
    }
    EXPECT_LT(ResidentBytes() - before, 100L << 20);
}
#endif

TEST(Pixels, EveryDepthRoundTripsAndEdgesAreSafe) {
    for (int bits : {1, 4, 8, 24}) {
        ScopedDib dib;
        ASSERT_EQ(newdib(dib.get(), 11, 5, bits, nullptr, 0), 1);
        const uint32_t mask = bits == 24 ? 0xFFFFFF : (1u << bits) - 1;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 11; ++x)
                setpixel(dib.get(), x, y, uint32_t(x * 37 + y * 101) * 40503u & mask);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 11; ++x)
                ASSERT_EQ(getpixel(dib.get(), x, y), uint32_t(x * 37 + y * 101) * 40503u & mask)
                    << bits << " bits, pixel " << x << "," << y;
        for (auto [x, y] : std::vector<std::pair<int, int>>{{-1, 0}, {0, -1}, {11, 0}, {0, 5}}) {
            setpixel(dib.get(), x, y, 1); // ignored
            EXPECT_EQ(getpixel(dib.get(), x, y), 0u);
        }
    }
    // 24-bit pixels are stored blue, green, red.
    ScopedDib dib;
    ASSERT_EQ(newdib(dib.get(), 1, 1, 24, nullptr, 0), 1);
    setpixel(dib.get(), 0, 0, 0x112233);
    EXPECT_EQ(dib->Bits[0], 0x33);
    EXPECT_EQ(dib->Bits[2], 0x11);
    TDib empty;
    EXPECT_EQ(getpixel(&empty, 0, 0), 0u);
    setpixel(&empty, 0, 0, 1);
}

TEST(OpenFilter, PairsOfDescriptionAndPatternsForEveryFormat) {
    const std::string filter = GetDIBOpenFilter();
    std::vector<std::string> parts;
    std::stringstream in(filter);
    for (std::string part; std::getline(in, part, '|');)
        parts.push_back(part);
    ASSERT_EQ(parts.size() % 2, 0u) << filter;
    for (size_t i = 0; i < parts.size(); i += 2) {
        EXPECT_FALSE(parts[i].empty());
        EXPECT_EQ(parts[i + 1].rfind("*.", 0), 0u) << parts[i + 1];
    }
    for (const char* pattern : {"*.jpg", "*.jpeg", "*.png", "*.bmp", "*.gif", "*.tif", "*.tiff",
                                "*.webp", "*.heic", "*.heif"})
        EXPECT_NE(parts[1].find(pattern), std::string::npos) << pattern;
}

} // namespace

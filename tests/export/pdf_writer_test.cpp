// The PDF container: golden bytes, fixed offsets, measured lengths, the cross-reference
// table, resource names and write failures.
#include "file_size_limit.h"
#include "lumeno/core/file.h"
#include "lumeno/export/pdf_writer.h"
#include "slideshow_test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

using namespace lumeno;
namespace fs = std::filesystem;

namespace {

using slideshow_test::ReadFile;

fs::path TempPdf(const std::string& name) {
    // One folder per process, so test programs running side by side do not share files.
    static const TemporaryFolder folder("lumeno_pdf_writer_test");
    return folder.Path() / name;
}

TJpegImage FakeJpeg(int seed, size_t size, int w, int h) {
    TJpegImage j;
    j.Width = w;
    j.Height = h;
    for (size_t i = 0; i < size; ++i)
        j.Bytes.push_back(static_cast<uint8_t>(seed + i * 7));
    return j;
}

TPhotoSource FakeSource(const std::vector<size_t>& sizes) {
    return [sizes](int k) -> std::optional<TJpegImage> {
        return FakeJpeg(k, sizes[static_cast<size_t>(k - 1)], 100 * k, 50 * k);
    };
}

// Writes a file into memory with fake SVG bytes and fake JPEGs of the given sizes.
std::string Write(bool fullScreen, const std::vector<uint8_t>& svg, std::vector<size_t> sizes) {
    TMemorySink sink;
    const TPdfResult r =
        WritePdfSlideShow(sink, fullScreen, svg, static_cast<int>(sizes.size()), FakeSource(sizes));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(sink.Position(), static_cast<int64_t>(sink.Bytes().size()));
    return sink.Bytes();
}

struct Xref {
    size_t offset = 0;
    std::vector<uint32_t> entries;
};

Xref ParseXref(const std::string& pdf) {
    Xref x;
    const size_t sx = pdf.rfind("startxref\r");
    EXPECT_NE(sx, std::string::npos);
    x.offset = std::stoul(pdf.substr(sx + 10));
    EXPECT_EQ(pdf.compare(x.offset, 5, "xref\r"), 0);
    size_t pos = x.offset + 5;
    size_t eol = pdf.find("\r\n", pos);
    const int count = std::stoi(pdf.substr(pos + 2, eol - pos - 2));
    pos = eol + 2;
    EXPECT_EQ(pdf.substr(pos, 20), "0000000000 65535 f\r\n");
    pos += 20;
    for (int i = 1; i < count; ++i, pos += 20) {
        const std::string line = pdf.substr(pos, 20);
        EXPECT_EQ(line.substr(10), " 00000 n\r\n") << "entry " << i;
        x.entries.push_back(static_cast<uint32_t>(std::stoul(line.substr(0, 10))));
    }
    EXPECT_EQ(pdf.compare(pos, 8, "trailer\r"), 0);
    return x;
}

// The direct value of object n (17..19).
long ObjectValue(const std::string& pdf, int n) {
    const std::string head = "\r" + std::to_string(n) + " 0 obj\r";
    const size_t at = pdf.find(head);
    EXPECT_NE(at, std::string::npos);
    return std::stol(pdf.substr(at + head.size()));
}

size_t FirstDifference(const std::string& a, const std::string& b) {
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    return i;
}

} // namespace

// The whole file of a two-photo show with stand-in SVG and JPEG bytes, checked once by hand
// against the object table; any change to a byte of the container shows here.
TEST(PdfWriter, GoldenTwoPhotoFile) {
    const std::string got = Write(true, {'S', 'V', 'G'}, {5, 3});
    const std::string golden =
        ReadFile(fs::path(LUMENO_TEST_DATA_DIR) / "two_photos_fullscreen.pdf");
    ASSERT_FALSE(golden.empty());
    const size_t at = FirstDifference(got, golden);
    EXPECT_EQ(got.size(), golden.size());
    EXPECT_EQ(at, std::min(got.size(), golden.size()))
        << "first differing byte at " << at << ": got \"" << got.substr(at, 40) << "\" expected \""
        << golden.substr(at, 40) << "\"";
}

TEST(PdfWriter, HeaderAndFixedOffsets) {
    const std::string pdf = Write(false, {1, 2, 3}, {10});
    EXPECT_EQ(pdf.substr(0, 15), std::string("%PDF-1.4\r%\xE2\xE3\xCF\xD3\r"));
    const Xref x = ParseXref(pdf);
    ASSERT_EQ(x.entries.size(), 20u);
    const uint32_t fixed[] = {15, 105, 154, 217, 401};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(x.entries[i], fixed[i]) << "object " << i + 1;
    EXPECT_NE(pdf.find("\n0000000015 00000 n\r\n"), std::string::npos);
    for (size_t i = 0; i < x.entries.size(); ++i) {
        const std::string head = std::to_string(i + 1) + " 0 obj\r";
        EXPECT_EQ(pdf.compare(x.entries[i], head.size(), head), 0)
            << "entry " << i + 1 << " points at \"" << pdf.substr(x.entries[i], 12) << "\"";
    }
}

TEST(PdfWriter, MeasuredStreamLengths) {
    for (bool fullScreen : {true, false}) {
        const std::vector<uint8_t> svg(777, 0xAB);
        const std::string pdf = Write(fullScreen, svg, {});
        EXPECT_EQ(ObjectValue(pdf, 18), fullScreen ? 147 : 148);
        EXPECT_EQ(ObjectValue(pdf, 19), 778) << "compressed size plus the line feed";
        // Every measured length matches the bytes between "stream\n" and "endstream".
        for (auto [obj, lenObj] : {std::pair{5, 17}, std::pair{10, 18}, std::pair{16, 19}}) {
            const size_t objAt = pdf.find("\r" + std::to_string(obj) + " 0 obj\r");
            const size_t data = pdf.find("stream\n", objAt) + 7;
            const size_t end = pdf.find("endstream\r", data);
            EXPECT_EQ(static_cast<long>(end - data), ObjectValue(pdf, lenObj)) << "object " << obj;
        }
        EXPECT_NE(pdf.find(fullScreen ? "    app.fs.isFullScreen = true;\r"
                                      : "    app.fs.isFullScreen = false;\r"),
                  std::string::npos);
    }
}

TEST(PdfWriter, EmptyShow) {
    const std::string pdf = Write(false, {9}, {});
    EXPECT_NE(pdf.find("\r<<\r    /Names [ (MySVGFile.svg) 14 0 R ]\r>>\r"), std::string::npos);
    EXPECT_NE(pdf.find("xref\r0 20\r\n"), std::string::npos);
    EXPECT_NE(pdf.find("trailer\r<< /Size 20\r   /Root 1 0 R\r>>\rstartxref\r"), std::string::npos);
    EXPECT_EQ(ParseXref(pdf).entries.size(), 19u);
    EXPECT_EQ(pdf.substr(pdf.size() - 6), "%%EOF\r");
}

TEST(PdfWriter, ImageObjectsNameTreeAndTrailer) {
    const std::vector<size_t> sizes = {4, 1, 300};
    const std::string pdf = Write(false, {7, 7}, sizes);
    EXPECT_NE(pdf.find("    /Names [ (MySVGFile.svg) 14 0 R (imgaaab.jpg) 20 0 R (imgaaac.jpg) "
                       "21 0 R (imgaaad.jpg) 22 0 R ]\r"),
              std::string::npos);
    const Xref x = ParseXref(pdf);
    ASSERT_EQ(x.entries.size(), 22u);
    EXPECT_NE(pdf.find("xref\r0 23\r\n"), std::string::npos);
    EXPECT_NE(pdf.find("<< /Size 23\r"), std::string::npos);
    for (int k = 1; k <= 3; ++k) {
        const size_t at = x.entries[18 + k];
        const TJpegImage j = FakeJpeg(k, sizes[k - 1], 100 * k, 50 * k);
        const std::string head = std::to_string(19 + k) +
                                 " 0 obj\r<< /Type /XObject /Subtype /Image /Width " +
                                 std::to_string(100 * k) + " /Height " + std::to_string(50 * k) +
                                 " /BitsPerComponent 8 /ColorSpace /DeviceRGB /Length " +
                                 std::to_string(sizes[k - 1]) + " /Filter /DCTDecode >>\rstream\n";
        ASSERT_EQ(pdf.compare(at, head.size(), head), 0) << "photo " << k;
        const std::string data(j.Bytes.begin(), j.Bytes.end());
        EXPECT_EQ(pdf.compare(at + head.size(), data.size(), data), 0);
        EXPECT_EQ(pdf.compare(at + head.size() + data.size(), 17, "endstream\rendobj\r"), 0)
            << "endstream must follow the last JPEG byte";
    }
}

TEST(PdfWriter, FallbackLineNamesOurDownloadPage) {
    const std::string pdf = Write(false, {1}, {});
    EXPECT_NE(pdf.find(std::string("\r        (") + kViewerDownloadUrl +
                       " to view the slideshow!) Tj\r    ET\nendstream\rendobj\r"),
              std::string::npos);
}

// The file sink buffers 64 KiB: photos smaller and larger than the buffer, and a stream
// set buffered by its owner, give the same bytes as memory.
TEST(PdfWriter, FileAndMemoryGiveTheSameBytes) {
    const std::vector<size_t> sizes = {70000, 65535, 3, 65536, 200000, 1};
    const std::vector<uint8_t> svg(40000, 0x5A);
    const std::string memory = Write(false, svg, sizes);
    const fs::path p = TempPdf("file_sink.pdf");
    const TPdfResult r = WritePdfSlideShow(p.string(), false, svg, static_cast<int>(sizes.size()),
                                           FakeSource(sizes));
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(ReadFile(p) == memory)
        << "first difference at " << FirstDifference(ReadFile(p), memory);
    {
        TFile file = OpenFile(p.string(), TFileMode::kWrite);
        ASSERT_TRUE(file);
        TFileSink sink(file);
        ASSERT_TRUE(
            WritePdfSlideShow(sink, false, svg, static_cast<int>(sizes.size()), FakeSource(sizes))
                .ok);
        ASSERT_EQ(file.Close(), 0);
    }
    EXPECT_TRUE(ReadFile(p) == memory);
}

TEST(PdfWriter, CannotCreate) {
    const TPdfResult r = WritePdfSlideShow("/nonexistent-dir/x/out.pdf", false, {1}, 1,
                                           [](int) { return std::optional<TJpegImage>(); });
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.code, TPdfCode::kCannotCreate);
    EXPECT_EQ(r.detail, ENOENT);
}

TEST(PdfWriter, WriteErrorCarriesTheSystemErrorNumber) {
    // A file size limit makes the disk "full" after 4000 bytes: write() then fails with
    // EFBIG (the signal it would raise is ignored for the test).
    const fs::path p = TempPdf("limited.pdf");
    TPdfResult r;
    {
        ScopedFileSizeLimit full(4000);
        ASSERT_TRUE(full.Active());
        r = WritePdfSlideShow(
            p.string(), false, std::vector<uint8_t>(100000, 1), 2,
            [](int k) -> std::optional<TJpegImage> { return FakeJpeg(k, 1000, 1, 1); });
    }
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.code, TPdfCode::kWriteError);
    EXPECT_EQ(r.detail, EFBIG);
    EXPECT_TRUE(fs::exists(p)) << "the partly written file stays";
}

TEST(PdfWriter, SourceAskedInOrderAndMayStop) {
    std::vector<int> asked;
    TMemorySink sink;
    const TPdfResult r =
        WritePdfSlideShow(sink, false, {1}, 5, [&](int k) -> std::optional<TJpegImage> {
            asked.push_back(k);
            if (k == 3) return std::nullopt;
            return FakeJpeg(k, 2, 1, 1);
        });
    EXPECT_EQ(r.code, TPdfCode::kStopped);
    EXPECT_EQ(asked, (std::vector<int>{1, 2, 3}));
}

TEST(PhotoLetterCode, Table) {
    const std::pair<int, const char*> cases[] = {
        {1, "aaab"},
        {12, "aabc"},
        {305, "adaf"},
        {9999, "jjjj"},
        {1000, "baaa"},
        {10000, "kbaaaa"},
        {10001, "kbaaab"},
        {99999, "kjjjjj"},
        {100000, "lbaaaaa"},
        {123456, "lbcdefg"},
        {2147483647, "pcbeheidgeh"},
    };
    for (auto [k, code] : cases)
        EXPECT_EQ(PhotoLetterCode(k), code) << k;
    EXPECT_EQ(ImageResourceName(305), "imgadaf.jpg");
}

// A name tree needs its keys unique and in ascending byte order, also past 9,999 photos.
TEST(PhotoLetterCode, NamesAscendForLargeShows) {
    std::string previous = "MySVGFile.svg";
    for (int k = 1; k <= 130000; ++k) {
        const std::string name = ImageResourceName(k);
        ASSERT_LT(previous, name) << "photo " << k;
        previous = name;
    }
}

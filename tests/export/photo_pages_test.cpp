// Photo pages: page size, caption strings, timing, content streams, and whole files checked
// with the tools a user's viewer would stand for (qpdf, pdftoppm, pdftotext).
#include "lumeno/core/text.h"
#include "lumeno/export/export_driver.h"
#include "lumeno/export/pdf_writer.h"
#include "lumeno/export/photo_pages.h"
#include "slideshow_test_support.h"

#include <clocale>

using namespace lumeno;
using namespace slideshow_test;

namespace {

TEST(PhotoPageSize, ProportionsOfThePhotoAtALongSideOf792) {
    const struct {
        int w, h, pageW, pageH;
    } cases[] = {
        {400, 300, 792, 594}, {300, 400, 594, 792}, {3000, 2000, 792, 528},
        {1, 1, 792, 792},     {10000, 1, 792, 3},   {1, 10000, 3, 792},
        {0, 5, 792, 612},     {-4, 3, 792, 612},    {1001, 1000, 792, 791},
    };
    for (const auto& c : cases) {
        const TPageSize page = PhotoPageSize(c.w, c.h);
        EXPECT_EQ(page.Width, c.pageW) << c.w << " x " << c.h;
        EXPECT_EQ(page.Height, c.pageH) << c.w << " x " << c.h;
    }
}

TEST(PdfCaptionString, RunsLinesTogetherAndEscapesForWinAnsi) {
    const struct {
        std::string caption, pdf;
    } cases[] = {
        {"", "()"},
        {"Rom", "(Rom)"},
        {"Urlaub\r\nin Rom", "(Urlaub in Rom)"},
        {"  x \t\r\n\r\n y  ", "(x y)"},
        {"(1) a\\b", "(\\(1\\) a\\\\b)"},
        {"Gr\xFC\xDF"
         "e",
         "(Gr\\374\\337e)"},
        {"\x80 5", "(\\200 5)"},                  // euro sign
        {"&#8364;", "(\\200)"},                   // a reference whose character Windows-1252 holds
        {"&#321;odz", "(?odz)"},                  // one it cannot hold
        {"&amp; &#x41; &#", "(&amp; &#x41; &#)"}, // no decimal reference: kept as typed
        {"\x01\x81\x7F", "()"},                   // control and undefined bytes are dropped
        {"a\x1b"
         "b",
         "(ab)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PdfCaptionString(c.caption), c.pdf) << c.caption;
}

TEST(PhotoPageTiming, FollowsTheShowsTimeLine) {
    TShowSettings s;
    EXPECT_EQ(PhotoPageTiming(s), "/Trans << /S /Fade /D 2 >> /Dur 3");
    s.FadeInOut = false;
    EXPECT_EQ(PhotoPageTiming(s), "/Trans << /S /Fade /D 1 >> /Dur 3");
    s.FadeTime = 1500;
    s.PauseTime = 2500;
    EXPECT_EQ(PhotoPageTiming(s), "/Trans << /S /Fade /D 1.5 >> /Dur 2.5");
    s.FadeInOut = true;
    s.FadeTime = 1;
    s.PauseTime = 1;
    EXPECT_EQ(PhotoPageTiming(s), "/Trans << /S /Fade /D 0.002 >> /Dur 0.001");
    s.FadeTime = -5;
    EXPECT_EQ(PhotoPageTiming(s), "/Trans << /S /Fade /D 0 >> /Dur 0.001");
}

TEST(PhotoPageContent, PortraitPhotoOnALandscapePageWithCaption) {
    TShowSettings s;
    s.BackColor = 0x00336699; // red 0x99, green 0x66, blue 0x33
    s.TextColor = 0x0000FFFF; // yellow
    s.OutlineColor = 0x00000080;
    s.TextX = 10;
    s.TextY = 90;
    s.FontSize = 24;
    // A German locale must not bring decimal commas into the stream.
    const char* old = std::setlocale(LC_ALL, "de_DE.UTF-8");
    const std::string content = PhotoPageContent({792, 594}, 300, 400,
                                                 "Gr\xFC\xDF"
                                                 "e\r\naus Rom",
                                                 s);
    if (old) std::setlocale(LC_ALL, "C");
    EXPECT_EQ(content, "q\n"
                       "0.6 0.4 0.2 rg\n"
                       "0 0 792 594 re f\n"
                       "445.5 0 0 594 0 0 cm\n"
                       "/Im1 Do\n"
                       "Q\n"
                       "q\n"
                       "1 w\n"
                       "1 1 0 rg\n"
                       "0.502 0 0 RG\n"
                       "BT\n"
                       "/F1 24 Tf\n"
                       "2 Tr\n"
                       "79.2 59.4 Td\n"
                       "(Gr\\374\\337e aus Rom) Tj\n"
                       "ET\n"
                       "Q\n");
}

TEST(PhotoPageContent, WidePhotoSitsAtTheTopAndEmptyCaptionDrawsNoText) {
    const std::string content = PhotoPageContent({594, 792}, 400, 300, " \r\n", TShowSettings{});
    EXPECT_NE(content.find("594 0 0 445.5 0 346.5 cm\n"), std::string::npos) << content;
    EXPECT_EQ(content.find("BT"), std::string::npos) << content;
    EXPECT_EQ(content.substr(content.size() - 2), "Q\n");
}

// The cross-reference table of a file: every entry points at its own object, /Size and
// startxref agree. Returns the number of in-use entries.
int CheckXref(const std::string& pdf) {
    const size_t startxrefAt = pdf.rfind("startxref\r");
    EXPECT_NE(startxrefAt, std::string::npos);
    if (startxrefAt == std::string::npos) return 0;
    const size_t xref = std::stoul(pdf.substr(startxrefAt + 10));
    EXPECT_EQ(pdf.compare(xref, 5, "xref\r"), 0) << "startxref " << xref;
    const size_t sectionAt = xref + 5;
    const int count = std::stoi(pdf.substr(sectionAt + 2));
    size_t entry = pdf.find("\r\n", sectionAt) + 2;
    EXPECT_EQ(pdf.substr(entry, 20), "0000000000 65535 f\r\n");
    for (int obj = 1; obj < count; ++obj) {
        entry += 20;
        const size_t offset = std::stoul(pdf.substr(entry, 10));
        const std::string head = std::to_string(obj) + " 0 obj\r";
        EXPECT_EQ(pdf.compare(offset, head.size(), head), 0)
            << "object " << obj << " at " << offset << " reads " << pdf.substr(offset, head.size());
    }
    EXPECT_NE(pdf.find("<< /Size " + std::to_string(count) + "\r", entry), std::string::npos);
    return count - 1;
}

size_t CountOf(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

class PhotoPagesFile : public ScratchTest {
  protected:
    // Exports red 400 x 300 and blue 300 x 400 photos with the given captions.
    std::string Export(TShowSettings settings, bool pages, const std::string& name,
                       std::vector<std::string> captions = {"Grüße aus Rom", "Zweites"}) {
        std::vector<TExportPhoto> photos;
        if (!captions.empty()) {
            photos.push_back({SolidJpeg("red.jpg", 400, 300, 0xFF0000), captions[0]});
            photos.push_back({SolidJpeg("blue.jpg", 300, 400, 0x0000FF), captions[1]});
            for (auto& p : photos)
                p.Text = Utf8ToCp1252(p.Text);
        }
        settings.ShowPDF = false;
        TExportOptions options;
        options.PhotoPages = pages;
        const std::string out = (dir_ / name).string();
        const TExportResult r = ExportSlideShow(photos, settings, out, options);
        EXPECT_TRUE(r.ok) << ExportMessage(r);
        return out;
    }
};

// The bytes of one object, from its "N 0 obj" line to the next object.
std::string ObjectText(const std::string& pdf, int number) {
    const std::string head = "\r" + std::to_string(number) + " 0 obj\r";
    const size_t at = pdf.find(head);
    if (at == std::string::npos) return {};
    const size_t end = pdf.find("endobj\r", at);
    return pdf.substr(at + 1, (end == std::string::npos ? pdf.size() : end + 7) - at - 1);
}

TEST_F(PhotoPagesFile, PagesFollowTheTextPageAndShareTheImageObjects) {
    TShowSettings settings;
    const std::string plain = ReadFile(Export(settings, false, "plain.pdf"));
    const std::string paged = ReadFile(Export(settings, true, "paged.pdf"));

    // 19 fixed objects, 2 images, the font, and a page and its contents per photo.
    EXPECT_EQ(CheckXref(plain), 21);
    EXPECT_EQ(CheckXref(paged), 26);
    EXPECT_EQ(CountOf(paged, "/Subtype /Image"), 2u) << "a photo was embedded twice";
    EXPECT_EQ(CountOf(paged, "/DCTDecode"), 2u);

    // The text page, the script and the presentation (objects 4 to 19) and the images stay
    // byte for byte; only the catalog and the page tree grow.
    const size_t plain4 = plain.find("\r4 0 obj\r"), paged4 = paged.find("\r4 0 obj\r");
    const size_t plainXref = plain.find("\rxref\r") + 1, pagedFont = paged.find("\r22 0 obj\r");
    ASSERT_NE(pagedFont, std::string::npos);
    EXPECT_TRUE(plain.substr(plain4, plainXref - plain4) ==
                paged.substr(paged4, pagedFont + 1 - paged4))
        << "objects 4 to 21 differ";
    EXPECT_EQ(ObjectText(paged, 1), "1 0 obj\r<<\r   /Type /Catalog\r   /Outlines 2 0 R\r"
                                    "   /Pages 3 0 R\r   /Names 8 0 R\r   /Version /1.5\r"
                                    "   /OpenAction [23 0 R /Fit]\r>>\rendobj\r");
    EXPECT_EQ(ObjectText(paged, 3), "3 0 obj\r<< /Type /Pages\r   /Kids [4 0 R 23 0 R 25 0 R]\r"
                                    "   /Count 3\r>>\rendobj\r");
    EXPECT_EQ(ObjectText(paged, 22), "22 0 obj\r<< /Type /Font /Subtype /Type1 /BaseFont "
                                     "/Helvetica /Encoding /WinAnsiEncoding >>\rendobj\r");
    EXPECT_EQ(ObjectText(paged, 25),
              "25 0 obj\r<< /Type /Page\r   /Parent 3 0 R\r   /MediaBox [0 0 792 594]\r"
              "   /Contents 26 0 R\r   /Resources << /ProcSet [/PDF /Text /ImageC]\r"
              "                 /XObject << /Im1 21 0 R >>\r"
              "                 /Font << /F1 22 0 R >>\r              >>\r"
              "   /Trans << /S /Fade /D 2 >> /Dur 3\r>>\rendobj\r");
    const std::string contents = ObjectText(paged, 24);
    const size_t length = std::stoul(contents.substr(contents.find("/Length ") + 8));
    const size_t data = contents.find("stream\n") + 7;
    EXPECT_EQ(contents.compare(data + length, 10, "endstream\r"), 0) << "stream length";
}

TEST_F(PhotoPagesFile, FullScreenAndCrossFadeReachTheCatalogAndThePages) {
    TShowSettings settings;
    settings.FullScreen = true;
    settings.FadeInOut = false;
    settings.FadeTime = 500;
    settings.PauseTime = 2000;
    const std::string pdf = ReadFile(Export(settings, true, "full.pdf"));
    EXPECT_NE(ObjectText(pdf, 1).find("   /PageMode /FullScreen\r"), std::string::npos);
    EXPECT_NE(pdf.find("    app.fs.isFullScreen = true;\r"), std::string::npos);
    EXPECT_EQ(CountOf(pdf, "   /Trans << /S /Fade /D 0.5 >> /Dur 2\r"), 2u);
    CheckXref(pdf);

    settings.FullScreen = false;
    const std::string windowed = ReadFile(Export(settings, true, "windowed.pdf"));
    EXPECT_EQ(windowed.find("/PageMode"), std::string::npos);
}

TEST_F(PhotoPagesFile, EmptyShowKeepsOnePage) {
    const std::string path = Export(TShowSettings{}, true, "empty.pdf", {});
    const std::string pdf = ReadFile(path);
    EXPECT_EQ(CheckXref(pdf), 19);
    EXPECT_EQ(pdf.find("/OpenAction"), std::string::npos);
    EXPECT_NE(pdf.find("   /Kids [4 0 R]\r   /Count 1\r"), std::string::npos);
    if (HaveTool("qpdf")) {
        EXPECT_EQ(RunCommand("qpdf --check '" + path + "' >/dev/null 2>&1").first, 0);
    }
}

TEST_F(PhotoPagesFile, ToolsAcceptTheFileAndFindTheText) {
    if (!HaveTool("qpdf") || !HaveTool("pdftotext")) GTEST_SKIP() << "qpdf or pdftotext missing";
    const std::string path = Export(TShowSettings{}, true, "show.pdf");
    const auto check = RunCommand("qpdf --check '" + path + "' 2>&1");
    EXPECT_EQ(check.first, 0) << check.second;
    EXPECT_EQ(RunCommand("qpdf --show-npages '" + path + "'").second, "3\n");
    // The caption is real text, in the right characters.
    EXPECT_NE(RunCommand("pdftotext -f 2 -l 2 '" + path + "' -").second.find("Grüße aus Rom"),
              std::string::npos);
    EXPECT_NE(RunCommand("pdftotext -f 3 -l 3 '" + path + "' -").second.find("Zweites"),
              std::string::npos);
}

TEST_F(PhotoPagesFile, RenderedPagesShowPhotoBackgroundAndCaptionInPlace) {
    if (!HaveTool("pdftoppm")) GTEST_SKIP() << "pdftoppm missing";
    TShowSettings settings;
    settings.BackColor = 0x00008000; // green
    settings.TextColor = 0x0000FFFF; // yellow
    settings.OutlineColor = 0x00000000;
    settings.TextX = 50;
    settings.TextY = 50;
    settings.FontSize = 60;
    const std::string path = Export(settings, true, "render.pdf", {"MMMM", "MMMM"});
    const std::string base = (dir_ / "page").string();
    ASSERT_EQ(RunCommand("pdftoppm -r 72 -f 2 -l 3 -png '" + path + "' '" + base + "'").first, 0);
    const TPicture red(base + "-2.png"), blue(base + "-3.png");
    ASSERT_FALSE(red.Empty());
    ASSERT_FALSE(blue.Empty());
    EXPECT_EQ(red.Width(), 792);
    EXPECT_EQ(red.Height(), 594);
    EXPECT_EQ(blue.Width(), 792) << "every page takes the first photo's proportions";

    const TRgb kRed{255, 0, 0}, kBlue{0, 0, 255}, kGreen{0, 128, 0}, kYellow{255, 255, 0};
    // The landscape photo fills its page; the portrait one stands at the left, scaled to
    // the page height (445.5 points wide), the background to its right.
    for (auto [x, y] : {std::pair{5, 5}, {786, 5}, {5, 588}, {786, 588}, {200, 150}})
        EXPECT_TRUE(Near(red.At(x, y), kRed, 12)) << x << "," << y << " " << red.At(x, y);
    for (auto [x, y] : {std::pair{5, 5}, {440, 588}, {200, 150}})
        EXPECT_TRUE(Near(blue.At(x, y), kBlue, 12)) << x << "," << y << " " << blue.At(x, y);
    for (auto [x, y] : {std::pair{452, 5}, {786, 588}, {600, 150}})
        EXPECT_TRUE(Near(blue.At(x, y), kGreen, 12)) << x << "," << y << " " << blue.At(x, y);

    // The caption starts at 50 % / 50 %: yellow glyphs with black outlines just above and
    // right of the page centre, none left of it or below the baseline.
    auto count = [](const TPicture& pic, int x0, int y0, int x1, int y1, TRgb colour) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += Near(pic.At(x, y), colour, 60);
        return n;
    };
    EXPECT_GT(count(red, 396, 257, 596, 297, kYellow), 500);
    EXPECT_GT(count(red, 396, 257, 596, 297, TRgb{0, 0, 0}), 100) << "no outline";
    EXPECT_EQ(count(red, 300, 257, 394, 297, kYellow), 0);
    EXPECT_EQ(count(red, 396, 300, 596, 340, kYellow), 0);
    EXPECT_GT(count(blue, 396, 257, 596, 297, kYellow), 500);
}

} // namespace

// Photo pages: page size, caption strings, timing, content streams, and whole files checked
// with the tools a user's viewer would stand for (qpdf, pdftoppm, pdftotext).
#include "lumeno/core/text.h"
#include "lumeno/export/caption_text.h"
#include "lumeno/export/export_driver.h"
#include "lumeno/export/pdf_writer.h"
#include "lumeno/export/photo_pages.h"
#include "lumeno/frontend/shared_words.h"
#include "slideshow_test_support.h"

#include <clocale>
#include <cstdio>
#include <sstream>

using namespace lumeno;
using namespace slideshow_test;

namespace {

TEST(PhotoPageSize, ProportionsOfThePhotoAtALongSideOf792ButNoNarrowerThanAThird) {
    const struct {
        int w, h, pageW, pageH;
    } cases[] = {
        {400, 300, 792, 594},   {300, 400, 594, 792},   {3000, 2000, 792, 528},
        {1, 1, 792, 792},       {10000, 1, 792, 264},   {1, 10000, 264, 792},
        {0, 5, 792, 612},       {-4, 3, 792, 612},      {1001, 1000, 792, 791},
        {3000, 1000, 792, 264}, {3000, 1001, 792, 264}, {2990, 1000, 792, 265},
    };
    for (const auto& c : cases) {
        const TPageSize page = PhotoPageSize(c.w, c.h);
        EXPECT_EQ(page.Width, c.pageW) << c.w << " x " << c.h;
        EXPECT_EQ(page.Height, c.pageH) << c.w << " x " << c.h;
    }
}

TEST(CaptionParagraphs, LinesAsTypedWithBlanksRunTogether) {
    const struct {
        std::string caption;
        std::vector<std::u32string> lines;
    } cases[] = {
        {"", {}},
        {" \r\n\t", {}},
        {"Urlaub\r\nin Rom", {U"Urlaub", U"in Rom"}},
        {"\r\n  x \t y  \r\n\r\nz\nw\r\r\n", {U"x y", U"", U"z", U"w"}},
        {"Gr\xFC\xDF"
         "e \x80",
         {U"Grüße €"}},
        {"&#321;\xF3"
         "d&#378; &#945;",
         {U"Łódź α"}}, // references of characters 1252 lacks
        {"a\x1b"
         "b\x7F",
         {U"ab"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CaptionParagraphs(c.caption), c.lines) << c.caption;
    EXPECT_FALSE(NeedsUnicodeFont({"Gr\xFC\xDF"
                                   "e \x80",
                                   "&amp;"}));
    EXPECT_TRUE(NeedsUnicodeFont({"x", "&#321;"}));
}

TEST(LayoutCaption, LongCaptionsWrapAtWordsInsideTheMargins) {
    TShowSettings s;
    s.FontSize = 40;
    s.TextX = 50;
    s.TextY = 95;
    TCaptionFonts fonts(false);
    const TPageSize page{792, 594};
    const TCaptionLayout one = LayoutCaption("Rom", page, s, fonts);
    ASSERT_EQ(one.Lines.size(), 1u);
    EXPECT_EQ(one.X, 396);
    EXPECT_DOUBLE_EQ(one.Y, 564.3) << "a line that fits keeps its place";
    EXPECT_NEAR(one.Lines[0].Width, 40 * (722 + 556 + 833) / 1000.0, 1e-9);

    const std::string words = "Ein langer Text ueber den Urlaub am Meer mit vielen Woertern";
    const TCaptionLayout wrapped = LayoutCaption(words + "\r\nEnde", page, s, fonts);
    ASSERT_GE(wrapped.Lines.size(), 4u);
    std::u32string joined;
    for (size_t i = 0; i + 1 < wrapped.Lines.size(); ++i) {
        const TCaptionLine& line = wrapped.Lines[i];
        EXPECT_LE(wrapped.X + line.Width, 792 - 0.02 * 792) << "line " << i;
        joined += (i ? U" " : U"") + line.Text;
    }
    EXPECT_EQ(joined, std::u32string(words.begin(), words.end())) << "words cut or lost";
    EXPECT_EQ(wrapped.Lines.back().Text, U"Ende");
    // The block moves up so its last line stays inside the bottom margin.
    const double last = wrapped.Y + (wrapped.Lines.size() - 1) * wrapped.Leading;
    EXPECT_LE(last, 594 - 0.02 * 792 - 0.25 * 40 + 1e-9);
    EXPECT_EQ(wrapped.Leading, 48);

    // One word wider than the page is cut between characters; a tiny size draws nothing.
    const TCaptionLayout cut = LayoutCaption(std::string(200, 'W'), page, s, fonts);
    EXPECT_GT(cut.Lines.size(), 1u);
    for (const TCaptionLine& line : cut.Lines)
        EXPECT_LE(cut.X + line.Width, 792 - 0.02 * 792);
    s.FontSize = 0;
    EXPECT_TRUE(LayoutCaption("Rom", page, s, fonts).Lines.empty());
}

// Helvetica widths: M 833, space 278. A line of n "MM" words is 1666 n + 278 (n - 1) wide.
TEST(LayoutCaption, WrapCountsTheSpacesAndTheBlockStaysLeftOfTheRightMargin) {
    TShowSettings s;
    s.FontSize = 40;
    s.TextX = 0;
    TCaptionFonts fonts(false);
    const TPageSize page{792, 594};
    // Room: 792 - 2 % margins = 760.32 points = 19008 thousandths of the size: nine words
    // with their spaces (17218), not ten (19162); without the spaces eleven would fit.
    std::string eleven;
    for (int i = 0; i < 11; ++i)
        eleven += i ? " MM" : "MM";
    const TCaptionLayout wrapped = LayoutCaption(eleven, page, s, fonts);
    ASSERT_EQ(wrapped.Lines.size(), 2u);
    EXPECT_EQ(wrapped.Lines[0].Text, U"MM MM MM MM MM MM MM MM MM");
    EXPECT_EQ(wrapped.Lines[1].Text, U"MM MM");
    EXPECT_NEAR(wrapped.Lines[0].Width, 40 * 17218 / 1000.0, 1e-9);

    // Near the right edge the block moves left until its widest line ends at the margin.
    s.TextX = 95;
    const TCaptionLayout right = LayoutCaption("MM\r\nM", page, s, fonts);
    ASSERT_EQ(right.Lines.size(), 2u);
    EXPECT_NEAR(right.X, 792 - 0.02 * 792 - 40 * 1.666, 1e-9);
    s.TextX = 80; // 633.6 + 66.64 ends inside the margin: stays
    EXPECT_NEAR(LayoutCaption("MM", page, s, fonts).X, 633.6, 1e-9);
}

// A caption's words, as typed, each once per occurrence.
std::vector<std::u32string> WordsOf(const std::u32string& text) {
    std::vector<std::u32string> words;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i)
        if (i == text.size() || text[i] == U' ' || text[i] == U'\n') {
            if (i > start) words.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    return words;
}

std::vector<std::u32string> LaidWords(const TCaptionLayout& layout) {
    std::vector<std::u32string> words;
    for (const TCaptionLine& line : layout.Lines)
        for (std::u32string& w : WordsOf(line.Text))
            words.push_back(std::move(w));
    return words;
}

const char kSevenLines[] = "Am ersten Morgen wanderten wir\r\nzum Leuchtturm hinauf\r\n"
                           "und sahen die Fischerboote\r\nim Nebel verschwinden\r\n"
                           "Abends gab es Muscheln\r\nund Weißwein vom Fass\r\n"
                           "Unvergessliche Urlaubserinnerungen";

// The block's room around its baselines, as the layout promises it.
void ExpectInside(const TCaptionLayout& l, const TPageSize& page, const std::string& what) {
    ASSERT_FALSE(l.Lines.empty()) << what;
    const double margin = 0.02 * std::max(page.Width, page.Height);
    EXPECT_GE(l.X, 0) << what;
    for (const TCaptionLine& line : l.Lines)
        EXPECT_LE(l.X + line.Width, page.Width - margin + 1e-9) << what;
    EXPECT_GE(l.Y - 0.95 * l.Size, margin - 1e-9) << what;
    EXPECT_LE(l.Y + (l.Lines.size() - 1) * l.Leading + 0.3 * l.Size, page.Height - margin + 1e-9)
        << what;
}

TEST(LayoutCaption, EveryCaptionFitsItsPageWithWholeWords) {
    TCaptionFonts fonts(false);
    std::vector<std::u32string> seven;
    for (const std::u32string& line : CaptionParagraphs(Utf8ToCp1252(kSevenLines)))
        for (std::u32string& w : WordsOf(line))
            seven.push_back(std::move(w));
    TShowSettings s; // 2 % / 95 %, 40 points
    // Seven lines at 40 points are taller than a 3 : 1 page: they move up and get smaller,
    // and when wrapping right of the page's middle makes them more, they take the whole line
    // first; words stay whole.
    const TPageSize wide = PhotoPageSize(6000, 2000);
    const TCaptionLayout up = LayoutCaption(Utf8ToCp1252(kSevenLines), wide, s, fonts);
    EXPECT_EQ(up.Lines.size(), 7u);
    EXPECT_NEAR(up.Size, 27.49, 0.01) << "shrunk more or less than needed";
    ExpectInside(up, wide, "moved up");
    s.TextX = 50;
    s.TextY = 50;
    s.FontSize = 80;
    const TCaptionLayout shrunk = LayoutCaption(Utf8ToCp1252(kSevenLines), wide, s, fonts);
    EXPECT_NEAR(shrunk.Size, 27.49, 0.01);
    ExpectInside(shrunk, wide, "shrunk");
    EXPECT_EQ(LaidWords(shrunk), seven) << "a word was cut or lost";
    EXPECT_EQ(LaidWords(up), seven);

    // A word that does not fit right of 80 % moves the block left instead of being cut.
    s.TextX = 80;
    s.TextY = 95;
    s.FontSize = 40;
    const TPageSize page{792, 594};
    const std::string right = "Zeilen werden umbrochen, Fotounterschriften nie";
    const TCaptionLayout moved = LayoutCaption(right, page, s, fonts);
    EXPECT_EQ(LaidWords(moved), WordsOf(CaptionCodePoints(right)));
    EXPECT_LT(moved.X, 0.8 * 792);
    ExpectInside(moved, page, "right");

    // A caption above the page's top moves down into it; any size and place stays inside.
    for (int x : {-50, 0, 50, 100, 1000})
        for (int y : {-50, 0, 50, 100, 1000})
            for (int size : {1, 40, 200, 100000}) {
                s.TextX = x;
                s.TextY = y;
                s.FontSize = size;
                ExpectInside(LayoutCaption(Utf8ToCp1252(kSevenLines), wide, s, fonts), wide,
                             std::to_string(x) + "/" + std::to_string(y) + "/" +
                                 std::to_string(size));
            }
}

// Every glyph's entry in the embedded font's /W array is the advance the font gives it,
// counted from the array's start index (the subset renumbers the glyphs).
TEST(CaptionFonts, CidWidthsInTheFileAreTheFontsAdvances) {
    // Characters of different widths, one word each; "&#N;" for those Windows-1252 lacks.
    const std::string caption = "&#321; \xF3 d &#378; &#945; &#946; &#947; &#1078; q W i m";
    TShowSettings s;
    const TPageSize page = PhotoPageSize(400, 300);
    TCaptionFonts fonts(true);
    if (!fonts.Unicode()) SKIP_OR_FAIL_IN_CI("no installed font");
    LayoutCaption(caption, page, s, fonts); // the same glyphs as the writer's own layout
    struct TShaped {
        int font;
        uint32_t glyph;
        int32_t advance;
    };
    std::vector<TShaped> shaped;
    for (char32_t c : CaptionCodePoints(caption))
        for (const TCaptionRun& run : fonts.Shape(std::u32string(1, c)))
            for (const TCaptionGlyph& g : run.Glyphs)
                shaped.push_back({run.Font, g.Glyph, g.Advance});
    ASSERT_GE(shaped.size(), 12u);
    const std::vector<TEmbeddedFont> embedded = fonts.Embed();
    ASSERT_EQ(embedded.size(), 1u);

    TMemorySink sink;
    const TPhotoPages pages{s, {caption}, {"x"}};
    const TPdfResult r = WritePdfSlideShow(
        sink, false, {1}, 1,
        [](int) -> std::optional<TJpegImage> {
            TJpegImage j;
            j.Width = 400;
            j.Height = 300;
            j.Bytes.assign(8, 0xFF);
            return j;
        },
        &pages);
    ASSERT_TRUE(r.ok);
    const std::string& pdf = sink.Bytes();
    const size_t at = pdf.find("   /W [");
    ASSERT_NE(at, std::string::npos);
    std::istringstream w(pdf.substr(at + 7, pdf.find("]]", at) - at - 7));
    int64_t start = -1;
    char open = 0;
    w >> start >> open;
    ASSERT_EQ(open, '[');
    std::vector<int32_t> widths;
    for (int32_t v; w >> v;)
        widths.push_back(v);
    for (const TShaped& g : shaped) {
        const int64_t index = int64_t(fonts.Code(g.font, g.glyph)) - start;
        ASSERT_TRUE(index >= 0 && index < int64_t(widths.size())) << "glyph " << g.glyph;
        EXPECT_EQ(widths[size_t(index)], g.advance) << "glyph " << g.glyph;
        EXPECT_EQ(embedded[0].Widths[fonts.Code(g.font, g.glyph)], g.advance);
    }
}

// A character beyond U+FFFF maps back to its UTF-16 surrogate pair, so copying the caption
// out of the PDF gives the emoji and not a broken character.
TEST(CaptionFonts, ToUnicodeOfAnEmojiIsItsSurrogatePair) {
    TCaptionFonts fonts(true);
    if (!fonts.Unicode()) SKIP_OR_FAIL_IN_CI("no installed font");
    const std::vector<TCaptionRun> runs = fonts.Shape(U"\U0001F600");
    if (runs.empty()) SKIP_OR_FAIL_IN_CI("no installed font covers U+1F600 (fonts-symbola)");
    ASSERT_EQ(runs[0].Glyphs.size(), 1u);
    const std::vector<TEmbeddedFont> embedded = fonts.Embed();
    ASSERT_GT(embedded.size(), size_t(runs[0].Font));
    char code[8];
    std::snprintf(code, sizeof code, "%04X", fonts.Code(runs[0].Font, runs[0].Glyphs[0].Glyph));
    const std::string& cmap = embedded[size_t(runs[0].Font)].ToUnicode;
    EXPECT_NE(cmap.find("<" + std::string(code) + "> <D83DDE00>\n"), std::string::npos) << cmap;
}

TEST(PhotoPageTiming, FollowsTheShowsTimeLine) {
    TShowSettings s;
    EXPECT_EQ(PhotoPageTiming(s), "/Trans << /S /Fade /D 2 >> /Dur 5");
    s.FadeInOut = false;
    EXPECT_EQ(PhotoPageTiming(s), "/Trans << /S /Fade /D 1 >> /Dur 4");
    s.FadeTime = 1500;
    s.PauseTime = 2500;
    EXPECT_EQ(PhotoPageTiming(s), "/Trans << /S /Fade /D 1.5 >> /Dur 4");
    s.FadeInOut = true;
    s.FadeTime = 1;
    s.PauseTime = 1;
    EXPECT_EQ(PhotoPageTiming(s), "/Trans << /S /Fade /D 0.002 >> /Dur 0.003");
    s.FadeTime = -5;
    EXPECT_EQ(PhotoPageTiming(s), "/Trans << /S /Fade /D 0 >> /Dur 0.001");
}

TEST(PhotoPageContent, PortraitPhotoOnALandscapePageWithCaption) {
    TShowSettings s;
    s.BackColor = 0x00336699; // red 0x99, green 0x66, blue 0x33
    s.TextColor = 0x0000FFFF; // yellow
    s.OutlineColor = 0x00000080;
    s.TextX = 10;
    s.TextY = 80;
    s.FontSize = 24;
    // A German locale must not bring decimal commas into the stream.
    const char* old = std::setlocale(LC_ALL, "de_DE.UTF-8");
    TCaptionFonts fonts(false);
    const TPageSize page{792, 594};
    const TCaptionLayout layout = LayoutCaption("Gr\xFC\xDF"
                                                "e (1)\r\naus Rom",
                                                page, s, fonts);
    fonts.Embed();
    const std::string content = PhotoPageContent(page, 300, 400, layout, fonts, s);
    if (old) std::setlocale(LC_ALL, "C");
    EXPECT_EQ(content, "q\n"
                       "0.6 0.4 0.2 rg\n"
                       "0 0 792 594 re f\n"
                       "445.5 0 0 594 173.25 0 cm\n"
                       "/Im1 Do\n"
                       "Q\n"
                       "q\n"
                       "1 w\n"
                       "1 1 0 rg\n"
                       "0.502 0 0 RG\n"
                       "BT\n"
                       "2 Tr\n"
                       "1 0 0 1 79.2 118.8 Tm\n"
                       "/F1 24 Tf\n"
                       "[(Gr\\374\\337e \\(1\\))] TJ\n"
                       "1 0 0 1 79.2 90 Tm\n"
                       "[(aus Rom)] TJ\n"
                       "ET\n"
                       "Q\n");
}

TEST(PhotoPageContent, WidePhotoIsCentredAndEmptyCaptionDrawsNoText) {
    TCaptionFonts fonts(false);
    const TPageSize page{594, 792};
    const TCaptionLayout layout = LayoutCaption(" \r\n", page, TShowSettings{}, fonts);
    const std::string content = PhotoPageContent(page, 400, 300, layout, fonts, TShowSettings{});
    EXPECT_NE(content.find("594 0 0 445.5 0 173.25 cm\n"), std::string::npos) << content;
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
        options.Words = frontend::DocumentWords();
        const std::string out = (dir_ / name).string();
        last_ = ExportSlideShow(photos, settings, out, options);
        EXPECT_TRUE(last_.ok) << int(last_.code);
        return out;
    }
    TExportResult last_;
};

// The bytes of one object, from its "N 0 obj" line to the next object.
std::string ObjectText(const std::string& pdf, int number) {
    const std::string head = "\r" + std::to_string(number) + " 0 obj\r";
    const size_t at = pdf.find(head);
    if (at == std::string::npos) return {};
    const size_t end = pdf.find("endobj\r", at);
    return pdf.substr(at + 1, (end == std::string::npos ? pdf.size() : end + 7) - at - 1);
}

TEST_F(PhotoPagesFile, PhotoPagesComeFirstInTheirOwnShapeAndShareTheImageObjects) {
    TShowSettings settings;
    const std::string plain = ReadFile(Export(settings, false, "plain.pdf"));
    const std::string paged = ReadFile(Export(settings, true, "paged.pdf"));

    // 19 fixed objects, 2 images, a page and its contents per photo, the end page's box and
    // frame, and the font.
    EXPECT_EQ(CheckXref(plain), 21);
    EXPECT_EQ(CheckXref(paged), 28);
    EXPECT_EQ(CountOf(paged, "/Subtype /Image"), 2u) << "a photo was embedded twice";
    EXPECT_EQ(CountOf(paged, "/DCTDecode"), 2u);

    // The script and the presentation (objects 6 to 19) and the images stay byte for byte;
    // the text page gets words that fit a file that plays, centred on the last photo's shape
    // (portrait, 594 x 792) in the background colour (white: black words).
    auto between = [](const std::string& pdf, const std::string& from, const std::string& to) {
        const size_t a = pdf.find(from), b = pdf.find(to);
        return a == std::string::npos || b == std::string::npos ? std::string()
                                                                : pdf.substr(a, b - a);
    };
    EXPECT_TRUE(between(plain, "\r6 0 obj\r", "\r17 0 obj\r") ==
                between(paged, "\r6 0 obj\r", "\r17 0 obj\r"))
        << "objects 6 to 16 differ";
    EXPECT_TRUE(between(plain, "\r18 0 obj\r", "\rxref\r") ==
                between(paged, "\r18 0 obj\r", "\r22 0 obj\r"))
        << "objects 18 to 21 differ";
    EXPECT_EQ(ObjectText(paged, 4), "4 0 obj\r<< /Type /Page\r   /Parent 3 0 R\r"
                                    "   /MediaBox 26 0 R\r   /Contents [27 0 R 5 0 R]\r"
                                    "   /Resources << /ProcSet 6 0 R\r"
                                    "                 /Font << /F1 7 0 R >>\r              >>\r"
                                    ">>\rendobj\r");
    EXPECT_EQ(ObjectText(paged, 5).substr(ObjectText(paged, 5).find("stream\n")),
              "stream\n    BT\r        /F1 12 Tf\r"
              "        1 0 0 1 -153.396 16 Tm (Diese Datei enth\\212lt zus\\212tzlich eine "
              "animierte Pr\\212sentation) Tj\r"
              "        1 0 0 1 -101.37 -4 Tm (f\\237r Betrachter mit SVG-Unterst\\237tzung.) Tj\r"
              "        1 0 0 1 -173.082 -24 Tm (Die Fotos davor laufen in der "
              "Pr\\212sentationsansicht von selbst ab.) Tj\r    ET\nendstream\rendobj\r");
    EXPECT_EQ(ObjectText(paged, 26), "26 0 obj\r[0 0 594 792]\rendobj\r");
    EXPECT_EQ(ObjectText(paged, 27), "27 0 obj\r<< /Length 64 >>\rstream\n1 1 1 rg\n"
                                     "0 0 594 792 re f\n0 0 0 rg\n1.4586 0 0 1.4586 297 396 cm\n"
                                     "endstream\rendobj\r");
    EXPECT_EQ(ObjectText(paged, 5).find("Adobe"), std::string::npos);
    EXPECT_EQ(ObjectText(paged, 1), "1 0 obj\r<<\r   /Type /Catalog\r   /Outlines 2 0 R\r"
                                    "   /Pages 3 0 R\r   /Names 8 0 R\r   /Version /1.5\r"
                                    "   /OpenAction [22 0 R /Fit]\r>>\rendobj\r");
    EXPECT_EQ(ObjectText(paged, 3), "3 0 obj\r<< /Type /Pages\r   /Kids [22 0 R 24 0 R 4 0 R]\r"
                                    "   /Count 3\r>>\rendobj\r");
    EXPECT_EQ(ObjectText(paged, 28), "28 0 obj\r<< /Type /Font /Subtype /Type1 /BaseFont "
                                     "/Helvetica /Encoding /WinAnsiEncoding >>\rendobj\r");
    EXPECT_NE(ObjectText(paged, 22).find("   /MediaBox [0 0 792 594]\r"), std::string::npos);
    EXPECT_EQ(ObjectText(paged, 24),
              "24 0 obj\r<< /Type /Page\r   /Parent 3 0 R\r   /MediaBox [0 0 594 792]\r"
              "   /Contents 25 0 R\r   /Resources << /ProcSet [/PDF /Text /ImageC]\r"
              "                 /XObject << /Im1 21 0 R >>\r"
              "                 /Font << /F1 28 0 R >>\r              >>\r"
              "   /Trans << /S /Fade /D 2 >> /Dur 5\r>>\rendobj\r");
    const std::string contents = ObjectText(paged, 23);
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
    EXPECT_EQ(CountOf(pdf, "   /Trans << /S /Fade /D 0.5 >> /Dur 2.5\r"), 2u);
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
    if (required_tool::Present("qpdf")) {
        EXPECT_EQ(RunCommand("qpdf --check '" + path + "' >/dev/null 2>&1").first, 0);
    }
}

TEST_F(PhotoPagesFile, ToolsAcceptTheFileAndFindTheText) {
    REQUIRE_TOOLS("qpdf", "pdftotext");
    const std::string path = Export(TShowSettings{}, true, "show.pdf");
    const auto check = RunCommand("qpdf --check '" + path + "' 2>&1");
    EXPECT_EQ(check.first, 0) << check.second;
    EXPECT_EQ(RunCommand("qpdf --show-npages '" + path + "'").second, "3\n");
    // The caption is real text, in the right characters.
    EXPECT_NE(RunCommand("pdftotext -f 1 -l 1 '" + path + "' -").second.find("Grüße aus Rom"),
              std::string::npos);
    EXPECT_NE(RunCommand("pdftotext -f 2 -l 2 '" + path + "' -").second.find("Zweites"),
              std::string::npos);
    EXPECT_NE(RunCommand("pdftotext -f 3 -l 3 '" + path + "' -")
                  .second.find("Die Fotos davor laufen in der Präsentationsansicht"),
              std::string::npos);
}

TEST_F(PhotoPagesFile, RenderedPagesShowPhotoBackgroundAndCaptionInPlace) {
    REQUIRE_TOOLS("pdftoppm");
    TShowSettings settings;
    settings.BackColor = 0x00008000; // green
    settings.TextColor = 0x0000FFFF; // yellow
    settings.OutlineColor = 0x00000000;
    settings.TextX = 50;
    settings.TextY = 50;
    settings.FontSize = 60;
    const std::string path = Export(settings, true, "render.pdf", {"MMMM", "MMMM"});
    const std::string base = (dir_ / "page").string();
    ASSERT_EQ(RunCommand("pdftoppm -r 72 -f 1 -l 3 -png '" + path + "' '" + base + "'").first, 0);
    const TPicture red(base + "-1.png"), blue(base + "-2.png"), end(base + "-3.png");
    ASSERT_FALSE(red.Empty());
    ASSERT_FALSE(blue.Empty());
    ASSERT_FALSE(end.Empty());
    EXPECT_EQ(red.Width(), 792);
    EXPECT_EQ(red.Height(), 594);
    EXPECT_EQ(blue.Width(), 594) << "each page takes its own photo's proportions";
    EXPECT_EQ(blue.Height(), 792);

    const TRgb kRed{255, 0, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0};
    // Each photo fills its page.
    for (auto [x, y] : {std::pair{5, 5}, {786, 5}, {5, 588}, {786, 588}, {200, 150}})
        EXPECT_TRUE(Near(red.At(x, y), kRed, 12)) << x << "," << y << " " << red.At(x, y);
    for (auto [x, y] : {std::pair{5, 5}, {588, 786}, {5, 786}, {588, 5}, {200, 150}})
        EXPECT_TRUE(Near(blue.At(x, y), kBlue, 12)) << x << "," << y << " " << blue.At(x, y);

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
    EXPECT_GT(count(blue, 297, 356, 497, 396, kYellow), 500) << "caption placed on its own page";

    // The end: the last photo's shape on the green background, white words in the middle,
    // as much left of the centre as right of it, and none near the edges.
    EXPECT_EQ(end.Width(), 594);
    EXPECT_EQ(end.Height(), 792);
    const TRgb kGreen{0, 128, 0}, kWhite{255, 255, 255};
    EXPECT_TRUE(Near(end.At(3, 3), kGreen, 8)) << end.At(3, 3);
    EXPECT_TRUE(Near(end.At(590, 788), kGreen, 8));
    const int left = count(end, 0, 300, 297, 492, kWhite),
              right = count(end, 297, 300, 594, 492, kWhite);
    EXPECT_GT(left, 1000) << "words large enough to read";
    EXPECT_NEAR(left, right, (left + right) / 8);
    EXPECT_EQ(count(end, 0, 0, 594, 300, kWhite) + count(end, 0, 492, 594, 792, kWhite) +
                  count(end, 0, 0, 20, 792, kWhite) + count(end, 574, 0, 594, 792, kWhite),
              0);
}

// Long captions on a wide photo and on an extreme panorama, at the default place and at
// 80 points from the page's middle: a viewer finds every word whole and inside the page.
TEST_F(PhotoPagesFile, LongCaptionsStayInsideWidePagesWordForWord) {
    REQUIRE_TOOLS("pdftotext");
    const std::string longLine =
        "Blick vom Gipfel über das ganze Tal bis zu den schneebedeckten "
        "Bergen am Horizont, aufgenommen im Spätsommer kurz vor Sonnenuntergang";
    std::vector<std::string> expected;
    for (const std::string& caption : {std::string(kSevenLines), longLine}) {
        std::istringstream words(caption);
        for (std::string word; words >> word;)
            expected.push_back(word);
    }
    TShowSettings big;
    big.TextX = 50;
    big.TextY = 50;
    big.FontSize = 80;
    for (const TShowSettings& settings : {TShowSettings{}, big}) {
        const std::vector<TExportPhoto> photos = {
            {SolidJpeg("wide.jpg", 600, 200, 0x808080), Utf8ToCp1252(kSevenLines)},
            {SolidJpeg("panorama.jpg", 2000, 100, 0x808080), Utf8ToCp1252(longLine)},
        };
        TShowSettings s = settings;
        s.ShowPDF = false;
        TExportOptions options;
        options.PhotoPages = true;
        options.Words = frontend::DocumentWords();
        const std::string path = (dir_ / "wide.pdf").string();
        ASSERT_TRUE(ExportSlideShow(photos, s, path, options).ok);
        const auto out = RunCommand("pdftotext -bbox -f 1 -l 2 '" + path + "' -");
        ASSERT_EQ(out.first, 0);
        // <page width="792.000000" height="264.000000"> ... <word xMin=".." yMin=".." ...
        std::vector<std::string> found;
        double pageW = 0, pageH = 0;
        std::istringstream lines(out.second);
        for (std::string line; std::getline(lines, line);) {
            double a = 0, b = 0, c = 0, d = 0;
            char word[256] = "";
            if (std::sscanf(line.c_str(), " <page width=\"%lf\" height=\"%lf\"", &a, &b) == 2) {
                pageW = a;
                pageH = b;
                EXPECT_EQ(pageW, 792);
                EXPECT_EQ(pageH, 264) << "a page at least a third as high as wide";
            } else if (std::sscanf(line.c_str(),
                                   " <word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" "
                                   "yMax=\"%lf\">%255[^<]</word>",
                                   &a, &b, &c, &d, word) == 5) {
                found.push_back(word);
                EXPECT_TRUE(a >= 0 && b >= 0 && c <= pageW && d <= pageH)
                    << word << " at " << a << " " << b << " " << c << " " << d;
            }
        }
        EXPECT_EQ(found, expected) << "font size " << settings.FontSize;
    }
}

TEST_F(PhotoPagesFile, CaptionsInAnyScriptAreEmbeddedTextAndUncoveredCharactersReported) {
    REQUIRE_TOOLS("pdftotext", "pdffonts", "qpdf");
    const std::string polish = "Zażółć gęślą jaźń", greek = "Καλημέρα κόσμε",
                      cyrillic = "Съешь же ещё этих мягких французских булок";
    std::vector<TExportPhoto> photos = {
        {SolidJpeg("a.jpg", 400, 300, 0x808080), Utf8ToCp1252(polish)},
        {SolidJpeg("b.jpg", 300, 400, 0x808080), Utf8ToCp1252(greek + " \u0378")},
        {SolidJpeg("c.jpg", 400, 400, 0x808080), Utf8ToCp1252(cyrillic)},
    };
    TShowSettings settings;
    settings.ShowPDF = false;
    TExportOptions options;
    options.PhotoPages = true;
    options.Words = frontend::DocumentWords();
    const std::string path = (dir_ / "unicode.pdf").string();
    const TExportResult r = ExportSlideShow(photos, settings, path, options);
    ASSERT_TRUE(r.ok) << int(r.code);
    EXPECT_EQ(r.missingCharacters, U"\u0378") << "an unassigned character has no font";

    const auto check = RunCommand("qpdf --check '" + path + "' 2>&1");
    EXPECT_EQ(check.first, 0) << check.second;
    // The long Cyrillic caption wraps, so its words come back over two lines.
    std::string text;
    for (const char* page : {"1", "2", "3"}) {
        std::string t =
            RunCommand(std::string("pdftotext -f ") + page + " -l " + page + " '" + path + "' -")
                .second;
        for (char& c : t)
            if (c == '\n') c = ' ';
        text += t;
    }
    for (const std::string& caption : {polish, greek, cyrillic}) {
        std::istringstream words(caption);
        for (std::string word; words >> word;)
            EXPECT_NE(text.find(word), std::string::npos) << word << " missing from: " << text;
    }
    // One embedded subset: name with a six-letter tag, CID TrueType, Identity-H, emb sub uni.
    const std::string fontsOut = RunCommand("pdffonts '" + path + "'").second;
    std::istringstream lines(fontsOut);
    int subsets = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.find("CID TrueType") == std::string::npos) continue;
        ++subsets;
        EXPECT_EQ(line.find('+'), 6u) << line;
        EXPECT_NE(line.find("Identity-H"), std::string::npos) << line;
        EXPECT_NE(line.find("yes yes yes"), std::string::npos) << line;
    }
    EXPECT_EQ(subsets, 1) << fontsOut;
}

} // namespace

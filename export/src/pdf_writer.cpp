// The PDF container writer: an object allocator and one writer per section (skeleton,
// images, photo pages, caption fonts), tied together by WritePdfSlideShow.
#include "lumeno/export/pdf_writer.h"

#include "lumeno/core/dyna_array.h"
#include "lumeno/core/file.h"
#include "lumeno/core/number_text.h"
#include "lumeno/core/text.h"
#include "lumeno/export/caption_text.h"
#include "lumeno/export/document_texts.h"
#include "lumeno/export/output_encoding.h"
#include "lumeno/export/photo_pages.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace lumeno {

namespace {

// Object numbers handed out in file order, and where each object starts. Objects are
// written in ascending order of their numbers, each once, so the offsets are kept in write
// order (element i belongs to object i + 1).
class TPdfObjects {
  public:
    explicit TPdfObjects(TByteSink& sink) : sink_(sink) {}

    // Reserves `count` numbers and returns the first.
    int64_t Reserve(int64_t count) {
        const int64_t first = next_;
        next_ += count;
        return first;
    }
    TByteSink& Sink() { return sink_; }
    // Too large once an offset no longer fits the cross-reference table's ten digits.
    bool TooLarge() const { return tooLarge_; }
    bool Failed() const { return tooLarge_ || sink_.Error() != 0; }

    // "N 0 obj" at the object's recorded offset.
    void Begin(int64_t number) {
        const int64_t position = sink_.Position();
        if (position > static_cast<int64_t>(UINT32_MAX))
            tooLarge_ = true;
        else
            offsets_.Append() = static_cast<uint32_t>(position);
        Line(FormatInteger(number) + " 0 obj");
    }
    void Line(const std::string& s) { sink_.Write(s + "\r"); }
    void LineLF(const std::string& s) { sink_.Write(s + "\n"); }
    // The end of an object that is one dictionary.
    void EndDictionary() {
        Line(">>");
        Line("endobj");
    }

    // The cross-reference table of every object begun, the trailer naming object 1 as the
    // root, and the end of the file; nothing when an offset was too large or a write failed.
    void WriteXrefAndTrailer();

  private:
    TByteSink& sink_;
    TDynaArray<uint32_t> offsets_;
    int64_t next_ = 1;
    bool tooLarge_ = false;
};

std::string Padded10(uint32_t value) {
    std::string s = FormatInteger(value);
    return std::string(10 - s.size(), '0') + s;
}

void TPdfObjects::WriteXrefAndTrailer() {
    const int64_t xref = sink_.Position();
    if (xref > static_cast<int64_t>(UINT32_MAX)) tooLarge_ = true;
    if (Failed()) return;
    const int count = offsets_.Count();
    std::string table;
    table.reserve(static_cast<size_t>(count + 2) * 20 + 64);
    table += "xref\r";
    table += "0 " + FormatInteger(count + 1) + "\r\n";
    table += "0000000000 65535 f\r\n";
    for (int i = 0; i < count; ++i)
        table += Padded10(offsets_[i]) + " 00000 n\r\n";
    sink_.Write(table);
    Line("trailer");
    Line("<< /Size " + FormatInteger(count + 1));
    Line("   /Root 1 0 R");
    Line(">>");
    Line("startxref");
    Line(FormatInteger(xref));
    Line("%%EOF");
}

// UTF-8 text of ASCII and German letters as the inside of a string literal for the text
// page's MacRoman font; any other character becomes "?".
std::string MacRomanLiteral(const std::string& utf8) {
    static const struct {
        const char* utf8;
        const char* octal;
    } kLetters[] = {{"\xC3\xA4", "\\212"}, {"\xC3\xB6", "\\232"}, {"\xC3\xBC", "\\237"},
                    {"\xC3\x84", "\\200"}, {"\xC3\x96", "\\205"}, {"\xC3\x9C", "\\206"},
                    {"\xC3\x9F", "\\247"}};
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            if (c == '(' || c == ')' || c == '\\') out += '\\';
            out += static_cast<char>(c >= 0x20 ? c : '?');
            ++i;
            continue;
        }
        bool found = false;
        for (const auto& l : kLetters)
            if (utf8.compare(i, 2, l.utf8) == 0) {
                out += l.octal;
                i += 2;
                found = true;
                break;
            }
        if (found) continue;
        out += '?';
        for (++i; i < utf8.size() && (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80;)
            ++i;
    }
    return out;
}

// The width of a text page line (UTF-8) in 12-point Helvetica.
double HelveticaLineWidth(const std::string& utf8) {
    int64_t units = 0;
    for (unsigned char c : Utf8ToCp1252(utf8))
        units += HelveticaWidth(c) ? HelveticaWidth(c) : HelveticaWidth('?');
    return static_cast<double>(units) * 12 / 1000;
}

// Object numbers of one file: the 19 skeleton objects, one image per photo, with photo
// pages a page and its contents per photo; the caption fonts take theirs after those.
struct TPdfPlan {
    int PhotoCount = 0;
    bool FullScreen = false;
    const TPhotoPages* Pages = nullptr;
    int64_t FirstImage = 0;
    int64_t FirstPage = 0;
    // With photo pages: the text page's box and its frame (background, colour, placement),
    // written after the photo pages, when the last photo's shape is known. 0 without.
    int64_t EndPage = 0;

    int64_t Image(int k) const { return FirstImage + k - 1; }
    int64_t Page(int k) const { return FirstPage + 2LL * (k - 1); }
};

TPdfPlan PlanObjects(TPdfObjects& objects, bool fullScreen, int photoCount,
                     const TPhotoPages* pages) {
    TPdfPlan plan;
    plan.PhotoCount = photoCount;
    plan.FullScreen = fullScreen;
    plan.Pages = pages;
    objects.Reserve(19);
    plan.FirstImage = objects.Reserve(photoCount);
    plan.FirstPage = objects.Reserve(pages ? 2LL * photoCount : 0);
    if (pages && photoCount > 0) plan.EndPage = objects.Reserve(2);
    return plan;
}

// Objects 1 to 4: the catalog, the outlines, the page tree and the text page.
void WriteCatalogAndPageTree(TPdfObjects& o, const TPdfPlan& plan) {
    const int n = plan.PhotoCount;
    o.Begin(1);
    o.Line("<<");
    o.Line("   /Type /Catalog");
    o.Line("   /Outlines 2 0 R");
    o.Line("   /Pages 3 0 R");
    o.Line("   /Names 8 0 R");
    if (plan.Pages) {
        o.Line("   /Version /1.5");
        if (plan.FullScreen) o.Line("   /PageMode /FullScreen");
        if (n > 0) o.Line("   /OpenAction [" + FormatInteger(plan.Page(1)) + " 0 R /Fit]");
    }
    o.EndDictionary();

    o.Begin(2);
    o.Line("<< /Type /Outlines");
    o.Line("   /Count 0");
    o.EndDictionary();

    o.Begin(3);
    o.Line("<< /Type /Pages");
    if (plan.Pages && n > 0) {
        // The photos come first, so a viewer that opens at the first page starts the show.
        std::string kids = "   /Kids [";
        for (int k = 1; k <= n; ++k)
            kids += FormatInteger(plan.Page(k)) + " 0 R ";
        o.Line(kids + "4 0 R]");
        o.Line("   /Count " + FormatInteger(n + 1LL));
    } else {
        o.Line("   /Kids [4 0 R]");
        o.Line("   /Count 1");
    }
    o.EndDictionary();

    o.Begin(4);
    o.Line("<< /Type /Page");
    o.Line("   /Parent 3 0 R");
    if (plan.EndPage) {
        // The end of the show: the last photo's shape and the show's background, its words
        // centred (object 5 draws them around the origin; the frame places them).
        o.Line("   /MediaBox " + FormatInteger(plan.EndPage) + " 0 R");
        o.Line("   /Contents [" + FormatInteger(plan.EndPage + 1) + " 0 R 5 0 R]");
        o.Line("   " + EndPageTransition(plan.Pages->Settings));
    } else {
        o.Line("   /MediaBox [0 0 612 792]");
        o.Line("   /Contents 5 0 R");
    }
    o.Line("   /Resources << /ProcSet 6 0 R");
    o.Line("                 /Font << /F1 7 0 R >>");
    o.Line("              >>");
    o.EndDictionary();
}

// Objects 5 to 7: the text page's content, its procedure set and its font. Returns the
// content's length (object 17).
int64_t WriteTextPage(TPdfObjects& o, const TPdfPlan& plan) {
    o.Begin(5);
    o.Line("<< /Length 17 0 R >>");
    o.LineLF("stream");
    const int64_t start = o.Sink().Position();
    o.Line("    BT");
    o.Line("        /F1 12 Tf");
    const std::vector<std::string> lines =
        plan.Pages ? plan.Pages->TextPageLines : DefaultTextPageLines();
    if (plan.EndPage) {
        // Each line centred on x = 0, the block on y = 0.
        const double top = (static_cast<double>(lines.size()) - 1) * 10 - 4;
        for (size_t i = 0; i < lines.size(); ++i)
            o.Line("        1 0 0 1 " + PdfNumber(-HelveticaLineWidth(lines[i]) / 2) + " " +
                   PdfNumber(top - 20.0 * static_cast<double>(i)) + " Tm (" +
                   MacRomanLiteral(lines[i]) + ") Tj");
    } else {
        o.Line("        36 720 Td");
        for (size_t i = 0; i < lines.size(); ++i) {
            if (i > 0) o.Line("        0 -20 Td");
            o.Line("        (" + (plan.Pages ? MacRomanLiteral(lines[i]) : lines[i]) + ") Tj");
        }
    }
    o.LineLF("    ET");
    const int64_t length = o.Sink().Position() - start;
    o.Line("endstream");
    o.Line("endobj");

    o.Begin(6);
    o.Line("    [/PDF /Text]");
    o.Line("endobj");

    o.Begin(7);
    o.Line("<<  /Type /Font");
    o.Line("    /Subtype /Type1");
    o.Line("    /Name /F1");
    o.Line("    /BaseFont /Helvetica");
    o.Line("    /Encoding /MacRomanEncoding");
    o.EndDictionary();
    return length;
}

// Objects 8 to 10: the name dictionary and the on-load script that starts the presentation.
// Returns the script's length (object 18).
int64_t WriteStartScript(TPdfObjects& o, const TPdfPlan& plan) {
    o.Begin(8);
    o.Line("<<");
    o.Line("    /AlternatePresentations 11 0 R");
    o.Line("    /JavaScript 9 0 R");
    o.EndDictionary();

    o.Begin(9);
    o.Line("<<");
    o.Line("    /Names [ (OnLoadJavaScript)<< /S /JavaScript /JS 10 0 R >> ]");
    o.EndDictionary();

    o.Begin(10);
    o.Line("<<  /Length 18 0 R >>");
    o.LineLF("stream");
    const int64_t start = o.Sink().Position();
    o.Line("if (alternatePresentations['MySVGFile.svg'] != null ) {");
    o.Line(plan.FullScreen ? "    app.fs.isFullScreen = true;"
                           : "    app.fs.isFullScreen = false;");
    o.Line("    alternatePresentations['MySVGFile.svg'].start(null);");
    o.LineLF("}");
    const int64_t length = o.Sink().Position() - start;
    o.Line("endstream");
    o.Line("endobj");
    return length;
}

// Objects 11 to 16: the alternate presentation, its resource name tree and the compressed
// SVG as embedded file. Returns the embedded stream's length (object 19).
int64_t WritePresentation(TPdfObjects& o, const TPdfPlan& plan,
                          const std::vector<uint8_t>& compressedSvg) {
    o.Begin(11);
    o.Line("<<");
    o.Line("    /Names [ (MySVGFile.svg)12 0 R ]");
    o.EndDictionary();

    o.Begin(12);
    o.Line("<<");
    o.Line("    /Type /SlideShow");
    o.Line("    /Subtype /Embedded");
    o.Line("    /Resources 13 0 R");
    o.Line("    /StartResource (MySVGFile.svg)");
    o.EndDictionary();

    o.Begin(13);
    o.Line("<<");
    std::string names = "    /Names [ (MySVGFile.svg) 14 0 R ";
    names.reserve(names.size() + static_cast<size_t>(plan.PhotoCount) * 24);
    for (int k = 1; k <= plan.PhotoCount; ++k)
        names += "(" + ImageResourceName(k) + ") " + FormatInteger(plan.Image(k)) + " 0 R ";
    names += "]";
    o.Line(names);
    o.EndDictionary();

    o.Begin(14);
    o.Line("<<");
    o.Line("    /Type /FileSpec");
    o.Line("    /F (MySVGFile.svg)");
    o.Line("    /EF 15 0 R");
    o.EndDictionary();

    o.Begin(15);
    o.Line("<<");
    o.Line("    /F 16 0 R");
    o.EndDictionary();

    o.Begin(16);
    o.Line("<<");
    o.Line("    /Length 19 0 R");
    o.Line("    /Type /EmbeddedFile");
    o.Line("    /Subtype /image#2Fsvg+xml");
    o.Line("    /Filter /FlateDecode");
    o.Line(">>");
    o.LineLF("stream");
    const int64_t start = o.Sink().Position();
    o.Sink().Write(compressedSvg.data(), compressedSvg.size());
    o.Sink().Write("\n", 1);
    const int64_t length = o.Sink().Position() - start;
    o.Line("endstream");
    o.Line("endobj");
    return length;
}

// Objects 1 to 19, the same in every file but for the photo count, the photo pages' entries
// and full screen.
void WriteSkeleton(TPdfObjects& o, const TPdfPlan& plan,
                   const std::vector<uint8_t>& compressedSvg) {
    o.Line("%PDF-1.4");
    o.Line("%\xE2\xE3\xCF\xD3");
    WriteCatalogAndPageTree(o, plan);
    const int64_t pageLength = WriteTextPage(o, plan);
    const int64_t scriptLength = WriteStartScript(o, plan);
    const int64_t svgLength = WritePresentation(o, plan, compressedSvg);
    for (auto [number, length] :
         {std::pair{17, pageLength}, std::pair{18, scriptLength}, std::pair{19, svgLength}}) {
        o.Begin(number);
        o.Line(FormatInteger(length));
        o.Line("endobj");
    }
}

// An ICC profile stream some images name as their colour space.
struct TIccObject {
    std::vector<uint8_t> Profile;
    int64_t Number = 0;
    bool Grey = false;
};

// The colour space entry of an image; a profile gets its object number here (numbers follow
// those of the photo pages, the objects are written after them).
std::string ColourSpaceOf(TPdfObjects& o, const TJpegImage& jpeg, std::vector<TIccObject>& icc) {
    if (jpeg.Profile.empty()) return jpeg.Grey ? "/DeviceGray" : "/DeviceRGB";
    auto found = std::find_if(icc.begin(), icc.end(), [&](const TIccObject& p) {
        return p.Grey == jpeg.Grey && p.Profile == jpeg.Profile;
    });
    if (found == icc.end()) {
        icc.push_back(TIccObject{jpeg.Profile, o.Reserve(1), jpeg.Grey});
        found = icc.end() - 1;
    }
    return "[/ICCBased " + FormatInteger(found->Number) + " 0 R]";
}

// A stream object's dictionary and data, zlib-compressed unless zlib fails.
void WriteCompressedStream(TPdfObjects& o, const std::string& data, const std::string& extra);

void WriteIccProfiles(TPdfObjects& o, const std::vector<TIccObject>& icc) {
    for (const TIccObject& p : icc) {
        o.Begin(p.Number);
        WriteCompressedStream(o, std::string(p.Profile.begin(), p.Profile.end()),
                              p.Grey ? " /N 1 /Alternate /DeviceGray"
                                     : " /N 3 /Alternate /DeviceRGB");
    }
}

// A photo's stored size and how its pages turn it.
struct TPlacedPhoto {
    int32_t Width = 0, Height = 0;
    int32_t Orientation = 1;
    TPageSize Page() const {
        return TurnsByAQuarter(Orientation) ? PhotoPageSize(Height, Width)
                                            : PhotoPageSize(Width, Height);
    }
};

// One image object per photo, asked from `source` one at a time; `sizes` gets each photo's
// stored size and orientation. False when the source stopped the export; stops early (true) on a
// failed write or a file grown too large.
bool WriteImages(TPdfObjects& o, const TPdfPlan& plan, const TPhotoSource& source,
                 std::vector<TPlacedPhoto>& sizes, std::vector<TIccObject>& icc) {
    for (int k = 1; k <= plan.PhotoCount && !o.Failed(); ++k) {
        std::optional<TJpegImage> jpeg = source(k);
        if (!jpeg) return false;
        o.Begin(plan.Image(k));
        o.Line("<< /Type /XObject /Subtype /Image /Width " + FormatInteger(jpeg->Width) +
               " /Height " + FormatInteger(jpeg->Height) + " /BitsPerComponent 8 /ColorSpace " +
               ColourSpaceOf(o, *jpeg, icc) + " /Length " +
               FormatInteger(static_cast<int64_t>(jpeg->Bytes.size())) + " /Filter /DCTDecode >>");
        o.LineLF("stream");
        o.Sink().Write(jpeg->Bytes.data(), jpeg->Bytes.size());
        o.Line("endstream");
        o.Line("endobj");
        sizes.push_back({jpeg->Width, jpeg->Height, jpeg->Orientation});
    }
    return true;
}

// A stream object's dictionary and data, zlib-compressed unless zlib fails.
void WriteCompressedStream(TPdfObjects& o, const std::string& data, const std::string& extra) {
    std::vector<uint8_t> packed;
    const bool compressed = ZlibCompress(data, packed);
    o.Line("<< /Length " +
           FormatInteger(static_cast<int64_t>(compressed ? packed.size() : data.size())) + extra +
           (compressed ? " /Filter /FlateDecode" : "") + " >>");
    o.LineLF("stream");
    if (compressed)
        o.Sink().Write(packed.data(), packed.size());
    else
        o.Sink().Write(data);
    o.LineLF("");
    o.Line("endstream");
    o.Line("endobj");
}

// The caption fonts from `first` on: one standard Helvetica, or per embedded font five
// objects (Type0 font, CID font with its widths, descriptor, font program, ToUnicode map).
void WriteCaptionFonts(TPdfObjects& o, const TCaptionFonts& fonts,
                       const std::vector<TEmbeddedFont>& embedded, int64_t first) {
    if (!fonts.Unicode()) {
        o.Begin(first);
        o.Line("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica "
               "/Encoding /WinAnsiEncoding >>");
        o.Line("endobj");
    }
    int64_t number = first;
    for (const TEmbeddedFont& font : embedded) {
        o.Begin(number);
        o.Line("<< /Type /Font /Subtype /Type0 /BaseFont /" + font.BaseFont +
               " /Encoding /Identity-H /DescendantFonts [" + FormatInteger(number + 1) +
               " 0 R] /ToUnicode " + FormatInteger(number + 4) + " 0 R >>");
        o.Line("endobj");
        o.Begin(number + 1);
        std::string widths = "/W [0 [";
        for (size_t g = 0; g < font.Widths.size(); ++g)
            widths += (g % 16 == 15 ? "\r" : g ? " " : "") + FormatInteger(font.Widths[g]);
        widths += "]]";
        o.Line("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + font.BaseFont);
        o.Line("   /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>");
        o.Line("   /FontDescriptor " + FormatInteger(number + 2) + " 0 R /CIDToGIDMap /Identity");
        o.Line("   " + widths);
        o.Line(">>");
        o.Line("endobj");
        o.Begin(number + 2);
        o.Line("<< /Type /FontDescriptor /FontName /" + font.BaseFont + " /Flags 32 /FontBBox [" +
               FormatInteger(font.BBox[0]) + " " + FormatInteger(font.BBox[1]) + " " +
               FormatInteger(font.BBox[2]) + " " + FormatInteger(font.BBox[3]) +
               "] /ItalicAngle 0 /Ascent " + FormatInteger(font.Ascent) + " /Descent " +
               FormatInteger(font.Descent) + " /CapHeight " + FormatInteger(font.CapHeight) +
               " /StemV 80 /FontFile2 " + FormatInteger(number + 3) + " 0 R >>");
        o.Line("endobj");
        o.Begin(number + 3);
        WriteCompressedStream(o, std::string(font.Program.begin(), font.Program.end()),
                              " /Length1 " +
                                  FormatInteger(static_cast<int64_t>(font.Program.size())));
        o.Begin(number + 4);
        WriteCompressedStream(o, font.ToUnicode, "");
        number += 5;
    }
}

// One photo page and its content stream.
void WritePhotoPage(TPdfObjects& o, const TPdfPlan& plan, int k, const TPlacedPhoto& photo,
                    const TCaptionLayout& layout, const TCaptionFonts& fonts,
                    const std::string& fontList, const std::string& timing) {
    const TPageSize size = photo.Page();
    o.Begin(plan.Page(k));
    o.Line("<< /Type /Page");
    o.Line("   /Parent 3 0 R");
    o.Line("   /MediaBox [0 0 " + FormatInteger(size.Width) + " " + FormatInteger(size.Height) +
           "]");
    o.Line("   /Contents " + FormatInteger(plan.Page(k) + 1) + " 0 R");
    o.Line("   /Resources << /ProcSet [/PDF /Text /ImageC]");
    o.Line("                 /XObject << /Im1 " + FormatInteger(plan.Image(k)) + " 0 R >>");
    o.Line(fontList);
    o.Line("              >>");
    o.Line("   " + timing);
    o.EndDictionary();
    const std::string content = PhotoPageContent(size, photo.Width, photo.Height, layout, fonts,
                                                 plan.Pages->Settings, photo.Orientation);
    o.Begin(plan.Page(k) + 1);
    o.Line("<< /Length " + FormatInteger(static_cast<int64_t>(content.size())) + " >>");
    o.LineLF("stream");
    o.Sink().Write(content);
    o.Line("endstream");
    o.Line("endobj");
}

// The text page's box (the last photo's page) and its frame: the background colour, and the
// words of object 5 centred at a size that fills most of the width, in black or white,
// whichever stands out from the background.
void WriteEndPage(TPdfObjects& o, const TPdfPlan& plan, const TPlacedPhoto& last) {
    const TPageSize page = last.Page();
    const TShowSettings& s = plan.Pages->Settings;
    o.Begin(plan.EndPage);
    o.Line("[0 0 " + FormatInteger(page.Width) + " " + FormatInteger(page.Height) + "]");
    o.Line("endobj");

    double widest = 1;
    for (const std::string& line : plan.Pages->TextPageLines)
        widest = std::max(widest, HelveticaLineWidth(line));
    const double block = 20.0 * static_cast<double>(plan.Pages->TextPageLines.size()) + 4;
    const double scale =
        std::min({2.0, 0.85 * page.Width / widest, 0.8 * page.Height / std::max(block, 1.0)});
    const int red = s.BackColor & 0xFF, green = (s.BackColor >> 8) & 0xFF,
              blue = (s.BackColor >> 16) & 0xFF;
    const bool darkBackground = 299 * red + 587 * green + 114 * blue < 128000;
    auto channel = [](int v) { return PdfNumber(v / 255.0); };
    const std::string frame = channel(red) + " " + channel(green) + " " + channel(blue) +
                              " rg\n0 0 " + FormatInteger(page.Width) + " " +
                              FormatInteger(page.Height) + " re f\n" +
                              (darkBackground ? "1 1 1 rg\n" : "0 0 0 rg\n") + PdfNumber(scale) +
                              " 0 0 " + PdfNumber(scale) + " " + PdfNumber(page.Width / 2.0) + " " +
                              PdfNumber(page.Height / 2.0) + " cm\n";
    o.Begin(plan.EndPage + 1);
    o.Line("<< /Length " + FormatInteger(static_cast<int64_t>(frame.size())) + " >>");
    o.LineLF("stream");
    o.Sink().Write(frame);
    o.Line("endstream");
    o.Line("endobj");
}

// The photo pages and then their fonts. Returns the caption characters no font covers.
std::u32string WritePhotoPages(TPdfObjects& o, const TPdfPlan& plan,
                               const std::vector<TPlacedPhoto>& sizes,
                               const std::vector<TIccObject>& icc) {
    const TPhotoPages& pages = *plan.Pages;
    // Every caption is laid out before the first page is written: the fonts' subsets must
    // hold the glyphs of all pages.
    TCaptionFonts fonts(NeedsUnicodeFont(pages.Captions));
    std::vector<TCaptionLayout> layouts;
    for (size_t i = 0; i < sizes.size(); ++i)
        layouts.push_back(
            LayoutCaption(i < pages.Captions.size() ? pages.Captions[i] : std::string(),
                          sizes[i].Page(), pages.Settings, fonts));
    const std::vector<TEmbeddedFont> embedded = fonts.Embed();
    const int64_t firstFont =
        o.Reserve(fonts.Unicode() ? 5LL * static_cast<int64_t>(embedded.size()) : 1);
    std::string fontList = "                 /Font <<";
    for (int i = 0; i < fonts.FontCount(); ++i)
        fontList += " /F" + FormatInteger(i + 1) + " " +
                    FormatInteger(firstFont + (fonts.Unicode() ? 5LL * i : 0)) + " 0 R";
    fontList += " >>";

    const std::string first = PhotoPageTiming(pages.Settings, true);
    const std::string timing = PhotoPageTiming(pages.Settings);
    for (int k = 1; k <= plan.PhotoCount; ++k) {
        WritePhotoPage(o, plan, k, sizes[static_cast<size_t>(k - 1)],
                       layouts[static_cast<size_t>(k - 1)], fonts, fontList,
                       k == 1 ? first : timing);
    }
    WriteEndPage(o, plan, sizes.back());
    WriteIccProfiles(o, icc);
    WriteCaptionFonts(o, fonts, embedded, firstFont);
    return fonts.Missing();
}

} // namespace

TPdfResult WritePdfSlideShow(TByteSink& sink, bool fullScreen,
                             const std::vector<uint8_t>& compressedSvg, int photoCount,
                             const TPhotoSource& source, const TPhotoPages* pages) {
    TPdfResult result;
    TPdfObjects objects(sink);
    const TPdfPlan plan = PlanObjects(objects, fullScreen, photoCount, pages);
    WriteSkeleton(objects, plan, compressedSvg);
    std::vector<TPlacedPhoto> sizes;
    std::vector<TIccObject> icc;
    if (!WriteImages(objects, plan, source, sizes, icc)) {
        sink.Finish();
        result.code = TPdfCode::kStopped;
        return result;
    }
    if (pages && photoCount > 0 && static_cast<int>(sizes.size()) == photoCount)
        result.missing = WritePhotoPages(objects, plan, sizes, icc);
    else
        WriteIccProfiles(objects, icc);
    objects.WriteXrefAndTrailer();
    const int error = sink.Finish();
    if (objects.TooLarge()) {
        result.code = TPdfCode::kFileTooLarge;
    } else if (error) {
        result.code = TPdfCode::kWriteError;
        result.detail = error;
    } else {
        result.ok = true;
    }
    return result;
}

TPdfResult WritePdfSlideShow(const std::string& path, bool fullScreen,
                             const std::vector<uint8_t>& compressedSvg, int photoCount,
                             const TPhotoSource& source, const TPhotoPages* pages) {
    TPdfResult result;
    errno = 0;
    TFile file = OpenFile(path, TFileMode::kWrite);
    if (!file) {
        result.code = TPdfCode::kCannotCreate;
        result.detail = errno ? errno : EIO;
        return result;
    }
    // The sink buffers itself; the stream passes every block straight on.
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    TFileSink sink(file);
    result = WritePdfSlideShow(sink, fullScreen, compressedSvg, photoCount, source, pages);
    const int closed = file.Close();
    if (result.ok && closed) {
        result.ok = false;
        result.code = TPdfCode::kWriteError;
        result.detail = closed;
    }
    return result;
}

} // namespace lumeno

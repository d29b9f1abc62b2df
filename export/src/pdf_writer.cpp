// The PDF container writer.
#include "lumeno/export/pdf_writer.h"

#include "lumeno/core/dyna_array.h"
#include "lumeno/core/file.h"
#include "lumeno/core/number_text.h"
#include "lumeno/export/caption_text.h"
#include "lumeno/export/document_texts.h"
#include "lumeno/export/photo_pages.h"
#include "lumeno/export/svg_document.h"

#include <cerrno>
#include <cstring>

namespace lumeno {

namespace {

// The output file: raw bytes appended through a buffer; the position is the count of bytes
// handed to Write, so offsets are exact whatever the buffering. The first failing write is
// remembered and every later write is skipped.
class TPdfFile {
  public:
    bool Open(const std::string& path) {
        errno = 0;
        file_ = OpenFile(path, TFileMode::kWrite);
        if (!file_) {
            error_ = errno ? errno : EIO;
            return false;
        }
        // The writer buffers itself; the stream passes every block straight on.
        std::setvbuf(file_.get(), nullptr, _IONBF, 0);
        return true;
    }
    int64_t Position() const { return position_; }
    int Error() const { return error_; }

    void Write(const void* data, size_t size) {
        position_ += static_cast<int64_t>(size);
        if (error_) return;
        const char* p = static_cast<const char*>(data);
        if (buffer_.size() + size <= kBufferSize) {
            buffer_.insert(buffer_.end(), p, p + size);
            return;
        }
        Flush();
        if (size >= kBufferSize)
            WriteAll(p, size);
        else
            buffer_.insert(buffer_.end(), p, p + size);
    }
    void Write(const std::string& s) { Write(s.data(), s.size()); }
    void WriteLineCR(const std::string& s) { Write(s + "\r"); }
    void WriteLineLF(const std::string& s) { Write(s + "\n"); }
    void WriteLineCRLF(const std::string& s) { Write(s + "\r\n"); }

    // Flushes and closes; false (Error() set) when a write or the close failed.
    bool Close() {
        Flush();
        const int closed = file_.Close();
        if (!error_) error_ = closed;
        return error_ == 0;
    }

  private:
    static constexpr size_t kBufferSize = 1 << 16;

    void Flush() {
        if (!error_ && !buffer_.empty()) WriteAll(buffer_.data(), buffer_.size());
        buffer_.clear();
    }
    void WriteAll(const char* p, size_t size) {
        if (!error_) error_ = file_.Write(p, size);
    }

    TFile file_;
    int error_ = 0;
    int64_t position_ = 0;
    std::vector<char> buffer_;
};

// Offsets of the objects in write order; element i belongs to object i + 1.
class TOffsetTable {
  public:
    // False when the offset no longer fits the 4-byte table.
    bool Add(int64_t position) {
        if (position > static_cast<int64_t>(UINT32_MAX)) return false;
        table_.Append() = static_cast<uint32_t>(position);
        return true;
    }
    int Count() const { return table_.Count(); }
    uint32_t operator[](int i) const { return table_[i]; }

  private:
    TDynaArray<uint32_t> table_;
};

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

std::string Padded10(uint32_t value) {
    std::string s = FormatInteger(value);
    return std::string(10 - s.size(), '0') + s;
}

} // namespace

TPdfResult WritePdfSlideShow(const std::string& path, bool fullScreen,
                             const std::vector<uint8_t>& compressedSvg, int photoCount,
                             const TPhotoSource& source, const TPhotoPages* pages) {
    TPdfResult result;
    TPdfFile f;
    if (!f.Open(path)) {
        result.code = TPdfCode::kCannotCreate;
        result.detail = f.Error();
        return result;
    }
    TOffsetTable offsets;
    bool tooLarge = false;
    auto obj = [&](int number) {
        if (!offsets.Add(f.Position())) tooLarge = true;
        f.WriteLineCR(FormatInteger(number) + " 0 obj");
    };
    auto end = [&] {
        f.WriteLineCR(">>");
        f.WriteLineCR("endobj");
    };

    f.WriteLineCR("%PDF-1.4");
    f.WriteLineCR("%\xE2\xE3\xCF\xD3");

    obj(1);
    f.WriteLineCR("<<");
    f.WriteLineCR("   /Type /Catalog");
    f.WriteLineCR("   /Outlines 2 0 R");
    f.WriteLineCR("   /Pages 3 0 R");
    f.WriteLineCR("   /Names 8 0 R");
    // Photo pages: after the images a page and its contents each, then the caption fonts.
    auto photoPage = [&](int k) { return 20LL + photoCount + 2LL * (k - 1); };
    const int64_t pagesFont = 20LL + 3LL * photoCount;
    if (pages) {
        f.WriteLineCR("   /Version /1.5");
        if (fullScreen) f.WriteLineCR("   /PageMode /FullScreen");
        if (photoCount > 0)
            f.WriteLineCR("   /OpenAction [" + FormatInteger(photoPage(1)) + " 0 R /Fit]");
    }
    end();

    obj(2);
    f.WriteLineCR("<< /Type /Outlines");
    f.WriteLineCR("   /Count 0");
    end();

    obj(3);
    f.WriteLineCR("<< /Type /Pages");
    if (pages && photoCount > 0) {
        // The photos come first, so a viewer that opens at the first page starts the show.
        std::string kids = "   /Kids [";
        for (int k = 1; k <= photoCount; ++k)
            kids += FormatInteger(photoPage(k)) + " 0 R ";
        f.WriteLineCR(kids + "4 0 R]");
        f.WriteLineCR("   /Count " + FormatInteger(photoCount + 1LL));
    } else {
        f.WriteLineCR("   /Kids [4 0 R]");
        f.WriteLineCR("   /Count 1");
    }
    end();

    obj(4);
    f.WriteLineCR("<< /Type /Page");
    f.WriteLineCR("   /Parent 3 0 R");
    f.WriteLineCR("   /MediaBox [0 0 612 792]");
    f.WriteLineCR("   /Contents 5 0 R");
    f.WriteLineCR("   /Resources << /ProcSet 6 0 R");
    f.WriteLineCR("                 /Font << /F1 7 0 R >>");
    f.WriteLineCR("              >>");
    end();

    obj(5);
    f.WriteLineCR("<< /Length 17 0 R >>");
    f.WriteLineLF("stream");
    int64_t start = f.Position();
    f.WriteLineCR("    BT");
    f.WriteLineCR("        /F1 12 Tf");
    f.WriteLineCR("        36 720 Td");
    {
        const std::vector<std::string> lines =
            pages ? pages->TextPageLines : DefaultTextPageLines();
        for (size_t i = 0; i < lines.size(); ++i) {
            if (i > 0) f.WriteLineCR("        0 -20 Td");
            f.WriteLineCR("        (" + (pages ? MacRomanLiteral(lines[i]) : lines[i]) + ") Tj");
        }
    }
    f.WriteLineLF("    ET");
    const int64_t pageLength = f.Position() - start;
    f.WriteLineCR("endstream");
    f.WriteLineCR("endobj");

    obj(6);
    f.WriteLineCR("    [/PDF /Text]");
    f.WriteLineCR("endobj");

    obj(7);
    f.WriteLineCR("<<  /Type /Font");
    f.WriteLineCR("    /Subtype /Type1");
    f.WriteLineCR("    /Name /F1");
    f.WriteLineCR("    /BaseFont /Helvetica");
    f.WriteLineCR("    /Encoding /MacRomanEncoding");
    end();

    obj(8);
    f.WriteLineCR("<<");
    f.WriteLineCR("    /AlternatePresentations 11 0 R");
    f.WriteLineCR("    /JavaScript 9 0 R");
    end();

    obj(9);
    f.WriteLineCR("<<");
    f.WriteLineCR("    /Names [ (OnLoadJavaScript)<< /S /JavaScript /JS 10 0 R >> ]");
    end();

    obj(10);
    f.WriteLineCR("<<  /Length 18 0 R >>");
    f.WriteLineLF("stream");
    start = f.Position();
    f.WriteLineCR("if (alternatePresentations['MySVGFile.svg'] != null ) {");
    f.WriteLineCR(fullScreen ? "    app.fs.isFullScreen = true;"
                             : "    app.fs.isFullScreen = false;");
    f.WriteLineCR("    alternatePresentations['MySVGFile.svg'].start(null);");
    f.WriteLineLF("}");
    const int64_t scriptLength = f.Position() - start;
    f.WriteLineCR("endstream");
    f.WriteLineCR("endobj");

    obj(11);
    f.WriteLineCR("<<");
    f.WriteLineCR("    /Names [ (MySVGFile.svg)12 0 R ]");
    end();

    obj(12);
    f.WriteLineCR("<<");
    f.WriteLineCR("    /Type /SlideShow");
    f.WriteLineCR("    /Subtype /Embedded");
    f.WriteLineCR("    /Resources 13 0 R");
    f.WriteLineCR("    /StartResource (MySVGFile.svg)");
    end();

    obj(13);
    f.WriteLineCR("<<");
    {
        std::string names = "    /Names [ (MySVGFile.svg) 14 0 R ";
        names.reserve(names.size() + static_cast<size_t>(photoCount) * 24);
        for (int k = 1; k <= photoCount; ++k)
            names += "(" + ImageResourceName(k) + ") " + FormatInteger(19LL + k) + " 0 R ";
        names += "]";
        f.WriteLineCR(names);
    }
    end();

    obj(14);
    f.WriteLineCR("<<");
    f.WriteLineCR("    /Type /FileSpec");
    f.WriteLineCR("    /F (MySVGFile.svg)");
    f.WriteLineCR("    /EF 15 0 R");
    end();

    obj(15);
    f.WriteLineCR("<<");
    f.WriteLineCR("    /F 16 0 R");
    end();

    obj(16);
    f.WriteLineCR("<<");
    f.WriteLineCR("    /Length 19 0 R");
    f.WriteLineCR("    /Type /EmbeddedFile");
    f.WriteLineCR("    /Subtype /image#2Fsvg+xml");
    f.WriteLineCR("    /Filter /FlateDecode");
    f.WriteLineCR(">>");
    f.WriteLineLF("stream");
    start = f.Position();
    f.Write(compressedSvg.data(), compressedSvg.size());
    f.Write("\n", 1);
    const int64_t svgLength = f.Position() - start;
    f.WriteLineCR("endstream");
    f.WriteLineCR("endobj");

    for (auto [number, length] :
         {std::pair{17, pageLength}, std::pair{18, scriptLength}, std::pair{19, svgLength}}) {
        obj(number);
        f.WriteLineCR(FormatInteger(length));
        f.WriteLineCR("endobj");
    }

    std::vector<std::pair<int32_t, int32_t>> photoSizes;
    for (int k = 1; k <= photoCount && !f.Error() && !tooLarge; ++k) {
        std::optional<TJpegImage> jpeg = source(k);
        if (!jpeg) {
            f.Close();
            result.code = TPdfCode::kStopped;
            return result;
        }
        obj(19 + k);
        f.WriteLineCR(
            "<< /Type /XObject /Subtype /Image /Width " + FormatInteger(jpeg->Width) + " /Height " +
            FormatInteger(jpeg->Height) + " /BitsPerComponent 8 /ColorSpace " +
            (jpeg->Grey ? "/DeviceGray" : "/DeviceRGB") + " /Length " +
            FormatInteger(static_cast<int64_t>(jpeg->Bytes.size())) + " /Filter /DCTDecode >>");
        f.WriteLineLF("stream");
        f.Write(jpeg->Bytes.data(), jpeg->Bytes.size());
        f.WriteLineCR("endstream");
        f.WriteLineCR("endobj");
        if (pages) photoSizes.emplace_back(jpeg->Width, jpeg->Height);
    }

    if (pages && photoCount > 0 && static_cast<int>(photoSizes.size()) == photoCount) {
        // Every caption is laid out before the first page is written: the fonts' subsets
        // must hold the glyphs of all pages.
        TCaptionFonts fonts(NeedsUnicodeFont(pages->Captions));
        std::vector<TCaptionLayout> layouts;
        for (int k = 1; k <= photoCount; ++k) {
            const size_t index = static_cast<size_t>(k - 1);
            const auto [w, h] = photoSizes[index];
            layouts.push_back(LayoutCaption(index < pages->Captions.size() ? pages->Captions[index]
                                                                           : std::string(),
                                            PhotoPageSize(w, h), pages->Settings, fonts));
        }
        const std::vector<TEmbeddedFont> embedded = fonts.Embed();
        result.missing = fonts.Missing();
        std::string fontList = "                 /Font <<";
        for (int i = 0; i < fonts.FontCount(); ++i)
            fontList += " /F" + FormatInteger(i + 1) + " " +
                        FormatInteger(pagesFont + (fonts.Unicode() ? 5LL * i : 0)) + " 0 R";
        fontList += " >>";

        const std::string timing = PhotoPageTiming(pages->Settings);
        for (int k = 1; k <= photoCount; ++k) {
            const auto [w, h] = photoSizes[static_cast<size_t>(k - 1)];
            const TPageSize size = PhotoPageSize(w, h);
            obj(static_cast<int>(photoPage(k)));
            f.WriteLineCR("<< /Type /Page");
            f.WriteLineCR("   /Parent 3 0 R");
            f.WriteLineCR("   /MediaBox [0 0 " + FormatInteger(size.Width) + " " +
                          FormatInteger(size.Height) + "]");
            f.WriteLineCR("   /Contents " + FormatInteger(photoPage(k) + 1) + " 0 R");
            f.WriteLineCR("   /Resources << /ProcSet [/PDF /Text /ImageC]");
            f.WriteLineCR("                 /XObject << /Im1 " + FormatInteger(19LL + k) +
                          " 0 R >>");
            f.WriteLineCR(fontList);
            f.WriteLineCR("              >>");
            f.WriteLineCR("   " + timing);
            end();
            const std::string content = PhotoPageContent(
                size, w, h, layouts[static_cast<size_t>(k - 1)], fonts, pages->Settings);
            obj(static_cast<int>(photoPage(k) + 1));
            f.WriteLineCR("<< /Length " + FormatInteger(static_cast<int64_t>(content.size())) +
                          " >>");
            f.WriteLineLF("stream");
            f.Write(content);
            f.WriteLineCR("endstream");
            f.WriteLineCR("endobj");
        }
        if (!fonts.Unicode()) {
            obj(static_cast<int>(pagesFont));
            f.WriteLineCR("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica "
                          "/Encoding /WinAnsiEncoding >>");
            f.WriteLineCR("endobj");
        }
        int64_t number = pagesFont;
        auto stream = [&](const std::string& data, const std::string& extra) {
            std::vector<uint8_t> packed;
            const bool compressed = CompressSvg(data, packed);
            f.WriteLineCR(
                "<< /Length " +
                FormatInteger(static_cast<int64_t>(compressed ? packed.size() : data.size())) +
                extra + (compressed ? " /Filter /FlateDecode" : "") + " >>");
            f.WriteLineLF("stream");
            if (compressed)
                f.Write(packed.data(), packed.size());
            else
                f.Write(data);
            f.WriteLineLF("");
            f.WriteLineCR("endstream");
            f.WriteLineCR("endobj");
        };
        for (const TEmbeddedFont& font : embedded) {
            const std::string n = FormatInteger(number);
            obj(static_cast<int>(number));
            f.WriteLineCR("<< /Type /Font /Subtype /Type0 /BaseFont /" + font.BaseFont +
                          " /Encoding /Identity-H /DescendantFonts [" + FormatInteger(number + 1) +
                          " 0 R] /ToUnicode " + FormatInteger(number + 4) + " 0 R >>");
            f.WriteLineCR("endobj");
            obj(static_cast<int>(number + 1));
            std::string widths = "/W [0 [";
            for (size_t g = 0; g < font.Widths.size(); ++g)
                widths += (g % 16 == 15 ? "\r" : g ? " " : "") + FormatInteger(font.Widths[g]);
            widths += "]]";
            f.WriteLineCR("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + font.BaseFont);
            f.WriteLineCR("   /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) "
                          "/Supplement 0 >>");
            f.WriteLineCR("   /FontDescriptor " + FormatInteger(number + 2) +
                          " 0 R /CIDToGIDMap /Identity");
            f.WriteLineCR("   " + widths);
            f.WriteLineCR(">>");
            f.WriteLineCR("endobj");
            obj(static_cast<int>(number + 2));
            f.WriteLineCR("<< /Type /FontDescriptor /FontName /" + font.BaseFont +
                          " /Flags 32 /FontBBox [" + FormatInteger(font.BBox[0]) + " " +
                          FormatInteger(font.BBox[1]) + " " + FormatInteger(font.BBox[2]) + " " +
                          FormatInteger(font.BBox[3]) + "] /ItalicAngle 0 /Ascent " +
                          FormatInteger(font.Ascent) + " /Descent " + FormatInteger(font.Descent) +
                          " /CapHeight " + FormatInteger(font.CapHeight) +
                          " /StemV 80 /FontFile2 " + FormatInteger(number + 3) + " 0 R >>");
            f.WriteLineCR("endobj");
            obj(static_cast<int>(number + 3));
            stream(std::string(font.Program.begin(), font.Program.end()),
                   " /Length1 " + FormatInteger(static_cast<int64_t>(font.Program.size())));
            obj(static_cast<int>(number + 4));
            stream(font.ToUnicode, "");
            number += 5;
        }
    }

    const int64_t xref = f.Position();
    if (xref > static_cast<int64_t>(UINT32_MAX)) tooLarge = true;
    if (!tooLarge && !f.Error()) {
        std::string table;
        table.reserve(static_cast<size_t>(offsets.Count() + 2) * 20 + 64);
        table += "xref\r";
        table += "0 " + FormatInteger(offsets.Count() + 1) + "\r\n";
        table += "0000000000 65535 f\r\n";
        for (int i = 0; i < offsets.Count(); ++i)
            table += Padded10(offsets[i]) + " 00000 n\r\n";
        f.Write(table);
        f.WriteLineCR("trailer");
        f.WriteLineCR("<< /Size " + FormatInteger(offsets.Count() + 1));
        f.WriteLineCR("   /Root 1 0 R");
        f.WriteLineCR(">>");
        f.WriteLineCR("startxref");
        f.WriteLineCR(FormatInteger(xref));
        f.WriteLineCR("%%EOF");
    }
    const bool closed = f.Close();
    if (tooLarge) {
        result.code = TPdfCode::kFileTooLarge;
    } else if (!closed) {
        result.code = TPdfCode::kWriteError;
        result.detail = f.Error();
    } else {
        result.ok = true;
    }
    return result;
}

} // namespace lumeno

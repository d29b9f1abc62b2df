#pragma once
// Captions as real text on the photo pages, in the HTML show and the video: the caption's
// characters, its lines (a line break starts a new line; a line wider than the page wraps at
// word boundaries inside the page's margins) and the glyphs that draw them.
//
// Fonts: when every caption character fits Windows-1252, the captions use the standard
// Helvetica face with WinAnsiEncoding, which a PDF need not embed. Otherwise each character
// takes the first installed font that covers it ("DejaVu Sans" first), the text is shaped
// with HarfBuzz (combining marks, right-to-left scripts) and every font used is embedded as
// a subset (CIDFontType2, Identity-H, with a ToUnicode map). A character no installed font
// covers is drawn as nothing and reported in Missing().
#include "lumeno/export/photo_pages.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lumeno {

// The standard Helvetica face's width of a Windows-1252 byte, in thousandths of an em; 0
// for a control character or a byte the encoding leaves undefined.
int32_t HelveticaWidth(uint32_t byte);

// The caption's characters: its Windows-1252 bytes and the "&#N;" references of characters
// Windows-1252 cannot hold, as the caption editor shows them.
std::u32string CaptionCodePoints(const std::string& cp1252);

// The caption's lines as typed: CR LF, CR or LF ends a line; tabs and runs of spaces become
// one space, blanks at both ends of a line go, control characters go; empty lines at the
// start and end go (empty lines between stay).
std::vector<std::u32string> CaptionParagraphs(const std::string& cp1252);

// True when a caption holds a character Windows-1252 cannot hold.
bool NeedsUnicodeFont(const std::vector<std::string>& captions);

// One glyph; distances in thousandths of the font size.
struct TCaptionGlyph {
    uint32_t Glyph = 0; // the font's glyph id (Helvetica: the Windows-1252 byte)
    int32_t Advance = 0;
    int32_t XOffset = 0;
    int32_t YOffset = 0;
};

struct TCaptionRun {
    int Font = 0; // index into the caption fonts
    std::vector<TCaptionGlyph> Glyphs;
};

struct TCaptionLine {
    std::u32string Text;           // the line's characters in reading order
    std::vector<TCaptionRun> Runs; // in drawing order, left to right
    double Width = 0;              // points
};

// A caption placed on a page: the first baseline at X, Y points from the page's top left
// corner, each further line Leading points lower.
struct TCaptionLayout {
    double X = 0;
    double Y = 0;
    double Size = 0;
    double Leading = 0;
    std::vector<TCaptionLine> Lines;
};

// One embedded font as the PDF needs it (Unicode mode only).
struct TEmbeddedFont {
    std::string BaseFont;           // "ABCDEF+DejaVuSans": subset tag and PostScript name
    std::vector<uint8_t> Program;   // the subset TrueType file
    std::vector<int32_t> Widths;    // per new glyph id, thousandths of an em
    int32_t BBox[4] = {0, 0, 0, 0}; // thousandths of an em
    int32_t Ascent = 0, Descent = 0, CapHeight = 0;
    std::string ToUnicode; // the CMap program
};

class TCaptionFonts {
  public:
    // unicode false: Helvetica/WinAnsi only. true: installed fonts; when none is found,
    // Helvetica/WinAnsi after all (Unicode() tells).
    explicit TCaptionFonts(bool unicode);
    ~TCaptionFonts();
    TCaptionFonts(const TCaptionFonts&) = delete;
    TCaptionFonts& operator=(const TCaptionFonts&) = delete;

    bool Unicode() const;
    int FontCount() const;

    // Shapes one line. Characters no font covers are left out and remembered.
    std::vector<TCaptionRun> Shape(const std::u32string& text);

    // Characters no installed font covers, ascending, each once.
    std::u32string Missing() const;

    // Call once after every caption is laid out: subsets the fonts (Unicode mode). Empty in
    // Helvetica mode.
    std::vector<TEmbeddedFont> Embed();
    // The code a content stream writes for a glyph: the subset's glyph id after Embed, the
    // byte in Helvetica mode.
    uint32_t Code(int font, uint32_t glyph) const;
    // The width the PDF font gives that glyph (its /Widths or /W entry).
    int32_t PdfWidth(int font, uint32_t glyph) const;
    // The file and face index font `font` was loaded from, for drawing its glyph ids with
    // another library (Unicode mode); an empty path in Helvetica mode.
    std::string FontPath(int font) const;
    int FontFaceIndex(int font) const;

  private:
    struct TImpl;
    std::unique_ptr<TImpl> impl_;
};

// Lays the caption out on a page (or frame) of `page` size: the first baseline at TextX /
// TextY percent of the page, FontSize points, lines 1.2 times the size apart. The whole
// caption stays inside margins of 2 % of the page's long side: lines wrap at word boundaries
// where they would run past the right margin (a word is cut only when it alone is wider than
// the line between the margins), a block that would run past the right or bottom margin
// moves left or up, and a caption taller than the page at that size gets the largest size
// at which its lines fit. No lines for an empty caption or a font size below 1.
TCaptionLayout LayoutCaption(const std::string& caption, const TPageSize& page,
                             const TShowSettings& settings, TCaptionFonts& fonts);

} // namespace lumeno

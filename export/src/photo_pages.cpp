// Photo pages of the PDF: page size, caption string, timing and content stream.
#include "lumeno/export/photo_pages.h"

#include "lumeno/core/number_text.h"
#include "lumeno/export/caption_text.h"
#include "lumeno/export/output_encoding.h"
#include "lumeno/export/show_timeline.h"

#include <algorithm>
#include <cmath>

namespace lumeno {

TPageSize PhotoPageSize(int32_t photoWidth, int32_t photoHeight) {
    TPageSize page;
    if (photoWidth <= 0 || photoHeight <= 0) return page;
    const double w = photoWidth, h = photoHeight;
    const int shortSide =
        std::max(264, static_cast<int>(std::lround(792.0 * std::min(w, h) / std::max(w, h))));
    page.Width = w >= h ? 792 : shortSide;
    page.Height = w >= h ? shortSide : 792;
    return page;
}

namespace {

std::string RgbOperands(uint32_t colour) {
    return PdfNumber(((colour >> 0) & 0xFF) / 255.0) + " " +
           PdfNumber(((colour >> 8) & 0xFF) / 255.0) + " " +
           PdfNumber(((colour >> 16) & 0xFF) / 255.0);
}

} // namespace

std::string PhotoPageTiming(const TShowSettings& s) {
    const ShowTimeline timeline(s, 0);
    // Viewers start counting /Dur at different moments: some when the transition has
    // finished, others when it starts. Counting the transition into /Dur keeps each photo
    // fully visible for at least the pause in both; where the count starts after the
    // transition, the photo simply stays a little longer.
    return "/Trans << /S /Fade /D " + FormatSeconds(timeline.Transition()) + " >> /Dur " +
           FormatSeconds(timeline.Step());
}

namespace {

// The inside of a PDF string for one Helvetica byte or a CID font's two-byte code.
void AppendCode(std::string& out, uint32_t code, bool twoBytes) {
    static const char kHex[] = "0123456789ABCDEF";
    if (twoBytes) {
        for (int shift = 12; shift >= 0; shift -= 4)
            out += kHex[(code >> shift) & 0xF];
        return;
    }
    const unsigned char c = static_cast<unsigned char>(code);
    if (c == '(' || c == ')' || c == '\\') {
        out += '\\';
        out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
        out += '\\';
        out += static_cast<char>('0' + (c >> 6));
        out += static_cast<char>('0' + ((c >> 3) & 7));
        out += static_cast<char>('0' + (c & 7));
    } else {
        out += static_cast<char>(c);
    }
}

// The text operators that draw the caption's lines.
std::string CaptionText(const TPageSize& page, const TCaptionLayout& layout,
                        const TCaptionFonts& fonts) {
    const bool cid = fonts.Unicode();
    const char open = cid ? '<' : '(', close = cid ? '>' : ')';
    const std::string size = PdfNumber(layout.Size);
    std::string out;
    int font = -1;
    int32_t rise = 0;
    for (size_t i = 0; i < layout.Lines.size(); ++i) {
        const TCaptionLine& line = layout.Lines[i];
        if (line.Runs.empty()) continue;
        out += "1 0 0 1 " + PdfNumber(layout.X) + " " +
               PdfNumber(page.Height - layout.Y - static_cast<double>(i) * layout.Leading) +
               " Tm\n";
        int64_t pen = 0, at = 0; // thousandths of the size: where the glyph goes, where PDF is
        std::string array;
        bool inString = false;
        auto flush = [&] {
            if (inString) array += close;
            inString = false;
            if (!array.empty()) out += "[" + array + "] TJ\n";
            array.clear();
        };
        for (const TCaptionRun& run : line.Runs) {
            if (run.Font != font) {
                flush();
                font = run.Font;
                out += "/F" + FormatInteger(font + 1) + " " + size + " Tf\n";
            }
            for (const TCaptionGlyph& g : run.Glyphs) {
                if (g.YOffset != rise) {
                    flush();
                    rise = g.YOffset;
                    out += PdfNumber(rise * layout.Size / 1000.0) + " Ts\n";
                }
                const int64_t target = pen + g.XOffset;
                if (target != at) {
                    if (inString) array += close;
                    inString = false;
                    array += " " + FormatInteger(at - target) + " ";
                }
                if (!inString) array += open;
                inString = true;
                AppendCode(array, fonts.Code(run.Font, g.Glyph), cid);
                at = target + fonts.PdfWidth(run.Font, g.Glyph);
                pen += g.Advance;
            }
        }
        flush();
    }
    if (rise != 0) out += "0 Ts\n";
    return out;
}

} // namespace

std::string PhotoPageContent(const TPageSize& page, int32_t photoWidth, int32_t photoHeight,
                             const TCaptionLayout& caption, const TCaptionFonts& fonts,
                             const TShowSettings& s, int32_t orientation) {
    const double pw = page.Width, ph = page.Height;
    std::string out;
    out += "q\n";
    out += RgbOperands(s.BackColor) + " rg\n";
    out += "0 0 " + FormatInteger(page.Width) + " " + FormatInteger(page.Height) + " re f\n";
    if (photoWidth > 0 && photoHeight > 0) {
        const bool quarter = TurnsByAQuarter(orientation);
        const double uprightWidth = quarter ? photoHeight : photoWidth;
        const double uprightHeight = quarter ? photoWidth : photoHeight;
        const double scale = std::min(pw / uprightWidth, ph / uprightHeight);
        const double w = uprightWidth * scale, h = uprightHeight * scale;
        const double left = (pw - w) / 2, bottom = (ph - h) / 2;
        if (orientation < 2 || orientation > 8) {
            out += PdfNumber(w) + " 0 0 " + PdfNumber(h) + " " + PdfNumber(left) + " " +
                   PdfNumber(bottom) + " cm\n";
        } else {
            // Where the image's unit square goes: x = a u + c v + e, y = b u + d v + f, with
            // v = 1 at the stored picture's first row.
            static const int kTurn[9][6] = {
                {1, 0, 0, 1, 0, 0},   {1, 0, 0, 1, 0, 0},  {-1, 0, 0, 1, 1, 0},
                {-1, 0, 0, -1, 1, 1}, {1, 0, 0, -1, 0, 1}, {0, -1, -1, 0, 1, 1},
                {0, -1, 1, 0, 0, 1},  {0, 1, 1, 0, 0, 0},  {0, 1, -1, 0, 1, 0}};
            const int* m = kTurn[orientation];
            out += PdfNumber(m[0] * w) + " " + PdfNumber(m[1] * h) + " " + PdfNumber(m[2] * w) +
                   " " + PdfNumber(m[3] * h) + " " + PdfNumber(m[4] * w + left) + " " +
                   PdfNumber(m[5] * h + bottom) + " cm\n";
        }
        out += "/Im1 Do\n";
    }
    out += "Q\n";
    const std::string text = CaptionText(page, caption, fonts);
    if (!text.empty()) {
        out += "q\n";
        out += "1 w\n";
        out += RgbOperands(s.TextColor) + " rg\n";
        out += RgbOperands(s.OutlineColor) + " RG\n";
        out += "BT\n";
        out += "2 Tr\n";
        out += text;
        out += "ET\n";
        out += "Q\n";
    }
    return out;
}

std::string UprightMatrixYDown(int32_t orientation, double w, double h) {
    // Stored column c and row r (y down) land at X = a c + c' r + e, Y = b c + d r + f.
    struct TMatrix {
        int a, b, c, d;
        double e, f;
    };
    TMatrix m{1, 0, 0, 1, 0, 0};
    switch (orientation) {
    case 2:
        m = {-1, 0, 0, 1, w, 0};
        break;
    case 3:
        m = {-1, 0, 0, -1, w, h};
        break;
    case 4:
        m = {1, 0, 0, -1, 0, h};
        break;
    case 5:
        m = {0, 1, 1, 0, 0, 0};
        break;
    case 6:
        m = {0, 1, -1, 0, h, 0};
        break;
    case 7:
        m = {0, -1, -1, 0, h, w};
        break;
    case 8:
        m = {0, -1, 1, 0, 0, w};
        break;
    default:
        break;
    }
    return FormatInteger(m.a) + " " + FormatInteger(m.b) + " " + FormatInteger(m.c) + " " +
           FormatInteger(m.d) + " " + PdfNumber(m.e) + " " + PdfNumber(m.f);
}

} // namespace lumeno

// Photo pages of the PDF: page size, caption string, timing and content stream.
#include "lumeno/export/photo_pages.h"

#include "lumeno/core/text.h"
#include "lumeno/export/svg_document.h"

#include <algorithm>
#include <cmath>

namespace lumeno {

TPageSize PhotoPageSize(int32_t photoWidth, int32_t photoHeight) {
    TPageSize page;
    if (photoWidth <= 0 || photoHeight <= 0) return page;
    const double w = photoWidth, h = photoHeight;
    if (w >= h) {
        page.Width = 792;
        page.Height = std::max(3, static_cast<int>(std::lround(792.0 * h / w)));
    } else {
        page.Height = 792;
        page.Width = std::max(3, static_cast<int>(std::lround(792.0 * w / h)));
    }
    return page;
}

std::string PdfNumber(double value) {
    if (!std::isfinite(value)) return "0";
    return FormatSeconds(std::round(value * 10000.0) / 10000.0);
}

namespace {

// Length of a "&#N;" decimal reference at pos and its code point; 0 when there is none.
size_t DecimalReference(const std::string& s, size_t pos, char32_t& cp) {
    if (pos + 3 >= s.size() || s[pos] != '&' || s[pos + 1] != '#') return 0;
    size_t i = pos + 2;
    uint32_t value = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - pos < 10) {
        value = value * 10 + static_cast<uint32_t>(s[i] - '0');
        ++i;
    }
    if (i == pos + 2 || i >= s.size() || s[i] != ';') return 0;
    cp = value;
    return i + 1 - pos;
}

bool IsUndefinedInCp1252(unsigned char c) {
    return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

std::string RgbOperands(uint32_t colour) {
    return PdfNumber(((colour >> 0) & 0xFF) / 255.0) + " " +
           PdfNumber(((colour >> 8) & 0xFF) / 255.0) + " " +
           PdfNumber(((colour >> 16) & 0xFF) / 255.0);
}

} // namespace

std::string PdfCaptionString(const std::string& text) {
    // First the caption's characters as Windows-1252 bytes, blanks run together.
    std::string plain;
    bool pendingBlank = false;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        char32_t cp = 0;
        if (c == '&') {
            if (size_t len = DecimalReference(text, i, cp)) {
                const int byte = CodePointToCp1252(cp);
                c = byte >= 0x20 ? static_cast<unsigned char>(byte) : '?';
                i += len - 1;
            }
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            pendingBlank = !plain.empty();
            continue;
        }
        if (c < 0x20 || c == 0x7F || IsUndefinedInCp1252(c)) continue;
        if (pendingBlank) plain += ' ';
        pendingBlank = false;
        plain += static_cast<char>(c);
    }
    std::string out = "(";
    for (unsigned char c : plain) {
        if (c == '(' || c == ')' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            const char octal[] = {'\\', static_cast<char>('0' + (c >> 6)),
                                  static_cast<char>('0' + ((c >> 3) & 7)),
                                  static_cast<char>('0' + (c & 7))};
            out.append(octal, 4);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + ")";
}

std::string PhotoPageTiming(const TShowSettings& s) {
    const double fade = std::max(0, s.FadeTime) / 1000.0;
    const double pause = std::max(0, s.PauseTime) / 1000.0;
    const double transition = s.FadeInOut ? 2 * fade : fade;
    return "/Trans << /S /Fade /D " + FormatSeconds(transition) + " >> /Dur " +
           FormatSeconds(pause);
}

std::string PhotoPageContent(const TPageSize& page, int32_t photoWidth, int32_t photoHeight,
                             const std::string& caption, const TShowSettings& s) {
    const double pw = page.Width, ph = page.Height;
    std::string out;
    out += "q\n";
    out += RgbOperands(s.BackColor) + " rg\n";
    out += "0 0 " + FormatInteger(page.Width) + " " + FormatInteger(page.Height) + " re f\n";
    if (photoWidth > 0 && photoHeight > 0) {
        const double scale = std::min(pw / photoWidth, ph / photoHeight);
        const double w = photoWidth * scale, h = photoHeight * scale;
        out += PdfNumber(w) + " 0 0 " + PdfNumber(h) + " 0 " + PdfNumber(ph - h) + " cm\n";
        out += "/Im1 Do\n";
    }
    out += "Q\n";
    const std::string text = PdfCaptionString(caption);
    if (text != "()") {
        out += "q\n";
        out += "1 w\n";
        out += RgbOperands(s.TextColor) + " rg\n";
        out += RgbOperands(s.OutlineColor) + " RG\n";
        out += "BT\n";
        out += "/F1 " + FormatInteger(s.FontSize) + " Tf\n";
        out += "2 Tr\n";
        out +=
            PdfNumber(pw * s.TextX / 100.0) + " " + PdfNumber(ph - ph * s.TextY / 100.0) + " Td\n";
        out += text + " Tj\n";
        out += "ET\n";
        out += "Q\n";
    }
    return out;
}

} // namespace lumeno

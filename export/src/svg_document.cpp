// The SVG presentation document.
#include "lumeno/export/svg_document.h"

#include "lumeno/core/number_text.h"
#include "lumeno/core/text.h"
#include "lumeno/export/output_encoding.h"
#include "lumeno/export/photo_pages.h"
#include "lumeno/export/resource_names.h"
#include "lumeno/export/show_timeline.h"

namespace lumeno {

namespace {

const char* const kCrLf = "\r\n";

void Line(std::string& out, const std::string& text) {
    out += text;
    out += kCrLf;
}

// The code points XML 1.0 allows in a document.
bool IsXmlChar(uint32_t cp) {
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
           (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
}

// Length of a well-formed numeric character reference "&#N;" or "&#xH;" starting at pos,
// whose character XML allows; 0 when there is none.
size_t NumericReferenceLength(const std::string& s, size_t pos) {
    if (pos + 3 >= s.size() || s[pos] != '&' || s[pos + 1] != '#') return 0;
    size_t i = pos + 2;
    bool hex = false;
    if (s[i] == 'x') {
        hex = true;
        ++i;
    }
    size_t digitsStart = i;
    uint64_t value = 0;
    while (i < s.size() && i - digitsStart < 8) {
        char c = s[i];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            break;
        value = value * (hex ? 16 : 10) + d;
        ++i;
    }
    if (i == digitsStart || i >= s.size() || s[i] != ';') return 0;
    if (!IsXmlChar(static_cast<uint32_t>(value))) return 0;
    return i + 1 - pos;
}

} // namespace

std::string EscapeCaption(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else if (c == '&') {
            size_t len = NumericReferenceLength(text, i);
            if (len > 0) {
                out.append(text, i, len);
                i += len - 1;
            } else {
                out += "&amp;";
            }
        } else if (c < 0x20) {
            if (c == '\t' || c == '\n' || c == '\r') out += static_cast<char>(c);
            // every other control character is not allowed in XML and is dropped
        } else if (c >= 0x80 && c <= 0x9F) {
            // In Windows-1252 these bytes are the euro sign, quotes, dashes... which
            // ISO-8859-1 (the declared encoding) holds as control characters.
            out += "&#" + FormatInteger(Cp1252ToCodePoint(c)) + ";";
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string BuildSvgDocument(const std::vector<std::string>& captions,
                             const TShowSettings& settings, const std::vector<TSvgTurn>& turns) {
    std::string out;
    out.reserve(1024 + captions.size() * 1100);
    Line(out, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" standalone=\"no\"?>");
    Line(out, "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 20010904//EN\"");
    Line(out, "    \"http://www.w3.org/TR/2001/REC-SVG-20010904/DTD/svg10.dtd\">");
    Line(out, "<svg xmlns=\"http://www.w3.org/2000/svg\"");
    Line(out, "     xmlns:xlink=\"http://www.w3.org/1999/xlink\">");
    Line(out, "<rect x=\"0\" y=\"0\" width=\"100%\" height=\"100%\" fill=\"#" +
                  ColourHex(settings.BackColor) + "\" stroke=\"none\" stroke-width=\"0\" />");

    const ShowTimeline timeline(settings, static_cast<int>(captions.size()));
    const std::string d = FormatSeconds(timeline.PresentationFade());
    const std::string v = FormatSeconds(timeline.PresentationVisible());
    const std::string textLine =
        "<text x=\"" + FormatInteger(settings.TextX) + "%\" y=\"" + FormatInteger(settings.TextY) +
        "%\" font-family=\"Verdana\" font-size=\"" + FormatInteger(settings.FontSize) +
        "\" opacity=\"0.0\" visibility=\"hidden\" fill=\"#" + ColourHex(settings.TextColor) +
        "\" stroke=\"#" + ColourHex(settings.OutlineColor) + "\">";
    const std::vector<ShowTimeline::TPresentationTimes> times = timeline.PresentationTimes();
    for (size_t i = 0; i < captions.size(); ++i) {
        const std::string tin = FormatSeconds(times[i].FadeInBegin);
        const std::string tout = FormatSeconds(times[i].FadeOutBegin);
        const std::string fadeIn = "<animate attributeName=\"opacity\" attributeType=\"CSS\" "
                                   "from=\"0.0\" to=\"1.0\" begin=\"" +
                                   tin + "s\" dur=\"" + d + "s\" fill=\"freeze\" />";
        const std::string fadeOut = "<animate attributeName=\"opacity\" attributeType=\"CSS\" "
                                    "from=\"1.0\" to=\"0.0\" begin=\"" +
                                    tout + "s\" dur=\"" + d + "s\" fill=\"freeze\" />";
        const std::string visible = "<set attributeName=\"visibility\" attributeType=\"CSS\" "
                                    "to=\"visible\" begin=\"" +
                                    tin + "s\" dur=\"" + v + "s\" fill=\"freeze\" />";
        const TSvgTurn turn = i < turns.size() ? turns[i] : TSvgTurn{};
        const bool turned =
            turn.Orientation >= 2 && turn.Orientation <= 8 && turn.Width > 0 && turn.Height > 0;
        if (!turned) {
            Line(out, "<image x=\"0\" y=\"0\" width=\"100%\" height=\"100%\"");
            Line(out, "xlink:href=\"" + ImageResourceName(static_cast<int>(i) + 1) +
                          "\" preserveAspectRatio=\"xMinYMin meet\" opacity=\"0.0\" "
                          "visibility=\"hidden\">");
        } else {
            // The frame has the upright proportions and sits where the picture would; the
            // picture keeps its stored data and is turned inside it.
            const bool quarter = TurnsByAQuarter(turn.Orientation);
            const std::string w = FormatInteger(turn.Width), h = FormatInteger(turn.Height);
            Line(out, "<svg x=\"0\" y=\"0\" width=\"100%\" height=\"100%\" viewBox=\"0 0 " +
                          (quarter ? h + " " + w : w + " " + h) +
                          "\" preserveAspectRatio=\"xMinYMin meet\">");
            Line(out, "<image x=\"0\" y=\"0\" width=\"" + w + "\" height=\"" + h +
                          "\" transform=\"matrix(" +
                          UprightMatrixYDown(turn.Orientation, turn.Width, turn.Height) + ")\"");
            Line(out, "xlink:href=\"" + ImageResourceName(static_cast<int>(i) + 1) +
                          "\" preserveAspectRatio=\"none\" opacity=\"0.0\" "
                          "visibility=\"hidden\">");
        }
        Line(out, fadeIn);
        Line(out, fadeOut);
        Line(out, visible);
        Line(out, "</image>");
        if (turned) Line(out, "</svg>");
        Line(out, textLine);
        Line(out, EscapeCaption(captions[i]));
        Line(out, fadeIn);
        Line(out, fadeOut);
        Line(out, visible);
        Line(out, "</text>");
    }
    Line(out, "");
    Line(out, "</svg>");
    return out;
}

} // namespace lumeno

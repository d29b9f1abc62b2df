// The HTML slide show: one inline SVG, each photo letterboxed with its caption.
#include "lumeno/export/html_show.h"

#include "lumeno/core/file.h"
#include "lumeno/core/number_text.h"
#include "lumeno/export/caption_text.h"
#include "lumeno/export/document_texts.h"
#include "lumeno/export/output_encoding.h"
#include "lumeno/export/photo_pages.h"
#include "lumeno/export/show_timeline.h"
#include "lumeno/export/svg_document.h"

#include <algorithm>
#include <cmath>

#include <cerrno>

namespace lumeno {

std::string Base64(const uint8_t* data, size_t size) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((size + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= size; i += 3) {
        const uint32_t v = (uint32_t(data[i]) << 16) | (uint32_t(data[i + 1]) << 8) | data[i + 2];
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (size - i == 1) {
        const uint32_t v = uint32_t(data[i]) << 16;
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += "==";
    } else if (size - i == 2) {
        const uint32_t v = (uint32_t(data[i]) << 16) | (uint32_t(data[i + 1]) << 8);
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

std::string HtmlShowHead(const TShowSettings& settings, const std::string& language,
                         const std::string& title) {
    const std::string bg = "#" + ColourHex(settings.BackColor);
    return std::string("<!DOCTYPE html>\r\n"
                       "<html lang=\"") +
           language +
           "\">\r\n"
           "<head>\r\n"
           "<meta charset=\"windows-1252\">\r\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\r\n"
           "<title>" +
           EscapeCaption(title) +
           "</title>\r\n"
           "<style>\r\n"
           "html, body { margin: 0; padding: 0; width: 100%; height: 100%; overflow: hidden; "
           "background: " +
           bg +
           "; }\r\n"
           "body > svg { display: block; width: 100%; height: 100%; }\r\n"
           "</style>\r\n"
           "</head>\r\n"
           "<body>\r\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" "
           "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"100%\" height=\"100%\">\r\n"
           "<rect x=\"0\" y=\"0\" width=\"100%\" height=\"100%\" fill=\"" +
           bg + "\" />\r\n";
}

std::string HtmlShowTail() {
    return "</svg>\r\n</body>\r\n</html>\r\n";
}

namespace {

std::string Fraction(double v) {
    return FormatSeconds(std::round(std::clamp(v, 0.0, 1.0) * 1e6) / 1e6);
}

// Caption text as character data: markup characters escaped, everything beyond ASCII as a
// numeric reference, so the page's encoding does not matter.
std::string EscapeLine(const std::u32string& text) {
    std::string out;
    for (char32_t c : text) {
        if (c == U'<')
            out += "&lt;";
        else if (c == U'>')
            out += "&gt;";
        else if (c == U'&')
            out += "&amp;";
        else if (c >= 0x20 && c < 0x7F)
            out += static_cast<char>(c);
        else if (c >= 0xA0 && c != 0xFFFE && c != 0xFFFF && !(c >= 0xD800 && c <= 0xDFFF))
            out += "&#" + FormatInteger(c) + ";";
    }
    return out;
}

} // namespace

std::string HtmlPhotoAnimation(int k, int n, const TShowSettings& settings, bool loop) {
    const ShowTimeline timeline(settings, n);
    // An animation needs a positive duration, also for a show without fade and pause.
    const double total = std::max(0.001, timeline.Length());
    ShowTimeline::TPhotoTimes t = timeline.Photo(k);
    // A cross-fade lays the next photo over this one while it stays fully visible, so no
    // background shows through halfway; this one goes when the next one covers it. The last
    // photo fades out to the background, as with fade in and out.
    if (!timeline.FadeInOut() && k < n) t.FadeOutStart = t.FadeOutEnd;
    const std::string times =
        "0;" + Fraction(t.FadeInStart / total) + ";" + Fraction(t.FullStart / total) + ";" +
        Fraction(t.FadeOutStart / total) + ";" + Fraction(t.FadeOutEnd / total) + ";1";
    return "<animate attributeName=\"opacity\" values=\"0;0;1;1;0;0\" keyTimes=\"" + times +
           "\" dur=\"" + FormatSeconds(total) + "s\" " +
           (loop ? "repeatCount=\"indefinite\"" : "fill=\"freeze\"") + " />";
}

std::pair<std::string, std::string> HtmlShowPhoto(int k, int n, const TPageSize& page,
                                                  const TCaptionLayout& caption,
                                                  const TShowSettings& settings, bool loop,
                                                  int32_t orientation) {
    const std::string w = FormatInteger(page.Width), h = FormatInteger(page.Height);
    // Decoded before it is drawn: a browser that decodes a large photo in the background
    // would otherwise show its caption on the bare background until the photo is ready.
    std::string image =
        "<image decoding=\"sync\" x=\"0\" y=\"0\" width=\"" + w + "\" height=\"" + h + "\" ";
    if (orientation >= 2 && orientation <= 8) {
        // The picture's data are stored sideways or mirrored: drawn at its stored shape and
        // turned upright here; the browser must not turn it a second time by its EXIF data.
        const bool quarter = TurnsByAQuarter(orientation);
        const std::string sw = quarter ? h : w, sh = quarter ? w : h;
        image = "<image decoding=\"sync\" x=\"0\" y=\"0\" width=\"" + sw + "\" height=\"" + sh +
                "\" transform=\"matrix(" +
                UprightMatrixYDown(orientation, quarter ? page.Height : page.Width,
                                   quarter ? page.Width : page.Height) +
                ")\" style=\"image-orientation: none\" ";
    }
    std::string before = "<svg viewBox=\"0 0 " + w + " " + h +
                         "\" preserveAspectRatio=\"xMidYMid meet\">\r\n"
                         "<g opacity=\"0\">\r\n" +
                         HtmlPhotoAnimation(k, n, settings, loop) + "\r\n" + image +
                         "preserveAspectRatio=\"xMidYMid meet\" xlink:href=\"";
    std::string after = "\" />\r\n";
    if (!caption.Lines.empty()) {
        after += "<g font-family=\"'DejaVu Sans', Verdana, sans-serif\" font-size=\"" +
                 PdfNumber(caption.Size) + "\" fill=\"#" + ColourHex(settings.TextColor) +
                 "\" stroke=\"#" + ColourHex(settings.OutlineColor) + "\" stroke-width=\"1\">\r\n";
        // Each line is drawn at the width it was laid out with: a browser whose font is wider
        // or narrower than the one measured still keeps the caption inside the photo's box.
        for (size_t i = 0; i < caption.Lines.size(); ++i) {
            const TCaptionLine& line = caption.Lines[i];
            after += "<text x=\"" + PdfNumber(caption.X) + "\" y=\"" +
                     PdfNumber(caption.Y + static_cast<double>(i) * caption.Leading) +
                     (line.Width > 0 ? "\" textLength=\"" + PdfNumber(line.Width) +
                                           "\" lengthAdjust=\"spacingAndGlyphs"
                                     : "") +
                     "\">" + EscapeLine(line.Text) + "</text>\r\n";
        }
        after += "</g>\r\n";
    }
    after += "</g>\r\n</svg>\r\n";
    return {before, after};
}

TPdfResult WriteHtmlSlideShow(const std::string& path, const std::vector<std::string>& captions,
                              const TShowSettings& settings, const TPhotoSource& source,
                              const TDocumentWords& words, bool loop) {
    TPdfResult result;
    errno = 0;
    TFile file = OpenFile(path, TFileMode::kWrite);
    if (!file) {
        result.code = TPdfCode::kCannotCreate;
        result.detail = errno ? errno : EIO;
        return result;
    }
    int error = 0;
    auto write = [&](const std::string& s) {
        if (!error) error = file.Write(s.data(), s.size());
    };
    // Captions wrap with the metrics of the face the page asks for first.
    TCaptionFonts fonts(true);
    const int n = static_cast<int>(captions.size());
    write(HtmlShowHead(settings, words.HtmlLanguage, words.HtmlTitle));
    for (int k = 1; k <= n && !error; ++k) {
        std::optional<TJpegImage> jpeg = source(k);
        if (!jpeg) {
            result.code = TPdfCode::kStopped;
            return result;
        }
        const bool quarter = TurnsByAQuarter(jpeg->Orientation);
        const TPageSize page = quarter ? PhotoPageSize(jpeg->Height, jpeg->Width)
                                       : PhotoPageSize(jpeg->Width, jpeg->Height);
        const auto [before, after] = HtmlShowPhoto(
            k, n, page, LayoutCaption(captions[static_cast<size_t>(k - 1)], page, settings, fonts),
            settings, loop, jpeg->Orientation);
        write(before);
        write("data:image/jpeg;base64,");
        write(Base64(jpeg->Bytes.data(), jpeg->Bytes.size()));
        jpeg.reset();
        write(after);
    }
    write(HtmlShowTail());
    const int closed = file.Close();
    if (!error) error = closed;
    if (error) {
        result.code = TPdfCode::kWriteError;
        result.detail = error;
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace lumeno

// The HTML slide show: the presentation's SVG inline, photos as data URIs.
#include "lumeno/export/html_show.h"

#include "lumeno/export/svg_document.h"

#include <cerrno>
#include <cstdio>
#include <memory>

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

std::string HtmlShowHead(const TShowSettings& settings, const std::string& title) {
    const std::string bg = "#" + ColourHex(settings.BackColor);
    return "<!DOCTYPE html>\r\n"
           "<html lang=\"de\">\r\n"
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
           // Where Verdana is missing, the captions keep a plain sans-serif face.
           "text { font-family: Verdana, \"DejaVu Sans\", Arial, sans-serif; }\r\n"
           "</style>\r\n"
           "</head>\r\n"
           "<body>\r\n";
}

std::string HtmlShowTail() {
    return "</body>\r\n</html>\r\n";
}

std::vector<std::string> HtmlShowSvgParts(const std::vector<std::string>& captions,
                                          const TShowSettings& settings) {
    const std::string svg = BuildSvgDocument(captions, settings);
    // The root element's start; everything before it is the XML declaration and doctype,
    // which an HTML page does not take.
    size_t pos = svg.find("<svg ");
    if (pos == std::string::npos) pos = 0;
    // Each image reference follows the image's first line; a caption can never hold that
    // text, since "<" in a caption is always escaped.
    static const std::string kImageStart =
        "<image x=\"0\" y=\"0\" width=\"100%\" height=\"100%\"\r\nxlink:href=\"";
    std::vector<std::string> parts;
    for (size_t k = 1; k <= captions.size(); ++k) {
        const size_t at = svg.find(kImageStart, pos);
        if (at == std::string::npos) break;
        const size_t nameStart = at + kImageStart.size();
        parts.push_back(svg.substr(pos, nameStart - pos));
        pos = svg.find('"', nameStart);
        if (pos == std::string::npos) pos = svg.size();
    }
    parts.push_back(svg.substr(pos));
    return parts;
}

namespace {

struct TFileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};

} // namespace

TPdfResult WriteHtmlSlideShow(const std::string& path, const std::vector<std::string>& captions,
                              const TShowSettings& settings, const TPhotoSource& source,
                              const std::string& title) {
    TPdfResult result;
    std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        result.code = TPdfCode::kCannotCreate;
        result.detail = errno;
        return result;
    }
    int error = 0;
    auto write = [&](const std::string& s) {
        if (!error && !s.empty() && std::fwrite(s.data(), 1, s.size(), file.get()) != s.size())
            error = errno ? errno : EIO;
    };
    const std::vector<std::string> parts = HtmlShowSvgParts(captions, settings);
    write(HtmlShowHead(settings, title));
    write(parts[0]);
    for (size_t k = 1; k < parts.size() && !error; ++k) {
        std::optional<TJpegImage> jpeg = source(static_cast<int>(k));
        if (!jpeg) {
            result.code = TPdfCode::kStopped;
            return result;
        }
        write("data:image/jpeg;base64,");
        write(Base64(jpeg->Bytes.data(), jpeg->Bytes.size()));
        jpeg.reset();
        write(parts[k]);
    }
    write(HtmlShowTail());
    if (std::fflush(file.get()) != 0 && !error) error = errno ? errno : EIO;
    if (std::fclose(file.release()) != 0 && !error) error = errno ? errno : EIO;
    if (error) {
        result.code = TPdfCode::kWriteError;
        result.detail = error;
        return result;
    }
    result.ok = true;
    return result;
}

std::string HtmlShowMessage(const TExportResult& result) {
    if (result.code == TExportCode::kCannotCreate)
        return "Die Datei " + result.path + " konnte nicht erstellt werden!";
    return ExportMessage(result);
}

} // namespace lumeno

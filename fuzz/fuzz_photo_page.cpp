// Fuzz target for the photo pages and the HTML slide show: any caption bytes must give a
// PDF string of printable ASCII with every parenthesis and backslash escaped, any settings a
// content stream of plain numbers, and the HTML page's parts must always put the
// presentation's SVG back together around the photo references.
#include "lumeno/export/html_show.h"
#include "lumeno/export/photo_pages.h"
#include "lumeno/export/svg_document.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Require(bool ok) {
    if (!ok) std::abort();
}

void CheckPdfString(const std::string& s) {
    Require(s.size() >= 2 && s.front() == '(' && s.back() == ')');
    const std::string body = s.substr(1, s.size() - 2);
    Require(body.empty() || (body.front() != ' ' && body.back() != ' '));
    Require(body.find("  ") == std::string::npos);
    for (size_t i = 0; i < body.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(body[i]);
        Require(c >= 0x20 && c < 0x7F);
        Require(c != '(' && c != ')');
        if (c != '\\') continue;
        Require(i + 1 < body.size());
        const char next = body[i + 1];
        if (next == '(' || next == ')' || next == '\\') {
            ++i;
            continue;
        }
        Require(i + 3 < body.size());
        for (size_t k = 1; k <= 3; ++k)
            Require(body[i + k] >= '0' && body[i + k] <= '7');
        i += 3;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 16) return 0;
    const std::string input(reinterpret_cast<const char*>(data), size);
    CheckPdfString(lumeno::PdfCaptionString(input));

    lumeno::TShowSettings s;
    int32_t w = 400, h = 300;
    if (size >= 24) {
        int32_t v[6];
        std::memcpy(v, data, sizeof v);
        s.FadeTime = v[0];
        s.PauseTime = v[1];
        s.TextX = v[2];
        s.TextY = v[3];
        s.FontSize = v[2] ^ v[3];
        s.BackColor = static_cast<uint32_t>(v[0]);
        s.FadeInOut = (v[1] & 1) != 0;
        w = v[4];
        h = v[5];
    }
    const lumeno::TPageSize page = lumeno::PhotoPageSize(w, h);
    Require(page.Width >= 3 && page.Width <= 792 && page.Height >= 3 && page.Height <= 792);
    const std::string content = lumeno::PhotoPageContent(page, w, h, input, s);
    const std::string timing = lumeno::PhotoPageTiming(s);
    // Outside the caption string only operators and plain numbers ("-12.5", never "1e5",
    // "1,5", "nan").
    std::string rest = content;
    const size_t open = rest.find("\n("), close = rest.rfind(") Tj\n");
    if (open != std::string::npos) rest.erase(open + 1, close + 1 - open - 1);
    rest += " " + timing.substr(timing.find("/D ") + 3);
    size_t pos = 0;
    while (pos < rest.size()) {
        const size_t end = rest.find_first_of(" \n", pos);
        const std::string token = rest.substr(pos, end == std::string::npos ? end : end - pos);
        pos = end == std::string::npos ? rest.size() : end + 1;
        if (token.empty()) continue;
        static const char* const kWords[] = {"q",  "Q",  "rg",   "RG",  "re",  "f",  "cm",
                                             "Do", "w",  "BT",   "ET",  "Tf",  "Tr", "Td",
                                             "Tj", ">>", "/Im1", "/F1", "/Dur"};
        bool word = false;
        for (const char* k : kWords)
            word = word || token == k;
        if (word) continue;
        size_t i = token[0] == '-' ? 1 : 0;
        Require(i < token.size());
        bool point = false;
        for (; i < token.size(); ++i) {
            if (token[i] == '.' && !point)
                point = true;
            else
                Require(token[i] >= '0' && token[i] <= '9');
        }
    }

    std::vector<std::string> captions;
    size_t start = 0;
    for (size_t i = 0; i <= size && captions.size() < 32; ++i)
        if (i == size || data[i] == 0) {
            captions.push_back(input.substr(start, i - start));
            start = i + 1;
        }
    const std::vector<std::string> parts = lumeno::HtmlShowSvgParts(captions, s);
    Require(parts.size() == captions.size() + 1);
    std::string joined = parts[0];
    for (size_t k = 1; k < parts.size(); ++k)
        joined += lumeno::ImageResourceName(static_cast<int>(k)) + parts[k];
    const std::string svg = lumeno::BuildSvgDocument(captions, s);
    Require(joined == svg.substr(svg.find("<svg ")));
    return 0;
}

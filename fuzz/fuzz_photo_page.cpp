// Fuzz target for the photo pages and the HTML slide show: any caption bytes must give
// lines without blanks at their ends or control characters, any settings a content stream
// of plain numbers outside its text arrays and every caption line inside its page, the HTML
// parts well-nested text elements and an animation whose key times never go back, and a
// time line that never goes back either.
#include "lumeno/export/caption_text.h"
#include "lumeno/export/html_show.h"
#include "lumeno/export/photo_pages.h"
#include "lumeno/export/show_timeline.h"
#include "lumeno/export/svg_document.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Require(bool ok) {
    if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 16) return 0;
    const std::string input(reinterpret_cast<const char*>(data), size);
    for (const std::u32string& line : lumeno::CaptionParagraphs(input)) {
        Require(line.find(U"  ") == std::u32string::npos);
        if (line.empty()) continue;
        Require(line.front() != U' ' && line.back() != U' ');
        for (char32_t c : line)
            Require(c >= 0x20 && !(c >= 0x7F && c < 0xA0));
    }

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
    Require(page.Width >= 264 && page.Width <= 792 && page.Height >= 264 && page.Height <= 792);
    lumeno::TCaptionFonts fonts(false);
    const lumeno::TCaptionLayout layout = lumeno::LayoutCaption(input, page, s, fonts);
    // Every line inside the page's margins, with room for accents above and descenders below.
    const double margin = 0.02 * std::max(page.Width, page.Height);
    for (const lumeno::TCaptionLine& line : layout.Lines)
        Require(layout.X >= 0 && layout.X + line.Width <= page.Width - margin + 1e-6);
    if (!layout.Lines.empty())
        Require(layout.Y - 0.95 * layout.Size >= margin - 1e-6 &&
                layout.Y + static_cast<double>(layout.Lines.size() - 1) * layout.Leading +
                        0.3 * layout.Size <=
                    page.Height - margin + 1e-6);
    fonts.Embed();
    const std::string content = lumeno::PhotoPageContent(page, w, h, layout, fonts, s);
    const std::string timing = lumeno::PhotoPageTiming(s);
    // Outside the text arrays only operators and plain numbers ("-12.5", never "1e5",
    // "1,5", "nan").
    std::string rest;
    for (size_t at = 0; at < content.size();) {
        const size_t end = content.find('\n', at);
        Require(end != std::string::npos);
        const std::string line = content.substr(at, end - at);
        if (line.size() < 3 || line.compare(line.size() - 3, 3, " TJ") != 0) rest += line + "\n";
        at = end + 1;
    }
    rest += " " + timing.substr(timing.find("/D ") + 3);
    size_t pos = 0;
    while (pos < rest.size()) {
        const size_t end = rest.find_first_of(" \n", pos);
        const std::string token = rest.substr(pos, end == std::string::npos ? end : end - pos);
        pos = end == std::string::npos ? rest.size() : end + 1;
        if (token.empty()) continue;
        static const char* const kWords[] = {"q",  "Q",  "rg",   "RG",  "re",  "f",  "cm",
                                             "Do", "w",  "BT",   "ET",  "Tf",  "Tr", "Tm",
                                             "Ts", ">>", "/Im1", "/F1", "/Dur"};
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
    const int n = static_cast<int>(captions.size());
    for (int k = 1; k <= n; ++k) {
        const lumeno::TCaptionLayout l =
            lumeno::LayoutCaption(captions[static_cast<size_t>(k - 1)], page, s, fonts);
        const auto [before, after] = lumeno::HtmlShowPhoto(k, n, page, l, s, (k & 1) != 0);
        size_t texts = 0;
        for (size_t at = after.find("<text "); at != std::string::npos;
             at = after.find("<text ", at + 1)) {
            const size_t close = after.find("</text>", at);
            Require(close != std::string::npos);
            const size_t body = after.find('>', at) + 1;
            Require(after.find_first_of("<>", body) == close);
            ++texts;
        }
        Require(texts == l.Lines.size());
        const size_t keys = before.find("keyTimes=\"") + 10;
        double last = 0;
        for (size_t at = keys; before[at] != '"';) {
            const double v = std::strtod(before.c_str() + at, nullptr);
            Require(v >= last && v <= 1);
            last = v;
            at = before.find_first_of(";\"", at);
            if (before[at] == ';') ++at;
        }
    }

    // The time line of any settings: never before the start, never back, inside the show's
    // length, and the presentation's own arithmetic within rounding of it.
    const lumeno::ShowTimeline timeline(s, n);
    const std::vector<lumeno::ShowTimeline::TPresentationTimes> shown =
        timeline.PresentationTimes();
    const double slack = 1e-9 * (1 + timeline.Length());
    for (int k = 1; k <= n; ++k) {
        const lumeno::ShowTimeline::TPhotoTimes t = timeline.Photo(k);
        Require(t.FadeInStart >= 0 && t.FadeInStart <= t.FullStart &&
                t.FullStart <= t.FadeOutStart && t.FadeOutStart <= t.FadeOutEnd &&
                t.FadeOutEnd <= timeline.Length() + slack);
        const lumeno::ShowTimeline::TPresentationTimes& p = shown[static_cast<size_t>(k - 1)];
        Require(std::fabs(p.FadeInBegin - t.FadeInStart) <= slack &&
                std::fabs(p.FadeOutBegin - t.FadeOutStart) <= slack);
    }
    return 0;
}

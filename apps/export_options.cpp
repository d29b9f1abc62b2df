#include "export_options.h"

#include "lumeno/core/whole_number.h"
#include "messages.h"

#include <climits>

namespace lumeno::cli {

namespace {

// Lower-cases ASCII letters and the three umlauts of the colour names (UTF-8).
std::string Folded(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    static const char* const kUmlauts[][2] = {{"Ä", "ä"}, {"Ö", "ö"}, {"Ü", "ü"}};
    for (const auto& u : kUmlauts)
        for (size_t at = s.find(u[0]); at != std::string::npos; at = s.find(u[0], at))
            s.replace(at, 2, u[1]);
    return s;
}

using IntField = std::optional<int32_t> TSettingOverrides::*;
using ColourField = std::optional<uint32_t> TSettingOverrides::*;

struct TNumberOption {
    const char* name;
    int32_t lo, hi; // the limits of the settings field
    IntField field;
};

const TNumberOption kNumberOptions[] = {
    {"--fade", 1, 1000000, &TSettingOverrides::FadeTime},
    {"--pause", 1, 1000000, &TSettingOverrides::PauseTime},
    {"--text-x", INT32_MIN, INT32_MAX, &TSettingOverrides::TextX},
    {"--text-y", INT32_MIN, INT32_MAX, &TSettingOverrides::TextY},
    {"--font-size", INT32_MIN, INT32_MAX, &TSettingOverrides::FontSize},
};

const struct {
    const char* name;
    ColourField field;
} kColourOptions[] = {
    {"--background", &TSettingOverrides::BackColor},
    {"--text-color", &TSettingOverrides::TextColor},
    {"--outline-color", &TSettingOverrides::OutlineColor},
};

} // namespace

void TSettingOverrides::ApplyTo(TShowSettings& s) const {
    if (FadeTime) s.FadeTime = *FadeTime;
    if (PauseTime) s.PauseTime = *PauseTime;
    if (TextX) s.TextX = *TextX;
    if (TextY) s.TextY = *TextY;
    if (FontSize) s.FontSize = *FontSize;
    if (BackColor) s.BackColor = *BackColor;
    if (TextColor) s.TextColor = *TextColor;
    if (OutlineColor) s.OutlineColor = *OutlineColor;
    if (FadeInOut) s.FadeInOut = *FadeInOut;
    if (FullScreen) s.FullScreen = *FullScreen;
}

std::optional<uint32_t> ParseColour(std::string_view text) {
    if (text.size() == 7 && text[0] == '#') {
        uint32_t rgb = 0;
        for (char c : text.substr(1)) {
            int d;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            else
                return std::nullopt;
            rgb = rgb << 4 | static_cast<uint32_t>(d);
        }
        // #RRGGBB to 0x00BBGGRR
        return (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
    }
    const std::string wanted = Folded(text);
    for (const TNamedColour& c : kNamedColours)
        if (Folded(c.Name) == wanted) return c.Colour;
    return std::nullopt;
}

TParseResult ParseExportCommandLine(const std::vector<std::string>& args) {
    TParseResult r;
    TExportCommand& cmd = r.command;
    auto fail = [&](std::string message) {
        r.ok = false;
        r.message = std::move(message);
        return r;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        auto takeValue = [&]() -> const std::string& { return args[++i]; };
        bool matched = false;
        for (const TNumberOption& o : kNumberOptions) {
            if (a != o.name) continue;
            if (!hasValue) return fail(MissingValue(a));
            const std::string& text = takeValue();
            const std::optional<int64_t> v = ParseTruncatedNumber(text);
            if (!v || *v < o.lo || *v > o.hi) return fail(BadNumber(a, text, o.lo, o.hi));
            cmd.overrides.*o.field = static_cast<int32_t>(*v);
            matched = true;
        }
        for (const auto& o : kColourOptions) {
            if (a != o.name) continue;
            if (!hasValue) return fail(MissingValue(a));
            const std::string& text = takeValue();
            const std::optional<uint32_t> c = ParseColour(text);
            if (!c) return fail(BadColour(a, text));
            cmd.overrides.*o.field = *c;
            matched = true;
        }
        if (matched) continue;
        if (a == "-h" || a == "--help") {
            cmd.help = true;
            break;
        } else if (a == "-o" || a == "--output") {
            if (!hasValue) return fail(MissingPdfName(a));
            cmd.output = takeValue();
        } else if (a == "--html") {
            if (!hasValue) return fail(MissingHtmlName(a));
            cmd.html = takeValue();
        } else if (a == "--save-show") {
            if (!hasValue) return fail(MissingProjectName(a));
            cmd.saveShow = takeValue();
        } else if (a == "--captions") {
            cmd.captions = true;
        } else if (a == "--fullscreen") {
            cmd.overrides.FullScreen = true;
        } else if (a == "--crossfade") {
            cmd.overrides.FadeInOut = false;
        } else if (a == "--pages") {
            cmd.pages = true;
        } else if (a == "--loop") {
            cmd.loop = true;
        } else if (a == "--html-full-size") {
            cmd.htmlFullSize = true;
        } else if (a == "--keep-jpeg") {
            cmd.keepJpeg = true;
        } else if (a == "--open") {
            cmd.open = true;
        } else if (a == "--jobs" || a == "-j") {
            if (!hasValue) return fail(MissingValue(a));
            const std::string& text = takeValue();
            const std::optional<int64_t> n = ParseTruncatedNumber(text);
            if (!n || *n < 1 || *n > 64) return fail(BadNumber(a, text, 1, 64));
            cmd.jobs = static_cast<int>(*n);
        } else if (a == "--") {
            cmd.positional.insert(cmd.positional.end(), args.begin() + static_cast<long>(i) + 1,
                                  args.end());
            break;
        } else if (a.size() > 1 && a[0] == '-') {
            return fail(UnknownOption(a));
        } else {
            cmd.positional.push_back(a);
        }
    }
    r.ok = true;
    return r;
}

} // namespace lumeno::cli

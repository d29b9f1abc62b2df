#include "export_options.h"

#include "lumeno/core/whole_number.h"
#include "lumeno/frontend/shared_words.h"
#include "lumeno/project/project_file.h"
#include "messages.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sys/stat.h>
#include <tuple>

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
    {"--fade", kMinTime, kMaxTime, &TSettingOverrides::FadeTime},
    {"--pause", kMinTime, kMaxTime, &TSettingOverrides::PauseTime},
    {"--text-x", kMinTextPosition, kMaxTextPosition, &TSettingOverrides::TextX},
    {"--text-y", kMinTextPosition, kMaxTextPosition, &TSettingOverrides::TextY},
    {"--font-size", kMinFontSize, kMaxFontSize, &TSettingOverrides::FontSize},
};

const struct {
    const char* name;
    ColourField field;
} kColourOptions[] = {
    {"--background", &TSettingOverrides::BackColor},
    {"--text-color", &TSettingOverrides::TextColor},
    {"--outline-color", &TSettingOverrides::OutlineColor},
};

bool EndsWithLmo(const std::string& name) {
    if (name.size() < 4) return false;
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".lmo";
}

// True when both names lead to the same existing file.
bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

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
    for (const frontend::TNamedColour& c : frontend::kNamedColours)
        if (Folded(c.Deutsch) == wanted) return c.Colour;
    return std::nullopt;
}

std::optional<std::pair<int, int>> ParseVideoSize(std::string_view text) {
    auto number = [](std::string_view digits) -> std::optional<int> {
        if (digits.empty() || digits.size() > 6) return std::nullopt;
        int v = 0;
        for (char c : digits) {
            if (c < '0' || c > '9') return std::nullopt;
            v = v * 10 + (c - '0');
        }
        return v;
    };
    for (std::string_view sep :
         {std::string_view("x"), std::string_view("X"), std::string_view("\xC3\x97")}) {
        const size_t at = text.find(sep);
        if (at == std::string_view::npos) continue;
        const auto w = number(text.substr(0, at)), h = number(text.substr(at + sep.size()));
        if (w && h) return std::pair{*w, *h};
        return std::nullopt;
    }
    return std::nullopt;
}

namespace {

// --video, --video-size, --fps and --music; false when `a` is none of them. A fault sets
// `message`.
bool ParseVideoOption(const std::string& a, const std::vector<std::string>& args, size_t& i,
                      TExportCommand& cmd, std::string& message) {
    const bool hasValue = i + 1 < args.size();
    if (a != "--video" && a != "--video-size" && a != "--fps" && a != "--music") return false;
    if (!hasValue) {
        message = a == "--video" ? MissingVideoName(a) : MissingValue(a);
        return true;
    }
    const std::string& text = args[++i];
    if (a == "--video") {
        cmd.video = text;
        return true;
    }
    cmd.videoFormatGiven = true;
    if (a == "--music") {
        cmd.videoFormat.MusicFile = text;
    } else if (a == "--fps") {
        const std::optional<int64_t> n = ParseTruncatedNumber(text);
        if (!n || !IsValidVideoFps(static_cast<int>(std::clamp<int64_t>(*n, -1, 1000))))
            message = BadNumber(a, text, kVideoMinFps, kVideoMaxFps);
        else
            cmd.videoFormat.Fps = static_cast<int>(*n);
    } else {
        const auto size = ParseVideoSize(text);
        if (!size || !IsValidVideoSize(size->first, size->second))
            message = BadVideoSize(a, text);
        else
            std::tie(cmd.videoFormat.Width, cmd.videoFormat.Height) = *size;
    }
    return true;
}

} // namespace

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
        std::string videoFault;
        if (ParseVideoOption(a, args, i, cmd, videoFault)) {
            if (!videoFault.empty()) return fail(std::move(videoFault));
            continue;
        }
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
    if (cmd.videoFormatGiven && cmd.video.empty() && !cmd.help)
        return fail(VideoOptionsWithoutVideo());
    r.ok = true;
    return r;
}

TExportPlan PlanExport(const TExportCommand& cmd, TSlideShow& show) {
    TExportPlan plan;
    auto fail = [&](std::string message, int exitCode) {
        plan.exitCode = exitCode;
        plan.message = std::move(message);
        return plan;
    };
    const std::vector<std::string>& positional = cmd.positional;
    plan.output = cmd.output;
    plan.html = cmd.html;
    plan.saveShow = cmd.saveShow;
    plan.video = cmd.video;
    const std::string& video = plan.video;
    const std::string& output = plan.output;
    const std::string& html = plan.html;
    const std::string& saveShow = plan.saveShow;
    TShowSettings& settings = plan.settings;

    const bool lmoAndPdf = positional.size() == 2 && EndsWithLmo(positional[0]);
    // With --html, --video or --save-show alone, a project file or photos need no PDF name.
    const bool noPdf =
        output.empty() && !lmoAndPdf && (!html.empty() || !video.empty() || !saveShow.empty());
    // The German text when the project file cannot be read; empty when it was.
    auto readProject = [&](const std::string& path) {
        const ProjectReadResult read = ReadProjectFile(path, show, settings);
        if (!read.ok) return ProjectReadFailed(path, read.code, read.detail);
        if (read.code == ProjectFileError::TrailingData)
            plan.warning = ProjectReadFailed(path, read.code);
        settings = read.settings;
        return std::string();
    };
    auto addPhotos = [&]() {
        std::vector<std::string> paths;
        for (const std::string& p : positional) {
            std::error_code ec;
            const std::filesystem::path full = std::filesystem::absolute(p, ec);
            paths.push_back(ec ? p : full.string());
        }
        show.AddPhotos(paths, cmd.captions);
    };
    if (noPdf && positional.size() == 1 && EndsWithLmo(positional[0])) {
        if (cmd.captions) return fail(CaptionsOnlyForPhotos(), kBadCommandLine);
        if (std::string failed = readProject(positional[0]); !failed.empty())
            return fail(std::move(failed), kFailed);
    } else if (noPdf) {
        if (positional.empty()) return fail(NoPhotos(), kBadCommandLine);
        addPhotos();
    } else if (output.empty()) {
        if (!lmoAndPdf) return fail(NeedProjectOrPhotos(), kBadCommandLine);
        if (cmd.captions) return fail(CaptionsOnlyForPhotos(), kBadCommandLine);
        plan.output = positional[1];
        if (std::string failed = readProject(positional[0]); !failed.empty())
            return fail(std::move(failed), kFailed);
    } else {
        if (positional.empty()) return fail(NoPhotos(), kBadCommandLine);
        addPhotos();
    }
    // The output files are truncated first: none may be one of the files the show is made of.
    std::vector<std::string> inputs;
    const std::string project =
        !positional.empty() && EndsWithLmo(positional.front()) && positional.size() <= 2
            ? positional.front()
            : std::string();
    if (!project.empty()) inputs.push_back(project);
    for (const TFotoRecord& f : show.Fotos)
        inputs.push_back(f.FileName);
    if (!output.empty())
        for (const std::string& in : inputs)
            if (in == output || SameFile(in, output))
                return fail(PdfIsInput(output, in), kBadCommandLine);
    if (!html.empty()) {
        bool clash = output == html || SameFile(output, html);
        for (const std::string& in : inputs)
            clash = clash || SameFile(in, html);
        if (clash) return fail(HtmlIsInputOrPdf(html), kBadCommandLine);
    }
    if (!video.empty()) {
        const std::string& music = cmd.videoFormat.MusicFile;
        bool clash = video == output || video == html || SameFile(video, output) ||
                     SameFile(video, html) || SameFile(video, music);
        for (const std::string& in : inputs)
            clash = clash || in == video || SameFile(in, video);
        if (clash) return fail(VideoIsInputOrOutput(video), kBadCommandLine);
        if (!music.empty() && !IsReadableAudio(music))
            return fail(MusicUnreadable("--music", music), kBadCommandLine);
    }
    if (!saveShow.empty()) {
        // Saving over the project file that was read is allowed: it has been read completely.
        bool clash = saveShow == output || saveShow == html || saveShow == video ||
                     SameFile(saveShow, output) || SameFile(saveShow, html) ||
                     SameFile(saveShow, video);
        for (const TFotoRecord& f : show.Fotos)
            clash = clash || SameFile(f.FileName, saveShow);
        if (clash) return fail(ProjectIsInputOrOutput(saveShow), kBadCommandLine);
    }
    cmd.overrides.ApplyTo(settings);
    return plan;
}

} // namespace lumeno::cli

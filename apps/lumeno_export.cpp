// lumeno-export: exports a slide show (a project file, or photos named on the command line)
// into one PDF file, without windows.
#include "export_options.h"
#include "lumeno/export/export_driver.h"
#include "lumeno/export/html_show.h"
#include "lumeno/export/shell_open.h"
#include "lumeno/project/project_file.h"
#include "messages.h"

#include <atomic>
#include <chrono>
#include <csignal>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace lumeno;

namespace {

std::atomic<bool> gInterrupted{false};

extern "C" void OnInterrupt(int) {
    gInterrupted = true;
}

// Progress on stderr: one live line on a terminal, plain lines otherwise.
class TConsoleProgress final : public TExportProgress {
  public:
    explicit TConsoleProgress(int total)
        : total_(total), live_(::isatty(STDERR_FILENO) == 1),
          start_(std::chrono::steady_clock::now()) {}

    void PhotoLoadProgress(int percent) override {
        percent_ = percent;
        if (live_) Draw(false);
    }
    void PhotoDone(int k, int) override {
        done_ = k;
        percent_ = -1;
        Draw(true);
    }
    void Pump() override {
        if (live_) Draw(false);
    }
    bool CancelRequested() override { return gInterrupted.load(); }

    void Finish() {
        if (live_ && drawn_) std::fputc('\n', stderr);
    }

  private:
    void Draw(bool photoFinished) {
        const auto now = std::chrono::steady_clock::now();
        if (live_ && !photoFinished && now - lastDraw_ < std::chrono::milliseconds(100)) return;
        lastDraw_ = now;
        const double elapsed = std::chrono::duration<double>(now - start_).count();
        const std::string line = cli::ProgressLine(done_, total_, elapsed, live_ ? percent_ : -1);
        if (live_) {
            std::fprintf(stderr, "\r\033[K%s", line.c_str());
            drawn_ = true;
        } else if (photoFinished) {
            std::fprintf(stderr, "%s\n", line.c_str());
        }
        std::fflush(stderr);
    }

    int total_;
    bool live_;
    bool drawn_ = false;
    int done_ = 0;
    int percent_ = -1;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_{};
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

// Exit codes: 0 written, 1 written with warnings, 2 bad command line (nothing written),
// 3 failed (an output file that was there is unchanged).
constexpr int kWrittenWithWarnings = 1;
constexpr int kFailed = 3;

int Fail(const std::string& message, int code) {
    std::fprintf(stderr, "lumeno-export: %s\n", message.c_str());
    return code;
}

// The photos that went in as black pictures, one line each.
void PrintUnreadable(const TExportResult& result) {
    for (const TUnreadablePhoto& photo : result.unreadable)
        std::fprintf(stderr, "lumeno-export: %s\n", cli::UnreadablePhotoLine(photo).c_str());
}

} // namespace

int main(int argc, char** argv) {
#if defined(__GLIBC__)
    // Every photo takes a few buffers of tens of megabytes. Kept in the heap after use
    // instead of being returned to the system, the next photo reuses them without the
    // kernel mapping and clearing fresh pages each time; the peak stays that of the photos
    // in flight.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
#endif
    const cli::TParseResult parsed =
        cli::ParseExportCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.ok) return Fail(parsed.message, 2);
    const cli::TExportCommand& cmd = parsed.command;
    if (cmd.help) {
        std::fputs(std::string(cli::Usage()).c_str(), stdout);
        return 0;
    }
    const std::vector<std::string>& positional = cmd.positional;
    std::string output = cmd.output;
    const std::string& html = cmd.html;
    const std::string& saveShow = cmd.saveShow;

    TSlideShow show;
    TShowSettings settings;
    const bool lmoAndPdf = positional.size() == 2 && EndsWithLmo(positional[0]);
    // With --html or --save-show alone, a project file or photos need no PDF name.
    const bool noPdf = output.empty() && !lmoAndPdf && (!html.empty() || !saveShow.empty());
    auto readProject = [&](const std::string& path) {
        const ProjectReadResult read = ReadProjectFile(path, show, settings);
        if (read.ok && read.code == ProjectFileError::TrailingData)
            std::fprintf(stderr, "lumeno-export: %s\n",
                         cli::ProjectReadFailed(path, read.code).c_str());
        if (read.ok) settings = read.settings;
        return read.ok ? 0 : Fail(cli::ProjectReadFailed(path, read.code), kFailed);
    };
    // Photos are kept with their full path, so a saved show opens from any folder.
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
        if (cmd.captions) return Fail(cli::CaptionsOnlyForPhotos(), 2);
        if (const int failed = readProject(positional[0])) return failed;
    } else if (noPdf) {
        if (positional.empty()) return Fail(cli::NoPhotos(), 2);
        addPhotos();
    } else if (output.empty()) {
        if (!lmoAndPdf) return Fail(cli::NeedProjectOrPhotos(), 2);
        if (cmd.captions) return Fail(cli::CaptionsOnlyForPhotos(), 2);
        output = positional[1];
        if (const int failed = readProject(positional[0])) return failed;
    } else {
        if (positional.empty()) return Fail(cli::NoPhotos(), 2);
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
            if (in == output || SameFile(in, output)) return Fail(cli::PdfIsInput(output, in), 2);
    if (!html.empty()) {
        bool clash = output == html || SameFile(output, html);
        for (const std::string& in : inputs)
            clash = clash || SameFile(in, html);
        if (clash) return Fail(cli::HtmlIsInputOrPdf(html), 2);
    }
    if (!saveShow.empty()) {
        // Saving over the project file that was read is allowed: it has been read completely.
        bool clash = saveShow == output || saveShow == html || SameFile(saveShow, output) ||
                     SameFile(saveShow, html);
        for (const TFotoRecord& f : show.Fotos)
            clash = clash || SameFile(f.FileName, saveShow);
        if (clash) return Fail(cli::ProjectIsInputOrOutput(saveShow), 2);
    }
    cmd.overrides.ApplyTo(settings);

    if (!saveShow.empty()) {
        const ProjectWriteResult saved = WriteProjectFile(saveShow, show, settings);
        if (!saved.ok) return Fail(cli::ProjectWriteFailed(saveShow, saved), kFailed);
        std::fprintf(stderr, "%s\n", cli::ProjectWritten(saveShow).c_str());
        if (output.empty() && html.empty()) return 0;
    }
    // The command line opens a viewer only when asked, whatever the project file says.
    settings.ShowPDF = cmd.open;

    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);

    const std::vector<TExportPhoto> photos = ExportPhotosOf(show.Fotos);
    bool warnings = false;
    if (!html.empty()) {
        TConsoleProgress htmlProgress(static_cast<int>(photos.size()));
        TExportOptions htmlOptions;
        htmlOptions.Jobs = cmd.jobs;
        htmlOptions.Progress = &htmlProgress;
        htmlOptions.Html = true;
        htmlOptions.Loop = cmd.loop;
        htmlOptions.HtmlFullSize = cmd.htmlFullSize;
        htmlOptions.KeepJpeg = cmd.keepJpeg;
        htmlOptions.Words = cli::DocumentWords();
        TShowSettings htmlSettings = settings;
        htmlSettings.ShowPDF = false;
        const TExportResult written = ExportSlideShow(photos, htmlSettings, html, htmlOptions);
        htmlProgress.Finish();
        if (!written.ok) return Fail(cli::HtmlFailed(written), kFailed);
        std::fprintf(stderr, "%s\n", cli::HtmlWritten(html).c_str());
        PrintUnreadable(written);
        warnings = written.HasWarnings();
        if (output.empty()) return warnings ? kWrittenWithWarnings : 0;
    }
    TConsoleProgress progress(static_cast<int>(photos.size()));
    TExportOptions options;
    options.Jobs = cmd.jobs;
    options.Progress = &progress;
    options.PhotoPages = cmd.pages;
    options.KeepJpeg = cmd.keepJpeg;
    options.Words = cli::DocumentWords();
    const TExportResult result = ExportSlideShow(photos, settings, output, options);
    progress.Finish();
    if (!result.ok) return Fail(cli::ExportFailed(result), kFailed);
    std::fprintf(stderr, "%s\n", cli::PdfWritten(result).c_str());
    PrintUnreadable(result);
    return warnings || result.HasWarnings() ? kWrittenWithWarnings : 0;
}

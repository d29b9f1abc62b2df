// lumeno-export: exports a slide show (a project file, or photos named on the command line)
// into one PDF file, without windows.
#include "export_options.h"
#include "lumeno/export/export_driver.h"
#include "lumeno/export/html_show.h"
#include "lumeno/export/shell_open.h"
#include "lumeno/frontend/shared_words.h"
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
#include <string>
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

int Fail(const std::string& message, int code) {
    std::fprintf(stderr, "lumeno-export: %s\n", message.c_str());
    return code;
}

// The photos that went in as black pictures, one line each.
void PrintUnreadable(const TExportResult& result) {
    for (const TUnreadablePhoto& photo : result.unreadable)
        std::fprintf(stderr, "lumeno-export: %s\n", cli::UnreadablePhotoLine(photo).c_str());
    for (const TProfileWarning& photo : result.brokenProfiles)
        std::fprintf(stderr, "lumeno-export: %s\n", cli::BrokenProfileLine(photo).c_str());
}

// Writes the show as a video; the exit code when it failed, else 0 (`warnings` set when a
// photo went in black).
int WriteVideo(const std::vector<TExportPhoto>& photos, TShowSettings settings,
               const cli::TExportCommand& cmd, const std::string& video, bool& warnings) {
    TConsoleProgress progress(static_cast<int>(photos.size()));
    TExportOptions options;
    options.Jobs = cmd.jobs;
    options.Progress = &progress;
    options.Video = true;
    options.VideoFormat = cmd.videoFormat;
    settings.ShowPDF = false;
    const TExportResult written = ExportSlideShow(photos, settings, video, options);
    progress.Finish();
    if (!written.ok) return Fail(cli::VideoFailed(written), cli::kFailed);
    std::fprintf(stderr, "%s\n", cli::VideoWritten(video).c_str());
    PrintUnreadable(written);
    warnings = warnings || written.HasWarnings();
    return 0;
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
    if (!parsed.ok) return Fail(parsed.message, cli::kBadCommandLine);
    const cli::TExportCommand& cmd = parsed.command;
    if (cmd.help) {
        std::fputs(std::string(cli::Usage()).c_str(), stdout);
        return 0;
    }
    TSlideShow show;
    cli::TExportPlan plan = cli::PlanExport(cmd, show);
    if (plan.exitCode != 0) return Fail(plan.message, plan.exitCode);
    if (!plan.warning.empty()) std::fprintf(stderr, "lumeno-export: %s\n", plan.warning.c_str());
    const std::string& output = plan.output;
    const std::string& html = plan.html;
    const std::string& saveShow = plan.saveShow;
    TShowSettings& settings = plan.settings;

    if (!saveShow.empty()) {
        const ProjectWriteResult saved = WriteProjectFile(saveShow, show, settings);
        if (!saved.ok) return Fail(cli::ProjectWriteFailed(saveShow, saved), cli::kFailed);
        std::fprintf(stderr, "%s\n", cli::ProjectWritten(saveShow).c_str());
        if (output.empty() && html.empty() && plan.video.empty()) return 0;
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
        htmlOptions.Words = frontend::DocumentWords();
        TShowSettings htmlSettings = settings;
        htmlSettings.ShowPDF = false;
        const TExportResult written = ExportSlideShow(photos, htmlSettings, html, htmlOptions);
        htmlProgress.Finish();
        if (!written.ok) return Fail(cli::HtmlFailed(written), cli::kFailed);
        std::fprintf(stderr, "%s\n", cli::HtmlWritten(html).c_str());
        PrintUnreadable(written);
        warnings = written.HasWarnings();
    }
    if (!plan.video.empty())
        if (const int failed = WriteVideo(photos, settings, cmd, plan.video, warnings))
            return failed;
    if (output.empty()) return warnings ? cli::kWrittenWithWarnings : 0;
    TConsoleProgress progress(static_cast<int>(photos.size()));
    TExportOptions options;
    options.Jobs = cmd.jobs;
    options.Progress = &progress;
    options.PhotoPages = cmd.pages;
    options.KeepJpeg = cmd.keepJpeg;
    options.Words = frontend::DocumentWords();
    const TExportResult result = ExportSlideShow(photos, settings, output, options);
    progress.Finish();
    if (!result.ok) return Fail(cli::ExportFailed(result), cli::kFailed);
    std::fprintf(stderr, "%s\n", cli::PdfWritten(result).c_str());
    PrintUnreadable(result);
    return warnings || result.HasWarnings() ? cli::kWrittenWithWarnings : 0;
}

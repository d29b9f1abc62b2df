// lumeno-export: exports a slide show (a project file, or photos named on the command line)
// into one PDF file, without windows.
#include "lumeno/export/export_driver.h"
#include "lumeno/export/html_show.h"
#include "lumeno/export/shell_open.h"
#include "lumeno/project/project_file.h"

#include <atomic>
#include <chrono>
#include <csignal>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace lumeno;

namespace {

const char* const kUsage =
    "Aufruf:\n"
    "  lumeno-export [Optionen] SHOW.lmo AUSGABE.pdf\n"
    "  lumeno-export [Optionen] -o AUSGABE.pdf [--captions] FOTO...\n"
    "  lumeno-export [Optionen] --html AUSGABE.html SHOW.lmo|FOTO...\n"
    "\n"
    "Exportiert eine Diaschau als PDF-Datei mit animierter Präsentation.\n"
    "\n"
    "Optionen:\n"
    "  -o, --output DATEI  die PDF-Datei, die geschrieben wird (mit Fotos auf der Befehlszeile)\n"
    "  --captions          die Dateinamen der Fotos als Bildtexte verwenden\n"
    "  --jobs N            Fotos mit N Threads vorbereiten (Standard: Anzahl der Kerne)\n"
    "  --fullscreen        die Präsentation im Vollbild starten\n"
    "  --pages             Fotos zusätzlich als Seiten (Diashow in jedem PDF-Betrachter)\n"
    "  --html DATEI        die Diashow außerdem als HTML-Datei speichern (spielt in jedem\n"
    "                      Browser, ohne Skripte); ohne PDF-Datei nur die HTML-Datei\n"
    "  --open              die PDF-Datei nach dem Erzeugen anzeigen\n"
    "  -h, --help          diese Hilfe zeigen\n"
    "\n"
    "Der Fortschritt erscheint auf der Standardfehlerausgabe. Exit-Code 0 nur bei Erfolg.\n";

std::atomic<bool> gInterrupted{false};

extern "C" void OnInterrupt(int) {
    gInterrupted = true;
}

std::string Decimal(double value, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    std::string s = buf;
    for (char& c : s)
        if (c == '.') c = ','; // German display
    return s;
}

std::string Duration(double seconds) {
    long s = static_cast<long>(seconds + 0.5);
    char buf[32];
    if (s >= 3600)
        std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", s / 3600, (s / 60) % 60, s % 60);
    else
        std::snprintf(buf, sizeof buf, "%ld:%02ld", s / 60, s % 60);
    return buf;
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
        std::string line = "Foto " + std::to_string(done_) + " von " + std::to_string(total_);
        if (done_ > 0 && elapsed > 0) {
            const double rate = done_ / elapsed;
            line += " | " + Decimal(rate, 1) + " Fotos/s";
            if (done_ < total_) line += " | noch " + Duration((total_ - done_) / rate);
        }
        if (live_) {
            if (percent_ >= 0 && done_ < total_)
                line += " | Foto " + std::to_string(done_ + 1) +
                        " lädt: " + std::to_string(percent_) + " %";
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

int Fail(const std::string& message, int code) {
    std::fprintf(stderr, "lumeno-export: %s\n", message.c_str());
    return code;
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
    std::string output;
    std::vector<std::string> positional;
    bool captions = false, fullScreen = false, open = false, pages = false;
    std::string html;
    int jobs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-h" || a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "-o" || a == "--output") {
            if (++i >= argc) return Fail("Nach " + a + " fehlt der Name der PDF-Datei.", 2);
            output = argv[i];
        } else if (a == "--captions") {
            captions = true;
        } else if (a == "--fullscreen") {
            fullScreen = true;
        } else if (a == "--pages") {
            pages = true;
        } else if (a == "--html") {
            if (++i >= argc) return Fail("Nach " + a + " fehlt der Name der HTML-Datei.", 2);
            html = argv[i];
        } else if (a == "--open") {
            open = true;
        } else if (a == "--jobs" || a == "-j") {
            if (++i >= argc) return Fail("Nach " + a + " fehlt die Anzahl der Threads.", 2);
            char* end = nullptr;
            const long n = std::strtol(argv[i], &end, 10);
            if (*argv[i] == '\0' || *end != '\0' || n < 1 || n > 64)
                return Fail("Die Anzahl der Threads muss eine Zahl von 1 bis 64 sein.", 2);
            jobs = static_cast<int>(n);
        } else if (a == "--") {
            for (++i; i < argc; ++i)
                positional.push_back(argv[i]);
        } else if (a.size() > 1 && a[0] == '-') {
            return Fail("Unbekannte Option: " + a + "\n" + kUsage, 2);
        } else {
            positional.push_back(a);
        }
    }

    TSlideShow show;
    TShowSettings settings;
    // With --html alone, a project file or photos need no PDF name.
    const bool htmlOnly =
        !html.empty() && output.empty() && !(positional.size() == 2 && EndsWithLmo(positional[0]));
    if (htmlOnly && positional.size() == 1 && EndsWithLmo(positional[0])) {
        const ProjectReadResult read = ReadProjectFile(positional[0], show, settings);
        if (!read.ok) {
            std::string message(ProjectFileMessage(read.code));
            return Fail(positional[0] + ": " + message, 1);
        }
        settings = read.settings;
    } else if (htmlOnly) {
        if (positional.empty()) return Fail("Es wurden keine Fotos angegeben.", 2);
        show.AddPhotos(positional, captions);
    } else if (output.empty()) {
        if (positional.size() != 2 || !EndsWithLmo(positional[0]))
            return Fail(std::string("Bitte eine Projektdatei (.lmo) und die PDF-Datei angeben, "
                                    "oder -o PDF-Datei und Fotos.\n") +
                            kUsage,
                        2);
        if (captions) return Fail("--captions gilt nur für Fotos auf der Befehlszeile.", 2);
        output = positional[1];
        const ProjectReadResult read = ReadProjectFile(positional[0], show, settings);
        if (!read.ok) {
            std::string message(ProjectFileMessage(read.code));
            return Fail(positional[0] + ": " + message, 1);
        }
        if (read.code == ProjectFileError::TrailingData)
            std::fprintf(stderr, "lumeno-export: %s: %s\n", positional[0].c_str(),
                         std::string(ProjectFileMessage(read.code)).c_str());
        settings = read.settings;
    } else {
        if (positional.empty()) return Fail("Es wurden keine Fotos angegeben.", 2);
        show.AddPhotos(positional, captions);
    }
    // The PDF file is truncated first: it must not be one of the files the show is made of.
    std::vector<std::string> inputs;
    if (positional.size() == 2 && EndsWithLmo(positional[0]) && output == positional[1])
        inputs.push_back(positional[0]);
    for (const TFotoRecord& f : show.Fotos)
        inputs.push_back(f.FileName);
    for (const std::string& in : inputs)
        if (SameFile(in, output))
            return Fail("Die PDF-Datei " + output + " ist zugleich eine Eingabedatei (" + in +
                            ") und würde überschrieben. Bitte einen anderen Namen wählen.",
                        2);
    if (!html.empty()) {
        if (positional.size() == 1 && EndsWithLmo(positional[0])) inputs.push_back(positional[0]);
        for (const std::string& in : inputs)
            if (SameFile(in, html) || output == html || SameFile(output, html))
                return Fail(
                    "Die HTML-Datei " + html +
                        " ist zugleich eine Eingabe- oder "
                        "PDF-Datei und würde überschrieben. Bitte einen anderen Namen wählen.",
                    2);
    }
    if (fullScreen) settings.FullScreen = true;
    // The command line opens a viewer only when asked, whatever the project file says.
    settings.ShowPDF = open;

    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);

    const std::vector<TExportPhoto> photos = ExportPhotosOf(show.Fotos);
    if (!html.empty()) {
        TConsoleProgress htmlProgress(static_cast<int>(photos.size()));
        TExportOptions htmlOptions;
        htmlOptions.Jobs = jobs;
        htmlOptions.Progress = &htmlProgress;
        htmlOptions.Html = true;
        TShowSettings htmlSettings = settings;
        htmlSettings.ShowPDF = false;
        const TExportResult written = ExportSlideShow(photos, htmlSettings, html, htmlOptions);
        htmlProgress.Finish();
        if (!written.ok) return Fail(HtmlShowMessage(written), 1);
        std::fprintf(stderr, "HTML-Diashow geschrieben: %s\n", html.c_str());
        if (output.empty()) return 0;
    }
    TConsoleProgress progress(static_cast<int>(photos.size()));
    TExportOptions options;
    options.Jobs = jobs;
    options.Progress = &progress;
    options.PhotoPages = pages;
    const TExportResult result = ExportSlideShow(photos, settings, output, options);
    progress.Finish();
    if (!result.ok) return Fail(ExportMessage(result), 1);

    std::string summary = "PDF-Datei geschrieben: " + output + " (" +
                          std::to_string(result.photos) + (result.photos == 1 ? " Foto" : " Fotos");
    if (result.blackPictures > 0)
        summary += ", " + std::to_string(result.blackPictures) +
                   " nicht lesbar und als schwarzes Bild eingefügt";
    if (result.fallbackPictures > 0)
        summary += ", " + std::to_string(result.fallbackPictures) +
                   " konnten nicht als JPEG gespeichert werden und sind schwarz";
    summary += ")";
    std::fprintf(stderr, "%s\n", summary.c_str());
    return 0;
}

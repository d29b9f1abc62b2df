#pragma once
// The command line of lumeno-export, read into one record before anything is written.
#include "lumeno/export/video_show.h"
#include "lumeno/project/show.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumeno::cli {

// Show settings given on the command line; each one set replaces the show's own.
struct TSettingOverrides {
    std::optional<int32_t> FadeTime, PauseTime, TextX, TextY, FontSize;
    std::optional<uint32_t> BackColor, TextColor, OutlineColor;
    std::optional<bool> FadeInOut, FullScreen;

    void ApplyTo(TShowSettings& settings) const;
};

struct TExportCommand {
    bool help = false;
    std::string output;   // -o / --output
    std::string html;     // --html
    std::string saveShow; // --save-show
    std::string video;    // --video
    // --video-size, --fps, --music; only with --video. The music file is checked by PlanExport.
    TVideoFormat videoFormat;
    bool videoFormatGiven = false;
    std::vector<std::string> positional;
    bool captions = false;     // --captions
    bool open = false;         // --open
    bool pages = false;        // --pages
    bool loop = false;         // --loop
    bool htmlFullSize = false; // --html-full-size
    bool keepJpeg = false;     // --keep-jpeg
    int jobs = 0;              // --jobs, 0 = number of cores
    TSettingOverrides overrides;
};

struct TParseResult {
    bool ok = false;
    std::string message; // German, when !ok (exit code 2)
    TExportCommand command;
};

// Reads the arguments after the program name. Numbers follow the settings fields' rule
// (ParseTruncatedNumber) and must lie within the field's limits; a value outside them is a
// fault here, not brought to the limit.
TParseResult ParseExportCommandLine(const std::vector<std::string>& args);

// lumeno-export's exit codes: 0 written, 1 written with warnings, 2 bad command line (nothing
// written), 3 failed (an output file that was there is unchanged).
inline constexpr int kWrittenWithWarnings = 1;
inline constexpr int kBadCommandLine = 2;
inline constexpr int kFailed = 3;

// What one run of lumeno-export writes, worked out from the command line before anything is
// written.
struct TExportPlan {
    int exitCode = 0;     // 0: go ahead; kBadCommandLine, or kFailed for an unreadable project
    std::string message;  // German, when exitCode != 0
    std::string warning;  // German, shown before going ahead (data after a project's settings)
    std::string output;   // the PDF file; empty: none
    std::string html;     // the HTML slide show; empty: none
    std::string saveShow; // the project file to save; empty: none
    std::string video;    // the MP4 video; empty: none
    // The show's settings (the project file's, or the defaults for photos) with the command
    // line's replacing them. ShowPDF is still the project file's: the saved show keeps it.
    TShowSettings settings;
};

// Works out the plan for a parsed command line (not --help): either a project file and a PDF
// name, or -o and photos, or --html / --video / --save-show alone with a project file or
// photos. Refuses (kBadCommandLine) a music file that holds no sound FFmpeg can decode. Reads
// the project file into `show`, or lists the photos with their full path, so a saved show
// opens from any folder. Refuses (kBadCommandLine) an output file that is also one of the files
// the show is made of; saving over the project file that was read is allowed.
TExportPlan PlanExport(const TExportCommand& command, TSlideShow& show);

// A colour as a German name of the colour list (any letter case) or "#RRGGBB" (hex digits of
// either case), as 0x00BBGGRR; nothing for any other text.
std::optional<uint32_t> ParseColour(std::string_view text);

// A video size "BxH" (an "x" or "×" between two whole numbers), as given; nothing for any
// other text. The limits are checked by the caller.
std::optional<std::pair<int, int>> ParseVideoSize(std::string_view text);

} // namespace lumeno::cli

#pragma once
// The command line of lumeno-export, read into one record before anything is written.
#include "lumeno/project/show.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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

// A colour as a German name of the colour list (any letter case) or "#RRGGBB" (hex digits of
// either case), as 0x00BBGGRR; nothing for any other text.
std::optional<uint32_t> ParseColour(std::string_view text);

} // namespace lumeno::cli

#pragma once
// The .lmo project file: the photo list (file names and captions) followed by the show
// settings. Little-endian, no padding:
//   marker 0xCDAD (u32), n (i32), n entries { L1 (i32), L1 bytes FileName, L2 (i32), L2 bytes
//   Text }, then the 35-byte settings trailer: ShowPDF (u8), FadeTime, PauseTime (i32),
//   BackColor, OutlineColor, TextColor (u32), TextX, TextY, FontSize (i32), FadeInOut (u8),
//   FullScreen (u8).
// Texts are stored as they are held in memory: FileName as the platform's path bytes, Text
// as Windows-1252 bytes, unconverted, without terminator.
//
// No German text here: results carry a code, and the window and the command line give each
// code its words.
#include "lumeno/project/show.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace lumeno {

inline constexpr uint32_t kLmoMarker = 0xCDAD;
inline constexpr int kLmoTrailerSize = 35;

enum class ProjectFileError {
    None,
    CannotCreate, // the file (or the temporary file beside it) could not be created
    CannotOpen,   // the file could not be opened for reading
    NotLumeno,    // the marker is not 0xCDAD
    Damaged,      // the file ends early, or a count/length does not fit what remains
    WriteFailed,  // writing, flushing or replacing failed after the file was created
    TrailingData, // warning: bytes follow the settings; everything else was read
};

struct ProjectWriteResult {
    bool ok = false;
    ProjectFileError code = ProjectFileError::None;
    int detail = 0; // the system's error number, 0 when none applies
};

struct ProjectReadResult {
    // True when the photos and the settings were read completely (also with TrailingData).
    bool ok = false;
    ProjectFileError code = ProjectFileError::None;
    int detail = 0;           // the system's error number for CannotOpen
    bool markerValid = false; // false: the show has no photos and `settings` == the input
    // The settings the window shows afterwards: the ones read from the file, field by field;
    // a field the file does not hold completely keeps the value passed in. FadeTime and
    // PauseTime are clamped into 1..1000000, ShowPDF/FullScreen are on for any non-zero byte,
    // FadeInOut only for the byte 1.
    TShowSettings settings;
    uint64_t ignoredBytes = 0; // bytes after the trailer (TrailingData)
};

// The exact bytes of the file for this show and these settings (written as given, no
// clamping). Deterministic.
std::string ProjectFileBytes(const TSlideShow& show, const TShowSettings& settings);

// Saves under fileName: writes a temporary file beside it and renames it over fileName only
// when every byte was written and flushed, so a failed save never destroys the previous file.
// CannotCreate: nothing was written and an existing file is untouched. WriteFailed: the
// temporary file is removed and an existing file is untouched. The show is not changed.
// A replaced file keeps its rights; a new one gets those of any new file, or with `ownerOnly`
// stays readable by its owner only from its first byte on.
ProjectWriteResult WriteProjectFile(const std::string& fileName, const TSlideShow& show,
                                    const TShowSettings& settings, bool ownerOnly = false);

// Reads a project file into `show`. When the file cannot be opened the show is unchanged
// (CannotOpen); otherwise the photo list is cleared first (FreeAllPics, CurFoto = 1) whatever
// the file holds. Photo entries read completely are kept, in file order, with empty
// thumbnails; a damaged entry and everything after it are dropped (Damaged). Never reads past
// the end and never allocates more than the bytes that remain. `current` is the settings the
// window shows now. Image files are not touched.
ProjectReadResult ReadProjectFile(const std::string& fileName, TSlideShow& show,
                                  const TShowSettings& current);

// The same over a memory buffer (the whole file's bytes); never fails with CannotOpen.
ProjectReadResult ReadProjectBytes(std::string_view bytes, TSlideShow& show,
                                   const TShowSettings& current);

} // namespace lumeno

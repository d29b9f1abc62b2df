#pragma once
// The one open slide show: the photo list, the current photo and the show settings, with the
// editing operations of the photos page. Free of Qt: the main window's handlers call these.
//
// Texts: FileName holds the platform's own 8-bit path bytes (UTF-8 on Linux); Text holds the
// caption as Windows-1252 bytes (see lumeno/core/text.h for converting what the user types).
#include "lumeno/core/dyna_array.h"
#include "pictavo.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace lumeno {

struct TFotoRecord {
    std::string FileName; // full path, never empty for a listed photo
    std::string Text;     // caption (Windows-1252); empty when the photo has none
    ScopedDib Thumb;      // cached thumbnail, empty until the photo strip makes it
    // The photo's identity for work done in the background (the strip's thumbnail loads):
    // it travels with the record when the show is reordered and is never reused. 0 until
    // the strip gives one.
    uint64_t Id = 0;
};

// Colours are 0x00BBGGRR (red in the lowest byte).
struct TShowSettings {
    int32_t FadeTime = 1000;  // ms, 1..1000000
    int32_t PauseTime = 3000; // ms, 1..1000000
    uint32_t BackColor = 0xFFFFFF;
    uint32_t TextColor = 0x00FFFF;
    uint32_t OutlineColor = 0x000000;
    int32_t TextX = 2;  // percent of the picture width
    int32_t TextY = 95; // percent of the picture height
    int32_t FontSize = 40;
    bool FadeInOut = true; // false: cross-fade
    bool FullScreen = false;
    bool ShowPDF = true;
};

// The limits of the settings fields, for the window's spin fields and the command line's
// options alike: fade and pause times in ms; the caption's position (percent) and font size
// take any whole number.
inline constexpr int32_t kMinTime = 1;
inline constexpr int32_t kMaxTime = 1000000;
inline constexpr int32_t kMinTextPosition = std::numeric_limits<int32_t>::min();
inline constexpr int32_t kMaxTextPosition = std::numeric_limits<int32_t>::max();
inline constexpr int32_t kMinFontSize = std::numeric_limits<int32_t>::min();
inline constexpr int32_t kMaxFontSize = std::numeric_limits<int32_t>::max();

// Inserts a lone CR (0x0D) before every character whose 1-based position is a multiple of 50.
// The text is Windows-1252; a character reference "&#N;" standing for a character that
// Windows-1252 cannot hold, or "&#38;" for the ampersand of a "&#" in the name, counts as one
// character and is never split.
std::string BreakEvery50(const std::string& name);

// The default caption of a photo: its file name without directory (extension kept; only "/"
// separates folders on POSIX systems, "\" and "/" on Windows), turned from the platform's
// path bytes into Windows-1252 (a "&#" in the name reads back as typed) and broken every 50
// characters.
std::string FileNameCaption(const std::string& path);

class TSlideShow {
  public:
    TDynaArray<TFotoRecord> Fotos;
    int CurFoto = 1; // 1-based; a photo is current only when 1 <= CurFoto <= Count()

    int Count() const { return Fotos.Count(); }
    bool HasCurrent() const { return CurFoto >= 1 && CurFoto <= Fotos.Count(); }
    // The current photo, or nullptr when none is current.
    TFotoRecord* Current() { return HasCurrent() ? &Fotos[CurFoto - 1] : nullptr; }
    const TFotoRecord* Current() const { return HasCurrent() ? &Fotos[CurFoto - 1] : nullptr; }
    // The caption the caption editor shows for the current photo (Windows-1252), or nullptr
    // when none is current (the editor then keeps its text).
    const std::string* CurrentCaption() const;

    // Appends one record per path in the given order (caption empty, or the file name without
    // directory broken every 50 characters when fileNamesAsText). CurFoto is not changed.
    void AddPhotos(const std::vector<std::string>& paths, bool fileNamesAsText);
    // Removes the current photo (its thumbnail is released with it); CurFoto keeps its value.
    // Returns false when no photo is current.
    bool DeleteCurrent();
    // Exchanges the current photo with the one before / after it and follows it.
    bool MoveForward();
    bool MoveBack();
    // Replaces the current photo's caption; returns false (stores nothing) when none is current.
    bool StoreCaption(const std::string& cp1252);
    // Releases every record and sets CurFoto to 1.
    void FreeAllPics();
    // Takes the photo at 0-based `index` out of the list, thumbnail and all, and returns it;
    // an empty record when `index` is outside the list. CurFoto is not changed.
    TFotoRecord TakePhoto(int index);
    // Puts `foto` into the list at 0-based `index` (clamped into 0..Count()); the photos from
    // there on move back by one. CurFoto is not changed.
    void InsertPhoto(int index, TFotoRecord foto);
    // Takes over the photos and the current photo of `other`, which is left empty; what this
    // show held before is released.
    void ReplaceWith(TSlideShow& other);
    // New show: clears the list (CurFoto 1) and resets every setting to its default.
    // FileNamesAsText and search results are not part of the show and stay as they are.
    void NewShow(TShowSettings& settings);
};

} // namespace lumeno

#pragma once
// Photo pages: with this option the PDF gets, before its text page, one page per photo that
// shows the photo's image object (the same object the presentation uses) on the background
// colour with its caption as real text, and that carries a fade transition and a display
// duration, so any viewer's presentation mode plays the show on its own time line.
//
// The pure builders below make the bytes; the container writer (pdf_writer.h) numbers and
// places the objects. Every number is written locale-independently.
#include "lumeno/project/show.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumeno {

struct TCaptionLayout; // lumeno/export/caption_text.h
class TCaptionFonts;

// What the container writer needs for the photo pages.
struct TPhotoPages {
    TShowSettings Settings;
    std::vector<std::string> Captions; // Windows-1252 bytes, show order, one per photo
    // The lines of the text page after the photos (TDocumentWords::PhotoPagesTextPage).
    std::vector<std::string> TextPageLines;
};

// Page size in points: the photo's proportions at a long side of 792, the short side
// rounded to whole points and never below 264 (a third of the long side), so a caption has
// room beside a panorama; a photo without size gives 792 x 612.
struct TPageSize {
    int Width = 792;
    int Height = 612;
};
TPageSize PhotoPageSize(int32_t photoWidth, int32_t photoHeight);

// The page's transition and display duration, one line: "/Trans << /S /Fade /D T >> /Dur
// T+P" with T = F for cross-fade and T = 2F for fade in and out (out of the previous photo
// and into this one). /Dur holds the transition too, so the photo stays fully visible for
// at least the pause whether a viewer counts /Dur from the start or from the end of the
// transition. Seconds, from the show's time line (show_timeline.h).
std::string PhotoPageTiming(const TShowSettings& settings);

// EXIF orientations 5 to 8 turn a picture by a quarter: its upright width is its stored
// height.
inline bool TurnsByAQuarter(int32_t orientation) {
    return orientation >= 5 && orientation <= 8;
}

// The content stream of a photo page (lines ending in LF, the last one too): the page
// filled with the background colour, the image /Im1 scaled to fit with its proportions
// kept and centred on the page, and the caption's lines
// (caption_text.h) in fonts /F1, /F2, ... at FontSize points, filled with TextColor and
// outlined with OutlineColor (text render mode 2). No text object without lines. Call after
// fonts.Embed(). photoWidth and photoHeight are the stored picture's; with an orientation
// 2..8 (TJpegImage::Orientation) the placement matrix turns and mirrors it upright, so the
// picture's data stay as they are.
std::string PhotoPageContent(const TPageSize& page, int32_t photoWidth, int32_t photoHeight,
                             const TCaptionLayout& caption, const TCaptionFonts& fonts,
                             const TShowSettings& settings, int32_t orientation = 1);

// The placement of a stored picture of w x h units with an EXIF orientation 1..8 into a
// w' x h' box (w' = h, h' = w for TurnsByAQuarter), for coordinates whose y axis points down
// (SVG): the six numbers a b c d e f of matrix(a b c d e f), as text separated by spaces.
std::string UprightMatrixYDown(int32_t orientation, double w, double h);

} // namespace lumeno

#pragma once
// Photo pages: with this option the PDF gets, after its text page, one page per photo that
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

// What the container writer needs for the photo pages.
struct TPhotoPages {
    TShowSettings Settings;
    std::vector<std::string> Captions; // Windows-1252 bytes, show order, one per photo
};

// Page size in points: the photo's proportions at a long side of 792. The short side is
// rounded to whole points and never below 3; a photo without size gives 792 x 612.
struct TPageSize {
    int Width = 792;
    int Height = 612;
};
TPageSize PhotoPageSize(int32_t photoWidth, int32_t photoHeight);

// A real number for a PDF: at most four decimals, no exponent, "." always ("0.5", "-2", "0").
std::string PdfNumber(double value);

// The caption as a PDF string literal "(...)" for a WinAnsiEncoding font: runs of line
// breaks, tabs and spaces become one space (the lines run together, as in the presentation),
// leading and trailing blanks go, "&#N;" references become their Windows-1252 byte or "?",
// "(", ")" and "\" are escaped and every byte outside printable ASCII is written as an
// octal escape. Control bytes and bytes Windows-1252 leaves undefined are dropped.
// "()" when nothing is left.
std::string PdfCaptionString(const std::string& cp1252);

// The page's transition and display duration on the show's time line, one line:
// cross-fade: "/Trans << /S /Fade /D F >> /Dur P"; fade in and out: the photo fades over
// twice the fade time (out of the previous photo and into this one), "/D 2F", "/Dur P".
// Seconds, from the millisecond settings; negative values count as 0.
std::string PhotoPageTiming(const TShowSettings& settings);

// The content stream of a photo page (lines ending in LF, the last one too): the page
// filled with the background colour, the image /Im1 scaled to fit with its proportions
// kept and aligned to the top left corner (as in the presentation), and the caption in
// /F1 at FontSize points, its baseline at TextX / TextY percent from the top left corner,
// filled with TextColor and outlined with OutlineColor (text render mode 2). No text
// object when the caption is empty.
std::string PhotoPageContent(const TPageSize& page, int32_t photoWidth, int32_t photoHeight,
                             const std::string& caption, const TShowSettings& settings);

} // namespace lumeno

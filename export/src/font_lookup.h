#pragma once
// Finding installed font files for the captions. One implementation per platform, chosen by
// the build (font_lookup_posix.cpp asks fontconfig; font_lookup_win.cpp finds none).
#include <string>
#include <vector>

namespace lumeno {

struct TFontFile {
    std::string Path;
    int Index = 0; // face index inside a font collection
};

// TrueType font files, best first: with c == 0 the faces for captions in general ("DejaVu
// Sans" where installed, otherwise the closest sans-serif face); otherwise faces said to hold
// the character c. Empty when nothing is installed. Only faces with TrueType outlines are
// returned, since those embed as CIDFontType2.
std::vector<TFontFile> FindFontFiles(char32_t c);

// The installed face closest to Helvetica (the same widths where one is installed), in any
// outline format, for drawing captions laid out with Helvetica's widths. An empty path when
// nothing is installed.
TFontFile FindHelveticaLikeFont();

} // namespace lumeno

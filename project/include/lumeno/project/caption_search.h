#pragma once
// The search over the open show: which photos hold a search text in their caption or in
// their file name (without directory).
#include "lumeno/project/show.h"

#include <string>
#include <string_view>
#include <vector>

namespace lumeno {

struct TSearchRow {
    std::string FileName; // file name without directory, the platform's path bytes
    std::string Caption;  // the whole caption as stored (Windows-1252), empty when none
    int Position = 0;     // 0-based position of the photo in Fotos at the time of the search
};

// One row per photo whose caption, or else whose file name without directory, contains
// searchUtf8 (as typed, UTF-8) after upper-casing a-z only (umlauts and ß stay as they are).
// Rows come in list order. An empty search text finds nothing. The caption is compared as
// the window shows it (CaptionToUtf8: "&#321;" is "Ł", never the digits), the file name in
// the platform's path encoding.
std::vector<TSearchRow> SearchCaptions(const TSlideShow& show, std::string_view searchUtf8);

} // namespace lumeno

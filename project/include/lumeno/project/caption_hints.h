// caption_hints: settings that a show file may hold but that leave the captions invisible in
// every export. They are hints, not errors: the settings are kept and exported as they are.
#pragma once

#include "lumeno/project/show.h"

#include <vector>

namespace lumeno {

enum class TCaptionHint {
    NoFontSize,        // font size 0 or below: no text is drawn
    OutsideHorizontal, // text position X outside 0..100 % of the picture width
    OutsideVertical,   // text position Y outside 0..100 % of the picture height
    TextLikeBackground // text and outline in the background colour
};

// Every hint that applies to `s`, in the order of the enumeration; empty when the captions
// can be seen.
std::vector<TCaptionHint> CaptionHints(const TShowSettings& s);

} // namespace lumeno

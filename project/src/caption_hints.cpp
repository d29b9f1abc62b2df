#include "lumeno/project/caption_hints.h"

namespace lumeno {

std::vector<TCaptionHint> CaptionHints(const TShowSettings& s) {
    std::vector<TCaptionHint> hints;
    if (s.FontSize <= 0) hints.push_back(TCaptionHint::NoFontSize);
    if (s.TextX < 0 || s.TextX > 100) hints.push_back(TCaptionHint::OutsideHorizontal);
    if (s.TextY < 0 || s.TextY > 100) hints.push_back(TCaptionHint::OutsideVertical);
    // An outline in another colour than the background still shows the text's shape.
    if (s.TextColor == s.BackColor && s.OutlineColor == s.BackColor)
        hints.push_back(TCaptionHint::TextLikeBackground);
    return hints;
}

} // namespace lumeno

// Font files on Windows: none are looked up yet, so captions use the standard face.
#include "font_lookup.h"

namespace lumeno {

std::vector<TFontFile> FindFontFiles(char32_t) {
    return {};
}

TFontFile FindHelveticaLikeFont() {
    return {};
}

} // namespace lumeno

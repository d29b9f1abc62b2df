// Font files on Windows: none are looked up for the pages yet, so their captions use the
// standard face; video frames draw that face with Arial, which has Helvetica's widths.
#include "font_lookup.h"

#include <windows.h>

namespace lumeno {

std::vector<TFontFile> FindFontFiles(char32_t) {
    return {};
}

TFontFile FindHelveticaLikeFont() {
    char folder[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    TFontFile arial{std::string(folder, length) + "\\Fonts\\arial.ttf", 0};
    if (GetFileAttributesA(arial.Path.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
    return arial;
}

} // namespace lumeno

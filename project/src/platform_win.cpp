#include "platform.h"

#include "lumeno/core/text.h"

namespace lumeno::platform {

// Paths are held in the ANSI code page, Windows-1252 for the German system.
std::string PathToCp1252(std::string_view path) {
    return std::string(path);
}

std::string FileNameOfPath(std::string_view path) {
    return FileNameWithoutDir(path);
}

std::string Utf8ToPath(std::string_view utf8) {
    return Utf8ToCp1252(utf8);
}

} // namespace lumeno::platform

#include "platform.h"

#include "lumeno/core/text.h"

namespace lumeno::platform {

std::string PathToCp1252(std::string_view path) {
    return Utf8ToCp1252(path);
}

std::string FileNameOfPath(std::string_view path) {
    const size_t cut = path.rfind('/');
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string Utf8ToPath(std::string_view utf8) {
    return std::string(utf8);
}

} // namespace lumeno::platform

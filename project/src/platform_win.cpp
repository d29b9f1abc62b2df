#include "platform.h"

#include "lumeno/core/text.h"

#include <cerrno>
#include <io.h>

namespace lumeno::platform {

// Paths are held in the ANSI code page, Windows-1252 for the German system.
std::string PathToCp1252(std::string_view path) { return std::string(path); }

std::string Utf8ToPath(std::string_view utf8) { return Utf8ToCp1252(utf8); }

int SyncFile(std::FILE* file) { return ::_commit(::_fileno(file)) == 0 ? 0 : errno; }

} // namespace lumeno::platform

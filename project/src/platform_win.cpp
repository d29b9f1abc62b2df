#include "platform.h"

#include "lumeno/core/text.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

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

std::FILE* CreateNewFile(const std::string& path) {
    const int fd = ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                           _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* file = ::_fdopen(fd, "wb");
    if (!file) {
        const int error = errno;
        ::_close(fd);
        ::_unlink(path.c_str());
        errno = error;
    }
    return file;
}

int SyncFile(std::FILE* file) {
    return ::_commit(::_fileno(file)) == 0 ? 0 : errno;
}

} // namespace lumeno::platform

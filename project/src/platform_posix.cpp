#include "platform.h"

#include "lumeno/core/text.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

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

std::FILE* CreateNewFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        const int error = errno;
        ::close(fd);
        ::unlink(path.c_str());
        errno = error;
    }
    return file;
}

int SyncFile(std::FILE* file) {
    while (::fsync(::fileno(file)) != 0) {
        if (errno == EINTR) continue;
        // Some file systems (pipes, a few network mounts) cannot sync; the data was flushed.
        if (errno == EINVAL || errno == EROFS) return 0;
        return errno;
    }
    return 0;
}

} // namespace lumeno::platform

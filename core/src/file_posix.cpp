// file.h on POSIX systems.
#include "file_platform.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumeno::file_platform {

std::FILE* Open(const std::string& name, TFileMode mode, bool ownerOnly) {
    int flags = O_CLOEXEC;
    const char* streamMode = "rb";
    switch (mode) {
    case TFileMode::kRead:
        flags |= O_RDONLY;
        break;
    case TFileMode::kWrite:
        // Emptied below only when it holds anything: truncating an empty file (a reserved
        // temporary name) makes some file systems force its blocks to disk when it is closed.
        flags |= O_WRONLY | O_CREAT;
        streamMode = "wb";
        break;
    case TFileMode::kUpdate:
        flags |= O_RDWR;
        streamMode = "r+b";
        break;
    case TFileMode::kCreateNew:
        flags |= O_WRONLY | O_CREAT | O_EXCL;
        streamMode = "wb";
        break;
    }
    const int fd = ::open(name.c_str(), flags, ownerOnly ? 0600 : 0666);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        return nullptr;
    }
    if (mode == TFileMode::kWrite && S_ISREG(st.st_mode) && st.st_size > 0 &&
        ::ftruncate(fd, 0) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, streamMode);
    if (!file) {
        const int error = errno;
        ::close(fd);
        if (mode == TFileMode::kCreateNew) ::unlink(name.c_str());
        errno = error;
    }
    return file;
}

int64_t Size(std::FILE* file) {
    struct stat st {};
    if (::fstat(::fileno(file), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

bool IsPlainFile(std::FILE* file) {
    struct stat st {};
    return ::fstat(::fileno(file), &st) == 0 && S_ISREG(st.st_mode);
}

int Sync(std::FILE* file) {
    while (::fsync(::fileno(file)) != 0) {
        if (errno == EINTR) continue;
        // Some file systems (pipes, a few network mounts) cannot sync; the data was flushed.
        if (errno == EINVAL || errno == EROFS) return 0;
        return errno;
    }
    return 0;
}

int Remove(const std::string& name) {
    return ::unlink(name.c_str()) == 0 ? 0 : errno;
}

int Replace(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

std::string TempFolder() {
    const char* env = std::getenv("TMPDIR");
    std::string folder = env && *env ? env : "/tmp";
    if (folder.back() != '/') folder += '/';
    return folder;
}

} // namespace lumeno::file_platform

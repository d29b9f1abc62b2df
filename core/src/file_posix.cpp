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

int Inspect(const std::string& name, TKind& kind, uint32_t& mode) {
    kind = TKind::kNothing;
    mode = 0;
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) return errno;
    kind = S_ISDIR(st.st_mode)   ? TKind::kFolder
           : S_ISREG(st.st_mode) ? TKind::kPlainFile
                                 : TKind::kOther;
    // The permission bits only: a copy never becomes set-user-ID.
    mode = static_cast<uint32_t>(st.st_mode & 0777);
    return 0;
}

std::string ResolveLink(const std::string& name) {
    struct stat st {};
    if (::lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return name;
    char* resolved = ::realpath(name.c_str(), nullptr);
    if (!resolved) {
        // A link to a file not made yet: follow it one step.
        std::string target(static_cast<size_t>(st.st_size) + 1, '\0');
        const ssize_t n = ::readlink(name.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<size_t>(n) >= target.size()) return name;
        target.resize(static_cast<size_t>(n));
        if (target.front() == '/') return target;
        const size_t slash = name.rfind('/');
        return slash == std::string::npos ? target : name.substr(0, slash + 1) + target;
    }
    std::string out(resolved);
    std::free(resolved);
    return out;
}

int SetMode(const std::string& name, uint32_t mode) {
    return ::chmod(name.c_str(), static_cast<mode_t>(mode)) == 0 ? 0 : errno;
}

uint32_t NewFileMode() {
    // Read without changing it where the system allows: setting the umask to learn it would
    // let another thread create a file with the wrong rights meanwhile.
    static const uint32_t mode = [] {
        if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
            char line[256];
            unsigned mask = 0;
            bool found = false;
            while (!found && std::fgets(line, sizeof line, status))
                found = std::sscanf(line, "Umask: %o", &mask) == 1;
            std::fclose(status);
            if (found) return 0666u & ~mask;
        }
        const mode_t mask = ::umask(022);
        ::umask(mask);
        return 0666u & ~static_cast<uint32_t>(mask);
    }();
    return mode;
}

std::string TempFolder() {
    const char* env = std::getenv("TMPDIR");
    std::string folder = env && *env ? env : "/tmp";
    if (folder.back() != '/') folder += '/';
    return folder;
}

} // namespace lumeno::file_platform

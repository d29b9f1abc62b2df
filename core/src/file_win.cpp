// file.h on Windows: names in the ANSI code page, as the program holds its paths.
#include "file_platform.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace lumeno::file_platform {

// A new file takes the rights of its folder (the temporary folder is the user's own).
std::FILE* Open(const std::string& name, TFileMode mode, bool /*ownerOnly*/) {
    int flags = _O_BINARY | _O_NOINHERIT;
    const char* streamMode = "rb";
    switch (mode) {
    case TFileMode::kRead:
        flags |= _O_RDONLY;
        break;
    case TFileMode::kWrite:
        flags |= _O_WRONLY | _O_CREAT | _O_TRUNC;
        streamMode = "wb";
        break;
    case TFileMode::kUpdate:
        flags |= _O_RDWR;
        streamMode = "r+b";
        break;
    case TFileMode::kCreateNew:
        flags |= _O_WRONLY | _O_CREAT | _O_EXCL;
        streamMode = "wb";
        break;
    }
    _doserrno = 0;
    const int fd = ::_open(name.c_str(), flags, _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        // The runtime reports a file another program holds open (a PDF viewer) as EACCES, like
        // a missing right; only the system's own code tells them apart.
        const unsigned long systemError = _doserrno;
        if (systemError == ERROR_SHARING_VIOLATION || systemError == ERROR_LOCK_VIOLATION) {
            errno = EBUSY;
            return nullptr;
        }
        // Opening a folder is refused with EACCES; say what it is.
        struct _stat64 st {};
        if (errno == EACCES && ::_stat64(name.c_str(), &st) == 0 && (st.st_mode & _S_IFDIR))
            errno = EISDIR;
        return nullptr;
    }
    std::FILE* file = ::_fdopen(fd, streamMode);
    if (!file) {
        const int error = errno;
        ::_close(fd);
        if (mode == TFileMode::kCreateNew) ::_unlink(name.c_str());
        errno = error;
    }
    return file;
}

int64_t Size(std::FILE* file) {
    struct _stat64 st {};
    if (::_fstat64(::_fileno(file), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

bool IsPlainFile(std::FILE* file) {
    const HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file)));
    return handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) == FILE_TYPE_DISK;
}

int Sync(std::FILE* file) {
    return ::_commit(::_fileno(file)) == 0 ? 0 : errno;
}

int Remove(const std::string& name) {
    return ::_unlink(name.c_str()) == 0 ? 0 : errno;
}

int Replace(const std::string& from, const std::string& to) {
    if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return 0;
    switch (::GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_DISK_FULL:
        return ENOSPC;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        // Another program (a PDF viewer) holds the file open.
        return EBUSY;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    default:
        return EACCES;
    }
}

int Inspect(const std::string& name, TKind& kind, uint32_t& mode) {
    kind = TKind::kNothing;
    mode = 0;
    const DWORD attributes = ::GetFileAttributesA(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT : EACCES;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        kind = TKind::kFolder;
    else if (attributes & FILE_ATTRIBUTE_DEVICE)
        kind = TKind::kOther;
    else
        kind = TKind::kPlainFile;
    return 0;
}

// Links are followed by the file calls themselves; MoveFileEx replaces a link, which is rare
// enough on Windows to accept.
std::string ResolveLink(const std::string& name) {
    return name;
}

// Files take the rights of their folder.
int SetMode(const std::string& /*name*/, uint32_t /*mode*/) {
    return 0;
}

uint32_t NewFileMode() {
    return 0;
}

std::string TempFolder() {
    char path[MAX_PATH + 1];
    const DWORD n = ::GetTempPathA(sizeof path, path);
    std::string folder = n > 0 && n <= MAX_PATH ? std::string(path, n) : std::string(".\\");
    if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder;
}

} // namespace lumeno::file_platform

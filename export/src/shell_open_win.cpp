// Opening files and short names through the Windows shell.
#include "lumeno/export/shell_open.h"

#include <windows.h>

// shellapi.h uses the types windows.h declares.
#include <shellapi.h>

namespace lumeno {

bool ShellOpenFile(const std::string& path) {
    HINSTANCE h = ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOW);
    return reinterpret_cast<INT_PTR>(h) > 32;
}

std::string ShortFileName(const std::string& path) {
    // A file that does not exist yet has no short name: create it empty first.
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    char buffer[512];
    DWORD n = GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
    if (n == 0 || n >= sizeof buffer) return {};
    return std::string(buffer, n);
}

} // namespace lumeno

// Whole-file reading by UTF-8 name; the one place with a Windows-only call.
#include "file_io.h"

#include <cstdio>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace pictavo_internal {

#ifdef _WIN32
namespace {
std::wstring Wide(const char* utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring w(n > 0 ? n : 1, L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8, -1, w.data(), n);
    return w;
}
} // namespace

FileOwner OpenFile(const char* fileName, const char* mode) {
    return FileOwner(_wfopen(Wide(fileName).c_str(), Wide(mode).c_str()));
}

void RemoveFile(const char* fileName) {
    _wremove(Wide(fileName).c_str());
}
#else
FileOwner OpenFile(const char* fileName, const char* mode) {
    return FileOwner(std::fopen(fileName, mode));
}

void RemoveFile(const char* fileName) {
    std::remove(fileName);
}
#endif

bool ReadWholeFile(const char* fileName, LargeBuffer& bytes, size_t& size) {
    size = 0;
    FileOwner f = OpenFile(fileName, "rb");
    if (!f) return false;
    if (std::fseek(f.get(), 0, SEEK_END) != 0) return false;
    const long end = std::ftell(f.get());
    if (end < 0 || static_cast<uint64_t>(end) > kMaxFileBytes) return false;
    std::rewind(f.get());
    // Every byte is read into or cleared below; no need to clear the block first.
    if (!bytes.Allocate(static_cast<size_t>(end) + 1, false)) return false;
    size = std::fread(bytes.data(), 1, static_cast<size_t>(end), f.get());
    std::memset(bytes.data() + size, 0, static_cast<size_t>(end) + 1 - size);
    // A file that shrank meanwhile is read as far as it goes.
    return !std::ferror(f.get());
}

} // namespace pictavo_internal

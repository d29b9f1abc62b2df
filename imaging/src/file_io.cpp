// Whole-file reading by UTF-8 name; the one place with a Windows-only call.
#include "file_io.h"

#include <cstdio>
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

void RemoveFile(const char* fileName) { _wremove(Wide(fileName).c_str()); }
#else
FileOwner OpenFile(const char* fileName, const char* mode) {
    return FileOwner(std::fopen(fileName, mode));
}

void RemoveFile(const char* fileName) { std::remove(fileName); }
#endif

bool ReadWholeFile(const char* fileName, std::vector<uint8_t>& bytes) {
    FileOwner f = OpenFile(fileName, "rb");
    if (!f) return false;
    bytes.clear();
    if (std::fseek(f.get(), 0, SEEK_END) == 0) {
        const long end = std::ftell(f.get());
        if (end > 0 && static_cast<uint64_t>(end) <= kMaxFileBytes)
            bytes.reserve(static_cast<size_t>(end) + 1);
        std::rewind(f.get());
    }
    // Read in blocks rather than trusting a size query (pipes, files that change).
    constexpr size_t kBlock = 1 << 20;
    size_t used = 0;
    for (;;) {
        if (used + kBlock > kMaxFileBytes) return false;
        bytes.resize(used + kBlock);
        const size_t got = std::fread(bytes.data() + used, 1, kBlock, f.get());
        used += got;
        if (got < kBlock) break;
    }
    if (std::ferror(f.get())) return false;
    bytes.resize(used);
    return true;
}

} // namespace pictavo_internal

#pragma once
// Inside the library: whole-file reading and file creation by UTF-8 name.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "large_block.h"

namespace pictavo_internal {

// Files above this size are not read (no picture within the pixel limit needs more).
inline constexpr uint64_t kMaxFileBytes = 2'000'000'000ull;

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FileOwner = std::unique_ptr<std::FILE, FileCloser>;

// fopen with a UTF-8 file name.
FileOwner OpenFile(const char* fileName, const char* mode);

// Reads the whole file into bytes (size in size); false when it cannot be opened, sized or
// read, or is too large.
bool ReadWholeFile(const char* fileName, LargeBuffer& bytes, size_t& size);

// Deletes a file (a failed write leaves nothing behind).
void RemoveFile(const char* fileName);

} // namespace pictavo_internal

#pragma once
// Inside the library: whole-file reading into a large block. Files are opened, written and
// deleted through core (lumeno/core/file.h).
#include <cstddef>
#include <cstdint>

#include "large_block.h"

namespace pictavo_internal {

// Files above this size are not read (no picture within the pixel limit needs more).
inline constexpr uint64_t kMaxFileBytes = 2'000'000'000ull;

// Reads the whole file into bytes (size in size), followed by zero bytes up to one past the
// size the file had when opened; false when it cannot be opened, sized or read, or is too
// large.
bool ReadWholeFile(const char* fileName, LargeBuffer& bytes, size_t& size);

} // namespace pictavo_internal

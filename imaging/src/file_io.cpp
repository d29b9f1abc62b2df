// Whole-file reading into a large block, through core's file calls.
#include "file_io.h"

#include "lumeno/core/file.h"

#include <cstring>
#include <string>

namespace pictavo_internal {

bool ReadWholeFile(const char* fileName, LargeBuffer& bytes, size_t& size) {
    size = 0;
    size_t room = 0;
    // Every byte is read into or cleared below; no need to clear the block first.
    const int error = lumeno::ReadWholeFile(
        fileName, kMaxFileBytes,
        [&](size_t fileSize) -> uint8_t* {
            room = fileSize + 1;
            return bytes.Allocate(room, false) ? bytes.data() : nullptr;
        },
        size);
    if (error || !bytes.data()) {
        size = 0;
        return false;
    }
    // A file that shrank meanwhile is read as far as it goes.
    std::memset(bytes.data() + size, 0, room - size);
    return true;
}

} // namespace pictavo_internal

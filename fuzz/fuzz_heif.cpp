// Feeds arbitrary bytes to OpenDib as a HEIC/HEIF file: the first bytes are forced to the format's
// signature so that every input reaches that decoder.
#include "pictavo.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    if (bytes.size() < 8) bytes.resize(8);
    std::memcpy(bytes.data() + 4, "ftyp", 4);
    TDib dib;
    OpenDibMemory(&dib, bytes.data(), bytes.size(), nullptr);
    deldib(&dib);
    return 0;
}

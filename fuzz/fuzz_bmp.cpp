// Feeds arbitrary bytes to OpenDib as a BMP file: the first bytes are forced to the format's
// signature so that every input reaches that decoder.
#include "pictavo.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    if (bytes.size() < 2) bytes.resize(2);
    bytes[0] = 0x42;
    bytes[1] = 0x4D;
    TDib dib;
    OpenDibMemory(&dib, bytes.data(), bytes.size(), nullptr);
    deldib(&dib);
    return 0;
}

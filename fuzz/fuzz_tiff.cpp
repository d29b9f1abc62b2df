// Feeds arbitrary bytes to OpenDib as a TIFF file: the first bytes are forced to the format's
// signature so that every input reaches that decoder.
#include "pictavo.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    if (bytes.size() < 4) bytes.resize(4);
    const bool big = bytes[0] == 0x4D;
    const uint8_t little[] = {0x49, 0x49, 42, 0}, bigEndian[] = {0x4D, 0x4D, 0, 42};
    std::memcpy(bytes.data(), big ? bigEndian : little, 4);
    TDib dib;
    OpenDibMemory(&dib, bytes.data(), bytes.size(), nullptr);
    deldib(&dib);
    return 0;
}

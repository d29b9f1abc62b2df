// Feeds arbitrary bytes to OpenDib as a PNG file: the first bytes are forced to the format's
// signature so that every input reaches that decoder.
#include "pictavo.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    const uint8_t magic[] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    if (bytes.size() < sizeof magic) bytes.resize(sizeof magic);
    std::memcpy(bytes.data(), magic, sizeof magic);
    TDib dib;
    OpenDibMemory(&dib, bytes.data(), bytes.size(), nullptr);
    deldib(&dib);
    return 0;
}

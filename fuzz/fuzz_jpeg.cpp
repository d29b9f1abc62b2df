// Feeds arbitrary bytes to OpenDib as a JPEG file: the first bytes are forced to the format's
// signature so that every input reaches that decoder.
#include "pictavo.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    const uint8_t magic[] = {0xFF, 0xD8, 0xFF};
    if (bytes.size() < sizeof magic) bytes.resize(sizeof magic);
    std::memcpy(bytes.data(), magic, sizeof magic);
    TDib dib;
    OpenDibMemory(&dib, bytes.data(), bytes.size(), nullptr);
    deldib(&dib);
    return 0;
}

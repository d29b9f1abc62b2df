// Feeds arbitrary bytes to OpenDib and OpenDibReduced as a HEIC/HEIF file: the first bytes are
// forced to the format's signature so that every input reaches that decoder.
#include "pictavo.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    if (bytes.size() < 8) bytes.resize(8);
    std::memcpy(bytes.data() + 4, "ftyp", 4);
    TDib dib;
    OpenDibMemory(&dib, bytes.data(), bytes.size(), nullptr);
    deldib(&dib);
    // The reduced load takes other roads (scaling, embedded thumbnails); it reads files only.
    static const std::string file = "/tmp/fuzz_heif_" + std::to_string(getpid());
    if (std::FILE* f = std::fopen(file.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        int w = 0, h = 0;
        OpenDibReduced(&dib, file.c_str(), 80, 80, &w, &h, nullptr);
        deldib(&dib);
        std::remove(file.c_str());
    }
    return 0;
}

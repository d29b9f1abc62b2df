#pragma once
// The body shared by the decoder fuzz targets: the input, with the format's signature written
// over its first bytes so that every input reaches that decoder, goes through OpenDib and,
// for formats with a reduced load, through OpenDibReduced too.
#include "pictavo.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

struct SignaturePart {
    size_t offset;
    std::string_view bytes;
};

inline void FuzzDecoder(const uint8_t* data, size_t size,
                        std::initializer_list<SignaturePart> signature, const char* name,
                        bool alsoReduced) {
    std::vector<uint8_t> bytes(data, data + size);
    for (const SignaturePart& part : signature) {
        if (bytes.size() < part.offset + part.bytes.size())
            bytes.resize(part.offset + part.bytes.size());
        std::memcpy(bytes.data() + part.offset, part.bytes.data(), part.bytes.size());
    }
    TDib dib;
    OpenDibMemory(&dib, bytes.data(), bytes.size(), nullptr);
    deldib(&dib);
    if (!alsoReduced) return;
    // The reduced load takes other roads (scaling, embedded thumbnails); it reads files only.
    static const std::string file =
        std::string("/tmp/fuzz_") + name + "_" + std::to_string(getpid());
    if (std::FILE* f = std::fopen(file.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        int w = 0, h = 0;
        OpenDibReduced(&dib, file.c_str(), 80, 80, &w, &h, nullptr);
        deldib(&dib);
        std::remove(file.c_str());
    }
}

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

#include <sys/mman.h>
#include <unistd.h>

// A file in memory that each input is written over, named by its /proc path: a real file
// created and deleted per input (or emptied and written again, which some file systems then
// force onto the disk) cost more time than the decoding.
class ScratchFile {
  public:
    explicit ScratchFile(const char* name)
        : fd_(::memfd_create(name, 0)), name_("/proc/self/fd/" + std::to_string(fd_)) {}
    ~ScratchFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const char* Name() const { return name_.c_str(); }
    // Replaces the file's content; false when it cannot be written.
    bool Write(const std::vector<uint8_t>& bytes) const {
        return fd_ >= 0 && ::ftruncate(fd_, 0) == 0 &&
               ::pwrite(fd_, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size());
    }

  private:
    int fd_;
    std::string name_;
};

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
    static const ScratchFile file(name);
    if (file.Write(bytes)) {
        int w = 0, h = 0;
        OpenDibReduced(&dib, file.Name(), 80, 80, &w, &h, nullptr);
        deldib(&dib);
    }
}

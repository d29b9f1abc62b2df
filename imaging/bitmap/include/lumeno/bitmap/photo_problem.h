#pragma once
// Why a photo file gave no picture, told apart after a failed load so that the window and the
// command line can name the reason. The front ends give each code its words.
#include <string>

namespace lumeno {

enum class TPhotoProblem {
    kMissing,     // no such file (deleted or moved since it was added)
    kUnreadable,  // the file exists but cannot be read (no permission, a folder, ...)
    kEmpty,       // 0 bytes
    kNotAPicture, // its first bytes are no format the image library reads
    kDamaged,     // a known format whose picture could not be decoded
    kNotEncoded,  // the picture was read, but its JPEG could not be written or read back
};

// Looks at the file once more (its existence, size and first bytes) after OpenDib gave no
// picture. Never kNotEncoded. Any thread; reads at most a few bytes.
TPhotoProblem WhyPhotoUnreadable(const std::string& fileName);

} // namespace lumeno

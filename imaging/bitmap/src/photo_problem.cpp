#include "lumeno/bitmap/photo_problem.h"

#include "lumeno/core/file.h"
#include "pictavo.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace lumeno {

TPhotoProblem WhyPhotoUnreadable(const std::string& fileName) {
    TFile file = OpenFile(fileName, TFileMode::kRead);
    if (!file)
        return errno == ENOENT || errno == ENOTDIR ? TPhotoProblem::kMissing
                                                   : TPhotoProblem::kUnreadable;
    const int64_t size = file.Size();
    if (size == 0) return TPhotoProblem::kEmpty;
    uint8_t head[16];
    const size_t got = std::fread(head, 1, sizeof head, file.get());
    if (size < 0 || got == 0) return TPhotoProblem::kUnreadable;
    return IsDibFormat(head, got) ? TPhotoProblem::kDamaged : TPhotoProblem::kNotAPicture;
}

} // namespace lumeno

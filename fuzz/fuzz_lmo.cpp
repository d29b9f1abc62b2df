// The project-file reader over arbitrary bytes. Besides crashes and over-reads it checks that
// what was read writes back into a file that reads back to the same show and settings, and
// writes again to the same bytes.
#include "lumeno/project/project_file.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

bool SameShow(lumeno::TSlideShow& a, lumeno::TSlideShow& b) {
    if (a.Count() != b.Count() || a.CurFoto != b.CurFoto) return false;
    for (int i = 0; i < a.Count(); ++i)
        if (a.Fotos[i].FileName != b.Fotos[i].FileName || a.Fotos[i].Text != b.Fotos[i].Text)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lumeno;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TSlideShow show;
    show.AddPhotos({"/vorher.jpg"}, true);
    const TShowSettings before{};
    const ProjectReadResult r = ReadProjectBytes(bytes, show, before);
    if (!r.markerValid && show.Count() != 0) std::abort();
    if (r.ok != (r.code == ProjectFileError::None || r.code == ProjectFileError::TrailingData))
        std::abort();
    if (r.settings.FadeTime < kMinTime || r.settings.FadeTime > kMaxTime) std::abort();
    if (r.settings.PauseTime < kMinTime || r.settings.PauseTime > kMaxTime) std::abort();

    const std::string written = ProjectFileBytes(show, r.settings);
    TSlideShow again;
    const ProjectReadResult r2 = ReadProjectBytes(written, again, before);
    if (!r2.ok || r2.code != ProjectFileError::None || !SameShow(show, again)) std::abort();
    if (ProjectFileBytes(again, r2.settings) != written) std::abort();
    return 0;
}

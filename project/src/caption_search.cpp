#include "lumeno/project/caption_search.h"

#include "lumeno/core/text.h"
#include "platform.h"

namespace lumeno {

std::vector<TSearchRow> SearchCaptions(const TSlideShow& show, std::string_view searchUtf8) {
    std::vector<TSearchRow> rows;
    if (searchUtf8.empty()) return rows;
    // A caption is compared as it is shown (its stored character references read back),
    // a file name in the bytes paths are held in.
    const std::string inCaption = UpperCaseAZ(searchUtf8);
    const std::string inFileName = UpperCaseAZ(platform::Utf8ToPath(searchUtf8));
    int position = 0;
    for (const TFotoRecord& foto : show.Fotos) {
        std::string name = FileNameWithoutDir(foto.FileName);
        if (UpperCaseAZ(CaptionToUtf8(foto.Text)).find(inCaption) != std::string::npos ||
            UpperCaseAZ(name).find(inFileName) != std::string::npos)
            rows.push_back({std::move(name), foto.Text, position});
        ++position;
    }
    return rows;
}

} // namespace lumeno

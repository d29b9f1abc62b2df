#include "lumeno/project/caption_search.h"

#include "lumeno/core/text.h"
#include "platform.h"

namespace lumeno {

std::vector<TSearchRow> SearchCaptions(const TSlideShow& show, std::string_view searchUtf8) {
    std::vector<TSearchRow> rows;
    if (searchUtf8.empty()) return rows;
    // Captions are Windows-1252 and file names are path bytes, so the search text is
    // brought into each encoding before comparing.
    const std::string inCaption = UpperCaseAZ(Utf8ToCp1252(searchUtf8));
    const std::string inFileName = UpperCaseAZ(platform::Utf8ToPath(searchUtf8));
    int position = 0;
    for (const TFotoRecord& foto : show.Fotos) {
        std::string name = FileNameWithoutDir(foto.FileName);
        if (UpperCaseAZ(foto.Text).find(inCaption) != std::string::npos ||
            UpperCaseAZ(name).find(inFileName) != std::string::npos)
            rows.push_back({std::move(name), foto.Text, position});
        ++position;
    }
    return rows;
}

} // namespace lumeno

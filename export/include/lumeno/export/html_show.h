#pragma once
// The slide show as one self-contained HTML file that plays in a current browser without
// scripts: the presentation's own SVG document (the same builder, the same time line and
// caption escaping), inline, its photos as JPEG data URIs, the background colour filling
// the window. The file is Windows-1252 text like the SVG; the photos are written one at a
// time, so only one photo's JPEG and its base64 text are in memory at once.
#include "lumeno/export/export_driver.h"
#include "lumeno/export/pdf_writer.h"
#include "lumeno/project/show.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumeno {

// Standard base64 (with "=" padding, no line breaks) of `size` bytes.
std::string Base64(const uint8_t* data, size_t size);

// The page up to the SVG document and after it. `title` is Windows-1252 text, escaped here.
std::string HtmlShowHead(const TShowSettings& settings, const std::string& title);
std::string HtmlShowTail();

// The SVG document as it stands in the page: without XML declaration and document type,
// cut at every photo's image reference. Piece i (0-based) ends right before the reference
// of photo i + 1, so the page is piece 0, photo 1's URI, piece 1, ... piece n.
std::vector<std::string> HtmlShowSvgParts(const std::vector<std::string>& captions,
                                          const TShowSettings& settings);

// Writes the page to `path` (created or truncated), asking `source` for photo 1..n in
// order, n = captions.size(). Results as WritePdfSlideShow: kCannotCreate / kWriteError
// with errno, kStopped when the source gives nothing (the partial file stays; the caller
// removes it). `title` as for HtmlShowHead.
TPdfResult WriteHtmlSlideShow(const std::string& path, const std::vector<std::string>& captions,
                              const TShowSettings& settings, const TPhotoSource& source,
                              const std::string& title = "Diashow");

// The German text for a failed HTML export (UTF-8, empty for kOk): kCannotCreate gives
// "Die Datei " + path + " konnte nicht erstellt werden!", every other code ExportMessage's.
std::string HtmlShowMessage(const TExportResult& result);

} // namespace lumeno

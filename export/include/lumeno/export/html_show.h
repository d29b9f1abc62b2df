#pragma once
// The slide show as one self-contained HTML file that plays in a current browser without
// scripts: one inline SVG on the background colour; each photo in its own coordinate system
// of the photo page's size (photo_pages.h), centred and letterboxed at any window shape,
// the photo centred in it as on the photo page, with its caption laid out as there
// (caption_text.h, each line drawn at its laid-out width whatever font the browser picks), so
// the caption keeps its place and size relative to the photo and stays inside. The photos fade on
// the presentation's time line; with loop the show starts again after its end. The file is
// Windows-1252 text, captions written as character references; the photos are JPEG data URIs
// written one at a time, so only one photo's JPEG and its base64 text are in memory at once.
#include "lumeno/export/caption_text.h"
#include "lumeno/export/document_texts.h"
#include "lumeno/export/pdf_writer.h"
#include "lumeno/export/photo_pages.h"
#include "lumeno/project/show.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace lumeno {

// Standard base64 (with "=" padding, no line breaks) of `size` bytes.
std::string Base64(const uint8_t* data, size_t size);

// The page up to the outer SVG's background, and after the last photo. `language` is the
// page's language tag (ASCII, as the front end gives it); `title` is Windows-1252 text,
// escaped here.
std::string HtmlShowHead(const TShowSettings& settings, const std::string& language,
                         const std::string& title);
std::string HtmlShowTail();

// Photo k's (1-based, of n) opacity animation: one element over the whole show, values
// 0;0;1;1;0;0 at the start, fade-in begin and end, fade-out begin and end, and the end of
// the show (with cross-fade, every photo but the last stays fully visible until the next one
// has faded in over it, and then goes at once); repeated endlessly with loop, otherwise frozen at
// its end (the background).
std::string HtmlPhotoAnimation(int k, int n, const TShowSettings& settings, bool loop);

// Photo k's part of the page, cut where its image data URI goes. `page` has the upright
// photo's proportions; a picture with an EXIF orientation 2..8 (TJpegImage::Orientation) is
// turned upright by a transform.
std::pair<std::string, std::string> HtmlShowPhoto(int k, int n, const TPageSize& page,
                                                  const TCaptionLayout& caption,
                                                  const TShowSettings& settings, bool loop,
                                                  int32_t orientation = 1);

// Writes the page to `path` (created or truncated), asking `source` for photo 1..n in
// order, n = captions.size(). Results as WritePdfSlideShow: kCannotCreate / kWriteError
// with errno, kStopped when the source gives nothing (the partial file stays; the caller
// removes it). The page's language and title come from `words` (TDocumentWords::HtmlLanguage
// and HtmlTitle, as for HtmlShowHead).
TPdfResult WriteHtmlSlideShow(const std::string& path, const std::vector<std::string>& captions,
                              const TShowSettings& settings, const TPhotoSource& source,
                              const TDocumentWords& words, bool loop = false);

} // namespace lumeno

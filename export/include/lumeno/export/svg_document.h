#pragma once
// The SVG presentation that plays the slide show (stored zlib-compressed: ZlibCompress in
// output_encoding.h), on the show's time line (show_timeline.h).
//
// The document is 8-bit text (declared ISO-8859-1), every line ending in CR LF. Captions
// are Windows-1252 bytes: they are XML-escaped ("<" ">" and "&" unless it starts a numeric
// character reference), bytes 0x80-0x9F become numeric references of their characters and
// control characters XML forbids are dropped, so every document is well-formed.
#include "lumeno/project/show.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumeno {

// A caption (Windows-1252 bytes) as XML character data; see the header comment.
std::string EscapeCaption(const std::string& cp1252);

// A photo whose own JPEG data are embedded with an EXIF orientation 2..8: its stored size
// and the orientation. Every other photo has the default (orientation 1: not turned).
struct TSvgTurn {
    int32_t Width = 0, Height = 0;
    int32_t Orientation = 1;
};

// The whole document for the captions (in show order) and the settings. A photo with a turn
// (turns[i], where given) is placed in a frame of its upright proportions that turns it
// there; without turns the document is the same as ever.
std::string BuildSvgDocument(const std::vector<std::string>& captions,
                             const TShowSettings& settings,
                             const std::vector<TSvgTurn>& turns = {});

} // namespace lumeno

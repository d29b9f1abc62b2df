#pragma once
// The SVG presentation that plays the slide show, and its one-shot zlib compression.
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

// Seconds as text: at most 15 significant digits, fixed-point, trailing zeros removed, no
// point for whole values, always "." whatever the locale (1 -> "1", 1.5 -> "1.5").
std::string FormatSeconds(double seconds);

// A colour 0x00BBGGRR as six upper-case hex digits, red first ("FFFF00" for yellow);
// the caller adds the "#".
std::string ColourHex(uint32_t colour);

// A caption (Windows-1252 bytes) as XML character data; see the header comment.
std::string EscapeCaption(const std::string& cp1252);

// The whole document for the captions (in show order) and the settings.
std::string BuildSvgDocument(const std::vector<std::string>& captions,
                             const TShowSettings& settings);

// zlib stream (two-byte header, deflate, Adler-32) of `text` at level 9 in one call.
// Returns false (out untouched) when zlib fails.
bool CompressSvg(const std::string& text, std::vector<uint8_t>& out);

} // namespace lumeno

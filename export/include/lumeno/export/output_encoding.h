#pragma once
// How values and streams are written into every exported file (the SVG presentation, the PDF,
// the HTML show): seconds, PDF numbers and colours as locale-independent text, and zlib
// streams.
#include <cstdint>
#include <string>
#include <vector>

namespace lumeno {

// Seconds as text: at most 15 significant digits, fixed-point, trailing zeros removed, no
// point for whole values, always "." whatever the locale (1 -> "1", 1.5 -> "1.5").
std::string FormatSeconds(double seconds);

// A real number for a PDF: at most four decimals, no exponent, "." always ("0.5", "-2", "0").
std::string PdfNumber(double value);

// A colour 0x00BBGGRR as six upper-case hex digits, red first ("FFFF00" for yellow);
// the caller adds the "#".
std::string ColourHex(uint32_t colour);

// zlib stream (two-byte header, deflate, Adler-32) of `data` at level 9 in one call, as the
// presentation document and the embedded font programs are stored. Returns false (out
// untouched) when zlib fails.
bool ZlibCompress(const std::string& data, std::vector<uint8_t>& out);

} // namespace lumeno

#pragma once
// Small text helpers shared by the slide-show program.
//
// Captions are held as Windows-1252 bytes on every platform; file names are the platform's
// own 8-bit bytes (UTF-8 on Linux). A caption character that Windows-1252 cannot hold is
// stored as a decimal numeric character reference ("&#321;") and turned back into its
// character wherever a caption is shown or edited.
#include <string>
#include <string_view>

namespace lumeno {

// Upper-cases the ASCII letters a-z only; every other byte (umlauts, ß, UTF-8) stays.
std::string UpperCaseAZ(std::string_view text);

// The part after the last '\' or '/'; the whole text when it holds neither.
std::string FileNameWithoutDir(std::string_view path);

// Windows-1252 bytes to UTF-8. Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D, undefined in
// Windows-1252, map to the C1 control characters of the same value.
std::string Cp1252ToUtf8(std::string_view cp1252);

// UTF-8 to Windows-1252. A character Windows-1252 cannot hold becomes "&#N;" (N decimal);
// a malformed UTF-8 sequence becomes "&#65533;".
std::string Utf8ToCp1252(std::string_view utf8);

// "&#" written as "&#38;#" ("&#38;" is the ampersand), so that text that looks like a
// character reference is not read as one. Other bytes stay; ASCII-compatible text only.
std::string EscapeTypedReferences(std::string_view text);

// A caption as typed (UTF-8) to its stored form: Utf8ToCp1252, where a typed "&#" is first
// written as "&#38;#", so that CaptionToUtf8 gives back exactly what was typed.
std::string CaptionFromUtf8(std::string_view utf8);

// For showing, editing and searching a caption: Windows-1252 to UTF-8, every "&#N;" whose
// character Windows-1252 cannot hold (those Utf8ToCp1252 wrote) back into that character,
// and "&#38;" back into "&". Other references stay as they are written.
std::string CaptionToUtf8(std::string_view cp1252);

// The Unicode code point of a Windows-1252 byte.
char32_t Cp1252ToCodePoint(unsigned char byte);

// The Windows-1252 byte of a code point, or -1 when Windows-1252 has none.
int CodePointToCp1252(char32_t cp);

} // namespace lumeno

#pragma once
// What differs between Windows and the other systems; one source file per platform.
#include <string>
#include <string_view>

namespace lumeno::platform {

// Path bytes (UTF-8 here, the ANSI code page on Windows) to Windows-1252 caption bytes.
std::string PathToCp1252(std::string_view path);

// The part of a path after its last folder separator: "/" on POSIX systems, where "\" is
// an ordinary character of a file name; "\" or "/" on Windows.
std::string FileNameOfPath(std::string_view path);

// Text typed by the user (UTF-8) to the bytes paths are held in.
std::string Utf8ToPath(std::string_view utf8);

} // namespace lumeno::platform

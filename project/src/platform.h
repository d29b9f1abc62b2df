#pragma once
// What differs between Windows and the other systems; one source file per platform.
#include <cstdio>
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

// Creates a file that must not exist yet, for writing in binary mode. Returns nullptr with
// errno set (EEXIST when the name is taken).
std::FILE* CreateNewFile(const std::string& path);

// Forces what was written to `file` (already flushed) onto the device. Returns 0 or the
// system's error number.
int SyncFile(std::FILE* file);

} // namespace lumeno::platform

#pragma once
// What differs between the systems for file.h; one source file per system.
#include "lumeno/core/file.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace lumeno::file_platform {

// Opens `name` as `mode` asks, binary, not inherited; a new file is readable by its owner
// only when `ownerOnly`. Null with errno set on failure, EISDIR for a folder.
std::FILE* Open(const std::string& name, TFileMode mode, bool ownerOnly);

// The size of the open file in bytes; -1 with errno set when it cannot be had.
int64_t Size(std::FILE* file);

// True for a file on a disk, false for a device or a pipe.
bool IsPlainFile(std::FILE* file);

// Forces what was flushed onto the device; 0 or the error number.
int Sync(std::FILE* file);

// Deletes a file; 0 or the error number.
int Remove(const std::string& name);

// Renames `from` over `to`, replacing it in one step; 0 or the error number.
int Replace(const std::string& from, const std::string& to);

// What is at `name`: nothing (ENOENT, with `exists` false), a folder, a plain file (its
// rights in `mode`) or something else (a device, a pipe). 0 or the error number.
enum class TKind { kNothing, kFolder, kPlainFile, kOther };
int Inspect(const std::string& name, TKind& kind, uint32_t& mode);

// The target of a link, as a full name; `name` itself when it is no link.
std::string ResolveLink(const std::string& name);

// Gives a file the rights `mode`; where the system has no such rights, nothing happens.
// 0 or the error number.
int SetMode(const std::string& name, uint32_t mode);

// The rights a new file gets (0666 less the umask); 0 where the system has none.
uint32_t NewFileMode();

// The system's folder for temporary files, ending in its separator.
std::string TempFolder();

} // namespace lumeno::file_platform

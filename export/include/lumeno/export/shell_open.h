#pragma once
// Opening a file with the system's associated application, and short path names. One
// implementation per platform, chosen by the build (shell_open_posix.cpp, shell_open_win.cpp).
#include <string>

namespace lumeno {

// Opens `path` with the verb "open" (the system's PDF viewer for a PDF). Does not wait for
// the viewer; may wait up to a second for the system to say it has none. Returns false when
// no viewer could be started; callers may ignore it.
bool ShellOpenFile(const std::string& path);

// The short (8.3) form of an existing file's path; a missing file is created empty first.
// Where the platform has no short names the path comes back unchanged. Empty on failure.
std::string ShortFileName(const std::string& path);

} // namespace lumeno

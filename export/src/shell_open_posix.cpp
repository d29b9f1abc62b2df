// Opening files and short names where there is no Windows shell: xdg-open, started
// without a shell so no character of the path is interpreted.
#include "lumeno/export/shell_open.h"

#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace lumeno {

bool ShellOpenFile(const std::string& path) {
    std::string program = "xdg-open";
    std::string arg = path;
    char* argv[] = {program.data(), arg.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0) return false;
    // Reap the launcher in the background; the viewer it starts lives on by itself.
    try {
        std::thread([pid] {
            int status = 0;
            ::waitpid(pid, &status, 0);
        }).detach();
    } catch (const std::system_error&) {
    }
    return true;
}

std::string ShortFileName(const std::string& path) {
    return path;
}

} // namespace lumeno

// Opening files and short names where there is no Windows shell: xdg-open, started
// without a shell so no character of the path is interpreted.
#include "lumeno/export/shell_open.h"

#include <chrono>
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
    // xdg-open tells within a moment when it finds nothing to open the file with (exit code
    // 3 or 4); when it is still running after that, it has started a viewer and may wait for
    // it to close.
    for (int waited = 0; waited < 1000; waited += 20) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
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

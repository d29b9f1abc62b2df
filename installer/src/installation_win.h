// One installation run: reading the script from the installer's folder, copying the files,
// the shortcut pass, the open pass and the end of a run. Windows only; the wizard and
// progress windows themselves live in the program's main file.
#pragma once

#include "install_script.h"
#include "shell_win.h"

#include <windows.h>

#include <string>

namespace installer {

struct InstallOptions {
    bool CreateDesktopIcon = true;
    bool StartAfterInstall = true;
    bool DesktopIconForAll = false;
    bool NoStartMenu = false;
};

// Everything a run reads and writes. Folders end in "\".
struct InstallRun {
    InstallScript Script;
    InstallMode Mode = InstallMode::MachineWide;
    std::string SourceFolder;
    std::string TargetFolder;
    std::string WindowsFolder;
    InstallOptions Options;
    bool Silent = false;
    std::string Email;          // empty: no newsletter request
    std::string ProgramToStart; // set by the shortcut pass
    HWND Progress = nullptr;    // owner of the shell opens and the final message; may be null
    HWND StatusText = nullptr;  // the progress window's status line; may be null
};

// The folder of the running program file, ending in "\".
std::string ProgramFolder();
// The Windows folder, ending in "\".
std::string WindowsFolderPath();

// Reads sourceFolder + "Install.log" into run.Script and fixes run.Mode (through
// GetBaseFolder). False when the file is missing, unreadable or defective; the caller shows
// the defect message.
ScriptResult ReadInstallScriptFrom(const std::string& sourceFolder, InstallRun& run);
// The same from the installer's own folder; sets run.SourceFolder.
bool ReadInstallScript(InstallRun& run);

// Copies one file in 2048-byte blocks; shows the status text first and reports a failure
// in a message box itself. Never overwrites the source with itself.
void CopyInstallFile(InstallRun& run, const std::string& source, const std::string& destination);

// Makes the target folder, then the copy pass, the shortcut pass and the open pass, in this
// order; without Silent it ends with the final message.
void InstallFiles(InstallRun& run);
// After the final message (not in silent mode): starts ProgramToStart when asked for and
// opens the newsletter address for a non-empty e-mail text.
void FinishInstallation(const InstallRun& run);

} // namespace installer

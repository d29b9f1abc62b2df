// One installation run: reading the script from the installer's folder, copying the files,
// the shortcut pass, the open pass and the end of a run. Windows only; the wizard and
// progress windows themselves live in the program's main file.
#pragma once

#include "install_script.h"
#include "install_text.h"
#include "shell_win.h"

#include <windows.h>

#include <string>
#include <vector>

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
    // The outcome: refused before anything was written, or what could not be installed
    // (one line each: destination and reason, or the registry entry).
    Refusal Refused = Refusal::None;
    std::string RefusedWhat;
    std::vector<std::string> Failures;
};

// The folder of the running program file, ending in "\".
std::string ProgramFolder();
// The Windows folder, ending in "\".
std::string WindowsFolderPath();

// Reads sourceFolder + "Install.log" into run.Script and fixes run.Mode (through
// GetBaseFolder). False when the file is missing, unreadable or defective, or when its
// default target is a protected folder (SystemFolders); the caller shows the defect message.
ScriptResult ReadInstallScriptFrom(const std::string& sourceFolder, InstallRun& run);
// The same from the installer's own folder; sets run.SourceFolder.
bool ReadInstallScript(InstallRun& run);

// Copies one file in 2048-byte blocks into a new file beside the destination, which then
// replaces the destination: a link there is replaced, never followed, and a failed copy
// leaves the old file whole. Shows the status text first; a failure is added to
// run.Failures and, unless Silent, shown in a message box that names its reason. Never
// overwrites the source with itself; never reads a source that a link leads out of
// the package (`relative` is the file's name below run.SourceFolder).
bool CopyInstallFile(InstallRun& run, const std::string& source, const std::string& destination,
                     const std::string& relative);

// Checks everything the run would write before anything is written: the target folder, the
// uninstaller's place in the Windows folder and its Uninstall key, every Run value and every
// shortcut file. Something that exists and is not this product's refuses the run.
Refusal CheckBeforeInstalling(const InstallRun& run, std::string& what);

// The check above, then the target folder, the copy pass, the shortcut pass and the open
// pass, in this order; without Silent it ends with the final message (or the refusal, or the
// list of what failed). An entry whose copy failed gets no shortcut, Run value, uninstall
// entry or open. False when the run was refused or anything failed.
bool InstallFiles(InstallRun& run);
// After the final message (not in silent mode): starts ProgramToStart when asked for and
// opens the newsletter address for a non-empty e-mail text.
void FinishInstallation(const InstallRun& run);

} // namespace installer

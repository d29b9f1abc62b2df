// The installer's operations on the registry and the shell: installation mode and base
// folder, start-menu and desktop folders, folder creation, shortcut files, the autostart
// value and the uninstall registration. Windows only. Paths and names are ANSI (Windows-1252)
// texts as the script holds them. None of these report a failure to the caller unless stated.
#pragma once

#include <windows.h>

#include <string>

namespace installer {

enum class InstallMode { MachineWide, PerUser };

// The seams to the outside that tests replace: how keys are opened, how messages are shown,
// how files are opened through the shell. Hooks() starts with the real Windows calls.
struct PlatformHooks {
    // Opens root\subKey with full access, creating it when `create`; ERROR_SUCCESS or an error.
    LONG (*openKey)(HKEY root, const char* subKey, bool create, HKEY* key);
    // A message box; an empty caption means the system's default caption. Texts are ANSI.
    int (*message)(HWND owner, const std::string& text, const std::string& caption, UINT flags);
    // Opens a file or address with the verb "open"; the result is not looked at.
    void (*shellOpen)(HWND owner, const std::string& file, const std::string& folder);
    // Called with every status text of the progress window; may be null.
    void (*status)(const std::string& text);
};
PlatformHooks& Hooks();
PlatformHooks DefaultHooks();

// Base folder for the default target, ending in "\"; fixes the mode. HKLM's CurrentVersion
// key opening with full access means MachineWide and "ProgramFilesDir"; else HKCU's
// "Volatile Environment" means PerUser and "APPDATA". An empty value falls back to the
// environment variable ProgramFiles or APPDATA; with nothing at all it is "c:\programme\".
std::string GetBaseFolder(InstallMode& mode);

// The user's start-menu "Programs" folder + group + "\". Empty when "Programs" cannot be
// read: then no start-menu folder or shortcut is made.
std::string StartMenuFolder(const std::string& startMenuGroup);
// The user's own desktop folder, or the common one of all users; ends in "\". Empty when
// the shell does not know it: then no desktop shortcut is made.
std::string DesktopFolder(bool desktopIconForAll);

// Creates the folder and every missing folder above it; true when it exists afterwards.
bool ForceFolder(const std::string& folder);

// Writes a shell link: target, empty arguments, the working folder, SW_SHOW; notifies the shell.
void MakeShortcut(const std::string& link, const std::string& target,
                  const std::string& workingFolder);

// HKCU Run key: value `name` := `path`.
void AddAutostartValue(const std::string& name, const std::string& path);

// HKLM Uninstall\<folderName>: "DisplayName" and "UninstallString".
void RegisterUninstaller(const std::string& folderName, const std::string& windowsFolder,
                         const std::string& uninstaller, const std::string& targetFolder);

// True when some HKLM Uninstall\<name> key's "UninstallString" starts with
// windowsFolder + uninstaller + " \"" (compared without case): that file in the Windows
// folder is an uninstaller this installer registered, and a new copy may replace it.
bool IsRegisteredUninstaller(const std::string& windowsFolder, const std::string& uninstaller);

// Registry texts: a missing value reads as empty.
std::string ReadStringValue(HKEY key, const char* name);
bool WriteStringValue(HKEY key, const char* name, const std::string& value);

} // namespace installer

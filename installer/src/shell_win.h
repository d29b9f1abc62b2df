// The installer's operations on the registry and the shell: installation mode and base
// folder, start-menu and desktop folders, folder creation, shortcut files, the autostart
// value and the uninstall registration. Windows only. Paths and names are ANSI (Windows-1252)
// texts as the script holds them. None of these report a failure to the caller unless stated.
#pragma once

#include "install_script.h"

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
// A link file that is a symbolic link is replaced, never written through.
void MakeShortcut(const std::string& link, const std::string& target,
                  const std::string& workingFolder);

// HKCU Run key: value `name` := `path` in double quotation marks. False when the key did not
// open or the value could not be written.
bool AddAutostartValue(const std::string& name, const std::string& path);

// HKLM Uninstall\<folderName>: "DisplayName" and "UninstallString". False when the key did not
// open or a value could not be written.
bool RegisterUninstaller(const std::string& folderName, const std::string& windowsFolder,
                         const std::string& uninstaller, const std::string& targetFolder);

// Whose an existing registry value, key or shortcut file is.
enum class Owner { Absent, Ours, Foreign };

// HKLM Uninstall\<folderName>: ours when its "DisplayName" is folderName and its
// "UninstallString" starts with windowsFolder + uninstaller + " \"" (compared without case).
// A key above it ("Uninstall\A" for the folder "A\B") that exists makes it foreign: the entry
// would be a key inside another product's key.
Owner UninstallKeyOwner(const std::string& folderName, const std::string& windowsFolder,
                        const std::string& uninstaller);
// HKCU Run value `name`: ours when it holds `path`, quoted or not (compared without case).
Owner RunValueOwner(const std::string& name, const std::string& path);
// A shortcut file: ours when it is a shell link to `target` (compared without case) and no
// symbolic link.
Owner ShortcutOwner(const std::string& link, const std::string& target);

// True for a folder or file that is a symbolic link, junction or other reparse point.
bool IsReparsePoint(const std::string& path);
// True when folder + relative does not exist, or the system resolves it to the place the
// name says (folder's own resolved path, "\", relative): no link inside leads elsewhere.
bool ResolvesInside(const std::string& folder, const std::string& relative);

// The folders no installation may use as its target (see CheckTargetFolder): the drive's
// system folders, the profile folders, the start menu and the shared program folders.
ProtectedFolders SystemFolders(const std::string& baseFolder);

// Registry texts: a missing value reads as empty.
std::string ReadStringValue(HKEY key, const char* name);
bool WriteStringValue(HKEY key, const char* name, const std::string& value);

} // namespace installer

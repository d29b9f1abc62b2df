// The install script Install.log: reading and checking it into an InstallScript.
// Portable: no Windows call here, so the reader also runs (and is tested) natively.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace installer {

// Texts are 8-bit Windows-1252 bytes exactly as they stand in the script.
struct ScriptEntry {
    std::string FileName; // relative to source and target folder, at most 99 characters
    std::string Marker;   // keyword or shortcut caption, at most 99 characters
};

struct InstallScript {
    std::string ProductName;          // line 3, at most 214 characters (longer lines are cut)
    std::string FolderName;           // line 4 after the "C:\PROGRAMME\" prefix rule
    std::string DefaultTarget;        // base folder + FolderName
    std::string StartMenuGroup;       // line 5
    std::string Reserved;             // line 6
    uint16_t Count = 0;               // low 16 bits of line 7
    std::vector<ScriptEntry> Entries; // in file order, Count of them when the script is sound
};

constexpr std::size_t kMaxEntries = 200;
constexpr std::size_t kMaxEntryText = 99;
constexpr std::size_t kMaxProductName = 214;
constexpr std::size_t kMaxTargetPath = 255;

// Why a script was refused; the user sees one message for all of them.
enum class ScriptDefect {
    None,
    Unreadable,     // missing file or read error
    Header,         // line 1 differs
    WarningLine,    // line 2 differs
    TargetTooLong,  // base folder + FolderName longer than 255 characters
    Count,          // line 7 is no number
    TooManyEntries, // more than 200 entries
    MissingLines,   // fewer lines than the count needs, or the file ends right after the last entry
    UnsafeText,     // a line of 3 to 6 or of an entry holds a control character or one of "*?<>|
    UnsafeFolder,   // line 4 would put the target outside the base folder, or no full path results
    UnsafeGroup,    // line 5 is no name below the start-menu "Programs" folder
    UnsafeFileName, // a FileName that is absolute, names a drive, a device or climbs out with ".."
    UnsafeShortcut, // a shortcut caption that would put the .lnk file outside its folder
    UnsafeUninstaller, // a DEINST! FileName that is no plain ".exe" file name
    SecondUninstaller, // more than one DEINST! entry: only one can be registered
};

struct ScriptResult {
    bool ok = false;
    ScriptDefect code = ScriptDefect::Unreadable;
    int line = 0; // 1-based line of the defect, 0 when none or not tied to a line
};

// Parses the bytes of Install.log. getBaseFolder is called exactly once, after line 4 was
// read (it fixes the installation mode as a side effect) and yields the base folder ending
// in "\" unless empty. On failure `script` holds whatever was read up to the defect.
ScriptResult ParseInstallScript(std::string_view bytes,
                                const std::function<std::string()>& getBaseFolder,
                                InstallScript& script);

// Line 4 to FolderName: removes a leading "C:\PROGRAMME\" compared in capitals (a-z only).
std::string FolderNameFromLine(const std::string& line);

// True when no byte is below 20 (NUL cuts a name short for every Windows call, CR and LF break
// the line structure) and none is one of " * ? < > |.
bool IsSafeText(std::string_view text);

// True for a name that Windows opens as a device whatever folder it stands in: CON, PRN, AUX,
// NUL, COM0-9, LPT0-9 (also with a superscript 1, 2 or 3), CONIN$ and CONOUT$, in any case,
// also with an extension or trailing blanks ("aux.txt", "COM1 .log"). Reading AUX or COM1
// would wait for the serial port for ever.
bool IsDeviceName(std::string_view component);

// True when `fileName` stays inside the folder it is appended to: safe text, not absolute, no
// drive and no stream (no ":"), no device name and no component made of dots (and blanks)
// that Windows reads as "..". The empty name is contained.
bool IsContainedFileName(std::string_view fileName);

// A contained name without "\" or "/": the uninstaller goes straight into the Windows folder.
bool IsPlainFileName(std::string_view fileName);

// The rules an entry must pass before anything is done for it: a contained FileName, a plain
// one for DEINST!, and a contained shortcut caption for every marker that is no keyword.
bool IsSafeEntry(const ScriptEntry& entry);

// Line 5: "NEIN!" or a safe folder name below the start-menu "Programs" folder that is not
// the autostart folder ("StartUp", "Autostart") or anything in it.
bool IsSafeStartMenuGroup(std::string_view group);

// A folder name made of real components: contained, not empty, no empty or "." component,
// none ending in a dot or blank (Windows drops them, so "Lumeno." is "Lumeno" and "." the
// folder above) and no short-name alias such as "PROGRA~1" (another folder's second name).
bool IsSafeFolderName(std::string_view name);

// Line 4 after the prefix rule: a safe folder name whose first component is none of the
// folders that programs share below the program files folder ("Common Files", "Microsoft", ...).
bool IsSafeProductFolder(std::string_view folderName);

// Folders nothing may be installed into: `Exact` ones themselves (the program files folder,
// the profile, ...), `Trees` neither themselves nor anything below them (the Windows folder,
// the start menu, the shared program files). Full paths, compared without case.
struct ProtectedFolders {
    std::vector<std::string> Exact;
    std::vector<std::string> Trees;
};

enum class TargetCheck {
    Ok,
    NotFull,   // no drive or network path, or a character no path may hold
    Unsafe,    // "..", ".", a device name, "\\?\" or "\\.\", an administrative share, ...
    Protected, // a drive or share root, or one of the protected folders
};

// The check of a target folder, from the script or typed into the wizard.
TargetCheck CheckTargetFolder(std::string_view target, const ProtectedFolders& protectedFolders);

} // namespace installer

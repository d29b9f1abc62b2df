// The installer's fixed texts and the small rules of a run that need no Windows call:
// command line, status and message texts, the uninstall command line, the newsletter address.
// Every text handed out is Windows-1252 bytes, ready for the ANSI functions and to be
// combined with texts from the script.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace installer {

// Turns UTF-8 (the source's literals) into Windows-1252; characters outside it become "?".
std::string Utf8ToAnsi(std::string_view utf8);
// Windows-1252 to UTF-16, for the windows and message boxes; independent of the system's
// ANSI code page.
std::wstring AnsiToWide(std::string_view ansi);

// Marker keywords.
inline constexpr char kMarkerNein[] = "NEIN!";
inline constexpr char kMarkerNeinIfNotExist[] = "NEINIFNOTEXIST!";
inline constexpr char kMarkerExec[] = "EXEC!";
inline constexpr char kMarkerAutostart[] = "AUTOSTART!";
inline constexpr char kMarkerDeinst[] = "DEINST!";
bool IsKeywordMarker(std::string_view marker);

// The four flags of a run as the command line sets them. Positions 2 to 4 count only after
// "-silent" in position 1; args[0] is position 1 (the program name is not included).
struct CommandLineOptions {
    bool Silent = false;
    bool CreateDesktopIcon = true;
    bool DesktopIconForAll = false;
    bool NoStartMenu = false;
};
CommandLineOptions ParseCommandLine(const std::vector<std::string>& args);

// "\" appended unless the text is empty or already ends in one.
std::string WithBackslash(std::string text);
// Everything up to and including the last "\" (empty when there is none).
std::string FolderPart(const std::string& path);
// The target after "Durchsuchen...": the chosen folder, a "\" unless it ends in one, FolderName.
std::string TargetFromChosenFolder(const std::string& chosen, const std::string& folderName);
// True for a folder with a drive ("C:\...") or a network path ("\\server\share..."); a
// relative target would install into whatever the current folder happens to be.
bool IsFullFolderPath(const std::string& folder);
// Asked for when the target field holds no full folder path.
std::string TargetFolderHintText(const std::string& folderName);
// True when the extension of fileName (from its last dot), in capitals, contains "EXE".
bool HasExeExtension(const std::string& fileName);

std::string DefectMessageText();    // "Die Datei Install.log ist defekt! ..."
std::string DefectMessageCaption(); // "Installation abbgebrochen!"
// "Kopiere <source>\r nach \r<destination>...".
std::string CopyStatusText(const std::string& source, const std::string& destination);
// Why a copy failed; the message names it.
enum class CopyFailure {
    None,
    MissingSource, // the file is not in the installation package
    MissingFolder, // the destination's folder does not exist and could not be made
    AccessDenied,  // no right to write there
    InUse,         // the destination is open, most likely a running program
    Link,          // a symbolic link or junction at the source or destination is not followed
    ReadWrite,     // a read or write error, for example a full disk
};
// "Fehler beim Kopieren der Datei \r\n<source>\r\n nach \r\n<destination> ! " and the reason.
std::string CopyFailureText(const std::string& source, const std::string& destination,
                            CopyFailure reason);

// The short reason of a failed copy for the list at the end of a run.
std::string CopyFailureReason(CopyFailure reason);
// Lines of that list for registry entries that could not be written.
std::string AutostartFailure(const std::string& valueName);
std::string UninstallEntryFailure(const std::string& folderName);

// The command line after "-silent": "-log:<file>" in any position from 2 on names a log file.
std::string LogFileArgument(const std::vector<std::string>& args);

// Why an installation was refused before anything was written; the message names `what`.
enum class Refusal {
    None,
    Target,       // the target is a drive, a Windows or shared folder, or no sound path
    Uninstaller,  // a file of the uninstaller's name in the Windows folder is not ours
    UninstallKey, // the Uninstall key (or one above it) belongs to another program
    RunValue,     // a Run value of that name belongs to another program
    Shortcut,     // a shortcut file of that name belongs to another program
    Link,         // a folder on the way is a symbolic link or junction
};
std::string RefusalText(Refusal reason, const std::string& what);
std::string RefusalCaption(); // "Installation abgebrochen"
// Asked for when the typed target is a drive, a Windows or shared folder or holds "..".
std::string UnsafeTargetText(const std::string& target, const std::string& folderName);
// The end of a run in which some files could not be installed: names each of them.
std::string IncompleteText(const std::vector<std::string>& failures);
std::string IncompleteCaption(); // "Installation unvollständig"
// "Die Installation wurde abgeschlossen." and the sentences the two options add.
std::string FinalText(bool createDesktopIcon, bool startAfterInstall);
// The Run value of an installed file: its path in double quotation marks, so a path with
// blanks is not read as a shorter program followed by arguments.
std::string AutostartCommand(const std::string& path);
// "<windowsFolder><uninstaller> \"<targetFolder>\"", the registered uninstall command.
std::string UninstallString(const std::string& windowsFolder, const std::string& uninstaller,
                            const std::string& targetFolder);

// Keeps digits, ASCII letters and . @ [ ] _; every other byte becomes %XX in capitals.
std::string PercentEncodeEmail(std::string_view text);
// The newsletter sign-up address for a non-empty e-mail text.
std::string NewsletterUrl(std::string_view email);
inline constexpr char kNewsletterHost[] = "http://www.pdflumeno.de";

} // namespace installer

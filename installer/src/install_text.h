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
// "Fehler beim Kopieren der Datei \r\n<source>\r\n nach \r\n<destination> ! ...".
std::string CopyFailureText(const std::string& source, const std::string& destination);
// "Die Installation wurde abgeschlossen." and the sentences the two options add.
std::string FinalText(bool createDesktopIcon, bool startAfterInstall);
// "<windowsFolder><uninstaller> \"<targetFolder>\"", the registered uninstall command.
std::string UninstallString(const std::string& windowsFolder, const std::string& uninstaller,
                            const std::string& targetFolder);

// Keeps digits, ASCII letters and . @ [ ] _; every other byte becomes %XX in capitals.
std::string PercentEncodeEmail(std::string_view text);
// The newsletter sign-up address for a non-empty e-mail text.
std::string NewsletterUrl(std::string_view email);
inline constexpr char kNewsletterHost[] = "http://www.pdflumeno.de";

} // namespace installer

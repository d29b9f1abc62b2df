#include "install_text.h"

#include <cstdint>

namespace installer {

namespace {

// Windows-1252 bytes 80 to 9F; 0 marks the five unused places.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char ToAnsi(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] != 0 && kCp1252High[i] == cp) return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

std::string Utf8ToAnsi(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        const int extra = b < 0x80         ? 0
                          : (b >> 5) == 6  ? 1
                          : (b >> 4) == 14 ? 2
                          : (b >> 3) == 30 ? 3
                                           : -1;
        char32_t cp = extra <= 0 ? b : (b & (0x3F >> extra));
        bool ok = extra >= 0 && i + extra < s.size();
        for (int k = 1; ok && k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            ok = (c & 0xC0) == 0x80;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (!ok) {
            out += '?'; // a broken sequence: one byte at a time
            ++i;
            continue;
        }
        out += ToAnsi(cp);
        i += extra + 1;
    }
    return out;
}

std::wstring AnsiToWide(std::string_view ansi) {
    std::wstring out;
    out.reserve(ansi.size());
    for (char c : ansi) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b < 0xA0)
            out += static_cast<wchar_t>(kCp1252High[b - 0x80] ? kCp1252High[b - 0x80] : b);
        else
            out += static_cast<wchar_t>(b);
    }
    return out;
}

bool IsKeywordMarker(std::string_view m) {
    return m == kMarkerNein || m == kMarkerNeinIfNotExist || m == kMarkerExec ||
           m == kMarkerAutostart || m == kMarkerDeinst;
}

CommandLineOptions ParseCommandLine(const std::vector<std::string>& args) {
    CommandLineOptions o;
    if (args.empty() || args[0] != "-silent") return o;
    o.Silent = true;
    o.CreateDesktopIcon = !(args.size() > 1 && args[1] == "-nodesktop");
    o.DesktopIconForAll = args.size() > 2 && args[2] == "-desktopiconforall";
    o.NoStartMenu = args.size() > 3 && args[3] == "-nostartmenu";
    return o;
}

std::string WithBackslash(std::string text) {
    if (!text.empty() && text.back() != '\\') text += '\\';
    return text;
}

std::string FolderPart(const std::string& path) {
    const auto slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string TargetFromChosenFolder(const std::string& chosen, const std::string& folderName) {
    return WithBackslash(chosen) + folderName;
}

bool IsFullFolderPath(const std::string& folder) {
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (folder.size() >= 3 && letter(folder[0]) && folder[1] == ':' && folder[2] == '\\')
        return true;
    return folder.size() >= 3 && folder[0] == '\\' && folder[1] == '\\' && folder[2] != '\\';
}

std::string TargetFolderHintText(const std::string& folderName) {
    return Utf8ToAnsi("Bitte geben Sie das Zielverzeichnis vollständig an, zum Beispiel "
                      "C:\\Programme\\") +
           folderName + ".";
}

bool HasExeExtension(const std::string& fileName) {
    const auto dot = fileName.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = fileName.substr(dot);
    for (char& c : ext)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return ext.find("EXE") != std::string::npos;
}

std::string DefectMessageText() {
    return Utf8ToAnsi("Die Datei Install.log ist defekt! Die Installation muß abgebrochen werden!");
}

std::string DefectMessageCaption() {
    return Utf8ToAnsi("Installation abbgebrochen!");
}

std::string CopyStatusText(const std::string& source, const std::string& destination) {
    return "Kopiere " + source + "\r nach \r" + destination + "...";
}

std::string CopyFailureText(const std::string& source, const std::string& destination,
                            CopyFailure reason) {
    const char* why = "";
    switch (reason) {
    case CopyFailure::None:
    case CopyFailure::InUse:
        why = " ! Wahrscheinlich läuft das Programm noch. Beenden Sie zuerst das Programm oder "
              "starten Sie den Rechner neu.";
        break;
    case CopyFailure::MissingSource:
        why = " ! Die Datei fehlt im Installationspaket.";
        break;
    case CopyFailure::MissingFolder:
        why = " ! Der Zielordner fehlt und konnte nicht angelegt werden.";
        break;
    case CopyFailure::AccessDenied:
        why = " ! Der Zugriff wurde verweigert. Prüfen Sie Ihre Rechte am Zielordner.";
        break;
    case CopyFailure::Link:
        why = " ! Quelle oder Ziel ist ein symbolischer Link oder eine Verbindung zu einem "
              "anderen Ordner; ihm wird nicht gefolgt.";
        break;
    case CopyFailure::ReadWrite:
        why = " ! Die Datei konnte nicht gelesen oder nicht vollständig geschrieben werden "
              "(Lesefehler oder Datenträger voll).";
        break;
    }
    return "Fehler beim Kopieren der Datei \r\n" + source + "\r\n nach \r\n" + destination +
           Utf8ToAnsi(why);
}

std::string CopyFailureReason(CopyFailure reason) {
    switch (reason) {
    case CopyFailure::None:
        break;
    case CopyFailure::MissingSource:
        return Utf8ToAnsi("fehlt im Installationspaket");
    case CopyFailure::MissingFolder:
        return Utf8ToAnsi("Zielordner fehlt");
    case CopyFailure::AccessDenied:
        return Utf8ToAnsi("Zugriff verweigert");
    case CopyFailure::InUse:
        return Utf8ToAnsi("Datei wird benutzt (läuft das Programm noch?)");
    case CopyFailure::Link:
        return Utf8ToAnsi("symbolischer Link, ihm wird nicht gefolgt");
    case CopyFailure::ReadWrite:
        return Utf8ToAnsi("Lese- oder Schreibfehler");
    }
    return {};
}

std::string AutostartFailure(const std::string& valueName) {
    return Utf8ToAnsi("Autostart-Eintrag ") + valueName +
           Utf8ToAnsi(": konnte nicht in die Registrierung geschrieben werden");
}

std::string UninstallEntryFailure(const std::string& folderName) {
    return Utf8ToAnsi("Deinstallationseintrag ") + folderName +
           Utf8ToAnsi(": konnte nicht in die Registrierung geschrieben werden");
}

std::string LogFileArgument(const std::vector<std::string>& args) {
    if (args.empty() || args[0] != "-silent") return {};
    for (std::size_t i = 1; i < args.size(); ++i)
        if (args[i].rfind("-log:", 0) == 0 && args[i].size() > 5) return args[i].substr(5);
    return {};
}

std::string RefusalText(Refusal reason, const std::string& what) {
    const char* text = "";
    switch (reason) {
    case Refusal::None:
    case Refusal::Target:
        text = "Das Zielverzeichnis %s kann nicht verwendet werden: es ist ein Laufwerk, ein "
               "Ordner von Windows oder ein von mehreren Programmen genutzter Ordner.";
        break;
    case Refusal::Uninstaller:
        text = "Im Windows-Ordner gibt es schon die Datei %s, die nicht zu diesem Programm "
               "gehört.";
        break;
    case Refusal::UninstallKey:
        text = "Der Deinstallationseintrag %s gehört zu einem anderen Programm.";
        break;
    case Refusal::RunValue:
        text = "Der Autostart-Eintrag %s gehört zu einem anderen Programm.";
        break;
    case Refusal::Shortcut:
        text = "Die Verknüpfung %s gehört zu einem anderen Programm.";
        break;
    case Refusal::Link:
        text = "Der Ordner %s ist ein symbolischer Link oder eine Verbindung zu einem anderen "
               "Ordner.";
        break;
    }
    std::string out = Utf8ToAnsi(text);
    out.replace(out.find("%s"), 2, what);
    return out + Utf8ToAnsi(" Die Installation wurde abgebrochen; es wurde nichts verändert.");
}

std::string RefusalCaption() {
    return "Installation abgebrochen";
}

std::string UnsafeTargetText(const std::string& target, const std::string& folderName) {
    return Utf8ToAnsi("In das Verzeichnis ") + target +
           Utf8ToAnsi(" kann nicht installiert werden: es ist ein Laufwerk, ein Ordner von "
                      "Windows, ein von mehreren Programmen genutzter Ordner oder enthält \"..\". "
                      "Bitte wählen Sie einen eigenen Ordner, zum Beispiel C:\\Programme\\") +
           folderName + ".";
}

std::string IncompleteText(const std::vector<std::string>& failures) {
    constexpr std::size_t kShown = 10;
    std::string text = Utf8ToAnsi("Die Installation ist nicht vollständig. Nicht installiert:");
    for (std::size_t i = 0; i < failures.size() && i < kShown; ++i)
        text += "\r\n" + failures[i];
    if (failures.size() > kShown)
        text += Utf8ToAnsi("\r\n... und ") + std::to_string(failures.size() - kShown) +
                Utf8ToAnsi(" weitere");
    return text + Utf8ToAnsi("\r\nFür diese Dateien wurden keine Verknüpfungen, Autostart- oder "
                             "Deinstallationseinträge angelegt.");
}

std::string IncompleteCaption() {
    return Utf8ToAnsi("Installation unvollständig");
}

std::string AutostartCommand(const std::string& path) {
    return "\"" + path + "\"";
}

std::string FinalText(bool createDesktopIcon, bool startAfterInstall) {
    std::string text = "Die Installation wurde abgeschlossen.";
    text += createDesktopIcon
                ? " Eine Verknüpfung wurde unter Start/Programme und auf dem Desktop angelegt."
                : " Eine Verknüpfung wurde unter Start/Programme angelegt.";
    if (startAfterInstall) text += " Das Programm wird nun gleich für Sie das erste Mal gestartet.";
    return Utf8ToAnsi(text);
}

std::string UninstallString(const std::string& windowsFolder, const std::string& uninstaller,
                            const std::string& targetFolder) {
    return windowsFolder + uninstaller + " \"" + targetFolder + "\"";
}

std::string PercentEncodeEmail(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        const bool keep = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') ||
                          (b >= 'a' && b <= 'z') || b == '.' || b == '@' || b == '[' || b == ']' ||
                          b == '_';
        if (keep) {
            out += c;
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out;
}

std::string NewsletterUrl(std::string_view email) {
    return std::string(kNewsletterHost) + "/maillistger.php?EMAIL=" + PercentEncodeEmail(email) +
           "&eintragen=1";
}

} // namespace installer

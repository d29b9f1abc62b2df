#include "install_script.h"

#include "install_text.h"

#include <climits>
#include <utility>

namespace installer {

namespace {

constexpr char kHeader[] = "Corvana (De)Install 2.0 - Install.log";
// "Nicht verändern, nicht löschen!" as the Windows-1252 bytes the script holds (E4, F6).
constexpr char kWarningLine[] = "Nicht ver\xE4ndern, nicht l\xF6schen!";
constexpr char kProgramsPrefix[] = "C:\\PROGRAMME\\";

// Reads text lines the way the script is written: a line ends at CR, one LF right after the
// CR belongs to the line end, a lone LF is an ordinary character, and the byte 1A ends the file.
class LineReader {
  public:
    explicit LineReader(std::string_view bytes) : bytes_(bytes) {
        const auto ctrlZ = bytes_.find('\x1A');
        if (ctrlZ != std::string_view::npos) bytes_ = bytes_.substr(0, ctrlZ);
    }
    // Past the end it yields empty lines.
    std::string ReadLine() {
        const std::size_t start = pos_;
        while (pos_ < bytes_.size() && bytes_[pos_] != '\r')
            ++pos_;
        std::string line(bytes_.substr(start, pos_ - start));
        if (pos_ < bytes_.size()) {
            ++pos_; // the CR
            if (pos_ < bytes_.size() && bytes_[pos_] == '\n') ++pos_;
        }
        return line;
    }
    bool AtEnd() const { return pos_ >= bytes_.size(); }

  private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

// A whole decimal number: leading blanks, an optional sign, digits, nothing after; it must
// fit a 32-bit signed integer.
bool ParseCount(const std::string& line, long long& value) {
    std::size_t i = 0;
    while (i < line.size() && line[i] == ' ')
        ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == '+' || line[i] == '-')) negative = line[i++] == '-';
    if (i >= line.size()) return false;
    long long v = 0;
    for (; i < line.size(); ++i) {
        const char c = line[i];
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) return false;
    }
    if (negative) v = -v;
    if (v > INT_MAX || v < INT_MIN) return false;
    value = v;
    return true;
}

ScriptResult Defect(ScriptDefect code, int line) {
    return {false, code, line};
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

// The components of a path, split at "\" and "/".
std::vector<std::string_view> Components(std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find_first_of("\\/", start);
        parts.push_back(
            path.substr(start, end == std::string_view::npos ? path.npos : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

// One component of a folder name: not empty, not ".", no trailing dot or blank, no "~" and
// digit of a short name.
bool IsRealComponent(std::string_view part) {
    if (part.empty() || part.back() == '.' || part.back() == ' ') return false;
    for (std::size_t i = 0; i + 1 < part.size(); ++i)
        if (part[i] == '~' && part[i + 1] >= '0' && part[i + 1] <= '9') return false;
    return true;
}

// Folders every program shares below the program files folder (and, for "Microsoft", below
// the application data folder, which holds the start menu).
constexpr const char* kSharedFolders[] = {
    "COMMON FILES",          "GEMEINSAME DATEIEN",   "MICROSOFT",
    "MICROSOFT.NET",         "WINDOWS NT",           "WINDOWS DEFENDER",
    "WINDOWS MAIL",          "WINDOWS MEDIA PLAYER", "WINDOWS PHOTO VIEWER",
    "WINDOWS SIDEBAR",       "WINDOWSAPPS",          "INTERNET EXPLORER",
    "UNINSTALL INFORMATION", "REFERENCE ASSEMBLIES", "MSBUILD",
};

// The comparable form of a full path: "/" as "\", capitals, no final "\".
std::string Comparable(std::string_view path) {
    std::string s = Upper(path);
    for (char& c : s)
        if (c == '/') c = '\\';
    while (s.size() > 1 && s.back() == '\\')
        s.pop_back();
    return s;
}

} // namespace

std::string FolderNameFromLine(const std::string& line) {
    std::string upper = line;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (upper.rfind(kProgramsPrefix, 0) == 0) return line.substr(sizeof(kProgramsPrefix) - 1);
    return line;
}

bool IsSafeText(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == '"' || c == '*' || c == '?' || c == '<' ||
            c == '>' || c == '|')
            return false;
    return true;
}

bool IsDeviceName(std::string_view component) {
    // Windows looks at the part before the first dot, without trailing blanks.
    std::string_view base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    std::string upper(base);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL" || upper == "CONIN$" ||
        upper == "CONOUT$")
        return true;
    if (upper.size() != 4 || (upper.compare(0, 3, "COM") != 0 && upper.compare(0, 3, "LPT") != 0))
        return false;
    const char n = upper[3];
    // The superscript digits 1, 2 and 3 are B9, B2 and B3 in Windows-1252.
    return (n >= '0' && n <= '9') || n == '\xB9' || n == '\xB2' || n == '\xB3';
}

bool IsContainedFileName(std::string_view name) {
    if (!IsSafeText(name)) return false;
    if (!name.empty() && (name[0] == '\\' || name[0] == '/')) return false;
    if (name.find(':') != std::string_view::npos) return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("\\/", start);
        if (end == std::string_view::npos) end = name.size();
        const std::string_view part = name.substr(start, end - start);
        // Windows drops trailing dots and blanks of a path component, so ". ." and "..."
        // would climb like "..".
        int dots = 0;
        bool onlyDotsAndBlanks = !part.empty();
        for (char c : part) {
            if (c == '.')
                ++dots;
            else if (c != ' ')
                onlyDotsAndBlanks = false;
        }
        if (onlyDotsAndBlanks && dots >= 2) return false;
        if (IsDeviceName(part)) return false;
        start = end + 1;
    }
    return true;
}

bool IsPlainFileName(std::string_view name) {
    return !name.empty() && name.find_first_of("\\/") == std::string_view::npos &&
           IsContainedFileName(name);
}

bool IsSafeEntry(const ScriptEntry& e) {
    if (!IsContainedFileName(e.FileName) || !IsSafeText(e.Marker)) return false;
    if (e.Marker == kMarkerDeinst) {
        // A program of its own in the Windows folder: a plain name ending in ".exe".
        const std::string upper = Upper(e.FileName);
        return IsPlainFileName(e.FileName) && upper.size() > 4 &&
               upper.compare(upper.size() - 4, 4, ".EXE") == 0 && IsRealComponent(e.FileName);
    }
    return IsKeywordMarker(e.Marker) || IsContainedFileName(e.Marker + ".lnk");
}

bool IsSafeFolderName(std::string_view name) {
    if (!IsContainedFileName(name)) return false;
    for (std::string_view part : Components(name))
        if (!IsRealComponent(part)) return false;
    return true;
}

bool IsSafeProductFolder(std::string_view folderName) {
    if (!IsSafeFolderName(folderName)) return false;
    const std::string first = Upper(Components(folderName).front());
    for (const char* shared : kSharedFolders)
        if (first == shared) return false;
    return true;
}

bool IsSafeStartMenuGroup(std::string_view group) {
    if (group == kMarkerNein) return true;
    if (!IsSafeFolderName(group)) return false;
    const std::string first = Upper(Components(group).front());
    return first != "STARTUP" && first != "AUTOSTART";
}

TargetCheck CheckTargetFolder(std::string_view target, const ProtectedFolders& protectedFolders) {
    const std::string path = Comparable(target);
    // Paths that skip the system's path rules or name a device.
    if (path.rfind("\\\\?\\", 0) == 0 || path.rfind("\\\\.\\", 0) == 0 ||
        path.rfind("\\??\\", 0) == 0)
        return TargetCheck::Unsafe;
    if (!IsSafeText(target) || !IsFullFolderPath(std::string(target))) return TargetCheck::NotFull;
    // The root: "X:" or "\\server\share"; an administrative share ("C$") is a drive again.
    std::vector<std::string_view> parts = Components(path);
    std::size_t first = 1;
    if (path[0] == '\\') {
        if (parts.size() < 4 || parts[2].empty() || parts[3].empty()) return TargetCheck::NotFull;
        if (parts[3].back() == '$') return TargetCheck::Unsafe;
        first = 4;
    }
    if (first >= parts.size()) return TargetCheck::Protected; // the root itself
    for (std::size_t i = first; i < parts.size(); ++i) {
        const std::string_view part = parts[i];
        if (part.find(':') != std::string_view::npos || IsDeviceName(part) ||
            !IsRealComponent(part))
            return TargetCheck::Unsafe;
    }
    for (const std::string& folder : protectedFolders.Exact)
        if (!folder.empty() && path == Comparable(folder)) return TargetCheck::Protected;
    for (const std::string& folder : protectedFolders.Trees) {
        if (folder.empty()) continue;
        const std::string tree = Comparable(folder);
        if (path == tree || path.rfind(tree + "\\", 0) == 0) return TargetCheck::Protected;
    }
    return TargetCheck::Ok;
}

ScriptResult ParseInstallScript(std::string_view bytes,
                                const std::function<std::string()>& getBaseFolder,
                                InstallScript& script) {
    script = InstallScript{};
    LineReader reader(bytes);

    if (reader.ReadLine() != kHeader) return Defect(ScriptDefect::Header, 1);
    if (reader.ReadLine() != kWarningLine) return Defect(ScriptDefect::WarningLine, 2);

    script.ProductName = reader.ReadLine();
    if (!IsSafeText(script.ProductName)) return Defect(ScriptDefect::UnsafeText, 3);
    if (script.ProductName.size() > kMaxProductName) script.ProductName.resize(kMaxProductName);

    const std::string folderLine = reader.ReadLine();
    script.FolderName = FolderNameFromLine(folderLine);
    script.DefaultTarget = getBaseFolder() + script.FolderName;
    if (!IsSafeText(folderLine)) return Defect(ScriptDefect::UnsafeText, 4);
    // The folder stays below the base folder, and the target is a full path: a relative one
    // would install into whatever the current folder happens to be.
    // An empty, "." or blank folder would be the base folder itself, and the uninstall entry
    // the Uninstall key itself.
    if (!IsSafeProductFolder(script.FolderName) || !IsFullFolderPath(script.DefaultTarget))
        return Defect(ScriptDefect::UnsafeFolder, 4);
    // A longer target would be cut when the wizard reads its field back and the files would
    // land in another folder than the one shown.
    if (script.DefaultTarget.size() > kMaxTargetPath) return Defect(ScriptDefect::TargetTooLong, 4);

    script.StartMenuGroup = reader.ReadLine();
    if (!IsSafeText(script.StartMenuGroup)) return Defect(ScriptDefect::UnsafeText, 5);
    if (!IsSafeStartMenuGroup(script.StartMenuGroup)) return Defect(ScriptDefect::UnsafeGroup, 5);
    script.Reserved = reader.ReadLine();
    if (!IsSafeText(script.Reserved)) return Defect(ScriptDefect::UnsafeText, 6);

    long long count = 0;
    if (!ParseCount(reader.ReadLine(), count)) return Defect(ScriptDefect::Count, 7);
    script.Count = static_cast<uint16_t>(static_cast<unsigned long long>(count) & 0xFFFFu);
    if (script.Count > kMaxEntries) return Defect(ScriptDefect::TooManyEntries, 7);

    ScriptResult result{true, ScriptDefect::None, 0};
    bool uninstallerSeen = false;
    script.Entries.resize(script.Count);
    int lineNo = 7;
    for (ScriptEntry& entry : script.Entries) {
        for (std::string* field : {&entry.FileName, &entry.Marker}) {
            ++lineNo;
            std::string line = reader.ReadLine();
            if (reader.AtEnd()) {
                if (result.ok) result = Defect(ScriptDefect::MissingLines, lineNo);
                continue;
            }
            if (line.size() > kMaxEntryText) line.resize(kMaxEntryText);
            *field = std::move(line);
        }
    }
    if (!result.ok) return result;

    for (std::size_t i = 0; i < script.Entries.size(); ++i) {
        const ScriptEntry& e = script.Entries[i];
        const int line = static_cast<int>(8 + 2 * i);
        if (!IsSafeText(e.FileName)) return Defect(ScriptDefect::UnsafeText, line);
        if (!IsSafeText(e.Marker)) return Defect(ScriptDefect::UnsafeText, line + 1);
        if (!IsContainedFileName(e.FileName)) return Defect(ScriptDefect::UnsafeFileName, line);
        if (e.Marker == kMarkerDeinst && !IsPlainFileName(e.FileName))
            return Defect(ScriptDefect::UnsafeUninstaller, line);
        if (e.Marker == kMarkerDeinst && !IsSafeEntry(e))
            return Defect(ScriptDefect::UnsafeUninstaller, line);
        if (e.Marker == kMarkerDeinst && std::exchange(uninstallerSeen, true))
            return Defect(ScriptDefect::SecondUninstaller, line + 1);
        if (!IsSafeEntry(e)) return Defect(ScriptDefect::UnsafeShortcut, line + 1);
    }
    return result;
}

} // namespace installer

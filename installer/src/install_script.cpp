#include "install_script.h"

#include <climits>

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

} // namespace

std::string FolderNameFromLine(const std::string& line) {
    std::string upper = line;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (upper.rfind(kProgramsPrefix, 0) == 0) return line.substr(sizeof(kProgramsPrefix) - 1);
    return line;
}

bool IsContainedFileName(std::string_view name) {
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
        start = end + 1;
    }
    return true;
}

ScriptResult ParseInstallScript(std::string_view bytes,
                                const std::function<std::string()>& getBaseFolder,
                                InstallScript& script) {
    script = InstallScript{};
    LineReader reader(bytes);

    if (reader.ReadLine() != kHeader) return Defect(ScriptDefect::Header, 1);
    if (reader.ReadLine() != kWarningLine) return Defect(ScriptDefect::WarningLine, 2);

    script.ProductName = reader.ReadLine();
    if (script.ProductName.size() > kMaxProductName) script.ProductName.resize(kMaxProductName);

    script.FolderName = FolderNameFromLine(reader.ReadLine());
    script.DefaultTarget = getBaseFolder() + script.FolderName;
    // A longer target would be cut when the wizard reads its field back and the files would
    // land in another folder than the one shown.
    if (script.DefaultTarget.size() > kMaxTargetPath) return Defect(ScriptDefect::TargetTooLong, 4);

    script.StartMenuGroup = reader.ReadLine();
    script.Reserved = reader.ReadLine();

    long long count = 0;
    if (!ParseCount(reader.ReadLine(), count)) return Defect(ScriptDefect::Count, 7);
    script.Count = static_cast<uint16_t>(static_cast<unsigned long long>(count) & 0xFFFFu);
    if (script.Count > kMaxEntries) return Defect(ScriptDefect::TooManyEntries, 7);

    ScriptResult result{true, ScriptDefect::None, 0};
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

    for (std::size_t i = 0; i < script.Entries.size(); ++i)
        if (!IsContainedFileName(script.Entries[i].FileName))
            return Defect(ScriptDefect::UnsafeFileName, static_cast<int>(8 + 2 * i));
    return result;
}

} // namespace installer

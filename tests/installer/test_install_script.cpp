#include "install_script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace installer;

namespace {

const std::string kHeader = "Corvana (De)Install 2.0 - Install.log";
const std::string kWarning = "Nicht ver\xE4ndern, nicht l\xF6schen!";

// The seven head lines (each ended by CR LF) followed by `rest`.
std::string Head(const std::string& count, const std::string& folder = "C:\\Programme\\Lumeno",
                 const std::string& product = "PDF Lumeno") {
    return kHeader + "\r\n" + kWarning + "\r\n" + product + "\r\n" + folder +
           "\r\nPDF Lumeno\r\nreserved\r\n" + count + "\r\n";
}

struct Parsed {
    ScriptResult result;
    InstallScript script;
    int baseCalls = 0;
};

Parsed Parse(const std::string& bytes, const std::string& base = "C:\\Program Files\\") {
    Parsed p;
    p.result = ParseInstallScript(
        bytes,
        [&] {
            ++p.baseCalls;
            return base;
        },
        p.script);
    return p;
}

TEST(InstallScript, ReadsEveryField) {
    const Parsed p = Parse(Head("3") + "lumeno.exe\r\nPDF Lumeno\r\nsub\\tray.exe\r\nAUTOSTART!\r\n"
                                       "remove.exe\r\nDEINST!\r\n\r\n");
    ASSERT_TRUE(p.result.ok);
    EXPECT_EQ(p.script.ProductName, "PDF Lumeno");
    EXPECT_EQ(p.script.FolderName, "Lumeno");
    EXPECT_EQ(p.script.DefaultTarget, "C:\\Program Files\\Lumeno");
    EXPECT_EQ(p.script.StartMenuGroup, "PDF Lumeno");
    EXPECT_EQ(p.script.Reserved, "reserved");
    EXPECT_EQ(p.script.Count, 3);
    ASSERT_EQ(p.script.Entries.size(), 3u);
    EXPECT_EQ(p.script.Entries[1].FileName, "sub\\tray.exe");
    EXPECT_EQ(p.script.Entries[1].Marker, "AUTOSTART!");
    EXPECT_EQ(p.script.Entries[2].Marker, "DEINST!");
    EXPECT_EQ(p.baseCalls, 1);
}

// The end-of-file test of the entry lines: the file must go on after the last marker line.
TEST(InstallScript, NeedsSomethingAfterTheLastEntry) {
    const std::string entries = "a.txt\r\nNEIN!\r\n";
    const Parsed cut = Parse(Head("1") + entries);
    EXPECT_FALSE(cut.result.ok);
    EXPECT_EQ(cut.result.code, ScriptDefect::MissingLines);
    EXPECT_EQ(cut.result.line, 9);

    EXPECT_TRUE(Parse(Head("1") + entries + "\r\n").result.ok);
    EXPECT_TRUE(Parse(Head("1") + entries + "x").result.ok);
    EXPECT_FALSE(Parse(Head("1") + "a.txt\r\nNEIN!").result.ok);
    // Ctrl-Z is the end of the file: what follows it does not count.
    EXPECT_FALSE(Parse(Head("1") + entries + "\x1A\r\n\r\n").result.ok);
    EXPECT_TRUE(Parse(Head("1") + entries + "\r\n\x1Agarbage").result.ok);
    // Fewer lines than the count needs.
    EXPECT_FALSE(Parse(Head("2") + entries + "\r\n").result.ok);
}

TEST(InstallScript, CountZeroNeedsNothingAfterIt) {
    const Parsed p = Parse(Head("0"));
    EXPECT_TRUE(p.result.ok);
    EXPECT_TRUE(p.script.Entries.empty());
    // Cut before the count line: line 7 reads as empty and is no number.
    const std::string head = Head("0");
    const Parsed cut = Parse(head.substr(0, head.find("reserved")));
    EXPECT_FALSE(cut.result.ok);
    EXPECT_EQ(cut.result.code, ScriptDefect::Count);
}

TEST(InstallScript, HeaderLinesAreComparedByteForByte) {
    const std::string body = "PDF Lumeno\r\nLumeno\r\nG\r\n\r\n0\r\n";
    const struct {
        std::string line1, line2;
        ScriptDefect code;
    } cases[] = {
        {kHeader, kWarning, ScriptDefect::None},
        {"corvana (De)Install 2.0 - Install.log", kWarning, ScriptDefect::Header},
        {"Corvana (De)Install 2.0 - Install.LOG", kWarning, ScriptDefect::Header},
        {kHeader + " ", kWarning, ScriptDefect::Header},
        {" " + kHeader, kWarning, ScriptDefect::Header},
        {kHeader, kWarning + " ", ScriptDefect::WarningLine},
        {kHeader, "Nicht verändern, nicht löschen!", ScriptDefect::WarningLine}, // UTF-8, not 1252
        {kHeader, "Nicht veraendern, nicht loeschen!", ScriptDefect::WarningLine},
    };
    for (const auto& c : cases) {
        const Parsed p = Parse(c.line1 + "\r\n" + c.line2 + "\r\n" + body);
        EXPECT_EQ(p.result.code, c.code) << c.line1 << " / " << c.line2;
        EXPECT_EQ(p.result.ok, c.code == ScriptDefect::None);
    }
    EXPECT_EQ(Parse("").result.code, ScriptDefect::Header);
}

TEST(InstallScript, LineEnds) {
    // LF alone is an ordinary character: the whole file is one long first line.
    std::string lfOnly = Head("1") + "a.txt\r\nNEIN!\r\n\r\n";
    for (std::size_t i; (i = lfOnly.find("\r\n")) != std::string::npos;)
        lfOnly.erase(i, 1);
    EXPECT_EQ(Parse(lfOnly).result.code, ScriptDefect::Header);

    // CR alone ends a line as well as CR LF does.
    std::string crOnly = Head("1") + "a.txt\r\nNEIN!\r\n\r\n";
    for (std::size_t i; (i = crOnly.find("\r\n")) != std::string::npos;)
        crOnly.erase(i + 1, 1);
    const Parsed p = Parse(crOnly);
    ASSERT_TRUE(p.result.ok);
    EXPECT_EQ(p.script.Entries[0].Marker, "NEIN!");

    // Only one LF after a CR is skipped; a lone LF stays in its line (which is then refused
    // for the control character, at line 3: the lines after it keep their numbers).
    const Parsed lf = Parse(Head("0", "Lumeno", "Pro\nduct"));
    EXPECT_EQ(lf.result.code, ScriptDefect::UnsafeText);
    EXPECT_EQ(lf.result.line, 3);
    const Parsed twoLf = Parse(kHeader + "\r\n\n" + kWarning + "\r\n");
    EXPECT_EQ(twoLf.result.code, ScriptDefect::WarningLine);
}

TEST(InstallScript, CountLine) {
    const struct {
        const char* line;
        bool ok;
        ScriptDefect code;
        uint16_t count;
    } cases[] = {
        {"0", true, ScriptDefect::None, 0},
        {"   0", true, ScriptDefect::None, 0},
        {"+0", true, ScriptDefect::None, 0},
        {"-0", true, ScriptDefect::None, 0},
        {"65536", true, ScriptDefect::None, 0},  // low 16 bits
        {"-65535", true, ScriptDefect::None, 1}, // low 16 bits of the two's complement
        {"0 ", false, ScriptDefect::Count, 0},
        {"\t0", false, ScriptDefect::Count, 0},
        {"null", false, ScriptDefect::Count, 0},
        {"", false, ScriptDefect::Count, 0},
        {"-", false, ScriptDefect::Count, 0},
        {"+-1", false, ScriptDefect::Count, 0},
        {"0x0", false, ScriptDefect::Count, 0},
        {"2147483648", false, ScriptDefect::Count, 0}, // not a 32-bit integer
        {"201", false, ScriptDefect::TooManyEntries, 201},
        {"-1", false, ScriptDefect::TooManyEntries, 65535},
    };
    for (const auto& c : cases) {
        std::string bytes = Head(c.line);
        if (c.count == 1) bytes += "a.txt\r\nNEIN!\r\n\r\n";
        const Parsed p = Parse(bytes);
        EXPECT_EQ(p.result.ok, c.ok) << '"' << c.line << '"';
        EXPECT_EQ(p.result.code, c.code) << '"' << c.line << '"';
        if (c.code != ScriptDefect::Count) {
            EXPECT_EQ(p.script.Count, c.count) << c.line;
        }
    }
}

TEST(InstallScript, TwoHundredEntriesAreTheLimit) {
    std::string entries;
    for (int i = 0; i < 200; ++i)
        entries += "f" + std::to_string(i) + ".txt\r\nNEIN!\r\n";
    const Parsed p = Parse(Head(" 200") + entries + "\r\n");
    ASSERT_TRUE(p.result.ok);
    EXPECT_EQ(p.script.Entries.size(), 200u);
    EXPECT_EQ(p.script.Entries[199].FileName, "f199.txt");
    const Parsed more = Parse(Head("201") + entries + "f200.txt\r\nNEIN!\r\n\r\n");
    EXPECT_EQ(more.result.code, ScriptDefect::TooManyEntries);
}

TEST(InstallScript, ProgrammePrefixRule) {
    const struct {
        const char* line;
        const char* folder;
    } cases[] = {
        {"C:\\Programme\\Lumeno", "Lumeno"},
        {"c:\\programme\\Lumeno", "Lumeno"},
        {"C:\\PROGRAMME\\Lumeno\\Sub", "Lumeno\\Sub"},
        {"Lumeno", "Lumeno"},
        {"C:\\PROGRAMME", "C:\\PROGRAMME"},
        {"C:\\Programme\\", ""},
        {"D:\\Programme\\Lumeno", "D:\\Programme\\Lumeno"},
        {" C:\\Programme\\Lumeno", " C:\\Programme\\Lumeno"},
        {"C:\\Program Files\\Lumeno", "C:\\Program Files\\Lumeno"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FolderNameFromLine(c.line), c.folder) << c.line;
        const Parsed p = Parse(Head("0", c.line));
        EXPECT_EQ(p.script.DefaultTarget, std::string("C:\\Program Files\\") + c.folder);
    }
}

TEST(InstallScript, KeepsNinetyNineCharactersOfEntryLines) {
    const std::string name150(150, 'n'), marker150(150, 'm'), marker99(99, 'x');
    const Parsed p =
        Parse(Head("2") + name150 + "\r\n" + marker150 + "\r\nb.txt\r\n" + marker99 + "\r\n\r\n");
    ASSERT_TRUE(p.result.ok);
    EXPECT_EQ(p.script.Entries[0].FileName, std::string(99, 'n'));
    EXPECT_EQ(p.script.Entries[0].Marker, std::string(99, 'm'));
    EXPECT_EQ(p.script.Entries[1].Marker, marker99);
    // A keyword followed by more text is cut to 99 characters, not to the keyword.
    const Parsed k = Parse(Head("1") + "a.txt\r\nNEIN!" + std::string(120, ' ') + "\r\n\r\n");
    EXPECT_EQ(k.script.Entries[0].Marker, "NEIN!" + std::string(94, ' '));
}

TEST(InstallScript, OverLongProductAndTarget) {
    const Parsed longName = Parse(Head("0", "Lumeno", std::string(300, 'P')));
    ASSERT_TRUE(longName.result.ok);
    EXPECT_EQ(longName.script.ProductName, std::string(214, 'P'));

    const std::string base = "C:\\Program Files\\"; // 17 characters
    EXPECT_TRUE(Parse(Head("0", std::string(255 - 17, 'f')), base).result.ok);
    const Parsed tooLong = Parse(Head("0", std::string(256 - 17, 'f')), base);
    EXPECT_EQ(tooLong.result.code, ScriptDefect::TargetTooLong);
    EXPECT_EQ(tooLong.result.line, 4);
    // An empty base folder leaves the folder name alone as the target.
    EXPECT_EQ(Parse(Head("0"), "").script.DefaultTarget, "Lumeno");
}

TEST(InstallScript, FileNamesMustStayInsideTheTarget) {
    const struct {
        const char* name;
        bool ok;
    } cases[] = {
        {"lumeno.exe", true},
        {"sub\\tray.exe", true},
        {"a..b.txt", true},
        {".config", true},
        {"sub\\.\\x.txt", true},
        {"", true},
        {"..\\evil.exe", false},
        {"sub\\..\\..\\evil.exe", false},
        {"sub/../../evil.exe", false},
        {"..", false},
        {"...\\evil.exe", false},
        {". .\\evil.exe", false},
        {".. \\evil.exe", false},
        {"\\windows\\evil.exe", false},
        {"/etc/evil", false},
        {"\\\\server\\share\\evil.exe", false},
        {"C:\\evil.exe", false},
        {"C:evil.exe", false},
        {"sub\\file.txt:stream", false},
        {"AUX", false},
        {"com1", false},
        {"con.txt", false},
        {"Lpt9.log", false},
        {"nul .txt", false},
        {"sub\\PRN\\x.txt", false},
        {"CONOUT$", false},
        {"COM\xB9", false}, // COM with a superscript 1
        {"console.txt", true},
        {"com10", true},
        {"auxiliary\\con1.txt", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsContainedFileName(c.name), c.ok) << c.name;
        const Parsed p = Parse(Head("2") + "ok.txt\r\nNEIN!\r\n" + c.name + "\r\nNEIN!\r\n\r\n");
        EXPECT_EQ(p.result.ok, c.ok) << c.name;
        if (!c.ok) {
            EXPECT_EQ(p.result.code, ScriptDefect::UnsafeFileName);
            EXPECT_EQ(p.result.line, 10);
        }
    }
}

// Empty product name and reserved line are accepted; an empty folder would install into the
// base folder itself and an empty group into the start menu's "Programs" folder.
TEST(InstallScript, EmptyLinesThreeToSixAreAccepted) {
    const Parsed p = Parse(kHeader + "\r\n" + kWarning + "\r\n\r\n\r\n\r\n\r\n0\r\n");
    EXPECT_EQ(p.result.code, ScriptDefect::UnsafeFolder);
    EXPECT_EQ(p.result.line, 4);
    EXPECT_TRUE(Parse(kHeader + "\r\n" + kWarning + "\r\n\r\nLumeno\r\nG\r\n\r\n0\r\n").result.ok);
    EXPECT_EQ(p.script.ProductName, "");
    EXPECT_EQ(p.script.FolderName, "");
    EXPECT_EQ(p.script.StartMenuGroup, "");
    EXPECT_EQ(p.script.DefaultTarget, "C:\\Program Files\\");
    // Without a base folder the target would be relative to the current folder.
    EXPECT_EQ(Parse(Head("0"), "").result.code, ScriptDefect::UnsafeFolder);
}

// A NUL cuts a name short for every Windows call after the check; CR, LF, Tab and the
// characters no file name may hold are refused on every line from the product name on.
TEST(InstallScript, ControlAndWildcardCharactersAreRefusedEverywhere) {
    const std::string nul("a\0b", 3);
    const std::string bads[] = {nul,
                                "a\x01",
                                "a\tb",
                                "a\nb",
                                "a\x1F"
                                "b",
                                "\"",
                                "*",
                                "?",
                                "<",
                                ">",
                                "|"};
    for (const std::string& bad : bads) {
        for (int line : {3, 4, 5, 6, 8, 9}) {
            // Lines 3 to 6, then one entry on lines 8 and 9; line 7 is the count.
            std::string lines[] = {"P", "Lumeno", "G", "r", "1", "a.txt", "AUTOSTART!"};
            lines[line - 3] += bad;
            std::string bytes = kHeader + "\r\n" + kWarning + "\r\n";
            for (const std::string& l : lines)
                bytes += l + "\r\n";
            const Parsed p = Parse(bytes + "\r\n");
            EXPECT_EQ(p.result.code, ScriptDefect::UnsafeText) << line << " " << bad;
            EXPECT_EQ(p.result.line, line) << line << " " << bad;
        }
    }
    EXPECT_TRUE(Parse(Head("0", "Lumeno", "R&D && Co \xE4\x81\x90 (1) [x]")).result.ok);
}

// The folder line, the start-menu group and every shortcut caption get the file-name rules,
// so no folder, group or .lnk file lands outside its own folder; DEINST! is a plain name.
TEST(InstallScript, NamesStayInTheirFolders) {
    const struct {
        const char* folder;
        const char* group;
        const char* file;
        const char* marker;
        ScriptDefect code;
        int line;
    } cases[] = {
        {"C:\\Programme\\Lumeno", "PDF Lumeno", "a.exe", "PDF Lumeno", ScriptDefect::None, 0},
        {"Lumeno\\Sub", "NEIN!", "a.exe", "Sub\\Caption", ScriptDefect::None, 0},
        {"Lumeno", "Group", "remove.exe", "DEINST!", ScriptDefect::None, 0},
        {"Lumeno", "G", "a.exe", "", ScriptDefect::None, 0},
        {"Lumeno", "", "a.exe", "", ScriptDefect::UnsafeGroup, 5},
        {"..\\..\\windows\\system32", "G", "a.exe", "NEIN!", ScriptDefect::UnsafeFolder, 4},
        {"C:\\Programme\\..\\x", "G", "a.exe", "NEIN!", ScriptDefect::UnsafeFolder, 4},
        {"C:\\windows", "G", "a.exe", "NEIN!", ScriptDefect::UnsafeFolder, 4},
        {"\\windows", "G", "a.exe", "NEIN!", ScriptDefect::UnsafeFolder, 4},
        {"Lumeno\\aux", "G", "a.exe", "NEIN!", ScriptDefect::UnsafeFolder, 4},
        {"Lumeno", "..\\..\\..\\evilgroup", "a.exe", "NEIN!", ScriptDefect::UnsafeGroup, 5},
        {"Lumeno", "C:\\evil", "a.exe", "NEIN!", ScriptDefect::UnsafeGroup, 5},
        {"Lumeno", "\\\\server\\share", "a.exe", "NEIN!", ScriptDefect::UnsafeGroup, 5},
        {"Lumeno", "LPT1", "a.exe", "NEIN!", ScriptDefect::UnsafeGroup, 5},
        {"Lumeno", "G", "a.exe", "..\\..\\..\\windows\\dropped", ScriptDefect::UnsafeShortcut, 9},
        {"Lumeno", "G", "a.exe", "..\\StartUp\\x", ScriptDefect::UnsafeShortcut, 9},
        {"Lumeno", "G", "a.exe", "C:\\x", ScriptDefect::UnsafeShortcut, 9},
        {"Lumeno", "G", "a.exe", "x:stream", ScriptDefect::UnsafeShortcut, 9},
        {"Lumeno", "G", "a.exe", "PRN", ScriptDefect::UnsafeShortcut, 9},
        {"Lumeno", "G", "a.exe", "/x", ScriptDefect::UnsafeShortcut, 9},
        {"Lumeno", "G", "sub\\remove.exe", "DEINST!", ScriptDefect::UnsafeUninstaller, 8},
        {"Lumeno", "G", "sub/remove.exe", "DEINST!", ScriptDefect::UnsafeUninstaller, 8},
        {"Lumeno", "G", "", "DEINST!", ScriptDefect::UnsafeUninstaller, 8},
        {"Lumeno", "G", "..\\x.exe", "AUTOSTART!", ScriptDefect::UnsafeFileName, 8},
    };
    for (const auto& c : cases) {
        const Parsed p = Parse(kHeader + "\r\n" + kWarning + "\r\nP\r\n" + c.folder + "\r\n" +
                               c.group + "\r\n\r\n1\r\n" + c.file + "\r\n" + c.marker + "\r\n\r\n");
        EXPECT_EQ(p.result.code, c.code) << c.folder << " | " << c.group << " | " << c.marker;
        EXPECT_EQ(p.result.line, c.line) << c.folder << " | " << c.group << " | " << c.marker;
        if (c.code == ScriptDefect::None) {
            EXPECT_TRUE(IsSafeEntry(p.script.Entries.at(0)));
            EXPECT_TRUE(IsSafeStartMenuGroup(p.script.StartMenuGroup));
        }
    }
}

// Folder and group name a place of the product's own: not the base or "Programs" folder
// itself (empty, ".", blank, trailing dots), not a folder all programs share, not the
// autostart folder, and not another folder's short name.
TEST(InstallScript, FolderAndGroupAreTheProductsOwn) {
    const struct {
        const char* folder;
        const char* group;
        ScriptDefect code;
    } cases[] = {
        {"C:\\Programme\\Lumeno", "PDF Lumeno", ScriptDefect::None},
        {"Corvana\\Lumeno 2.0", "Tools\\StartUp", ScriptDefect::None},
        {"Microsoft Tools", "Startups", ScriptDefect::None},
        {"Lumeno", "NEIN!", ScriptDefect::None},
        {"", "G", ScriptDefect::UnsafeFolder},
        {".", "G", ScriptDefect::UnsafeFolder},
        {" ", "G", ScriptDefect::UnsafeFolder},
        {"C:\\Programme\\", "G", ScriptDefect::UnsafeFolder},
        {"C:\\Programme\\.", "G", ScriptDefect::UnsafeFolder},
        {"Lumeno.", "G", ScriptDefect::UnsafeFolder},
        {"Lumeno ", "G", ScriptDefect::UnsafeFolder},
        {"Lumeno\\.", "G", ScriptDefect::UnsafeFolder},
        {"Lumeno\\\\Sub", "G", ScriptDefect::UnsafeFolder},
        {"Lumeno\\", "G", ScriptDefect::UnsafeFolder},
        {"Common Files", "G", ScriptDefect::UnsafeFolder},
        {"common files\\Lumeno", "G", ScriptDefect::UnsafeFolder},
        {"Gemeinsame Dateien", "G", ScriptDefect::UnsafeFolder},
        {"Microsoft\\Windows\\Start Menu\\Programs\\Startup", "G", ScriptDefect::UnsafeFolder},
        {"PROGRA~1", "G", ScriptDefect::UnsafeFolder},
        {"Lumeno", "StartUp", ScriptDefect::UnsafeGroup},
        {"Lumeno", "startup\\x", ScriptDefect::UnsafeGroup},
        {"Lumeno", "Autostart", ScriptDefect::UnsafeGroup},
        {"Lumeno", "StartUp ", ScriptDefect::UnsafeGroup},
        {"Lumeno", "STARTU~1", ScriptDefect::UnsafeGroup},
        {"Lumeno", ".", ScriptDefect::UnsafeGroup},
        {"Lumeno", ".\\StartUp", ScriptDefect::UnsafeGroup},
        {"Lumeno", "G\\.", ScriptDefect::UnsafeGroup},
        {"Lumeno", " ", ScriptDefect::UnsafeGroup},
    };
    for (const auto& c : cases) {
        const Parsed p = Parse(kHeader + "\r\n" + kWarning + "\r\nP\r\n" + c.folder + "\r\n" +
                               c.group + "\r\n\r\n1\r\na.exe\r\nApp\r\n\r\n");
        EXPECT_EQ(p.result.code, c.code) << c.folder << " | " << c.group;
    }
}

// One uninstaller, a program file of its own: a second one, a DLL or a name without ".exe"
// would land in the Windows folder without ever being registered.
TEST(InstallScript, OneUninstallerWithAPlainExeName) {
    const struct {
        const char* entries;
        ScriptDefect code;
        int line;
    } cases[] = {
        {"remove.exe\r\nDEINST!\r\na.dll\r\nNEIN!", ScriptDefect::None, 0},
        {"REMOVE.EXE\r\nDEINST!\r\na.dll\r\nNEIN!", ScriptDefect::None, 0},
        {"uxtheme.dll\r\nDEINST!\r\na.dll\r\nNEIN!", ScriptDefect::UnsafeUninstaller, 8},
        {"remove\r\nDEINST!\r\na.dll\r\nNEIN!", ScriptDefect::UnsafeUninstaller, 8},
        {".exe\r\nDEINST!\r\na.dll\r\nNEIN!", ScriptDefect::UnsafeUninstaller, 8},
        {"remove.exe.\r\nDEINST!\r\na.dll\r\nNEIN!", ScriptDefect::UnsafeUninstaller, 8},
        {"a.txt\r\nNEIN!\r\nremove.exe\r\nDEINST!", ScriptDefect::None, 0},
        {"remove.exe\r\nDEINST!\r\ncmd.exe\r\nDEINST!", ScriptDefect::SecondUninstaller, 11},
        {"remove.exe\r\nDEINST!\r\nremove.exe\r\nDEINST!", ScriptDefect::SecondUninstaller, 11},
    };
    for (const auto& c : cases) {
        const Parsed p = Parse(Head("2") + c.entries + "\r\n\r\n");
        EXPECT_EQ(p.result.code, c.code) << c.entries;
        EXPECT_EQ(p.result.line, c.line) << c.entries;
    }
}

TEST(TargetFolder, OnlyAFolderOfItsOwn) {
    const ProtectedFolders protectedFolders{
        {"C:\\Program Files\\", "C:\\Users\\max"},
        {"C:\\windows", "C:\\Users\\max\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\"}};
    const struct {
        const char* target;
        TargetCheck check;
    } cases[] = {
        {"C:\\Program Files\\Lumeno", TargetCheck::Ok},
        {"c:/program files/Lumeno/", TargetCheck::NotFull},
        {"\\\\server\\share\\Lumeno", TargetCheck::Ok},
        {"C:\\windowsapps\\Lumeno", TargetCheck::Ok},
        {"C:\\Users\\max\\Lumeno", TargetCheck::Ok},
        {"C:\\", TargetCheck::Protected},
        {"d:\\", TargetCheck::Protected},
        {"\\\\server\\share", TargetCheck::Protected},
        {"\\\\server\\share\\", TargetCheck::Protected},
        {"C:\\Program Files", TargetCheck::Protected},
        {"C:\\PROGRAM FILES\\", TargetCheck::Protected},
        {"C:\\Users\\Max", TargetCheck::Protected},
        {"C:\\windows", TargetCheck::Protected},
        {"C:\\Windows\\System32", TargetCheck::Protected},
        {"C:\\windows/Lumeno", TargetCheck::Protected},
        {"C:\\Users\\max\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp",
         TargetCheck::Protected},
        {"C:\\Program Files\\..\\windows", TargetCheck::Unsafe},
        {"C:\\Lumeno\\.\\x", TargetCheck::Unsafe},
        {"C:\\Lumeno\\.", TargetCheck::Unsafe},
        {"C:\\Lumeno.", TargetCheck::Unsafe},
        {"C:\\Lumeno \\x", TargetCheck::Unsafe},
        {"C:\\Lumeno\\\\x", TargetCheck::Unsafe},
        {"C:\\Lumeno\\NUL", TargetCheck::Unsafe},
        {"C:\\Lumeno\\x:y", TargetCheck::Unsafe},
        {"C:\\PROGRA~1\\Lumeno", TargetCheck::Unsafe},
        {"\\\\.\\C:\\Lumeno", TargetCheck::Unsafe},
        {"\\\\?\\C:\\Lumeno", TargetCheck::Unsafe},
        {"//?/C:/Lumeno", TargetCheck::Unsafe},
        {"\\\\localhost\\C$\\Lumeno", TargetCheck::Unsafe},
        {"Lumeno", TargetCheck::NotFull},
        {"C:Lumeno", TargetCheck::NotFull},
        {"C:\\Lu|meno", TargetCheck::NotFull},
        {"", TargetCheck::NotFull},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CheckTargetFolder(c.target, protectedFolders), c.check) << c.target;
}

TEST(InstallScript, BaseFolderIsAskedOnlyAfterTheHeader) {
    EXPECT_EQ(Parse("wrong\r\n").baseCalls, 0);
    EXPECT_EQ(Parse(Head("x")).baseCalls, 1);
}

} // namespace

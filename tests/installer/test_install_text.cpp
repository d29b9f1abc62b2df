#include "install_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace installer;

namespace {

TEST(PercentEncodeEmail, KeepsOnlyTheSafeBytes) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"max.mustermann@example.org", "max.mustermann@example.org"},
        {"Max_1[2]@Beispiel.DE", "Max_1[2]@Beispiel.DE"},
        {"max-mustermann@example.org", "max%2Dmustermann@example.org"},
        {"a b", "a%20b"},
        {"j\xE4ger@example.org", "j%E4ger@example.org"},
        {"a+b@x", "a%2Bb@x"},
        {"%&=?#/", "%25%26%3D%3F%23%2F"},
        {std::string("\x01\x7F\x80\xFF", 4), "%01%7F%80%FF"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PercentEncodeEmail(c.in), c.out) << c.in;
}

TEST(PercentEncodeEmail, NewsletterAddress) {
    EXPECT_EQ(NewsletterUrl("max-m@example.org"),
              std::string(kNewsletterHost) +
                  "/maillistger.php?EMAIL=max%2Dm@example.org&eintragen=1");
}

TEST(CommandLine, PositionsCountOnlyAfterSilent) {
    using Args = std::vector<std::string>;
    const struct {
        Args args;
        bool silent, desktop, forAll, noStartMenu;
    } cases[] = {
        {{}, false, true, false, false},
        {{"-silent"}, true, true, false, false},
        {{"-silent", "-nodesktop"}, true, false, false, false},
        {{"-nodesktop"}, false, true, false, false},
        {{"-nodesktop", "-silent"}, false, true, false, false},
        {{"-Silent"}, false, true, false, false},
        {{"-silent", "x", "-desktopiconforall"}, true, true, true, false},
        {{"-silent", "x", "y", "-nostartmenu"}, true, true, false, true},
        {{"-silent", "-nostartmenu"}, true, true, false, false},
        {{"-silent", "-nodesktop", "-desktopiconforall", "-nostartmenu"}, true, false, true, true},
        {{"-silent", "-NODESKTOP"}, true, true, false, false},
    };
    for (const auto& c : cases) {
        const CommandLineOptions o = ParseCommandLine(c.args);
        std::string shown;
        for (const auto& a : c.args)
            shown += a + " ";
        EXPECT_EQ(o.Silent, c.silent) << shown;
        EXPECT_EQ(o.CreateDesktopIcon, c.desktop) << shown;
        EXPECT_EQ(o.DesktopIconForAll, c.forAll) << shown;
        EXPECT_EQ(o.NoStartMenu, c.noStartMenu) << shown;
    }
}

TEST(InstallTexts, ExactBytes) {
    EXPECT_EQ(DefectMessageText(),
              "Die Datei Install.log ist defekt! Die Installation mu\xDF abgebrochen werden!");
    EXPECT_EQ(DefectMessageCaption(), "Installation abbgebrochen!");
    EXPECT_EQ(CopyStatusText("S:\\a.exe", "T:\\a.exe"), "Kopiere S:\\a.exe\r nach \rT:\\a.exe...");
    EXPECT_EQ(CopyFailureText("S:\\a.exe", "T:\\a.exe", CopyFailure::InUse),
              "Fehler beim Kopieren der Datei \r\nS:\\a.exe\r\n nach \r\nT:\\a.exe ! "
              "Wahrscheinlich l\xE4uft das Programm noch. Beenden Sie zuerst das Programm oder "
              "starten Sie den Rechner neu.");
    EXPECT_EQ(AutostartCommand("C:\\Program Files\\PDF Lumeno\\tray.exe"),
              "\"C:\\Program Files\\PDF Lumeno\\tray.exe\"");
}

// Only a file in use blames a running program; every other reason says what went wrong.
TEST(InstallTexts, CopyFailureNamesItsReason) {
    const std::string head = "Fehler beim Kopieren der Datei \r\nS\r\n nach \r\nT ! ";
    const struct {
        CopyFailure reason;
        const char* text;
    } cases[] = {
        {CopyFailure::MissingSource, "Die Datei fehlt im Installationspaket."},
        {CopyFailure::MissingFolder, "Der Zielordner fehlt und konnte nicht angelegt werden."},
        {CopyFailure::AccessDenied, "Der Zugriff wurde verweigert. Pr\xFC"
                                    "fen Sie Ihre Rechte am Zielordner."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CopyFailureText("S", "T", c.reason), head + c.text);
    for (CopyFailure r : {CopyFailure::MissingSource, CopyFailure::MissingFolder,
                          CopyFailure::AccessDenied, CopyFailure::Link, CopyFailure::ReadWrite}) {
        EXPECT_EQ(CopyFailureText("S", "T", r).find("Programm"), std::string::npos);
        EXPECT_FALSE(CopyFailureReason(r).empty());
    }
    const std::string list = IncompleteText({"T:\\a.exe: Zugriff verweigert", "T:\\b.dll: x"});
    EXPECT_EQ(list.rfind("Die Installation ist nicht vollst\xE4ndig.", 0), 0u);
    EXPECT_NE(list.find("\r\nT:\\a.exe: Zugriff verweigert\r\nT:\\b.dll: x\r\n"),
              std::string::npos);
    EXPECT_NE(IncompleteText(std::vector<std::string>(12, "x")).find("\r\nx\r\n... und 2 weitere"),
              std::string::npos);
    EXPECT_EQ(RefusalText(Refusal::RunValue, "tray.exe"),
              "Der Autostart-Eintrag tray.exe geh\xF6rt zu einem anderen Programm. Die "
              "Installation wurde abgebrochen; es wurde nichts ver\xE4ndert.");
}

TEST(CommandLine, LogFileOnlyInSilentMode) {
    using Args = std::vector<std::string>;
    EXPECT_EQ(LogFileArgument(Args{"-silent", "-log:C:\\x.log"}), "C:\\x.log");
    EXPECT_EQ(LogFileArgument(Args{"-silent", "-nodesktop", "a", "b", "-log:y"}), "y");
    EXPECT_EQ(LogFileArgument(Args{"-log:C:\\x.log"}), "");
    EXPECT_EQ(LogFileArgument(Args{"-silent", "-log:"}), "");
    // The log argument in position 2 is "any other text": desktop shortcuts stay on.
    EXPECT_TRUE(ParseCommandLine(Args{"-silent", "-log:x"}).CreateDesktopIcon);
}

TEST(InstallTexts, FinalMessage) {
    const std::string done = "Die Installation wurde abgeschlossen.";
    const std::string both =
        " Eine Verkn\xFCpfung wurde unter Start/Programme und auf dem Desktop angelegt.";
    const std::string menu = " Eine Verkn\xFCpfung wurde unter Start/Programme angelegt.";
    const std::string start = " Das Programm wird nun gleich f\xFCr Sie das erste Mal gestartet.";
    EXPECT_EQ(FinalText(true, true), done + both + start);
    EXPECT_EQ(FinalText(true, false), done + both);
    EXPECT_EQ(FinalText(false, true), done + menu + start);
    EXPECT_EQ(FinalText(false, false), done + menu);
}

TEST(InstallTexts, UninstallStringKeepsTheFinalBackslashInQuotes) {
    EXPECT_EQ(UninstallString("C:\\WINDOWS\\", "remove.exe", "C:\\Programme\\Lumeno\\"),
              "C:\\WINDOWS\\remove.exe \"C:\\Programme\\Lumeno\\\"");
}

TEST(InstallTexts, Markers) {
    for (const char* k : {"NEIN!", "NEINIFNOTEXIST!", "EXEC!", "AUTOSTART!", "DEINST!"})
        EXPECT_TRUE(IsKeywordMarker(k)) << k;
    for (const char* k : {"nein!", "NEIN", "NEIN! ", " EXEC!", "Deinst!", "", "PDF Lumeno"})
        EXPECT_FALSE(IsKeywordMarker(k)) << k;
}

TEST(InstallTexts, PathHelpers) {
    const struct {
        const char* name;
        bool exe;
    } exts[] = {{"a.exe", true},      {"sub\\A.EXE", true}, {"a.Exe", true}, {"a.exex", true},
                {"a.bexe", true},     {"a.exe.txt", false}, {"exe", false},  {"a.ex", false},
                {"sub.exe\\x", true}, {"", false}};
    for (const auto& e : exts)
        EXPECT_EQ(HasExeExtension(e.name), e.exe) << e.name;
    EXPECT_EQ(WithBackslash("C:\\x"), "C:\\x\\");
    EXPECT_EQ(WithBackslash("C:\\x\\"), "C:\\x\\");
    EXPECT_EQ(WithBackslash(""), "");
    EXPECT_EQ(FolderPart("C:\\a\\b.exe"), "C:\\a\\");
    EXPECT_EQ(TargetFromChosenFolder("D:\\", "Lumeno"), "D:\\Lumeno");
    EXPECT_EQ(TargetFromChosenFolder("D:\\Apps", "Lumeno"), "D:\\Apps\\Lumeno");
    EXPECT_EQ(FolderPart("b.exe"), "");
}

TEST(InstallTexts, TargetMustBeAFullFolderPath) {
    for (const char* ok : {"C:\\Programme\\Lumeno", "d:\\", "\\\\server\\share\\Lumeno"})
        EXPECT_TRUE(IsFullFolderPath(ok)) << ok;
    for (const char* bad :
         {"", "Lumeno", "C:", "C:Lumeno", "\\Lumeno", "\\\\\\x", "1:\\x", " C:\\x"})
        EXPECT_FALSE(IsFullFolderPath(bad)) << bad;
    EXPECT_EQ(TargetFolderHintText("Lumeno"),
              "Bitte geben Sie das Zielverzeichnis vollst\xE4ndig an, zum Beispiel "
              "C:\\Programme\\Lumeno.");
}

TEST(Encoding, Utf8AndWindows1252) {
    EXPECT_EQ(Utf8ToAnsi("äöüÄÖÜß"), "\xE4\xF6\xFC\xC4\xD6\xDC\xDF");
    EXPECT_EQ(Utf8ToAnsi("€ „x“ – …"), "\x80 \x84x\x93 \x96 \x85");
    EXPECT_EQ(Utf8ToAnsi("日本"), "??");
    EXPECT_EQ(Utf8ToAnsi("a\xC3"), "a?"); // cut sequence
    EXPECT_EQ(Utf8ToAnsi("\xE4x"), "?x"); // a 1252 byte is no UTF-8
    EXPECT_EQ(AnsiToWide("\xE4\x80\x81\x9F"), std::wstring(L"\u00E4\u20AC\u0081\u0178"));
    // Every byte that has a character survives the round trip through UTF-16.
    for (int b = 0x20; b < 0x100; ++b) {
        const std::string one(1, static_cast<char>(b));
        const std::wstring w = AnsiToWide(one);
        ASSERT_EQ(w.size(), 1u);
        if (w[0] == static_cast<wchar_t>(b) && b >= 0x80 && b < 0xA0) continue; // unused places
        std::string utf8;
        const unsigned c = w[0];
        if (c < 0x80)
            utf8 += static_cast<char>(c);
        else if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            utf8 += static_cast<char>(0xE0 | (c >> 12));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
        EXPECT_EQ(Utf8ToAnsi(utf8), one) << "byte " << b;
    }
}

} // namespace

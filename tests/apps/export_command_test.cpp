// lumeno-export's show settings as a user gives them: each option's effect in the SVG of the
// written PDF, the limits, every kind of bad value, and overriding a project file.
#include "export_options.h"
#include "lumeno/project/project_file.h"
#include "slideshow_test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace {

using namespace slideshow_test;
using lumeno::cli::ParseColour;
using lumeno::cli::ParseExportCommandLine;

class ExportCommandTest : public ScratchTest {
  protected:
    std::pair<int, std::string> Run(const std::string& args) {
        return RunCommand("cd '" + dir_.string() + "' && '" LUMENO_EXPORT_TOOL "' " + args +
                          " 2>&1");
    }
    // The SVG of object 16 of a PDF exported from two photos with these options.
    std::string SvgWith(const std::string& options) {
        const auto r = Run(options + " -o show.pdf a.jpg fehlt.jpg");
        EXPECT_EQ(r.first, 1) << "the missing photo is a warning: " << options << "\n" << r.second;
        return RunCommand("qpdf --show-object=16 --filtered-stream-data '" +
                          (dir_ / "show.pdf").string() + "'")
            .second;
    }
};

TEST_F(ExportCommandTest, EachSettingReachesThePresentation) {
    REQUIRE_TOOLS("qpdf");
    SolidJpeg("a.jpg", 16, 12, 0x336699);
    const std::string defaults = SvgWith("");
    const struct {
        const char* options;
        const char* inSvg;
    } cases[] = {
        {"--fade 500", R"(to="1.0" begin="0s" dur="0.5s")"},
        {"--pause 2000", R"(to="0.0" begin="3s" dur="1s")"},
        {"--crossfade", R"(to="visible" begin="4s")"}, // photo 2 starts when photo 1 fades out
        {"--background Rot", R"(fill="#FF0000" stroke="none")"},
        {"--background '#12abEF'", R"(fill="#12ABEF" stroke="none")"},
        {"--text-color hellgrün", R"(fill="#00FF00" stroke="#000000")"},
        {"--outline-color Weiß", R"(fill="#FFFF00" stroke="#FFFFFF")"},
        {"--text-x -5", R"(<text x="-5%" y="95%")"},
        {"--text-y 2,9", R"(<text x="2%" y="2%")"},
        {"--font-size 12.7", R"(font-size="12")"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(defaults.find(c.inSvg), std::string::npos) << c.inSvg;
        EXPECT_NE(SvgWith(c.options).find(c.inSvg), std::string::npos) << c.options;
    }
}

TEST(ExportCommandLine, LimitsAndTruncationAsInTheSettingsFields) {
    const struct {
        std::vector<std::string> args;
        int32_t lumeno::TShowSettings::*field;
        int32_t value;
    } cases[] = {
        {{"--fade", "1"}, &lumeno::TShowSettings::FadeTime, 1},
        {{"--fade", "1000000,9"}, &lumeno::TShowSettings::FadeTime, 1000000},
        {{"--pause", "0.99e0"}, nullptr, 0},
        {{"--pause", "1.99"}, &lumeno::TShowSettings::PauseTime, 1},
        {{"--text-x", "-2147483648"}, &lumeno::TShowSettings::TextX, INT32_MIN},
        {{"--text-y", "2147483647.5"}, &lumeno::TShowSettings::TextY, INT32_MAX},
        {{"--font-size", "-0,5"}, &lumeno::TShowSettings::FontSize, 0},
    };
    for (const auto& c : cases) {
        const auto r = ParseExportCommandLine(c.args);
        if (!c.field) {
            EXPECT_FALSE(r.ok) << c.args[1];
            continue;
        }
        ASSERT_TRUE(r.ok) << c.args[1] << ": " << r.message;
        lumeno::TShowSettings s;
        r.command.overrides.ApplyTo(s);
        EXPECT_EQ(s.*c.field, c.value) << c.args[0] << " " << c.args[1];
    }
    EXPECT_EQ(ParseColour("Dunkelblau"), 0x800000u);
    EXPECT_EQ(ParseColour("#FF8000"), 0x0080FFu);
    EXPECT_FALSE(ParseColour("mehr...").has_value());
}

TEST_F(ExportCommandTest, BadValueNamesOptionAndRangeAndWritesNothing) {
    const struct {
        const char* options;
        const char* message;
    } cases[] = {
        {"--fade 0", "--fade: „0“ ist nicht erlaubt. Erlaubt ist eine Zahl von 1 bis 1000000."},
        {"--fade 1000001", "von 1 bis 1000000"},
        {"--pause 0,5", "--pause: „0,5“"},
        {"--pause drei", "--pause: „drei“"},
        {"--text-x 2147483648", "--text-x: „2147483648“ ist nicht erlaubt. Erlaubt ist eine Zahl "
                                "von -2147483648 bis 2147483647."},
        {"--text-y ''", "--text-y: „“"},
        {"--font-size 1e3", "--font-size: „1e3“"},
        {"--background Lila", "--background: „Lila“ ist keine Farbe. Erlaubt sind Schwarz,"},
        {"--text-color '#12345'", "--text-color: „#12345“ ist keine Farbe."},
        {"--outline-color '#12345G'", "oder #RRGGBB"},
        {"--font-size", "Nach --font-size fehlt ein Wert."},
    };
    for (const auto& c : cases) {
        const auto r =
            Run(std::string("--save-show s.lmo --html s.html -o s.pdf x.jpg ") + c.options);
        EXPECT_EQ(r.first, 2) << c.options;
        EXPECT_NE(r.second.find(c.message), std::string::npos) << c.options << "\n" << r.second;
        for (const char* f : {"s.lmo", "s.html", "s.pdf"})
            EXPECT_FALSE(fs::exists(dir_ / f)) << c.options;
    }
}

TEST_F(ExportCommandTest, BadVideoInputNamesOptionAndAllowedValuesAndWritesNothing) {
    SolidJpeg("x.jpg", 16, 12, 0x336699);
    const std::string size = "Erlaubt ist BREITExHÖHE mit geraden Zahlen, die Breite von 320 "
                             "bis 7680, die Höhe von 240 bis 4320";
    const struct {
        const char* options;
        std::string message;
    } cases[] = {
        {"--video-size 1921x1080", "--video-size: „1921x1080“ ist nicht erlaubt. " + size},
        {"--video-size 1920x1081", "--video-size: „1920x1081“"},
        {"--video-size 318x240", size},
        {"--video-size 7682x4320", size},
        {"--video-size 320x238", size},
        {"--video-size 640x4322", size},
        {"--video-size 1920", "--video-size: „1920“"},
        {"--video-size HD", "--video-size: „HD“"},
        {"--fps 9", "--fps: „9“ ist nicht erlaubt. Erlaubt ist eine Zahl von 10 bis 60."},
        {"--fps 61", "--fps: „61“"},
        {"--music fehlt.mp3", "--music: „fehlt.mp3“ fehlt oder enthält keinen lesbaren Ton."},
        {"--music x.jpg", "--music: „x.jpg“ fehlt oder enthält keinen lesbaren Ton."},
        {"--music", "Nach --music fehlt ein Wert."},
    };
    for (const auto& c : cases) {
        const auto r = Run(std::string("--video v.mp4 -o s.pdf x.jpg ") + c.options);
        EXPECT_EQ(r.first, 2) << c.options;
        EXPECT_NE(r.second.find(c.message), std::string::npos) << c.options << "\n" << r.second;
        for (const char* f : {"v.mp4", "s.pdf"})
            EXPECT_FALSE(fs::exists(dir_ / f)) << c.options;
    }
    // The video's own options need --video; the video may not overwrite a photo.
    EXPECT_EQ(Run("--fps 25 -o s.pdf x.jpg").first, 2);
    EXPECT_EQ(Run("--video x.jpg x.jpg").first, 2);
    EXPECT_EQ(lumeno::cli::ParseVideoSize("1280×720"), (std::pair{1280, 720}));
    EXPECT_EQ(lumeno::cli::ParseVideoSize("1080X1920"), (std::pair{1080, 1920}));
    EXPECT_FALSE(lumeno::cli::ParseVideoSize("-2x4").has_value());
}

TEST_F(ExportCommandTest, VideoAloneAndBesideThePdf) {
    SolidJpeg("x.jpg", 16, 12, 0x336699);
    auto r = Run("--video v.mp4 --video-size 320x240 --fps 10 --fade 100 --pause 100 x.jpg");
    ASSERT_EQ(r.first, 0) << r.second;
    EXPECT_TRUE(fs::exists(dir_ / "v.mp4"));
    EXPECT_FALSE(fs::exists(dir_ / "show.pdf"));
    r = Run("--video w.mp4 --video-size 320x240 -o s.pdf x.jpg");
    ASSERT_EQ(r.first, 0) << r.second;
    EXPECT_GT(fs::file_size(dir_ / "w.mp4"), 0u);
    EXPECT_GT(fs::file_size(dir_ / "s.pdf"), 0u);
}

TEST_F(ExportCommandTest, OptionsOverrideTheProjectForThisExportOnly) {
    lumeno::TSlideShow show;
    show.AddPhotos({(dir_ / "a.jpg").string()}, false);
    lumeno::TShowSettings original;
    original.FadeTime = 700;
    original.TextColor = 0x0000FF;
    ASSERT_TRUE(lumeno::WriteProjectFile((dir_ / "in.lmo").string(), show, original).ok);
    const std::string before = ReadFile(dir_ / "in.lmo");

    const auto r = Run("--pause 1500 --crossfade --background Gelb --save-show out.lmo in.lmo");
    ASSERT_EQ(r.first, 0) << r.second;
    EXPECT_EQ(ReadFile(dir_ / "in.lmo"), before);
    lumeno::TShowSettings expected = original;
    expected.PauseTime = 1500;
    expected.FadeInOut = false;
    expected.BackColor = 0x00FFFF;
    EXPECT_EQ(ReadFile(dir_ / "out.lmo"), lumeno::ProjectFileBytes(show, expected));

    // Photos from the command line are saved with their full path and their captions.
    ASSERT_EQ(Run("--captions --font-size 30 --save-show fotos.lmo a.jpg").first, 0);
    lumeno::TSlideShow read;
    const auto back = lumeno::ReadProjectFile((dir_ / "fotos.lmo").string(), read, {});
    ASSERT_TRUE(back.ok);
    ASSERT_EQ(read.Count(), 1);
    EXPECT_EQ(read.Fotos[0].FileName, (dir_ / "a.jpg").string());
    EXPECT_EQ(read.Fotos[0].Text, "a.jpg");
    EXPECT_EQ(back.settings.FontSize, 30);
}

TEST_F(ExportCommandTest, HelpListsEveryOption) {
    const auto help = Run("--help");
    ASSERT_EQ(help.first, 0);
    for (const char* option : {"--fade MS", "--pause MS", "--crossfade", "--background FARBE",
                               "--text-color FARBE", "--outline-color FARBE", "--text-x N",
                               "--text-y N", "--font-size N", "--save-show DATEI"})
        EXPECT_NE(help.second.find(option), std::string::npos) << option;
}

} // namespace

// A disk that fills up and a folder the user may not write: a non-zero exit code, the file and
// the reason in German, the old PDF and HTML file byte for byte and nothing left beside them.
TEST_F(ExportCommandTest, FailuresNameFileAndReasonAndKeepTheOldFile) {
    for (int i = 0; i < 4; ++i)
        SolidJpeg("f" + std::to_string(i) + ".jpg", 400, 300, 0x102030u * uint32_t(i + 1));
    for (const char* name : {"alt.pdf", "alt.html"}) {
        const fs::path out = dir_ / name;
        std::ofstream(out, std::ios::binary) << "alte Datei";
        const bool html = out.extension() == ".html";
        // 12 blocks of 512 bytes: room for the document's start, not for the photos.
        const auto full =
            RunCommand("cd '" + dir_.string() + "' && trap '' XFSZ && ulimit -f 12 && '" +
                       LUMENO_EXPORT_TOOL "' " + (html ? "--html " : "-o ") + name +
                       " f0.jpg f1.jpg f2.jpg f3.jpg 2>&1");
        EXPECT_NE(full.first, 0) << name;
        const std::string said = "\nlumeno-export: Die Datei " + std::string(name) +
                                 " konnte nicht vollständig geschrieben werden. Auf dem "
                                 "Datenträger ist nicht genug Platz. Eine schon vorhandene "
                                 "Datei dieses Namens ist unverändert.\n";
        // After the progress lines (a sanitizer's report may follow).
        EXPECT_NE(full.second.find(said), std::string::npos) << full.second;
        EXPECT_EQ(ReadFile(out), "alte Datei");
        EXPECT_FALSE(fs::exists(out.string() + "~0.tmp"));
    }

    // As root the folder's rights do not count: the tool runs as nobody then.
    fs::create_directories(dir_ / "nur-lesen");
    fs::permissions(dir_ / "nur-lesen", fs::perms::owner_read | fs::perms::owner_exec |
                                            fs::perms::group_read | fs::perms::group_exec |
                                            fs::perms::others_read | fs::perms::others_exec);
    // Nobody may not reach the build tree (a checkout in a folder only root may enter): the tool
    // and its library run from a copy in a folder of their own that everybody may enter.
    std::string as, tool = LUMENO_EXPORT_TOOL;
    fs::path copy;
    if (::geteuid() == 0) {
        as = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
        std::string name = (dir_.parent_path() / "lumeno_tool.XXXXXX").string();
        ASSERT_NE(::mkdtemp(name.data()), nullptr);
        copy = name;
        fs::permissions(copy, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
        const fs::path built = fs::path(LUMENO_EXPORT_TOOL).parent_path();
        for (const char* file : {"lumeno-export", "libpictavo.so.1"})
            fs::copy_file(built / file, copy / file);
        tool = (copy / "lumeno-export").string();
    }
    const auto denied = RunCommand("cd '" + dir_.string() + "' && " + as + "'" + tool +
                                   "' -o nur-lesen/x.pdf f0.jpg 2>&1");
    EXPECT_NE(denied.first, 0);
    EXPECT_EQ(denied.second, "lumeno-export: Die Datei nur-lesen/x.pdf konnte nicht erstellt "
                             "werden! Keine Berechtigung, in diesen Ordner zu schreiben.\n");
    EXPECT_TRUE(fs::is_empty(dir_ / "nur-lesen"));
    if (!copy.empty()) fs::remove_all(copy);

    // A file another program holds (here a running program, which the system lets nobody
    // write): only now the advice to close it there.
    const auto busy = RunCommand("cd '" + dir_.string() +
                                 "' && cp /bin/sleep busy.pdf && chmod +x busy.pdf && "
                                 "{ ./busy.pdf 30 & p=$!; for i in $(seq 500); do "
                                 "[ \"$(readlink /proc/$p/exe)\" = \"$(pwd -P)/busy.pdf\" ] && "
                                 "break; sleep 0.01; done; '" LUMENO_EXPORT_TOOL
                                 "' -o busy.pdf f0.jpg 2>&1; s=$?; kill $p; wait $p; exit $s; }");
    EXPECT_NE(busy.first, 0);
    EXPECT_EQ(busy.second, "lumeno-export: Die Datei busy.pdf konnte nicht erstellt werden! Bitte "
                           "schließen Sie diese Datei im Acrobat Reader, falls diese offen sein "
                           "sollte! Die Datei wird gerade von einem anderen Programm benutzt.\n");
}

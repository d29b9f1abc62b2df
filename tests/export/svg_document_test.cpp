// The SVG presentation: exact lines, the time line, number formats and caption escaping.
#include "lumeno/core/number_text.h"
#include "lumeno/export/output_encoding.h"
#include "lumeno/export/show_timeline.h"
#include "lumeno/export/svg_document.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <locale>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

using namespace lumeno;

namespace {

std::vector<std::string> SplitCrLf(const std::string& doc) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        size_t end = doc.find("\r\n", start);
        if (end == std::string::npos) break;
        lines.push_back(doc.substr(start, end - start));
        start = end + 2;
    }
    EXPECT_EQ(start, doc.size()) << "text after the last CR LF";
    return lines;
}

struct Timing {
    std::vector<std::string> begins, durs;
};

Timing ReadTiming(const std::string& line) {
    Timing t;
    std::regex re("begin=\"([^\"]*)s\" dur=\"([^\"]*)s\"");
    for (std::sregex_iterator it(line.begin(), line.end(), re), e; it != e; ++it) {
        t.begins.push_back((*it)[1]);
        t.durs.push_back((*it)[2]);
    }
    return t;
}

} // namespace

TEST(SvgDocument, EmptyShowIsHeaderBackgroundAndClose) {
    TShowSettings s;
    s.BackColor = 0x00336699; // red 0x99, green 0x66, blue 0x33
    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" standalone=\"no\"?>\r\n"
        "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 20010904//EN\"\r\n"
        "    \"http://www.w3.org/TR/2001/REC-SVG-20010904/DTD/svg10.dtd\">\r\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\"\r\n"
        "     xmlns:xlink=\"http://www.w3.org/1999/xlink\">\r\n"
        "<rect x=\"0\" y=\"0\" width=\"100%\" height=\"100%\" fill=\"#996633\" stroke=\"none\" "
        "stroke-width=\"0\" />\r\n"
        "\r\n"
        "</svg>\r\n";
    EXPECT_EQ(BuildSvgDocument({}, s), expected);
}

TEST(SvgDocument, OnePhotoWithDefaultsLineByLine) {
    const auto lines = SplitCrLf(BuildSvgDocument({"Hallo"}, TShowSettings{}));
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines[5], "<rect x=\"0\" y=\"0\" width=\"100%\" height=\"100%\" fill=\"#FFFFFF\" "
                        "stroke=\"none\" stroke-width=\"0\" />");
    EXPECT_EQ(lines[6], "<image x=\"0\" y=\"0\" width=\"100%\" height=\"100%\"");
    EXPECT_EQ(lines[7], "xlink:href=\"imgaaab.jpg\" preserveAspectRatio=\"xMinYMin meet\" "
                        "opacity=\"0.0\" visibility=\"hidden\">");
    const std::string in = "<animate attributeName=\"opacity\" attributeType=\"CSS\" from=\"0.0\" "
                           "to=\"1.0\" begin=\"0s\" dur=\"1s\" fill=\"freeze\" />";
    const std::string out = "<animate attributeName=\"opacity\" attributeType=\"CSS\" from=\"1.0\" "
                            "to=\"0.0\" begin=\"4s\" dur=\"1s\" fill=\"freeze\" />";
    const std::string vis = "<set attributeName=\"visibility\" attributeType=\"CSS\" "
                            "to=\"visible\" begin=\"0s\" dur=\"5s\" fill=\"freeze\" />";
    EXPECT_EQ(lines[8], in);
    EXPECT_EQ(lines[9], out);
    EXPECT_EQ(lines[10], vis);
    EXPECT_EQ(lines[11], "</image>");
    EXPECT_EQ(lines[12], "<text x=\"2%\" y=\"95%\" font-family=\"Verdana\" font-size=\"40\" "
                         "opacity=\"0.0\" visibility=\"hidden\" fill=\"#FFFF00\" "
                         "stroke=\"#000000\">");
    EXPECT_EQ(lines[13], "Hallo");
    EXPECT_EQ(lines[14], in);
    EXPECT_EQ(lines[15], out);
    EXPECT_EQ(lines[16], vis);
    EXPECT_EQ(lines[17], "</text>");
    EXPECT_EQ(lines[18], "");
    EXPECT_EQ(lines[19], "</svg>");
}

// Reads the begin and dur values back for every photo.
TEST(SvgDocument, TimeLineForBothModes) {
    struct Case {
        bool fadeInOut;
        int fade, pause;
        std::vector<std::array<const char*, 4>> photos; // Tin, Tout, D, V
    } cases[] = {
        {true, 1000, 3000, {{"0", "4", "1", "5"}, {"5", "9", "1", "5"}, {"10", "14", "1", "5"}}},
        {false, 1000, 3000, {{"0", "4", "1", "5"}, {"4", "8", "1", "5"}, {"8", "12", "1", "5"}}},
        {true, 1, 1, {{"0", "0.002", "0.001", "0.003"}, {"0.003", "0.005", "0.001", "0.003"}}},
        {false,
         333,
         1500,
         {{"0", "1.833", "0.333", "2.166"},
          {"1.833", "3.666", "0.333", "2.166"},
          {"3.666", "5.499", "0.333", "2.166"}}},
        {true, 1000000, 1, {{"0", "1000.001", "1000", "2000.001"}}},
    };
    for (const auto& c : cases) {
        TShowSettings s;
        s.FadeInOut = c.fadeInOut;
        s.FadeTime = c.fade;
        s.PauseTime = c.pause;
        const auto lines =
            SplitCrLf(BuildSvgDocument(std::vector<std::string>(c.photos.size()), s));
        ASSERT_EQ(lines.size(), 8 + 12 * c.photos.size());
        for (size_t k = 0; k < c.photos.size(); ++k) {
            SCOPED_TRACE("fade " + std::to_string(c.fade) + " photo " + std::to_string(k + 1));
            const auto& want = c.photos[k];
            for (size_t base : {6 + 12 * k, 6 + 12 * k + 6}) {
                Timing fadeIn = ReadTiming(lines[base + 2]);
                Timing fadeOut = ReadTiming(lines[base + 3]);
                Timing visible = ReadTiming(lines[base + 4]);
                ASSERT_EQ(fadeIn.begins.size(), 1u);
                EXPECT_EQ(fadeIn.begins[0], want[0]);
                EXPECT_EQ(fadeIn.durs[0], want[2]);
                EXPECT_EQ(fadeOut.begins[0], want[1]);
                EXPECT_EQ(fadeOut.durs[0], want[2]);
                EXPECT_EQ(visible.begins[0], want[0]);
                EXPECT_EQ(visible.durs[0], want[3]);
            }
        }
    }
}

TEST(SvgDocument, CaptionPositionSizeAndColours) {
    TShowSettings s;
    s.TextX = -5;
    s.TextY = 0;
    s.FontSize = 7;
    s.TextColor = 0x00010203;
    s.OutlineColor = 0x00ABCDEF;
    const auto lines = SplitCrLf(BuildSvgDocument({""}, s));
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines[12], "<text x=\"-5%\" y=\"0%\" font-family=\"Verdana\" font-size=\"7\" "
                         "opacity=\"0.0\" visibility=\"hidden\" fill=\"#030201\" "
                         "stroke=\"#EFCDAB\">");
    EXPECT_EQ(lines[13], "") << "a photo without caption has an empty line";
}

TEST(SvgDocument, PhotoTwelveRefersToItsResourceName) {
    const auto lines = SplitCrLf(BuildSvgDocument(std::vector<std::string>(12), TShowSettings{}));
    ASSERT_EQ(lines.size(), 8 + 12 * 12u);
    EXPECT_NE(lines[6 + 12 * 11 + 1].find("xlink:href=\"imgaabc.jpg\""), std::string::npos);
}

// A photo embedded with its EXIF turn sits in a frame of its upright proportions and is
// turned there; an upright one keeps the lines every file has.
TEST(SvgDocument, TurnedPhotoIsTurnedInAFrameOfItsUprightShape) {
    const std::string plain = BuildSvgDocument({"a", "b"}, TShowSettings{});
    EXPECT_EQ(BuildSvgDocument({"a", "b"}, TShowSettings{}, {{4000, 3000, 1}, {}}), plain);
    const auto lines =
        SplitCrLf(BuildSvgDocument({"a", "b"}, TShowSettings{}, {{}, {4000, 3000, 6}}));
    const auto before = SplitCrLf(plain);
    ASSERT_EQ(lines.size(), before.size() + 2);
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 18, lines.begin()));
    EXPECT_EQ(lines[18], "<svg x=\"0\" y=\"0\" width=\"100%\" height=\"100%\" "
                         "viewBox=\"0 0 3000 4000\" preserveAspectRatio=\"xMinYMin meet\">");
    EXPECT_EQ(lines[19], "<image x=\"0\" y=\"0\" width=\"4000\" height=\"3000\" "
                         "transform=\"matrix(0 1 -1 0 3000 0)\"");
    EXPECT_EQ(lines[20], "xlink:href=\"imgaaac.jpg\" preserveAspectRatio=\"none\" "
                         "opacity=\"0.0\" visibility=\"hidden\">");
    EXPECT_EQ(lines[24], "</image>");
    EXPECT_EQ(lines[25], "</svg>");
    EXPECT_EQ(lines[26].rfind("<text ", 0), 0u);
}

TEST(SvgDocument, MultiLineCaptionKeepsItsBreaks) {
    const std::string doc = BuildSvgDocument({"eins\r\nzwei\rdrei"}, TShowSettings{});
    EXPECT_NE(doc.find("\r\neins\r\nzwei\rdrei\r\n"), std::string::npos);
}

TEST(FormatSeconds, Values) {
    const std::pair<double, const char*> cases[] = {
        {0, "0"},
        {1, "1"},
        {1.5, "1.5"},
        {0.333, "0.333"},
        {0.001, "0.001"},
        {1000, "1000"},
        {0.003, "0.003"},
        {2.166, "2.166"},
        {1e-7, "0.0000001"},
        {3e7, "30000000"},
        {-2.5, "-2.5"},
        {12345.678, "12345.678"},
        {0.1 + 0.2, "0.3"},
        {4.999999999999999, "5"},
        {1e15, "1000000000000000"},
        {123456789012345.6, "123456789012346"},
    };
    for (auto [value, text] : cases)
        EXPECT_EQ(FormatSeconds(value), text) << value;
}

// Runs in a child process: switching to a locale loaded through LOCPATH keeps memory
// inside the C library that a leak checker would report at exit.
TEST(FormatSeconds, DecimalPointUnderGermanLocale) {
    // A German locale writes "1,5" through printf and streams; the document must not.
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "lumeno_locale_test";
    fs::create_directories(dir);
    // Built once into a folder of this process, then moved into place for later runs.
    const fs::path own = dir / ("de_DE.UTF-8." + std::to_string(::getpid()));
    const std::string cmd = "localedef -i de_DE -f UTF-8 " + own.string() + " >/dev/null 2>&1";
    enum { kOk = 0, kNoLocale = 3, kNotActive = 4, kWrongSeconds = 5, kWrongDocument = 6 };
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) {
            const bool built = fs::exists(dir / "de_DE.UTF-8" / "LC_NUMERIC");
            if (!built && std::system(cmd.c_str()) == 0) {
                std::error_code ec;
                fs::rename(own, dir / "de_DE.UTF-8", ec);
                fs::remove_all(own, ec);
            }
            setenv("LOCPATH", dir.c_str(), 1);
        }
        if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) _exit(kNoLocale);
        char probe[16];
        std::snprintf(probe, sizeof probe, "%.1f", 1.5);
        if (std::string(probe) != "1,5") _exit(kNotActive);
        try {
            std::locale::global(std::locale("de_DE.UTF-8"));
        } catch (const std::exception&) {
        }
        if (FormatSeconds(1.5) != "1.5" || FormatSeconds(0.333) != "0.333") _exit(kWrongSeconds);
        TShowSettings s;
        s.FadeTime = 1500;
        const std::string doc = BuildSvgDocument({"x", "y"}, s);
        if (doc.find("dur=\"1.5s\"") == std::string::npos || doc.find(',') != std::string::npos)
            _exit(kWrongDocument);
        _exit(kOk);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    const int code = WEXITSTATUS(status);
    if (code == kNoLocale) GTEST_SKIP() << "no German locale available";
    EXPECT_NE(code, kNotActive) << "the locale did not switch printf to a decimal comma";
    EXPECT_NE(code, kWrongSeconds) << "FormatSeconds wrote a decimal comma";
    EXPECT_NE(code, kWrongDocument) << "the document holds a decimal comma";
    EXPECT_EQ(code, kOk);
}

TEST(SvgFormats, ColourAndIntegers) {
    EXPECT_EQ(ColourHex(0x00FFFFFF), "FFFFFF");
    EXPECT_EQ(ColourHex(0x0000FFFF), "FFFF00"); // yellow: red in the lowest byte
    EXPECT_EQ(ColourHex(0x00000000), "000000");
    EXPECT_EQ(ColourHex(0xFF0A0B0C), "0C0B0A") << "the top byte is not a colour";
    EXPECT_EQ(FormatInteger(-5), "-5");
    EXPECT_EQ(FormatInteger(0), "0");
    EXPECT_EQ(FormatInteger(-2147483648LL), "-2147483648");
}

TEST(EscapeCaption, Table) {
    const std::pair<std::string, std::string> cases[] = {
        {"a<b>c", "a&lt;b&gt;c"},
        {"Tom & Jerry", "Tom &amp; Jerry"},
        {"&#321;ódź", "&#321;ódź"},
        {"&#x141;", "&#x141;"},
        {"&#X141;", "&amp;#X141;"},
        {"&#0;", "&amp;#0;"}, // a reference to a character XML forbids
        {"&#;", "&amp;#;"},
        {"&#12", "&amp;#12"}, // unterminated
        {"&#99999999999;", "&amp;#99999999999;"},
        {"&amp;", "&amp;amp;"},  // named references are text, not markup, in captions
        {"\x80 5", "&#8364; 5"}, // euro sign
        {"\x84Zitat\x93", "&#8222;Zitat&#8220;"},
        {"\x81", "&#129;"}, // undefined in Windows-1252: kept as C1 control
        {"a\x01\x1f"
         "b",
         "ab"}, // control characters XML forbids are dropped
        {"a\tb\nc\rd", "a\tb\nc\rd"},
        {std::string("a\0b", 3), "ab"},
        {"\xe4\xf6\xfc\xdf", "\xe4\xf6\xfc\xdf"}, // umlauts stay single ISO-8859-1 bytes
        {"]]>", "]]&gt;"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(EscapeCaption(in), out) << in;
}

TEST(ZlibCompress, OneZlibStreamAtLevelNine) {
    const std::string text = BuildSvgDocument({"a", "b", "c"}, TShowSettings{});
    std::vector<uint8_t> z;
    ASSERT_TRUE(ZlibCompress(text, z));
    ASSERT_GE(z.size(), 6u);
    EXPECT_EQ(z[0], 0x78);
    EXPECT_EQ(z[1], 0xDA) << "header of the best compression level";
    std::string back(text.size(), '\0');
    uLongf size = back.size();
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(back.data()), &size, z.data(), z.size()), Z_OK);
    EXPECT_EQ(size, text.size());
    EXPECT_EQ(back, text);
}

// The time line every output reads: the presentation's own numbers keep their arithmetic
// (with cross-fade the offset adds up photo by photo, and its last bits reach the text of a
// long show), the other outputs' times agree with them, and negative times count as 0.
TEST(ShowTimeline, PresentationNumbersAndOneClampingRule) {
    TShowSettings s;
    s.FadeInOut = false;
    s.FadeTime = 1;
    s.PauseTime = 1;
    const std::string doc = BuildSvgDocument(std::vector<std::string>(3000), s);
    EXPECT_NE(doc.find("to=\"1.0\" begin=\"5.99800000000022s\" dur=\"0.001s\""), std::string::npos)
        << "photo 3000's fade-in no longer has its historical text";

    for (bool fadeInOut : {true, false}) {
        s.FadeInOut = fadeInOut;
        s.FadeTime = 1500;
        s.PauseTime = 2700;
        const ShowTimeline timeline(s, 40);
        const auto times = timeline.PresentationTimes();
        ASSERT_EQ(times.size(), 40u);
        for (int k = 1; k <= 40; ++k) {
            const ShowTimeline::TPhotoTimes t = timeline.Photo(k);
            EXPECT_NEAR(t.FadeInStart, times[size_t(k - 1)].FadeInBegin, 1e-9) << k;
            EXPECT_NEAR(t.FadeOutStart, times[size_t(k - 1)].FadeOutBegin, 1e-9) << k;
            EXPECT_NEAR(t.FullStart, t.FadeInStart + 1.5, 1e-9);
            EXPECT_NEAR(t.FadeOutEnd, t.FadeOutStart + 1.5, 1e-9);
        }
        // The last photo's fade-out ends the show.
        EXPECT_NEAR(timeline.Length(), timeline.Photo(40).FadeOutEnd, 1e-9);
        EXPECT_NEAR(timeline.Length(), fadeInOut ? 40 * 5.7 : 40 * 4.2 + 1.5, 1e-9);
    }

    // Negative times (settings filled by hand) give the same document as 0.
    s.FadeTime = -700;
    s.PauseTime = -5;
    const std::string negative = BuildSvgDocument({"a", "b"}, s);
    s.FadeTime = s.PauseTime = 0;
    EXPECT_EQ(negative, BuildSvgDocument({"a", "b"}, s));
    EXPECT_EQ(negative.find("=\"-"), std::string::npos);
    EXPECT_EQ(ShowTimeline(TShowSettings{}, 0).Length(), 0);
}

// The HTML slide show: base64, the page's parts, a written file read back, and the page
// played in headless Chromium, paused at points of its time line.
#include "lumeno/export/export_driver.h"
#include "lumeno/export/html_show.h"
#include "lumeno/export/svg_document.h"
#include "slideshow_test_support.h"

using namespace lumeno;
using namespace slideshow_test;

namespace {

TEST(Base64, StandardAlphabetWithPadding) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {std::string("\xFF\xFE\x00\x3F", 4), "//4APw=="},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(Base64(reinterpret_cast<const uint8_t*>(in.data()), in.size()), out) << in;
}

// Undoes Base64 (for reading written files back).
std::string DecodeBase64(const std::string& text) {
    static const std::string kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    uint32_t bits = 0;
    int count = 0;
    for (char c : text) {
        if (c == '=') break;
        bits = (bits << 6) | static_cast<uint32_t>(kAlphabet.find(c));
        if ((count += 6) >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return out;
}

TEST(HtmlShowSvgParts, JoinedWithTheResourceNamesGiveThePresentationsSvg) {
    TShowSettings settings;
    // A caption that looks like an image reference must not cut the document.
    const std::vector<std::string> captions = {
        "eins", "<image x=\"0\" y=\"0\" width=\"100%\" height=\"100%\"\r\nxlink:href=\"x.jpg\"",
        "drei\r\nzeilen"};
    const std::vector<std::string> parts = HtmlShowSvgParts(captions, settings);
    ASSERT_EQ(parts.size(), 4u);
    std::string joined = parts[0];
    for (size_t k = 1; k < parts.size(); ++k)
        joined += ImageResourceName(static_cast<int>(k)) + parts[k];
    const std::string svg = BuildSvgDocument(captions, settings);
    EXPECT_EQ(joined, svg.substr(svg.find("<svg ")));
    EXPECT_EQ(parts[0].rfind("<svg ", 0), 0u);
    EXPECT_EQ(parts.back().substr(parts.back().size() - 8), "</svg>\r\n");

    EXPECT_EQ(HtmlShowSvgParts({}, settings).size(), 1u);
}

class HtmlShowFile : public ScratchTest {
  protected:
    std::string Export(TShowSettings settings, const std::vector<TExportPhoto>& photos,
                       const std::string& name) {
        settings.ShowPDF = false;
        TExportOptions options;
        options.Html = true;
        const std::string out = (dir_ / name).string();
        const TExportResult r = ExportSlideShow(photos, settings, out, options);
        EXPECT_TRUE(r.ok) << ExportMessage(r);
        return out;
    }
};

TEST_F(HtmlShowFile, SelfContainedScriptFreePageWithThePhotosAsDataUris) {
    TShowSettings settings;
    settings.BackColor = 0x00123456;
    const std::vector<TExportPhoto> photos = {
        {SolidJpeg("a.jpg", 40, 30, 0xFF0000), "Gr\xFC\xDF"
                                               "e & <Rom>"},
        {(dir_ / "missing.jpg").string(), ""},
    };
    const std::string html = ReadFile(Export(settings, photos, "show.html"));
    EXPECT_EQ(html.rfind("<!DOCTYPE html>\r\n", 0), 0u);
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(html.find("<?xml"), std::string::npos);
    EXPECT_EQ(html.find("imgaaa"), std::string::npos) << "a photo left as a resource name";
    EXPECT_NE(html.find("background: #563412;"), std::string::npos);
    EXPECT_NE(html.find("fill=\"#563412\""), std::string::npos);
    EXPECT_NE(html.find("\r\nGr\xFC\xDF"
                        "e &amp; &lt;Rom&gt;\r\n"),
              std::string::npos);
    EXPECT_EQ(html.substr(html.size() - 18), "</body>\r\n</html>\r\n");

    // Each data URI decodes to a JPEG; the missing photo is the black 320 x 200 picture.
    const std::string marker = "xlink:href=\"data:image/jpeg;base64,";
    std::vector<std::string> jpegs;
    for (size_t at = html.find(marker); at != std::string::npos; at = html.find(marker, at + 1)) {
        const size_t start = at + marker.size();
        jpegs.push_back(DecodeBase64(html.substr(start, html.find('"', start) - start)));
    }
    ASSERT_EQ(jpegs.size(), 2u);
    for (size_t i = 0; i < jpegs.size(); ++i) {
        const fs::path p = dir_ / ("back" + std::to_string(i) + ".jpg");
        std::ofstream(p, std::ios::binary) << jpegs[i];
        const TPicture pic(p.string());
        ASSERT_FALSE(pic.Empty()) << "photo " << i + 1;
        EXPECT_EQ(pic.Width(), i == 0 ? 40 : 320);
        EXPECT_TRUE(Near(pic.At(10, 10), i == 0 ? TRgb{255, 0, 0} : TRgb{0, 0, 0}, 10));
    }
}

TEST_F(HtmlShowFile, FailuresCarryTheirCode) {
    const TPhotoSource none = [](int) { return std::optional<TJpegImage>(); };
    const TPdfResult notCreated =
        WriteHtmlSlideShow((dir_ / "no" / "such" / "x.html").string(), {"a"}, {}, none);
    EXPECT_EQ(notCreated.code, TPdfCode::kCannotCreate);
    EXPECT_EQ(notCreated.detail, ENOENT);
    TExportResult r;
    r.path = "/x/y.html";
    r.code = TExportCode::kCannotCreate;
    EXPECT_EQ(HtmlShowMessage(r), "Die Datei /x/y.html konnte nicht erstellt werden!");
    r.code = TExportCode::kWriteError;
    r.detail = 28;
    EXPECT_EQ(HtmlShowMessage(r), "I/O error 28");
    const TPdfResult stopped = WriteHtmlSlideShow((dir_ / "x.html").string(), {"a"}, {}, none);
    EXPECT_EQ(stopped.code, TPdfCode::kStopped);
    if (fs::exists("/dev/full")) {
        const TPhotoSource big = [](int) {
            return std::optional<TJpegImage>(TJpegImage{std::vector<uint8_t>(1 << 20, 7), 1, 1});
        };
        const TPdfResult full = WriteHtmlSlideShow("/dev/full", {"a"}, {}, big);
        EXPECT_EQ(full.code, TPdfCode::kWriteError);
        EXPECT_EQ(full.detail, ENOSPC);
    }
}

// Plays a page in headless Chromium: a test-only wrapper shows it in a grid of frames, each
// paused at one point of the time line, and takes one screenshot. Cells are 200 x 150.
class ChromiumPlayer {
  public:
    explicit ChromiumPlayer(fs::path dir) : dir_(std::move(dir)) {}

    // The screenshot, or an empty picture path when Chromium failed.
    std::string Play(const std::string& page, const std::vector<double>& times) {
        std::string frames, script;
        for (size_t i = 0; i < times.size(); ++i) {
            frames += "<iframe id=\"f" + std::to_string(i) + "\" src=\"" + page + "\"></iframe>";
            script += "play('f" + std::to_string(i) + "', " + FormatSeconds(times[i]) + ");\n";
        }
        const std::string wrapper =
            "<!DOCTYPE html><html><head><style>html,body{margin:0;overflow:hidden;background:#000}"
            "iframe{border:0;width:200px;height:150px;float:left;display:block}</style></head>"
            "<body>" +
            frames +
            "<script>\nfunction play(id, t) {\n"
            "  var f = document.getElementById(id);\n"
            "  function go() { var svg = f.contentDocument.querySelector('svg');\n"
            "    svg.pauseAnimations(); svg.setCurrentTime(t); }\n"
            "  if (f.contentDocument && f.contentDocument.readyState === 'complete') go();\n"
            "  f.addEventListener('load', go);\n}\n"
            "window.addEventListener('load', function () {\n" +
            script +
            "});\n"
            "</script></body></html>";
        std::ofstream(dir_ / "wrapper.html") << wrapper;
        // A fresh profile each time; the temporary folder stays the system one, since a deep
        // TMPDIR makes Chromium's socket paths too long.
        const fs::path profile = dir_ / "profile";
        fs::create_directories(profile);
        const fs::path shot = dir_ / "shot.png";
        const int width = 200 * static_cast<int>(std::min<size_t>(times.size(), 4));
        const int height = 150 * static_cast<int>((times.size() + 3) / 4);
        const std::string cmd =
            "env -u TMPDIR timeout 60 chromium --headless --no-sandbox --disable-gpu "
            "--no-first-run "
            "--disable-background-networking --disable-component-update --disable-sync "
            "--hide-scrollbars --allow-file-access-from-files --force-device-scale-factor=1 "
            "--user-data-dir='" +
            profile.string() + "' --window-size=" + std::to_string(width) + "," +
            std::to_string(height) + " --virtual-time-budget=3000 --screenshot='" + shot.string() +
            "' 'file://" + (dir_ / "wrapper.html").string() + "' >/dev/null 2>&1";
        if (RunCommand(cmd).first != 0 || !fs::exists(shot)) return {};
        return shot.string();
    }

  private:
    fs::path dir_;
};

struct TFrameCase {
    double time;
    TRgb colour; // at the centre of the frame's top half, away from the caption
    const char* what;
};

void CheckFrames(const std::string& shot, const std::vector<TFrameCase>& cases) {
    const TPicture pic(shot);
    ASSERT_FALSE(pic.Empty());
    for (size_t i = 0; i < cases.size(); ++i) {
        const int x = static_cast<int>(i % 4) * 200 + 100, y = static_cast<int>(i / 4) * 150 + 50;
        EXPECT_TRUE(Near(pic.At(x, y), cases[i].colour, 14))
            << "at " << cases[i].time << " s (" << cases[i].what << "): " << pic.At(x, y)
            << " instead of " << cases[i].colour;
    }
}

class HtmlShowInChromium : public HtmlShowFile {
  protected:
    void SetUp() override {
        HtmlShowFile::SetUp();
        if (!HaveTool("chromium")) GTEST_SKIP() << "chromium missing";
    }
    std::vector<TExportPhoto> RedThenBlue() {
        return {{SolidJpeg("red.jpg", 400, 300, 0xFF0000), "Rot"},
                {SolidJpeg("blue.jpg", 400, 300, 0x0000FF), "Blau"}};
    }
};

TEST_F(HtmlShowInChromium, FadeInAndOutShowsTheRightPhotoAtTheRightTime) {
    TShowSettings settings; // 1 s fades, 3 s pause, white background
    Export(settings, RedThenBlue(), "show.html");
    const std::vector<TFrameCase> cases = {
        {0.5, {255, 128, 128}, "photo 1 half faded in"},
        {2, {255, 0, 0}, "photo 1"},
        {4.5, {255, 128, 128}, "photo 1 half faded out"},
        {5, {255, 255, 255}, "background between the photos"},
        {5.5, {128, 128, 255}, "photo 2 half faded in"},
        {7, {0, 0, 255}, "photo 2"},
        {9.75, {191, 191, 255}, "photo 2 three quarters faded out"},
        {12, {255, 255, 255}, "background after the show"},
    };
    std::vector<double> times;
    for (const auto& c : cases)
        times.push_back(c.time);
    const std::string shot = ChromiumPlayer(dir_).Play("show.html", times);
    ASSERT_FALSE(shot.empty()) << "chromium did not take the screenshot";
    CheckFrames(shot, cases);
}

TEST_F(HtmlShowInChromium, CrossFadeLaysTheIncomingPhotoOverTheOutgoingOne) {
    TShowSettings settings;
    settings.FadeInOut = false;
    settings.BackColor = 0x00000000; // black
    Export(settings, RedThenBlue(), "show.html");
    const std::vector<TFrameCase> cases = {
        {0, {0, 0, 0}, "background before the show"},
        {2, {255, 0, 0}, "photo 1"},
        {4.5, {64, 0, 128}, "half blue over half red"},
        {6, {0, 0, 255}, "photo 2"},
        {8.5, {0, 0, 128}, "photo 2 half faded out"},
        {9.5, {0, 0, 0}, "background after the show"},
    };
    std::vector<double> times;
    for (const auto& c : cases)
        times.push_back(c.time);
    const std::string shot = ChromiumPlayer(dir_).Play("show.html", times);
    ASSERT_FALSE(shot.empty()) << "chromium did not take the screenshot";
    CheckFrames(shot, cases);
}

#ifdef LUMENO_EXPORT_TOOL
TEST_F(HtmlShowFile, CommandLineWritesPagesAndTheHtmlFile) {
    const std::string red = SolidJpeg("red.jpg", 40, 30, 0xFF0000);
    const std::string blue = SolidJpeg("blue.jpg", 30, 40, 0x0000FF);
    const std::string tool = LUMENO_EXPORT_TOOL;
    const std::string pdf = (dir_ / "show.pdf").string(), html = (dir_ / "show.html").string();
    EXPECT_EQ(RunCommand("'" + tool + "' --pages --html '" + html + "' -o '" + pdf + "' '" + red +
                         "' '" + blue + "' 2>/dev/null")
                  .first,
              0);
    const std::string page = ReadFile(html);
    size_t uris = 0;
    for (size_t at = page.find("data:image/jpeg;base64,"); at != std::string::npos;
         at = page.find("data:image/jpeg;base64,", at + 1))
        ++uris;
    EXPECT_EQ(uris, 2u);
    EXPECT_NE(ReadFile(pdf).find("   /Kids [4 0 R 23 0 R 25 0 R]\r"), std::string::npos);

    // Without a PDF name only the HTML file is written; it never overwrites an input.
    const std::string only = (dir_ / "only.html").string();
    EXPECT_EQ(RunCommand("'" + tool + "' --html '" + only + "' '" + red + "' 2>/dev/null").first,
              0);
    EXPECT_TRUE(fs::exists(only));
    const std::string before = ReadFile(red);
    EXPECT_EQ(RunCommand("'" + tool + "' --html '" + red + "' '" + red + "' 2>/dev/null").first, 2);
    EXPECT_EQ(ReadFile(red), before);
}
#endif

} // namespace

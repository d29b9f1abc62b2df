// The HTML slide show: base64, the page's parts, a written file read back, and the page
// played in headless Chromium, paused at points of its time line.
#include "lumeno/export/export_driver.h"
#include "lumeno/export/html_show.h"
#include "lumeno/export/output_encoding.h"
#include "lumeno/export/svg_document.h"
#include "lumeno/frontend/shared_words.h"
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

TEST(HtmlPhotoAnimation, OneElementPerPhotoOverTheWholeShow) {
    TShowSettings s; // 1 s fades, 3 s pause
    EXPECT_EQ(HtmlPhotoAnimation(1, 2, s, false),
              "<animate attributeName=\"opacity\" values=\"0;0;1;1;0;0\" "
              "keyTimes=\"0;0;0.1;0.4;0.5;1\" dur=\"10s\" fill=\"freeze\" />");
    EXPECT_EQ(HtmlPhotoAnimation(2, 2, s, true),
              "<animate attributeName=\"opacity\" values=\"0;0;1;1;0;0\" "
              "keyTimes=\"0;0.5;0.6;0.9;1;1\" dur=\"10s\" repeatCount=\"indefinite\" />");
    // Cross-fade: photo 2 fades in at 4 s while photo 1 fades out; the show ends at 9 s.
    s.FadeInOut = false;
    EXPECT_NE(HtmlPhotoAnimation(2, 2, s, false)
                  .find("keyTimes=\"0;0.444444;0.555556;0.888889;1;1\" "
                        "dur=\"9s\""),
              std::string::npos);
    // Photo 1 stays fully visible under the incoming one and goes when it is covered.
    EXPECT_NE(
        HtmlPhotoAnimation(1, 2, s, false).find("keyTimes=\"0;0;0.111111;0.555556;0.555556;1\""),
        std::string::npos)
        << HtmlPhotoAnimation(1, 2, s, false);
    s.FadeTime = s.PauseTime = 0;
    EXPECT_NE(HtmlPhotoAnimation(1, 1, s, false).find("dur=\"0.001s\""), std::string::npos);
}

class HtmlShowFile : public ScratchTest {
  protected:
    std::string Export(TShowSettings settings, const std::vector<TExportPhoto>& photos,
                       const std::string& name, bool fullSize = false) {
        settings.ShowPDF = false;
        TExportOptions options;
        options.Html = true;
        options.HtmlFullSize = fullSize;
        options.Words = frontend::DocumentWords();
        const std::string out = (dir_ / name).string();
        const TExportResult r = ExportSlideShow(photos, settings, out, options);
        EXPECT_TRUE(r.ok) << int(r.code);
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
    EXPECT_NE(html.find("<html lang=\"de\">\r\n"), std::string::npos);
    EXPECT_NE(html.find("<title>Diashow</title>\r\n"), std::string::npos);
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(html.find("<?xml"), std::string::npos);
    EXPECT_EQ(html.find("imgaaa"), std::string::npos) << "a photo left as a resource name";
    EXPECT_NE(html.find("background: #563412;"), std::string::npos);
    EXPECT_NE(html.find("fill=\"#563412\""), std::string::npos);
    EXPECT_NE(html.find(">Gr&#252;&#223;e &amp; &lt;Rom&gt;</text>\r\n"), std::string::npos);
    EXPECT_NE(html.find("<svg viewBox=\"0 0 792 594\" preserveAspectRatio=\"xMidYMid meet\">"),
              std::string::npos);
    EXPECT_EQ(html.substr(html.size() - 26), "</svg>\r\n</body>\r\n</html>\r\n");

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

// The embedded JPEGs of a written page, decoded from their data URIs.
std::vector<std::string> EmbeddedJpegs(const std::string& html) {
    const std::string marker = "xlink:href=\"data:image/jpeg;base64,";
    std::vector<std::string> jpegs;
    for (size_t at = html.find(marker); at != std::string::npos; at = html.find(marker, at + 1)) {
        const size_t start = at + marker.size();
        jpegs.push_back(DecodeBase64(html.substr(start, html.find('"', start) - start)));
    }
    return jpegs;
}

TEST_F(HtmlShowFile, LargePhotosAreMadeToFitUnlessFullSizeIsAsked) {
    // A 12-megapixel photo with fine detail, a portrait one and a small one.
    auto textured = [&](const std::string& name, int w, int h) {
        TDib dib{};
        EXPECT_EQ(newdib(&dib, w, h, 24, nullptr, 0), 1);
        uint32_t seed = 12345;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                seed = seed * 1103515245u + 12345u;
                const uint32_t grain = (seed >> 16) & 63;
                setpixel(&dib, x, y,
                         ((x * 255 / w) << 16) | (((y * 255 / h) + grain) / 2 << 8) | grain);
            }
        const std::string path = (dir_ / name).string();
        SetJPEGQual(90);
        EXPECT_EQ(SaveDib(&dib, path.c_str(), 7, 0), 1);
        deldib(&dib);
        return path;
    };
    const std::vector<TExportPhoto> photos = {{textured("gross.jpg", 4000, 3000), "Gro\xDF"},
                                              {textured("hoch.jpg", 1500, 2000), ""},
                                              {textured("klein.jpg", 640, 480), ""}};
    const std::string fitted = ReadFile(Export(TShowSettings{}, photos, "fitted.html"));
    const std::string full = ReadFile(Export(TShowSettings{}, photos, "full.html", true));
    EXPECT_LE(fitted.size() * 3, full.size()) << fitted.size() << " of " << full.size();
    const std::pair<int, int> fittedSizes[] = {{1920, 1440}, {1080, 1440}, {640, 480}};
    const std::pair<int, int> fullSizes[] = {{4000, 3000}, {1500, 2000}, {640, 480}};
    for (const auto& [page, sizes] : {std::pair{fitted, fittedSizes}, {full, fullSizes}}) {
        const std::vector<std::string> jpegs = EmbeddedJpegs(page);
        ASSERT_EQ(jpegs.size(), 3u);
        for (size_t i = 0; i < jpegs.size(); ++i) {
            const fs::path p = dir_ / ("back" + std::to_string(i) + ".jpg");
            std::ofstream(p, std::ios::binary) << jpegs[i];
            const TPicture pic(p.string());
            EXPECT_EQ(std::pair(pic.Width(), pic.Height()), sizes[i]) << i;
            // The red ramp from left to right is kept.
            EXPECT_LT(pic.At(2, pic.Height() / 2).r, 40);
            EXPECT_GT(pic.At(pic.Width() - 3, pic.Height() / 2).r, 215);
        }
    }
}

TEST_F(HtmlShowFile, FailuresCarryTheirCode) {
    const TPhotoSource none = [](int) { return std::optional<TJpegImage>(); };
    const TDocumentWords words = frontend::DocumentWords();
    const TPdfResult notCreated =
        WriteHtmlSlideShow((dir_ / "no" / "such" / "x.html").string(), {"a"}, {}, none, words);
    EXPECT_EQ(notCreated.code, TPdfCode::kCannotCreate);
    EXPECT_EQ(notCreated.detail, ENOENT);
    const TPdfResult stopped =
        WriteHtmlSlideShow((dir_ / "x.html").string(), {"a"}, {}, none, words);
    EXPECT_EQ(stopped.code, TPdfCode::kStopped);
    if (fs::exists("/dev/full")) {
        const TPhotoSource big = [](int) {
            return std::optional<TJpegImage>(
                TJpegImage{std::vector<uint8_t>(1 << 20, 7), 1, 1, false, {}});
        };
        const TPdfResult full = WriteHtmlSlideShow("/dev/full", {"a"}, {}, big, words);
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
    std::string Play(const std::string& page, const std::vector<double>& times, int cellW = 200,
                     int cellH = 150) {
        const std::string cell =
            "width:" + std::to_string(cellW) + "px;height:" + std::to_string(cellH) + "px";
        std::string frames, script;
        for (size_t i = 0; i < times.size(); ++i) {
            frames += "<iframe id=\"f" + std::to_string(i) + "\" src=\"" + page + "\"></iframe>";
            script += "play('f" + std::to_string(i) + "', " + FormatSeconds(times[i]) + ");\n";
        }
        const std::string wrapper =
            "<!DOCTYPE html><html><head><style>html,body{margin:0;overflow:hidden;background:#000}"
            "iframe{border:0;" +
            cell +
            ";float:left;display:block}</style></head>"
            "<body>" +
            frames +
            "<script>\nfunction play(id, t) {\n"
            "  var f = document.getElementById(id);\n"
            // Each photo's own svg element keeps its own clock: set them all.
            "  function go() { f.contentDocument.querySelectorAll('svg').forEach(function (s) {\n"
            "    s.pauseAnimations(); s.setCurrentTime(t); }); }\n"
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
        const int width = cellW * static_cast<int>(std::min<size_t>(times.size(), 4));
        const int height = cellH * static_cast<int>((times.size() + 3) / 4);
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
        REQUIRE_TOOLS("chromium");
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
        {4.5, {128, 0, 128}, "half blue over the whole red, no background through"},
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

TEST_F(HtmlShowInChromium, PhotoCentredAndCaptionScaledWithItAtAnyWindowShape) {
    TShowSettings settings;
    settings.TextColor = 0x0000FFFF; // yellow on a red photo, white background
    settings.TextX = 50;
    settings.TextY = 60;
    settings.FontSize = 80;
    Export(settings, {{SolidJpeg("red.jpg", 400, 300, 0xFF0000), "MMMM"}}, "show.html");
    const TRgb kRed{255, 0, 0}, kWhite{255, 255, 255}, kYellow{255, 255, 0};
    for (auto [w, h] : {std::pair{360, 150}, {150, 300}}) {
        const std::string shot = ChromiumPlayer(dir_).Play("show.html", {2}, w, h);
        ASSERT_FALSE(shot.empty()) << "chromium did not take the screenshot";
        const TPicture pic(shot);
        ASSERT_FALSE(pic.Empty());
        // The 792 x 594 page, scaled to fit and centred.
        const double scale = std::min(w / 792.0, h / 594.0);
        const double left = (w - 792 * scale) / 2, top = (h - 594 * scale) / 2;
        const double right = left + 792 * scale, bottom = top + 594 * scale;
        auto inside = [&](int x, int y) {
            return x >= left && x < right && y >= top && y < bottom;
        };
        EXPECT_TRUE(Near(pic.At(static_cast<int>(left + 3), static_cast<int>(top + 3)), kRed, 20))
            << w << "x" << h;
        EXPECT_TRUE(
            Near(pic.At(static_cast<int>(right - 4), static_cast<int>(bottom - 4)), kRed, 20))
            << w << "x" << h;
        if (left >= 4) {
            EXPECT_TRUE(Near(pic.At(static_cast<int>(left) - 3, h / 2), kWhite, 12));
        }
        if (top >= 4) {
            EXPECT_TRUE(Near(pic.At(w / 2, static_cast<int>(top) - 3), kWhite, 12));
        }
        // The caption lies where the page puts it, relative to the photo, never outside it.
        int captionIn = 0, captionOut = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (Near(pic.At(x, y), kYellow, 60)) {
                    const bool near = x >= left + 396 * scale - 1 && y <= top + 356.4 * scale + 1 &&
                                      y >= top + 356.4 * scale - 80 * scale;
                    (inside(x, y) && near ? captionIn : captionOut) += 1;
                }
        EXPECT_GT(captionIn, 10) << w << "x" << h;
        EXPECT_EQ(captionOut, 0) << w << "x" << h;
    }
}

// A long caption at 80 points from the middle of a panorama's page (792 x 264, the photo a
// band across its middle): smaller and moved in, every line of it inside the page's box.
TEST_F(HtmlShowInChromium, LongCaptionOnAPanoramaStaysInsideThePage) {
    TShowSettings settings;
    settings.TextColor = 0x0000FFFF; // yellow; red photo, white background
    settings.TextX = 50;
    settings.TextY = 50;
    settings.FontSize = 80;
    const std::string caption = "Am ersten Morgen wanderten wir zum Leuchtturm hinauf\r\nund "
                                "sahen die Fischerboote im Nebel verschwinden\r\nAbends gab es "
                                "Muscheln und Wein vom Fass\r\nUnvergessliche "
                                "Urlaubserinnerungen";
    Export(settings, {{SolidJpeg("wide.jpg", 2000, 100, 0xFF0000), caption}}, "show.html");
    const int w = 400, h = 300;
    const std::string shot = ChromiumPlayer(dir_).Play("show.html", {2}, w, h);
    ASSERT_FALSE(shot.empty()) << "chromium did not take the screenshot";
    const TPicture pic(shot);
    ASSERT_FALSE(pic.Empty());
    const double scale = w / 792.0, top = (h - 264 * scale) / 2, bottom = top + 264 * scale;
    const TRgb kRed{255, 0, 0}, kWhite{255, 255, 255}, kYellow{255, 255, 0};
    // The photo is centred on the page: red in the middle, background above and below it.
    EXPECT_TRUE(Near(pic.At(5, h / 2), kRed, 20)) << pic.At(5, h / 2);
    EXPECT_TRUE(Near(pic.At(5, static_cast<int>(top) + 4), kWhite, 20));
    EXPECT_TRUE(Near(pic.At(5, static_cast<int>(bottom) - 4), kWhite, 20));
    int in = 0, out = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (Near(pic.At(x, y), kYellow, 60))
                (x >= 1 && x < w - 1 && y >= top + 1 && y < bottom - 1 ? in : out) += 1;
    EXPECT_GT(in, 500) << "caption missing";
    EXPECT_EQ(out, 0) << "caption outside the page";
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
    EXPECT_NE(page.find("<html lang=\"de\">\r\n"), std::string::npos);
    EXPECT_NE(page.find("<title>Diashow</title>\r\n"), std::string::npos);
    EXPECT_NE(ReadFile(pdf).find("   /Kids [22 0 R 24 0 R 4 0 R]\r"), std::string::npos);
    EXPECT_NE(ReadFile(pdf).find("(Diese Datei enth\\212lt zus\\212tzlich eine animierte "
                                 "Pr\\212sentation) Tj\r"),
              std::string::npos);

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

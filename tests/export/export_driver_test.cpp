// The export end to end: photo preparation, order and identity across thread counts,
// callbacks on the calling thread, temporary files, failures, and the checks a user makes
// with qpdf, pdfinfo and xmllint.
#include "file_size_limit.h"
#include "lumeno/export/export_driver.h"
#include "lumeno/export/pdf_writer.h"
#include "lumeno/export/svg_document.h"
#include "lumeno/project/project_file.h"
#include "slideshow_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace lumeno;
namespace fs = std::filesystem;

namespace {

using slideshow_test::HaveTool;
using slideshow_test::ReadFile;
using slideshow_test::RunCommand;

void WriteFile(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

// A w x h 1-bit BMP of 8-pixel squares with the table colours colour0, colour1 (0x00RRGGBB).
std::string OneBitBmp(int w, int h, uint32_t colour0, uint32_t colour1) {
    const int rowBytes = (w + 31) / 32 * 4;
    std::string b;
    const auto le = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            b.push_back(char(v >> (8 * i)));
    };
    b += "BM";
    le(62 + rowBytes * h, 4), le(0, 4), le(62, 4);
    le(40, 4), le(w, 4), le(h, 4), le(1, 2), le(1, 2), le(0, 4), le(rowBytes * h, 4);
    le(0, 4), le(0, 4), le(2, 4), le(0, 4);
    le(colour0, 4), le(colour1, 4); // blue, green, red, 0
    for (int y = 0; y < h; ++y) {
        std::string row(rowBytes, '\0');
        for (int x = 0; x < w; ++x)
            if ((x / 8 + y / 8) & 1) row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        b += row;
    }
    return b;
}

// A fresh directory per test that also serves as TMPDIR for the export.
class ExportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = folder_.Path();
        fs::create_directories(dir_ / "tmp");
        const char* old = std::getenv("TMPDIR");
        oldTmp_ = old ? old : "";
        hadTmp_ = old != nullptr;
        setenv("TMPDIR", (dir_ / "tmp").c_str(), 1);
    }
    void TearDown() override {
        if (hadTmp_)
            setenv("TMPDIR", oldTmp_.c_str(), 1);
        else
            unsetenv("TMPDIR");
    }

    // A w x h JPEG of a colour pattern, written through the image library.
    std::string MakeJpeg(const std::string& name, int w, int h, int seed) {
        TDib dib{};
        EXPECT_EQ(newdib(&dib, w, h, 24, nullptr, 0), 1);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                setpixel(&dib, x, y,
                         (static_cast<uint32_t>((x * 255) / w) << 16) |
                             (static_cast<uint32_t>((y * 255) / h) << 8) |
                             static_cast<uint32_t>(seed & 255));
        const std::string path = (dir_ / name).string();
        SetJPEGQual(90);
        EXPECT_EQ(SaveDib(&dib, path.c_str(), 7, 0), 1);
        deldib(&dib);
        return path;
    }

    std::vector<std::string> TempLeftovers() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_ / "tmp"))
            names.push_back(e.path().filename().string());
        return names;
    }

    TExportOptions NoViewer(int jobs = 0) {
        TExportOptions o;
        o.Jobs = jobs;
        o.Open = [this](const std::string& p) { opened_.push_back(p); };
        return o;
    }

    TemporaryFolder folder_{"lumeno_export_test", true};
    fs::path dir_;
    std::vector<std::string> opened_;

  private:
    std::string oldTmp_;
    bool hadTmp_ = false;
};

struct ImageObject {
    int width = 0, height = 0;
    std::string jpeg;
};

// The image objects 20.. of an exported file, read with the object offsets of its xref.
std::vector<ImageObject> ImageObjects(const std::string& pdf) {
    std::vector<ImageObject> out;
    size_t pos = 0;
    for (int obj = 20;; ++obj) {
        const std::string head = "\r" + std::to_string(obj) + " 0 obj\r<< /Type /XObject";
        pos = pdf.find(head, pos);
        if (pos == std::string::npos) break;
        ImageObject img;
        const size_t w = pdf.find("/Width ", pos) + 7, h = pdf.find("/Height ", pos) + 8;
        const size_t len = pdf.find("/Length ", pos) + 8;
        img.width = std::stoi(pdf.substr(w));
        img.height = std::stoi(pdf.substr(h));
        const size_t data = pdf.find("stream\n", pos) + 7;
        img.jpeg = pdf.substr(data, std::stoul(pdf.substr(len)));
        out.push_back(img);
        pos = data;
    }
    return out;
}

} // namespace

TEST_F(ExportTest, UniqueTempFileNameSkipsExistingNamesAndHonoursTmpdir) {
    const fs::path tmp = dir_ / "tmp";
    const std::string first = UniqueTempFileName("tempim", ".jpg");
    EXPECT_EQ(first, (tmp / "tempim0.jpg").string());
    const std::string second = UniqueTempFileName("tempim", ".jpg");
    EXPECT_EQ(second, (tmp / "tempim1.jpg").string()) << "the first name is still taken";
    fs::remove(first);
    EXPECT_EQ(UniqueTempFileName("tempim", ".jpg"), first) << "a freed name is used again";

    setenv("TMPDIR", (tmp.string() + "/").c_str(), 1);
    EXPECT_EQ(UniqueTempFileName("x", ".tmp"), (tmp / "x0.tmp").string()) << "no doubled slash";
    setenv("TMPDIR", (dir_ / "does-not-exist").c_str(), 1);
    EXPECT_EQ(UniqueTempFileName("x", ".tmp"), "");
}

TEST_F(ExportTest, UniqueTempFileNameIsUniqueAcrossThreads) {
    std::vector<std::vector<std::string>> names(6);
    std::vector<std::thread> threads;
    for (auto& list : names)
        threads.emplace_back([&list] {
            for (int i = 0; i < 40; ++i)
                list.push_back(UniqueTempFileName("tempim", ".jpg"));
        });
    for (auto& t : threads)
        t.join();
    std::set<std::string> all;
    for (const auto& list : names)
        for (const auto& n : list) {
            EXPECT_FALSE(n.empty());
            EXPECT_TRUE(all.insert(n).second) << "twice: " << n;
        }
    EXPECT_EQ(all.size(), 240u);
}

TEST_F(ExportTest, MixedShowEmbedsEveryPhotoAndCleansUp) {
    const fs::path leftover = dir_ / "tmp" / "tempim0.jpg";
    WriteFile(leftover, "not ours");
    std::vector<TExportPhoto> photos = {
        {MakeJpeg("a.jpg", 64, 48, 1), "erstes"},
        {(dir_ / "deleted.jpg").string(), "fehlt"},
        {MakeJpeg("b.jpg", 17, 33, 2), ""},
    };
    bool havePalettePng = false;
    if (required_tool::Present("convert")) {
        const fs::path png = dir_ / "palette.png";
        havePalettePng = RunCommand("convert -size 40x30 xc:'rgb(200,10,30)' -type Palette PNG8:" +
                                    png.string() + " >/dev/null 2>&1")
                             .first == 0;
        if (havePalettePng) photos.push_back({png.string(), "Palette"});
    }
    const fs::path out = dir_ / "show.pdf";
    const TExportResult r = ExportSlideShow(photos, TShowSettings{}, out.string(), NoViewer(2));
    ASSERT_TRUE(r.ok) << int(r.code);
    EXPECT_EQ(r.photos, static_cast<int>(photos.size()));
    EXPECT_EQ(r.blackPictures, 1);
    EXPECT_EQ(r.fallbackPictures, 0);

    const auto images = ImageObjects(ReadFile(out));
    ASSERT_EQ(images.size(), photos.size());
    EXPECT_EQ(images[0].width, 64);
    EXPECT_EQ(images[0].height, 48);
    EXPECT_EQ(images[1].width, 320) << "a missing photo is a black 320 x 200 picture";
    EXPECT_EQ(images[1].height, 200);
    EXPECT_EQ(images[2].width, 17);
    EXPECT_EQ(images[2].height, 33);
    for (const auto& img : images) {
        ASSERT_GE(img.jpeg.size(), 4u);
        EXPECT_EQ(img.jpeg.substr(0, 2), "\xFF\xD8");
        EXPECT_EQ(img.jpeg.substr(img.jpeg.size() - 2), "\xFF\xD9") << "the JPEG ends the stream";
    }
    // Embedded JPEGs decode to the size declared, with the colours of the source.
    auto decode = [&](const ImageObject& img, int index) {
        const fs::path p = dir_ / ("back" + std::to_string(index) + ".jpg");
        WriteFile(p, img.jpeg);
        ScopedDib dib;
        EXPECT_EQ(OpenDib(dib.get(), p.c_str(), -1, nullptr), 1);
        return dib;
    };
    {
        ScopedDib black = decode(images[1], 1);
        ASSERT_FALSE(black.empty());
        EXPECT_EQ(black->Info->biWidth, 320);
        const uint32_t px = getpixel(black.get(), 160, 100);
        EXPECT_LE((px >> 16) & 255, 8u);
        EXPECT_LE(px & 255, 8u);
    }
    if (havePalettePng) {
        ScopedDib pal = decode(images[3], 3);
        ASSERT_FALSE(pal.empty());
        EXPECT_EQ(pal->Info->biWidth, 40);
        const uint32_t px = getpixel(pal.get(), 20, 15);
        EXPECT_NEAR(static_cast<int>((px >> 16) & 255), 200, 6) << "red of the colour table";
        EXPECT_NEAR(static_cast<int>((px >> 8) & 255), 10, 6);
        EXPECT_NEAR(static_cast<int>(px & 255), 30, 6);
    }
    EXPECT_EQ(ReadFile(leftover), "not ours") << "only what the export created is deleted";
    EXPECT_EQ(TempLeftovers(), std::vector<std::string>{"tempim0.jpg"});
    EXPECT_EQ(opened_, std::vector<std::string>{out.string()}) << "ShowPDF is on by default";
}

// The temporary JPEG holds the user's photo: it is the owner's alone while it exists. The
// photo is a named pipe, so the export waits in its read while the temporary file is looked
// at; each read gets no data (a black picture).
TEST_F(ExportTest, TemporaryJpegIsTheOwnersAlone) {
    const fs::path pipe = dir_ / "pipe.jpg", temp = dir_ / "tmp" / "tempim0.jpg";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::atomic<bool> done{false};
    std::vector<int> modes; // of the temporary file, at each read of the photo
    std::thread reader([&] {
        while (!done) {
            const int fd = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd < 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            // Reads before the temporary file is made (or after it is gone) see none.
            struct stat st {};
            if (::stat(temp.c_str(), &st) == 0) modes.push_back(int(st.st_mode & 0777));
            ::close(fd);
        }
    });
    const TExportResult r = ExportSlideShow({{pipe.string(), ""}}, TShowSettings{},
                                            (dir_ / "show.pdf").string(), NoViewer(1));
    done = true;
    reader.join();
    EXPECT_TRUE(r.ok);
    ASSERT_FALSE(modes.empty()) << "the photo was never read while its temporary file existed";
    for (int mode : modes)
        EXPECT_EQ(mode, 0600);
}

// Every format the image library reads ends up as a JPEG of the photo's own size; one it
// cannot read as a black 320 x 200 picture. A 1-bit photo (here red and blue) keeps the two
// colours of its table.
TEST_F(ExportTest, EveryFormatGoesThroughTheLibrary) {
    REQUIRE_TOOLS("convert");
    struct Source {
        std::string name, command;
    };
    const fs::path d = dir_;
    std::vector<Source> sources = {
        {"palette.bmp", "convert -size 60x40 plasma:fractal -colors 32 -type Palette BMP3:"},
        {"bilevel.bmp", "convert -size 64x32 xc:'rgb(255,0,0)' -fill 'rgb(0,0,255)' -draw "
                        "'rectangle 0,0 31,31' -type Bilevel -colors 2 BMP3:"},
        {"anim.gif", "convert -size 50x30 gradient:red-blue "},
        {"deep.png", "convert -size 33x22 gradient:white-black -depth 16 PNG48:"},
    };
    std::vector<TExportPhoto> photos;
    for (const auto& src : sources) {
        const fs::path p = d / src.name;
        if (RunCommand(src.command + "'" + p.string() + "' >/dev/null 2>&1").first == 0)
            photos.push_back({p.string(), src.name});
    }
    if (required_tool::Present("heif-enc")) {
        const std::string jpg = MakeJpeg("for-heic.jpg", 128, 96, 77);
        const fs::path heic = d / "photo.heic";
        if (RunCommand("heif-enc -q 80 -o '" + heic.string() + "' '" + jpg + "' >/dev/null 2>&1")
                .first == 0)
            photos.push_back({heic.string(), "heic"});
    }
    WriteFile(d / "white-black.bmp", OneBitBmp(40, 24, 0xFFFFFF, 0x000000));
    photos.push_back({(d / "white-black.bmp").string(), "white-black"});
    photos.push_back({(d / "missing.tif").string(), "fehlt"});
    const fs::path out = d / "formats.pdf";
    const TExportResult r = ExportSlideShow(photos, TShowSettings{}, out.string(), NoViewer(2));
    ASSERT_TRUE(r.ok) << int(r.code);
    const auto images = ImageObjects(ReadFile(out));
    ASSERT_EQ(images.size(), photos.size());
    int unreadable = 0;
    for (size_t i = 0; i < photos.size(); ++i) {
        SCOPED_TRACE(photos[i].Text);
        ScopedDib source;
        OpenDib(source.get(), photos[i].FileName.c_str(), -1, nullptr);
        const bool readable = !source.empty();
        if (!readable) ++unreadable;
        EXPECT_EQ(images[i].width, readable ? source->Info->biWidth : 320);
        EXPECT_EQ(images[i].height, readable ? source->Info->biHeight : 200);
        if (readable && source->Info->biBitCount == 1) {
            if (photos[i].Text == "white-black") {
                EXPECT_EQ(source->Colours[0].peRed, 255) << "the table of the file, not black";
            }
            const fs::path back = d / "bilevel-back.jpg";
            WriteFile(back, images[i].jpeg);
            ScopedDib decoded;
            ASSERT_EQ(OpenDib(decoded.get(), back.c_str(), -1, nullptr), 1);
            for (int y = 2; y < source->Info->biHeight; y += 7)
                for (int x = 2; x < source->Info->biWidth; x += 7) {
                    const TPaletteEntry& c = source->Colours[getpixel(source.get(), x, y)];
                    const uint32_t px = getpixel(decoded.get(), x, y);
                    EXPECT_NEAR(int((px >> 16) & 255), c.peRed, 40) << "pixel " << x << "," << y;
                    EXPECT_NEAR(int((px >> 8) & 255), c.peGreen, 40);
                    EXPECT_NEAR(int(px & 255), c.peBlue, 40);
                }
        }
    }
    EXPECT_EQ(r.blackPictures, unreadable);
    EXPECT_GE(unreadable, 1) << "the missing file";
    if (required_tool::Present("qpdf")) {
        EXPECT_EQ(RunCommand("qpdf --check '" + out.string() + "' >/dev/null 2>&1").first, 0);
    }
}

// Upright colour JPEGs take the one-pass way; whatever way a photo takes, its image is the
// JPEG a whole load and save at quality 90 gives, also for data that end halfway (the rows
// read, black below) after the one-pass way gave up on them.
TEST_F(ExportTest, PhotosGiveTheJpegOfAWholeLoadAndSave) {
    const std::string good = MakeJpeg("good.jpg", 160, 120, 5);
    const std::string whole = ReadFile(MakeJpeg("cut.jpg", 96, 256, 9));
    WriteFile(dir_ / "cut.jpg", whole.substr(0, whole.size() / 2));
    const std::vector<TExportPhoto> photos = {{good, "a"}, {(dir_ / "cut.jpg").string(), "b"}};
    const fs::path out = dir_ / "show.pdf";
    const TExportResult r = ExportSlideShow(photos, TShowSettings{}, out.string(), NoViewer(1));
    ASSERT_TRUE(r.ok);
    const auto images = ImageObjects(ReadFile(out));
    ASSERT_EQ(images.size(), 2u);
    for (size_t i = 0; i < photos.size(); ++i) {
        ScopedDib dib;
        ASSERT_EQ(OpenDib(dib.get(), photos[i].FileName.c_str(), -1, nullptr), 1);
        const fs::path saved = dir_ / "saved.jpg";
        SetJPEGQual(90);
        ASSERT_EQ(SaveDib(dib.get(), saved.c_str(), 7, 0), 1);
        EXPECT_TRUE(images[i].jpeg == ReadFile(saved)) << photos[i].Text;
    }
    EXPECT_TRUE(TempLeftovers().empty());
}

TEST_F(ExportTest, SameBytesWithAnyNumberOfThreads) {
    std::vector<TExportPhoto> photos;
    for (int i = 0; i < 7; ++i) {
        const bool missing = i == 4;
        photos.push_back(
            {missing ? (dir_ / "nope.png").string()
                     : MakeJpeg("p" + std::to_string(i) + ".jpg", 20 + 9 * i, 30 + 5 * i, i * 40),
             "Foto " + std::to_string(i)});
    }
    TShowSettings s;
    s.FadeInOut = false;
    std::string reference;
    for (int jobs : {1, 2, 3, 8}) {
        const fs::path out = dir_ / ("jobs" + std::to_string(jobs) + ".pdf");
        const TExportResult r = ExportSlideShow(photos, s, out.string(), NoViewer(jobs));
        ASSERT_TRUE(r.ok);
        const std::string bytes = ReadFile(out);
        if (reference.empty())
            reference = bytes;
        else
            EXPECT_TRUE(bytes == reference) << jobs << " threads wrote other bytes";
    }
    EXPECT_TRUE(TempLeftovers().empty());
}

TEST_F(ExportTest, CallbacksArriveOnTheCallingThreadInOrder) {
    struct Recorder : TExportProgress {
        std::thread::id caller = std::this_thread::get_id();
        bool otherThread = false;
        std::vector<int> done;
        int pumps = 0;
        void Check() {
            if (std::this_thread::get_id() != caller) otherThread = true;
        }
        void PhotoLoadProgress(int percent) override {
            Check();
            EXPECT_GE(percent, 0);
            EXPECT_LE(percent, 100);
        }
        void PhotoDone(int k, int n) override {
            Check();
            EXPECT_EQ(n, 5);
            done.push_back(k);
        }
        void Pump() override {
            Check();
            ++pumps;
        }
    } recorder;
    std::vector<TExportPhoto> photos;
    for (int i = 0; i < 5; ++i)
        photos.push_back({MakeJpeg("c" + std::to_string(i) + ".jpg", 300, 200, i), ""});
    TExportOptions o = NoViewer(2);
    o.Progress = &recorder;
    ASSERT_TRUE(ExportSlideShow(photos, TShowSettings{}, (dir_ / "o.pdf").string(), o).ok);
    EXPECT_FALSE(recorder.otherThread);
    EXPECT_EQ(recorder.done, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_GE(recorder.pumps, 5);
}

TEST_F(ExportTest, ShowPdfOffOpensNothingAndEmptyShowExports) {
    TShowSettings s;
    s.ShowPDF = false;
    const fs::path out = dir_ / "leer.pdf";
    const TExportResult r = ExportSlideShow({}, s, out.string(), NoViewer());
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(opened_.empty());
    EXPECT_NE(ReadFile(out).find("xref\r0 20\r\n"), std::string::npos);
}

TEST_F(ExportTest, CannotCreateGivesItsCodeAndPath) {
    const std::string path = (dir_ / "kein-ordner" / "x.pdf").string();
    const TExportResult r = ExportSlideShow({}, TShowSettings{}, path, NoViewer());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.code, TExportCode::kCannotCreate);
    EXPECT_EQ(r.path, path);
    EXPECT_TRUE(opened_.empty());
}

TEST_F(ExportTest, WriteErrorReportsIoErrorAndStopsTheWorkers) {
    std::vector<TExportPhoto> photos;
    for (int i = 0; i < 6; ++i)
        photos.push_back({MakeJpeg("w" + std::to_string(i) + ".jpg", 400, 300, i), ""});
    TExportResult r;
    {
        ScopedFileSizeLimit full(6000); // room for the skeleton, not for the photos
        ASSERT_TRUE(full.Active());
        r = ExportSlideShow(photos, TShowSettings{}, (dir_ / "voll.pdf").string(), NoViewer(3));
    }
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.code, TExportCode::kWriteError);
    EXPECT_EQ(r.detail, EFBIG);
    EXPECT_TRUE(opened_.empty());
    EXPECT_TRUE(TempLeftovers().empty());
}

TEST_F(ExportTest, CancelStopsAndRemovesThePartialFile) {
    struct Canceller : TExportProgress {
        void PhotoDone(int k, int) override { stop = k >= 2; }
        bool CancelRequested() override { return stop; }
        bool stop = false;
    } canceller;
    std::vector<TExportPhoto> photos;
    for (int i = 0; i < 5; ++i)
        photos.push_back({MakeJpeg("x" + std::to_string(i) + ".jpg", 50, 50, i), ""});
    TExportOptions o = NoViewer(2);
    o.Progress = &canceller;
    const fs::path out = dir_ / "abbruch.pdf";
    const TExportResult r = ExportSlideShow(photos, TShowSettings{}, out.string(), o);
    EXPECT_EQ(r.code, TExportCode::kCancelled);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_TRUE(TempLeftovers().empty());
}

// Photos that give no picture are named with their reason; the file is still written, with a
// black picture for each. The same through the command line: a warning line each, exit 1, for
// the PDF and for the HTML slide show alone.
TEST_F(ExportTest, UnreadablePhotosAreNamedWithTheirReason) {
    WriteFile(dir_ / "leer.jpg", "");
    WriteFile(dir_ / "text.jpg", "Das ist kein Foto, nur Text.\n");
    std::string damaged = ReadFile(MakeJpeg("kaputt.jpg", 64, 64, 3)).substr(0, 20);
    WriteFile(dir_ / "kaputt.jpg", damaged);
    const std::vector<TExportPhoto> photos = {
        {MakeJpeg("gut.jpg", 40, 30, 1), ""}, {(dir_ / "leer.jpg").string(), ""},
        {(dir_ / "text.jpg").string(), ""},   {(dir_ / "weg.jpg").string(), ""},
        {(dir_ / "kaputt.jpg").string(), ""},
    };
    for (const bool html : {false, true}) {
        TExportOptions o = NoViewer(2);
        o.Html = html;
        const TExportResult r =
            ExportSlideShow(photos, TShowSettings{}, (dir_ / "w.out").string(), o);
        ASSERT_TRUE(r.ok);
        EXPECT_TRUE(r.HasWarnings());
        EXPECT_EQ(r.photos, 5);
        EXPECT_EQ(r.blackPictures, 4);
        ASSERT_EQ(r.unreadable.size(), 4u);
        const TPhotoProblem want[] = {TPhotoProblem::kEmpty, TPhotoProblem::kNotAPicture,
                                      TPhotoProblem::kMissing, TPhotoProblem::kDamaged};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(r.unreadable[size_t(i)].Number, i + 2);
            EXPECT_EQ(r.unreadable[size_t(i)].FileName, photos[size_t(i) + 1].FileName);
            EXPECT_EQ(r.unreadable[size_t(i)].Problem, want[i]) << i;
        }
    }
#ifdef LUMENO_EXPORT_TOOL
    const std::string tool = LUMENO_EXPORT_TOOL;
    std::string args;
    for (const auto& p : photos)
        args += " '" + p.FileName + "'";
    for (const std::string& out : {"-o '" + (dir_ / "cli.pdf").string() + "'",
                                   "--html '" + (dir_ / "cli.html").string() + "'"}) {
        const auto run = RunCommand("'" + tool + "' " + out + args + " 2>&1 >/dev/null");
        EXPECT_EQ(run.first, 1) << run.second;
        for (const std::string& line :
             {"Foto 2 ist ein schwarzes Bild: " + photos[1].FileName + ": Die Datei ist leer.",
              "Foto 3 ist ein schwarzes Bild: " + photos[2].FileName +
                  ": Die Datei ist kein Bild oder hat ein unbekanntes Format.",
              "Foto 4 ist ein schwarzes Bild: " + photos[3].FileName +
                  ": Die Datei wurde nicht gefunden.",
              "Foto 5 ist ein schwarzes Bild: " + photos[4].FileName +
                  ": Das Bild ist beschädigt."})
            EXPECT_NE(run.second.find(line), std::string::npos) << line << "\n" << run.second;
    }
#endif
}

// A cancel leaves the file that was there before byte for byte, and no file beside it.
TEST_F(ExportTest, CancelKeepsTheOldFileAndLeavesNothingBeside) {
    struct Canceller : TExportProgress {
        bool CancelRequested() override { return true; }
    } canceller;
    const fs::path out = dir_ / "alt.pdf";
    WriteFile(out, "die alte Datei");
    TExportOptions o = NoViewer(2);
    o.Progress = &canceller;
    const TExportResult r =
        ExportSlideShow({{MakeJpeg("c.jpg", 50, 50, 1), ""}}, TShowSettings{}, out.string(), o);
    EXPECT_EQ(r.code, TExportCode::kCancelled);
    EXPECT_EQ(ReadFile(out), "die alte Datei");
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"alt.pdf", "c.jpg", "tmp"}));
    EXPECT_TRUE(opened_.empty());
}

// What a user checks with the PDF tools: the file is sound, one letter page, PDF 1.4, the
// SVG comes back out of object 16 unchanged and is well-formed for every caption.
TEST_F(ExportTest, ToolsAcceptTheFileAndGiveBackTheSvg) {
    REQUIRE_TOOLS("qpdf", "pdfinfo", "xmllint");
    const std::vector<std::string> captions = {
        "Oma & Opa <2023>",
        "\x80 100 \x84"
        "Ferien\x93 \x96 S\xFC"
        "d",
        "&#321;\xF3"
        "d\xBF",
        "Zeile 1\r\nZeile 2\rZeile 3",
        std::string("Steuer\x01zeichen\x1b\0weg", 18),
        "]]> &amp; &#0; &#x1F600; & #",
    };
    std::vector<TExportPhoto> photos;
    for (size_t i = 0; i < captions.size(); ++i)
        photos.push_back(
            {MakeJpeg("t" + std::to_string(i) + ".jpg", 30 + static_cast<int>(i), 20, 5),
             captions[i]});
    TShowSettings s;
    s.FullScreen = true;
    const fs::path out = dir_ / "werkzeuge.pdf";
    ASSERT_TRUE(ExportSlideShow(photos, s, out.string(), NoViewer()).ok);

    const auto check = RunCommand("qpdf --check '" + out.string() + "' 2>&1");
    EXPECT_EQ(check.first, 0) << check.second;
    EXPECT_NE(check.second.find("No syntax or stream encoding errors"), std::string::npos);

    const auto info = RunCommand("pdfinfo '" + out.string() + "' 2>&1").second;
    EXPECT_NE(info.find("Pages:           1\n"), std::string::npos) << info;
    EXPECT_NE(info.find("PDF version:     1.4\n"), std::string::npos) << info;
    EXPECT_NE(info.find("612 x 792 pts (letter)"), std::string::npos) << info;

    const auto svg =
        RunCommand("qpdf --show-object=16 --filtered-stream-data '" + out.string() + "'").second;
    EXPECT_TRUE(svg == BuildSvgDocument(captions, s)) << "object 16 does not hold our SVG";
    const fs::path svgFile = dir_ / "show.svg";
    WriteFile(svgFile, svg);
    const auto lint = RunCommand("xmllint --noout --nonet '" + svgFile.string() + "' 2>&1");
    EXPECT_EQ(lint.first, 0) << lint.second;

    for (size_t k = 1; k <= photos.size(); ++k) {
        const auto dict =
            RunCommand("qpdf --show-object=" + std::to_string(19 + k) + " '" + out.string() + "'")
                .second;
        EXPECT_NE(dict.find("/Filter /DCTDecode"), std::string::npos) << dict;
        EXPECT_NE(dict.find("/Width " + std::to_string(29 + k) + " "), std::string::npos) << dict;
        EXPECT_NE(dict.find("/Height 20 "), std::string::npos) << dict;
    }
}

#ifdef LUMENO_EXPORT_TOOL
// The command-line exporter as a user calls it.
TEST_F(ExportTest, CommandLine) {
    const std::string tool = LUMENO_EXPORT_TOOL;
    auto run = [&](const std::string& args) {
        return RunCommand("'" + tool + "' " + args + " 2>&1");
    };

    const auto help = run("--help");
    EXPECT_EQ(help.first, 0);
    EXPECT_NE(help.second.find("Aufruf:"), std::string::npos);
    EXPECT_EQ(run("--gibtsnicht").first, 2);
    EXPECT_EQ(run("-o x.pdf").first, 2) << "no photos";
    EXPECT_EQ(run("--jobs 0 -o x.pdf a.jpg").first, 2);

    const std::string a = MakeJpeg("Sonne am Meer.jpg", 40, 30, 9);
    const fs::path out = dir_ / "cli.pdf";
    const auto ok = run("--jobs 2 --captions --fullscreen -o '" + out.string() + "' '" + a + "' '" +
                        (dir_ / "fehlt.jpg").string() + "'");
    EXPECT_EQ(ok.first, 1) << "written with a warning: " << ok.second;
    EXPECT_NE(ok.second.find("Foto 2 von 2"), std::string::npos) << ok.second;
    EXPECT_NE(ok.second.find("lumeno-export: Warnung: Foto 2 ist ein schwarzes Bild: " +
                             (dir_ / "fehlt.jpg").string() + ": Die Datei wurde nicht gefunden.\n"),
              std::string::npos)
        << ok.second;
    const std::string pdf = ReadFile(out);
    EXPECT_NE(pdf.find("app.fs.isFullScreen = true;"), std::string::npos);
    EXPECT_EQ(ImageObjects(pdf).size(), 2u);

    EXPECT_NE(help.second.find("--keep-jpeg         JPEG-Daten der Fotos unverändert"),
              std::string::npos);
    const auto kept = run("--keep-jpeg -o '" + out.string() + "' '" + a + "'");
    EXPECT_EQ(kept.first, 0) << kept.second;
    EXPECT_NE(kept.second.find("(1 Foto, 1 JPEG unverändert übernommen)"), std::string::npos)
        << kept.second;
    EXPECT_TRUE(ImageObjects(ReadFile(out))[0].jpeg == ReadFile(a));

    const auto bad = run("-o '" + (dir_ / "nein" / "x.pdf").string() + "' '" + a + "'");
    EXPECT_EQ(bad.first, 3);
    EXPECT_NE(bad.second.find("konnte nicht erstellt werden!"), std::string::npos) << bad.second;

    // A project file: its photos, captions and settings go into the PDF.
    TSlideShow show;
    show.AddPhotos({a}, false);
    show.Fotos[0].Text = "Gr\xFC\xDF"
                         "e";
    TShowSettings s;
    s.FadeTime = 1500;
    s.BackColor = 0x00112233;
    const fs::path lmo = dir_ / "show.lmo";
    ASSERT_TRUE(WriteProjectFile(lmo.string(), show, s).ok);
    const fs::path out2 = dir_ / "projekt.pdf";
    const auto fromLmo = run("'" + lmo.string() + "' '" + out2.string() + "'");
    EXPECT_EQ(fromLmo.first, 0) << fromLmo.second;
    if (required_tool::Present("qpdf")) {
        const auto svg =
            RunCommand("qpdf --show-object=16 --filtered-stream-data '" + out2.string() + "'")
                .second;
        std::vector<std::string> captions = {"Gr\xFC\xDF"
                                             "e"};
        EXPECT_TRUE(svg == BuildSvgDocument(captions, s));
    }
    const auto self = run("'" + lmo.string() + "' '" + lmo.string() + "'");
    EXPECT_EQ(self.first, 2) << "the project file must not be overwritten by its own PDF";
    EXPECT_TRUE(ReadProjectFile(lmo.string(), show, s).ok);
    const auto photoAsPdf = run("-o '" + a + "' '" + a + "'");
    EXPECT_EQ(photoAsPdf.first, 2);
    EXPECT_NE(photoAsPdf.second.find("zugleich eine Eingabedatei"), std::string::npos);
    ScopedDib still;
    EXPECT_EQ(OpenDib(still.get(), a.c_str(), -1, nullptr), 1) << "the photo is intact";
    WriteFile(dir_ / "kaputt.lmo", "kein Projekt");
    EXPECT_EQ(run("'" + (dir_ / "kaputt.lmo").string() + "' '" + out2.string() + "'").first, 3);
    for (const char* code : {"  0  die Dateien wurden geschrieben", "  1  die Dateien wurden",
                             "  2  falsche Befehlszeile", "  3  Fehler"})
        EXPECT_NE(help.second.find(code), std::string::npos) << code;
}
#endif

// The .lmo project file: golden bytes, round trips, reading rules and bad input, saving
// without losing the previous file.
#include "lumeno/project/project_file.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <iterator>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace lumeno {
namespace {

namespace fs = std::filesystem;

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (!out.empty()) out += ' ';
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

// Compares byte strings and names the first differing offset.
::testing::AssertionResult SameBytes(const std::string& expected, const std::string& actual) {
    const size_t common = std::min(expected.size(), actual.size());
    for (size_t i = 0; i < common; ++i)
        if (expected[i] != actual[i])
            return ::testing::AssertionFailure()
                   << "first difference at byte " << i << ": expected "
                   << Hex(expected.substr(i, 1)) << ", got " << Hex(actual.substr(i, 1))
                   << "\nexpected " << Hex(expected) << "\nactual   " << Hex(actual);
    if (expected.size() != actual.size())
        return ::testing::AssertionFailure() << "length " << actual.size() << " instead of "
                                             << expected.size() << "\nactual " << Hex(actual);
    return ::testing::AssertionSuccess();
}

const std::string kDefaultTrailer =
    Bytes({0x01, 0xE8, 0x03, 0x00, 0x00, 0xB8, 0x0B, 0x00, 0x00, 0xFF, 0xFF, 0xFF,
           0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x02, 0x00, 0x00,
           0x00, 0x5F, 0x00, 0x00, 0x00, 0x28, 0x00, 0x00, 0x00, 0x01, 0x00});

const std::string kEmptyShow = Bytes({0xAD, 0xCD, 0x00, 0x00, 0, 0, 0, 0}) + kDefaultTrailer;

const std::string kOnePhoto = Bytes({0xAD, 0xCD, 0x00, 0x00, 1, 0, 0, 0, 8, 0, 0, 0}) +
                              "C:\\a.jpg" + Bytes({0, 0, 0, 0}) + kDefaultTrailer;

std::string I32(int32_t v) {
    std::string out;
    for (int s = 0; s < 32; s += 8)
        out += static_cast<char>((static_cast<uint32_t>(v) >> s) & 0xFF);
    return out;
}

// A trailer with every field given.
std::string Trailer(int showPdf, int32_t fade, int32_t pause, uint32_t back, uint32_t outline,
                    uint32_t text, int32_t x, int32_t y, int32_t font, int fadeInOut,
                    int fullScreen) {
    return std::string(1, static_cast<char>(showPdf)) + I32(fade) + I32(pause) +
           I32(static_cast<int32_t>(back)) + I32(static_cast<int32_t>(outline)) +
           I32(static_cast<int32_t>(text)) + I32(x) + I32(y) + I32(font) +
           static_cast<char>(fadeInOut) + static_cast<char>(fullScreen);
}

std::string Header(int32_t count) {
    return I32(static_cast<int32_t>(kLmoMarker)) + I32(count);
}
std::string Entry(const std::string& name, const std::string& text) {
    return I32(static_cast<int32_t>(name.size())) + name + I32(static_cast<int32_t>(text.size())) +
           text;
}

// Settings that differ from the defaults in every field.
TShowSettings Unusual() {
    return {7, 1000000, 0x000A0B0C, 0x00112233, 0x00445566, -5, 120, 0, false, true, false};
}

bool SameSettings(const TShowSettings& a, const TShowSettings& b) {
    return a.FadeTime == b.FadeTime && a.PauseTime == b.PauseTime && a.BackColor == b.BackColor &&
           a.TextColor == b.TextColor && a.OutlineColor == b.OutlineColor && a.TextX == b.TextX &&
           a.TextY == b.TextY && a.FontSize == b.FontSize && a.FadeInOut == b.FadeInOut &&
           a.FullScreen == b.FullScreen && a.ShowPDF == b.ShowPDF;
}

// ---- golden bytes and round trips -------------------------------------------------------

TEST(ProjectFileBytes, EmptyShowIs43Bytes) {
    TSlideShow show;
    EXPECT_TRUE(SameBytes(kEmptyShow, ProjectFileBytes(show, TShowSettings{})));
}

TEST(ProjectFileBytes, SinglePhotoExampleIs59Bytes) {
    TSlideShow show;
    show.AddPhotos({"C:\\a.jpg"}, false);
    const std::string bytes = ProjectFileBytes(show, TShowSettings{});
    EXPECT_EQ(bytes.size(), 59u);
    EXPECT_TRUE(SameBytes(kOnePhoto, bytes));
}

TEST(ProjectFileBytes, ColoursAreStoredBackgroundOutlineCaption) {
    TSlideShow show;
    TShowSettings s;
    s.BackColor = 0x00010203;
    s.OutlineColor = 0x00040506;
    s.TextColor = 0x00070809;
    s.FadeInOut = false;
    s.FullScreen = true;
    s.ShowPDF = false;
    s.TextX = -1;
    const std::string expected =
        Header(0) + Trailer(0, 1000, 3000, 0x010203, 0x040506, 0x070809, -1, 95, 40, 0, 1);
    EXPECT_TRUE(SameBytes(expected, ProjectFileBytes(show, s)));
}

TEST(ProjectFileBytes, CaptionsKeepLineBreaksAndWindows1252Bytes) {
    TSlideShow show;
    show.AddPhotos({"/b/\xC3\xBC.jpg", "/c.jpg", "/d.jpg"}, false);
    show.Fotos[0].Text = "Gr\xFC\xDF"
                         "e\r\nZeile\rzwei &#321;";
    show.Fotos[2].Text = "x";
    const std::string expected = Header(3) + Entry("/b/\xC3\xBC.jpg", show.Fotos[0].Text) +
                                 Entry("/c.jpg", "") + Entry("/d.jpg", "x") + kDefaultTrailer;
    const std::string bytes = ProjectFileBytes(show, TShowSettings{});
    EXPECT_TRUE(SameBytes(expected, bytes));

    TSlideShow back;
    const ProjectReadResult r = ReadProjectBytes(bytes, back, TShowSettings{});
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(back.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(back.Fotos[i].FileName, show.Fotos[i].FileName);
        EXPECT_EQ(back.Fotos[i].Text, show.Fotos[i].Text);
    }
}

TEST(ProjectFileBytes, WriteReadWriteGivesTheSameBytes) {
    TSlideShow show;
    show.AddPhotos({"/x/eins.jpg", "/x/zwei.png", "C:\\drei.tif"}, true);
    show.Fotos[1].Text = std::string(300, 'q');
    const std::string first = ProjectFileBytes(show, Unusual());
    TSlideShow back;
    const ProjectReadResult r = ReadProjectBytes(first, back, TShowSettings{});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.code, ProjectFileError::None);
    EXPECT_TRUE(SameSettings(r.settings, Unusual()));
    EXPECT_TRUE(SameBytes(first, ProjectFileBytes(back, r.settings)));
}

// ---- reading rules ----------------------------------------------------------------------

TEST(ReadProjectBytes, GoldenExampleGivesOnePhotoWithoutCaptionOrThumbnail) {
    TSlideShow show;
    show.AddPhotos({"/alt1.jpg", "/alt2.jpg"}, true);
    show.CurFoto = 2;
    const ProjectReadResult r = ReadProjectBytes(kOnePhoto, show, Unusual());
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.markerValid);
    ASSERT_EQ(show.Count(), 1);
    EXPECT_EQ(show.CurFoto, 1);
    EXPECT_EQ(show.Fotos[0].FileName, "C:\\a.jpg");
    EXPECT_EQ(show.Fotos[0].Text, "");
    EXPECT_TRUE(show.Fotos[0].Thumb.empty());
    EXPECT_TRUE(SameSettings(r.settings, TShowSettings{}));
}

struct TrailerCase {
    const char* what;
    std::string trailer;
    TShowSettings expected;
};

TEST(ReadProjectBytes, TrailerValuesAreClampedAndOptionBytesInterpreted) {
    const TShowSettings d;
    auto with = [&](auto change) {
        TShowSettings s = d;
        change(s);
        return s;
    };
    const TrailerCase cases[] = {
        {"FadeTime 0 becomes 1", Trailer(1, 0, 3000, 0xFFFFFF, 0, 0xFFFF, 2, 95, 40, 1, 0),
         with([](TShowSettings& s) { s.FadeTime = 1; })},
        {"FadeTime 2000000 becomes 1000000",
         Trailer(1, 2000000, 3000, 0xFFFFFF, 0, 0xFFFF, 2, 95, 40, 1, 0),
         with([](TShowSettings& s) { s.FadeTime = 1000000; })},
        {"negative PauseTime becomes 1",
         Trailer(1, 1000, INT32_MIN, 0xFFFFFF, 0, 0xFFFF, 2, 95, 40, 1, 0),
         with([](TShowSettings& s) { s.PauseTime = 1; })},
        {"PauseTime 1000001 becomes 1000000",
         Trailer(1, 1000, 1000001, 0xFFFFFF, 0, 0xFFFF, 2, 95, 40, 1, 0),
         with([](TShowSettings& s) { s.PauseTime = 1000000; })},
        {"FadeInOut byte 2 cross-fades",
         Trailer(1, 1000, 3000, 0xFFFFFF, 0, 0xFFFF, 2, 95, 40, 2, 0),
         with([](TShowSettings& s) { s.FadeInOut = false; })},
        {"FadeInOut byte 255 cross-fades",
         Trailer(1, 1000, 3000, 0xFFFFFF, 0, 0xFFFF, 2, 95, 40, 255, 0),
         with([](TShowSettings& s) { s.FadeInOut = false; })},
        {"ShowPDF 0 and FullScreen 7", Trailer(0, 1000, 3000, 0xFFFFFF, 0, 0xFFFF, 2, 95, 40, 1, 7),
         with([](TShowSettings& s) {
             s.ShowPDF = false;
             s.FullScreen = true;
         })},
        {"ShowPDF byte 0x80 is on", Trailer(0x80, 1000, 3000, 0xFFFFFF, 0, 0xFFFF, 2, 95, 40, 1, 0),
         d},
        {"other integers and colours as stored",
         Trailer(1, 1000, 3000, 0xFF123456, 0x80, 0x7F, -30, 500, -1, 1, 0),
         with([](TShowSettings& s) {
             s.BackColor = 0xFF123456;
             s.OutlineColor = 0x80;
             s.TextColor = 0x7F;
             s.TextX = -30;
             s.TextY = 500;
             s.FontSize = -1;
         })},
    };
    for (const TrailerCase& c : cases) {
        TSlideShow show;
        const ProjectReadResult r = ReadProjectBytes(Header(0) + c.trailer, show, Unusual());
        EXPECT_TRUE(r.ok) << c.what;
        EXPECT_TRUE(SameSettings(r.settings, c.expected)) << c.what;
    }
}

TEST(ReadProjectBytes, CountOfZeroOrBelowReadsNoEntries) {
    for (int32_t count : {0, -1, INT32_MIN}) {
        TSlideShow show;
        const ProjectReadResult r =
            ReadProjectBytes(Header(count) + kDefaultTrailer, show, Unusual());
        EXPECT_TRUE(r.ok) << count;
        EXPECT_EQ(show.Count(), 0);
        EXPECT_TRUE(SameSettings(r.settings, TShowSettings{}));
    }
}

TEST(ReadProjectBytes, WrongMarkerClearsPhotosAndKeepsSettings) {
    const std::string notLumeno[] = {
        "",
        Bytes({0xAD, 0xCD, 0x00}),
        Bytes({0xAD, 0xCD, 0x00, 0x01}) + kOnePhoto.substr(4),
        Bytes({0xCD, 0xAD, 0x00, 0x00}) + kOnePhoto.substr(4),
        "%PDF-1.4\n",
    };
    for (const std::string& bytes : notLumeno) {
        TSlideShow show;
        show.AddPhotos({"/alt.jpg"}, false);
        show.CurFoto = 0;
        const ProjectReadResult r = ReadProjectBytes(bytes, show, Unusual());
        EXPECT_FALSE(r.ok) << Hex(bytes);
        EXPECT_FALSE(r.markerValid);
        EXPECT_EQ(r.code, ProjectFileError::NotLumeno);
        EXPECT_EQ(show.Count(), 0);
        EXPECT_EQ(show.CurFoto, 1);
        EXPECT_TRUE(SameSettings(r.settings, Unusual()));
    }
}

TEST(ReadProjectBytes, EmptyViewWithoutDataIsNotLumeno) {
    TSlideShow show;
    EXPECT_EQ(ReadProjectBytes(std::string_view{}, show, Unusual()).code,
              ProjectFileError::NotLumeno);
}

TEST(ReadProjectBytes, ZeroByteEndsAText) {
    TSlideShow show;
    const std::string bytes = Header(1) +
                              Entry(std::string("/a.jpg\0/b.jpg", 13), std::string("ab\0cd", 5)) +
                              kDefaultTrailer;
    ASSERT_TRUE(ReadProjectBytes(bytes, show, Unusual()).ok);
    EXPECT_EQ(show.Fotos[0].FileName, "/a.jpg");
    EXPECT_EQ(show.Fotos[0].Text, "ab");
}

// ---- damaged files ----------------------------------------------------------------------

TEST(ReadProjectBytes, EveryTruncationKeepsCompleteEntriesAndNeverOverreads) {
    // Two photos; cutting the file anywhere must keep exactly the entries that are whole.
    const std::string e1 = Entry("/eins.jpg", "Text 1"), e2 = Entry("/zwei.jpg", "");
    const std::string full = Header(2) + e1 + e2 + Trailer(0, 5, 6, 1, 2, 3, 4, 5, 6, 0, 1);
    const size_t end1 = 8 + e1.size(), end2 = end1 + e2.size();
    for (size_t cut = 4; cut < full.size(); ++cut) {
        // A heap copy of exactly `cut` bytes lets ASan see any read past the end.
        const std::unique_ptr<char[]> copy(new char[cut]);
        std::memcpy(copy.get(), full.data(), cut);
        TSlideShow show;
        const ProjectReadResult r = ReadProjectBytes({copy.get(), cut}, show, Unusual());
        SCOPED_TRACE("cut at " + std::to_string(cut));
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.markerValid);
        EXPECT_EQ(r.code, ProjectFileError::Damaged);
        EXPECT_EQ(show.Count(), cut < end1 ? 0 : cut < end2 ? 1 : 2);
        if (show.Count() >= 1) {
            EXPECT_EQ(show.Fotos[0].Text, "Text 1");
        }
        // Trailer fields read completely are taken; the rest keep the window's values.
        const TShowSettings& s = r.settings;
        EXPECT_EQ(s.ShowPDF, cut > end2 ? false : Unusual().ShowPDF);
        EXPECT_EQ(s.FadeTime, cut >= end2 + 5 ? 5 : Unusual().FadeTime);
        EXPECT_EQ(s.FullScreen, Unusual().FullScreen);
    }
}

TEST(ReadProjectBytes, HugeOrNegativeCountsAndLengthsAreDamageNotAllocations) {
    const std::string cases[] = {
        Header(INT32_MAX) + Entry("/a.jpg", "") + kDefaultTrailer, // 2^31-1 photos claimed
        Header(1) + I32(INT32_MAX) + "/a.jpg",                     // 2 GB file name
        Header(1) + I32(6) + "/a.jpg" + I32(-1) + kDefaultTrailer, // 4 GB caption (0xFFFFFFFF)
        Header(1) + I32(INT32_MIN) + kDefaultTrailer,
        Header(2) + Entry("/a.jpg", "ok") + I32(-7) + kDefaultTrailer,
    };
    const int kept[] = {1, 0, 0, 0, 1};
    for (size_t i = 0; i < std::size(cases); ++i) {
        TSlideShow show;
        const ProjectReadResult r = ReadProjectBytes(cases[i], show, Unusual());
        EXPECT_EQ(r.code, ProjectFileError::Damaged) << "case " << i;
        EXPECT_EQ(show.Count(), kept[i]) << "case " << i;
        EXPECT_TRUE(SameSettings(r.settings, Unusual())) << "case " << i;
    }
}

TEST(ReadProjectBytes, TrailingBytesAreReportedButEverythingIsRead) {
    TSlideShow show;
    const ProjectReadResult r = ReadProjectBytes(kOnePhoto + "xyz", show, Unusual());
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.code, ProjectFileError::TrailingData);
    EXPECT_EQ(r.ignoredBytes, 3u);
    EXPECT_EQ(show.Count(), 1);
    EXPECT_TRUE(SameSettings(r.settings, TShowSettings{}));
}

// ---- files on disk ----------------------------------------------------------------------

class ProjectFileOnDisk : public ::testing::Test {
  protected:
    void SetUp() override { dir_ = folder_.Path(); }
    static std::string Slurp(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void Spit(const fs::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    size_t FilesInDir() const {
        return static_cast<size_t>(
            std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
    }
    TemporaryFolder folder_{"lumeno_project_test"};
    fs::path dir_;
};

TEST_F(ProjectFileOnDisk, SaveWritesExactBytesAndReplacesOldFileWithoutLeftovers) {
    const fs::path file = dir_ / "show.lmo";
    Spit(file, std::string(5000, 'o'));
    TSlideShow show;
    show.AddPhotos({"C:\\a.jpg"}, false);
    const ProjectWriteResult w = WriteProjectFile(file.string(), show, TShowSettings{});
    ASSERT_TRUE(w.ok) << w.detail;
    EXPECT_TRUE(SameBytes(kOnePhoto, Slurp(file)));
    EXPECT_EQ(FilesInDir(), 1u);
    EXPECT_EQ(show.Count(), 1); // saving leaves the show alone

    TSlideShow back;
    const ProjectReadResult r = ReadProjectFile(file.string(), back, Unusual());
    EXPECT_TRUE(r.ok);
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back.Fotos[0].FileName, "C:\\a.jpg");
}

// A project kept private (or shared with a group) stays so after a save replaced it.
TEST_F(ProjectFileOnDisk, SaveKeepsTheAccessRightsOfTheReplacedFile) {
    const fs::path file = dir_ / "privat.lmo";
    TSlideShow show;
    for (const fs::perms rights :
         {fs::perms::owner_read | fs::perms::owner_write,
          fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read}) {
        Spit(file, "alt");
        fs::permissions(file, rights);
        ASSERT_TRUE(WriteProjectFile(file.string(), show, TShowSettings{}).ok);
        EXPECT_EQ(fs::status(file).permissions(), rights) << static_cast<int>(rights);
        EXPECT_EQ(FilesInDir(), 1u);
    }
}

TEST_F(ProjectFileOnDisk, MissingFileCannotBeOpenedAndShowStays) {
    for (const fs::path& path : {dir_ / "fehlt.lmo", dir_}) {
        TSlideShow show;
        show.AddPhotos({"/bleibt.jpg"}, false);
        show.CurFoto = 4;
        const ProjectReadResult r = ReadProjectFile(path.string(), show, Unusual());
        EXPECT_EQ(r.code, ProjectFileError::CannotOpen) << path;
        EXPECT_NE(r.detail, 0);
        EXPECT_EQ(show.Count(), 1);
        EXPECT_EQ(show.CurFoto, 4);
        EXPECT_TRUE(SameSettings(r.settings, Unusual()));
    }
}

TEST_F(ProjectFileOnDisk, DamagedAndForeignFilesOnDisk) {
    const fs::path file = dir_ / "kaputt.lmo";
    Spit(file, kOnePhoto.substr(0, 30));
    TSlideShow show;
    EXPECT_EQ(ReadProjectFile(file.string(), show, Unusual()).code, ProjectFileError::Damaged);
    Spit(file, kOnePhoto + "zz");
    const ProjectReadResult r = ReadProjectFile(file.string(), show, Unusual());
    EXPECT_EQ(r.code, ProjectFileError::TrailingData);
    EXPECT_EQ(r.ignoredBytes, 2u);
    Spit(file, "GIF89a");
    EXPECT_EQ(ReadProjectFile(file.string(), show, Unusual()).code, ProjectFileError::NotLumeno);
}

TEST_F(ProjectFileOnDisk, UncreatableFileIsReportedAndNothingIsWritten) {
    TSlideShow show;
    const ProjectWriteResult missingDir =
        WriteProjectFile((dir_ / "gibt_es_nicht" / "a.lmo").string(), show, TShowSettings{});
    EXPECT_FALSE(missingDir.ok);
    EXPECT_EQ(missingDir.code, ProjectFileError::CannotCreate);
    EXPECT_NE(missingDir.detail, 0);

    const ProjectWriteResult isDir = WriteProjectFile(dir_.string(), show, TShowSettings{});
    EXPECT_EQ(isDir.code, ProjectFileError::CannotCreate);
    EXPECT_EQ(FilesInDir(), 0u);
}

TEST_F(ProjectFileOnDisk, ReadOnlyTargetIsNotReplaced) {
    const fs::path file = dir_ / "schreibgeschuetzt.lmo";
    Spit(file, "alt");
    fs::permissions(file, fs::perms::owner_read);
    // Root may write any file: then the saves run in a child as a throw-away user that owns
    // the folder and the file. A writable file in the same folder shows that this user can
    // save at all.
    constexpr uid_t kUser = 54321;
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(dir_.c_str(), kUser, kUser), 0);
        ASSERT_EQ(::chown(file.c_str(), kUser, kUser), 0);
    }
    const auto saveBoth = [&] {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kUser) != 0 || ::setuid(kUser) != 0))
            std::_Exit(2);
        TSlideShow show;
        if (!WriteProjectFile((dir_ / "frei.lmo").string(), show, TShowSettings{}).ok)
            std::_Exit(3);
        const ProjectWriteResult w = WriteProjectFile(file.string(), show, TShowSettings{});
        std::_Exit(w.code == ProjectFileError::CannotCreate && w.detail == EACCES ? 0 : 1);
    };
    EXPECT_EXIT(saveBoth(), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(Slurp(file), "alt");
    EXPECT_EQ(FilesInDir(), 2u);
}

TEST_F(ProjectFileOnDisk, StaleTemporaryFileDoesNotBlockTheSave) {
    // A crash during an earlier save left "<file>~0.tmp"; it is not ours to delete.
    const fs::path file = dir_ / "show.lmo", stale = dir_ / "show.lmo~0.tmp";
    Spit(stale, "von gestern");
    TSlideShow show;
    const ProjectWriteResult w = WriteProjectFile(file.string(), show, TShowSettings{});
    ASSERT_TRUE(w.ok) << w.detail;
    EXPECT_TRUE(SameBytes(kEmptyShow, Slurp(file)));
    EXPECT_EQ(Slurp(stale), "von gestern");
    EXPECT_EQ(FilesInDir(), 2u);
}

TEST_F(ProjectFileOnDisk, FailedWriteKeepsThePreviousFileAndLeavesNoTemporaryFile) {
    // A file size limit makes the disk "full" after the file was created; the save runs in a
    // child process so the limit does not touch anything else.
    const fs::path file = dir_ / "voll.lmo";
    Spit(file, kEmptyShow);
    TSlideShow show;
    show.AddPhotos({"/x.jpg"}, false);
    show.Fotos[0].Text = std::string(100000, 'w');
    const auto saveWithLimit = [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = 1000;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const ProjectWriteResult w = WriteProjectFile(file.string(), show, TShowSettings{});
        std::_Exit(!w.ok && w.code == ProjectFileError::WriteFailed && w.detail == EFBIG ? 0 : 1);
    };
    EXPECT_EXIT(saveWithLimit(), ::testing::ExitedWithCode(0), "");
    EXPECT_TRUE(SameBytes(kEmptyShow, Slurp(file)));
    EXPECT_EQ(FilesInDir(), 1u);
}

TEST_F(ProjectFileOnDisk, SaveThroughALinkReplacesItsTargetAndKeepsTheLink) {
    const fs::path real = dir_ / "echt.lmo", link = dir_ / "verweis.lmo";
    Spit(real, "alt");
    fs::create_symlink(real, link);
    TSlideShow show;
    ASSERT_TRUE(WriteProjectFile(link.string(), show, TShowSettings{}).ok);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(SameBytes(kEmptyShow, Slurp(real)));
}

} // namespace
} // namespace lumeno

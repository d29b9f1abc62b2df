#include "lumeno/core/file.h"

#include "file_size_limit.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace lumeno;

class FileTest : public ::testing::Test {
  protected:
    void SetUp() override { dir_ = folder_.Path(); }
    std::string Path(const char* name) const { return (dir_ / name).string(); }
    void Put(const char* name, const std::string& bytes) const {
        TFile f = OpenFile(Path(name), TFileMode::kWrite);
        ASSERT_TRUE(f);
        ASSERT_EQ(f.Write(bytes.data(), bytes.size()), 0);
        ASSERT_EQ(f.Close(), 0);
    }
    TemporaryFolder folder_{"lumeno-core-file"};
    fs::path dir_;
};

// The export's temporary JPEGs hold the user's photos: nobody else may read them, whatever
// the umask says.
TEST_F(FileTest, TemporaryFileIsForTheOwnerOnly) {
    const char* old = std::getenv("TMPDIR");
    const std::string oldTmp = old ? old : "";
    setenv("TMPDIR", dir_.c_str(), 1);
    const mode_t oldMask = ::umask(0);
    const std::string name = UniqueTempFileName("tempim", ".jpg");
    ::umask(oldMask);
    if (old)
        setenv("TMPDIR", oldTmp.c_str(), 1);
    else
        unsetenv("TMPDIR");
    ASSERT_EQ(name, Path("tempim0.jpg"));
    struct stat st {};
    ASSERT_EQ(::stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(FileTest, OpeningFailsWithTheSystemsReason) {
    const struct {
        const char* name;
        TFileMode mode;
        int error;
    } cases[] = {
        {"missing", TFileMode::kRead, ENOENT},
        {"missing", TFileMode::kUpdate, ENOENT},
        {"", TFileMode::kRead, EISDIR}, // the folder itself
        {"", TFileMode::kWrite, EISDIR},
        {"taken", TFileMode::kCreateNew, EEXIST},
        {"no-folder/x", TFileMode::kWrite, ENOENT},
    };
    Put("taken", "old");
    for (const auto& c : cases) {
        errno = 0;
        TFile f = OpenFile(Path(c.name), c.mode);
        EXPECT_FALSE(f) << c.name;
        EXPECT_EQ(errno, c.error) << c.name;
    }
    std::vector<uint8_t> bytes;
    EXPECT_EQ(ReadWholeFile(Path("taken"), bytes), 0);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "old") << "kCreateNew left it alone";
}

TEST_F(FileTest, ReadWholeFileReportsEveryFailureWithNothingRead) {
    Put("five", "12345");
    std::vector<uint8_t> bytes{1, 2};
    EXPECT_EQ(ReadWholeFile(Path("missing"), bytes), ENOENT);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(ReadWholeFile(dir_.string(), bytes), EISDIR);
    EXPECT_EQ(ReadWholeFile(Path("five"), bytes, 4), EFBIG);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(ReadWholeFile(Path("five"), bytes, 5), 0);
    EXPECT_EQ(bytes.size(), 5u);

    size_t got = 99;
    EXPECT_EQ(ReadWholeFile(
                  Path("five"), 100, [](size_t) { return nullptr; }, got),
              ENOMEM);
    EXPECT_EQ(got, 0u);
    Put("empty", "");
    EXPECT_EQ(ReadWholeFile(
                  Path("empty"), 100, [](size_t) { return nullptr; }, got),
              0)
        << "an empty file needs no room";
    EXPECT_EQ(got, 0u);
}

TEST_F(FileTest, AFullDiskIsReportedByWriteOrClose) {
    TFile f = OpenFile(Path("full"), TFileMode::kWrite);
    ASSERT_TRUE(f);
    const std::string block(64 * 1024, 'x');
    int error = 0;
    {
        ScopedFileSizeLimit limit(1000);
        ASSERT_TRUE(limit.Active());
        error = f.Write(block.data(), block.size());
        const int closed = f.Close();
        if (!error) error = closed;
    }
    EXPECT_EQ(error, EFBIG);
    EXPECT_FALSE(f);
    EXPECT_EQ(f.Close(), 0) << "closing an empty owner is no failure";
    EXPECT_EQ(f.Write("x", 1), EBADF);
}

TEST_F(FileTest, WritingEmptiesAFileAndTellsPlainFilesFromDevices) {
    Put("long", "a longer old content");
    Put("long", "new");
    std::vector<uint8_t> bytes;
    EXPECT_EQ(ReadWholeFile(Path("long"), bytes), 0);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "new");
    EXPECT_TRUE(OpenFile(Path("long"), TFileMode::kWrite).IsPlainFile());
    EXPECT_FALSE(OpenFile("/dev/null", TFileMode::kWrite).IsPlainFile());
    EXPECT_FALSE(TFile().IsPlainFile());
}

TEST_F(FileTest, RemoveFileSaysWhenNothingWasRemoved) {
    Put("gone", "x");
    EXPECT_TRUE(RemoveFile(Path("gone")));
    errno = 0;
    EXPECT_FALSE(RemoveFile(Path("gone")));
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(FileTest, ReplaceFileTakesTheOldOnesPlace) {
    Put("new", "neu");
    Put("old", "alt und lang");
    ASSERT_TRUE(ReplaceFile(Path("new"), Path("old")));
    std::vector<uint8_t> bytes;
    ASSERT_EQ(ReadWholeFile(Path("old"), bytes), 0);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "neu");
    EXPECT_FALSE(fs::exists(Path("new")));
    errno = 0;
    EXPECT_FALSE(ReplaceFile(Path("new"), Path("old")));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_TRUE(fs::exists(Path("old"))) << "a failed replace leaves the target";
}

} // namespace

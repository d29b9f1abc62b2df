#pragma once
// Helpers shared by the export tests: a scratch folder, solid-colour
// photos written through the image library, running tools, and reading rendered pictures.
#include "pictavo.h"
#include "required_tool.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace slideshow_test {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Runs a shell command; its exit status and standard output.
inline std::pair<int, std::string> RunCommand(const std::string& cmd) {
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return {-1, out};
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        out.append(buf.data(), n);
    const int status = pclose(p);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

inline bool HaveTool(const std::string& name) {
    return RunCommand("command -v " + name + " >/dev/null 2>&1").first == 0;
}

struct TRgb {
    int r = 0, g = 0, b = 0;
};

inline std::ostream& operator<<(std::ostream& os, const TRgb& c) {
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

inline bool Near(const TRgb& a, const TRgb& b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

// A picture read through the image library, addressed from the top left corner.
class TPicture {
  public:
    explicit TPicture(const std::string& path) { OpenDib(dib_.get(), path.c_str(), -1, nullptr); }
    bool Empty() const { return dib_.empty(); }
    int Width() const { return dib_.empty() ? 0 : dib_->Info->biWidth; }
    int Height() const { return dib_.empty() ? 0 : std::abs(dib_->Info->biHeight); }
    TRgb At(int x, int y) const {
        const uint32_t px = getpixel(dib_.get(), x, Height() - 1 - y);
        return {static_cast<int>((px >> 16) & 255), static_cast<int>((px >> 8) & 255),
                static_cast<int>(px & 255)};
    }

  private:
    mutable ScopedDib dib_;
};

// A fresh folder per test, also TMPDIR for the export's temporary files.
class ScratchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = folder_.Path();
        fs::create_directories(dir_ / "tmp");
        setenv("TMPDIR", (dir_ / "tmp").c_str(), 1);
    }
    void TearDown() override { unsetenv("TMPDIR"); }

    // A w x h JPEG of one colour (0x00RRGGBB), written through the image library.
    std::string SolidJpeg(const std::string& name, int w, int h, uint32_t rgb) {
        TDib dib{};
        EXPECT_EQ(newdib(&dib, w, h, 24, nullptr, 0), 1);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                setpixel(&dib, x, y, rgb);
        const std::string path = (dir_ / name).string();
        SetJPEGQual(90);
        EXPECT_EQ(SaveDib(&dib, path.c_str(), 7, 0), 1);
        deldib(&dib);
        return path;
    }

    TemporaryFolder folder_{"lumeno_slideshow_test", true};
    fs::path dir_;
};

} // namespace slideshow_test

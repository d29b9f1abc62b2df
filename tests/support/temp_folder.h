#pragma once
// A fresh folder of its own under TMPDIR (or /tmp) for the length of a scope, removed with
// everything in it at the end, also files a test made read-only or folders it locked.
// Test programs running side by side never share one.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include <stdlib.h> // mkdtemp

class TemporaryFolder {
  public:
    // prefix names the folder (prefix.XXXXXX). With keepOnFailure the folder stays when the
    // current test failed, for a look at what it wrote; its path is printed then.
    explicit TemporaryFolder(const std::string& prefix = "lumeno_test", bool keepOnFailure = false)
        : keepOnFailure_(keepOnFailure) {
        std::error_code ec;
        std::string pattern = (std::filesystem::temp_directory_path(ec) / (prefix + ".XXXXXX"));
        if (ec) pattern = "/tmp/" + prefix + ".XXXXXX";
        if (::mkdtemp(pattern.data()))
            path_ = pattern;
        else
            ADD_FAILURE() << "no temporary folder " << pattern;
    }
    ~TemporaryFolder() {
        if (path_.empty()) return;
        if (keepOnFailure_ && ::testing::Test::HasFailure()) {
            std::printf("kept %s\n", path_.c_str());
            return;
        }
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
            if (it->is_directory(ec))
                std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // The path of `name` inside the folder (nothing is created).
    std::string File(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
    bool keepOnFailure_ = false;
};

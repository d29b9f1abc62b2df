#pragma once
// Checks that need an outside program (qpdf, poppler's tools, Chromium, xmllint, ...) or a
// part of a library that a machine may lack. On a developer's machine a missing one skips the
// check; where the environment variable CI is "true" it fails it, because CI installs
// everything and a check that quietly stopped running would hide faults.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

#include <unistd.h>

namespace required_tool {

inline bool RunningInCi() {
    const char* ci = std::getenv("CI");
    return ci && std::strcmp(ci, "true") == 0;
}

// True when an executable file `name` is found in one of PATH's folders.
inline bool OnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        if (::access((folder + "/" + name).c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

// The names of `tools` not found on PATH, separated by ", "; empty when all are there.
inline std::string Missing(std::initializer_list<const char*> tools) {
    std::string missing;
    for (const char* tool : tools)
        if (!OnPath(tool)) missing += (missing.empty() ? "" : ", ") + std::string(tool);
    return missing;
}

// For a part of a check that runs only where the tool is: true when it is on PATH; false
// when not, and under CI the test fails too.
inline bool Present(const char* tool) {
    if (OnPath(tool)) return true;
    if (RunningInCi()) ADD_FAILURE() << tool << " is missing (CI=true)";
    return false;
}

} // namespace required_tool

// Ends the test when something it needs is missing: skipped locally, failed under CI=true.
// Use in the test body or SetUp only (it returns from the function).
#define SKIP_OR_FAIL_IN_CI(reason)                                                                 \
    do {                                                                                           \
        if (required_tool::RunningInCi()) FAIL() << (reason) << " (CI=true)";                      \
        GTEST_SKIP() << (reason);                                                                  \
    } while (false)

// REQUIRE_TOOLS("qpdf", "pdftotext"): the test needs these programs on PATH.
#define REQUIRE_TOOLS(...)                                                                         \
    do {                                                                                           \
        const std::string missingTools_ = required_tool::Missing({__VA_ARGS__});                   \
        if (!missingTools_.empty()) SKIP_OR_FAIL_IN_CI(missingTools_ + " missing");                \
    } while (false)

#pragma once
// A full disk for the length of a scope: files of this process cannot grow beyond `bytes`,
// and a write past that fails with EFBIG instead of ending the process with SIGXFSZ.
#include <csignal>

#include <sys/resource.h>

class ScopedFileSizeLimit {
  public:
    explicit ScopedFileSizeLimit(rlim_t bytes) {
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        if (getrlimit(RLIMIT_FSIZE, &old_) != 0) return;
        rlimit limited = old_;
        limited.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~ScopedFileSizeLimit() {
        if (active_) setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;
    // False when the limit could not be set; the test should fail then.
    bool Active() const { return active_; }

  private:
    rlimit old_{};
    void (*oldHandler_)(int) = SIG_DFL;
    bool active_ = false;
};

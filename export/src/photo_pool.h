#pragma once
// The export's pool of worker threads that prepare the photos ahead of the writer.
#include "lumeno/export/export_driver.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace lumeno {

// Prepares photos on worker threads with `prepare`; at most 2 x `jobs` photos are taken but
// not yet collected. The second `jobs` photos let a worker that finished early go on with
// the next photo while the writer still waits for a slower one; they hold only finished
// results (a JPEG's bytes, a video's still frame), so memory does not grow with the show.
template <class TResult> class TPhotoPool {
  public:
    using TPrepare = std::function<TResult(const TExportPhoto&, std::atomic<int>& percent)>;
    TPhotoPool(const std::vector<TExportPhoto>& photos, int jobs, TPrepare prepare)
        : photos_(photos), ahead_(2 * jobs), prepare_(std::move(prepare)),
          slots_(static_cast<size_t>(ahead_)), percent_(static_cast<size_t>(ahead_)) {
        for (int i = 0; i < jobs && i < static_cast<int>(photos.size()); ++i) {
            try {
                threads_.emplace_back([this] { Work(); });
            } catch (const std::system_error&) {
                break; // fewer threads; with none, Take prepares on the calling thread
            }
        }
    }
    ~TPhotoPool() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        workCv_.notify_all();
        for (auto& t : threads_)
            t.join();
    }

    // Photo k (1-based), waiting on the calling thread; `tick` runs at least every 50 ms
    // with the loading percentage of photo k (or -1) and returns false to give up.
    std::optional<TResult> Take(int k, const std::function<bool(int)>& tick) {
        const size_t slot = static_cast<size_t>(k - 1) % slots_.size();
        if (threads_.empty()) {
            std::atomic<int> percent{-1};
            return prepare_(photos_[static_cast<size_t>(k - 1)], percent);
        }
        std::unique_lock lock(mutex_);
        while (!slots_[slot]) {
            doneCv_.wait_for(lock, std::chrono::milliseconds(40));
            if (slots_[slot]) break;
            lock.unlock();
            const bool goOn = tick(percent_[slot].load());
            lock.lock();
            if (!goOn) return std::nullopt;
        }
        std::optional<TResult> out = std::move(slots_[slot]);
        slots_[slot].reset();
        collected_ = k;
        lock.unlock();
        workCv_.notify_all();
        return out;
    }

  private:
    void Work() {
        for (;;) {
            int index;
            {
                std::unique_lock lock(mutex_);
                workCv_.wait(lock, [this] {
                    return stop_ || next_ >= static_cast<int>(photos_.size()) ||
                           next_ < collected_ + ahead_;
                });
                if (stop_ || next_ >= static_cast<int>(photos_.size())) return;
                index = next_++;
            }
            const size_t slot = static_cast<size_t>(index) % slots_.size();
            percent_[slot].store(-1);
            TResult prepared = prepare_(photos_[static_cast<size_t>(index)], percent_[slot]);
            {
                std::lock_guard lock(mutex_);
                slots_[slot] = std::move(prepared);
            }
            doneCv_.notify_all();
        }
    }

    const std::vector<TExportPhoto>& photos_;
    const int ahead_; // photos that may be taken before the writer collects them
    const TPrepare prepare_;
    std::mutex mutex_;
    std::condition_variable workCv_, doneCv_;
    std::vector<std::optional<TResult>> slots_;
    std::vector<std::atomic<int>> percent_;
    std::vector<std::thread> threads_;
    int next_ = 0;      // 0-based index of the next photo a worker takes
    int collected_ = 0; // photos the writer has taken
    bool stop_ = false;
};

} // namespace lumeno

// Thumbnails of the photo strip, made on worker threads so that the window never waits on a
// decode.
//
// The window thread asks for the thumbnails of the cells it shows (Request), most urgent
// first; a pool of worker threads (one per core) decodes them and hands each result back on
// the window thread, where the strip puts it into its photo. Jobs are known by the photo's
// identity, not its position, so a result still finds its photo after the show was
// reordered, and is dropped when the photo has left the show. Loading progress is passed to
// the window thread as well: only the window thread draws.
#pragma once

#include "pictavo.h"
#include "thumbnail_cache.h"

#include <QObject>

#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

namespace lumeno::ui {

// Makes the strip thumbnail of one photo file: at most 80 x 80, its size from the photo's
// full size (strip::ThumbSize), nearest-neighbour reduced. With the cache on it is made from
// the desktop's 128-pixel thumbnail, which is read from the cache, or made (averaged from a
// reduced load) and stored there first; with the cache off straight from the reduced load.
// Returns true and the thumbnail in `out` (the caller frees it); false with `out` empty when
// the file cannot be loaded. Progress of the load goes to `progress` (may be null). Any
// thread.
bool MakeStripThumbnail(const std::string& path, const TThumbnailCache& cache,
                        TDibLoadOwner* progress, TDib* out);

// Lets one step through at most once per interval, whichever thread asks first; the others
// in that interval are held back. The clock is the steady clock unless a test passes its own.
class TProgressThrottle {
  public:
    using TClock = std::function<std::chrono::nanoseconds()>;
    explicit TProgressThrottle(std::chrono::nanoseconds interval, TClock clock = {});
    // True for the first call and then once the interval has passed since the last true.
    bool Due();
    // For tests, before any thread asks.
    void SetClock(TClock clock);

  private:
    std::chrono::nanoseconds Interval;
    TClock Clock;
    std::atomic<int64_t> Next{INT64_MIN}; // clock time, nanoseconds
};

struct TThumbJob {
    uint64_t id = 0;  // the photo's identity
    std::string path; // its file
};

class TThumbnailLoader : public QObject {
    Q_OBJECT
  public:
    // Called on the window thread for every finished job: the photo's identity and its
    // thumbnail, empty when the file could not be loaded (the callee may take it over).
    using TDone = std::function<void(uint64_t id, ScopedDib& thumb)>;
    // Called on the window thread with the loading percentage (0..100) of the oldest load in
    // work when that has changed, at most every 20 ms while loads run, and with each delivery.
    using TProgress = std::function<void(int percent)>;

    // `threads` workers (0: one per core), started with the first request.
    TThumbnailLoader(TDone done, TProgress progress, int threads = 0, QObject* parent = nullptr);
    // Drops what is queued and undelivered; waits only for the decodes already running.
    ~TThumbnailLoader() override;
    TThumbnailLoader(const TThumbnailLoader&) = delete;
    TThumbnailLoader& operator=(const TThumbnailLoader&) = delete;

    // The cache later jobs use (off by default).
    void SetCache(const TThumbnailCache& cache);
    TThumbnailCache Cache() const;

    // The thumbnails wanted now, most urgent first. Replaces the queue: a queued job that is
    // no longer asked for is dropped without being decoded. Photos whose load is running or
    // whose result is on its way are not queued again.
    void Request(std::vector<TThumbJob> jobs);
    // True while anything is queued, running or not yet delivered.
    bool Busy() const;
    // While paused the workers start no new job (for tests).
    void SetPaused(bool paused);
    int Threads() const { return ThreadCount; }
    // Thumbnails made (decoded or read from the cache) since construction.
    int Loads() const { return LoadCount.load(); }
    // The clock of the progress throttle (steady clock by default); for tests, before the
    // first request.
    void SetClock(TProgressThrottle::TClock clock) { Throttle.SetClock(std::move(clock)); }

  private:
    struct TResult {
        uint64_t id;
        ScopedDib thumb;
    };
    struct TSlot {
        uint64_t id = 0;    // job in work, 0 when idle
        uint64_t start = 0; // order in which the jobs started
        std::atomic<int> percent{0};
    };
    class TSlotProgress;

    void StartWorkers();
    void Work(size_t slot);
    // Posts one Deliver() to the window thread unless one is on its way; under Mutex.
    void PostDeliver();
    void Deliver();

    TDone Done;
    TProgress Progress;
    int ThreadCount;
    std::atomic<int> LoadCount{0};
    // A loading step may ask for a delivery only when this lets it through: the bar follows
    // the loads at up to 50 steps a second, more than the eye tells apart.
    TProgressThrottle Throttle{std::chrono::milliseconds(20)};

    mutable std::mutex Mutex;
    std::condition_variable Wake;
    bool Stop = false;
    bool Paused = false;
    bool DeliverPosted = false;
    uint64_t Started = 0;
    TThumbnailCache Cache_;
    std::deque<TThumbJob> Queue;
    std::unordered_set<uint64_t> InWork; // running, or finished and not yet delivered
    std::vector<TResult> Results;
    std::unique_ptr<TSlot[]> Slots;
    std::vector<std::thread> Workers;
    int ShownPercent = -1;
};

} // namespace lumeno::ui

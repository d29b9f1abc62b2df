// The strip's thumbnail workers and the making of one thumbnail.
#include "thumbnail_loader.h"

#include "lumeno/bitmap/dib_ops.h"
#include "photo_strip.h"

#include <QThread>

#include <algorithm>
#include <chrono>

namespace lumeno::ui {

namespace {

// The old way, without the shared cache: a reduced load just large enough for the strip.
bool MakeDirect(const std::string& path, TDibLoadOwner* progress, TDib* out) {
    // Formats without reduced decoding load the whole picture; the thumbnail's size comes
    // from the full picture's size.
    int fullW = 0, fullH = 0;
    TDib loaded{};
    const int ok = OpenDibReduced(&loaded, path.c_str(), strip::kThumbBox, strip::kThumbBox, &fullW,
                                  &fullH, progress);
    ScopedDib full(loaded);
    if (ok != 1 || full.empty()) return false;
    if (fullW <= 0 || fullH <= 0) {
        fullW = DibWidth(*full.get());
        fullH = DibHeight(*full.get());
    }
    const QSize ts = strip::ThumbSize(fullW, fullH);
    TDib thumb = Resize(*full.get(), ts.width(), ts.height());
    if (!thumb.Bits) {
        deldib(&thumb);
        return false;
    }
    *out = thumb;
    return true; // the full-size picture is released here
}

} // namespace

bool MakeStripThumbnail(const std::string& path, const TThumbnailCache& cache,
                        TDibLoadOwner* progress, TDib* out) {
    *out = TDib{};
    if (!cache.Enabled()) return MakeDirect(path, progress, out);
    // The stamp is taken before the file is read: should it change meanwhile, the stored
    // thumbnail carries the old time and is made again next time.
    const TFileStamp stamp = StampOfFile(path);
    ScopedDib desktop; // the 128-pixel thumbnail
    int fullW = 0, fullH = 0;
    TDib found{};
    switch (cache.Find(path, stamp, &found, &fullW, &fullH)) {
    case TThumbnailCache::TFound::Failed:
        return false;
    case TThumbnailCache::TFound::Thumb:
        desktop.reset(found);
        if (progress) progress->DibLoadProgress(100);
        break;
    case TThumbnailCache::TFound::None: {
        TDib loaded{};
        const int ok = OpenDibReduced(&loaded, path.c_str(), kNormalThumbSize, kNormalThumbSize,
                                      &fullW, &fullH, progress);
        ScopedDib full(loaded);
        if (ok != 1 || full.empty()) {
            cache.StoreFailure(path, stamp); // only notes readable files
            return false;
        }
        if (fullW <= 0 || fullH <= 0) {
            fullW = DibWidth(*full.get());
            fullH = DibHeight(*full.get());
        }
        ConvertTo24Bit(*full.get());
        const TBoxSize box = FitInBox(fullW, fullH, kNormalThumbSize);
        desktop.reset(ReduceAveraged(*full.get(), box.w, box.h));
        if (desktop.empty()) return false;
        cache.Store(path, stamp, *desktop.get(), fullW, fullH);
        break;
    }
    }
    if (fullW <= 0 || fullH <= 0) {
        fullW = DibWidth(*desktop.get());
        fullH = DibHeight(*desktop.get());
    }
    const QSize ts = strip::ThumbSize(fullW, fullH);
    TDib thumb = Resize(*desktop.get(), ts.width(), ts.height());
    if (!thumb.Bits) {
        deldib(&thumb);
        return false;
    }
    *out = thumb;
    return true;
}

TProgressThrottle::TProgressThrottle(std::chrono::nanoseconds interval, TClock clock)
    : Interval(interval) {
    SetClock(std::move(clock));
}

void TProgressThrottle::SetClock(TClock clock) {
    if (clock)
        Clock = std::move(clock);
    else
        Clock = [] {
            return std::chrono::duration_cast<std::chrono::nanoseconds>(
                std::chrono::steady_clock::now().time_since_epoch());
        };
    Next.store(INT64_MIN);
}

bool TProgressThrottle::Due() {
    const int64_t now = Clock().count();
    int64_t due = Next.load();
    return now >= due && Next.compare_exchange_strong(due, now + Interval.count());
}

// Receives the library's progress for the job of one worker.
class TThumbnailLoader::TSlotProgress : public TDibLoadOwner {
  public:
    TSlotProgress(TThumbnailLoader* loader, TSlot* slot) : Loader(loader), Slot(slot) {}
    void DibLoadProgress(int percent) override {
        if (Slot->percent.exchange(percent) == percent) return;
        // A step between two drawings of the bar only updates the slot; the next delivery (a
        // later step or the finished thumbnail) shows it. Waking the window thread for every
        // percent of every worker would cost it a good part of a core.
        if (!Loader->Throttle.Due()) return;
        std::lock_guard<std::mutex> lock(Loader->Mutex);
        Loader->PostDeliver();
    }

  private:
    TThumbnailLoader* Loader;
    TSlot* Slot;
};

TThumbnailLoader::TThumbnailLoader(TDone done, TProgress progress, int threads, QObject* parent)
    : QObject(parent), Done(std::move(done)), Progress(std::move(progress)),
      ThreadCount(threads > 0 ? threads : std::max(1, QThread::idealThreadCount())) {}

TThumbnailLoader::~TThumbnailLoader() {
    {
        std::lock_guard<std::mutex> lock(Mutex);
        Stop = true;
        Queue.clear();
    }
    Wake.notify_all();
    for (std::thread& t : Workers)
        t.join();
    // Undelivered thumbnails are freed with Results.
}

void TThumbnailLoader::SetCache(const TThumbnailCache& cache) {
    std::lock_guard<std::mutex> lock(Mutex);
    Cache_ = cache;
}

TThumbnailCache TThumbnailLoader::Cache() const {
    std::lock_guard<std::mutex> lock(Mutex);
    return Cache_;
}

void TThumbnailLoader::StartWorkers() {
    Slots = std::make_unique<TSlot[]>(size_t(ThreadCount));
    Workers.reserve(size_t(ThreadCount));
    for (int i = 0; i < ThreadCount; ++i)
        Workers.emplace_back([this, i] { Work(size_t(i)); });
}

void TThumbnailLoader::Request(std::vector<TThumbJob> jobs) {
    {
        std::lock_guard<std::mutex> lock(Mutex);
        Queue.clear();
        std::unordered_set<uint64_t> queued;
        for (TThumbJob& job : jobs) {
            if (InWork.count(job.id) || !queued.insert(job.id).second) continue;
            Queue.push_back(std::move(job));
        }
        if (Queue.empty()) return;
    }
    if (Workers.empty()) StartWorkers();
    Wake.notify_all();
}

bool TThumbnailLoader::Busy() const {
    std::lock_guard<std::mutex> lock(Mutex);
    return !Queue.empty() || !InWork.empty();
}

void TThumbnailLoader::SetPaused(bool paused) {
    {
        std::lock_guard<std::mutex> lock(Mutex);
        Paused = paused;
    }
    Wake.notify_all();
}

void TThumbnailLoader::Work(size_t index) {
    TSlot& slot = Slots[index];
    TSlotProgress progress(this, &slot);
    std::unique_lock<std::mutex> lock(Mutex);
    for (;;) {
        Wake.wait(lock, [this] { return Stop || (!Paused && !Queue.empty()); });
        if (Stop) return;
        TThumbJob job = std::move(Queue.front());
        Queue.pop_front();
        InWork.insert(job.id);
        const TThumbnailCache cache = Cache_;
        slot.id = job.id;
        slot.start = ++Started;
        slot.percent.store(0);
        lock.unlock();

        TDib thumb{};
        MakeStripThumbnail(job.path, cache, &progress, &thumb);
        ++LoadCount;

        lock.lock();
        slot.id = 0;
        Results.push_back(TResult{job.id, ScopedDib(thumb)});
        PostDeliver();
    }
}

void TThumbnailLoader::PostDeliver() {
    if (DeliverPosted || Stop) return;
    DeliverPosted = true;
    // Runs on the thread this object lives in (the window thread); dropped with the object.
    QMetaObject::invokeMethod(
        this, [this] { Deliver(); }, Qt::QueuedConnection);
}

void TThumbnailLoader::Deliver() {
    std::vector<TResult> results;
    int percent = -1;
    {
        std::lock_guard<std::mutex> lock(Mutex);
        DeliverPosted = false;
        results.swap(Results);
        for (const TResult& r : results)
            InWork.erase(r.id);
        // The bar follows the oldest load still in work.
        uint64_t oldest = 0;
        for (int i = 0; Slots && i < ThreadCount; ++i) {
            const TSlot& s = Slots[size_t(i)];
            if (s.id != 0 && (oldest == 0 || s.start < oldest)) {
                oldest = s.start;
                percent = s.percent.load();
            }
        }
    }
    // When the last load in work has ended, the bar stands at 100 (its last report).
    auto show = [this](int p) {
        ShownPercent = p;
        if (Progress) Progress(p);
    };
    if (percent < 0 && !results.empty())
        show(100);
    else if (percent >= 0 && percent != ShownPercent)
        show(percent);
    for (TResult& r : results)
        if (Done) Done(r.id, r.thumb);
}

} // namespace lumeno::ui

#include "export_job.h"

#include <chrono>

namespace lumeno::ui {

namespace {
int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

// Runs on the export's thread: keeps the numbers in atomics and asks the window thread to
// show them.
class TExportJob::TThreadProgress final : public TExportProgress {
  public:
    explicit TThreadProgress(TExportJob& job) : Job(job) {}
    void PhotoLoadProgress(int percent) override {
        Job.Percent.store(percent);
        Job.PostProgress(false);
    }
    void PhotoDone(int k, int) override {
        Job.Done.store(k);
        Job.Percent.store(-1);
        Job.PostProgress(true);
    }
    void Writing() override {
        Job.Writing.store(true);
        Job.PostProgress(true);
    }
    void Pump() override { Job.PostProgress(false); }
    bool CancelRequested() override { return Job.Cancelled.load(); }

  private:
    TExportJob& Job;
};

TExportJob::TExportJob(std::vector<TExportPhoto> photos, TShowSettings settings, std::string path,
                       TExportOptions options, QObject* parent)
    : QObject(parent), Photos(std::move(photos)), Settings(settings), Path(std::move(path)),
      Options(std::move(options)) {
    Settings.ShowPDF = false;
    Options.Open = nullptr;
}

TExportJob::~TExportJob() {
    Cancel();
    if (Thread.joinable()) Thread.join();
}

void TExportJob::Start(TOnProgress onProgress, TOnFinished onFinished) {
    OnProgress = std::move(onProgress);
    OnFinished = std::move(onFinished);
    Thread = std::thread([this] { Run(); });
}

void TExportJob::Run() {
    TThreadProgress progress(*this);
    TExportOptions options = Options;
    options.Progress = &progress;
    auto result = std::make_shared<TExportResult>(ExportSlideShow(Photos, Settings, Path, options));
    // Dropped unseen when the job is destroyed first (it cancelled and waits for this thread).
    QMetaObject::invokeMethod(
        this,
        [this, result] {
            if (Thread.joinable()) Thread.join();
            if (OnFinished) OnFinished(*result);
        },
        Qt::QueuedConnection);
}

void TExportJob::PostProgress(bool force) {
    const int64_t now = NowMs();
    if (!force && now < NextProgress.load()) return;
    NextProgress.store(now + 50);
    if (ProgressPosted.exchange(true)) return;
    QMetaObject::invokeMethod(
        this, [this] { DeliverProgress(); }, Qt::QueuedConnection);
}

void TExportJob::DeliverProgress() {
    ProgressPosted.store(false);
    TProgress p;
    p.done = Done.load();
    p.total = static_cast<int>(Photos.size());
    p.percent = Percent.load();
    p.writing = Writing.load();
    if (OnProgress) OnProgress(p);
}

} // namespace lumeno::ui

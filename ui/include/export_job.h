// TExportJob: one export of the show on a thread of its own, so that the window keeps
// answering while photos are prepared and the file is written.
//
// The job works on a copy of the photos and settings taken when it is made: the show may be
// edited meanwhile without touching the file being written. Progress and the result reach
// the window thread through queued calls; the job must be made and destroyed there.
#pragma once

#include "lumeno/export/export_driver.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace lumeno::ui {

class TExportJob : public QObject {
    Q_OBJECT
  public:
    // Where the export stands: `done` of `total` photos written, `percent` loading of the next
    // one (-1: none yet), `writing` once every photo is handed to the writer.
    struct TProgress {
        int done = 0;
        int total = 0;
        int percent = -1;
        bool writing = false;
    };
    using TOnProgress = std::function<void(const TProgress&)>;
    using TOnFinished = std::function<void(const TExportResult&)>;

    // options.Progress is the job's own; options.Open is not used (the window opens the
    // result itself, so that it can say when that fails): settings.ShowPDF is cleared.
    TExportJob(std::vector<TExportPhoto> photos, TShowSettings settings, std::string path,
               TExportOptions options, QObject* parent = nullptr);
    // Cancels a running export and waits for its thread; no callback runs afterwards.
    ~TExportJob() override;
    TExportJob(const TExportJob&) = delete;
    TExportJob& operator=(const TExportJob&) = delete;

    // Starts the thread. onProgress runs on the window thread at most every 50 ms and at each
    // photo; onFinished runs there once at the end (also after a cancel).
    void Start(TOnProgress onProgress, TOnFinished onFinished);
    // Asks the export to stop; it ends within the driver's next check (~50 ms) and removes
    // what it wrote. Any thread.
    void Cancel() { Cancelled.store(true); }
    bool CancelRequested() const { return Cancelled.load(); }

  private:
    class TThreadProgress;
    void Run();
    void PostProgress(bool force);
    void DeliverProgress();

    std::vector<TExportPhoto> Photos;
    TShowSettings Settings;
    std::string Path;
    TExportOptions Options;
    TOnProgress OnProgress;
    TOnFinished OnFinished;
    std::atomic<bool> Cancelled{false};
    std::atomic<int> Done{0}, Percent{-1};
    std::atomic<bool> Writing{false};
    std::atomic<bool> ProgressPosted{false};
    std::atomic<int64_t> NextProgress{0}; // steady clock, milliseconds
    std::thread Thread;
};

} // namespace lumeno::ui

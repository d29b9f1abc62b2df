// The show as a video: still frames prepared on worker threads, frames encoded in show order.
#include "video_export.h"

#include "export_finish.h"
#include "lumeno/core/file.h"
#include "lumeno/export/caption_text.h"
#include "lumeno/export/show_timeline.h"
#include "photo_pool.h"
#include "video_encoder.h"
#include "video_frames.h"
#include "video_mix.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>
#include <thread>

namespace lumeno {

namespace {

// The stills the frames are made of: the background, and the photos the encoder has taken
// from the pool, of which only the last two are kept.
class TStillWindow {
  public:
    TStillWindow(TPhotoPool<TPreparedStill>& pool, TStillFrame background)
        : pool_(pool), background_(std::move(background)) {}

    // Photo k's still (0: the background), taking photos up to k from the pool; null when the
    // pool gave up (a cancel). `onTaken` runs for every photo taken.
    template <class FTick, class FTaken>
    const TStillFrame* Get(int k, const FTick& tick, const FTaken& onTaken) {
        if (k == 0) return &background_;
        while (taken_ < k) {
            std::optional<TPreparedStill> still = pool_.Take(taken_ + 1, tick);
            if (!still) return nullptr;
            ++taken_;
            onTaken(taken_, *still);
            older_ = std::move(newer_);
            newer_ = std::move(still->Frame);
        }
        if (k == taken_) return &newer_;
        return k == taken_ - 1 ? &older_ : &background_;
    }
    int Taken() const { return taken_; }

  private:
    TPhotoPool<TPreparedStill>& pool_;
    TStillFrame background_;
    TStillFrame older_, newer_;
    int taken_ = 0;
};

// What the report says of photo k as the encoder takes it.
void CountStill(TExportResult& result, const TPreparedStill& still, int k,
                const std::string& fileName) {
    if (still.Unreadable) {
        if (still.Problem == TPhotoProblem::kNotEncoded)
            ++result.fallbackPictures;
        else
            ++result.blackPictures;
        result.unreadable.push_back({k, fileName, still.Problem});
    }
    if (still.BrokenProfile) result.brokenProfiles.push_back({k, fileName});
    if (!still.MissingCharacters.empty()) {
        std::u32string all;
        std::set_union(result.missingCharacters.begin(), result.missingCharacters.end(),
                       still.MissingCharacters.begin(), still.MissingCharacters.end(),
                       std::back_inserter(all));
        result.missingCharacters = std::move(all);
    }
    ++result.photos;
}

int JobsOf(const TExportOptions& options) {
    const int jobs = options.Jobs > 0
                         ? options.Jobs
                         : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return std::clamp(jobs, 1, 64);
}

// Everything one export holds while it encodes.
struct TVideoRun {
    const std::vector<TExportPhoto>& photos;
    const TShowSettings& settings;
    const TExportOptions& options;
    TExportProgress& progress;
    TExportResult& result;
    bool cancelled = false;
};

// Encodes every frame; kOk or the code that stopped it (kCancelled for a cancel).
TExportCode EncodeFrames(TVideoRun& run, TVideoWriter& writer, TPhotoPool<TPreparedStill>& pool) {
    const TVideoFormat& format = run.options.VideoFormat;
    const int n = static_cast<int>(run.photos.size());
    const ShowTimeline timeline(run.settings, n);
    TStillWindow stills(pool, BackgroundFrame(format.Width, format.Height, run.settings.BackColor));
    int lastPercent = -1;
    auto tick = [&](int percent) {
        if (percent >= 0 && percent != lastPercent) {
            lastPercent = percent;
            run.progress.PhotoLoadProgress(percent);
        }
        run.progress.Pump();
        if (run.progress.CancelRequested()) run.cancelled = true;
        return !run.cancelled;
    };
    auto onTaken = [&](int k, const TPreparedStill& still) {
        if (lastPercent != 100) run.progress.PhotoLoadProgress(100);
        lastPercent = -1;
        CountStill(run.result, still, k, run.photos[static_cast<size_t>(k - 1)].FileName);
        if (k > 1) run.progress.PhotoDone(k - 1, n);
        if (k == n) run.progress.Writing();
    };
    if (n == 0) run.progress.Writing();
    const int64_t frames = VideoFrameCount(timeline, format.Fps);
    for (int64_t i = 0; i < frames; ++i) {
        run.progress.Pump();
        if (run.progress.CancelRequested()) run.cancelled = true;
        if (run.cancelled) return TExportCode::kCancelled;
        const TFrameMix mix = MixAt(timeline, static_cast<double>(i) / format.Fps);
        const TStillFrame* over = stills.Get(mix.Over, tick, onTaken);
        const TStillFrame* under = over ? stills.Get(mix.Under, tick, onTaken) : nullptr;
        AVFrame* frame = writer.NextFrame();
        if (!over || !under) return TExportCode::kCancelled;
        if (!frame || over->Y.empty() || under->Y.empty()) return TExportCode::kVideoEncoder;
        BlendInto(*over, *under, mix.Alpha, frame);
        if (const TExportCode code = writer.Send(); code != TExportCode::kOk) return code;
    }
    // Photos the rounding left without a frame of their own still count.
    if (n > stills.Taken() && !stills.Get(n, tick, onTaken)) return TExportCode::kCancelled;
    return writer.Finish();
}

} // namespace

TExportResult ExportVideoShow(const std::vector<TExportPhoto>& photos,
                              const TShowSettings& settings, const std::string& path,
                              const TExportOptions& options) {
    TExportResult result;
    result.path = path;
    TExportProgress fallbackProgress;
    TExportProgress& progress = options.Progress ? *options.Progress : fallbackProgress;
    const TVideoFormat& format = options.VideoFormat;
    if (!IsValidVideoSize(format.Width, format.Height) || !IsValidVideoFps(format.Fps)) {
        result.code = TExportCode::kVideoEncoder;
        return result;
    }
    const ShowTimeline timeline(settings, static_cast<int>(photos.size()));
    TMusicTrack music;
    const bool withMusic = !format.MusicFile.empty();
    const int64_t samples = VideoFrameCount(timeline, format.Fps) * kVideoAudioRate / format.Fps;
    if (withMusic && !music.Open(format.MusicFile, samples)) {
        result.code = TExportCode::kMusicUnreadable;
        return result;
    }
    // The bytes go to a new file beside `path` that takes its place only when complete
    // (TAtomicFile): a failed or cancelled export leaves the old file as it was.
    TAtomicFile output;
    if (const int error = output.Begin(path)) {
        result.code = TExportCode::kCannotCreate;
        result.detail = error;
        return result;
    }
    TExportCode code;
    {
        TVideoWriter writer;
        code =
            writer.Open(output.WriteName(), format, JobsOf(options), withMusic ? &music : nullptr);
        std::optional<TPhotoPool<TPreparedStill>> pool;
        // One font choice for the whole show, as on the photo pages.
        std::vector<std::string> captions;
        for (const TExportPhoto& photo : photos)
            captions.push_back(photo.Text);
        const bool unicode = NeedsUnicodeFont(captions);
        if (code == TExportCode::kOk) {
            pool.emplace(photos, JobsOf(options),
                         [&](const TExportPhoto& photo, std::atomic<int>& percent) {
                             return PrepareStill(photo.FileName, photo.Text, settings, format.Width,
                                                 format.Height, unicode, percent);
                         });
            TVideoRun run{photos, settings, options, progress, result};
            code = EncodeFrames(run, writer, *pool);
        }
        result.detail = code == TExportCode::kOk ? 0 : writer.Detail();
        // Gone before the photos still being prepared are waited for: a cancel leaves nothing.
        if (code != TExportCode::kOk) {
            writer.Close();
            output.Discard();
        }
    }
    if (code != TExportCode::kOk) {
        result.code = code;
        return result;
    }
    if (!photos.empty())
        progress.PhotoDone(static_cast<int>(photos.size()), static_cast<int>(photos.size()));
    CommitAndOpen(output, settings, path, options, result);
    return result;
}

} // namespace lumeno

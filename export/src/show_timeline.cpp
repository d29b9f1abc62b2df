// The show's time line.
#include "lumeno/export/show_timeline.h"

#include <algorithm>

namespace lumeno {

ShowTimeline::ShowTimeline(const TShowSettings& settings, int photoCount)
    : fadeMs_(std::max(0, settings.FadeTime)), pauseMs_(std::max(0, settings.PauseTime)),
      fadeInOut_(settings.FadeInOut), photoCount_(std::max(0, photoCount)) {}

ShowTimeline::TPhotoTimes ShowTimeline::Photo(int k) const {
    TPhotoTimes t;
    t.FadeInStart = (k - 1) * Step();
    t.FullStart = t.FadeInStart + Fade();
    t.FadeOutStart = t.FullStart + Pause();
    t.FadeOutEnd = t.FadeOutStart + Fade();
    return t;
}

double ShowTimeline::Length() const {
    if (photoCount_ == 0) return 0;
    return photoCount_ * Step() + (fadeInOut_ ? 0 : Fade());
}

std::vector<ShowTimeline::TPresentationTimes> ShowTimeline::PresentationTimes() const {
    std::vector<TPresentationTimes> times(static_cast<size_t>(photoCount_));
    const double fade = fadeMs_, pause = pauseMs_;
    double offset = 0;
    for (size_t i = 0; i < times.size(); ++i) {
        const double j = static_cast<double>(i);
        times[i].FadeInBegin = (fade * 2 * j) / 1000 - offset + (pause * j) / 1000;
        times[i].FadeOutBegin = (fade * (2 * j + 1)) / 1000 - offset + (pause * (j + 1)) / 1000;
        if (!fadeInOut_) offset += fade / 1000;
    }
    return times;
}

} // namespace lumeno

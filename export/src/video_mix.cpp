// What a video frame shows.
#include "video_mix.h"

#include <algorithm>
#include <cmath>

namespace lumeno {

namespace {

// How far a fade of `fade` seconds has come after `elapsed` seconds, 0..1.
double FadeShare(double elapsed, double fade) {
    if (fade <= 0) return 1;
    return std::clamp(elapsed / fade, 0.0, 1.0);
}

} // namespace

TFrameMix MixAt(const ShowTimeline& timeline, double seconds) {
    const int n = timeline.PhotoCount();
    if (n == 0) return {0, 0, 1};
    const double step = timeline.Step();
    const int k = step > 0 ? std::clamp(static_cast<int>(std::floor(seconds / step)) + 1, 1, n) : n;
    const ShowTimeline::TPhotoTimes t = timeline.Photo(k);
    if (seconds < t.FullStart) {
        const int under = timeline.FadeInOut() ? 0 : k - 1;
        return {k, under, FadeShare(seconds - t.FadeInStart, timeline.Fade())};
    }
    if (seconds < t.FadeOutStart) return {k, 0, 1};
    // Only with fade in and out, or after the last photo, does a photo fade out.
    return {k, 0, 1 - FadeShare(seconds - t.FadeOutStart, timeline.Fade())};
}

int64_t VideoFrameCount(const ShowTimeline& timeline, int fps) {
    return std::max<int64_t>(1, std::llround(timeline.Length() * fps));
}

} // namespace lumeno

#pragma once
// The show's one time line, read by every output (the SVG presentation, the photo pages, the
// HTML show): when each photo fades in, is fully visible, fades out, and how long the show
// lasts, in seconds from its start.
//
// With fade in and out each photo has 2F + P of its own and the next one starts fading in
// when it has faded out; with cross-fade photo k + 1 fades in while photo k fades out. One
// clamping rule for every output: a negative fade or pause time counts as 0 (the settings'
// own range is 1..1000000 ms, so this only guards callers that fill them by hand).
#include "lumeno/project/show.h"

#include <vector>

namespace lumeno {

class ShowTimeline {
  public:
    ShowTimeline(const TShowSettings& settings, int photoCount);

    int PhotoCount() const { return photoCount_; }
    bool FadeInOut() const { return fadeInOut_; }

    // One fade and the pause, in seconds.
    double Fade() const { return fadeMs_ / 1000.0; }
    double Pause() const { return pauseMs_ / 1000.0; }
    // The transition into a photo: 2F with fade in and out (out of the previous photo and
    // into this one), F with cross-fade.
    double Transition() const { return fadeInOut_ ? 2 * Fade() : Fade(); }
    // From one photo's fade-in start to the next one's: Transition() + Pause().
    double Step() const { return Transition() + Pause(); }

    struct TPhotoTimes {
        double FadeInStart = 0;
        double FullStart = 0; // fade-in done; fully visible until FadeOutStart
        double FadeOutStart = 0;
        double FadeOutEnd = 0;
    };
    // Photo k = 1..PhotoCount().
    TPhotoTimes Photo(int k) const;

    // From the start to the end of the last fade-out: n * Step(), plus F with cross-fade.
    // 0 for an empty show or when both times are 0.
    double Length() const;

    // The presentation document's own numbers for photo k, in the arithmetic its text has
    // always been computed with (milliseconds divided late; with cross-fade an offset of
    // F / 1000 added up photo by photo). They equal Photo(k)'s times up to the last bits of
    // the double, but those bits reach the text of long shows, which must never change.
    struct TPresentationTimes {
        double FadeInBegin = 0;
        double FadeOutBegin = 0;
    };
    // All photos' times, in show order.
    std::vector<TPresentationTimes> PresentationTimes() const;
    // How long a photo is visible in the presentation, (2F + P) / 1000, and one fade, F / 1000.
    double PresentationVisible() const { return (2 * fadeMs_ + pauseMs_) / 1000; }
    double PresentationFade() const { return fadeMs_ / 1000; }

  private:
    double fadeMs_;
    double pauseMs_;
    bool fadeInOut_;
    int photoCount_;
};

} // namespace lumeno

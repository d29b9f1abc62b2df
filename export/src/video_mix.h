#pragma once
// What a video frame shows at a time of the show: one photo still, or a blend of two
// pictures, read from the show's one time line.
#include "lumeno/export/show_timeline.h"

#include <cstdint>

namespace lumeno {

// The frame is Over * Alpha + Under * (1 - Alpha); photo numbers are 1-based, 0 is the
// background colour. A still photo has Alpha 1 (Under is then meaningless).
struct TFrameMix {
    int Over = 0;
    int Under = 0;
    double Alpha = 1;
};

// The picture at `seconds` from the start. With fade in and out a photo fades in from the
// background and out to it; with cross-fade photo k + 1 fades in over photo k, which stays
// fully visible beneath it, and only the first photo fades in from the background and the
// last one out to it.
TFrameMix MixAt(const ShowTimeline& timeline, double seconds);

// The video's frames: the show's length at `fps` frames a second, rounded to whole frames,
// at least 1.
int64_t VideoFrameCount(const ShowTimeline& timeline, int fps);

} // namespace lumeno

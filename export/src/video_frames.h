#pragma once
// The pictures of a video: each photo's still frame, made once (loaded upright in sRGB,
// fitted to the frame with its proportions, letterboxed on the background colour, its
// caption drawn, converted to BT.709 limited-range yuv420p), and the blends of two of them.
#include "lumeno/bitmap/photo_problem.h"
#include "lumeno/export/video_show.h"
#include "lumeno/project/show.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

extern "C" {
struct AVFrame;
}

namespace lumeno {

// A yuv420p picture with tightly packed planes: Y of Width x Height, U and V of half that.
struct TStillFrame {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Y, U, V;
};

// What preparing a photo found.
struct TPreparedStill {
    TStillFrame Frame;
    bool Unreadable = false; // shown as a black 320 x 200 picture; see Problem
    TPhotoProblem Problem = TPhotoProblem::kMissing;
    bool BrokenProfile = false;       // its colour profile was unusable, the colours taken as sRGB
    std::u32string MissingCharacters; // of its caption, no installed font covers them
};

// The whole frame in the background colour (settings.BackColor, 0x00BBGGRR).
TStillFrame BackgroundFrame(int width, int height, uint32_t backColor);

// The still frame of one photo, its caption drawn as on the photo pages (caption_raster.h).
// `showNeedsUnicode`: some caption of the show needs the installed fonts, so every caption
// takes them (NeedsUnicodeFont). `percent` receives the loading percentage. Never throws;
// a photo that cannot be loaded is a black 320 x 200 picture fitted like any other.
TPreparedStill PrepareStill(const std::string& fileName, const std::string& captionCp1252,
                            const TShowSettings& settings, int width, int height,
                            bool showNeedsUnicode, std::atomic<int>& percent);

// Writes over * alpha + under * (1 - alpha) into the yuv420p `frame` of the same size.
// Blending the limited-range YCbCr values is the same as blending the RGB colours.
void BlendInto(const TStillFrame& over, const TStillFrame& under, double alpha, AVFrame* frame);

} // namespace lumeno

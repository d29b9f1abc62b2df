#pragma once
// The show as a video: H.264 (High profile, yuv420p, BT.709, limited range) in MP4 with the
// index before the media data, optionally with music as AAC (48 kHz stereo). Frame i shows
// the show at time i / Fps on the one time line every output reads (show_timeline.h); the
// video lasts ShowTimeline::Length() rounded to whole frames.
//
// ExportSlideShow (export_driver.h) with TExportOptions::Video writes it; the calls here are
// the format's limits and the checks a front end makes before it starts.
#include <string>

namespace lumeno {

// The limits of a video's size and frame rate. Width and height are even (yuv420p halves
// both for its colour planes).
constexpr int kVideoMinWidth = 320;
constexpr int kVideoMaxWidth = 7680;
constexpr int kVideoMinHeight = 240;
constexpr int kVideoMaxHeight = 4320;
constexpr int kVideoMinFps = 10;
constexpr int kVideoMaxFps = 60;

// The music's sound in the video.
constexpr int kVideoAudioRate = 48000;
constexpr int kVideoAudioBitRate = 192000;
constexpr double kVideoMusicFadeOut = 2.0; // seconds, ending with the video

struct TVideoFormat {
    int Width = 1920;
    int Height = 1080;
    int Fps = 30;
    // A sound file any of FFmpeg's demuxers and decoders read; empty: a silent video. Repeated
    // when shorter than the show, cut to its length with a kVideoMusicFadeOut fade-out.
    std::string MusicFile;
};

// Width and height even and within the limits above.
bool IsValidVideoSize(int width, int height);
// Within kVideoMinFps..kVideoMaxFps.
bool IsValidVideoFps(int fps);

// True when the file at `path` holds an audio stream FFmpeg can decode (and its first
// samples decode). May run on any thread; reads only the file's start.
bool IsReadableAudio(const std::string& path);

} // namespace lumeno

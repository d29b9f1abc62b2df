#pragma once
// The video's sound: a music file decoded, resampled to 48 kHz stereo, repeated when shorter
// than the show, cut to its length and faded out over its last kVideoMusicFadeOut seconds.
#include "video_codec_handles.h"

#include <cstdint>

extern "C" {
#include <libavutil/audio_fifo.h>
}

namespace lumeno {

struct TAudioFifoCloser {
    void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};

class TMusicTrack {
  public:
    // False when the file holds no sound FFmpeg can decode. `samples` at kVideoAudioRate is
    // the track's length.
    bool Open(const std::string& path, int64_t samples);
    int64_t Samples() const { return total_; }
    // The next `count` samples (fewer at the end) as planar float stereo into `frame`, whose
    // format, layout and rate are set and whose buffers hold `count` samples; 0 at the end.
    int Fill(AVFrame* frame, int count);

  private:
    bool Refill(int wanted);
    bool ConvertFrame(const AVFrame* decoded);

    TAudioSource source_;
    TSwr swr_;
    std::unique_ptr<AVAudioFifo, TAudioFifoCloser> fifo_;
    TAvFrame decoded_;
    std::string path_;
    int64_t total_ = 0;
    int64_t done_ = 0;
    bool silent_ = false;
    bool soundThisPass_ = false; // the current pass through the file gave samples // the file gave
                                 // no more sound: the rest is silence
};

} // namespace lumeno

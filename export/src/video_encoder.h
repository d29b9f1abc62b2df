#pragma once
// Writes a video file: H.264 (libx264, High profile, yuv420p, BT.709 limited range) in MP4
// with the index before the media data, and the music track as AAC when there is one.
#include "lumeno/export/export_driver.h"
#include "lumeno/export/video_show.h"
#include "video_codec_handles.h"
#include "video_music.h"

namespace lumeno {

struct TAvOutputCloser {
    void operator()(AVFormatContext* c) const;
};

class TVideoWriter {
  public:
    TVideoWriter() = default;
    TVideoWriter(const TVideoWriter&) = delete;
    TVideoWriter& operator=(const TVideoWriter&) = delete;
    ~TVideoWriter();

    // Opens `fileName` for writing; `music` (may be null) must outlive the writer. threads:
    // the encoder's threads. kOk, or kCannotCreate (Detail() holds the errno) or
    // kVideoEncoder.
    TExportCode Open(const std::string& fileName, const TVideoFormat& format, int threads,
                     TMusicTrack* music);
    // The frame to fill with the next picture (yuv420p of the format's size), writable.
    AVFrame* NextFrame();
    // Encodes the frame filled last and writes what the encoders give, the sound up to the
    // picture's time with it. kOk, kWriteError or kVideoEncoder.
    TExportCode Send();
    // Drains the encoders, writes the rest of the music and the index. Same codes.
    TExportCode Finish();
    int Detail() const { return detail_; }
    // Closes the file unfinished (after a failure or a cancel); the writer is then unusable.
    void Close() { output_.reset(); }

  private:
    TExportCode OpenVideo(const TVideoFormat& format, int threads);
    TExportCode OpenAudio();
    TExportCode Drain(AVCodecContext* codec, AVStream* stream);
    TExportCode SendAudioUntil(int64_t samples, bool end);
    TExportCode WriteError(int averror);

    std::unique_ptr<AVFormatContext, TAvOutputCloser> output_;
    TAvCodec video_, audio_;
    AVStream* videoStream_ = nullptr;
    AVStream* audioStream_ = nullptr;
    TAvFrame frame_, audioFrame_;
    TAvPacket packet_{av_packet_alloc()};
    TMusicTrack* music_ = nullptr;
    int64_t framesSent_ = 0;
    int64_t samplesSent_ = 0;
    int fps_ = 30;
    int detail_ = 0;
};

} // namespace lumeno

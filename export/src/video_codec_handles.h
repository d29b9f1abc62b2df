#pragma once
// One owner for each FFmpeg handle the video export uses, and the music file's decoder.
// Private to the export library; no FFmpeg type appears in a public header.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <string>

namespace lumeno {

// FFmpeg's own messages stay off the terminal and the window's output: every failure
// reaches the user as a code. Process-wide in FFmpeg; set once before the first use.
void QuietCodecLog();

struct TAvInputCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct TAvCodecCloser {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct TAvFrameCloser {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct TAvPacketCloser {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct TSwsCloser {
    void operator()(SwsContext* c) const { sws_freeContext(c); }
};
struct TSwrCloser {
    void operator()(SwrContext* c) const { swr_free(&c); }
};

using TAvInput = std::unique_ptr<AVFormatContext, TAvInputCloser>;
using TAvCodec = std::unique_ptr<AVCodecContext, TAvCodecCloser>;
using TAvPacket = std::unique_ptr<AVPacket, TAvPacketCloser>;
using TSws = std::unique_ptr<SwsContext, TSwsCloser>;
using TSwr = std::unique_ptr<SwrContext, TSwrCloser>;

// A frame allocated on construction (null when memory ran out).
class TAvFrame {
  public:
    TAvFrame() : frame_(av_frame_alloc()) {}
    AVFrame* get() const { return frame_.get(); }
    AVFrame* operator->() const { return frame_.get(); }
    explicit operator bool() const { return frame_ != nullptr; }

  private:
    std::unique_ptr<AVFrame, TAvFrameCloser> frame_;
};

// The first decodable audio stream of a file, decoded frame by frame from its start.
class TAudioSource {
  public:
    // False when the file cannot be opened or holds no audio stream with a decoder.
    bool Open(const std::string& path);
    // The next decoded frame into `frame` (unreferenced first); false at the end or on an
    // error that stops the decoding.
    bool Next(AVFrame* frame);
    // Back to the start, for music that is repeated; false when the file cannot seek.
    bool Rewind();
    const AVCodecContext* Codec() const { return codec_.get(); }

  private:
    TAvInput input_;
    TAvCodec codec_;
    TAvPacket packet_{av_packet_alloc()};
    int stream_ = -1;
    bool drained_ = false;
};

} // namespace lumeno

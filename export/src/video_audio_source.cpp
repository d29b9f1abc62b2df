// The music file's decoder.
#include "video_codec_handles.h"

#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

namespace lumeno {

void QuietCodecLog() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

bool TAudioSource::Open(const std::string& path) {
    QuietCodecLog();
    AVFormatContext* raw = nullptr;
    if (!packet_ || avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return false;
    input_.reset(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0) return false;
    const AVCodec* decoder = nullptr;
    stream_ = av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (stream_ < 0 || !decoder) return false;
    codec_.reset(avcodec_alloc_context3(decoder));
    if (!codec_ ||
        avcodec_parameters_to_context(codec_.get(), raw->streams[stream_]->codecpar) < 0 ||
        avcodec_open2(codec_.get(), decoder, nullptr) < 0)
        return false;
    return codec_->ch_layout.nb_channels > 0 && codec_->sample_rate > 0;
}

bool TAudioSource::Next(AVFrame* frame) {
    if (!codec_) return false;
    av_frame_unref(frame);
    for (;;) {
        const int got = avcodec_receive_frame(codec_.get(), frame);
        if (got == 0) return true;
        if (got != AVERROR(EAGAIN) || drained_) return false;
        const int read = av_read_frame(input_.get(), packet_.get());
        if (read < 0) {
            drained_ = true;
            if (avcodec_send_packet(codec_.get(), nullptr) < 0) return false;
            continue;
        }
        if (packet_->stream_index == stream_) {
            // A damaged packet is skipped, as players do.
            const int sent = avcodec_send_packet(codec_.get(), packet_.get());
            if (sent < 0 && sent != AVERROR_INVALIDDATA) {
                av_packet_unref(packet_.get());
                return false;
            }
        }
        av_packet_unref(packet_.get());
    }
}

bool TAudioSource::Rewind() {
    if (!codec_) return false;
    if (av_seek_frame(input_.get(), stream_, 0, AVSEEK_FLAG_BACKWARD) < 0 &&
        avformat_seek_file(input_.get(), -1, INT64_MIN, 0, 0, 0) < 0)
        return false;
    avcodec_flush_buffers(codec_.get());
    drained_ = false;
    return true;
}

} // namespace lumeno

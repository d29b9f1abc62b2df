// The video file's encoders and container.
#include "video_encoder.h"

#include <cerrno>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace lumeno {

namespace {

// x264's speed and quality: a photo show is mostly still frames, which cost almost nothing,
// so the quality is set by the fades and the first frame of each photo.
constexpr const char* kX264Preset = "veryfast";
constexpr const char* kX264Crf = "20";
constexpr int kKeyFrameSeconds = 8; // the longest a player seeks back for a picture

// Frees a dictionary on scope exit.
struct TAvDictionary {
    AVDictionary* d = nullptr;
    ~TAvDictionary() { av_dict_free(&d); }
};

} // namespace

void TAvOutputCloser::operator()(AVFormatContext* c) const {
    if (!c) return;
    if (c->pb && !(c->oformat->flags & AVFMT_NOFILE)) avio_closep(&c->pb);
    avformat_free_context(c);
}

TVideoWriter::~TVideoWriter() = default;

TExportCode TVideoWriter::WriteError(int averror) {
    // FFmpeg's error numbers for the system's errors are those numbers negated.
    if (averror < 0 && averror > -4096) {
        detail_ = -averror;
        return TExportCode::kWriteError;
    }
    return TExportCode::kVideoEncoder;
}

TExportCode TVideoWriter::Open(const std::string& fileName, const TVideoFormat& format, int threads,
                               TMusicTrack* music) {
    QuietCodecLog();
    AVFormatContext* raw = nullptr;
    if (!packet_ || !frame_ || !audioFrame_ ||
        avformat_alloc_output_context2(&raw, nullptr, "mp4", fileName.c_str()) < 0 || !raw)
        return TExportCode::kVideoEncoder;
    output_.reset(raw);
    fps_ = format.Fps;
    music_ = music;
    if (const TExportCode code = OpenVideo(format, threads); code != TExportCode::kOk) return code;
    if (music_)
        if (const TExportCode code = OpenAudio(); code != TExportCode::kOk) return code;
    if (const int error = avio_open(&raw->pb, fileName.c_str(), AVIO_FLAG_WRITE); error < 0) {
        detail_ = error > -4096 ? -error : EIO;
        return TExportCode::kCannotCreate;
    }
    // The index goes before the media data, so a player starts while the file loads.
    TAvDictionary options;
    av_dict_set(&options.d, "movflags", "+faststart", 0);
    if (const int error = avformat_write_header(raw, &options.d); error < 0)
        return WriteError(error);
    return TExportCode::kOk;
}

TExportCode TVideoWriter::OpenVideo(const TVideoFormat& format, int threads) {
    const AVCodec* h264 = avcodec_find_encoder_by_name("libx264");
    if (!h264) return TExportCode::kVideoEncoder;
    video_.reset(avcodec_alloc_context3(h264));
    AVCodecContext* c = video_.get();
    if (!c) return TExportCode::kVideoEncoder;
    c->width = format.Width;
    c->height = format.Height;
    c->time_base = AVRational{1, format.Fps};
    c->framerate = AVRational{format.Fps, 1};
    c->sample_aspect_ratio = AVRational{1, 1};
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->gop_size = kKeyFrameSeconds * format.Fps;
    c->color_primaries = AVCOL_PRI_BT709;
    c->color_trc = AVCOL_TRC_BT709;
    c->colorspace = AVCOL_SPC_BT709;
    c->color_range = AVCOL_RANGE_MPEG;
    c->thread_count = threads;
    if (output_->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    TAvDictionary options;
    av_dict_set(&options.d, "preset", kX264Preset, 0);
    av_dict_set(&options.d, "crf", kX264Crf, 0);
    av_dict_set(&options.d, "profile", "high", 0);
    if (avcodec_open2(c, h264, &options.d) < 0) return TExportCode::kVideoEncoder;
    videoStream_ = avformat_new_stream(output_.get(), nullptr);
    if (!videoStream_ || avcodec_parameters_from_context(videoStream_->codecpar, c) < 0)
        return TExportCode::kVideoEncoder;
    videoStream_->time_base = c->time_base;
    videoStream_->avg_frame_rate = c->framerate;
    frame_->format = c->pix_fmt;
    frame_->width = c->width;
    frame_->height = c->height;
    frame_->color_primaries = c->color_primaries;
    frame_->color_trc = c->color_trc;
    frame_->colorspace = c->colorspace;
    frame_->color_range = c->color_range;
    return av_frame_get_buffer(frame_.get(), 0) < 0 ? TExportCode::kVideoEncoder : TExportCode::kOk;
}

TExportCode TVideoWriter::OpenAudio() {
    const AVCodec* aac = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!aac) return TExportCode::kVideoEncoder;
    audio_.reset(avcodec_alloc_context3(aac));
    AVCodecContext* c = audio_.get();
    if (!c) return TExportCode::kVideoEncoder;
    c->sample_fmt = AV_SAMPLE_FMT_FLTP;
    c->sample_rate = kVideoAudioRate;
    c->bit_rate = kVideoAudioBitRate;
    c->time_base = AVRational{1, kVideoAudioRate};
    const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    if (av_channel_layout_copy(&c->ch_layout, &stereo) < 0) return TExportCode::kVideoEncoder;
    if (output_->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(c, aac, nullptr) < 0) return TExportCode::kVideoEncoder;
    audioStream_ = avformat_new_stream(output_.get(), nullptr);
    if (!audioStream_ || avcodec_parameters_from_context(audioStream_->codecpar, c) < 0)
        return TExportCode::kVideoEncoder;
    audioStream_->time_base = c->time_base;
    audioFrame_->format = c->sample_fmt;
    audioFrame_->sample_rate = c->sample_rate;
    audioFrame_->nb_samples = c->frame_size > 0 ? c->frame_size : 1024;
    if (av_channel_layout_copy(&audioFrame_->ch_layout, &stereo) < 0 ||
        av_frame_get_buffer(audioFrame_.get(), 0) < 0)
        return TExportCode::kVideoEncoder;
    return TExportCode::kOk;
}

AVFrame* TVideoWriter::NextFrame() {
    // The encoder may still hold the last picture; then the frame gets new buffers.
    return av_frame_make_writable(frame_.get()) < 0 ? nullptr : frame_.get();
}

TExportCode TVideoWriter::Drain(AVCodecContext* codec, AVStream* stream) {
    for (;;) {
        const int got = avcodec_receive_packet(codec, packet_.get());
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return TExportCode::kOk;
        if (got < 0) return TExportCode::kVideoEncoder;
        av_packet_rescale_ts(packet_.get(), codec->time_base, stream->time_base);
        packet_->stream_index = stream->index;
        if (const int error = av_interleaved_write_frame(output_.get(), packet_.get()); error < 0)
            return WriteError(error);
    }
}

TExportCode TVideoWriter::SendAudioUntil(int64_t samples, bool end) {
    if (!audio_) return TExportCode::kOk;
    const int frameSize = audio_->frame_size > 0 ? audio_->frame_size : 1024;
    while (samplesSent_ < samples) {
        if (av_frame_make_writable(audioFrame_.get()) < 0) return TExportCode::kVideoEncoder;
        const int n = music_->Fill(audioFrame_.get(), frameSize);
        if (n <= 0) break;
        audioFrame_->pts = samplesSent_;
        samplesSent_ += n;
        if (avcodec_send_frame(audio_.get(), audioFrame_.get()) < 0)
            return TExportCode::kVideoEncoder;
        if (const TExportCode code = Drain(audio_.get(), audioStream_); code != TExportCode::kOk)
            return code;
    }
    if (!end) return TExportCode::kOk;
    if (avcodec_send_frame(audio_.get(), nullptr) < 0) return TExportCode::kVideoEncoder;
    return Drain(audio_.get(), audioStream_);
}

TExportCode TVideoWriter::Send() {
    frame_->pts = framesSent_++;
    if (avcodec_send_frame(video_.get(), frame_.get()) < 0) return TExportCode::kVideoEncoder;
    if (const TExportCode code = Drain(video_.get(), videoStream_); code != TExportCode::kOk)
        return code;
    // The sound up to this picture's time, so the two are interleaved in the file.
    return SendAudioUntil(framesSent_ * kVideoAudioRate / fps_, false);
}

TExportCode TVideoWriter::Finish() {
    if (avcodec_send_frame(video_.get(), nullptr) < 0) return TExportCode::kVideoEncoder;
    if (const TExportCode code = Drain(video_.get(), videoStream_); code != TExportCode::kOk)
        return code;
    if (music_)
        if (const TExportCode code = SendAudioUntil(music_->Samples(), true);
            code != TExportCode::kOk)
            return code;
    if (const int error = av_write_trailer(output_.get()); error < 0) return WriteError(error);
    if (const int error = avio_closep(&output_->pb); error < 0) return WriteError(error);
    return TExportCode::kOk;
}

} // namespace lumeno

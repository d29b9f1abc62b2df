// The video's sound.
#include "video_music.h"

#include "lumeno/export/video_show.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace lumeno {

namespace {

constexpr AVSampleFormat kTrackFormat = AV_SAMPLE_FMT_FLTP;

TSwr ResamplerFor(const AVCodecContext* codec) {
    SwrContext* swr = nullptr;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    AVChannelLayout in{};
    if (av_channel_layout_check(&codec->ch_layout) &&
        codec->ch_layout.order != AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_copy(&in, &codec->ch_layout);
    else
        av_channel_layout_default(&in, codec->ch_layout.nb_channels);
    const int made = swr_alloc_set_opts2(&swr, &stereo, kTrackFormat, kVideoAudioRate, &in,
                                         codec->sample_fmt, codec->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&in);
    TSwr out(swr);
    // Mono music plays at full loudness on both sides, as players play it.
    static const double kMonoToStereo[2] = {1.0, 1.0};
    if (swr && codec->ch_layout.nb_channels == 1) swr_set_matrix(swr, kMonoToStereo, 1);
    if (made < 0 || swr_init(swr) < 0) out.reset();
    return out;
}

} // namespace

bool TMusicTrack::Open(const std::string& path, int64_t samples) {
    path_ = path;
    total_ = std::max<int64_t>(0, samples);
    if (!decoded_ || !source_.Open(path)) return false;
    swr_ = ResamplerFor(source_.Codec());
    fifo_.reset(av_audio_fifo_alloc(kTrackFormat, 2, 4096));
    // The first samples must decode: a file that is only named like music is refused here.
    return swr_ && fifo_ && Refill(1) && av_audio_fifo_size(fifo_.get()) > 0;
}

bool TMusicTrack::ConvertFrame(const AVFrame* decoded) {
    const int room = swr_get_out_samples(swr_.get(), decoded ? decoded->nb_samples : 0);
    if (room <= 0) return true;
    std::vector<float> left(static_cast<size_t>(room)), right(static_cast<size_t>(room));
    uint8_t* out[2] = {reinterpret_cast<uint8_t*>(left.data()),
                       reinterpret_cast<uint8_t*>(right.data())};
    const int got =
        swr_convert(swr_.get(), out, room,
                    decoded ? const_cast<const uint8_t**>(decoded->extended_data) : nullptr,
                    decoded ? decoded->nb_samples : 0);
    if (got < 0) return false;
    return got == 0 || av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(out), got) == got;
}

// Decodes until the queue holds `wanted` samples; at the file's end the music starts again.
// False when a whole pass of the file gave no sound.
bool TMusicTrack::Refill(int wanted) {
    while (av_audio_fifo_size(fifo_.get()) < wanted) {
        if (source_.Next(decoded_.get())) {
            // A decoder may change its format midway; the resampler follows.
            if (decoded_->sample_rate != source_.Codec()->sample_rate ||
                decoded_->format != source_.Codec()->sample_fmt)
                return false;
            if (!ConvertFrame(decoded_.get())) return false;
            soundThisPass_ = soundThisPass_ || decoded_->nb_samples > 0;
            continue;
        }
        if (!ConvertFrame(nullptr) || !soundThisPass_) return false; // what the resampler held
        if (!source_.Rewind()) {
            TAudioSource again;
            if (!again.Open(path_)) return false;
            source_ = std::move(again);
        }
        soundThisPass_ = false;
        swr_ = ResamplerFor(source_.Codec());
        if (!swr_) return false;
    }
    return true;
}

int TMusicTrack::Fill(AVFrame* frame, int count) {
    const int n = static_cast<int>(std::min<int64_t>(count, total_ - done_));
    if (n <= 0) return 0;
    if (!silent_ && !Refill(n)) silent_ = true;
    float* left = reinterpret_cast<float*>(frame->data[0]);
    float* right = reinterpret_cast<float*>(frame->data[1]);
    const int got = silent_ ? std::min(n, av_audio_fifo_size(fifo_.get())) : n;
    void* planes[2] = {left, right};
    const int read = got > 0 ? av_audio_fifo_read(fifo_.get(), planes, got) : 0;
    for (int i = std::max(read, 0); i < n; ++i)
        left[i] = right[i] = 0.0f;
    // The fade-out: the gain falls linearly to 0 at the track's end.
    const double fade =
        std::min<double>(static_cast<double>(total_), kVideoMusicFadeOut * kVideoAudioRate);
    for (int i = 0; i < n; ++i) {
        const double remaining = static_cast<double>(total_ - (done_ + i));
        if (remaining >= fade) continue;
        const float gain = static_cast<float>(remaining / fade);
        left[i] *= gain;
        right[i] *= gain;
    }
    done_ += n;
    frame->nb_samples = n;
    return n;
}

} // namespace lumeno

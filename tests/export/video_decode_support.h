#pragma once
// Reads a written video back through libavcodec itself (no ffmpeg program): every picture as
// full-range RGB, the sound as samples, the container's top-level boxes and the stream's tags.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace video_test {

struct TRgbPicture {
    int Width = 0, Height = 0;
    std::vector<uint8_t> Rgb;
    // Red, green and blue at (x, y) from the top left corner.
    std::array<int, 3> At(int x, int y) const {
        const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(Width) + x) * 3;
        return {Rgb[i], Rgb[i + 1], Rgb[i + 2]};
    }
};

struct TDecodedVideo {
    bool ok = false;
    double Duration = 0; // the container's, in seconds
    std::string VideoCodec, Profile;
    AVPixelFormat PixelFormat = AV_PIX_FMT_NONE;
    AVColorPrimaries Primaries = AVCOL_PRI_UNSPECIFIED;
    AVColorTransferCharacteristic Transfer = AVCOL_TRC_UNSPECIFIED;
    AVColorSpace Matrix = AVCOL_SPC_UNSPECIFIED;
    AVColorRange Range = AVCOL_RANGE_UNSPECIFIED;
    std::vector<TRgbPicture> Frames;
    std::string AudioCodec; // empty: no sound
    int AudioRate = 0, AudioChannels = 0;
    std::vector<float> Left; // the first channel's samples
};

// One stream's decoder.
struct TTestDecoder {
    AVCodecContext* c = nullptr;
    ~TTestDecoder() { avcodec_free_context(&c); }
    bool Open(const AVStream* s) {
        const AVCodec* codec = avcodec_find_decoder(s->codecpar->codec_id);
        c = avcodec_alloc_context3(codec);
        return c && avcodec_parameters_to_context(c, s->codecpar) >= 0 &&
               avcodec_open2(c, codec, nullptr) >= 0;
    }
};

inline TRgbPicture ToRgb(const AVFrame* f) {
    TRgbPicture p{f->width, f->height, {}};
    p.Rgb.resize(static_cast<size_t>(f->width) * f->height * 3);
    SwsContext* sws = sws_getContext(f->width, f->height, static_cast<AVPixelFormat>(f->format),
                                     f->width, f->height, AV_PIX_FMT_RGB24,
                                     SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr,
                                     nullptr, nullptr);
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(sws, bt709, 0, bt709, 1, 0, 1 << 16, 1 << 16);
    uint8_t* dst[1] = {p.Rgb.data()};
    const int stride[1] = {f->width * 3};
    sws_scale(sws, f->data, f->linesize, 0, f->height, dst, stride);
    sws_freeContext(sws);
    return p;
}

inline void Collect(TTestDecoder& d, const AVPacket* packet, TDecodedVideo& out, bool video) {
    if (avcodec_send_packet(d.c, packet) < 0) return;
    AVFrame* f = av_frame_alloc();
    while (avcodec_receive_frame(d.c, f) == 0) {
        if (video) {
            out.Frames.push_back(ToRgb(f));
        } else {
            const float* left = reinterpret_cast<const float*>(f->extended_data[0]);
            out.Left.insert(out.Left.end(), left, left + f->nb_samples);
        }
    }
    av_frame_free(&f);
}

// The whole file decoded; ok false when it cannot be opened.
inline TDecodedVideo DecodeVideo(const std::string& path) {
    TDecodedVideo out;
    AVFormatContext* in = nullptr;
    if (avformat_open_input(&in, path.c_str(), nullptr, nullptr) < 0) return out;
    avformat_find_stream_info(in, nullptr);
    out.Duration = in->duration / static_cast<double>(AV_TIME_BASE);
    TTestDecoder video, audio;
    const int v = av_find_best_stream(in, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int a = av_find_best_stream(in, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (v >= 0 && video.Open(in->streams[v])) {
        const AVCodecParameters* p = in->streams[v]->codecpar;
        out.VideoCodec = avcodec_get_name(p->codec_id);
        const char* profile = avcodec_profile_name(p->codec_id, p->profile);
        out.Profile = profile ? profile : "";
        out.PixelFormat = static_cast<AVPixelFormat>(p->format);
        out.Primaries = p->color_primaries;
        out.Transfer = p->color_trc;
        out.Matrix = p->color_space;
        out.Range = p->color_range;
    }
    if (a >= 0 && audio.Open(in->streams[a])) {
        out.AudioCodec = avcodec_get_name(in->streams[a]->codecpar->codec_id);
        out.AudioRate = audio.c->sample_rate;
        out.AudioChannels = audio.c->ch_layout.nb_channels;
    }
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(in, packet) >= 0) {
        if (packet->stream_index == v) Collect(video, packet, out, true);
        if (packet->stream_index == a && audio.c) Collect(audio, packet, out, false);
        av_packet_unref(packet);
    }
    if (video.c) Collect(video, nullptr, out, true);
    if (audio.c) Collect(audio, nullptr, out, false);
    av_packet_free(&packet);
    avformat_close_input(&in);
    out.ok = true;
    return out;
}

// The types of an MP4 file's top-level boxes, in file order.
inline std::vector<std::string> TopLevelBoxes(const std::string& path) {
    std::vector<std::string> types;
    std::ifstream in(path, std::ios::binary);
    for (;;) {
        unsigned char head[16];
        if (!in.read(reinterpret_cast<char*>(head), 8)) break;
        uint64_t size = (uint64_t{head[0]} << 24) | (head[1] << 16) | (head[2] << 8) | head[3];
        types.emplace_back(reinterpret_cast<char*>(head + 4), 4);
        uint64_t headerSize = 8;
        if (size == 1) {
            if (!in.read(reinterpret_cast<char*>(head + 8), 8)) break;
            size = 0;
            for (int i = 8; i < 16; ++i)
                size = size << 8 | head[i];
            headerSize = 16;
        }
        if (size < headerSize) break;
        in.seekg(static_cast<std::streamoff>(size - headerSize), std::ios::cur);
    }
    return types;
}

} // namespace video_test

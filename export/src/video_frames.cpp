// The still frames of a video and their blends.
#include "video_frames.h"

#include "lumeno/bitmap/dib_ops.h"
#include "lumeno/export/caption_raster.h"
#include "video_codec_handles.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lumeno {

namespace {

// Forwards OpenDib's percentages to an atomic the encoding thread reads.
class TStillPercent final : public TDibLoadOwner {
  public:
    explicit TStillPercent(std::atomic<int>& target) : target_(target) {}
    void DibLoadProgress(int percent) override { target_.store(percent); }

  private:
    std::atomic<int>& target_;
};

// A packed BGR picture (3 bytes a pixel, rows top to bottom).
struct TBgrCanvas {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Bytes;
    uint8_t* At(int x, int y) {
        return Bytes.data() +
               (static_cast<size_t>(y) * static_cast<size_t>(Width) + static_cast<size_t>(x)) * 3;
    }
};

TBgrCanvas FilledCanvas(int width, int height, uint32_t backColor) {
    TBgrCanvas canvas{width, height, {}};
    canvas.Bytes.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    const uint8_t bgr[3] = {static_cast<uint8_t>(backColor >> 16),
                            static_cast<uint8_t>(backColor >> 8), static_cast<uint8_t>(backColor)};
    for (size_t i = 0; i < canvas.Bytes.size(); i += 3)
        std::memcpy(canvas.Bytes.data() + i, bgr, 3);
    return canvas;
}

// The photo's rectangle in the frame: proportions kept, as large as the frame allows, centred.
struct TFitRect {
    int X = 0, Y = 0, Width = 1, Height = 1;
};

TFitRect FitInto(int w, int h, int frameWidth, int frameHeight) {
    const double scale =
        std::min(static_cast<double>(frameWidth) / w, static_cast<double>(frameHeight) / h);
    TFitRect r;
    r.Width = std::clamp(static_cast<int>(std::lround(w * scale)), 1, frameWidth);
    r.Height = std::clamp(static_cast<int>(std::lround(h * scale)), 1, frameHeight);
    r.X = (frameWidth - r.Width) / 2;
    r.Y = (frameHeight - r.Height) / 2;
    return r;
}

// Scales the 24-bit picture into the canvas's rectangle: averaged when it shrinks, bicubic
// when it grows. False when swscale cannot do it.
bool ScaleInto(const TDib& dib, TBgrCanvas& canvas, const TFitRect& r) {
    const int w = dib.Info->biWidth, h = std::abs(dib.Info->biHeight);
    const bool shrinks = r.Width < w || r.Height < h;
    TSws sws(sws_getContext(w, h, AV_PIX_FMT_BGR24, r.Width, r.Height, AV_PIX_FMT_BGR24,
                            (shrinks ? SWS_AREA : SWS_BICUBIC) | SWS_ACCURATE_RND, nullptr, nullptr,
                            nullptr));
    if (!sws) return false;
    // Rows stored bottom first (positive height) are read from the last one up.
    const bool bottomUp = dib.Info->biHeight > 0;
    const uint8_t* src =
        bottomUp ? dib.Bits + static_cast<ptrdiff_t>(h - 1) * dib.RowBytes : dib.Bits;
    const int srcStride[1] = {bottomUp ? -dib.RowBytes : dib.RowBytes};
    uint8_t* dst[1] = {canvas.At(r.X, r.Y)};
    const int dstStride[1] = {canvas.Width * 3};
    return sws_scale(sws.get(), &src, srcStride, 0, h, dst, dstStride) == r.Height;
}

// Lays the straight-alpha overlay over the canvas, its position relative to `r`.
void Composite(const TCaptionOverlay& overlay, TBgrCanvas& canvas, const TFitRect& r) {
    if (overlay.Rgba.size() <
        static_cast<size_t>(overlay.Width) * static_cast<size_t>(overlay.Height) * 4)
        return;
    for (int y = 0; y < overlay.Height; ++y) {
        const int cy = r.Y + overlay.Y + y;
        if (cy < 0 || cy >= canvas.Height) continue;
        for (int x = 0; x < overlay.Width; ++x) {
            const int cx = r.X + overlay.X + x;
            if (cx < 0 || cx >= canvas.Width) continue;
            const uint8_t* s =
                &overlay.Rgba[(static_cast<size_t>(y) * static_cast<size_t>(overlay.Width) +
                               static_cast<size_t>(x)) *
                              4];
            const int a = s[3];
            if (a == 0) continue;
            uint8_t* d = canvas.At(cx, cy);
            for (int c = 0; c < 3; ++c) // canvas BGR, overlay RGB
                d[c] = static_cast<uint8_t>((s[2 - c] * a + d[c] * (255 - a) + 127) / 255);
        }
    }
}

// The canvas as BT.709 limited-range yuv420p.
bool ToStill(const TBgrCanvas& canvas, TStillFrame& out) {
    const int w = canvas.Width, h = canvas.Height;
    TSws sws(sws_getContext(w, h, AV_PIX_FMT_BGR24, w, h, AV_PIX_FMT_YUV420P,
                            SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP, nullptr, nullptr,
                            nullptr));
    if (!sws) return false;
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(sws.get(), bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    out.Width = w;
    out.Height = h;
    out.Y.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    out.U.resize(out.Y.size() / 4);
    out.V.resize(out.Y.size() / 4);
    const uint8_t* src[1] = {canvas.Bytes.data()};
    const int srcStride[1] = {w * 3};
    uint8_t* dst[3] = {out.Y.data(), out.U.data(), out.V.data()};
    const int dstStride[3] = {w, w / 2, w / 2};
    return sws_scale(sws.get(), src, srcStride, 0, h, dst, dstStride) == h;
}

// Loads the photo upright in sRGB at a size that covers the frame, 24 bits; false when it
// cannot be loaded. fullWidth/fullHeight get the photo's own upright size.
bool LoadForFrame(const std::string& fileName, int width, int height, TDibLoadOwner& owner,
                  ScopedDib& image, int& fullWidth, int& fullHeight) {
    TDib loaded{};
    if (OpenDibReduced(&loaded, fileName.c_str(), width, height, &fullWidth, &fullHeight, &owner) !=
            1 ||
        !loaded.Bits) {
        deldib(&loaded);
        return false;
    }
    image.reset(loaded);
    if (image->Info->biBitCount != 24) ConvertTo24Bit(*image.get());
    return image->Info->biBitCount == 24;
}

} // namespace

TStillFrame BackgroundFrame(int width, int height, uint32_t backColor) {
    TStillFrame out;
    if (!ToStill(FilledCanvas(width, height, backColor), out)) out = TStillFrame{};
    return out;
}

TPreparedStill PrepareStill(const std::string& fileName, const std::string& captionCp1252,
                            const TShowSettings& settings, int width, int height,
                            bool showNeedsUnicode, std::atomic<int>& percent) {
    TPreparedStill out;
    try {
        TStillPercent owner(percent);
        ScopedDib image;
        int fullWidth = 0, fullHeight = 0;
        const bool loaded =
            LoadForFrame(fileName, width, height, owner, image, fullWidth, fullHeight);
        out.BrokenProfile = loaded && LastDibColour() == TDibColour::kBroken;
        if (!loaded) {
            image.reset();
            out.Unreadable = true;
            out.Problem = WhyPhotoUnreadable(fileName);
            fullWidth = 320;
            fullHeight = 200;
            if (newdib(image.get(), 320, 200, 24, nullptr, 0) != 1) throw std::bad_alloc();
        }
        TBgrCanvas canvas = FilledCanvas(width, height, settings.BackColor);
        const TFitRect r =
            FitInto(image->Info->biWidth, std::abs(image->Info->biHeight), width, height);
        if (!ScaleInto(*image.get(), canvas, r)) throw std::bad_alloc();
        image.reset();
        if (!captionCp1252.empty()) {
            TCaptionOverlay caption =
                RenderCaptionOverlay(captionCp1252, fullWidth, fullHeight, r.Width, r.Height,
                                     settings, showNeedsUnicode);
            out.MissingCharacters = std::move(caption.Missing);
            Composite(caption, canvas, r);
        }
        if (ToStill(canvas, out.Frame)) return out;
    } catch (const std::exception&) {
        // out of memory for a huge photo: the frame stays the background
    }
    out.Unreadable = true;
    out.Problem = TPhotoProblem::kNotEncoded;
    out.Frame = BackgroundFrame(width, height, 0);
    return out;
}

void BlendInto(const TStillFrame& over, const TStillFrame& under, double alpha, AVFrame* frame) {
    const int a = std::clamp(static_cast<int>(std::lround(alpha * 256)), 0, 256);
    const std::vector<uint8_t>* planesOver[3] = {&over.Y, &over.U, &over.V};
    const std::vector<uint8_t>* planesUnder[3] = {&under.Y, &under.U, &under.V};
    for (int p = 0; p < 3; ++p) {
        const int w = p == 0 ? over.Width : over.Width / 2;
        const int h = p == 0 ? over.Height : over.Height / 2;
        const uint8_t* o = planesOver[p]->data();
        const uint8_t* u = planesUnder[p]->data();
        for (int y = 0; y < h; ++y) {
            uint8_t* d = frame->data[p] + static_cast<ptrdiff_t>(y) * frame->linesize[p];
            const uint8_t* ro = o + static_cast<size_t>(y) * static_cast<size_t>(w);
            if (a == 256) {
                std::memcpy(d, ro, static_cast<size_t>(w));
                continue;
            }
            const uint8_t* ru = u + static_cast<size_t>(y) * static_cast<size_t>(w);
            for (int x = 0; x < w; ++x)
                d[x] = static_cast<uint8_t>((ro[x] * a + ru[x] * (256 - a) + 128) >> 8);
        }
    }
}

} // namespace lumeno

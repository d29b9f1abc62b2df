// Drawing and scaling photos: a repaint of a 12-megapixel photo in the picture viewer's
// 532 x 420 viewport at several zoom factors, thumbnails in the photo strip, and the pixel
// routines on a 12-megapixel picture. "FullConversion" is the cost every repaint would
// have if the whole photo were turned into one QImage first.
#include "lumeno/bitmap/dib_ops.h"
#include "lumeno/bitmap/draw_dib.h"
#include "qt_draw_target.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

using namespace lumeno;

namespace {

constexpr int kWidth = 4000, kHeight = 3000; // 12 megapixels
constexpr int kViewWidth = 532, kViewHeight = 420;

const TDib& Photo12MP() {
    static ScopedDib photo = [] {
        ScopedDib dib;
        newdib(dib.get(), kWidth, kHeight, 24, nullptr, 0);
        for (int y = 0; y < kHeight; ++y) {
            uint8_t* row = dib->Bits + static_cast<size_t>(y) * dib->RowBytes;
            for (int x = 0; x < kWidth; ++x) {
                row[3 * x] = uint8_t(x * 255 / kWidth);
                row[3 * x + 1] = uint8_t(y * 255 / kHeight);
                row[3 * x + 2] = uint8_t((x ^ y) & 0xFF);
            }
        }
        return dib;
    }();
    return *photo.get();
}

// One repaint of the viewport showing the photo at zoom percent, scrolled to the middle.
void Repaint(QImage& viewport, int zoomPercent) {
    const TDib& photo = Photo12MP();
    const int w = int(int64_t{kWidth} * zoomPercent / 100);
    const int h = int(int64_t{kHeight} * zoomPercent / 100);
    const int x = w > kViewWidth ? -(w - kViewWidth) / 2 : 0;
    const int y = h > kViewHeight ? -(h - kViewHeight) / 2 : 0;
    QPainter painter(&viewport);
    QtDrawTarget dc(painter);
    DrawDib(dc, x, y, w, h, photo, 0, 0, kWidth, kHeight, true, kSrcCopy, false, nullptr);
}

void BM_ViewerRepaint(benchmark::State& state) {
    Photo12MP();
    QImage viewport(kViewWidth, kViewHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        Repaint(viewport, int(state.range(0)));
        benchmark::DoNotOptimize(viewport.constBits());
    }
    state.SetLabel("zoom " + std::to_string(state.range(0)) + " %");
}
BENCHMARK(BM_ViewerRepaint)
    ->Arg(100)
    ->Arg(13)
    ->Arg(5)
    ->Arg(400)
    ->Arg(9000)
    ->Unit(benchmark::kMillisecond);

// The viewer's paint box is as large as the zoomed photo; only the exposed 532 x 420 part
// is repainted (the painter's clip).
void BM_ViewerRepaintClippedWidget(benchmark::State& state) {
    const TDib& photo = Photo12MP();
    QImage box(kWidth, kHeight, QImage::Format_RGB32);
    const QRect exposed(1700, 1300, kViewWidth, kViewHeight);
    for (auto _ : state) {
        QPainter painter(&box);
        painter.setClipRect(exposed);
        QtDrawTarget dc(painter);
        DrawDib(dc, 0, 0, kWidth, kHeight, photo, 0, 0, kWidth, kHeight, true, kSrcCopy, false,
                nullptr);
    }
}
BENCHMARK(BM_ViewerRepaintClippedWidget)->Unit(benchmark::kMillisecond);

void BM_FullConversion(benchmark::State& state) {
    const TDib& photo = Photo12MP();
    QImage viewport(kViewWidth, kViewHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QImage whole(kWidth, kHeight, QImage::Format_RGB32);
        for (int top = 0; top < kHeight; ++top) {
            const uint8_t* in =
                photo.Bits + static_cast<size_t>(kHeight - 1 - top) * photo.RowBytes;
            auto* out = reinterpret_cast<QRgb*>(whole.scanLine(top));
            for (int x = 0; x < kWidth; ++x)
                out[x] = qRgb(in[3 * x + 2], in[3 * x + 1], in[3 * x]);
        }
        QPainter painter(&viewport);
        painter.drawImage(QPoint(-(kWidth - kViewWidth) / 2, -(kHeight - kViewHeight) / 2), whole);
    }
}
BENCHMARK(BM_FullConversion)->Unit(benchmark::kMillisecond);

// One screen of the photo strip: 30 thumbnails of 80 x 60.
void BM_StripOfThumbnails(benchmark::State& state) {
    ScopedDib thumb(Resize(Photo12MP(), 80, 60));
    QImage strip(540, 550, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&strip);
        QtDrawTarget dc(painter);
        for (int i = 0; i < 30; ++i)
            DrawDib(dc, 90 * (i % 6) + 5, 110 * (i / 6) + 15, 80, 60, *thumb.get(), 0, 0, 80, 60,
                    true, kSrcCopy, true, nullptr);
    }
}
BENCHMARK(BM_StripOfThumbnails)->Unit(benchmark::kMicrosecond);

void BM_ResizeToThumbnail(benchmark::State& state) {
    const TDib& photo = Photo12MP();
    for (auto _ : state) {
        ScopedDib thumb(Resize(photo, 80, 60));
        benchmark::DoNotOptimize(thumb.get()->Bits);
    }
}
BENCHMARK(BM_ResizeToThumbnail)->Unit(benchmark::kMicrosecond);

void BM_HalftoneQuarter(benchmark::State& state) {
    const TDib& photo = Photo12MP();
    for (auto _ : state) {
        ScopedDib copy;
        DIBHalftoneDIBXY(copy.get(), &photo, kWidth / 4, kHeight / 4);
        benchmark::DoNotOptimize(copy.get()->Bits);
    }
}
BENCHMARK(BM_HalftoneQuarter)->Unit(benchmark::kMillisecond);

void BM_ConvertTo24BitFrom8(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        ScopedDib image;
        newdib(image.get(), kWidth, kHeight, 8, nullptr, 0);
        state.ResumeTiming();
        ConvertTo24Bit(*image.get());
        benchmark::DoNotOptimize(image.get()->Bits);
    }
}
BENCHMARK(BM_ConvertTo24BitFrom8)->Unit(benchmark::kMillisecond);

} // namespace
BENCHMARK_MAIN();

// The photo strip: repainting a scrolled strip of 10,000 photos whose visible thumbnails are
// cached, filling the visible thumbnails of 12-megapixel JPEGs through the reduced load, and
// one full decode of the same JPEG for comparison.
#include "main_form.h"
#include "photo_strip.h"
#include "pictavo.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "ui_strip_bench";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

// A 4000 x 3000 JPEG with some structure, made once.
const std::string& BigJpeg() {
    static QTemporaryDir dir;
    static std::string path = [] {
        QImage img(4000, 3000, QImage::Format_RGB32);
        QPainter p(&img);
        QLinearGradient g(0, 0, 4000, 3000);
        g.setColorAt(0, QColor(30, 80, 160));
        g.setColorAt(1, QColor(240, 200, 60));
        p.fillRect(img.rect(), g);
        for (int i = 0; i < 200; ++i)
            p.fillRect(QRect((i * 397) % 3900, (i * 211) % 2900, 100, 100),
                       QColor::fromHsv(i % 360, 200, 200));
        p.end();
        const QString file = dir.filePath(QStringLiteral("gross.jpg"));
        img.save(file, "JPEG", 90);
        return file.toStdString();
    }();
    return path;
}

void BM_FullDecode12MP(benchmark::State& state) {
    const std::string& file = BigJpeg();
    for (auto _ : state) {
        TDib d{};
        OpenDib(&d, file.c_str(), -1, nullptr);
        benchmark::DoNotOptimize(d.Bits);
        deldib(&d);
    }
}
BENCHMARK(BM_FullDecode12MP)->Unit(benchmark::kMillisecond);

// Time per thumbnail: the visible cells of the strip are filled from the 12 MP JPEG.
void BM_FillVisibleThumbnails12MP(benchmark::State& state) {
    App();
    const std::string& file = BigJpeg();
    lumeno::ui::TMainForm form;
    form.show();
    std::vector<std::string> paths(40, file);
    form.Show().AddPhotos(paths, false);
    form.PaintBox1Paint();
    QApplication::processEvents();
    int made = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (lumeno::TFotoRecord& r : form.Show().Fotos)
            r.Thumb.reset();
        const int before = form.Strip().ThumbnailLoads;
        state.ResumeTiming();
        form.Strip().FillThumbnails();
        made += form.Strip().ThumbnailLoads - before;
    }
    // Thumbnails per iteration; the time per thumbnail is the iteration time divided by it.
    state.counters["thumbs"] = benchmark::Counter(made, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_FillVisibleThumbnails12MP)->Unit(benchmark::kMillisecond);

// One scroll step (20 pixels) and a synchronous repaint of a 10,000-photo strip whose
// visible thumbnails are cached.
void BM_ScrollRepaintCached(benchmark::State& state) {
    App();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("klein.png"));
    QImage small(640, 480, QImage::Format_RGB32);
    small.fill(QColor(120, 160, 200));
    small.save(file);
    lumeno::ui::TMainForm form;
    form.show();
    std::vector<std::string> paths(10000, file.toStdString());
    form.Show().AddPhotos(paths, false);
    form.PaintBox1Paint();
    QScrollBar* bar = form.Controls().ScrollBox1->verticalScrollBar();
    // Cache the thumbnails of the range the benchmark scrolls over.
    for (int pos = 0; pos <= 2000; pos += 100) {
        bar->setValue(pos);
        form.Strip().FillThumbnails();
    }
    int pos = 0;
    for (auto _ : state) {
        pos = (pos + 20) % 2000;
        bar->setValue(pos);
        // What the screen shows of the strip, drawn now.
        QPixmap shown = form.Controls().ScrollBox1->viewport()->grab();
        benchmark::DoNotOptimize(shown);
    }
}
BENCHMARK(BM_ScrollRepaintCached)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

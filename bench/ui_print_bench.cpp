// Printing a 12-megapixel photo on an A4 page at 600 dpi through the print job of the
// picture viewer, into a PDF file (the stand-in for a printer here): time per job and the
// size of what goes to the printer ("bytes" counter).
#include "print_form.h"

#include <QApplication>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>

using namespace lumeno::ui;

namespace {

constexpr int kWidth = 4000, kHeight = 3000; // 12 megapixels

// A photo-like picture: smooth gradients with some fine detail, so compression has work.
const TDib& Photo12MP() {
    static ScopedDib photo = [] {
        ScopedDib dib;
        newdib(dib.get(), kWidth, kHeight, 24, nullptr, 0);
        uint32_t seed = 12345;
        for (int y = 0; y < kHeight; ++y) {
            uint8_t* row = dib->Bits + static_cast<size_t>(y) * dib->RowBytes;
            for (int x = 0; x < kWidth; ++x) {
                seed = seed * 1103515245u + 12345u;
                const int noise = int((seed >> 16) & 15) - 8;
                row[3 * x] = uint8_t(std::clamp(x * 255 / kWidth + noise, 0, 255));
                row[3 * x + 1] = uint8_t(std::clamp(y * 255 / kHeight + noise, 0, 255));
                row[3 * x + 2] =
                    uint8_t(std::clamp(((x / 40) ^ (y / 40)) * 7 % 256 + noise, 0, 255));
            }
        }
        return dib;
    }();
    return *photo.get();
}

void BM_PrintA4At600Dpi(benchmark::State& state) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("job.pdf"));
    const TDib& photo = Photo12MP();
    qint64 bytes = 0;
    for (auto _ : state) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setResolution(600);
        TPrintLayout layout; // full page, aspect kept, centred
        if (PrintPicture(&printer, photo, layout) != TPrintOutcome::Printed) {
            state.SkipWithError("print failed");
            break;
        }
        bytes = QFileInfo(pdf).size();
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_PrintA4At600Dpi)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

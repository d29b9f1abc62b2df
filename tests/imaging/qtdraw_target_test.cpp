// The Qt drawing target: DrawDib into QImages, checked pixel by pixel.
#include "lumeno/bitmap/dib_ops.h"
#include "lumeno/bitmap/draw_dib.h"
#include "qt_draw_target.h"

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

using namespace lumeno;

namespace {

class QtDraw : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "qtdraw_tests";
            static char* argv[] = {name, nullptr};
            // Kept until the process ends: destroying it after Qt's own globals crashes.
            static QApplication* app = new QApplication(argc, argv);
            (void)app;
        }
    }
};

// Colour of source pixel (x, row counted from the top) of the test photos.
QRgb PhotoColour(int x, int top) {
    return qRgb((x * 29) & 255, (top * 53) & 255, (x * top) & 255);
}

// A 24-bit image whose pixel at column x and row `top` (from the top) is PhotoColour.
ScopedDib Photo(int width, int height) {
    ScopedDib dib;
    EXPECT_EQ(newdib(dib.get(), width, height, 24, nullptr, 0), 1);
    for (int top = 0; top < height; ++top)
        for (int x = 0; x < width; ++x) {
            const QRgb c = PhotoColour(x, top);
            setpixel(dib.get(), x, height - 1 - top,
                     uint32_t(qRed(c)) << 16 | uint32_t(qGreen(c)) << 8 | uint32_t(qBlue(c)));
        }
    return dib;
}

QImage Canvas(int width, int height) {
    QImage canvas(width, height, QImage::Format_RGB32);
    canvas.fill(qRgb(1, 2, 3));
    return canvas;
}

void DrawWhole(QImage& canvas, const TDib& image, int x, int y, int w, int h,
               const std::function<void(QPainter&)>& setUp = {}) {
    QPainter painter(&canvas);
    if (setUp) setUp(painter);
    QtDrawTarget dc(painter);
    DrawDib(dc, x, y, w, h, image, 0, 0, DibWidth(image), DibHeight(image), true, kSrcCopy, false,
            nullptr);
}

// First pixel of canvas that differs from want(x, y), or an empty string.
std::string FirstDifference(const QImage& canvas, const std::function<QRgb(int, int)>& want) {
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            const QRgb got = canvas.pixel(x, y) | 0xFF000000u;
            const QRgb expected = want(x, y) | 0xFF000000u;
            if (got != expected)
                return "pixel " + std::to_string(x) + "," + std::to_string(y) + ": got " +
                       std::to_string(got & 0xFFFFFF) + ", want " +
                       std::to_string(expected & 0xFFFFFF);
        }
    return {};
}

} // namespace

TEST_F(QtDraw, TwentyFourBitRowsAreTurnedUprightAndEnlarged) {
    ScopedDib photo = Photo(5, 4);
    QImage canvas = Canvas(14, 12);
    DrawWhole(canvas, *photo.get(), 2, 1, 10, 8);
    EXPECT_EQ(FirstDifference(canvas,
                              [](int x, int y) {
                                  if (x < 2 || x >= 12 || y < 1 || y >= 9) return qRgb(1, 2, 3);
                                  return PhotoColour((x - 2) / 2, (y - 1) / 2);
                              }),
              "");
}

TEST_F(QtDraw, PaletteImagesUseTheirColourTable) {
    for (int bits : {1, 4, 8}) {
        const int count = 1 << bits;
        ScopedDib image;
        ASSERT_EQ(newdib(image.get(), 6, 3, bits, nullptr, 0), 1);
        for (int i = 0; i < count; ++i)
            image->Info->bmiColors[i] = {uint8_t(i * 3), uint8_t(255 - i), uint8_t(i), 0};
        const auto index = [&](int x, int top) { return (x * 3 + top * 5 + 1) % count; };
        for (int top = 0; top < 3; ++top)
            for (int x = 0; x < 6; ++x)
                setpixel(image.get(), x, 2 - top, uint32_t(index(x, top)));
        QImage canvas = Canvas(6, 3);
        DrawWhole(canvas, *image.get(), 0, 0, 6, 3);
        EXPECT_EQ(FirstDifference(canvas,
                                  [&](int x, int y) {
                                      const int i = index(x, y);
                                      return qRgb(i, 255 - i, i * 3);
                                  }),
                  "")
            << bits << " bits";
    }
}

TEST_F(QtDraw, SourceRectangleCountsRowsFromTheBottom) {
    ScopedDib photo = Photo(20, 10);
    QImage canvas = Canvas(8, 4);
    {
        QPainter painter(&canvas);
        QtDrawTarget dc(painter);
        // Columns 5..12, stored rows 2..5 = rows 4..7 from the top.
        DrawDib(dc, 0, 0, 8, 4, *photo.get(), 5, 2, 8, 4, false, kSrcCopy, false, nullptr);
    }
    EXPECT_EQ(FirstDifference(canvas, [](int x, int y) { return PhotoColour(5 + x, 4 + y); }), "");
}

TEST_F(QtDraw, ReducedPicturesShowPixelsOfTheirBlocks) {
    // 4 x 4 blocks of one colour each, shown at a quarter: one pixel per block.
    ScopedDib image;
    ASSERT_EQ(newdib(image.get(), 400, 300, 24, nullptr, 0), 1);
    for (int top = 0; top < 300; ++top)
        for (int x = 0; x < 400; ++x) {
            const QRgb c = PhotoColour(x / 4, top / 4);
            setpixel(image.get(), x, 299 - top,
                     uint32_t(qRed(c)) << 16 | uint32_t(qGreen(c)) << 8 | uint32_t(qBlue(c)));
        }
    QImage canvas = Canvas(100, 75);
    DrawWhole(canvas, *image.get(), 0, 0, 100, 75);
    EXPECT_EQ(FirstDifference(canvas, [](int x, int y) { return PhotoColour(x, y); }), "");
}

TEST_F(QtDraw, ClippedDrawGivesTheSamePixelsInsideTheClip) {
    ScopedDib photo = Photo(37, 23);
    QImage full = Canvas(120, 90);
    DrawWhole(full, *photo.get(), -7, 3, 130, 81);
    QImage clipped = Canvas(120, 90);
    const QRect clip(31, 17, 40, 29);
    DrawWhole(clipped, *photo.get(), -7, 3, 130, 81, [&](QPainter& p) { p.setClipRect(clip); });
    EXPECT_EQ(FirstDifference(clipped,
                              [&](int x, int y) {
                                  return clip.contains(x, y) ? full.pixel(x, y) : qRgb(1, 2, 3);
                              }),
              "");
}

TEST_F(QtDraw, HighZoomDrawsTheVisiblePartOfALargePhoto) {
    // 3000 x 2000 at 9000 %: the 532 x 420 canvas shows source columns 1500.. and rows 1000..
    ScopedDib photo = Photo(3000, 2000);
    QImage canvas = Canvas(532, 420);
    DrawWhole(canvas, *photo.get(), -1500 * 90, -1000 * 90, 3000 * 90, 2000 * 90);
    EXPECT_EQ(FirstDifference(
                  canvas, [](int x, int y) { return PhotoColour(1500 + x / 90, 1000 + y / 90); }),
              "");
}

TEST_F(QtDraw, TranslatedPainterDrawsAtTheTranslatedPlace) {
    ScopedDib photo = Photo(4, 4);
    QImage canvas = Canvas(20, 20);
    DrawWhole(canvas, *photo.get(), 0, 0, 8, 8, [](QPainter& p) { p.translate(10, 5); });
    EXPECT_EQ(FirstDifference(canvas,
                              [](int x, int y) {
                                  if (x < 10 || x >= 18 || y < 5 || y >= 13) return qRgb(1, 2, 3);
                                  return PhotoColour((x - 10) / 2, (y - 5) / 2);
                              }),
              "");
}

TEST_F(QtDraw, UnstretchedTransfersAndTheDeviceBitmapPath) {
    ScopedDib photo = Photo(6, 5);
    QImage canvas = Canvas(30, 30);
    {
        QPainter painter(&canvas);
        QtDrawTarget dc(painter);
        EXPECT_EQ(dc.SendBits(2, 3, *photo.get()), 5);
        std::unique_ptr<DeviceBitmap> bitmap = dc.CreateCompatibleBitmap(6, 5);
        ASSERT_NE(bitmap, nullptr);
        ASSERT_TRUE(bitmap->SetRows(*photo.get()));
        // Rows 1..3 from the top, columns 2..5, doubled.
        EXPECT_TRUE(bitmap->StretchTo({10, 10, 8, 6}, {2, 1, 4, 3}, kSrcCopy));
        EXPECT_EQ(dc.SendBits(0, 0, TDib{}), 0) << "an empty image is refused";
        EXPECT_EQ(dc.CreateCompatibleBitmap(0, 5), nullptr);
    }
    EXPECT_EQ(FirstDifference(canvas,
                              [](int x, int y) {
                                  if (x >= 2 && x < 8 && y >= 3 && y < 8)
                                      return PhotoColour(x - 2, y - 3);
                                  if (x >= 10 && x < 18 && y >= 10 && y < 16)
                                      return PhotoColour(2 + (x - 10) / 2, 1 + (y - 10) / 2);
                                  return qRgb(1, 2, 3);
                              }),
              "");
}

TEST_F(QtDraw, SourceReachingOutsideTheImageIsClippedByTheDevice) {
    ScopedDib photo = Photo(4, 4);
    QImage canvas = Canvas(16, 16);
    {
        QPainter painter(&canvas);
        QtDrawTarget dc(painter);
        // Two columns right of the image and two rows above it: only the 2 x 2 corner
        // (columns 2..3, rows 0..1 from the top) lands, at 4 pixels per source pixel.
        EXPECT_EQ(dc.StretchBits({0, 0, 16, 16}, {2, 2, 4, 4}, *photo.get(), kSrcCopy), 16);
        TDib broken = *photo.get();
        TDibInfo info = *photo->Info;
        info.biBitCount = 16;
        broken.Info = &info;
        EXPECT_EQ(dc.StretchBits({0, 0, 4, 4}, {0, 0, 4, 4}, broken, kSrcCopy), kGdiError);
    }
    EXPECT_EQ(FirstDifference(canvas,
                              [](int x, int y) {
                                  if (x < 8 && y >= 8) return PhotoColour(2 + x / 4, (y - 8) / 4);
                                  return qRgb(1, 2, 3);
                              }),
              "");
}

TEST_F(QtDraw, KnowsScreensFromPrinters) {
    QImage canvas = Canvas(4, 4);
    QPainter painter(&canvas);
    QtDrawTarget screen(painter);
    EXPECT_TRUE(screen.IsRasterDisplay());
    EXPECT_EQ(screen.RowBandHeight(), 1);
    EXPECT_GT(screen.ScreenBitsPerPixel(), 0);
    EXPECT_EQ(screen.ScreenBitsPerPixel(), ScreenBitsPerPixel());

    QTemporaryDir dir;
    QPdfWriter pdf(dir.filePath("page.pdf"));
    QPainter printer(&pdf);
    QtDrawTarget paper(printer);
    EXPECT_FALSE(paper.IsRasterDisplay());
    EXPECT_GT(paper.RowBandHeight(), 1);
    // An 8-bit picture goes to the PDF in bands of rows.
    ScopedDib image;
    ASSERT_EQ(newdib(image.get(), 50, 40, 8, nullptr, 0), 1);
    DrawDib(paper, 100, 100, 500, 400, *image.get(), 0, 0, 50, 40, false, kSrcCopy, true, nullptr);
    printer.end();
    EXPECT_GT(QFileInfo(dir.filePath("page.pdf")).size(), 0);
}

namespace {

// A paint box the size of the zoomed photo, as the picture viewer has it.
class PaintBox : public QWidget {
  public:
    explicit PaintBox(const TDib& image) : image_(image) {}
    int paints = 0;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QtDrawTarget dc(painter);
        DrawDib(dc, 0, 0, width(), height(), image_, 0, 0, DibWidth(image_), DibHeight(image_),
                true, kSrcCopy, false, nullptr);
        ++paints;
    }

  private:
    const TDib& image_;
};

} // namespace

TEST_F(QtDraw, ScrolledWidgetShowsTheRightPartOfTheZoomedPhoto) {
    ScopedDib photo = Photo(300, 200);
    QScrollArea area;
    auto* box = new PaintBox(*photo.get());
    box->resize(3000, 2000); // 1000 %
    area.setWidget(box);
    area.resize(200, 150);
    area.show();
    area.horizontalScrollBar()->setValue(1234);
    area.verticalScrollBar()->setValue(567);
    QCoreApplication::processEvents();
    const QImage shot = area.viewport()->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    ASSERT_GT(box->paints, 0);
    const int dx = area.horizontalScrollBar()->value(), dy = area.verticalScrollBar()->value();
    EXPECT_EQ(dx, 1234);
    EXPECT_EQ(FirstDifference(
                  shot, [&](int x, int y) { return PhotoColour((dx + x) / 10, (dy + y) / 10); }),
              "");
}

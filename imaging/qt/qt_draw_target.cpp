// The Qt drawing target: image transfers become QImage draws on a QPainter.
#include "qt_draw_target.h"

#include "lumeno/bitmap/dib_ops.h"

#include <QGuiApplication>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <vector>

namespace lumeno {

namespace {

bool Drawable(const TDib& image) {
    if (!image.Bits || !image.Info) return false;
    const int bits = DibBitCount(image);
    return (bits == 1 || bits == 4 || bits == 8 || bits == 24) && DibWidth(image) > 0 &&
           DibHeight(image) > 0;
}

// An RGB32 picture of out.width() x out.height() pixels sampled (nearest, at pixel centres)
// from the part of image whose columns are [x0, x0 + columns) and whose rows, counted from
// the top, are [top0, top0 + rows). Equal sizes copy pixel for pixel. Null on failure.
QImage Sample(const TDib& image, int x0, int columns, int top0, int rows, int outWidth,
              int outHeight) {
    QImage out(outWidth, outHeight, QImage::Format_RGB32);
    if (out.isNull()) return out;
    const int bits = DibBitCount(image);
    const int height = DibHeight(image);
    QRgb palette[256];
    for (int i = 0; i < 256; ++i) {
        const TRgbQuad& q = image.Info->bmiColors[i];
        palette[i] = qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
    std::vector<int> cols(static_cast<size_t>(outWidth));
    for (int i = 0; i < outWidth; ++i)
        cols[i] = x0 + int((int64_t{2} * i + 1) * columns / (int64_t{2} * outWidth));
    for (int j = 0; j < outHeight; ++j) {
        const int fromTop = top0 + int((int64_t{2} * j + 1) * rows / (int64_t{2} * outHeight));
        const uint8_t* in =
            image.Bits + static_cast<ptrdiff_t>(height - 1 - fromTop) * image.RowBytes;
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(j));
        switch (bits) {
        case 24:
            for (int i = 0; i < outWidth; ++i) {
                const uint8_t* p = in + 3 * static_cast<ptrdiff_t>(cols[i]);
                line[i] = qRgb(p[2], p[1], p[0]);
            }
            break;
        case 8:
            for (int i = 0; i < outWidth; ++i)
                line[i] = palette[in[cols[i]]];
            break;
        case 4:
            for (int i = 0; i < outWidth; ++i) {
                const int c = cols[i];
                line[i] = palette[(c & 1) ? (in[c >> 1] & 0x0F) : (in[c >> 1] >> 4)];
            }
            break;
        case 1:
            for (int i = 0; i < outWidth; ++i) {
                const int c = cols[i];
                line[i] = palette[(in[c >> 3] >> (7 - (c & 7))) & 1];
            }
            break;
        default:
            return QImage();
        }
    }
    return out;
}

QImage WholeImage(const TDib& image) {
    const int w = DibWidth(image);
    const int h = DibHeight(image);
    return Sample(image, 0, w, 0, h, w, h);
}

// The part of the painter's logical coordinates that can reach the device: the device's
// area, the exposed region of a widget and the painter's own clip.
QRectF VisibleArea(QPainter& painter) {
    QPaintDevice* device = painter.device();
    const qreal dpr = device->devicePixelRatioF();
    QRectF area(0, 0, device->width() * dpr, device->height() * dpr);
    if (QPaintEngine* engine = painter.paintEngine()) {
        // A child widget painted into its window's backing store (or into a grab) reports
        // itself as the device, while the system clip is in the backing store's coordinates:
        // the clip alone bounds what is visible.
        const QRegion system = engine->systemClip();
        if (!system.isEmpty()) area = QRectF(system.boundingRect());
    }
    bool invertible = false;
    const QTransform toLogical = painter.deviceTransform().inverted(&invertible);
    if (!invertible) return QRectF();
    area = toLogical.mapRect(area);
    if (painter.hasClipping()) area &= painter.clipBoundingRect();
    return area;
}

class QtDeviceBitmap : public DeviceBitmap {
  public:
    QtDeviceBitmap(QPainter& painter, QImage bitmap)
        : painter_(painter), bitmap_(std::move(bitmap)) {}
    bool SetRows(const TDib& image) override {
        if (!Drawable(image) || DibWidth(image) != bitmap_.width() ||
            DibHeight(image) != bitmap_.height())
            return false;
        QImage rows = WholeImage(image);
        if (rows.isNull()) return false;
        bitmap_ = std::move(rows);
        return true;
    }
    bool StretchTo(const DibRect& target, const DibRect& source, uint32_t) override {
        if (bitmap_.isNull()) return false;
        painter_.drawImage(QRectF(target.x, target.y, target.width, target.height), bitmap_,
                           QRectF(source.x, source.y, source.width, source.height));
        return true;
    }

  private:
    QPainter& painter_;
    QImage bitmap_;
};

} // namespace

QtDrawTarget::QtDrawTarget(QPainter& painter) : painter_(painter) {}

bool QtDrawTarget::IsRasterDisplay() const {
    QPaintDevice* device = painter_.device();
    if (!device) return true;
    if (device->devType() == QInternal::Printer) return false;
    // PDF writers paint through the PDF engine.
    if (QPaintEngine* engine = painter_.paintEngine())
        if (engine->type() == QPaintEngine::Pdf) return false;
    return true;
}

int QtDrawTarget::ScreenBitsPerPixel() const {
    return lumeno::ScreenBitsPerPixel();
}

void QtDrawTarget::SetStretchMode(int mode) {
    // Colour-on-colour deletes scan lines: nearest neighbour, no smoothing.
    if (mode == kColorOnColor) painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

void* QtDrawTarget::SelectPalette(void*) {
    return nullptr;
}

int QtDrawTarget::StretchBits(const DibRect& target, const DibRect& source, const TDib& image,
                              uint32_t) {
    if (!Drawable(image)) return kGdiError;
    if (target.width <= 0 || target.height <= 0 || source.width <= 0 || source.height <= 0)
        return 0;
    const int width = DibWidth(image);
    const int height = DibHeight(image);

    // Source in top-down rows, clipped to the image; the target shrinks with it.
    const double scaleX = double(target.width) / source.width;
    const double scaleY = double(target.height) / source.height;
    const double srcLeft = source.x;
    const double srcTop = double(height) - source.y - source.height;
    const double left = std::max(0.0, srcLeft);
    const double right = std::min<double>(width, srcLeft + source.width);
    const double top = std::max(0.0, srcTop);
    const double bottom = std::min<double>(height, srcTop + source.height);
    if (right <= left || bottom <= top) return target.height;
    const QRectF placed(target.x + (left - srcLeft) * scaleX, target.y + (top - srcTop) * scaleY,
                        (right - left) * scaleX, (bottom - top) * scaleY);

    // Only the visible part is sampled.
    const QRectF visible = placed & VisibleArea(painter_);
    if (visible.isEmpty()) return target.height;
    const int x0 = std::clamp(int(std::floor(srcLeft + (visible.left() - target.x) / scaleX)),
                              int(left), int(right) - 1);
    const int x1 = std::clamp(int(std::ceil(srcLeft + (visible.right() - target.x) / scaleX)),
                              x0 + 1, int(right));
    const int y0 = std::clamp(int(std::floor(srcTop + (visible.top() - target.y) / scaleY)),
                              int(top), int(bottom) - 1);
    const int y1 = std::clamp(int(std::ceil(srcTop + (visible.bottom() - target.y) / scaleY)),
                              y0 + 1, int(bottom));
    const QRectF part(target.x + (x0 - srcLeft) * scaleX, target.y + (y0 - srcTop) * scaleY,
                      (x1 - x0) * scaleX, (y1 - y0) * scaleY);

    // Shown smaller than the source: sample at the size it takes on the device, so that a
    // large photo costs what its displayed pixels cost.
    int outWidth = x1 - x0;
    int outHeight = y1 - y0;
    const QTransform device = painter_.deviceTransform();
    if (device.type() <= QTransform::TxScale) {
        const double deviceWidth = part.width() * std::abs(device.m11());
        const double deviceHeight = part.height() * std::abs(device.m22());
        if (deviceWidth < outWidth) outWidth = std::max(1, int(std::ceil(deviceWidth)));
        if (deviceHeight < outHeight) outHeight = std::max(1, int(std::ceil(deviceHeight)));
    }
    const QImage picture = Sample(image, x0, x1 - x0, y0, y1 - y0, outWidth, outHeight);
    if (picture.isNull()) return kGdiError;
    painter_.drawImage(part, picture);
    return target.height;
}

int QtDrawTarget::SendBits(int x, int y, const TDib& image) {
    if (!Drawable(image)) return 0;
    const QImage picture = WholeImage(image);
    if (picture.isNull()) return 0;
    painter_.drawImage(QPointF(x, y), picture);
    return DibHeight(image);
}

std::unique_ptr<DeviceBitmap> QtDrawTarget::CreateCompatibleBitmap(int width, int height) {
    if (width <= 0 || height <= 0) return nullptr;
    QImage bitmap(width, height, QImage::Format_RGB32);
    if (bitmap.isNull()) return nullptr;
    return std::make_unique<QtDeviceBitmap>(painter_, std::move(bitmap));
}

int QtDrawTarget::RowBandHeight() const {
    return IsRasterDisplay() ? 1 : 512;
}

int ScreenBitsPerPixel() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return 24;
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->depth() : 24;
}

} // namespace lumeno

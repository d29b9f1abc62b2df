// Draws the about box's picture (306 x 322) and writes it as a JPEG through the image
// library: make_about_picture OUTPUT.jpg. The result is committed as about.jpg beside this
// file; run it again only to change the picture.
#include <pictavo.h>

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>
#include <cstring>

namespace {

constexpr int kWidth = 306;
constexpr int kHeight = 322;

// A small landscape photo: sky, sun, two rows of hills, a lake.
void DrawPhoto(QPainter& p, const QRectF& r, const QColor& sky, const QColor& sun,
               const QColor& hills) {
    p.save();
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(QColor(252, 250, 245));
    p.drawRect(r);
    const QRectF inner = r.adjusted(8, 8, -8, -22);
    p.setClipRect(inner);
    QLinearGradient g(inner.topLeft(), inner.bottomLeft());
    g.setColorAt(0, sky.darker(130));
    g.setColorAt(1, sky.lighter(140));
    p.fillRect(inner, g);
    QRadialGradient s(inner.left() + inner.width() * 0.7, inner.top() + inner.height() * 0.35,
                      inner.height() * 0.22);
    s.setColorAt(0, sun.lighter(130));
    s.setColorAt(0.6, sun);
    s.setColorAt(1, QColor(sun.red(), sun.green(), sun.blue(), 0));
    p.setPen(Qt::NoPen);
    p.setBrush(s);
    p.drawEllipse(QPointF(inner.left() + inner.width() * 0.7, inner.top() + inner.height() * 0.35),
                  inner.height() * 0.22, inner.height() * 0.22);
    for (int layer = 0; layer < 2; ++layer) {
        QPainterPath hill;
        const double base = inner.top() + inner.height() * (0.55 + 0.15 * layer);
        hill.moveTo(inner.left(), inner.bottom());
        hill.lineTo(inner.left(), base);
        for (int i = 0; i <= 8; ++i) {
            const double x = inner.left() + inner.width() * i / 8.0;
            const double y = base - inner.height() * 0.12 * ((i + layer) % 3 == 1 ? 1.0 : 0.35);
            hill.lineTo(x, y);
        }
        hill.lineTo(inner.right(), inner.bottom());
        hill.closeSubpath();
        p.setBrush(layer == 0 ? hills.lighter(120) : hills.darker(120));
        p.drawPath(hill);
    }
    p.restore();
}

void DrawPicture(QImage& img) {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient back(0, 0, kWidth, kHeight);
    back.setColorAt(0, QColor(250, 228, 200));
    back.setColorAt(1, QColor(214, 150, 110));
    p.fillRect(img.rect(), back);

    // Rays from the lower left, like light from a projector.
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 7; ++i) {
        QPainterPath ray;
        ray.moveTo(-20, kHeight + 20);
        ray.lineTo(kWidth + 40, 40.0 * i - 30);
        ray.lineTo(kWidth + 40, 40.0 * i - 12);
        ray.closeSubpath();
        p.setBrush(QColor(255, 255, 255, 36));
        p.drawPath(ray);
    }

    // A stack of three photos, each turned a little.
    const struct {
        double Angle, Dx, Dy;
        QColor Sky, Sun, Hills;
    } photos[] = {
        {-14, -18, 14, QColor(70, 120, 190), QColor(255, 220, 120), QColor(60, 130, 70)},
        {9, 16, -4, QColor(150, 80, 120), QColor(255, 170, 80), QColor(120, 80, 60)},
        {-3, 0, -18, QColor(40, 90, 170), QColor(255, 240, 170), QColor(40, 110, 90)},
    };
    for (const auto& ph : photos) {
        p.save();
        p.translate(kWidth / 2.0 + ph.Dx, 120 + ph.Dy);
        p.rotate(ph.Angle);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 60));
        p.drawRect(QRectF(-92 + 5, -70 + 6, 184, 150));
        DrawPhoto(p, QRectF(-92, -70, 184, 150), ph.Sky, ph.Sun, ph.Hills);
        p.restore();
    }

    // A document sheet in front: the show ends up in one file.
    p.save();
    p.translate(206, 226);
    p.rotate(6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawRect(QRectF(4, 5, 78, 96));
    QPainterPath sheet;
    sheet.moveTo(0, 0);
    sheet.lineTo(58, 0);
    sheet.lineTo(78, 20);
    sheet.lineTo(78, 96);
    sheet.lineTo(0, 96);
    sheet.closeSubpath();
    p.setPen(QPen(QColor(110, 110, 110), 1));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    p.setBrush(QColor(225, 225, 225));
    p.drawPolygon(QPolygonF({QPointF(58, 0), QPointF(58, 20), QPointF(78, 20)}));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(176, 30, 36));
    p.drawRect(QRectF(8, 30, 62, 22));
    p.setPen(Qt::white);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(15);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(8, 30, 62, 22), Qt::AlignCenter, QStringLiteral("PDF"));
    p.setPen(QPen(QColor(170, 170, 170), 2));
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(10, 62 + 8 * i), QPointF(i == 3 ? 44 : 68, 62 + 8 * i));
    p.restore();

    // A play sign: the photos run as a show.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(128, 0, 0, 220));
    p.drawEllipse(QPointF(62, 262), 34, 34);
    p.setBrush(QColor(255, 245, 230));
    p.drawPolygon(QPolygonF({QPointF(50, 244), QPointF(50, 280), QPointF(80, 262)}));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_about_picture OUTPUT.jpg\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    QImage img(kWidth, kHeight, QImage::Format_RGB888);
    DrawPicture(img);

    TDib dib{};
    if (!newdib(&dib, kWidth, kHeight, 24, nullptr, 0)) return 1;
    for (int y = 0; y < kHeight; ++y) {
        const uint8_t* src = img.constScanLine(y);
        uint8_t* dst = dib.Bits + std::size_t(kHeight - 1 - y) * dib.RowBytes; // bottom row first
        for (int x = 0; x < kWidth; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    SetJPEGQual(90);
    const int ok = SaveDib(&dib, argv[1], 7, 0);
    deldib(&dib);
    return ok ? 0 : 1;
}

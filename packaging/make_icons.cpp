// make_icons OUTDIR SIZE...: draws the program icon as OUTDIR/SIZE.png for every size. The
// shapes are those of de.pdflumeno.PDFLumeno.svg, on a 256 x 256 grid.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace {

void DrawIcon(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1B3A5C));
    p.drawRoundedRect(QRectF(16, 16, 224, 224), 40, 40);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(40, 52, 176, 136), 6, 6);
    p.setBrush(QColor(0x87CEEB));
    p.drawRect(QRectF(50, 62, 156, 116));
    p.setBrush(QColor(0xFFD23F));
    p.drawEllipse(QPointF(168, 96), 16, 16);
    p.setBrush(QColor(0x2E8B57));
    p.drawPolygon(QPolygonF({{50, 178}, {98, 116}, {138, 160}, {162, 136}, {206, 178}}));
    p.setBrush(QColor(0xF08A24));
    p.drawEllipse(QPointF(190, 190), 38, 38);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({{176, 170}, {176, 210}, {210, 190}}));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_icons OUTDIR SIZE...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 1 || size > 1024) return 2;
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 256.0, size / 256.0);
        DrawIcon(p);
        p.end();
        const QString path = QString::fromLocal8Bit(argv[1]) + "/" + QString::number(size) + ".png";
        if (!image.save(path, "PNG")) {
            std::fprintf(stderr, "make_icons: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}

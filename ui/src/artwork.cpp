#include "artwork.h"

#include "maker.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace lumeno::ui::artwork {
namespace {

QPixmap Blank(int w, int h) {
    QPixmap pm(w, h);
    pm.fill(Qt::transparent);
    return pm;
}

void DrawPage(QPainter& p, QColor corner) {
    QPainterPath page;
    page.moveTo(3, 1);
    page.lineTo(10, 1);
    page.lineTo(13, 4);
    page.lineTo(13, 15);
    page.lineTo(3, 15);
    page.closeSubpath();
    p.setPen(QColor(64, 64, 64));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.setBrush(corner);
    p.drawPolygon(QPolygon({QPoint(10, 1), QPoint(10, 4), QPoint(13, 4)}));
}

void DrawButtonFace(QPainter& p, const QRect& r, QColor top, QColor bottom, bool pressed) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, pressed ? bottom : top);
    g.setColorAt(1, pressed ? top : bottom);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 60, 40), 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
}

QPixmap TextButton(const QString& text, QColor top, QColor bottom, bool pressed,
                   void (*symbol)(QPainter&, const QRect&)) {
    QPixmap pm = Blank(101, 30);
    QPainter p(&pm);
    DrawButtonFace(p, pm.rect(), top, bottom, pressed);
    const int shift = pressed ? 1 : 0;
    symbol(p, QRect(8 + shift, 7 + shift, 16, 16));
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(13);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(60, 20, 0));
    p.drawText(QRect(28 + shift, shift, 70, 30), Qt::AlignVCenter | Qt::AlignLeft, text);
    return pm;
}

void InfoSymbol(QPainter& p, const QRect& r) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 80, 170));
    p.drawEllipse(r);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(r.center().x() - 1, r.top() + 3, 3, 3));
    p.drawRect(QRectF(r.center().x() - 1, r.top() + 7, 3, 6));
}

void ExitSymbol(QPainter& p, const QRect& r) {
    p.setPen(QPen(QColor(170, 30, 30), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(r.topLeft() + QPoint(3, 3), r.bottomRight() - QPoint(3, 3));
    p.drawLine(r.topRight() + QPoint(-3, 3), r.bottomLeft() + QPoint(3, -3));
}

} // namespace

QPixmap Icon(TIcon which) {
    QPixmap pm = Blank(16, 16);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (which) {
    case TIcon::New:
        DrawPage(p, QColor(220, 220, 220));
        p.setPen(QPen(QColor(230, 170, 0), 2));
        p.drawLine(11, 10, 15, 10);
        p.drawLine(13, 8, 13, 12);
        break;
    case TIcon::Open:
        p.setPen(QColor(120, 80, 0));
        p.setBrush(QColor(240, 200, 90));
        p.drawRect(QRectF(1.5, 4.5, 12, 9));
        p.setBrush(QColor(250, 225, 140));
        p.drawPolygon(QPolygonF(
            {QPointF(3.5, 7.5), QPointF(15.5, 7.5), QPointF(13.5, 13.5), QPointF(1.5, 13.5)}));
        break;
    case TIcon::Save:
        p.setPen(QColor(20, 30, 80));
        p.setBrush(QColor(50, 80, 170));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(3.5, 9.5, 9, 5));
        break;
    case TIcon::Photos:
        p.setPen(QColor(60, 60, 60));
        p.setBrush(QColor(150, 200, 240));
        p.drawRect(QRectF(1.5, 2.5, 13, 11));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(60, 150, 60));
        p.drawPolygon(QPolygonF(
            {QPointF(2, 13), QPointF(6, 7), QPointF(9, 11), QPointF(11, 9), QPointF(14, 13)}));
        p.setBrush(QColor(250, 210, 0));
        p.drawEllipse(QRectF(10, 4, 3, 3));
        break;
    case TIcon::Search:
        p.setPen(QPen(QColor(40, 40, 40), 2));
        p.setBrush(QColor(200, 230, 250));
        p.drawEllipse(QRectF(2, 2, 8, 8));
        p.setPen(QPen(QColor(120, 70, 20), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 10), QPointF(14, 14));
        break;
    case TIcon::Settings:
        p.setPen(QPen(QColor(70, 70, 70), 1.5));
        for (int y : {4, 8, 12})
            p.drawLine(2, y, 14, y);
        p.setPen(QColor(40, 40, 40));
        p.setBrush(QColor(230, 160, 60));
        p.drawRect(QRectF(4, 2.5, 3, 3));
        p.drawRect(QRectF(9, 6.5, 3, 3));
        p.drawRect(QRectF(6, 10.5, 3, 3));
        break;
    case TIcon::Pdf:
        DrawPage(p, QColor(200, 40, 40));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 40, 40));
        p.drawRect(QRectF(1, 8, 10, 5));
        p.setPen(Qt::white);
        p.drawLine(3, 10, 9, 10);
        break;
    case TIcon::Web:
        p.setPen(QPen(QColor(20, 70, 140), 1.2));
        p.setBrush(QColor(120, 180, 240));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(5, 1.5, 6, 13));
        p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
        p.drawLine(QPointF(3, 4.5), QPointF(13, 4.5));
        p.drawLine(QPointF(3, 11.5), QPointF(13, 11.5));
        break;
    }
    return pm;
}

QPixmap ColumnPicture(int page) {
    QPixmap pm(193, 281);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // Evening sky behind rolling hills, with a strip of film in front.
    QLinearGradient sky(0, 0, 0, 281);
    sky.setColorAt(0, QColor(192, 220, 192));
    sky.setColorAt(0.45, QColor(250, 236, 200));
    sky.setColorAt(1, QColor(kCaptionColour));
    p.fillRect(pm.rect(), sky);
    QRadialGradient sun(QPointF(140 - page * 20, 150), 40);
    sun.setColorAt(0, QColor(255, 240, 160));
    sun.setColorAt(1, QColor(255, 240, 160, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(sun);
    p.drawEllipse(QPointF(140 - page * 20, 150), 40, 40);
    QPainterPath hills;
    hills.moveTo(0, 230);
    hills.cubicTo(50, 190, 90, 215, 120, 205);
    hills.cubicTo(150, 195, 175, 210, 193, 200);
    hills.lineTo(193, 281);
    hills.lineTo(0, 281);
    p.setBrush(QColor(150, 190, 150));
    p.drawPath(hills);
    QPainterPath near;
    near.moveTo(0, 255);
    near.cubicTo(60, 235, 120, 265, 193, 245);
    near.lineTo(193, 281);
    near.lineTo(0, 281);
    p.setBrush(QColor(110, 160, 115));
    p.drawPath(near);
    // Film strip across the lower half, slightly tilted.
    p.save();
    p.translate(96, 112);
    p.rotate(-12 + page * 3);
    p.setBrush(QColor(45, 40, 40));
    p.drawRect(QRectF(-130, -26, 260, 52));
    p.setBrush(QColor(240, 230, 210));
    for (int i = -6; i <= 6; ++i) {
        p.drawRect(QRectF(i * 20 - 4, -23, 8, 5));
        p.drawRect(QRectF(i * 20 - 4, 18, 8, 5));
    }
    const QColor frames[] = {QColor(120, 170, 220), QColor(230, 170, 90), QColor(140, 200, 140),
                             QColor(210, 130, 150)};
    for (int i = -2; i <= 1; ++i) {
        p.setBrush(frames[(i + 2 + page) % 4]);
        p.drawRect(QRectF(i * 52 + 4, -15, 44, 30));
    }
    p.restore();
    return pm;
}

QPixmap AboutButton(bool pressed) {
    return TextButton(QStringLiteral("Info"), QColor(250, 230, 200), QColor(225, 180, 140), pressed,
                      InfoSymbol);
}

QPixmap ExitButton(bool pressed) {
    return TextButton(QStringLiteral("Beenden"), QColor(250, 230, 200), QColor(225, 180, 140),
                      pressed, ExitSymbol);
}

} // namespace lumeno::ui::artwork

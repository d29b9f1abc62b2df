#include "status_bar.h"

#include <QPainter>

namespace lumeno::ui {

TStatusBar::TStatusBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("StatusBar1"));
    setFixedHeight(19);
    setAutoFillBackground(true);
}

void TStatusBar::SetPanelText(const QString& text) {
    if (text == Text) return;
    Text = text;
    update(QRect(0, 0, kPanel1Width, height()));
}

QRect TStatusBar::Panel2Rect() const {
    return QRect(kPanel1Width + 2 + 1, 3, kPanel2Width - 2, height() - 5);
}

namespace {
void SunkenPanel(QPainter& p, const QRect& r) {
    p.setPen(QColor(128, 128, 128));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(Qt::white);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}
} // namespace

void TStatusBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(QColor(128, 128, 128));
    p.drawLine(0, 0, width() - 1, 0);
    const QRect panel1(0, 2, kPanel1Width, height() - 3);
    const QRect panel2(kPanel1Width + 2, 2, kPanel2Width, height() - 3);
    const QRect rest(kPanel1Width + kPanel2Width + 4, 2, width() - kPanel1Width - kPanel2Width - 4,
                     height() - 3);
    SunkenPanel(p, panel1);
    SunkenPanel(p, panel2);
    if (rest.width() > 2) SunkenPanel(p, rest);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(panel1.adjusted(3, 1, -2, -1), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
               Text);
    if (DrawPanel) {
        p.save();
        p.setClipRect(Panel2Rect());
        DrawPanel(p, Panel2Rect());
        p.restore();
    }
}

} // namespace lumeno::ui

// The image button: normal picture, pressed picture while the mouse is held on it.
#include "image_button.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace lumeno::ui {

TImageBtn::TImageBtn(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::TabFocus);
}

void TImageBtn::SetPicture(const QPixmap& picture) {
    picture_ = picture;
    if (!picture_.isNull()) resize(picture_.deviceIndependentSize().toSize());
    updateGeometry();
    update();
}

void TImageBtn::SetPicture2(const QPixmap& picture) {
    picture2_ = picture.copy();
    update();
}

QSize TImageBtn::sizeHint() const {
    return picture_.isNull() ? QSize(16, 16) : picture_.deviceIndependentSize().toSize();
}

void TImageBtn::ShowPressed() {
    if (pressedLook_) return;
    pressedLook_ = true;
    update();
}

void TImageBtn::ShowNormal() {
    if (!pressedLook_) return;
    pressedLook_ = false;
    update();
}

void TImageBtn::paintEvent(QPaintEvent*) {
    const QPixmap& shown = ShownPicture();
    if (shown.isNull()) return;
    QPainter p(this);
    p.drawPixmap(0, 0, shown);
    if (hasFocus()) {
        QStyleOptionFocusRect frame;
        frame.initFrom(this);
        frame.rect = rect().adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &p, this);
    }
}

void TImageBtn::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!event->isAutoRepeat()) emit clicked();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TImageBtn::mousePressEvent(QMouseEvent* event) {
    ShowPressed();
    mouseHeld_ = true;
    QWidget::mousePressEvent(event);
}

void TImageBtn::mouseMoveEvent(QMouseEvent* event) {
    if (mouseHeld_) {
        const QPoint pos = event->position().toPoint();
        if (pos.x() < 0 || pos.x() >= width() || pos.y() < 0 || pos.y() >= height())
            ShowNormal();
        else
            ShowPressed();
    }
    QWidget::mouseMoveEvent(event);
}

void TImageBtn::mouseReleaseEvent(QMouseEvent* event) {
    const bool wasHeld = mouseHeld_;
    ShowNormal();
    mouseHeld_ = false;
    QWidget::mouseReleaseEvent(event);
    // A click is a press and a release of the left button, both inside the control.
    if (wasHeld && event->button() == Qt::LeftButton &&
        rect().contains(event->position().toPoint())) {
        ShowNormal();
        emit clicked();
    }
}

} // namespace lumeno::ui

// TImageBtn: a picture that shows a second picture while the mouse button is held on it.
// Dragging off the control shows the normal picture again (and releasing there fires no
// click); dragging back on shows the pressed picture again. Tab reaches it (a click does not
// take the focus); with the focus, Space or Enter clicks it and a dotted frame shows it.
#pragma once

#include <QPixmap>
#include <QWidget>

namespace lumeno::ui {

class TImageBtn : public QWidget {
    Q_OBJECT
  public:
    explicit TImageBtn(QWidget* parent = nullptr);

    // The normal picture; the control sizes itself to it.
    QPixmap Picture() const { return picture_; }
    void SetPicture(const QPixmap& picture);
    // The pressed picture (a copy is kept).
    QPixmap Picture2() const { return picture2_; }
    void SetPicture2(const QPixmap& picture);

    // True while the pressed picture is shown.
    bool PressedLook() const { return pressedLook_; }
    // The picture currently shown.
    const QPixmap& ShownPicture() const { return pressedLook_ ? picture2_ : picture_; }

  signals:
    // A press and release of the left button inside the control.
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QSize sizeHint() const override;

  private:
    void ShowPressed();
    void ShowNormal();

    QPixmap picture_;
    QPixmap picture2_;
    bool pressedLook_ = false;
    bool mouseHeld_ = false;
};

} // namespace lumeno::ui

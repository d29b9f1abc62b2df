// The photo strip: the grid of thumbnails on the photos page (PaintBox1 inside ScrollBox1).
//
// The widget itself holds no state; it hands painting and mouse input to its TMainForm,
// which owns the photos, the current photo and the cached thumbnails. The geometry below is
// shared by painting, hit testing and scrolling.
#pragma once

#include <QRect>
#include <QWidget>

namespace lumeno::ui {

class TMainForm;

namespace strip {

inline constexpr int kCellWidth = 90;
inline constexpr int kCellHeight = 110;
inline constexpr int kThumbBox = 80;
inline constexpr int kWheelStep = 20;

// Columns for a strip `width` pixels wide: width div 90, at least 1.
int Cols(int width);
// Height of the strip: (count div cols + 1) * 110.
int Height(int count, int cols);
// Origin of the cell of the photo at 0-based position i.
QPoint CellOrigin(int i, int cols);
// Frame and hit rectangle of photo i: (2, 2) to (88, 108) in its cell, both ends included.
QRect FrameRect(int i, int cols);
// Thumbnail size for a W x H picture: 80 wide and H*80 div W high, or 80 high and W*80 div H
// wide when that would exceed 80. Neither side is ever below 1 (a very narrow or very flat
// picture would otherwise give a side of 0).
QSize ThumbSize(int w, int h);
// Where a w x h thumbnail is drawn inside its cell: centred in the 80 x 80 box at (5, 5).
QRect ThumbRect(QSize thumb);
// True when row `row` is at least partly visible for this scroll position and height.
bool RowVisible(int row, int scrollPos, int clientHeight);

} // namespace strip

class TPhotoStripBox : public QWidget {
    Q_OBJECT
  public:
    TPhotoStripBox(TMainForm* form, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

  private:
    TMainForm* Form;
};

} // namespace lumeno::ui

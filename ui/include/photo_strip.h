// The photo strip: the grid of thumbnails on the photos page (PaintBox1 inside ScrollBox1).
//
// TPhotoStrip draws the show's photos, makes their thumbnails, and turns clicks, keys and
// the wheel into a new current photo; the window hears of that through TPhotoStripHost. The
// widget TPhotoStripBox holds no state and hands painting and mouse input to its strip. The
// geometry below is shared by painting, hit testing and scrolling.
#pragma once

#include "lumeno/bitmap/photo_problem.h"
#include "lumeno/project/show.h"

#include <QObject>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <unordered_set>

class QScrollArea;
class TDibLoadOwner;

namespace lumeno::ui {

class TPhotoStrip;
class TThumbnailCache;
class TThumbnailLoader;

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
    explicit TPhotoStripBox(QWidget* parent);
    // Set by the strip that serves this widget.
    TPhotoStrip* Strip = nullptr;

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    bool event(QEvent* e) override; // tooltips
};

// What the strip asks of its window.
class TPhotoStripHost {
  public:
    // The current photo was chosen by a click or an arrow key (Show().CurFoto is set).
    virtual void PhotoChosen() = 0;
    // The strip and everything that shows the current photo are to be brought up to date.
    virtual void RefreshPhotos() = 0;
    // Double click or Enter on the current photo.
    virtual void OpenCurrentPhoto() = 0;
    // True while the photos page is the one shown (the wheel scrolls the strip only then).
    virtual bool PhotosPageShown() const = 0;

  protected:
    ~TPhotoStripHost() = default;
};

// Thumbnails are made on worker threads (thumbnail_loader.h): the strip asks for those of the
// visible cells, draws a cell blank until its thumbnail arrives, and puts each one into its
// photo on the window thread. Scrolling drops the queued loads of cells no longer visible.
class TPhotoStrip : public QObject {
  public:
    // `box` sits inside `scroll`; thumbnail loads report their progress to `progress`, on the
    // window thread. The desktop's thumbnail cache is used as the environment says
    // (TThumbnailCache::FromEnvironment).
    TPhotoStrip(TSlideShow& show, TPhotoStripHost& host, QScrollArea* scroll, TPhotoStripBox* box,
                QWidget* keyEdit, TDibLoadOwner* progress);
    ~TPhotoStrip() override;

    // Sets the strip's size from the scroll area and schedules the drawing of the visible rows;
    // files that failed are tried again.
    void Repaint();
    // Draws the visible rows with `p` on the strip; missing thumbnails are scheduled.
    // Only the cells meeting `exposed` (strip coordinates; all when empty) are drawn.
    void Draw(QPainter& p, const QRect& exposed = QRect());
    void ScrollImageInView();
    void MouseDown(const QPoint& pos);
    // Double click or Enter: the window opens the current photo.
    void OpenCurrent();
    // Returns true when the key was handled.
    bool KeyDown(int key);
    void WheelDown();
    void WheelUp();
    // A wheel event while the photos page is shown: wheel deltas (120 to a notch) are collected
    // and scroll 20 pixels per 120, so the small deltas of touchpads and free-spinning wheels
    // add up; a touchpad's pixel delta scrolls by its pixels. Positive deltas scroll up.
    // Returns false (not handled) on the other pages.
    bool Wheel(int angleDeltaY, int pixelDeltaY);
    // The tooltip of the cell at `pos` (strip coordinates): why its photo cannot be shown, or
    // empty for a photo that can.
    QString ToolTipAt(const QPoint& pos) const;
    // The strip has come into sight again (page shown, window brought to the front or
    // restored): files that failed are tried again.
    void Uncovered();
    int Cols() const;

    // Asks for the missing thumbnails of the visible rows, most urgent first, and drops the
    // queued loads of all other photos (scheduled by Draw, scrolling and Repaint). Returns at
    // once. Files that fail stay blank until the next Repaint() or scroll.
    void FillThumbnails();
    // True while thumbnails are asked for, in work or on their way to their photos.
    bool ThumbnailsPending() const;

    // Replaces the desktop's thumbnail cache (an empty one turns it off); for tests and the
    // benchmark, before thumbnails are asked for.
    void SetThumbnailCache(const TThumbnailCache& cache);
    // The workers, for tests (pausing them) and the benchmark.
    TThumbnailLoader& Loader() { return *Loader_; }

  private:
    // A finished load, on the window thread: into its photo if that is still in the show.
    void ThumbnailDone(uint64_t id, ScopedDib& thumb);
    void ScheduleFill();

    TSlideShow& Show;
    TPhotoStripHost& Host;
    QScrollArea* Scroll;
    TPhotoStripBox* Box;
    QWidget* KeyEdit;
    TDibLoadOwner* Progress;
    bool FillPending = false;
    int64_t WheelCollected = 0; // wheel delta times 20 not yet scrolled, in 1/120 pixel
    uint64_t NextPhotoId = 1;
    std::unordered_set<uint64_t> FailedThumbs; // photos whose load failed in this round
    // Why the last load of a photo failed; kept while it is tried again, so that its cell
    // does not flicker, and dropped when a load succeeds.
    std::unordered_map<uint64_t, TPhotoProblem> Problems;
    std::unique_ptr<TThumbnailLoader> Loader_;
};

} // namespace lumeno::ui

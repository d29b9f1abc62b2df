// The photo strip: its geometry, its widget, and TPhotoStrip (thumbnails, drawing, input).
#include "photo_strip.h"

#include "color_combo.h"
#include "dialogs.h"
#include "event_counts.h"
#include "messages.h"

#include "lumeno/bitmap/dib_ops.h"
#include "lumeno/bitmap/draw_dib.h"
#include "lumeno/core/text.h"
#include "qt_draw_target.h"
#include "thumbnail_loader.h"

#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>

#include <algorithm>

namespace lumeno::ui {
namespace strip {

int Cols(int width) {
    return std::max(1, width / kCellWidth);
}

int Height(int count, int cols) {
    return (count / cols + 1) * kCellHeight;
}

QPoint CellOrigin(int i, int cols) {
    return QPoint(kCellWidth * (i % cols), kCellHeight * (i / cols));
}

QRect FrameRect(int i, int cols) {
    const QPoint o = CellOrigin(i, cols);
    return QRect(QPoint(o.x() + 2, o.y() + 2), QPoint(o.x() + 88, o.y() + 108));
}

QSize ThumbSize(int w, int h) {
    const lumeno::ThumbSize t = ThumbnailSize(w, h);
    if (t.w < 1 || t.h < 1) return QSize(kThumbBox, kThumbBox);
    return QSize(t.w, t.h);
}

QRect ThumbRect(QSize thumb) {
    return QRect(5 + (kThumbBox - thumb.width()) / 2, 5 + (kThumbBox - thumb.height()) / 2,
                 thumb.width(), thumb.height());
}

bool RowVisible(int row, int scrollPos, int clientHeight) {
    const qint64 top = qint64(kCellHeight) * row;
    return top + kCellHeight >= scrollPos && top <= qint64(scrollPos) + clientHeight;
}

} // namespace strip

TPhotoStripBox::TPhotoStripBox(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PaintBox1"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPhotoStripBox::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    if (Strip) Strip->Draw(p, e->rect());
}

void TPhotoStripBox::mousePressEvent(QMouseEvent* e) {
    if (Strip) Strip->MouseDown(e->pos());
}

void TPhotoStripBox::mouseDoubleClickEvent(QMouseEvent* e) {
    if (!Strip) return;
    // The first click of the pair has already selected the photo under the mouse; only the
    // left button opens the viewer.
    Strip->MouseDown(e->pos());
    if (e->button() == Qt::LeftButton) Strip->OpenCurrent();
}

bool TPhotoStripBox::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip && Strip) {
        auto* help = static_cast<QHelpEvent*>(e);
        const QString tip = Strip->ToolTipAt(help->pos());
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, this);
        return true;
    }
    return QWidget::event(e);
}

void TPhotoStripBox::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (Strip) Strip->Uncovered();
}

// ---------------------------------------------------------------------------------------

TPhotoStrip::TPhotoStrip(TSlideShow& show, TPhotoStripHost& host, QScrollArea* scroll,
                         TPhotoStripBox* box, QWidget* keyEdit, TDibLoadOwner* progress)
    : QObject(box), Show(show), Host(host), Scroll(scroll), Box(box), KeyEdit(keyEdit),
      Progress(progress), Loader_(std::make_unique<TThumbnailLoader>(
                              [this](uint64_t id, ScopedDib& thumb) { ThumbnailDone(id, thumb); },
                              [this](int percent) {
                                  if (Progress) Progress->DibLoadProgress(percent);
                              })) {
    Box->Strip = this;
    Loader_->SetCache(TThumbnailCache::FromEnvironment());
    connect(Scroll->verticalScrollBar(), &QScrollBar::valueChanged, Box, [this] {
        FailedThumbs.clear();
        Box->update();
        // Even when every cell now shown has its thumbnail, the queued loads of those scrolled
        // away are to be dropped.
        ScheduleFill();
    });
    // The current cell shows whether the strip's keys act (see Draw).
    connect(qApp, &QApplication::focusChanged, Box, [this](QWidget* was, QWidget* now) {
        if (was == KeyEdit || now == KeyEdit) Box->update();
    });
}

// The workers stop before the strip goes; loads still running end unseen.
TPhotoStrip::~TPhotoStrip() = default;

void TPhotoStrip::SetThumbnailCache(const TThumbnailCache& cache) {
    Loader_->SetCache(cache);
}

bool TPhotoStrip::ThumbnailsPending() const {
    return FillPending || Loader_->Busy();
}

void TPhotoStrip::ScheduleFill() {
    if (FillPending) return;
    FillPending = true;
    QTimer::singleShot(0, this, [this] { FillThumbnails(); });
}

int TPhotoStrip::Cols() const {
    return strip::Cols(Scroll->viewport()->width());
}

void TPhotoStrip::Repaint() {
    // A repaint asked for by the program tries failed files again.
    FailedThumbs.clear();
    const int cols = Cols();
    const int w = Scroll->viewport()->width();
    const int h = strip::Height(Show.Count(), cols);
    if (Box->width() != w || Box->height() != h) Box->resize(w, h);
    Box->update();
    // The show may have changed: loads queued for photos no longer shown are dropped.
    ScheduleFill();
}

// A file that gives no picture: a sheet with a torn-off corner and a red cross, so that it
// cannot be taken for a dark photo.
static void DrawBrokenPicture(QPainter& p, const QRect& box, const QColor& fill) {
    p.save();
    p.fillRect(box, fill);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF sheet = QRectF(box).adjusted(14, 10, -14, -10);
    const qreal tear = sheet.width() / 3;
    const QPointF tl = sheet.topLeft(), br = sheet.bottomRight();
    const QPolygonF page({tl, QPointF(br.x() - tear, tl.y()),
                          QPointF(br.x() - tear * 0.6, tl.y() + tear * 0.5),
                          QPointF(br.x() - tear * 0.2, tl.y() + tear * 0.3),
                          QPointF(br.x(), tl.y() + tear), br, QPointF(tl.x(), br.y())});
    p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1.5));
    p.setBrush(QColor(0xF4, 0xF4, 0xF4));
    p.drawPolygon(page);
    const QPointF c = sheet.center() + QPointF(0, tear * 0.2);
    const qreal r = sheet.width() / 5;
    p.setPen(QPen(QColor(0xD0, 0x10, 0x10), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(-r, -r), c + QPointF(r, r));
    p.drawLine(c + QPointF(-r, r), c + QPointF(r, -r));
    p.restore();
}

template <typename F>
static void ForVisible(int count, int cols, int scrollPos, int clientH, F&& f) {
    const int firstRow = std::max(0, (scrollPos - strip::kCellHeight) / strip::kCellHeight);
    for (int i = firstRow * cols; i < count; ++i) {
        const int row = i / cols;
        if (qint64(strip::kCellHeight) * row > qint64(scrollPos) + clientH) break;
        if (strip::RowVisible(row, scrollPos, clientH)) f(i);
    }
}

void TPhotoStrip::FillThumbnails() {
    FillPending = false;
    std::vector<TThumbJob> jobs;
    // Visible cells in show order: the top rows first.
    ForVisible(Show.Count(), Cols(), Scroll->verticalScrollBar()->value(),
               Scroll->viewport()->height(), [&](int i) {
                   TFotoRecord& rec = Show.Fotos[i];
                   if (rec.Id == 0) rec.Id = NextPhotoId++;
                   if (!rec.Thumb.empty() || FailedThumbs.count(rec.Id)) return;
                   jobs.push_back({rec.Id, rec.FileName});
               });
    Loader_->Request(std::move(jobs));
}

void TPhotoStrip::ThumbnailDone(uint64_t id, ScopedDib& thumb) {
    // Every load that ended: made, read from the cache, or failed.
    counts::Add(*this, counts::kThumbnailLoads);
    // The photo may have moved, or left the show, while its thumbnail was made.
    for (int i = 0; i < Show.Count(); ++i) {
        TFotoRecord& rec = Show.Fotos[i];
        if (rec.Id != id) continue;
        if (thumb.empty()) {
            FailedThumbs.insert(id);
            Problems[id] = WhyPhotoUnreadable(rec.FileName); // a few bytes, failures only
        } else {
            Problems.erase(id);
            rec.Thumb = std::move(thumb);
        }
        Box->update(
            QRect(strip::CellOrigin(i, Cols()), QSize(strip::kCellWidth, strip::kCellHeight)));
        return;
    }
}

void TPhotoStrip::Draw(QPainter& p, const QRect& exposed) {
    const int cols = Cols();
    const int scrollPos = Scroll->verticalScrollBar()->value();
    const int clientH = Scroll->viewport()->height();
    QRect area(0, scrollPos, Box->width(), clientH);
    if (!exposed.isEmpty()) area &= exposed;
    p.fillRect(area, ApplicationWorkspaceColor());
    const QColor frameLight(Qt::white), frameDark(0x80, 0x80, 0x80);
    const QColor blue(0, 0, 255), silver(0xC0, 0xC0, 0xC0);
    bool missing = false;
    ForVisible(Show.Count(), cols, scrollPos, clientH, [&](int i) {
        TFotoRecord& rec = Show.Fotos[i];
        const TDib* picture = rec.Thumb.empty() ? nullptr : rec.Thumb.get();
        // Thumbnails are asked for outside the paint event and arrive later.
        const bool failed = rec.Id != 0 && FailedThumbs.count(rec.Id) != 0;
        if (!picture && !failed) missing = true;
        const bool broken = !picture && rec.Id != 0 && Problems.count(rec.Id) != 0;
        const QPoint o = strip::CellOrigin(i, cols);
        // A thumbnail that arrives repaints its own cell only.
        if (!area.intersects(QRect(o, QSize(strip::kCellWidth, strip::kCellHeight)))) return;
        const QColor fill = (i + 1 == Show.CurFoto) ? blue : silver;
        const QSize ts = picture ? strip::ThumbSize(DibWidth(*picture), DibHeight(*picture))
                                 : QSize(strip::kThumbBox, strip::kThumbBox);
        const QRect pic = strip::ThumbRect(ts).translated(o);
        // Frame: top and left white, right and bottom grey.
        const QPoint tl = o + QPoint(2, 2), br = o + QPoint(88, 108);
        p.setPen(frameLight);
        p.drawLine(tl.x(), tl.y(), br.x(), tl.y());
        p.drawLine(tl.x(), tl.y(), tl.x(), br.y());
        p.setPen(frameDark);
        p.drawLine(br.x(), tl.y(), br.x(), br.y());
        p.drawLine(tl.x(), br.y(), br.x(), br.y());
        // Fill around the picture: left and right full height, top and bottom between them.
        const QRect fillRect(o + QPoint(3, 3), o + QPoint(87, 107));
        p.fillRect(QRect(fillRect.topLeft(), QPoint(pic.left() - 1, fillRect.bottom())), fill);
        p.fillRect(QRect(QPoint(pic.right() + 1, fillRect.top()), fillRect.bottomRight()), fill);
        p.fillRect(QRect(QPoint(pic.left(), fillRect.top()), QPoint(pic.right(), pic.top() - 1)),
                   fill);
        p.fillRect(
            QRect(QPoint(pic.left(), pic.bottom() + 1), QPoint(pic.right(), fillRect.bottom())),
            fill);
        if (picture) {
            QtDrawTarget dc(p);
            ReportDrawDib(DrawDib(dc, pic.x(), pic.y(), pic.width(), pic.height(), *picture, 0, 0,
                                  DibWidth(*picture), DibHeight(*picture), true, kSrcCopy, true,
                                  nullptr));
        } else if (broken) {
            DrawBrokenPicture(p, pic, fill);
        } else {
            // Not loaded yet: the fill colour until the thumbnail arrives.
            p.fillRect(pic, fill);
        }
        // File name, one line, clipped to its rectangle, on the fill colour.
        const QRect nameRect(o + QPoint(3, 90), o + QPoint(87, 107));
        p.save();
        p.setClipRect(nameRect);
        p.setPen(i + 1 == Show.CurFoto ? QColor(Qt::white) : QColor(Qt::black));
        p.setFont(Box->font());
        p.drawText(nameRect.adjusted(1, 0, 0, 0),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   QString::fromUtf8(FileNameWithoutDir(rec.FileName).c_str()));
        p.restore();
        // While the keys act on the strip, a dotted frame on the fill around the current
        // photo says so to one who moves through the window by Tab.
        if (i + 1 == Show.CurFoto && KeyEdit->hasFocus()) {
            p.save();
            p.setPen(QPen(Qt::white, 1, Qt::DotLine));
            p.drawRect(QRect(o + QPoint(3, 3), o + QPoint(86, 106)));
            p.restore();
        }
    });
    if (missing) ScheduleFill();
}

void TPhotoStrip::ScrollImageInView() {
    if (!Show.HasCurrent()) return;
    const int cols = Cols();
    const int row = (Show.CurFoto - 1) / cols;
    const int top = strip::kCellHeight * row + 2;
    const int bottom = strip::kCellHeight * row + 108;
    // The strip must be tall enough before the scroll bar can reach the row.
    const int h = strip::Height(Show.Count(), cols);
    if (Box->height() != h) Box->resize(Scroll->viewport()->width(), h);
    QScrollBar* bar = Scroll->verticalScrollBar();
    const int pos = bar->value();
    const int clientH = Scroll->viewport()->height();
    if (top < pos)
        bar->setValue(top);
    else if (bottom > pos + clientH)
        bar->setValue(bottom - clientH + 1);
}

void TPhotoStrip::MouseDown(const QPoint& pos) {
    KeyEdit->setFocus(Qt::MouseFocusReason);
    const int cols = Cols();
    for (int i = 0; i < Show.Count(); ++i) {
        // Both ends of the hit area are included.
        if (strip::FrameRect(i, cols).contains(pos)) {
            Show.CurFoto = i + 1;
            Host.PhotoChosen();
            ScrollImageInView();
            Host.RefreshPhotos();
            return;
        }
    }
}

void TPhotoStrip::OpenCurrent() {
    Host.OpenCurrentPhoto();
}

bool TPhotoStrip::KeyDown(int key) {
    const int cols = Cols();
    const int n = Show.Count();
    // A page is as many whole rows as the strip shows, at least one.
    const int pageRows = std::max(1, Scroll->viewport()->height() / strip::kCellHeight);
    int& cur = Show.CurFoto;
    int target = cur;
    switch (key) {
    case Qt::Key_Up:
        if (cur - cols >= 1) target = cur - cols;
        break;
    case Qt::Key_Down:
        if (cur + cols <= n) target = cur + cols;
        break;
    case Qt::Key_Left:
        if (cur >= 2) target = cur - 1;
        break;
    case Qt::Key_Right:
        if (cur + 1 <= n) target = cur + 1;
        break;
    case Qt::Key_Home:
        target = std::min(1, n);
        break;
    case Qt::Key_End:
        target = n;
        break;
    case Qt::Key_PageUp:
        // Up by whole rows, the column kept; the first row when fewer rows lie above.
        target = cur - std::min(pageRows, (cur - 1) / cols) * cols;
        break;
    case Qt::Key_PageDown:
        target = cur + std::min(pageRows, (n - cur) / cols) * cols;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Host.OpenCurrentPhoto();
        return true;
    default:
        return false;
    }
    if (n > 0 && target != cur && target >= 1) {
        cur = target;
        Host.PhotoChosen();
    }
    ScrollImageInView();
    Host.RefreshPhotos();
    return true;
}

bool TPhotoStrip::Wheel(int angleDeltaY, int pixelDeltaY) {
    if (!Host.PhotosPageShown()) return false;
    QScrollBar* bar = Scroll->verticalScrollBar();
    if (pixelDeltaY != 0) {
        bar->setValue(bar->value() - pixelDeltaY);
        return true;
    }
    WheelCollected += int64_t{angleDeltaY} * strip::kWheelStep;
    // Rounded down, so that what is scrolled is always the collected total's share.
    int64_t pixels = WheelCollected / 120;
    if (WheelCollected % 120 < 0) --pixels;
    WheelCollected -= pixels * 120;
    if (pixels != 0) bar->setValue(bar->value() - int(pixels));
    return true;
}

QString TPhotoStrip::ToolTipAt(const QPoint& pos) const {
    const int cols = Cols();
    for (int i = 0; i < Show.Count(); ++i) {
        if (!strip::FrameRect(i, cols).contains(pos)) continue;
        const TFotoRecord& rec = Show.Fotos[i];
        const auto failed = Problems.find(rec.Id);
        if (rec.Id == 0 || !rec.Thumb.empty() || failed == Problems.end()) return {};
        return PhotoProblemText(failed->second);
    }
    return {};
}

void TPhotoStrip::Uncovered() {
    if (FailedThumbs.empty()) return;
    FailedThumbs.clear();
    Box->update();
}

void TPhotoStrip::WheelDown() {
    if (!Host.PhotosPageShown()) return;
    QScrollBar* bar = Scroll->verticalScrollBar();
    bar->setValue(bar->value() + strip::kWheelStep);
}

void TPhotoStrip::WheelUp() {
    if (!Host.PhotosPageShown()) return;
    QScrollBar* bar = Scroll->verticalScrollBar();
    bar->setValue(bar->value() - strip::kWheelStep);
}

} // namespace lumeno::ui

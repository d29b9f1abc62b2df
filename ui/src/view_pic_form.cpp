// The picture viewer: zoomed photo in a scroll box, panning by dragging, printing, opening
// the file in the system's program.
#include "view_pic_form.h"

#include "color_combo.h"
#include "dialogs.h"
#include "event_counts.h"
#include "messages.h"
#include "print_form.h"
#include "spin_edit.h"
#include "window_settings.h"

#include <lumeno/bitmap/dib_ops.h>
#include <lumeno/bitmap/draw_dib.h>
#include <lumeno/export/shell_open.h>
#include <qt_draw_target.h>

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace lumeno::ui {
namespace {

constexpr int kClientWidth = 524;
constexpr int kClientHeight = 386;

// The zoom field's lowest step, shown as "Einpassen": the photo fitted into the window.
constexpr int kFitZoom = 4;
// The viewer's first size, as a part of the screen's free area.
constexpr double kFirstSizeShare = 0.8;

int DisplayedSide(int side, int zoom) {
    const double v = std::trunc(double(side) * zoom / 100.0);
    return int(std::clamp(v, 0.0, double(QWIDGETSIZE_MAX)));
}

} // namespace

// The picture surface: hands painting and mouse input to the window. Mouse positions are
// passed on the visible area of the scroll box, which does not move while the view scrolls.
class TPicSurface : public QWidget {
  public:
    TPicSurface(TViewPicForm* form, QWidget* parent) : QWidget(parent), form_(form) {
        setCursor(Qt::PointingHandCursor);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

  protected:
    void paintEvent(QPaintEvent*) override { form_->SurfacePaint(this); }
    void mousePressEvent(QMouseEvent* e) override { form_->PaintBox1MouseDown(OnViewport(e)); }
    void mouseMoveEvent(QMouseEvent* e) override { form_->PaintBox1MouseMove(OnViewport(e)); }
    void mouseReleaseEvent(QMouseEvent*) override { form_->PaintBox1MouseUp(); }

  private:
    QPoint OnViewport(QMouseEvent* e) const {
        return mapToParent(e->position().toPoint()); // the parent is the scroll box's viewport
    }
    TViewPicForm* form_;
};

TViewPicForm::TViewPicForm(QWidget* parent)
    : QDialog(parent), ShellOpen([](const std::string& path) { ShellOpenFile(path); }) {
    setObjectName(QStringLiteral("ViewPicForm"));
    setWindowTitle(QStringLiteral("Bild betrachten..."));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    resize(kClientWidth, kClientHeight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Panel5 = new QWidget(this);
    Panel5->setObjectName(QStringLiteral("Panel5"));
    Panel5->setFixedHeight(41);
    ReadyBtn = new QPushButton(QStringLiteral("&Zurück..."), Panel5);
    ReadyBtn->setObjectName(QStringLiteral("ReadyBtn"));
    ReadyBtn->setGeometry(8, 8, 97, 25);
    PrintBrn = new QPushButton(QStringLiteral("&Drucken"), Panel5);
    PrintBrn->setObjectName(QStringLiteral("PrintBrn"));
    PrintBrn->setGeometry(112, 8, 97, 25);
    OpenBtn = new QPushButton(QString::fromUtf8("Ö&ffnen..."), Panel5);
    OpenBtn->setObjectName(QStringLiteral("OpenBtn"));
    OpenBtn->setGeometry(216, 8, 97, 25);
    ZoomLabel = new QLabel(QStringLiteral("Z&oom:"), Panel5);
    ZoomLabel->setObjectName(QStringLiteral("Label1"));
    ZoomLabel->setGeometry(328, 8, 40, 25);
    ZoomEd = new TSpinEdit(kFitZoom, 9000, 100, Panel5);
    ZoomEd->setObjectName(QStringLiteral("ZoomEd"));
    ZoomEd->setSpecialValueText(QStringLiteral("Einpassen"));
    ZoomEd->SetNonNumberValue(5);
    ZoomEd->setSingleStep(10);
    ZoomEd->setToolTip(QStringLiteral("Strg+0: zwischen Einpassen und 100 % wechseln"));
    ZoomEd->setGeometry(370, 8, 85, 25);
    ZoomLabel->setBuddy(ZoomEd);
    auto* percent = new QLabel(QStringLiteral("%"), Panel5);
    percent->setGeometry(459, 8, 16, 25);
    for (QPushButton* b : {ReadyBtn, PrintBrn, OpenBtn})
        b->setAutoDefault(false);
    layout->addWidget(Panel5);

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette pal = ScrollBox1->viewport()->palette();
    pal.setColor(QPalette::Window, ApplicationWorkspaceColor());
    ScrollBox1->viewport()->setPalette(pal);
    ScrollBox1->viewport()->setAutoFillBackground(true);
    PaintBox1 = new TPicSurface(this, nullptr);
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    PaintBox1->resize(0, 0);
    ScrollBox1->setWidget(PaintBox1);
    layout->addWidget(ScrollBox1, 1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);
    layout->addWidget(StatusBar1);

    connect(ReadyBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(PrintBrn, &QPushButton::clicked, this, &TViewPicForm::PrintBrnClick);
    connect(OpenBtn, &QPushButton::clicked, this, &TViewPicForm::OpenBtnClick);
    connect(ZoomEd, qOverload<int>(&QSpinBox::valueChanged), this, &TViewPicForm::ZoomEdChange);
    auto* fitKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_0), this);
    connect(fitKey, &QShortcut::activated, this, &TViewPicForm::ToggleFit);
}

TViewPicForm::~TViewPicForm() {
    // The zoom field may report a corrected value while it is hidden during destruction; this
    // window's handler must no longer run then.
    ZoomEd->disconnect(this);
}

int TViewPicForm::ShowModal() {
    Dragging = false;
    Busy = false;
    ScrollBox1->horizontalScrollBar()->setValue(0);
    ScrollBox1->verticalScrollBar()->setValue(0);
    if (!Placed) {
        // Where the user left it in an earlier run; else most of the screen, centred.
        Placed = true;
        if (!RestoreWindowGeometry(*this, QStringLiteral("ViewPicForm"))) {
            if (const QScreen* screen = QGuiApplication::primaryScreen()) {
                const QRect avail = screen->availableGeometry();
                resize((avail.size() * kFirstSizeShare).expandedTo(size()).boundedTo(avail.size()));
                move(avail.center() - frameGeometry().center() + pos());
            }
        }
    }
    // Every photo opens fitted until the user picks a zoom; that zoom then stays.
    if (!ZoomChosen) SetFitted(true);
    return exec();
}

bool TViewPicForm::Fitted() const {
    return ZoomEd->Value() == kFitZoom;
}

void TViewPicForm::SetFitted(bool fitted) {
    const bool chosen = ZoomChosen;
    ZoomEd->SetValue(fitted ? kFitZoom : 100);
    ZoomChosen = chosen;
    PaintBox1Paint();
}

void TViewPicForm::ToggleFit() {
    SetFitted(!Fitted());
    ZoomChosen = true;
}

void TViewPicForm::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (Fitted()) PaintBox1Paint();
}

void TViewPicForm::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (Placed) SaveWindowGeometry(*this, QStringLiteral("ViewPicForm"));
}

QSize TViewPicForm::DisplayedSize() const {
    if (!Image.Bits) return QSize(0, 0);
    if (Fitted()) {
        // The whole photo in the visible area without scroll bars, never enlarged.
        const int frame = 2 * ScrollBox1->frameWidth();
        const double w = DibWidth(Image), h = DibHeight(Image);
        const double room = std::min({1.0, (ScrollBox1->width() - frame) / std::max(1.0, w),
                                      (ScrollBox1->height() - frame) / std::max(1.0, h)});
        return QSize(std::max(1, int(w * room)), std::max(1, int(h * room)));
    }
    const int zoom = ZoomEd->Value();
    return QSize(DisplayedSide(DibWidth(Image), zoom), DisplayedSide(DibHeight(Image), zoom));
}

bool TViewPicForm::ResizeSurfaceStep() {
    const QSize size = DisplayedSize();
    bool changed = false;
    if (PaintBox1->width() != size.width()) {
        PaintBox1->resize(size.width(), PaintBox1->height());
        changed = true;
    }
    // A surface without area is never painted, so it would never take its next step: then
    // the height follows at once.
    if ((!changed || PaintBox1->width() == 0 || PaintBox1->height() == 0) &&
        PaintBox1->height() != size.height()) {
        PaintBox1->resize(PaintBox1->width(), size.height());
        changed = true;
    }
    return changed;
}

void TViewPicForm::ZoomEdChange() {
    ZoomChosen = true;
    PaintBox1Paint();
}

void TViewPicForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    PaintBox1Paint();
}

void TViewPicForm::PaintBox1Paint() {
    if (Busy) return;
    if (ResizeSurfaceStep()) return; // the scroll box paints the resized surface again
    PaintBox1->repaint();
}

void TViewPicForm::SurfacePaint(QWidget* surface) {
    if (Busy) return;
    if (ResizeSurfaceStep()) return;
    if (!Image.Bits || surface->width() < 1 || surface->height() < 1) return;
    QPainter painter(surface);
    QtDrawTarget dc(painter);
    ReportDrawDib(DrawDib(dc, 0, 0, surface->width(), surface->height(), Image, 0, 0,
                          DibWidth(Image), DibHeight(Image), true, kSrcCopy, false, nullptr));
    counts::Add(*this, counts::kViewerDraws);
}

void TViewPicForm::PaintBox1MouseDown(const QPoint& viewportPos) {
    Dragging = true;
    DragStartX = viewportPos.x();
    DragStartY = viewportPos.y();
    DragStartHorz = ScrollBox1->horizontalScrollBar()->value();
    DragStartVert = ScrollBox1->verticalScrollBar()->value();
}

void TViewPicForm::PaintBox1MouseMove(const QPoint& viewportPos) {
    if (!Dragging) return;
    Busy = true;
    ScrollBox1->horizontalScrollBar()->setValue(DragStartX + DragStartHorz - viewportPos.x());
    ScrollBox1->verticalScrollBar()->setValue(DragStartY + DragStartVert - viewportPos.y());
    Busy = false;
    PaintBox1Paint();
}

void TViewPicForm::PaintBox1MouseUp() {
    Dragging = false;
}

void TViewPicForm::OpenBtnClick() {
    if (ImageFileName.isEmpty() || !ShellOpen) return;
    ShellOpen(QFile::encodeName(ImageFileName).toStdString());
}

void TViewPicForm::PrintBrnClick() {
    TPrintForm form(this);
    form.Image = Image; // a copy of the record; the print window never frees it
    if (form.exec() != QDialog::Accepted) return;
    const TPrintLayout layout = form.Layout();
    const std::optional<TPrintOutcome> outcome =
        PrintToChosenFile(this, PrinterPort().Printer(), Image, layout);
    if (outcome && *outcome != TPrintOutcome::Printed)
        Dialogs().MessageBox(this, PrintOutcomeMessage(*outcome), QStringLiteral("Drucken"), mbOK,
                             TMsgIcon::Error);
}

} // namespace lumeno::ui

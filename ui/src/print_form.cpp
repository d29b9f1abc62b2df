// The print layout window, the page geometry of a printed photo and the print job itself.
#include "print_form.h"
#include "messages.h"

#include "dialogs.h"
#include "settings_store.h"
#include "spin_edit.h"

#include <lumeno/bitmap/dib_ops.h>
#include <lumeno/bitmap/draw_dib.h>
#include <qt_draw_target.h>

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>

#include <algorithm>
#include <cmath>
#include <memory>

namespace lumeno::ui {
namespace {

constexpr int kPreviewSize = 190;
constexpr char kSettingsSection[] = "TPrintForm";
constexpr char kWidthKey[] = "BreitEdit.Value";
constexpr char kHeightKey[] = "HochEdit.Value";
constexpr char kStateKey[] = "WindowState";

// Rounds to the nearest integer, halves to even.
int RoundHalfEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

// Percentages are bounded to 1..100 like the spin fields bound them.
int BoundPercent(double v) {
    if (!(v >= 1.0)) return 1; // also NaN
    if (v > 100.0) return 100;
    return static_cast<int>(v);
}

// The system's default printer, made when it is first needed. Without any system printer
// it is Qt's PDF-file printer, whose file is chosen when printing.
class TSystemPrinterPort : public TPrinterPort {
  public:
    QSize PageSize() override {
        QPrinter& p = Printer_();
        return p.pageLayout().paintRectPixels(p.resolution()).size();
    }
    bool Setup(QWidget* parent) override {
        if (!Printer()) return false;
        QPrintDialog dialog(&Printer_(), parent);
        dialog.setWindowTitle(QStringLiteral("Drucker einrichten"));
        return dialog.exec() == QDialog::Accepted;
    }
    QPrinter* Printer() override {
        QPrinter& p = Printer_();
        return p.isValid() ? &p : nullptr;
    }

  private:
    QPrinter& Printer_() {
        if (!printer_) {
            printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
            if (printer_->printerName().isEmpty() && QPrinterInfo::availablePrinters().isEmpty())
                printer_->setOutputFormat(QPrinter::PdfFormat);
        }
        return *printer_;
    }
    std::unique_ptr<QPrinter> printer_;
};

TPrinterPort* g_port = nullptr;

TPrinterPort& SystemPort() {
    static TSystemPrinterPort port;
    return port;
}

} // namespace

// Surfaces that hand their painting to the window.
class TPreviewSurface : public QWidget {
  public:
    TPreviewSurface(TPrintForm* form, QWidget* parent) : QWidget(parent), form_(form) {}

  protected:
    void paintEvent(QPaintEvent*) override { form_->DrawPreview(this); }

  private:
    TPrintForm* form_;
};

QSize TQPrinterPort::PageSize() {
    return printer_.pageLayout().paintRectPixels(printer_.resolution()).size();
}

TPrinterPort& PrinterPort() {
    return g_port ? *g_port : SystemPort();
}

TPrinterPort* SetPrinterPort(TPrinterPort* port) {
    TPrinterPort* previous = g_port;
    g_port = port;
    return previous;
}

QRect PrintRect(QSize page, int imageWidth, int imageHeight, const TPrintLayout& layout) {
    const int64_t pw = page.width(), ph = page.height();
    if (pw < 1 || ph < 1 || imageWidth < 1 || imageHeight < 1) return {};
    int64_t w = 0, h = 0;
    if (layout.UseFull) {
        w = pw;
        h = ph;
        if (layout.KeepAspect) {
            if (ph < w * imageHeight / imageWidth)
                w = h * imageWidth / imageHeight;
            else
                h = w * imageHeight / imageWidth;
        }
    } else {
        w = RoundHalfEven(double(pw) * layout.WidthPercent / 100.0);
        h = RoundHalfEven(double(ph) * layout.HeightPercent / 100.0);
    }
    int64_t x = 0, y = 0;
    if (layout.Centred) {
        x = (pw - w) / 2;
        y = (ph - h) / 2;
    }
    return QRect(int(x), int(y), int(w), int(h));
}

TPrintOutcome PrintPicture(QPrinter* printer, const TDib& image, const TPrintLayout& layout) {
    if (!printer) return TPrintOutcome::NoPrinter;
    const int iw = DibWidth(image), ih = DibHeight(image);
    if (!image.Bits || iw < 1 || ih < 1) return TPrintOutcome::EmptyImage;
    if (printer->outputFormat() == QPrinter::PdfFormat && printer->outputFileName().isEmpty())
        return TPrintOutcome::NoPrinter;
    const QSize page = printer->pageLayout().paintRectPixels(printer->resolution()).size();
    if (page.width() < 1 || page.height() < 1) return TPrintOutcome::EmptyPage;
    printer->setDocName(QStringLiteral("Quintal Bild"));
    printer->setCreator(QStringLiteral("PDF Lumeno"));
    QPainter painter;
    if (!painter.begin(printer)) return TPrintOutcome::JobRefused;
    const QRect r = PrintRect(page, iw, ih, layout);
    if (!r.isEmpty()) {
        QtDrawTarget dc(painter);
        ReportDrawDib(DrawDib(dc, r.x(), r.y(), r.width(), r.height(), image, 0, 0, iw, ih, false,
                              kSrcCopy, true, nullptr));
    }
    if (!painter.end()) return TPrintOutcome::JobRefused;
    return TPrintOutcome::Printed;
}

std::optional<TPrintOutcome> PrintToChosenFile(QWidget* parent, QPrinter* printer,
                                               const TDib& image, const TPrintLayout& layout) {
    if (!printer || printer->outputFormat() != QPrinter::PdfFormat ||
        !printer->outputFileName().isEmpty())
        return PrintPicture(printer, image, layout);
    const QString name = Dialogs().GetSaveFileName(parent, QStringLiteral("In PDF-Datei drucken"),
                                                   QStringLiteral("PDF-Dateien (*.pdf)"),
                                                   QStringLiteral("pdf"), true);
    if (name.isEmpty()) return std::nullopt;
    printer->setOutputFileName(name);
    const TPrintOutcome outcome = PrintPicture(printer, image, layout);
    printer->setOutputFileName(QString());
    return outcome;
}

TPrintForm::TPrintForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("PrintForm"));
    setWindowTitle(QStringLiteral("Bild drucken..."));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(427, 328);

    RxLabel1 = new QLabel(QStringLiteral("Vorschau:"), this);
    RxLabel1->setObjectName(QStringLiteral("RxLabel1"));
    RxLabel1->setGeometry(8, 6, 200, 18);

    PreviewPanel = new QFrame(this);
    PreviewPanel->setObjectName(QStringLiteral("Panel1"));
    PreviewPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PreviewPanel->setLineWidth(1);
    PreviewPanel->setGeometry(8, 26, 200, 225);
    PrintPaintBox = new TPreviewSurface(this, PreviewPanel);
    PrintPaintBox->setObjectName(QStringLiteral("PrintPaintBox"));
    PrintPaintBox->setGeometry(5, 17, kPreviewSize, kPreviewSize);

    GroupBox1 = new QGroupBox(QString::fromUtf8("Druckgröße"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(216, 20, 203, 140);
    UseFullCheck = new QRadioButton(QStringLiteral("Seite &voll nutzen"), GroupBox1);
    UseFullCheck->setObjectName(QStringLiteral("UseFullCheck"));
    UseFullCheck->setGeometry(12, 22, 180, 20);
    UseFullCheck->setChecked(true);
    UserdefCheck = new QRadioButton(QStringLiteral("Ben&utzerdefiniert"), GroupBox1);
    UserdefCheck->setObjectName(QStringLiteral("UserdefCheck"));
    UserdefCheck->setGeometry(12, 46, 180, 20);
    auto* breitLabel = new QLabel(QStringLiteral("B&reite in %:"), GroupBox1);
    breitLabel->setGeometry(30, 78, 80, 20);
    BreitEdit = new TSpinEdit(1, 100, 50, GroupBox1);
    BreitEdit->setObjectName(QStringLiteral("BreitEdit"));
    BreitEdit->setGeometry(112, 76, 65, 24);
    breitLabel->setBuddy(BreitEdit);
    auto* hochLabel = new QLabel(QString::fromUtf8("&Höhe in %:"), GroupBox1);
    hochLabel->setGeometry(30, 106, 80, 20);
    HochEdit = new TSpinEdit(1, 100, 50, GroupBox1);
    HochEdit->setObjectName(QStringLiteral("HochEdit"));
    HochEdit->setGeometry(112, 104, 65, 24);
    hochLabel->setBuddy(HochEdit);

    GroupBox2 = new QGroupBox(QStringLiteral("Druckoptionen"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(216, 168, 203, 83);
    SverhCheck = new QCheckBox(QString::fromUtf8("&Seitenverhältnis beibehalten"), GroupBox2);
    SverhCheck->setObjectName(QStringLiteral("SverhCheck"));
    SverhCheck->setGeometry(12, 24, 186, 20);
    SverhCheck->setChecked(true);
    ZentrCheck = new QCheckBox(QStringLiteral("&Zentrierte Ausgabe"), GroupBox2);
    ZentrCheck->setObjectName(QStringLiteral("ZentrCheck"));
    ZentrCheck->setGeometry(12, 50, 186, 20);
    ZentrCheck->setChecked(true);

    auto* bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    bevel->setGeometry(8, 264, 411, 2);

    OkBitBtn1 = new QPushButton(QStringLiteral("&OK"), this);
    OkBitBtn1->setObjectName(QStringLiteral("OkBitBtn1"));
    OkBitBtn1->setGeometry(8, 282, 97, 27);
    OkBitBtn1->setDefault(true);
    PrintSetupBtn = new QPushButton(QStringLiteral("Drucker &einrichten..."), this);
    PrintSetupBtn->setObjectName(QStringLiteral("PrintSetupBtn"));
    PrintSetupBtn->setGeometry(143, 282, 141, 27);
    PrintSetupBtn->setAutoDefault(false);
    CancelBitBtn2 = new QPushButton(QStringLiteral("A&bbrechen"), this);
    CancelBitBtn2->setObjectName(QStringLiteral("CancelBitBtn2"));
    CancelBitBtn2->setGeometry(322, 282, 97, 27);
    CancelBitBtn2->setAutoDefault(false);

    connect(OkBitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(PrintSetupBtn, &QPushButton::clicked, this, &TPrintForm::PrintSetupBtnClick);
    connect(UseFullCheck, &QRadioButton::clicked, this, &TPrintForm::PrintPaintBoxPaint);
    connect(SverhCheck, &QCheckBox::clicked, this, &TPrintForm::PrintPaintBoxPaint);
    connect(ZentrCheck, &QCheckBox::clicked, this, &TPrintForm::PrintPaintBoxPaint);
    connect(UserdefCheck, &QRadioButton::clicked, this, &TPrintForm::UserdefCheckClick);
    connect(BreitEdit, qOverload<int>(&QSpinBox::valueChanged), this, &TPrintForm::BreitEditChange);
    connect(HochEdit, qOverload<int>(&QSpinBox::valueChanged), this, &TPrintForm::HochEditChange);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TPrintForm::~TPrintForm() {
    // Hiding the fields while the window is taken down makes them correct a half-typed value
    // and report it; by then this window's handlers must no longer run.
    BreitEdit->disconnect(this);
    HochEdit->disconnect(this);
}

TPrintLayout TPrintForm::Layout() const {
    TPrintLayout l;
    l.UseFull = UseFullCheck->isChecked();
    l.KeepAspect = SverhCheck->isChecked();
    l.Centred = ZentrCheck->isChecked();
    l.WidthPercent = BreitEdit->Value();
    l.HeightPercent = HochEdit->Value();
    return l;
}

QRect TPrintForm::PreviewPageRect() const {
    const QSize page = page_.isValid() ? page_ : PrinterPort().PageSize();
    const int64_t pw = page.width(), ph = page.height();
    if (pw < 1 || ph < 1) return {};
    int w = 0, h = 0;
    if (ph < pw) {
        w = kPreviewSize;
        h = int(kPreviewSize * ph / pw);
    } else {
        h = kPreviewSize;
        w = int(kPreviewSize * pw / ph);
    }
    return QRect((kPreviewSize - w) / 2, (kPreviewSize - h) / 2, w, h);
}

QRect TPrintForm::PreviewPictureRect() const {
    const QRect pageRect = PreviewPageRect();
    const int64_t iw = DibWidth(Image), ih = DibHeight(Image);
    if (pageRect.isEmpty() || iw < 1 || ih < 1) return {};
    const int64_t pw = pageRect.width(), ph = pageRect.height();
    int64_t w = pw, h = ph;
    if (UseFullCheck->isChecked()) {
        if (SverhCheck->isChecked()) {
            if (ph < pw * ih / iw) {
                w = ph * iw / ih;
                h = ph;
            } else {
                w = pw;
                h = pw * ih / iw;
            }
        }
    } else {
        w = RoundHalfEven(double(pw) * BreitEdit->Value() / 100.0);
        h = RoundHalfEven(double(ph) * HochEdit->Value() / 100.0);
    }
    int64_t x = pageRect.left(), y = pageRect.top();
    if (ZentrCheck->isChecked()) {
        x += (pw - w) / 2;
        y += (ph - h) / 2;
    }
    return QRect(int(x), int(y), int(w), int(h));
}

void TPrintForm::PrintPaintBoxPaint() {
    PrintPaintBox->update();
}

void TPrintForm::DrawPreview(QWidget* surface) {
    page_ = PrinterPort().PageSize();
    QPainter p(surface);
    const QRect pageRect = PreviewPageRect();
    if (!pageRect.isEmpty()) {
        p.fillRect(pageRect, Qt::white);
        p.setPen(Qt::white);
        p.drawRect(pageRect.adjusted(0, 0, -1, -1));
        const QRect pic = PreviewPictureRect();
        if (!pic.isEmpty() && Image.Bits) {
            QtDrawTarget dc(p);
            ReportDrawDib(DrawDib(dc, pic.x(), pic.y(), pic.width(), pic.height(), Image, 0, 0,
                                  DibWidth(Image), DibHeight(Image), true, kSrcCopy, true,
                                  nullptr));
        }
    }
    p.end();
    // The page may have changed since the percentages were coupled (printer setup): couple
    // them again. Only a changed field asks for one more paint, so painting comes to rest.
    if (Updating) return;
    Updating = true;
    const bool changed = CoupleHeightToWidth();
    Updating = false;
    if (changed) PrintPaintBox->update();
}

bool TPrintForm::CoupleHeightToWidth() {
    if (!SverhCheck->isChecked()) return false;
    const QSize page = page_.isValid() ? page_ : PrinterPort().PageSize();
    const int64_t iw = DibWidth(Image), ih = DibHeight(Image);
    if (iw < 1 || ih < 1 || page.width() < 1 || page.height() < 1) return false;
    const int width = BreitEdit->Value();
    const double raw = double(ih * width) / double(iw) * page.width() / page.height();
    const int height = BoundPercent(std::trunc(raw));
    bool changed = false;
    if (HochEdit->Value() != height || HochEdit->text() != QString::number(height)) {
        HochEdit->SetValue(height);
        changed = true;
    }
    // A height that had to be bounded takes the width with it, so the pair stays in proportion.
    if (std::trunc(raw) != height) {
        const int w = BoundPercent(
            std::trunc(double(iw * height) / double(ih) * page.height() / page.width()));
        if (w != width) {
            BreitEdit->SetValue(w);
            changed = true;
        }
    }
    return changed;
}

bool TPrintForm::CoupleWidthToHeight() {
    if (!SverhCheck->isChecked()) return false;
    const QSize page = page_.isValid() ? page_ : PrinterPort().PageSize();
    const int64_t iw = DibWidth(Image), ih = DibHeight(Image);
    if (iw < 1 || ih < 1 || page.width() < 1 || page.height() < 1) return false;
    const int height = HochEdit->Value();
    const double raw = double(iw * height) / double(ih) * page.height() / page.width();
    const int width = BoundPercent(std::trunc(raw));
    bool changed = false;
    if (BreitEdit->Value() != width || BreitEdit->text() != QString::number(width)) {
        BreitEdit->SetValue(width);
        changed = true;
    }
    if (std::trunc(raw) != width) {
        const int h = BoundPercent(
            std::trunc(double(ih * width) / double(iw) * page.width() / page.height()));
        if (h != height) {
            HochEdit->SetValue(h);
            changed = true;
        }
    }
    return changed;
}

void TPrintForm::BreitEditChange() {
    if (Updating) return;
    Updating = true;
    page_ = PrinterPort().PageSize();
    CoupleHeightToWidth();
    PrintPaintBoxPaint();
    Updating = false;
}

void TPrintForm::HochEditChange() {
    if (Updating) return;
    Updating = true;
    page_ = PrinterPort().PageSize();
    CoupleWidthToHeight();
    PrintPaintBoxPaint();
    Updating = false;
}

void TPrintForm::UserdefCheckClick() {
    if (!UserdefCheck->isChecked()) return;
    BreitEditChange();
    PrintPaintBoxPaint();
}

void TPrintForm::FormShow() {
    BreitEditChange();
}

void TPrintForm::PrintSetupBtnClick() {
    if (!PrinterPort().Printer()) {
        Dialogs().MessageBox(this, PrintOutcomeMessage(TPrintOutcome::NoPrinter),
                             QStringLiteral("Drucker einrichten"), mbOK, TMsgIcon::Warning);
    } else {
        PrinterPort().Setup(this);
    }
    page_ = PrinterPort().PageSize();
    PrintPaintBoxPaint();
}

void TPrintForm::showEvent(QShowEvent* event) {
    if (!restored_) {
        restored_ = true;
        RestoreSettings();
        FormShow();
    }
    QDialog::showEvent(event);
}

void TPrintForm::done(int result) {
    SaveSettings();
    QDialog::done(result);
}

void TPrintForm::RestoreSettings() {
    const std::unique_ptr<QSettings> store = OpenSettings();
    QSettings& settings = *store;
    settings.beginGroup(QLatin1String(kSettingsSection));
    // The stored pair is taken as it was; the show handler couples it afterwards.
    const bool wasUpdating = Updating;
    Updating = true;
    bool ok = false;
    const int width = settings.value(QLatin1String(kWidthKey)).toInt(&ok);
    if (ok) BreitEdit->SetValue(width);
    const int height = settings.value(QLatin1String(kHeightKey)).toInt(&ok);
    if (ok) HochEdit->SetValue(height);
    Updating = wasUpdating;
    // A modal window restored minimised would look like a frozen program: only the
    // maximised state is taken over.
    if (settings.value(QLatin1String(kStateKey)).toInt(&ok) == 2 && ok)
        setWindowState(windowState() | Qt::WindowMaximized);
    settings.endGroup();
}

void TPrintForm::SaveSettings() {
    const std::unique_ptr<QSettings> store = OpenSettings();
    QSettings& settings = *store;
    settings.beginGroup(QLatin1String(kSettingsSection));
    settings.setValue(QLatin1String(kWidthKey), BreitEdit->Value());
    settings.setValue(QLatin1String(kHeightKey), HochEdit->Value());
    int state = 0;
    if (windowState() & Qt::WindowMinimized)
        state = 1;
    else if (windowState() & Qt::WindowMaximized)
        state = 2;
    settings.setValue(QLatin1String(kStateKey), state);
    settings.endGroup();
}

} // namespace lumeno::ui

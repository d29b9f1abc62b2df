// The "Info" box: picture, heading, lines about the maker, web button and OK.
#include "about_box.h"

#include <lumeno/export/shell_open.h>

#include <QDate>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jpeglib.h>

static void InitAboutResources() {
    Q_INIT_RESOURCE(about_picture);
}

namespace lumeno::ui {

const char* const TAboutBox::kHomePage = "https://www.pdflumeno.de";

namespace {

// The four characters in the copyright line that become the current year.
constexpr char kYearPlaceholder[] = "JJJJ";

constexpr int kClientWidth = 664;
constexpr int kClientHeight = 453;
const QColor kPanelColor(240, 202, 166);

// --- JPEG decoding through libjpeg -------------------------------------------------------

struct TJpegError {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};

void JpegErrorExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<TJpegError*>(info->err)->Jump, 1);
}
void JpegSilence(j_common_ptr, int) {}

// Owns a decompressor for the lifetime of one decode.
struct TJpegDecompressor {
    jpeg_decompress_struct Info{};
    TJpegError Error{};
    bool Created = false;
    ~TJpegDecompressor() {
        if (Created) jpeg_destroy_decompress(&Info);
    }
};

// Decodes into `out` (RGB888, allocated after the header was read). The libjpeg calls run in
// this function alone, whose locals need no destructors, so a longjmp out of the library
// only lands here. Returns false for a broken or unsupported picture.
bool DecodeJpegCore(TJpegDecompressor& d, const unsigned char* data, unsigned long size,
                    QImage& out) {
    d.Info.err = jpeg_std_error(&d.Error.Manager);
    d.Error.Manager.error_exit = JpegErrorExit;
    d.Error.Manager.emit_message = JpegSilence;
    if (setjmp(d.Error.Jump)) return false;
    jpeg_create_decompress(&d.Info);
    d.Created = true;
    jpeg_mem_src(&d.Info, data, size);
    if (jpeg_read_header(&d.Info, TRUE) != JPEG_HEADER_OK) return false;
    d.Info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d.Info);
    if (d.Info.output_components != 3 || d.Info.output_width > 4096 || d.Info.output_height > 4096)
        return false;
    out = QImage(int(d.Info.output_width), int(d.Info.output_height), QImage::Format_RGB888);
    if (out.isNull()) return false;
    while (d.Info.output_scanline < d.Info.output_height) {
        JSAMPROW row = out.scanLine(int(d.Info.output_scanline));
        jpeg_read_scanlines(&d.Info, &row, 1);
    }
    jpeg_finish_decompress(&d.Info);
    return true;
}

QImage DecodeJpeg(const QByteArray& bytes) {
    if (bytes.isEmpty()) return {};
    auto decoder = std::make_unique<TJpegDecompressor>();
    QImage image;
    if (!DecodeJpegCore(*decoder, reinterpret_cast<const unsigned char*>(bytes.constData()),
                        static_cast<unsigned long>(bytes.size()), image))
        return {};
    return image;
}

QLabel* AddLabel(QWidget* parent, const QString& text, const QRect& geometry, const QFont& font) {
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    label->setGeometry(geometry);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent), ShellOpen([](const std::string& url) { ShellOpenFile(url); }) {
    InitAboutResources();
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("Info"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
    panel->setGeometry(7, 8, 649, 385);
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, kPanelColor);
    pal.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(pal);

    pictureLabel_ = new QLabel(panel);
    pictureLabel_->setObjectName(QStringLiteral("ProgramIcon"));
    pictureLabel_->setGeometry(12, 31, 306, 322);
    QFile file(QStringLiteral(":/about/about.jpg"));
    if (file.open(QIODevice::ReadOnly)) {
        const QImage picture = DecodeJpeg(file.readAll());
        if (!picture.isNull())
            pictureLabel_->setPixmap(QPixmap::fromImage(
                picture.scaled(306, 322, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    }

    QFont heading;
    heading.setFamilies({QStringLiteral("Liberation Sans Narrow"),
                         QStringLiteral("Nimbus Sans Narrow"),
                         QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
    heading.setStretch(QFont::Condensed);
    heading.setPixelSize(24);
    heading.setBold(true);
    QFont body = font();
    QFont bold = body;
    bold.setBold(true);

    const int x = 336;
    const int w = 649 - x - 16;
    AddLabel(panel, QStringLiteral("PDF Lumeno 1.0"), QRect(x, 31, w, 32), heading)
        ->setObjectName(QStringLiteral("ProductName"));
    AddLabel(panel, QStringLiteral("Fotos als animierte Diashow in einer PDF-Datei"),
             QRect(x, 70, w, 20), bold);
    AddLabel(panel,
             QStringLiteral("Stellen Sie Ihre Fotos zu einer Diashow zusammen, schreiben Sie "
                            "zu jedem Bild einen Text und legen Sie fest, wie die Bilder "
                            "ein- und ausgeblendet werden. PDF Lumeno speichert die ganze Show "
                            "in einer einzigen PDF-Datei, die Sie weitergeben können."),
             QRect(x, 100, w, 90), body);
    AddLabel(panel, QStringLiteral("Version 1.0"), QRect(x, 200, w, 18), body)
        ->setObjectName(QStringLiteral("Version"));

    QString copyright = QString::fromUtf8("Copyright © 2003-") + QLatin1String(kYearPlaceholder) +
                        QStringLiteral(" Corvana Software");
    copyright.replace(QLatin1String(kYearPlaceholder),
                      QString::number(QDate::currentDate().year()));
    copyrightLabel_ = AddLabel(panel, copyright, QRect(x, 220, w, 18), body);
    copyrightLabel_->setObjectName(QStringLiteral("Copyright"));
    AddLabel(panel, QStringLiteral("Alle Rechte vorbehalten."), QRect(x, 240, w, 18), body);
    AddLabel(panel,
             QStringLiteral("Neuigkeiten, Antworten auf häufige Fragen und neue Versionen "
                            "finden Sie auf unserer Homepage."),
             QRect(x, 276, w, 40), body);

    auto* wwwBtn = new QPushButton(QStringLiteral("&Homepage besuchen..."), this);
    wwwBtn->setObjectName(QStringLiteral("wwwBtn"));
    wwwBtn->setGeometry(7, 412, 161, 25);
    wwwBtn->setToolTip(QString::fromUtf8(kHomePage));
    wwwBtn->setAutoDefault(false);
    connect(wwwBtn, &QPushButton::clicked, this, &TAboutBox::wwwBtnClick);

    auto* okBtn = new QPushButton(QStringLiteral("OK"), this);
    okBtn->setObjectName(QStringLiteral("OKButton"));
    okBtn->setGeometry(kClientWidth - 7 - 97, 412, 97, 25);
    okBtn->setDefault(true);
    connect(okBtn, &QPushButton::clicked, this, &QDialog::accept);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QString TAboutBox::CopyrightText() const {
    return copyrightLabel_->text();
}

bool TAboutBox::HasPicture() const {
    return !pictureLabel_->pixmap().isNull();
}

void TAboutBox::wwwBtnClick() {
    if (ShellOpen) ShellOpen(kHomePage);
}

} // namespace lumeno::ui

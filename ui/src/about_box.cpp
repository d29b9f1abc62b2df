// The "Info" box: picture, heading, lines about the maker, web button and OK.
#include "about_box.h"

#include <lumeno/bitmap/dib_ops.h>
#include <lumeno/export/shell_open.h>
#include <pictavo.h>

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

static void InitAboutResources() {
    Q_INIT_RESOURCE(about_picture);
}

namespace lumeno::ui {

namespace {

// The four characters in the copyright line that become the current year.
constexpr char kYearPlaceholder[] = "JJJJ";

constexpr int kClientWidth = 664;
constexpr int kClientHeight = 453;

// The picture is decoded by the program's own image library, as every photo is.
QImage DecodeJpeg(const QByteArray& bytes) {
    if (bytes.isEmpty()) return {};
    ScopedDib dib;
    if (OpenDibMemory(dib.get(), reinterpret_cast<const uint8_t*>(bytes.constData()),
                      static_cast<size_t>(bytes.size()), nullptr) != 1 ||
        dib.empty())
        return {};
    if (DibBitCount(*dib.get()) != 24) ConvertTo24Bit(*dib.get());
    const TDib& image = *dib.get();
    if (!image.Bits || DibBitCount(image) != 24) return {};
    // Rows are stored bottom row first, blue first in each pixel.
    return QImage(image.Bits, DibWidth(image), DibHeight(image), image.RowBytes,
                  QImage::Format_BGR888)
        .mirrored();
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
    pal.setColor(QPalette::Window, QColor(kCaptionColour));
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

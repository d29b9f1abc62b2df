// The print layout window (preview geometry, coupled percentages, settings store) and the
// print job (placement on the page, checked in a PDF rendered with pdftoppm).
#include "messages.h"
#include "print_form.h"
#include "required_tool.h"

#include "spin_edit.h"
#include "ui_test_support.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <map>

namespace lumeno::ui::test {
namespace {

// A page of fixed size and no printer.
class TFixedPagePort : public TPrinterPort {
  public:
    explicit TFixedPagePort(QSize page) : Page(page) {}
    QSize PageSize() override { return Page; }
    bool Setup(QWidget*) override {
        ++SetupCalls;
        return false;
    }
    QPrinter* Printer() override { return nullptr; }
    QSize Page;
    int SetupCalls = 0;
};

ScopedDib SolidImage(int w, int h, uint32_t rgb) {
    ScopedDib dib;
    EXPECT_EQ(newdib(dib.get(), w, h, 24, nullptr, 0), 1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setpixel(dib.get(), x, y, rgb);
    return dib;
}

void Settle() {
    for (int i = 0; i < 6; ++i)
        QApplication::processEvents();
}

// Every test gets its own settings folder, so stored percentages never leak between tests.
class PrintFormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        App();
        ASSERT_TRUE(SettingsDir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, SettingsDir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, SettingsDir.path());
        Previous = SetPrinterPort(&Port);
    }
    void TearDown() override { SetPrinterPort(Previous); }

    std::unique_ptr<TPrintForm> OpenForm(const TDib& image) {
        auto form = std::make_unique<TPrintForm>();
        form->Image = image;
        form->show();
        Settle();
        return form;
    }

    QTemporaryDir SettingsDir;
    TFixedPagePort Port{QSize(4800, 6600)};
    TPrinterPort* Previous = nullptr;
    TScriptedDialogs D;
    TDialogsScope Scope{&D};
    ScopedDib Photo = SolidImage(1600, 1200, 0xFF0000);
};

TEST_F(PrintFormTest, WindowControlsAndDefaults) {
    auto form = OpenForm(*Photo.get());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Bild drucken..."));
    EXPECT_EQ(form->size(), QSize(427, 328));
    EXPECT_EQ(form->PrintPaintBox->size(), QSize(190, 190));
    EXPECT_EQ(form->PreviewPanel->size(), QSize(200, 225));
    EXPECT_EQ(form->PreviewPanel->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(form->RxLabel1->text(), QStringLiteral("Vorschau:"));
    EXPECT_EQ(form->GroupBox1->title(), QString::fromUtf8("Druckgröße"));
    EXPECT_EQ(form->GroupBox2->title(), QStringLiteral("Druckoptionen"));
    EXPECT_EQ(form->UseFullCheck->text(), QStringLiteral("Seite &voll nutzen"));
    EXPECT_EQ(form->UserdefCheck->text(), QStringLiteral("Ben&utzerdefiniert"));
    EXPECT_EQ(form->SverhCheck->text(), QString::fromUtf8("&Seitenverhältnis beibehalten"));
    EXPECT_EQ(form->ZentrCheck->text(), QStringLiteral("&Zentrierte Ausgabe"));
    EXPECT_EQ(form->OkBitBtn1->text(), QStringLiteral("&OK"));
    EXPECT_EQ(form->PrintSetupBtn->text(), QStringLiteral("Drucker &einrichten..."));
    EXPECT_EQ(form->CancelBitBtn2->text(), QStringLiteral("A&bbrechen"));
    EXPECT_TRUE(form->OkBitBtn1->isDefault());
    EXPECT_TRUE(form->UseFullCheck->isChecked());
    EXPECT_FALSE(form->UserdefCheck->isChecked());
    EXPECT_TRUE(form->SverhCheck->isChecked());
    EXPECT_TRUE(form->ZentrCheck->isChecked());
    EXPECT_EQ(form->BreitEdit->minimum(), 1);
    EXPECT_EQ(form->BreitEdit->maximum(), 100);
    EXPECT_EQ(form->HochEdit->maximum(), 100);
    EXPECT_EQ(form->BreitEdit->Value(), 50);
    // Buttons in a row: OK left, setup in the middle, cancel right; preview left of the groups.
    EXPECT_LT(form->OkBitBtn1->x(), form->PrintSetupBtn->x());
    EXPECT_LT(form->PrintSetupBtn->x(), form->CancelBitBtn2->x());
    EXPECT_EQ(form->OkBitBtn1->y(), form->CancelBitBtn2->y());
    EXPECT_LT(form->PreviewPanel->geometry().right(), form->GroupBox1->x());
}

TEST_F(PrintFormTest, TabFollowsTheEye) {
    auto form = OpenForm(*Photo.get());
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    ExpectTabFollowsTheEye(form.get(), form->OkBitBtn1);
    form->UserdefCheck->setChecked(true); // the percentages take the focus too
    ExpectTabFollowsTheEye(form.get(), form->OkBitBtn1);
}

// Every option, field label and button has its own Alt key, and the options' keys act.
TEST_F(PrintFormTest, AltKeysAreUniqueAndAct) {
    auto form = OpenForm(*Photo.get());
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    std::map<QKeySequence, int> uses;
    QLabel *breit = nullptr, *hoch = nullptr;
    for (QWidget* w : form->findChildren<QWidget*>()) {
        auto* l = qobject_cast<QLabel*>(w);
        if (l && l->buddy() == form->BreitEdit) breit = l;
        if (l && l->buddy() == form->HochEdit) hoch = l;
        auto* b = qobject_cast<QAbstractButton*>(w);
        if (!b && !(l && l->buddy())) continue;
        const QKeySequence key = QKeySequence::mnemonic(b ? b->text() : l->text());
        EXPECT_FALSE(key.isEmpty()) << w->objectName().toStdString();
        if (!key.isEmpty()) ++uses[key];
    }
    for (const auto& [key, n] : uses)
        EXPECT_EQ(n, 1) << key.toString().toStdString();
    ASSERT_TRUE(breit && hoch);
    auto press = [&](const QString& text) {
        QTest::keyClick(form.get(), Qt::Key(QKeySequence::mnemonic(text)[0].key()),
                        Qt::AltModifier);
        QApplication::processEvents();
    };
    // A button's key clicks it a moment later, as a mouse would.
    auto clicks = [&](QAbstractButton* b, bool checked) {
        press(b->text());
        EXPECT_TRUE(QTest::qWaitFor([&] { return b->isChecked() == checked; }, 2000))
            << b->objectName().toStdString();
    };
    clicks(form->UserdefCheck, true);
    press(breit->text());
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->BreitEdit->hasFocus(); }, 1000));
    press(hoch->text());
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->HochEdit->hasFocus(); }, 1000));
    clicks(form->SverhCheck, false);
    clicks(form->ZentrCheck, false);
    clicks(form->UseFullCheck, true);
}

TEST_F(PrintFormTest, PreviewGeometryOfPortraitAndLandscapePages) {
    auto form = OpenForm(*Photo.get());
    EXPECT_EQ(form->PreviewPageRect(), QRect(26, 0, 138, 190));
    EXPECT_EQ(form->PreviewPictureRect(), QRect(26, 43, 138, 103));

    Port.Page = QSize(6600, 4800);
    form->PrintPaintBoxPaint();
    Settle();
    EXPECT_EQ(form->PreviewPageRect(), QRect(0, 26, 190, 138));
    // 1600 x 1200 on 190 x 138: 190 * 1200 / 1600 = 142 > 138, so the height limits.
    EXPECT_EQ(form->PreviewPictureRect(), QRect(3, 26, 184, 138));

    form->ZentrCheck->click();
    EXPECT_EQ(form->PreviewPictureRect(), QRect(0, 26, 184, 138));
    form->SverhCheck->click();
    EXPECT_EQ(form->PreviewPictureRect(), QRect(0, 26, 190, 138));
}

TEST_F(PrintFormTest, PreviewPixels) {
    auto form = OpenForm(*Photo.get());
    const QImage shot = form->PrintPaintBox->grab().toImage();
    EXPECT_EQ(shot.pixelColor(27, 1), QColor(Qt::white)) << "page above the picture";
    EXPECT_EQ(shot.pixelColor(30, 50), QColor(255, 0, 0)) << "picture";
    EXPECT_EQ(shot.pixelColor(163, 145), QColor(255, 0, 0)) << "picture's last pixel";
    EXPECT_EQ(shot.pixelColor(100, 146), QColor(Qt::white)) << "page below the picture";
    EXPECT_NE(shot.pixelColor(10, 100), QColor(Qt::white)) << "outside the page";
    EXPECT_NE(shot.pixelColor(10, 100), QColor(255, 0, 0));
}

TEST_F(PrintFormTest, UserDefinedPercentagesRoundHalvesToEven) {
    auto form = OpenForm(*Photo.get());
    form->UserdefCheck->click();
    form->SverhCheck->click();     // off: the two fields are independent
    form->BreitEdit->SetValue(25); // 138 * 25 % = 34.5 -> 34
    form->HochEdit->SetValue(50);  // 190 * 50 % = 95
    EXPECT_EQ(form->BreitEdit->Value(), 25);
    EXPECT_EQ(form->PreviewPictureRect(), QRect(26 + 52, 47, 34, 95));
    form->BreitEdit->SetValue(75); // 103.5 -> 104
    EXPECT_EQ(form->PreviewPictureRect().width(), 104);
    EXPECT_EQ(form->HochEdit->Value(), 50);
}

TEST_F(PrintFormTest, KeptAspectCouplesThePercentages) {
    auto form = OpenForm(*Photo.get());
    form->UserdefCheck->click();
    form->BreitEdit->SetValue(50);
    form->BreitEdit->SetValue(40);
    form->BreitEdit->SetValue(50);
    EXPECT_EQ(form->HochEdit->Value(), 27); // 1200 * 50 / 1600 * 4800 / 6600 = 27.27
    form->HochEdit->SetValue(27);
    form->HochEdit->SetValue(30); // 1600 * 30 / 1200 * 6600 / 4800 = 55
    EXPECT_EQ(form->BreitEdit->Value(), 55);
    EXPECT_FALSE(form->Updating);

    // Unchecking leaves both as they are and lets them be set independently.
    form->SverhCheck->click();
    EXPECT_EQ(form->BreitEdit->Value(), 55);
    EXPECT_EQ(form->HochEdit->Value(), 30);
    form->BreitEdit->SetValue(90);
    EXPECT_EQ(form->HochEdit->Value(), 30);
}

TEST_F(PrintFormTest, CoupledHeightIsBoundedAtHundredAndTheWidthFollows) {
    ScopedDib tall = SolidImage(1200, 3000, 0x00FF00);
    auto form = OpenForm(*tall.get());
    form->UserdefCheck->click();
    form->BreitEdit->SetValue(100); // 3000 * 100 / 1200 * 4800 / 6600 = 181.8
    EXPECT_EQ(form->HochEdit->Value(), 100);
    // The width comes back to what keeps the pair in proportion: 1200 * 100 / 3000 * 6600 /
    // 4800 = 55.
    EXPECT_EQ(form->BreitEdit->Value(), 55);
    EXPECT_FALSE(form->Updating);
}

TEST_F(PrintFormTest, TextThatIsNoNumberReadsAsOne) {
    auto form = OpenForm(*Photo.get());
    form->SverhCheck->click();
    form->BreitEdit->findChild<QLineEdit*>()->setText(QStringLiteral("abc"));
    form->HochEdit->findChild<QLineEdit*>()->setText(QString());
    EXPECT_EQ(form->Layout().WidthPercent, 1);
    EXPECT_EQ(form->Layout().HeightPercent, 1);
    form->BreitEdit->SetValue(250);
    EXPECT_EQ(form->BreitEdit->Value(), 100);
    // Decimals are truncated toward zero, with "." or "," as decimal mark.
    const std::pair<const char*, int> typed[] = {
        {"2.9", 2}, {"-2.9", 1}, {"2,9", 2}, {"95.7", 95}, {"x", 1}};
    for (TSpinEdit* field : {form->BreitEdit, form->HochEdit})
        for (const auto& [text, value] : typed) {
            field->findChild<QLineEdit*>()->setText(QString::fromLatin1(text));
            EXPECT_EQ(field->Value(), value) << text;
        }
}

TEST_F(PrintFormTest, SettingsAreRestoredWhileChoicesReturnToDefaults) {
    {
        auto form = OpenForm(*Photo.get());
        form->UserdefCheck->click();
        form->ZentrCheck->click();
        form->SverhCheck->click();
        form->BreitEdit->SetValue(70);
        form->HochEdit->SetValue(20);
        form->OkBitBtn1->click();
        EXPECT_EQ(form->result(), QDialog::Accepted);
        const TPrintLayout l = form->Layout();
        EXPECT_FALSE(l.UseFull);
        EXPECT_FALSE(l.Centred);
        EXPECT_FALSE(l.KeepAspect);
        EXPECT_EQ(l.WidthPercent, 70);
        EXPECT_EQ(l.HeightPercent, 20);
    }
    {
        QSettings s(QStringLiteral("Corvana"), QStringLiteral("PDF Lumeno"));
        EXPECT_EQ(s.value(QStringLiteral("TPrintForm/BreitEdit.Value")).toInt(), 70);
        EXPECT_EQ(s.value(QStringLiteral("TPrintForm/HochEdit.Value")).toInt(), 20);
        EXPECT_EQ(s.value(QStringLiteral("TPrintForm/WindowState")).toInt(), 0);
    }
    auto form = OpenForm(*Photo.get());
    EXPECT_EQ(form->BreitEdit->Value(), 70);
    // The aspect is kept again, so the height follows the width: 70 * 0.75 * 4800 / 6600 = 38.
    EXPECT_EQ(form->HochEdit->Value(), 38);
    EXPECT_TRUE(form->UseFullCheck->isChecked());
    EXPECT_TRUE(form->SverhCheck->isChecked());
    EXPECT_TRUE(form->ZentrCheck->isChecked());

    // Closing with Cancel stores as well.
    form->BreitEdit->SetValue(10);
    form->CancelBitBtn2->click();
    EXPECT_EQ(form->result(), QDialog::Rejected);
    QSettings s(QStringLiteral("Corvana"), QStringLiteral("PDF Lumeno"));
    EXPECT_EQ(s.value(QStringLiteral("TPrintForm/BreitEdit.Value")).toInt(), 10);
}

TEST_F(PrintFormTest, EmptyPageOrImageDrawsNoPictureAndNeverCrashes) {
    Port.Page = QSize(0, 0);
    auto form = OpenForm(*Photo.get());
    EXPECT_TRUE(form->PreviewPageRect().isEmpty());
    EXPECT_TRUE(form->PreviewPictureRect().isEmpty());
    form->BreitEdit->SetValue(80);
    form->PrintPaintBox->grab();
    EXPECT_EQ(form->HochEdit->Value(), 50) << "no page, no coupling";
    Port.Page = QSize(4800, 6600);
    form->Image = TDib{};
    form->BreitEdit->SetValue(60);
    form->PrintPaintBox->grab();
    EXPECT_TRUE(form->PreviewPictureRect().isEmpty());
}

TEST_F(PrintFormTest, PrinterSetupWithoutPrinterTellsTheUser) {
    auto form = OpenForm(*Photo.get());
    form->PrintSetupBtn->click();
    ASSERT_EQ(D.Messages.size(), 1u);
    EXPECT_EQ(D.Messages[0].Text, PrintOutcomeMessage(TPrintOutcome::NoPrinter));
    EXPECT_TRUE(form->isVisible());
}

TEST_F(PrintFormTest, WithoutSystemPrinterThePdfFilePrinterIsOffered) {
    if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "a printer is installed";
    SetPrinterPort(nullptr);
    EXPECT_FALSE(PrinterPort().PageSize().isEmpty()) << "the preview shows a page";
    QPrinter* printer = PrinterPort().Printer();
    ASSERT_NE(printer, nullptr);
    EXPECT_EQ(printer->outputFormat(), QPrinter::PdfFormat);
    EXPECT_TRUE(printer->outputFileName().isEmpty()) << "the file is chosen when printing";
    // Without a file it does not print on its own.
    EXPECT_EQ(PrintPicture(printer, *Photo.get(), {}), TPrintOutcome::NoPrinter);
    SetPrinterPort(&Port);
}

TEST_F(PrintFormTest, Screenshot) {
    ScopedDib img = SolidImage(1600, 1200, 0x3070C0);
    for (int y = 0; y < 1200; y += 4)
        for (int x = 0; x < 1600; ++x)
            setpixel(img.get(), x, y, 0x60A0E0);
    auto form = OpenForm(*img.get());
    const QPixmap shot = form->grab();
    EXPECT_EQ(shot.size(), QSize(427, 328));
    const QString out = qEnvironmentVariable("LUMENO_SCREENSHOT_DIR");
    if (!out.isEmpty()) {
        QDir().mkpath(out);
        EXPECT_TRUE(shot.save(QDir(out).filePath(QStringLiteral("print_form.png"))));
    }
}

// --- the page geometry of the print job --------------------------------------------------

TEST(PrintRectTest, Table) {
    TPrintLayout full; // full page, aspect kept, centred
    TPrintLayout fullTopLeft = full;
    fullTopLeft.Centred = false;
    TPrintLayout stretched = full;
    stretched.KeepAspect = false;
    TPrintLayout user = full;
    user.UseFull = false;
    user.WidthPercent = 50;
    user.HeightPercent = 25;
    const struct {
        const char* Name;
        QSize Page;
        int W, H;
        TPrintLayout Layout;
        QRect Expected;
    } cases[] = {
        // A landscape photo on a portrait page: full width, proportional height, centred.
        {"landscape on portrait", {4800, 6600}, 1600, 1200, full, {0, 1500, 4800, 3600}},
        {"top left", {4800, 6600}, 1600, 1200, fullTopLeft, {0, 0, 4800, 3600}},
        {"portrait on landscape", {6600, 4800}, 1200, 1600, full, {1500, 0, 3600, 4800}},
        {"stretched", {4800, 6600}, 1600, 1200, stretched, {0, 0, 4800, 6600}},
        // 4801 * 50 % = 2400.5 -> 2400 (even), 6601 * 25 % = 1650.25 -> 1650.
        {"user, halves to even down", {4801, 6601}, 1600, 1200, user, {1200, 2475, 2400, 1650}},
        // 4803 * 50 % = 2401.5 -> 2402.
        {"user, halves to even up", {4803, 6600}, 1600, 1200, user, {1200, 2475, 2402, 1650}},
        {"empty page", {0, 6600}, 1600, 1200, full, {}},
        {"empty image", {4800, 6600}, 0, 1200, full, {}},
        // A photo 10000 times as wide as high still gets a page-wide strip.
        {"panorama", {4800, 6600}, 100000, 10, full, {0, 3300, 4800, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(PrintRect(c.Page, c.W, c.H, c.Layout), c.Expected);
    }
}

// --- printing into a PDF file --------------------------------------------------------------

struct TPdfPage {
    QImage Image;
    bool Ok = false;
};

// Renders page 1 of the PDF at `dpi` with pdftoppm; Ok false when the tool is missing or fails.
TPdfPage RenderPdf(const QString& pdf, int dpi) {
    TPdfPage page;
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (tool.isEmpty()) return page;
    const QString prefix = pdf + QStringLiteral(".render");
    QProcess p;
    p.start(tool, {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                   QStringLiteral("-singlefile"), pdf, prefix});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) return page;
    page.Image = QImage(prefix + QStringLiteral(".png"));
    page.Ok = !page.Image.isNull();
    return page;
}

// The bounding box of the pixels that are clearly red.
QRect RedBox(const QImage& img) {
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 80 && c.blue() < 80) box |= QRect(x, y, 1, 1);
        }
    return box;
}

class PdfPrintTest : public ::testing::Test {
  protected:
    // The application must exist before the printer member is made.
    struct TAppFirst {
        TAppFirst() { App(); }
    } AppFirst;

    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        Printer.setOutputFormat(QPrinter::PdfFormat);
        Printer.setOutputFileName(Pdf);
        Printer.setPageSize(QPageSize(QPageSize::A4));
        Printer.setPageOrientation(QPageLayout::Portrait);
        Printer.setFullPage(false);
        Printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        Printer.setResolution(300);
    }
    QTemporaryDir Dir;
    QString Pdf = Dir.filePath(QStringLiteral("bild.pdf"));
    QPrinter Printer{QPrinter::HighResolution};
};

TEST_F(PdfPrintTest, PictureLandsWhereTheLayoutPutsIt) {
    REQUIRE_TOOLS("pdftoppm");
    ScopedDib photo = SolidImage(160, 120, 0xFF0000);
    TPrintLayout full;
    TPrintLayout user;
    user.UseFull = false;
    user.Centred = false;
    user.WidthPercent = 40;
    user.HeightPercent = 20;
    const struct {
        const char* Name;
        TPrintLayout Layout;
    } cases[] = {{"full, aspect, centred", full}, {"user defined, top left", user}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        QFile::remove(Pdf);
        ASSERT_EQ(PrintPicture(&Printer, *photo.get(), c.Layout), TPrintOutcome::Printed);
        ASSERT_TRUE(QFile::exists(Pdf));
        const QSize page = TQPrinterPort(Printer).PageSize();
        const QRect expected = PrintRect(page, 160, 120, c.Layout);
        const int dpi = 50;
        const TPdfPage rendered = RenderPdf(Pdf, dpi);
        ASSERT_TRUE(rendered.Ok) << "pdftoppm did not render the page";
        const double scale = double(dpi) / Printer.resolution();
        const QRect box = RedBox(rendered.Image);
        ASSERT_FALSE(box.isEmpty());
        EXPECT_NEAR(box.left(), expected.left() * scale, 1.5);
        EXPECT_NEAR(box.top(), expected.top() * scale, 1.5);
        EXPECT_NEAR(box.width(), expected.width() * scale, 2.0);
        EXPECT_NEAR(box.height(), expected.height() * scale, 2.0);
    }
    const QString out = qEnvironmentVariable("LUMENO_SCREENSHOT_DIR");
    if (!out.isEmpty()) {
        QDir().mkpath(out);
        QFile::remove(QDir(out).filePath(QStringLiteral("print_page.pdf")));
        QFile::copy(Pdf, QDir(out).filePath(QStringLiteral("print_page.pdf")));
    }
    const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
    if (required_tool::Present("pdfinfo")) {
        QProcess p;
        p.start(pdfinfo, {Pdf});
        ASSERT_TRUE(p.waitForFinished(30000));
        const QString info = QString::fromUtf8(p.readAllStandardOutput());
        EXPECT_TRUE(info.contains(QStringLiteral("Quintal Bild"))) << info.toStdString();
        EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))))
            << info.toStdString();
    }
}

TEST_F(PdfPrintTest, FailuresPrintNothing) {
    ScopedDib photo = SolidImage(16, 12, 0xFF0000);
    EXPECT_EQ(PrintPicture(nullptr, *photo.get(), {}), TPrintOutcome::NoPrinter);
    EXPECT_EQ(PrintPicture(&Printer, TDib{}, {}), TPrintOutcome::EmptyImage);
    EXPECT_FALSE(QFile::exists(Pdf));
    QPrinter unnamed(QPrinter::HighResolution);
    unnamed.setOutputFormat(QPrinter::PdfFormat);
    EXPECT_EQ(PrintPicture(&unnamed, *photo.get(), {}), TPrintOutcome::NoPrinter);
    Printer.setOutputFileName(Dir.filePath(QStringLiteral("no/such/folder/bild.pdf")));
    EXPECT_EQ(PrintPicture(&Printer, *photo.get(), {}), TPrintOutcome::JobRefused);
    for (TPrintOutcome o : {TPrintOutcome::NoPrinter, TPrintOutcome::EmptyPage,
                            TPrintOutcome::EmptyImage, TPrintOutcome::JobRefused})
        EXPECT_FALSE(PrintOutcomeMessage(o).isEmpty());
    EXPECT_TRUE(PrintOutcomeMessage(TPrintOutcome::Printed).isEmpty());
}

} // namespace
} // namespace lumeno::ui::test

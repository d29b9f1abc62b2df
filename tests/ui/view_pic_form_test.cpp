// The picture viewer: layout, zoom sizes with resize-then-draw painting, panning that follows
// the mouse one to one, "Öffnen...", and printing through the print layout window.
#include "event_counts.h"
#include "view_pic_form.h"

#include "messages.h"
#include "print_form.h"
#include "spin_edit.h"
#include "ui_test_support.h"

#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

namespace lumeno::ui::test {
namespace {

// A 24-bit w x h image: left half red, right half blue.
ScopedDib TwoColourImage(int w, int h) {
    ScopedDib dib;
    EXPECT_EQ(newdib(dib.get(), w, h, 24, nullptr, 0), 1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setpixel(dib.get(), x, y, x < w / 2 ? 0xFF0000 : 0x0000FF);
    return dib;
}

void Settle() {
    for (int i = 0; i < 6; ++i)
        QApplication::processEvents();
}

class ViewPicFormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        App();
        View = std::make_unique<TViewPicForm>();
        View->ShellOpen = [this](const std::string& p) { Opened.push_back(p); };
    }
    void TearDown() override { View.reset(); }

    // Shows the viewer without a nested loop, as ShowModal would.
    void ShowWith(const TDib& image) {
        View->Image = image;
        View->show();
        Settle();
    }

    void Mouse(QEvent::Type type, QPoint viewportPos, Qt::MouseButton button,
               Qt::MouseButtons held) {
        QWidget* surface = View->PaintBox1;
        const QPointF local = surface->mapFromParent(QPointF(viewportPos));
        QMouseEvent e(type, local, surface->mapToGlobal(local), button, held, Qt::NoModifier);
        QApplication::sendEvent(surface, &e);
    }

    QScrollBar* Horz() { return View->ScrollBox1->horizontalScrollBar(); }
    QScrollBar* Vert() { return View->ScrollBox1->verticalScrollBar(); }

    TScriptedDialogs D;
    TDialogsScope Scope{&D};
    std::unique_ptr<TViewPicForm> View;
    std::vector<std::string> Opened;
};

TEST_F(ViewPicFormTest, WindowAndControls) {
    EXPECT_EQ(View->windowTitle(), QStringLiteral("Bild betrachten..."));
    EXPECT_EQ(View->size(), QSize(524, 386)); // client area of the 532 x 420 window
    EXPECT_EQ(View->ReadyBtn->text(), QString::fromUtf8("&Zurück..."));
    EXPECT_EQ(View->PrintBrn->text(), QStringLiteral("&Drucken"));
    EXPECT_EQ(View->OpenBtn->text(), QString::fromUtf8("Ö&ffnen..."));
    EXPECT_EQ(View->ZoomLabel->text(), QStringLiteral("Z&oom:"));
    for (QPushButton* b : {View->ReadyBtn, View->PrintBrn, View->OpenBtn})
        EXPECT_EQ(b->size(), QSize(97, 25)) << b->text().toStdString();
    EXPECT_EQ(View->ZoomEd->minimum(), 4); // shown as "Einpassen"
    EXPECT_EQ(View->ZoomEd->specialValueText(), QStringLiteral("Einpassen"));
    EXPECT_EQ(View->ZoomEd->maximum(), 9000);
    EXPECT_EQ(View->ZoomEd->singleStep(), 10);
    EXPECT_EQ(View->ZoomEd->Value(), 100);
    // Decimals are truncated toward zero, with "." or "," as decimal mark.
    const std::pair<const char*, int> typed[] = {
        {"2.9", 5}, {"-2.9", 5}, {"12,9", 12}, {"95.7", 95}, {"x", 5}};
    for (const auto& [text, value] : typed) {
        View->ZoomEd->findChild<QLineEdit*>()->setText(QString::fromLatin1(text));
        EXPECT_EQ(View->ZoomEd->Value(), value) << text;
    }
    View->ZoomEd->SetValue(100);
    EXPECT_EQ(View->ZoomEd->width(), 85); // room for "Einpassen"
    EXPECT_EQ(View->Panel5->height(), 41);
    EXPECT_TRUE(View->StatusBar1->currentMessage().isEmpty());
    EXPECT_EQ(View->PaintBox1->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(View->PaintBox1->pos(), QPoint(0, 0));
}

TEST_F(ViewPicFormTest, TabFollowsTheEye) {
    ScopedDib photo = TwoColourImage(640, 480);
    ShowWith(*photo.get());
    View->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(View.get()));
    ExpectTabFollowsTheEye(View.get(), View->ReadyBtn);
}

TEST_F(ViewPicFormTest, ZoomSizes) {
    ScopedDib img = TwoColourImage(640, 480);
    ShowWith(*img.get());
    const struct {
        int Zoom;
        QSize Size;
    } cases[] = {
        {100, {640, 480}}, {5, {32, 24}}, {33, {211, 158}}, {9000, {57600, 43200}}, {15, {96, 72}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Zoom);
        View->ZoomEd->SetValue(c.Zoom);
        EXPECT_EQ(View->DisplayedSize(), c.Size);
        Settle();
        EXPECT_EQ(View->PaintBox1->size(), c.Size);
    }
}

TEST_F(ViewPicFormTest, ZoomChangeResizesFirstAndDrawsOnTheFollowingPaint) {
    ScopedDib img = TwoColourImage(640, 480);
    ShowWith(*img.get());
    ASSERT_EQ(View->PaintBox1->size(), QSize(640, 480));
    const int drawn = counts::Of(*View, counts::kViewerDraws);
    ASSERT_GT(drawn, 0);

    View->ZoomEd->SetValue(50); // ZoomEdChange: width first, nothing drawn yet
    EXPECT_EQ(View->PaintBox1->size(), QSize(320, 480));
    EXPECT_EQ(counts::Of(*View, counts::kViewerDraws), drawn);
    Settle();
    EXPECT_EQ(View->PaintBox1->size(), QSize(320, 240));
    EXPECT_GT(counts::Of(*View, counts::kViewerDraws), drawn);

    // 50 -> 50.1 % is not possible, but a zoom whose products truncate to the current size
    // draws at once: a 10 x 10 picture is 10 x 10 at both 100 and 105 %.
    ScopedDib small = TwoColourImage(10, 10);
    View->Image = *small.get();
    View->ZoomEd->SetValue(100);
    Settle();
    ASSERT_EQ(View->PaintBox1->size(), QSize(10, 10));
    const int before = counts::Of(*View, counts::kViewerDraws);
    View->ZoomEd->SetValue(105);
    EXPECT_EQ(counts::Of(*View, counts::kViewerDraws), before + 1);
    View->Image = TDib{};
}

TEST_F(ViewPicFormTest, BusySkipsPainting) {
    ScopedDib img = TwoColourImage(640, 480);
    ShowWith(*img.get());
    View->Busy = true;
    const int drawn = counts::Of(*View, counts::kViewerDraws);
    View->ZoomEd->SetValue(200);
    View->PaintBox1Paint();
    Settle();
    EXPECT_EQ(View->PaintBox1->size(), QSize(640, 480));
    EXPECT_EQ(counts::Of(*View, counts::kViewerDraws), drawn);
    View->Busy = false;
    Settle();
    View->PaintBox1Paint();
    Settle();
    EXPECT_EQ(View->PaintBox1->size(), QSize(1280, 960));
}

TEST_F(ViewPicFormTest, PictureIsDrawnAtTheZoom) {
    ScopedDib img = TwoColourImage(100, 60);
    View->ZoomEd->SetValue(200);
    ShowWith(*img.get());
    ASSERT_EQ(View->PaintBox1->size(), QSize(200, 120));
    const QImage shot = View->ScrollBox1->viewport()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(5, 5), QColor(255, 0, 0));
    EXPECT_EQ(shot.pixelColor(98, 118), QColor(255, 0, 0));
    EXPECT_EQ(shot.pixelColor(101, 1), QColor(0, 0, 255));
    EXPECT_EQ(shot.pixelColor(199, 119), QColor(0, 0, 255));
    // Beyond the picture the scroll box shows its workspace colour.
    EXPECT_EQ(shot.pixelColor(205, 5), QColor(171, 171, 171));
    EXPECT_EQ(shot.pixelColor(5, 125), QColor(171, 171, 171));
}

TEST_F(ViewPicFormTest, ZoomIsKeptBetweenOpenings) {
    ScopedDib img = TwoColourImage(64, 48);
    View->Image = *img.get();
    View->ZoomEd->SetValue(33);
    QTimer::singleShot(0, View.get(), [this] { View->ReadyBtn->click(); });
    EXPECT_EQ(View->ShowModal(), QDialog::Accepted);
    EXPECT_FALSE(View->isVisible());
    QTimer::singleShot(0, View.get(), [this] {
        EXPECT_EQ(View->ZoomEd->Value(), 33);
        View->close();
    });
    EXPECT_EQ(View->ShowModal(), QDialog::Rejected);
    EXPECT_EQ(View->ZoomEd->Value(), 33);
}

TEST_F(ViewPicFormTest, DragFollowsTheMouseOneToOne) {
    ScopedDib img = TwoColourImage(640, 480);
    View->ZoomEd->SetValue(400);
    ShowWith(*img.get());
    ASSERT_EQ(View->PaintBox1->size(), QSize(2560, 1920));
    Horz()->setValue(500);
    Vert()->setValue(400);
    Settle();

    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        SCOPED_TRACE(int(button));
        const int h0 = Horz()->value(), v0 = Vert()->value();
        Mouse(QEvent::MouseButtonPress, {200, 150}, button, button);
        EXPECT_TRUE(View->Dragging);
        // Every step moves the view by exactly the mouse's way from where it went down.
        const QPoint steps[] = {{190, 145}, {150, 100}, {260, 180}, {100, 50}};
        for (QPoint p : steps) {
            Mouse(QEvent::MouseMove, p, Qt::NoButton, button);
            EXPECT_EQ(Horz()->value(), h0 + 200 - p.x());
            EXPECT_EQ(Vert()->value(), v0 + 150 - p.y());
            // The surface point under the mouse stays the one grabbed.
            EXPECT_EQ(View->PaintBox1->mapFromParent(p), QPoint(200 + h0, 150 + v0));
        }
        EXPECT_FALSE(View->Busy);
        Mouse(QEvent::MouseButtonRelease, {100, 50}, button, Qt::NoButton);
        EXPECT_FALSE(View->Dragging);
        Horz()->setValue(500);
        Vert()->setValue(400);
    }

    // Positions are bounded by the scroll bars; moves after the release change nothing.
    Mouse(QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseMove, {-5000, -5000}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(Horz()->value(), Horz()->maximum());
    EXPECT_EQ(Vert()->value(), Vert()->maximum());
    Mouse(QEvent::MouseMove, {5000, 5000}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(Horz()->value(), 0);
    EXPECT_EQ(Vert()->value(), 0);
    Mouse(QEvent::MouseButtonRelease, {5000, 5000}, Qt::LeftButton, Qt::NoButton);
    Mouse(QEvent::MouseMove, {0, 0}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(Horz()->value(), 0);
}

TEST_F(ViewPicFormTest, OversizedZoomIsBoundedAndPaintingComesToRest) {
    // 200000 pixels at 9000 % would be wider than any widget can be.
    ScopedDib img = TwoColourImage(200000, 1);
    View->ZoomEd->SetValue(9000);
    ShowWith(*img.get());
    EXPECT_EQ(View->PaintBox1->width(), QWIDGETSIZE_MAX);
    EXPECT_EQ(View->PaintBox1->height(), 90);
    const int drawn = counts::Of(*View, counts::kViewerDraws);
    Settle();
    EXPECT_LE(counts::Of(*View, counts::kViewerDraws), drawn + 1)
        << "no endless resize/paint cycle";
}

TEST_F(ViewPicFormTest, EmptyImageShowsNothingAndDoesNotCrash) {
    ShowWith(TDib{});
    EXPECT_EQ(View->PaintBox1->size(), QSize(0, 0));
    View->ZoomEd->SetValue(500);
    Settle();
    EXPECT_EQ(counts::Of(*View, counts::kViewerDraws), 0);
}

TEST_F(ViewPicFormTest, ZoomTextThatIsNoNumberReadsAsFiveAndIsSafeOnClosing) {
    ScopedDib img = TwoColourImage(640, 480);
    ShowWith(*img.get());
    View->ZoomEd->findChild<QLineEdit*>()->setText(QStringLiteral("zoom"));
    EXPECT_EQ(View->DisplayedSize(), QSize(32, 24));
    View.reset(); // the field corrects its text while the window is taken down
}

TEST_F(ViewPicFormTest, OpenButtonOpensTheFile) {
    View->OpenBtn->click();
    EXPECT_TRUE(Opened.empty()) << "no file name, nothing to open";
    View->ImageFileName = QString::fromUtf8("/tmp/Urlaub Österreich/bild 1.jpg");
    View->OpenBtn->click();
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_EQ(Opened[0], "/tmp/Urlaub \xC3\x96sterreich/bild 1.jpg");
}

// Answers the print layout window that PrintBrnClick shows modally.
void AnswerPrintForm(QObject* context, bool ok, int widthPercent = 0) {
    QTimer::singleShot(0, context, [ok, widthPercent] {
        auto* form = qobject_cast<TPrintForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        if (widthPercent > 0) {
            form->UserdefCheck->click();
            form->BreitEdit->SetValue(widthPercent);
        }
        (ok ? form->OkBitBtn1 : form->CancelBitBtn2)->click();
    });
}

TEST_F(ViewPicFormTest, CancelledPrintWindowPrintsNothingAndKeepsTheImage) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    TQPrinterPort port(printer);
    TPrinterPort* previous = SetPrinterPort(&port);
    ScopedDib img = TwoColourImage(64, 48);
    const TDib before = *img.get();
    const QByteArray pixels(reinterpret_cast<const char*>(before.Bits), before.RowBytes * 48);
    ShowWith(*img.get());
    AnswerPrintForm(View.get(), false);
    View->PrintBrn->click();
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_TRUE(D.Messages.empty());
    EXPECT_EQ(View->Image.Bits, before.Bits);
    EXPECT_EQ(View->Image.Info, before.Info);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(img->Bits), img->RowBytes * 48), pixels);
    SetPrinterPort(previous);
}

TEST_F(ViewPicFormTest, OkPrintsThePictureAsOneJob) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    TQPrinterPort port(printer);
    TPrinterPort* previous = SetPrinterPort(&port);
    ScopedDib img = TwoColourImage(64, 48);
    ShowWith(*img.get());
    AnswerPrintForm(View.get(), true);
    View->PrintBrn->click();
    EXPECT_TRUE(QFile::exists(pdf));
    EXPECT_EQ(printer.docName(), QStringLiteral("Quintal Bild"));
    EXPECT_TRUE(D.Messages.empty());
    SetPrinterPort(previous);
}

TEST_F(ViewPicFormTest, PdfFilePrinterAsksForTheFileEveryTime) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("gedruckt.pdf"));
    QPrinter printer(QPrinter::HighResolution); // what the system offers without a printer
    printer.setOutputFormat(QPrinter::PdfFormat);
    TQPrinterPort port(printer);
    TPrinterPort* previous = SetPrinterPort(&port);
    ScopedDib img = TwoColourImage(64, 48);
    ShowWith(*img.get());
    D.SaveAnswers = {pdf, QString()}; // the second print is cancelled in the file question
    for (int round = 0; round < 2; ++round) {
        AnswerPrintForm(View.get(), true);
        View->PrintBrn->click();
        ASSERT_EQ(D.FileQuestions.size(), size_t(round + 1));
        EXPECT_EQ(D.FileQuestions.back().Filter, QStringLiteral("PDF-Dateien (*.pdf)"));
        EXPECT_TRUE(D.FileQuestions.back().OverwritePrompt);
        EXPECT_TRUE(printer.outputFileName().isEmpty()) << "the next print asks again";
    }
    EXPECT_TRUE(D.Messages.empty());
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_TRUE(bytes.contains("/Subtype /Image")) << "the picture is on the page";
    SetPrinterPort(previous);
}

// A port that knows a page but has no printer.
class TNoPrinterPort : public TPrinterPort {
  public:
    QSize PageSize() override { return {4800, 6600}; }
    bool Setup(QWidget*) override { return false; }
    QPrinter* Printer() override { return nullptr; }
};

TEST_F(ViewPicFormTest, MissingPrinterGivesAGermanMessage) {
    TNoPrinterPort port;
    TPrinterPort* previous = SetPrinterPort(&port);
    ScopedDib img = TwoColourImage(64, 48);
    ShowWith(*img.get());
    AnswerPrintForm(View.get(), true);
    View->PrintBrn->click();
    ASSERT_EQ(D.Messages.size(), 1u);
    EXPECT_EQ(D.Messages[0].Text, PrintOutcomeMessage(TPrintOutcome::NoPrinter));
    EXPECT_TRUE(D.Messages[0].Text.startsWith(QStringLiteral("Es ist kein Drucker")));
    EXPECT_EQ(D.Messages[0].Icon, TMsgIcon::Error);
    SetPrinterPort(previous);
}

TEST_F(ViewPicFormTest, Screenshot) {
    ScopedDib img = TwoColourImage(320, 200);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 320; ++x)
            setpixel(img.get(), x, y,
                     uint32_t((x * 255 / 319) << 16 | (y * 255 / 199) << 8 | 0x60));
    View->ZoomEd->SetValue(200);
    ShowWith(*img.get());
    const QPixmap shot = View->grab();
    const QString out = qEnvironmentVariable("LUMENO_SCREENSHOT_DIR");
    if (!out.isEmpty()) {
        QDir().mkpath(out);
        EXPECT_TRUE(shot.save(QDir(out).filePath(QStringLiteral("view_pic_form.png"))));
    }
    EXPECT_EQ(shot.size(), View->size());
}

TEST_F(ViewPicFormTest, OpensFittedKeepsFittingOnResizeUntilTheUserZooms) {
    ScopedDib img = TwoColourImage(4000, 3000);
    View->Image = *img.get();
    // Fitted: inside the visible area and touching it on one side.
    auto fits = [this] {
        const QSize shown = View->PaintBox1->size();
        const int frame = 2 * View->ScrollBox1->frameWidth();
        const QSize room = View->ScrollBox1->size() - QSize(frame, frame);
        return shown.width() <= room.width() && shown.height() <= room.height() &&
               (shown.width() >= room.width() - 1 || shown.height() >= room.height() - 1);
    };
    QSize first, resized;
    bool fittedFirst = false, fittedResized = false;
    QTimer::singleShot(0, View.get(), [&] {
        Settle();
        fittedFirst = View->Fitted() && fits();
        first = View->PaintBox1->size();
        View->resize(View->width() / 2, View->height() / 2);
        Settle();
        fittedResized = fits();
        resized = View->PaintBox1->size();
        View->ReadyBtn->click();
    });
    View->ShowModal();
    EXPECT_TRUE(fittedFirst) << first.width() << "x" << first.height();
    EXPECT_EQ(View->ZoomEd->text(), QStringLiteral("Einpassen"));
    EXPECT_TRUE(fittedResized) << resized.width() << "x" << resized.height();
    EXPECT_LT(resized.width(), first.width());
    // The key switches to 100 % and back; a zoom of the user's stays on resize.
    View->show();
    Settle();
    QTest::keyClick(View.get(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(View->ZoomEd->Value(), 100);
    View->resize(View->size() + QSize(50, 50));
    Settle();
    EXPECT_EQ(View->PaintBox1->size(), QSize(4000, 3000));
    QTest::keyClick(View.get(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_TRUE(View->Fitted());
    Settle();
    EXPECT_TRUE(fits());
    // A small photo is shown at its own size, not enlarged.
    ScopedDib small = TwoColourImage(64, 48);
    View->Image = *small.get();
    EXPECT_EQ(View->DisplayedSize(), QSize(64, 48));
    View->hide();
    View->Image = TDib{};
}

TEST_F(ViewPicFormTest, FirstOpeningTakesMostOfTheScreenAndThePlaceIsKept) {
    QSettings(QStringLiteral("Corvana"), QStringLiteral("PDF Lumeno"))
        .remove(QStringLiteral("ViewPicForm"));
    ScopedDib img = TwoColourImage(64, 48);
    View->Image = *img.get();
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    QSize opened;
    QTimer::singleShot(0, View.get(), [&] {
        opened = View->frameGeometry().size();
        View->resize(600, 400);
        View->ReadyBtn->click();
    });
    View->ShowModal();
    EXPECT_GE(opened.width(), avail.width() * 3 / 4);
    EXPECT_GE(opened.height(), avail.height() * 3 / 4);
    TViewPicForm again;
    again.Image = *img.get();
    QTimer::singleShot(0, &again, [&] {
        opened = again.size();
        again.close();
    });
    again.ShowModal();
    again.Image = TDib{};
    View->Image = TDib{};
    EXPECT_EQ(opened, QSize(600, 400));
}

} // namespace
} // namespace lumeno::ui::test

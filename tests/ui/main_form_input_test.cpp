// Input on the main window: the wheel on the photos page, double clicks
// in the strip and the search results, the strip after Open, failed thumbnails when the strip
// comes into sight again, the one application-workspace grey, and Alt+F on every page.
#include "color_combo.h"
#include "event_counts.h"
#include "messages.h"
#include "photo_strip.h"
#include "status_bar.h"
#include "ui_test_support.h"
#include "view_pic_form.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcutEvent>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>

namespace lumeno::ui::test {
namespace {

// A wheel event as the window system delivers it: to the widget under the mouse, handed on
// to its parents while nobody takes it.
void Turn(QWidget* w, int angle, int pixels = 0) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent e(at, w->mapToGlobal(at), QPoint(0, pixels), QPoint(0, angle), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&e);
    QApplication::sendEvent(w, &e);
}

class MainFormInputTest : public MainFormTest {
  protected:
    QScrollBar* Bar() { return Form->Controls().ScrollBox1->verticalScrollBar(); }
};

TEST_F(MainFormInputTest, WheelDeltasAreCollectedTwentyPixelsPerNotch) {
    MissingPhotos(80);
    ASSERT_GT(Bar()->maximum(), 400);
    Bar()->setValue(200);
    const struct {
        int angle, pixels, value; // value of the scroll bar afterwards
    } steps[] = {{15, 0, 198},  {40, 0, 191},  {120, 0, 171}, {-15, 0, 174}, {-15, 0, 176},
                 {-15, 0, 179}, {-15, 0, 181}, {-15, 0, 184}, {-15, 0, 186}, {-15, 0, 189},
                 {-15, 0, 191}, {0, 7, 184},   {0, -30, 214}, {-120, 0, 234}};
    for (const auto& s : steps) {
        Turn(Form->Controls().PaintBox1, s.angle, s.pixels);
        EXPECT_EQ(Bar()->value(), s.value) << s.angle << " " << s.pixels;
    }
}

TEST_F(MainFormInputTest, WheelAnywhereOnThePhotosPageScrollsTheStrip) {
    MissingPhotos(80);
    const TMainFormControls& c = Form->Controls();
    for (QWidget* w : std::initializer_list<QWidget*>{c.NewFotoBtn, c.Label3, c.FilenamesCheck,
                                                      c.Memo1->viewport()}) {
        Bar()->setValue(100);
        Turn(w, -120);
        EXPECT_EQ(Bar()->value(), 120) << w->objectName().toStdString();
    }
    // A caption editor with something to scroll keeps the wheel.
    c.Memo1->setPlainText(QStringLiteral("Zeile\n").repeated(60));
    QApplication::processEvents();
    Turn(c.Memo1->viewport(), -120);
    EXPECT_EQ(Bar()->value(), 120);
    EXPECT_GT(c.Memo1->verticalScrollBar()->value(), 0);
    // Elsewhere the wheel does not reach the strip.
    c.PageControl2->setCurrentWidget(c.TabSheet5);
    Turn(c.SavePDFBtn, -120);
    Turn(c.Blende1Check, -120);
    EXPECT_EQ(Bar()->value(), 120);
}

TEST_F(MainFormInputTest, DoubleClicksOpenOnlyWhatTheUserMeant) {
    MissingPhotos(3);
    const TMainFormControls& c = Form->Controls();
    // Search results: blank space below the rows jumps to the selected row.
    c.PageControl2->setCurrentWidget(c.TabSheet3);
    c.SearchEdit->setText(QStringLiteral("fehlt"));
    c.SearchBtn->click();
    ASSERT_EQ(c.ListView2->topLevelItemCount(), 3);
    c.ListView2->setCurrentItem(c.ListView2->topLevelItem(2));
    QTest::mouseDClick(c.ListView2->viewport(), Qt::LeftButton, Qt::NoModifier,
                       QPoint(20, c.ListView2->viewport()->height() - 5));
    EXPECT_EQ(c.PageControl2->currentWidget(), c.TabSheet2);
    EXPECT_EQ(Form->Show().CurFoto, 3);
    // The strip: only the left button opens the viewer (the files are missing: a message).
    QTest::mouseDClick(c.PaintBox1, Qt::RightButton, Qt::NoModifier, QPoint(45, 50));
    EXPECT_EQ(Form->Show().CurFoto, 1) << "any button selects";
    EXPECT_TRUE(D.Messages.empty());
    QTest::mouseDClick(c.PaintBox1, Qt::LeftButton, Qt::NoModifier, QPoint(45, 50));
    ASSERT_EQ(D.Messages.size(), 1u);
    // The fixed sentence, then the file and the reason.
    EXPECT_TRUE(
        D.Messages[0].Text.startsWith(QStringLiteral("Konnte die Bilddatei nicht öffnen!\n\n")))
        << D.Messages[0].Text.toStdString();
}

TEST_F(MainFormInputTest, OpenShowsTheFirstPhotoAtTheTop) {
    MissingPhotos(80);
    const QString file = Dir.filePath(QStringLiteral("show.lmo"));
    D.SaveAnswers.push_back(file);
    Form->Controls().SaveAsBtn->click();
    Bar()->setValue(Bar()->maximum());
    D.OpenAnswers.push_back({file});
    Form->Controls().OpenBtn->click();
    EXPECT_EQ(Bar()->value(), 0);
    EXPECT_EQ(Form->Controls().StatusBar1->PanelText(), QStringLiteral("Thumbnail: 1 von 80"));
}

TEST_F(MainFormInputTest, FailedThumbnailIsTriedAgainWhenTheStripComesIntoSight) {
    const QString path = Dir.filePath(QStringLiteral("spaeter.png"));
    Form->Show().AddPhotos({path.toStdString()}, false);
    Form->PaintBox1Paint();
    QApplication::processEvents();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return counts::Of(Form->Strip(), counts::kThumbnailLoads) >= 1; }, 5000));
    MakeImage(QStringLiteral("spaeter.png"), 40, 30);
    Form->Controls().PaintBox1->repaint(); // a plain repaint does not try again
    QApplication::processEvents();
    EXPECT_TRUE(Form->Show().Fotos[0].Thumb.empty());
    // Another page and back, as a user uncovers the strip.
    Form->Controls().PageControl2->setCurrentWidget(Form->Controls().TabSheet3);
    Form->Controls().PageControl2->setCurrentWidget(Form->Controls().TabSheet2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Form->Show().Fotos[0].Thumb.empty(); }, 5000));
}

TEST_F(MainFormInputTest, OneApplicationWorkspaceGreyInStripViewerAndColourList) {
    const QColor grey = ApplicationWorkspaceColor();
    EXPECT_EQ(grey, QColor(171, 171, 171));
    const QImage strip = Form->Controls().PaintBox1->grab().toImage();
    EXPECT_EQ(strip.pixelColor(strip.width() - 1, strip.height() - 1), grey);
    EXPECT_EQ(
        Form->Controls().ViewPicForm->ScrollBox1->viewport()->palette().color(QPalette::Window),
        grey);
    EXPECT_EQ(TTesselColorComboBox::ColorToHTML(0x80000000u | 12), QStringLiteral("#ABABAB"));
}

TEST_F(MainFormInputTest, AltFActsOnEveryPage) {
    MissingPhotos(3);
    const TMainFormControls& c = Form->Controls();
    c.SearchEdit->setText(QStringLiteral("fehlt"));
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    // A button's key clicks it after showing it pressed for a moment.
    auto altF = [&](QWidget* page, auto done) {
        c.PageControl2->setCurrentWidget(page);
        D.Messages.clear();
        D.FileQuestions.clear();
        D.MessageAnswers.push_back(mbCancel);
        QTest::keyClick(Form.get(), Qt::Key_F, Qt::AltModifier);
        return QTest::qWaitFor(done, 2000);
    };
    auto asked = [&] { return !D.Messages.empty() || !D.FileQuestions.empty(); };
    // The showing page's "&Fotos ..." button wins over the toolbar's "Ö&ffnen...".
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(altF(c.TabSheet2, asked));
        ASSERT_EQ(D.FileQuestions.size(), 1u);
        EXPECT_EQ(D.FileQuestions[0].Title, Text(TMsg::AddPhotosTitle));
        EXPECT_TRUE(D.Messages.empty());
        c.ListView2->clear();
        EXPECT_TRUE(altF(c.TabSheet3, [&] { return c.ListView2->topLevelItemCount() == 3; }));
        EXPECT_TRUE(D.Messages.empty() && D.FileQuestions.empty());
        // Pages without such a button: Open asks before the show is given up.
        for (QWidget* page : {c.TabSheet5, c.TabSheet1}) {
            ASSERT_TRUE(altF(page, asked)) << page->objectName().toStdString();
            ASSERT_EQ(D.Messages.size(), 1u);
            EXPECT_EQ(D.Messages[0].Text, Text(TMsg::LoseUnsaved));
        }
    }
}

} // namespace
} // namespace lumeno::ui::test

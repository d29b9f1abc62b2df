// The window without a mouse and across runs: Alt keys on every page, the strip's keys, Enter
// in the search field, remembered window places and folders, and the hint for captions that
// cannot be seen.
#include "messages.h"
#include "spin_edit.h"
#include "ui_test_support.h"
#include "window_settings.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QUndoStack>

#include <map>

namespace lumeno::ui::test {
namespace {

class MainFormKeyboardTest : public MainFormTest {};

// Every labelled control of a page with its Alt key, the toolbar's buttons and the status
// bar's "Abbrechen".
std::multimap<QKeySequence, QWidget*> AltKeys(const TMainFormControls& c, QWidget* page) {
    std::multimap<QKeySequence, QWidget*> keys;
    for (QWidget* w : page->findChildren<QWidget*>()) {
        QString text;
        if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
        if (auto* l = qobject_cast<QLabel*>(w); l && l->buddy()) text = l->text();
        const QKeySequence key = QKeySequence::mnemonic(text);
        if (!key.isEmpty()) keys.emplace(key, w);
    }
    // The toolbar's Open button gives up its key to a page button with the same one.
    for (QToolButton* b : {c.NewBtn, c.OpenBtn, c.SaveAsBtn})
        if (!b->shortcut().isEmpty()) keys.emplace(b->shortcut(), b);
    keys.emplace(QKeySequence::mnemonic(c.CancelExportBtn->text()), c.CancelExportBtn);
    return keys;
}

TEST_F(MainFormKeyboardTest, AltKeysAreUniqueAndActOnEveryPage) {
    const TMainFormControls& c = Form->Controls();
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    for (QWidget* page : {c.TabSheet2, c.TabSheet3, c.TabSheet5, c.TabSheet1}) {
        c.PageControl2->setCurrentWidget(page);
        QApplication::processEvents();
        const auto keys = AltKeys(c, page);
        for (const auto& [key, w] : keys)
            EXPECT_EQ(keys.count(key), 1u)
                << page->objectName().toStdString() << " " << key.toString().toStdString();
        // Every field label and every button of the page has a key.
        for (QWidget* w : page->findChildren<QWidget*>()) {
            auto* l = qobject_cast<QLabel*>(w);
            const bool labelled = (l && l->buddy()) || qobject_cast<QAbstractButton*>(w);
            if (!labelled) continue;
            bool found = false;
            for (const auto& entry : keys)
                found = found || entry.second == w;
            EXPECT_TRUE(found || !w->isVisibleTo(page)) << w->objectName().toStdString();
        }
        // A field's label moves the focus to it; a check box's key turns it over.
        for (const auto& [key, w] : keys) {
            auto* l = qobject_cast<QLabel*>(w);
            auto* box = qobject_cast<QCheckBox*>(w);
            if (!l && !box) continue;
            const bool was = box && box->isChecked();
            QTest::keyClick(Form.get(), Qt::Key(key[0].key()), Qt::AltModifier);
            if (l) {
                EXPECT_TRUE(QTest::qWaitFor([&] { return l->buddy()->hasFocus(); }, 1000))
                    << l->text().toStdString();
            } else {
                EXPECT_TRUE(QTest::qWaitFor([&] { return box->isChecked() != was; }, 2000))
                    << box->text().toStdString();
            }
        }
    }
    // "Abbrechen" shows only while an export runs; then its key presses it.
    c.CancelExportBtn->show();
    int pressed = 0;
    QObject listening;
    QObject::connect(c.CancelExportBtn, &QPushButton::clicked, &listening, [&] { ++pressed; });
    const QKeySequence cancel = QKeySequence::mnemonic(c.CancelExportBtn->text());
    ASSERT_FALSE(cancel.isEmpty());
    QTest::keyClick(Form.get(), Qt::Key(cancel[0].key()), Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return pressed == 1; }, 1000));
    c.CancelExportBtn->hide();
}

TEST_F(MainFormKeyboardTest, TabFollowsTheEyeOnEveryPage) {
    const TMainFormControls& c = Form->Controls();
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    for (QWidget* page : {c.TabSheet2, c.TabSheet3, c.TabSheet5, c.TabSheet1}) {
        c.PageControl2->setCurrentWidget(page);
        QApplication::processEvents();
        ExpectTabFollowsTheEye(Form.get(), c.NewBtn);
    }
}

TEST_F(MainFormKeyboardTest, StripKeysMoveTheHighlightAndDeleteIsUndoable) {
    MissingPhotos(40);
    const TMainFormControls& c = Form->Controls();
    const int cols = Form->Strip().Cols();
    ASSERT_GT(cols, 1);
    const int pageRows = c.ScrollBox1->viewport()->height() / 110;
    ASSERT_GE(pageRows, 1);
    auto key = [&](Qt::Key k) {
        QTest::keyClick(c.KeyEdit, k);
        return Form->Show().CurFoto;
    };
    Form->Show().CurFoto = 1;
    EXPECT_EQ(key(Qt::Key_End), 40);
    EXPECT_GT(c.ScrollBox1->verticalScrollBar()->value(), 0) << "the end is scrolled into view";
    EXPECT_EQ(key(Qt::Key_Home), 1);
    EXPECT_LT(c.ScrollBox1->verticalScrollBar()->value(), 110) << "the first row in view";
    EXPECT_EQ(key(Qt::Key_Right), 2);
    EXPECT_EQ(key(Qt::Key_PageDown), 2 + pageRows * cols);
    EXPECT_EQ(key(Qt::Key_PageUp), 2);
    EXPECT_EQ(key(Qt::Key_PageUp), 2) << "no whole row above: stays";
    Form->Show().CurFoto = 39;
    EXPECT_EQ(key(Qt::Key_PageDown), 39 + ((40 - 39) / cols) * cols);
    EXPECT_EQ(key(Qt::Key_Delete), 39);
    EXPECT_EQ(Form->Show().Count(), 39);
    Form->UndoStack().undo();
    EXPECT_EQ(Form->Show().Count(), 40);
}

// Tab into the strip: a dotted frame around the current photo shows that its keys act.
TEST_F(MainFormKeyboardTest, TheStripShowsWhenItsKeysAct) {
    MissingPhotos(3);
    const TMainFormControls& c = Form->Controls();
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    Form->Show().CurFoto = 2;
    auto whiteOnTheFill = [&] {
        const QImage shot = c.PaintBox1->grab().toImage();
        const QPoint o = strip::CellOrigin(1, Form->Strip().Cols());
        int white = 0;
        for (int x = 10; x < 80; ++x)
            white += shot.pixelColor(o + QPoint(x, 3)) == QColor(Qt::white);
        return white;
    };
    c.KeyEdit->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_GT(whiteOnTheFill(), 20);
    c.Memo1->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(whiteOnTheFill(), 0);
}

TEST_F(MainFormKeyboardTest, APhotoThatCannotBeOpenedIsNamedWithTheReason) {
    MissingPhotos(1); // the file does not exist
    Form->Show().CurFoto = 1;
    QTest::keyClick(Form->Controls().KeyEdit, Qt::Key_Return);
    ASSERT_EQ(D.Messages.size(), 1u);
    EXPECT_EQ(D.Messages[0].Text, Text(TMsg::PictureNotOpened) + QStringLiteral("\n\n") +
                                      Dir.filePath(QStringLiteral("fehlt0.jpg")) +
                                      QStringLiteral("\nDie Datei wurde nicht gefunden."));
}

TEST_F(MainFormKeyboardTest, EnterInTheSearchFieldSearches) {
    MissingPhotos(3);
    const TMainFormControls& c = Form->Controls();
    c.PageControl2->setCurrentWidget(c.TabSheet3);
    c.SearchEdit->setText(QStringLiteral("fehlt"));
    QTest::keyClick(c.SearchEdit, Qt::Key_Return);
    EXPECT_EQ(c.ListView2->topLevelItemCount(), 3);
}

TEST_F(MainFormKeyboardTest, WindowPlaceIsKeptAcrossRunsAndBroughtOntoTheScreen) {
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    Form->setGeometry(QRect(avail.topLeft() + QPoint(40, 30), QSize(700, 560)));
    QApplication::processEvents();
    const QRect placed = Form->geometry();
    D.MessageAnswers.push_back(mbOK); // "Programm beenden"
    ASSERT_TRUE(Form->close());
    TMainForm again;
    EXPECT_EQ(again.geometry(), placed);

    // Stored while on a screen that is gone: back on the visible one.
    QWidget lost;
    lost.setGeometry(QRect(avail.right() + 3000, avail.bottom() + 3000, 300, 200));
    SaveWindowGeometry(lost, QStringLiteral("Lost"));
    QWidget found;
    ASSERT_TRUE(RestoreWindowGeometry(found, QStringLiteral("Lost")));
    EXPECT_TRUE(avail.intersects(found.geometry())) << found.x() << "," << found.y();
    lost.setWindowState(Qt::WindowMaximized);
    SaveWindowGeometry(lost, QStringLiteral("Lost"));
    ASSERT_TRUE(RestoreWindowGeometry(found, QStringLiteral("Lost")));
    EXPECT_TRUE(found.isMaximized());
    EXPECT_FALSE(RestoreWindowGeometry(found, QStringLiteral("NeverStored")));
}

TEST_F(MainFormKeyboardTest, EachKindOfFileKeepsItsOwnFolder) {
    const QString photos = Dir.filePath(QStringLiteral("fotos"));
    const QString pdfs = Dir.filePath(QStringLiteral("pdf"));
    QDir().mkpath(photos);
    QDir().mkpath(pdfs);
    RememberFolder(TFolder::Photos, photos + QStringLiteral("/a.jpg"));
    RememberFolder(TFolder::Pdf, pdfs + QStringLiteral("/show.pdf"));
    RememberFolder(TFolder::Html, QString()); // nothing chosen: nothing remembered
    EXPECT_EQ(RememberedFolder(TFolder::Photos), photos);
    EXPECT_EQ(RememberedFolder(TFolder::Pdf), pdfs);
    RememberFolder(TFolder::Shows, Dir.filePath(QStringLiteral("weg/x.lmo")));
    EXPECT_EQ(RememberedFolder(TFolder::Shows), QString()) << "a folder that is gone";
    EXPECT_EQ(CurrentFolderKind(), nullptr);
    {
        const TFolderScope scope(TFolder::Photos);
        ASSERT_NE(CurrentFolderKind(), nullptr);
        EXPECT_EQ(*CurrentFolderKind(), TFolder::Photos);
    }
    EXPECT_EQ(CurrentFolderKind(), nullptr);
}

TEST_F(MainFormKeyboardTest, InvisibleCaptionsGetAHintNotAnError) {
    const TMainFormControls& c = Form->Controls();
    EXPECT_TRUE(c.CaptionHint->text().isEmpty());
    c.FontSizeEd->SetValue(0);
    EXPECT_TRUE(c.CaptionHint->text().contains(QStringLiteral("Schriftgröße 0")));
    EXPECT_EQ(Form->Settings().FontSize, 0) << "the value is kept";
    TShowSettings s;
    s.TextY = 150;
    s.TextColor = s.OutlineColor = s.BackColor;
    Form->SetSettings(s);
    EXPECT_EQ(c.CaptionHint->text(),
              CaptionHintsText({TCaptionHint::OutsideVertical, TCaptionHint::TextLikeBackground}));
    EXPECT_EQ(c.CaptionHint->text().count(QLatin1Char('\n')), 1);
}

} // namespace
} // namespace lumeno::ui::test

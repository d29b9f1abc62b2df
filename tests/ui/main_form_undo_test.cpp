// The caption editor after every way the current photo changes, undo and redo through their
// keys, an Open that fails without touching the show, and the recovery file.
#include "ui_test_support.h"

#include "lumeno/project/project_file.h"
#include "spin_edit.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QUndoStack>

#include <filesystem>

namespace lumeno::ui::test {
namespace {

class UndoTest : public MainFormTest {
  protected:
    // Photos a.jpg, b.jpg, c.jpg with the captions "A", "B", "C"; photo 1 current.
    void AddThree() {
        AddPhotos({Dir.path() + "/a.jpg", Dir.path() + "/b.jpg", Dir.path() + "/c.jpg"});
        for (int i = 0; i < 3; ++i)
            Form->Show().Fotos[i].Text = std::string(1, char('A' + i));
        Form->PaintBox1Paint();
    }
    // The photos' file names and captions, "a:A b:B".
    std::string Photos() {
        std::string out;
        for (const TFotoRecord& f : Form->Show().Fotos)
            out += (out.empty() ? "" : " ") +
                   QFileInfo(QString::fromStdString(f.FileName)).fileName().left(1).toStdString() +
                   ":" + f.Text;
        return out;
    }
    QString Memo() { return Form->Controls().Memo1->toPlainText(); }
    void Key(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        w->setFocus();
        QTest::keyClick(w, key, mods);
    }
    void Type(const QString& text) {
        Form->Controls().Memo1->setFocus();
        Form->Controls().Memo1->moveCursor(QTextCursor::End);
        QTest::keyClicks(Form->Controls().Memo1, text);
    }
    QString WriteShow(const QString& name, const std::vector<std::string>& captions) {
        TSlideShow show;
        for (size_t i = 0; i < captions.size(); ++i)
            show.AddPhotos({"/bilder/" + std::to_string(i) + ".jpg"}, false);
        for (size_t i = 0; i < captions.size(); ++i)
            show.Fotos[int(i)].Text = captions[i];
        const QString path = Dir.filePath(name);
        EXPECT_TRUE(WriteProjectFile(path.toStdString(), show, TShowSettings{}).ok);
        return path;
    }
    void Open(const QString& path) {
        D.MessageAnswers.push_back(mbOK);
        D.OpenAnswers.push_back({path});
        Form->Controls().OpenBtn->click();
    }
};

TEST_F(UndoTest, CaptionEditorShowsTheCurrentPhotoAfterEveryChange) {
    AddThree();
    EXPECT_EQ(Memo(), "A"); // photo 1 is highlighted after adding
    Form->Show().CurFoto = 2;
    Form->Controls().DelFotoBtn->click();
    EXPECT_EQ(Memo(), "C");
    Form->Controls().NachVornBtn->click();
    EXPECT_EQ(Memo(), "C");
    Key(Form->Controls().KeyEdit, Qt::Key_Right);
    EXPECT_EQ(Memo(), "A");

    // Opened, after a cancelled Open, after a failed Open: the caption of the highlighted photo,
    // and typing changes that photo only.
    Open(WriteShow("zwei.lmo", {"Erstes", "Zweites"}));
    EXPECT_EQ(Memo(), "Erstes");
    Type("!");
    EXPECT_EQ(Photos(), "0:Erstes! 1:Zweites");
    Key(Form->Controls().KeyEdit, Qt::Key_Right);
    D.MessageAnswers.push_back(mbOK);
    Form->Controls().OpenBtn->click(); // dialog cancelled
    EXPECT_EQ(Memo(), "Zweites");
    QFile text(Dir.filePath("notiz.lmo"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("Einkaufsliste: Milch, Brot\n");
    text.close();
    Open(text.fileName());
    EXPECT_EQ(Memo(), "Zweites");
    Type("?");
    EXPECT_EQ(Photos(), "0:Erstes! 1:Zweites?");

    // A jump from the search results.
    Form->Controls().PageControl2->setCurrentWidget(Form->Controls().TabSheet3);
    Form->Controls().SearchEdit->setText("ERSTES");
    Form->Controls().SearchBtn->click();
    Form->Controls().ListView2->setCurrentItem(Form->Controls().ListView2->topLevelItem(0));
    Key(Form->Controls().ListView2, Qt::Key_Return);
    EXPECT_EQ(Memo(), "Erstes!");

    // New: no photo, an empty editor, and typing stores nothing.
    D.MessageAnswers.push_back(mbOK);
    Form->Controls().NewBtn->click();
    EXPECT_EQ(Memo(), "");
    Type("ins Leere");
    AddPhotos({Dir.path() + "/x.jpg"});
    EXPECT_EQ(Memo(), "");
    EXPECT_EQ(Photos(), "x:");
}

TEST_F(UndoTest, UndoAndRedoThroughTheirKeysEverywhereOnThePhotosPage) {
    AddThree();
    QWidget* strip = Form->Controls().KeyEdit;
    QWidget* memo = Form->Controls().Memo1;
    // Escape deletes photo 2; Ctrl+Z brings it back at its place with its caption, current.
    Key(strip, Qt::Key_Right);
    Key(strip, Qt::Key_Escape);
    EXPECT_EQ(Photos(), "a:A c:C");
    Key(strip, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Photos(), "a:A b:B c:C");
    EXPECT_EQ(Form->Show().CurFoto, 2);
    EXPECT_EQ(Memo(), "B");
    Key(strip, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Photos(), "a:A c:C");
    Key(strip, Qt::Key_Z, Qt::ControlModifier);

    // One step per burst of typing; a change of photo starts the next one.
    Type("12");
    Type("3");
    Key(strip, Qt::Key_Left);
    Key(strip, Qt::Key_Right);
    Type("45");
    EXPECT_EQ(Photos(), "a:A b:B12345 c:C");
    Key(memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Photos(), "a:A b:B123 c:C");
    EXPECT_EQ(Memo(), "B123");
    Key(memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Photos(), "a:A b:B c:C");
    Key(memo, Qt::Key_Z, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(Memo(), "B123");
    // Typing after an undo is a new step and drops the redo; typing taken back leaves none.
    Type("y");
    Key(memo, Qt::Key_Backspace);
    EXPECT_EQ(Form->UndoStack().index(), 2);
    EXPECT_EQ(Form->UndoStack().count(), 2);
    Type("x");
    Key(memo, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Photos(), "a:A b:B123x c:C");
    Key(memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Photos(), "a:A b:B123 c:C");

    // Moving and adding, undone to the start.
    Form->Controls().NachHintenBtn->click();
    EXPECT_EQ(Photos(), "a:A c:C b:B123");
    AddPhotos({Dir.path() + "/d.jpg"});
    // Adding the three, the typing, the move, the add.
    EXPECT_EQ(Form->UndoStack().count(), 4);
    for (int i = 0; i < 3; ++i)
        Key(strip, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Photos(), "a:A b:B c:C");
    for (int i = 0; i < 3; ++i)
        Key(strip, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Photos(), "a:A c:C b:B123 d:");

    // A failed Open keeps the history; New starts a fresh one.
    Open(Dir.filePath("fehlt.lmo"));
    EXPECT_EQ(Form->UndoStack().count(), 4);
    D.MessageAnswers.push_back(mbOK);
    Form->Controls().NewBtn->click();
    EXPECT_EQ(Form->UndoStack().count(), 0);
}

TEST_F(UndoTest, FailedOpenKeepsTheShowItsSettingsAndItsHistory) {
    AddThree();
    Form->Controls().TimeEd->SetValue(777);
    Form->Controls().DelFotoBtn->click();
    struct Case {
        const char* Name;
        QByteArray Content;
    } cases[] = {
        {"text.lmo", "Das ist keine Lumeno.\n"},
        {"leer.lmo", ""},
        {"kurz.lmo", QByteArray("\xAD\xCD\x00\x00\x05\x00\x00\x00\x10\x00", 10)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        QFile f(Dir.filePath(c.Name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.Content);
        f.close();
        D.Messages.clear();
        Open(f.fileName());
        ASSERT_EQ(D.Messages.size(), 2u);
        EXPECT_EQ(D.Messages[1].Icon, TMsgIcon::Error);
        EXPECT_EQ(Photos(), "b:B c:C");
        EXPECT_EQ(Form->Settings().FadeTime, 777);
        EXPECT_EQ(Form->UndoStack().count(), 2); // adding and deleting
    }
    // A damaged show that still yields photos is loaded as far as it goes.
    const QString path = WriteShow("ganz.lmo", {"eins", "zwei"});
    QFile f(path);
    ASSERT_TRUE(f.resize(f.size() - 35 - 8));
    D.Messages.clear();
    Open(path);
    ASSERT_EQ(D.Messages.size(), 2u);
    EXPECT_EQ(Photos(), "0:eins");
    EXPECT_EQ(Form->UndoStack().count(), 0);
}

TEST(MainFormRecovery, AChangedShowIsKeptUntilANormalEndAndOfferedAfterAnUncleanOne) {
    App();
    const QString name = TMainForm::RecoveryFileName();
    QTemporaryDir work;
    QByteArray left;
    {
        TScriptedDialogs d;
        TDialogsScope scope(&d);
        TMainForm form;
        form.show();
        form.SetAutosaveInterval(20);
        QTest::qWait(60);
        EXPECT_FALSE(QFile::exists(name)) << "an unchanged show is not written";
        form.AddPhotoFiles({"/bilder/strand.jpg", "/bilder/berg.jpg"});
        form.Show().CurFoto = 2;
        form.Controls().Memo1->setFocus();
        form.Controls().Memo1->insertPlainText(QStringLiteral("Gipfel über den Wolken"));
        form.Controls().TimeEd->SetValue(2500);
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(name); }, 5000));
        QTest::qWait(60);
        EXPECT_EQ(std::filesystem::status(name.toStdString()).permissions(),
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        left = f.readAll();
        EXPECT_EQ(left.toStdString(), ProjectFileBytes(form.Show(), form.Settings()));
        // Nothing but the recovery file in its folder.
        EXPECT_EQ(QDir(QFileInfo(name).path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QFileInfo(name).fileName()});
        // Saved as a project file: the recovery file is not needed any more.
        d.SaveAnswers.push_back(work.filePath(QStringLiteral("gesichert.lmo")));
        form.Controls().SaveAsBtn->click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !QFile::exists(name); }, 5000));
        form.Controls().TimeEd->SetValue(2600);
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(name); }, 5000));
        // Closing after the user confirms is a normal end.
        d.MessageAnswers.push_back(mbOK);
        EXPECT_TRUE(form.close());
        EXPECT_FALSE(QFile::exists(name));
    }

    // The program was killed: its recovery file is still there at the next start.
    for (TMsgButton answer : {mbNo, mbYes}) {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(left);
        f.close();
        TScriptedDialogs d;
        TDialogsScope scope(&d);
        d.MessageAnswers.push_back(answer);
        TMainForm form;
        form.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !d.Messages.empty(); }, 5000));
        EXPECT_EQ(d.Messages[0].Title, QStringLiteral("Wiederherstellen"));
        EXPECT_EQ(d.Messages[0].Buttons, TMsgButtons(mbYes | mbNo));
        EXPECT_TRUE(d.Messages[0].Text.contains(QStringLiteral("mit 2 Fotos vom ")))
            << d.Messages[0].Text.toStdString();
        QApplication::processEvents();
        if (answer == mbNo) {
            EXPECT_FALSE(QFile::exists(name));
            EXPECT_EQ(form.Show().Count(), 0);
            continue;
        }
        ASSERT_EQ(form.Show().Count(), 2);
        EXPECT_EQ(form.Show().Fotos[1].Text, "Gipfel \xFC"
                                             "ber den Wolken");
        EXPECT_EQ(form.Settings().FadeTime, 2500);
        EXPECT_EQ(form.Controls().Memo1->toPlainText(), QString());
        EXPECT_TRUE(QFile::exists(name)) << "kept until the restored show is saved or ends";
    }
    EXPECT_FALSE(QFile::exists(name));
}

} // namespace
} // namespace lumeno::ui::test

// Saving and opening project files through the window, the command line, and the search
// page; every message checked as the user sees it.
#include "ui_test_support.h"

#include "color_combo.h"
#include "lumeno/project/project_file.h"
#include "spin_edit.h"
#include "status_bar.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

namespace lumeno::ui::test {
namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST_F(MainFormTest, SaveAndReopenThroughTheWindowKeepsEverything) {
    AddPhotos({Dir.path() + "/eins.jpg", Dir.path() + "/zwei.jpg"});
    Form->Controls().Memo1->insertPlainText(QStringLiteral("Am Strand\nMöwen"));
    Form->Controls().TimeEd->SetValue(1500);
    Form->Controls().TextXEd->SetValue(-3);
    Form->Controls().Blende2Check->setChecked(true);
    Form->Controls().VollScreenCheck->setChecked(true);
    Form->Controls().ShowPDFCheck->setChecked(false);
    Form->Controls().TesselColorComboBox3->SetColorValue(0x0080FF);
    const TShowSettings saved = Form->Settings();

    const QString file = Dir.filePath(QStringLiteral("show")); // the extension is added
    D.SaveAnswers.push_back(file);
    Form->Controls().SaveAsBtn->click();
    ASSERT_TRUE(D.Messages.empty());
    ASSERT_EQ(D.FileQuestions.back().Filter, QStringLiteral("PDF Lumeno-Dateien (*.lmo)"));
    EXPECT_EQ(D.FileQuestions.back().DefaultExt, QStringLiteral("lmo"));
    EXPECT_TRUE(D.FileQuestions.back().OverwritePrompt);
    const QByteArray bytes = ReadAll(file + ".lmo");
    ASSERT_EQ(bytes.size(), 8 + 2 * 8 + (Dir.path() + "/eins.jpg").size() * 2 + 16 + 35);
    EXPECT_EQ(bytes.left(4), QByteArray("\xAD\xCD\x00\x00", 4));

    // Reopen into a fresh show.
    D.MessageAnswers.push_back(mbOK);
    Form->Controls().NewBtn->click();
    D.MessageAnswers.push_back(mbOK);
    D.OpenAnswers.push_back({file + ".lmo"});
    Form->Controls().OpenBtn->click();
    ASSERT_EQ(D.Messages.size(), 2u);
    EXPECT_EQ(D.Messages[1].Title, QStringLiteral("Datei|Öffnen"));
    ASSERT_EQ(Form->Show().Count(), 2);
    EXPECT_EQ(Form->Show().Fotos[0].Text, "Am Strand\r\nM\xF6wen");
    EXPECT_EQ(Form->Show().CurFoto, 1);
    // The editor shows the caption of the highlighted photo 1, and showing it is no edit.
    EXPECT_EQ(Form->Controls().Memo1->toPlainText(), QStringLiteral("Am Strand\nMöwen"));
    EXPECT_EQ(Form->Show().Fotos[0].Text, "Am Strand\r\nM\xF6wen");
    const TShowSettings back = Form->Settings();
    EXPECT_EQ(back.FadeTime, saved.FadeTime);
    EXPECT_EQ(back.TextX, -3);
    EXPECT_EQ(back.TextColor, 0x0080FFu);
    EXPECT_FALSE(back.FadeInOut);
    EXPECT_TRUE(back.FullScreen);
    EXPECT_FALSE(back.ShowPDF);
    // Saving again gives the same bytes.
    D.SaveAnswers.push_back(file + "2.lmo");
    Form->Controls().SaveAsBtn->click();
    EXPECT_EQ(ReadAll(file + "2.lmo"), bytes);
}

TEST_F(MainFormTest, OpenCancelledAtTheQuestionOrInTheDialogKeepsTheShow) {
    AddPhotos({Dir.path() + "/eins.jpg"});
    D.MessageAnswers.push_back(mbCancel);
    Form->Controls().OpenBtn->click();
    EXPECT_TRUE(D.FileQuestions.size() == 1u); // only the add dialog
    EXPECT_EQ(Form->Show().Count(), 1);
    D.MessageAnswers.push_back(mbOK);
    Form->Controls().OpenBtn->click(); // dialog cancelled
    EXPECT_EQ(Form->Show().Count(), 1);
}

TEST_F(MainFormTest, ProjectFileErrorsAreReportedWithTheirTexts) {
    struct Case {
        const char* Name;
        QByteArray Content; // empty: the file does not exist
        const char* Message;
        int PhotosAfter;
    } cases[] = {
        {"fehlt.lmo",
         {},
         "Fehler: Konnte Datei nicht öffnen...\n%1\nDie Datei wurde nicht gefunden.",
         1},
        // No show: the open one stays.
        {"fremd.lmo", QByteArray("PK\x03\x04 something else", 20),
         "Fehler: Die Datei ist keine gültige PDF Lumeno Datei...\n%1", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Form->Show().FreeAllPics();
        AddPhotos({Dir.path() + "/eins.jpg"});
        Form->Controls().TimeEd->SetValue(777);
        const QString path = Dir.filePath(QString::fromLatin1(c.Name));
        if (!c.Content.isEmpty()) WriteAll(path, c.Content);
        D.Messages.clear();
        D.MessageAnswers.push_back(mbOK);
        D.OpenAnswers.push_back({path});
        Form->Controls().OpenBtn->click();
        ASSERT_EQ(D.Messages.size(), 2u);
        EXPECT_EQ(D.Messages[1].Text, QString::fromUtf8(c.Message).arg(path));
        EXPECT_EQ(D.Messages[1].Icon, TMsgIcon::Error);
        EXPECT_EQ(D.Messages[1].Title, QStringLiteral("PDF Lumeno"));
        EXPECT_EQ(Form->Show().Count(), c.PhotosAfter);
        EXPECT_EQ(Form->Settings().FadeTime, 777); // settings kept
    }
    EXPECT_EQ(Form->Controls().StatusBar1->PanelText(), QStringLiteral("Thumbnail: 1 von 1"));
}

TEST_F(MainFormTest, SaveIntoAMissingFolderReportsAndWritesNothing) {
    const QString path = Dir.filePath(QStringLiteral("gibtsnicht/show.lmo"));
    D.SaveAnswers.push_back(path);
    Form->Controls().SaveAsBtn->click();
    ASSERT_EQ(D.Messages.size(), 1u);
    EXPECT_EQ(D.Messages[0].Text, QStringLiteral("Fehler: Konnte Datei nicht erstellen...\n") +
                                      path + QStringLiteral("\nDer Ordner existiert nicht."));
    EXPECT_EQ(D.Messages[0].Icon, TMsgIcon::Error);
}

TEST_F(MainFormTest, ReadTimesAreBroughtIntoTheirLimits) {
    TSlideShow show;
    TShowSettings s;
    s.FadeTime = 0;
    s.PauseTime = 2000000;
    const std::string bytes = ProjectFileBytes(show, s);
    const QString path = Dir.filePath(QStringLiteral("grenzen.lmo"));
    WriteAll(path, QByteArray::fromStdString(bytes));
    EXPECT_TRUE(Form->OpenFileNow(path));
    EXPECT_EQ(Form->Controls().TimeEd->Value(), 1);
    EXPECT_EQ(Form->Controls().TimeEd2->Value(), 1000000);
}

TEST(MainFormStart, CommandLineProjectOpensOnFirstShowingWithoutAsking) {
    App();
    QTemporaryDir dir;
    TSlideShow show;
    show.AddPhotos({"/bilder/a.jpg", "/bilder/b.jpg"}, false);
    show.Fotos[0].Text = "Erstes";
    const QString path = dir.filePath(QStringLiteral("start.lmo"));
    ASSERT_TRUE(WriteProjectFile(path.toStdString(), show, TShowSettings{}).ok);
    TScriptedDialogs d;
    TDialogsScope scope(&d);
    TMainForm form({path, QStringLiteral("ignored.lmo")});
    form.show();
    QTest::qWait(20);
    EXPECT_TRUE(d.Messages.empty());
    ASSERT_EQ(form.Show().Count(), 2);
    EXPECT_EQ(form.Show().Fotos[0].Text, "Erstes");
    EXPECT_EQ(form.Controls().Memo1->toPlainText(), QStringLiteral("Erstes"));
    // A second showing opens nothing again.
    form.Show().FreeAllPics();
    form.hide();
    form.show();
    QTest::qWait(20);
    EXPECT_EQ(form.Show().Count(), 0);
}

// --- Search page ---

class SearchPageTest : public MainFormTest {
  protected:
    void SetUp() override {
        MainFormTest::SetUp();
        AddPhotos({Dir.path() + "/Strand.jpg", Dir.path() + "/berg.jpg", Dir.path() + "/stadt.jpg",
                   Dir.path() + "/see.jpg"});
        auto& f = Form->Show().Fotos;
        f[0].Text = "STRAND am Morgen";
        f[1].Text = "Gipfel\r\nam strand?";
        f[2].Text = "GR\xDC\xDF"
                    "E"; // GRÜßE in Windows-1252
        f[3].Text = "";
        Form->Controls().PageControl2->setCurrentWidget(Form->Controls().TabSheet3);
    }
    QStringList Rows(int column) {
        QStringList l;
        for (int i = 0; i < Form->Controls().ListView2->topLevelItemCount(); ++i)
            l << Form->Controls().ListView2->topLevelItem(i)->text(column);
        return l;
    }
    void Search(const QString& text) {
        Form->Controls().SearchEdit->setText(text);
        Form->Controls().SearchBtn->click();
    }
};

TEST_F(SearchPageTest, FindsCaptionsAndFileNamesInListOrder) {
    Search(QStringLiteral("strand"));
    EXPECT_EQ(Rows(0), (QStringList{"Strand.jpg", "berg.jpg"}));
    EXPECT_EQ(Rows(1), (QStringList{"STRAND am Morgen", "Gipfel am strand?"}));
    Search(QStringLiteral("grüße")); // lower-case umlauts do not find capitals
    EXPECT_TRUE(Rows(0).isEmpty());
    Search(QStringLiteral("GRÜß"));
    EXPECT_EQ(Rows(1), QStringList{QStringLiteral("GRÜßE")});
    Search(QStringLiteral("see.JPG"));
    EXPECT_EQ(Rows(0), QStringList{"see.jpg"});
    Search(QString());
    EXPECT_TRUE(Rows(0).isEmpty());
    EXPECT_EQ(Form->Controls().ListView2->columnWidth(0), 150);
    EXPECT_EQ(Form->Controls().ListView2->headerItem()->text(1), QStringLiteral("Beschreibung"));
}

TEST_F(SearchPageTest, EnterAndDoubleClickJumpToThePhotoByItsOldPosition) {
    Search(QStringLiteral("am"));
    ASSERT_EQ(Rows(0).size(), 2);
    // Nothing selected: nothing happens.
    Form->Controls().ListView2->setFocus();
    QTest::keyClick(Form->Controls().ListView2, Qt::Key_Return);
    EXPECT_EQ(Form->Controls().PageControl2->currentWidget(), Form->Controls().TabSheet3);

    Form->Controls().ListView2->setCurrentItem(Form->Controls().ListView2->topLevelItem(1));
    QTest::keyClick(Form->Controls().ListView2, Qt::Key_Return);
    EXPECT_EQ(Form->Controls().PageControl2->currentWidget(), Form->Controls().TabSheet2);
    EXPECT_EQ(Form->Show().CurFoto, 2);
    EXPECT_EQ(Form->Controls().Memo1->toPlainText(), QStringLiteral("Gipfel\nam strand?"));

    // After deleting photo 1 the row of the former second photo selects the one after it.
    Form->Show().CurFoto = 1;
    Form->Controls().DelFotoBtn->click();
    Form->Controls().PageControl2->setCurrentWidget(Form->Controls().TabSheet3);
    QApplication::processEvents();
    QTreeWidgetItem* item = Form->Controls().ListView2->topLevelItem(1);
    Form->Controls().ListView2->setCurrentItem(item);
    const QRect r = Form->Controls().ListView2->visualItemRect(item);
    QTest::mouseClick(Form->Controls().ListView2->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(Form->Controls().ListView2->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(Form->Show().CurFoto, 2);
    EXPECT_EQ(Form->Show().Fotos[1].FileName, (Dir.path() + "/stadt.jpg").toStdString());
}

} // namespace
} // namespace lumeno::ui::test

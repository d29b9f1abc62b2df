// The photos page driven through its real buttons and keys: adding, deleting, moving,
// captions, New and closing, with every question answered through the scripted dialogs.
#include "ui_test_support.h"

#include "about_box.h"
#include "color_combo.h"
#include "image_button.h"
#include "photo_strip.h"
#include "spin_edit.h"
#include "status_bar.h"

#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>

namespace lumeno::ui::test {
namespace {

QStringList Names(int n, const QString& dir) {
    QStringList l;
    for (int i = 1; i <= n; ++i)
        l << dir + QStringLiteral("/foto%1.jpg").arg(i);
    return l;
}

std::string PathAt(TMainForm& f, int i) {
    return f.Show().Fotos[i].FileName;
}

TEST_F(MainFormTest, WindowTitleSizeAndControlsAsOnTheWindow) {
    EXPECT_EQ(Form->windowTitle(), QStringLiteral("Corvana PDF Lumeno 1.0"));
    EXPECT_EQ(Form->Controls().PageControl2->count(), 4);
    EXPECT_EQ(Form->Controls().PageControl2->currentWidget(), Form->Controls().TabSheet2);
    EXPECT_EQ(Form->Controls().PageControl2->tabText(3), QStringLiteral("PDF-Datei erzeugen"));
    EXPECT_EQ(Form->Controls().OpenBtn->text(), QStringLiteral("Ö&ffnen..."));
    EXPECT_EQ(Form->Controls().SaveAsBtn->toolTip(), QStringLiteral("Lumeno speichern unter..."));
    EXPECT_EQ(Form->Controls().DelFotoBtn->geometry(), QRect(144, 8, 113, 25));
    EXPECT_EQ(Form->Controls().NachHintenBtn->geometry(), QRect(264, 32, 105, 25));
    EXPECT_EQ(Form->Controls().SavePDFBtn->geometry(), QRect(8, 8, 145, 25));
    EXPECT_EQ(Form->Controls().StatusBar1->height(), 19);
    EXPECT_EQ(Form->Controls().ueberbtn->size(), QSize(101, 30));
    // Every named control is found under its name.
    for (const char* name : {"NewFotoBtn",
                             "DelFotoBtn",
                             "NachVornBtn",
                             "NachHintenBtn",
                             "FilenamesCheck",
                             "Memo1",
                             "ScrollBox1",
                             "PaintBox1",
                             "KeyEdit",
                             "Label1",
                             "SearchEdit",
                             "SearchBtn",
                             "ListView2",
                             "TimeEd",
                             "TimeEd2",
                             "TesselColorComboBox1",
                             "TesselColorComboBox2",
                             "TesselColorComboBox3",
                             "TextXEd",
                             "TextYEd",
                             "FontSizeEd",
                             "Blende1Check",
                             "Blende2Check",
                             "SavePDFBtn",
                             "ShowPDFCheck",
                             "VollScreenCheck",
                             "StatusBar1"})
        EXPECT_NE(Form->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    // An empty show: photo 1 "current" but none listed.
    EXPECT_EQ(Form->Controls().StatusBar1->PanelText(), QStringLiteral("Bild: keins   "));
}

TEST_F(MainFormTest, AddingKeepsPhotoOneCurrentAndLeavesTheEditorEmpty) {
    Form->Show().StoreCaption("x"); // no photo yet: nothing stored
    AddPhotos(Names(3, Dir.path()));
    ASSERT_EQ(Form->Show().Count(), 3);
    EXPECT_EQ(Form->Show().CurFoto, 1);
    EXPECT_TRUE(Form->Controls().Memo1->toPlainText().isEmpty());
    EXPECT_EQ(Form->Controls().StatusBar1->PanelText(), QStringLiteral("Thumbnail: 1 von 3"));
    EXPECT_EQ(Form->Controls().Label1->text(), Dir.path() + QStringLiteral("/foto1.jpg"));
    // The filter comes from the image library, and the dialog was asked once.
    ASSERT_EQ(D.FileQuestions.size(), 1u);
    EXPECT_FALSE(D.FileQuestions[0].Filter.isEmpty());
    EXPECT_FALSE(D.FileQuestions[0].Save);
}

TEST(OpenFilter, LibraryPairsBecomeDialogFilters) {
    struct Case {
        const char* In;
        const char* Out;
    } cases[] = {
        {"PNG-Bilder (*.png)|*.png", "PNG-Bilder (*.png *.PNG)"},
        {"JPEG (*.jpg, *.jpeg)|*.jpg;*.jpeg|Alle Dateien (*.*)|*.*",
         "JPEG (*.jpg *.JPG *.jpeg *.JPEG);;Alle Dateien (*)"},
        {"Bilder|*.tif", "Bilder (*.tif *.TIF)"},
        {"", ""},
        {"ohne Muster", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OpenFilterForQt(QString::fromUtf8(c.In)), QString::fromUtf8(c.Out)) << c.In;
}

// Files dragged from a file manager onto the strip: the pictures among them are added in the
// drop's order, as the add dialog adds them; anything else is refused.
TEST_F(MainFormTest, DroppedImageFilesAreAddedLikeChosenOnes) {
    Form->Controls().FilenamesCheck->setChecked(true);
    AddPhotos(Names(1, Dir.path()));
    for (const char* name : {"a.jpg", "B.PNG", "notizen.txt"}) {
        QFile f(Dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QDir(Dir.path()).mkdir(QStringLiteral("ordner.jpg")));
    QWidget* target = Form->Controls().ScrollBox1->viewport();
    auto drop = [&](const QStringList& names) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& n : names)
            urls << (n.startsWith(QStringLiteral("http")) ? QUrl(n)
                                                          : QUrl::fromLocalFile(Dir.filePath(n)));
        data.setUrls(urls);
        const QPointF at(target->width() / 2, target->height() / 2);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        if (enter.isAccepted()) QApplication::sendEvent(target, &dropped);
        return enter.isAccepted();
    };
    EXPECT_FALSE(drop({QStringLiteral("notizen.txt"), QStringLiteral("ordner.jpg")}));
    EXPECT_TRUE(
        drop({QStringLiteral("B.PNG"), QStringLiteral("notizen.txt"), QStringLiteral("ordner.jpg"),
              QStringLiteral("http://example.org/c.jpg"), QStringLiteral("a.jpg")}));
    ASSERT_EQ(Form->Show().Count(), 3);
    EXPECT_EQ(PathAt(*Form, 1), Dir.filePath(QStringLiteral("B.PNG")).toStdString());
    EXPECT_EQ(PathAt(*Form, 2), Dir.filePath(QStringLiteral("a.jpg")).toStdString());
    EXPECT_EQ(Form->Show().Fotos[1].Text, "B.PNG");
    EXPECT_EQ(Form->Show().CurFoto, 1);
    EXPECT_EQ(Form->Controls().StatusBar1->PanelText(), QStringLiteral("Thumbnail: 1 von 3"));
}

TEST_F(MainFormTest, CancelledAddDialogChangesNothing) {
    Form->Controls().NewFotoBtn->click(); // no answer queued: cancelled
    EXPECT_EQ(Form->Show().Count(), 0);
}

TEST_F(MainFormTest, FileNamesAsTextBreaksEveryFiftyCharacters) {
    Form->Controls().FilenamesCheck->setChecked(true);
    const QString longName = QString(120 - 4, QLatin1Char('a')) + QStringLiteral(".jpg");
    const QString shortName = QString(49 - 4, QLatin1Char('b')) + QStringLiteral(".jpg");
    AddPhotos({Dir.path() + "/" + longName, Dir.path() + "/" + shortName});
    const std::string& t = Form->Show().Fotos[0].Text;
    ASSERT_EQ(t.size(), 122u);
    EXPECT_EQ(t[49], '\r');
    EXPECT_EQ(t[100], '\r');
    EXPECT_EQ(Form->Show().Fotos[1].Text, shortName.toStdString());
}

TEST_F(MainFormTest, DeletingPhotoThreeOfFiveShowsTheFormerFourth) {
    AddPhotos(Names(5, Dir.path()));
    for (int i = 0; i < 5; ++i)
        Form->Show().Fotos[i].Text = "Text " + std::to_string(i + 1);
    Form->Show().CurFoto = 3;
    Form->Controls().DelFotoBtn->click();
    ASSERT_EQ(Form->Show().Count(), 4);
    EXPECT_EQ(Form->Show().CurFoto, 3);
    EXPECT_EQ(PathAt(*Form, 2), (Dir.path() + "/foto4.jpg").toStdString());
    EXPECT_EQ(Form->Controls().Memo1->toPlainText(), QStringLiteral("Text 4"));
    EXPECT_EQ(Form->Controls().StatusBar1->PanelText(), QStringLiteral("Thumbnail: 3 von 4"));
    // Showing the caption is not an edit: the caption stays as it was.
    EXPECT_EQ(Form->Show().Fotos[2].Text, "Text 4");
}

TEST_F(MainFormTest, DeletingTheLastPhotoLeavesNoneCurrent) {
    AddPhotos(Names(2, Dir.path()));
    Form->Show().CurFoto = 2;
    Form->Controls().DelFotoBtn->click();
    EXPECT_EQ(Form->Controls().StatusBar1->PanelText(), QStringLiteral("Bild: keins   "));
    EXPECT_TRUE(Form->Controls().Label1->text().isEmpty());
    // Delete, forward and back now do nothing.
    Form->Controls().DelFotoBtn->click();
    Form->Controls().NachVornBtn->click();
    Form->Controls().NachHintenBtn->click();
    ASSERT_EQ(Form->Show().Count(), 1);
    EXPECT_EQ(Form->Show().CurFoto, 2);
    // Typing while no photo is current changes no caption.
    QTest::keyClicks(Form->Controls().Memo1, QStringLiteral("verloren"));
    EXPECT_EQ(Form->Show().Fotos[0].Text, "");
}

TEST_F(MainFormTest, MovingKeepsTheSamePhotoCurrent) {
    AddPhotos(Names(3, Dir.path()));
    Form->Controls().NachVornBtn->click(); // photo 1: nothing
    EXPECT_EQ(PathAt(*Form, 0), (Dir.path() + "/foto1.jpg").toStdString());
    Form->Controls().NachHintenBtn->click();
    EXPECT_EQ(Form->Show().CurFoto, 2);
    EXPECT_EQ(PathAt(*Form, 1), (Dir.path() + "/foto1.jpg").toStdString());
    Form->Controls().NachHintenBtn->click();
    Form->Controls().NachHintenBtn->click(); // last: nothing
    EXPECT_EQ(Form->Show().CurFoto, 3);
    EXPECT_EQ(PathAt(*Form, 2), (Dir.path() + "/foto1.jpg").toStdString());
    Form->Controls().NachVornBtn->click();
    EXPECT_EQ(Form->Show().CurFoto, 2);
    EXPECT_EQ(PathAt(*Form, 1), (Dir.path() + "/foto1.jpg").toStdString());
}

TEST_F(MainFormTest, TypedCaptionsAreStoredAsWindows1252WithCrLf) {
    AddPhotos(Names(1, Dir.path()));
    Form->Controls().Memo1->setFocus();
    // Non-ASCII text arrives as the input method delivers it.
    Form->Controls().Memo1->insertPlainText(QStringLiteral("Grüße"));
    QTest::keyClick(Form->Controls().Memo1, Qt::Key_Return);
    Form->Controls().Memo1->insertPlainText(QStringLiteral("Łódź &#65;"));
    // ü and ß are Windows-1252 bytes; Ł, ó and ź: ó is, Ł and ź become references; a typed
    // "&#" is kept apart from them.
    EXPECT_EQ(Form->Show().Fotos[0].Text, "Gr\xFC\xDF"
                                          "e\r\n&#321;\xF3"
                                          "d&#378; &#38;#65;");
    // Shown again as typed.
    Form->adibchanged();
    EXPECT_EQ(Form->Controls().Memo1->toPlainText(), QStringLiteral("Grüße\nŁódź &#65;"));
}

TEST_F(MainFormTest, EscapeDeletesOnThePhotosPageButNotInTheCaptionEditor) {
    AddPhotos(Names(3, Dir.path()));
    Form->Controls().Memo1->setFocus();
    QTest::keyClick(Form->Controls().Memo1, Qt::Key_Escape);
    EXPECT_EQ(Form->Show().Count(), 3);
    Form->Controls().NewFotoBtn->setFocus();
    QTest::keyClick(Form->Controls().NewFotoBtn, Qt::Key_Escape);
    EXPECT_EQ(Form->Show().Count(), 2);
    Form->Controls().KeyEdit->setFocus();
    QTest::keyClick(Form->Controls().KeyEdit, Qt::Key_Escape);
    EXPECT_EQ(Form->Show().Count(), 1);
    Form->Controls().PageControl2->setCurrentWidget(Form->Controls().TabSheet5);
    Form->Controls().Blende2Check->setFocus();
    QTest::keyClick(Form->Controls().Blende2Check, Qt::Key_Escape);
    EXPECT_EQ(Form->Show().Count(), 1);
}

TEST_F(MainFormTest, NewAsksAndResetsTheSettingsButNotTheOption) {
    AddPhotos(Names(2, Dir.path()));
    Form->Controls().FilenamesCheck->setChecked(true);
    Form->Controls().TimeEd->SetValue(5);
    Form->Controls().Blende2Check->setChecked(true);
    Form->Controls().TesselColorComboBox1->SetColorValue(0x0000FF);
    Form->Show().CurFoto = 2;

    D.MessageAnswers.push_back(mbCancel);
    Form->Controls().NewBtn->click();
    ASSERT_EQ(D.Messages.size(), 1u);
    EXPECT_EQ(D.Messages[0].Text,
              QStringLiteral("Alle nicht gespeicherten Einstellungen gehen verloren."));
    EXPECT_EQ(D.Messages[0].Title, QStringLiteral("Datei|Neu"));
    EXPECT_EQ(D.Messages[0].Buttons, TMsgButtons(mbOK | mbCancel));
    EXPECT_EQ(D.Messages[0].Icon, TMsgIcon::Question);
    EXPECT_EQ(Form->Show().Count(), 2);

    D.MessageAnswers.push_back(mbOK);
    Form->Controls().NewBtn->click();
    EXPECT_EQ(Form->Show().Count(), 0);
    EXPECT_EQ(Form->Show().CurFoto, 1);
    const TShowSettings s = Form->Settings();
    const TShowSettings d;
    EXPECT_EQ(s.FadeTime, d.FadeTime);
    EXPECT_EQ(s.BackColor, d.BackColor);
    EXPECT_EQ(s.TextColor, d.TextColor);
    EXPECT_TRUE(s.FadeInOut);
    EXPECT_TRUE(s.ShowPDF);
    EXPECT_TRUE(Form->Controls().FilenamesCheck->isChecked());
    EXPECT_EQ(Form->Controls().StatusBar1->PanelText(), QStringLiteral("Bild: keins   "));
}

TEST_F(MainFormTest, ClosingAlwaysAsksAndOnlyOkCloses) {
    D.MessageAnswers = {mbCancel, mbOK};
    EXPECT_FALSE(Form->close());
    EXPECT_TRUE(Form->isVisible());
    ASSERT_EQ(D.Messages.size(), 1u);
    EXPECT_EQ(
        D.Messages[0].Text,
        QStringLiteral(
            "Hiermit beenden Sie das Programm! Alle nicht gespeicherten Daten gehen verloren!"));
    EXPECT_EQ(D.Messages[0].Title, QStringLiteral("Programm beenden"));
    EXPECT_EQ(D.Messages[0].Icon, TMsgIcon::Information);
    // The exit button asks the same question.
    QTest::mouseClick(Form->Controls().EndeBtn, Qt::LeftButton);
    EXPECT_EQ(D.Messages.size(), 2u);
    EXPECT_FALSE(Form->isVisible());
}

TEST_F(MainFormTest, SpinFieldsBringTypedValuesIntoTheirLimits) {
    Form->Controls().PageControl2->setCurrentWidget(Form->Controls().TabSheet5);
    struct Case {
        TSpinEdit* Field;
        const char* Typed;
        int Expected;
    } cases[] = {
        {Form->Controls().TimeEd, "2000000", 1000000},
        {Form->Controls().TimeEd, "0", 1},
        {Form->Controls().TimeEd, "abc", 1},
        {Form->Controls().TimeEd2, "-5", 1},
        {Form->Controls().TimeEd2, "99999999999999999999", 1000000},
        {Form->Controls().TextXEd, "x", 0},
        {Form->Controls().FontSizeEd, "-12", -12},
    };
    for (const Case& c : cases) {
        c.Field->setFocus();
        auto* edit = c.Field->findChild<QLineEdit*>();
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromLatin1(c.Typed));
        // Read before leaving the field: the value as it will be fixed.
        EXPECT_EQ(c.Field->Value(), c.Expected) << c.Typed;
        Form->Controls().Blende1Check->setFocus(); // leave the field
        EXPECT_EQ(c.Field->text(), QString::number(c.Expected)) << c.Typed;
    }
    EXPECT_EQ(Form->Settings().TextX, 0);
}

TEST_F(MainFormTest, SpinFieldsTruncateDecimalsTowardZeroWithPointOrComma) {
    Form->Controls().PageControl2->setCurrentWidget(Form->Controls().TabSheet5);
    const struct {
        const char* typed;
        int value; // brought up to the field's lower limit (1 for the durations)
    } inputs[] = {{"2.9", 2},   {"-2.9", -2},     {"2,9", 2},  {"95.7", 95},
                  {"40,7", 40}, {"1500.5", 1500}, {"-0,5", 0}, {"zwei", 0}};
    for (TSpinEdit* field :
         {Form->Controls().TimeEd, Form->Controls().TimeEd2, Form->Controls().TextXEd,
          Form->Controls().TextYEd, Form->Controls().FontSizeEd}) {
        for (const auto& in : inputs) {
            const int expected = std::max(in.value, field->minimum());
            field->setFocus();
            auto* edit = field->findChild<QLineEdit*>();
            edit->selectAll();
            QTest::keyClicks(edit, QString::fromLatin1(in.typed));
            EXPECT_EQ(field->Value(), expected)
                << field->objectName().toStdString() << " " << in.typed;
            Form->Controls().Blende1Check->setFocus();
            EXPECT_EQ(field->text(), QString::number(expected)) << in.typed;
        }
    }
    // What the project file and the export read.
    const std::pair<TSpinEdit*, const char*> typed[] = {{Form->Controls().TextXEd, "2.9"},
                                                        {Form->Controls().TextYEd, "95.7"},
                                                        {Form->Controls().FontSizeEd, "40,7"},
                                                        {Form->Controls().TimeEd, "1500.5"}};
    for (const auto& [field, text] : typed)
        field->findChild<QLineEdit*>()->setText(QString::fromLatin1(text));
    const TShowSettings s = Form->Settings();
    EXPECT_EQ(s.TextX, 2);
    EXPECT_EQ(s.TextY, 95);
    EXPECT_EQ(s.FontSize, 40);
    EXPECT_EQ(s.FadeTime, 1500);
}

} // namespace
} // namespace lumeno::ui::test

namespace lumeno::ui::test {
namespace {

TEST_F(MainFormTest, BottomBarOpensTheHomePageAndTheAboutBox) {
    Form->Controls().wwwBtn->click();
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_EQ(Opened[0], "https://www.pdflumeno.de");
    EXPECT_EQ(Form->Controls().wwwBtn->text(), QStringLiteral("www.pdflumeno.de"));
    EXPECT_EQ(Form->Controls().wwwBtn->toolTip(), QStringLiteral("Auf zur Corvana Homepage..."));
    EXPECT_EQ(Form->Controls().ueberbtn->toolTip(),
              QStringLiteral("Informationen über das Programm"));
    EXPECT_EQ(Form->Controls().EndeBtn->toolTip(),
              QStringLiteral("Hiermit verlassen Sie das Programm"));
    QString seenTitle;
    QTimer::singleShot(0, Form.get(), [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<TAboutBox*>(w); box && box->isVisible()) {
                seenTitle = box->windowTitle();
                box->accept();
            }
    });
    QTest::mouseClick(Form->Controls().ueberbtn, Qt::LeftButton);
    EXPECT_EQ(seenTitle, QStringLiteral("Info"));
    // The box is destroyed when it closes.
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<TAboutBox*>(w), nullptr);
}

} // namespace
} // namespace lumeno::ui::test

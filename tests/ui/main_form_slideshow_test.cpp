// The slide-show options of the export page: photos also as pages, and the HTML slide show.
#include "status_bar.h"
#include "ui_test_support.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <cstdlib>

namespace lumeno::ui::test {
namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST_F(MainFormTest, PhotoPagesBoxSitsBelowFullScreenOnForANewUserAndIsNotSaved) {
    ASSERT_NE(Form->Controls().PhotoPagesCheck, nullptr);
    // The option reads "Fotos zusätzlich als Seiten (Diashow in jedem PDF-Betrachter)": the
    // check box and, for lack of width, its explanation on a line of its own below.
    EXPECT_EQ(Form->Controls().PhotoPagesCheck->text(),
              QStringLiteral("F&otos zusätzlich als Seiten"));
    const auto* hint = Form->findChild<QLabel*>(QStringLiteral("PhotoPagesHint"));
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(hint->text(), QStringLiteral("(Diashow in jedem PDF-Betrachter)"));
    EXPECT_GT(hint->y(), Form->Controls().PhotoPagesCheck->y());
    EXPECT_GT(Form->Controls().SaveHtmlBtn->y(), hint->geometry().bottom());
    EXPECT_TRUE(Form->Controls().PhotoPagesCheck->isChecked());
    EXPECT_EQ(Form->Controls().PhotoPagesCheck->x(), Form->Controls().VollScreenCheck->x());
    EXPECT_GT(Form->Controls().PhotoPagesCheck->y(), Form->Controls().VollScreenCheck->y());
    EXPECT_EQ(Form->Controls().SaveHtmlBtn->text(),
              QStringLiteral("Als &HTML-Diashow speichern..."));

    // The project file does not change with the box.
    AddPhotos({MakeImage("rot.jpg", 64, 48, QColor(220, 30, 30))});
    D.SaveAnswers.push_back(Dir.filePath(QStringLiteral("mit.lmo")));
    Form->Controls().SaveAsBtn->click();
    Form->Controls().PhotoPagesCheck->setChecked(false);
    D.SaveAnswers.push_back(Dir.filePath(QStringLiteral("ohne.lmo")));
    Form->Controls().SaveAsBtn->click();
    EXPECT_FALSE(ReadAll(Dir.filePath(QStringLiteral("ohne.lmo"))).isEmpty());
    EXPECT_EQ(ReadAll(Dir.filePath(QStringLiteral("ohne.lmo"))),
              ReadAll(Dir.filePath(QStringLiteral("mit.lmo"))));
}

TEST_F(MainFormTest, PhotoPagesChoiceIsKeptForTheNextWindow) {
    Form->Controls().PhotoPagesCheck->setChecked(false);
    Form = std::make_unique<TMainForm>();
    EXPECT_FALSE(Form->Controls().PhotoPagesCheck->isChecked());
    Form->Controls().PhotoPagesCheck->click();
    Form = std::make_unique<TMainForm>();
    EXPECT_TRUE(Form->Controls().PhotoPagesCheck->isChecked());
}

TEST_F(MainFormTest, KeepJpegBoxTakesJpegsOverUnchangedAndIsNotSaved) {
    QCheckBox* box = Form->Controls().KeepJpegCheck;
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("Original-&JPEGs verlustfrei übernehmen"));
    EXPECT_FALSE(box->isChecked());
    EXPECT_GT(box->y(),
              Form->findChild<QLabel*>(QStringLiteral("PhotoPagesHint"))->geometry().bottom());
    EXPECT_GT(Form->Controls().SaveHtmlBtn->y(), box->geometry().bottom());

    const QString jpeg = MakeImage("rot.jpg", 64, 48, QColor(220, 30, 30));
    AddPhotos({jpeg, MakeImage("blau.png", 48, 64, QColor(30, 30, 220))});
    D.SaveAnswers.push_back(Dir.filePath(QStringLiteral("ohne.lmo")));
    Form->Controls().SaveAsBtn->click();
    box->setChecked(true);
    D.SaveAnswers.push_back(Dir.filePath(QStringLiteral("mit.lmo")));
    Form->Controls().SaveAsBtn->click();
    EXPECT_EQ(ReadAll(Dir.filePath(QStringLiteral("ohne.lmo"))),
              ReadAll(Dir.filePath(QStringLiteral("mit.lmo"))));

    Form->Controls().ShowPDFCheck->setChecked(false);
    D.SaveAnswers.push_back(Dir.filePath(QStringLiteral("mit.pdf")));
    Form->Controls().SavePDFBtn->click();
    Form->WaitForExport();
    ASSERT_TRUE(D.Messages.empty()) << D.Messages[0].Text.toStdString();
    EXPECT_TRUE(ReadAll(Dir.filePath(QStringLiteral("mit.pdf"))).contains(ReadAll(jpeg)));
    EXPECT_EQ(Form->Controls().StatusBar1->PanelText(),
              QStringLiteral("1 von 2 Fotos verlustfrei übernommen"));
}

TEST_F(MainFormTest, PhotoPagesBoxAddsOnePagePerPhoto) {
    AddPhotos({MakeImage("rot.jpg", 64, 48, QColor(220, 30, 30)),
               MakeImage("blau.png", 48, 64, QColor(30, 30, 220))});
    Form->Controls().ShowPDFCheck->setChecked(false);
    Form->Controls().PhotoPagesCheck->setChecked(false);
    D.SaveAnswers.push_back(Dir.filePath(QStringLiteral("ohne.pdf")));
    Form->Controls().SavePDFBtn->click();
    Form->WaitForExport();
    Form->Controls().PhotoPagesCheck->setChecked(true);
    D.SaveAnswers.push_back(Dir.filePath(QStringLiteral("mit.pdf")));
    Form->Controls().SavePDFBtn->click();
    Form->WaitForExport();
    ASSERT_TRUE(D.Messages.empty()) << D.Messages[0].Text.toStdString();
    const QByteArray without = ReadAll(Dir.filePath(QStringLiteral("ohne.pdf")));
    const QByteArray with = ReadAll(Dir.filePath(QStringLiteral("mit.pdf")));
    EXPECT_TRUE(without.contains("   /Kids [4 0 R]\r   /Count 1\r"));
    EXPECT_TRUE(with.contains("   /Kids [22 0 R 24 0 R 4 0 R]\r   /Count 3\r"));
    EXPECT_EQ(with.count("/Subtype /Image"), 2);
    // The text page after the photos carries the window catalogue's words (MacRoman).
    EXPECT_TRUE(with.contains(" Tm (Diese Datei enth\\212lt zus\\212tzlich eine animierte "
                              "Pr\\212sentation) Tj\r"));
    EXPECT_TRUE(with.contains(" Tm (f\\237r Betrachter mit SVG-Unterst\\237tzung.) Tj\r"));
    EXPECT_TRUE(with.contains(" Tm (Die Fotos davor laufen in der "
                              "Pr\\212sentationsansicht von selbst ab.) Tj\r    ET\n"));
}

TEST_F(MainFormTest, HtmlButtonWritesTheSlideShowAndOpensIt) {
    AddPhotos({MakeImage("rot.jpg", 64, 48, QColor(220, 30, 30))});
    FillThumbnailsNow(*Form); // their loads move the bar too (a late one left it at 100)
    const size_t asked = D.FileQuestions.size();
    Form->Controls().SaveHtmlBtn->click(); // cancelled: nothing happens
    Form->WaitForExport();
    ASSERT_EQ(D.FileQuestions.size(), asked + 1);
    EXPECT_EQ(D.FileQuestions.back().Filter, QStringLiteral("HTML-Dateien (*.html *.htm)"));
    EXPECT_EQ(D.FileQuestions.back().DefaultExt, QStringLiteral("html"));
    EXPECT_TRUE(D.FileQuestions.back().OverwritePrompt);
    EXPECT_TRUE(Opened.empty());

    D.SaveAnswers.push_back(Dir.filePath(QStringLiteral("show")));
    Form->Controls().SaveHtmlBtn->click();
    Form->WaitForExport();
    ASSERT_TRUE(D.Messages.empty()) << D.Messages[0].Text.toStdString();
    const QByteArray html = ReadAll(Dir.filePath(QStringLiteral("show.html")));
    EXPECT_TRUE(html.startsWith("<!DOCTYPE html>"));
    EXPECT_TRUE(html.contains("<html lang=\"de\">\r\n"));
    EXPECT_TRUE(html.contains("<title>Diashow</title>\r\n"));
    EXPECT_EQ(html.count("data:image/jpeg;base64,"), 1);
    EXPECT_FALSE(html.contains("repeatCount")) << "\"Endlos wiederholen\" is off at start";
    EXPECT_FALSE(html.contains("<script"));
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_NE(Opened[0].find("show.html"), std::string::npos);
    EXPECT_EQ(Form->ProgressPercent(), 0);

    // The next time the dialog starts with the name chosen last; errors are shown.
    const QString bad = Dir.filePath(QStringLiteral("nirgends/x.html"));
    D.SaveAnswers.push_back(bad);
    Form->Controls().SaveHtmlBtn->click();
    Form->WaitForExport();
    EXPECT_EQ(D.FileQuestions.back().InitialName, Dir.filePath(QStringLiteral("show.html")));
    ASSERT_EQ(D.Messages.size(), 1u);
    EXPECT_EQ(D.Messages[0].Text, QStringLiteral("Die Datei ") + bad +
                                      QStringLiteral(" konnte nicht erstellt werden! Der "
                                                     "Ordner existiert nicht."));
    EXPECT_EQ(D.Messages[0].Icon, TMsgIcon::Error);

    // "Endlos wiederholen", next to the button, makes the show start again after its end.
    QCheckBox* loop = Form->Controls().LoopCheck;
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop->text(), QStringLiteral("&Endlos wiederholen"));
    EXPECT_GT(loop->x(), Form->Controls().SaveHtmlBtn->geometry().right());
    EXPECT_LT(std::abs(loop->geometry().center().y() -
                       Form->Controls().SaveHtmlBtn->geometry().center().y()),
              4);
    loop->setChecked(true);
    D.SaveAnswers.push_back(Dir.filePath(QStringLiteral("endlos.html")));
    Form->Controls().SaveHtmlBtn->click();
    Form->WaitForExport();
    EXPECT_EQ(
        ReadAll(Dir.filePath(QStringLiteral("endlos.html"))).count("repeatCount=\"indefinite\""),
        1);

    // "Fotos in voller Größe", below it, embeds a large photo as it is instead of made to fit
    // 2560 x 1440.
    QCheckBox* full = Form->Controls().HtmlFullSizeCheck;
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(full->text(), QStringLiteral("Fotos in voller &Größe"));
    EXPECT_FALSE(full->isChecked());
    EXPECT_EQ(full->x(), loop->x());
    EXPECT_GT(full->y(), loop->geometry().bottom());
    AddPhotos({MakeImage("gross.jpg", 3000, 2000)});
    auto embeddedWidths = [&](const QString& name) {
        D.SaveAnswers.push_back(Dir.filePath(name));
        Form->Controls().SaveHtmlBtn->click();
        Form->WaitForExport();
        const QByteArray html = ReadAll(Dir.filePath(name));
        QList<int> widths;
        const QByteArray marker = "data:image/jpeg;base64,";
        for (qsizetype at = html.indexOf(marker); at >= 0; at = html.indexOf(marker, at + 1)) {
            const qsizetype start = at + marker.size();
            widths.append(QImage::fromData(QByteArray::fromBase64(
                                               html.mid(start, html.indexOf('"', start) - start)))
                              .width());
        }
        return widths;
    };
    EXPECT_EQ(embeddedWidths(QStringLiteral("passend.html")), QList<int>({64, 2160}));
    full->setChecked(true);
    EXPECT_EQ(embeddedWidths(QStringLiteral("voll.html")), QList<int>({64, 3000}));
}

} // namespace
} // namespace lumeno::ui::test

// The export page and the status bar's progress bar: a real PDF through the window (checked
// with qpdf when it is installed), Cancel, errors, opening the result, and the bar's drawing.
#include "event_counts.h"
#include "file_size_limit.h"
#include "ui_test_support.h"

#include "status_bar.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cerrno>

namespace lumeno::ui::test {
namespace {

TEST_F(MainFormTest, ExportWritesAPdfThatQpdfAccepts) {
    AddPhotos({MakeImage("rot.jpg", 320, 240, QColor(220, 30, 30)),
               MakeImage("blau.png", 200, 300, QColor(30, 30, 220)), Dir.path() + "/fehlt.jpg"});
    Form->Show().Fotos[0].Text = "Sch\xF6ne Gr\xFC\xDF"
                                 "e";
    Form->Controls().PageControl2->setCurrentWidget(Form->Controls().TabSheet1);
    const QString pdf = Dir.filePath(QStringLiteral("show.pdf"));
    D.SaveAnswers.push_back(Dir.filePath(QStringLiteral("show")));
    Form->Controls().SavePDFBtn->click();
    EXPECT_FALSE(Form->ExportRunning());
    ASSERT_TRUE(D.Messages.empty()) << D.Messages[0].Text.toStdString();
    ASSERT_EQ(D.FileQuestions.back().Filter, QStringLiteral("PDF-Dateien (*.pdf)"));
    EXPECT_EQ(D.FileQuestions.back().DefaultExt, QStringLiteral("pdf"));
    EXPECT_TRUE(D.FileQuestions.back().OverwritePrompt);
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-1.4"));
    EXPECT_EQ(bytes.count("/Subtype /Image"), 3);
    // "PDF-Datei nach dem Erzeugen anzeigen" is on: the file was handed to the system.
    ASSERT_EQ(Opened.size(), 1u);
    EXPECT_NE(Opened[0].find("show.pdf"), std::string::npos);
    // The bar is empty again afterwards.
    EXPECT_EQ(Form->ProgressPercent(), 0);
    const QString qpdf = QStandardPaths::findExecutable(QStringLiteral("qpdf"));
    if (qpdf.isEmpty()) GTEST_SKIP() << "qpdf not installed";
    QProcess p;
    p.start(qpdf, {QStringLiteral("--check"), pdf});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardOutput().toStdString();
    // The second export starts with the name chosen last.
    D.SaveAnswers.push_back(QString());
    Form->Controls().SavePDFBtn->click();
    EXPECT_EQ(D.FileQuestions.back().InitialName, Dir.filePath(QStringLiteral("show.pdf")));
}

TEST_F(MainFormTest, ExportCancelledWritesNothingAndShowPdfOffOpensNothing) {
    Form->Controls().SavePDFBtn->click();
    EXPECT_TRUE(D.Messages.empty());
    Form->Controls().ShowPDFCheck->setChecked(false);
    D.SaveAnswers.push_back(Dir.filePath(QStringLiteral("leer.pdf")));
    Form->Controls().SavePDFBtn->click(); // an empty show exports without complaint
    EXPECT_TRUE(QFile::exists(Dir.filePath(QStringLiteral("leer.pdf"))));
    EXPECT_TRUE(Opened.empty());
    EXPECT_TRUE(D.Messages.empty());
}

TEST_F(MainFormTest, ExportIntoAMissingFolderShowsTheMessage) {
    const QString bad = Dir.filePath(QStringLiteral("nirgends/x.pdf"));
    D.SaveAnswers.push_back(bad);
    Form->Controls().SavePDFBtn->click();
    ASSERT_EQ(D.Messages.size(), 1u);
    EXPECT_EQ(D.Messages[0].Text,
              QStringLiteral("Die Datei ") + bad +
                  QStringLiteral(" konnte nicht erstellt werden! Bitte schließen Sie diese Datei "
                                 "im Acrobat Reader, falls diese offen sein sollte! Der Ordner "
                                 "existiert nicht."));
    EXPECT_EQ(D.Messages[0].Icon, TMsgIcon::Error);
    EXPECT_TRUE(Opened.empty());
}

TEST_F(MainFormTest, AFullDiskKeepsTheOldFileAndNamesFileAndReason) {
    QStringList photos;
    for (int i = 0; i < 4; ++i)
        photos << MakeImage(QStringLiteral("f%1.jpg").arg(i), 400, 300, QColor(40 * i, 90, 200));
    AddPhotos(photos);
    const QString target = Dir.filePath(QStringLiteral("voll.pdf"));
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("%PDF alt");
    }
    D.SaveAnswers.push_back(target);
    // Room for the PDF's first objects, not for the photos: the disk is "full" mid-way.
    {
        ScopedFileSizeLimit full(6000);
        ASSERT_TRUE(full.Active());
        Form->Controls().SavePDFBtn->click();
    }
    EXPECT_FALSE(Form->ExportRunning());
    ASSERT_EQ(D.Messages.size(), 1u);
    EXPECT_EQ(D.Messages[0].Text,
              QStringLiteral("Die Datei %1 konnte nicht vollständig geschrieben werden. Auf dem "
                             "Datenträger ist nicht genug Platz. Eine schon vorhandene Datei "
                             "dieses Namens ist unverändert.")
                  .arg(target));
    EXPECT_EQ(D.Messages[0].Icon, TMsgIcon::Error);
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("%PDF alt"));
    EXPECT_EQ(QDir(Dir.path()).entryList({QStringLiteral("*.tmp")}, QDir::Files), QStringList());
    EXPECT_TRUE(Opened.empty());
    EXPECT_EQ(Form->ProgressPercent(), 0);
    // The program goes on: the next export, with room again, succeeds.
    D.SaveAnswers.push_back(Dir.filePath(QStringLiteral("wieder.pdf")));
    Form->Controls().SavePDFBtn->click();
    EXPECT_EQ(D.Messages.size(), 1u);
    EXPECT_TRUE(QFile::exists(Dir.filePath(QStringLiteral("wieder.pdf"))));
}

TEST_F(MainFormTest, ProgressGrowsByDrawingOnlyTheBar) {
    QApplication::processEvents();
    const int full = counts::Of(*Form, counts::kStatusBarFullRepaints),
              bar = counts::Of(*Form, counts::kStatusBarBarRepaints);
    Form->WMUser(30);
    Form->WMUser(80);
    EXPECT_EQ(counts::Of(*Form, counts::kStatusBarBarRepaints), bar + 2);
    EXPECT_EQ(counts::Of(*Form, counts::kStatusBarFullRepaints), full);
    Form->WMUser(10); // falling: the whole bar is redrawn
    EXPECT_EQ(counts::Of(*Form, counts::kStatusBarFullRepaints), full + 1);
    // Drawn navy from the panel's left edge over percentage * width div 100.
    Form->SetProStatus(50);
    const QImage px = Form->Controls().StatusBar1->grab().toImage();
    const QRect r = Form->Controls().StatusBar1->Panel2Rect();
    const int w = r.width() * 50 / 100;
    EXPECT_EQ(px.pixelColor(r.left(), r.center().y()), QColor(0, 0, 128));
    EXPECT_EQ(px.pixelColor(r.left() + w - 1, r.center().y()), QColor(0, 0, 128));
    EXPECT_NE(px.pixelColor(r.left() + w + 1, r.center().y()), QColor(0, 0, 128));
}

} // namespace
} // namespace lumeno::ui::test

namespace lumeno::ui::test {
namespace {

// While the export runs, clicks reach no control (the window still paints); afterwards they
// work again.
TEST_F(MainFormTest, ExportTakesNoInputMeanwhile) {
    AddPhotos({MakeImage("gross.jpg", 3000, 2000, QColor(90, 140, 60))});
    int clicksDuringExport = 0;
    QTimer poke;
    poke.setInterval(1);
    QObject::connect(&poke, &QTimer::timeout, [&] {
        if (!Form->ExportRunning()) return;
        ++clicksDuringExport;
        QTest::mouseClick(Form->Controls().NewBtn, Qt::LeftButton);
    });
    poke.start();
    D.SaveAnswers.push_back(Dir.filePath(QStringLiteral("gross.pdf")));
    Form->Controls().ShowPDFCheck->setChecked(false);
    Form->Controls().SavePDFBtn->click();
    poke.stop();
    if (clicksDuringExport == 0) GTEST_SKIP() << "the export never waited long enough to pump";
    EXPECT_TRUE(D.Messages.empty()); // NewBtnClick would have asked
    QTest::mouseClick(Form->Controls().NewBtn, Qt::LeftButton);
    EXPECT_EQ(D.Messages.size(), 1u);
}

} // namespace
} // namespace lumeno::ui::test

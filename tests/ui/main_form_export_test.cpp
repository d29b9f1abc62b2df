// The export page and the status bar's progress bar: a real PDF through the window (checked
// with qpdf when it is installed), Cancel, errors, opening the result, and the bar's drawing.
#include "event_counts.h"
#include "file_size_limit.h"
#include "required_tool.h"
#include "ui_test_support.h"

#include "status_bar.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
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
    FillThumbnailsNow(*Form); // their loads move the bar too
    Form->Show().Fotos[0].Text = "Sch\xF6ne Gr\xFC\xDF"
                                 "e";
    Form->Controls().PageControl2->setCurrentWidget(Form->Controls().TabSheet1);
    const QString pdf = Dir.filePath(QStringLiteral("show.pdf"));
    D.SaveAnswers.push_back(Dir.filePath(QStringLiteral("show")));
    Form->Controls().SavePDFBtn->click();
    Form->WaitForExport();
    EXPECT_FALSE(Form->ExportRunning());
    // The missing photo is a black picture in the file, and the window says so.
    ASSERT_EQ(D.Messages.size(), 1u);
    EXPECT_EQ(D.Messages[0].Text,
              QStringLiteral("Die PDF-Datei wurde erzeugt. Ein Foto konnte nicht gelesen werden "
                             "und ist darin ein schwarzes Bild:\n\nFoto 3: ") +
                  Dir.path() + QStringLiteral("/fehlt.jpg – Die Datei wurde nicht gefunden."));
    EXPECT_EQ(D.Messages[0].Icon, TMsgIcon::Warning);
    EXPECT_TRUE(Form->Controls().ExportStateLabel->text().startsWith(
        QStringLiteral("show.pdf geschrieben: 3 Fotos in 0:")))
        << Form->Controls().ExportStateLabel->text().toStdString();
    EXPECT_TRUE(Form->Controls().CancelExportBtn->isHidden());
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
    REQUIRE_TOOLS("qpdf");
    const QString qpdf = QStandardPaths::findExecutable(QStringLiteral("qpdf"));
    QProcess p;
    p.start(qpdf, {QStringLiteral("--check"), pdf});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardOutput().toStdString();
    // The second export starts with the name chosen last.
    D.SaveAnswers.push_back(QString());
    Form->Controls().SavePDFBtn->click();
    Form->WaitForExport();
    EXPECT_EQ(D.FileQuestions.back().InitialName, Dir.filePath(QStringLiteral("show.pdf")));
}

TEST_F(MainFormTest, ExportCancelledWritesNothingAndShowPdfOffOpensNothing) {
    Form->Controls().SavePDFBtn->click();
    Form->WaitForExport();
    EXPECT_TRUE(D.Messages.empty());
    Form->Controls().ShowPDFCheck->setChecked(false);
    D.SaveAnswers.push_back(Dir.filePath(QStringLiteral("leer.pdf")));
    Form->Controls().SavePDFBtn->click(); // an empty show exports without complaint
    Form->WaitForExport();
    EXPECT_TRUE(QFile::exists(Dir.filePath(QStringLiteral("leer.pdf"))));
    EXPECT_TRUE(Opened.empty());
    EXPECT_TRUE(D.Messages.empty());
}

TEST_F(MainFormTest, ExportIntoAMissingFolderShowsTheMessage) {
    const QString bad = Dir.filePath(QStringLiteral("nirgends/x.pdf"));
    D.SaveAnswers.push_back(bad);
    Form->Controls().SavePDFBtn->click();
    Form->WaitForExport();
    ASSERT_EQ(D.Messages.size(), 1u);
    EXPECT_EQ(D.Messages[0].Text,
              QStringLiteral("Die Datei ") + bad +
                  QStringLiteral(" konnte nicht erstellt werden! Der Ordner existiert nicht."));
    EXPECT_EQ(D.Messages[0].Icon, TMsgIcon::Error);
    EXPECT_TRUE(Opened.empty());
}

TEST_F(MainFormTest, AFullDiskKeepsTheOldFileAndNamesFileAndReason) {
    QStringList photos;
    for (int i = 0; i < 4; ++i)
        photos << MakeImage(QStringLiteral("f%1.jpg").arg(i), 400, 300, QColor(40 * i, 90, 200));
    AddPhotos(photos);
    FillThumbnailsNow(*Form);
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
        Form->WaitForExport();
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
    Form->WaitForExport();
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

// The export runs off the window thread: timers fire and clicks work while it runs, it shows
// "Foto k von n" with "Abbrechen", and edits made meanwhile do not reach the file.
TEST_F(MainFormTest, ExportKeepsTheWindowResponsive) {
    QStringList photos;
    for (int i = 0; i < 6; ++i)
        photos << MakeImage(QStringLiteral("gross%1.jpg").arg(i), 2400, 1800, QColor(90, 140, 60));
    AddPhotos(photos);
    int ticksDuringExport = 0;
    QStringList shown;
    QTimer poke;
    poke.setInterval(5);
    QObject::connect(&poke, &QTimer::timeout, [&] {
        if (!Form->ExportRunning()) return;
        if (++ticksDuringExport == 3) QTest::mouseClick(Form->Controls().NewBtn, Qt::LeftButton);
        if (Form->Controls().CancelExportBtn->isVisible())
            shown << Form->Controls().ExportStateLabel->text();
    });
    poke.start();
    D.SaveAnswers.push_back(Dir.filePath(QStringLiteral("gross.pdf")));
    Form->Controls().ShowPDFCheck->setChecked(false);
    Form->Controls().SavePDFBtn->click();
    EXPECT_TRUE(Form->ExportRunning()) << "the click returns at once";
    Form->WaitForExport();
    poke.stop();
    EXPECT_GE(ticksDuringExport, 3);
    // New asked its question during the export and emptied the show; the file has all six.
    ASSERT_EQ(D.Messages.size(), 1u);
    EXPECT_EQ(Form->Show().Count(), 0);
    QFile f(Dir.filePath(QStringLiteral("gross.pdf")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().count("/Subtype /Image"), 6);
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_TRUE(shown.front().startsWith(QStringLiteral("Foto "))) << shown.front().toStdString();
    EXPECT_TRUE(shown.front().endsWith(QStringLiteral(" von 6"))) << shown.front().toStdString();
    EXPECT_EQ(Form->Controls().CancelExportBtn->text(), QStringLiteral("Abb&rechen"));
}

// "Abbrechen" ends the export within half a second; the file it would have replaced stays as
// it was and nothing is left beside it.
TEST_F(MainFormTest, CancelLeavesTheOldFileAndNothingElse) {
    QStringList photos;
    for (int i = 0; i < 16; ++i)
        photos << MakeImage(QStringLiteral("c%1.jpg").arg(i), 2400, 1800, QColor(15 * i, 60, 90));
    AddPhotos(photos);
    // The strip's thumbnails share the status bar's progress: done before the export starts.
    FillThumbnailsNow(*Form);
    const QString pdf = Dir.filePath(QStringLiteral("alt.pdf"));
    {
        QFile old(pdf);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("alter Inhalt");
    }
    const QStringList before = QDir(Dir.path()).entryList(QDir::Files, QDir::Name);
    Form->Controls().ShowPDFCheck->setChecked(false);
    D.SaveAnswers.push_back(pdf);
    Form->Controls().SavePDFBtn->click();
    // Cancelled at once: on an idle machine the whole export takes only a little longer.
    ASSERT_TRUE(Form->ExportRunning());
    QElapsedTimer stopping;
    stopping.start();
    QTest::mouseClick(Form->Controls().CancelExportBtn, Qt::LeftButton);
    Form->WaitForExport();
    // Well before the photos are done: the half second a user waits on an idle machine
    // grows under the sanitizers, since a decode already running is not interrupted.
    EXPECT_LT(stopping.elapsed(), 2000);
    EXPECT_TRUE(D.Messages.empty());
    EXPECT_EQ(Form->Controls().ExportStateLabel->text(),
              QStringLiteral("Export abgebrochen, keine Datei geschrieben."));
    QFile old(pdf);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("alter Inhalt"));
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files, QDir::Name), before);
    EXPECT_EQ(Form->ProgressPercent(), 0);
}

// A viewer that cannot be started is named; the file is there all the same.
TEST_F(MainFormTest, AFailedViewerIsNamed) {
    Form->ShellOpen = [](const std::string&) { return false; };
    const QString pdf = Dir.filePath(QStringLiteral("zeigen.pdf"));
    D.SaveAnswers.push_back(pdf);
    Form->Controls().SavePDFBtn->click();
    Form->WaitForExport();
    ASSERT_EQ(D.Messages.size(), 1u);
    EXPECT_EQ(D.Messages[0].Text,
              QStringLiteral("Die Datei ") + pdf +
                  QStringLiteral(" wurde erzeugt, konnte aber nicht angezeigt werden. Es ist kein "
                                 "Programm zum Anzeigen von PDF-Dateien eingerichtet."));
    EXPECT_TRUE(QFile::exists(pdf));
}

} // namespace
} // namespace lumeno::ui::test

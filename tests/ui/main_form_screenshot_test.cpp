// Renders each page of the main window to PNG when LUMENO_SCREENSHOT_DIR names a folder
// (for looking at the window); otherwise checks only that every page renders at full size.
#include "ui_test_support.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QTabWidget>

namespace lumeno::ui::test {
namespace {

TEST_F(MainFormTest, EveryPageRendersAtTheWindowSize) {
    QStringList files;
    const QColor colours[] = {QColor(200, 60, 30), QColor(40, 120, 200), QColor(60, 160, 80),
                              QColor(230, 200, 40), QColor(120, 60, 160)};
    for (int i = 0; i < 5; ++i)
        files << MakeImage(QStringLiteral("urlaub_%1.png").arg(i + 1), i % 2 ? 600 : 800,
                           i % 2 ? 800 : 600, colours[i]);
    AddPhotos(files);
    Form->Show().CurFoto = 2;
    Form->adibchanged();
    Form->PaintBox1Paint();
    Form->SetProStatus(60);
    const QString out = qEnvironmentVariable("LUMENO_SCREENSHOT_DIR");
    const char* names[] = {"main_fotos", "main_suchen", "main_einstellungen", "main_pdf"};
    for (int page = 0; page < 4; ++page) {
        Form->Controls().PageControl2->setCurrentIndex(page);
        QApplication::processEvents();
        const QPixmap shot = Form->grab();
        EXPECT_EQ(shot.deviceIndependentSize().toSize(), Form->size());
        if (!out.isEmpty()) {
            QDir().mkpath(out);
            // At a scaled desktop the file name tells the scale: main_pdf_150.png.
            const double scale =
                qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")).toDouble();
            const QString suffix =
                scale == 1.0 ? QString() : QStringLiteral("_%1").arg(qRound(scale * 100));
            EXPECT_TRUE(
                shot.save(QDir(out).filePath(QString::fromLatin1(names[page]) + suffix + ".png")));
        }
    }
}

} // namespace
} // namespace lumeno::ui::test

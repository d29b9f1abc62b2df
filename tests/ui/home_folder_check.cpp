// The program leaves no trace under the home folder except its settings (QSettings), the
// thumbnail cache and, until it ends normally, its recovery file, and works on when that
// folder cannot be written. Its own test program: HOME must be chosen before the application
// and the settings store are first used.
#include "print_form.h"
#include "ui_test_support.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>
#include <QToolButton>

#include <cstdlib>
#include <filesystem>

namespace lumeno::ui::test {
namespace {

// Adds photos, saves the show, exports it and closes the print layout window, the way a user
// would, with answers given in advance.
void UseTheProgram(const QString& work, bool homeWritable) {
    TScriptedDialogs d;
    TDialogsScope scope(&d);
    TMainForm form;
    form.ShellOpen = [](const std::string&) { return true; };
    form.show();
    form.SetAutosaveInterval(10);
    QImage picture(120, 90, QImage::Format_RGB32);
    picture.fill(QColor(40, 120, 200));
    ASSERT_TRUE(picture.save(work + QStringLiteral("/foto.jpg")));
    d.OpenAnswers.push_back({work + QStringLiteral("/foto.jpg")});
    form.Controls().NewFotoBtn->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.Show().Fotos[0].Thumb.empty(); }, 10000))
        << "the strip shows the photo";
    d.SaveAnswers.push_back(work + QStringLiteral("/show.lmo"));
    form.Controls().SaveAsBtn->click();
    d.SaveAnswers.push_back(work + QStringLiteral("/show.pdf"));
    form.Controls().SavePDFBtn->click();
    form.WaitForExport();
    EXPECT_TRUE(QFile::exists(work + QStringLiteral("/show.lmo")));
    EXPECT_TRUE(QFile::exists(work + QStringLiteral("/show.pdf")));
    TPrintForm print;
    print.Image = *form.Show().Fotos[0].Thumb.get();
    print.show();
    QApplication::processEvents();
    print.reject(); // stores the percentages
    EXPECT_TRUE(d.Messages.empty()) << d.Messages[0].Text.toStdString();
    // A change not yet saved goes into the recovery file, for the user's eyes only.
    form.Controls().NewFotoBtn->setFocus();
    d.OpenAnswers.push_back({work + QStringLiteral("/foto.jpg")});
    form.Controls().NewFotoBtn->click();
    const QString recovery = TMainForm::RecoveryFileName();
    if (homeWritable) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(recovery); }, 5000));
        EXPECT_EQ(std::filesystem::status(recovery.toStdString()).permissions(),
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    }
    QTest::qWait(30);
    EXPECT_TRUE(d.Messages.empty()) << "a recovery file that cannot be written is no obstacle";
}

TEST(HomeFolder, OnlySettingsAndThumbnailCacheAreWrittenAndAnUnusableOneIsNoObstacle) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString home = root.filePath(QStringLiteral("home"));
    const QString work = root.filePath(QStringLiteral("work"));
    ASSERT_TRUE(QDir().mkpath(home) && QDir().mkpath(work));
    qputenv("HOME", home.toLocal8Bit());
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME",
                             "XDG_RUNTIME_DIR"})
        qunsetenv(name);
    App();
    qunsetenv("XDG_DATA_HOME");   // the recovery file's folder under HOME
    qunsetenv("XDG_CONFIG_HOME"); // the settings under HOME
    UseTheProgram(work, true);

    QStringList written;
    for (QDirIterator it(home, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();)
        written << QDir(home).relativeFilePath(it.next());
    EXPECT_TRUE(written.contains(QStringLiteral(".config/Corvana/PDF Lumeno.conf")))
        << written.join(QLatin1Char(' ')).toStdString();
    // The recovery file is gone after a normal end.
    EXPECT_FALSE(QFile::exists(TMainForm::RecoveryFileName()));
    for (const QString& file : written) {
        // The settings, the shared thumbnail cache, and the font library's own cache.
        const bool allowed = file.startsWith(QLatin1String(".config/")) ||
                             file.startsWith(QLatin1String(".cache/thumbnails/")) ||
                             file.startsWith(QLatin1String(".cache/fontconfig/"));
        EXPECT_TRUE(allowed) << file.toStdString();
    }

    // A settings folder that cannot be created (its parent is a file, which stops root too):
    // the program works on and the print window falls back to its defaults.
    QFile blocker(root.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString unusable = blocker.fileName() + QStringLiteral("/home");
    qputenv("HOME", unusable.toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       unusable + QStringLiteral("/.config"));
    UseTheProgram(work, false);
    TPrintForm print;
    print.show();
    QApplication::processEvents();
    EXPECT_EQ(print.Layout().WidthPercent, 50);
    print.reject();
}

} // namespace
} // namespace lumeno::ui::test

// Shared set-up of the window tests: one QApplication for the test program, scripted dialogs,
// and small generated image files.
#pragma once

#include "dialogs.h"
#include "main_form.h"
#include "photo_strip.h"
#include "scripted_dialogs.h"

#include <QApplication>
#include <QColor>
#include <QElapsedTimer>
#include <QImage>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace lumeno::ui::test {

inline QApplication& App() {
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // The windows share thumbnails with the desktop's cache: never the real one in tests.
        static QTemporaryDir cache;
        qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
        // Nor the real recovery file: a window offers what it finds there on its first showing.
        static QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        // Nor the real settings: windows store their places and folders there.
        static QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        auto* a = new QApplication(argc, argv);
        QApplication::setApplicationName(QStringLiteral("PDF Lumeno"));
        QApplication::setFont(DefaultFont());
        return a;
    }();
    return *app;
}

// Asks for the visible thumbnails and waits until they are in their photos.
inline void FillThumbnailsNow(TMainForm& form) {
    form.Strip().FillThumbnails();
    QElapsedTimer t;
    t.start();
    while (form.Strip().ThumbnailsPending() && t.elapsed() < 30000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    QApplication::processEvents();
}

// A main window with scripted dialogs and a shell that only records what it was asked to
// open. Shown (offscreen), so layouts and sizes are real.
class MainFormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        App();
        ASSERT_TRUE(Dir.isValid());
        Scope = std::make_unique<TDialogsScope>(&D);
        // Every test starts as a new user: its own, empty settings store.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           Dir.filePath(QStringLiteral("settings")));
        Form = std::make_unique<TMainForm>();
        Form->ShellOpen = [this](const std::string& t) {
            Opened.push_back(t);
            return true;
        };
        Form->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        Form.reset();
        Scope.reset();
    }

    // Writes a w x h picture filled with `colour` (format by extension) and returns its path.
    QString MakeImage(const QString& name, int w, int h, QColor colour = QColor(200, 60, 30)) {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(colour);
        const QString path = Dir.filePath(name);
        EXPECT_TRUE(img.save(path)) << path.toStdString();
        return path;
    }

    // n photos whose files do not exist (blank cells, no decoding), added to the show directly.
    void MissingPhotos(int n) {
        std::vector<std::string> paths;
        for (int i = 0; i < n; ++i)
            paths.push_back(Dir.filePath(QStringLiteral("fehlt%1.jpg").arg(i)).toStdString());
        Form->Show().AddPhotos(paths, false);
        Form->PaintBox1Paint();
        QApplication::processEvents();
    }

    // Adds the files through the real button and the scripted open dialog.
    void AddPhotos(const QStringList& files) {
        D.OpenAnswers.push_back(files);
        Form->Controls().NewFotoBtn->click();
    }

    QTemporaryDir Dir;
    TScriptedDialogs D;
    std::unique_ptr<TDialogsScope> Scope;
    std::unique_ptr<TMainForm> Form;
    std::vector<std::string> Opened;
};

} // namespace lumeno::ui::test

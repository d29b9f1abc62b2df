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
#include <QRadioButton>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

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

// The controls the Tab key visits in the active window, from `first` on until it comes back
// round; a field's inner editor counts as the field.
inline std::vector<QWidget*> TabWalk(QWidget* first) {
    std::vector<QWidget*> walk;
    first->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    for (int i = 0; i < 100; ++i) {
        QWidget* f = QApplication::focusWidget();
        // (A tab widget hands the focus to its bar, which stands where it is seen.)
        while (f && f->parentWidget() && f->parentWidget()->focusProxy() == f &&
               !qobject_cast<QTabWidget*>(f->parentWidget()))
            f = f->parentWidget();
        if (!f || (!walk.empty() && f == walk.front())) break;
        walk.push_back(f);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    return walk;
}

// `widgets` in the order a reader meets them in `window`: top to bottom, and left to right
// among those that share a row (one whose top lies above the middle of the row's first).
inline std::vector<QWidget*> VisualOrder(std::vector<QWidget*> widgets, QWidget* window) {
    auto place = [window](QWidget* w) { return QRect(w->mapTo(window, QPoint()), w->size()); };
    std::stable_sort(widgets.begin(), widgets.end(),
                     [&](QWidget* a, QWidget* b) { return place(a).top() < place(b).top(); });
    std::vector<QWidget*> ordered;
    size_t rowStart = 0;
    for (size_t i = 0; i <= widgets.size(); ++i) {
        if (i < widgets.size() && i > rowStart &&
            place(widgets[i]).top() < place(widgets[rowStart]).center().y())
            continue;
        if (i > rowStart) {
            std::stable_sort(
                widgets.begin() + rowStart, widgets.begin() + i,
                [&](QWidget* a, QWidget* b) { return place(a).left() < place(b).left(); });
        }
        rowStart = i;
    }
    return widgets;
}

// Tab visits every control of `window` that takes the focus by it (of a group of radio
// buttons the checked one), in the order a reader meets them, coming round from the last to
// the first. Names the order it found.
inline void ExpectTabFollowsTheEye(QWidget* window, QWidget* first) {
    std::vector<QWidget*> walk = TabWalk(first);
    const std::vector<QWidget*> expected = VisualOrder(walk, window);
    if (!walk.empty())
        std::rotate(walk.begin(), std::find(walk.begin(), walk.end(), expected.front()),
                    walk.end());
    std::string names;
    for (QWidget* w : walk)
        names += " " + (w->objectName().isEmpty() ? std::string(w->metaObject()->className())
                                                  : w->objectName().toStdString());
    EXPECT_EQ(walk, expected) << window->objectName().toStdString() << ":" << names;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool takesTab = (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus &&
                              !w->focusProxy() && w->isVisible() && w->isEnabled();
        auto* radio = qobject_cast<QRadioButton*>(w);
        if (!takesTab || (radio && radio->autoExclusive() && !radio->isChecked())) continue;
        // Inner parts of a field (a list's viewport) take the focus for the field.
        bool inner = false;
        for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
            inner = inner || std::find(walk.begin(), walk.end(), p) != walk.end();
        EXPECT_TRUE(inner || std::find(walk.begin(), walk.end(), w) != walk.end())
            << w->objectName().toStdString() << " is never reached by Tab";
    }
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

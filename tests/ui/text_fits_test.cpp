// No caption is cut: every label, button, check box and list box of every page, of the toolbar,
// of the status bar during an export and of the viewer's panel, is wide enough for its text and
// lies inside its page. Also run at QT_SCALE_FACTOR 1.25 and 1.5 (see CMakeLists.txt).
#include "messages.h"
#include "status_bar.h"
#include "ui_test_support.h"
#include "view_pic_form.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>

namespace lumeno::ui::test {
namespace {

QString Plain(QString text) {
    return text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
}

// Empty when `w` shows its text whole; else what is wrong.
std::string Cut(QWidget* w, QWidget* page) {
    const QString name = w->objectName().isEmpty()
                             ? QString::fromLatin1(w->metaObject()->className())
                             : w->objectName();
    int needed = 0, room = 0;
    QString text;
    if (auto* l = qobject_cast<QLabel*>(w)) {
        text = Plain(l->text());
        if (text.isEmpty() || l->wordWrap()) return {};
        needed = l->fontMetrics().horizontalAdvance(text);
        room = l->contentsRect().width();
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        text = Plain(b->text());
        if (text.isEmpty()) return {};
        needed = b->fontMetrics().horizontalAdvance(text);
        if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w))
            needed += w->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w) +
                      w->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w);
        else if (qobject_cast<QPushButton*>(w))
            needed += 2 * w->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, w);
        room = w->width();
    } else if (auto* box = qobject_cast<QComboBox*>(w)) {
        // The longest item with the box's frame and arrow.
        text = box->currentText();
        needed = box->sizeHint().width();
        room = w->width();
    } else {
        return {};
    }
    if (needed > room)
        return (name + QStringLiteral(" \"%1\": %2 > %3").arg(text).arg(needed).arg(room))
            .toStdString();
    const QRect onPage(w->mapTo(page, QPoint(0, 0)), w->size());
    if (!page->rect().contains(onPage))
        return (name + QStringLiteral(" \"%1\" reaches out of its page").arg(text)).toStdString();
    return {};
}

TEST_F(MainFormTest, TextFitsEveryControl) {
    const TMainFormControls& c = Form->Controls();
    for (int i = 0; i < c.PageControl2->count(); ++i) {
        c.PageControl2->setCurrentIndex(i);
        QApplication::processEvents();
        QWidget* page = c.PageControl2->currentWidget();
        for (QWidget* w : page->findChildren<QWidget*>())
            if (w->isVisibleTo(page)) {
                EXPECT_EQ(Cut(w, page), "") << "page " << i;
            }
    }
    // The toolbar, and the status bar while a long export runs.
    for (QWidget* b : {c.NewBtn, c.OpenBtn, c.SaveAsBtn})
        EXPECT_EQ(Cut(b, b->parentWidget()), "") << "toolbar";
    c.ExportStateLabel->setText(ExportProgressText(1234, 5678, false));
    c.CancelExportBtn->show();
    QApplication::processEvents();
    for (QWidget* w : std::initializer_list<QWidget*>{c.ExportStateLabel, c.CancelExportBtn})
        EXPECT_EQ(Cut(w, c.StatusBar1), "") << "status bar";
    c.CancelExportBtn->hide();
    TViewPicForm* view = c.ViewPicForm;
    view->show();
    QApplication::processEvents();
    for (QWidget* w : view->Panel5->findChildren<QWidget*>())
        EXPECT_EQ(Cut(w, view->Panel5), "") << "viewer";
    view->hide();
}

} // namespace
} // namespace lumeno::ui::test

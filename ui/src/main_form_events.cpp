// TMainForm's input from its controls: keys in the strip and the search results, the wheel
// anywhere on the photos page, photos dropped onto the strip, and the window coming back.
#include "main_form.h"

#include "main_form_controls.h"
#include "photo_strip.h"

#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QWheelEvent>

namespace lumeno::ui {
namespace {

bool IsUndoOrRedoKey(const QKeyEvent* k) {
    const QKeyCombination key = k->keyCombination();
    return key == (Qt::CTRL | Qt::Key_Z) || key == (Qt::CTRL | Qt::Key_Y) ||
           key == (Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
}

} // namespace

bool TMainForm::eventFilter(QObject* watched, QEvent* e) {
    // The caption editor and the strip's key field would take these keys for their own text;
    // left unclaimed, they reach the window's undo and redo.
    if ((watched == C.Memo1 || watched == C.KeyEdit) && e->type() == QEvent::ShortcutOverride &&
        IsUndoOrRedoKey(static_cast<QKeyEvent*>(e)))
        return true;
    if (watched == C.KeyEdit && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Escape || k->key() == Qt::Key_Delete) {
            C.DelFotoBtn->click();
            return true;
        }
        return Strip_->KeyDown(k->key());
    }
    if (watched == C.ListView2 && e->type() == QEvent::KeyPress)
        return ListView2KeyDown(static_cast<QKeyEvent*>(e)->key());
    if (watched == C.ListView2->viewport() && e->type() == QEvent::MouseButtonDblClick) {
        ListView2DblClick();
        return true;
    }
    // Image files dragged from a file manager onto the strip are added as photos.
    if (watched == C.ScrollBox1->viewport() &&
        (e->type() == QEvent::DragEnter || e->type() == QEvent::DragMove ||
         e->type() == QEvent::Drop)) {
        auto* d = static_cast<QDropEvent*>(e);
        const QStringList files = DroppedPhotoFiles(d->mimeData());
        if (files.isEmpty()) {
            d->ignore();
            return true;
        }
        d->acceptProposedAction();
        if (e->type() == QEvent::Drop) AddPhotoFiles(files);
        return true;
    }
    if (watched == C.ScrollBox1->viewport() && e->type() == QEvent::Resize) {
        PaintBox1Paint();
        return false;
    }
    if ((watched == C.ScrollBox1->viewport() || watched == C.PaintBox1) &&
        e->type() == QEvent::Wheel) {
        auto* w = static_cast<QWheelEvent*>(e);
        return Strip_->Wheel(w->angleDelta().y(), w->pixelDelta().y());
    }
    // Elsewhere on the photos page (buttons, labels, a caption editor with nothing to scroll)
    // the wheel scrolls the strip too; the strip's own scroll bar keeps it.
    if (e->type() == QEvent::Wheel && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        const bool inMemo = w == C.Memo1 || C.Memo1->isAncestorOf(w);
        const bool memoScrolls = C.Memo1->verticalScrollBar()->maximum() > 0 ||
                                 C.Memo1->horizontalScrollBar()->maximum() > 0;
        if (C.TabSheet2->isAncestorOf(w) && !C.ScrollBox1->isAncestorOf(w) &&
            !(inMemo && memoScrolls)) {
            auto* we = static_cast<QWheelEvent*>(e);
            return Strip_->Wheel(we->angleDelta().y(), we->pixelDelta().y());
        }
    }
    return QWidget::eventFilter(watched, e);
}

void TMainForm::changeEvent(QEvent* e) {
    // Brought to the front or restored: files that failed are tried again.
    if ((e->type() == QEvent::ActivationChange && isActiveWindow()) ||
        (e->type() == QEvent::WindowStateChange && !isMinimized()))
        Strip_->Uncovered();
    QWidget::changeEvent(e);
}

void TMainForm::keyPressEvent(QKeyEvent* e) {
    // DelFotoBtn is the window's cancel button: Escape deletes the current photo while the
    // photos page is shown, unless the caption editor has the focus.
    if (e->key() == Qt::Key_Escape && C.PageControl2->currentWidget() == C.TabSheet2 &&
        focusWidget() != C.Memo1) {
        C.DelFotoBtn->click();
        return;
    }
    QWidget::keyPressEvent(e);
}

} // namespace lumeno::ui

// TViewPicForm: the picture viewer. Shows one photo at a zoom of 5 to 9000 percent, pans it
// by dragging with any mouse button, prints it through the print layout window and opens the
// file in the system's associated program.
//
// One viewer exists for the whole run: the main window creates it hidden at start-up and
// reuses it, so the zoom stays from one opening to the next.
#pragma once

#include <pictavo.h>

#include <QDialog>
#include <QString>

#include <functional>
#include <string>

class QLabel;
class QPushButton;
class QScrollArea;
class QStatusBar;
class QWidget;

namespace lumeno::ui {

class TSpinEdit;

class TViewPicForm : public QDialog {
    Q_OBJECT
  public:
    explicit TViewPicForm(QWidget* parent = nullptr);
    ~TViewPicForm() override;

    // The photo. The caller fills it (OpenDib mode 0) before ShowModal and frees it with deldib
    // after ShowModal returns; the viewer never frees or changes it.
    TDib Image{};
    // Full path of the photo file, for "Öffnen...".
    QString ImageFileName;
    // Opens a file with the system's associated program; ShellOpenFile unless replaced (tests).
    std::function<void(const std::string&)> ShellOpen;

    // Shows the window modally; returns when it is closed ("Zurück..." gives
    // QDialog::Accepted, the close box QDialog::Rejected).
    int ShowModal();

    // The displayed size of the photo at the current zoom: width and height times zoom / 100,
    // truncated; bounded to what a widget can be.
    // When fitted, the photo's size brought down (never up) to fit the visible area.
    QSize DisplayedSize() const;

    // "Einpassen": the photo fits the window and follows its size. The zoom field's lowest
    // step; every opening starts fitted until the user picks a zoom of their own.
    bool Fitted() const;
    // Switches between fitted and 100 % (Ctrl+0).
    void ToggleFit();

    // Controls, under the names they have on the window.
    QWidget* Panel5 = nullptr;
    QPushButton* ReadyBtn = nullptr;
    QPushButton* PrintBrn = nullptr;
    QPushButton* OpenBtn = nullptr;
    QLabel* ZoomLabel = nullptr;
    TSpinEdit* ZoomEd = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    QWidget* PaintBox1 = nullptr;

    // Drag state (positions on the visible area of the scroll box, so the picture follows the
    // mouse one to one).
    bool Dragging = false;
    bool Busy = false;
    int DragStartX = 0, DragStartY = 0;
    int DragStartHorz = 0, DragStartVert = 0;

    // Handlers, callable by tests.
    void ZoomEdChange();
    // Brings the picture surface to the displayed size (width first, then height, one per
    // call); when it already has that size, draws the picture at once.
    void PaintBox1Paint();
    void OpenBtnClick();
    void PrintBrnClick();

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    friend class TPicSurface;
    // Paint of the surface: resizes or draws, as PaintBox1Paint.
    void SurfacePaint(QWidget* surface);
    void PaintBox1MouseDown(const QPoint& viewportPos);
    void PaintBox1MouseMove(const QPoint& viewportPos);
    void PaintBox1MouseUp();
    // Brings the surface one step towards the displayed size (width, then height; both when
    // the surface has no area, as such a surface gets no paint); true when it changed.
    bool ResizeSurfaceStep();
    void SetFitted(bool fitted);

    bool Placed = false;     // the first ShowModal has put the window in its place
    bool ZoomChosen = false; // the user changed the zoom in this run
};

} // namespace lumeno::ui

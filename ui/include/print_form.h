// TPrintForm: the print layout window. The user chooses how large and where one photo is
// printed and sees a live preview of the page. The picture viewer creates it for each print
// request, sets Image, shows it modally, reads the choice (Layout()) after OK, prints with
// PrintPicture and destroys the window.
//
// Width and height percentages and the window state are kept in the per-user settings
// store, section "TPrintForm", keys "BreitEdit.Value", "HochEdit.Value" and "WindowState":
// restored when the window is shown, saved when it closes. The radio buttons and check boxes
// start at their defaults at every opening.
#pragma once

#include <pictavo.h>

#include <QDialog>
#include <QRect>
#include <QSize>

#include <optional>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPrinter;
class QPushButton;
class QRadioButton;

namespace lumeno::ui {

class TSpinEdit;

// The printer the program prints on. The program uses the system's default printer, or
// Qt's PDF-file printer when the system has none; tests install their own so no printer is
// needed.
class TPrinterPort {
  public:
    virtual ~TPrinterPort() = default;
    // The printable page in printer pixels; an empty size when it is unknown.
    virtual QSize PageSize() = 0;
    // Shows the system's printer setup dialog; false when it was cancelled or there is no
    // printer to set up.
    virtual bool Setup(QWidget* parent) = 0;
    // The printer to start a job on; null when there is none that can be used. A PDF-file
    // printer without a file name asks for one when printing (PrintToChosenFile).
    virtual QPrinter* Printer() = 0;
};

// A port over an existing QPrinter (for example one writing a PDF file). Setup does nothing.
class TQPrinterPort : public TPrinterPort {
  public:
    explicit TQPrinterPort(QPrinter& printer) : printer_(printer) {}
    QSize PageSize() override;
    bool Setup(QWidget*) override { return false; }
    QPrinter* Printer() override { return &printer_; }

  private:
    QPrinter& printer_;
};

// The port in use; never null. SetPrinterPort installs another (ownership stays with the
// caller; nullptr restores the system's printer) and returns the previous one.
TPrinterPort& PrinterPort();
TPrinterPort* SetPrinterPort(TPrinterPort* port);

// What the user chose in the print layout window.
struct TPrintLayout {
    bool UseFull = true;    // "Seite voll nutzen", else "Benutzerdefiniert"
    bool KeepAspect = true; // "Seitenverhältnis beibehalten"
    bool Centred = true;    // "Zentrierte Ausgabe"
    int WidthPercent = 50;  // 1..100
    int HeightPercent = 50; // 1..100
};

// Where the whole image of imageWidth x imageHeight goes on a page of page.width() x
// page.height() printer pixels. Empty when the page or the image is empty.
QRect PrintRect(QSize page, int imageWidth, int imageHeight, const TPrintLayout& layout);

enum class TPrintOutcome { Printed, NoPrinter, EmptyPage, EmptyImage, JobRefused };

// Prints image on printer as one job titled "Quintal Bild", placed by PrintRect. Nothing is
// printed unless the result is Printed.
TPrintOutcome PrintPicture(QPrinter* printer, const TDib& image, const TPrintLayout& layout);

// PrintPicture for the print command: a PDF-file printer that has no file yet first asks
// for one (save dialog with overwrite question; the name is forgotten afterwards, so the
// next print asks again). Returns nullopt when the user cancelled that question.
std::optional<TPrintOutcome> PrintToChosenFile(QWidget* parent, QPrinter* printer,
                                               const TDib& image, const TPrintLayout& layout);

class TPrintForm : public QDialog {
    Q_OBJECT
  public:
    explicit TPrintForm(QWidget* parent = nullptr);
    ~TPrintForm() override;

    // A copy of the viewer's image record; never freed here. Set before showing.
    TDib Image{};
    // Set while one of the two percentage handlers runs.
    bool Updating = false;

    // The current choice, with the percentages read as the fields show them (a text that is
    // no number reads as 1).
    TPrintLayout Layout() const;

    // Where the page and the picture are drawn in the 190 x 190 preview.
    QRect PreviewPageRect() const;
    QRect PreviewPictureRect() const;

    // Controls, under the names they have on the window.
    QLabel* RxLabel1 = nullptr;
    QFrame* PreviewPanel = nullptr;
    QWidget* PrintPaintBox = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* UseFullCheck = nullptr;
    QRadioButton* UserdefCheck = nullptr;
    TSpinEdit* BreitEdit = nullptr;
    TSpinEdit* HochEdit = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QCheckBox* SverhCheck = nullptr;
    QCheckBox* ZentrCheck = nullptr;
    QPushButton* OkBitBtn1 = nullptr;
    QPushButton* PrintSetupBtn = nullptr;
    QPushButton* CancelBitBtn2 = nullptr;

    // Handlers, callable by tests.
    void FormShow();
    void PrintPaintBoxPaint();
    void UserdefCheckClick();
    void BreitEditChange();
    void HochEditChange();
    void PrintSetupBtnClick();

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

  private:
    friend class TPreviewSurface;
    void DrawPreview(QWidget* surface);
    // Sets the other percentage from the one given, when the aspect is kept; true when the
    // other field changed.
    bool CoupleHeightToWidth();
    bool CoupleWidthToHeight();
    void RestoreSettings();
    void SaveSettings();

    QSize page_;
    bool restored_ = false;
};

} // namespace lumeno::ui

// The main window's controls and how they are built: one place for every widget, its caption
// and its geometry in 96-dpi pixels. The behaviour (handlers) lives in TMainForm.
//
// Controls carry their names as objectName (NewFotoBtn, Memo1, PaintBox1, ...), so tests
// and screenshots find them with findChild.
#pragma once

#include <QFont>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QWidget;

namespace lumeno::ui {

class TImageBtn;
class TPhotoStripBox;
class TSpinEdit;
class TStatusBar;
class TTesselColorComboBox;
class TViewPicForm;

// The controls, named as on the window. The window owns them (Qt parents); this is a set of
// pointers, copied freely.
struct TMainFormControls {
    QToolButton* NewBtn = nullptr;
    QToolButton* OpenBtn = nullptr;
    QToolButton* SaveAsBtn = nullptr;
    QTabWidget* PageControl2 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QWidget* TabSheet5 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QPushButton* NewFotoBtn = nullptr;
    QPushButton* DelFotoBtn = nullptr;
    QPushButton* NachVornBtn = nullptr;
    QPushButton* NachHintenBtn = nullptr;
    QCheckBox* FilenamesCheck = nullptr;
    QLabel* Label3 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    TPhotoStripBox* PaintBox1 = nullptr;
    QLineEdit* KeyEdit = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* SearchEdit = nullptr;
    QPushButton* SearchBtn = nullptr;
    QTreeWidget* ListView2 = nullptr;
    TSpinEdit* TimeEd = nullptr;
    TSpinEdit* TimeEd2 = nullptr;
    TTesselColorComboBox* TesselColorComboBox1 = nullptr;
    TTesselColorComboBox* TesselColorComboBox3 = nullptr;
    TTesselColorComboBox* TesselColorComboBox2 = nullptr;
    TSpinEdit* TextXEd = nullptr;
    TSpinEdit* TextYEd = nullptr;
    TSpinEdit* FontSizeEd = nullptr;
    QRadioButton* Blende1Check = nullptr;
    QRadioButton* Blende2Check = nullptr;
    QLabel* CaptionHint = nullptr;
    QPushButton* SavePDFBtn = nullptr;
    QCheckBox* ShowPDFCheck = nullptr;
    QCheckBox* VollScreenCheck = nullptr;
    // Photos also as pages before the text page; off at start, not kept in the project file.
    QCheckBox* PhotoPagesCheck = nullptr;
    QCheckBox* HtmlFullSizeCheck = nullptr; // the HTML slide show's photos at their own size
    QCheckBox* KeepJpegCheck = nullptr;     // not stored in the project file
    QPushButton* SaveHtmlBtn = nullptr;
    // The HTML slide show repeats endlessly; off at start, not kept in the project file.
    QCheckBox* LoopCheck = nullptr;
    // The video: its size (item data: the QSize) and music, both kept in the program's
    // settings, not in the project file. MusicLabel names the chosen file.
    QPushButton* SaveVideoBtn = nullptr;
    QComboBox* VideoSizeCombo = nullptr;
    QPushButton* MusicBtn = nullptr;
    QPushButton* NoMusicBtn = nullptr;
    QLabel* MusicLabel = nullptr;
    QToolButton* wwwBtn = nullptr;
    TImageBtn* ueberbtn = nullptr;
    TImageBtn* EndeBtn = nullptr;
    TStatusBar* StatusBar1 = nullptr;
    // In the status bar's third panel: where a running export stands and the button that
    // stops it (hidden while none runs); afterwards the label names the written file.
    QLabel* ExportStateLabel = nullptr;
    QPushButton* CancelExportBtn = nullptr;
    // The picture viewer: made once, hidden, and reused for every photo.
    TViewPicForm* ViewPicForm = nullptr;
};

// Builds every control of the main window into `window` (title, font, size and position
// included) and lays the pages out whenever they change size. Connects nothing.
TMainFormControls BuildMainFormControls(QWidget* window);

// The window's default font: "MS Sans Serif" 8 pt does not exist here; Liberation Sans 8 pt
// (metrically an Arial, close to it in size and shape) stands in for it.
QFont DefaultFont();

} // namespace lumeno::ui

// TMainForm: the program's main window and the owner of the one open slide show.
//
// It holds the photo list and current photo (TSlideShow) for its whole life; the show
// settings live in the controls of the settings and export pages and are read from there
// (Settings()) when saving and exporting. Every question and message goes through the
// dialog seam (dialogs.h), so tests can answer them.
//
// Controls carry their names as objectName (NewFotoBtn, Memo1, PaintBox1, ...), so tests
// and screenshots find them with findChild.
#pragma once

#include "lumeno/project/show.h"
#include "pictavo.h"

#include <QWidget>

#include <functional>
#include <string>
#include <unordered_set>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QToolButton;
class QVBoxLayout;

namespace lumeno::ui {

class TSpinEdit;
class TStatusBar;
class TPhotoStripBox;
class TTesselColorComboBox;
class TImageBtn;
class TViewPicForm;

class TMainForm : public QWidget, public TDibLoadOwner {
    Q_OBJECT
  public:
    // `commandLine` are the program's arguments without the program name; the first one, if
    // any, is opened as a project file on the first showing.
    explicit TMainForm(QStringList commandLine = {}, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The show (photo list and current photo). Callers that change it call PaintBox1Paint().
    TSlideShow& Show() { return Show_; }

    // The settings as the controls show them now (spin fields read by their rules).
    TShowSettings Settings() const;
    // Puts the values into the controls.
    void SetSettings(const TShowSettings& s);

    // --- Photos page (editing of the show) ---
    void NewFotoBtnClick();
    void DelFotoBtnClick();
    void NachVornBtnClick();
    void NachHintenBtnClick();
    void Memo1Change();
    void adibchanged();
    void FreeAllPics();
    void NewBtnClick();

    // --- Project files ---
    void SaveAsBtnClick();
    void OpenBtnClick();
    // Reads a project file into the show; returns true when the file was read without error.
    bool OpenFileNow(const QString& fileName);

    // --- Search page ---
    void SearchBtnClick();
    void ListView2DblClick();
    // Enter in the list view; returns true when the key was handled.
    bool ListView2KeyDown(int key);

    // --- Export page ---
    void SavePDFBtnClick();
    // Saves the show as one HTML slide show (lumeno/export/html_show.h).
    void SaveHtmlBtnClick();
    bool ExportRunning() const { return Exporting; }

    // --- Bottom bar ---
    void wwwBtnClick();
    void ueberbtnClick();
    void EndeBtnClick();

    // --- Status bar progress ---
    void SetProStatus(int percent);
    void WMUser(int percent) { SetProStatus(percent); }
    void SBarPaintMore();
    void StatusBar1DrawPanel(QPainter& painter, const QRect& rect);
    int ProgressPercent() const { return Percent; }
    // How often the whole status bar / only the bar were redrawn (for tests).
    int StatusBarFullRepaints = 0;
    int StatusBarBarRepaints = 0;

    // --- Photo strip ---
    // Repaints the strip: sets its size from the scroll area, writes the status panel and the
    // path label, and schedules the drawing of the visible rows.
    void PaintBox1Paint();
    // Draws the visible rows (making missing thumbnails) with `p` on the strip.
    void DrawStrip(QPainter& p);
    void ScrollImageInView();
    void PaintBox1MouseDown(const QPoint& pos);
    void PaintBox1DblClick();
    // Returns true when the key was handled.
    bool KeyEditKeyDown(int key);
    void FormMouseWheelDown();
    void FormMouseWheelUp();
    int StripCols() const;
    // The scroll area changed its size: the strip follows its width.
    void ScrollBox1Resize();

    // Makes the missing thumbnails of the visible rows (outside painting; scheduled by
    // DrawStrip). Files that fail stay blank until the next PaintBox1Paint() or scroll.
    void FillThumbnails();

    // Loads of image files made by the strip (thumbnail loads), for tests and the benchmark.
    int ThumbnailLoads = 0;

    // Hook for the viewer: shows `image` (owned by the caller) modally. Replaceable in tests;
    // the default opens the picture viewer window.
    std::function<void(TDib& image, const QString& fileName)> ShowViewer;
    // Hook for opening a file or web address with the system; replaceable in tests.
    std::function<void(const std::string& target)> ShellOpen;

    // The maker's web address shown on the web button.
    static constexpr const char* kHomePage = "www.pdflumeno.de";

  protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

  private:
    // TDibLoadOwner: the library's loading progress.
    void DibLoadProgress(int percent) override { WMUser(percent); }

    bool FormCloseQuery();
    void FormShow();
    void BuildToolbar(QVBoxLayout* outer);
    QWidget* BuildPage(int index, QWidget*& workArea);
    void BuildPhotosPage(QWidget* area);
    void BuildSearchPage(QWidget* area);
    void BuildSettingsPage(QWidget* area);
    void BuildExportPage(QWidget* area);
    void BuildBottomBar(QVBoxLayout* outer);
    void LayoutPhotosPage();
    void LayoutSearchPage();
    void ShowProjectError(const std::string& text);
    // Runs the export into `name` (the HTML slide show when html) with the library's progress
    // in the status bar; the window takes no input meanwhile but keeps repainting. Failures
    // are shown in a message box.
    void RunExport(const QString& name, bool html);
    // Loads and reduces one photo into its Thumb; false when the file cannot be loaded.
    bool MakeThumbnail(TFotoRecord& rec);
    void SetMemoText(const QString& text);

    TSlideShow Show_;
    int Percent = 0;
    QRect ProgressRect;
    bool ShownOnce = false;
    bool Exporting = false;
    bool ClosingConfirmed = false;
    bool SettingMemo = false;
    bool FillPending = false;
    std::unordered_set<int> FailedThumbs; // positions whose load failed in this round
    QStringList CommandLine;
    std::vector<int> ResultPositions;
    QString LastPdfName;
    QString LastHtmlName;

  public:
    // Controls, named as on the window.
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
    QPushButton* SavePDFBtn = nullptr;
    QCheckBox* ShowPDFCheck = nullptr;
    QCheckBox* VollScreenCheck = nullptr;
    // Photos also as pages after the text page; off at start, not kept in the project file.
    QCheckBox* PhotoPagesCheck = nullptr;
    QPushButton* SaveHtmlBtn = nullptr;
    QToolButton* wwwBtn = nullptr;
    TImageBtn* ueberbtn = nullptr;
    TImageBtn* EndeBtn = nullptr;
    TStatusBar* StatusBar1 = nullptr;
    TViewPicForm* ViewPicForm = nullptr;
};

// The position text of status panel 1: "Thumbnail: 3 von 12", or "Bild: keins   " when no
// photo is current.
QString PositionText(const TSlideShow& show);

// The image library's open filter ("description|*.a;*.b|...") in the file dialog's form
// ("description (*.a *.A *.b *.B);;..."): upper-case patterns added, "*.*" read as "*".
QString OpenFilterForQt(const QString& pairs);

// The window's default font: "MS Sans Serif" 8 pt does not exist here; Liberation Sans 8 pt
// (metrically an Arial, close to it in size and shape) stands in for it.
QFont DefaultFont();

} // namespace lumeno::ui

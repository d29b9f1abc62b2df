// TMainForm: the program's main window and the owner of the one open slide show.
//
// It holds the photo list and current photo (TSlideShow) for its whole life; the show
// settings live in the controls of the settings and export pages and are read from there
// (Settings()) when saving and exporting. Every question and message goes through the
// dialog seam (dialogs.h), so tests can answer them. The controls are built by
// BuildMainFormControls (main_form_controls.h); the photo strip is a TPhotoStrip.
#pragma once

#include "lumeno/project/show.h"
#include "main_form_controls.h"
#include "photo_strip.h"
#include "pictavo.h"

#include <QElapsedTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class QMimeData;

namespace lumeno {
struct TExportResult;
}

namespace lumeno::ui {

class TExportJob;

class TMainForm : public QWidget, private TPhotoStripHost {
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

    // The window's controls (for tests and screenshots).
    const TMainFormControls& Controls() const { return C; }
    // The photo strip on the photos page.
    TPhotoStrip& Strip() { return *Strip_; }

    // Shows the current photo's caption in the editor.
    void adibchanged();
    // Repaints the strip, writes the status panel and the path label.
    void PaintBox1Paint();
    // Appends the files as photos, as "Fotos hinzufügen..." does with the files chosen in its
    // dialog (captions from the file names when "Dateinamen als Vorgabetext" is on), and
    // repaints the strip. The current photo does not change. Used for drops on the strip.
    void AddPhotoFiles(const QStringList& files);
    // Reads a project file into the show; returns true when the file was read without error.
    bool OpenFileNow(const QString& fileName);
    // True from the start of an export until its result has been shown.
    bool ExportRunning() const { return Job != nullptr; }
    // Processes events until the running export (if any) has ended and its result is shown.
    void WaitForExport();

    // --- Status bar progress ---
    void SetProStatus(int percent);
    void WMUser(int percent) { SetProStatus(percent); }
    int ProgressPercent() const { return Percent; }

    // Hook for the viewer: shows `image` (owned by the caller) modally. Replaceable in tests;
    // the default opens the picture viewer window.
    std::function<void(TDib& image, const QString& fileName)> ShowViewer;
    // Hook for opening a file or web address with the system; false when no program could be
    // started for it. Replaceable in tests.
    std::function<bool(const std::string& target)> ShellOpen;

  protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void changeEvent(QEvent* e) override;

  private:
    // --- Photos page ---
    void NewFotoBtnClick();
    void DelFotoBtnClick();
    void NachVornBtnClick();
    void NachHintenBtnClick();
    void Memo1Change();
    void FreeAllPics();
    void NewBtnClick();
    // --- Project files ---
    void SaveAsBtnClick();
    void OpenBtnClick();
    // --- Search page ---
    void SearchBtnClick();
    void ListView2DblClick();
    // Enter in the list view; returns true when the key was handled.
    bool ListView2KeyDown(int key);
    // --- Export page ---
    void SavePDFBtnClick();
    // Saves the show as one HTML slide show (lumeno/export/html_show.h).
    void SaveHtmlBtnClick();
    // --- Bottom bar ---
    void wwwBtnClick();
    void ueberbtnClick();
    void EndeBtnClick();

    // TPhotoStripHost
    void PhotoChosen() override { adibchanged(); }
    void RefreshPhotos() override { PaintBox1Paint(); }
    void OpenCurrentPhoto() override;
    bool PhotosPageShown() const override;

    void ConnectControls();
    // A page came to the front: the toolbar's Open button gives up its Alt key to a button
    // of the page with the same one.
    void PageControl2Change();
    void SBarPaintMore();
    void StatusBar1DrawPanel(QPainter& painter, const QRect& rect);
    bool FormCloseQuery();
    void FormShow();
    void ShowProjectError(const QString& text);
    // Starts the export into `name` (the HTML slide show when html) on its own thread, with a
    // copy of the show taken now; the window stays usable and shows the progress with a
    // cancel button in the status bar. ExportFinished shows the result.
    void RunExport(const QString& name, bool html);
    void ExportProgressed(int done, int total, int percent, bool writing);
    void ExportFinished(const TExportResult& r);
    void SetMemoText(const QString& text);

    TSlideShow Show_;
    TMainFormControls C;
    // Reports the image library's loading progress in the status bar.
    class TLoadProgress final : public TDibLoadOwner {
      public:
        explicit TLoadProgress(TMainForm& form) : Form(form) {}
        // The bar belongs to the export while one runs.
        void DibLoadProgress(int percent) override {
            if (!Form.ExportRunning()) Form.WMUser(percent);
        }

      private:
        TMainForm& Form;
    };
    TLoadProgress LoadProgress{*this};
    TPhotoStrip* Strip_ = nullptr; // a child of the strip widget
    int Percent = 0;
    QRect ProgressRect;
    bool ShownOnce = false;
    bool ClosingConfirmed = false;
    bool SettingMemo = false;
    QStringList CommandLine;
    std::vector<int> ResultPositions;
    QString LastPdfName;
    QString LastHtmlName;
    // The running export and what its end needs to know.
    std::unique_ptr<TExportJob> Job;
    QString ExportName;
    bool ExportHtml = false;
    bool ExportShowResult = false;
    bool ExportKeepJpeg = false;
    QElapsedTimer ExportClock;
};

// The position text of status panel 1: "Thumbnail: 3 von 12", or "Bild: keins   " when no
// photo is current.
QString PositionText(const TSlideShow& show);

// The files of a drop that the photo strip takes: local files (no folders) whose extension is
// one of the image library's picture formats (any letter case), in the order of the drop.
QStringList DroppedPhotoFiles(const QMimeData* data);

// The image library's open filter ("description|*.a;*.b|...") in the file dialog's form
// ("description (*.a *.A *.b *.B);;..."): upper-case patterns added, "*.*" read as "*".
QString OpenFilterForQt(const QString& pairs);

// The photo open dialog's filter: the image library's formats with their German descriptions.
QString PhotoOpenFilter();

} // namespace lumeno::ui

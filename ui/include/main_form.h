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
class QTimer;
class QUndoCommand;
class QUndoStack;

namespace lumeno {
struct TExportResult;
}

namespace lumeno::ui {

class TExportJob;
enum class TExportKind; // messages.h

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

    // Brings the caption editor up to the current photo: its caption when a photo is current,
    // empty when none is. The one place that loads the editor; PaintBox1Paint calls it, so
    // every change of the show or of the current photo ends here.
    void adibchanged();
    // Repaints the strip, writes the status panel and the path label, and shows the current
    // photo's caption in the editor.
    void PaintBox1Paint();
    // Appends the files as photos, as "Fotos hinzufügen..." does with the files chosen in its
    // dialog (captions from the file names when "Dateinamen als Vorgabetext" is on), and
    // repaints the strip. The current photo does not change. Used for drops on the strip.
    void AddPhotoFiles(const QStringList& files);
    // Reads a project file into a new show and puts it in place of the open one, with its
    // settings and a fresh undo history. A file that cannot be opened, is no project file, or
    // yields nothing (no photo before the damage) leaves the open show, its settings and its
    // history as they are. Failures are shown; returns true when the file was read without
    // error.
    bool OpenFileNow(const QString& fileName);
    // True from the start of an export until its result has been shown.
    bool ExportRunning() const { return Job != nullptr; }
    // Processes events until the running export (if any) has ended and its result is shown.
    void WaitForExport();

    // --- Undo and the recovery file ---
    // Adding, deleting and moving photos and caption edits (Ctrl+Z; Ctrl+Y or Ctrl+Shift+Z).
    // New and Open clear it.
    QUndoStack& UndoStack() { return *Undo_; }
    // The automatically saved show: one project file in the program's own data folder. It is
    // written within AutosaveInterval of a change and removed on a normal end, so one found at
    // start means the program did not end normally.
    static QString RecoveryFileName();
    // How often the show is checked for changes and written into the recovery file (30 s);
    // shorter in tests.
    void SetAutosaveInterval(int ms);
    // Writes the recovery file now when the show differs from what is there (or removes it
    // when the show is as it was opened, saved or made new). False when writing failed.
    bool Autosave();

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
    // Saves the show as an MP4 video (lumeno/export/video_show.h) in the chosen size, with
    // the chosen music; a music file that is gone or holds no sound is named and nothing is
    // written.
    void SaveVideoBtnClick();
    // Chooses the video's music (a file FFmpeg reads as sound) or goes without; both, like
    // the video size, are kept in the program's settings at once.
    void MusicBtnClick();
    void NoMusicBtnClick();
    void RestoreVideoChoices();
    void ShowMusicFile();
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
    // Writes under the settings page why the captions will not show, or nothing.
    void ShowCaptionHints();
    void RestoreExportChoices();
    // A page came to the front: the toolbar's Open button gives up its Alt key to a button
    // of the page with the same one.
    void PageControl2Change();
    void SBarPaintMore();
    void StatusBar1DrawPanel(QPainter& painter, const QRect& rect);
    bool FormCloseQuery();
    void FormShow();
    void ShowProjectError(const QString& text);
    // Starts the export into `name` (a PDF, HTML slide show or video) on its own thread, with a
    // copy of the show taken now; the window stays usable and shows the progress with a
    // cancel button in the status bar. ExportFinished shows the result.
    void RunExport(const QString& name, TExportKind kind);
    void SetExportButtonsEnabled(bool on);
    void ExportProgressed(int done, int total, int percent, bool writing);
    void ExportFinished(const TExportResult& r);
    void SetMemoText(const QString& text);
    // Puts `read` (left empty) with `settings` in place of the open show, scrolled to its top,
    // with a fresh undo history; the recovery file is no longer needed.
    void TakeShow(TSlideShow& read, const TShowSettings& settings);
    // After undo or redo: the current photo in view, everything showing it up to date.
    void ShowEdited();
    // Pushes an edit made by show_edits.h (nullptr: nothing to do) and shows its outcome.
    void PushEdit(QUndoCommand* edit);
    void ConnectUndo();
    // On the first showing: offers the show of a recovery file left by an unclean end.
    // True when the user took it.
    bool OfferRecovery();
    void RemoveRecoveryFile();

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
    QUndoStack* Undo_ = nullptr;
    // Caption edits of one photo merge into one undo step while this stays the same; it
    // changes when another photo becomes current and after undo and redo.
    int CaptionBurst = 0;
    int MemoPhoto = 0; // the position whose caption the editor was last brought up to
    QTimer* AutosaveTimer = nullptr;
    std::string AutosaveClean;   // the show's bytes as last opened, saved or made new
    std::string AutosaveWritten; // what the recovery file holds; empty when there is none
    QStringList CommandLine;
    std::vector<int> ResultPositions;
    QString LastPdfName;
    QString LastHtmlName;
    QString LastVideoName;
    QString MusicFile; // the video's music; empty: none
    // The running export and what its end needs to know.
    std::unique_ptr<TExportJob> Job;
    QString ExportName;
    TExportKind ExportKind{};
    QString ExportMusic; // the video's music as the export started with it
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

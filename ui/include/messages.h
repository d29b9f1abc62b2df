// The window's words: every German sentence the windows show in a message box or a dialog,
// and the texts for the codes the lower layers return. Control captions stay beside their
// geometry in the windows' build code.
#pragma once

#include "lumeno/bitmap/draw_dib.h"
#include "lumeno/export/export_driver.h"
#include "lumeno/frontend/shared_words.h"
#include "lumeno/project/caption_hints.h"
#include "lumeno/project/project_file.h"
#include "pictavo.h"

#include <QDateTime>
#include <QString>

#include <string>

namespace lumeno::ui {

enum class TPrintOutcome; // print_form.h

enum class TMsg {
    AppTitle,         // the title of message boxes without one of their own
    AddPhotosTitle,   // the photo open dialog
    LoseUnsaved,      // asked before New and Open
    FileNewTitle,     //
    FileOpenTitle,    //
    ProjectFilter,    // project file dialogs
    SaveAsTitle,      //
    OpenTitle,        //
    SavePdfTitle,     //
    PdfFilter,        //
    SaveHtmlTitle,    //
    HtmlFilter,       //
    NoPicture,        // status panel without a current photo
    PictureNotOpened, // the viewer could not load the photo
    ErrorTitle,       //
    QuitQuestion,     // asked before closing
    QuitTitle,        //
    RecoveryTitle,    // the offer to restore the show after an unclean end
    SaveVideoTitle,   // the video's save dialog
    VideoFilter,      //
    MusicTitle,       // the music's open dialog
    MusicFilter,      //
    NoMusic,          // the export page without a music file
};

// Which file an export writes; the messages after it name it.
enum class TExportKind { Pdf, Html, Video };

// The text of a fixed message.
QString Text(TMsg id);
// "Thumbnail: 3 von 12".
QString PositionOf(int current, int count);
// Why reading or writing a file failed, as one sentence, for the system's error number
// (errno); empty for 0. A number without a sentence of its own gets the system's text.
// The sentences are the command line's too.
using frontend::TFileAccess;
QString FileFailureReason(int error, TFileAccess access);
// The offer after an unclean end: the automatically saved show with `photos` photos, saved at
// `saved` (local time), can be restored.
QString RecoveryQuestion(int photos, const QDateTime& saved);
// The message box text for a project file result; empty for None.
QString ProjectFileText(ProjectFileError code);
// The same followed by the file's name and, for a non-zero `detail`, the reason, each on a
// line of its own; empty for None.
QString ProjectFileMessage(ProjectFileError code, const QString& path, int detail,
                           TFileAccess access);
// The message box text for a failed PDF export; empty for kOk.
QString ExportText(const TExportResult& result);
// The same for the HTML slide show: kCannotCreate has its own, shorter text.
QString HtmlShowText(const TExportResult& result);
// The same for the video; kMusicUnreadable names `musicFile`.
QString VideoText(const TExportResult& result, const QString& musicFile);
// Why the music file cannot go into a video (before any export starts): `missing` when the
// file is gone, else it holds no sound FFmpeg can read.
QString MusicUnusableText(const QString& musicFile, bool missing);
// The status panel after an export with the lossless JPEG option: "3 von 12 Fotos ...".
QString TakenOverText(int takenOver, int photos);
// Why a photo gives no picture: the strip's tooltip and the lines of the export's warning.
QString PhotoProblemText(TPhotoProblem problem);
// After an export that put black pictures in place of photos: the message naming them, the
// first 10 with their reasons, then "und N weitere".
QString BrokenProfilesText(const std::vector<TProfileWarning>& photos, TExportKind kind);
QString UnreadablePhotosText(const std::vector<TUnreadablePhoto>& photos, TExportKind kind);
// The export's progress beside the bar: "Foto 3 von 12", then "Datei wird geschrieben...".
QString ExportProgressText(int done, int total, bool writing);
// The status bar after an export: the file's name, the photo count and the time taken.
QString ExportDoneText(const QString& fileName, int photos, double seconds);
QString ExportCancelledText();
// The finished file could not be handed to a viewer (a browser, a video player).
QString OpenResultFailedText(const QString& path, TExportKind kind);

// What a device that refused to draw a picture tells; empty for kDrawn.
QString DrawDibText(DrawDibResult result);
// The photo open dialog's description of one entry of the image library's table.
QString OpenKindText(TDibOpenKind kind);

// What a print tells the user; empty for Printed.
QString PrintOutcomeMessage(TPrintOutcome outcome);
// After an export whose captions hold characters no installed font has: the message naming them.
QString MissingCharactersText(const std::u32string& missing, TExportKind kind = TExportKind::Pdf);

// Why the captions will not show with these settings, one sentence a line; empty when they
// will. Shown on the settings page and after an export.
QString CaptionHintsText(const std::vector<TCaptionHint>& hints);

} // namespace lumeno::ui

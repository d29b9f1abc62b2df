#pragma once
// The export of a slide show into one PDF file: builds the SVG presentation, prepares every
// photo as a JPEG (load, 24 bits, quality 90 through a temporary file) and writes the PDF.
//
// Threads: photos are prepared on a pool of worker threads while the calling thread writes
// them strictly in show order; at most `Jobs` photos are being prepared and at most 2 x `Jobs`
// prepared JPEGs wait to be written, so memory does not grow with the show. The bytes written do
// not depend on `Jobs`. Every callback of TExportProgress runs ON THE CALLING THREAD, at least
// every ~50 ms while it waits for a worker, so a window can repaint and move its progress bar.
//
// Failures are carried as codes; the window and the command line give them their words.
#include "lumeno/bitmap/photo_problem.h"
#include "lumeno/export/document_texts.h"
#include "lumeno/export/video_show.h"
#include "lumeno/project/show.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lumeno {

// One photo as the export needs it: FileName in the platform's own bytes, Text (caption)
// as Windows-1252 bytes, possibly empty.
struct TExportPhoto {
    std::string FileName;
    std::string Text;
};

// The photos of a show in show order (copies of FileName and Text only).
std::vector<TExportPhoto> ExportPhotosOf(const TDynaArray<TFotoRecord>& fotos);

// Receives progress on the calling thread. Default implementations do nothing.
class TExportProgress {
  public:
    virtual ~TExportProgress() = default;
    // Loading percentage 0..100 of the photo the writer waits for next (from OpenDib).
    virtual void PhotoLoadProgress(int /*percent*/) {}
    // Photo k (1-based) of n has been written into the PDF.
    virtual void PhotoDone(int /*k*/, int /*n*/) {}
    // Every photo has been handed to the writer; the rest of the file is being written.
    virtual void Writing() {}
    // Called at least every ~50 ms while the calling thread waits: process window events.
    virtual void Pump() {}
    // Polled between photos and at least every ~50 ms while the writer waits for one; true
    // stops the export (result kCancelled): the file being written is deleted before the
    // photos still in work are waited for, and the target is left as it was.
    virtual bool CancelRequested() { return false; }
};

enum class TExportCode {
    kOk,
    kCannotCreate,    // the new file beside the target cannot be created, or the target is a
                      // folder or a file the user may not write; detail = errno
    kWriteError,      // a later write, the flush or the close failed; detail = errno
    kCannotReplace,   // the finished file could not take the target's place; detail = errno
    kCompressError,   // the SVG could not be compressed
    kFileTooLarge,    // the PDF would pass the 4 GiB its offset table can address
    kCancelled,       // TExportProgress::CancelRequested said so
    kVideoEncoder,    // the video: the H.264 or AAC encoder could not be opened or failed
    kMusicUnreadable, // the video: the music file cannot be read or holds no sound
};

// A photo that went into the file as a black picture, and why.
struct TUnreadablePhoto {
    int Number = 0;       // 1-based position in the show
    std::string FileName; // as the show holds it
    TPhotoProblem Problem = TPhotoProblem::kMissing;
};

// A photo whose colour profile could not be used: its colours went in as sRGB.
struct TProfileWarning {
    int Number = 0;       // 1-based position in the show
    std::string FileName; // as the show holds it
};

struct TExportResult {
    bool ok = false;
    TExportCode code = TExportCode::kOk;
    int detail = 0;           // the system's error number for the failures above
    std::string path;         // the output path as given
    int photos = 0;           // image objects written
    int blackPictures = 0;    // photos that could not be loaded and show as black 320 x 200
    int fallbackPictures = 0; // photos whose JPEG could not be written or read back
    int takenOver = 0;        // photos whose own JPEG data were embedded (KeepJpeg)
    // Photo pages: caption characters no installed font covers, drawn as nothing.
    std::u32string missingCharacters;
    // The photos counted in blackPictures and fallbackPictures, in show order.
    std::vector<TUnreadablePhoto> unreadable;
    // Photos with a damaged or unsuitable colour profile, in show order.
    std::vector<TProfileWarning> brokenProfiles;

    // A file was written, but not everything in it is as the show asks.
    bool HasWarnings() const {
        return ok && (!unreadable.empty() || !missingCharacters.empty() || !brokenProfiles.empty());
    }
};

// The size the HTML slide show's photos are made to fit (a large screen's).
constexpr int kHtmlPhotoWidth = 2560;
constexpr int kHtmlPhotoHeight = 1440;

struct TExportOptions {
    int Jobs = 0;                        // worker threads; 0 = number of cores
    TExportProgress* Progress = nullptr; // may be null
    // Opens the finished PDF when settings.ShowPDF is set; null = ShellOpenFile
    // (lumeno/export/shell_open.h). Its result is ignored.
    std::function<void(const std::string& path)> Open;
    // Adds one page per photo after the text page (lumeno/export/photo_pages.h). Off: the
    // file is exactly the default one.
    bool PhotoPages = false;
    // Writes the HTML slide show (lumeno/export/html_show.h) to `path` instead of a PDF;
    // results, progress, cancel and opening work as for the PDF.
    bool Html = false;
    // Writes the show as an MP4 video (lumeno/export/video_show.h) in `VideoFormat` to `path`
    // instead of a PDF; results, progress, cancel and opening work as for the PDF. PhotoDone
    // counts the photos the encoder has finished.
    bool Video = false;
    TVideoFormat VideoFormat;
    // The HTML slide show starts again after its last photo, endlessly.
    bool Loop = false;
    // The HTML slide show embeds every photo at its own size. Off (the default): a photo
    // larger than kHtmlPhotoWidth x kHtmlPhotoHeight is made to fit it (proportions kept,
    // averaged down, JPEG quality 90), so a long show stays a file a browser can hold; smaller
    // ones are never enlarged. The PDF does not use it.
    bool HtmlFullSize = false;
    // A photo that is a JPEG a PDF viewer shows as it is (baseline or progressive, 8 bits,
    // grey or YCbCr, intact markers) is embedded with its own bytes instead of being decoded
    // and encoded again; one with an EXIF orientation keeps its data too and is turned
    // upright where it is placed (the photo page's matrix, the presentation's and the HTML
    // slide show's transform), so every pixel stays. Every other photo goes the normal way.
    // Off: the file is exactly the default one.
    bool KeepJpeg = false;
    // The words in the user's language for the photo pages' text page and the HTML slide
    // show, from the front end's catalogue. The default file uses none of them.
    TDocumentWords Words;
};

// Writes the PDF of `photos` with `settings` to `path`. Never throws for I/O; a photo that
// cannot be loaded becomes a black 320 x 200 picture and is named in `unreadable`. The file
// is written under a temporary name beside `path` and renamed over it only when complete,
// flushed and forced onto the disk (TAtomicFile, lumeno/core/file.h); on any failure or a
// cancel that name is removed and a file already at `path` stays byte for byte (a `path`
// that exists and is no plain file, such as a device, is written directly). When
// settings.ShowPDF is set and the export succeeded, options.Open (or the system viewer)
// receives ShortFileName(path). May run on any thread; the callbacks then run on it too.
TExportResult ExportSlideShow(const std::vector<TExportPhoto>& photos,
                              const TShowSettings& settings, const std::string& path,
                              const TExportOptions& options = {});

} // namespace lumeno

// The desktop's shared thumbnail cache, as file managers and image viewers keep it:
// 128-pixel PNG files under <root>/normal, named by the MD5 of the photo's file URI
// ("file:///home/a/b.jpg"), carrying the text chunks Thumb::URI and Thumb::MTime (and
// Thumb::Size, Thumb::Image::Width, Thumb::Image::Height). A thumbnail is used only while its
// URI and modification time (and size, when recorded) match the photo file. Photos this
// program could not read are noted under <root>/fail/PDFLumeno-1.0 and not tried again
// until the file changes.
//
// Files are written to a temporary name in the target directory and renamed over the final
// one, with mode 0600; directories this class creates get mode 0700.
//
// Thread safety: the object holds only its root after construction; every method is const
// and may run on any thread at the same time as others.
#pragma once

#include "pictavo.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>

namespace lumeno::ui {

// Largest side of a thumbnail in <root>/normal.
inline constexpr int kNormalThumbSize = 128;

// What the cache checks of a photo file.
struct TFileStamp {
    bool readable = false; // the file exists and may be read
    int64_t mtime = 0;     // modification time, whole seconds since 1970 (UTC)
    int64_t size = 0;      // bytes
};

// Reads the stamp of `path` (the platform's path bytes).
TFileStamp StampOfFile(const std::string& path);

// The size of a thumbnail at most `box` pixels on its longer side for a width x height
// picture, never enlarged beyond the picture and never below 1 x 1. {0, 0} for a picture
// without pixels.
struct TBoxSize {
    int w = 0;
    int h = 0;
};
TBoxSize FitInBox(int width, int height, int box);

// A w x h 24-bit copy of a 24-bit image, each target pixel the average of the source pixels
// it covers. Empty (Bits null) for another depth, an empty source, or w, h below 1.
TDib ReduceAveraged(const TDib& source, int w, int h);

class TThumbnailCache {
  public:
    // A cache whose "thumbnails" directory is `root`; an empty root turns the cache off
    // (nothing is read or written).
    explicit TThumbnailCache(QString root = {});

    // The user's cache: $XDG_CACHE_HOME/thumbnails when that variable is set and not blank,
    // else $HOME/.cache/thumbnails. Off when neither is set, or when LUMENO_THUMBNAIL_CACHE
    // is "0" or "off" (the switch for tests and for users who do not want it).
    static TThumbnailCache FromEnvironment();

    bool Enabled() const { return !Root_.isEmpty(); }
    const QString& Root() const { return Root_; }

    // The absolute, percent-encoded URI of a local file: "file:///home/a/b%20c.jpg".
    static QByteArray FileUri(const std::string& path);
    // <root>/normal/<md5 of uri>.png and <root>/fail/PDFLumeno-1.0/<md5 of uri>.png.
    QString ThumbPath(const QByteArray& uri) const;
    QString FailPath(const QByteArray& uri) const;

    enum class TFound { None, Thumb, Failed };
    // Looks the photo up. Thumb: `thumb` receives the cached picture as a 24-bit image (at
    // most 128 x 128; the caller frees it), fullWidth/fullHeight the photo's size when the
    // thumbnail records it, else 0. Failed: this program noted that the unchanged file cannot
    // be read. None: nothing usable (missing, stale, another file's, damaged, or cache off).
    TFound Find(const std::string& path, const TFileStamp& stamp, TDib* thumb, int* fullWidth,
                int* fullHeight) const;

    // Stores a thumbnail (24 bits, at most 128 x 128) of a photo of fullWidth x fullHeight.
    // Returns false when the cache is off or the file could not be written.
    bool Store(const std::string& path, const TFileStamp& stamp, const TDib& thumb, int fullWidth,
               int fullHeight) const;
    // Notes that the readable photo file could not be turned into a thumbnail.
    bool StoreFailure(const std::string& path, const TFileStamp& stamp) const;

  private:
    QString Root_;
};

} // namespace lumeno::ui

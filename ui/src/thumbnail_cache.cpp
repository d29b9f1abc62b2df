// The shared thumbnail cache: PNG files with text keys, read and written through pictavo, and
// replaced through core's one owner of replacing writes.
#include "thumbnail_cache.h"

#include "lumeno/bitmap/dib_ops.h"
#include "lumeno/core/file.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <cstring>
#include <vector>

namespace lumeno::ui {

namespace {

// This program's own directory for failures, named by program and version.
constexpr const char* kFailDir = "fail/PDFLumeno-1.0";
// A thumbnail file is a few kilobytes; anything much larger is not one of ours to trust.
constexpr qint64 kMaxThumbFileBytes = 4 << 20;

QString LocalPath(const std::string& path) {
    return QFile::decodeName(QByteArray(path.data(), qsizetype(path.size())));
}

// --- Reading -----------------------------------------------------------------------------

// A decoded thumbnail file: a 24-bit picture (transparency on white) and its text chunks.
struct PngPicture {
    ScopedDib picture;
    QByteArray uri, mtime, size, imageWidth, imageHeight;
};

void TakeKey(void* context, const char* key, const char* value, size_t valueSize) {
    auto* p = static_cast<PngPicture*>(context);
    const QByteArray v(value, qsizetype(valueSize));
    if (std::strcmp(key, "Thumb::URI") == 0)
        p->uri = v;
    else if (std::strcmp(key, "Thumb::MTime") == 0)
        p->mtime = v;
    else if (std::strcmp(key, "Thumb::Size") == 0)
        p->size = v;
    else if (std::strcmp(key, "Thumb::Image::Width") == 0)
        p->imageWidth = v;
    else if (std::strcmp(key, "Thumb::Image::Height") == 0)
        p->imageHeight = v;
}

bool ReadPngFile(const QString& file, PngPicture& out) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxThumbFileBytes) return false;
    const QByteArray bytes = f.readAll();
    // A thumbnail in "normal" is never larger than 128 x 128.
    return OpenPngWithText(out.picture.get(), reinterpret_cast<const uint8_t*>(bytes.constData()),
                           size_t(bytes.size()), kNormalThumbSize, TakeKey, &out) == 1;
}

// A whole decimal number, nothing else; -1 when the text is not one.
int64_t ParseNumber(const QByteArray& text) {
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok);
    return ok && v >= 0 ? v : -1;
}

// The entry belongs to this file as it is now: same URI, same modification time, and the
// same size when the entry records one.
bool Matches(const PngPicture& p, const QByteArray& uri, const TFileStamp& stamp) {
    if (p.uri != uri || p.mtime.isEmpty() || ParseNumber(p.mtime) != stamp.mtime) return false;
    return p.size.isEmpty() || ParseNumber(p.size) == stamp.size;
}

// --- Writing -----------------------------------------------------------------------------

struct TextEntry {
    std::string key;
    std::string value;
};

// The fastest deflate level with the adaptive row filters: a third of the time of the default
// level for a file about a tenth larger (the thumbnail is made while the user waits).
bool EncodePng(const TDib& picture, const std::vector<TextEntry>& entries,
               std::vector<uint8_t>& out) {
    std::vector<TPngText> text;
    text.reserve(entries.size());
    for (const TextEntry& e : entries)
        text.push_back({e.key.c_str(), e.value.data(), e.value.size()});
    TPngData png;
    if (SavePngWithText(&picture, text.data(), int(text.size()), 1, &png) != 1) return false;
    out.assign(png.Data, png.Data + png.Size);
    FreePngData(&png);
    return true;
}

// Creates the missing directories of `sub` below the cache root; those made here get 0700.
bool MakePrivateDirs(const QString& root, const QString& sub) {
    const QFileInfo rootInfo(root);
    if (!rootInfo.exists() && !QDir().mkpath(QFileInfo(root).absolutePath())) return false;
    QString path = root;
    QStringList parts = sub.split(QLatin1Char('/'));
    parts.prepend(QString());
    for (const QString& part : parts) {
        if (!part.isEmpty()) path += QLatin1Char('/') + part;
        if (QFileInfo::exists(path)) continue;
        if (!QDir().mkdir(path)) return QFileInfo(path).isDir(); // another program was faster
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ExeOwner);
    }
    return true;
}

// Writes the PNG under a temporary name beside `file` and renames it over `file`: other
// programs find the old thumbnail or the new one, never part of one. Readable by the owner
// only: the thumbnail shows what the photo shows. Not forced onto the disk: after a crash a
// lost or broken thumbnail is only made again, while a forced write per thumbnail would keep
// the workers waiting on the disk.
bool WriteAtomically(const QString& file, const std::vector<uint8_t>& bytes) {
    TAtomicFile out;
    if (out.Begin(QFile::encodeName(file).toStdString(), {.Sync = false, .OwnerOnly = true}) != 0)
        return false;
    return out.File().Write(bytes.data(), bytes.size()) == 0 && out.Commit() == 0;
}

bool StorePng(const QString& root, const QString& sub, const QString& file, const TDib& picture,
              const std::vector<TextEntry>& entries) {
    std::vector<uint8_t> bytes;
    if (!EncodePng(picture, entries, bytes)) return false;
    if (!MakePrivateDirs(root, sub)) return false;
    return WriteAtomically(file, bytes);
}

std::vector<TextEntry> RequiredKeys(const std::string& path, const TFileStamp& stamp) {
    return {{"Thumb::URI", TThumbnailCache::FileUri(path).toStdString()},
            {"Thumb::MTime", std::to_string(stamp.mtime)},
            {"Thumb::Size", std::to_string(stamp.size)},
            {"Software", "PDF Lumeno"}};
}

QString HashName(const QByteArray& uri) {
    return QString::fromLatin1(QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex()) +
           QStringLiteral(".png");
}

} // namespace

TFileStamp StampOfFile(const std::string& path) {
    TFileStamp s;
    const QFileInfo fi(LocalPath(path));
    if (!fi.isFile() || !fi.isReadable()) return s;
    s.readable = true;
    s.mtime = fi.lastModified().toSecsSinceEpoch();
    s.size = fi.size();
    return s;
}

TBoxSize FitInBox(int width, int height, int box) {
    if (width < 1 || height < 1) return {};
    if (width <= box && height <= box) return {width, height};
    TBoxSize s;
    if (width >= height) {
        s.w = box;
        s.h = int(int64_t(height) * box / width);
    } else {
        s.h = box;
        s.w = int(int64_t(width) * box / height);
    }
    s.w = std::max(1, s.w);
    s.h = std::max(1, s.h);
    return s;
}

TDib ReduceAveraged(const TDib& source, int w, int h) {
    TDib out{};
    const int W = DibWidth(source), H = DibHeight(source);
    if (!source.Bits || DibBitCount(source) != 24 || w < 1 || h < 1 || W < 1 || H < 1) return out;
    if (newdib(&out, w, h, 24, nullptr, 0) != 1) return TDib{};
    // Source columns [x0, x1) of every target column, computed once.
    std::vector<int> colStart(size_t(w) + 1);
    for (int x = 0; x <= w; ++x)
        colStart[size_t(x)] = int(int64_t(x) * W / w);
    std::vector<uint32_t> sums(size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        const int y0 = int(int64_t(y) * H / h);
        const int y1 = std::max(y0 + 1, int(int64_t(y + 1) * H / h));
        std::fill(sums.begin(), sums.end(), 0u);
        for (int sy = y0; sy < y1; ++sy) {
            const uint8_t* row = source.Bits + ptrdiff_t(sy) * source.RowBytes;
            for (int x = 0; x < w; ++x) {
                const int x0 = colStart[size_t(x)];
                const int x1 = std::max(x0 + 1, colStart[size_t(x) + 1]);
                uint32_t* s = &sums[size_t(x) * 3];
                for (int sx = x0; sx < x1; ++sx) {
                    s[0] += row[3 * sx];
                    s[1] += row[3 * sx + 1];
                    s[2] += row[3 * sx + 2];
                }
            }
        }
        uint8_t* dst = out.Bits + ptrdiff_t(y) * out.RowBytes;
        for (int x = 0; x < w; ++x) {
            const int x0 = colStart[size_t(x)];
            const uint32_t n =
                uint32_t(std::max(x0 + 1, colStart[size_t(x) + 1]) - x0) * uint32_t(y1 - y0);
            for (int c = 0; c < 3; ++c)
                dst[3 * x + c] = uint8_t((sums[size_t(x) * 3 + size_t(c)] + n / 2) / n);
        }
    }
    return out;
}

TThumbnailCache::TThumbnailCache(QString root) : Root_(std::move(root)) {}

TThumbnailCache TThumbnailCache::FromEnvironment() {
    const QByteArray sw = qgetenv("LUMENO_THUMBNAIL_CACHE").trimmed().toLower();
    if (sw == "0" || sw == "off") return TThumbnailCache();
    const QByteArray xdg = qgetenv("XDG_CACHE_HOME").trimmed();
    if (!xdg.isEmpty())
        return TThumbnailCache(QFile::decodeName(xdg) + QStringLiteral("/thumbnails"));
    const QByteArray home = qgetenv("HOME").trimmed();
    if (!home.isEmpty())
        return TThumbnailCache(QFile::decodeName(home) + QStringLiteral("/.cache/thumbnails"));
    return TThumbnailCache();
}

QByteArray TThumbnailCache::FileUri(const std::string& path) {
    return QUrl::fromLocalFile(QFileInfo(LocalPath(path)).absoluteFilePath()).toEncoded();
}

QString TThumbnailCache::ThumbPath(const QByteArray& uri) const {
    return Root_ + QStringLiteral("/normal/") + HashName(uri);
}

QString TThumbnailCache::FailPath(const QByteArray& uri) const {
    return Root_ + QLatin1Char('/') + QLatin1String(kFailDir) + QLatin1Char('/') + HashName(uri);
}

TThumbnailCache::TFound TThumbnailCache::Find(const std::string& path, const TFileStamp& stamp,
                                              TDib* thumb, int* fullWidth, int* fullHeight) const {
    *thumb = TDib{};
    *fullWidth = *fullHeight = 0;
    // A file that cannot be read gets nothing from the cache, so its picture cannot leak.
    if (!Enabled() || !stamp.readable) return TFound::None;
    const QByteArray uri = FileUri(path);
    PngPicture p;
    if (ReadPngFile(ThumbPath(uri), p) && Matches(p, uri, stamp)) {
        *thumb = p.picture.release();
        const int64_t iw = ParseNumber(p.imageWidth), ih = ParseNumber(p.imageHeight);
        if (iw > 0 && ih > 0 && iw <= INT32_MAX && ih <= INT32_MAX) {
            *fullWidth = int(iw);
            *fullHeight = int(ih);
        }
        return TFound::Thumb;
    }
    PngPicture f;
    if (ReadPngFile(FailPath(uri), f) && Matches(f, uri, stamp)) return TFound::Failed;
    return TFound::None;
}

bool TThumbnailCache::Store(const std::string& path, const TFileStamp& stamp, const TDib& thumb,
                            int fullWidth, int fullHeight) const {
    const int w = DibWidth(thumb), h = DibHeight(thumb);
    if (!Enabled() || !stamp.readable || !thumb.Bits || DibBitCount(thumb) != 24 || w < 1 ||
        h < 1 || w > kNormalThumbSize || h > kNormalThumbSize)
        return false;
    std::vector<TextEntry> keys = RequiredKeys(path, stamp);
    if (fullWidth > 0 && fullHeight > 0) {
        keys.push_back({"Thumb::Image::Width", std::to_string(fullWidth)});
        keys.push_back({"Thumb::Image::Height", std::to_string(fullHeight)});
    }
    return StorePng(Root_, QStringLiteral("normal"), ThumbPath(FileUri(path)), thumb, keys);
}

bool TThumbnailCache::StoreFailure(const std::string& path, const TFileStamp& stamp) const {
    if (!Enabled() || !stamp.readable) return false;
    std::vector<TextEntry> keys = RequiredKeys(path, stamp);
    // An empty picture: one white pixel carrying the keys.
    ScopedDib white;
    if (newdib(white.get(), 1, 1, 24, nullptr, 0) != 1) return false;
    setpixel(white.get(), 0, 0, 0xFFFFFF);
    return StorePng(Root_, QLatin1String(kFailDir), FailPath(FileUri(path)), *white.get(), keys);
}

} // namespace lumeno::ui

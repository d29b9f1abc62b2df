// The shared thumbnail cache: PNG files read and written with libpng. libpng reports errors
// by longjmp: every call into it happens inside a small function below that sets the jump
// target and whose locals need no destructors; the libpng structures live in RAII owners.
#include "thumbnail_cache.h"

#include "lumeno/bitmap/dib_ops.h"
#include "lumeno/core/file.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QUrl>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <vector>

#include <png.h>

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

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > r->size - r->pos) png_error(png, "read past end");
    std::memcpy(out, r->data + r->pos, length);
    r->pos += length;
}

void OnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void OnWarning(png_structp, png_const_charp) {}

class PngReadOwner {
  public:
    PngReadOwner() {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
        if (png) info = png_create_info_struct(png);
    }
    ~PngReadOwner() {
        png_destroy_read_struct(png ? &png : nullptr, info ? &info : nullptr, nullptr);
    }
    PngReadOwner(const PngReadOwner&) = delete;
    PngReadOwner& operator=(const PngReadOwner&) = delete;
    png_structp png = nullptr;
    png_infop info = nullptr;
};

// A decoded thumbnail file: pixels as rows of red, green, blue (and alpha when channels is
// 4), top row first, and its text chunks.
struct PngPicture {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<uint8_t> pixels;
    QByteArray uri, mtime, size, imageWidth, imageHeight;
};

// Header and transformations; sizes out. Locals need no destructors.
bool ReadPngHeader(PngReadOwner& r, MemoryReader& source, png_uint_32* w, png_uint_32* h,
                   int* channels) {
    if (setjmp(png_jmpbuf(r.png))) return false;
    png_set_read_fn(r.png, &source, ReadFromMemory);
    // A thumbnail in "normal" is never larger than 128 x 128.
    png_set_user_limits(r.png, kNormalThumbSize, kNormalThumbSize);
    png_set_chunk_malloc_max(r.png, 1u << 20);
    png_read_info(r.png, r.info);
    png_set_expand(r.png);
    png_set_strip_16(r.png);
    png_set_gray_to_rgb(r.png);
    png_set_interlace_handling(r.png);
    png_read_update_info(r.png, r.info);
    *w = png_get_image_width(r.png, r.info);
    *h = png_get_image_height(r.png, r.info);
    *channels = png_get_channels(r.png, r.info);
    return true;
}

bool ReadPngRows(PngReadOwner& r, png_bytepp rows) {
    if (setjmp(png_jmpbuf(r.png))) return false;
    png_read_image(r.png, rows);
    // Text chunks may also follow the pixels.
    png_read_end(r.png, r.info);
    return true;
}

bool DecodePng(const QByteArray& bytes, PngPicture& out) {
    PngReadOwner r;
    if (!r.png || !r.info) return false;
    MemoryReader source{reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()),
                        0};
    png_uint_32 w = 0, h = 0;
    int channels = 0;
    if (!ReadPngHeader(r, source, &w, &h, &channels)) return false;
    if (w < 1 || h < 1 || (channels != 3 && channels != 4)) return false;
    out.width = int(w);
    out.height = int(h);
    out.channels = channels;
    const size_t rowBytes = size_t(w) * size_t(channels);
    out.pixels.assign(rowBytes * h, 0);
    std::vector<png_bytep> rows(h);
    for (png_uint_32 y = 0; y < h; ++y)
        rows[y] = out.pixels.data() + rowBytes * y;
    if (!ReadPngRows(r, rows.data())) return false;
    png_textp text = nullptr;
    int count = 0;
    png_get_text(r.png, r.info, &text, &count);
    for (int i = 0; i < count; ++i) {
        const QByteArray key(text[i].key);
        const QByteArray value(text[i].text, qsizetype(text[i].text_length));
        if (key == "Thumb::URI")
            out.uri = value;
        else if (key == "Thumb::MTime")
            out.mtime = value;
        else if (key == "Thumb::Size")
            out.size = value;
        else if (key == "Thumb::Image::Width")
            out.imageWidth = value;
        else if (key == "Thumb::Image::Height")
            out.imageHeight = value;
    }
    return true;
}

bool ReadPngFile(const QString& file, PngPicture& out) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxThumbFileBytes) return false;
    return DecodePng(f.readAll(), out);
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

void WriteToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void FlushNothing(png_structp) {}

class PngWriteOwner {
  public:
    PngWriteOwner() {
        png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
        if (png) info = png_create_info_struct(png);
    }
    ~PngWriteOwner() { png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr); }
    PngWriteOwner(const PngWriteOwner&) = delete;
    PngWriteOwner& operator=(const PngWriteOwner&) = delete;
    png_structp png = nullptr;
    png_infop info = nullptr;
};

// Rows of blue, green, red, stored bottom row first (a 24-bit TDib's layout).
struct BgrRows {
    const uint8_t* bits;
    int rowBytes;
    int width;
    int height;
};

bool WritePngBody(PngWriteOwner& w, std::vector<uint8_t>* out, const BgrRows& rows, png_textp text,
                  int textCount) {
    if (setjmp(png_jmpbuf(w.png))) return false;
    png_set_write_fn(w.png, out, WriteToVector, FlushNothing);
    png_set_IHDR(w.png, w.info, png_uint_32(rows.width), png_uint_32(rows.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    // The fastest deflate level with the adaptive row filters: a third of the time of the
    // default level for a file about a tenth larger (the thumbnail is made while the user waits).
    png_set_compression_level(w.png, 1);
    png_set_text(w.png, w.info, text, textCount);
    png_write_info(w.png, w.info);
    png_set_bgr(w.png);
    for (int y = 0; y < rows.height; ++y) {
        const uint8_t* row = rows.bits + ptrdiff_t(rows.height - 1 - y) * rows.rowBytes;
        png_write_row(w.png, const_cast<png_bytep>(row));
    }
    png_write_end(w.png, nullptr);
    return true;
}

struct TextEntry {
    std::string key;
    std::string value;
};

bool EncodePng(const BgrRows& rows, std::vector<TextEntry>& entries, std::vector<uint8_t>& out) {
    PngWriteOwner w;
    if (!w.png || !w.info) return false;
    std::vector<png_text> text(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        text[i] = png_text{};
        text[i].compression = PNG_TEXT_COMPRESSION_NONE;
        text[i].key = entries[i].key.data();
        text[i].text = entries[i].value.data();
        text[i].text_length = entries[i].value.size();
    }
    out.reserve(size_t(rows.width) * size_t(rows.height) * 3 + 1024);
    return WritePngBody(w, &out, rows, text.data(), int(text.size()));
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
// programs find the old thumbnail or the new one, never part of one. Not forced onto the
// disk: after a crash a lost or broken thumbnail is only made again, while a forced write
// per thumbnail would keep the workers waiting on the disk.
bool WriteAtomically(const QString& file, const std::vector<uint8_t>& bytes) {
    // Created readable by the owner only, before any byte is written: the thumbnail shows
    // what the photo shows.
    QTemporaryFile f(file + QStringLiteral(".XXXXXX"));
    if (!f.open()) return false;
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) !=
            qint64(bytes.size()) ||
        !f.flush())
        return false;
    f.close();
    if (!ReplaceFile(QFile::encodeName(f.fileName()).toStdString(),
                     QFile::encodeName(file).toStdString()))
        return false;
    f.setAutoRemove(false); // its name is gone
    return true;
}

bool StorePng(const QString& root, const QString& sub, const QString& file, const BgrRows& rows,
              std::vector<TextEntry>& entries) {
    std::vector<uint8_t> bytes;
    if (!EncodePng(rows, entries, bytes)) return false;
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
        if (newdib(thumb, p.width, p.height, 24, nullptr, 0) != 1) return TFound::None;
        for (int y = 0; y < p.height; ++y) {
            const uint8_t* src = p.pixels.data() + size_t(y) * size_t(p.width) * size_t(p.channels);
            uint8_t* dst = thumb->Bits + ptrdiff_t(p.height - 1 - y) * thumb->RowBytes;
            for (int x = 0; x < p.width; ++x, src += p.channels) {
                // Transparent parts are shown on white, as the photo loader does.
                const unsigned a = p.channels == 4 ? src[3] : 255u;
                for (int c = 0; c < 3; ++c)
                    dst[3 * x + 2 - c] = uint8_t((src[c] * a + 255u * (255u - a) + 127u) / 255u);
            }
        }
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
    const BgrRows rows{thumb.Bits, thumb.RowBytes, w, h};
    return StorePng(Root_, QStringLiteral("normal"), ThumbPath(FileUri(path)), rows, keys);
}

bool TThumbnailCache::StoreFailure(const std::string& path, const TFileStamp& stamp) const {
    if (!Enabled() || !stamp.readable) return false;
    std::vector<TextEntry> keys = RequiredKeys(path, stamp);
    // An empty picture: one white pixel carrying the keys.
    const uint8_t white[4] = {255, 255, 255, 0};
    const BgrRows rows{white, 4, 1, 1};
    return StorePng(Root_, QLatin1String(kFailDir), FailPath(FileUri(path)), rows, keys);
}

} // namespace lumeno::ui

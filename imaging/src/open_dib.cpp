// The library's entry points: reading a file, recognising its format by its first bytes,
// handing it to the decoder, turning the result upright, and writing JPEG files.
#include "codecs.h"
#include "file_io.h"
#include "lumeno/core/file.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace pictavo_internal;

namespace {

std::atomic<int> g_jpegQuality{75};

enum class Format { Unknown, Jpeg, Png, Bmp, Gif, Tiff, Webp, Heif };

Format Sniff(const uint8_t* d, size_t n) {
    auto starts = [&](const char* magic, size_t len, size_t at = 0) {
        return n >= at + len && std::memcmp(d + at, magic, len) == 0;
    };
    if (starts("\xFF\xD8\xFF", 3)) return Format::Jpeg;
    if (starts("\x89PNG\r\n\x1A\n", 8)) return Format::Png;
    if (starts("BM", 2)) return Format::Bmp;
    if (starts("GIF87a", 6) || starts("GIF89a", 6)) return Format::Gif;
    if (starts("II*\0", 4) || starts("MM\0*", 4)) return Format::Tiff;
    if (starts("RIFF", 4) && starts("WEBP", 4, 8)) return Format::Webp;
    if (starts("ftyp", 4, 4)) return Format::Heif;
    return Format::Unknown;
}

LoadResult Decode(const LoadRequest& request, TDib* out) {
    switch (Sniff(request.data, request.size)) {
    case Format::Jpeg:
        return LoadJpeg(request, out);
    case Format::Png:
        return LoadPng(request, out);
    case Format::Bmp:
        return LoadBmp(request, out);
    case Format::Gif:
        return LoadGif(request, out);
    case Format::Tiff:
        return LoadTiff(request, out);
    case Format::Webp:
        return LoadWebp(request, out);
    case Format::Heif:
        return LoadHeif(request, out);
    case Format::Unknown:
        break;
    }
    return LoadResult{};
}

// Decodes, turns upright and reports the upright full size; the out record is empty on
// failure.
int LoadMemory(TDib* out, const uint8_t* data, size_t size, int minWidth, int minHeight,
               int* fullWidth, int* fullHeight, TDibLoadOwner* owner) {
    if (fullWidth) *fullWidth = 0;
    if (fullHeight) *fullHeight = 0;
    if (!out) return 0;
    *out = TDib{};
    Progress progress(owner);
    progress.Report(0);
    LoadRequest request;
    request.data = data;
    request.size = size;
    request.minWidth = minWidth;
    request.minHeight = minHeight;
    request.progress = &progress;
    const LoadResult result = data ? Decode(request, out) : LoadResult{};
    if (result.status == LoadStatus::Failed || !out->Bits) {
        deldib(out);
        progress.Finish();
        return 0;
    }
    // Without memory for the turned copy the picture is kept as stored: shown sideways is
    // better than not shown.
    const bool turned = ApplyOrientation(out, result.orientation);
    const bool swap = turned && SwapsAxes(result.orientation);
    if (fullWidth) *fullWidth = swap ? result.fullHeight : result.fullWidth;
    if (fullHeight) *fullHeight = swap ? result.fullWidth : result.fullHeight;
    progress.Finish();
    return 1;
}

int LoadFile(TDib* out, const char* fileName, int minWidth, int minHeight, int* fullWidth,
             int* fullHeight, TDibLoadOwner* owner) {
    LargeBuffer bytes;
    size_t size = 0;
    if (!fileName || !ReadWholeFile(fileName, bytes, size)) {
        if (out) *out = TDib{};
        if (fullWidth) *fullWidth = 0;
        if (fullHeight) *fullHeight = 0;
        if (owner) owner->DibLoadProgress(100);
        return 0;
    }
    return LoadMemory(out, bytes.data(), size, minWidth, minHeight, fullWidth, fullHeight, owner);
}

} // namespace

PICTAVO_API int OpenDib(TDib* out, const char* fileName, int /*mode*/, TDibLoadOwner* owner) {
    return LoadFile(out, fileName, 0, 0, nullptr, nullptr, owner);
}

PICTAVO_API int IsDibFormat(const uint8_t* data, size_t size) {
    return data && Sniff(data, size) != Format::Unknown ? 1 : 0;
}

PICTAVO_API int OpenDibMemory(TDib* out, const uint8_t* data, size_t size, TDibLoadOwner* owner) {
    return LoadMemory(out, data, size, 0, 0, nullptr, nullptr, owner);
}

PICTAVO_API int RecodeJpegFile(const char* sourceName, const char* fileName, int* width,
                               int* height, TDibLoadOwner* owner) {
    if (!sourceName || !fileName || !width || !height) return 0;
    {
        // Other formats are told by their first bytes, before the whole file is read.
        uint8_t head[3];
        lumeno::TFile file = lumeno::OpenFile(sourceName, lumeno::TFileMode::kRead);
        if (!file || std::fread(head, 1, sizeof head, file.get()) != sizeof head ||
            Sniff(head, sizeof head) != Format::Jpeg)
            return 0;
    }
    LargeBuffer bytes;
    size_t size = 0;
    if (!ReadWholeFile(sourceName, bytes, size)) return 0;
    Progress progress(owner);
    progress.Report(0);
    LoadRequest request;
    request.data = bytes.data();
    request.size = size;
    request.progress = &progress;
    if (!RecodeJpeg(request, fileName, g_jpegQuality.load(std::memory_order_relaxed), width,
                    height))
        return 0;
    progress.Finish();
    return 1;
}

PICTAVO_API int OpenDibReduced(TDib* out, const char* fileName, int minWidth, int minHeight,
                               int* fullWidth, int* fullHeight, TDibLoadOwner* owner) {
    if (minWidth < 1) minWidth = 1;
    if (minHeight < 1) minHeight = 1;
    return LoadFile(out, fileName, minWidth, minHeight, fullWidth, fullHeight, owner);
}

PICTAVO_API int SaveDib(const TDib* image, const char* fileName, int format, int /*option*/) {
    if (!image || !image->Bits || !image->Info || !fileName) return 0;
    if (format != 7) return 0;
    return SaveJpeg(image, fileName, g_jpegQuality.load(std::memory_order_relaxed)) ? 1 : 0;
}

PICTAVO_API void SetJPEGQual(int quality) {
    if (quality < 1) quality = 1;
    if (quality > 100) quality = 100;
    g_jpegQuality.store(quality, std::memory_order_relaxed);
}

namespace {

const TDibOpenFormat kOpenFormats[] = {
    {TDibOpenKind::AllPictures, "Pictures",
     "*.jpg;*.jpeg;*.jpe;*.jfif;*.png;*.bmp;*.dib;*.gif;*.tif;*.tiff;*.webp;*.heic;*.heif;*.hif"},
    {TDibOpenKind::Jpeg, "JPEG", "*.jpg;*.jpeg;*.jpe;*.jfif"},
    {TDibOpenKind::Png, "PNG", "*.png"},
    {TDibOpenKind::Bmp, "BMP", "*.bmp;*.dib"},
    {TDibOpenKind::Gif, "GIF", "*.gif"},
    {TDibOpenKind::Tiff, "TIFF", "*.tif;*.tiff"},
    {TDibOpenKind::WebP, "WebP", "*.webp"},
    {TDibOpenKind::Heif, "HEIC/HEIF", "*.heic;*.heif;*.hif"},
    {TDibOpenKind::AllFiles, "All files", "*.*"},
};

} // namespace

PICTAVO_API const TDibOpenFormat* GetDIBOpenFormats(size_t* count) {
    if (count) *count = sizeof kOpenFormats / sizeof kOpenFormats[0];
    return kOpenFormats;
}

PICTAVO_API const char* GetDIBOpenFilter() {
    static const std::string filter = [] {
        std::string out;
        for (const TDibOpenFormat& f : kOpenFormats) {
            if (!out.empty()) out += '|';
            out += f.Name;
            out += '|';
            out += f.Patterns;
        }
        return out;
    }();
    return filter.c_str();
}

// GIF reading with giflib: the first frame, its palette kept (8-bit palette image); the
// transparent colour becomes white. giflib reports errors by return codes.
#include "codecs.h"

#include <cstring>
#include <memory>
#include <vector>

#include <gif_lib.h>

namespace pictavo_internal {

namespace {

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int length) {
    auto* r = static_cast<MemoryReader*>(gif->UserData);
    if (length < 0) return 0;
    size_t n = static_cast<size_t>(length);
    if (n > r->size - r->pos) n = r->size - r->pos;
    std::memcpy(out, r->data + r->pos, n);
    r->pos += n;
    return static_cast<int>(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        if (gif) DGifCloseFile(gif, &error);
    }
};
using GifOwner = std::unique_ptr<GifFileType, GifCloser>;

// Skips one extension, noting the transparent colour of a graphic control extension.
bool ReadExtension(GifFileType* gif, int& transparent) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
    if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4 && (block[1] & 1))
        transparent = block[4];
    while (block) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
    }
    return true;
}

} // namespace

LoadResult LoadGif(const LoadRequest& request, TDib* out) {
    LoadResult result;
    MemoryReader source{request.data, request.size, 0};
    int error = 0;
    GifOwner gif(DGifOpen(&source, ReadFromMemory, &error));
    if (!gif) return result;
    int transparent = -1;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) return result;
        if (type == TERMINATE_RECORD_TYPE) return result; // no picture at all
        if (type == EXTENSION_RECORD_TYPE) {
            if (!ReadExtension(gif.get(), transparent)) return result;
            continue;
        }
        if (type == IMAGE_DESC_RECORD_TYPE) break;
    }
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return result;
    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!map || !map->Colors || map->ColorCount <= 0 || frame.Width <= 0 || frame.Height <= 0)
        return result;

    // The picture is the logical screen with the first frame on it; a screen that cannot
    // hold the frame (or is absurd) gives way to the frame alone.
    int width = gif->SWidth, height = gif->SHeight;
    int left = frame.Left, top = frame.Top;
    if (width <= 0 || height <= 0 || !SizeAllowed(width, height, 8) ||
        static_cast<int64_t>(left) + frame.Width > width ||
        static_cast<int64_t>(top) + frame.Height > height) {
        width = frame.Width;
        height = frame.Height;
        left = top = 0;
    }
    if (!SizeAllowed(width, height, 8)) return result;
    result.fullWidth = width;
    result.fullHeight = height;
    if (!newdib(out, width, height, 8, nullptr, 0)) return result;
    const int colours = map->ColorCount > 256 ? 256 : map->ColorCount;
    for (int i = 0; i < colours; ++i)
        SetColour(out, i, map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);
    out->Info->biClrUsed = static_cast<uint32_t>(colours);
    if (transparent >= 0) SetColour(out, transparent, 255, 255, 255);
    const int fill = transparent >= 0 ? transparent : gif->SBackGroundColor & 0xFF;
    if (fill != 0) std::memset(out->Bits, fill, static_cast<size_t>(out->RowBytes) * height);

    std::vector<GifPixelType> line(static_cast<size_t>(frame.Width));
    static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    const int passes = frame.Interlace ? 4 : 1;
    int done = 0;
    bool whole = true;
    for (int pass = 0; pass < passes && whole; ++pass) {
        const int start = frame.Interlace ? kStart[pass] : 0;
        const int step = frame.Interlace ? kStep[pass] : 1;
        for (int y = start; y < frame.Height; y += step) {
            if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR) {
                whole = false;
                break;
            }
            std::memcpy(RowFromTop(out, top + y) + left, line.data(), line.size());
            request.progress->Step(++done, frame.Height);
        }
    }
    if (done == 0) {
        deldib(out);
        return result;
    }
    result.status = whole ? LoadStatus::Complete : LoadStatus::Partial;
    return result;
}

} // namespace pictavo_internal

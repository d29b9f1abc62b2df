// PNG reading with libpng, and PNG files with text keys (the thumbnail cache's) in both
// directions. libpng reports errors by longjmp: every call into it happens
// inside a small function below that sets the jump target and whose locals need no
// destructors; the read structures live in an RAII owner.
//
// Palette pictures stay 8-bit palette images (transparent entries composited onto white);
// grey pictures become 8-bit grey palette images; everything else becomes 24 bits, alpha
// composited onto white. 16-bit samples are reduced to 8 bits.
#include "codecs.h"
#include "colour.h"

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <png.h>

namespace pictavo_internal {

namespace {

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

class PngReader {
  public:
    PngReader() {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
        if (png) info = png_create_info_struct(png);
    }
    ~PngReader() { png_destroy_read_struct(png ? &png : nullptr, info ? &info : nullptr, nullptr); }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    png_structp png = nullptr;
    png_infop info = nullptr;
};

enum class Kind { Palette, Grey, Colour };

struct Header {
    png_uint_32 width, height;
    int bitDepth, colourType, interlace;
    int channels; // after the transformations
    int passes;
    // Palette pictures: colours and their alpha.
    png_colorp palette;
    int paletteSize;
    png_bytep alphas;
    int alphaCount;
};

// False when a chunk before the picture data claims more bytes than the file holds: such a
// file cannot be read, and libpng would first allocate what the chunk claims (up to 2 GB).
bool ChunksBeforeDataFit(const MemoryReader& source) {
    uint64_t at = 8;
    while (at + 8 <= source.size) {
        const uint8_t* chunk = source.data + at;
        const uint64_t length = (uint64_t{chunk[0]} << 24) | (uint64_t{chunk[1]} << 16) |
                                (uint64_t{chunk[2]} << 8) | chunk[3];
        if (std::memcmp(chunk + 4, "IDAT", 4) == 0 || std::memcmp(chunk + 4, "IEND", 4) == 0)
            return true;
        if (at + 12 + length > source.size) return false;
        at += 12 + length;
    }
    return true;
}

bool ReadInfo(PngReader& r, MemoryReader& source, Header& h) {
    if (!ChunksBeforeDataFit(source)) return false;
    if (setjmp(png_jmpbuf(r.png))) return false;
    png_set_read_fn(r.png, &source, ReadFromMemory);
    png_set_user_limits(r.png, 1u << 20, 1u << 20);
    png_set_chunk_malloc_max(r.png, 64u << 20);
    png_read_info(r.png, r.info);
    png_get_IHDR(r.png, r.info, &h.width, &h.height, &h.bitDepth, &h.colourType, &h.interlace,
                 nullptr, nullptr);
    h.palette = nullptr;
    h.paletteSize = 0;
    h.alphas = nullptr;
    h.alphaCount = 0;
    if (h.colourType == PNG_COLOR_TYPE_PALETTE) {
        png_get_PLTE(r.png, r.info, &h.palette, &h.paletteSize);
        if (png_get_valid(r.png, r.info, PNG_INFO_tRNS))
            png_get_tRNS(r.png, r.info, &h.alphas, &h.alphaCount, nullptr);
        png_set_packing(r.png); // one byte per index
    } else {
        // Low-depth grey to 8 bits, a tRNS colour to an alpha channel.
        png_set_expand(r.png);
        png_set_scale_16(r.png);
    }
    png_set_bgr(r.png);
    h.passes = png_set_interlace_handling(r.png);
    png_read_update_info(r.png, r.info);
    h.channels = png_get_channels(r.png, r.info);
    return true;
}

struct RowState {
    Kind kind;
    int channels;
    uint8_t* buffer; // whole picture (interlaced) or one row, as libpng delivers it
    size_t bufferRowBytes;
    bool interlaced;
    int passes;
    int rowsDone; // rows (of all passes) delivered
    Progress* progress;
    TDib* dib;
};

void StoreRow(RowState& s, const uint8_t* src, int y) {
    uint8_t* dst = RowFromTop(s.dib, y);
    const int width = s.dib->Info->biWidth;
    switch (s.channels) {
    case 1: // palette index or grey
        std::memcpy(dst, src, static_cast<size_t>(width));
        break;
    case 2: // grey, alpha
        for (int x = 0; x < width; ++x)
            dst[x] = OnWhite(src[2 * x], src[2 * x + 1]);
        break;
    case 3:
        std::memcpy(dst, src, static_cast<size_t>(width) * 3);
        break;
    case 4: // blue, green, red, alpha
        for (int x = 0; x < width; ++x) {
            const unsigned a = src[4 * x + 3];
            dst[3 * x] = OnWhite(src[4 * x], a);
            dst[3 * x + 1] = OnWhite(src[4 * x + 1], a);
            dst[3 * x + 2] = OnWhite(src[4 * x + 2], a);
        }
        break;
    default:
        break;
    }
}

bool ReadRows(PngReader& r, RowState& s) {
    if (setjmp(png_jmpbuf(r.png))) return false;
    const int height = s.dib->Info->biHeight;
    const int64_t total = static_cast<int64_t>(height) * s.passes;
    for (int pass = 0; pass < s.passes; ++pass) {
        for (int y = 0; y < height; ++y) {
            uint8_t* row =
                s.interlaced ? s.buffer + static_cast<size_t>(y) * s.bufferRowBytes : s.buffer;
            png_read_row(r.png, row, nullptr);
            if (!s.interlaced) StoreRow(s, row, y);
            ++s.rowsDone;
            s.progress->Step(s.rowsDone, total);
        }
    }
    return true;
}

// The picture's colour description (libpng has read the chunks before the picture data): an
// iCCP profile; none for an sRGB chunk; else a profile built from cHRM and gAMA. A gAMA of
// about 1/2.2 without cHRM, or with sRGB's chromaticities, is what writers put into every
// sRGB picture and stays as it is.
std::vector<uint8_t> ColourChunks(PngReader& r) {
    png_charp name = nullptr;
    int compression = 0;
    png_bytep icc = nullptr;
    png_uint_32 iccSize = 0;
    if (png_get_iCCP(r.png, r.info, &name, &compression, &icc, &iccSize) && icc && iccSize > 0)
        return std::vector<uint8_t>(icc, icc + iccSize);
    if (png_get_valid(r.png, r.info, PNG_INFO_sRGB)) return {};
    double gamma = 0.0;
    const bool hasGamma = png_get_gAMA(r.png, r.info, &gamma) && gamma > 0.0;
    double xy[8] = {0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06}; // sRGB's
    bool srgbPrimaries = true;
    double c[8];
    if (png_get_cHRM(r.png, r.info, &c[0], &c[1], &c[2], &c[3], &c[4], &c[5], &c[6], &c[7])) {
        for (int i = 0; i < 8; ++i) {
            if (c[i] - xy[i] > 0.002 || xy[i] - c[i] > 0.002) srgbPrimaries = false;
            xy[i] = c[i];
        }
    }
    const double decoding = hasGamma ? 1.0 / gamma : 2.2;
    if (srgbPrimaries && decoding > 2.15 && decoding < 2.25) return {};
    return BuildRgbProfile(xy, ToneCurve::kGamma, decoding);
}

} // namespace

LoadResult LoadPng(const LoadRequest& request, TDib* out) {
    LoadResult result;
    PngReader r;
    if (!r.png || !r.info) return result;
    MemoryReader source{request.data, request.size, 0};
    Header h{};
    if (!ReadInfo(r, source, h)) return result;
    const int width = static_cast<int>(h.width);
    const int height = static_cast<int>(h.height);
    result.fullWidth = width;
    result.fullHeight = height;
    const Kind kind = h.colourType == PNG_COLOR_TYPE_PALETTE ? Kind::Palette
                      : h.channels <= 2                      ? Kind::Grey
                                                             : Kind::Colour;
    const int bits = kind == Kind::Colour ? 24 : 8;
    if (!SizeAllowed(width, height, bits)) return result;
    if (kind == Kind::Palette && (!h.palette || h.paletteSize <= 0)) return result;
    const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(h.channels);
    const bool interlaced = h.passes > 1;
    std::vector<uint8_t> buffer;
    try {
        buffer.resize(interlaced ? rowBytes * static_cast<size_t>(height) : rowBytes);
    } catch (const std::bad_alloc&) {
        return result;
    }
    if (kind == Kind::Grey ? !NewGreyDib(out, width, height)
                           : !newdib(out, width, height, bits, nullptr, 0))
        return result;
    if (kind == Kind::Palette) {
        for (int i = 0; i < 256; ++i) {
            if (i >= h.paletteSize) {
                SetColour(out, i, 0, 0, 0);
                continue;
            }
            const png_color c = h.palette[i];
            const unsigned a = i < h.alphaCount ? h.alphas[i] : 255u;
            SetColour(out, i, OnWhite(c.red, a), OnWhite(c.green, a), OnWhite(c.blue, a));
        }
        out->Info->biClrUsed = static_cast<uint32_t>(h.paletteSize);
    }
    png_uint_32 resX = 0, resY = 0;
    int unit = 0;
    if (png_get_pHYs(r.png, r.info, &resX, &resY, &unit) && unit == PNG_RESOLUTION_METER &&
        resX < 0x7FFFFFFF && resY < 0x7FFFFFFF) {
        out->Info->biXPelsPerMeter = static_cast<int32_t>(resX);
        out->Info->biYPelsPerMeter = static_cast<int32_t>(resY);
    }

    RowState s{kind,     h.channels, buffer.data(),    rowBytes, interlaced,
               h.passes, 0,          request.progress, out};
    const bool ok = ReadRows(r, s);
    if (interlaced) {
        // Whatever the passes delivered, even when the data broke off.
        if (s.rowsDone == 0) {
            deldib(out);
            return result;
        }
        for (int y = 0; y < height; ++y)
            StoreRow(s, buffer.data() + rowBytes * y, y);
    } else if (s.rowsDone == 0) {
        deldib(out);
        return result;
    }
    result.profile = ColourChunks(r);
    result.status = ok ? LoadStatus::Complete : LoadStatus::Partial;
    return result;
}

// --- PNG files with text keys -------------------------------------------------------------

namespace {

class PngWriter {
  public:
    PngWriter() {
        png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
        if (png) info = png_create_info_struct(png);
    }
    ~PngWriter() { png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr); }
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;

    png_structp png = nullptr;
    png_infop info = nullptr;
};

void WriteToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void FlushNothing(png_structp) {}

// Locals need no destructors; a failed append (no memory) ends in png_error's longjmp only
// through libpng's own calls, so the vector is grown before.
bool WritePngBody(PngWriter& w, std::vector<uint8_t>* out, const TDib& image, png_textp text,
                  int textCount, int level) {
    if (setjmp(png_jmpbuf(w.png))) return false;
    const int width = image.Info->biWidth, height = image.Info->biHeight;
    png_set_write_fn(w.png, out, WriteToVector, FlushNothing);
    png_set_IHDR(w.png, w.info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(w.png, level);
    if (textCount > 0) png_set_text(w.png, w.info, text, textCount);
    png_write_info(w.png, w.info);
    png_set_bgr(w.png);
    for (int y = 0; y < height; ++y)
        png_write_row(w.png, image.Bits + static_cast<ptrdiff_t>(height - 1 - y) * image.RowBytes);
    png_write_end(w.png, nullptr);
    return true;
}

struct TextReadState {
    TPngTextSink sink;
    void* context;
};

bool ReadTextPngHeader(PngReader& r, MemoryReader& source, int maxSide, png_uint_32* w,
                       png_uint_32* h, int* channels) {
    if (setjmp(png_jmpbuf(r.png))) return false;
    png_set_read_fn(r.png, &source, ReadFromMemory);
    png_set_user_limits(r.png, static_cast<png_uint_32>(maxSide),
                        static_cast<png_uint_32>(maxSide));
    png_set_chunk_malloc_max(r.png, 1u << 20);
    png_read_info(r.png, r.info);
    png_set_expand(r.png);
    png_set_strip_16(r.png);
    png_set_gray_to_rgb(r.png);
    png_set_bgr(r.png);
    png_set_interlace_handling(r.png);
    png_read_update_info(r.png, r.info);
    *w = png_get_image_width(r.png, r.info);
    *h = png_get_image_height(r.png, r.info);
    *channels = png_get_channels(r.png, r.info);
    return true;
}

bool ReadTextPngRows(PngReader& r, png_bytepp rows) {
    if (setjmp(png_jmpbuf(r.png))) return false;
    png_read_image(r.png, rows);
    // Text chunks may also follow the pixels.
    png_read_end(r.png, r.info);
    return true;
}

} // namespace

} // namespace pictavo_internal

using namespace pictavo_internal;

PICTAVO_API int SavePngWithText(const TDib* image, const TPngText* texts, int textCount, int level,
                                TPngData* out) {
    if (!out) return 0;
    *out = TPngData{};
    if (!image || !image->Bits || !image->Info || image->Info->biBitCount != 24 ||
        image->Info->biWidth < 1 || image->Info->biHeight < 1 || textCount < 0 ||
        (textCount > 0 && !texts) || level < 0 || level > 9)
        return 0;
    try {
        std::vector<png_text> text(static_cast<size_t>(textCount));
        for (int i = 0; i < textCount; ++i) {
            text[i] = png_text{};
            text[i].compression = PNG_TEXT_COMPRESSION_NONE;
            text[i].key = const_cast<png_charp>(texts[i].Key);
            text[i].text = const_cast<png_charp>(texts[i].Value);
            text[i].text_length = texts[i].ValueSize;
        }
        std::vector<uint8_t> bytes;
        bytes.reserve(static_cast<size_t>(image->Info->biWidth) *
                          static_cast<size_t>(image->Info->biHeight) * 3 +
                      1024);
        PngWriter w;
        if (!w.png || !w.info || !WritePngBody(w, &bytes, *image, text.data(), textCount, level))
            return 0;
        out->Data = static_cast<uint8_t*>(std::malloc(bytes.size()));
        if (!out->Data) return 0;
        std::memcpy(out->Data, bytes.data(), bytes.size());
        out->Size = bytes.size();
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

PICTAVO_API void FreePngData(TPngData* data) {
    if (!data) return;
    std::free(data->Data);
    *data = TPngData{};
}

PICTAVO_API int OpenPngWithText(TDib* out, const uint8_t* data, size_t size, int maxSide,
                                TPngTextSink sink, void* context) {
    if (!out) return 0;
    *out = TDib{};
    if (!data || maxSide < 1) return 0;
    try {
        PngReader r;
        if (!r.png || !r.info) return 0;
        MemoryReader source{data, size, 0};
        png_uint_32 w = 0, h = 0;
        int channels = 0;
        if (!ReadTextPngHeader(r, source, maxSide, &w, &h, &channels)) return 0;
        if (w < 1 || h < 1 || (channels != 3 && channels != 4)) return 0;
        const size_t rowBytes = static_cast<size_t>(w) * static_cast<size_t>(channels);
        std::vector<uint8_t> pixels(rowBytes * h);
        std::vector<png_bytep> rows(h);
        for (png_uint_32 y = 0; y < h; ++y)
            rows[y] = pixels.data() + rowBytes * y;
        if (!ReadTextPngRows(r, rows.data())) return 0;
        if (newdib(out, static_cast<int>(w), static_cast<int>(h), 24, nullptr, 0) != 1) return 0;
        for (png_uint_32 y = 0; y < h; ++y) {
            const uint8_t* src = rows[y];
            uint8_t* dst = RowFromTop(out, static_cast<int>(y));
            for (png_uint_32 x = 0; x < w; ++x, src += channels) {
                const unsigned a = channels == 4 ? src[3] : 255u;
                for (int c = 0; c < 3; ++c)
                    dst[3 * x + c] = OnWhite(src[c], a);
            }
        }
        png_textp text = nullptr;
        int count = 0;
        png_get_text(r.png, r.info, &text, &count);
        for (int i = 0; sink && i < count; ++i)
            sink(context, text[i].key, text[i].text,
                 text[i].compression >= PNG_ITXT_COMPRESSION_NONE ? text[i].itxt_length
                                                                  : text[i].text_length);
        return 1;
    } catch (const std::bad_alloc&) {
        deldib(out);
        return 0;
    }
}

namespace pictavo_internal {} // namespace pictavo_internal

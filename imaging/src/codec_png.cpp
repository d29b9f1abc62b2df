// PNG reading with libpng. libpng reports errors by longjmp: every call into it happens
// inside a small function below that sets the jump target and whose locals need no
// destructors; the read structures live in an RAII owner.
//
// Palette pictures stay 8-bit palette images (transparent entries composited onto white);
// grey pictures become 8-bit grey palette images; everything else becomes 24 bits, alpha
// composited onto white. 16-bit samples are reduced to 8 bits.
#include "codecs.h"
#include "colour.h"

#include <csetjmp>
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

bool ReadInfo(PngReader& r, MemoryReader& source, Header& h) {
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

} // namespace pictavo_internal

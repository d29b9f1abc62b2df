// JPEG reading and writing with libjpeg-turbo. libjpeg reports errors by longjmp: every call
// into it happens inside a small function below that sets the jump target and whose locals
// need no destructors; the handles live in RAII owners created outside those functions.
#include "codecs.h"
#include "colour.h"
#include "lumeno/core/file.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace pictavo_internal {

namespace {

// A progressive picture with more scans than this is refused (a known way to make a small
// file take minutes to decode).
constexpr int kMaxScans = 500;
// Working memory libjpeg may take (coefficient buffers of progressive pictures).
constexpr long kMaxJpegMemory = 1'500'000'000L;

struct ErrorState {
    jpeg_error_mgr mgr; // first: libjpeg sees only this part
    std::jmp_buf jump;
    int warnings;
    int dataEnded; // times the data ran out before the picture (or a scan) did
};

[[noreturn]] void OnError(j_common_ptr info) {
    auto* state = reinterpret_cast<ErrorState*>(info->err);
    std::longjmp(state->jump, 1);
}

void OnMessage(j_common_ptr info, int level) {
    auto* state = reinterpret_cast<ErrorState*>(info->err);
    if (level < 0) {
        ++state->warnings;
        // The end of the file, or a marker where coded data should be: nothing more of this
        // scan will come.
        const int code = info->err->msg_code;
        if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) ++state->dataEnded;
    }
}

void Quiet(j_common_ptr) {}

void InitErrors(ErrorState& state) {
    std::memset(&state, 0, sizeof(state));
    jpeg_std_error(&state.mgr);
    state.mgr.error_exit = OnError;
    state.mgr.emit_message = OnMessage;
    state.mgr.output_message = Quiet;
}

struct ProgressState {
    jpeg_progress_mgr mgr; // first
    Progress* progress;
};

void OnProgress(j_common_ptr info) {
    auto* state = reinterpret_cast<ProgressState*>(info->progress);
    auto* dinfo = reinterpret_cast<j_decompress_ptr>(info);
    if (dinfo->input_scan_number > kMaxScans) {
        info->err->msg_code = JERR_NOTIMPL;
        info->err->error_exit(info);
    }
    const jpeg_progress_mgr& m = state->mgr;
    if (m.total_passes <= 0 || m.pass_limit <= 0) return;
    const int64_t done = static_cast<int64_t>(m.completed_passes) * m.pass_limit + m.pass_counter;
    state->progress->Step(done, static_cast<int64_t>(m.total_passes) * m.pass_limit);
}

class Decompressor {
  public:
    Decompressor() { InitErrors(errors); }
    ~Decompressor() {
        if (created) jpeg_destroy_decompress(&info);
    }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    jpeg_decompress_struct info{};
    ErrorState errors;
    ProgressState progress{};
    bool created = false;
};

// --- the functions that call libjpeg (no locals with destructors) -----------------------

bool ReadHeader(Decompressor& d, const uint8_t* data, size_t size) {
    d.info.err = &d.errors.mgr;
    if (setjmp(d.errors.jump)) return false;
    jpeg_create_decompress(&d.info);
    d.created = true;
    d.info.mem->max_memory_to_use = kMaxJpegMemory;
    d.info.progress = &d.progress.mgr;
    jpeg_mem_src(&d.info, data, static_cast<unsigned long>(size));
    jpeg_save_markers(&d.info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&d.info, JPEG_APP0 + 2, 0xFFFF); // ICC profile, maybe in several parts
    return jpeg_read_header(&d.info, TRUE) == JPEG_HEADER_OK;
}

bool CalcOutput(Decompressor& d) {
    if (setjmp(d.errors.jump)) return false;
    jpeg_calc_output_dimensions(&d.info);
    return true;
}

// The ICC profile put together from its APP2 segments (libjpeg checks their numbering);
// empty when there is none or its parts do not fit together.
bool ReadIccProfile(Decompressor& d, uint8_t** data, unsigned* size) {
    if (setjmp(d.errors.jump)) return false;
    return jpeg_read_icc_profile(&d.info, data, size) == TRUE;
}

std::vector<uint8_t> IccProfile(Decompressor& d) {
    uint8_t* data = nullptr;
    unsigned size = 0;
    std::vector<uint8_t> out;
    if (ReadIccProfile(d, &data, &size) && data) out.assign(data, data + size);
    std::free(data);
    return out;
}

// A picture's colour description for RGB and grey data: its ICC profile, else Adobe RGB
// when its EXIF data name it.
std::vector<uint8_t> ColourProfile(Decompressor& d, const jpeg_saved_marker_ptr exif) {
    std::vector<uint8_t> icc = IccProfile(d);
    if (icc.empty() && exif && d.info.jpeg_color_space != JCS_GRAYSCALE &&
        ExifSaysAdobeRgb(exif->data, exif->data_length))
        icc = AdobeRgbProfile();
    return icc;
}

bool Start(Decompressor& d) {
    if (setjmp(d.errors.jump)) return false;
    return jpeg_start_decompress(&d.info) == TRUE;
}

struct RowTarget {
    TDib* dib;
    bool cmyk;        // rows arrive as CMYK and are turned into blue, green, red
    bool inverted;    // Adobe CMYK: stored values are 255 - ink
    uint8_t* cmykRow; // one row of CMYK samples
    int rowsRead;
    const ColourTransform* cmykProfile; // converts the CMYK rows when it converts
};

void CmykToBgr(const uint8_t* src, uint8_t* dst, int width, bool inverted) {
    for (int x = 0; x < width; ++x, src += 4, dst += 3) {
        unsigned c = src[0], m = src[1], y = src[2], k = src[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        // Here c, m, y, k are the amounts of light left (255 = no ink).
        dst[0] = static_cast<uint8_t>((y * k + 127) / 255);
        dst[1] = static_cast<uint8_t>((m * k + 127) / 255);
        dst[2] = static_cast<uint8_t>((c * k + 127) / 255);
    }
}

// Reads rows until the picture or the data ends. Returns false on a fatal error; the rows
// read before it stay in the picture.
bool ReadRows(Decompressor& d, RowTarget& t) {
    if (setjmp(d.errors.jump)) return false;
    const int height = static_cast<int>(d.info.output_height);
    const int width = static_cast<int>(d.info.output_width);
    JSAMPROW rows[16];
    // Pictures of several scans were read whole before the first row; for a single scan the
    // rows after the end of its data would only be filler, so reading stops there (a small
    // file claiming a huge picture costs nothing).
    const int endsBefore = d.errors.dataEnded;
    while (d.info.output_scanline < d.info.output_height) {
        const int first = static_cast<int>(d.info.output_scanline);
        int count = 0;
        if (t.cmyk) {
            rows[0] = t.cmykRow;
            count = 1;
        } else {
            const int want = d.info.rec_outbuf_height > 16 ? 16 : d.info.rec_outbuf_height;
            for (; count < want && first + count < height; ++count)
                rows[count] = RowFromTop(t.dib, first + count);
        }
        const JDIMENSION got = jpeg_read_scanlines(&d.info, rows, static_cast<JDIMENSION>(count));
        if (t.cmyk && got == 1) {
            if (t.cmykProfile->converts())
                t.cmykProfile->Row(t.cmykRow, RowFromTop(t.dib, first), width);
            else
                CmykToBgr(t.cmykRow, RowFromTop(t.dib, first), width, t.inverted);
        }
        t.rowsRead = first + static_cast<int>(got);
        if (got == 0 || d.errors.dataEnded != endsBefore) break;
    }
    return true;
}

// The saved APP1 (EXIF) marker, if any.
jpeg_saved_marker_ptr ExifMarker(const jpeg_decompress_struct& info) {
    for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next) {
        if (m->marker != JPEG_APP0 + 1 || m->data_length < 6) continue;
        if (std::memcmp(m->data, "Exif\0\0", 6) == 0) return m;
    }
    return nullptr;
}

// A camera's embedded thumbnail instead of the picture, for a reduced load: only when it
// covers the wanted size and has the picture's proportions (thumbnails with black bars
// around a picture of other proportions are not used).
bool LoadExifThumbnail(const jpeg_saved_marker_ptr exif, int fullWidth, int fullHeight,
                       int needWidth, int needHeight, TDib* out) {
    size_t offset = 0, length = 0;
    if (!exif || !ExifThumbnail(exif->data, exif->data_length, offset, length)) return false;
    Progress none(nullptr);
    LoadRequest inner;
    inner.data = exif->data + offset;
    inner.size = length;
    inner.progress = &none;
    if (length < 3 || std::memcmp(inner.data, "\xFF\xD8\xFF", 3) != 0) return false;
    const LoadResult r = LoadJpeg(inner, out);
    if (r.status != LoadStatus::Complete || !out->Bits) {
        deldib(out);
        return false;
    }
    const int w = out->Info->biWidth, h = out->Info->biHeight;
    const double proportion = static_cast<double>(fullWidth) / fullHeight;
    const bool sameShape = std::abs(w - proportion * h) <= 1.0 + 0.01 * w;
    if (w < needWidth || h < needHeight || !sameShape || w >= fullWidth) {
        deldib(out);
        return false;
    }
    return true;
}

// Smallest scale M/8 whose output still covers minWidth x minHeight.
void ChooseScale(jpeg_decompress_struct& info, int minWidth, int minHeight) {
    for (unsigned m = 1; m <= 8; ++m) {
        const uint64_t w = (static_cast<uint64_t>(info.image_width) * m + 7) / 8;
        const uint64_t h = (static_cast<uint64_t>(info.image_height) * m + 7) / 8;
        if (w >= static_cast<uint64_t>(minWidth) && h >= static_cast<uint64_t>(minHeight)) {
            info.scale_num = m;
            info.scale_denom = 8;
            return;
        }
    }
}

// The picture's resolution as a TDib keeps it; x and y stay as they are when the file gives
// none in inches or centimetres.
void PelsPerMeter(const jpeg_decompress_struct& info, int32_t& x, int32_t& y) {
    if (info.density_unit != 1 && info.density_unit != 2) return;
    const double perMetre = info.density_unit == 1 ? 100.0 / 2.54 : 100.0;
    x = static_cast<int32_t>(info.X_density * perMetre + 0.5);
    y = static_cast<int32_t>(info.Y_density * perMetre + 0.5);
}

// Reads the header of the request's picture with its progress reported, and refuses what
// no load takes: no size, more than kMaxPixels, or a claimed size the data cannot hold.
bool OpenPicture(Decompressor& d, const LoadRequest& request) {
    d.progress.mgr.progress_monitor = OnProgress;
    d.progress.progress = request.progress;
    if (!ReadHeader(d, request.data, request.size)) return false;
    jpeg_decompress_struct& info = d.info;
    if (info.image_width == 0 || info.image_height == 0 ||
        static_cast<int64_t>(info.image_width) * info.image_height > kMaxPixels)
        return false;
    // A picture of several scans needs at least one bit per 8 x 8 block of its first scan, so
    // at most 512 pixels per byte of file. A file claiming many more cannot hold even its
    // coarsest picture; it is refused before libjpeg sets up coefficient memory for it.
    return !(jpeg_has_multiple_scans(&info) &&
             static_cast<uint64_t>(info.image_width) * info.image_height > 1024ull * request.size);
}

} // namespace

LoadResult LoadJpeg(const LoadRequest& request, TDib* out) {
    LoadResult result;
    Decompressor d;
    if (!OpenPicture(d, request)) return result;
    jpeg_decompress_struct& info = d.info;
    result.fullWidth = static_cast<int>(info.image_width);
    result.fullHeight = static_cast<int>(info.image_height);
    const jpeg_saved_marker_ptr exif = ExifMarker(info);
    result.orientation = exif ? ExifOrientation(exif->data, exif->data_length) : 1;

    const bool grey = info.jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGR;
    // CMYK goes through its profile row by row, or through a profile of offset print when it
    // has none or a broken one (the simple conversion of ink amounts is left for when even
    // that cannot be made); RGB and grey are converted after decoding.
    ColourTransform cmykProfile;
    if (cmyk) {
        const ColourInput layout =
            info.saw_Adobe_marker ? ColourInput::kInvertedCmyk : ColourInput::kCmyk;
        const std::vector<uint8_t> icc = IccProfile(d);
        cmykProfile = ColourTransform(icc.data(), icc.size(), layout);
        result.colour = cmykProfile.outcome();
        if (!cmykProfile.converts()) {
            const std::vector<uint8_t> print = DefaultCmykProfile();
            cmykProfile = ColourTransform(print.data(), print.size(), layout);
        }
    } else {
        result.profile = ColourProfile(d, exif);
    }
    if (request.minWidth > 0 && request.minHeight > 0) {
        const bool swap = SwapsAxes(result.orientation);
        const int needWidth = swap ? request.minHeight : request.minWidth;
        const int needHeight = swap ? request.minWidth : request.minHeight;
        if (LoadExifThumbnail(exif, result.fullWidth, result.fullHeight, needWidth, needHeight,
                              out)) {
            result.status = LoadStatus::Complete;
            return result;
        }
        ChooseScale(info, needWidth, needHeight);
        info.do_fancy_upsampling = FALSE;
        info.dct_method = JDCT_IFAST;
    }
    if (!CalcOutput(d)) return result;
    const int width = static_cast<int>(info.output_width);
    const int height = static_cast<int>(info.output_height);
    if (!SizeAllowed(width, height, 24)) return result;
    // Rows are cleared below where the data did not reach.
    if (grey ? !NewGreyDib(out, width, height, false) : !NewDibUncleared(out, width, height, 24))
        return result;
    PelsPerMeter(info, out->Info->biXPelsPerMeter, out->Info->biYPelsPerMeter);

    std::vector<uint8_t> cmykRow(cmyk ? static_cast<size_t>(width) * 4 : 0);
    RowTarget target{out, cmyk, info.saw_Adobe_marker == TRUE, cmykRow.data(), 0, &cmykProfile};
    const bool started = Start(d);
    const bool complete =
        started && ReadRows(d, target) && target.rowsRead == height && !d.errors.dataEnded;
    if (target.rowsRead == 0) {
        // Nothing of the picture was read (a broken header or first scan).
        deldib(out);
        return result;
    }
    // The picture's block may hold an earlier picture: libjpeg wrote rows 0 .. rowsRead - 1
    // (it writes the rows of a call only after their data decoded without a fatal error);
    // the rows after them are black and the bytes that pad a row zero.
    const size_t used = static_cast<size_t>(width) * (grey ? 1 : 3);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = RowFromTop(out, y);
        if (y >= target.rowsRead)
            std::memset(row, 0, static_cast<size_t>(out->RowBytes));
        else if (used < static_cast<size_t>(out->RowBytes))
            std::memset(row + used, 0, static_cast<size_t>(out->RowBytes) - used);
    }
    result.status = complete ? LoadStatus::Complete : LoadStatus::Partial;
    return result;
}

// --- writing ----------------------------------------------------------------------------

namespace {

class Compressor {
  public:
    Compressor() { InitErrors(errors); }
    ~Compressor() {
        if (created) jpeg_destroy_compress(&info);
    }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    jpeg_compress_struct info{};
    ErrorState errors;
    bool created = false;
};

struct WriteSource {
    const TDib* dib;
    uint8_t* bgrRow; // for palette images: one row turned into blue, green, red
};

void PaletteRowToBgr(const TDib* dib, int yFromTop, uint8_t* dst) {
    const int width = dib->Info->biWidth;
    const int stored = dib->Info->biHeight - 1 - yFromTop;
    for (int x = 0; x < width; ++x) {
        const TRgbQuad& q = dib->Info->bmiColors[getpixel(dib, x, stored) & 0xFF];
        dst[3 * x] = q.rgbBlue;
        dst[3 * x + 1] = q.rgbGreen;
        dst[3 * x + 2] = q.rgbRed;
    }
}

// Every JPEG this library writes: blue, green, red rows (or, raw, YCbCr samples with 4:2:0
// chroma) at `quality`, libjpeg's defaults otherwise, and the resolution in dots per inch when
// the picture has one. Call with the jump target set.
void StartCompress(Compressor& c, std::FILE* file, int width, int height, int32_t xPelsPerMeter,
                   int32_t yPelsPerMeter, int quality, bool raw = false) {
    jpeg_create_compress(&c.info);
    c.created = true;
    jpeg_stdio_dest(&c.info, file);
    c.info.image_width = static_cast<JDIMENSION>(width);
    c.info.image_height = static_cast<JDIMENSION>(height);
    c.info.input_components = 3;
    c.info.in_color_space = raw ? JCS_YCbCr : JCS_EXT_BGR;
    jpeg_set_defaults(&c.info); // YCbCr with 4:2:0 chroma either way
    c.info.raw_data_in = raw ? TRUE : FALSE;
    jpeg_set_quality(&c.info, quality, TRUE);
    if (xPelsPerMeter > 0 && yPelsPerMeter > 0) {
        c.info.density_unit = 1; // dots per inch
        c.info.X_density = static_cast<UINT16>(xPelsPerMeter * 0.0254 + 0.5);
        c.info.Y_density = static_cast<UINT16>(yPelsPerMeter * 0.0254 + 0.5);
    }
    jpeg_start_compress(&c.info, TRUE);
}

bool Compress(Compressor& c, std::FILE* file, WriteSource& src, int quality) {
    c.info.err = &c.errors.mgr;
    if (setjmp(c.errors.jump)) return false;
    const TDibInfo& bi = *src.dib->Info;
    StartCompress(c, file, bi.biWidth, bi.biHeight, bi.biXPelsPerMeter, bi.biYPelsPerMeter,
                  quality);
    const int height = bi.biHeight;
    JSAMPROW rows[16];
    while (c.info.next_scanline < c.info.image_height) {
        const int first = static_cast<int>(c.info.next_scanline);
        int count = 0;
        if (src.bgrRow) {
            PaletteRowToBgr(src.dib, first, src.bgrRow);
            rows[0] = src.bgrRow;
            count = 1;
        } else {
            for (; count < 16 && first + count < height; ++count)
                rows[count] = RowFromTop(const_cast<TDib*>(src.dib), first + count);
        }
        jpeg_write_scanlines(&c.info, rows, static_cast<JDIMENSION>(count));
    }
    jpeg_finish_compress(&c.info);
    return true;
}

// Rows in a band: 16, libjpeg's largest row group, when nothing is converted; for a colour
// profile about 1 MB of rows (still within a core's second-level cache), since the
// conversion's vector units are much faster in long runs than in a short burst after every 16
// rows (which made a whole export a quarter slower).
size_t BandRows(size_t rowBytes, bool converts) {
    if (!converts) return 16;
    return std::clamp<size_t>((size_t{1} << 20) / rowBytes / 16 * 16, 16, 1024);
}

// Decodes bands of `rows` rows (starting at `starts`) and encodes each at once, until the
// picture ends. False when either side fails or the data end before the picture does (the
// caller then goes the way through a whole picture, which shows what was read).
bool PumpRows(Decompressor& d, Compressor& c, std::vector<JSAMPROW>& starts,
              const ColourTransform& colour) {
    if (setjmp(d.errors.jump)) return false;
    if (setjmp(c.errors.jump)) return false;
    const int endsBefore = d.errors.dataEnded;
    const size_t rows = starts.size();
    while (d.info.output_scanline < d.info.output_height) {
        // libjpeg gives a row group per call; the band collects up to `rows` rows.
        JDIMENSION filled = 0;
        while (filled < rows && d.info.output_scanline < d.info.output_height) {
            const JDIMENSION got = jpeg_read_scanlines(&d.info, starts.data() + filled,
                                                       static_cast<JDIMENSION>(rows - filled));
            if (got == 0 || d.errors.dataEnded != endsBefore) return false;
            filled += got;
        }
        if (colour.converts())
            for (JDIMENSION i = 0; i < filled; ++i)
                colour.Row(starts[i], starts[i], static_cast<int>(d.info.output_width));
        jpeg_write_scanlines(&c.info, starts.data(), filled);
    }
    jpeg_finish_compress(&c.info);
    return true;
}

bool StartRecode(Compressor& c, std::FILE* file, int width, int height, int32_t xPelsPerMeter,
                 int32_t yPelsPerMeter, int quality, bool raw) {
    c.info.err = &c.errors.mgr;
    if (setjmp(c.errors.jump)) return false;
    StartCompress(c, file, width, height, xPelsPerMeter, yPelsPerMeter, quality, raw);
    return true;
}

// True when a picture can be converted straight from its YCbCr samples: chroma at half the
// luma's width and full or half its height (4:2:2, 4:2:0: what cameras and phones write), and
// a conversion that takes them. Skipping libjpeg's step to blue, green, red and back saves
// about as much as the conversion costs.
bool ConvertsRaw(const jpeg_decompress_struct& info, const ColourTransform& colour) {
    if (!colour.convertsYcc() || info.jpeg_color_space != JCS_YCbCr || info.num_components != 3)
        return false;
    const jpeg_component_info* c = info.comp_info;
    return c[0].h_samp_factor == 2 && (c[0].v_samp_factor == 1 || c[0].v_samp_factor == 2) &&
           c[1].h_samp_factor == 1 && c[1].v_samp_factor == 1 && c[2].h_samp_factor == 1 &&
           c[2].v_samp_factor == 1;
}

// A band of raw samples, `groups` row groups of the written picture (16 luma rows, 8 chroma
// rows each). 4:2:2 chroma comes with as many rows as luma and is halved in place. Rows have
// room for whole blocks of the conversion (64 luma, 32 chroma samples); the samples start as
// zeros, since the conversion also reads the padding libjpeg leaves alone.
struct RawBand {
    RawBand(const jpeg_decompress_struct& info, bool fullHeightChroma) {
        chromaStride =
            (static_cast<size_t>(info.comp_info[1].width_in_blocks) * DCTSIZE + 31) / 32 * 32;
        lumaStride = std::max<size_t>(
            (static_cast<size_t>(info.comp_info[0].width_in_blocks) * DCTSIZE + 63) / 64 * 64,
            2 * chromaStride);
        groups = static_cast<int>(BandRows(lumaStride * 3 / 2, true) / 16);
        const size_t lumaRows = 16 * static_cast<size_t>(groups);
        const size_t chromaRows = fullHeightChroma ? lumaRows : lumaRows / 2;
        luma.assign(lumaRows * lumaStride, 0);
        cb.assign(chromaRows * chromaStride, 0);
        cr.assign(chromaRows * chromaStride, 0);
        for (size_t i = 0; i < lumaRows; ++i)
            lumaRowStarts.push_back(luma.data() + i * lumaStride);
        for (size_t i = 0; i < chromaRows; ++i) {
            cbRowStarts.push_back(cb.data() + i * chromaStride);
            crRowStarts.push_back(cr.data() + i * chromaStride);
        }
    }
    size_t lumaStride = 0, chromaStride = 0;
    int groups = 0;
    std::vector<uint8_t> luma, cb, cr;
    std::vector<JSAMPROW> lumaRowStarts, cbRowStarts, crRowStarts;
};

// The raw way of PumpRows: decodes a band of YCbCr samples, converts it two rows at a time and
// encodes it.
bool PumpRaw(Decompressor& d, Compressor& c, RawBand& band, const ColourTransform& colour) {
    if (setjmp(d.errors.jump)) return false;
    if (setjmp(c.errors.jump)) return false;
    const int endsBefore = d.errors.dataEnded;
    const int perRead = d.info.max_v_samp_factor * DCTSIZE; // luma rows: 16 (4:2:0) or 8
    const bool halfHeight = perRead == 16;
    while (d.info.output_scanline < d.info.output_height) {
        int filled = 0;
        while (filled < 16 * band.groups && d.info.output_scanline < d.info.output_height) {
            const int chroma = halfHeight ? filled / 2 : filled;
            JSAMPARRAY planes[3] = {band.lumaRowStarts.data() + filled,
                                    band.cbRowStarts.data() + chroma,
                                    band.crRowStarts.data() + chroma};
            if (jpeg_read_raw_data(&d.info, planes, static_cast<JDIMENSION>(perRead)) == 0 ||
                d.errors.dataEnded != endsBefore)
                return false;
            filled += perRead;
        }
        for (int pair = 0; pair < filled / 2; ++pair) {
            const int first = halfHeight ? pair : 2 * pair, second = halfHeight ? pair : first + 1;
            const YccRows rows = {{band.lumaRowStarts[2 * pair], band.lumaRowStarts[2 * pair + 1]},
                                  {band.cbRowStarts[first], band.cbRowStarts[second]},
                                  {band.crRowStarts[first], band.crRowStarts[second]},
                                  band.cbRowStarts[pair],
                                  band.crRowStarts[pair]};
            colour.ConvertYcc(rows, static_cast<int>(band.chromaStride));
        }
        for (int group = 0; 16 * group < filled; ++group) {
            JSAMPARRAY planes[3] = {band.lumaRowStarts.data() + 16 * group,
                                    band.cbRowStarts.data() + 8 * group,
                                    band.crRowStarts.data() + 8 * group};
            jpeg_write_raw_data(&c.info, planes, 16);
        }
    }
    jpeg_finish_compress(&c.info);
    return true;
}

} // namespace

bool RecodeJpeg(const LoadRequest& request, const char* fileName, int quality, int* width,
                int* height) {
    // What OpenPicture refuses, or what would need turning, a whole load handles.
    Decompressor d;
    if (!OpenPicture(d, request)) return false;
    jpeg_decompress_struct& info = d.info;
    const jpeg_saved_marker_ptr exif = ExifMarker(info);
    if (exif && ExifOrientation(exif->data, exif->data_length) != 1) return false;
    if (info.num_components != 3 ||
        (info.jpeg_color_space != JCS_YCbCr && info.jpeg_color_space != JCS_RGB))
        return false;
    // Each band is converted as a whole load converts the picture (from its YCbCr samples
    // where ConvertsRaw); a broken profile is left to the whole load, which tells of it.
    const std::vector<uint8_t> profile = ColourProfile(d, exif);
    const ColourTransform colour(profile.data(), profile.size(), ColourInput::kBgr);
    if (colour.outcome() == ColourOutcome::kBroken) return false;
    const bool raw = ConvertsRaw(info, colour);
    if (raw)
        info.raw_data_out = TRUE; // samples as stored: YCbCr
    else
        info.out_color_space = JCS_EXT_BGR;
    if (!CalcOutput(d)) return false;
    const int w = static_cast<int>(info.output_width);
    const int h = static_cast<int>(info.output_height);
    if (!SizeAllowed(w, h, 24) || w > 65500 || h > 65500) return false;
    int32_t xPels = 0, yPels = 0;
    PelsPerMeter(info, xPels, yPels);
    if (!Start(d)) return false;

    const size_t rowBytes = static_cast<size_t>(w) * 3;
    const size_t rows = raw ? 0 : BandRows(rowBytes, colour.converts());
    std::vector<uint8_t> band(rowBytes * rows);
    std::vector<JSAMPROW> starts(rows);
    for (size_t i = 0; i < rows; ++i)
        starts[i] = band.data() + i * rowBytes;
    std::optional<RawBand> rawBand;
    if (raw) rawBand.emplace(info, info.max_v_samp_factor == 1);
    bool ok;
    {
        std::vector<char> writeBuffer(1u << 20);
        lumeno::TFile file = lumeno::OpenFile(fileName, lumeno::TFileMode::kWrite);
        if (!file) return false;
        std::setvbuf(file.get(), writeBuffer.data(), _IOFBF, writeBuffer.size());
        Compressor c;
        ok = StartRecode(c, file.get(), w, h, xPels, yPels, quality, raw) &&
             (raw ? PumpRaw(d, c, *rawBand, colour) : PumpRows(d, c, starts, colour)) &&
             !std::ferror(file.get());
        if (file.Close() != 0) ok = false;
    }
    if (!ok) return false;
    *width = w;
    *height = h;
    return true;
}

ColourOutcome JpegProfile(const uint8_t* data, size_t size, std::vector<uint8_t>& profile) {
    profile.clear();
    Decompressor d;
    Progress none(nullptr);
    LoadRequest request;
    request.data = data;
    request.size = size;
    request.progress = &none;
    if (!OpenPicture(d, request)) return ColourOutcome::kNone;
    const bool grey = d.info.jpeg_color_space == JCS_GRAYSCALE;
    if (!grey && d.info.num_components != 3) return ColourOutcome::kNone;
    std::vector<uint8_t> bytes = ColourProfile(d, ExifMarker(d.info));
    const ColourTransform own(bytes.data(), bytes.size(),
                              grey ? ColourInput::kGrey : ColourInput::kBgr);
    if (own.outcome() == ColourOutcome::kConverted) {
        profile = std::move(bytes);
        return ColourOutcome::kConverted;
    }
    // Grey data with a colour profile: a load converts them, a viewer could not.
    if (grey && own.outcome() == ColourOutcome::kBroken &&
        ColourTransform(bytes.data(), bytes.size(), ColourInput::kBgr).converts())
        return ColourOutcome::kConverted;
    return own.outcome();
}

bool SaveJpeg(const TDib* image, const char* fileName, int quality) {
    const TDibInfo& bi = *image->Info;
    const int bits = bi.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return false;
    if (bi.biWidth <= 0 || bi.biHeight <= 0 || bi.biWidth > 65500 || bi.biHeight > 65500)
        return false;
    std::vector<uint8_t> bgrRow(bits == 24 ? 0 : static_cast<size_t>(bi.biWidth) * 3);
    WriteSource src{image, bits == 24 ? nullptr : bgrRow.data()};
    bool ok;
    bool plainFile = false;
    {
        // libjpeg hands over 4 KB at a time; collect them into large writes. The buffer
        // outlives the file.
        std::vector<char> writeBuffer(1u << 20);
        lumeno::TFile file = lumeno::OpenFile(fileName, lumeno::TFileMode::kWrite);
        if (!file) return false;
        plainFile = file.IsPlainFile();
        std::setvbuf(file.get(), writeBuffer.data(), _IOFBF, writeBuffer.size());
        Compressor c;
        ok = Compress(c, file.get(), src, quality) && !std::ferror(file.get());
        if (file.Close() != 0) ok = false;
    }
    // A device such as /dev/full stays.
    if (!ok && plainFile) lumeno::RemoveFile(fileName);
    return ok;
}

} // namespace pictavo_internal

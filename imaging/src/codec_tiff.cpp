// TIFF reading with libtiff: the first page, any photometric kind libtiff can turn into
// RGBA, read in bands of rows; alpha composited onto white; the orientation tag applied like
// the EXIF one. Errors and warnings go to handlers of this file, not to the console.
#include "codecs.h"
#include "colour.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <tiffio.h>

namespace pictavo_internal {

namespace {

struct MemoryFile {
    const uint8_t* data;
    size_t size;
    uint64_t pos;
};

tmsize_t ReadProc(thandle_t h, void* out, tmsize_t n) {
    auto* f = static_cast<MemoryFile*>(h);
    if (n <= 0 || f->pos >= f->size) return 0;
    uint64_t count = static_cast<uint64_t>(n);
    if (count > f->size - f->pos) count = f->size - f->pos;
    std::memcpy(out, f->data + f->pos, count);
    f->pos += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t SeekProc(thandle_t h, toff_t offset, int whence) {
    auto* f = static_cast<MemoryFile*>(h);
    uint64_t base = whence == SEEK_CUR ? f->pos : whence == SEEK_END ? f->size : 0;
    if (offset > UINT64_MAX - base) return static_cast<toff_t>(-1);
    f->pos = base + offset;
    return f->pos;
}

int CloseProc(thandle_t) {
    return 0;
}
toff_t SizeProc(thandle_t h) {
    return static_cast<MemoryFile*>(h)->size;
}

int QuietHandler(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* t) const {
        if (t) TIFFClose(t);
    }
};
struct OptionsFree {
    void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};

class RgbaImage {
  public:
    ~RgbaImage() {
        if (begun) TIFFRGBAImageEnd(&image);
    }
    TIFFRGBAImage image{}; // first: libtiff hands its address to PutInks
    bool begun = false;
    ColourTransform inks;      // the profile of a CMYK picture
    std::vector<uint8_t> cmyk; // a run of pixels' inks, without extra samples
    std::vector<uint8_t> bgr;  // the same pixels in sRGB
};

// libtiff's routine for 8-bit CMYK strips and tiles, with the inks going through the picture's
// profile instead of libtiff's simple conversion.
void PutInks(TIFFRGBAImage* image, uint32_t* to, uint32_t, uint32_t, uint32_t w, uint32_t h,
             int32_t fromSkew, int32_t toSkew, unsigned char* from) {
    auto* self = reinterpret_cast<RgbaImage*>(image);
    const size_t samples = image->samplesperpixel;
    const size_t run = self->bgr.size() / 3;
    for (; h > 0; --h) {
        for (uint32_t done = 0; done < w;) {
            const size_t n = std::min<size_t>(run, w - done);
            for (size_t i = 0; i < n; ++i, from += samples)
                std::memcpy(&self->cmyk[4 * i], from, 4);
            self->inks.Row(self->cmyk.data(), self->bgr.data(), static_cast<int>(n));
            for (size_t i = 0; i < n; ++i)
                *to++ = self->bgr[3 * i + 2] | self->bgr[3 * i + 1] << 8 |
                        static_cast<uint32_t>(self->bgr[3 * i]) << 16 | 0xFF000000u;
            done += static_cast<uint32_t>(n);
        }
        to += toSkew;
        from += static_cast<ptrdiff_t>(fromSkew) * static_cast<ptrdiff_t>(samples);
    }
}

// 8-bit CMYK goes through its profile, or through one of offset print when it has none or a
// broken one, as CMYK JPEGs do.
void UseInkProfile(TIFF* tiff, const uint8_t* icc, uint32_t iccSize, RgbaImage& rgba,
                   LoadResult& result) {
    uint16_t inkSet = INKSET_CMYK;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_INKSET, &inkSet);
    if (inkSet != INKSET_CMYK || rgba.image.bitspersample != 8 || rgba.image.samplesperpixel < 4 ||
        !rgba.image.isContig || !rgba.image.put.contig)
        return;
    rgba.inks = ColourTransform(icc, iccSize, ColourInput::kCmyk);
    result.colour = rgba.inks.outcome();
    if (!rgba.inks.converts()) {
        const std::vector<uint8_t> print = DefaultCmykProfile();
        rgba.inks = ColourTransform(print.data(), print.size(), ColourInput::kCmyk);
    }
    if (rgba.inks.converts()) {
        rgba.cmyk.resize(4 * 4096);
        rgba.bgr.resize(3 * 4096);
        rgba.image.put.contig = PutInks;
    }
}

void CopyResolution(TIFF* tiff, TDib* out) {
    float resX = 0, resY = 0;
    uint16_t unit = RESUNIT_INCH;
    if (!TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &resX) ||
        !TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &resY))
        return;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
    const double perMetre = unit == RESUNIT_CENTIMETER ? 100.0
                            : unit == RESUNIT_INCH     ? 100.0 / 2.54
                                                       : 0;
    if (resX > 0 && resY > 0 && resX < 1e6 && resY < 1e6) {
        out->Info->biXPelsPerMeter = static_cast<int32_t>(resX * perMetre + 0.5);
        out->Info->biYPelsPerMeter = static_cast<int32_t>(resY * perMetre + 0.5);
    }
}

// Grey pictures go through their grey profile here; those of RGB pictures, and an RGB profile
// on grey data, through the conversion after loading. True when the profile is used up
// (converted, or one that needs no conversion).
bool ThroughGreyProfile(const uint8_t* icc, uint32_t iccSize, TDib* out, LoadResult& result) {
    const ColourTransform grey(icc, iccSize, ColourInput::kGrey);
    if (!grey.converts()) return grey.outcome() == ColourOutcome::kNone;
    const int width = out->Info->biWidth, height = std::abs(out->Info->biHeight);
    std::vector<uint8_t> values(static_cast<size_t>(width));
    for (int y = 0; y < height; ++y) {
        uint8_t* row = RowFromTop(out, y);
        for (int x = 0; x < width; ++x)
            values[x] = row[3 * x];
        grey.Row(values.data(), row, width);
    }
    result.colour = ColourOutcome::kConverted;
    return true;
}

} // namespace

LoadResult LoadTiff(const LoadRequest& request, TDib* out) {
    LoadResult result;
    MemoryFile file{request.data, request.size, 0};
    std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options) return result;
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), QuietHandler, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), QuietHandler, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), 512 << 20);
    std::unique_ptr<TIFF, TiffCloser> tiff(
        TIFFClientOpenExt("memory", "rm", &file, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc,
                          nullptr, nullptr, options.get()));
    if (!tiff) return result;
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tiff.get(), message)) return result;
    static_assert(offsetof(RgbaImage, image) == 0);
    RgbaImage rgba;
    // Stop at the first strip or tile that cannot be read: the rows before it are the picture
    // read so far, and a file whose data is missing is not reported as a whole picture.
    if (!TIFFRGBAImageBegin(&rgba.image, tiff.get(), 1, message)) return result;
    rgba.begun = true;
    const uint32_t w = rgba.image.width, h = rgba.image.height;
    if (w == 0 || h == 0 || w > INT32_MAX || h > INT32_MAX) return result;
    uint16_t photometric = 0;
    uint32_t iccSize = 0;
    void* icc = nullptr;
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_PHOTOMETRIC, &photometric);
    if (!TIFFGetField(tiff.get(), TIFFTAG_ICCPROFILE, &iccSize, &icc) || !icc) iccSize = 0;
    const auto* iccBytes = static_cast<const uint8_t*>(icc);
    if (photometric == PHOTOMETRIC_SEPARATED)
        UseInkProfile(tiff.get(), iccBytes, iccSize, rgba, result);
    const int width = static_cast<int>(w), height = static_cast<int>(h);
    if (!SizeAllowed(width, height, 24)) return result;
    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_ORIENTATION, &orientation);
    result.orientation = orientation >= 1 && orientation <= 8 ? orientation : 1;
    result.fullWidth = width;
    result.fullHeight = height;
    // Rows exactly as stored, top first: the orientation is applied afterwards like EXIF's.
    rgba.image.orientation = ORIENTATION_TOPLEFT;
    rgba.image.req_orientation = ORIENTATION_TOPLEFT;

    // Bands small enough for the bar to move at least every 1/32 of the rows.
    const int kBand = std::clamp(height / 32, 1, 64);
    std::vector<uint32_t> band;
    try {
        band.resize(static_cast<size_t>(width) * kBand);
    } catch (const std::bad_alloc&) {
        return result;
    }
    if (!newdib(out, width, height, 24, nullptr, 0)) return result;
    CopyResolution(tiff.get(), out);
    int rowsDone = 0;
    bool whole = true;
    for (int y = 0; y < height; y += kBand) {
        const int rows = height - y < kBand ? height - y : kBand;
        rgba.image.row_offset = y;
        rgba.image.col_offset = 0;
        // Opaque black: pixels a broken strip leaves unwritten look like the rows never read.
        std::fill(band.begin(), band.end(), 0xFF000000u);
        const int ok = TIFFRGBAImageGet(&rgba.image, band.data(), w, static_cast<uint32_t>(rows));
        for (int r = 0; r < rows; ++r) {
            const uint32_t* src = band.data() + static_cast<size_t>(r) * width;
            uint8_t* dst = RowFromTop(out, y + r);
            for (int x = 0; x < width; ++x) {
                const uint32_t p = src[x];
                // Premultiplied colour: onto white by adding what the alpha leaves.
                const unsigned rest = 255u - TIFFGetA(p);
                dst[3 * x] =
                    static_cast<uint8_t>(TIFFGetB(p) + rest > 255 ? 255 : TIFFGetB(p) + rest);
                dst[3 * x + 1] =
                    static_cast<uint8_t>(TIFFGetG(p) + rest > 255 ? 255 : TIFFGetG(p) + rest);
                dst[3 * x + 2] =
                    static_cast<uint8_t>(TIFFGetR(p) + rest > 255 ? 255 : TIFFGetR(p) + rest);
            }
        }
        if (!ok) {
            whole = false;
            break;
        }
        rowsDone = y + rows;
        request.progress->Step(rowsDone, height);
    }
    if (!whole && rowsDone == 0) {
        deldib(out);
        return result;
    }
    if (photometric == PHOTOMETRIC_MINISBLACK && iccSize > 0 &&
        ThroughGreyProfile(iccBytes, iccSize, out, result))
        iccSize = 0;
    if ((photometric == PHOTOMETRIC_RGB || photometric == PHOTOMETRIC_YCBCR ||
         photometric == PHOTOMETRIC_MINISBLACK) &&
        iccSize > 0)
        result.profile.assign(iccBytes, iccBytes + iccSize);
    result.status = whole ? LoadStatus::Complete : LoadStatus::Partial;
    return result;
}

} // namespace pictavo_internal

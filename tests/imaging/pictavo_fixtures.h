#pragma once
// Test pictures made with the codec libraries themselves, and pixel comparison helpers.
#include "pictavo.h"
#include "required_tool.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fixtures {

struct Rgb {
    uint8_t r, g, b;
};

// An image in memory, top row first.
struct Picture {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;
    Rgb At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// A smooth photo-like pattern with a distinct colour in each quadrant, so that a mirrored or
// turned picture differs clearly from the original.
Picture Pattern(int width, int height);
// Gentle gradients only: survives lossy coding with chroma subsampling within a small
// tolerance.
Picture Smooth(int width, int height);
Picture MakePicture(int width, int height, const std::function<Rgb(int, int)>& colour);

// Pixel (x, y from the top) of a loaded image, through its colour table for palette images.
Rgb PixelOf(const TDib& dib, int x, int y);

// Compares a loaded image with the expected picture; fails at the first pixel differing by
// more than tolerance in any channel, naming it.
::testing::AssertionResult SamePixels(const TDib& dib, const Picture& expected, int tolerance);

// A fresh folder for one test's files, removed with the object.
using TempDir = TemporaryFolder;

std::vector<uint8_t> ReadBytes(const std::string& file);
void WriteBytes(const std::string& file, const std::vector<uint8_t>& bytes);

// --- writers ----------------------------------------------------------------------------
enum class JpegKind { Colour, Grey, Cmyk, Ycck, Rgb };
struct JpegOptions {
    int quality = 95;
    JpegKind kind = JpegKind::Colour;
    bool progressive = false;
    bool subsampled = false;    // colour at half resolution both ways, as cameras write it
    bool halfWidthOnly = false; // with subsampled: colour at half the width only (4:2:2)
    bool arithmetic = false;
    int exifOrientation = 0;            // 0: no EXIF block
    std::vector<uint8_t> exifThumbnail; // a JPEG stored as the EXIF thumbnail (IFD1)
    std::vector<uint8_t> rawApp1;       // written as given instead of the above
};
inline JpegOptions MakeJpegOptions(int quality, JpegKind kind = JpegKind::Colour,
                                   bool progressive = false, int exifOrientation = 0) {
    JpegOptions o;
    o.quality = quality;
    o.kind = kind;
    o.progressive = progressive;
    o.exifOrientation = exifOrientation;
    return o;
}
// Cmyk/Ycck: written with the Adobe marker, so samples are stored inverted (255 - ink).
std::vector<uint8_t> EncodeJpeg(const Picture& picture, const JpegOptions& options = {});

// colourType/bitDepth as libpng names them; pixels are taken from picture (grey from red,
// palette indices from red too with the given palette). alpha: per pixel, from alphaOf.
struct PngOptions {
    int colourType = 2; // PNG_COLOR_TYPE_RGB
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<Rgb> palette;
    std::vector<uint8_t> paletteAlpha;
    std::function<uint16_t(int, int)> alphaOf; // 16-bit scale when bitDepth is 16
    bool greyTransparentZero = false;          // tRNS: grey value 0 is transparent
};
std::vector<uint8_t> EncodePng(const Picture& picture, const PngOptions& options);

} // namespace fixtures

namespace fixtures {

// GIF with a palette of the given colours; indices from picture's red channel.
struct GifOptions {
    std::vector<Rgb> palette;
    int transparentIndex = -1;
    bool interlaced = false;
    int screenWidth = 0, screenHeight = 0; // 0: the frame's size
    int left = 0, top = 0;
    int background = 0;
    bool secondFrame = false;
};
std::vector<uint8_t> EncodeGif(const Picture& indices, const GifOptions& options);

// TIFF, written through a file by libtiff.
// Grey: 8 bits from green; Cmyk: inks 255 - red, 255 - green, 255 - blue and no black, in
// 16 x 16 tiles when CmykTiled. With an ICC profile when icc is not empty.
enum class TiffKind { Rgb, RgbAlpha, Grey16, Palette, Tiled, Grey, Cmyk, CmykTiled };
std::vector<uint8_t> EncodeTiff(const Picture& picture, TiffKind kind, int orientation = 1,
                                const std::vector<uint8_t>& alpha = {},
                                const std::vector<uint8_t>& icc = {});

// Lossless WebP (exact pixels); with an EXIF chunk when exifOrientation is non-zero; alpha
// per pixel when given.
std::vector<uint8_t> EncodeWebp(const Picture& picture, int exifOrientation = 0,
                                const std::vector<uint8_t>& alpha = {}, bool lossy = false);

// HEIC through libheif's HEVC encoder; orientation written as the file's rotate/mirror
// boxes; a thumbnail of at most thumbnailSize when non-zero; an nclx colour box with these
// primaries (and sRGB's curve) when nclxPrimaries is non-zero (12: Display P3). Empty when
// no encoder exists.
std::vector<uint8_t> EncodeHeic(const Picture& picture, int orientation = 1, int thumbnailSize = 0,
                                const std::vector<uint8_t>& alpha = {}, int nclxPrimaries = 0);

// The stored form of an upright picture for an EXIF orientation 1..8 (what a camera that
// did not turn the pixels writes).
Picture StoredForOrientation(const Picture& upright, int orientation);

// Records progress reports.
class ProgressLog : public TDibLoadOwner {
  public:
    void DibLoadProgress(int percent) override { values.push_back(percent); }
    std::vector<int> values;
};

// Rising, ending at 100, no step larger than maxStep.
::testing::AssertionResult GoodProgress(const std::vector<int>& values, int maxStep);

// --- colour profiles ---------------------------------------------------------------------
// The bytes of an lcms2 profile (closed by the call).
std::vector<uint8_t> SaveProfile(void* profile);
// An RGB matrix profile: white, red, green, blue chromaticities (x, y pairs) and a gamma
// (0: sRGB's curve).
std::vector<uint8_t> RgbProfile(const double xy[8], double gamma);
// A CMYK profile of the simple ink formula (red = (1 - cyan)(1 - black) and so on, taken as
// sRGB), with cyan and magenta traded when `swapped`.
std::vector<uint8_t> InkProfile(bool swapped);
// The JPEG with the profile in APP2 segments of at most `part` bytes each.
std::vector<uint8_t> JpegWithProfile(std::vector<uint8_t> jpeg, const std::vector<uint8_t>& icc,
                                     size_t part = 65519);

} // namespace fixtures

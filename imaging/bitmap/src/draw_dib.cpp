// DrawDib: chooses how the pixels of a TDib reach a device and falls back when the device
// refuses the usual transfer.
#include "lumeno/bitmap/draw_dib.h"

#include "lumeno/bitmap/dib_ops.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace lumeno {

namespace {

// Proportional sizes: the nearest integer, halves to even (the default rounding mode),
// held within the range of int.
int Proportional(double value) {
    const double rounded = std::nearbyint(value);
    if (!(rounded > std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    if (rounded > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    return static_cast<int>(rounded);
}

uint8_t* RowOf(const TDib& image, int y) {
    return image.Bits + static_cast<ptrdiff_t>(y) * image.RowBytes;
}

// Selects a palette for the duration of a scope and selects the replaced one back.
class PaletteSelection {
  public:
    PaletteSelection(DibDrawTarget& dc, void* palette)
        : dc_(dc), previous_(dc.SelectPalette(palette)) {}
    ~PaletteSelection() { dc_.SelectPalette(previous_); }
    PaletteSelection(const PaletteSelection&) = delete;
    PaletteSelection& operator=(const PaletteSelection&) = delete;

  private:
    DibDrawTarget& dc_;
    void* previous_;
};

// 24-bit photos on screens of 256 colours or fewer: a halftoned copy, made at the displayed
// size when the picture is shown smaller, so that the device copies it one to one.
bool DrawHalftoned(DibDrawTarget& dc, const DibDrawRects& r, const TDib& image, uint32_t rasterOp,
                   void* paletteToSelect) {
    const int width = DibWidth(image);
    const int height = DibHeight(image);
    ScopedDib copy;
    DibRect source{r.srcX, r.srcY, r.srcWidth, r.srcHeight};
    if (r.destWidth < r.srcWidth || r.destHeight < r.srcHeight) {
        const int copyWidth = std::max(1, Proportional(double(width) * r.destWidth / r.srcWidth));
        const int copyHeight =
            std::max(1, Proportional(double(height) * r.destHeight / r.srcHeight));
        if (!DIBHalftoneDIBXY(copy.get(), &image, copyWidth, copyHeight) || copy.empty())
            return false;
        source = {Proportional(double(r.srcX) * copyWidth / width),
                  Proportional(double(r.srcY) * copyHeight / height), r.destWidth, r.destHeight};
    } else {
        if (!DIBHalftoneDIB(copy.get(), &image) || copy.empty()) return false;
    }
    PaletteSelection selection(dc, paletteToSelect);
    dc.StretchBits({r.x, r.y, r.destWidth, r.destHeight}, source, *copy.get(), rasterOp);
    return true;
}

// Printers: each target row is built from the source in a small image and sent unscaled,
// a band of rows per transfer where the device allows more than one.
void DrawRowByRow(DibDrawTarget& dc, const DibDrawRects& r, const TDib& image) {
    const int bits = DibBitCount(image);
    const int bytesPerPixel = bits == 24 ? 3 : 1;
    const int width = DibWidth(image);
    const int height = DibHeight(image);
    const int top = height - r.srcY - r.srcHeight; // source top, counted from the top row

    // The band: at most RowBandHeight rows, and not much more than 8 MB of pixels.
    const int64_t rowBytes = (int64_t{r.destWidth} * bytesPerPixel + 3) / 4 * 4;
    int band = std::max(1, dc.RowBandHeight());
    band = static_cast<int>(
        std::min<int64_t>({band, r.destHeight, std::max<int64_t>(1, (8 << 20) / rowBytes)}));

    const auto makeBuffer = [&](ScopedDib& buffer, int rows) {
        if (bits == 24) {
            newdib(buffer.get(), r.destWidth, rows, 24, nullptr, 0);
        } else {
            newdib(buffer.get(), r.destWidth, rows, 8, image.Info, 256);
        }
        return !buffer.empty();
    };
    // One buffer for all full bands (a row that is never written stays black).
    ScopedDib full;
    if (!makeBuffer(full, band)) return;

    // Column table, computed once per call; columns outside the image are never written.
    std::vector<int32_t> columns(static_cast<size_t>(r.destWidth));
    int first = -1;
    int last = -1;
    for (int i = 0; i < r.destWidth; ++i) {
        const int64_t col = r.srcX + int64_t{r.srcWidth} * i / r.destWidth;
        columns[i] = static_cast<int32_t>(col);
        if (col >= 0 && col < width) {
            if (first < 0) first = i;
            last = i;
        }
    }

    int previous = -1; // stored source row the buffer's last written row holds
    for (int r0 = 0; r0 < r.destHeight; r0 += band) {
        const int rows = std::min(band, r.destHeight - r0);
        ScopedDib partial;
        if (rows != band && !makeBuffer(partial, rows)) return;
        TDib& buffer = rows == band ? *full.get() : *partial.get();
        // A one-row buffer still holds the row sent last; a new band starts afresh.
        if (rows != 1 || &buffer != full.get()) previous = -1;
        for (int k = 0; k < rows; ++k) {
            const int64_t fromTop = top + int64_t{r.srcHeight} * (r0 + k) / r.destHeight;
            const int64_t stored = height - 1 - fromTop;
            uint8_t* out = RowOf(buffer, rows - 1 - k); // bands are stored bottom-up
            if (stored < 0 || stored >= height) {
                std::memset(out, 0, static_cast<size_t>(buffer.RowBytes));
                previous = -1;
                continue;
            }
            if (stored == previous) {
                // The same source row again: rows == 1 sends the buffer unchanged.
                if (k > 0)
                    std::memcpy(out, RowOf(buffer, rows - k), static_cast<size_t>(buffer.RowBytes));
                continue;
            }
            previous = static_cast<int>(stored);
            if (first < 0) continue;
            const uint8_t* in = RowOf(image, previous);
            if (bytesPerPixel == 3) {
                for (int i = first; i <= last; ++i)
                    std::memcpy(out + 3 * i, in + 3 * columns[i], 3);
            } else {
                for (int i = first; i <= last; ++i)
                    out[i] = in[columns[i]];
            }
        }
        dc.SendBits(r.x, r.y + r0, buffer);
    }
}

// First fallback: a sampled copy at the target size, sent unscaled.
bool DrawSampledCopy(DibDrawTarget& dc, const DibDrawRects& r, const TDib& image) {
    const int bits = DibBitCount(image);
    const int64_t colours = DibColourCount(image);
    ScopedDib copy;
    newdib(copy.get(), r.destWidth, r.destHeight, bits, image.Info,
           colours <= 256 ? static_cast<int>(colours) : 0);
    if (copy.empty()) return false;
    // A target one pixel wide or high takes the first source column or row.
    const auto sourceColumn = [&](int x) {
        return r.destWidth > 1 ? r.srcX + int(int64_t{r.srcWidth - 1} * x / (r.destWidth - 1))
                               : r.srcX;
    };
    std::vector<int> columns(static_cast<size_t>(r.destWidth));
    for (int x = 0; x < r.destWidth; ++x)
        columns[x] = sourceColumn(x);
    for (int y = 0; y < r.destHeight; ++y) {
        const int sy = r.destHeight > 1
                           ? r.srcY + int(int64_t{r.srcHeight - 1} * y / (r.destHeight - 1))
                           : r.srcY;
        const uint8_t* in = RowOf(image, sy);
        uint8_t* out = RowOf(*copy.get(), y);
        for (int x = 0; x < r.destWidth; ++x) {
            const int sx = columns[x];
            switch (bits) {
            case 1:
                setpixel(copy.get(), x, y, getpixel(&image, sx, sy));
                break;
            case 4: {
                const uint8_t v = (sx & 1) ? (in[sx / 2] & 0x0F) : (in[sx / 2] >> 4);
                out[x / 2] |= (x & 1) ? v : static_cast<uint8_t>(v << 4);
                break;
            }
            case 8:
                out[x] = in[sx];
                break;
            case 24:
                std::memcpy(out + 3 * x, in + 3 * sx, 3);
                break;
            default:
                break;
            }
        }
    }
    return dc.SendBits(r.x, r.y, *copy.get()) != 0;
}

// Second fallback: the whole image into a device bitmap, stretch-copied from there.
DrawDibResult DrawThroughDeviceBitmap(DibDrawTarget& dc, const DibDrawRects& r, const TDib& image,
                                      uint32_t rasterOp) {
    const int height = DibHeight(image);
    std::unique_ptr<DeviceBitmap> bitmap = dc.CreateCompatibleBitmap(DibWidth(image), height);
    if (!bitmap) {
        return DrawDibResult::kNoBitmap;
    }
    if (!bitmap->SetRows(image)) {
        return DrawDibResult::kNoSetRows;
    }
    // The device bitmap counts rows from the top: the same part of the picture as the
    // source rectangle, whose SrcY counts from the bottom.
    const DibRect source{r.srcX, height - r.srcY - r.srcHeight, r.srcWidth, r.srcHeight};
    if (!bitmap->StretchTo({r.x, r.y, r.destWidth, r.destHeight}, source, rasterOp))
        return DrawDibResult::kNoStretch;
    return DrawDibResult::kDrawn;
}

} // namespace

bool ClipToImage(DibDrawRects& rects, int imageWidth, int imageHeight) {
    // Worked in 64 bits so that no coordinate a caller passes can overflow; results that do
    // not fit an int again draw nothing.
    int64_t x = rects.x, y = rects.y, destWidth = rects.destWidth, destHeight = rects.destHeight;
    int64_t srcX = rects.srcX, srcY = rects.srcY, srcWidth = rects.srcWidth;
    int64_t srcHeight = rects.srcHeight;
    if (srcWidth <= 0 || srcHeight <= 0 || destWidth <= 0 || destHeight <= 0) return false;
    if (srcX + srcWidth > imageWidth) {
        const int64_t newWidth = imageWidth - srcX;
        if (newWidth <= 0) return false;
        destWidth = Proportional(double(destWidth) * double(newWidth) / double(srcWidth));
        srcWidth = newWidth;
    }
    if (srcY < 0) {
        if (srcY + srcHeight <= 0) return false;
        destHeight =
            Proportional(double(destHeight) * double(srcY + srcHeight) / double(srcHeight));
        srcHeight += srcY;
        srcY = 0;
    }
    if (srcY + srcHeight > imageHeight) {
        const int64_t newHeight = imageHeight - srcY;
        if (newHeight <= 0) return false;
        const int64_t newDest =
            Proportional(double(destHeight) * double(newHeight) / double(srcHeight));
        y += destHeight - newDest;
        destHeight = newDest;
        srcHeight = newHeight;
    }
    if (srcX < 0) {
        if (srcX + srcWidth <= 0) return false;
        const int64_t newDest =
            Proportional(double(destWidth) * double(srcX + srcWidth) / double(srcWidth));
        x += destWidth - newDest;
        destWidth = newDest;
        srcWidth += srcX;
        srcX = 0;
    }
    if (srcWidth <= 0 || srcHeight <= 0 || destWidth <= 0 || destHeight <= 0) return false;
    const auto fits = [](int64_t v) {
        return v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max();
    };
    if (!fits(x) || !fits(y) || !fits(x + destWidth) || !fits(y + destHeight)) return false;
    rects = {int(x),    int(y),    int(destWidth), int(destHeight),
             int(srcX), int(srcY), int(srcWidth),  int(srcHeight)};
    return true;
}

DrawDibResult DrawDib(DibDrawTarget& dc, int x, int y, int destWidth, int destHeight,
                      const TDib& image, int srcX, int srcY, int srcWidth, int srcHeight,
                      bool halftone, uint32_t rasterOp, bool useImagePalette, void* palette) {
    const bool rasterDisplay = dc.IsRasterDisplay();
    dc.SetStretchMode(kColorOnColor);
    if (!image.Bits || !image.Info) return DrawDibResult::kDrawn;

    DibDrawRects r{x, y, destWidth, destHeight, srcX, srcY, srcWidth, srcHeight};
    if (!ClipToImage(r, DibWidth(image), DibHeight(image))) return DrawDibResult::kDrawn;

    void* const chosenPalette = useImagePalette ? image.Palette : palette;
    std::unique_ptr<PaletteSelection> imagePalette;
    if (image.HasPalette == 1) imagePalette = std::make_unique<PaletteSelection>(dc, chosenPalette);

    const int bits = DibBitCount(image);
    if (bits == 24 && dc.ScreenBitsPerPixel() <= 8 && halftone) {
        // Where no halftoned copy can be made the picture is still drawn, directly.
        if (DrawHalftoned(dc, r, image, rasterOp, chosenPalette)) return DrawDibResult::kDrawn;
    } else if (bits == 24 && !rasterDisplay) {
        DrawRowByRow(dc, r, image);
        return DrawDibResult::kDrawn;
    } else if (bits == 8 && !rasterDisplay) {
        DrawRowByRow(dc, r, image);
        return DrawDibResult::kDrawn;
    }

    const int lines = dc.StretchBits({r.x, r.y, r.destWidth, r.destHeight},
                                     {r.srcX, r.srcY, r.srcWidth, r.srcHeight}, image, rasterOp);
    if (lines != kGdiError) return DrawDibResult::kDrawn;
    if (dc.CanTakeBits() && DrawSampledCopy(dc, r, image)) return DrawDibResult::kDrawn;
    return DrawThroughDeviceBitmap(dc, r, image, rasterOp);
}

} // namespace lumeno

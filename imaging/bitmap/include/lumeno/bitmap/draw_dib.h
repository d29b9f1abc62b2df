#pragma once
// DrawDib: the one routine that puts a rectangle of a TDib into a rectangle of a screen,
// printer or image, scaled. It works on a drawing target (DibDrawTarget) that stands for
// the device: a Qt painter (imaging/qt, qt_draw_target.h) in the program, a recording
// target (tests/support/recording_target.h) in tests.
//
// Coordinates: target rectangles are in device units, y growing downwards. Source
// rectangles of image transfers count SrcY from the bottom row, as the rows are stored.
#include "pictavo.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace lumeno {

inline constexpr uint32_t kSrcCopy = 0x00CC0020; // the raster operation every caller passes
inline constexpr int kColorOnColor = 3;          // stretch mode: delete scan lines
inline constexpr int kGdiError = -1;             // a refused stretched transfer

struct DibRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const DibRect&) const = default;
};

// A bitmap in the device's own format with the memory context it is selected into; the
// destructor restores the context's previous bitmap and deletes both.
class DeviceBitmap {
  public:
    virtual ~DeviceBitmap() = default;
    // Sets the bitmap's rows 0 .. height - 1 from image's Bits and Info. False when the
    // device cannot take them.
    virtual bool SetRows(const TDib& image) = 0;
    // Stretch-copies source (bitmap coordinates: y from the top) into target.
    virtual bool StretchTo(const DibRect& target, const DibRect& source, uint32_t rasterOp) = 0;
};

// What DrawDib needs of a device.
class DibDrawTarget {
  public:
    virtual ~DibDrawTarget() = default;
    // A screen (or an image in memory) rather than a printer.
    virtual bool IsRasterDisplay() const = 0;
    // Colour depth of the screen the program runs on (not of this device).
    virtual int ScreenBitsPerPixel() const = 0;
    // The device accepts image bits directly (unstretched transfers).
    virtual bool CanTakeBits() const = 0;
    virtual void SetStretchMode(int mode) = 0;
    // Selects palette (a TDib's Palette or the caller's; may be null) as foreground palette,
    // realises it and returns the palette it replaced, for selecting that back.
    virtual void* SelectPalette(void* palette) = 0;
    // Draws source (y from the bottom row; it may reach outside the image, which the device
    // clips) of image scaled into target. Returns the number of lines drawn, or kGdiError.
    virtual int StretchBits(const DibRect& target, const DibRect& source, const TDib& image,
                            uint32_t rasterOp) = 0;
    // Draws the whole image unscaled with its top-left corner at (x, y). Returns the number
    // of lines drawn; 0 on failure.
    virtual int SendBits(int x, int y, const TDib& image) = 0;
    // A bitmap compatible with the device, width x height; null on failure.
    virtual std::unique_ptr<DeviceBitmap> CreateCompatibleBitmap(int width, int height) = 0;
    // Rows the row-by-row printer transfer may send in one SendBits call. 1 sends every row
    // alone; more rows per call give the same pixels in far fewer transfers.
    virtual int RowBandHeight() const { return 1; }
};

// The target and source rectangles of one DrawDib call.
struct DibDrawRects {
    int x = 0, y = 0, destWidth = 0, destHeight = 0;
    int srcX = 0, srcY = 0, srcWidth = 0, srcHeight = 0;
    bool operator==(const DibDrawRects&) const = default;
};

// Clips the source rectangle to an image of imageWidth x imageHeight and shrinks the target
// in proportion (proportional sizes rounded to the nearest integer, halves to even; a cut at
// the top moves the target down, a cut at the left moves it right). Returns false when
// nothing is left to draw (an empty source or target before or after clipping).
bool ClipToImage(DibDrawRects& rects, int imageWidth, int imageHeight);

// How DrawDib ended.
enum class DrawDibResult {
    kDrawn,     // drawn, or nothing to draw
    kNoBitmap,  // the last fallback could not create a device bitmap
    kNoSetRows, // the device bitmap refused the picture's rows
    kNoStretch, // the device refused the stretched copy from the device bitmap
};

// Draws the source rectangle of image into the target rectangle of dc.
// - The stretch mode is set to kColorOnColor and left so.
// - 24-bit images on screens of 8 bits or less are halftoned first when halftone is true
//   (at the displayed size when shown smaller); on printers 8- and 24-bit images go row by
//   row; everything else is one stretched transfer, with two fallbacks when the device
//   refuses it.
// - Palette images (HasPalette 1) get image.Palette selected when useImagePalette is true,
//   else palette; the previous palette is selected back before returning.
// Returns kDrawn, also when there was nothing to draw (empty images and empty rectangles
// draw nothing). A device that refuses every transfer gives the step that failed last, and
// nothing is drawn; the window layer tells the user.
DrawDibResult DrawDib(DibDrawTarget& dc, int x, int y, int destWidth, int destHeight,
                      const TDib& image, int srcX, int srcY, int srcWidth, int srcHeight,
                      bool halftone, uint32_t rasterOp, bool useImagePalette, void* palette);

} // namespace lumeno

#pragma once
// Inside the library: what every decoder receives and returns, and the shared helpers that
// turn decoded rows into a TDib (progress, orientation, EXIF).
#include "dib_alloc.h"
#include "pictavo.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pictavo_internal {

using ColourOutcome = TDibColour;

// Forwards loading progress to the owner: each percentage at most once, never falling.
// A decoder maps its own work into a sub-range with SetRange and reports with Step.
class Progress {
  public:
    explicit Progress(TDibLoadOwner* owner) : owner_(owner) {}
    void SetRange(int from, int to) {
        from_ = from;
        to_ = to;
    }
    // done out of total within the current range.
    void Step(int64_t done, int64_t total) {
        if (total <= 0) return;
        if (done > total) done = total;
        Report(from_ + static_cast<int>((to_ - from_) * done / total));
    }
    void Report(int percent) {
        if (!owner_ || percent <= last_) return;
        last_ = percent > 100 ? 100 : percent;
        owner_->DibLoadProgress(last_);
    }
    void Finish() { Report(100); }

  private:
    TDibLoadOwner* owner_;
    int last_ = -1;
    int from_ = 0, to_ = 100;
};

enum class LoadStatus { Failed, Partial, Complete };

struct LoadRequest {
    const uint8_t* data = nullptr;
    size_t size = 0;
    // Reduced load: the decoder may return a smaller picture whose upright size is at least
    // this (0, 0: the whole picture).
    int minWidth = 0, minHeight = 0;
    Progress* progress = nullptr;
};

struct LoadResult {
    LoadStatus status = LoadStatus::Failed;
    // The picture's ICC profile (empty: sRGB or none), converted to sRGB after decoding.
    // Built by the decoder where the file describes its colours otherwise (PNG gAMA/cHRM,
    // HEIF nclx, EXIF Adobe RGB).
    std::vector<uint8_t> profile;
    // Set by a decoder that converted the colours itself (CMYK JPEG) or met a broken profile.
    ColourOutcome colour = ColourOutcome::kNone;
    int orientation = 1; // EXIF orientation (1..8) still to be applied to the decoded image
    int fullWidth = 0;   // full picture size as stored (before orientation)
    int fullHeight = 0;
};

LoadResult LoadJpeg(const LoadRequest& request, TDib* out);
LoadResult LoadPng(const LoadRequest& request, TDib* out);
LoadResult LoadBmp(const LoadRequest& request, TDib* out);
LoadResult LoadGif(const LoadRequest& request, TDib* out);
LoadResult LoadTiff(const LoadRequest& request, TDib* out);
LoadResult LoadWebp(const LoadRequest& request, TDib* out);
LoadResult LoadHeif(const LoadRequest& request, TDib* out);

// True when an EXIF block (same forms as ExifOrientation) says Adobe RGB: colour space
// "uncalibrated" (0xFFFF) or 2 with the interoperability index "R03".
bool ExifSaysAdobeRgb(const uint8_t* data, size_t size);

// The ICC profile that shows a JPEG's RGB or grey data right: see JpegColourProfile.
ColourOutcome JpegProfile(const uint8_t* data, size_t size, std::vector<uint8_t>& profile);

// Writes a JPEG file at quality 1..100; false (and no file left behind) on failure.
bool SaveJpeg(const TDib* image, const char* fileName, int quality);

// A JPEG of three colour components, stored upright, decoded (and converted to sRGB through
// its profile) and encoded again band by band:
// writes to fileName the bytes SaveJpeg(quality) writes for LoadJpeg's whole picture, without
// holding the picture, and gives its size. False for any other JPEG, when the data fail or
// end early, or when the writing fails; the file may then hold part of a picture, and the
// caller goes the way through a whole picture.
bool RecodeJpeg(const LoadRequest& request, const char* fileName, int quality, int* width,
                int* height);

// Start of stored row y counted from the top of the picture.
inline uint8_t* RowFromTop(TDib* dib, int y) {
    return dib->Bits + static_cast<size_t>(dib->Info->biHeight - 1 - y) * dib->RowBytes;
}

// A new 8-bit image whose colour table is the grey ramp 0..255 (pixels as NewDibUncleared
// when not zeroed).
bool NewGreyDib(TDib* out, int width, int height, bool zeroed = true);

// Sets colour i of a palette image (both tables).
void SetColour(TDib* dib, int i, uint8_t red, uint8_t green, uint8_t blue);

// Orientation 1..8 from an EXIF block (the TIFF structure, with or without the leading
// "Exif\0\0"); 1 when absent or unreadable.
int ExifOrientation(const uint8_t* data, size_t size);

// Sets the orientation of an EXIF block (same forms as above) to 1 in place; nothing
// happens when it has none.
void SetExifOrientationUpright(uint8_t* data, size_t size);

// The embedded JPEG thumbnail of an EXIF block (same forms as above): its offset from the
// start of data and its length; false when there is none or it lies outside the block.
bool ExifThumbnail(const uint8_t* data, size_t size, size_t& offset, size_t& length);

// Replaces *dib by its upright form for an EXIF orientation; false (dib unchanged) when the
// copy cannot be made.
bool ApplyOrientation(TDib* dib, int orientation);

// True when orientation swaps width and height (5..8).
inline bool SwapsAxes(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

// Composites a colour with alpha onto white.
inline uint8_t OnWhite(unsigned value, unsigned alpha) {
    return static_cast<uint8_t>((value * alpha + 255u * (255u - alpha) + 127u) / 255u);
}

} // namespace pictavo_internal

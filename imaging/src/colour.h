#pragma once
// Inside the library: colour profiles of decoded pictures and their conversion to sRGB.
#include "codecs.h"
#include "colour_wide.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace pictavo_internal {

// How the samples handed to a transform are laid out (8 bits each).
enum class ColourInput { kBgr, kGrey, kCmyk, kInvertedCmyk };

// The conversion from one ICC profile to sRGB blue, green, red, shared by every picture with
// the same profile bytes (made once, kept in a cache guarded by a mutex; using it needs no
// lock). Empty or too short profile bytes give kNone; bytes lcms2 cannot read, or a profile
// of another colour space than the input's, give kBroken; an sRGB profile gives kNone.
struct ColourConversion;

class ColourTransform {
  public:
    ColourTransform() = default;
    ColourTransform(const uint8_t* profile, size_t size, ColourInput input);
    ColourOutcome outcome() const { return outcome_; }
    bool converts() const { return conversion_ != nullptr; }
    ColourInput input() const { return input_; }
    // width pixels of `in` (the input layout) to blue, green, red; in may equal bgr for kBgr.
    void Row(const uint8_t* in, uint8_t* bgr, int width) const;
    // True when ConvertYcc can convert this profile's pictures straight from JPEG's YCbCr
    // samples (a matrix profile or a table profile with ramps, on a processor with AVX-512 byte
    // permutes).
    bool convertsYcc() const;
    // Two rows of raw YCbCr samples with half-width chroma (see WideMatrixYccRows); only when
    // convertsYcc().
    void ConvertYcc(const YccRows& rows, int count) const;

  private:
    ColourOutcome outcome_ = ColourOutcome::kNone;
    ColourInput input_ = ColourInput::kBgr;
    std::shared_ptr<const ColourConversion> conversion_;
};

// Converts a decoded picture (24 bits, or a palette image: its colour table) from profile to
// sRGB in place. Nothing happens for an empty profile, an sRGB one or a broken one (the
// outcome says which).
ColourOutcome ConvertToSrgb(TDib* dib, const std::vector<uint8_t>& profile);

enum class ToneCurve { kSrgb, kGamma };

// An RGB matrix profile from the chromaticities of white, red, green and blue (x, y pairs in
// that order) and one tone curve for all three; empty when the values make no profile.
std::vector<uint8_t> BuildRgbProfile(const double xy[8], ToneCurve curve, double gamma = 2.2);

// Adobe RGB (1998), for pictures that name it in their EXIF data without carrying it.
std::vector<uint8_t> AdobeRgbProfile();

// A CMYK profile of offset print on coated paper, for CMYK pictures without a usable profile
// of their own (empty if lcms2 cannot make it).
std::vector<uint8_t> DefaultCmykProfile();

// The colour outcome of the last load on the calling thread.
void SetLastColourOutcome(ColourOutcome outcome);
ColourOutcome LastColourOutcome();

} // namespace pictavo_internal

#pragma once
// Inside the library: size rules and helpers shared by the decoders.
#include "pictavo.h"

#include <cstdint>

namespace pictavo_internal {

// Pictures above this many pixels are refused (500 megapixels; less in the fuzzing build).
#ifndef PICTAVO_MAX_PIXELS
#define PICTAVO_MAX_PIXELS 500000000
#endif
inline constexpr int64_t kMaxPixels = PICTAVO_MAX_PIXELS;

// Bytes of one stored row: whole 32-bit words.
int64_t RowBytesFor(int width, int bitsPerPixel);

// True when a width x height picture of that depth may be allocated.
bool SizeAllowed(int width, int height, int bitsPerPixel);

// newdib for a decoder that writes every byte of every row itself, or clears what it did not
// write: the pixels of a reused block are not cleared first.
int NewDibUncleared(TDib* out, int width, int height, int bitsPerPixel);

// Copies Info->bmiColors into Colours (red, green, blue order).
void SyncColours(TDib* dib);

} // namespace pictavo_internal

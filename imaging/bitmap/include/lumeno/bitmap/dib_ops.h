#pragma once
// The program's own pixel routines on TDib images: size queries, conversion to 24 bits and
// the thumbnail reduction. None of them keeps state; all may run on any thread.
#include "pictavo.h"

#include <cstdint>

namespace lumeno {

// Size and depth of an image, read from its Info; 0 for an empty record (Info null).
int DibWidth(const TDib& image);
int DibHeight(const TDib& image);
int DibBitCount(const TDib& image);
// 2 to the power of the bit count (16777216 for 24 bits); 0 for an empty record.
int64_t DibColourCount(const TDib& image);

// Replaces an image of 1, 4 or 8 bits per pixel by a 24-bit copy of the same size and frees
// the old pixels. Every pixel takes its index's entry in Colours, so a 1-bit picture keeps its
// two colours (a black/white table gives black for 0 and white for 1). A 24-bit image, an empty
// record and any other depth stay as they are; so does the image when the copy cannot be
// allocated (check DibBitCount afterwards).
void ConvertTo24Bit(TDib& image);

// A new w x h image of the source's depth (and colour table) by nearest-neighbour sampling
// in 10-bit fixed point: result column x takes source column (x * ((W * 1024) div w)) shr 10,
// rows alike, both in storage order. Depths 1, 4, 8 and 24. The caller frees the result with
// deldib. Returns an empty record (Bits null) for an empty source, w or h below 1, or a depth
// newdib cannot make.
TDib Resize(const TDib& source, int w, int h);

// A new w x h 24-bit image of a 24-bit source at least that large, every result pixel the
// average of the source area it covers (partly covered pixels count by their share), so a
// photo made smaller keeps its detail smooth instead of aliasing. The caller frees the result
// with deldib. Returns an empty record for another depth, a result larger than the source in
// either direction, w or h below 1, or when memory runs out.
TDib ShrinkAveraged(const TDib& source, int w, int h);

struct ThumbSize {
    int w = 0;
    int h = 0;
};

// The thumbnail size of a width x height picture, at most 80 x 80: w = 80 and
// h = height * 80 div width; when h exceeds 80, h = 80 and w = width * 80 div height.
// A side that computes to 0 (a picture more than 80 times as wide as high, or the other way
// round) becomes 1. {0, 0} when width or height is below 1.
ThumbSize ThumbnailSize(int width, int height);

} // namespace lumeno

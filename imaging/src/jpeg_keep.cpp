// JPEG data taken over as it is: reading the markers without decoding, and turning a picture
// upright on its coded blocks with libjpeg-turbo's lossless transform.
#include "codecs.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include <turbojpeg.h>

using namespace pictavo_internal;

namespace {

constexpr uint8_t kSoi = 0xD8, kEoi = 0xD9, kSos = 0xDA, kDac = 0xCC, kApp1 = 0xE1, kApp14 = 0xEE;

bool IsRestart(uint8_t m) {
    return m >= 0xD0 && m <= 0xD7;
}

// Start-of-frame markers: C0..CF except DHT (C4), JPG (C8) and DAC (CC).
bool IsFrame(uint8_t m) {
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != kDac;
}

unsigned Be16(const uint8_t* p) {
    return static_cast<unsigned>(p[0]) << 8 | p[1];
}

// The position of the marker that ends the coded data starting at pos (the first 0xFF of
// it), or size when the data end first. Stuffed zero bytes and restart markers belong to
// the coded data.
size_t EndOfCodedData(const uint8_t* d, size_t size, size_t pos) {
    while (pos < size) {
        const void* hit = std::memchr(d + pos, 0xFF, size - pos);
        if (!hit) return size;
        const size_t at = static_cast<size_t>(static_cast<const uint8_t*>(hit) - d);
        size_t code = at + 1;
        while (code < size && d[code] == 0xFF)
            ++code; // fill bytes before a marker
        if (code >= size) return size;
        if (d[code] != 0x00 && !IsRestart(d[code])) return at;
        pos = code + 1;
    }
    return size;
}

struct FrameFacts {
    uint8_t marker = 0;
    bool adobe = false;      // an Adobe marker (colour transform chosen by the writer)
    bool arithmetic = false; // arithmetic coding conditions (DAC)
    int precision = 0;
    int components = 0;
    bool rgbIds = false; // component ids 'R', 'G', 'B'
    int maxH = 1, maxV = 1;
};

// Walks the markers; kShowable here only means "intact"; the caller judges the rest.
TJpegCheck Walk(const uint8_t* d, size_t size, TJpegFacts& facts, FrameFacts& frame) {
    if (!d || size < 4 || d[0] != 0xFF || d[1] != kSoi) return TJpegCheck::kNotJpeg;
    size_t pos = 2;
    bool sawExif = false, sawScan = false;
    for (;;) {
        if (pos >= size || d[pos] != 0xFF) return TJpegCheck::kDamaged;
        while (pos < size && d[pos] == 0xFF)
            ++pos;
        if (pos >= size) return TJpegCheck::kDamaged;
        const uint8_t m = d[pos++];
        if (m == kEoi) {
            if (!sawScan) return TJpegCheck::kDamaged;
            facts.Size = pos;
            return TJpegCheck::kShowable;
        }
        if (m == 0x00 || m == 0x01 || m == kSoi || IsRestart(m)) return TJpegCheck::kDamaged;
        if (size - pos < 2) return TJpegCheck::kDamaged;
        const size_t length = Be16(d + pos);
        if (length < 2 || length > size - pos) return TJpegCheck::kDamaged;
        const uint8_t* seg = d + pos + 2;
        const size_t segLength = length - 2;
        pos += length;
        if (IsFrame(m)) {
            if (frame.marker != 0 || segLength < 6) return TJpegCheck::kDamaged;
            frame.marker = m;
            frame.precision = seg[0];
            facts.Height = static_cast<int32_t>(Be16(seg + 1));
            facts.Width = static_cast<int32_t>(Be16(seg + 3));
            frame.components = seg[5];
            facts.Components = seg[5];
            if (frame.components == 0 || segLength < 6 + 3u * frame.components)
                return TJpegCheck::kDamaged;
            for (int i = 0; i < frame.components; ++i) {
                const int h = seg[7 + 3 * i] >> 4, v = seg[7 + 3 * i] & 15;
                if (h < 1 || h > 4 || v < 1 || v > 4) return TJpegCheck::kDamaged;
                frame.maxH = std::max(frame.maxH, h);
                frame.maxV = std::max(frame.maxV, v);
            }
            frame.rgbIds =
                frame.components == 3 && seg[6] == 'R' && seg[9] == 'G' && seg[12] == 'B';
            facts.Progressive = m == 0xC2 ? 1 : 0;
        } else if (m == kDac) {
            frame.arithmetic = true;
        } else if (m == kApp14 && segLength >= 5 && std::memcmp(seg, "Adobe", 5) == 0) {
            frame.adobe = true;
        } else if (m == kApp1 && !sawExif && segLength >= 6 &&
                   std::memcmp(seg, "Exif\0\0", 6) == 0) {
            sawExif = true;
            facts.Orientation = ExifOrientation(seg, segLength);
        } else if (m == kSos) {
            if (frame.marker == 0) return TJpegCheck::kDamaged;
            sawScan = true;
            pos = EndOfCodedData(d, size, pos);
        }
    }
}

struct TransformerFree {
    void operator()(void* h) const {
        if (h) tjDestroy(h);
    }
};
using Transformer = std::unique_ptr<void, TransformerFree>;

struct TjBufferFree {
    void operator()(unsigned char* p) const { tjFree(p); }
};
using TjBuffer = std::unique_ptr<unsigned char, TjBufferFree>;

// libjpeg-turbo's operation that makes a picture stored with this orientation upright.
int UprightOperation(int orientation) {
    switch (orientation) {
    case 2:
        return TJXOP_HFLIP;
    case 3:
        return TJXOP_ROT180;
    case 4:
        return TJXOP_VFLIP;
    case 5:
        return TJXOP_TRANSPOSE;
    case 6:
        return TJXOP_ROT90;
    case 7:
        return TJXOP_TRANSVERSE;
    case 8:
        return TJXOP_ROT270;
    default:
        return -1;
    }
}

// Sets the orientation of the first EXIF block among the markers before the first scan.
void MarkUpright(uint8_t* d, size_t size) {
    size_t pos = 2;
    while (pos + 4 <= size && d[pos] == 0xFF) {
        const uint8_t m = d[pos + 1];
        const size_t length = Be16(d + pos + 2);
        if (m == kSos || length < 2 || length > size - pos - 2) return;
        uint8_t* seg = d + pos + 4;
        if (m == kApp1 && length - 2 >= 6 && std::memcmp(seg, "Exif\0\0", 6) == 0) {
            SetExifOrientationUpright(seg, length - 2);
            return;
        }
        pos += 2 + length;
    }
}

} // namespace

namespace {

TJpegCheck Check(const uint8_t* data, size_t size, TJpegFacts& facts, FrameFacts& frame) {
    const TJpegCheck walked = Walk(data, size, facts, frame);
    if (walked != TJpegCheck::kShowable) return walked;
    // Baseline (C0) and progressive (C2) Huffman coding only; a height of 0 is set later by
    // a DNL marker, which not every decoder reads.
    if ((frame.marker != 0xC0 && frame.marker != 0xC2) || frame.arithmetic ||
        frame.precision != 8 || facts.Width == 0 || facts.Height == 0)
        return TJpegCheck::kOtherCoding;
    // Without an Adobe marker, 3 components are YCbCr for every decoder unless their ids
    // spell R, G, B (which some decoders read as RGB and others do not).
    if ((frame.components != 1 && frame.components != 3) || frame.adobe || frame.rgbIds)
        return TJpegCheck::kOtherColours;
    if (static_cast<int64_t>(facts.Width) * facts.Height > kMaxPixels) return TJpegCheck::kTooLarge;
    return TJpegCheck::kShowable;
}

} // namespace

PICTAVO_API TJpegCheck InspectJpeg(const uint8_t* data, size_t size, TJpegFacts* facts) {
    TJpegFacts found;
    FrameFacts frame;
    const TJpegCheck check = Check(data, size, found, frame);
    if (facts) *facts = found;
    return check;
}

PICTAVO_API int TurnJpegUpright(const uint8_t* data, size_t size, int orientation, TJpegData* out) {
    if (!out) return 0;
    *out = TJpegData{};
    const int operation = UprightOperation(orientation);
    if (operation < 0) return 0;
    TJpegFacts facts;
    FrameFacts frame;
    if (Check(data, size, facts, frame) != TJpegCheck::kShowable) return 0;
    // Blocks of 16 pixels at most, so at most 15 pixels are cut, and at least one is left.
    if (frame.maxH > 2 || frame.maxV > 2 || facts.Width < 8 * frame.maxH ||
        facts.Height < 8 * frame.maxV)
        return 0;
    Transformer transformer(tjInitTransform());
    if (!transformer) return 0;
    tjtransform transform{};
    transform.op = operation;
    transform.options = TJXOPT_TRIM | (facts.Progressive ? TJXOPT_PROGRESSIVE : 0);
    unsigned char* made = nullptr;
    unsigned long madeSize = 0;
    const int result =
        tjTransform(transformer.get(), data, static_cast<unsigned long>(facts.Size), 1, &made,
                    &madeSize, &transform, TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS);
    TjBuffer owner(made);
    if (result != 0 || !made || madeSize < 4) return 0;
    MarkUpright(made, madeSize);
    out->Data = owner.release();
    out->Size = madeSize;
    return 1;
}

PICTAVO_API TDibColour JpegColourProfile(const uint8_t* data, size_t size, TJpegData* out) {
    if (!out) return TDibColour::kNone;
    *out = TJpegData{};
    if (!data) return TDibColour::kNone;
    std::vector<uint8_t> profile;
    const TDibColour outcome = JpegProfile(data, size, profile);
    if (profile.empty()) return outcome;
    out->Data = static_cast<uint8_t*>(tjAlloc(static_cast<int>(profile.size())));
    if (!out->Data) return outcome;
    std::memcpy(out->Data, profile.data(), profile.size());
    out->Size = profile.size();
    return outcome;
}

PICTAVO_API void FreeJpegData(TJpegData* data) {
    if (!data) return;
    tjFree(data->Data);
    *data = TJpegData{};
}

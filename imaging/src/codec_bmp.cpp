// Windows and OS/2 bitmap reading, our own code. Every read is checked against the end of
// the file: offsets outside it mean "not loaded", pixel data that ends early leaves the rows
// that were read (the others stay black).
//
// 1-, 4- and 8-bit pictures (also RLE4 and RLE8) stay palette images of that depth; 2-bit
// pictures become 4-bit ones; 16-, 24- and 32-bit pictures become 24 bits.
#include "codecs.h"

#include <cstring>

namespace pictavo_internal {

namespace {

constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

class Reader {
  public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Has(uint64_t at, uint64_t n) const { return at <= size_ && n <= size_ - at; }
    uint32_t U16(size_t at) const { return Has(at, 2) ? data_[at] | (data_[at + 1] << 8) : 0; }
    uint32_t U32(size_t at) const {
        return Has(at, 4) ? static_cast<uint32_t>(data_[at]) | (data_[at + 1] << 8) |
                                (data_[at + 2] << 16) | (static_cast<uint32_t>(data_[at + 3]) << 24)
                          : 0;
    }
    const uint8_t* At(size_t at) const { return data_ + at; }
    size_t Size() const { return size_; }

  private:
    const uint8_t* data_;
    size_t size_;
};

struct Mask {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    void Set(uint32_t m) {
        mask = m;
        shift = 0;
        bits = 0;
        if (!m) return;
        while (!((m >> shift) & 1u))
            ++shift;
        while (shift + bits < 32 && ((m >> (shift + bits)) & 1u))
            ++bits;
    }
    uint8_t Take(uint32_t pixel) const {
        if (!bits) return 0;
        const uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
        const uint32_t max = (1u << bits) - 1;
        return static_cast<uint8_t>((v * 255 + max / 2) / max);
    }
};

struct Layout {
    int width, height;
    bool topDown;
    int fileBits; // bits per pixel in the file
    int outBits;  // bits per pixel of the image
    uint32_t compression;
    size_t pixelsAt; // offset of the pixel data
    Mask red, green, blue;
};

// Stored row (0 = bottom) for the file's row r (0 = first in the file).
int StoredRow(const Layout& l, int r) {
    return l.topDown ? l.height - 1 - r : r;
}

// Uncompressed rows; returns the number of rows read completely.
int ReadPlainRows(const Reader& in, const Layout& l, TDib* dib, Progress* progress) {
    const uint64_t fileRowBytes = ((static_cast<uint64_t>(l.width) * l.fileBits + 31) / 32) * 4;
    int rows = 0;
    for (int r = 0; r < l.height; ++r) {
        const uint64_t at = l.pixelsAt + fileRowBytes * static_cast<uint64_t>(r);
        if (!in.Has(at, (static_cast<uint64_t>(l.width) * l.fileBits + 7) / 8)) break;
        const uint8_t* src = in.At(at);
        uint8_t* dst = dib->Bits + static_cast<size_t>(StoredRow(l, r)) * dib->RowBytes;
        switch (l.fileBits) {
        case 1:
        case 4:
        case 8:
            std::memcpy(dst, src, (static_cast<size_t>(l.width) * l.fileBits + 7) / 8);
            break;
        case 2: // two 2-bit pixels become two 4-bit pixels
            for (int x = 0; x < l.width; ++x) {
                const uint8_t v = (src[x >> 2] >> (6 - 2 * (x & 3))) & 3;
                dst[x >> 1] |= (x & 1) ? v : static_cast<uint8_t>(v << 4);
            }
            break;
        case 24:
            std::memcpy(dst, src, static_cast<size_t>(l.width) * 3);
            break;
        case 16:
        case 32:
            for (int x = 0; x < l.width; ++x) {
                const uint32_t p =
                    l.fileBits == 16 ? static_cast<uint32_t>(src[2 * x] | (src[2 * x + 1] << 8))
                                     : in.U32(static_cast<size_t>(at) + 4 * static_cast<size_t>(x));
                dst[3 * x] = l.blue.Take(p);
                dst[3 * x + 1] = l.green.Take(p);
                dst[3 * x + 2] = l.red.Take(p);
            }
            break;
        default:
            break;
        }
        ++rows;
        progress->Step(rows, l.height);
    }
    return rows;
}

// RLE4/RLE8 data; returns false when the data ended before the end-of-picture code (what
// was decoded stays).
bool ReadRle(const Reader& in, const Layout& l, TDib* dib, Progress* progress) {
    const bool four = l.compression == kRle4;
    size_t at = l.pixelsAt;
    int x = 0, r = 0; // r counts file rows (bottom first unless top-down)
    auto put = [&](uint8_t v) {
        if (x < l.width && r < l.height) setpixel(dib, x, StoredRow(l, r), v);
        ++x;
    };
    while (r < l.height) {
        if (!in.Has(at, 2)) return false;
        const uint8_t count = *in.At(at), value = *in.At(at + 1);
        at += 2;
        if (count > 0) { // a run
            for (int i = 0; i < count; ++i)
                put(four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            ++r;
            progress->Step(r, l.height);
            break;
        case 1: // end of picture
            return true;
        case 2: // move right and up
            if (!in.Has(at, 2)) return false;
            x += *in.At(at);
            r += *in.At(at + 1);
            at += 2;
            break;
        default: { // value literal pixels, padded to 16 bits
            const size_t bytes = four ? (value + 1u) / 2 : value;
            if (!in.Has(at, bytes)) return false;
            for (int i = 0; i < value; ++i) {
                const uint8_t b = *in.At(at + (four ? i / 2 : i));
                put(four ? ((i & 1) ? b & 0x0F : b >> 4) : b);
            }
            at += (bytes + 1) & ~static_cast<size_t>(1);
            break;
        }
        }
    }
    return true;
}

} // namespace

LoadResult LoadBmp(const LoadRequest& request, TDib* out) {
    LoadResult result;
    const Reader in(request.data, request.size);
    if (!in.Has(0, 18)) return result;
    const uint32_t offBits = in.U32(10);
    const uint32_t headerSize = in.U32(14);
    const size_t header = 14;
    Layout l{};
    int paletteEntryBytes = 4;
    if (headerSize == 12) { // OS/2 small header
        if (!in.Has(header, 12)) return result;
        l.width = static_cast<int16_t>(in.U16(header + 4));
        l.height = static_cast<int16_t>(in.U16(header + 6));
        l.fileBits = static_cast<int>(in.U16(header + 10));
        l.compression = kRgb;
        paletteEntryBytes = 3;
    } else if (headerSize >= 40 && headerSize <= 124) {
        if (!in.Has(header, headerSize)) return result;
        l.width = static_cast<int32_t>(in.U32(header + 4));
        l.height = static_cast<int32_t>(in.U32(header + 8));
        l.fileBits = static_cast<int>(in.U16(header + 14));
        l.compression = in.U32(header + 16);
    } else {
        return result;
    }
    if (l.height < 0) {
        if (l.height == INT32_MIN) return result;
        l.height = -l.height;
        l.topDown = true;
    }
    if (l.width <= 0 || l.height <= 0) return result;
    result.fullWidth = l.width;
    result.fullHeight = l.height;

    switch (l.fileBits) {
    case 1:
    case 4:
    case 8:
        l.outBits = l.fileBits;
        break;
    case 2:
        l.outBits = 4;
        break;
    case 16:
    case 24:
    case 32:
        l.outBits = 24;
        break;
    default:
        return result;
    }
    const bool rle = l.compression == kRle8 || l.compression == kRle4;
    if (rle && l.fileBits != (l.compression == kRle8 ? 8 : 4)) return result;
    if ((l.compression == kBitFields || l.compression == kAlphaBitFields) && l.fileBits != 16 &&
        l.fileBits != 32)
        return result;
    if (!rle && l.compression != kRgb && l.compression != kBitFields &&
        l.compression != kAlphaBitFields)
        return result; // JPEG or PNG inside a BMP, and unknown kinds
    if (!SizeAllowed(l.width, l.height, l.outBits)) return result;

    // Colour masks of 16- and 32-bit pictures: in the header (larger headers) or right after
    // a 40-byte one.
    if (l.fileBits == 16 || l.fileBits == 32) {
        if (l.compression == kRgb) {
            if (l.fileBits == 16) {
                l.red.Set(0x7C00);
                l.green.Set(0x03E0);
                l.blue.Set(0x001F);
            } else {
                l.red.Set(0x00FF0000);
                l.green.Set(0x0000FF00);
                l.blue.Set(0x000000FF);
            }
        } else {
            if (!in.Has(header + 40, 12)) return result;
            l.red.Set(in.U32(header + 40));
            l.green.Set(in.U32(header + 44));
            l.blue.Set(in.U32(header + 48));
        }
    }

    if (offBits >= in.Size() || offBits < header + headerSize) return result;
    l.pixelsAt = offBits;
    // Plain rows: without even the first row there is no picture, so nothing is allocated.
    if (!rle && !in.Has(offBits, (static_cast<uint64_t>(l.width) * l.fileBits + 7) / 8))
        return result;

    if (!newdib(out, l.width, l.height, l.outBits, nullptr, 0)) return result;
    if (l.fileBits <= 8) {
        const uint32_t clrUsed = headerSize >= 40 ? in.U32(header + 32) : 0;
        const uint32_t most = 1u << l.fileBits;
        const uint32_t entries = clrUsed == 0 || clrUsed > most ? most : clrUsed;
        size_t at = header + headerSize;
        if (headerSize == 40 && l.compression == kBitFields) at += 12;
        for (uint32_t i = 0; i < entries; ++i, at += paletteEntryBytes) {
            if (at + paletteEntryBytes > offBits || !in.Has(at, paletteEntryBytes)) break;
            const uint8_t* e = in.At(at);
            SetColour(out, static_cast<int>(i), e[2], e[1], e[0]);
        }
        out->Info->biClrUsed = entries;
    }
    if (headerSize >= 40) {
        out->Info->biXPelsPerMeter = static_cast<int32_t>(in.U32(header + 24));
        out->Info->biYPelsPerMeter = static_cast<int32_t>(in.U32(header + 28));
    }

    if (rle) {
        const bool whole = ReadRle(in, l, out, request.progress);
        result.status = whole ? LoadStatus::Complete : LoadStatus::Partial;
        return result;
    }
    const int rows = ReadPlainRows(in, l, out, request.progress);
    if (rows == 0) {
        deldib(out);
        return result;
    }
    result.status = rows == l.height ? LoadStatus::Complete : LoadStatus::Partial;
    return result;
}

} // namespace pictavo_internal

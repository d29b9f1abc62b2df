// EXIF orientation: reading the tag and turning a decoded picture upright.
#include "codecs.h"

#include <cstring>

namespace pictavo_internal {

namespace {

uint32_t Read(const uint8_t* p, int bytes, bool bigEndian) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) {
        const int shift = bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
        v |= static_cast<uint32_t>(p[i]) << shift;
    }
    return v;
}

} // namespace

namespace {

// The orientation entry of IFD0 (its 12 bytes), or null; big tells the byte order.
const uint8_t* OrientationEntry(const uint8_t* data, size_t size, bool& big) {
    if (!data) return nullptr;
    if (size >= 6 && std::memcmp(data, "Exif\0\0", 6) == 0) {
        data += 6;
        size -= 6;
    }
    if (size < 8) return nullptr;
    if (data[0] == 'I' && data[1] == 'I')
        big = false;
    else if (data[0] == 'M' && data[1] == 'M')
        big = true;
    else
        return nullptr;
    if (Read(data + 2, 2, big) != 42) return nullptr;
    const uint32_t ifd = Read(data + 4, 4, big);
    if (ifd > size - 2) return nullptr;
    const uint32_t count = Read(data + ifd, 2, big);
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t at = ifd + 2 + 12ull * i;
        if (at + 12 > size) return nullptr;
        const uint8_t* entry = data + at;
        if (Read(entry, 2, big) != 0x0112) continue;
        if (Read(entry + 2, 2, big) != 3) return nullptr; // type SHORT
        return entry;
    }
    return nullptr;
}

} // namespace

int ExifOrientation(const uint8_t* data, size_t size) {
    bool big = false;
    const uint8_t* entry = OrientationEntry(data, size, big);
    if (!entry) return 1;
    const uint32_t value = Read(entry + 8, 2, big);
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
}

void SetExifOrientationUpright(uint8_t* data, size_t size) {
    bool big = false;
    const uint8_t* entry = OrientationEntry(data, size, big);
    if (!entry) return;
    uint8_t* value = data + (entry - data) + 8;
    value[0] = big ? 0 : 1;
    value[1] = big ? 1 : 0;
}

bool ExifThumbnail(const uint8_t* data, size_t size, size_t& offset, size_t& length) {
    if (!data) return false;
    size_t skipped = 0;
    if (size >= 6 && std::memcmp(data, "Exif\0\0", 6) == 0) {
        data += 6;
        size -= 6;
        skipped = 6;
    }
    if (size < 8) return false;
    bool big;
    if (data[0] == 'I' && data[1] == 'I')
        big = false;
    else if (data[0] == 'M' && data[1] == 'M')
        big = true;
    else
        return false;
    // IFD0, then the next one (IFD1) which describes the thumbnail.
    const uint32_t ifd0 = Read(data + 4, 4, big);
    if (ifd0 > size - 2) return false;
    const uint64_t count0 = Read(data + ifd0, 2, big);
    const uint64_t nextAt = ifd0 + 2 + 12 * count0;
    if (nextAt + 4 > size) return false;
    const uint32_t ifd1 = Read(data + nextAt, 4, big);
    if (ifd1 == 0 || ifd1 > size - 2) return false;
    const uint32_t count1 = Read(data + ifd1, 2, big);
    uint32_t start = 0, bytes = 0;
    for (uint32_t i = 0; i < count1; ++i) {
        const uint64_t at = ifd1 + 2 + 12ull * i;
        if (at + 12 > size) return false;
        const uint32_t tag = Read(data + at, 2, big);
        if (tag == 0x0201) start = Read(data + at + 8, 4, big);
        if (tag == 0x0202) bytes = Read(data + at + 8, 4, big);
    }
    if (start == 0 || bytes < 4 || start > size || bytes > size - start) return false;
    offset = skipped + start;
    length = bytes;
    return true;
}

namespace {

// Source pixel (x, y), both from the top-left of the stored picture, for upright pixel (u, v).
void SourceOf(int orientation, int u, int v, int w, int h, int& x, int& y) {
    switch (orientation) {
    case 2:
        x = w - 1 - u;
        y = v;
        break;
    case 3:
        x = w - 1 - u;
        y = h - 1 - v;
        break;
    case 4:
        x = u;
        y = h - 1 - v;
        break;
    case 5:
        x = v;
        y = u;
        break;
    case 6:
        x = v;
        y = h - 1 - u;
        break;
    case 7:
        x = w - 1 - v;
        y = h - 1 - u;
        break;
    case 8:
        x = w - 1 - v;
        y = u;
        break;
    default:
        x = u;
        y = v;
        break;
    }
}

} // namespace

bool ApplyOrientation(TDib* dib, int orientation) {
    if (orientation <= 1 || orientation > 8 || !dib || !dib->Bits) return true;
    const int w = dib->Info->biWidth, h = dib->Info->biHeight;
    const int bits = dib->Info->biBitCount;
    const int ow = SwapsAxes(orientation) ? h : w;
    const int oh = SwapsAxes(orientation) ? w : h;
    TDib turned;
    if (!newdib(&turned, ow, oh, bits, bits <= 8 ? dib->Info : nullptr, bits <= 8 ? 256 : 0))
        return false;
    turned.Info->biClrUsed = dib->Info->biClrUsed;
    turned.Info->biXPelsPerMeter = dib->Info->biXPelsPerMeter;
    turned.Info->biYPelsPerMeter = dib->Info->biYPelsPerMeter;
    SyncColours(&turned);
    for (int v = 0; v < oh; ++v) {
        uint8_t* dst = RowFromTop(&turned, v);
        int x0, y0, x1, y1;
        SourceOf(orientation, 0, v, w, h, x0, y0);
        if (bits == 24 || bits == 8) {
            const int px = bits / 8;
            // Step between neighbouring upright pixels in the source, in bytes.
            SourceOf(orientation, ow > 1 ? 1 : 0, v, w, h, x1, y1);
            const uint8_t* src = RowFromTop(dib, y0) + static_cast<ptrdiff_t>(x0) * px;
            const ptrdiff_t step = ow > 1 ? (static_cast<ptrdiff_t>(x1 - x0) * px -
                                             static_cast<ptrdiff_t>(y1 - y0) * dib->RowBytes)
                                          : 0;
            if (px == 3) {
                for (int u = 0; u < ow; ++u, src += step) {
                    dst[3 * u] = src[0];
                    dst[3 * u + 1] = src[1];
                    dst[3 * u + 2] = src[2];
                }
            } else {
                for (int u = 0; u < ow; ++u, src += step)
                    dst[u] = *src;
            }
        } else {
            for (int u = 0; u < ow; ++u) {
                int x, y;
                SourceOf(orientation, u, v, w, h, x, y);
                setpixel(&turned, u, oh - 1 - v, getpixel(dib, x, h - 1 - y));
            }
        }
    }
    deldib(dib);
    *dib = turned;
    return true;
}

bool NewGreyDib(TDib* out, int width, int height, bool zeroed) {
    if (!(zeroed ? newdib(out, width, height, 8, nullptr, 0)
                 : NewDibUncleared(out, width, height, 8)))
        return false;
    for (int i = 0; i < 256; ++i) {
        const uint8_t g = static_cast<uint8_t>(i);
        SetColour(out, i, g, g, g);
    }
    return true;
}

void SetColour(TDib* dib, int i, uint8_t red, uint8_t green, uint8_t blue) {
    if (i < 0 || i > 255) return;
    dib->Info->bmiColors[i] = TRgbQuad{blue, green, red, 0};
    dib->Colours[i] = TPaletteEntry{red, green, blue, 0};
}

} // namespace pictavo_internal

namespace pictavo_internal {

namespace {

// The 12-byte entry of `tag` in the IFD at offset ifd, or null.
const uint8_t* FindEntry(const uint8_t* data, size_t size, uint32_t ifd, uint32_t tag, bool big) {
    if (size < 2 || ifd > size - 2) return nullptr;
    const uint32_t count = Read(data + ifd, 2, big);
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t at = ifd + 2 + 12ull * i;
        if (at + 12 > size) return nullptr;
        if (Read(data + at, 2, big) == tag) return data + at;
    }
    return nullptr;
}

} // namespace

bool ExifSaysAdobeRgb(const uint8_t* data, size_t size) {
    if (!data) return false;
    if (size >= 6 && std::memcmp(data, "Exif\0\0", 6) == 0) {
        data += 6;
        size -= 6;
    }
    if (size < 8) return false;
    bool big;
    if (data[0] == 'I' && data[1] == 'I')
        big = false;
    else if (data[0] == 'M' && data[1] == 'M')
        big = true;
    else
        return false;
    const uint8_t* exifPointer = FindEntry(data, size, Read(data + 4, 4, big), 0x8769, big);
    if (!exifPointer) return false;
    const uint32_t exifIfd = Read(exifPointer + 8, 4, big);
    const uint8_t* space = FindEntry(data, size, exifIfd, 0xA001, big);
    if (!space || Read(space + 2, 2, big) != 3) return false;
    const uint32_t value = Read(space + 8, 2, big);
    if (value != 0xFFFF && value != 2) return false;
    const uint8_t* interop = FindEntry(data, size, exifIfd, 0xA005, big);
    if (!interop) return false;
    const uint8_t* index = FindEntry(data, size, Read(interop + 8, 4, big), 0x0001, big);
    // ASCII, "R03" and its terminating zero fit in the entry itself.
    return index && Read(index + 2, 2, big) == 2 && std::memcmp(index + 8, "R03", 3) == 0;
}

} // namespace pictavo_internal

#pragma once
// ConvertTo24Bit for the export: the bitmap library's when the build has it.
#include "pictavo.h"

#if defined(LUMENO_EXPORT_HAVE_BITMAP)
#include LUMENO_EXPORT_BITMAP_HEADER
#else
namespace lumeno {
// Replaces a 1-, 4- or 8-bit image by a 24-bit copy (1 bit: 0 black, else white; 4 and 8
// bits through the colour table); other depths and a failing allocation leave it unchanged.
inline void ConvertTo24Bit(TDib& image) {
    if (!image.Info) return;
    const int bits = image.Info->biBitCount;
    if (bits != 1 && bits != 4 && bits != 8) return;
    const int w = image.Info->biWidth, h = image.Info->biHeight < 0 ? -image.Info->biHeight
                                                                    : image.Info->biHeight;
    TDib out{};
    if (newdib(&out, w, h, 24, nullptr, 0) != 1 || out.Handle == 0) return;
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = image.Bits + static_cast<size_t>(y) * image.RowBytes;
        uint8_t* dst = out.Bits + static_cast<size_t>(y) * out.RowBytes;
        for (int x = 0; x < w; ++x) {
            if (bits == 1) {
                const uint8_t v = getpixel(&image, x, y) ? 255 : 0;
                dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = v;
                continue;
            }
            const int index = bits == 8 ? src[x] : (x % 2 == 0 ? src[x / 2] >> 4 : src[x / 2] & 15);
            dst[3 * x] = image.Colours[index].peBlue;
            dst[3 * x + 1] = image.Colours[index].peGreen;
            dst[3 * x + 2] = image.Colours[index].peRed;
        }
    }
    deldib(&image);
    image = out;
}
} // namespace lumeno
#endif

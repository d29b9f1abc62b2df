#pragma once
// The caption drawn into a video frame: the same layout as on the photo pages (caption_text.h),
// rasterised with anti-aliasing into an RGBA patch that the frame blends over the photo.
#include "lumeno/export/photo_pages.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumeno {

// A patch of straight (not premultiplied) RGBA pixels, rows top to bottom, Width * 4 bytes a
// row. X and Y are relative to the photo's rectangle's top left corner; the patch lies inside
// the rectangle (the page shows nothing beyond its edges either). Empty (Width or Height 0)
// when there is nothing to draw.
struct TCaptionOverlay {
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Rgba;
    // Characters of the caption no installed font covers, drawn as nothing (ascending, each
    // once); empty in the Helvetica case.
    std::u32string Missing;
};

// Lays the caption out on the photo's page (PhotoPageSize of the upright size), scales the
// page's points to a rectangle of rectWidth x rectHeight pixels and draws the lines: filled in
// TextColor, outlined in OutlineColor with the page's stroke width. Safe to call from several
// threads at once. An empty caption, a font size below 1 or an empty rectangle gives an empty
// overlay.
//
// Fonts as the pages choose them: the installed fonts (shaped with HarfBuzz) when the caption
// needs them or `showNeedsUnicode` says another caption of the show does (NeedsUnicodeFont of
// all captions: the pages then draw every caption so); otherwise Helvetica's widths, drawn
// with the installed face closest to it.
TCaptionOverlay RenderCaptionOverlay(const std::string& captionCp1252, int32_t uprightWidth,
                                     int32_t uprightHeight, int rectWidth, int rectHeight,
                                     const TShowSettings& settings, bool showNeedsUnicode = false);

} // namespace lumeno

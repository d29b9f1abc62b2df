// Captions rasterised for video frames: the photo page's layout, drawn with FreeType.
#include "lumeno/export/caption_raster.h"

#include "font_lookup.h"
#include "lumeno/core/text.h"
#include "lumeno/export/caption_text.h"

#include <algorithm>
#include <cmath>
#include <ft2build.h>
#include <memory>
#include <mutex>
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_OUTLINE_H
#include FT_STROKER_H

namespace lumeno {

namespace {

// The page strokes the caption's outline with a line width of one point.
constexpr double kOutlineWidthPoints = 1.0;
// FreeType keeps the size in pixels per em as 16 bits; a caption beyond is not drawn.
constexpr double kMaxSizePixels = 65000;

struct TLibraryFree {
    void operator()(FT_Library l) const { FT_Done_FreeType(l); }
};
struct TFaceFree {
    void operator()(FT_Face f) const { FT_Done_Face(f); }
};
struct TStrokerFree {
    void operator()(FT_Stroker s) const { FT_Stroker_Done(s); }
};
struct TGlyphFree {
    void operator()(FT_Glyph g) const { FT_Done_Glyph(g); }
};
using TGlyphPtr = std::unique_ptr<std::remove_pointer_t<FT_Glyph>, TGlyphFree>;

// One glyph to draw: its fill outline and its stroked outline, placed in 26.6 pixels with
// the y axis up and the rectangle's top left corner at the origin.
struct TPlacedGlyph {
    TGlyphPtr Fill;
    TGlyphPtr Stroke;
};

// What the layout decided, copied out of the caption fonts so that drawing needs no lock.
struct TGlyphToDraw {
    int Font = 0;
    uint32_t Glyph = 0;  // glyph id, or a Unicode character when ByCharacter
    double X = 0, Y = 0; // pixels from the rectangle's top left corner, y down; the origin
};

struct TCaptionPlan {
    double SizePixels = 0;
    double PixelsPerPoint = 0;
    bool ByCharacter = false;
    std::vector<TFontFile> Files;
    std::vector<TGlyphToDraw> Glyphs;
    std::u32string Missing; // characters no installed font covers
};

// Shaping and the font lookup share fontconfig's and the fonts' state; one caption at a time.
std::mutex& LayoutLock() {
    static std::mutex lock;
    return lock;
}

TCaptionPlan PlanCaption(const std::string& caption, int32_t uprightWidth, int32_t uprightHeight,
                         int rectWidth, int rectHeight, const TShowSettings& settings,
                         bool unicode) {
    TCaptionPlan plan;
    const TPageSize page = PhotoPageSize(uprightWidth, uprightHeight);
    const double sx = static_cast<double>(rectWidth) / page.Width;
    const double sy = static_cast<double>(rectHeight) / page.Height;
    std::lock_guard<std::mutex> hold(LayoutLock());
    TCaptionFonts fonts(unicode || NeedsUnicodeFont({caption}));
    const TCaptionLayout layout = LayoutCaption(caption, page, settings, fonts);
    plan.Missing = fonts.Missing();
    if (layout.Lines.empty()) return plan;
    plan.PixelsPerPoint = std::sqrt(sx * sy);
    plan.SizePixels = layout.Size * plan.PixelsPerPoint;
    if (fonts.Unicode()) {
        for (int i = 0; i < fonts.FontCount(); ++i)
            plan.Files.push_back({fonts.FontPath(i), fonts.FontFaceIndex(i)});
    } else {
        // Laid out with Helvetica's widths: drawn with the closest installed face.
        static const TFontFile file = [] {
            TFontFile found = FindHelveticaLikeFont();
            if (found.Path.empty()) {
                const std::vector<TFontFile> any = FindFontFiles(0);
                if (!any.empty()) found = any.front();
            }
            return found;
        }();
        plan.Files.push_back(file);
        plan.ByCharacter = true;
    }
    for (size_t i = 0; i < layout.Lines.size(); ++i) {
        const double baseline = layout.Y + static_cast<double>(i) * layout.Leading;
        int64_t pen = 0;
        for (const TCaptionRun& run : layout.Lines[i].Runs)
            for (const TCaptionGlyph& g : run.Glyphs) {
                TGlyphToDraw d;
                d.Font = plan.ByCharacter ? 0 : run.Font;
                d.Glyph = plan.ByCharacter ? Cp1252ToCodePoint(static_cast<unsigned char>(g.Glyph))
                                           : g.Glyph;
                d.X = (layout.X + static_cast<double>(pen + g.XOffset) * layout.Size / 1000) * sx;
                d.Y = (baseline - g.YOffset * layout.Size / 1000) * sy;
                plan.Glyphs.push_back(d);
                pen += g.Advance;
            }
    }
    return plan;
}

struct TCoverage {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Alpha;
};

// Spans from FreeType's anti-aliasing rasteriser; its y axis points up from the bottom row.
void AddSpans(int y, int count, const FT_Span* spans, void* user) {
    TCoverage& c = *static_cast<TCoverage*>(user);
    const int row = c.Height - 1 - y;
    if (row < 0 || row >= c.Height) return;
    uint8_t* line = c.Alpha.data() + static_cast<size_t>(row) * static_cast<size_t>(c.Width);
    for (int i = 0; i < count; ++i) {
        const int from = std::max(0, static_cast<int>(spans[i].x));
        const int to = std::min(c.Width, spans[i].x + static_cast<int>(spans[i].len));
        for (int x = from; x < to; ++x)
            line[x] = std::max(line[x], spans[i].coverage);
    }
}

void Rasterise(FT_Library library, FT_Glyph glyph, FT_Pos dx, FT_Pos dy, TCoverage& into) {
    if (!glyph || glyph->format != FT_GLYPH_FORMAT_OUTLINE) return;
    FT_Outline& outline = reinterpret_cast<FT_OutlineGlyph>(glyph)->outline;
    FT_Outline_Translate(&outline, dx, dy);
    FT_Raster_Params params{};
    params.flags = FT_RASTER_FLAG_AA | FT_RASTER_FLAG_DIRECT | FT_RASTER_FLAG_CLIP;
    params.gray_spans = AddSpans;
    params.user = &into;
    params.clip_box = {0, 0, into.Width, into.Height};
    FT_Outline_Render(library, &outline, &params);
}

using TLibraryPtr = std::unique_ptr<std::remove_pointer_t<FT_Library>, TLibraryFree>;
using TFacePtr = std::unique_ptr<std::remove_pointer_t<FT_Face>, TFaceFree>;
using TStrokerPtr = std::unique_ptr<std::remove_pointer_t<FT_Stroker>, TStrokerFree>;

// The plan's glyphs as outlines, filled and stroked, and the box they cover (26.6 pixels,
// y up). Glyphs a font cannot give are left out.
struct TPlacedCaption {
    std::vector<TPlacedGlyph> Glyphs;
    FT_BBox Box{0, 0, 0, 0};
};

TPlacedCaption PlaceGlyphs(FT_Library library, const TCaptionPlan& plan) {
    TPlacedCaption out;
    std::vector<TFacePtr> faces;
    const FT_F26Dot6 size = std::max<FT_F26Dot6>(std::lround(plan.SizePixels * 64), 1);
    for (const TFontFile& file : plan.Files) {
        FT_Face face = nullptr;
        if (file.Path.empty() || FT_New_Face(library, file.Path.c_str(), file.Index, &face) != 0)
            face = nullptr;
        faces.emplace_back(face);
        if (face && FT_Set_Char_Size(face, 0, size, 72, 72) != 0) faces.back().reset();
    }
    FT_Stroker rawStroker = nullptr;
    if (FT_Stroker_New(library, &rawStroker) != 0) return out;
    const TStrokerPtr stroker(rawStroker);
    const FT_Fixed radius =
        static_cast<FT_Fixed>(std::lround(kOutlineWidthPoints * plan.PixelsPerPoint * 32));
    // Butt caps and miter joins with a miter limit of 10, as the page strokes.
    FT_Stroker_Set(stroker.get(), std::max<FT_Fixed>(radius, 1), FT_STROKER_LINECAP_BUTT,
                   FT_STROKER_LINEJOIN_MITER_FIXED, 10 << 16);
    for (const TGlyphToDraw& d : plan.Glyphs) {
        FT_Face face = faces[static_cast<size_t>(d.Font)].get();
        if (!face) continue;
        const FT_UInt index = plan.ByCharacter ? FT_Get_Char_Index(face, d.Glyph) : d.Glyph;
        if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0 ||
            face->glyph->format != FT_GLYPH_FORMAT_OUTLINE || face->glyph->outline.n_points == 0)
            continue; // nothing to draw (a space): its empty box must not widen the patch
        FT_Outline_Translate(&face->glyph->outline, std::lround(d.X * 64), -std::lround(d.Y * 64));
        FT_Glyph raw = nullptr;
        if (FT_Get_Glyph(face->glyph, &raw) != 0) continue;
        TPlacedGlyph p;
        p.Fill.reset(raw);
        FT_Glyph stroked = nullptr;
        if (FT_Glyph_Copy(raw, &stroked) == 0) {
            if (FT_Glyph_Stroke(&stroked, stroker.get(), 1) == 0)
                p.Stroke.reset(stroked);
            else if (stroked)
                FT_Done_Glyph(stroked);
        }
        FT_BBox b{};
        FT_Glyph_Get_CBox(p.Stroke ? p.Stroke.get() : p.Fill.get(), FT_GLYPH_BBOX_UNSCALED, &b);
        if (out.Glyphs.empty()) {
            out.Box = b;
        } else {
            out.Box.xMin = std::min(out.Box.xMin, b.xMin);
            out.Box.yMin = std::min(out.Box.yMin, b.yMin);
            out.Box.xMax = std::max(out.Box.xMax, b.xMax);
            out.Box.yMax = std::max(out.Box.yMax, b.yMax);
        }
        out.Glyphs.push_back(std::move(p));
    }
    return out;
}

// Straight RGBA from the two coverages: filled first, then stroked over it, as text render
// mode 2 paints.
void PaintOverlay(const TCoverage& fill, const TCoverage& stroke, const TShowSettings& settings,
                  TCaptionOverlay& overlay) {
    auto channels = [](uint32_t colour, double out[3]) {
        for (int k = 0; k < 3; ++k)
            out[k] = static_cast<double>((colour >> (8 * k)) & 0xFF); // 0x00BBGGRR
    };
    double text[3], line[3];
    channels(settings.TextColor, text);
    channels(settings.OutlineColor, line);
    overlay.Width = fill.Width;
    overlay.Height = fill.Height;
    overlay.Rgba.assign(fill.Alpha.size() * 4, 0);
    for (size_t i = 0; i < fill.Alpha.size(); ++i) {
        const double f = fill.Alpha[i] / 255.0, s = stroke.Alpha[i] / 255.0;
        const double a = s + f * (1 - s);
        if (a <= 0) continue;
        uint8_t* out = overlay.Rgba.data() + 4 * i;
        for (int k = 0; k < 3; ++k)
            out[k] = static_cast<uint8_t>(std::lround((line[k] * s + text[k] * f * (1 - s)) / a));
        out[3] = static_cast<uint8_t>(std::lround(a * 255));
    }
}

} // namespace

TCaptionOverlay RenderCaptionOverlay(const std::string& captionCp1252, int32_t uprightWidth,
                                     int32_t uprightHeight, int rectWidth, int rectHeight,
                                     const TShowSettings& settings, bool showNeedsUnicode) {
    TCaptionOverlay overlay;
    if (rectWidth <= 0 || rectHeight <= 0 || captionCp1252.empty()) return overlay;
    const TCaptionPlan plan = PlanCaption(captionCp1252, uprightWidth, uprightHeight, rectWidth,
                                          rectHeight, settings, showNeedsUnicode);
    overlay.Missing = plan.Missing;
    if (plan.Glyphs.empty() || !(plan.SizePixels > 0) || plan.SizePixels > kMaxSizePixels)
        return overlay;
    FT_Library rawLibrary = nullptr;
    if (FT_Init_FreeType(&rawLibrary) != 0) return overlay;
    const TLibraryPtr library(rawLibrary);
    TPlacedCaption placed = PlaceGlyphs(library.get(), plan);
    if (placed.Glyphs.empty()) return overlay;
    // The patch: the glyphs' box in whole pixels (y down), inside the rectangle.
    const FT_BBox& box = placed.Box;
    const int64_t left = std::max<int64_t>(0, static_cast<int64_t>(std::floor(box.xMin / 64.0)));
    const int64_t top = std::max<int64_t>(0, static_cast<int64_t>(std::floor(-box.yMax / 64.0)));
    const int64_t right =
        std::min<int64_t>(rectWidth, static_cast<int64_t>(std::ceil(box.xMax / 64.0)));
    const int64_t bottom =
        std::min<int64_t>(rectHeight, static_cast<int64_t>(std::ceil(-box.yMin / 64.0)));
    if (right <= left || bottom <= top) return overlay;
    TCoverage fill, stroke;
    fill.Width = stroke.Width = static_cast<int>(right - left);
    fill.Height = stroke.Height = static_cast<int>(bottom - top);
    const size_t pixels = static_cast<size_t>(fill.Width) * static_cast<size_t>(fill.Height);
    fill.Alpha.assign(pixels, 0);
    stroke.Alpha.assign(pixels, 0);
    const FT_Pos dx = -left * 64, dy = bottom * 64;
    for (TPlacedGlyph& p : placed.Glyphs) {
        Rasterise(library.get(), p.Fill.get(), dx, dy, fill);
        Rasterise(library.get(), p.Stroke.get(), dx, dy, stroke);
    }
    overlay.X = static_cast<int>(left);
    overlay.Y = static_cast<int>(top);
    PaintOverlay(fill, stroke, settings, overlay);
    return overlay;
}

} // namespace lumeno

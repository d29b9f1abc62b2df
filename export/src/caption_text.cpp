// Caption lines, fonts, shaping and subsetting (HarfBuzz; font files from font_lookup.h).
#include "lumeno/export/caption_text.h"

#include "font_lookup.h"
#include "lumeno/core/number_text.h"
#include "lumeno/core/text.h"

#include <algorithm>
#include <cmath>
#include <hb-ot.h>
#include <hb-subset.h>
#include <hb.h>
#include <map>
#include <set>

namespace lumeno {

namespace {

// Helvetica's widths for Windows-1252 0x20..0xFF, thousandths of an em (0: undefined).
const int16_t kHelveticaWidths[224] = {
    278,  278, 355, 556, 556,  889, 667, 191, 333, 333, 389, 584,  278, 333,  278,  278,  556, 556,
    556,  556, 556, 556, 556,  556, 556, 556, 278, 278, 584, 584,  584, 556,  1015, 667,  667, 722,
    722,  667, 611, 778, 722,  278, 500, 667, 556, 833, 722, 778,  667, 778,  722,  667,  611, 722,
    667,  944, 667, 667, 611,  278, 278, 278, 469, 556, 333, 556,  556, 500,  556,  556,  278, 556,
    556,  222, 222, 500, 222,  833, 556, 556, 556, 556, 333, 500,  278, 556,  500,  722,  500, 500,
    500,  334, 260, 334, 584,  0,   556, 0,   222, 556, 333, 1000, 556, 556,  333,  1000, 667, 333,
    1000, 0,   611, 0,   0,    222, 222, 333, 333, 350, 556, 1000, 333, 1000, 500,  333,  944, 0,
    500,  667, 278, 333, 556,  556, 556, 556, 260, 556, 333, 737,  370, 556,  584,  333,  737, 333,
    400,  584, 333, 333, 333,  556, 537, 278, 333, 333, 365, 556,  834, 834,  834,  611,  667, 667,
    667,  667, 667, 667, 1000, 722, 667, 667, 667, 667, 278, 278,  278, 278,  722,  722,  778, 778,
    778,  778, 778, 584, 778,  722, 722, 722, 722, 667, 667, 611,  556, 556,  556,  556,  556, 556,
    889,  500, 556, 556, 556,  556, 278, 278, 278, 278, 556, 556,  556, 556,  556,  556,  556, 584,
    611,  556, 556, 556, 556,  500, 556, 500,
};

} // namespace

int32_t HelveticaWidth(uint32_t byte) {
    return byte >= 0x20 && byte <= 0xFF ? kHelveticaWidths[byte - 0x20] : 0;
}

namespace {

bool IsBlank(char32_t c) {
    return c == U' ' || c == U'\t' || c == 0xA0;
}

// Characters that belong to the character before them: combining marks, joiners,
// variation selectors.
bool JoinsPrevious(char32_t c) {
    if (c == 0x200C || c == 0x200D || (c >= 0xFE00 && c <= 0xFE0F) ||
        (c >= 0xE0100 && c <= 0xE01EF))
        return true;
    const hb_unicode_general_category_t cat =
        hb_unicode_general_category(hb_unicode_funcs_get_default(), c);
    return cat == HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK ||
           cat == HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK ||
           cat == HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK;
}

// Characters that draw nothing of their own; no font needs to have them.
bool IsIgnorable(char32_t c) {
    return (c >= 0x200B && c <= 0x200F) || (c >= 0x2060 && c <= 0x2064) || c == 0xFEFF ||
           (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xE0000 && c <= 0xE0FFF);
}

struct TBlobFree {
    void operator()(hb_blob_t* b) const { hb_blob_destroy(b); }
};
struct TFaceFree {
    void operator()(hb_face_t* f) const { hb_face_destroy(f); }
};
struct TFontFree {
    void operator()(hb_font_t* f) const { hb_font_destroy(f); }
};
struct TBufferFree {
    void operator()(hb_buffer_t* b) const { hb_buffer_destroy(b); }
};
struct TSubsetInputFree {
    void operator()(hb_subset_input_t* i) const { hb_subset_input_destroy(i); }
};
struct TPlanFree {
    void operator()(hb_subset_plan_t* p) const { hb_subset_plan_destroy(p); }
};

// One installed font file in use.
struct TLoadedFont {
    std::string Path;
    int Index = 0;
    std::unique_ptr<hb_face_t, TFaceFree> Face;
    std::unique_ptr<hb_font_t, TFontFree> Font;
    double Scale = 1; // thousandths of an em per font unit
    std::set<uint32_t> Glyphs;
    std::map<uint32_t, std::u32string> Text; // glyph -> the characters it stands for
    std::map<uint32_t, uint32_t> NewGlyph;   // after subsetting

    bool Has(char32_t c) const {
        hb_codepoint_t g = 0;
        return hb_font_get_nominal_glyph(Font.get(), c, &g);
    }
    int32_t Width(uint32_t glyph) const {
        return static_cast<int32_t>(
            std::lround(hb_font_get_glyph_h_advance(Font.get(), glyph) * Scale));
    }
};

std::string HexUtf16(const std::u32string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    auto unit = [&](uint32_t u) {
        for (int shift = 12; shift >= 0; shift -= 4)
            out += kHex[(u >> shift) & 0xF];
    };
    for (char32_t c : text) {
        if (c >= 0x10000) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(c);
        }
    }
    return out;
}

std::string Hex4(uint32_t v) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (int shift = 12; shift >= 0; shift -= 4)
        out += kHex[(v >> shift) & 0xF];
    return out;
}

std::string ToUnicodeCMap(const std::map<uint32_t, std::u32string>& byNewGlyph) {
    std::string out = "/CIDInit /ProcSet findresource begin\n"
                      "12 dict begin\n"
                      "begincmap\n"
                      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                      "/CMapName /Adobe-Identity-UCS def\n"
                      "/CMapType 2 def\n"
                      "1 begincodespacerange\n"
                      "<0000> <FFFF>\n"
                      "endcodespacerange\n";
    auto it = byNewGlyph.begin();
    while (it != byNewGlyph.end()) {
        std::string block;
        int count = 0;
        for (; it != byNewGlyph.end() && count < 100; ++it, ++count)
            block += "<" + Hex4(it->first) + "> <" + HexUtf16(it->second) + ">\n";
        out += FormatInteger(count) + " beginbfchar\n" + block + "endbfchar\n";
    }
    out += "endcmap\n"
           "CMapName currentdict /CMap defineresource pop\n"
           "end\n"
           "end\n";
    return out;
}

// A six-letter subset tag that depends only on the font and its glyphs.
std::string SubsetTag(const std::string& name, const std::set<uint32_t>& glyphs) {
    uint64_t h = 1469598103934665603ULL;
    auto mix = [&](uint64_t v) {
        h ^= v;
        h *= 1099511628211ULL;
    };
    for (char c : name)
        mix(static_cast<unsigned char>(c));
    for (uint32_t g : glyphs)
        mix(g);
    std::string tag;
    for (int i = 0; i < 6; ++i) {
        tag += static_cast<char>('A' + h % 26);
        h /= 26;
    }
    return tag;
}

int16_t ReadInt16(const char* p) {
    return static_cast<int16_t>((static_cast<unsigned char>(p[0]) << 8) |
                                static_cast<unsigned char>(p[1]));
}

} // namespace

std::u32string CaptionCodePoints(const std::string& cp1252) {
    const std::string utf8 = CaptionToUtf8(cp1252);
    std::u32string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + static_cast<size_t>(extra) >= utf8.size()) {
            out += U'\uFFFD';
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char d = static_cast<unsigned char>(utf8[i + k]);
            if ((d & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if (!ok) {
            out += U'\uFFFD';
            ++i;
            continue;
        }
        out += cp;
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

std::vector<std::u32string> CaptionParagraphs(const std::string& cp1252) {
    const std::u32string text = CaptionCodePoints(cp1252);
    std::vector<std::u32string> lines(1);
    bool pendingBlank = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (c == U'\r' || c == U'\n') {
            if (c == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') ++i;
            lines.emplace_back();
            pendingBlank = false;
            continue;
        }
        if (IsBlank(c)) {
            pendingBlank = !lines.back().empty();
            continue;
        }
        if (c < 0x20 || (c >= 0x7F && c < 0xA0)) continue;
        if (pendingBlank) lines.back() += U' ';
        pendingBlank = false;
        lines.back() += c;
    }
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    size_t first = 0;
    while (first < lines.size() && lines[first].empty())
        ++first;
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(first));
    return lines;
}

bool NeedsUnicodeFont(const std::vector<std::string>& captions) {
    for (const std::string& caption : captions)
        for (char32_t c : CaptionCodePoints(caption))
            if (c >= 0x20 && CodePointToCp1252(c) < 0) return true;
    return false;
}

struct TCaptionFonts::TImpl {
    bool Unicode = false;
    std::vector<TLoadedFont> Fonts;
    std::map<char32_t, int> FontOf; // -1: no font
    std::set<char32_t> Missing;

    bool Load(const TFontFile& file) {
        for (const TLoadedFont& f : Fonts)
            if (f.Path == file.Path && f.Index == file.Index) return true;
        std::unique_ptr<hb_blob_t, TBlobFree> blob(
            hb_blob_create_from_file_or_fail(file.Path.c_str()));
        if (!blob) return false;
        TLoadedFont font;
        font.Path = file.Path;
        font.Index = file.Index;
        font.Face.reset(hb_face_create(blob.get(), static_cast<unsigned>(file.Index)));
        const unsigned upem = hb_face_get_upem(font.Face.get());
        std::unique_ptr<hb_blob_t, TBlobFree> glyf(
            hb_face_reference_table(font.Face.get(), HB_TAG('g', 'l', 'y', 'f')));
        if (upem == 0 || hb_blob_get_length(glyf.get()) == 0) return false;
        font.Font.reset(hb_font_create(font.Face.get()));
        font.Scale = 1000.0 / upem;
        Fonts.push_back(std::move(font));
        return true;
    }

    int FontFor(char32_t c) {
        auto known = FontOf.find(c);
        if (known != FontOf.end()) return known->second;
        int found = -1;
        for (size_t i = 0; i < Fonts.size() && found < 0; ++i)
            if (Fonts[i].Has(c)) found = static_cast<int>(i);
        if (found < 0) {
            for (const TFontFile& file : FindFontFiles(c)) {
                const size_t before = Fonts.size();
                if (!Load(file)) continue;
                for (size_t i = 0; i < Fonts.size(); ++i)
                    if ((Fonts[i].Path == file.Path && Fonts[i].Index == file.Index) &&
                        Fonts[i].Has(c))
                        found = static_cast<int>(i);
                if (found >= 0) break;
                if (Fonts.size() > before) Fonts.pop_back(); // loaded, but without the glyph
            }
        }
        FontOf[c] = found;
        return found;
    }
};

TCaptionFonts::TCaptionFonts(bool unicode) : impl_(std::make_unique<TImpl>()) {
    if (!unicode) return;
    for (const TFontFile& file : FindFontFiles(0))
        if (impl_->Load(file)) break;
    impl_->Unicode = !impl_->Fonts.empty();
}

TCaptionFonts::~TCaptionFonts() = default;

bool TCaptionFonts::Unicode() const {
    return impl_->Unicode;
}

int TCaptionFonts::FontCount() const {
    return impl_->Unicode ? static_cast<int>(impl_->Fonts.size()) : 1;
}

std::vector<TCaptionRun> TCaptionFonts::Shape(const std::u32string& text) {
    std::vector<TCaptionRun> runs;
    if (!impl_->Unicode) {
        TCaptionRun run;
        for (char32_t c : text) {
            const int byte = CodePointToCp1252(c);
            if (byte < 0x20 || HelveticaWidth(static_cast<uint32_t>(byte)) == 0) {
                impl_->Missing.insert(c);
                continue;
            }
            run.Glyphs.push_back(
                {static_cast<uint32_t>(byte), HelveticaWidth(static_cast<uint32_t>(byte)), 0, 0});
        }
        if (!run.Glyphs.empty()) runs.push_back(std::move(run));
        return runs;
    }
    // Split into pieces of one font each, in reading order.
    std::vector<std::pair<int, std::u32string>> pieces;
    int previous = -1;
    for (char32_t c : text) {
        int font = -1;
        if (previous >= 0 && JoinsPrevious(c) && impl_->Fonts[previous].Has(c))
            font = previous;
        else
            font = impl_->FontFor(c);
        if (font < 0) {
            if (!IsIgnorable(c)) impl_->Missing.insert(c);
            continue;
        }
        if (pieces.empty() || pieces.back().first != font) pieces.push_back({font, {}});
        pieces.back().second += c;
        previous = font;
    }
    std::unique_ptr<hb_buffer_t, TBufferFree> buffer(hb_buffer_create());
    bool rightToLeft = false;
    for (auto& [font, piece] : pieces) {
        TLoadedFont& f = impl_->Fonts[static_cast<size_t>(font)];
        hb_buffer_clear_contents(buffer.get());
        hb_buffer_add_utf32(buffer.get(), reinterpret_cast<const uint32_t*>(piece.data()),
                            static_cast<int>(piece.size()), 0, static_cast<int>(piece.size()));
        hb_buffer_guess_segment_properties(buffer.get());
        if (hb_buffer_get_direction(buffer.get()) == HB_DIRECTION_RTL) rightToLeft = true;
        hb_shape(f.Font.get(), buffer.get(), nullptr, 0);
        unsigned count = 0;
        const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer.get(), &count);
        const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer.get(), &count);
        std::set<uint32_t> starts;
        for (unsigned i = 0; i < count; ++i)
            starts.insert(info[i].cluster);
        std::set<uint32_t> named;
        TCaptionRun run;
        run.Font = font;
        for (unsigned i = 0; i < count; ++i) {
            const uint32_t glyph = info[i].codepoint;
            run.Glyphs.push_back({glyph,
                                  static_cast<int32_t>(std::lround(pos[i].x_advance * f.Scale)),
                                  static_cast<int32_t>(std::lround(pos[i].x_offset * f.Scale)),
                                  static_cast<int32_t>(std::lround(pos[i].y_offset * f.Scale))});
            f.Glyphs.insert(glyph);
            if (named.insert(info[i].cluster).second && !f.Text.count(glyph)) {
                auto next = starts.upper_bound(info[i].cluster);
                const size_t end = next == starts.end() ? piece.size() : *next;
                f.Text[glyph] = piece.substr(info[i].cluster, end - info[i].cluster);
            }
        }
        runs.push_back(std::move(run));
    }
    // A right-to-left line reads its pieces from the right.
    if (rightToLeft) std::reverse(runs.begin(), runs.end());
    return runs;
}

std::u32string TCaptionFonts::Missing() const {
    return std::u32string(impl_->Missing.begin(), impl_->Missing.end());
}

std::vector<TEmbeddedFont> TCaptionFonts::Embed() {
    std::vector<TEmbeddedFont> out;
    if (!impl_->Unicode) return out;
    for (TLoadedFont& f : impl_->Fonts) {
        TEmbeddedFont e;
        std::set<uint32_t> glyphs = f.Glyphs;
        glyphs.insert(0);
        std::unique_ptr<hb_subset_input_t, TSubsetInputFree> input(
            hb_subset_input_create_or_fail());
        std::unique_ptr<hb_subset_plan_t, TPlanFree> plan;
        if (input) {
            hb_set_t* keep = hb_subset_input_glyph_set(input.get());
            for (uint32_t g : glyphs)
                hb_set_add(keep, g);
            hb_set_clear(hb_subset_input_unicode_set(input.get()));
            hb_set_t* drop = hb_subset_input_set(input.get(), HB_SUBSET_SETS_DROP_TABLE_TAG);
            for (hb_tag_t tag : {HB_TAG('G', 'S', 'U', 'B'), HB_TAG('G', 'P', 'O', 'S'),
                                 HB_TAG('G', 'D', 'E', 'F'), HB_TAG('k', 'e', 'r', 'n')})
                hb_set_add(drop, tag);
            hb_subset_input_set_flags(input.get(), HB_SUBSET_FLAGS_NO_HINTING);
            plan.reset(hb_subset_plan_create_or_fail(f.Face.get(), input.get()));
        }
        std::unique_ptr<hb_face_t, TFaceFree> subset(
            plan ? hb_subset_plan_execute_or_fail(plan.get()) : nullptr);
        if (subset) {
            const hb_map_t* map = hb_subset_plan_old_to_new_glyph_mapping(plan.get());
            for (uint32_t g : glyphs) {
                const hb_codepoint_t n = hb_map_get(map, g);
                if (n != HB_MAP_VALUE_INVALID) f.NewGlyph[g] = n;
            }
            std::unique_ptr<hb_blob_t, TBlobFree> blob(hb_face_reference_blob(subset.get()));
            unsigned length = 0;
            const char* data = hb_blob_get_data(blob.get(), &length);
            e.Program.assign(data, data + length);
        } else {
            // Subsetting failed: the whole font, glyph ids unchanged.
            for (uint32_t g : glyphs)
                f.NewGlyph[g] = g;
            std::unique_ptr<hb_blob_t, TBlobFree> blob(hb_face_reference_blob(f.Face.get()));
            unsigned length = 0;
            const char* data = hb_blob_get_data(blob.get(), &length);
            e.Program.assign(data, data + length);
        }
        uint32_t last = 0;
        for (auto [old, now] : f.NewGlyph)
            last = std::max(last, now);
        e.Widths.assign(last + 1, 0);
        for (auto [old, now] : f.NewGlyph)
            e.Widths[now] = f.Width(old);
        std::map<uint32_t, std::u32string> text;
        for (const auto& [old, chars] : f.Text)
            if (f.NewGlyph.count(old)) text[f.NewGlyph[old]] = chars;
        e.ToUnicode = ToUnicodeCMap(text);

        char name[128] = "Font";
        unsigned size = sizeof name;
        hb_ot_name_get_utf8(f.Face.get(), HB_OT_NAME_ID_POSTSCRIPT_NAME, HB_LANGUAGE_INVALID, &size,
                            name);
        std::string ps;
        for (const char* p = name; *p; ++p)
            if ((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z') || (*p >= '0' && *p <= '9') ||
                *p == '-')
                ps += *p;
        if (ps.empty()) ps = "Font";
        e.BaseFont = SubsetTag(ps, glyphs) + "+" + ps;

        std::unique_ptr<hb_blob_t, TBlobFree> head(
            hb_face_reference_table(f.Face.get(), HB_TAG('h', 'e', 'a', 'd')));
        unsigned headLength = 0;
        const char* h = hb_blob_get_data(head.get(), &headLength);
        if (headLength >= 44)
            for (int i = 0; i < 4; ++i)
                e.BBox[i] = static_cast<int32_t>(std::lround(ReadInt16(h + 36 + 2 * i) * f.Scale));
        hb_font_extents_t extents{};
        hb_font_get_h_extents(f.Font.get(), &extents);
        e.Ascent = static_cast<int32_t>(std::lround(extents.ascender * f.Scale));
        e.Descent = static_cast<int32_t>(std::lround(extents.descender * f.Scale));
        hb_position_t cap = 0;
        e.CapHeight = hb_ot_metrics_get_position(f.Font.get(), HB_OT_METRICS_TAG_CAP_HEIGHT, &cap)
                          ? static_cast<int32_t>(std::lround(cap * f.Scale))
                          : e.Ascent;
        out.push_back(std::move(e));
    }
    return out;
}

uint32_t TCaptionFonts::Code(int font, uint32_t glyph) const {
    if (!impl_->Unicode) return glyph;
    const TLoadedFont& f = impl_->Fonts[static_cast<size_t>(font)];
    auto it = f.NewGlyph.find(glyph);
    return it == f.NewGlyph.end() ? 0 : it->second;
}

int32_t TCaptionFonts::PdfWidth(int font, uint32_t glyph) const {
    if (!impl_->Unicode) return HelveticaWidth(glyph);
    return impl_->Fonts[static_cast<size_t>(font)].Width(glyph);
}

std::string TCaptionFonts::FontPath(int font) const {
    if (!impl_->Unicode || font < 0 || font >= FontCount()) return {};
    return impl_->Fonts[static_cast<size_t>(font)].Path;
}

int TCaptionFonts::FontFaceIndex(int font) const {
    if (!impl_->Unicode || font < 0 || font >= FontCount()) return 0;
    return impl_->Fonts[static_cast<size_t>(font)].Index;
}

namespace {

double RunsWidth(const std::vector<TCaptionRun>& runs) {
    int64_t sum = 0;
    for (const TCaptionRun& r : runs)
        for (const TCaptionGlyph& g : r.Glyphs)
            sum += g.Advance;
    return static_cast<double>(sum);
}

// Room a line takes around its baseline, in font sizes: above it for capitals with accents,
// below it for descenders. Generous, so the text box any viewer computes stays inside.
constexpr double kAscent = 0.95;
constexpr double kDescent = 0.3;
constexpr double kLineSpacing = 1.2;

struct TMeasuredWord {
    std::u32string Text;
    double Width = 0; // thousandths of the font size
    // Where the word may be cut (the end of each character with its marks) and the width up
    // to there; measured the first time the word is wider than a line.
    std::vector<std::pair<size_t, double>> Cuts;
};

// A caption's words measured once: widths in thousandths of the font size do not depend on
// the size, so the caption can be wrapped at any size without shaping it again.
struct TMeasuredCaption {
    std::vector<std::vector<TMeasuredWord>> Paragraphs;
    double Space = 0;
    double WidestWord = 0;
};

TMeasuredCaption MeasureCaption(const std::vector<std::u32string>& paragraphs,
                                TCaptionFonts& fonts) {
    TMeasuredCaption m;
    m.Space = RunsWidth(fonts.Shape(U" "));
    for (const std::u32string& text : paragraphs) {
        std::vector<TMeasuredWord>& words = m.Paragraphs.emplace_back();
        size_t start = 0;
        for (size_t i = 0; i <= text.size(); ++i)
            if (i == text.size() || text[i] == U' ') {
                if (i > start) {
                    std::u32string word = text.substr(start, i - start);
                    const double width = RunsWidth(fonts.Shape(word));
                    m.WidestWord = std::max(m.WidestWord, width);
                    words.push_back({std::move(word), width, {}});
                }
                start = i + 1;
            }
    }
    return m;
}

void MeasureCuts(TMeasuredWord& word, TCaptionFonts& fonts) {
    if (!word.Cuts.empty()) return;
    double sum = 0;
    for (size_t i = 0; i < word.Text.size();) {
        size_t end = i + 1;
        while (end < word.Text.size() && JoinsPrevious(word.Text[end]))
            ++end;
        sum += RunsWidth(fonts.Shape(word.Text.substr(i, end - i)));
        word.Cuts.push_back({end, sum});
        i = end;
    }
}

// Splits a paragraph into lines no wider than `limit` (thousandths of the font size): at
// spaces, and inside a word only when that word alone is wider than a line.
void WrapParagraph(std::vector<TMeasuredWord>& words, double space, double limit,
                   TCaptionFonts& fonts, std::vector<std::u32string>& lines) {
    std::u32string line;
    double width = 0;
    bool any = false;
    for (TMeasuredWord& word : words) {
        if (!line.empty() && width + space + word.Width <= limit) {
            line += U' ';
            line += word.Text;
            width += space + word.Width;
            continue;
        }
        if (!line.empty()) {
            lines.push_back(std::move(line));
            any = true;
        }
        line.clear();
        width = 0;
        if (word.Width <= limit) {
            line = word.Text;
            width = word.Width;
            continue;
        }
        // A word wider than a line: cut between characters (marks stay with their base).
        MeasureCuts(word, fonts);
        size_t pieceStart = 0;
        double startWidth = 0;
        for (size_t c = 0; c < word.Cuts.size(); ++c) {
            const size_t from = c ? word.Cuts[c - 1].first : 0;
            const double before = c ? word.Cuts[c - 1].second : 0;
            if (from > pieceStart && word.Cuts[c].second - startWidth > limit) {
                lines.push_back(word.Text.substr(pieceStart, from - pieceStart));
                any = true;
                pieceStart = from;
                startWidth = before;
            }
        }
        line = word.Text.substr(pieceStart);
        width = word.Cuts.back().second - startWidth;
    }
    if (!line.empty() || !any) lines.push_back(std::move(line));
}

} // namespace

TCaptionLayout LayoutCaption(const std::string& caption, const TPageSize& page,
                             const TShowSettings& s, TCaptionFonts& fonts) {
    TCaptionLayout layout;
    const double w = page.Width, h = page.Height;
    if (!(w > 0 && h > 0)) return layout;
    const double asked = std::min<double>(s.FontSize, 10 * std::max(w, h));
    if (!(asked >= 1)) return layout;
    const std::vector<std::u32string> paragraphs = CaptionParagraphs(caption);
    if (paragraphs.empty()) return layout;
    TMeasuredCaption measured = MeasureCaption(paragraphs, fonts);

    // The margins are 2 % of the long side (a tenth of the short side at most, for frames
    // far wider than any page).
    const double margin = std::min(0.02 * std::max(w, h), 0.1 * std::min(w, h));
    const double x = std::max(0.0, w * s.TextX / 100.0);
    const double fullLine = w - 2 * margin;
    // Lines wrap at the room right of x; a word that is wider moves the block left instead of
    // being cut, and only a word wider than the whole line between the margins is cut.
    bool wholeLine = false;
    auto wrap = [&](double size) {
        const double room =
            std::max(wholeLine ? fullLine : w - margin - x, measured.WidestWord * size / 1000);
        const double limit = std::clamp(room, std::min(w / 3, fullLine), fullLine);
        std::vector<std::u32string> lines;
        for (std::vector<TMeasuredWord>& words : measured.Paragraphs)
            WrapParagraph(words, measured.Space, limit * 1000 / size, fonts, lines);
        return lines;
    };
    // A line holds at least one character: the widest character of a word that may be cut
    // must fit the line too.
    double widestCharacter = 0;
    for (std::vector<TMeasuredWord>& words : measured.Paragraphs)
        for (TMeasuredWord& word : words)
            if (word.Width * asked / 1000 > fullLine) {
                MeasureCuts(word, fonts);
                double before = 0;
                for (const auto& [end, upTo] : word.Cuts) {
                    widestCharacter = std::max(widestCharacter, upTo - before);
                    before = upTo;
                }
            }
    auto fits = [&](double size, size_t lines) {
        return (kAscent + kDescent + kLineSpacing * static_cast<double>(lines - 1)) * size <=
                   h - 2 * margin &&
               widestCharacter * size / 1000 <= fullLine;
    };
    double size = asked;
    std::vector<std::u32string> lines = wrap(size);
    if (!fits(size, lines.size())) {
        // Too many lines for the page's height: first lines as wide as the page allows (the
        // block moves left), then the largest size whose lines fit. Fewer lines never need
        // more room at a smaller size, so halving the interval finds it.
        wholeLine = true;
        lines = wrap(size);
    }
    if (!fits(size, lines.size())) {
        double low = 0, high = size;
        for (int step = 0; step < 40; ++step) {
            const double mid = (low + high) / 2;
            if (fits(mid, wrap(mid).size()))
                low = mid;
            else
                high = mid;
        }
        size = low >= 0.01 ? std::floor(low * 100) / 100 : low;
        if (!(size > 0)) return layout;
        lines = wrap(size);
    }

    layout.Size = size;
    layout.Leading = kLineSpacing * size;
    double widest = 0;
    for (std::u32string& text : lines) {
        TCaptionLine line;
        line.Runs = fonts.Shape(text);
        line.Width = RunsWidth(line.Runs) * size / 1000;
        line.Text = std::move(text);
        widest = std::max(widest, line.Width);
        layout.Lines.push_back(std::move(line));
    }
    // The block keeps its place where it fits and moves in from the right and bottom edges
    // (and down from the top) where it would run past them.
    layout.X = std::max(0.0, std::min(x, w - margin - widest));
    const double y = h * s.TextY / 100.0;
    const double top = margin + kAscent * size;
    const double lowest = h - margin - kDescent * size -
                          static_cast<double>(layout.Lines.size() - 1) * layout.Leading;
    layout.Y = std::min(std::max(y, top), lowest);
    return layout;
}

} // namespace lumeno

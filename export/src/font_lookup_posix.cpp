// Font files through fontconfig.
#include "font_lookup.h"

#include <fontconfig/fontconfig.h>
#include <memory>

namespace lumeno {

namespace {

struct TPatternFree {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct TFontSetFree {
    void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};
struct TCharSetFree {
    void operator()(FcCharSet* s) const { FcCharSetDestroy(s); }
};

} // namespace

std::vector<TFontFile> FindFontFiles(char32_t c) {
    std::vector<TFontFile> out;
    if (!FcInit()) return out;
    std::unique_ptr<FcPattern, TPatternFree> pattern(FcPatternCreate());
    if (!pattern) return out;
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>("DejaVu Sans"));
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, FC_SLANT_ROMAN);
    if (c != 0) {
        std::unique_ptr<FcCharSet, TCharSetFree> chars(FcCharSetCreate());
        if (!chars || !FcCharSetAddChar(chars.get(), c)) return out;
        FcPatternAddCharSet(pattern.get(), FC_CHARSET, chars.get());
    }
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    std::unique_ptr<FcFontSet, TFontSetFree> fonts(
        FcFontSort(nullptr, pattern.get(), FcFalse, nullptr, &result));
    if (!fonts) return out;
    for (int i = 0; i < fonts->nfont && out.size() < 8; ++i) {
        FcPattern* font = fonts->fonts[i];
        FcChar8* file = nullptr;
        FcChar8* format = nullptr;
        int index = 0;
        if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) continue;
        if (FcPatternGetString(font, FC_FONTFORMAT, 0, &format) != FcResultMatch ||
            std::string(reinterpret_cast<const char*>(format)) != "TrueType")
            continue;
        if (c != 0) {
            FcCharSet* has = nullptr;
            if (FcPatternGetCharSet(font, FC_CHARSET, 0, &has) != FcResultMatch ||
                !FcCharSetHasChar(has, c))
                continue;
        }
        FcPatternGetInteger(font, FC_INDEX, 0, &index);
        out.push_back({reinterpret_cast<const char*>(file), index});
    }
    return out;
}

TFontFile FindHelveticaLikeFont() {
    TFontFile out;
    if (!FcInit()) return out;
    std::unique_ptr<FcPattern, TPatternFree> pattern(FcPatternCreate());
    if (!pattern) return out;
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>("Helvetica"));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    std::unique_ptr<FcPattern, TPatternFree> font(FcFontMatch(nullptr, pattern.get(), &result));
    FcChar8* file = nullptr;
    if (!font || FcPatternGetString(font.get(), FC_FILE, 0, &file) != FcResultMatch) return out;
    out.Path = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(font.get(), FC_INDEX, 0, &out.Index);
    return out;
}

} // namespace lumeno

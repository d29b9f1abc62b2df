// Colour management with lcms2: pictures whose colour profile is not sRGB are converted to
// sRGB once, right after decoding, so every use of the picture sees the same colours.
//
// Rendering intent: relative colorimetric with black-point compensation. Colours inside sRGB
// keep their measured values (most of a photo), colours outside are clipped to the nearest
// sRGB colour of the same lightness and hue, and the source's black point is mapped onto
// sRGB's black, so shadows neither block up nor turn grey (print profiles, CMYK, whose
// black is far from zero). Matrix profiles (Adobe RGB, Display P3, the ones built from PNG or
// HEIF colour tags) have no perceptual tables at all, and those in vendors' LUT profiles
// differ from vendor to vendor; relative colorimetric gives the same result everywhere.
#include "colour.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include <lcms2.h>
#include <lcms2_plugin.h>

namespace pictavo_internal {

namespace {

struct ProfileClose {
    void operator()(void* p) const { cmsCloseProfile(static_cast<cmsHPROFILE>(p)); }
};
using ProfileOwner = std::unique_ptr<void, ProfileClose>;

struct TransformDelete {
    void operator()(void* t) const { cmsDeleteTransform(static_cast<cmsHTRANSFORM>(t)); }
};

// One profile's outcome, made once per distinct profile and input kind.
struct CacheEntry {
    std::vector<uint8_t> profile;
    ColourInput input;
    ColourOutcome outcome = ColourOutcome::kNone;
    std::shared_ptr<void> transform; // set for kConverted
};

// More distinct profiles than this in one run are rare (one per camera and converter); when
// it is reached the cache starts again (entries in use live on through their shared owner).
constexpr size_t kMaxEntries = 64;
// ICC profiles larger than this are refused unread (JPEG can carry about 16 MB).
constexpr size_t kMaxProfileBytes = 32u << 20;

std::mutex g_cacheMutex;
std::unordered_multimap<uint64_t, std::shared_ptr<const CacheEntry>> g_cache;

uint64_t HashOf(const uint8_t* data, size_t size, ColourInput input) {
    uint64_t h = 1469598103934665603ull ^ static_cast<uint64_t>(input);
    for (size_t i = 0; i < size; ++i) {
        h ^= data[i];
        h *= 1099511628211ull;
    }
    return h ^ size;
}

void QuietLcms(cmsContext, cmsUInt32Number, const char*) {}

// What reading one profile and making its transform may allocate in all. A real profile and
// its transform need a few megabytes; a hostile one (huge tables declared in a few hundred
// bytes) is refused here instead of taking the machine's memory, and counts as broken.
constexpr uint64_t kMaxLcmsBytes = 64u << 20;

struct MemoryBudget {
    std::atomic<uint64_t> used{0};
};

bool WithinBudget(cmsContext context, cmsUInt32Number size) {
    auto* budget = static_cast<MemoryBudget*>(cmsGetContextUserData(context));
    return !budget || budget->used.fetch_add(size) + size <= kMaxLcmsBytes;
}

void* BudgetMalloc(cmsContext context, cmsUInt32Number size) {
    return WithinBudget(context, size) ? std::malloc(size) : nullptr;
}

void BudgetFree(cmsContext, void* block) {
    std::free(block);
}

void* BudgetRealloc(cmsContext context, void* block, cmsUInt32Number size) {
    return WithinBudget(context, size) ? std::realloc(block, size) : nullptr;
}

// An lcms2 context whose allocations count against a budget of their own; deleted with the
// last transform made in it.
std::shared_ptr<void> BudgetedContext() {
    static cmsPluginMemHandler handler = {
        {cmsPluginMagicNumber, 2000, cmsPluginMemHandlerSig, nullptr},
        BudgetMalloc,
        BudgetFree,
        BudgetRealloc,
        nullptr,
        nullptr,
        nullptr};
    auto* budget = new MemoryBudget;
    cmsContext context = cmsCreateContext(&handler, budget);
    if (!context) {
        delete budget;
        return nullptr;
    }
    cmsSetLogErrorHandlerTHR(context, QuietLcms);
    return std::shared_ptr<void>(context, [budget](void* c) {
        cmsDeleteContext(static_cast<cmsContext>(c));
        delete budget;
    });
}

cmsUInt32Number InputFormat(ColourInput input) {
    switch (input) {
    case ColourInput::kBgr:
        return TYPE_BGR_8;
    case ColourInput::kGrey:
        return TYPE_GRAY_8;
    case ColourInput::kCmyk:
        return TYPE_CMYK_8;
    case ColourInput::kInvertedCmyk:
        return TYPE_CMYK_8_REV;
    }
    return TYPE_BGR_8;
}

cmsColorSpaceSignature SpaceOf(ColourInput input) {
    switch (input) {
    case ColourInput::kBgr:
        return cmsSigRgbData;
    case ColourInput::kGrey:
        return cmsSigGrayData;
    case ColourInput::kCmyk:
    case ColourInput::kInvertedCmyk:
        break;
    }
    return cmsSigCmykData;
}

// True when the transform leaves every 8-bit colour within one step of where it was: an sRGB
// profile (or one close enough) whose picture is kept with exactly its decoded bytes.
bool KeepsColours(cmsHTRANSFORM transform, ColourInput input) {
    std::vector<uint8_t> in, out;
    if (input == ColourInput::kGrey) {
        for (int v = 0; v < 256; ++v)
            in.push_back(static_cast<uint8_t>(v));
    } else {
        for (int b = 0; b <= 256; b += 32)
            for (int g = 0; g <= 256; g += 32)
                for (int r = 0; r <= 256; r += 32)
                    for (int v : {b, g, r})
                        in.push_back(static_cast<uint8_t>(v > 255 ? 255 : v));
    }
    const size_t pixels = input == ColourInput::kGrey ? in.size() : in.size() / 3;
    out.resize(pixels * 3);
    cmsDoTransform(transform, in.data(), out.data(), static_cast<cmsUInt32Number>(pixels));
    for (size_t i = 0; i < pixels; ++i)
        for (int c = 0; c < 3; ++c) {
            const int want = input == ColourInput::kGrey ? in[i] : in[3 * i + c];
            const int got = out[3 * i + c];
            if (got - want > 1 || want - got > 1) return false;
        }
    return true;
}

std::shared_ptr<const CacheEntry> MakeEntry(const uint8_t* profile, size_t size,
                                            ColourInput input) {
    auto entry = std::make_shared<CacheEntry>();
    entry->profile.assign(profile, profile + size);
    entry->input = input;
    entry->outcome = ColourOutcome::kBroken;
    const std::shared_ptr<void> context = BudgetedContext();
    if (!context) return entry;
    ProfileOwner source(cmsOpenProfileFromMemTHR(static_cast<cmsContext>(context.get()), profile,
                                                 static_cast<cmsUInt32Number>(size)));
    if (!source) return entry;
    if (cmsGetColorSpace(source.get()) != SpaceOf(input)) return entry;
    const cmsColorSpaceSignature pcs = cmsGetPCS(source.get());
    if (pcs != cmsSigXYZData && pcs != cmsSigLabData) return entry;
    ProfileOwner srgb(cmsCreate_sRGBProfileTHR(static_cast<cmsContext>(context.get())));
    if (!srgb) return entry;
    // No one-pixel cache: the transform is used by several threads at once.
    cmsHTRANSFORM transform = cmsCreateTransformTHR(
        static_cast<cmsContext>(context.get()), source.get(), InputFormat(input), srgb.get(),
        TYPE_BGR_8, INTENT_RELATIVE_COLORIMETRIC,
        cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_NOCACHE);
    if (!transform) return entry;
    // The context goes with the transform's last owner.
    entry->transform.reset(transform, [context](void* t) { TransformDelete()(t); });
    const bool cmyk = input == ColourInput::kCmyk || input == ColourInput::kInvertedCmyk;
    if (!cmyk && KeepsColours(transform, input)) {
        entry->transform.reset();
        entry->outcome = ColourOutcome::kNone;
    } else {
        entry->outcome = ColourOutcome::kConverted;
    }
    return entry;
}

std::shared_ptr<const CacheEntry> FindEntry(const uint8_t* profile, size_t size,
                                            ColourInput input) {
    static std::once_flag quiet;
    std::call_once(quiet, [] { cmsSetLogErrorHandler(QuietLcms); });
    const uint64_t key = HashOf(profile, size, input);
    {
        std::lock_guard<std::mutex> lock(g_cacheMutex);
        auto [from, to] = g_cache.equal_range(key);
        for (auto it = from; it != to; ++it) {
            const CacheEntry& e = *it->second;
            if (e.input == input && e.profile.size() == size &&
                std::memcmp(e.profile.data(), profile, size) == 0)
                return it->second;
        }
    }
    // Made outside the lock: two threads meeting a new profile at once both make it, and one
    // copy is kept.
    std::shared_ptr<const CacheEntry> entry = MakeEntry(profile, size, input);
    std::lock_guard<std::mutex> lock(g_cacheMutex);
    if (g_cache.size() >= kMaxEntries) g_cache.clear();
    g_cache.emplace(key, entry);
    return entry;
}

} // namespace

ColourTransform::ColourTransform(const uint8_t* profile, size_t size, ColourInput input) {
    if (!profile || size == 0) return;
    if (size < 128 || size > kMaxProfileBytes) {
        outcome_ = ColourOutcome::kBroken;
        return;
    }
    input_ = input;
    std::shared_ptr<const CacheEntry> entry = FindEntry(profile, size, input);
    outcome_ = entry->outcome;
    transform_ = entry->transform;
}

void ColourTransform::Row(const uint8_t* in, uint8_t* bgr, int width) const {
    cmsDoTransform(static_cast<cmsHTRANSFORM>(transform_.get()), in, bgr,
                   static_cast<cmsUInt32Number>(width));
}

ColourOutcome ConvertToSrgb(TDib* dib, const std::vector<uint8_t>& profile) {
    if (profile.empty() || !dib || !dib->Bits || !dib->Info) return ColourOutcome::kNone;
    const int bits = dib->Info->biBitCount;
    const bool palette = bits != 24;
    // A palette of greys is a grey picture: its profile is a grey one. Otherwise RGB.
    bool greys = palette;
    const int colours =
        palette ? (dib->Info->biClrUsed ? static_cast<int>(dib->Info->biClrUsed) : 1 << bits) : 0;
    for (int i = 0; i < colours && greys; ++i) {
        const TRgbQuad& q = dib->Info->bmiColors[i];
        greys = q.rgbRed == q.rgbGreen && q.rgbGreen == q.rgbBlue;
    }
    // A grey picture may also carry an RGB profile (PNG allows only grey ones, JPEG either).
    ColourTransform transform(profile.data(), profile.size(),
                              greys ? ColourInput::kGrey : ColourInput::kBgr);
    if (greys && transform.outcome() == ColourOutcome::kBroken)
        transform = ColourTransform(profile.data(), profile.size(), ColourInput::kBgr);
    if (!transform.converts()) return transform.outcome();
    if (palette) {
        uint8_t in[256 * 3], out[256 * 3];
        for (int i = 0; i < colours; ++i) {
            const TRgbQuad& q = dib->Info->bmiColors[i];
            if (transform.input() == ColourInput::kGrey) {
                in[i] = q.rgbRed;
            } else {
                in[3 * i] = q.rgbBlue;
                in[3 * i + 1] = q.rgbGreen;
                in[3 * i + 2] = q.rgbRed;
            }
        }
        transform.Row(in, out, colours);
        for (int i = 0; i < colours; ++i)
            SetColour(dib, i, out[3 * i + 2], out[3 * i + 1], out[3 * i]);
        return ColourOutcome::kConverted;
    }
    const int width = dib->Info->biWidth;
    for (int y = 0; y < dib->Info->biHeight; ++y) {
        uint8_t* row = dib->Bits + static_cast<size_t>(y) * dib->RowBytes;
        transform.Row(row, row, width);
    }
    return ColourOutcome::kConverted;
}

std::vector<uint8_t> BuildRgbProfile(const double xy[8], ToneCurve curve, double gamma) {
    std::vector<uint8_t> bytes;
    const cmsCIExyY white{xy[0], xy[1], 1.0};
    const cmsCIExyYTRIPLE primaries{{xy[2], xy[3], 1.0}, {xy[4], xy[5], 1.0}, {xy[6], xy[7], 1.0}};
    for (int i = 0; i < 8; ++i)
        if (!(xy[i] > 0.0 && xy[i] < 1.0)) return bytes;
    cmsToneCurve* tone = nullptr;
    if (curve == ToneCurve::kSrgb) {
        const cmsFloat64Number p[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
        tone = cmsBuildParametricToneCurve(nullptr, 4, p);
    } else {
        if (!(gamma > 0.1 && gamma < 10.0)) return bytes;
        tone = cmsBuildGamma(nullptr, gamma);
    }
    if (!tone) return bytes;
    cmsToneCurve* curves[3] = {tone, tone, tone};
    ProfileOwner profile(cmsCreateRGBProfile(&white, &primaries, curves));
    cmsFreeToneCurve(tone);
    cmsUInt32Number size = 0;
    if (!profile || !cmsSaveProfileToMem(profile.get(), nullptr, &size) || size == 0) return bytes;
    bytes.resize(size);
    if (!cmsSaveProfileToMem(profile.get(), bytes.data(), &size)) bytes.clear();
    return bytes;
}

std::vector<uint8_t> AdobeRgbProfile() {
    static const std::vector<uint8_t> bytes = [] {
        const double xy[8] = {0.3127, 0.3290, 0.64, 0.33, 0.21, 0.71, 0.15, 0.06};
        return BuildRgbProfile(xy, ToneCurve::kGamma, 563.0 / 256.0);
    }();
    return bytes;
}

namespace {
thread_local ColourOutcome t_lastOutcome = ColourOutcome::kNone;
} // namespace

void SetLastColourOutcome(ColourOutcome outcome) {
    t_lastOutcome = outcome;
}

ColourOutcome LastColourOutcome() {
    return t_lastOutcome;
}

} // namespace pictavo_internal

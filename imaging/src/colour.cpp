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
#include "colour_wide.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

#include <lcms2.h>
#include <lcms2_plugin.h>
#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define PICTAVO_CUBE_SHUFFLES 1
#endif

namespace pictavo_internal {

// How one profile's pictures become sRGB. lcms2 does it in general; three kinds of profile get
// tables that do the same several times faster (a photo's conversion would otherwise cost as
// much as decoding and encoding it):
// - matrix profiles of RGB pictures (and table profiles that behave like one): each 8-bit
//   input value's linear light, already spread over linear sRGB blue, green and red by the
//   profile's matrix, in 16-bit fixed point (kOne is 1.0), so a pixel is three table reads and
//   two additions; then clamped and encoded to sRGB through a table of kOne + 1 steps. Within 2 of
//   lcms2's value in every channel (checked on a colour grid when the tables are made; otherwise
//   lcms2 does it);
// - other RGB profiles (tables): lcms2's linear sRGB light, not yet clipped, on a cube of
//   colours, interpolated between the four corners of the tetrahedron around each pixel, then
//   clipped and encoded like the matrix profiles'; also checked against lcms2;
// - grey profiles: lcms2's result for each of the 256 values.
struct ColourConversion {
    enum class Kind { kLcms, kMatrix, kGrey, kCube };
    static constexpr int kSteps = 33; // grid points per axis of the cube
    static constexpr int kOne = 8192;
    Kind kind = Kind::kLcms;
    std::shared_ptr<void> lcms;  // the lcms2 transform (optimized only for kLcms)
    std::vector<int16_t> shares; // [input channel blue, green, red][value][output b, g, r, 0]
    std::vector<uint8_t> encode; // linear sRGB 0 .. kOne to its 8-bit value
    // Matrix profiles on processors with AVX-512 byte permutes: the same 64 pixels at a time.
    std::shared_ptr<const WideMatrix> wide;
    std::vector<uint8_t> grey; // [value][blue, green, red]
    // Other RGB profiles: the linear sRGB light (not clipped, in units of 1 / kOne) at kSteps^3
    // evenly spaced inputs, indexed (blue * kSteps + green) * kSteps + red, each blue, green,
    // red, 0.
    std::vector<int16_t> cube;
    // The same on processors with AVX-512 byte permutes: a smaller cube in the profile's linear
    // light, 64 pixels at a time.
    std::shared_ptr<const WideCube> wideCube;
};

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
    std::shared_ptr<const ColourConversion> conversion; // set for kConverted
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

// One pixel the portable way; the same numbers as the SSE2 way.
inline void MatrixPixel(const int16_t* shares, const uint8_t* encode, const uint8_t* in,
                        uint8_t* bgr) {
    const int16_t* b = shares + 4 * in[0];
    const int16_t* g = shares + 1024 + 4 * in[1];
    const int16_t* r = shares + 2048 + 4 * in[2];
    int out[3];
    for (int k = 0; k < 3; ++k) {
        const int v = b[k] + g[k] + r[k];
        out[k] = v < 0 ? 0 : v > ColourConversion::kOne ? ColourConversion::kOne : v;
    }
    for (int k = 0; k < 3; ++k)
        bgr[k] = encode[out[k]];
}

void MatrixRow(const ColourConversion& c, const uint8_t* in, uint8_t* bgr, int width) {
    if (c.wide) {
        WideMatrixRow(*c.wide, in, bgr, width);
        return;
    }
    const int16_t* shares = c.shares.data();
    const uint8_t* encode = c.encode.data();
    int x = 0;
#if defined(__SSE2__) && defined(__x86_64__)
    // Two pixels at a time, one in each half of the registers.
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi16(ColourConversion::kOne);
    const auto* b = reinterpret_cast<const double*>(shares);
    const auto* g = reinterpret_cast<const double*>(shares + 1024);
    const auto* r = reinterpret_cast<const double*>(shares + 2048);
    for (; x + 2 <= width; x += 2, in += 6, bgr += 6) {
        const uint8_t b0 = in[0], g0 = in[1], r0 = in[2], b1 = in[3], g1 = in[4], r1 = in[5];
        __m128d vb = _mm_loadh_pd(_mm_load_sd(b + b0), b + b1);
        __m128d vg = _mm_loadh_pd(_mm_load_sd(g + g0), g + g1);
        __m128d vr = _mm_loadh_pd(_mm_load_sd(r + r0), r + r1);
        __m128i v = _mm_add_epi16(_mm_add_epi16(_mm_castpd_si128(vb), _mm_castpd_si128(vg)),
                                  _mm_castpd_si128(vr));
        v = _mm_min_epi16(_mm_max_epi16(v, zero), one);
        const auto first = static_cast<uint64_t>(_mm_cvtsi128_si64(v));
        const auto second = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(v, v)));
        bgr[0] = encode[first & 0xFFFF];
        bgr[1] = encode[(first >> 16) & 0xFFFF];
        bgr[2] = encode[(first >> 32) & 0xFFFF];
        bgr[3] = encode[second & 0xFFFF];
        bgr[4] = encode[(second >> 16) & 0xFFFF];
        bgr[5] = encode[(second >> 32) & 0xFFFF];
    }
#endif
    for (; x < width; ++x, in += 3, bgr += 3)
        MatrixPixel(shares, encode, in, bgr);
}

// The colours that tables are checked on, and lcms2's result for them, made once per profile:
// every 16th value from 0 (and 255), or from 8 (between those), blue, green, red each; lcms2's
// floating-point transform `exact`, in levels, not rounded or clipped. (Its own 8- and 16-bit
// transforms are off by 2 and more near the edge of sRGB.)
class Reference {
  public:
    explicit Reference(cmsHTRANSFORM exact) : exact_(exact) {}
    struct Grid {
        std::vector<uint8_t> colours;
        std::vector<double> levels;
    };
    const Grid& Of(int first) {
        Grid& g = grids_[first == 0 ? 0 : 1];
        if (!g.colours.empty()) return g;
        const int last = first == 0 ? 256 : 255;
        for (int b = first; b <= last; b += 16)
            for (int gr = first; gr <= last; gr += 16)
                for (int r = first; r <= last; r += 16)
                    for (int v : {b, gr, r})
                        g.colours.push_back(static_cast<uint8_t>(v > 255 ? 255 : v));
        std::vector<double> wide(g.colours.size());
        g.levels.resize(g.colours.size());
        for (size_t i = 0; i < wide.size(); ++i)
            wide[i] = g.colours[i] / 255.0;
        cmsDoTransform(exact_, wide.data(), g.levels.data(),
                       static_cast<cmsUInt32Number>(wide.size() / 3));
        for (double& v : g.levels)
            v *= 255.0;
        return g;
    }

  private:
    cmsHTRANSFORM exact_;
    Grid grids_[2];
};

// True when `row` gives lcms2's result (clipped and rounded) within `tolerance` in every channel
// on the reference's grid from `first`.
bool MatchesLcms(const ColourConversion& c,
                 void (*row)(const ColourConversion&, const uint8_t*, uint8_t*, int),
                 Reference& exact, int first = 0, int tolerance = 2) {
    const Reference::Grid& g = exact.Of(first);
    std::vector<uint8_t> ours(g.colours.size());
    row(c, g.colours.data(), ours.data(), static_cast<int>(ours.size() / 3));
    for (size_t i = 0; i < ours.size(); ++i) {
        const double v = g.levels[i];
        const int theirs = v > 0 ? v < 255 ? static_cast<int>(std::lround(v)) : 255 : 0;
        if (std::abs(ours[i] - theirs) > tolerance) return false;
    }
    return true;
}

// sRGB's encoding of linear light 0 .. kOne.
void BuildEncodeTable(ColourConversion& c) {
    c.encode.resize(ColourConversion::kOne + 1);
    for (int i = 0; i <= ColourConversion::kOne; ++i) {
        const double v = SrgbEncoding(static_cast<double>(i) / ColourConversion::kOne);
        c.encode[i] = static_cast<uint8_t>(std::lround(255.0 * v));
    }
}

// The profile's colorants as the columns of a matrix (red, green, blue); false when it has
// none.
bool ColorantMatrix(cmsHPROFILE profile, cmsMAT3& m) {
    const cmsTagSignature tags[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                     cmsSigBlueColorantTag};
    for (int c = 0; c < 3; ++c) {
        const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tags[c]));
        if (!xyz) return false;
        m.v[0].n[c] = xyz->X;
        m.v[1].n[c] = xyz->Y;
        m.v[2].n[c] = xyz->Z;
    }
    return true;
}

// When the three channels share one tone curve, a grey's shares of each output add up to its
// light times the row's sum (rounded once): each largest share takes up the others' rounding,
// so greys come out grey (rounded one by one, one grey in sixteen got a tint of one level).
void KeepGreysGrey(const double linear[3][256], const double m[3][3],
                   std::vector<int16_t>& shares) {
    for (int v = 0; v < 256; ++v)
        if (linear[0][v] != linear[1][v] || linear[1][v] != linear[2][v]) return;
    for (int out = 0; out < 3; ++out) {
        int largest = 0;
        for (int in = 1; in < 3; ++in)
            if (std::fabs(m[out][in]) > std::fabs(m[out][largest])) largest = in;
        for (int v = 0; v < 256; ++v) {
            const double row = m[out][0] + m[out][1] + m[out][2];
            long sum = 0;
            for (int in = 0; in < 3; ++in)
                sum += shares[(in * 256 + v) * 4 + out];
            shares[(largest * 256 + v) * 4 + out] = static_cast<int16_t>(
                shares[(largest * 256 + v) * 4 + out] +
                std::lround(row * linear[0][v] * ColourConversion::kOne) - sum);
        }
    }
}

// The tables for input values of linear light linear[channel][value] (blue, green, red),
// spread over linear sRGB by bgrMatrix[out][in]; false when a curve leaves 0 .. 1, the matrix
// is so wide that the sum of a pixel's shares could leave 16 bits, or the tables stray from
// lcms2 on `grids` grids of colours (the second between the first's points).
bool MatrixTablesOf(const double linear[3][256], const double bgrMatrix[3][3], Reference& exact,
                    int grids, ColourConversion& c) {
    for (int out = 0; out < 3; ++out) {
        const double widest = std::fabs(bgrMatrix[out][0]) + std::fabs(bgrMatrix[out][1]) +
                              std::fabs(bgrMatrix[out][2]);
        if (!(widest * 1.01 * ColourConversion::kOne < 32000.0)) return false;
    }
    c.shares.assign(3 * 256 * 4, 0);
    for (int in = 0; in < 3; ++in)
        for (int v = 0; v < 256; ++v) {
            if (!(linear[in][v] >= -0.01 && linear[in][v] <= 1.01)) return false;
            for (int out = 0; out < 3; ++out) {
                const double share = bgrMatrix[out][in] * linear[in][v] * ColourConversion::kOne;
                c.shares[(in * 256 + v) * 4 + out] = static_cast<int16_t>(std::lround(share));
            }
        }
    KeepGreysGrey(linear, bgrMatrix, c.shares);
    BuildEncodeTable(c);
    const auto matches = [&] {
        for (int g = 0; g < grids; ++g)
            if (!MatchesLcms(c, MatrixRow, exact, 8 * g)) return false;
        return true;
    };
    if (!matches()) return false;
    if (HasWidePermutes()) {
        c.wide = MakeWideMatrix(linear, bgrMatrix);
        if (c.wide && !matches()) c.wide = nullptr;
    }
    return true;
}

// The tables of a matrix profile, or false when the profile is not one or its tables cannot
// be made.
bool BuildMatrixTables(cmsHPROFILE source, cmsHPROFILE srgb, Reference& exact,
                       ColourConversion& c) {
    if (!cmsIsMatrixShaper(source) ||
        cmsIsCLUT(source, INTENT_RELATIVE_COLORIMETRIC, LCMS_USED_AS_INPUT))
        return false;
    cmsMAT3 from, to, toInverse, m;
    if (!ColorantMatrix(source, from) || !ColorantMatrix(srgb, to) ||
        !_cmsMAT3inverse(&to, &toInverse))
        return false;
    _cmsMAT3per(&m, &toInverse, &from); // linear source RGB to linear sRGB
    const cmsTagSignature curves[3] = {cmsSigBlueTRCTag, cmsSigGreenTRCTag, cmsSigRedTRCTag};
    double linear[3][256], bgrMatrix[3][3];
    for (int in = 0; in < 3; ++in) {
        const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(source, curves[in]));
        if (!curve) return false;
        for (int out = 0; out < 3; ++out)
            bgrMatrix[out][in] = m.v[2 - out].n[2 - in];
        for (int v = 0; v < 256; ++v)
            linear[in][v] = cmsEvalToneCurveFloat(curve, static_cast<cmsFloat32Number>(v / 255.0));
    }
    return MatrixTablesOf(linear, bgrMatrix, exact, 1, c);
}

// Where an 8-bit value falls between the cube's grid points: the offset of the grid point
// below it along each axis (in the cube's int16 units) and the distance to it in 1/256 of a
// step.
struct CubeAxis {
    static constexpr int kStride[3] = {4 * ColourConversion::kSteps * ColourConversion::kSteps,
                                       4 * ColourConversion::kSteps, 4};
    int offset[3][256];
    int part[256];
    // The tetrahedron around a pixel: the offsets of its second, third and fourth corner from
    // the first, by which fractions are the largest (the index of CornerCase).
    int corners[8][3];
    // For the byte-shuffling way: each value's fraction in its axis' 16-bit lane (blue 0,
    // green 1, red 2; blue's also holds 256 in lane 3), and per comparison mask the corners
    // and the byte shuffles that give (256, f1, f2, f3) and (f1, f2, f3, 0) from those lanes.
    uint64_t lanes[3][256];
    struct Tetrahedron {
        alignas(16) uint8_t high[16];
        alignas(16) uint8_t low[16];
        int step[3];
    };
    Tetrahedron tetrahedra[64];
    CubeAxis() {
        constexpr int last = ColourConversion::kSteps - 1;
        for (int v = 0; v < 256; ++v) {
            const double at = v * static_cast<double>(last) / 255.0;
            int below = static_cast<int>(at);
            if (below >= last) below = last - 1;
            for (int k = 0; k < 3; ++k)
                offset[k][v] = below * kStride[k];
            part[v] = static_cast<int>(std::lround((at - below) * 256.0));
        }
        // The axes by falling fraction for each case; the impossible cases 3 and 4 take any.
        static constexpr uint8_t kOrder[8][3] = {{2, 1, 0}, {2, 0, 1}, {1, 2, 0}, {0, 1, 2},
                                                 {2, 1, 0}, {0, 2, 1}, {1, 0, 2}, {0, 1, 2}};
        for (int i = 0; i < 8; ++i) {
            int at = 0;
            for (int k = 0; k < 3; ++k)
                corners[i][k] = at += kStride[kOrder[i][k]];
        }
        for (int k = 0; k < 3; ++k)
            for (int v = 0; v < 256; ++v)
                lanes[k][v] =
                    static_cast<uint64_t>(part[v]) << (16 * k) | (k == 0 ? uint64_t{256} << 48 : 0);
        // The comparison mask has two bits per 16-bit lane, set where blue < green, green < red,
        // blue < red: the opposite of CornerCase's bits.
        for (int m = 0; m < 64; ++m) {
            const int which = (m & 1 ? 0 : 1) | (m & 4 ? 0 : 2) | (m & 16 ? 0 : 4);
            const uint8_t* order = kOrder[which];
            Tetrahedron& t = tetrahedra[m];
            std::memset(t.high, 0x80, 16);
            std::memset(t.low, 0x80, 16);
            const auto lane = [](uint8_t* to, int at, int from) {
                to[2 * at] = static_cast<uint8_t>(2 * from);
                to[2 * at + 1] = static_cast<uint8_t>(2 * from + 1);
            };
            lane(t.high, 0, 3);
            for (int k = 0; k < 3; ++k) {
                lane(t.high, k + 1, order[k]);
                lane(t.low, k, order[k]);
                t.step[k] = corners[which][k];
            }
        }
    }
    // Chosen from sign bits, without comparisons the compiler could turn into branches: noise
    // in a photo makes the order random from pixel to pixel. Bit 0: b >= g, 1: g >= r, 2: b >= r.
    static int CornerCase(int b, int g, int r) {
        const auto atLeast = [](int x, int y) { return static_cast<unsigned>(y - x - 1) >> 31; };
        return static_cast<int>(atLeast(b, g) | atLeast(g, r) << 1 | atLeast(b, r) << 2);
    }
};

// The larger and the smaller of two fractions by their difference's sign (comparisons here
// became branches, mispredicted half the time on noisy photos).
inline int Larger(int a, int b) {
    const int d = a - b;
    return a - (d & (d >> 31));
}
inline int Smaller(int a, int b) {
    const int d = a - b;
    return b + (d & (d >> 31));
}

#if !(defined(__SSE2__) && defined(__x86_64__))
// One pixel between the four corners of its tetrahedron: the base, then one step along the
// axis of the largest fraction, then along the second, then the third (weights in 1/256).
inline int CubeChannel(const int16_t* const p[4], const int w[4], int k) {
    const int v = (w[0] * p[0][k] + w[1] * p[1][k] + w[2] * p[2][k] + w[3] * p[3][k] + 128) >> 8;
    return v < 0 ? 0 : v > ColourConversion::kOne ? ColourConversion::kOne : v;
}
#endif

const CubeAxis& Axis() {
    static const CubeAxis axis;
    return axis;
}

#ifdef PICTAVO_CUBE_SHUFFLES
// The same numbers as CubeRowPortable, with the fractions ordered by byte shuffles (SSSE3)
// instead of scalar comparisons: half the instructions.
__attribute__((target("ssse3"))) void CubeRowShuffled(const ColourConversion& c, const uint8_t* in,
                                                      uint8_t* bgr, int width) {
    const CubeAxis& axis = Axis();
    const int16_t* cube = c.cube.data();
    const uint8_t* encode = c.encode.data();
    const __m128i half = _mm_set1_epi32(128);
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi16(ColourConversion::kOne);
    // Lanes (blue, green, blue) against (green, red, red): where the second is larger.
    const __m128i pickFirst =
        _mm_setr_epi8(0, 1, 2, 3, 0, 1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i pickSecond =
        _mm_setr_epi8(2, 3, 4, 5, 4, 5, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    for (int x = 0; x < width; ++x, in += 3, bgr += 3) {
        const int b = in[0], g = in[1], r = in[2];
        const int16_t* base = cube + axis.offset[0][b] + axis.offset[1][g] + axis.offset[2][r];
        const __m128i parts = _mm_cvtsi64_si128(
            static_cast<long long>(axis.lanes[0][b] | axis.lanes[1][g] | axis.lanes[2][r]));
        const int mask = _mm_movemask_epi8(_mm_cmpgt_epi16(_mm_shuffle_epi8(parts, pickSecond),
                                                           _mm_shuffle_epi8(parts, pickFirst))) &
                         0x3F;
        const CubeAxis::Tetrahedron& t = axis.tetrahedra[mask];
        const __m128i weights = _mm_sub_epi16(
            _mm_shuffle_epi8(parts, _mm_load_si128(reinterpret_cast<const __m128i*>(t.high))),
            _mm_shuffle_epi8(parts, _mm_load_si128(reinterpret_cast<const __m128i*>(t.low))));
        const auto corner = [&](int at) {
            return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(base + at));
        };
        const __m128i first = _mm_unpacklo_epi16(corner(0), corner(t.step[0]));
        const __m128i second = _mm_unpacklo_epi16(corner(t.step[1]), corner(t.step[2]));
        __m128i v = _mm_add_epi32(_mm_madd_epi16(first, _mm_shuffle_epi32(weights, 0x00)),
                                  _mm_madd_epi16(second, _mm_shuffle_epi32(weights, 0x55)));
        v = _mm_srai_epi32(_mm_add_epi32(v, half), 8);
        v = _mm_packs_epi32(v, v);
        v = _mm_min_epi16(_mm_max_epi16(v, zero), one);
        const auto out = static_cast<uint64_t>(_mm_cvtsi128_si64(v));
        bgr[0] = encode[out & 0xFFFF];
        bgr[1] = encode[(out >> 16) & 0xFFFF];
        bgr[2] = encode[(out >> 32) & 0xFFFF];
    }
}
#endif

void CubeRowPortable(const ColourConversion& c, const uint8_t* in, uint8_t* bgr, int width) {
    const CubeAxis& axis = Axis();
    const int16_t* cube = c.cube.data();
    const uint8_t* encode = c.encode.data();
#if defined(__SSE2__) && defined(__x86_64__)
    const __m128i half = _mm_set1_epi32(128);
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi16(ColourConversion::kOne);
#endif
    for (int x = 0; x < width; ++x, in += 3, bgr += 3) {
        const int b = in[0], g = in[1], r = in[2];
        const int16_t* base = cube + axis.offset[0][b] + axis.offset[1][g] + axis.offset[2][r];
        const int pb = axis.part[b], pg = axis.part[g], pr = axis.part[r];
        const int* step = axis.corners[CubeAxis::CornerCase(pb, pg, pr)];
        const int high = Larger(pb, Larger(pg, pr));
        const int low = Smaller(pb, Smaller(pg, pr));
        const int middle = pb + pg + pr - high - low;
#if defined(__SSE2__) && defined(__x86_64__)
        // Blue, green, red of all four corners at once: the corners in pairs, each channel's
        // pair multiplied by the pair of weights and added.
        const auto corner = [&](int at) {
            return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(base + at));
        };
        const __m128i first = _mm_unpacklo_epi16(corner(0), corner(step[0]));
        const __m128i second = _mm_unpacklo_epi16(corner(step[1]), corner(step[2]));
        const __m128i w01 = _mm_set1_epi32((256 - high) | (high - middle) << 16);
        const __m128i w23 = _mm_set1_epi32((middle - low) | low << 16);
        __m128i v = _mm_add_epi32(_mm_madd_epi16(first, w01), _mm_madd_epi16(second, w23));
        v = _mm_srai_epi32(_mm_add_epi32(v, half), 8);
        v = _mm_packs_epi32(v, v);
        v = _mm_min_epi16(_mm_max_epi16(v, zero), one);
        const auto out = static_cast<uint64_t>(_mm_cvtsi128_si64(v));
        bgr[0] = encode[out & 0xFFFF];
        bgr[1] = encode[(out >> 16) & 0xFFFF];
        bgr[2] = encode[(out >> 32) & 0xFFFF];
#else
        const int16_t* const p[4] = {base, base + step[0], base + step[1], base + step[2]};
        const int w[4] = {256 - high, high - middle, middle - low, low};
        for (int k = 0; k < 3; ++k)
            bgr[k] = encode[CubeChannel(p, w, k)];
#endif
    }
}

void CubeRow(const ColourConversion& c, const uint8_t* in, uint8_t* bgr, int width) {
#ifdef PICTAVO_CUBE_SHUFFLES
    static const bool shuffles = [] {
        __builtin_cpu_init();
        return !PortableForced() && __builtin_cpu_supports("ssse3") != 0;
    }();
    if (shuffles) {
        CubeRowShuffled(c, in, bgr, width);
        return;
    }
#endif
    CubeRowPortable(c, in, bgr, width);
}

using TransformOwner = std::unique_ptr<void, TransformDelete>;

// The transform from an RGB profile (16 bits, blue, green, red) to linear sRGB light, floats
// not clipped; null when lcms2 cannot make it.
TransformOwner LinearLight(cmsContext context, cmsHPROFILE source) {
    // sRGB with linear curves: lcms2 passes values outside 0 .. 1 through a gamma of 1.
    const cmsCIExyY d65{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve* one = cmsBuildGamma(context, 1.0);
    if (!one) return nullptr;
    cmsToneCurve* curves[3] = {one, one, one};
    ProfileOwner linear(cmsCreateRGBProfileTHR(context, &d65, &primaries, curves));
    cmsFreeToneCurve(one);
    if (!linear) return nullptr;
    return TransformOwner(cmsCreateTransformTHR(
        context, source, TYPE_BGR_16, linear.get(), TYPE_BGR_FLT, INTENT_RELATIVE_COLORIMETRIC,
        cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_NOCACHE | cmsFLAGS_NOOPTIMIZE));
}

// The light of a table profile's black and ramps: each channel's curve (its light along the
// light of its 255, 1 there) and that light, the matrix's column; false when black has light.
bool RampLight(cmsHTRANSFORM light, double linear[3][256], double bgrMatrix[3][3]) {
    // Black, then the ramp of blue, of green and of red alone.
    std::vector<uint16_t> inputs(3 * (1 + 3 * 256), 0);
    for (int in = 0; in < 3; ++in)
        for (int v = 0; v < 256; ++v)
            inputs[3 * (1 + in * 256 + v) + in] = static_cast<uint16_t>(v * 257);
    std::vector<float> light3(inputs.size());
    cmsDoTransform(light, inputs.data(), light3.data(),
                   static_cast<cmsUInt32Number>(inputs.size() / 3));
    const auto at = [&](int in, int v, int out) {
        return static_cast<double>(light3[3 * (1 + in * 256 + v) + out]) - light3[out];
    };
    for (int out = 0; out < 3; ++out)
        if (!(std::fabs(light3[out]) < 1e-3)) return false;
    for (int in = 0; in < 3; ++in) {
        double length = 0;
        for (int out = 0; out < 3; ++out) {
            bgrMatrix[out][in] = at(in, 255, out);
            length += bgrMatrix[out][in] * bgrMatrix[out][in];
        }
        if (!(length > 1e-6)) return false;
        for (int v = 0; v < 256; ++v) {
            double along = 0;
            for (int out = 0; out < 3; ++out)
                along += at(in, v, out) * bgrMatrix[out][in];
            linear[in][v] = along / length;
        }
    }
    return true;
}

// Three curves within a thousandth of each other are one (the table's rounding): their mean, so
// that greys stay grey.
void OneCurveIfClose(double linear[3][256]) {
    double apart = 0;
    for (int v = 0; v < 256; ++v)
        apart = std::max({apart, std::fabs(linear[0][v] - linear[1][v]),
                          std::fabs(linear[1][v] - linear[2][v]),
                          std::fabs(linear[0][v] - linear[2][v])});
    if (apart < 1e-3)
        for (int v = 0; v < 256; ++v)
            linear[0][v] = linear[1][v] = linear[2][v] =
                (linear[0][v] + linear[1][v] + linear[2][v]) / 3;
}

// Matrix tables for a table profile that behaves like a matrix profile (some vendors store
// one as a table): each channel's curve and column of the matrix read from the light of its
// own ramp, then checked against lcms2 on two grids of colours, the second between the table's
// usual points. False for every other profile, which then takes the cube.
bool FitMatrixTables(const double ramps[3][256], const double bgrMatrix[3][3], Reference& exact,
                     ColourConversion& c) {
    double linear[3][256];
    std::memcpy(linear, ramps, sizeof linear);
    OneCurveIfClose(linear);
    return MatrixTablesOf(linear, bgrMatrix, exact, 2, c);
}

// The cube of an RGB profile, or false when the cube strays from lcms2's result.
bool BuildCube(cmsHTRANSFORM light, Reference& exact, ColourConversion& c) {
    constexpr int n = ColourConversion::kSteps;
    constexpr size_t count = static_cast<size_t>(n) * n * n;
    std::vector<uint16_t> inputs(count * 3);
    size_t at = 0;
    for (int b = 0; b < n; ++b)
        for (int g = 0; g < n; ++g)
            for (int r = 0; r < n; ++r)
                for (int v : {b, g, r})
                    inputs[at++] = static_cast<uint16_t>((v * 65535 + (n - 1) / 2) / (n - 1));
    std::vector<float> values(count * 3);
    cmsDoTransform(light, inputs.data(), values.data(), static_cast<cmsUInt32Number>(count));
    c.cube.assign(count * 4, 0);
    for (size_t i = 0; i < count; ++i)
        for (int k = 0; k < 3; ++k) {
            const double v = values[3 * i + k] * static_cast<double>(ColourConversion::kOne);
            if (!(v > -32000.0 && v < 32000.0)) return false;
            c.cube[4 * i + k] = static_cast<int16_t>(std::lround(v));
        }
    BuildEncodeTable(c);
    return MatchesLcms(c, CubeRow, exact);
}

void WideCubeRowOf(const ColourConversion& c, const uint8_t* in, uint8_t* bgr, int width) {
    WideCubeRow(*c.wideCube, in, bgr, width);
}

// Where a table profile is a matrix but for some colours (often: its table clips saturated ones),
// the matrix of its ramps for the cells of colours in which it stays within 2 of lcms2 on two
// grids of colours (a cell without a colour of the grids does not take it). Kept when the cube with
// it still matches lcms2.
void AddMatrixCells(const double linear[3][256], const double bgrMatrix[3][3], Reference& exact,
                    ColourConversion& c) {
    std::shared_ptr<const WideMatrix> matrix = MakeWideMatrix(linear, bgrMatrix);
    if (!matrix) return;
    bool seen[kMatrixCells] = {}, close[kMatrixCells];
    std::fill(std::begin(close), std::end(close), true);
    for (int first : {0, 8}) {
        const Reference::Grid& g = exact.Of(first);
        std::vector<uint8_t> ours(g.colours.size());
        WideMatrixRow(*matrix, g.colours.data(), ours.data(), static_cast<int>(ours.size() / 3));
        for (size_t p = 0; p < ours.size(); p += 3) {
            const int cell = MatrixCellOf(&g.colours[p]);
            seen[cell] = true;
            for (size_t k = p; k < p + 3; ++k)
                if (std::fabs(ours[k] - std::clamp(g.levels[k], 0.0, 255.0)) > 2.5)
                    close[cell] = false;
        }
    }
    for (int i = 0; i < kMatrixCells; ++i)
        close[i] = close[i] && seen[i];
    const std::shared_ptr<const WideCube> cube = c.wideCube;
    c.wideCube = WithMatrixCells(*cube, matrix, close);
    if (!MatchesLcms(c, WideCubeRowOf, exact) || !MatchesLcms(c, WideCubeRowOf, exact, 8, 3))
        c.wideCube = cube;
}

// The cube for processors with AVX-512 byte permutes: 128 points, evenly spaced in the light of
// each channel's ramp (where a matrix-like profile is linear), 8 along one axis and 4 along the
// others. The first axis to take the 8 that matches lcms2 (by 2 on the usual grid, by 3 between
// its points: the profile's own table is interpolated in its stored values, not in light)
// keeps the cube; false when none does.
bool BuildWideCube(cmsHTRANSFORM light, const double ramps[3][256], const double bgrMatrix[3][3],
                   Reference& exact, ColourConversion& c) {
    double linear[3][256], place[3][256];
    std::memcpy(linear, ramps, sizeof linear);
    for (int in = 0; in < 3; ++in) {
        double rising = 0;
        for (int v = 0; v < 256; ++v)
            place[in][v] = rising = std::min(1.0, std::max(rising, linear[in][v]));
    }
    // The input of a place, between the ramp's values around it.
    const auto inputAt = [&](int in, double target) {
        int v = 0;
        while (v < 255 && place[in][v] < target)
            ++v;
        double value = v;
        if (v > 0 && place[in][v] > place[in][v - 1] && place[in][v] >= target)
            value = v - (place[in][v] - target) / (place[in][v] - place[in][v - 1]);
        return static_cast<uint16_t>(std::lround(value * 257));
    };
    for (const int fine : {2, 1, 0}) { // red first: most profiles clip saturated colours there
        const int steps[3] = {fine == 0 ? 8 : 4, fine == 1 ? 8 : 4, fine == 2 ? 8 : 4};
        std::vector<uint16_t> inputs;
        for (int b = 0; b < steps[0]; ++b)
            for (int g = 0; g < steps[1]; ++g)
                for (int r = 0; r < steps[2]; ++r)
                    inputs.insert(inputs.end(), {inputAt(0, b / (steps[0] - 1.0)),
                                                 inputAt(1, g / (steps[1] - 1.0)),
                                                 inputAt(2, r / (steps[2] - 1.0))});
        std::vector<float> nodes(inputs.size());
        cmsDoTransform(light, inputs.data(), nodes.data(),
                       static_cast<cmsUInt32Number>(inputs.size() / 3));
        c.wideCube = MakeWideCube(steps, place, nodes.data());
        if (c.wideCube && MatchesLcms(c, WideCubeRowOf, exact) &&
            MatchesLcms(c, WideCubeRowOf, exact, 8, 3)) {
            OneCurveIfClose(linear);
            AddMatrixCells(linear, bgrMatrix, exact, c);
            return true;
        }
    }
    c.wideCube = nullptr;
    return false;
}

// The tables against lcms2 on a grid of colours.

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
    // No one-pixel cache: the transform is used by several threads at once. Not optimized at
    // first (lcms2 would spend tens of milliseconds sampling a table profile into its own cube):
    // only the pictures that lcms2 converts pixel by pixel (kLcms) need that.
    const auto transformOf = [&](cmsUInt32Number optimize) {
        return cmsCreateTransformTHR(static_cast<cmsContext>(context.get()), source.get(),
                                     InputFormat(input), srgb.get(), TYPE_BGR_8,
                                     INTENT_RELATIVE_COLORIMETRIC,
                                     cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_NOCACHE | optimize);
    };
    // The context goes with the transform's last owner.
    const auto own = [context](cmsHTRANSFORM t) {
        return std::shared_ptr<void>(t, [context](void* p) { TransformDelete()(p); });
    };
    cmsHTRANSFORM transform = transformOf(cmsFLAGS_NOOPTIMIZE);
    if (!transform) return entry;
    auto conversion = std::make_shared<ColourConversion>();
    conversion->lcms = own(transform);
    const bool cmyk = input == ColourInput::kCmyk || input == ColourInput::kInvertedCmyk;
    if (!cmyk && KeepsColours(transform, input)) {
        entry->outcome = ColourOutcome::kNone;
        return entry;
    }
    if (input == ColourInput::kGrey) {
        conversion->grey.resize(256 * 3);
        uint8_t values[256];
        for (int v = 0; v < 256; ++v)
            values[v] = static_cast<uint8_t>(v);
        cmsDoTransform(transform, values, conversion->grey.data(), 256);
        conversion->kind = ColourConversion::Kind::kGrey;
    } else if (input == ColourInput::kBgr) {
        // The same transform in floating point, for checking the tables against.
        const TransformOwner exact(cmsCreateTransformTHR(
            static_cast<cmsContext>(context.get()), source.get(), TYPE_BGR_DBL, srgb.get(),
            TYPE_BGR_DBL, INTENT_RELATIVE_COLORIMETRIC,
            cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_NOCACHE));
        Reference reference(static_cast<cmsHTRANSFORM>(exact.get()));
        const TransformOwner light =
            exact ? LinearLight(static_cast<cmsContext>(context.get()), source.get()) : nullptr;
        const auto lightOf = static_cast<cmsHTRANSFORM>(light.get());
        // The light of each channel's ramp, read once for the fitted matrix and the small cube.
        double linear[3][256], bgrMatrix[3][3];
        const bool ramps = light && RampLight(lightOf, linear, bgrMatrix);
        if (exact && BuildMatrixTables(source.get(), srgb.get(), reference, *conversion)) {
            conversion->kind = ColourConversion::Kind::kMatrix;
        } else if (ramps && FitMatrixTables(linear, bgrMatrix, reference, *conversion)) {
            conversion->kind = ColourConversion::Kind::kMatrix;
        } else {
            conversion->shares.clear();
            conversion->wide = nullptr;
            // The small cube where the processor has its vector code, else the large one.
            if (light && ((ramps && HasWidePermutes() &&
                           BuildWideCube(lightOf, linear, bgrMatrix, reference, *conversion)) ||
                          BuildCube(lightOf, reference, *conversion)))
                conversion->kind = ColourConversion::Kind::kCube;
            else
                conversion->cube.clear();
        }
    }
    if (conversion->kind == ColourConversion::Kind::kLcms) {
        cmsHTRANSFORM optimized = transformOf(0);
        if (optimized) conversion->lcms = own(optimized);
    }
    entry->conversion = std::move(conversion);
    entry->outcome = ColourOutcome::kConverted;
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
    conversion_ = entry->conversion;
}

void ColourTransform::Row(const uint8_t* in, uint8_t* bgr, int width) const {
    const ColourConversion& c = *conversion_;
    switch (c.kind) {
    case ColourConversion::Kind::kMatrix:
        MatrixRow(c, in, bgr, width);
        return;
    case ColourConversion::Kind::kCube:
        if (c.wideCube)
            WideCubeRow(*c.wideCube, in, bgr, width);
        else
            CubeRow(c, in, bgr, width);
        return;
    case ColourConversion::Kind::kGrey:
        for (int x = 0; x < width; ++x, bgr += 3)
            std::memcpy(bgr, &c.grey[3 * size_t{in[x]}], 3);
        return;
    case ColourConversion::Kind::kLcms:
        break;
    }
    cmsDoTransform(static_cast<cmsHTRANSFORM>(c.lcms.get()), in, bgr,
                   static_cast<cmsUInt32Number>(width));
}

bool ColourTransform::convertsYcc() const {
    return conversion_ &&
           ((conversion_->kind == ColourConversion::Kind::kMatrix && conversion_->wide) ||
            (conversion_->kind == ColourConversion::Kind::kCube && conversion_->wideCube));
}

void ColourTransform::ConvertYcc(const YccRows& rows, int count) const {
    if (conversion_->kind == ColourConversion::Kind::kCube)
        WideCubeYccRows(*conversion_->wideCube, rows, count);
    else
        WideMatrixYccRows(*conversion_->wide, rows, count);
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

// The sixteen overprints of the four inks in offset print on coated paper (CIE XYZ, D50, 2°,
// paper white about 84, 88, 75), indexed cyan * 8 + magenta * 4 + yellow * 2 + black; after
// the published characterization data of that print condition.
const double kOverprints[16][3] = {
    {84.48, 87.62, 74.57}, {2.02, 2.10, 1.73}, {69.17, 74.16, 7.04}, {1.84, 2.04, 0.82},
    {33.03, 16.79, 15.01}, {1.61, 1.18, 0.89}, {30.20, 16.02, 2.30}, {1.56, 1.31, 0.65},
    {15.02, 22.93, 52.85}, {0.91, 1.18, 1.79}, {8.16, 18.42, 6.74},  {0.89, 1.31, 0.85},
    {5.67, 4.10, 15.67},   {0.99, 0.87, 1.08}, {3.66, 3.80, 3.13},   {0.93, 0.97, 0.69}};

// The colour of ink amounts 0 .. 1 (cyan, magenta, yellow, black), relative to the paper, with
// the darkest overprint as black: the Yule-Nielsen form of the Neugebauer model (n = 1.4) with
// dot gain (8 % at half cover for the colours, 6 % for black). Within a mean ΔE of 2.6 of the
// measured print condition.
cmsCIEXYZ PrintedColour(const double ink[4]) {
    constexpr double kN = 1.4;
    double cover[4];
    for (int i = 0; i < 4; ++i) {
        const double a = ink[i] < 0 ? 0 : ink[i] > 1 ? 1 : ink[i];
        cover[i] = a + 4 * (i == 3 ? 0.06 : 0.08) * a * (1 - a);
    }
    double sum[3] = {0, 0, 0};
    for (int p = 0; p < 16; ++p) {
        double weight = 1;
        for (int i = 0; i < 4; ++i)
            weight *= (p >> (3 - i)) & 1 ? cover[i] : 1 - cover[i];
        for (int c = 0; c < 3; ++c)
            sum[c] += weight * std::pow(kOverprints[p][c], 1 / kN);
    }
    const cmsCIEXYZ* d50 = cmsD50_XYZ();
    const double white[3] = {d50->X, d50->Y, d50->Z};
    double xyz[3];
    for (int c = 0; c < 3; ++c) {
        // Paper to white and the darkest overprint to black, scaled in between.
        const double paper = kOverprints[0][c], black = kOverprints[15][c];
        xyz[c] = (std::pow(sum[c], kN) - black) / (paper - black) * white[c];
    }
    return {xyz[0], xyz[1], xyz[2]};
}

int SamplePrint(const cmsUInt16Number in[], cmsUInt16Number out[], void*) {
    const double ink[4] = {in[0] / 65535.0, in[1] / 65535.0, in[2] / 65535.0, in[3] / 65535.0};
    const cmsCIEXYZ xyz = PrintedColour(ink);
    cmsCIELab lab;
    cmsXYZ2Lab(nullptr, &lab, &xyz);
    cmsFloat2LabEncoded(out, &lab);
    return TRUE;
}

std::vector<uint8_t> MakeCmykProfile() {
    std::vector<uint8_t> bytes;
    ProfileOwner profile(cmsCreateProfilePlaceholder(nullptr));
    cmsPipeline* lut = cmsPipelineAlloc(nullptr, 4, 3);
    if (!profile || !lut) {
        if (lut) cmsPipelineFree(lut);
        return bytes;
    }
    cmsSetProfileVersion(profile.get(), 4.3);
    cmsSetDeviceClass(profile.get(), cmsSigOutputClass);
    cmsSetColorSpace(profile.get(), cmsSigCmykData);
    cmsSetPCS(profile.get(), cmsSigLabData);
    // Ink amounts through identity curves into a table of 11 steps per ink, to Lab.
    cmsStage* stages[3] = {cmsStageAllocToneCurves(nullptr, 4, nullptr),
                           cmsStageAllocCLut16bit(nullptr, 11, 4, 3, nullptr),
                           cmsStageAllocToneCurves(nullptr, 3, nullptr)};
    bool ok = stages[0] && stages[1] && stages[2] &&
              cmsStageSampleCLut16bit(stages[1], SamplePrint, nullptr, 0);
    for (cmsStage* stage : stages) {
        if (ok)
            ok = cmsPipelineInsertStage(lut, cmsAT_END, stage); // owned by the pipeline
        else if (stage)
            cmsStageFree(stage);
    }
    cmsMLU* name = cmsMLUalloc(nullptr, 1);
    ok = ok && name && cmsMLUsetASCII(name, "en", "US", "Offset print, coated paper") &&
         cmsWriteTag(profile.get(), cmsSigProfileDescriptionTag, name) &&
         cmsWriteTag(profile.get(), cmsSigMediaWhitePointTag, cmsD50_XYZ()) &&
         cmsWriteTag(profile.get(), cmsSigAToB0Tag, lut);
    if (name) cmsMLUfree(name);
    cmsPipelineFree(lut);
    cmsUInt32Number size = 0;
    if (!ok || !cmsSaveProfileToMem(profile.get(), nullptr, &size) || size == 0) return bytes;
    bytes.resize(size);
    if (!cmsSaveProfileToMem(profile.get(), bytes.data(), &size)) bytes.clear();
    return bytes;
}

} // namespace

std::vector<uint8_t> DefaultCmykProfile() {
    static const std::vector<uint8_t> bytes = MakeCmykProfile();
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

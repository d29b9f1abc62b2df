// A matrix profile's conversion 64 pixels at a time, nothing read pixel by pixel:
// - the three planes are split from the 192 bytes of blue, green, red by byte permutes;
// - each 8-bit value becomes its linear light, 16 bits (1.0 is 32767), from two byte tables of
//   256 entries, each looked up as a pair of permutes over its 128-byte halves;
// - the matrix in fixed point (its entries times 8192), each output a 32-bit sum of products
//   rounded once, so linear sRGB comes out in units of 1 / kScale, clamped to 0 .. 16383;
// - sRGB's encoding of that: below 255 exactly, from a table; above, from a quadratic per run
//   of 512 values, its coefficients looked up by word permutes (within 0.07 of the exact level
//   before rounding).
#include "colour_wide.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define PICTAVO_WIDE_PERMUTES 1
#define PICTAVO_WIDE_TARGET __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vnni")))
#endif

namespace pictavo_internal {

struct WideMatrix {
    static constexpr int kShift = 14;
    static constexpr double kScale = 32767.0 * 8192.0 / (1 << kShift);
    alignas(64) uint8_t linearLow[3][256];
    alignas(64) uint8_t linearHigh[3][256];
    // Per output, the pairs (blue, green) and (red, rounding) as 32-bit words for multiply-adds
    // with the pairs (blue, green) and (red, 1) of a pixel's linear light.
    int32_t blueGreen[3];
    int32_t redRound[3];
};

double SrgbEncoding(double linear) {
    return linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
}

bool PortableForced() {
    const char* portable = std::getenv("PICTAVO_FORCE_PORTABLE");
    return portable && *portable && std::strcmp(portable, "0") != 0;
}

std::shared_ptr<const WideMatrix> MakeWideMatrix(const double linear[3][256],
                                                 const double matrix[3][3]) {
    auto t = std::make_shared<WideMatrix>();
    const auto pair = [](long low, long high) {
        return static_cast<int32_t>(static_cast<uint32_t>(low & 0xFFFF) |
                                    static_cast<uint32_t>(high & 0xFFFF) << 16);
    };
    for (int out = 0; out < 3; ++out) {
        long entry[3], sum = 0;
        double exact = 0;
        for (int in = 0; in < 3; ++in) {
            const double m = matrix[out][in] * 8192.0;
            if (!(std::fabs(m) < 32000.0)) return nullptr;
            entry[in] = std::lround(m);
            sum += entry[in];
            exact += m;
        }
        // The row's largest entry takes the rounding of the others, so that its sum stays as
        // exact as it can be: greys stay grey.
        int largest = 0;
        for (int in = 1; in < 3; ++in)
            if (std::labs(entry[in]) > std::labs(entry[largest])) largest = in;
        entry[largest] += std::lround(exact) - sum;
        // Each entry a 16-bit multiplier, and the 32-bit sum of the products never wraps.
        if (std::labs(entry[largest]) > 32767 ||
            std::labs(entry[0]) + std::labs(entry[1]) + std::labs(entry[2]) >= 65000)
            return nullptr;
        t->blueGreen[out] = pair(entry[0], entry[1]);
        t->redRound[out] = pair(entry[2], 1L << (WideMatrix::kShift - 1));
    }
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v) {
            const double l = linear[c][v];
            const long value = std::lround(32767.0 * (l < 0 ? 0 : l > 1 ? 1 : l));
            t->linearLow[c][v] = static_cast<uint8_t>(value & 0xFF);
            t->linearHigh[c][v] = static_cast<uint8_t>(value >> 8);
        }
    return t;
}

#ifdef PICTAVO_WIDE_PERMUTES

namespace {

// sRGB's encoding of linear light 0 .. 16383 (units of 1 / kScale): the levels below 255,
// and for each run of 512 values a quadratic (the first only for 255 .. 511), in 1/64 of a
// level with half a level added, so that a shift rounds: start + t * (slope + t * bend) with t
// the place in the run over 512.
struct Encoding {
    alignas(64) uint8_t small[256];
    alignas(64) int16_t start[32];
    alignas(64) int16_t slope[32];
    alignas(64) int16_t bend[32];
    Encoding() {
        const auto level = [](double y) { return 255.0 * SrgbEncoding(y / WideMatrix::kScale); };
        for (int y = 0; y < 256; ++y)
            small[y] = static_cast<uint8_t>(std::lround(level(y)));
        // Through the levels at the Chebyshev points of the part of each run in use, which
        // halves the largest error of a quadratic through its ends.
        const double near = (1 - std::sqrt(0.75)) / 2, far = 1 - near;
        for (int run = 0; run < 32; ++run) {
            const double from = run == 0 ? 256 : 512.0 * run, length = run == 0 ? 256 : 512;
            const double f0 = level(from + length * near), f1 = level(from + length / 2);
            const double f2 = level(from + length * far);
            // a + b s + c s^2 through (near, f0), (1/2, f1), (far, f2), with s the place in
            // the part in use over its length ...
            const double d = far - near;
            const double c = 2 * (f0 - 2 * f1 + f2) / (d * d);
            const double b = (f2 - f0) / d - c;
            const double a = f1 - b / 2 - c / 4;
            // ... and in t: s = 2 t - 1 for the first run, s = t for the others.
            const bool first = run == 0;
            start[run] = static_cast<int16_t>(std::lround(64 * (first ? a - b + c : a)) + 32);
            slope[run] = static_cast<int16_t>(std::lround(64 * (first ? 2 * b - 4 * c : b)));
            bend[run] = static_cast<int16_t>(std::lround(64 * (first ? 4 * c : c)));
        }
    }
};

const Encoding& TheEncoding() {
    static const Encoding encoding;
    return encoding;
}

// The byte orders of the permutes that split 192 bytes of pixels into three planes and join
// them again.
struct Orders {
    alignas(64) uint8_t split[3][2][64];
    alignas(64) uint8_t join[3][2][64];
    Orders() {
        for (int c = 0; c < 3; ++c)
            for (int j = 0; j < 64; ++j) {
                const int at = 3 * j + c;
                split[c][0][j] = static_cast<uint8_t>(at < 128 ? at : 0);
                split[c][1][j] = static_cast<uint8_t>(at < 128 ? j : 64 + at - 128);
            }
        for (int r = 0; r < 3; ++r)
            for (int i = 0; i < 64; ++i) {
                const int at = 64 * r + i, channel = at % 3, pixel = at / 3;
                join[r][0][i] = static_cast<uint8_t>(channel == 0 ? pixel : 64 + pixel);
                join[r][1][i] = static_cast<uint8_t>(channel == 2 ? 64 + pixel : i);
            }
    }
};

const Orders& TheOrders() {
    static const Orders orders;
    return orders;
}

PICTAVO_WIDE_TARGET inline __m512i Load(const uint8_t* p) {
    return _mm512_loadu_si512(p);
}

// table[index] for 64 indices; high is the indices' top bits.
PICTAVO_WIDE_TARGET inline __m512i Look(const uint8_t* table, __m512i index, __mmask64 high) {
    const __m512i low = _mm512_permutex2var_epi8(Load(table), index, Load(table + 64));
    const __m512i up = _mm512_permutex2var_epi8(Load(table + 128), index, Load(table + 192));
    return _mm512_mask_blend_epi8(high, low, up);
}

// The levels of 32 linear values above 255 (16-bit lanes).
PICTAVO_WIDE_TARGET inline __m512i Quadratic(const Encoding& e, __m512i y) {
    const __m512i run = _mm512_srli_epi16(y, 9);
    const __m512i t = _mm512_slli_epi16(_mm512_and_si512(y, _mm512_set1_epi16(511)), 6);
    const __m512i bend = _mm512_permutexvar_epi16(run, _mm512_load_si512(e.bend));
    const __m512i slope = _mm512_add_epi16(
        _mm512_permutexvar_epi16(run, _mm512_load_si512(e.slope)), _mm512_mulhrs_epi16(bend, t));
    const __m512i start = _mm512_permutexvar_epi16(run, _mm512_load_si512(e.start));
    return _mm512_srai_epi16(_mm512_add_epi16(start, _mm512_mulhrs_epi16(slope, t)), 6);
}

// The 8-bit encodings of 64 linear values, y0 and y1 as unpacked from bytes.
PICTAVO_WIDE_TARGET inline __m512i Encode(const Encoding& e, __m512i y0, __m512i y1) {
    const __m512i quadratic = _mm512_packus_epi16(Quadratic(e, y0), Quadratic(e, y1));
    const __m512i low = _mm512_packus_epi16(y0, y1); // 255 from 255 on
    const __mmask64 dark = _mm512_cmpneq_epi8_mask(low, _mm512_set1_epi8(-1));
    return _mm512_mask_blend_epi8(dark, quadratic, Look(e.small, low, _mm512_movepi8_mask(low)));
}

PICTAVO_WIDE_TARGET inline __attribute__((always_inline)) void
Block(const WideMatrix& t, const Orders& o, const Encoding& e, const uint8_t* in, uint8_t* bgr) {
    const __m512i a = Load(in), b = Load(in + 64), c = Load(in + 128);
    __m512i linear[3][2];
    for (int k = 0; k < 3; ++k) {
        const __m512i plane = _mm512_permutex2var_epi8(
            _mm512_permutex2var_epi8(a, Load(o.split[k][0]), b), Load(o.split[k][1]), c);
        const __mmask64 high = _mm512_movepi8_mask(plane);
        const __m512i lo = Look(t.linearLow[k], plane, high);
        const __m512i hi = Look(t.linearHigh[k], plane, high);
        linear[k][0] = _mm512_unpacklo_epi8(lo, hi);
        linear[k][1] = _mm512_unpackhi_epi8(lo, hi);
    }
    // The pairs (blue, green) and (red, 1) of each pixel, in four groups of 16 pixels.
    const __m512i one = _mm512_set1_epi16(1);
    __m512i blueGreen[4], redOne[4];
    for (int h = 0; h < 2; ++h) {
        blueGreen[2 * h] = _mm512_unpacklo_epi16(linear[0][h], linear[1][h]);
        blueGreen[2 * h + 1] = _mm512_unpackhi_epi16(linear[0][h], linear[1][h]);
        redOne[2 * h] = _mm512_unpacklo_epi16(linear[2][h], one);
        redOne[2 * h + 1] = _mm512_unpackhi_epi16(linear[2][h], one);
    }
    const __m512i top = _mm512_set1_epi16(16383);
    __m512i encoded[3];
    for (int out = 0; out < 3; ++out) {
        const __m512i bg = _mm512_set1_epi32(t.blueGreen[out]);
        const __m512i rr = _mm512_set1_epi32(t.redRound[out]);
        __m512i sum[4];
        for (int g = 0; g < 4; ++g)
            sum[g] = _mm512_maskz_srai_epi32( // (GCC 12 warns about the unmasked form)
                0xFFFF, _mm512_dpwssd_epi32(_mm512_madd_epi16(blueGreen[g], bg), redOne[g], rr),
                WideMatrix::kShift);
        // Packed back in the order of the 16-bit lanes, negative sums as 0.
        const __m512i y0 = _mm512_min_epu16(_mm512_packus_epi32(sum[0], sum[1]), top);
        const __m512i y1 = _mm512_min_epu16(_mm512_packus_epi32(sum[2], sum[3]), top);
        encoded[out] = Encode(e, y0, y1);
    }
    for (int r = 0; r < 3; ++r) {
        const __m512i pair = _mm512_permutex2var_epi8(encoded[0], Load(o.join[r][0]), encoded[1]);
        _mm512_storeu_si512(bgr + 64 * r,
                            _mm512_permutex2var_epi8(pair, Load(o.join[r][1]), encoded[2]));
    }
}

} // namespace

bool HasWidePermutes() {
    static const bool has = [] {
        if (PortableForced()) return false;
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vnni");
    }();
    return has;
}

PICTAVO_WIDE_TARGET void WideMatrixRow(const WideMatrix& tables, const uint8_t* in, uint8_t* bgr,
                                       int width) {
    const Orders& orders = TheOrders();
    const Encoding& encoding = TheEncoding();
    int x = 0;
    for (; x + 64 <= width; x += 64)
        Block(tables, orders, encoding, in + 3 * x, bgr + 3 * x);
    if (x < width) {
        uint8_t rest[192] = {};
        const size_t bytes = 3 * static_cast<size_t>(width - x);
        std::memcpy(rest, in + 3 * x, bytes);
        Block(tables, orders, encoding, rest, rest);
        std::memcpy(bgr + 3 * x, rest, bytes);
    }
}

#else

bool HasWidePermutes() {
    return false;
}

void WideMatrixRow(const WideMatrix&, const uint8_t*, uint8_t*, int) {}

#endif

} // namespace pictavo_internal

// A profile's conversion 64 pixels at a time, nothing read pixel by pixel:
// - the three planes are split from the 192 bytes of blue, green, red by byte permutes (or,
//   from a JPEG's raw YCbCr samples, made by libjpeg's formulas, and turned back into YCbCr
//   after the conversion);
// - matrix profiles: each 8-bit value becomes its linear light, 16 bits (1.0 is 32767), from
//   two byte tables of 256 entries, each looked up as a pair of permutes over its 128-byte
//   halves; then the matrix in fixed point (its entries times 8192), each output a 32-bit sum
//   of products rounded once, so linear sRGB comes out in units of 1 / kScale, clamped to
//   0 .. 16383;
// - table profiles: each value's cell and place on an axis of 4 or 8 grid points, evenly spaced
//   in the profile's own linear light (where a matrix-like profile is linear, so 4 to 8 points do
//   what 33 evenly spaced values do); the four corners of the pixel's tetrahedron looked up in
//   the 128-byte node tables by one permute each, and interpolated in 16 bits;
//   where the profile is close to a matrix in all of a block's cells, the block takes the
//   matrix's way;
// - sRGB's encoding of that: below 255 exactly, from a table; above, from a quadratic per run
//   of 512 values, its coefficients looked up by byte permutes (within 0.07 of the exact level
//   before rounding).
#include "colour_wide.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define PICTAVO_WIDE_PERMUTES 1
#define PICTAVO_WIDE_TARGET __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vnni")))
// The loops over channels and halves below are unrolled, so that their registers stay
// registers (GCC kept them as loops over arrays on the stack, a third of the speed).
#define PICTAVO_UNROLLED _Pragma("GCC unroll 4")
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

// The node tables in units of 1 / kScale, or 2 / kScale when halved (doubled after the
// interpolation): the cell of each value (its grid point below, times the axis' stride) and its
// place in the cell in 1/256; per output blue, green, red the low and high bytes of the nodes.
struct WideCube {
    alignas(64) uint8_t cell[3][256];
    alignas(64) uint8_t place[3][256];
    alignas(64) uint8_t low[3][kWideCubeNodes];
    alignas(64) uint8_t high[3][kWideCubeNodes];
    uint8_t stride[3];
    bool halved;
    // Where the profile is close to a matrix: the matrix's tables, and a bit for each cell of
    // MatrixCellOf (byte cell / 8, bit cell % 8) where it is. Blocks of 64 pixels all in such
    // cells take them.
    std::shared_ptr<const WideMatrix> matrix;
    alignas(64) uint8_t matrixCells[kMatrixCells / 8];
};

std::shared_ptr<const WideCube> WithMatrixCells(const WideCube& cube,
                                                std::shared_ptr<const WideMatrix> matrix,
                                                const bool close[kMatrixCells]) {
    auto t = std::make_shared<WideCube>(cube);
    t->matrix = std::move(matrix);
    std::memset(t->matrixCells, 0, sizeof t->matrixCells);
    for (int i = 0; i < kMatrixCells; ++i)
        if (close[i])
            t->matrixCells[i / 8] = static_cast<uint8_t>(t->matrixCells[i / 8] | 1 << (i % 8));
    return t;
}

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

std::shared_ptr<const WideCube> MakeWideCube(const int steps[3], const double position[3][256],
                                             const float* nodes) {
    const int count = steps[0] * steps[1] * steps[2];
    if (steps[0] < 2 || steps[1] < 2 || steps[2] < 2 || count > kWideCubeNodes) return nullptr;
    auto t = std::make_shared<WideCube>();
    t->stride[0] = static_cast<uint8_t>(steps[1] * steps[2]);
    t->stride[1] = static_cast<uint8_t>(steps[2]);
    t->stride[2] = 1;
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v) {
            const int last = steps[c] - 1;
            const double p = position[c][v];
            const double at = last * (p > 0 ? p < 1 ? p : 1 : 0);
            int below = static_cast<int>(at);
            long part = std::lround((at - below) * 256);
            if (part == 256) ++below, part = 0;
            if (below >= last) below = last - 1, part = 255;
            t->cell[c][v] = static_cast<uint8_t>(below * t->stride[c]);
            t->place[c][v] = static_cast<uint8_t>(part);
        }
    // Any two nodes' difference must fit in 16 bits: in units of 1 / kScale if it does there,
    // else of 2 / kScale.
    for (const bool halved : {false, true}) {
        t->halved = halved;
        bool fits = true;
        for (int out = 0; out < 3 && fits; ++out) {
            long lowest = 0, highest = 0;
            for (int i = 0; i < count && fits; ++i) {
                const double v = nodes[3 * i + out] * WideMatrix::kScale / (halved ? 2 : 1);
                fits = std::fabs(v) < 32767;
                const long node = fits ? std::lround(v) : 0;
                lowest = std::min(lowest, node);
                highest = std::max(highest, node);
                t->low[out][i] = static_cast<uint8_t>(node & 0xFF);
                t->high[out][i] = static_cast<uint8_t>((node >> 8) & 0xFF);
            }
            fits = fits && highest - lowest <= 32767;
        }
        if (fits) return t;
    }
    return nullptr;
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

// 64 bytes of table picked by index (GCC 12 warns about the unmasked form).
PICTAVO_WIDE_TARGET inline __m512i Bytes(__m512i index, __m512i table) {
    return _mm512_maskz_permutexvar_epi8(~0ull, index, table);
}

// The levels of 32 linear values above 255 (16-bit lanes). The coefficients are looked up by
// byte permutes (bytes 2 run and 2 run + 1 of each table), one step each where a word permute
// takes two.
PICTAVO_WIDE_TARGET inline __m512i Quadratic(const Encoding& e, __m512i y) {
    const __m512i run =
        _mm512_add_epi16(_mm512_mullo_epi16(_mm512_srli_epi16(y, 9), _mm512_set1_epi16(0x0202)),
                         _mm512_set1_epi16(0x0100));
    const __m512i t = _mm512_slli_epi16(_mm512_and_si512(y, _mm512_set1_epi16(511)), 6);
    const __m512i bend = Bytes(run, _mm512_load_si512(e.bend));
    const __m512i slope =
        _mm512_add_epi16(Bytes(run, _mm512_load_si512(e.slope)), _mm512_mulhrs_epi16(bend, t));
    const __m512i start = Bytes(run, _mm512_load_si512(e.start));
    return _mm512_srai_epi16(_mm512_add_epi16(start, _mm512_mulhrs_epi16(slope, t)), 6);
}

// The 8-bit encodings of 64 linear values (0 for negative ones), y0 and y1 as unpacked from bytes.
PICTAVO_WIDE_TARGET inline __m512i Encode(const Encoding& e, __m512i y0, __m512i y1) {
    const __m512i quadratic = _mm512_packus_epi16(Quadratic(e, y0), Quadratic(e, y1));
    const __m512i low = _mm512_packus_epi16(y0, y1); // 255 from 255 on
    const __mmask64 dark = _mm512_cmpneq_epi8_mask(low, _mm512_set1_epi8(-1));
    return _mm512_mask_blend_epi8(dark, quadratic, Look(e.small, low, _mm512_movepi8_mask(low)));
}

// The sRGB values of 64 pixels' blue, green and red planes (any order of pixels, the same in
// all three planes and in the result).
PICTAVO_WIDE_TARGET inline __attribute__((always_inline)) void
ConvertPlanes(const WideMatrix& t, const Encoding& e, const __m512i planes[3], __m512i encoded[3]) {
    __m512i linear[3][2];
    PICTAVO_UNROLLED
    for (int k = 0; k < 3; ++k) {
        const __mmask64 high = _mm512_movepi8_mask(planes[k]);
        const __m512i lo = Look(t.linearLow[k], planes[k], high);
        const __m512i hi = Look(t.linearHigh[k], planes[k], high);
        linear[k][0] = _mm512_unpacklo_epi8(lo, hi);
        linear[k][1] = _mm512_unpackhi_epi8(lo, hi);
    }
    // The pairs (blue, green) and (red, 1) of each pixel, in four groups of 16 pixels.
    const __m512i one = _mm512_set1_epi16(1);
    __m512i blueGreen[4], redOne[4];
    PICTAVO_UNROLLED
    for (int h = 0; h < 2; ++h) {
        blueGreen[2 * h] = _mm512_unpacklo_epi16(linear[0][h], linear[1][h]);
        blueGreen[2 * h + 1] = _mm512_unpackhi_epi16(linear[0][h], linear[1][h]);
        redOne[2 * h] = _mm512_unpacklo_epi16(linear[2][h], one);
        redOne[2 * h + 1] = _mm512_unpackhi_epi16(linear[2][h], one);
    }
    const __m512i top = _mm512_set1_epi16(16383);
    PICTAVO_UNROLLED
    for (int out = 0; out < 3; ++out) {
        const __m512i bg = _mm512_set1_epi32(t.blueGreen[out]);
        const __m512i rr = _mm512_set1_epi32(t.redRound[out]);
        __m512i sum[4];
        PICTAVO_UNROLLED
        for (int g = 0; g < 4; ++g)
            sum[g] = _mm512_maskz_srai_epi32( // (GCC 12 warns about the unmasked form)
                0xFFFF, _mm512_dpwssd_epi32(_mm512_madd_epi16(blueGreen[g], bg), redOne[g], rr),
                WideMatrix::kShift);
        // Packed back in the order of the 16-bit lanes, negative sums as 0.
        const __m512i y0 = _mm512_min_epu16(_mm512_packus_epi32(sum[0], sum[1]), top);
        const __m512i y1 = _mm512_min_epu16(_mm512_packus_epi32(sum[2], sum[3]), top);
        encoded[out] = Encode(e, y0, y1);
    }
}

// The 16-bit values of the even (half 0) and odd (half 1) bytes' pixels from their low and
// high bytes, without moving bytes between 16-bit lanes.
constexpr __mmask64 kOddBytes = 0xAAAAAAAAAAAAAAAAull;

PICTAVO_WIDE_TARGET inline __m512i Words(__m512i low, __m512i high, int half) {
    return half ? _mm512_mask_blend_epi8(kOddBytes, _mm512_srli_epi16(low, 8), high)
                : _mm512_mask_blend_epi8(kOddBytes, low, _mm512_slli_epi16(high, 8));
}

// A place in 1/256 as 16-bit lanes in 1/32768 (for rounded high multiplies), even or odd bytes.
PICTAVO_WIDE_TARGET inline __m512i Weight(__m512i place, int half) {
    return half ? _mm512_srli_epi16(_mm512_and_si512(place, _mm512_set1_epi16(-256)), 1)
                : _mm512_srli_epi16(_mm512_slli_epi16(place, 8), 1);
}

// True when all 64 pixels are in cells where the matrix is close: the byte of the map by the
// top three bits of blue and green, the bit by those of red.
PICTAVO_WIDE_TARGET inline bool InMatrixCells(const WideCube& t, const __m512i planes[3]) {
    const __m512i three = _mm512_set1_epi8(7);
    const __m512i byte =
        _mm512_or_si512(_mm512_and_si512(_mm512_srli_epi16(planes[0], 2), _mm512_set1_epi8(0x38)),
                        _mm512_and_si512(_mm512_srli_epi16(planes[1], 5), three));
    const __m512i bit = Bytes(_mm512_and_si512(_mm512_srli_epi16(planes[2], 5), three),
                              _mm512_set1_epi64(0x8040201008040201ll));
    return _mm512_test_epi8_mask(Bytes(byte, Load(t.matrixCells)), bit) == ~0ull;
}

PICTAVO_WIDE_TARGET inline __attribute__((always_inline)) void
ConvertPlanes(const WideCube& t, const Encoding& e, const __m512i planes[3], __m512i encoded[3]) {
    if (t.matrix && InMatrixCells(t, planes)) {
        ConvertPlanes(*t.matrix, e, planes, encoded);
        return;
    }
    __m512i cell[3], place[3];
    PICTAVO_UNROLLED
    for (int k = 0; k < 3; ++k) {
        const __mmask64 high = _mm512_movepi8_mask(planes[k]);
        cell[k] = Look(t.cell[k], planes[k], high);
        place[k] = Look(t.place[k], planes[k], high);
    }
    const __m512i near = _mm512_add_epi8(cell[0], _mm512_add_epi8(cell[1], cell[2]));
    const __m512i pb = place[0], pg = place[1], pr = place[2];
    // The axes of the largest and the smallest place (ties are harmless: their steps weigh 0).
    const __mmask64 bg = _mm512_cmpge_epu8_mask(pb, pg), gr = _mm512_cmpge_epu8_mask(pg, pr),
                    br = _mm512_cmpge_epu8_mask(pb, pr);
    const __mmask64 blueMost = bg & br, greenMost = ~bg & gr, redMost = ~(blueMost | greenMost);
    const __mmask64 redLeast = gr & br, greenLeast = ~redLeast & bg,
                    blueLeast = ~(redLeast | greenLeast);
    // The four corners' nodes: the cell's, one step along the axis of the largest place, one
    // more along the next, and the far one.
    const __m512i blueStep = _mm512_set1_epi8(static_cast<char>(t.stride[0]));
    const __m512i greenStep = _mm512_set1_epi8(static_cast<char>(t.stride[1]));
    const __m512i redStep = _mm512_set1_epi8(1);
    const __m512i far =
        _mm512_add_epi8(near, _mm512_set1_epi8(static_cast<char>(t.stride[0] + t.stride[1] + 1)));
    __m512i second = _mm512_mask_add_epi8(near, blueMost, near, blueStep);
    second = _mm512_mask_add_epi8(second, greenMost, second, greenStep);
    second = _mm512_mask_add_epi8(second, redMost, second, redStep);
    __m512i third = _mm512_mask_sub_epi8(far, blueLeast, far, blueStep);
    third = _mm512_mask_sub_epi8(third, greenLeast, third, greenStep);
    third = _mm512_mask_sub_epi8(third, redLeast, third, redStep);
    const __m512i corners[4] = {near, second, third, far};
    const __m512i most = _mm512_max_epu8(pb, _mm512_max_epu8(pg, pr));
    const __m512i least = _mm512_min_epu8(pb, _mm512_min_epu8(pg, pr));
    const __m512i middle =
        _mm512_max_epu8(_mm512_min_epu8(pb, pg), _mm512_min_epu8(_mm512_max_epu8(pb, pg), pr));
    const __m512i weights[2][3] = {{Weight(most, 0), Weight(middle, 0), Weight(least, 0)},
                                   {Weight(most, 1), Weight(middle, 1), Weight(least, 1)}};
    const __m512i top = _mm512_set1_epi16(16383);
    const __mmask32 twice = t.halved ? ~0u : 0u;
    // Packing the even and the odd pixels' words puts each 128-bit lane's even pixels first.
    const __m512i inOrder = _mm512_maskz_broadcast_i32x4(
        0xFFFF, _mm_setr_epi8(0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15));
    PICTAVO_UNROLLED
    for (int out = 0; out < 3; ++out) {
        __m512i low[4], high[4];
        PICTAVO_UNROLLED
        for (int i = 0; i < 4; ++i) {
            low[i] = _mm512_permutex2var_epi8(Load(t.low[out]), corners[i], Load(t.low[out] + 64));
            high[i] =
                _mm512_permutex2var_epi8(Load(t.high[out]), corners[i], Load(t.high[out] + 64));
        }
        __m512i y[2];
        PICTAVO_UNROLLED
        for (int h = 0; h < 2; ++h) {
            __m512i node = Words(low[0], high[0], h), v = node;
            PICTAVO_UNROLLED
            for (int i = 1; i < 4; ++i) {
                const __m512i next = Words(low[i], high[i], h);
                v = _mm512_add_epi16(
                    v, _mm512_mulhrs_epi16(_mm512_sub_epi16(next, node), weights[h][i - 1]));
                node = next;
            }
            // Negative light needs no clamp: Encode takes it as 0.
            y[h] = _mm512_min_epi16(_mm512_mask_adds_epi16(v, twice, v, v), top);
        }
        encoded[out] = _mm512_shuffle_epi8(Encode(e, y[0], y[1]), inOrder);
    }
}

template <class Tables>
PICTAVO_WIDE_TARGET inline __attribute__((always_inline)) void
Block(const Tables& t, const Orders& o, const Encoding& e, const uint8_t* in, uint8_t* bgr) {
    const __m512i a = Load(in), b = Load(in + 64), c = Load(in + 128);
    __m512i planes[3], encoded[3];
    PICTAVO_UNROLLED
    for (int k = 0; k < 3; ++k)
        planes[k] = _mm512_permutex2var_epi8(_mm512_permutex2var_epi8(a, Load(o.split[k][0]), b),
                                             Load(o.split[k][1]), c);
    ConvertPlanes(t, e, planes, encoded);
    PICTAVO_UNROLLED
    for (int r = 0; r < 3; ++r) {
        const __m512i pair = _mm512_permutex2var_epi8(encoded[0], Load(o.join[r][0]), encoded[1]);
        _mm512_storeu_si512(bgr + 64 * r,
                            _mm512_permutex2var_epi8(pair, Load(o.join[r][1]), encoded[2]));
    }
}

// libjpeg's chroma terms of 32 samples (16-bit lanes, in order), rounded as it rounds them:
// red Y + 1.402 Cr', green Y - 0.34414 Cb' - 0.71414 Cr', blue Y + 1.772 Cb'.
struct ChromaTerms {
    __m512i blue, green, red;
};

// 32 chroma samples less 128, in 16-bit lanes.
PICTAVO_WIDE_TARGET inline __m512i Centred(const uint8_t* p) {
    return _mm512_sub_epi16(
        _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p))),
        _mm512_set1_epi16(128));
}

// (pairs . weights + 2^14) >> 15 in 32-bit lanes.
PICTAVO_WIDE_TARGET inline __m512i GreenTerm(__m512i pairs, __m512i weights) {
    return _mm512_maskz_srai_epi32(
        0xFFFF, _mm512_add_epi32(_mm512_madd_epi16(pairs, weights), _mm512_set1_epi32(1 << 14)),
        15);
}

PICTAVO_WIDE_TARGET inline ChromaTerms Terms(const uint8_t* cb, const uint8_t* cr) {
    const __m512i xb = Centred(cb), xr = Centred(cr);
    ChromaTerms t;
    // 1.772 and 1.402 as 1 plus a fraction of 32768 (the same roundings as libjpeg's tables).
    t.blue = _mm512_add_epi16(xb, _mm512_mulhrs_epi16(xb, _mm512_set1_epi16(25297)));
    t.red = _mm512_add_epi16(xr, _mm512_mulhrs_epi16(xr, _mm512_set1_epi16(13173)));
    const __m512i weights = _mm512_set1_epi32(static_cast<int32_t>(0xA497D3F3u)); // -23401, -11277
    t.green = _mm512_packs_epi32(GreenTerm(_mm512_unpacklo_epi16(xb, xr), weights),
                                 GreenTerm(_mm512_unpackhi_epi16(xb, xr), weights));
    return t;
}

// libjpeg's luma of 64 pixels: (19595 R + 38470 G + 7471 B + 32768) >> 16, bytes in the order
// of the planes.
PICTAVO_WIDE_TARGET inline __m512i Luma(const __m512i bgr[3]) {
    const __m512i zero = _mm512_setzero_si512();
    const __m512i redGreen = _mm512_set1_epi32(19235 << 16 | 19595);
    const __m512i blueGreen = _mm512_set1_epi32(19235 << 16 | 7471);
    const __m512i half = _mm512_set1_epi32(32768);
    __m512i words[2];
    PICTAVO_UNROLLED
    for (int h = 0; h < 2; ++h) {
        const __m512i b =
            h ? _mm512_unpackhi_epi8(bgr[0], zero) : _mm512_unpacklo_epi8(bgr[0], zero);
        const __m512i g =
            h ? _mm512_unpackhi_epi8(bgr[1], zero) : _mm512_unpacklo_epi8(bgr[1], zero);
        const __m512i r =
            h ? _mm512_unpackhi_epi8(bgr[2], zero) : _mm512_unpacklo_epi8(bgr[2], zero);
        __m512i sum[2];
        PICTAVO_UNROLLED
        for (int q = 0; q < 2; ++q) {
            const __m512i rg = q ? _mm512_unpackhi_epi16(r, g) : _mm512_unpacklo_epi16(r, g);
            const __m512i bg = q ? _mm512_unpackhi_epi16(b, g) : _mm512_unpacklo_epi16(b, g);
            sum[q] = _mm512_maskz_srli_epi32(
                0xFFFF, _mm512_dpwssd_epi32(_mm512_dpwssd_epi32(half, rg, redGreen), bg, blueGreen),
                16);
        }
        words[h] = _mm512_packus_epi32(sum[0], sum[1]);
    }
    return _mm512_packus_epi16(words[0], words[1]);
}

// The chroma of 32 blocks of 2 x 2 pixels from the sums of their blue, green and red values
// (16-bit lanes): the mean of libjpeg's chroma of the four pixels, rounded once; blue
// difference in the low 16 bytes of each lane, red difference in the high ones.
PICTAVO_WIDE_TARGET inline __m512i Chroma(const __m512i sums[3]) {
    const __m512i b = sums[0], g = sums[1], r = sums[2];
    const __m512i halves = _mm512_set1_epi32(16384 << 16 | 16384);
    const __m512i redGreen = _mm512_set1_epi32(static_cast<int32_t>(0xAB33D4CDu)); // -11059, -21709
    const __m512i greenBlue = _mm512_set1_epi32(static_cast<int32_t>(0xEB2F94D1u)); // -27439, -5329
    const __m512i offset = _mm512_set1_epi32((128 << 18) + (1 << 17));
    __m512i blueDiff[2], redDiff[2];
    PICTAVO_UNROLLED
    for (int q = 0; q < 2; ++q) {
        const __m512i rg = q ? _mm512_unpackhi_epi16(r, g) : _mm512_unpacklo_epi16(r, g);
        const __m512i gb = q ? _mm512_unpackhi_epi16(g, b) : _mm512_unpacklo_epi16(g, b);
        const __m512i bb = q ? _mm512_unpackhi_epi16(b, b) : _mm512_unpacklo_epi16(b, b);
        const __m512i rr = q ? _mm512_unpackhi_epi16(r, r) : _mm512_unpacklo_epi16(r, r);
        blueDiff[q] = _mm512_maskz_srai_epi32(
            0xFFFF, _mm512_dpwssd_epi32(_mm512_dpwssd_epi32(offset, rg, redGreen), bb, halves), 18);
        redDiff[q] = _mm512_maskz_srai_epi32(
            0xFFFF, _mm512_dpwssd_epi32(_mm512_dpwssd_epi32(offset, gb, greenBlue), rr, halves),
            18);
    }
    return _mm512_packus_epi16(_mm512_packus_epi32(blueDiff[0], blueDiff[1]),
                               _mm512_packus_epi32(redDiff[0], redDiff[1]));
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

template <class Tables>
PICTAVO_WIDE_TARGET void Rows(const Tables& tables, const uint8_t* in, uint8_t* bgr, int width) {
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

// The pixels' order in the planes is that of packing the words of pixels 0 .. 31 and 32 .. 63:
// in each 128-bit lane, eight of the first half, then eight of the second.
template <class Tables>
PICTAVO_WIDE_TARGET void YccRowsOf(const Tables& tables, const YccRows& rows, int count) {
    const Encoding& encoding = TheEncoding();
    // Each chroma term twice, for the two pixels of its block: byte permutes of the words (one
    // step; a word permute takes two).
    __m512i firstHalf = _mm512_setzero_si512(), secondHalf = firstHalf;
    {
        alignas(64) uint8_t first[64], second[64];
        for (int i = 0; i < 64; ++i) {
            first[i] = static_cast<uint8_t>(2 * (i / 4) + i % 2);
            second[i] = static_cast<uint8_t>(32 + 2 * (i / 4) + i % 2);
        }
        firstHalf = _mm512_load_si512(first);
        secondHalf = _mm512_load_si512(second);
    }
    const __m512i inOrder = _mm512_setr_epi64(0, 2, 4, 6, 1, 3, 5, 7);
    const __m512i chromaInOrder =
        _mm512_setr_epi32(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15);
    const __m512i ones = _mm512_set1_epi8(1);
    const bool sharedChroma = rows.cb[0] == rows.cb[1] && rows.cr[0] == rows.cr[1];
    for (int x = 0; x < count; x += 32) {
        const ChromaTerms first = Terms(rows.cb[0] + x, rows.cr[0] + x);
        const ChromaTerms second = sharedChroma ? first : Terms(rows.cb[1] + x, rows.cr[1] + x);
        __m512i sums[3] = {_mm512_setzero_si512(), _mm512_setzero_si512(), _mm512_setzero_si512()};
        PICTAVO_UNROLLED
        for (int r = 0; r < 2; ++r) {
            const ChromaTerms& t = r ? second : first;
            uint8_t* y = rows.y[r] + 2 * x;
            const __m512i low =
                _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(y)));
            const __m512i high =
                _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(y + 32)));
            const __m512i terms[3] = {t.blue, t.green, t.red};
            __m512i planes[3], encoded[3];
            PICTAVO_UNROLLED
            for (int k = 0; k < 3; ++k)
                planes[k] =
                    _mm512_packus_epi16(_mm512_add_epi16(low, Bytes(firstHalf, terms[k])),
                                        _mm512_add_epi16(high, Bytes(secondHalf, terms[k])));
            ConvertPlanes(tables, encoding, planes, encoded);
            _mm512_storeu_si512(y, _mm512_maskz_permutexvar_epi64(0xFF, inOrder, Luma(encoded)));
            PICTAVO_UNROLLED
            for (int k = 0; k < 3; ++k)
                sums[k] = _mm512_add_epi16(sums[k], _mm512_maddubs_epi16(encoded[k], ones));
        }
        const __m512i chroma = _mm512_maskz_permutexvar_epi32(0xFFFF, chromaInOrder, Chroma(sums));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(rows.cbOut + x),
                            _mm512_maskz_extracti64x4_epi64(0xF, chroma, 0));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(rows.crOut + x),
                            _mm512_maskz_extracti64x4_epi64(0xF, chroma, 1));
    }
}

void WideMatrixRow(const WideMatrix& tables, const uint8_t* in, uint8_t* bgr, int width) {
    Rows(tables, in, bgr, width);
}

void WideCubeRow(const WideCube& tables, const uint8_t* in, uint8_t* bgr, int width) {
    Rows(tables, in, bgr, width);
}

void WideMatrixYccRows(const WideMatrix& tables, const YccRows& rows, int count) {
    YccRowsOf(tables, rows, count);
}

void WideCubeYccRows(const WideCube& tables, const YccRows& rows, int count) {
    YccRowsOf(tables, rows, count);
}

#else

bool HasWidePermutes() {
    return false;
}

void WideMatrixRow(const WideMatrix&, const uint8_t*, uint8_t*, int) {}

void WideCubeRow(const WideCube&, const uint8_t*, uint8_t*, int) {}

void WideMatrixYccRows(const WideMatrix&, const YccRows&, int) {}

void WideCubeYccRows(const WideCube&, const YccRows&, int) {}

#endif

} // namespace pictavo_internal

#pragma once
// Inside the library: a profile's conversion to sRGB 64 pixels at a time, with the byte permutes
// of AVX-512 (VBMI) as table look-ups, for processors that have them: a matrix profile's, and a
// table profile's on a small cube of colours.
#include <cstdint>
#include <memory>

namespace pictavo_internal {

struct WideMatrix;
struct WideCube;

// sRGB's encoding (0 .. 1) of linear light (0 .. 1).
double SrgbEncoding(double linear);

// True when the environment asks for the portable code only (PICTAVO_FORCE_PORTABLE set and
// not 0, like libjpeg-turbo's JSIMD_FORCENONE), so tests reach it on any processor.
bool PortableForced();

// True when this processor has AVX-512 with byte permutes (and the build can use them).
bool HasWidePermutes();

// The tables for pixels whose blue, green and red value v has the linear light
// linear[channel][v] (0 .. 1; channels blue, green, red), spread over linear sRGB blue,
// green, red by matrix[out][in] (same order). Null when the matrix is too wide for 16 bits.
std::shared_ptr<const WideMatrix> MakeWideMatrix(const double linear[3][256],
                                                 const double matrix[3][3]);

// width pixels of blue, green, red through the tables; in may equal bgr. Only where
// HasWidePermutes().
void WideMatrixRow(const WideMatrix& tables, const uint8_t* in, uint8_t* bgr, int width);

// The cube for a table profile: each input channel's value v at place position[channel][v]
// (0 .. 1, rising) along its axis of steps[channel] evenly spaced grid points, and the linear
// sRGB light (blue, green, red, not clipped) at each grid point, blue slowest, red fastest:
// nodes[3 * ((blue * steps[1] + green) * steps[2] + red) + out]. Between the points, the
// pixel's tetrahedron of four points is interpolated. Null when there are more than
// kWideCubeNodes points or the light is too wide for 16 bits.
constexpr int kWideCubeNodes = 128;
std::shared_ptr<const WideCube> MakeWideCube(const int steps[3], const double position[3][256],
                                             const float* nodes);

// Where a table profile is close to a matrix: the colours in cells of 32 values per channel,
// cell (blue / 32 * 8 + green / 32) * 8 + red / 32; a copy of the cube that takes the matrix's
// tables for blocks of pixels all in cells marked close.
constexpr int kMatrixCells = 512;
inline int MatrixCellOf(const uint8_t bgr[3]) {
    return (bgr[0] >> 5) * 64 + (bgr[1] >> 5) * 8 + (bgr[2] >> 5);
}
std::shared_ptr<const WideCube> WithMatrixCells(const WideCube& cube,
                                                std::shared_ptr<const WideMatrix> matrix,
                                                const bool close[kMatrixCells]);

// width pixels of blue, green, red through the cube; in may equal bgr. Only where
// HasWidePermutes().
void WideCubeRow(const WideCube& tables, const uint8_t* in, uint8_t* bgr, int width);

// Two rows of a JPEG's YCbCr samples as libjpeg reads and writes them raw, chroma at half the
// luma's width: luma y (2 * count samples a row), each row's chroma (the same rows twice for
// 4:2:0) and where the chroma of the result goes (count samples; may be a row of the input).
struct YccRows {
    uint8_t* y[2];
    const uint8_t* cb[2];
    const uint8_t* cr[2];
    uint8_t* cbOut;
    uint8_t* crOut;
};

// The pixels of two rows through the tables, each with its block's chroma as stored (the
// stored chroma are not interpolated: a block that the tables leave as it is stays exactly
// so). Luma is written back in place; the chroma of each 2 x 2 block is the mean of its
// pixels'. Every row must have room for whole blocks of 32 chroma (64 luma) samples: count
// is rounded up to them. Only where HasWidePermutes().
void WideMatrixYccRows(const WideMatrix& tables, const YccRows& rows, int count);
void WideCubeYccRows(const WideCube& tables, const YccRows& rows, int count);

} // namespace pictavo_internal

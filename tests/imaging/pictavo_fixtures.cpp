// Test pictures made with the codec libraries, and pixel comparison.
#include "pictavo_fixtures.h"

#include <csetjmp>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include <jpeglib.h>
#include <png.h>
#include <unistd.h>

namespace fixtures {

Picture MakePicture(int width, int height, const std::function<Rgb(int, int)>& colour) {
    Picture p;
    p.width = width;
    p.height = height;
    p.pixels.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) p.pixels[static_cast<size_t>(y) * width + x] = colour(x, y);
    return p;
}

Picture Pattern(int width, int height) {
    return MakePicture(width, height, [=](int x, int y) {
        const bool right = x >= width / 2, bottom = y >= height / 2;
        const int gx = width > 1 ? 60 * x / (width - 1) : 0;
        const int gy = height > 1 ? 60 * y / (height - 1) : 0;
        if (!right && !bottom) return Rgb{uint8_t(190 + gx), uint8_t(40 + gy), 40};   // red
        if (right && !bottom) return Rgb{40, uint8_t(170 + gy), uint8_t(40 + gx)};    // green
        if (!right && bottom) return Rgb{40, uint8_t(40 + gx), uint8_t(190 + gy)};    // blue
        return Rgb{uint8_t(200 + gy / 2), uint8_t(200 + gx / 2), 30};                  // yellow
    });
}

Picture Smooth(int width, int height) {
    return MakePicture(width, height, [=](int x, int y) {
        return Rgb{uint8_t(40 + 170 * x / (width > 1 ? width - 1 : 1)),
                   uint8_t(200 - 150 * y / (height > 1 ? height - 1 : 1)),
                   uint8_t(60 + 120 * (x + y) / (width + height))};
    });
}

Rgb PixelOf(const TDib& dib, int x, int y) {
    const int stored = dib.Info->biHeight - 1 - y;
    const uint32_t v = getpixel(&dib, x, stored);
    if (dib.Info->biBitCount == 24)
        return Rgb{uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    const TRgbQuad& q = dib.Info->bmiColors[v & 0xFF];
    return Rgb{q.rgbRed, q.rgbGreen, q.rgbBlue};
}

::testing::AssertionResult SamePixels(const TDib& dib, const Picture& expected, int tolerance) {
    if (!dib.Bits || !dib.Info) return ::testing::AssertionFailure() << "image not loaded";
    if (dib.Info->biWidth != expected.width || dib.Info->biHeight != expected.height)
        return ::testing::AssertionFailure()
               << "size " << dib.Info->biWidth << "x" << dib.Info->biHeight << ", expected "
               << expected.width << "x" << expected.height;
    for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x) {
            const Rgb a = PixelOf(dib, x, y), e = expected.At(x, y);
            if (std::abs(a.r - e.r) > tolerance || std::abs(a.g - e.g) > tolerance ||
                std::abs(a.b - e.b) > tolerance)
                return ::testing::AssertionFailure()
                       << "first differing pixel (" << x << ", " << y << " from top): got "
                       << int(a.r) << "," << int(a.g) << "," << int(a.b) << " expected "
                       << int(e.r) << "," << int(e.g) << "," << int(e.b);
        }
    return ::testing::AssertionSuccess();
}

TempDir::TempDir() {
    static int counter = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("pictavo_test_" + std::to_string(getpid()) + "_" + std::to_string(++counter));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<uint8_t> ReadBytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& file, const std::vector<uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// --- JPEG -------------------------------------------------------------------------------

namespace {

std::vector<uint8_t> ExifBlock(int orientation) {
    // "Exif\0\0", little-endian TIFF header, one IFD with the orientation tag.
    std::vector<uint8_t> b = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,
                              1, 0,                      // one entry
                              0x12, 0x01, 3, 0, 1, 0, 0, 0, // tag 0x112, SHORT, count 1
                              uint8_t(orientation), 0, 0, 0, // value
                              0, 0, 0, 0};               // no next IFD
    return b;
}

} // namespace

std::vector<uint8_t> EncodeJpeg(const Picture& picture, const JpegOptions& options) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = picture.width;
    c.image_height = picture.height;
    const bool grey = options.kind == JpegKind::Grey;
    const bool cmyk = options.kind == JpegKind::Cmyk || options.kind == JpegKind::Ycck;
    c.input_components = grey ? 1 : cmyk ? 4 : 3;
    c.in_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&c);
    if (options.kind == JpegKind::Cmyk) jpeg_set_colorspace(&c, JCS_CMYK);
    if (options.kind == JpegKind::Ycck) jpeg_set_colorspace(&c, JCS_YCCK);
    jpeg_set_quality(&c, options.quality, TRUE);
    // Full-resolution colour, so that the quadrant edges stay sharp enough to compare.
    for (int i = 0; i < c.num_components; ++i) {
        c.comp_info[i].h_samp_factor = 1;
        c.comp_info[i].v_samp_factor = 1;
    }
    if (options.progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    if (options.exifOrientation) {
        const auto exif = ExifBlock(options.exifOrientation);
        jpeg_write_marker(&c, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
    }
    std::vector<uint8_t> row(static_cast<size_t>(picture.width) * 4);
    while (c.next_scanline < c.image_height) {
        const int y = static_cast<int>(c.next_scanline);
        for (int x = 0; x < picture.width; ++x) {
            const Rgb p = picture.At(x, y);
            if (grey) {
                row[x] = p.r;
            } else if (cmyk) {
                // Adobe convention: stored inverted, i.e. the light left after each ink.
                // With K = 0 ink: C = 255 - r ink, stored as r.
                row[4 * x] = p.r;
                row[4 * x + 1] = p.g;
                row[4 * x + 2] = p.b;
                row[4 * x + 3] = 255;
            } else {
                row[3 * x] = p.r;
                row[3 * x + 1] = p.g;
                row[3 * x + 2] = p.b;
            }
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&c);
    free(buffer);
    return out;
}

// --- PNG --------------------------------------------------------------------------------

namespace {
void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void PngFlush(png_structp) {}
} // namespace

std::vector<uint8_t> EncodePng(const Picture& picture, const PngOptions& o) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("png write failed");
    }
    png_set_write_fn(png, &out, PngWrite, PngFlush);
    png_set_IHDR(png, info, picture.width, picture.height, o.bitDepth, o.colourType,
                 o.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> plte;
    for (const Rgb& c : o.palette) plte.push_back(png_color{c.r, c.g, c.b});
    if (o.colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_PLTE(png, info, plte.data(), static_cast<int>(plte.size()));
    std::vector<uint8_t> trns = o.paletteAlpha;
    if (!trns.empty())
        png_set_tRNS(png, info, trns.data(), static_cast<int>(trns.size()), nullptr);
    png_color_16 transparentGrey{};
    if (o.greyTransparentZero) png_set_tRNS(png, info, nullptr, 0, &transparentGrey);
    png_write_info(png, info);
    if (o.bitDepth == 16) png_set_swap(png); // our rows are little-endian uint16
    const int channels = o.colourType == PNG_COLOR_TYPE_RGB         ? 3
                         : o.colourType == PNG_COLOR_TYPE_RGB_ALPHA ? 4
                         : o.colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                     : 1;
    const bool wide = o.bitDepth == 16;
    const int bitsPerPixel = channels * o.bitDepth;
    const size_t rowBytes = (static_cast<size_t>(picture.width) * bitsPerPixel + 7) / 8;
    std::vector<std::vector<uint8_t>> rows(picture.height, std::vector<uint8_t>(rowBytes));
    for (int y = 0; y < picture.height; ++y) {
        uint8_t* row = rows[y].data();
        for (int x = 0; x < picture.width; ++x) {
            const Rgb p = picture.At(x, y);
            const uint16_t a = o.alphaOf ? o.alphaOf(x, y) : (wide ? 65535 : 255);
            uint16_t s[4] = {p.r, p.g, p.b, a};
            if (o.colourType == PNG_COLOR_TYPE_GRAY || o.colourType == PNG_COLOR_TYPE_PALETTE) {
                uint16_t v = p.r;
                if (o.colourType == PNG_COLOR_TYPE_GRAY)
                    v = static_cast<uint16_t>(wide ? p.r * 257 : p.r >> (8 - o.bitDepth));
                if (o.bitDepth < 8) {
                    const int perByte = 8 / o.bitDepth;
                    const int shift = 8 - o.bitDepth * (x % perByte + 1);
                    row[x / perByte] |= static_cast<uint8_t>(v << shift);
                } else if (wide) {
                    row[2 * x] = uint8_t(v);
                    row[2 * x + 1] = uint8_t(v >> 8);
                } else {
                    row[x] = uint8_t(v);
                }
                continue;
            }
            if (o.colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
                s[1] = a;
            }
            for (int c = 0; c < channels; ++c) {
                if (wide) {
                    const uint16_t v = c == channels - 1 && channels % 2 == 0 ? s[c == 1 ? 1 : 3]
                                                                              : uint16_t(s[c] * 257);
                    row[(x * channels + c) * 2] = uint8_t(v);
                    row[(x * channels + c) * 2 + 1] = uint8_t(v >> 8);
                } else {
                    row[x * channels + c] = uint8_t(s[c]);
                }
            }
        }
    }
    std::vector<png_bytep> pointers;
    for (auto& r : rows) pointers.push_back(r.data());
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

} // namespace fixtures

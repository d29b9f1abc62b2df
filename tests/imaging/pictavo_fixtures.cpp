// Test pictures made with the codec libraries, and pixel comparison.
#include "pictavo_fixtures.h"

#include <csetjmp>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include <jpeglib.h>
#include <lcms2.h>
#include <png.h>
#include <unistd.h>

namespace fixtures {

Picture MakePicture(int width, int height, const std::function<Rgb(int, int)>& colour) {
    Picture p;
    p.width = width;
    p.height = height;
    p.pixels.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.pixels[static_cast<size_t>(y) * width + x] = colour(x, y);
    return p;
}

Picture Pattern(int width, int height) {
    return MakePicture(width, height, [=](int x, int y) {
        const bool right = x >= width / 2, bottom = y >= height / 2;
        const int gx = width > 1 ? 60 * x / (width - 1) : 0;
        const int gy = height > 1 ? 60 * y / (height - 1) : 0;
        if (!right && !bottom) return Rgb{uint8_t(190 + gx), uint8_t(40 + gy), 40}; // red
        if (right && !bottom) return Rgb{40, uint8_t(170 + gy), uint8_t(40 + gx)};  // green
        if (!right && bottom) return Rgb{40, uint8_t(40 + gx), uint8_t(190 + gy)};  // blue
        return Rgb{uint8_t(200 + gy / 2), uint8_t(200 + gx / 2), 30};               // yellow
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
    if (dib.Info->biBitCount == 24) return Rgb{uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
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
                       << int(a.r) << "," << int(a.g) << "," << int(a.b) << " expected " << int(e.r)
                       << "," << int(e.g) << "," << int(e.b);
        }
    return ::testing::AssertionSuccess();
}

std::vector<uint8_t> ReadBytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& file, const std::vector<uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// --- JPEG -------------------------------------------------------------------------------

namespace {

// "Exif\0\0", IFD0 with the orientation, IFD1 pointing at the thumbnail, the thumbnail.
std::vector<uint8_t> ExifWithThumbnail(int orientation, const std::vector<uint8_t>& thumb) {
    std::vector<uint8_t> b = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0};
    auto put16 = [&](uint32_t v) {
        b.push_back(uint8_t(v));
        b.push_back(uint8_t(v >> 8));
    };
    auto put32 = [&](uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    // IFD0 at 8: one entry, next IFD at 8 + 2 + 12 + 4 = 26.
    put16(1);
    put16(0x112);
    put16(3);
    put32(1);
    put16(uint32_t(orientation));
    put16(0);
    put32(26);
    // IFD1 at 26: two entries; the thumbnail follows at 26 + 2 + 24 + 4 = 56.
    put16(2);
    put16(0x201);
    put16(4);
    put32(1);
    put32(56);
    put16(0x202);
    put16(4);
    put32(1);
    put32(uint32_t(thumb.size()));
    put32(0);
    b.insert(b.end(), thumb.begin(), thumb.end());
    return b;
}

std::vector<uint8_t> ExifBlock(int orientation) {
    // "Exif\0\0", little-endian TIFF header, one IFD with the orientation tag.
    std::vector<uint8_t> b = {'E',
                              'x',
                              'i',
                              'f',
                              0,
                              0,
                              'I',
                              'I',
                              42,
                              0,
                              8,
                              0,
                              0,
                              0,
                              1,
                              0, // one entry
                              0x12,
                              0x01,
                              3,
                              0,
                              1,
                              0,
                              0,
                              0, // tag 0x112, SHORT, count 1
                              uint8_t(orientation),
                              0,
                              0,
                              0, // value
                              0,
                              0,
                              0,
                              0}; // no next IFD
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
    if (options.kind == JpegKind::Rgb) jpeg_set_colorspace(&c, JCS_RGB);
    jpeg_set_quality(&c, options.quality, TRUE);
    // Full-resolution colour, so that the quadrant edges stay sharp enough to compare
    // (unless subsampled: luma at twice the colour's resolution).
    for (int i = 0; i < c.num_components; ++i) {
        c.comp_info[i].h_samp_factor = options.subsampled && i == 0 ? 2 : 1;
        c.comp_info[i].v_samp_factor =
            options.subsampled && !options.halfWidthOnly && i == 0 ? 2 : 1;
    }
    if (options.progressive) jpeg_simple_progression(&c);
    if (options.arithmetic) c.arith_code = TRUE;
    jpeg_start_compress(&c, TRUE);
    if (!options.rawApp1.empty()) {
        jpeg_write_marker(&c, JPEG_APP0 + 1, options.rawApp1.data(),
                          static_cast<unsigned>(options.rawApp1.size()));
    } else if (!options.exifThumbnail.empty()) {
        const auto exif = ExifWithThumbnail(options.exifOrientation ? options.exifOrientation : 1,
                                            options.exifThumbnail);
        jpeg_write_marker(&c, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
    } else if (options.exifOrientation) {
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
    for (const Rgb& c : o.palette)
        plte.push_back(png_color{c.r, c.g, c.b});
    if (o.colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_PLTE(png, info, plte.data(), static_cast<int>(plte.size()));
    std::vector<uint8_t> trns = o.paletteAlpha;
    if (!trns.empty()) png_set_tRNS(png, info, trns.data(), static_cast<int>(trns.size()), nullptr);
    png_color_16 transparentGrey{};
    if (o.greyTransparentZero) png_set_tRNS(png, info, nullptr, 0, &transparentGrey);
    png_write_info(png, info);
    if (o.bitDepth == 16) png_set_swap(png); // our rows are little-endian uint16
    const int channels = o.colourType == PNG_COLOR_TYPE_RGB          ? 3
                         : o.colourType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
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
                    const uint16_t v = c == channels - 1 && channels % 2 == 0
                                           ? s[c == 1 ? 1 : 3]
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
    for (auto& r : rows)
        pointers.push_back(r.data());
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

} // namespace fixtures

#include <gif_lib.h>
#include <libheif/heif.h>
#include <tiffio.h>
#include <webp/encode.h>

namespace fixtures {

namespace {
int GifWrite(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}
} // namespace

std::vector<uint8_t> EncodeGif(const Picture& indices, const GifOptions& o) {
    std::vector<uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, GifWrite, &error);
    int mapSize = 2;
    while (mapSize < static_cast<int>(o.palette.size()))
        mapSize *= 2;
    std::vector<GifColorType> colours(mapSize);
    for (size_t i = 0; i < o.palette.size(); ++i)
        colours[i] = GifColorType{o.palette[i].r, o.palette[i].g, o.palette[i].b};
    ColorMapObject* map = GifMakeMapObject(mapSize, colours.data());
    EGifSetGifVersion(gif, true);
    const int sw = o.screenWidth ? o.screenWidth : indices.width;
    const int sh = o.screenHeight ? o.screenHeight : indices.height;
    EGifPutScreenDesc(gif, sw, sh, 8, o.background, map);
    if (o.transparentIndex >= 0) {
        GifByteType gce[4] = {1, 0, 0, GifByteType(o.transparentIndex)};
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, gce);
    }
    for (int frame = 0; frame < (o.secondFrame ? 2 : 1); ++frame) {
        EGifPutImageDesc(gif, o.left, o.top, indices.width, indices.height, o.interlaced, nullptr);
        std::vector<int> order;
        if (o.interlaced) {
            const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
            for (int p = 0; p < 4; ++p)
                for (int y = start[p]; y < indices.height; y += step[p])
                    order.push_back(y);
        } else {
            for (int y = 0; y < indices.height; ++y)
                order.push_back(y);
        }
        std::vector<GifPixelType> line(indices.width);
        for (int y : order) {
            for (int x = 0; x < indices.width; ++x)
                line[x] = frame == 0 ? indices.At(x, y).r : 0;
            EGifPutLine(gif, line.data(), indices.width);
        }
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

std::vector<uint8_t> EncodeTiff(const Picture& picture, TiffKind kind, int orientation,
                                const std::vector<uint8_t>& alpha,
                                const std::vector<uint8_t>& icc) {
    TempDir dir;
    const std::string file = dir.File("t.tif");
    TIFF* t = TIFFOpen(file.c_str(), "w");
    const int w = picture.width, h = picture.height;
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ORIENTATION, orientation);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    int spp = 3, bps = 8;
    if (kind == TiffKind::RgbAlpha) {
        spp = 4;
        uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    const bool cmyk = kind == TiffKind::Cmyk || kind == TiffKind::CmykTiled;
    if (kind == TiffKind::Grey16) spp = 1, bps = 16;
    if (kind == TiffKind::Palette || kind == TiffKind::Grey) spp = 1;
    if (cmyk) spp = 4;
    if (!icc.empty()) TIFFSetField(t, TIFFTAG_ICCPROFILE, uint32_t(icc.size()), icc.data());
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, spp);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bps);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC,
                 kind == TiffKind::Grey16 || kind == TiffKind::Grey ? PHOTOMETRIC_MINISBLACK
                 : kind == TiffKind::Palette                        ? PHOTOMETRIC_PALETTE
                 : cmyk                                             ? PHOTOMETRIC_SEPARATED
                                                                    : PHOTOMETRIC_RGB);
    std::vector<uint16_t> red(256), green(256), blue(256);
    if (kind == TiffKind::Palette) {
        for (int i = 0; i < 256; ++i) {
            red[i] = uint16_t(i * 257);
            green[i] = uint16_t((255 - i) * 257);
            blue[i] = uint16_t((i * 7 & 255) * 257);
        }
        TIFFSetField(t, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
    }
    auto sample = [&](int x, int y, std::vector<uint8_t>& buf, size_t at) {
        const Rgb p = picture.At(x, y);
        switch (kind) {
        case TiffKind::Grey16: {
            const uint16_t v = uint16_t(p.g * 257);
            std::memcpy(&buf[at], &v, 2);
            break;
        }
        case TiffKind::Palette:
            buf[at] = p.r;
            break;
        case TiffKind::Grey:
            buf[at] = p.g;
            break;
        case TiffKind::Cmyk:
        case TiffKind::CmykTiled:
            buf[at] = uint8_t(255 - p.r);
            buf[at + 1] = uint8_t(255 - p.g);
            buf[at + 2] = uint8_t(255 - p.b);
            buf[at + 3] = 0;
            break;
        default:
            buf[at] = p.r;
            buf[at + 1] = p.g;
            buf[at + 2] = p.b;
            if (spp == 4) buf[at + 3] = alpha.empty() ? 255 : alpha[size_t(y) * w + x];
        }
    };
    const size_t pixelBytes = size_t(spp) * bps / 8;
    if (kind == TiffKind::Tiled || kind == TiffKind::CmykTiled) {
        TIFFSetField(t, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(t, TIFFTAG_TILELENGTH, 16);
        std::vector<uint8_t> tile(16 * 16 * pixelBytes);
        for (int ty = 0; ty < h; ty += 16)
            for (int tx = 0; tx < w; tx += 16) {
                std::fill(tile.begin(), tile.end(), 0);
                for (int y = 0; y < 16 && ty + y < h; ++y)
                    for (int x = 0; x < 16 && tx + x < w; ++x)
                        sample(tx + x, ty + y, tile, (size_t(y) * 16 + x) * pixelBytes);
                TIFFWriteTile(t, tile.data(), tx, ty, 0, 0);
            }
    } else {
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 5);
        std::vector<uint8_t> row(size_t(w) * pixelBytes);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x)
                sample(x, y, row, size_t(x) * pixelBytes);
            TIFFWriteScanline(t, row.data(), y, 0);
        }
    }
    TIFFClose(t);
    return ReadBytes(file);
}

namespace {
void PutLe(std::vector<uint8_t>& b, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b.push_back(uint8_t(v >> (8 * i)));
}
std::vector<uint8_t> ExifTiff(int orientation) {
    auto block = ExifBlock(orientation);
    return std::vector<uint8_t>(block.begin() + 6, block.end()); // WebP stores no "Exif\0\0"
}
} // namespace

std::vector<uint8_t> EncodeWebp(const Picture& picture, int exifOrientation,
                                const std::vector<uint8_t>& alpha, bool lossy) {
    std::vector<uint8_t> rgba(size_t(picture.width) * picture.height * 4);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const size_t i = size_t(y) * picture.width + x;
            const Rgb p = picture.At(x, y);
            rgba[4 * i] = p.r;
            rgba[4 * i + 1] = p.g;
            rgba[4 * i + 2] = p.b;
            rgba[4 * i + 3] = alpha.empty() ? 255 : alpha[i];
        }
    uint8_t* encoded = nullptr;
    const size_t size = lossy ? WebPEncodeRGBA(rgba.data(), picture.width, picture.height,
                                               picture.width * 4, 95, &encoded)
                              : WebPEncodeLosslessRGBA(rgba.data(), picture.width, picture.height,
                                                       picture.width * 4, &encoded);
    std::vector<uint8_t> simple(encoded, encoded + size);
    WebPFree(encoded);
    if (!exifOrientation) return simple;
    // Extended form: RIFF, VP8X (EXIF flag), the picture's chunk(s), EXIF.
    std::vector<uint8_t> body = {'W', 'E', 'B', 'P', 'V', 'P', '8', 'X'};
    PutLe(body, 10, 4);
    body.push_back(alpha.empty() ? 0x08 : 0x18);
    PutLe(body, 0, 3);
    PutLe(body, picture.width - 1, 3);
    PutLe(body, picture.height - 1, 3);
    body.insert(body.end(), simple.begin() + 12, simple.end());
    const auto exif = ExifTiff(exifOrientation);
    body.insert(body.end(), {'E', 'X', 'I', 'F'});
    PutLe(body, uint32_t(exif.size()), 4);
    body.insert(body.end(), exif.begin(), exif.end());
    if (exif.size() & 1) body.push_back(0);
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F'};
    PutLe(out, uint32_t(body.size()), 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

namespace {
heif_error HeifWrite(heif_context*, const void* data, size_t size, void* user) {
    auto* out = static_cast<std::vector<uint8_t>*>(user);
    const auto* p = static_cast<const uint8_t*>(data);
    out->insert(out->end(), p, p + size);
    return heif_error{heif_error_Ok, static_cast<heif_suberror_code>(0), ""};
}
} // namespace

std::vector<uint8_t> EncodeHeic(const Picture& picture, int orientation, int thumbnailSize,
                                const std::vector<uint8_t>& alpha, int nclxPrimaries) {
    std::vector<uint8_t> out;
    heif_context* ctx = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    if (heif_context_get_encoder_for_format(ctx, heif_compression_HEVC, &encoder).code !=
        heif_error_Ok) {
        heif_context_free(ctx);
        return out;
    }
    heif_encoder_set_lossy_quality(encoder, 95);
    heif_image* image = nullptr;
    const bool withAlpha = !alpha.empty();
    heif_image_create(picture.width, picture.height, heif_colorspace_RGB,
                      withAlpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                      &image);
    heif_image_add_plane(image, heif_channel_interleaved, picture.width, picture.height, 8);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    const int channels = withAlpha ? 4 : 3;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            uint8_t* p = plane + size_t(y) * stride + size_t(x) * channels;
            const Rgb c = picture.At(x, y);
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
            if (withAlpha) p[3] = alpha[size_t(y) * picture.width + x];
        }
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = static_cast<heif_orientation>(orientation);
    heif_color_profile_nclx* nclx = nullptr;
    if (nclxPrimaries != 0) {
        nclx = heif_nclx_color_profile_alloc();
        heif_nclx_color_profile_set_color_primaries(nclx, static_cast<uint16_t>(nclxPrimaries));
        heif_nclx_color_profile_set_transfer_characteristics(nclx, 13); // sRGB's curve
        heif_nclx_color_profile_set_matrix_coefficients(nclx, 6);
        nclx->full_range_flag = 1;
        options->output_nclx_profile = nclx;
        options->macOS_compatibility_workaround_no_nclx_profile = 0;
        heif_image_set_nclx_color_profile(image, nclx);
    }
    heif_image_handle* handle = nullptr;
    heif_context_encode_image(ctx, image, encoder, options, &handle);
    if (thumbnailSize > 0) {
        heif_image_handle* thumb = nullptr;
        heif_context_encode_thumbnail(ctx, image, handle, encoder, options, thumbnailSize, &thumb);
        if (thumb) heif_image_handle_release(thumb);
    }
    heif_writer writer{1, HeifWrite};
    heif_context_write(ctx, &writer, &out);
    heif_encoding_options_free(options);
    heif_nclx_color_profile_free(nclx);
    if (handle) heif_image_handle_release(handle);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(ctx);
    return out;
}

Picture StoredForOrientation(const Picture& u, int orientation) {
    const int W = u.width, H = u.height;
    switch (orientation) {
    case 2:
        return MakePicture(W, H, [&](int x, int y) { return u.At(W - 1 - x, y); });
    case 3:
        return MakePicture(W, H, [&](int x, int y) { return u.At(W - 1 - x, H - 1 - y); });
    case 4:
        return MakePicture(W, H, [&](int x, int y) { return u.At(x, H - 1 - y); });
    case 5:
        return MakePicture(H, W, [&](int x, int y) { return u.At(y, x); }); // transposed
    case 6:
        return MakePicture(H, W, [&](int x, int y) { return u.At(W - 1 - y, x); }); // turned left
    case 7:
        return MakePicture(H, W, [&](int x, int y) { return u.At(W - 1 - y, H - 1 - x); });
    case 8:
        return MakePicture(H, W, [&](int x, int y) { return u.At(y, H - 1 - x); }); // turned right
    default:
        return u;
    }
}

::testing::AssertionResult GoodProgress(const std::vector<int>& values, int maxStep) {
    if (values.empty()) return ::testing::AssertionFailure() << "no progress reported";
    if (values.back() != 100)
        return ::testing::AssertionFailure() << "last report " << values.back();
    for (size_t i = 1; i < values.size(); ++i) {
        if (values[i] <= values[i - 1])
            return ::testing::AssertionFailure()
                   << "report " << i << " falls or repeats: " << values[i - 1] << " then "
                   << values[i];
        if (values[i] - values[i - 1] > maxStep)
            return ::testing::AssertionFailure()
                   << "step from " << values[i - 1] << " to " << values[i];
    }
    if (values.front() < 0) return ::testing::AssertionFailure() << "starts below 0";
    return ::testing::AssertionSuccess();
}

} // namespace fixtures

namespace fixtures {

std::vector<uint8_t> SaveProfile(void* profile) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(static_cast<cmsHPROFILE>(profile), nullptr, &size);
    std::vector<uint8_t> bytes(size);
    cmsSaveProfileToMem(static_cast<cmsHPROFILE>(profile), bytes.data(), &size);
    cmsCloseProfile(static_cast<cmsHPROFILE>(profile));
    return bytes;
}

std::vector<uint8_t> RgbProfile(const double xy[8], double gamma) {
    const cmsCIExyY white{xy[0], xy[1], 1.0};
    const cmsCIExyYTRIPLE primaries{{xy[2], xy[3], 1.0}, {xy[4], xy[5], 1.0}, {xy[6], xy[7], 1.0}};
    const cmsFloat64Number srgb[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    cmsToneCurve* curve =
        gamma > 0 ? cmsBuildGamma(nullptr, gamma) : cmsBuildParametricToneCurve(nullptr, 4, srgb);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    return SaveProfile(profile);
}

namespace {
struct InkSampler {
    cmsHTRANSFORM toLab;
    bool swapped;
};
int SampleInks(const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) {
    const auto* s = static_cast<const InkSampler*>(cargo);
    const double c = in[s->swapped ? 1 : 0] / 65535.0, m = in[s->swapped ? 0 : 1] / 65535.0;
    const double y = in[2] / 65535.0, k = in[3] / 65535.0;
    const double rgb[3] = {(1 - c) * (1 - k), (1 - m) * (1 - k), (1 - y) * (1 - k)};
    cmsCIELab lab;
    cmsDoTransform(s->toLab, rgb, &lab, 1);
    cmsFloat2LabEncoded(out, &lab);
    return TRUE;
}
} // namespace

std::vector<uint8_t> InkProfile(bool swapped) {
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    InkSampler sampler{
        cmsCreateTransform(srgb, TYPE_RGB_DBL, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0),
        swapped};
    cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(profile, 4.3);
    cmsSetDeviceClass(profile, cmsSigOutputClass);
    cmsSetColorSpace(profile, cmsSigCmykData);
    cmsSetPCS(profile, cmsSigLabData);
    cmsPipeline* lut = cmsPipelineAlloc(nullptr, 4, 3);
    cmsStage* table = cmsStageAllocCLut16bit(nullptr, 5, 4, 3, nullptr);
    cmsStageSampleCLut16bit(table, SampleInks, &sampler, 0);
    cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocToneCurves(nullptr, 4, nullptr));
    cmsPipelineInsertStage(lut, cmsAT_END, table);
    cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsWriteTag(profile, cmsSigAToB0Tag, lut);
    cmsPipelineFree(lut);
    cmsDeleteTransform(sampler.toLab);
    cmsCloseProfile(lab);
    cmsCloseProfile(srgb);
    return SaveProfile(profile);
}

std::vector<uint8_t> JpegWithProfile(std::vector<uint8_t> jpeg, const std::vector<uint8_t>& icc,
                                     size_t part) {
    std::vector<uint8_t> segments;
    const size_t count = (icc.size() + part - 1) / part;
    for (size_t i = 0; i < count; ++i) {
        const size_t n = std::min(part, icc.size() - i * part);
        const size_t length = 2 + 14 + n;
        const uint8_t head[4] = {0xFF, 0xE2, static_cast<uint8_t>(length >> 8),
                                 static_cast<uint8_t>(length)};
        segments.insert(segments.end(), head, head + 4);
        const char* tag = "ICC_PROFILE";
        segments.insert(segments.end(), tag, tag + 12);
        segments.push_back(static_cast<uint8_t>(i + 1));
        segments.push_back(static_cast<uint8_t>(count));
        segments.insert(segments.end(), icc.begin() + i * part, icc.begin() + i * part + n);
    }
    jpeg.insert(jpeg.begin() + 2, segments.begin(), segments.end());
    return jpeg;
}

} // namespace fixtures

// The HEVC encoder used to make HEIC test files keeps some memory for the whole process;
// that is the encoder's business, not a leak of the library under test.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libx265\n";
}

// Codec throughput measurements for bench/codec_bench.sh (which compares them with peer
// tools run on the same files). Not a test: prints numbers only.
//
//   codec_bench make OUT.ppm WIDTH HEIGHT SEED   photo-like picture of our own making
//   codec_bench encode IN.ppm OUT.jpg SECONDS    SaveDib at quality 90, megapixels per second
//   codec_bench decode IN.jpg SECONDS            OpenDib, megapixels per second
//   codec_bench thumbs FILE...                   OpenDibReduced to at least 80 x 80, ms/picture
//   codec_bench camera IN.jpg OUT.jpg            IN with a 160 x 120 EXIF thumbnail, as cameras
//                                                and phones write their photos
#include "pictavo.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Smooth light and colour fields, a few hard edges, fine texture and sensor-like noise: the
// mix that makes a camera photo's JPEG costs.
int Make(const char* out, int width, int height, unsigned seed) {
    std::FILE* f = std::fopen(out, "wb");
    if (!f) return 1;
    std::fprintf(f, "P6\n%d %d\n255\n", width, height);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    uint32_t state = seed * 2654435761u + 12345u;
    auto noise = [&state]() {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>((state >> 24) & 15) - 8;
    };
    const double s = 1.0 + (seed % 7) * 0.1;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double u = static_cast<double>(x) / width, v = static_cast<double>(y) / height;
            double r = 120 + 90 * std::sin(3.1 * u * s + 1.3) * std::cos(2.3 * v);
            double g = 110 + 80 * std::sin(2.2 * v * s + 0.4) + 20 * std::sin(40 * u * v);
            double b = 130 + 70 * std::cos(1.7 * (u + v) * s);
            // Hard-edged objects: a disc and a bar.
            const double dx = u - 0.6, dy = v - 0.45;
            if (dx * dx + dy * dy < 0.03) r = 220, g = 190 - 60 * v, b = 40;
            if (u > 0.15 && u < 0.3 && v > 0.2) r *= 0.4, g *= 0.5, b *= 0.45;
            // Texture (foliage, fabric) in the lower part.
            if (v > 0.7) {
                const double t = 25 * std::sin(x * 0.37 + std::sin(y * 0.21) * 3);
                r += t;
                g += t * 1.3;
            }
            const int n = noise();
            row[3 * x] = static_cast<uint8_t>(std::clamp(r + n, 0.0, 255.0));
            row[3 * x + 1] = static_cast<uint8_t>(std::clamp(g + n, 0.0, 255.0));
            row[3 * x + 2] = static_cast<uint8_t>(std::clamp(b + n, 0.0, 255.0));
        }
        std::fwrite(row.data(), 1, row.size(), f);
    }
    std::fclose(f);
    return 0;
}

bool ReadPpm(const char* file, TDib* dib) {
    std::FILE* f = std::fopen(file, "rb");
    if (!f) return false;
    int w = 0, h = 0, max = 0;
    if (std::fscanf(f, "P6 %d %d %d", &w, &h, &max) != 3 || max != 255) {
        std::fclose(f);
        return false;
    }
    std::fgetc(f);
    if (!newdib(dib, w, h, 24, nullptr, 0)) {
        std::fclose(f);
        return false;
    }
    std::vector<uint8_t> row(static_cast<size_t>(w) * 3);
    for (int y = 0; y < h; ++y) {
        if (std::fread(row.data(), 1, row.size(), f) != row.size()) break;
        uint8_t* dst = dib->Bits + static_cast<size_t>(h - 1 - y) * dib->RowBytes;
        for (int x = 0; x < w; ++x) {
            dst[3 * x] = row[3 * x + 2];
            dst[3 * x + 1] = row[3 * x + 1];
            dst[3 * x + 2] = row[3 * x];
        }
    }
    std::fclose(f);
    return true;
}

int Encode(const char* in, const char* out, double seconds) {
    ScopedDib dib;
    if (!ReadPpm(in, dib.get())) return 1;
    SetJPEGQual(90);
    const double mp = dib->Info->biWidth * static_cast<double>(dib->Info->biHeight) / 1e6;
    SaveDib(dib.get(), out, 7, 0); // warm-up
    int runs = 0;
    const auto start = Clock::now();
    while (Seconds(start) < seconds || runs < 3) {
        if (SaveDib(dib.get(), out, 7, 0) != 1) return 1;
        ++runs;
    }
    std::printf("%.2f\n", mp * runs / Seconds(start));
    return 0;
}

int Decode(const char* in, double seconds) {
    ScopedDib warm;
    if (OpenDib(warm.get(), in, -1, nullptr) != 1) return 1;
    const double mp = warm->Info->biWidth * static_cast<double>(warm->Info->biHeight) / 1e6;
    warm.reset();
    int runs = 0;
    const auto start = Clock::now();
    while (Seconds(start) < seconds || runs < 3) {
        ScopedDib dib;
        if (OpenDib(dib.get(), in, -1, nullptr) != 1) return 1;
        ++runs;
    }
    std::printf("%.2f\n", mp * runs / Seconds(start));
    return 0;
}

int Thumbs(int count, char** files) {
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        ScopedDib dib;
        int w = 0, h = 0;
        if (OpenDibReduced(dib.get(), files[i], 80, 80, &w, &h, nullptr) != 1) return 1;
    }
    std::printf("%.2f\n", 1000.0 * Seconds(start) / count);
    return 0;
}

// Adds an EXIF block (orientation 1, a 160 x 120 JPEG thumbnail) right after the start marker.
int Camera(const char* in, const char* out) {
    ScopedDib reduced;
    int w = 0, h = 0;
    if (OpenDibReduced(reduced.get(), in, 160, 120, &w, &h, nullptr) != 1) return 1;
    ScopedDib thumb;
    if (!newdib(thumb.get(), 160, 120, 24, nullptr, 0)) return 1;
    const int sw = reduced->Info->biWidth, sh = reduced->Info->biHeight;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) {
            // Box average of the source area of this thumbnail pixel.
            const int x0 = x * sw / 160, x1 = std::max(x0 + 1, (x + 1) * sw / 160);
            const int y0 = y * sh / 120, y1 = std::max(y0 + 1, (y + 1) * sh / 120);
            unsigned sum[3] = {0, 0, 0}, n = 0;
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx, ++n) {
                    const uint32_t p = getpixel(reduced.get(), sx, sy);
                    sum[0] += p & 0xFF;
                    sum[1] += (p >> 8) & 0xFF;
                    sum[2] += p >> 16;
                }
            setpixel(thumb.get(), x, y, (sum[2] / n) << 16 | (sum[1] / n) << 8 | sum[0] / n);
        }
    const std::string thumbFile = std::string(out) + ".thumb.jpg";
    SetJPEGQual(80);
    if (SaveDib(thumb.get(), thumbFile.c_str(), 7, 0) != 1) return 1;
    auto readAll = [](const char* name) {
        std::vector<uint8_t> bytes;
        if (std::FILE* f = std::fopen(name, "rb")) {
            uint8_t buffer[65536];
            for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
                bytes.insert(bytes.end(), buffer, buffer + n);
            std::fclose(f);
        }
        return bytes;
    };
    const std::vector<uint8_t> picture = readAll(in), small = readAll(thumbFile.c_str());
    std::remove(thumbFile.c_str());
    if (picture.size() < 2 || small.empty()) return 1;
    std::vector<uint8_t> exif = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0};
    auto put16 = [&](uint32_t v) {
        exif.push_back(static_cast<uint8_t>(v));
        exif.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto put32 = [&](uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    put16(1); // IFD0: orientation 1, next IFD at 26
    put16(0x112), put16(3), put32(1), put32(1);
    put32(26);
    put16(2); // IFD1: the thumbnail at 56
    put16(0x201), put16(4), put32(1), put32(56);
    put16(0x202), put16(4), put32(1), put32(static_cast<uint32_t>(small.size()));
    put32(0);
    exif.insert(exif.end(), small.begin(), small.end());
    const size_t segment = exif.size() + 2;
    if (segment > 65535) return 1;
    std::FILE* f = std::fopen(out, "wb");
    if (!f) return 1;
    const uint8_t head[] = {
        0xFF, 0xD8, 0xFF, 0xE1, static_cast<uint8_t>(segment >> 8), static_cast<uint8_t>(segment)};
    std::fwrite(head, 1, sizeof head, f);
    std::fwrite(exif.data(), 1, exif.size(), f);
    std::fwrite(picture.data() + 2, 1, picture.size() - 2, f);
    return std::fclose(f) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "make" && argc == 6)
        return Make(argv[2], std::atoi(argv[3]), std::atoi(argv[4]),
                    static_cast<unsigned>(std::atoi(argv[5])));
    if (mode == "encode" && argc == 5) return Encode(argv[2], argv[3], std::atof(argv[4]));
    if (mode == "decode" && argc == 4) return Decode(argv[2], std::atof(argv[3]));
    if (mode == "thumbs" && argc > 2) return Thumbs(argc - 2, argv + 2);
    if (mode == "camera" && argc == 4) return Camera(argv[2], argv[3]);
    std::fprintf(stderr, "usage: see the top of codec_bench.cpp\n");
    return 2;
}

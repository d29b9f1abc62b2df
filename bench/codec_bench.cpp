// Codec throughput measurements for bench/codec_bench.sh (which compares them with peer
// tools run on the same files). Not a test: prints numbers only.
//
//   codec_bench make OUT.ppm WIDTH HEIGHT SEED   photo-like picture of our own making
//   codec_bench encode IN.ppm OUT.jpg SECONDS    SaveDib at quality 90, megapixels per second
//   codec_bench decode IN.jpg SECONDS            OpenDib, megapixels per second
//   codec_bench thumbs FILE...                   OpenDibReduced to at least 80 x 80, ms/picture
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

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "make" && argc == 6)
        return Make(argv[2], std::atoi(argv[3]), std::atoi(argv[4]),
                    static_cast<unsigned>(std::atoi(argv[5])));
    if (mode == "encode" && argc == 5) return Encode(argv[2], argv[3], std::atof(argv[4]));
    if (mode == "decode" && argc == 4) return Decode(argv[2], std::atof(argv[3]));
    if (mode == "thumbs" && argc > 2) return Thumbs(argc - 2, argv + 2);
    std::fprintf(stderr, "usage: see the top of codec_bench.cpp\n");
    return 2;
}

// WebP reading with libwebp: decoded incrementally so that progress moves, scaled by the
// decoder itself for a reduced load, alpha composited onto white, EXIF orientation from the
// file's EXIF chunk. Animated files are not read (libwebp's still-picture decoder refuses
// them).
#include "codecs.h"
#include "colour.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <webp/decode.h>
#include <webp/demux.h>

namespace pictavo_internal {

namespace {

uint32_t Le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Orientation from the EXIF chunk of an extended WebP file.
int WebpOrientation(const uint8_t* data, size_t size) {
    size_t at = 12;
    while (at + 8 <= size) {
        const uint32_t length = Le32(data + at + 4);
        if (length > size - at - 8) return 1;
        if (std::memcmp(data + at, "EXIF", 4) == 0) return ExifOrientation(data + at + 8, length);
        at += 8 + static_cast<size_t>(length) + (length & 1);
    }
    return 1;
}

class Decoder {
  public:
    ~Decoder() {
        if (incremental) WebPIDelete(incremental);
        WebPFreeDecBuffer(&config.output);
    }
    WebPDecoderConfig config;
    WebPIDecoder* incremental = nullptr;
};

struct DemuxDelete {
    void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};

// The ICC profile of an extended WebP file (its ICCP chunk); empty when there is none.
std::vector<uint8_t> IccChunk(const uint8_t* data, size_t size) {
    WebPData whole{data, size};
    std::unique_ptr<WebPDemuxer, DemuxDelete> demux(WebPDemux(&whole));
    if (!demux || !(WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS) & ICCP_FLAG)) return {};
    WebPChunkIterator chunk;
    std::vector<uint8_t> out;
    if (WebPDemuxGetChunk(demux.get(), "ICCP", 1, &chunk)) {
        out.assign(chunk.chunk.bytes, chunk.chunk.bytes + chunk.chunk.size);
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    return out;
}

} // namespace

LoadResult LoadWebp(const LoadRequest& request, TDib* out) {
    LoadResult result;
    Decoder d;
    if (!WebPInitDecoderConfig(&d.config)) return result;
    if (WebPGetFeatures(request.data, request.size, &d.config.input) != VP8_STATUS_OK)
        return result;
    const WebPBitstreamFeatures& f = d.config.input;
    if (f.has_animation || f.width <= 0 || f.height <= 0) return result;
    if (static_cast<int64_t>(f.width) * f.height > kMaxPixels) return result;
    result.fullWidth = f.width;
    result.fullHeight = f.height;
    result.orientation = WebpOrientation(request.data, request.size);

    int width = f.width, height = f.height;
    if (request.minWidth > 0 && request.minHeight > 0) {
        const bool swap = SwapsAxes(result.orientation);
        const double needW = swap ? request.minHeight : request.minWidth;
        const double needH = swap ? request.minWidth : request.minHeight;
        double scale = std::max(needW / f.width, needH / f.height);
        if (scale < 1.0) {
            width = std::max(1, static_cast<int>(f.width * scale + 0.999));
            height = std::max(1, static_cast<int>(f.height * scale + 0.999));
            d.config.options.use_scaling = 1;
            d.config.options.scaled_width = width;
            d.config.options.scaled_height = height;
            d.config.options.bypass_filtering = 1;
            d.config.options.no_fancy_upsampling = 1;
        }
    }
    if (!SizeAllowed(width, height, 24)) return result;
    if (!newdib(out, width, height, 24, nullptr, 0)) return result;

    // Opaque pictures go straight into the image's rows (bottom row first, hence flipped);
    // pictures with alpha go through a buffer of libwebp's own and are composited.
    WebPDecBuffer& buffer = d.config.output;
    if (f.has_alpha) {
        buffer.colorspace = MODE_bgrA; // premultiplied
    } else {
        buffer.colorspace = MODE_BGR;
        buffer.is_external_memory = 1;
        buffer.u.RGBA.rgba = out->Bits;
        buffer.u.RGBA.stride = out->RowBytes;
        buffer.u.RGBA.size = static_cast<size_t>(out->RowBytes) * height;
        d.config.options.flip = 1;
    }
    d.incremental = WebPIDecode(nullptr, 0, &d.config);
    if (!d.incremental) {
        deldib(out);
        return result;
    }
    // Feed the data in steps so that the rows decoded so far can be reported.
    const size_t step = std::max<size_t>(request.size / 64, 1024);
    VP8StatusCode status = VP8_STATUS_SUSPENDED;
    int lastRow = 0;
    for (size_t fed = 0; fed < request.size && status == VP8_STATUS_SUSPENDED;) {
        fed = std::min(request.size, fed + step);
        status = WebPIUpdate(d.incremental, request.data, fed);
        int rows = 0;
        if (WebPIDecGetRGB(d.incremental, &rows, nullptr, nullptr, nullptr) && rows > lastRow) {
            lastRow = rows;
            request.progress->Step(rows, height);
        }
    }
    if (lastRow == 0 && status != VP8_STATUS_OK) {
        deldib(out);
        return result;
    }
    if (f.has_alpha) {
        const uint8_t* src = buffer.u.RGBA.rgba;
        if (!src) {
            deldib(out);
            return result;
        }
        for (int y = 0; y < std::min(lastRow, height); ++y) {
            const uint8_t* s = src + static_cast<size_t>(y) * buffer.u.RGBA.stride;
            uint8_t* t = RowFromTop(out, y);
            for (int x = 0; x < width; ++x) {
                const unsigned rest = 255u - s[4 * x + 3];
                t[3 * x] = static_cast<uint8_t>(std::min(255u, s[4 * x] + rest));
                t[3 * x + 1] = static_cast<uint8_t>(std::min(255u, s[4 * x + 1] + rest));
                t[3 * x + 2] = static_cast<uint8_t>(std::min(255u, s[4 * x + 2] + rest));
            }
        }
    }
    result.profile = IccChunk(request.data, request.size);
    result.status = status == VP8_STATUS_OK ? LoadStatus::Complete : LoadStatus::Partial;
    return result;
}

} // namespace pictavo_internal

// HEIC/HEIF reading with libheif: the primary picture, turned upright by libheif itself
// (the file's rotation and mirror boxes; the EXIF orientation of such files describes the
// same turn and is therefore not applied again). Alpha composited onto white. A reduced load
// takes the embedded thumbnail when it is large enough. Progress comes from libheif's tile
// callbacks (phone photos are grids of tiles).
#include "codecs.h"
#include "colour.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

#include <libheif/heif.h>

namespace pictavo_internal {

namespace {

struct ContextFree {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleRelease {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageRelease {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};
using HandleOwner = std::unique_ptr<heif_image_handle, HandleRelease>;

struct TileProgress {
    Progress* progress;
    int total;
};

void StartProgress(heif_progress_step, int maxProgress, void* user) {
    static_cast<TileProgress*>(user)->total = maxProgress;
}
void OnProgress(heif_progress_step, int done, void* user) {
    auto* p = static_cast<TileProgress*>(user);
    p->progress->Step(done, p->total);
}
void EndProgress(heif_progress_step, void*) {}

void InitOnce() {
    static std::once_flag once;
    std::call_once(once, [] { heif_init(nullptr); });
}

// The embedded thumbnail whose size covers minWidth x minHeight, the smallest such.
HandleOwner UsableThumbnail(heif_image_handle* primary, int minWidth, int minHeight) {
    const int count = heif_image_handle_get_number_of_thumbnails(primary);
    if (count <= 0 || count > 16) return nullptr;
    heif_item_id ids[16];
    const int n = heif_image_handle_get_list_of_thumbnail_IDs(primary, ids, count);
    HandleOwner best;
    int64_t bestPixels = 0;
    for (int i = 0; i < n; ++i) {
        heif_image_handle* raw = nullptr;
        if (heif_image_handle_get_thumbnail(primary, ids[i], &raw).code != heif_error_Ok) continue;
        HandleOwner thumb(raw);
        const int w = heif_image_handle_get_width(raw), h = heif_image_handle_get_height(raw);
        const int64_t pixels = static_cast<int64_t>(w) * h;
        if (w >= minWidth && h >= minHeight && (!best || pixels < bestPixels)) {
            best = std::move(thumb);
            bestPixels = pixels;
        }
    }
    return best;
}

struct NclxFree {
    void operator()(heif_color_profile_nclx* n) const { heif_nclx_color_profile_free(n); }
};

// A profile for the nclx colour box: its primaries with the tone curve of its transfer
// (sRGB's for sRGB, BT.709 and BT.2020, which phones use as sRGB's; the high dynamic range
// curves are not taken apart and get sRGB's as well). Empty for sRGB.
std::vector<uint8_t> NclxProfile(const heif_color_profile_nclx& n) {
    const bool srgbPrimaries = n.color_primaries == heif_color_primaries_ITU_R_BT_709_5 ||
                               n.color_primaries == heif_color_primaries_unspecified;
    ToneCurve curve = ToneCurve::kSrgb;
    double gamma = 2.2;
    switch (n.transfer_characteristics) {
    case heif_transfer_characteristic_ITU_R_BT_470_6_System_M:
        curve = ToneCurve::kGamma;
        break;
    case heif_transfer_characteristic_ITU_R_BT_470_6_System_B_G:
        curve = ToneCurve::kGamma;
        gamma = 2.8;
        break;
    case heif_transfer_characteristic_linear:
        curve = ToneCurve::kGamma;
        gamma = 1.0;
        break;
    default:
        break;
    }
    if (srgbPrimaries && curve == ToneCurve::kSrgb) return {};
    double xy[8] = {n.color_primary_white_x, n.color_primary_white_y, n.color_primary_red_x,
                    n.color_primary_red_y,   n.color_primary_green_x, n.color_primary_green_y,
                    n.color_primary_blue_x,  n.color_primary_blue_y};
    if (srgbPrimaries) {
        const double srgb[8] = {0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06};
        std::copy(srgb, srgb + 8, xy);
    }
    return BuildRgbProfile(xy, curve, gamma);
}

// The primary picture's colour description: an ICC profile, else its nclx box.
std::vector<uint8_t> HeifProfile(const heif_image_handle* handle) {
    std::vector<uint8_t> out;
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        const size_t size = heif_image_handle_get_raw_color_profile_size(handle);
        if (size == 0 || size > (64u << 20)) return out;
        out.resize(size);
        if (heif_image_handle_get_raw_color_profile(handle, out.data()).code != heif_error_Ok)
            out.clear();
        return out;
    }
    heif_color_profile_nclx* raw = nullptr;
    if (heif_image_handle_get_nclx_color_profile(handle, &raw).code != heif_error_Ok || !raw)
        return out;
    std::unique_ptr<heif_color_profile_nclx, NclxFree> nclx(raw);
    return NclxProfile(*nclx);
}

} // namespace

LoadResult LoadHeif(const LoadRequest& request, TDib* out) {
    LoadResult result;
    InitOnce();
    std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
    if (!context) return result;
    if (heif_context_read_from_memory_without_copy(context.get(), request.data, request.size,
                                                   nullptr)
            .code != heif_error_Ok)
        return result;
    heif_image_handle* rawPrimary = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &rawPrimary).code != heif_error_Ok)
        return result;
    HandleOwner primary(rawPrimary);
    const int fullWidth = heif_image_handle_get_width(primary.get());
    const int fullHeight = heif_image_handle_get_height(primary.get());
    if (fullWidth <= 0 || fullHeight <= 0 ||
        static_cast<int64_t>(fullWidth) * fullHeight > kMaxPixels)
        return result;
    // A grid's own size comes from its tile description, which the size above does not see:
    // a tiny file whose grid claims many times its declared size made libheif allocate
    // gigabytes. No side of the decoded picture may exceed the declared size's longer side.
    heif_context_set_maximum_image_size_limit(context.get(), std::max(fullWidth, fullHeight) + 1);
    result.fullWidth = fullWidth;
    result.fullHeight = fullHeight;

    heif_image_handle* source = primary.get();
    HandleOwner thumbnail;
    if (request.minWidth > 0 && request.minHeight > 0) {
        thumbnail = UsableThumbnail(primary.get(), request.minWidth, request.minHeight);
        if (thumbnail) source = thumbnail.get();
    }
    const bool alpha = heif_image_handle_has_alpha_channel(source) != 0;
    std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    if (!options) return result;
    TileProgress tiles{request.progress, 0};
    request.progress->SetRange(0, 90);
    options->start_progress = StartProgress;
    options->on_progress = OnProgress;
    options->end_progress = EndProgress;
    options->progress_user_data = &tiles;
    heif_image* rawImage = nullptr;
    const heif_error decoded = heif_decode_image(
        source, &rawImage, heif_colorspace_RGB,
        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
    std::unique_ptr<heif_image, ImageRelease> image(rawImage);
    if (decoded.code != heif_error_Ok || !image) return result;
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    int stride = 0;
    const uint8_t* pixels =
        heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (!pixels || width <= 0 || height <= 0 || !SizeAllowed(width, height, 24)) return result;
    if (!newdib(out, width, height, 24, nullptr, 0)) return result;
    request.progress->SetRange(90, 100);
    const int channels = alpha ? 4 : 3;
    for (int y = 0; y < height; ++y) {
        const uint8_t* s = pixels + static_cast<size_t>(y) * stride;
        uint8_t* t = RowFromTop(out, y);
        for (int x = 0; x < width; ++x, s += channels, t += 3) {
            const unsigned a = alpha ? s[3] : 255u;
            t[0] = OnWhite(s[2], a);
            t[1] = OnWhite(s[1], a);
            t[2] = OnWhite(s[0], a);
        }
        if ((y & 63) == 0) request.progress->Step(y, height);
    }
    result.profile = HeifProfile(primary.get());
    result.status = LoadStatus::Complete;
    return result;
}

} // namespace pictavo_internal

// HEIC/HEIF reading with libheif: the primary picture, turned upright by libheif itself
// (the file's rotation and mirror boxes; the EXIF orientation of such files describes the
// same turn and is therefore not applied again). Alpha composited onto white. A reduced load
// takes the embedded thumbnail when it is large enough. Progress comes from libheif's tile
// callbacks (phone photos are grids of tiles).
#include "codecs.h"

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
    result.status = LoadStatus::Complete;
    return result;
}

} // namespace pictavo_internal

// Captions rasterised for video frames.
#include "lumeno/export/caption_raster.h"

namespace lumeno {

TCaptionOverlay RenderCaptionOverlay(const std::string& captionCp1252, int32_t uprightWidth,
                                     int32_t uprightHeight, int rectWidth, int rectHeight,
                                     const TShowSettings& settings) {
    (void)captionCp1252;
    (void)uprightWidth;
    (void)uprightHeight;
    (void)rectWidth;
    (void)rectHeight;
    (void)settings;
    return {};
}

} // namespace lumeno

// The checks a front end makes before a video export: size, frame rate, music file.
#include "lumeno/export/video_show.h"
#include "video_codec_handles.h"

namespace lumeno {

bool IsValidVideoSize(int width, int height) {
    return width % 2 == 0 && height % 2 == 0 && width >= kVideoMinWidth &&
           width <= kVideoMaxWidth && height >= kVideoMinHeight && height <= kVideoMaxHeight;
}

bool IsValidVideoFps(int fps) {
    return fps >= kVideoMinFps && fps <= kVideoMaxFps;
}

bool IsReadableAudio(const std::string& path) {
    TAudioSource source;
    if (!source.Open(path)) return false;
    TAvFrame frame;
    return source.Next(frame.get()) && frame->nb_samples > 0;
}

} // namespace lumeno

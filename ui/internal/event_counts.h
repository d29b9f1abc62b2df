#pragma once
// How often a window redrew or finished a piece of work, for tests to observe. The counts live
// as dynamic properties of the counting object, so the window classes carry no members for them
// and this header stays outside the ui library's public include folder.
#include <QObject>
#include <QVariant>

namespace lumeno::ui::counts {

inline constexpr char kStatusBarFullRepaints[] = "lumeno_statusBarFullRepaints";
inline constexpr char kStatusBarBarRepaints[] = "lumeno_statusBarBarRepaints";
inline constexpr char kThumbnailLoads[] = "lumeno_thumbnailLoads";
inline constexpr char kViewerDraws[] = "lumeno_viewerDraws";

inline void Add(QObject& object, const char* name) {
    object.setProperty(name, object.property(name).toInt() + 1);
}

// 0 until the first Add.
inline int Of(const QObject& object, const char* name) {
    return object.property(name).toInt();
}

} // namespace lumeno::ui::counts

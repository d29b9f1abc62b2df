#include "settings_store.h"

namespace lumeno::ui {

std::unique_ptr<QSettings> OpenSettings() {
    return std::make_unique<QSettings>(QStringLiteral("Corvana"), QStringLiteral("PDF Lumeno"));
}

} // namespace lumeno::ui

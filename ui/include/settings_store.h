// The program's per-user settings store (the registry on Windows, an ini file elsewhere).
#pragma once

#include <QSettings>

#include <memory>

namespace lumeno::ui {

// Opens the store; never null. A store that cannot be written reads as empty and keeps
// nothing, so every caller falls back to its defaults.
std::unique_ptr<QSettings> OpenSettings();

} // namespace lumeno::ui

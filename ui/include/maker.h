#pragma once
// What the windows show of the maker: its web page and its warm colour.
#include <QColor>

#include <string_view>

namespace lumeno::ui {

// The maker's web page, opened by the web buttons of the main window and the about box.
inline constexpr char kHomePage[] = "https://www.pdflumeno.de";

// The web address as the main window's web button shows it, without "https://".
inline constexpr std::string_view kHomePageCaption = std::string_view(kHomePage).substr(8);

// Red 240, green 202, blue 166: the main window's page captions, the about box's panel and
// the evening sky at the foot of the column pictures.
inline constexpr QRgb kCaptionColour = qRgb(240, 202, 166);

} // namespace lumeno::ui

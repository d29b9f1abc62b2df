// The program's own pictures, drawn with QPainter when first asked for:
// toolbar and tab icons, the decorative picture of the page columns, and the
// pictures of the web, about and exit buttons. Nothing is loaded from files.
#pragma once

#include <QPixmap>

namespace lumeno::ui::artwork {

enum class TIcon { New, Open, Save, Photos, Search, Settings, Pdf, Web };

// A 16 x 16 icon.
QPixmap Icon(TIcon which);

// The decorative picture of a page's left column, 193 x 281; `page` 0..3
// varies the motif a little per page.
QPixmap ColumnPicture(int page);

// Pictures of the about and exit buttons, 101 x 30, normal and pressed.
QPixmap AboutButton(bool pressed);
QPixmap ExitButton(bool pressed);

} // namespace lumeno::ui::artwork

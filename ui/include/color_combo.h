// TTesselColorComboBox: a drop-down list of sixteen named colours and a "more" entry that
// opens the colour dialog. Holds the chosen colour both as a colour value (0x00BBGGRR) and as
// an HTML text ("#RRGGBB").
#pragma once

#include <QComboBox>

#include <cstdint>

namespace lumeno::ui {

enum TCLanguage { lgEnglish, lgDeutsch, lgFrensh };

// A colour as 0x00BBGGRR (red in the lowest byte). 0x80000000 | n is system colour n, resolved
// to its current value by ColorToHTML.
using TColor = uint32_t;

// The application-workspace grey (system colour 12), Windows' default RGB(171, 171, 171): the
// photo strip and the picture viewer show it around their pictures.
QColor ApplicationWorkspaceColor();

class TTesselColorComboBox : public QComboBox {
    Q_OBJECT
  public:
    static constexpr int kItemCount = 17;
    static constexpr int kMoreItem = 16;

    // 17 items, item 0 ("Black") selected, ColorValue black, HTMLcolor "#000000", lgEnglish,
    // width 120.
    explicit TTesselColorComboBox(QWidget* parent = nullptr);

    TCLanguage Language() const { return language_; }
    // Stores the language and redraws the names.
    void SetLanguage(TCLanguage lang);

    TColor ColorValue() const { return colorValue_; }
    // Selects the last of items 0..15 with colour c; otherwise c becomes the colour of the
    // "more" item, which is selected. HTMLcolor follows. A system colour ends up as its RGB
    // value; an unknown system colour leaves everything as it was. Fires no Change.
    void SetColorValue(TColor c);

    // Upper case, at most 255 characters.
    QString HTMLcolor() const { return htmlColor_; }
    // Reads characters 2-7 of the text as red, green, blue hex pairs (the first character is
    // not examined, missing characters count as absent digits; empty text means "#000000").
    // A text whose examined characters are not hexadecimal changes nothing. Fires no Change.
    void SetHTMLcolor(const QString& text);

    // "#RRGGBB" in upper case; system colours resolved to their current RGB value.
    static QString ColorToHTML(TColor c);

    // Table colour of item 0..16 (item 16: white, its start value); the shown name of item i in
    // a language.
    static TColor TableColor(int index);
    static QString ColorName(int index, TCLanguage lang);
    // The colour stored in item i (item 16: the last colour not found in the table).
    TColor ItemColor(int index) const;

  signals:
    // After each choice by the user (also after a cancelled colour dialog).
    void Change();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void UserChoice(int index);

    TCLanguage language_ = lgEnglish;
    TColor colorValue_ = 0;
    QString htmlColor_ = QStringLiteral("#000000");
};

// Draws item `index` of `combo` into rect r of painter p: swatch from (left + 4, top + 1) to
// x = 24 (absolute) and bottom - 1 with a black frame, name from left + 30.
void DrawColorItem(QPainter& p, const QRect& r, const TTesselColorComboBox& combo, int index,
                   bool selected);

} // namespace lumeno::ui

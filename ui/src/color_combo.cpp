// The colour combo box: owner-drawn items, the colour/HTML-text pair and the "more" entry.
#include "color_combo.h"

#include "dialogs.h"
#include "lumeno/frontend/shared_words.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStyledItemDelegate>

namespace lumeno::ui {
namespace {

constexpr int kItemHeight = 16;
constexpr int kDefaultWidth = 120;
constexpr int kMaxHtmlLength = 255;
constexpr TColor kSystemColorFlag = 0x80000000u;
constexpr int kColorRole = Qt::UserRole + 1;

// The colour list's 16 entries and, last, the entry that opens the colour dialog (shown white).
constexpr frontend::TNamedColour kMoreEntry = {"Mehr...", "More...", "Autres....", 0xFFFFFF};
static_assert(TTesselColorComboBox::kItemCount == frontend::kNamedColourCount + 1);

const frontend::TNamedColour& Entry(int index) {
    return index < frontend::kNamedColourCount ? frontend::kNamedColours[index] : kMoreEntry;
}

} // namespace

QColor ApplicationWorkspaceColor() {
    return QColor(171, 171, 171);
}

namespace {

QColor ToQColor(TColor c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}
TColor FromQColor(const QColor& q) {
    return TColor(q.red()) | (TColor(q.green()) << 8) | (TColor(q.blue()) << 16);
}

// System colours by their Windows index, taken from the application's palette.
bool ResolveSystemColor(int index, TColor& rgb) {
    const QPalette pal = QApplication::palette();
    QPalette::ColorRole role;
    switch (index) {
    case 1:
    case 2:
    case 3:
        role = QPalette::Highlight;
        break; // desktop, captions
    case 4:
    case 5:
        role = QPalette::Base;
        break; // menu, window
    case 6:
        role = QPalette::Shadow;
        break; // window frame
    case 7:
    case 8:
        role = QPalette::Text;
        break; // menu text, window text
    case 9:
        role = QPalette::HighlightedText;
        break; // caption text
    case 12:   // application workspace: the same grey as the strip and the viewer
        rgb = FromQColor(ApplicationWorkspaceColor());
        return true;
    case 13:
        role = QPalette::Highlight;
        break;
    case 14:
        role = QPalette::HighlightedText;
        break;
    case 15:
        role = QPalette::Button;
        break; // button face
    case 16:
        role = QPalette::Dark;
        break; // button shadow
    case 17:
        role = QPalette::PlaceholderText;
        break; // grey text
    case 18:
        role = QPalette::ButtonText;
        break;
    case 20:
        role = QPalette::Light;
        break; // button highlight
    case 21:
        role = QPalette::Shadow;
        break;
    case 22:
        role = QPalette::Midlight;
        break;
    case 23:
        role = QPalette::ToolTipText;
        break;
    case 24:
        role = QPalette::ToolTipBase;
        break;
    default:
        return false;
    }
    rgb = FromQColor(pal.color(QPalette::Active, role));
    return true;
}

// A colour with the system flag resolved; false for an unknown system colour.
bool ResolveColor(TColor c, TColor& rgb) {
    if ((c & 0xFF000000u) == kSystemColorFlag) return ResolveSystemColor(int(c & 0xFF), rgb);
    rgb = c & 0x00FFFFFFu;
    return true;
}

bool IsHexDigit(QChar ch) {
    return (ch >= u'0' && ch <= u'9') || (ch >= u'A' && ch <= u'F') || (ch >= u'a' && ch <= u'f');
}

// Draws the list's items with swatch and name, in the list's own colours.
class TColorItemDelegate : public QStyledItemDelegate {
  public:
    explicit TColorItemDelegate(TTesselColorComboBox* combo)
        : QStyledItemDelegate(combo), combo_(combo) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        p->save();
        p->setFont(option.font);
        DrawColorItem(*p, option.rect, *combo_, index.row(), selected);
        p->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return QSize(kDefaultWidth, kItemHeight);
    }

  private:
    TTesselColorComboBox* combo_;
};

} // namespace

void DrawColorItem(QPainter& p, const QRect& r, const TTesselColorComboBox& combo, int index,
                   bool selected) {
    const QPalette& pal = combo.palette();
    const QColor back = selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base);
    const QColor text = selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text);
    p.fillRect(r, back);
    // The swatch's right edge is the absolute x position 24, as the list draws it.
    const QRect swatch(QPoint(r.left() + 4, r.top() + 1), QPoint(24 - 1, r.bottom() - 1));
    if (swatch.width() > 0 && swatch.height() > 0) {
        const TColor c =
            index == TTesselColorComboBox::kMoreItem ? combo.ColorValue() : combo.ItemColor(index);
        TColor rgb = 0;
        ResolveColor(c, rgb);
        p.fillRect(swatch, ToQColor(rgb));
        p.setPen(Qt::black);
        p.setBrush(Qt::NoBrush);
        p.drawRect(swatch.adjusted(0, 0, -1, -1)); // a pen-drawn rect covers one more pixel
    }
    p.setPen(text);
    const QRect textRect(QPoint(r.left() + 30, r.top()), r.bottomRight());
    p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               TTesselColorComboBox::ColorName(index, combo.Language()));
}

TTesselColorComboBox::TTesselColorComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setItemDelegate(new TColorItemDelegate(this));
    for (int i = 0; i < kItemCount; ++i) {
        addItem(ColorName(i, language_));
        setItemData(i, QVariant::fromValue<uint>(Entry(i).Colour), kColorRole);
    }
    setCurrentIndex(0);
    resize(kDefaultWidth, sizeHint().height());
    connect(this, qOverload<int>(&QComboBox::activated), this, &TTesselColorComboBox::UserChoice);
}

void TTesselColorComboBox::SetLanguage(TCLanguage lang) {
    language_ = lang;
    for (int i = 0; i < count(); ++i)
        setItemText(i, ColorName(i, lang));
    setCurrentIndex(currentIndex());
    update();
}

TColor TTesselColorComboBox::TableColor(int index) {
    if (index < 0 || index >= kItemCount) return 0;
    return Entry(index).Colour;
}

QString TTesselColorComboBox::ColorName(int index, TCLanguage lang) {
    if (index < 0 || index >= kItemCount) return QString();
    const frontend::TNamedColour& e = Entry(index);
    switch (lang) {
    case lgDeutsch:
        return QString::fromUtf8(e.Deutsch);
    case lgFrensh:
        return QString::fromUtf8(e.Frensh);
    case lgEnglish:
        break;
    }
    return QString::fromUtf8(e.English);
}

TColor TTesselColorComboBox::ItemColor(int index) const {
    const QVariant v = itemData(index, kColorRole);
    return v.isValid() ? TColor(v.toUInt()) : 0;
}

QString TTesselColorComboBox::ColorToHTML(TColor c) {
    TColor rgb = 0;
    ResolveColor(c, rgb);
    const QString hex = QStringLiteral("%1").arg(rgb, 6, 16, QLatin1Char('0')).toUpper();
    // hex holds BBGGRR: give red, green, blue.
    return QLatin1Char('#') + hex.mid(4, 2) + hex.mid(2, 2) + hex.mid(0, 2);
}

void TTesselColorComboBox::SetColorValue(TColor c) {
    const TColor kept = colorValue_;
    TColor rgb = 0;
    if (!ResolveColor(c, rgb)) {
        colorValue_ = kept;
        return;
    }
    int found = -1;
    for (int i = 0; i < kMoreItem; ++i)
        if (ItemColor(i) == c) found = i; // the last match counts
    if (found >= 0) {
        setCurrentIndex(found);
    } else {
        setItemData(kMoreItem, QVariant::fromValue<uint>(c), kColorRole);
        setCurrentIndex(kMoreItem);
    }
    colorValue_ = c;
    SetHTMLcolor(ColorToHTML(c));
    update();
}

void TTesselColorComboBox::SetHTMLcolor(const QString& text) {
    QString t = text.toUpper().left(kMaxHtmlLength);
    if (t.isEmpty()) t = QStringLiteral("#000000");
    // Blue, green, red: characters 6-7, 4-5 and 2-3 (1-based); absent ones add nothing.
    const QString digits = t.mid(5, 2) + t.mid(3, 2) + t.mid(1, 2);
    for (QChar ch : digits)
        if (!IsHexDigit(ch)) return;
    const TColor value = digits.isEmpty() ? 0 : TColor(digits.toUInt(nullptr, 16));
    if (value != colorValue_) SetColorValue(value);
    htmlColor_ = t;
}

void TTesselColorComboBox::UserChoice(int index) {
    if (index == kMoreItem) {
        TColor rgb = 0;
        ResolveColor(colorValue_, rgb);
        QColor chosen;
        if (Dialogs().ChooseColor(this, ToQColor(rgb), chosen) && chosen.isValid())
            SetColorValue(FromQColor(chosen));
        else
            setCurrentIndex(kMoreItem);
    } else if (index >= 0 && index < kMoreItem) {
        SetColorValue(TableColor(index));
    }
    emit Change();
}

void TTesselColorComboBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    opt.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, opt);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    if (currentIndex() >= 0) DrawColorItem(painter, field, *this, currentIndex(), hasFocus());
}

} // namespace lumeno::ui

// The colour combo box: its table in three languages (the command line takes the German
// names), the colour/HTML-text rules, the user's choices (with the colour dialog scripted) and
// the owner-drawn items.
#include "color_combo.h"
#include "export_options.h"
#include "ui_test_support.h"

#include <QAbstractItemView>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>

namespace lumeno::ui::test {
namespace {

struct TTableRow {
    int Index;
    const char* Deutsch;
    const char* English;
    const char* Frensh;
    const char* Html;
};

const TTableRow kTable[] = {
    {0, "Schwarz", "Black", "Noir", "#000000"},
    {1, "Dunkelrot", "Maroon", "Rouge foncé", "#800000"},
    {2, "Grün", "Green", "Vert", "#008000"},
    {3, "Oliv", "Olive", "Marron clair", "#808000"},
    {4, "Dunkelblau", "Navy", "Bleu foncé", "#000080"},
    {5, "Purpur", "Purple", "Violet", "#800080"},
    {6, "Grünblau", "Teal", "Bleu-vert", "#008080"},
    {7, "Grau", "Gray", "Gris", "#808080"},
    {8, "Silber", "Silver", "Argenté", "#C0C0C0"},
    {9, "Rot", "Red", "Rouge", "#FF0000"},
    {10, "Hellgrün", "Lime", "Vert", "#00FF00"},
    {11, "Gelb", "Yellow", "Jaune", "#FFFF00"},
    {12, "Blau", "Blue", "Bleu", "#0000FF"},
    {13, "Rosa", "Fuchsia", "Fuchsia", "#FF00FF"},
    {14, "Hellblau", "Aqua", "Vert d'eau", "#00FFFF"},
    {15, "Weiß", "White", "Blanc", "#FFFFFF"},
    {16, "Mehr...", "More...", "Autres....", "#FFFFFF"},
};

class ColorComboTest : public ::testing::Test {
  protected:
    void SetUp() override { App(); }
    TScriptedDialogs D;
    TDialogsScope Scope{&D};
    // The application must exist before the widget member is made.
    struct TAppFirst {
        TAppFirst() { App(); }
    } AppFirst;
    TTesselColorComboBox Combo;
};

TEST_F(ColorComboTest, StartsWithSeventeenItemsBlackSelectedInEnglish) {
    EXPECT_EQ(Combo.count(), 17);
    EXPECT_EQ(Combo.currentIndex(), 0);
    EXPECT_EQ(Combo.ColorValue(), 0u);
    EXPECT_EQ(Combo.HTMLcolor(), QStringLiteral("#000000"));
    EXPECT_EQ(Combo.Language(), lgEnglish);
    EXPECT_EQ(Combo.width(), 120);
    EXPECT_EQ(Combo.currentText(), QStringLiteral("Black"));
}

TEST_F(ColorComboTest, TableNamesAndColoursInEveryLanguage) {
    for (const TTableRow& row : kTable) {
        SCOPED_TRACE(row.Index);
        EXPECT_EQ(TTesselColorComboBox::ColorName(row.Index, lgDeutsch),
                  QString::fromUtf8(row.Deutsch));
        EXPECT_EQ(TTesselColorComboBox::ColorName(row.Index, lgEnglish),
                  QString::fromUtf8(row.English));
        EXPECT_EQ(TTesselColorComboBox::ColorName(row.Index, lgFrensh),
                  QString::fromUtf8(row.Frensh));
        EXPECT_EQ(TTesselColorComboBox::ColorToHTML(TTesselColorComboBox::TableColor(row.Index)),
                  QString::fromLatin1(row.Html));
        EXPECT_EQ(Combo.ItemColor(row.Index), TTesselColorComboBox::TableColor(row.Index));
        // lumeno-export --background NAME gives the colour the window lists under NAME.
        // "Mehr..." (16) is no colour.
        const std::optional<uint32_t> listed =
            row.Index < 16 ? std::optional<uint32_t>(TTesselColorComboBox::TableColor(row.Index))
                           : std::nullopt;
        EXPECT_EQ(cli::ParseColour(row.Deutsch), listed);
    }
    Combo.SetLanguage(lgDeutsch);
    EXPECT_EQ(Combo.itemText(15), QString::fromUtf8("Weiß"));
    EXPECT_EQ(Combo.currentText(), QStringLiteral("Schwarz"));
    Combo.SetLanguage(lgFrensh);
    EXPECT_EQ(Combo.itemText(16), QStringLiteral("Autres...."));
}

TEST_F(ColorComboTest, ColorToHtmlWritesRedGreenBlueInUpperCase) {
    EXPECT_EQ(TTesselColorComboBox::ColorToHTML(0x0080FF), QStringLiteral("#FF8000"));
    EXPECT_EQ(TTesselColorComboBox::ColorToHTML(0xABCDEF), QStringLiteral("#EFCDAB"));
    EXPECT_EQ(TTesselColorComboBox::ColorToHTML(0x000001), QStringLiteral("#010000"));
}

TEST_F(ColorComboTest, HtmlColourOutsideTheTableGoesToTheMoreItem) {
    Combo.SetHTMLcolor(QStringLiteral("#ff8000"));
    EXPECT_EQ(Combo.HTMLcolor(), QStringLiteral("#FF8000"));
    EXPECT_EQ(Combo.ColorValue(), 0x0080FFu); // red 255, green 128, blue 0
    EXPECT_EQ(Combo.currentIndex(), 16);
    EXPECT_EQ(Combo.ItemColor(16), 0x0080FFu);
}

TEST_F(ColorComboTest, TableColourSelectsItsItem) {
    Combo.SetLanguage(lgDeutsch);
    Combo.SetColorValue(0x0000FF); // pure red
    EXPECT_EQ(Combo.currentIndex(), 9);
    EXPECT_EQ(Combo.currentText(), QStringLiteral("Rot"));
    EXPECT_EQ(Combo.HTMLcolor(), QStringLiteral("#FF0000"));
}

TEST_F(ColorComboTest, WhiteSelectsItemFifteenNeverTheMoreItem) {
    Combo.SetColorValue(0xFFFFFF);
    EXPECT_EQ(Combo.currentIndex(), 15);
    Combo.SetColorValue(0x123456);
    EXPECT_EQ(Combo.currentIndex(), 16);
    Combo.SetHTMLcolor(QStringLiteral("#ffffff"));
    EXPECT_EQ(Combo.currentIndex(), 15);
    EXPECT_EQ(Combo.ItemColor(16), 0x123456u)
        << "the more item keeps the last colour not in the table";
}

TEST_F(ColorComboTest, NonHexadecimalTextChangesNothing) {
    Combo.SetHTMLcolor(QStringLiteral("#00FF00"));
    for (const char* bad : {"#GG0000", "#00G000", "#0000G0", "#00000G", "# 00000", "#-10000"}) {
        SCOPED_TRACE(bad);
        Combo.SetHTMLcolor(QString::fromLatin1(bad));
        EXPECT_EQ(Combo.HTMLcolor(), QStringLiteral("#00FF00"));
        EXPECT_EQ(Combo.ColorValue(), 0x00FF00u);
        EXPECT_EQ(Combo.currentIndex(), 10);
    }
}

TEST_F(ColorComboTest, HtmlTextEdgeCases) {
    // The first character is not examined.
    Combo.SetHTMLcolor(QStringLiteral("x0000ff"));
    EXPECT_EQ(Combo.HTMLcolor(), QStringLiteral("X0000FF"));
    EXPECT_EQ(Combo.currentIndex(), 12);
    // Missing characters contribute nothing: "#F" reads as red 15.
    Combo.SetHTMLcolor(QStringLiteral("#F"));
    EXPECT_EQ(Combo.ColorValue(), 0x00000Fu);
    EXPECT_EQ(Combo.HTMLcolor(), QStringLiteral("#F"));
    // "#1234" has no blue pair: green 0x34, red 0x12.
    Combo.SetHTMLcolor(QStringLiteral("#1234"));
    EXPECT_EQ(Combo.ColorValue(), 0x003412u);
    // Empty text means black.
    Combo.SetHTMLcolor(QString());
    EXPECT_EQ(Combo.HTMLcolor(), QStringLiteral("#000000"));
    EXPECT_EQ(Combo.currentIndex(), 0);
    // Characters after the seventh are kept but not read; the text is at most 255 long.
    Combo.SetHTMLcolor(QStringLiteral("#800000zz"));
    EXPECT_EQ(Combo.currentIndex(), 1);
    EXPECT_EQ(Combo.HTMLcolor(), QStringLiteral("#800000ZZ"));
    Combo.SetHTMLcolor(QStringLiteral("#008000") + QString(300, QLatin1Char('a')));
    EXPECT_EQ(Combo.HTMLcolor().size(), 255);
    EXPECT_EQ(Combo.currentIndex(), 2);
}

TEST_F(ColorComboTest, SystemColourBecomesItsRgbValue) {
    const TColor buttonFace = 0x8000000F;
    const QColor q = QApplication::palette().color(QPalette::Active, QPalette::Button);
    const TColor rgb = TColor(q.red()) | TColor(q.green()) << 8 | TColor(q.blue()) << 16;
    Combo.SetColorValue(buttonFace);
    EXPECT_EQ(Combo.ColorValue(), rgb);
    EXPECT_EQ(Combo.HTMLcolor(), TTesselColorComboBox::ColorToHTML(rgb));
    // An unknown system colour leaves everything as it was.
    Combo.SetColorValue(0x0000FF);
    Combo.SetColorValue(0x800000FE);
    EXPECT_EQ(Combo.ColorValue(), 0x0000FFu);
    EXPECT_EQ(Combo.currentIndex(), 9);
}

TEST_F(ColorComboTest, SettingValuesFiresNoChange) {
    QSignalSpy spy(&Combo, &TTesselColorComboBox::Change);
    Combo.SetColorValue(0x0000FF);
    Combo.SetHTMLcolor(QStringLiteral("#123456"));
    EXPECT_EQ(spy.count(), 0);
}

TEST_F(ColorComboTest, UserChoosesTableItem) {
    QSignalSpy spy(&Combo, &TTesselColorComboBox::Change);
    Combo.setCurrentIndex(11);
    emit Combo.activated(11);
    EXPECT_EQ(Combo.ColorValue(), 0x00FFFFu);
    EXPECT_EQ(Combo.HTMLcolor(), QStringLiteral("#FFFF00"));
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(D.ColorQuestions, 0);
}

TEST_F(ColorComboTest, MoreItemAsksTheColourDialog) {
    QSignalSpy spy(&Combo, &TTesselColorComboBox::Change);
    Combo.SetColorValue(0x0000FF);
    D.ColorAnswers.push_back(QColor(10, 20, 30));
    Combo.setCurrentIndex(16);
    emit Combo.activated(16);
    EXPECT_EQ(D.ColorQuestions, 1);
    EXPECT_EQ(Combo.ColorValue(), 0x1E140Au);
    EXPECT_EQ(Combo.HTMLcolor(), QStringLiteral("#0A141E"));
    EXPECT_EQ(Combo.currentIndex(), 16);
    EXPECT_EQ(spy.count(), 1);

    // A colour from the table chosen in the dialog selects its item.
    D.ColorAnswers.push_back(QColor(0, 0, 255));
    emit Combo.activated(16);
    EXPECT_EQ(Combo.currentIndex(), 12);
}

TEST_F(ColorComboTest, CancelledColourDialogKeepsColourAndMoreItem) {
    Combo.SetColorValue(0x0000FF);
    QSignalSpy spy(&Combo, &TTesselColorComboBox::Change);
    D.ColorAnswers.push_back(QColor()); // cancelled
    Combo.setCurrentIndex(16);
    emit Combo.activated(16);
    EXPECT_EQ(Combo.ColorValue(), 0x0000FFu);
    EXPECT_EQ(Combo.HTMLcolor(), QStringLiteral("#FF0000"));
    EXPECT_EQ(Combo.currentIndex(), 16);
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(ColorComboTest, ItemDrawsSwatchFrameAndName) {
    Combo.SetHTMLcolor(QStringLiteral("#FF8000"));
    QImage img(120, 16, QImage::Format_RGB32);
    img.fill(Qt::white);
    for (int index : {9, 16}) {
        SCOPED_TRACE(index);
        {
            QPainter p(&img);
            DrawColorItem(p, img.rect(), Combo, index, false);
        }
        const QColor expected = index == 9 ? QColor(255, 0, 0) : QColor(255, 128, 0);
        EXPECT_EQ(img.pixelColor(12, 8), expected) << "swatch inside";
        EXPECT_EQ(img.pixelColor(4, 8), QColor(Qt::black)) << "frame left";
        EXPECT_EQ(img.pixelColor(23, 8), QColor(Qt::black)) << "frame right at x = 23";
        EXPECT_EQ(img.pixelColor(12, 1), QColor(Qt::black)) << "frame top";
        EXPECT_NE(img.pixelColor(12, 0), QColor(Qt::black)) << "one pixel above the swatch";
        EXPECT_NE(img.pixelColor(26, 8), QColor(Qt::black)) << "gap before the name";
        int dark = 0;
        for (int x = 30; x < 120; ++x)
            for (int y = 0; y < 16; ++y)
                dark += img.pixelColor(x, y).lightness() < 128;
        EXPECT_GT(dark, 10) << "the name is drawn from x = 30";
    }
}

TEST_F(ColorComboTest, Screenshot) {
    Combo.SetLanguage(lgDeutsch);
    Combo.SetHTMLcolor(QStringLiteral("#FF8000"));
    Combo.resize(120, 22);
    Combo.show();
    Combo.showPopup();
    QApplication::processEvents();
    const QImage closed = Combo.grab().toImage();
    EXPECT_EQ(closed.pixelColor(12, 11), QColor(255, 128, 0)) << "the chosen colour's swatch";
    const QPixmap list = Combo.view()->grab();
    Combo.hidePopup();
    const QString out = qEnvironmentVariable("LUMENO_SCREENSHOT_DIR");
    if (!out.isEmpty()) {
        QDir().mkpath(out);
        EXPECT_TRUE(closed.save(QDir(out).filePath(QStringLiteral("color_combo.png"))));
        EXPECT_TRUE(list.save(QDir(out).filePath(QStringLiteral("color_combo_list.png"))));
    }
}

} // namespace
} // namespace lumeno::ui::test

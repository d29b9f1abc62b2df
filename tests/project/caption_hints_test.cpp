// Settings that hide the captions: each one named, the edges of the ranges still fine.
#include "lumeno/project/caption_hints.h"

#include <gtest/gtest.h>

namespace lumeno {
namespace {

TEST(CaptionHints, EachInvisibleSettingIsNamedAndTheEdgesAreFine) {
    using H = TCaptionHint;
    const TShowSettings defaults;
    struct TCase {
        const char* Name;
        void (*Change)(TShowSettings&);
        std::vector<H> Hints;
    } cases[] = {
        {"defaults", [](TShowSettings&) {}, {}},
        {"edges", [](TShowSettings& s) { s.TextX = 0, s.TextY = 100, s.FontSize = 1; }, {}},
        {"other edges", [](TShowSettings& s) { s.TextX = 100, s.TextY = 0; }, {}},
        {"font 0", [](TShowSettings& s) { s.FontSize = 0; }, {H::NoFontSize}},
        {"font negative", [](TShowSettings& s) { s.FontSize = -5; }, {H::NoFontSize}},
        {"x -20", [](TShowSettings& s) { s.TextX = -20; }, {H::OutsideHorizontal}},
        {"y 150", [](TShowSettings& s) { s.TextY = 150; }, {H::OutsideVertical}},
        {"text like background, outline differs",
         [](TShowSettings& s) { s.TextColor = s.BackColor; },
         {}},
        {"text and outline like background",
         [](TShowSettings& s) { s.TextColor = s.OutlineColor = s.BackColor; },
         {H::TextLikeBackground}},
        {"all",
         [](TShowSettings& s) {
             s.FontSize = 0, s.TextX = 101, s.TextY = -1;
             s.TextColor = s.OutlineColor = s.BackColor;
         },
         {H::NoFontSize, H::OutsideHorizontal, H::OutsideVertical, H::TextLikeBackground}},
    };
    for (const TCase& c : cases) {
        TShowSettings s = defaults;
        c.Change(s);
        EXPECT_EQ(CaptionHints(s), c.Hints) << c.Name;
    }
}

} // namespace
} // namespace lumeno

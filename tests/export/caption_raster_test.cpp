// Captions drawn into video frames: where the page's layout puts them, in the text and
// outline colours, in any script.
#include "lumeno/export/caption_raster.h"
#include "lumeno/export/caption_text.h"

#include <gtest/gtest.h>
#include <thread>

using namespace lumeno;

namespace {

struct TPixelCounts {
    int Text = 0;    // opaque, the text colour
    int Outline = 0; // opaque, the outline colour
    int Partial = 0; // anti-aliased edge pixels
};

TPixelCounts CountPixels(const TCaptionOverlay& o, const uint8_t text[3],
                         const uint8_t outline[3]) {
    TPixelCounts c;
    auto near = [](const uint8_t* p, const uint8_t* rgb) {
        for (int k = 0; k < 3; ++k)
            if (std::abs(p[k] - rgb[k]) > 8) return false;
        return true;
    };
    for (size_t i = 0; i + 3 < o.Rgba.size(); i += 4) {
        const uint8_t* p = &o.Rgba[i];
        if (p[3] == 255 && near(p, text)) ++c.Text;
        if (p[3] == 255 && near(p, outline)) ++c.Outline;
        if (p[3] > 0 && p[3] < 255) ++c.Partial;
    }
    return c;
}

TEST(CaptionOverlay, DrawnWhereThePageLaysItOutInTextAndOutlineColours) {
    TShowSettings s;
    s.TextColor = 0x0000FF;    // red
    s.OutlineColor = 0xFF0000; // blue
    s.FontSize = 60;
    s.TextX = 10;
    s.TextY = 50;
    const uint8_t red[3] = {255, 0, 0}, blue[3] = {0, 0, 255};
    // A 4:3 photo drawn 960 x 720: 1.2121 pixels a point on its 792 x 594 page.
    const std::string caption = "Hallo Welt";
    const TCaptionOverlay o = RenderCaptionOverlay(caption, 4000, 3000, 960, 720, s);
    ASSERT_GT(o.Width, 0);
    ASSERT_EQ(o.Rgba.size(), static_cast<size_t>(o.Width) * o.Height * 4);
    EXPECT_GE(o.X, 0);
    EXPECT_GE(o.Y, 0);
    EXPECT_LE(o.X + o.Width, 960);
    EXPECT_LE(o.Y + o.Height, 720);

    TCaptionFonts fonts(false);
    const TCaptionLayout layout = LayoutCaption(caption, {792, 594}, s, fonts);
    const double perPoint = 960.0 / 792;
    const double left = layout.X * perPoint, baseline = layout.Y * perPoint;
    const double width = layout.Lines[0].Width * perPoint, size = layout.Size * perPoint;
    EXPECT_NEAR(o.X, left, 0.1 * size) << "the first letter starts at the layout's x";
    EXPECT_NEAR(o.X + o.Width, left + width, 0.1 * size) << "as wide as the line";
    EXPECT_NEAR(o.Y, baseline - 0.72 * size, 0.06 * size) << "cap height above the baseline";
    EXPECT_NEAR(o.Y + o.Height, baseline, 0.05 * size) << "no descender in \"Hallo Welt\"";

    const TPixelCounts c = CountPixels(o, red, blue);
    EXPECT_GT(c.Text, 200) << "filled in the text colour";
    EXPECT_GT(c.Outline, 50) << "outlined in the outline colour";
    EXPECT_GT(c.Partial, 50) << "anti-aliased";

    // Twice the rectangle: the same caption at twice the size.
    const TCaptionOverlay big = RenderCaptionOverlay(caption, 4000, 3000, 1920, 1440, s);
    EXPECT_NEAR(big.Width, 2 * o.Width, 3);
    EXPECT_NEAR(big.X, 2 * o.X, 3);
    EXPECT_NEAR(big.Y, 2 * o.Y, 3);
}

TEST(CaptionOverlay, NothingToDrawGivesAnEmptyOverlay) {
    TShowSettings s;
    EXPECT_EQ(RenderCaptionOverlay("", 800, 600, 800, 600, s).Width, 0);
    EXPECT_EQ(RenderCaptionOverlay(" \r\n\t", 800, 600, 800, 600, s).Width, 0);
    EXPECT_TRUE(RenderCaptionOverlay("Rom", 800, 600, 0, 0, s).Rgba.empty());
    s.FontSize = 0;
    EXPECT_EQ(RenderCaptionOverlay("Rom", 800, 600, 800, 600, s).Width, 0);
    // A caption placed below the photo is cut by its rectangle, not drawn outside it.
    s.FontSize = 40;
    s.TextX = 150;
    s.TextY = 300;
    const TCaptionOverlay o = RenderCaptionOverlay("Rom", 800, 600, 800, 600, s);
    EXPECT_LE(o.X + o.Width, 800);
    EXPECT_LE(o.Y + o.Height, 600);
    // A letter far larger than the frame, moved up until its top shows: cut to the rectangle.
    s.FontSize = 5000;
    s.TextX = 0;
    s.TextY = 100;
    const TCaptionOverlay giant = RenderCaptionOverlay("W", 1600, 900, 3840, 2160, s);
    EXPECT_GT(giant.Width, 0);
    EXPECT_LE(giant.X + giant.Width, 3840);
    EXPECT_LE(giant.Y + giant.Height, 2160);
}

TEST(CaptionOverlay, AnyScriptDrawsWithTheInstalledFonts) {
    TShowSettings s;
    s.TextColor = 0x00FF00;
    s.OutlineColor = 0x000000;
    const uint8_t green[3] = {0, 255, 0}, black[3] = {0, 0, 0};
    // Greek and Hebrew, as the caption editor stores them.
    const std::string caption = "&#913;&#952;&#942;&#957;&#945; &#1513;&#1500;&#1493;&#1501;";
    const TCaptionOverlay o = RenderCaptionOverlay(caption, 1920, 1080, 1920, 1080, s);
    ASSERT_GT(o.Width, 0);
    const TPixelCounts c = CountPixels(o, green, black);
    EXPECT_GT(c.Text, 100);
    EXPECT_GT(c.Outline, 50);
    // Wider than the Latin "Athina" in the same place: all ten letters are drawn.
    const TCaptionOverlay latin = RenderCaptionOverlay("Athina", 1920, 1080, 1920, 1080, s);
    EXPECT_GT(o.Width, latin.Width * 3 / 2);
    // In a show where another caption needs them, a Latin caption takes the installed fonts
    // too, as its page does: laid out with their widths, not Helvetica's.
    const TCaptionOverlay mixed = RenderCaptionOverlay("Athina", 1920, 1080, 1920, 1080, s, true);
    TCaptionFonts fonts(true);
    const TCaptionLayout layout = LayoutCaption("Athina", {792, 446}, s, fonts);
    ASSERT_EQ(layout.Lines.size(), 1u);
    EXPECT_NEAR(mixed.Width, layout.Lines[0].Width * 1920 / 792, 0.1 * layout.Size * 1920 / 792);
    EXPECT_NE(mixed.Width, latin.Width);
}

// Video frames are made on worker threads: the same caption gives the same pixels on each.
TEST(CaptionOverlay, SameOverlayFromSeveralThreadsAtOnce) {
    const TShowSettings s;
    const std::string captions[2] = {"Strand am Meer", "&#1513;&#1500;&#1493;&#1501; Tag"};
    TCaptionOverlay alone[2];
    for (int k = 0; k < 2; ++k)
        alone[k] = RenderCaptionOverlay(captions[k], 3000, 2000, 1620, 1080, s);
    std::vector<TCaptionOverlay> got(4);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 5; ++i)
                got[t] = RenderCaptionOverlay(captions[t % 2], 3000, 2000, 1620, 1080, s);
        });
    for (std::thread& t : threads)
        t.join();
    for (int t = 0; t < 4; ++t) {
        EXPECT_EQ(got[t].X, alone[t % 2].X);
        EXPECT_TRUE(got[t].Rgba == alone[t % 2].Rgba) << "thread " << t;
    }
}

} // namespace

// The strip's thumbnails made on the workers: each finds its own photo after the show was
// reordered, a deleted photo's is dropped, and scrolling away drops the queued loads.
#include "event_counts.h"
#include "ui_test_support.h"

#include "lumeno/bitmap/dib_ops.h"
#include "thumbnail_loader.h"

#include <QScrollArea>
#include <QScrollBar>

#include <chrono>
#include <thread>

namespace lumeno::ui::test {
namespace {

QSize ThumbOf(const TFotoRecord& r) {
    if (r.Thumb.empty()) return {};
    return QSize(DibWidth(*r.Thumb.get()), DibHeight(*r.Thumb.get()));
}

TEST_F(MainFormTest, ThumbnailsFindTheirPhotosAfterReorderAndDelete) {
    Form->Strip().Loader().SetPaused(true);
    AddPhotos({MakeImage("quer.png", 800, 600, Qt::red), MakeImage("hoch.png", 600, 800, Qt::green),
               MakeImage("weg.png", 100, 100, Qt::blue)});
    QApplication::processEvents(); // the strip asks for the three
    Form->Strip().Loader().SetPaused(false);
    // All three are made, but none has reached the window thread yet.
    for (int i = 0; i < 2000 && Form->Strip().Loader().Loads() < 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(Form->Strip().Loader().Loads(), 3);
    TSlideShow& show = Form->Show();
    show.CurFoto = 1;
    ASSERT_TRUE(show.MoveBack()); // green, red, blue
    show.CurFoto = 3;
    ASSERT_TRUE(show.DeleteCurrent()); // green, red
    Form->PaintBox1Paint();
    FillThumbnailsNow(*Form);
    EXPECT_EQ(counts::Of(Form->Strip(), counts::kThumbnailLoads), 3);
    ASSERT_EQ(show.Count(), 2);
    EXPECT_EQ(ThumbOf(show.Fotos[0]), QSize(60, 80));
    EXPECT_EQ(getpixel(show.Fotos[0].Thumb.get(), 30, 40), 0x00FF00u);
    EXPECT_EQ(ThumbOf(show.Fotos[1]), QSize(80, 60));
    EXPECT_EQ(getpixel(show.Fotos[1].Thumb.get(), 40, 30), 0xFF0000u);
    // Clearing the show while loads run leaves nothing behind.
    Form->Strip().Loader().SetPaused(true);
    AddPhotos({MakeImage("noch.png", 50, 50)});
    QApplication::processEvents();
    show.FreeAllPics();
    Form->PaintBox1Paint();
    Form->Strip().Loader().SetPaused(false);
    FillThumbnailsNow(*Form);
    EXPECT_EQ(show.Count(), 0);
}

TEST_F(MainFormTest, ScrollingAwayDropsTheQueuedLoads) {
    const QString file = MakeImage("klein.png", 120, 90);
    QStringList many;
    for (int i = 0; i < 300; ++i)
        many << file;
    Form->Strip().Loader().SetPaused(true);
    AddPhotos(many);
    QApplication::processEvents(); // the top rows are asked for
    Form->Show().CurFoto = 300;
    Form->Strip().ScrollImageInView();
    QApplication::processEvents(); // the bottom rows replace them
    Form->Strip().Loader().SetPaused(false);
    FillThumbnailsNow(*Form);
    int made = 0;
    for (const TFotoRecord& r : Form->Show().Fotos)
        made += r.Thumb.empty() ? 0 : 1;
    EXPECT_TRUE(Form->Show().Fotos[0].Thumb.empty());
    EXPECT_FALSE(Form->Show().Fotos[299].Thumb.empty());
    EXPECT_EQ(made, counts::Of(Form->Strip(), counts::kThumbnailLoads));
    EXPECT_LT(made, 150);
}

} // namespace
} // namespace lumeno::ui::test

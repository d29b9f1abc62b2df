// The photo strip: its geometry, the drawn cells (checked pixel by pixel on a grab of the
// window), thumbnails made only for visible rows, keys, clicks, the wheel and the viewer.
#include "event_counts.h"
#include "ui_test_support.h"

#include "lumeno/bitmap/dib_ops.h"
#include "photo_strip.h"
#include "status_bar.h"
#include "thumbnail_cache.h"
#include "view_pic_form.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

namespace lumeno::ui::test {
namespace {

TEST(PhotoStripGeometry, ColumnsHeightsAndThumbnailPlaces) {
    EXPECT_EQ(strip::Cols(0), 1);
    EXPECT_EQ(strip::Cols(89), 1);
    EXPECT_EQ(strip::Cols(360), 4);
    EXPECT_EQ(strip::Height(8, 4), 330); // three rows, the last one empty
    EXPECT_EQ(strip::Height(0, 4), 110);
    EXPECT_EQ(strip::Height(7, 4), 220);
    EXPECT_EQ(strip::FrameRect(5, 4), QRect(QPoint(92, 112), QPoint(178, 218)));
    struct Case {
        int W, H;
        QRect Expected;
    } cases[] = {
        {800, 600, QRect(5, 15, 80, 60)}, {600, 800, QRect(15, 5, 60, 80)},
        {40, 40, QRect(5, 5, 80, 80)},    {8000, 10, QRect(5, 44, 80, 1)},
        {10, 8000, QRect(44, 5, 1, 80)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(strip::ThumbRect(strip::ThumbSize(c.W, c.H)), c.Expected) << c.W << "x" << c.H;
    EXPECT_TRUE(strip::RowVisible(0, 0, 100));
    EXPECT_TRUE(strip::RowVisible(1, 0, 110)); // its top line is the last visible one
    EXPECT_FALSE(strip::RowVisible(1, 0, 109));
    EXPECT_FALSE(strip::RowVisible(0, 111, 100));
}

class PhotoStripTest : public MainFormTest {
  protected:
    // The strip's pixels as the window shows them, after thumbnails were made.
    QImage StripPixels() {
        QApplication::processEvents();
        FillThumbnailsNow(*Form);
        const QImage whole = Form->grab().toImage();
        const QPoint o = Form->Controls().PaintBox1->mapTo(Form.get(), QPoint(0, 0));
        const QRect visible = Form->Controls().ScrollBox1->viewport()->rect();
        return whole.copy(
            QRect(o + QPoint(0, Form->Controls().ScrollBox1->verticalScrollBar()->value()),
                  visible.size()));
    }
    // The scroll area's client width decides the columns. The window cannot become that
    // narrow, so the scroll area itself is resized (twice: the scroll bar may come or go).
    void SetStripWidth(int w) {
        for (int i = 0; i < 2; ++i) {
            const int extra = Form->Controls().ScrollBox1->width() -
                              Form->Controls().ScrollBox1->viewport()->width();
            Form->Controls().ScrollBox1->resize(w + extra, Form->Controls().ScrollBox1->height());
            QApplication::processEvents();
        }
        ASSERT_EQ(Form->Controls().ScrollBox1->viewport()->width(), w);
    }
};

TEST_F(PhotoStripTest, CellsShowFrameFillAndCentredThumbnail) {
    const QColor red(200, 60, 30), green(40, 160, 60);
    AddPhotos({MakeImage("quer.png", 800, 600, red), MakeImage("hoch.png", 600, 800, green)});
    Form->Show().CurFoto = 2;
    Form->PaintBox1Paint();
    const QImage px = StripPixels();
    ASSERT_EQ(Form->Show().Fotos[0].Thumb.get()->Info->biWidth, 80);
    ASSERT_EQ(Form->Show().Fotos[0].Thumb.get()->Info->biHeight, 60);
    struct Probe {
        QPoint At;
        QColor Expected;
    } probes[] = {
        {{5, 15}, red},
        {{84, 74}, red},
        {{5, 14}, QColor(192, 192, 192)},
        {{5, 75}, QColor(192, 192, 192)},
        {{2, 2}, Qt::white},
        {{88, 108}, QColor(128, 128, 128)},
        {{90 + 15, 5}, green},
        {{90 + 14, 5}, QColor(0, 0, 255)},
        {{90 + 74, 84}, green},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(px.pixelColor(p.At), p.Expected) << "at " << p.At.x() << "," << p.At.y();
    EXPECT_EQ(Form->Controls().StatusBar1->PanelText(), QStringLiteral("Thumbnail: 2 von 2"));
}

// A file that gives no picture shows a broken sheet with a red cross (never a black picture
// that looks like a dark photo) and names the reason in its tooltip.
TEST_F(PhotoStripTest, UnreadableFileIsNamedAndTriedAgain) {
    auto write = [&](const char* name, const QByteArray& bytes) {
        QFile f(Dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    };
    AddPhotos({Dir.path() + "/fehlt.jpg", write("leer.jpg", {}),
               write("text.jpg", "Nur ein Text, kein Foto.\n"),
               write("kaputt.png", QByteArray("\x89PNG\r\n\x1A\n\0\0", 10))});
    SetStripWidth(4 * 90 + 20);
    const QImage px = StripPixels();
    const char* reasons[] = {"Die Datei wurde nicht gefunden.", "Die Datei ist leer.",
                             "Die Datei ist kein Bild oder hat ein unbekanntes Format.",
                             "Das Bild ist beschädigt."};
    for (int i = 0; i < 4; ++i) {
        const QColor cross = px.pixelColor(90 * i + 45, 48);
        EXPECT_TRUE(cross.red() > 150 && cross.green() < 80) << i << " red cross";
        EXPECT_NE(px.pixelColor(90 * i + 40, 40), QColor(Qt::black)) << i;
        EXPECT_EQ(Form->Strip().ToolTipAt(QPoint(90 * i + 45, 50)), QString::fromUtf8(reasons[i]));
    }
    EXPECT_TRUE(Form->Strip().ToolTipAt(QPoint(4 * 90 + 45, 50)).isEmpty()) << "no cell";
    EXPECT_TRUE(Form->Show().Fotos[0].Thumb.empty());
    const int loads = counts::Of(Form->Strip(), counts::kThumbnailLoads);
    Form->PaintBox1Paint();
    StripPixels();
    EXPECT_EQ(counts::Of(Form->Strip(), counts::kThumbnailLoads), loads + 4);
    // Once the file exists, the next repaint makes its thumbnail.
    MakeImage("fehlt.jpg", 100, 50);
    Form->PaintBox1Paint();
    StripPixels();
    EXPECT_FALSE(Form->Show().Fotos[0].Thumb.empty());
}

TEST_F(PhotoStripTest, StripHeightFollowsCountAndColumns) {
    QStringList eight;
    for (int i = 0; i < 8; ++i)
        eight << Dir.path() + QStringLiteral("/f%1.jpg").arg(i);
    AddPhotos(eight);
    SetStripWidth(4 * 90 + 20);
    EXPECT_EQ(Form->Strip().Cols(), 4);
    EXPECT_EQ(Form->Controls().PaintBox1->height(), 330);
}

TEST_F(PhotoStripTest, ArrowKeysMoveByOneOrByARow) {
    QStringList seven;
    for (int i = 0; i < 7; ++i)
        seven << Dir.path() + QStringLiteral("/f%1.jpg").arg(i);
    AddPhotos(seven);
    SetStripWidth(3 * 90 + 5);
    for (int i = 0; i < 7; ++i)
        Form->Show().Fotos[i].Text = std::to_string(i + 1);
    Form->Controls().KeyEdit->setFocus();
    struct Step {
        Qt::Key Key;
        int Expected;
    } steps[] = {{Qt::Key_Left, 1}, {Qt::Key_Up, 1},   {Qt::Key_Down, 4},
                 {Qt::Key_Down, 7}, {Qt::Key_Down, 7}, {Qt::Key_Right, 7},
                 {Qt::Key_Up, 4},   {Qt::Key_Left, 3}, {Qt::Key_Right, 4}};
    for (const Step& s : steps) {
        QTest::keyClick(Form->Controls().KeyEdit, s.Key);
        EXPECT_EQ(Form->Show().CurFoto, s.Expected) << s.Key;
    }
    EXPECT_EQ(Form->Controls().Memo1->toPlainText(), QStringLiteral("4"));
}

TEST_F(PhotoStripTest, NarrowStripHasOneColumnAndUpDownMoveByOne) {
    AddPhotos({Dir.path() + "/a.jpg", Dir.path() + "/b.jpg", Dir.path() + "/c.jpg"});
    SetStripWidth(80);
    EXPECT_EQ(Form->Strip().Cols(), 1);
    EXPECT_EQ(Form->Controls().PaintBox1->height(), 440);
    Form->Controls().KeyEdit->setFocus();
    QTest::keyClick(Form->Controls().KeyEdit, Qt::Key_Down);
    EXPECT_EQ(Form->Show().CurFoto, 2);
    QTest::keyClick(Form->Controls().KeyEdit, Qt::Key_Up);
    EXPECT_EQ(Form->Show().CurFoto, 1);
}

TEST_F(PhotoStripTest, ArrowsScrollTheCurrentPhotoIntoView) {
    QStringList many;
    for (int i = 0; i < 20; ++i)
        many << Dir.path() + QStringLiteral("/f%1.jpg").arg(i);
    AddPhotos(many);
    SetStripWidth(90);
    QScrollBar* bar = Form->Controls().ScrollBox1->verticalScrollBar();
    const int clientH = Form->Controls().ScrollBox1->viewport()->height();
    Form->Controls().KeyEdit->setFocus();
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(Form->Controls().KeyEdit, Qt::Key_Down);
    // Photo 6 (row 5): its frame bottom 5 * 110 + 108 is the last visible line.
    EXPECT_EQ(bar->value(), 5 * 110 + 108 - clientH + 1);
    bar->setValue(bar->maximum());
    QTest::keyClick(Form->Controls().KeyEdit,
                    Qt::Key_Left); // photo 5: its frame top comes to the top
    EXPECT_EQ(bar->value(), 4 * 110 + 2);
}

TEST_F(PhotoStripTest, ClickSelectsAndTakesTheFocusOutsideCellsNothingElse) {
    AddPhotos({Dir.path() + "/a.jpg", Dir.path() + "/b.jpg", Dir.path() + "/c.jpg"});
    SetStripWidth(4 * 90);
    Form->Show().Fotos[2].Text = "drei";
    QTest::mouseClick(Form->Controls().PaintBox1, Qt::LeftButton, {},
                      QPoint(180 + 88, 108)); // hit edge
    EXPECT_EQ(Form->Show().CurFoto, 3);
    EXPECT_EQ(Form->Controls().Memo1->toPlainText(), QStringLiteral("drei"));
    EXPECT_TRUE(Form->Controls().KeyEdit->hasFocus());
    QTest::mouseClick(Form->Controls().PaintBox1, Qt::RightButton, {},
                      QPoint(90 + 1, 50)); // on the gap
    EXPECT_EQ(Form->Show().CurFoto, 3);
    QTest::mouseClick(Form->Controls().PaintBox1, Qt::RightButton, {},
                      QPoint(300, 20)); // empty part
    EXPECT_EQ(Form->Show().CurFoto, 3);
}

TEST_F(PhotoStripTest, DoubleClickAndEnterOpenTheViewerOrReportTheFile) {
    const QString good = MakeImage("gut.png", 64, 48);
    AddPhotos({good, Dir.path() + "/kaputt.jpg"});
    QStringList shown;
    QSize shownSize;
    Form->ShowViewer = [&](TDib& image, const QString& name) {
        shown << name;
        shownSize = QSize(DibWidth(image), DibHeight(image));
    };
    // A double-click on an empty part opens the photo that was already current.
    QTest::mouseDClick(Form->Controls().PaintBox1, Qt::LeftButton, {}, QPoint(350, 100));
    ASSERT_EQ(shown, QStringList{good});
    EXPECT_EQ(shownSize, QSize(64, 48));
    Form->Show().CurFoto = 2;
    Form->Controls().KeyEdit->setFocus();
    QTest::keyClick(Form->Controls().KeyEdit, Qt::Key_Return);
    EXPECT_EQ(shown.size(), 1);
    ASSERT_EQ(D.Messages.size(), 1u);
    EXPECT_EQ(D.Messages[0].Text, QStringLiteral("Konnte die Bilddatei nicht öffnen!"));
    EXPECT_EQ(D.Messages[0].Title, QStringLiteral("Fehler"));
    EXPECT_EQ(D.Messages[0].Icon, TMsgIcon::Error);
}

TEST_F(PhotoStripTest, WheelScrollsTwentyPixelsOnlyOnThePhotosPage) {
    QStringList many;
    for (int i = 0; i < 10; ++i)
        many << Dir.path() + QStringLiteral("/f%1.jpg").arg(i);
    AddPhotos(many);
    SetStripWidth(90);
    QScrollBar* bar = Form->Controls().ScrollBox1->verticalScrollBar();
    auto wheel = [&](int delta) {
        QWheelEvent e(QPointF(20, 20), Form->Controls().PaintBox1->mapToGlobal(QPointF(20, 20)),
                      QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
        QApplication::sendEvent(Form->Controls().PaintBox1, &e);
    };
    wheel(-120);
    EXPECT_EQ(bar->value(), 20);
    wheel(-240);
    EXPECT_EQ(bar->value(), 60);
    wheel(120);
    EXPECT_EQ(bar->value(), 40);
    Form->Controls().PageControl2->setCurrentWidget(Form->Controls().TabSheet3);
    Form->Strip().WheelDown();
    EXPECT_EQ(bar->value(), 40);
}

// With 10,000 photos only the visible rows get thumbnails, however often the strip paints.
constexpr int kMany = 10000;
TEST_F(PhotoStripTest, TenThousandPhotosLoadOnlyTheVisibleRows) {
    const QString file = MakeImage("klein.png", 120, 90);
    QStringList many;
    for (int i = 0; i < kMany; ++i)
        many << file;
    AddPhotos(many);
    const int cols = Form->Strip().Cols();
    const int clientH = Form->Controls().ScrollBox1->viewport()->height();
    auto visibleCells = [&](int scrollPos) {
        int n = 0;
        for (int row = 0; row * 110 <= scrollPos + clientH; ++row)
            if (strip::RowVisible(row, scrollPos, clientH)) n += cols;
        return n;
    };
    StripPixels();
    StripPixels();
    EXPECT_EQ(counts::Of(Form->Strip(), counts::kThumbnailLoads), visibleCells(0));
    int withThumb = 0;
    for (const TFotoRecord& r : Form->Show().Fotos)
        withThumb += r.Thumb.empty() ? 0 : 1;
    EXPECT_EQ(withThumb, visibleCells(0));
    // Jumping to the end loads the rows there only.
    const int before = counts::Of(Form->Strip(), counts::kThumbnailLoads);
    Form->Show().CurFoto = kMany;
    Form->Strip().ScrollImageInView();
    Form->PaintBox1Paint();
    StripPixels();
    const int pos = Form->Controls().ScrollBox1->verticalScrollBar()->value();
    int expected = 0;
    for (int row = pos / 110 - 1; row * 110 <= pos + clientH; ++row)
        if (row >= 0 && strip::RowVisible(row, pos, clientH))
            expected += std::min(cols, kMany - row * cols);
    EXPECT_GT(expected, 0);
    EXPECT_EQ(counts::Of(Form->Strip(), counts::kThumbnailLoads) - before, std::max(0, expected));
}

} // namespace
} // namespace lumeno::ui::test

namespace lumeno::ui::test {
namespace {

// The real viewer: shown modally with the picture and its file name, and given back empty.
TEST_F(PhotoStripTest, EnterShowsThePictureViewerAndTakesThePictureBack) {
    const QString file = MakeImage("ansicht.png", 120, 80);
    AddPhotos({file});
    ASSERT_NE(Form->Controls().ViewPicForm, nullptr);
    EXPECT_FALSE(Form->Controls().ViewPicForm->isVisible());
    QString seenName;
    int seenWidth = 0;
    QTimer::singleShot(0, Form.get(), [&] {
        seenName = Form->Controls().ViewPicForm->ImageFileName;
        seenWidth = DibWidth(Form->Controls().ViewPicForm->Image);
        Form->Controls().ViewPicForm->ReadyBtn->click();
    });
    Form->Controls().KeyEdit->setFocus();
    QTest::keyClick(Form->Controls().KeyEdit, Qt::Key_Return);
    EXPECT_EQ(seenName, file);
    EXPECT_EQ(seenWidth, 120);
    EXPECT_EQ(Form->Controls().ViewPicForm->Image.Bits, nullptr);
    EXPECT_FALSE(Form->Controls().ViewPicForm->isVisible());
}

} // namespace
} // namespace lumeno::ui::test

namespace lumeno::ui::test {
namespace {

// The library's progress while a thumbnail loads on a worker moves the bar on the window
// thread.
TEST_F(PhotoStripTest, ThumbnailLoadMovesTheProgressBar) {
    // Decoded, not read from the thumbnail cache: the library reports its progress.
    Form->Strip().SetThumbnailCache(TThumbnailCache());
    AddPhotos({MakeImage("gross.jpg", 2400, 1800, QColor(10, 90, 200))});
    FillThumbnailsNow(*Form);
    Form->Show().Fotos[0].Thumb.reset(); // what the first painting made
    Form->SetProStatus(0);
    const int bar = counts::Of(*Form, counts::kStatusBarBarRepaints);
    FillThumbnailsNow(*Form);
    ASSERT_FALSE(Form->Show().Fotos[0].Thumb.empty());
    EXPECT_EQ(Form->ProgressPercent(), 100);
    // Steps that come faster than the window thread turns are drawn as one.
    EXPECT_GE(counts::Of(*Form, counts::kStatusBarBarRepaints) - bar, 1);
}

} // namespace
} // namespace lumeno::ui::test

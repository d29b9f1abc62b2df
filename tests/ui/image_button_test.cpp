// The image button: pressed look while held, drag-off and drag-back, click only on a release
// inside.
#include "image_button.h"
#include "ui_test_support.h"

#include <QMouseEvent>
#include <QSignalSpy>

namespace lumeno::ui::test {
namespace {

QPixmap Filled(QColor c, int w = 101, int h = 30) {
    QPixmap pm(w, h);
    pm.fill(c);
    return pm;
}

class ImageBtnTest : public ::testing::Test {
  protected:
    void SetUp() override {
        App();
        Btn.SetPicture(Filled(Qt::blue));
        Btn.SetPicture2(Filled(Qt::red));
        Btn.show();
        QApplication::processEvents();
    }

    void Send(QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent e(type, QPointF(pos), Btn.mapToGlobal(QPointF(pos)), button, held,
                      Qt::NoModifier);
        QApplication::sendEvent(&Btn, &e);
    }
    void Press(QPoint p) { Send(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton); }
    void Move(QPoint p) { Send(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton); }
    void Release(QPoint p) { Send(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton); }

    // The colour the button shows, read from a rendering of the widget.
    QColor Shown() { return Btn.grab().toImage().pixelColor(50, 15); }

    // The application must exist before the widget member is made.
    struct TAppFirst {
        TAppFirst() { App(); }
    } AppFirst;
    TImageBtn Btn;
};

TEST_F(ImageBtnTest, SizesItselfToThePicture) {
    EXPECT_EQ(Btn.size(), QSize(101, 30));
    EXPECT_EQ(Shown(), QColor(Qt::blue));
}

TEST_F(ImageBtnTest, PressShowsSecondPictureAndReleaseInsideClicks) {
    QSignalSpy clicks(&Btn, &TImageBtn::clicked);
    Press({10, 10});
    EXPECT_TRUE(Btn.PressedLook());
    EXPECT_EQ(Shown(), QColor(Qt::red));
    Release({10, 10});
    EXPECT_FALSE(Btn.PressedLook());
    EXPECT_EQ(Shown(), QColor(Qt::blue));
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(ImageBtnTest, DragOffShowsNormalPictureAndReleaseThereDoesNotClick) {
    QSignalSpy clicks(&Btn, &TImageBtn::clicked);
    Press({10, 10});
    // Each edge: one pixel outside restores the normal picture, the edge pixel inside does not.
    const struct {
        QPoint Outside, Inside;
    } edges[] = {
        {{-1, 10}, {0, 10}}, {{101, 10}, {100, 10}}, {{10, -1}, {10, 0}}, {{10, 30}, {10, 29}}};
    for (const auto& e : edges) {
        Move(e.Outside);
        EXPECT_FALSE(Btn.PressedLook()) << e.Outside.x() << "," << e.Outside.y();
        Move(e.Inside);
        EXPECT_TRUE(Btn.PressedLook()) << e.Inside.x() << "," << e.Inside.y();
    }
    Move({200, 10});
    EXPECT_EQ(Shown(), QColor(Qt::blue));
    Release({200, 10});
    EXPECT_FALSE(Btn.PressedLook());
    EXPECT_EQ(clicks.count(), 0);
}

TEST_F(ImageBtnTest, DragBackOnBeforeReleaseClicks) {
    QSignalSpy clicks(&Btn, &TImageBtn::clicked);
    Press({10, 10});
    Move({-20, 10});
    Move({30, 20});
    EXPECT_EQ(Shown(), QColor(Qt::red));
    Release({30, 20});
    EXPECT_EQ(Shown(), QColor(Qt::blue));
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(ImageBtnTest, MovingWithoutPressChangesNothing) {
    Move({10, 10});
    EXPECT_FALSE(Btn.PressedLook());
    // A release without a press on the button is no click either.
    QSignalSpy clicks(&Btn, &TImageBtn::clicked);
    Release({10, 10});
    EXPECT_EQ(clicks.count(), 0);
}

TEST_F(ImageBtnTest, TabReachesItAndSpaceOrEnterClicks) {
    EXPECT_EQ(Btn.focusPolicy(), Qt::TabFocus) << "a click leaves the focus where it was";
    QSignalSpy clicks(&Btn, &TImageBtn::clicked);
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter, Qt::Key_A, Qt::Key_Escape})
        QTest::keyClick(&Btn, key);
    EXPECT_EQ(clicks.count(), 3);
}

TEST_F(ImageBtnTest, SecondPictureIsACopy) {
    QPixmap pressed = Filled(Qt::green);
    Btn.SetPicture2(pressed);
    pressed.fill(Qt::yellow);
    Press({10, 10});
    EXPECT_EQ(Shown(), QColor(Qt::green));
    Release({10, 10});
}

} // namespace
} // namespace lumeno::ui::test

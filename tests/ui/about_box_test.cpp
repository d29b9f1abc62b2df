// The about box: size, the current year in place of the placeholder, the picture decoded from
// its JPEG, the web button; a screenshot when LUMENO_SCREENSHOT_DIR names a folder.
#include "about_box.h"
#include "ui_test_support.h"

#include <QDate>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace lumeno::ui::test {
namespace {

TEST(AboutBoxTest, CaptionSizeAndPanel) {
    App();
    TAboutBox box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Info"));
    EXPECT_EQ(box.size(), QSize(664, 453));
    auto* panel = box.findChild<QFrame*>(QStringLiteral("Panel1"));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->size(), QSize(649, 385));
    EXPECT_EQ(panel->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(panel->palette().color(QPalette::Window), QColor(240, 202, 166));
    auto* picture = box.findChild<QLabel*>(QStringLiteral("ProgramIcon"));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->size(), QSize(306, 322));
}

TEST(AboutBoxTest, YearPlaceholderBecomesTheCurrentYear) {
    App();
    TAboutBox box;
    const QString year = QString::number(QDate::currentDate().year());
    EXPECT_TRUE(box.CopyrightText().endsWith(year + QStringLiteral(" Corvana Software")))
        << box.CopyrightText().toStdString();
    EXPECT_FALSE(box.CopyrightText().contains(QStringLiteral("JJJJ")));
    for (QLabel* label : box.findChildren<QLabel*>())
        EXPECT_FALSE(label->text().contains(QStringLiteral("JJJJ"))) << label->text().toStdString();
}

TEST(AboutBoxTest, PictureIsDecodedFromTheJpeg) {
    App();
    TAboutBox box;
    ASSERT_TRUE(box.HasPicture());
    auto* picture = box.findChild<QLabel*>(QStringLiteral("ProgramIcon"));
    const QImage img = picture->pixmap().toImage();
    EXPECT_EQ(img.size(), QSize(306, 322));
    // The picture's top-left corner is the light warm background it was drawn with.
    const QColor corner = img.pixelColor(2, 2);
    EXPECT_GT(corner.red(), 220);
    EXPECT_GT(corner.red(), corner.blue());
}

TEST(AboutBoxTest, WebButtonOpensTheHomePageAndOkCloses) {
    App();
    TAboutBox box;
    std::vector<std::string> opened;
    box.ShellOpen = [&](const std::string& url) { opened.push_back(url); };
    box.show();
    box.findChild<QPushButton*>(QStringLiteral("wwwBtn"))->click();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], TAboutBox::kHomePage);
    EXPECT_TRUE(box.isVisible());
    box.findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

TEST(AboutBoxTest, Screenshot) {
    App();
    TAboutBox box;
    box.show();
    QApplication::processEvents();
    const QPixmap shot = box.grab();
    EXPECT_EQ(shot.size(), QSize(664, 453));
    const QString out = qEnvironmentVariable("LUMENO_SCREENSHOT_DIR");
    if (!out.isEmpty()) {
        QDir().mkpath(out);
        EXPECT_TRUE(shot.save(QDir(out).filePath(QStringLiteral("about_box.png"))));
    }
}

} // namespace
} // namespace lumeno::ui::test

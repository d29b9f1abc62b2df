// The export page's video: a real MP4 through the window in the chosen size with music, and
// the size and music kept in the program's settings across runs; unusable music is named.
#include "ui_test_support.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

namespace lumeno::ui::test {
namespace {

// A second of 16-bit mono PCM at 48 kHz: a 440 Hz square wave in a WAV file.
QString MakeWav(const QString& path) {
    const int rate = 48000, samples = rate;
    QByteArray data;
    for (int i = 0; i < samples; ++i) {
        const int16_t v = (i / 55) % 2 ? 8000 : -8000;
        data.append(static_cast<char>(v & 0xFF)).append(static_cast<char>((v >> 8) & 0xFF));
    }
    auto le32 = [](uint32_t v) {
        QByteArray b;
        for (int i = 0; i < 4; ++i)
            b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
        return b;
    };
    QByteArray wav = "RIFF" + le32(36 + data.size()) + "WAVEfmt " + le32(16);
    wav += QByteArray::fromHex("01000100") + le32(rate) + le32(rate * 2) +
           QByteArray::fromHex("02001000");
    wav += "data" + le32(data.size()) + data;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(wav);
    return path;
}

uint16_t Be16(const QByteArray& b, qsizetype at) {
    return static_cast<uint16_t>((static_cast<uint8_t>(b[at]) << 8) |
                                 static_cast<uint8_t>(b[at + 1]));
}

TEST_F(MainFormTest, VideoButtonWritesAnMp4InTheChosenSizeWithMusic) {
    const TMainFormControls& c = Form->Controls();
    AddPhotos({MakeImage("rot.png", 64, 48, QColor(220, 30, 30)),
               MakeImage("blau.png", 48, 64, QColor(30, 30, 220))});
    TShowSettings s = Form->Settings();
    s.FadeTime = 100;
    s.PauseTime = 200;
    Form->SetSettings(s);
    c.PageControl2->setCurrentWidget(c.TabSheet1);
    c.VideoSizeCombo->setCurrentIndex(1); // HD 1280x720
    D.OpenAnswers.push_back({MakeWav(Dir.filePath(QStringLiteral("musik.wav")))});
    c.MusicBtn->click();
    D.SaveAnswers.push_back(Dir.filePath(QStringLiteral("show")));
    c.SaveVideoBtn->click();
    EXPECT_TRUE(Form->ExportRunning());
    EXPECT_FALSE(c.SaveVideoBtn->isEnabled()) << "one export at a time";
    Form->WaitForExport();
    EXPECT_TRUE(D.Messages.empty()) << D.Messages[0].Text.toStdString();
    ASSERT_FALSE(D.FileQuestions.empty());
    EXPECT_EQ(D.FileQuestions.back().Filter, QStringLiteral("MP4-Videos (*.mp4)"));
    EXPECT_EQ(D.FileQuestions.back().DefaultExt, QStringLiteral("mp4"));
    EXPECT_TRUE(c.ExportStateLabel->text().startsWith(
        QStringLiteral("show.mp4 geschrieben: 2 Fotos in 0:")))
        << c.ExportStateLabel->text().toStdString();
    EXPECT_TRUE(c.SaveVideoBtn->isEnabled());
    ASSERT_EQ(Opened.size(), 1u) << "played after writing, as the PDF is shown";
    EXPECT_NE(Opened[0].find("show.mp4"), std::string::npos);

    QFile f(Dir.filePath(QStringLiteral("show.mp4")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray mp4 = f.readAll();
    ASSERT_EQ(mp4.mid(4, 4), QByteArray("ftyp"));
    EXPECT_LT(mp4.indexOf("moov"), mp4.indexOf("mdat")) << "the index first";
    EXPECT_GT(mp4.indexOf("mp4a"), 0) << "the music's sound";
    // The H.264 sample entry (in the sample description, not the brands of "ftyp"): its width
    // and height follow 24 bytes of fixed fields.
    const qsizetype avc1 = mp4.indexOf("avc1", mp4.indexOf("stsd"));
    ASSERT_GT(avc1, 0);
    EXPECT_EQ(Be16(mp4, avc1 + 28), 1280);
    EXPECT_EQ(Be16(mp4, avc1 + 30), 720);
}

TEST_F(MainFormTest, VideoSizeAndMusicAreKeptAcrossRunsAndUnusableMusicIsNamed) {
    const QString notAudio = Dir.filePath(QStringLiteral("kein_ton.mp3"));
    {
        QFile f(notAudio);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Das ist kein Ton.");
    }
    const QString music = MakeWav(Dir.filePath(QStringLiteral("musik.wav")));
    auto controls = [this] { return Form->Controls(); };
    auto restart = [this] {
        Form.reset();
        Form = std::make_unique<TMainForm>();
        Form->show();
        QApplication::processEvents();
    };
    EXPECT_EQ(controls().VideoSizeCombo->currentText(), QStringLiteral("Full HD 1920×1080"));
    EXPECT_EQ(controls().MusicLabel->text(), QStringLiteral("Keine Musik"));
    EXPECT_FALSE(controls().NoMusicBtn->isEnabled());

    D.OpenAnswers.push_back({notAudio});
    controls().MusicBtn->click();
    ASSERT_EQ(D.Messages.size(), 1u);
    EXPECT_EQ(D.Messages[0].Text,
              QStringLiteral("Die Musikdatei ") + notAudio +
                  QStringLiteral(" kann nicht gelesen werden oder enthält keinen Ton. Das Video "
                                 "wurde nicht geschrieben. Bitte wählen Sie mit „Musik...“ eine "
                                 "andere Datei oder entfernen Sie die Musik."));
    EXPECT_EQ(controls().MusicLabel->text(), QStringLiteral("Keine Musik")) << "not taken";

    D.OpenAnswers.push_back({music});
    controls().MusicBtn->click();
    controls().VideoSizeCombo->setCurrentIndex(3);
    restart();
    EXPECT_EQ(controls().VideoSizeCombo->currentText(),
              QStringLiteral("Hochformat (Handy) 1080×1920"));
    EXPECT_EQ(controls().VideoSizeCombo->currentData().toSize(), QSize(1080, 1920));
    EXPECT_EQ(controls().MusicLabel->text(), QStringLiteral("musik.wav"));
    EXPECT_EQ(controls().MusicLabel->toolTip(), music);
    EXPECT_TRUE(controls().NoMusicBtn->isEnabled());

    // The music went away since: named before a name is asked for; nothing is written.
    AddPhotos({MakeImage("rot.png", 32, 24)});
    ASSERT_TRUE(QFile::remove(music));
    const size_t asked = D.FileQuestions.size();
    controls().SaveVideoBtn->click();
    EXPECT_FALSE(Form->ExportRunning());
    EXPECT_EQ(D.FileQuestions.size(), asked);
    ASSERT_EQ(D.Messages.size(), 2u);
    EXPECT_TRUE(D.Messages[1].Text.startsWith(QStringLiteral("Die Musikdatei ") + music +
                                              QStringLiteral(" wurde nicht gefunden.")))
        << D.Messages[1].Text.toStdString();

    controls().NoMusicBtn->click();
    restart();
    EXPECT_EQ(controls().MusicLabel->text(), QStringLiteral("Keine Musik"));
    EXPECT_EQ(controls().VideoSizeCombo->currentIndex(), 3);
}

// Cancel stops the video as it stops the PDF: the old file stays, nothing else is left.
TEST_F(MainFormTest, CancelledVideoLeavesTheOldFile) {
    QStringList photos;
    for (int i = 0; i < 6; ++i)
        photos << MakeImage(QStringLiteral("v%1.jpg").arg(i), 1600, 1200, QColor(40 * i, 60, 90));
    AddPhotos(photos);
    FillThumbnailsNow(*Form);
    const QString mp4 = Dir.filePath(QStringLiteral("alt.mp4"));
    {
        QFile old(mp4);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("altes Video");
    }
    const QStringList before = QDir(Dir.path()).entryList(QDir::Files, QDir::Name);
    D.SaveAnswers.push_back(mp4);
    Form->Controls().SaveVideoBtn->click();
    ASSERT_TRUE(Form->ExportRunning());
    QTest::mouseClick(Form->Controls().CancelExportBtn, Qt::LeftButton);
    Form->WaitForExport();
    EXPECT_TRUE(D.Messages.empty());
    EXPECT_TRUE(Opened.empty());
    EXPECT_EQ(Form->Controls().ExportStateLabel->text(),
              QStringLiteral("Export abgebrochen, keine Datei geschrieben."));
    QFile old(mp4);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("altes Video"));
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files, QDir::Name), before);
}

} // namespace
} // namespace lumeno::ui::test

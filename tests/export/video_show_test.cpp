// The show as a video, read back through libavcodec: its length in both fade modes, each
// photo's colour in its pause, the blends, the letterbox, the caption, the music and the
// container's layout.
#include "lumeno/export/export_driver.h"
#include "lumeno/export/show_timeline.h"
#include "slideshow_test_support.h"
#include "video_decode_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace {

using namespace slideshow_test;
using lumeno::TExportCode;
using lumeno::TExportOptions;
using lumeno::TExportPhoto;
using lumeno::TShowSettings;
using video_test::DecodeVideo;
using video_test::TDecodedVideo;

TRgb Pixel(const TDecodedVideo& v, size_t frame, int x, int y) {
    const auto c = v.Frames.at(frame).At(x, y);
    return {c[0], c[1], c[2]};
}

// Root mean square of the samples from `from` to `to` seconds.
double Loudness(const std::vector<float>& s, double from, double to) {
    const size_t a = static_cast<size_t>(from * 48000), b = static_cast<size_t>(to * 48000);
    double sum = 0;
    for (size_t i = a; i < b && i < s.size(); ++i)
        sum += s[i] * s[i];
    return std::sqrt(sum / static_cast<double>(b - a));
}

class VideoShowTest : public ScratchTest {
  protected:
    VideoShowTest() {
        settings_.FadeTime = 400;
        settings_.PauseTime = 1000;
        settings_.ShowPDF = false;
        options_.Video = true;
        options_.Jobs = 2;
        options_.VideoFormat.Width = 320;
        options_.VideoFormat.Height = 240;
        options_.VideoFormat.Fps = 10;
    }
    lumeno::TExportResult Export(const std::vector<TExportPhoto>& photos) {
        return lumeno::ExportSlideShow(photos, settings_, Out(), options_);
    }
    std::string Out() const { return (dir_ / "show.mp4").string(); }
    // A mono 16-bit WAV file of a 440 Hz tone of amplitude 0.5.
    std::string ToneWav(double seconds) {
        const int rate = 44100, n = static_cast<int>(seconds * rate);
        std::string data;
        for (int i = 0; i < n; ++i) {
            const auto v = static_cast<int16_t>(16383 * std::sin(2 * M_PI * 440 * i / rate));
            data += static_cast<char>(v & 0xFF);
            data += static_cast<char>((v >> 8) & 0xFF);
        }
        auto le = [](uint32_t v, int bytes) {
            std::string s;
            for (int i = 0; i < bytes; ++i)
                s += static_cast<char>((v >> (8 * i)) & 0xFF);
            return s;
        };
        const std::string wav = "RIFF" + le(36 + static_cast<uint32_t>(data.size()), 4) +
                                "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) + le(rate, 4) +
                                le(rate * 2, 4) + le(2, 2) + le(16, 2) + "data" +
                                le(static_cast<uint32_t>(data.size()), 4) + data;
        const std::string path = (dir_ / "tone.wav").string();
        std::ofstream(path, std::ios::binary) << wav;
        return path;
    }
    TShowSettings settings_;
    TExportOptions options_;
};

TEST_F(VideoShowTest, FadeInOutLengthColoursBlendsLetterboxAndContainer) {
    settings_.BackColor = 0x0080FF; // orange, 0x00BBGGRR
    const auto r = Export({{SolidJpeg("r.jpg", 160, 120, 0xFF0000), ""},
                           {SolidJpeg("g.jpg", 160, 120, 0x00FF00), ""},
                           {SolidJpeg("b.jpg", 400, 200, 0x0000FF), ""}});
    ASSERT_TRUE(r.ok) << static_cast<int>(r.code);
    EXPECT_EQ(r.photos, 3);
    const TDecodedVideo v = DecodeVideo(Out());
    ASSERT_TRUE(v.ok);
    // 3 x (2 x 0.4 + 1) s = 5.4 s at 10 frames a second.
    ASSERT_EQ(v.Frames.size(), 54u);
    EXPECT_NEAR(v.Duration, 5.4, 0.01);
    EXPECT_EQ(v.Frames[0].Width, 320);
    EXPECT_EQ(v.Frames[0].Height, 240);
    // The middle of each pause: 0.9 s, 2.7 s, 4.5 s.
    const TRgb orange{255, 128, 0};
    EXPECT_PRED3(Near, Pixel(v, 9, 160, 120), (TRgb{255, 0, 0}), 12);
    EXPECT_PRED3(Near, Pixel(v, 27, 160, 120), (TRgb{0, 255, 0}), 12);
    EXPECT_PRED3(Near, Pixel(v, 45, 160, 120), (TRgb{0, 0, 255}), 12);
    // The 2:1 photo fills 320 x 160 in the middle; the bars are the background.
    EXPECT_PRED3(Near, Pixel(v, 45, 160, 44), (TRgb{0, 0, 255}), 12);
    EXPECT_PRED3(Near, Pixel(v, 45, 160, 10), orange, 12);
    EXPECT_PRED3(Near, Pixel(v, 45, 160, 230), orange, 12);
    // Halfway into photo 2's fade-in (2.0 s): half green, half background; the first frame
    // is the background alone.
    EXPECT_PRED3(Near, Pixel(v, 20, 160, 120), (TRgb{128, 191, 0}), 12);
    EXPECT_PRED3(Near, Pixel(v, 0, 160, 120), orange, 12);
    // 3/4 into the last fade-out (5.3 s): a quarter blue.
    EXPECT_PRED3(Near, Pixel(v, 53, 160, 120), (TRgb{191, 96, 64}), 12);

    EXPECT_EQ(v.VideoCodec, "h264");
    EXPECT_EQ(v.Profile, "High");
    EXPECT_EQ(v.PixelFormat, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(v.Primaries, AVCOL_PRI_BT709);
    EXPECT_EQ(v.Transfer, AVCOL_TRC_BT709);
    EXPECT_EQ(v.Matrix, AVCOL_SPC_BT709);
    EXPECT_EQ(v.Range, AVCOL_RANGE_MPEG);
    EXPECT_TRUE(v.AudioCodec.empty());
    // The index comes before the media data, so a player starts while the file loads.
    const std::vector<std::string> boxes = video_test::TopLevelBoxes(Out());
    const auto moov = std::find(boxes.begin(), boxes.end(), "moov");
    const auto mdat = std::find(boxes.begin(), boxes.end(), "mdat");
    ASSERT_NE(moov, boxes.end());
    ASSERT_NE(mdat, boxes.end());
    EXPECT_LT(moov, mdat);
}

TEST_F(VideoShowTest, CrossFadeLengthPausesAndBlendOfTwoPhotos) {
    settings_.FadeInOut = false;
    options_.VideoFormat.Fps = 20;
    const auto r = Export({{SolidJpeg("r.jpg", 160, 120, 0xFF0000), ""},
                           {SolidJpeg("g.jpg", 160, 120, 0x00FF00), ""},
                           {SolidJpeg("b.jpg", 160, 120, 0x0000FF), ""}});
    ASSERT_TRUE(r.ok);
    const TDecodedVideo v = DecodeVideo(Out());
    // 3 x (0.4 + 1) s + 0.4 s = 4.6 s at 20 frames a second; the time line says the same.
    ASSERT_EQ(v.Frames.size(), 92u);
    EXPECT_NEAR(lumeno::ShowTimeline(settings_, 3).Length(), 4.6, 1e-9);
    EXPECT_PRED3(Near, Pixel(v, 18, 160, 120), (TRgb{255, 0, 0}), 12);
    EXPECT_PRED3(Near, Pixel(v, 46, 160, 120), (TRgb{0, 255, 0}), 12);
    EXPECT_PRED3(Near, Pixel(v, 74, 160, 120), (TRgb{0, 0, 255}), 12);
    // Halfway through the cross-fade into photo 2 (1.6 s): red and green, no background.
    EXPECT_PRED3(Near, Pixel(v, 32, 160, 120), (TRgb{128, 128, 0}), 14);
    // The first photo fades in from the white background, the last fades out to it.
    EXPECT_PRED3(Near, Pixel(v, 4, 160, 120), (TRgb{255, 128, 128}), 14);
    EXPECT_PRED3(Near, Pixel(v, 88, 160, 120), (TRgb{128, 128, 255}), 14);
}

TEST_F(VideoShowTest, CaptionDrawnAtTheFootOfThePhoto) {
    options_.VideoFormat.Width = 640;
    options_.VideoFormat.Height = 480;
    settings_.FontSize = 60;
    const auto r = Export({{SolidJpeg("d.jpg", 320, 240, 0x202060), "HHHHHH"}});
    ASSERT_TRUE(r.ok);
    const TDecodedVideo v = DecodeVideo(Out());
    ASSERT_EQ(v.Frames.size(), 18u);
    // Yellow text (the default colour) in the bottom fifth, on the left; none above it.
    int above = 0, foot = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const TRgb c = Pixel(v, 9, x, y);
            if (c.r < 180 || c.g < 180 || c.b > 100) continue;
            if (y < 384)
                ++above;
            else if (x < 320)
                ++foot;
        }
    EXPECT_EQ(above, 0);
    EXPECT_GT(foot, 200);
}

TEST_F(VideoShowTest, CharactersNoFontCoversAreReportedOnceForTheShow) {
    options_.VideoFormat.Width = 320;
    options_.VideoFormat.Height = 240;
    // "&#888;" is how a caption holds U+0378, an unassigned character no font has.
    const auto r = Export({{SolidJpeg("e.jpg", 64, 48, 0x808080), "A &#888; &#937;"},
                           {SolidJpeg("f.jpg", 64, 48, 0x808080), "&#888;B"}});
    ASSERT_TRUE(r.ok) << int(r.code);
    EXPECT_EQ(r.missingCharacters, U"\u0378");
    EXPECT_TRUE(r.HasWarnings());
}

TEST_F(VideoShowTest, MusicRepeatedCutToTheShowAndFadedOut) {
    const std::string tone = ToneWav(1.0);
    EXPECT_TRUE(lumeno::IsReadableAudio(tone));
    EXPECT_FALSE(lumeno::IsReadableAudio(SolidJpeg("x.jpg", 16, 16, 0)));
    EXPECT_FALSE(lumeno::IsReadableAudio((dir_ / "fehlt.mp3").string()));
    options_.VideoFormat.MusicFile = tone;
    const auto r = Export(
        {{SolidJpeg("a.jpg", 16, 16, 0x808080), ""}, {SolidJpeg("b.jpg", 16, 16, 0x808080), ""}});
    ASSERT_TRUE(r.ok);
    const TDecodedVideo v = DecodeVideo(Out());
    EXPECT_EQ(v.AudioCodec, "aac");
    EXPECT_EQ(v.AudioRate, 48000);
    EXPECT_EQ(v.AudioChannels, 2);
    // 2 x 1.8 s of sound, the 1-second tone played again and again.
    EXPECT_NEAR(static_cast<double>(v.Left.size()), 3.6 * 48000, 1024);
    const double full = 0.5 / std::sqrt(2.0);
    EXPECT_NEAR(Loudness(v.Left, 0.3, 0.7), full, 0.05);
    EXPECT_NEAR(Loudness(v.Left, 1.3, 1.5), full, 0.05); // the second pass
    // The last 2 seconds fade out linearly: half loud 1 s before the end, silent at it.
    EXPECT_NEAR(Loudness(v.Left, 2.55, 2.65), full / 2, 0.04);
    EXPECT_LT(Loudness(v.Left, 3.55, 3.6), 0.02);

    // A music file that is no sound is refused before anything is written.
    options_.VideoFormat.MusicFile = (dir_ / "a.jpg").string();
    const auto refused = Export({{(dir_ / "a.jpg").string(), ""}});
    EXPECT_EQ(refused.code, TExportCode::kMusicUnreadable);
}

// Cancels as soon as the first photo is done.
class TCancelAfterFirst : public lumeno::TExportProgress {
  public:
    void PhotoDone(int, int) override { cancel_ = true; }
    bool CancelRequested() override { return cancel_; }

  private:
    bool cancel_ = false;
};

TEST_F(VideoShowTest, CancelLeavesTheOldFileAsItWas) {
    std::ofstream(Out()) << "old";
    TCancelAfterFirst cancel;
    options_.Progress = &cancel;
    const auto r = Export({{SolidJpeg("a.jpg", 16, 16, 0), ""},
                           {SolidJpeg("b.jpg", 16, 16, 0), ""},
                           {SolidJpeg("c.jpg", 16, 16, 0), ""}});
    EXPECT_EQ(r.code, TExportCode::kCancelled);
    EXPECT_EQ(ReadFile(Out()), "old");
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_))
        ++files;
    EXPECT_EQ(files, 5u); // tmp, show.mp4 and the photos; no temporary file left
}

} // namespace

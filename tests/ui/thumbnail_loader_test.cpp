// The strip's thumbnail workers: results reach the window thread under the photo's identity,
// queued work no longer asked for is dropped, progress arrives on the window thread.
#include "ui_test_support.h"

#include "lumeno/bitmap/dib_ops.h"
#include "thumbnail_loader.h"

#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <chrono>
#include <map>

namespace lumeno::ui::test {
namespace {

void WaitUntilIdle(const TThumbnailLoader& loader) {
    QElapsedTimer t;
    t.start();
    while (loader.Busy() && t.elapsed() < 20000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    QApplication::processEvents();
}

TEST(ThumbnailLoader, ResultsArriveOnTheWindowThreadUnderTheirIdentity) {
    App();
    QTemporaryDir dir;
    std::vector<TThumbJob> jobs;
    for (int i = 0; i < 6; ++i) {
        QImage img(160 + 40 * i, 120, QImage::Format_RGB32);
        img.fill(QColor(10 * i, 100, 200));
        const QString file = dir.filePath(QStringLiteral("f%1.png").arg(i));
        ASSERT_TRUE(img.save(file));
        jobs.push_back({uint64_t(100 + i), file.toStdString()});
    }
    jobs.push_back({uint64_t(99), dir.filePath(QStringLiteral("fehlt.png")).toStdString()});
    std::map<uint64_t, int> widths;
    std::vector<int> percents;
    bool onWindowThread = true;
    TThumbnailLoader loader(
        [&](uint64_t id, ScopedDib& thumb) {
            onWindowThread &= QThread::currentThread() == App().thread();
            widths[id] = thumb.empty() ? 0 : DibWidth(*thumb.get());
        },
        [&](int p) {
            onWindowThread &= QThread::currentThread() == App().thread();
            percents.push_back(p);
        },
        2);
    loader.Request(jobs);
    WaitUntilIdle(loader);
    EXPECT_TRUE(onWindowThread);
    ASSERT_EQ(widths.size(), 7u);
    EXPECT_EQ(widths[99], 0); // the missing file: an empty thumbnail
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(widths[uint64_t(100 + i)], 80) << i;
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), 100);
    EXPECT_EQ(loader.Loads(), 7);
}

// The library reports every percent; the window thread hears of them at most every 20 ms
// (and with each finished thumbnail), not once per step of every worker.
TEST(ThumbnailLoader, ProgressWakesTheWindowThreadAtMostEvery20Ms) {
    App();
    QTemporaryDir dir;
    std::vector<TThumbJob> jobs;
    for (int i = 0; i < 4; ++i) {
        QImage img(1600, 1200, QImage::Format_RGB32);
        img.fill(QColor(40 * i, 90, 160));
        const QString file = dir.filePath(QStringLiteral("gross%1.png").arg(i));
        ASSERT_TRUE(img.save(file));
        jobs.push_back({uint64_t(i + 1), file.toStdString()});
    }
    int progressCalls = 0;
    TThumbnailLoader loader([](uint64_t, ScopedDib&) {}, [&](int) { ++progressCalls; }, 2);
    // Every look at the clock moves it on by 1 ms, however fast the machine decodes.
    std::atomic<int64_t> reads{0};
    loader.SetClock([&] { return std::chrono::nanoseconds(std::chrono::milliseconds(reads++)); });
    loader.Request(jobs);
    WaitUntilIdle(loader);
    const int64_t elapsedMs = reads.load();
    EXPECT_GE(elapsedMs, 100) << "the loads reported fewer steps than expected";
    EXPECT_GE(progressCalls, 1);
    EXPECT_LE(progressCalls, int(jobs.size()) + int(elapsedMs / 20) + 2)
        << "in " << elapsedMs << " ms";
}

TEST(ThumbnailLoader, ThrottleLetsOneStepThroughPer20Ms) {
    int64_t nowMs = 1000;
    TProgressThrottle throttle(std::chrono::milliseconds(20),
                               [&] { return std::chrono::nanoseconds(nowMs * 1000000); });
    const struct {
        int64_t ms;
        bool due;
    } steps[] = {{1000, true},  {1000, false}, {1019, false}, {1020, true}, {1025, false},
                 {1039, false}, {1045, true},  {1064, false}, {1065, true}, {5000, true}};
    for (const auto& s : steps) {
        nowMs = s.ms;
        EXPECT_EQ(throttle.Due(), s.due) << "at " << s.ms << " ms";
    }
    // A clock that starts at zero (or below) lets the first step through too.
    nowMs = -5;
    throttle.SetClock([&] { return std::chrono::nanoseconds(nowMs * 1000000); });
    EXPECT_TRUE(throttle.Due());
    EXPECT_FALSE(throttle.Due());
}

TEST(ThumbnailLoader, QueuedWorkNoLongerAskedForIsDropped) {
    App();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a.png"));
    QImage img(200, 100, QImage::Format_RGB32);
    img.fill(Qt::blue);
    ASSERT_TRUE(img.save(file));
    std::vector<uint64_t> delivered;
    TThumbnailLoader loader([&](uint64_t id, ScopedDib&) { delivered.push_back(id); }, nullptr, 1);
    loader.SetPaused(true);
    std::vector<TThumbJob> all;
    for (uint64_t id = 1; id <= 20; ++id)
        all.push_back({id, file.toStdString()});
    loader.Request(all);
    // Scrolled on: only the last two are still shown (one of them asked for twice).
    loader.Request({{19, file.toStdString()}, {20, file.toStdString()}, {20, file.toStdString()}});
    loader.SetPaused(false);
    WaitUntilIdle(loader);
    EXPECT_EQ(delivered, (std::vector<uint64_t>{19, 20}));
    EXPECT_EQ(loader.Loads(), 2);
}

} // namespace
} // namespace lumeno::ui::test

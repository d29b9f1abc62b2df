// The desktop's shared thumbnail cache: names, round trips, stale entries, the failure
// notes, file modes, thumbnails of other programs, and the strip thumbnail made through it.
#include "lumeno/bitmap/dib_ops.h"
#include "thumbnail_cache.h"
#include "thumbnail_loader.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace lumeno::ui::test {
namespace {

// A w x h 24-bit picture whose every pixel differs from its neighbours.
ScopedDib Pattern(int w, int h) {
    TDib d{};
    newdib(&d, w, h, 24, nullptr, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setpixel(&d, x, y, uint32_t((x * 7) << 16 | (y * 5) << 8 | ((x + y) & 0xFF)));
    return ScopedDib(d);
}

void SetMTime(const QString& file, qint64 secs) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        f.setFileTime(QDateTime::fromSecsSinceEpoch(secs), QFileDevice::FileModificationTime));
}

class ThumbnailCacheTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        Photo = Dir.filePath(QStringLiteral("bilder/foto 1.png")).toStdString();
        QDir(Dir.path()).mkdir(QStringLiteral("bilder"));
        QImage img(800, 600, QImage::Format_RGB32);
        img.fill(QColor(20, 120, 220));
        ASSERT_TRUE(img.save(QString::fromStdString(Photo)));
        SetMTime(QString::fromStdString(Photo), 1700000000);
    }
    QString Root() const { return Dir.filePath(QStringLiteral("cache/thumbnails")); }

    QTemporaryDir Dir;
    std::string Photo;
    TThumbnailCache Cache{Root()};
};

TEST(ThumbnailCacheNames, UriAndMd5NameAsFileManagersUseThem) {
    const TThumbnailCache cache(QStringLiteral("/c/thumbnails"));
    const QByteArray uri = TThumbnailCache::FileUri("/home/jens/photos/me.png");
    EXPECT_EQ(uri, QByteArray("file:///home/jens/photos/me.png"));
    EXPECT_EQ(cache.ThumbPath(uri),
              QStringLiteral("/c/thumbnails/normal/c6ee772d9e49320e97ec29a7eb5b1697.png"));
    EXPECT_EQ(cache.FailPath(uri), QStringLiteral("/c/thumbnails/fail/PDFLumeno-1.0/"
                                                  "c6ee772d9e49320e97ec29a7eb5b1697.png"));
    EXPECT_EQ(TThumbnailCache::FileUri("/tmp/a b/Über.jpg"),
              QByteArray("file:///tmp/a%20b/%C3%9Cber.jpg"));
}

TEST(ThumbnailCacheNames, SwitchAndRootFromTheEnvironment) {
    const QByteArray oldXdg = qgetenv("XDG_CACHE_HOME"),
                     oldSwitch = qgetenv("LUMENO_THUMBNAIL_CACHE");
    qputenv("XDG_CACHE_HOME", "/x/cache");
    qunsetenv("LUMENO_THUMBNAIL_CACHE");
    EXPECT_EQ(TThumbnailCache::FromEnvironment().Root(), QStringLiteral("/x/cache/thumbnails"));
    qputenv("LUMENO_THUMBNAIL_CACHE", "off");
    EXPECT_FALSE(TThumbnailCache::FromEnvironment().Enabled());
    qputenv("XDG_CACHE_HOME", oldXdg);
    qputenv("LUMENO_THUMBNAIL_CACHE", oldSwitch);
    EXPECT_FALSE(TThumbnailCache().Enabled());
}

TEST(ThumbnailCacheNames, BoxSizesAndAveraging) {
    EXPECT_EQ(FitInBox(4000, 3000, 128).w, 128);
    EXPECT_EQ(FitInBox(4000, 3000, 128).h, 96);
    EXPECT_EQ(FitInBox(3000, 4000, 128).w, 96);
    EXPECT_EQ(FitInBox(40, 30, 128).w, 40); // never enlarged
    EXPECT_EQ(FitInBox(100000, 10, 128).h, 1);
    // Two by two pixels of 0 and 255 (and 10, 30) average to their means.
    TDib d{};
    newdib(&d, 2, 2, 24, nullptr, 0);
    ScopedDib src(d);
    setpixel(src.get(), 0, 0, 0x000A00);
    setpixel(src.get(), 1, 0, 0xFF1E00);
    setpixel(src.get(), 0, 1, 0x000A00);
    setpixel(src.get(), 1, 1, 0xFF1E00);
    ScopedDib one(ReduceAveraged(*src.get(), 1, 1));
    ASSERT_FALSE(one.empty());
    EXPECT_EQ(getpixel(one.get(), 0, 0), 0x801400u);
}

TEST_F(ThumbnailCacheTest, StoredThumbnailReadsBackWithItsPixelsKeysAndModes) {
    const TFileStamp stamp = StampOfFile(Photo);
    ASSERT_TRUE(stamp.readable);
    EXPECT_EQ(stamp.mtime, 1700000000);
    ScopedDib thumb = Pattern(128, 96);
    ASSERT_TRUE(Cache.Store(Photo, stamp, *thumb.get(), 4000, 3000));

    const QByteArray uri = TThumbnailCache::FileUri(Photo);
    const QString file = Cache.ThumbPath(uri);
    ASSERT_TRUE(QFileInfo::exists(file));
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                        QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_EQ(QFileInfo(file).permissions() & (ownerOnly | others | QFileDevice::ExeOwner),
              ownerOnly);
    EXPECT_EQ(QFileInfo(Root()).permissions() & others, 0);
    EXPECT_EQ(QFileInfo(Root() + "/normal").permissions() & others, 0);
    // Nothing but the thumbnail is left in the directory (no temporary file).
    EXPECT_EQ(QDir(Root() + "/normal").entryList(QDir::Files).size(), 1);

    // Other programs read the keys.
    const QImage asOthersSee(file);
    EXPECT_EQ(asOthersSee.size(), QSize(128, 96));
    EXPECT_EQ(asOthersSee.text(QStringLiteral("Thumb::URI")).toLatin1(), uri);
    EXPECT_EQ(asOthersSee.text(QStringLiteral("Thumb::MTime")), QStringLiteral("1700000000"));

    TDib found{};
    int fw = 0, fh = 0;
    ASSERT_EQ(Cache.Find(Photo, stamp, &found, &fw, &fh), TThumbnailCache::TFound::Thumb);
    ScopedDib back(found);
    EXPECT_EQ(fw, 4000);
    EXPECT_EQ(fh, 3000);
    ASSERT_EQ(DibWidth(*back.get()), 128);
    ASSERT_EQ(DibHeight(*back.get()), 96);
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 128; ++x)
            ASSERT_EQ(getpixel(back.get(), x, y), getpixel(thumb.get(), x, y)) << x << "," << y;
}

TEST_F(ThumbnailCacheTest, StaleOrForeignEntriesAreNotUsed) {
    const TFileStamp stamp = StampOfFile(Photo);
    ScopedDib thumb = Pattern(128, 96);
    ASSERT_TRUE(Cache.Store(Photo, stamp, *thumb.get(), 800, 600));
    TDib found{};
    int fw = 0, fh = 0;
    // Older as well as newer modification times make the entry stale.
    for (qint64 t : {1600000000LL, 1800000000LL}) {
        SetMTime(QString::fromStdString(Photo), t);
        EXPECT_EQ(Cache.Find(Photo, StampOfFile(Photo), &found, &fw, &fh),
                  TThumbnailCache::TFound::None)
            << t;
    }
    SetMTime(QString::fromStdString(Photo), 1700000000);
    TFileStamp resized = stamp;
    resized.size += 1;
    EXPECT_EQ(Cache.Find(Photo, resized, &found, &fw, &fh), TThumbnailCache::TFound::None);
    // Another file's entry under this name (its URI differs) is not taken.
    const std::string other = Dir.filePath(QStringLiteral("bilder/foto 2.png")).toStdString();
    ASSERT_TRUE(QFile::copy(Cache.ThumbPath(TThumbnailCache::FileUri(Photo)),
                            Cache.ThumbPath(TThumbnailCache::FileUri(other))));
    EXPECT_EQ(Cache.Find(other, stamp, &found, &fw, &fh), TThumbnailCache::TFound::None);
    // A damaged entry is ignored.
    QFile broken(Cache.ThumbPath(TThumbnailCache::FileUri(Photo)));
    ASSERT_TRUE(broken.open(QIODevice::ReadWrite));
    broken.resize(200);
    broken.close();
    EXPECT_EQ(Cache.Find(Photo, stamp, &found, &fw, &fh), TThumbnailCache::TFound::None);
    // With the cache off nothing is read or written.
    const TThumbnailCache off;
    EXPECT_FALSE(off.Store(Photo, stamp, *thumb.get(), 800, 600));
    EXPECT_EQ(off.Find(Photo, stamp, &found, &fw, &fh), TThumbnailCache::TFound::None);
}

TEST_F(ThumbnailCacheTest, AnotherProgramsThumbnailWithAlphaIsShownOnWhite) {
    QImage other(100, 50, QImage::Format_ARGB32);
    other.fill(QColor(0, 0, 0, 0));
    other.setPixelColor(0, 0, QColor(255, 0, 0, 255));
    other.setText(QStringLiteral("Thumb::URI"),
                  QString::fromLatin1(TThumbnailCache::FileUri(Photo)));
    other.setText(QStringLiteral("Thumb::MTime"), QStringLiteral("1700000000"));
    QDir().mkpath(Root() + "/normal");
    ASSERT_TRUE(other.save(Cache.ThumbPath(TThumbnailCache::FileUri(Photo))));
    TDib found{};
    int fw = -1, fh = -1;
    ASSERT_EQ(Cache.Find(Photo, StampOfFile(Photo), &found, &fw, &fh),
              TThumbnailCache::TFound::Thumb);
    ScopedDib back(found);
    EXPECT_EQ(fw, 0);                                  // the photo's size is not recorded
    EXPECT_EQ(getpixel(back.get(), 0, 49), 0xFF0000u); // top left, rows stored bottom first
    EXPECT_EQ(getpixel(back.get(), 5, 5), 0xFFFFFFu);
}

TEST_F(ThumbnailCacheTest, FailureNotesAreRespectedUntilTheFileChanges) {
    const std::string bad = Dir.filePath(QStringLiteral("kaputt.jpg")).toStdString();
    {
        QFile f(QString::fromStdString(bad));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("\xFF\xD8\xFF not a picture");
    }
    SetMTime(QString::fromStdString(bad), 1700000000);
    const TFileStamp noted = StampOfFile(bad);
    TDib out{};
    EXPECT_FALSE(MakeStripThumbnail(bad, Cache, nullptr, &out));
    const QString note = Cache.FailPath(TThumbnailCache::FileUri(bad));
    ASSERT_TRUE(QFileInfo::exists(note));
    EXPECT_EQ(QFileInfo(note).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup), 0);

    // The note is trusted while the file keeps its time and size: a good picture of the same
    // size and time is not tried.
    QImage img(64, 48, QImage::Format_RGB32);
    img.fill(Qt::green);
    ASSERT_TRUE(img.save(QString::fromStdString(bad), "PNG"));
    TDib found{};
    int fw = 0, fh = 0;
    EXPECT_EQ(Cache.Find(bad, noted, &found, &fw, &fh), TThumbnailCache::TFound::Failed);
    // Changed: made and stored.
    EXPECT_TRUE(MakeStripThumbnail(bad, Cache, nullptr, &out));
    ScopedDib made(out);
    EXPECT_EQ(DibWidth(*made.get()), 80);
    EXPECT_EQ(DibHeight(*made.get()), 60);
    // A missing file leaves no note.
    EXPECT_FALSE(MakeStripThumbnail(Dir.filePath("fehlt.jpg").toStdString(), Cache, nullptr, &out));
    EXPECT_EQ(QDir(Root() + "/fail/PDFLumeno-1.0").entryList(QDir::Files).size(), 1);
}

TEST_F(ThumbnailCacheTest, StripThumbnailIsMadeOnceAndThenReadFromTheCache) {
    TDib first{};
    ASSERT_TRUE(MakeStripThumbnail(Photo, Cache, nullptr, &first));
    ScopedDib a(first);
    EXPECT_EQ(DibWidth(*a.get()), 80);
    EXPECT_EQ(DibHeight(*a.get()), 60);
    EXPECT_EQ(getpixel(a.get(), 40, 30), 0x1478DCu);
    const QString entry = Cache.ThumbPath(TThumbnailCache::FileUri(Photo));
    ASSERT_TRUE(QFileInfo::exists(entry));
    EXPECT_EQ(QImage(entry).size(), QSize(128, 96));
    // A marked entry (same keys, other pixels) proves the second thumbnail comes from it.
    QImage marked(entry);
    marked.fill(Qt::red);
    marked.setText(QStringLiteral("Thumb::URI"),
                   QString::fromLatin1(TThumbnailCache::FileUri(Photo)));
    marked.setText(QStringLiteral("Thumb::MTime"), QStringLiteral("1700000000"));
    marked.setText(QStringLiteral("Thumb::Image::Width"), QStringLiteral("800"));
    marked.setText(QStringLiteral("Thumb::Image::Height"), QStringLiteral("600"));
    ASSERT_TRUE(marked.save(entry));
    TDib second{};
    ASSERT_TRUE(MakeStripThumbnail(Photo, Cache, nullptr, &second));
    ScopedDib b(second);
    EXPECT_EQ(DibHeight(*b.get()), 60);
    EXPECT_EQ(getpixel(b.get(), 40, 30), 0xFF0000u);
}

} // namespace
} // namespace lumeno::ui::test

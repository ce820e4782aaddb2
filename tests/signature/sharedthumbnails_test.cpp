// The desktop's shared thumbnail cache under a temporary XDG_CACHE_HOME:
// what is trusted, what is ignored, and what is written back.
#include "signature/sharedthumbnails.h"

#include "base/diskpath.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <Magick++.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace vexa;

namespace {

// A load and the write-back it asked for, which happens after the load
// returned on a thread of its own.
bool loadSettled(const QString &path, const QSize &box, LoadedImage &image)
{
    const bool ok = LoadSharedThumbnail(path, box, image);
    WaitForSharedThumbnailWrites();
    return ok;
}

class SharedThumbnails : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitialiseImageLoader();
        ASSERT_TRUE(m_files.isValid());
        ASSERT_TRUE(m_cache.isValid());
        m_saved = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", m_cache.path().toLocal8Bit());
        // A red photograph of 640 x 480.
        QImage red(640, 480, QImage::Format_RGB32);
        red.fill(Qt::red);
        ASSERT_TRUE(red.save(photo(), "JPEG", 95));
    }
    void TearDown() override { qputenv("XDG_CACHE_HOME", m_saved); }

    QString photo() const { return m_files.filePath(QStringLiteral("photo one.jpg")); }
    QString cached(const char *folder) const
    {
        return m_cache.path() + QStringLiteral("/thumbnails/") + QLatin1String(folder)
            + QLatin1Char('/')
            + QString::fromLatin1(
                QCryptographicHash::hash(ThumbnailUri(photo()), QCryptographicHash::Md5).toHex())
            + QStringLiteral(".png");
    }
    qint64 mtime() const { return StatOnDisk(photo()).modifiedNs / 1000000000; }

    // A green thumbnail the way another program leaves one (ImageMagick
    // writes an image's properties as PNG text chunks).
    void plant(const char *folder, const QByteArray &uri, qint64 mtime, bool withSize = true)
    {
        QDir().mkpath(QFileInfo(cached(folder)).absolutePath());
        Magick::Image green(Magick::Geometry(128, 96), Magick::Color("#00ff00"));
        green.attribute("Thumb::URI", uri.toStdString());
        green.attribute("Thumb::MTime", std::to_string(mtime));
        if (withSize) {
            green.attribute("Thumb::Image::Width", "640");
            green.attribute("Thumb::Image::Height", "480");
        }
        green.write(QFile::encodeName(cached(folder)).toStdString());
    }

    // A text key of a cached PNG, read by ImageMagick.
    static std::string key(const QString &png, const char *name)
    {
        Magick::Image image;
        image.read(QFile::encodeName(png).toStdString());
        return image.attribute(name);
    }

    static bool isGreen(const QImage &picture)
    {
        const QColor c = picture.pixelColor(picture.width() / 2, picture.height() / 2);
        return c.green() > 200 && c.red() < 60;
    }
    static bool isRed(const QImage &picture)
    {
        const QColor c = picture.pixelColor(picture.width() / 2, picture.height() / 2);
        return c.red() > 200 && c.green() < 60;
    }

    QTemporaryDir m_files;
    QTemporaryDir m_cache;
    QByteArray m_saved;
};

}  // namespace

TEST(ThumbnailUri, IsTheFileUriOtherProgramsHashToo)
{
    const struct {
        const char *path;
        const char *uri;
    } rows[] = {
        { "/home/anna/photo.jpg", "file:///home/anna/photo.jpg" },
        { "/home/anna/my photo#1.jpg", "file:///home/anna/my%20photo%231.jpg" },
        { "/home/anna/Ærø.png", "file:///home/anna/%C3%86r%C3%B8.png" },
        { "/tmp/a/../b/(x)&y.png", "file:///tmp/b/(x)&y.png" },
    };
    for (const auto &row : rows)
        EXPECT_EQ(ThumbnailUri(QString::fromUtf8(row.path)), QByteArray(row.uri)) << row.path;
    // A name that is not UTF-8 keeps its own bytes.
    EXPECT_EQ(ThumbnailUri(NameFromDisk(QByteArray("/tmp/caf\xe9.jpg"))),
        QByteArray("file:///tmp/caf%E9.jpg"));
}

TEST_F(SharedThumbnails, AMissIsDecodedAndWrittenBackThenServedFromTheCache)
{
    LoadedImage first;
    ASSERT_TRUE(loadSettled(photo(), QSize(100, 100), first));
    EXPECT_TRUE(isRed(first.picture));
    EXPECT_EQ(first.picture.size(), QSize(100, 75));
    EXPECT_EQ(QSize(first.width, first.height), QSize(640, 480));

    ASSERT_TRUE(QFile::exists(cached("normal")));
    EXPECT_EQ(key(cached("normal"), "Thumb::URI"), ThumbnailUri(photo()).toStdString());
    EXPECT_EQ(key(cached("normal"), "Thumb::MTime"), std::to_string(mtime()));
    EXPECT_EQ(key(cached("normal"), "Thumb::Size"), std::to_string(QFileInfo(photo()).size()));
    EXPECT_EQ(key(cached("normal"), "Thumb::Image::Width"), "640");
    EXPECT_EQ(QImage(cached("normal")).size(), QSize(128, 96));
    struct stat st = {};
    ASSERT_EQ(::stat(QFile::encodeName(cached("normal")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(QDir(QFileInfo(cached("normal")).absolutePath()).entryList(QDir::Files).size(), 1)
        << "no temporary file left behind";

    LoadedImage second;
    ASSERT_TRUE(loadSettled(photo(), QSize(100, 100), second));
    EXPECT_EQ(second.format, QStringLiteral("cached thumbnail"));
    EXPECT_EQ(QSize(second.width, second.height), QSize(640, 480));
    EXPECT_EQ(second.picture.size(), QSize(100, 75));

    // A larger box needs the large folder: decoded again, written there.
    LoadedImage larger;
    ASSERT_TRUE(loadSettled(photo(), QSize(200, 200), larger));
    EXPECT_NE(larger.format, QStringLiteral("cached thumbnail"));
    EXPECT_TRUE(QFile::exists(cached("large")));
}

// Only a thumbnail naming this file at its current time is trusted; a
// planted green one shows whether it was.
TEST_F(SharedThumbnails, OnlyAThumbnailOfThisFileAtItsTimeIsTrusted)
{
    const struct {
        const char *what;
        QByteArray uri;
        qint64 mtime;
        bool trusted;
    } rows[] = {
        { "the file at its time", ThumbnailUri(photo()), mtime(), true },
        { "stale: the file changed since", ThumbnailUri(photo()), mtime() - 60, false },
        { "foreign: another file's", QByteArrayLiteral("file:///elsewhere/photo.jpg"), mtime(),
            false },
    };
    for (const auto &row : rows) {
        plant("normal", row.uri, row.mtime);
        LoadedImage image;
        ASSERT_TRUE(loadSettled(photo(), QSize(120, 120), image)) << row.what;
        EXPECT_EQ(isGreen(image.picture), row.trusted) << row.what;
        EXPECT_EQ(isRed(image.picture), !row.trusted) << row.what;
        EXPECT_EQ(QSize(image.width, image.height), QSize(640, 480)) << row.what;
        if (!row.trusted) {
            // Replaced by one that is right.
            EXPECT_EQ(key(cached("normal"), "Thumb::URI"), ThumbnailUri(photo()).toStdString());
            EXPECT_EQ(key(cached("normal"), "Thumb::MTime"), std::to_string(mtime()));
        }
    }
    // Without the size keys the file's own header gives its dimensions.
    plant("normal", ThumbnailUri(photo()), mtime(), false);
    LoadedImage image;
    ASSERT_TRUE(loadSettled(photo(), QSize(120, 120), image));
    EXPECT_TRUE(isGreen(image.picture));
    EXPECT_EQ(QSize(image.width, image.height), QSize(640, 480));
}

TEST_F(SharedThumbnails, CorruptThumbnailsAreIgnored)
{
    plant("normal", ThumbnailUri(photo()), mtime());
    QFile png(cached("normal"));
    ASSERT_TRUE(png.open(QIODevice::ReadWrite));
    const QByteArray whole = png.readAll();
    for (const QByteArray &bytes :
        { whole.left(whole.size() / 2), QByteArray("not a png"), QByteArray() }) {
        png.resize(0);
        png.seek(0);
        png.write(bytes);
        png.flush();
        LoadedImage image;
        ASSERT_TRUE(loadSettled(photo(), QSize(120, 120), image)) << bytes.size();
        EXPECT_TRUE(isRed(image.picture)) << bytes.size();
    }
}

TEST_F(SharedThumbnails, ACacheThatCannotBeWrittenChangesNothing)
{
    // A file where the cache directory would be stops even root.
    QFile blocker(m_cache.filePath(QStringLiteral("thumbnails")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    for (int i = 0; i < 2; ++i) {
        LoadedImage image;
        ASSERT_TRUE(loadSettled(photo(), QSize(100, 100), image));
        EXPECT_TRUE(isRed(image.picture));
        EXPECT_EQ(QSize(image.width, image.height), QSize(640, 480));
    }
}

TEST_F(SharedThumbnails, AFileThatDoesNotDecodeIsRecordedUnderFail)
{
    QFile broken(photo());
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("neither JPEG nor anything else");
    broken.close();
    LoadedImage image;
    EXPECT_FALSE(loadSettled(photo(), QSize(100, 100), image));
    EXPECT_FALSE(image.reason.isEmpty());
    const QDir fail(m_cache.path() + QStringLiteral("/thumbnails/fail"));
    const QStringList apps = fail.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(apps.size(), 1);
    EXPECT_TRUE(apps.first().startsWith(QStringLiteral("vexa-")));
    EXPECT_TRUE(QFile::exists(
        fail.filePath(apps.first()) + QLatin1Char('/') + QFileInfo(cached("normal")).fileName()));
    EXPECT_FALSE(QFile::exists(cached("normal")));
}

// The viewer's thumbnail loader on real files: a camera file's embedded
// picture first, then the file's own decode; the order in which pictures
// are handed back; and a damaged file whose embedded picture is sound.
#include "review/thumbnailloader.h"
#include "signature/sharedthumbnails.h"
#include "support/exiforientation.h"
#include "support/photograph.h"
#include "support/waituntil.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

using namespace vexa;

namespace {

struct Delivery {
    int order;
    int tile;
    LoadedImage image;
    bool final;
};

class ThumbnailLoading : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(m_cache.isValid());
        m_saved = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", m_cache.path().toLocal8Bit());
        const QImage photo = test::MakePhotograph(2).scaled(1600, 1200);
        m_photo = test::JpegBytes(photo, 90);
        m_camera = test::WithExifThumbnail(
            m_photo, test::JpegBytes(test::MakePhotograph(2).scaled(160, 120), 80), 0, false);
    }
    void TearDown() override
    {
        WaitForSharedThumbnailWrites();
        qputenv("XDG_CACHE_HOME", m_saved);
    }
    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    // One batch on two threads, every signal recorded until finished.
    QList<Delivery> load(const QList<ThumbnailLoader::Request> &requests, int *finishedCount)
    {
        ThumbnailLoader loader(nullptr, 2);
        QList<Delivery> got;
        int finished = 0;
        QObject::connect(&loader, &ThumbnailLoader::decoded,
            [&](int order, int tile, const LoadedImage &image, bool final) {
                got.append({ order, tile, image, final });
            });
        QObject::connect(&loader, &ThumbnailLoader::finished, [&] { ++finished; });
        loader.start(requests);
        EXPECT_TRUE(test::WaitUntil([&] { return finished > 0; }, 60000));
        // Nothing more arrives after finished.
        test::WaitUntil([] { return false; }, 50);
        if (finishedCount)
            *finishedCount = finished;
        return got;
    }

    QTemporaryDir m_dir;
    QTemporaryDir m_cache;
    QByteArray m_saved;
    QByteArray m_photo;
    QByteArray m_camera;
};

TEST_F(ThumbnailLoading, TheEmbeddedPictureComesFirstAndTheFileItselfAfter)
{
    const QString camera = write(QStringLiteral("camera.jpg"), m_camera);
    const QString plain = write(QStringLiteral("plain.jpg"), m_photo);
    // An edited copy that kept its original's EXIF block, thumbnail and all.
    const QString edited = write(QStringLiteral("edited.jpg"),
        test::WithExifThumbnail(test::JpegBytes(test::MakePhotograph(9).scaled(1600, 1200), 90),
            test::JpegBytes(test::MakePhotograph(2).scaled(160, 120), 80), 0, false));
    const struct {
        const char *what;
        QString path;
        QSize box;
        QStringList formats;  // of the pictures in the order they come
        QSize finalSize;
    } cases[] = {
        { "camera file, tile smaller than its thumbnail", camera, QSize(152, 147),
            { "EXIF thumbnail", "JPEG" }, QSize(152, 114) },
        { "camera file, larger tile", camera, QSize(400, 400), { "EXIF thumbnail", "JPEG" },
            QSize(400, 300) },
        { "edited copy", edited, QSize(152, 147), { "EXIF thumbnail", "JPEG" }, QSize(152, 114) },
        { "file without one", plain, QSize(152, 147), { "JPEG" }, QSize(152, 114) },
    };
    for (const auto &c : cases) {
        int finished = 0;
        const QList<Delivery> got = load({ { 7, c.path, c.box } }, &finished);
        EXPECT_EQ(finished, 1) << c.what;
        QStringList formats;
        for (const Delivery &d : got) {
            formats.append(d.image.format);
            EXPECT_EQ(d.tile, 7) << c.what;
            EXPECT_TRUE(d.image.ok) << c.what;
            EXPECT_EQ(QSize(d.image.width, d.image.height), QSize(1600, 1200)) << c.what;
            EXPECT_LE(d.image.picture.width(), c.box.width()) << c.what;
            EXPECT_LE(d.image.picture.height(), c.box.height()) << c.what;
        }
        EXPECT_EQ(formats, c.formats) << c.what;
        ASSERT_FALSE(got.isEmpty()) << c.what;
        EXPECT_TRUE(got.last().final) << c.what;
        EXPECT_EQ(got.last().image.picture.size(), c.finalSize) << c.what;
        for (qsizetype i = 0; i + 1 < got.size(); ++i)
            EXPECT_FALSE(got.at(i).final) << c.what;
        if (got.size() == 2) {
            // The file's own picture replaces the embedded one: close to it
            // for the camera file, far from it for the edited copy.
            const double apart = test::MeanDifference(got.first().image.picture,
                got.last().image.picture.convertToFormat(got.first().image.picture.format()));
            if (c.path == edited)
                EXPECT_GT(apart, 25) << c.what;
            else if (c.box == QSize(152, 147))
                EXPECT_LT(apart, 12) << c.what;
        }
    }
    // The decode for the larger tile was written back to the shared cache:
    // the next time the cache serves it at once.
    WaitForSharedThumbnailWrites();
    const QList<Delivery> again = load({ { 0, camera, QSize(400, 400) } }, nullptr);
    ASSERT_EQ(again.size(), 1);
    EXPECT_EQ(again.first().image.format, QStringLiteral("cached thumbnail"));
    EXPECT_TRUE(again.first().final);
}

TEST_F(ThumbnailLoading, ADamagedFileLosesItsFirstPictureAndOrderIsKept)
{
    // The image data cut short behind a sound EXIF block.
    const QString damaged
        = write(QStringLiteral("damaged.jpg"), m_camera.left(m_camera.size() * 2 / 3));
    QList<ThumbnailLoader::Request> requests;
    for (int i = 0; i < 12; ++i) {
        const QString path = i == 5 ? damaged
            : i % 3 == 0            ? write(QStringLiteral("plain%1.jpg").arg(i), m_photo)
                                    : write(QStringLiteral("camera%1.jpg").arg(i), m_camera);
        requests.append({ 100 + i, path, QSize(300, 300) });
    }
    int finished = 0;
    const QList<Delivery> got = load(requests, &finished);
    EXPECT_EQ(finished, 1);
    QList<int> firsts;
    QList<int> finals;
    for (const Delivery &d : got) {
        EXPECT_EQ(d.tile, 100 + d.order);
        EXPECT_FALSE(finals.contains(d.order)) << "nothing follows a final answer";
        (d.final ? finals : firsts).append(d.order);
    }
    EXPECT_EQ(finals, QList<int>({ 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 }));
    EXPECT_EQ(firsts, QList<int>({ 1, 2, 4, 5, 7, 8, 10, 11 })) << "the camera files' pictures";
    for (const Delivery &d : got) {
        if (d.order == 5 && d.final) {
            EXPECT_FALSE(d.image.ok);
            EXPECT_EQ(d.image.reason, QStringLiteral("Premature end of JPEG file"));
        } else {
            EXPECT_TRUE(d.image.ok) << d.order;
        }
    }
}

TEST_F(ThumbnailLoading, ANewBatchDropsEveryAnswerOfTheOldOne)
{
    ThumbnailLoader loader(nullptr, 2);
    QList<int> tiles;
    int finished = 0;
    QObject::connect(&loader, &ThumbnailLoader::decoded,
        [&](int, int tile, const LoadedImage &, bool) { tiles.append(tile); });
    QObject::connect(&loader, &ThumbnailLoader::finished, [&] { ++finished; });
    QList<ThumbnailLoader::Request> first;
    for (int i = 0; i < 8; ++i)
        first.append({ i, write(QStringLiteral("old%1.jpg").arg(i), m_camera), QSize(400, 400) });
    loader.start(first);
    loader.start({ { 50, write(QStringLiteral("new.jpg"), m_photo), QSize(100, 100) } });
    ASSERT_TRUE(test::WaitUntil([&] { return finished > 0; }, 60000));
    test::WaitUntil([] { return false; }, 300);
    EXPECT_EQ(tiles, QList<int>({ 50 }));
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(loader.isRunning());
}

}  // namespace

// The small picture cameras store in a JPEG's EXIF block: found in both byte
// orders, turned the way the image is, refused when its shape is not the
// image's, and never read outside the block when the block is damaged.
#include "signature/exifthumbnail.h"
#include "signature/imageloader.h"
#include "support/exiforientation.h"
#include "support/photograph.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace vexa {
namespace {

class EmbeddedThumbnail : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitialiseImageLoader();
        ASSERT_TRUE(m_dir.isValid());
    }
    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    // A 1600 x 1200 photograph with its own 160 x 120 thumbnail.
    QByteArray camera(int orientation, bool bigEndian, QSize thumbnail = QSize(160, 120)) const
    {
        const QImage photo = test::MakePhotograph(7).scaled(1600, 1200);
        return test::WithExifThumbnail(test::JpegBytes(photo, 90),
            test::JpegBytes(test::MakePhotograph(7).scaled(thumbnail), 80), orientation, bigEndian);
    }
    QTemporaryDir m_dir;
};

TEST_F(EmbeddedThumbnail, IsTheImageTurnedTheSameWayInBothByteOrders)
{
    const struct {
        int orientation;
        bool bigEndian;
        QSize shown;
    } cases[] = {
        { 0, false, QSize(1600, 1200) },
        { 1, true, QSize(1600, 1200) },
        { 3, false, QSize(1600, 1200) },
        { 6, true, QSize(1200, 1600) },
        { 8, false, QSize(1200, 1600) },
    };
    for (const auto &c : cases) {
        const std::string what = "orientation " + std::to_string(c.orientation)
            + (c.bigEndian ? " big-endian" : " little-endian");
        const QString path
            = write(QStringLiteral("camera%1%2.jpg").arg(c.orientation).arg(c.bigEndian),
                camera(c.orientation, c.bigEndian));
        LoadedImage embedded;
        ASSERT_TRUE(LoadEmbeddedThumbnail(path, embedded)) << what << embedded.reason.toStdString();
        EXPECT_EQ(embedded.format, QStringLiteral("EXIF thumbnail")) << what;
        EXPECT_EQ(QSize(embedded.width, embedded.height), c.shown) << what;
        EXPECT_EQ(embedded.picture.size(), c.shown / 10) << what;
        // It shows what the decode of the file shows, the same way up.
        LoadedImage decoded;
        ASSERT_TRUE(LoadImageThumbnail(path, embedded.picture.size(), decoded)) << what;
        EXPECT_LT(test::MeanDifference(
                      embedded.picture, decoded.picture.convertToFormat(QImage::Format_RGB32)),
            12)
            << what;
    }
}

TEST_F(EmbeddedThumbnail, IsRefusedWhenMissingOfAnotherShapeOrNotAJpeg)
{
    const QByteArray plain = test::JpegBytes(test::MakePhotograph(3).scaled(1500, 1000), 90);
    const QByteArray thumb43 = test::JpegBytes(test::MakePhotograph(3).scaled(160, 120), 80);
    const QByteArray thumb32 = test::JpegBytes(test::MakePhotograph(3).scaled(160, 107), 80);
    const QByteArray png = [] {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        test::MakePhotograph(3).save(&buffer, "PNG");
        return bytes;
    }();
    const struct {
        const char *name;
        QByteArray bytes;
        bool ok;
        const char *reason;
    } cases[] = {
        { "rounded_to_whole_pixels.jpg", test::WithExifThumbnail(plain, thumb32, 1, false), true,
            "" },
        { "letterboxed_4_3_in_3_2.jpg", test::WithExifThumbnail(plain, thumb43, 1, false), false,
            "embedded thumbnail of another shape" },
        { "orientation_only.jpg", test::WithOrientationTag(plain, 6), false,
            "no embedded thumbnail" },
        { "no_exif.jpg", plain, false, "no embedded thumbnail" },
        { "thumbnail_not_a_jpeg.jpg", test::WithExifThumbnail(plain, png.left(60000), 1, true),
            false, "no embedded thumbnail" },
        { "png.jpg", png, false, nullptr },
    };
    for (const auto &c : cases) {
        LoadedImage image;
        EXPECT_EQ(LoadEmbeddedThumbnail(write(QLatin1String(c.name), c.bytes), image), c.ok)
            << c.name;
        EXPECT_EQ(image.ok, c.ok) << c.name;
        if (c.reason)
            EXPECT_EQ(image.reason, QLatin1String(c.reason)) << c.name;
        else
            EXPECT_FALSE(image.reason.isEmpty()) << c.name;
    }
    LoadedImage missing;
    EXPECT_FALSE(LoadEmbeddedThumbnail(m_dir.filePath(QStringLiteral("missing.jpg")), missing));
}

// The EXIF block of a camera file: the APP1 data from "Exif\0\0" on.
QByteArray exifBlockOf(const QByteArray &jpeg)
{
    const int length = (quint8(jpeg[4]) << 8) | quint8(jpeg[5]);
    return jpeg.mid(6, length - 2);
}

TEST_F(EmbeddedThumbnail, DamagedBlocksNeverReadOutsideThemselves)
{
    for (const bool bigEndian : { false, true }) {
        const QByteArray whole = exifBlockOf(camera(6, bigEndian));
        ASSERT_FALSE(ExifThumbnail(whole).isEmpty());
        // Every truncation: nothing, or a view inside what is left.
        for (qsizetype size = 0; size < whole.size(); ++size) {
            const QByteArray cut = whole.left(size);
            const QByteArrayView found = ExifThumbnail(cut);
            if (!found.isEmpty()) {
                EXPECT_GE(found.data(), cut.constData());
                EXPECT_LE(found.data() + found.size(), cut.constData() + cut.size()) << size;
            }
        }
        // Random bytes changed in the structure (the first 100 bytes: header,
        // directories, offsets), the same each run.
        QRandomGenerator random(bigEndian ? 19 : 91);
        for (int round = 0; round < 2000; ++round) {
            QByteArray damaged = whole;
            for (int n = 0; n < 3; ++n)
                damaged[random.bounded(6, 100)] = char(random.bounded(256));
            const QByteArrayView found = ExifThumbnail(damaged);
            if (!found.isEmpty()) {
                EXPECT_GE(found.data(), damaged.constData());
                EXPECT_LE(found.data() + found.size(), damaged.constData() + damaged.size());
            }
        }
    }
    // Offsets and lengths at the edges of 32 bits must not wrap.
    QByteArray huge = exifBlockOf(camera(0, false));
    const qsizetype lengthValue = huge.indexOf(QByteArray("\x02\x02\x04\x00\x01\x00\x00\x00", 8));
    ASSERT_GT(lengthValue, 0);
    for (const quint32 value : { 0xFFFFFFFFu, 0xFFFFFFF0u, 0x80000000u }) {
        QByteArray wrapped = huge;
        for (int i = 0; i < 4; ++i)
            wrapped[lengthValue + 8 + i] = char((value >> (8 * i)) & 0xFF);
        EXPECT_TRUE(ExifThumbnail(wrapped).isEmpty()) << value;
    }
}

TEST_F(EmbeddedThumbnail, DamagedFilesLoadOrFailButNeverCrash)
{
    const QByteArray whole = camera(6, true);
    const int segment = 4 + ((quint8(whole[4]) << 8) | quint8(whole[5]));
    QRandomGenerator random(5);
    for (int round = 0; round < 300; ++round) {
        QByteArray damaged = whole;
        // Inside the EXIF segment, its header and length kept.
        for (int n = 0; n < 4; ++n)
            damaged[random.bounded(12, segment)] = char(random.bounded(256));
        LoadedImage image;
        if (LoadEmbeddedThumbnail(write(QStringLiteral("damaged.jpg"), damaged), image)) {
            EXPECT_FALSE(image.picture.isNull());
            EXPECT_LE(image.picture.width(), kMaxEmbeddedThumbnailSide);
        } else {
            EXPECT_FALSE(image.reason.isEmpty());
        }
    }
    // The thumbnail's own data cut short: refused, not shown with a grey tail.
    const QByteArray thumb = test::JpegBytes(test::MakePhotograph(7).scaled(160, 120), 80);
    const QByteArray photo = test::JpegBytes(test::MakePhotograph(7).scaled(1600, 1200), 90);
    QByteArray cut = test::WithExifThumbnail(photo, thumb.left(thumb.size() / 2), 1, false);
    LoadedImage image;
    EXPECT_FALSE(LoadEmbeddedThumbnail(write(QStringLiteral("cut.jpg"), cut), image));
    EXPECT_EQ(image.reason, QStringLiteral("Premature end of JPEG file"));
}

}  // namespace
}  // namespace vexa

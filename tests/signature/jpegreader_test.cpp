// The sampling and thumbnail decodes of JPEGs go to libjpeg directly; these
// cases decode the same real files through ImageMagick as well and want the
// same result.
#include "signature/imagefunc.h"
#include "signature/imageloader.h"
#include "support/exiforientation.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vexa {
namespace {

class JpegPathsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitialiseImageLoader();
        ASSERT_TRUE(m_dir.isValid());
        m_convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
        if (m_convert.isEmpty())
            GTEST_SKIP() << "ImageMagick convert is not installed";
    }
    void TearDown() override { SetDirectJpegDecoding(true); }

    QString file(const QString &name) const { return m_dir.filePath(name); }

    // A photograph-like picture of this size with the given encoder options.
    bool makeJpeg(const QString &name, const QString &size, const QStringList &options)
    {
        QStringList args
            = { QStringLiteral("-size"), size, QStringLiteral("gradient:#ff8040-#2040c0"),
                  QStringLiteral("-seed"), QStringLiteral("11"), QStringLiteral("-attenuate"),
                  QStringLiteral("0.4"), QStringLiteral("+noise"), QStringLiteral("gaussian") };
        args += options;
        args += file(name);
        QProcess p;
        p.start(m_convert, args);
        return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit
            && p.exitCode() == 0;
    }

    QByteArray read(const QString &name) const
    {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    void write(const QString &name, const QByteArray &bytes) const
    {
        QFile f(file(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    // Both decoders on the file (and on its bytes in memory): the same
    // answer, the same pixels.
    void expectSameDecode(const QString &name)
    {
        const std::string what = name.toStdString();
        LoadedImage viaMagick;
        LoadedImage direct;
        SetDirectJpegDecoding(false);
        const bool magickOk = LoadImageFile(file(name), viaMagick, DecodeSize::Sampling);
        const std::optional<ComputedSignature> magickSignature = ComputeSignature(file(name));
        SetDirectJpegDecoding(true);
        const bool directOk = LoadImageFile(file(name), direct, DecodeSize::Sampling);
        const std::optional<ComputedSignature> directSignature = ComputeSignature(file(name));
        ASSERT_EQ(directOk, magickOk) << what << ": " << direct.reason.toStdString() << " / "
                                      << viaMagick.reason.toStdString();
        EXPECT_EQ(direct.reason, viaMagick.reason) << what;
        EXPECT_EQ(direct.width, viaMagick.width) << what;
        EXPECT_EQ(direct.height, viaMagick.height) << what;
        EXPECT_EQ(direct.format, viaMagick.format) << what;
        EXPECT_EQ(direct.picture.format(), viaMagick.picture.format()) << what;
        EXPECT_EQ(direct.picture.size(), viaMagick.picture.size()) << what;
        EXPECT_TRUE(direct.picture == viaMagick.picture) << what << ": pixels differ";
        ASSERT_EQ(directSignature.has_value(), magickSignature.has_value()) << what;
        if (directSignature) {
            EXPECT_EQ(directSignature->signature.Pattern, magickSignature->signature.Pattern)
                << what;
        }

        LoadedImage fromBytes;
        EXPECT_EQ(LoadImageData(read(name), QStringLiteral("jpg"), fromBytes, DecodeSize::Sampling),
            magickOk)
            << what;
        EXPECT_TRUE(fromBytes.picture == viaMagick.picture) << what << ": from memory";
    }

    // The same for a thumbnail that fits in box.
    void expectSameThumbnail(const QString &name, const QSize &box)
    {
        const std::string what = name.toStdString() + " in " + std::to_string(box.width()) + "x"
            + std::to_string(box.height());
        LoadedImage viaMagick;
        LoadedImage direct;
        SetDirectJpegDecoding(false);
        const bool magickOk = LoadImageThumbnail(file(name), box, viaMagick);
        SetDirectJpegDecoding(true);
        const bool directOk = LoadImageThumbnail(file(name), box, direct);
        ASSERT_EQ(directOk, magickOk) << what << ": " << direct.reason.toStdString() << " / "
                                      << viaMagick.reason.toStdString();
        EXPECT_EQ(direct.reason, viaMagick.reason) << what;
        EXPECT_EQ(direct.width, viaMagick.width) << what;
        EXPECT_EQ(direct.height, viaMagick.height) << what;
        EXPECT_EQ(direct.format, viaMagick.format) << what;
        EXPECT_EQ(direct.picture.format(), viaMagick.picture.format()) << what;
        EXPECT_EQ(direct.picture.size(), viaMagick.picture.size()) << what;
        EXPECT_TRUE(direct.picture == viaMagick.picture) << what << ": pixels differ";
    }

    QTemporaryDir m_dir;
    QString m_convert;
};

TEST_F(JpegPathsTest, BothDecodersGiveTheSamePixels)
{
    struct Case {
        const char *name;
        const char *size;
        QStringList options;
    };
    const Case cases[] = {
        { "photo_12mp_scale_1_8.jpg", "4000x3000", { "-quality", "90" } },
        { "photo_scale_2_8.jpg", "1600x1200", { "-quality", "85" } },
        { "photo_scale_5_8.jpg", "640x480", { "-quality", "92" } },
        { "small_full_scale.jpg", "300x200", { "-quality", "95" } },
        { "tall_portrait.jpg", "600x2000", { "-quality", "88" } },
        { "wide_odd_sides.jpg", "2001x333", { "-quality", "80" } },
        { "progressive.jpg", "1800x1200", { "-interlace", "JPEG", "-quality", "90" } },
        { "no_subsampling.jpg", "1200x900", { "-sampling-factor", "1x1", "-quality", "90" } },
        { "subsampled_4_2_2.jpg", "1200x900", { "-sampling-factor", "2x1", "-quality", "90" } },
        { "grey.jpg", "1024x768", { "-colorspace", "Gray", "-quality", "90" } },
        { "cmyk_stays_with_imagemagick.jpg", "800x600", { "-colorspace", "CMYK" } },
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(makeJpeg(QString::fromLatin1(c.name), QString::fromLatin1(c.size), c.options))
            << c.name;
        expectSameDecode(QString::fromLatin1(c.name));
    }
}

TEST_F(JpegPathsTest, ThumbnailsComeOutTheSameFromBothDecoders)
{
    struct Case {
        const char *name;
        const char *size;
        QStringList options;
    };
    const Case cases[] = {
        { "photo_12mp.jpg", "4000x3000", { "-quality", "90" } },
        { "tall_portrait.jpg", "600x2000", { "-quality", "88" } },
        { "wide_odd_sides.jpg", "2001x333", { "-quality", "80" } },
        { "smaller_than_box.jpg", "120x90", { "-quality", "90" } },
        { "progressive.jpg", "1800x1200", { "-interlace", "JPEG", "-quality", "90" } },
        { "grey.jpg", "1024x768", { "-colorspace", "Gray", "-quality", "90" } },
        { "cmyk_stays_with_imagemagick.jpg", "800x600", { "-colorspace", "CMYK" } },
    };
    // The viewer's tile boxes, the cache's sizes, and a thin one.
    const QSize boxes[]
        = { QSize(152, 147), QSize(256, 256), QSize(128, 128), QSize(512, 512), QSize(300, 40) };
    for (const Case &c : cases) {
        ASSERT_TRUE(makeJpeg(QString::fromLatin1(c.name), QString::fromLatin1(c.size), c.options))
            << c.name;
        for (const QSize &box : boxes)
            expectSameThumbnail(QString::fromLatin1(c.name), box);
    }
}

TEST_F(JpegPathsTest, OrientationTagsTurnThePictureTheSameWay)
{
    ASSERT_TRUE(makeJpeg(QStringLiteral("plain.jpg"), QStringLiteral("1200x700"),
        { QStringLiteral("-quality"), QStringLiteral("90") }));
    const QByteArray plain = read(QStringLiteral("plain.jpg"));
    for (int tag = 1; tag <= 8; ++tag) {
        const QString name = QStringLiteral("tag%1.jpg").arg(tag);
        write(name, test::WithOrientationTag(plain, tag));
        expectSameDecode(name);
        expectSameThumbnail(name, QSize(200, 150));
    }
}

TEST_F(JpegPathsTest, DamagedFilesAreRefusedTheSameWay)
{
    ASSERT_TRUE(makeJpeg(QStringLiteral("whole.jpg"), QStringLiteral("1600x1200"),
        { QStringLiteral("-quality"), QStringLiteral("90") }));
    const QByteArray whole = read(QStringLiteral("whole.jpg"));
    QByteArray flipped = whole;
    for (qsizetype i = whole.size() / 3; i < whole.size() / 3 + 64; ++i)
        flipped[i] = char(~flipped[i]);
    const struct {
        const char *name;
        QByteArray bytes;
    } cases[] = {
        { "truncated_half.jpg", whole.left(whole.size() / 2) },
        { "truncated_header.jpg", whole.left(300) },
        { "bits_flipped.jpg", flipped },
        { "no_end_marker.jpg", whole.left(whole.size() - 2) },
    };
    for (const auto &c : cases) {
        write(QString::fromLatin1(c.name), c.bytes);
        expectSameDecode(QString::fromLatin1(c.name));
        expectSameThumbnail(QString::fromLatin1(c.name), QSize(256, 256));
    }
    // The truncated file must not come out with a grey tail.
    LoadedImage image;
    EXPECT_FALSE(
        LoadImageFile(file(QStringLiteral("truncated_half.jpg")), image, DecodeSize::Sampling));
    EXPECT_EQ(image.reason, QStringLiteral("Premature end of JPEG file"));
}

}  // namespace
}  // namespace vexa

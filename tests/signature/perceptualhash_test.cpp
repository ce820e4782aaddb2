#include "signature/imageloader.h"
#include "signature/perceptualhash.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTransform>

#include <gtest/gtest.h>

namespace vexa {
namespace {

class PerceptualHashTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitialiseImageLoader();
        ASSERT_TRUE(m_dir.isValid());
        m_convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
        if (m_convert.isEmpty())
            GTEST_SKIP() << "ImageMagick's convert is needed to make the pictures";
    }

    QString file(const QString &name) const { return m_dir.filePath(name); }

    bool convert(const QStringList &args) const
    {
        QProcess p;
        p.start(m_convert, args);
        return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit
            && p.exitCode() == 0;
    }

    // A photograph-like picture: a plasma landscape with a few shapes on it,
    // different for every seed.
    bool makePhoto(const QString &name, int seed)
    {
        const QString s = QString::number(seed);
        return convert(
            { QStringLiteral("-size"), QStringLiteral("480x360"), QStringLiteral("-seed"), s,
                QStringLiteral("plasma:"), QStringLiteral("-blur"), QStringLiteral("0x2"),
                QStringLiteral("-fill"), QStringLiteral("#202020"), QStringLiteral("-draw"),
                QStringLiteral("circle %1,%2 %3,%4")
                    .arg(60 + seed * 37 % 300)
                    .arg(50 + seed * 53 % 220)
                    .arg(100 + seed * 37 % 300)
                    .arg(90 + seed * 53 % 220),
                QStringLiteral("-quality"), QStringLiteral("92"), file(name) });
    }

    PerceptualHash hashOf(const QString &name) const
    {
        LoadedImage image;
        EXPECT_TRUE(LoadImageFile(file(name), image, DecodeSize::Sampling))
            << name.toStdString() << ": " << image.reason.toStdString();
        return PerceptualHashOfPicture(image.picture);
    }

    QTemporaryDir m_dir;
    QString m_convert;
};

TEST_F(PerceptualHashTest, EveryOrientationFollowsFromOneSignature)
{
    // Random pictures whose side divides evenly by the reduction, so the
    // reduced picture of a turned picture is exactly the turned reduction.
    QRandomGenerator random(17);
    const QTransform rotated90 = QTransform().rotate(90);
    for (int trial = 0; trial < 20; ++trial) {
        QImage picture(96, 64 + 32 * (trial % 3), QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, random.generate() | 0xFF000000u);
        const QImage turned[kOrientationCount] = {
            picture,
            picture.mirrored(true, false),
            picture.mirrored(true, true),
            picture.mirrored(false, true),
            picture.transformed(rotated90).mirrored(true, false),
            picture.transformed(rotated90),
            picture.transformed(rotated90).mirrored(false, true),
            picture.transformed(QTransform().rotate(270)),
        };
        const PerceptualHash hash = PerceptualHashOfPicture(picture);
        for (int o = 0; o < kOrientationCount; ++o) {
            EXPECT_EQ(PerceptualOriented(hash, Orientation(o)), PerceptualHashOfPicture(turned[o]))
                << "trial " << trial << " orientation " << o;
            EXPECT_EQ(
                PerceptualDistanceAnyOrientation(PerceptualHashOfPicture(turned[o]), hash), 0);
        }
    }
}

TEST_F(PerceptualHashTest, EditsPeopleMakeKeepTheSignatureAndOtherPicturesDoNot)
{
    struct Edit {
        const char *name;
        QStringList args;
        const char *suffix;
        bool cropped = false;  // enlarges what is left by a ninth: the hardest edit
    };
    const QString caption = QStringLiteral("Holiday 2026");
    const Edit edits[] = {
        { "half size", { QStringLiteral("-resize"), QStringLiteral("50%") }, "jpg" },
        { "quarter size", { QStringLiteral("-resize"), QStringLiteral("25%") }, "jpg" },
        { "thumbnail", { QStringLiteral("-resize"), QStringLiteral("160x160") }, "jpg" },
        { "quality 15", { QStringLiteral("-quality"), QStringLiteral("15") }, "jpg" },
        { "PNG", {}, "png" },
        { "GIF", {}, "gif" },
        { "TIFF", {}, "tif" },
        { "BMP", {}, "bmp" },
        { "greyscale", { QStringLiteral("-colorspace"), QStringLiteral("Gray") }, "jpg" },
        { "darker", { QStringLiteral("-modulate"), QStringLiteral("92") }, "jpg" },
        { "lighter", { QStringLiteral("-modulate"), QStringLiteral("108") }, "jpg" },
        { "more contrast", { QStringLiteral("-brightness-contrast"), QStringLiteral("0x15") },
            "jpg" },
        { "less contrast", { QStringLiteral("-brightness-contrast"), QStringLiteral("0x-15") },
            "jpg" },
        { "more saturated", { QStringLiteral("-modulate"), QStringLiteral("100,130") }, "jpg" },
        { "less saturated", { QStringLiteral("-modulate"), QStringLiteral("100,70") }, "jpg" },
        { "caption",
            { QStringLiteral("-font"), QStringLiteral("DejaVu-Sans"), QStringLiteral("-fill"),
                QStringLiteral("white"), QStringLiteral("-pointsize"), QStringLiteral("20"),
                QStringLiteral("-gravity"), QStringLiteral("southeast"),
                QStringLiteral("-annotate"), QStringLiteral("+8+4"), caption },
            "jpg" },
        { "crop 90 %",
            { QStringLiteral("-gravity"), QStringLiteral("center"), QStringLiteral("-crop"),
                QStringLiteral("90%x90%+0+0"), QStringLiteral("+repage") },
            "jpg", true },
        { "rotated 90", { QStringLiteral("-rotate"), QStringLiteral("90") }, "jpg" },
        { "rotated 180", { QStringLiteral("-rotate"), QStringLiteral("180") }, "jpg" },
        { "rotated 270", { QStringLiteral("-rotate"), QStringLiteral("270") }, "jpg" },
        { "mirrored", { QStringLiteral("-flop") }, "jpg" },
    };
    const int threshold = PerceptualBitTolerance(kPerceptualDefaultTolerance);
    const int cropThreshold = PerceptualBitTolerance(9);
    constexpr int kPictures = 8;
    std::vector<PerceptualHash> originals;
    for (int seed = 1; seed <= kPictures; ++seed) {
        const QString original = QStringLiteral("photo%1.jpg").arg(seed);
        ASSERT_TRUE(makePhoto(original, seed));
        const PerceptualHash hash = hashOf(original);
        originals.push_back(hash);
        for (const Edit &edit : edits) {
            const QString edited
                = QStringLiteral("photo%1 %2.%3").arg(seed).arg(edit.name).arg(edit.suffix);
            ASSERT_TRUE(
                convert(QStringList { file(original) } + edit.args + QStringList { file(edited) }))
                << edit.name;
            const int distance = PerceptualDistanceAnyOrientation(hash, hashOf(edited));
            EXPECT_LE(distance, edit.cropped ? cropThreshold : threshold)
                << "picture " << seed << ", " << edit.name;
        }
    }
    for (int a = 0; a < kPictures; ++a)
        for (int b = a + 1; b < kPictures; ++b) {
            EXPECT_GT(PerceptualDistanceAnyOrientation(originals[size_t(a)], originals[size_t(b)]),
                cropThreshold)
                << "pictures " << a + 1 << " and " << b + 1;
        }
}

}  // namespace
}  // namespace vexa

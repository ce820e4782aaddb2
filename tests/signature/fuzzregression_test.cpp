// Replays the fuzz target's seeds and every input it ever crashed on through
// the real loader and signature, as files (extension from the name) and as
// bytes with the fuzz target's "tga" hint. Run under the sanitizer build
// these catch the memory faults again, not only wrong results.
#include "signature/imagefunc.h"
#include "signature/imageloader.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "support/qtprinters.h"

namespace vexa {
namespace {

QFileInfoList filesIn(const char *folder)
{
    const QDir dir(QStringLiteral(VEXA_FUZZ_DIR) + QLatin1Char('/') + QLatin1String(folder));
    return dir.entryInfoList(QDir::Files, QDir::Name);
}

QByteArray contents(const QFileInfo &info)
{
    QFile file(info.filePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A load either gives a usable picture and signature or fails with a reason
// and nothing else.
void expectClean(const LoadedImage &image, const std::string &what)
{
    if (!image.ok) {
        EXPECT_FALSE(image.reason.isEmpty()) << what;
        EXPECT_TRUE(image.picture.isNull()) << what;
        return;
    }
    EXPECT_GT(image.width, 0) << what;
    EXPECT_GT(image.height, 0) << what;
    ASSERT_FALSE(image.picture.isNull()) << what;
    const ComputedSignature signature
        = SignatureOfPicture(image.picture, image.width, image.height);
    EXPECT_EQ(signature.signature.Pattern.size(), 64) << what;
}

TEST(FuzzRegressionTest, EverySeedIsAnImageTheLoaderAccepts)
{
    InitialiseImageLoader();
    const QFileInfoList seeds = filesIn("seeds");
    ASSERT_GE(seeds.size(), 16);
    QStringList formats;
    for (const QFileInfo &seed : seeds) {
        QString reason;
        const auto signature = ComputeSignature(seed.filePath(), &reason);
        EXPECT_TRUE(signature.has_value())
            << seed.fileName().toStdString() << ": " << reason.toStdString();
        LoadedImage image;
        if (LoadImageFile(seed.filePath(), image, DecodeSize::Sampling)
            && !formats.contains(image.format))
            formats.append(image.format);
    }
    // The seeds reach every decoder the loader accepts.
    formats.sort();
    QStringList accepted = AcceptedImageFormats();
    accepted.sort();
    EXPECT_EQ(formats, accepted);
}

TEST(FuzzRegressionTest, EveryFoundInputLoadsCleanlyOrFailsCleanly)
{
    InitialiseImageLoader();
    const QFileInfoList found = filesIn("regressions");
    ASSERT_FALSE(found.isEmpty());
    for (const QFileInfo &input : found) {
        const std::string name = input.fileName().toStdString();
        LoadedImage fromFile;
        LoadImageFile(input.filePath(), fromFile, DecodeSize::Sampling);
        expectClean(fromFile, name + " as a file");
        LoadedImage fromBytes;
        LoadImageData(contents(input), QStringLiteral("tga"), fromBytes, DecodeSize::Sampling);
        expectClean(fromBytes, name + " as bytes");
        QString reason;
        EXPECT_EQ(ComputeSignature(input.filePath(), &reason).has_value(), fromFile.ok) << name;
    }
}

// The loader reads a Utah RLE header itself (ImageMagick's header-only read of
// one with a colour map leaks the map); the size must still be the file's.
TEST(FuzzRegressionTest, UtahRleSizeComesFromItsHeader)
{
    InitialiseImageLoader();
    LoadedImage image;
    ASSERT_TRUE(LoadImageFile(QStringLiteral(VEXA_FUZZ_DIR "/seeds/utah.rle"), image))
        << image.reason.toStdString();
    EXPECT_EQ(image.format, QStringLiteral("RLE"));
    EXPECT_EQ(image.width, 4);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.picture.size(), QSize(4, 2));
    LoadedImage shortHeader;
    EXPECT_FALSE(LoadImageData(QByteArray::fromHex("52CC00000000040002"), QString(), shortHeader));
    EXPECT_FALSE(shortHeader.reason.isEmpty());
}

}  // namespace
}  // namespace vexa

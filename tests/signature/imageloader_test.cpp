#include "signature/imagefunc.h"
#include "signature/imageloader.h"
#include "signature/signaturelib.h"
#include "support/exiforientation.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <future>
#include <random>
#include <vector>

namespace vexa {
namespace {

class ImageLoaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitialiseImageLoader();
        ASSERT_TRUE(m_dir.isValid());
        m_convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
    }

    QString file(const QString &name) const { return m_dir.filePath(name); }

    void write(const QString &name, const QByteArray &bytes) const
    {
        QFile f(file(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QByteArray read(const QString &name) const
    {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Runs ImageMagick's convert; false when it is missing or fails.
    bool convert(const QStringList &args) const
    {
        if (m_convert.isEmpty())
            return false;
        QProcess p;
        p.start(m_convert, args);
        return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit
            && p.exitCode() == 0;
    }

    // 80 x 40: left half red, right half blue.
    bool makeTwoColourSource(const QString &name, const QString &format = QString())
    {
        return convert({ QStringLiteral("-size"), QStringLiteral("40x40"), QStringLiteral("xc:red"),
            QStringLiteral("xc:blue"), QStringLiteral("+append"), format + file(name) });
    }

    // A photograph-like picture: smooth colour gradients with fine detail.
    bool makePhoto(const QString &name, const QString &size)
    {
        return convert({ QStringLiteral("-size"), size, QStringLiteral("gradient:#ff8040-#2040c0"),
            QStringLiteral("("), QStringLiteral("-size"), size,
            QStringLiteral("gradient:#000000-#ffffff"), QStringLiteral("-rotate"),
            QStringLiteral("90"), QStringLiteral(")"), QStringLiteral("-resize"),
            size + QStringLiteral("!"), QStringLiteral("-compose"), QStringLiteral("multiply"),
            QStringLiteral("-composite"), QStringLiteral("-seed"), QStringLiteral("7"),
            QStringLiteral("-attenuate"), QStringLiteral("0.3"), QStringLiteral("+noise"),
            QStringLiteral("gaussian"), QStringLiteral("-quality"), QStringLiteral("92"),
            file(name) });
    }

    QTemporaryDir m_dir;
    QString m_convert;
};

QByteArray le16(int v)
{
    QByteArray b(2, 0);
    qToLittleEndian<quint16>(quint16(v), b.data());
    return b;
}

QByteArray le32(qint64 v)
{
    QByteArray b(4, 0);
    qToLittleEndian<quint32>(quint32(v), b.data());
    return b;
}

// A placeable Windows metafile, 100 x 100 logical units at 96 per inch, that
// fills its window with a red rectangle. ImageMagick reads but cannot write WMF.
QByteArray redMetafile()
{
    QByteArray body;
    const auto record = [&](int function, std::initializer_list<int> params) {
        body += le32(3 + qint64(params.size())) + le16(function);
        for (int p : params)
            body += le16(p);
    };
    record(0x020B, { 0, 0 });  // SetWindowOrg
    record(0x020C, { 100, 100 });  // SetWindowExt
    record(0x02FC, { 0, 0x00FF, 0, 0 });  // CreateBrushIndirect: solid red
    record(0x012D, { 0 });  // SelectObject
    record(0x041B, { 100, 100, 0, 0 });  // Rectangle
    record(0x0000, {});  // end of file
    QByteArray header = le16(1) + le16(9) + le16(0x0300) + le32((18 + body.size()) / 2) + le16(1)
        + le32(7) + le16(0);
    QByteArray placeable = le32(0x9AC6CDD7) + le16(0) + le16(0) + le16(0) + le16(100) + le16(100)
        + le16(96) + le32(0);
    quint16 checksum = 0;
    for (int i = 0; i < 20; i += 2)
        checksum ^= qFromLittleEndian<quint16>(placeable.constData() + i);
    return placeable + le16(checksum) + header + body;
}

// A WordPerfect graphic (level 1) holding a 16 x 8 one-bit bitmap: left half
// white, right half black. ImageMagick reads but cannot write WPG.
QByteArray wordPerfectBitmap()
{
    const auto record = [](int type, const QByteArray &data) {
        return QByteArray(1, char(type)) + QByteArray(1, char(data.size())) + data;
    };
    QByteArray rows;
    for (int y = 0; y < 8; ++y)
        rows += QByteArray::fromHex("02FF00");  // two literal bytes per row
    QByteArray wpg = QByteArray::fromHex("FF575043") + le32(16) + QByteArray::fromHex("01160100")
        + le16(0) + le16(0);
    wpg += record(0x0F, QByteArray::fromHex("0100") + le16(16) + le16(8));
    wpg += record(0x0E, le16(0) + le16(2) + QByteArray::fromHex("000000FFFFFF"));
    wpg += record(0x0B, le16(16) + le16(8) + le16(1) + le16(75) + le16(75) + rows);
    wpg += record(0x10, QByteArray());
    return wpg;
}

// Every extension of the program's file pattern decodes by content.
TEST_F(ImageLoaderTest, EveryListedTypeDecodes)
{
    if (m_convert.isEmpty())
        GTEST_SKIP() << "ImageMagick convert is not installed";
    ASSERT_TRUE(makeTwoColourSource(QStringLiteral("source.png")));
    struct Row {
        const char *file;
        const char *writer;  // convert output prefix; empty: copy a file named in renameOf
        const char *renameOf;
        const char *decoder;
        bool lossy;
    } rows[] = {
        { "a.jpg", "JPEG", nullptr, "JPEG", true },
        { "a.jpe", "JPEG", nullptr, "JPEG", true },
        { "a.jif", "JPEG", nullptr, "JPEG", true },
        { "a.jfi", "JPEG", nullptr, "JPEG", true },
        { "a.bmp", "BMP", nullptr, "BMP", false },
        { "a.dib", "BMP3", nullptr, "BMP", false },
        { "a.pic", "PICT", nullptr, "PICT", false },
        { "a.gif", "GIF", nullptr, "GIF", false },
        { "a.pcx", "PCX", nullptr, "PCX", false },
        { "a.png", "PNG", nullptr, "PNG", false },
        { "a.tga", "TGA", nullptr, "TGA", false },
        { "a.tif", "TIFF", nullptr, "TIFF", false },
        // Run-length encoded Windows bitmap, as .rle files are.
        { "a.rle", "BMP3", nullptr, "BMP", false },
        // Konica's .kqp files hold JPEG data; content decides, not the name.
        { "a.kqp", nullptr, "a.jpg", "JPEG", true },
    };
    for (const Row &row : rows) {
        const QString name = QString::fromLatin1(row.file);
        if (row.writer) {
            QStringList args { file(QStringLiteral("source.png")) };
            if (name.endsWith(QLatin1String(".rle")))
                args << QStringLiteral("-colors") << QStringLiteral("16")
                     << QStringLiteral("-compress") << QStringLiteral("RLE");
            args << QString::fromLatin1(row.writer) + QLatin1Char(':') + file(name);
            ASSERT_TRUE(convert(args)) << row.file;
        } else {
            write(name, read(QString::fromLatin1(row.renameOf)));
        }
        LoadedImage image;
        ASSERT_TRUE(LoadImageFile(file(name), image))
            << row.file << ": " << image.reason.toStdString();
        EXPECT_EQ(image.format, QString::fromLatin1(row.decoder)) << row.file;
        EXPECT_EQ(image.width, 80) << row.file;
        EXPECT_EQ(image.height, 40) << row.file;
        ASSERT_EQ(image.picture.size(), QSize(80, 40)) << row.file;
        const int slack = row.lossy ? 12 : 0;
        const QRgb left = image.picture.pixel(10, 20);
        const QRgb right = image.picture.pixel(70, 20);
        EXPECT_NEAR(qRed(left), 255, slack) << row.file;
        EXPECT_NEAR(qBlue(left), 0, slack) << row.file;
        EXPECT_NEAR(qRed(right), 0, slack) << row.file;
        EXPECT_NEAR(qBlue(right), 255, slack) << row.file;
    }
}

// Colour spaces and depths that photographs come in still give sRGB pixels.
TEST_F(ImageLoaderTest, CmykSixteenBitAndGreyPicturesGiveRgbPixels)
{
    if (m_convert.isEmpty())
        GTEST_SKIP() << "ImageMagick convert is not installed";
    ASSERT_TRUE(makeTwoColourSource(QStringLiteral("source.png")));
    struct Row {
        const char *file;
        QStringList options;
        const char *output;
        QRgb left;
        int slack;
    } rows[] = {
        { "cmyk.jpg", { QStringLiteral("-colorspace"), QStringLiteral("CMYK") }, "cmyk.jpg",
            qRgb(255, 0, 0), 16 },
        { "deep.png", { QStringLiteral("-depth"), QStringLiteral("16") }, "PNG48:deep.png",
            qRgb(255, 0, 0), 0 },
        { "grey.png", { QStringLiteral("-colorspace"), QStringLiteral("Gray") }, "grey.png",
            qRgb(54, 54, 54), 2 },
        { "palette.bmp", { QStringLiteral("-colors"), QStringLiteral("4") }, "BMP3:palette.bmp",
            qRgb(255, 0, 0), 0 },
    };
    for (const Row &row : rows) {
        QStringList args { file(QStringLiteral("source.png")) };
        args << row.options;
        const QString output = QString::fromLatin1(row.output);
        const int colon = output.indexOf(QLatin1Char(':'));
        args << (colon < 0 ? file(output) : output.left(colon + 1) + file(output.mid(colon + 1)));
        ASSERT_TRUE(convert(args)) << row.file;
        LoadedImage image;
        ASSERT_TRUE(LoadImageFile(file(QString::fromLatin1(row.file)), image))
            << row.file << ": " << image.reason.toStdString();
        const QRgb left = image.picture.pixel(10, 20);
        EXPECT_NEAR(qRed(left), qRed(row.left), row.slack) << row.file;
        EXPECT_NEAR(qGreen(left), qGreen(row.left), row.slack) << row.file;
        EXPECT_NEAR(qBlue(left), qBlue(row.left), row.slack) << row.file;
    }
}

TEST_F(ImageLoaderTest, MetafileAndWordPerfectGraphicDecode)
{
    write(QStringLiteral("red.wmf"), redMetafile());
    LoadedImage wmf;
    ASSERT_TRUE(LoadImageFile(file(QStringLiteral("red.wmf")), wmf)) << wmf.reason.toStdString();
    EXPECT_EQ(wmf.format, QStringLiteral("WMF"));
    ASSERT_GT(wmf.width, 10);
    const QRgb centre = wmf.picture.pixel(wmf.picture.width() / 2, wmf.picture.height() / 2);
    EXPECT_EQ(qRed(centre), 255);
    EXPECT_EQ(qGreen(centre), 0);

    write(QStringLiteral("half.wpg"), wordPerfectBitmap());
    LoadedImage wpg;
    ASSERT_TRUE(LoadImageFile(file(QStringLiteral("half.wpg")), wpg)) << wpg.reason.toStdString();
    EXPECT_EQ(wpg.format, QStringLiteral("WPG"));
    EXPECT_EQ(wpg.width, 16);
    EXPECT_EQ(wpg.height, 8);
    EXPECT_EQ(wpg.picture.pixel(2, 4), qRgb(255, 255, 255));
    EXPECT_EQ(wpg.picture.pixel(13, 4), qRgb(0, 0, 0));
}

TEST_F(ImageLoaderTest, ContentDecidesNotTheExtension)
{
    if (m_convert.isEmpty())
        GTEST_SKIP() << "ImageMagick convert is not installed";
    ASSERT_TRUE(
        makeTwoColourSource(QStringLiteral("png_with_jpg_extension.jpg"), QStringLiteral("PNG:")));
    LoadedImage image;
    ASSERT_TRUE(LoadImageFile(file(QStringLiteral("png_with_jpg_extension.jpg")), image));
    EXPECT_EQ(image.format, QStringLiteral("PNG"));
    // A metafile named .gif still decodes as a metafile.
    write(QStringLiteral("wmf_with_gif_extension.gif"), redMetafile());
    EXPECT_TRUE(LoadImageFile(file(QStringLiteral("wmf_with_gif_extension.gif")), image));
    EXPECT_EQ(image.format, QStringLiteral("WMF"));
}

TEST_F(ImageLoaderTest, BadFilesFailWithAReason)
{
    QByteArray jpeg;
    if (!m_convert.isEmpty() && makePhoto(QStringLiteral("photo.jpg"), QStringLiteral("400x300")))
        jpeg = read(QStringLiteral("photo.jpg"));
    write(QStringLiteral("empty.jpg"), QByteArray());
    write(QStringLiteral("text_with_jpg_extension.jpg"), "This is not a picture.\n");
    write(QStringLiteral("svg_with_png_extension.png"),
        "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'/>");
    write(QStringLiteral("postscript.gif"), "%!PS-Adobe-3.0\n showpage\n");
    write(QStringLiteral("tga_without_pixels.tga"),
        QByteArray::fromHex("000002000000000000000000100010001800"));
    // A BMP header claiming 30000 x 30000 pixels (too many) and one 40000 wide.
    const auto bmpHeader = [](qint64 w, qint64 h) {
        return QByteArray("BM") + le32(54 + 16) + le32(0) + le32(54) + le32(40) + le32(w) + le32(h)
            + le16(1) + le16(24) + le32(0) + le32(0) + le32(2835) + le32(2835) + le32(0) + le32(0)
            + QByteArray(16, '\x7f');
    };
    write(QStringLiteral("huge_dimension_header.bmp"), bmpHeader(30000, 30000));
    write(QStringLiteral("too_wide_for_16_bits.bmp"), bmpHeader(40000, 10));
    struct Row {
        const char *file;
        bool needsJpeg;
    } rows[] = { { "missing.jpg", false }, { "empty.jpg", false },
        { "text_with_jpg_extension.jpg", false }, { "svg_with_png_extension.png", false },
        { "postscript.gif", false }, { "tga_without_pixels.tga", false },
        { "huge_dimension_header.bmp", false }, { "too_wide_for_16_bits.bmp", false },
        { "truncated_jpeg_header.jpg", true }, { "truncated_jpeg_half.jpg", true },
        { "jpeg_with_garbage_body.jpg", true } };
    if (!jpeg.isEmpty()) {
        write(QStringLiteral("truncated_jpeg_header.jpg"), jpeg.left(100));
        write(QStringLiteral("truncated_jpeg_half.jpg"), jpeg.left(jpeg.size() / 2));
        QByteArray garbage = jpeg.left(600);
        std::mt19937 rng(3);
        while (garbage.size() < jpeg.size())
            garbage.append(char(rng() & 0xFF));
        write(QStringLiteral("jpeg_with_garbage_body.jpg"), garbage);
    }
    for (const Row &row : rows) {
        if (row.needsJpeg && jpeg.isEmpty())
            continue;
        LoadedImage image;
        EXPECT_FALSE(LoadImageFile(file(QString::fromLatin1(row.file)), image)) << row.file;
        EXPECT_FALSE(image.ok) << row.file;
        EXPECT_TRUE(image.picture.isNull()) << row.file;
        EXPECT_FALSE(image.reason.isEmpty()) << row.file;
        QString reason;
        EXPECT_FALSE(ComputeSignature(file(QString::fromLatin1(row.file)), &reason).has_value())
            << row.file;
        EXPECT_FALSE(reason.isEmpty()) << row.file;
    }
    if (jpeg.isEmpty())
        GTEST_SKIP() << "ImageMagick convert is not installed: JPEG rows not run";
}

TEST_F(ImageLoaderTest, TransparencyIsKeptAndSampledOverTheBackground)
{
    if (m_convert.isEmpty())
        GTEST_SKIP() << "ImageMagick convert is not installed";
    ASSERT_TRUE(convert({ QStringLiteral("-size"), QStringLiteral("20x20"),
        QStringLiteral("xc:none"), file(QStringLiteral("clear.png")) }));
    LoadedImage image;
    ASSERT_TRUE(LoadImageFile(file(QStringLiteral("clear.png")), image));
    EXPECT_TRUE(image.picture.hasAlphaChannel());
    const ComputedSignature s = SignatureOfPicture(image.picture, image.width, image.height);
    EXPECT_EQ(s.packed.AvgRGB,
        SetRGBValues(
            qRed(kSamplingBackground), qGreen(kSamplingBackground), qBlue(kSamplingBackground)));
}

TEST_F(ImageLoaderTest, ReducedDecodeGivesTheSameStretchedPicture)
{
    if (m_convert.isEmpty())
        GTEST_SKIP() << "ImageMagick convert is not installed";
    ASSERT_TRUE(makePhoto(QStringLiteral("big.jpg"), QStringLiteral("2400x1600")));
    LoadedImage full, reduced;
    ASSERT_TRUE(LoadImageFile(file(QStringLiteral("big.jpg")), full, DecodeSize::Full));
    ASSERT_TRUE(LoadImageFile(file(QStringLiteral("big.jpg")), reduced, DecodeSize::Sampling));
    EXPECT_EQ(full.picture.size(), QSize(2400, 1600));
    EXPECT_LT(reduced.picture.width(), 2400) << "no DCT scaling happened";
    EXPECT_GE(reduced.picture.width(), kSamplingDecodeSide);
    EXPECT_GE(reduced.picture.height(), kSamplingDecodeSide);
    EXPECT_EQ(reduced.width, 2400);
    EXPECT_EQ(reduced.height, 1600);
    const QImage a = MakeSamplingSurface(full.picture);
    const QImage b = MakeSamplingSurface(reduced.picture);
    int worst = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            worst = std::max(worst, ChannelDistance(SurfacePixel(a, x, y), SurfacePixel(b, x, y)));
    EXPECT_LE(worst, 2) << "largest channel difference of the two 63 x 63 stretches";
    const ComputedSignature sa = SignatureOfPicture(full.picture, full.width, full.height);
    const ComputedSignature sb = SignatureOfPicture(reduced.picture, reduced.width, reduced.height);
    EXPECT_LE(ChannelDistance(sa.packed.AvgRGB, sb.packed.AvgRGB), 1);
    EXPECT_LE(QuadDistance(sa.packed.QuadRGB, sb.packed.QuadRGB), 1);
    EXPECT_LE(PatternDistance(
                  sa.packed.Pattern1, sa.packed.Pattern2, sb.packed.Pattern1, sb.packed.Pattern2),
        1);
}

TEST_F(ImageLoaderTest, ThumbnailFitsTheBoxAndKeepsTheFileDimensions)
{
    if (m_convert.isEmpty())
        GTEST_SKIP() << "ImageMagick convert is not installed";
    ASSERT_TRUE(makePhoto(QStringLiteral("wide.jpg"), QStringLiteral("1200x400")));
    LoadedImage thumb;
    ASSERT_TRUE(LoadImageThumbnail(file(QStringLiteral("wide.jpg")), QSize(150, 150), thumb));
    EXPECT_EQ(thumb.width, 1200);
    EXPECT_EQ(thumb.height, 400);
    EXPECT_LE(thumb.picture.width(), 150);
    EXPECT_LE(thumb.picture.height(), 150);
    EXPECT_NEAR(double(thumb.picture.width()) / thumb.picture.height(), 3.0, 0.1);
}

// The same file gives the same signature to the bit, every time and on
// several threads at once.
TEST_F(ImageLoaderTest, SignatureIsStableAcrossRunsAndThreads)
{
    if (m_convert.isEmpty())
        GTEST_SKIP() << "ImageMagick convert is not installed";
    QStringList files;
    const char *sizes[] = { "640x480", "300x900", "1500x1000", "64x64" };
    for (int i = 0; i < 4; ++i) {
        const QString name = QStringLiteral("p%1.%2").arg(i).arg(
            i % 2 ? QStringLiteral("png") : QStringLiteral("jpg"));
        ASSERT_TRUE(makePhoto(name, QString::fromLatin1(sizes[i])));
        files << file(name);
    }
    std::vector<PackedSignature> first;
    for (const QString &f : files) {
        const auto s = ComputeSignature(f);
        ASSERT_TRUE(s.has_value()) << f.toStdString();
        first.push_back(s->packed);
    }
    std::vector<std::future<bool>> runs;
    for (int t = 0; t < 4; ++t) {
        runs.push_back(std::async(std::launch::async, [&, t] {
            for (int round = 0; round < 3; ++round) {
                for (int i = 0; i < files.size(); ++i) {
                    const int k = (i + t) % int(files.size());
                    const auto s = ComputeSignature(files[k]);
                    if (!s
                        || std::memcmp(&s->packed, &first[size_t(k)], sizeof(PackedSignature)) != 0)
                        return false;
                }
            }
            return true;
        }));
    }
    for (auto &run : runs)
        EXPECT_TRUE(run.get());
}

// Random bytes, alone and behind the signatures of every accepted format,
// never crash or hang the loader.
TEST_F(ImageLoaderTest, OrientationTagIsAppliedBeforeAnyoneSeesThePicture)
{
    // Upright: a portrait of 960 x 1280 in four coloured quarters, large
    // enough that the sampling decode takes the reduced JPEG path.
    const QStringList quarters = { QStringLiteral("xc:#e01010"), QStringLiteral("xc:#10c010"),
        QStringLiteral("xc:#1010e0"), QStringLiteral("xc:#e0e010") };
    const QRgb colours[4] = { qRgb(0xe0, 0x10, 0x10), qRgb(0x10, 0xc0, 0x10),
        qRgb(0x10, 0x10, 0xe0), qRgb(0xe0, 0xe0, 0x10) };
    struct Case {
        int tag;
        QStringList stored;  // what turns the upright picture into the stored pixels
    };
    const Case cases[] = {
        { 1, {} },
        { 2, { QStringLiteral("-flop") } },
        { 3, { QStringLiteral("-rotate"), QStringLiteral("180") } },
        { 4, { QStringLiteral("-flip") } },
        { 5, { QStringLiteral("-transpose") } },
        { 6, { QStringLiteral("-rotate"), QStringLiteral("-90") } },
        { 7, { QStringLiteral("-transverse") } },
        { 8, { QStringLiteral("-rotate"), QStringLiteral("90") } },
    };
    const auto near = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) < 24 && std::abs(qGreen(a) - qGreen(b)) < 24
            && std::abs(qBlue(a) - qBlue(b)) < 24;
    };
    // The quarters' centres as fractions of the shown picture: top left,
    // top right, bottom left, bottom right.
    const auto checkUpright = [&](const QImage &picture, const std::string &what) {
        ASSERT_FALSE(picture.isNull()) << what;
        EXPECT_LT(picture.width(), picture.height()) << what << ": portrait";
        const QPointF at[4] = { { 0.25, 0.25 }, { 0.75, 0.25 }, { 0.25, 0.75 }, { 0.75, 0.75 } };
        for (int q = 0; q < 4; ++q) {
            const QRgb pixel = picture.pixel(
                int(at[q].x() * picture.width()), int(at[q].y() * picture.height()));
            EXPECT_TRUE(near(pixel, colours[q]))
                << what << " quarter " << q << std::hex << " " << pixel;
        }
    };

    std::optional<ComputedSignature> reference;
    for (const Case &c : cases) {
        const std::string what = "tag " + std::to_string(c.tag);
        const QString plain = QStringLiteral("plain%1.jpg").arg(c.tag);
        QStringList args = { QStringLiteral("-size"), QStringLiteral("480x640"),
            QStringLiteral("("), quarters[0], quarters[1], QStringLiteral("+append"),
            QStringLiteral(")"), QStringLiteral("("), quarters[2], quarters[3],
            QStringLiteral("+append"), QStringLiteral(")"), QStringLiteral("-append") };
        args += c.stored;
        args += { QStringLiteral("-quality"), QStringLiteral("95"), file(plain) };
        ASSERT_TRUE(convert(args)) << "ImageMagick's convert is needed";
        const QString name = QStringLiteral("tagged%1.jpg").arg(c.tag);
        write(name, test::WithOrientationTag(read(plain), c.tag));

        LoadedImage full;
        ASSERT_TRUE(LoadImageFile(file(name), full)) << what << full.reason.toStdString();
        EXPECT_EQ(full.width, 960) << what << ": dimensions as shown";
        EXPECT_EQ(full.height, 1280) << what;
        EXPECT_EQ(full.picture.size(), QSize(960, 1280)) << what;
        checkUpright(full.picture, what + " full");

        LoadedImage sampled;
        ASSERT_TRUE(LoadImageFile(file(name), sampled, DecodeSize::Sampling)) << what;
        EXPECT_EQ(sampled.width, 960) << what;
        EXPECT_EQ(sampled.height, 1280) << what;
        EXPECT_LT(sampled.picture.height(), 1280) << what << ": the reduced decode";
        checkUpright(sampled.picture, what + " sampled");

        LoadedImage thumbnail;
        ASSERT_TRUE(LoadImageThumbnail(file(name), QSize(120, 120), thumbnail)) << what;
        EXPECT_EQ(thumbnail.picture.size(), QSize(90, 120)) << what;
        checkUpright(thumbnail.picture, what + " thumbnail");

        const std::optional<ComputedSignature> signature = ComputeSignature(file(name));
        ASSERT_TRUE(signature) << what;
        EXPECT_EQ(signature->signature.DimX, 960) << what;
        EXPECT_EQ(signature->signature.DimY, 1280) << what;
        if (!reference) {
            reference = signature;
            continue;
        }
        EXPECT_EQ(signature->signature.Pattern, reference->signature.Pattern) << what;
        for (int q = 0; q < 4; ++q) {
            const RGBTriple &a = signature->signature.QuadRGB[size_t(q)];
            const RGBTriple &b = reference->signature.QuadRGB[size_t(q)];
            EXPECT_NEAR(a.Red, b.Red, 3) << what << " quarter " << q;
            EXPECT_NEAR(a.Green, b.Green, 3) << what << " quarter " << q;
            EXPECT_NEAR(a.Blue, b.Blue, 3) << what << " quarter " << q;
        }
    }
}

TEST_F(ImageLoaderTest, RandomBytesNeverCrash)
{
    const QByteArray prefixes[] = { QByteArray(), QByteArray::fromHex("FFD8FFE0"),
        QByteArray::fromHex("89504E470D0A1A0A"), QByteArray("GIF89a"), QByteArray("BM"),
        QByteArray::fromHex("49492A00"), QByteArray::fromHex("4D4D002A"),
        QByteArray::fromHex("0A0501"), QByteArray::fromHex("FF575043"),
        QByteArray::fromHex("D7CDC69A"), QByteArray::fromHex("52CC"),
        QByteArray(512, '\0') + QByteArray::fromHex("001102FF0C00") };
    const char *hints[] = { "jpg", "tga", "wmf", "pic" };
    std::mt19937 rng(20261207);
    int decoded = 0;
    for (int i = 0; i < 600; ++i) {
        QByteArray data = prefixes[size_t(i) % std::size(prefixes)];
        const int length = int(rng() % 2048);
        for (int k = 0; k < length; ++k)
            data.append(char(rng() & 0xFF));
        LoadedImage image;
        const bool ok
            = LoadImageData(data, QString::fromLatin1(hints[i % 4]), image, DecodeSize::Sampling);
        if (ok) {
            ++decoded;
            EXPECT_FALSE(image.picture.isNull()) << "case " << i;
            SignatureOfPicture(image.picture, image.width, image.height);
        } else {
            EXPECT_FALSE(image.reason.isEmpty()) << "case " << i;
        }
    }
    RecordProperty("decoded", decoded);
}

// Decodes ask the coders' content checks from a list read at start-up; the
// answer must be ImageMagick's own for every kind of start: real files of
// many formats (accepted or not), their first few bytes, awkward mixtures
// and random bytes behind every known signature.
TEST_F(ImageLoaderTest, ContentCheckAnswersAsImageMagickDoes)
{
    std::vector<QByteArray> starts;
    if (!m_convert.isEmpty() && makeTwoColourSource(QStringLiteral("source.png"))) {
        for (const char *format : { "JPEG", "PNG", "GIF", "BMP", "BMP3", "PICT", "PCX", "TGA",
                 "TIFF", "PS", "EPS", "PDF", "SVG", "XPM", "PPM", "PGM", "PBM", "MIFF", "ICO",
                 "SGI", "SUN", "XWD", "FITS", "DPX", "CIN", "HDR", "JP2", "WEBP", "PSD", "RGB",
                 "VIFF", "XBM", "DDS", "MAT", "PALM", "PCD", "OTB", "WBMP", "MTV", "FAX", "HRZ" }) {
            const QString name = QStringLiteral("source.") + QString::fromLatin1(format).toLower();
            if (convert({ file(QStringLiteral("source.png")),
                    QString::fromLatin1(format) + QLatin1Char(':') + file(name) }))
                starts.push_back(read(name).left(8192));
        }
    }
    starts.push_back(redMetafile());
    starts.push_back(wordPerfectBitmap());
    starts.push_back(QByteArray("This is not a picture.\n"));
    starts.push_back(QByteArray("<svg xmlns='http://www.w3.org/2000/svg'/>"));
    starts.push_back(QByteArray("%!PS-Adobe-3.0\n"));
    // A JPEG start with a DICOM key where DICOM files have theirs.
    starts.push_back(QByteArray::fromHex("FFD8FFE0") + QByteArray(124, '\0') + "DICM");
    for (size_t i = 0, count = starts.size(); i < count; ++i)
        for (const int length : { 1, 2, 3, 4, 8, 16, 132 })
            starts.push_back(starts[i].left(length));
    std::mt19937 rng(20261208);
    for (int i = 0; i < 400; ++i) {
        QByteArray data = starts[size_t(i) % starts.size()].left(int(rng() % 24));
        const int length = int(rng() % 600);
        for (int k = 0; k < length; ++k)
            data.append(char(rng() & 0xFF));
        starts.push_back(data);
    }
    int named = 0;
    for (size_t i = 0; i < starts.size(); ++i) {
        const QString own = DetectImageFormat(starts[i], false);
        EXPECT_EQ(DetectImageFormat(starts[i], true), own)
            << "start " << i << ": " << starts[i].left(16).toHex().toStdString();
        named += own.isEmpty() ? 0 : 1;
    }
    // Most starts are claimed by some coder: the comparison is not between two blanks.
    EXPECT_GT(named, int(starts.size()) / 4);
}

}  // namespace
}  // namespace vexa

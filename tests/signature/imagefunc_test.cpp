#include "signature/imagefunc.h"
#include "signature/signaturelib.h"
#include "support/scriptedmessages.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace vexa {
namespace {

// A 64 x 64 surface of the background with block (column, row) filled.
QImage surfaceWithBlock(int column, int row, QRgb colour)
{
    QImage s(64, 64, QImage::Format_RGB32);
    s.fill(kSamplingBackground);
    for (int x = column * 8; x < column * 8 + 8; ++x)
        for (int y = row * 8; y < row * 8 + 8; ++y)
            s.setPixel(x, y, colour);
    return s;
}

RGBTriple blockOf(const QImage &surface, int x0, int y0)
{
    RGBTriple t;
    GetBitMapPattern(t, surface, std::int16_t(x0), std::int16_t(y0));
    return t;
}

TEST(Sampling, BlockAverageRoundsHalvesToEven)
{
    // Red sum 7712 = 64 * 120.5 -> 120; 7744 = 64 * 121 -> 121; 121.5 -> 122.
    struct Row {
        const char *name;
        int low, high, lowCount;  // lowCount pixels of low, the rest high
        int expected;
    } rows[] = {
        { "120.5 to 120", 120, 121, 32, 120 },
        { "121.0", 121, 121, 64, 121 },
        { "121.5 to 122", 121, 122, 32, 122 },
        { "0.5 to 0", 0, 1, 32, 0 },
        { "254.5 to 254", 254, 255, 32, 254 },
        { "just over a half rounds up", 120, 121, 31, 121 },
    };
    for (const Row &row : rows) {
        QImage s(64, 64, QImage::Format_RGB32);
        s.fill(kSamplingBackground);
        int n = 0;
        for (int x = 0; x < 8; ++x)
            for (int y = 0; y < 8; ++y, ++n)
                s.setPixel(x, y, qRgb(n < row.lowCount ? row.low : row.high, 200, 200));
        EXPECT_EQ(blockOf(s, 0, 0).Red, row.expected) << row.name;
    }
}

TEST(Sampling, LightOnlyWhenEveryChannelIsAbove120)
{
    struct Row {
        const char *name;
        QRgb colour;
        char expected;
    } rows[] = {
        { "all 121", qRgb(121, 121, 121), '1' },
        { "one dark channel", qRgb(120, 255, 255), '0' },
        { "dark green", qRgb(255, 120, 255), '0' },
        { "dark blue", qRgb(255, 255, 120), '0' },
        { "white", qRgb(255, 255, 255), '1' },
    };
    for (const Row &row : rows) {
        RGBTriple avg;
        QuadTriples quads;
        QByteArray pattern;
        ASSERT_TRUE(GatherImageData(surfaceWithBlock(0, 0, row.colour), avg, quads, pattern))
            << row.name;
        EXPECT_EQ(pattern[0], row.expected) << row.name;
    }
    // Sum 7712 per channel averages 120.5, rounds to 120: dark.
    QImage s(64, 64, QImage::Format_RGB32);
    s.fill(kSamplingBackground);
    int n = 0;
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 8; ++y, ++n) {
            const int v = n < 32 ? 120 : 121;
            s.setPixel(x, y, qRgb(v, v, v));
        }
    RGBTriple avg;
    QuadTriples quads;
    QByteArray pattern;
    ASSERT_TRUE(GatherImageData(s, avg, quads, pattern));
    EXPECT_EQ(pattern[0], '0');
}

TEST(Sampling, PatternIsColumnMajorAndQuadrantsAreInTheirOrder)
{
    // A light block at column 1, row 0 is character 8; at column 0, row 1 it is character 1.
    struct Row {
        int column, row, index, quadrant;
    } rows[] = { { 1, 0, 8, 0 }, { 0, 1, 1, 0 }, { 0, 7, 7, 1 }, { 7, 0, 56, 2 }, { 7, 7, 63, 3 },
        { 3, 4, 28, 1 }, { 4, 3, 35, 2 } };
    for (const Row &row : rows) {
        RGBTriple avg;
        QuadTriples quads;
        QByteArray pattern;
        ASSERT_TRUE(GatherImageData(
            surfaceWithBlock(row.column, row.row, qRgb(255, 255, 255)), avg, quads, pattern));
        ASSERT_EQ(pattern.size(), 64);
        QByteArray expected(64, '0');
        expected[row.index] = '1';
        EXPECT_EQ(pattern, expected) << "column " << row.column << " row " << row.row;
        for (int q = 0; q < 4; ++q) {
            // One of 16 blocks white: 255 / 16 = 15.94 -> 16.
            const int value = q == row.quadrant ? 16 : 0;
            EXPECT_EQ(quads[size_t(q)], (RGBTriple { value, value, value }))
                << "column " << row.column << " row " << row.row << " quadrant " << q;
        }
        EXPECT_EQ(avg.Red, 4) << "16 / 4";
    }
}

TEST(Sampling, RoundingHappensAtEveryLevel)
{
    // Quadrants average the rounded block values, the average the rounded
    // quadrant values, each rounded half to even.
    BlockTriples blocks {};
    blocks[0] = { 2, 0, 0 };
    blocks[1] = { 6, 0, 0 };  // sum 8 -> 0.5 -> 0 (even)
    RGBTriple quad;
    GetQuadRGB(quad, blocks, 0, 0);
    EXPECT_EQ(quad.Red, 0);
    blocks[2] = { 16, 0, 0 };  // sum 24 -> 1.5 -> 2
    GetQuadRGB(quad, blocks, 0, 0);
    EXPECT_EQ(quad.Red, 2);
    RGBTriple avg;
    GetAvgRGB(avg,
        QuadTriples { RGBTriple { 1, 3, 5 }, RGBTriple { 1, 3, 5 }, RGBTriple { 0, 3, 5 },
            RGBTriple { 0, 1, 7 } });
    EXPECT_EQ(avg, (RGBTriple { 0, 2, 6 }));  // 2/4=0.5->0, 10/4=2.5->2, 22/4=5.5->6
}

TEST(Sampling, SurfaceStretchesTo63AndKeepsTheBackgroundInTheLastColumnAndRow)
{
    QImage picture(300, 100, QImage::Format_RGB32);
    picture.fill(qRgb(255, 255, 255));
    const QImage surface = MakeSamplingSurface(picture);
    ASSERT_EQ(surface.size(), QSize(64, 64));
    EXPECT_EQ(surface.pixel(62, 62), qRgb(255, 255, 255));
    EXPECT_EQ(surface.pixel(0, 0), qRgb(255, 255, 255));
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(surface.pixel(63, i), kSamplingBackground) << "column 63, row " << i;
        EXPECT_EQ(surface.pixel(i, 63), kSamplingBackground) << "row 63, column " << i;
    }
    // The last blocks read one background column: 56 white + 8 black pixels.
    EXPECT_EQ(blockOf(surface, 56, 0).Red, 223);  // 255 * 56 / 64 = 223.125
    EXPECT_EQ(blockOf(surface, 56, 56).Red, 195);  // 255 * 49 / 64 = 195.2
}

TEST(Sampling, AreaAverageIsTheMeanOfTheCoveredSource)
{
    // Vertical stripes one pixel wide, 126 wide -> every output pixel covers
    // one black and one white column: 127.5 -> 128 (halves to even).
    QImage stripes(126, 10, QImage::Format_RGB32);
    for (int x = 0; x < 126; ++x)
        for (int y = 0; y < 10; ++y)
            stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    const QImage out = AreaAverageScaled(stripes, QSize(63, 5), kSamplingBackground);
    for (int x = 0; x < 63; ++x)
        EXPECT_EQ(qRed(out.pixel(x, 2)), 128) << "column " << x;
    // Transparent parts show the background.
    QImage clear(20, 20, QImage::Format_ARGB32);
    clear.fill(qRgba(255, 255, 255, 0));
    EXPECT_EQ(
        AreaAverageScaled(clear, QSize(5, 5), qRgb(10, 20, 30)).pixel(2, 2), qRgb(10, 20, 30));
}

TEST(Sampling, SmallSurfaceIsReportedAsAnError)
{
    test::ScriptedMessages messages;
    RGBTriple avg;
    QuadTriples quads;
    QByteArray pattern;
    EXPECT_FALSE(GatherImageData(QImage(32, 32, QImage::Format_RGB32), avg, quads, pattern));
    ASSERT_GE(messages.count(), 1);
    EXPECT_TRUE(messages.last().text.contains(QStringLiteral("modImageFunc - GatherImageData")))
        << messages.last().text.toStdString();
}

TEST(Sampling, SignatureOfPictureMatchesTheReportingSteps)
{
    QImage picture(97, 41, QImage::Format_RGB32);
    for (int x = 0; x < 97; ++x)
        for (int y = 0; y < 41; ++y)
            picture.setPixel(x, y, qRgb((x * 7) % 256, (y * 13) % 256, (x * y) % 256));
    const ComputedSignature computed = SignatureOfPicture(picture, 97, 41);
    RGBTriple avg;
    QuadTriples quads;
    QByteArray pattern;
    ASSERT_TRUE(GatherImageData(MakeSamplingSurface(picture), avg, quads, pattern));
    EXPECT_EQ(computed.signature.AvgRGB, avg);
    EXPECT_EQ(computed.signature.QuadRGB, quads);
    EXPECT_EQ(computed.signature.Pattern, pattern);
    EXPECT_EQ(PatternFromBits(computed.packed.Pattern1, computed.packed.Pattern2), pattern);
    EXPECT_EQ(computed.packed.AvgRGB, SetRGBValues(avg.Red, avg.Green, avg.Blue));
}

TEST(FittedPicture, RectanglesForEachShapeOfPictureAndBox)
{
    struct Row {
        const char *name;
        QSizeF picture, box;
        QRect expected;
    } rows[] = {
        { "tall picture in a wide box", { 100, 200 }, { 400, 200 }, QRect(150, 0, 100, 200) },
        { "wide picture in a tall box", { 200, 100 }, { 100, 300 }, QRect(0, 125, 100, 50) },
        { "wide picture in a wider box", { 200, 100 }, { 400, 100 }, QRect(100, 0, 200, 100) },
        { "tall picture in a taller box", { 100, 200 }, { 100, 400 }, QRect(0, 100, 100, 200) },
        { "square in a square", { 50, 50 }, { 80, 80 }, QRect(0, 0, 80, 80) },
        { "halves to even", { 3, 1 }, { 10, 5 },
            QRect(0, 1, 10, 3) },  // h = 3.33 -> 3, y = 0.83 -> 1
    };
    for (const Row &row : rows)
        EXPECT_EQ(FittedRectangle(row.picture, row.box), row.expected) << row.name;
    EXPECT_FALSE(FittedRectangle(QSizeF(0, 10), QSizeF(10, 10)).isValid());
}

TEST(FittedPicture, TallPictureInAWideBoxHasEqualBands)
{
    QImage picture(30, 90, QImage::Format_RGB32);
    picture.fill(qRgb(255, 0, 0));
    QImage box(301, 90, QImage::Format_RGB32);
    box.fill(qRgb(0, 255, 0));
    PaintPictureFitted(picture, box, Qt::white);
    int left = 0, right = 0;
    while (left < box.width() && box.pixel(left, 45) == qRgb(255, 255, 255))
        ++left;
    while (right < box.width() && box.pixel(box.width() - 1 - right, 45) == qRgb(255, 255, 255))
        ++right;
    EXPECT_GT(left, 100);
    EXPECT_LE(std::abs(left - right), 1);
    EXPECT_EQ(box.pixel(150, 45), qRgb(255, 0, 0));
}

}  // namespace
}  // namespace vexa

// The area-average stretch and the perceptual signature's reduction are
// built for speed; stored signatures must not change, so both are held to
// plain reference versions of the same arithmetic, bit for bit, on random
// and awkward pictures of many sizes and formats.
#include "base/rounding.h"
#include "signature/imagefunc.h"
#include "signature/perceptualhash.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace vexa {
namespace {

// The stretch done the plain way: taps per output, a stored horizontal pass
// over all four channels, then the vertical pass.
struct Tap {
    int source;
    double weight;
};

std::vector<std::vector<Tap>> referenceTaps(int sourceLength, int outputLength)
{
    std::vector<std::vector<Tap>> taps(static_cast<size_t>(outputLength));
    const double scale = double(sourceLength) / double(outputLength);
    for (int o = 0; o < outputLength; ++o) {
        const double begin = o * scale;
        const double end = (o + 1) * scale;
        const int first = int(begin);
        const int last = std::min(sourceLength - 1, int(end - 1e-9));
        for (int s = first; s <= last; ++s) {
            const double covered = std::min(end, double(s + 1)) - std::max(begin, double(s));
            if (covered > 0)
                taps[size_t(o)].push_back({ s, covered / scale });
        }
    }
    return taps;
}

QImage referenceStretch(const QImage &picture, const QSize &size, QRgb background)
{
    const QImage source = picture.hasAlphaChannel()
        ? picture.convertToFormat(QImage::Format_ARGB32_Premultiplied)
        : picture.convertToFormat(QImage::Format_RGB32);
    const int sw = source.width();
    const int sh = source.height();
    const int ow = size.width();
    const int oh = size.height();
    const auto columns = referenceTaps(sw, ow);
    const auto rows = referenceTaps(sh, oh);
    std::vector<double> horizontal(size_t(ow) * size_t(sh) * 4, 0.0);
    for (int y = 0; y < sh; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        double *out = &horizontal[size_t(y) * size_t(ow) * 4];
        for (int o = 0; o < ow; ++o) {
            double b = 0, g = 0, r = 0, a = 0;
            for (const Tap &tap : columns[size_t(o)]) {
                const QRgb p = line[tap.source];
                b += tap.weight * qBlue(p);
                g += tap.weight * qGreen(p);
                r += tap.weight * qRed(p);
                a += tap.weight * qAlpha(p);
            }
            out[o * 4 + 0] = b;
            out[o * 4 + 1] = g;
            out[o * 4 + 2] = r;
            out[o * 4 + 3] = a;
        }
    }
    QImage result(size, QImage::Format_RGB32);
    const auto channel = [](double v) { return int(std::clamp(RoundHalfEven(v), 0.0, 255.0)); };
    for (int oy = 0; oy < oh; ++oy) {
        for (int ox = 0; ox < ow; ++ox) {
            double b = 0, g = 0, r = 0, a = 0;
            for (const Tap &tap : rows[size_t(oy)]) {
                const double *in = &horizontal[(size_t(tap.source) * size_t(ow) + size_t(ox)) * 4];
                b += tap.weight * in[0];
                g += tap.weight * in[1];
                r += tap.weight * in[2];
                a += tap.weight * in[3];
            }
            const double uncovered = 1.0 - a / 255.0;
            result.setPixel(ox, oy,
                qRgb(channel(r + uncovered * qRed(background)),
                    channel(g + uncovered * qGreen(background)),
                    channel(b + uncovered * qBlue(background))));
        }
    }
    return result;
}

// The perceptual reduction done the plain way, pixel by pixel, with the
// same DCT signs afterwards.
PerceptualHash referencePerceptual(const QImage &picture)
{
    const QImage source = picture.format() == QImage::Format_RGB32
            || picture.format() == QImage::Format_ARGB32_Premultiplied
        ? picture
        : picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int width = source.width();
    const int height = source.height();
    const std::int64_t n = kPerceptualSide;
    // Overlap, in units of 1/n pixel, of source index s with cell c of a side.
    const auto overlap = [n](int side, int s, int c) {
        const std::int64_t begin = std::int64_t(s) * n;
        const std::int64_t end = begin + n;
        return std::max<std::int64_t>(0,
            std::min(end, (c + 1) * std::int64_t(side)) - std::max(begin, c * std::int64_t(side)));
    };
    // Every source index against every cell: the nonzero overlaps.
    const auto overlaps = [&](int side) {
        std::vector<std::vector<std::pair<int, std::int64_t>>> out(static_cast<size_t>(side));
        for (int s = 0; s < side; ++s)
            for (int c = 0; c < n; ++c)
                if (const std::int64_t w = overlap(side, s, c))
                    out[size_t(s)].emplace_back(c, w);
        return out;
    };
    const auto across = overlaps(width);
    const auto down = overlaps(height);
    std::vector<std::int64_t> cells(size_t(n * n), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const QRgb p = source.pixel(x, y);
            const std::int64_t grey = 299 * qRed(p) + 587 * qGreen(p) + 114 * qBlue(p);
            for (const auto &[cy, wy] : down[size_t(y)])
                for (const auto &[cx, wx] : across[size_t(x)])
                    cells[size_t(cy * n + cx)] += grey * wy * wx;
        }
    const std::int64_t area = std::int64_t(width) * height;
    std::vector<std::int64_t> grey(cells.size());
    for (size_t i = 0; i < cells.size(); ++i)
        grey[i] = (cells[i] + area / 2) / area;
    const double pi = std::acos(-1.0);
    std::int64_t cosine[9][kPerceptualSide];
    for (int u = 0; u < 9; ++u)
        for (int x = 0; x < n / 2; ++x) {
            const std::int64_t v
                = std::llround(std::cos(pi * (2 * x + 1) * u / (2.0 * n)) * 4096.0);
            cosine[u][x] = v;
            cosine[u][n - 1 - x] = u % 2 == 0 ? v : -v;
        }
    PerceptualHash hash = 0;
    for (int v = 0; v < 9; ++v)
        for (int u = 0; u < 9; ++u) {
            if (!((u < 8 && v < 8 && (u || v)) || (u == 8 && v == 8)))
                continue;
            std::int64_t sum = 0;
            for (int y = 0; y < n; ++y) {
                std::int64_t across = 0;
                for (int x = 0; x < n; ++x)
                    across += grey[size_t(y * n + x)] * cosine[u][x];
                sum += across * cosine[v][y];
            }
            if (sum > 0)
                hash |= PerceptualHash(1) << (u == 8 ? 0 : 8 * v + u);
        }
    return hash;
}

enum class Fill { Noise, Flat, Stripes, Gradient, Sparse };

QImage makePicture(int width, int height, QImage::Format format, Fill fill, quint32 seed)
{
    QRandomGenerator random(seed);
    QImage picture(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            QRgb p = 0;
            switch (fill) {
            case Fill::Noise: p = random.generate(); break;
            case Fill::Flat: p = qRgba(127, 128, 255, 255); break;
            case Fill::Stripes:
                p = (x + y / 3) % 2 ? qRgba(255, 255, 255, 255) : qRgba(0, 0, 0, 0);
                break;
            case Fill::Gradient:
                p = qRgba(x * 255 / width, y * 255 / height, (x + y) % 256, 200);
                break;
            case Fill::Sparse:
                p = random.bounded(50) == 0 ? qRgba(255, 0, 128, 255) : qRgba(1, 2, 3, 255);
                break;
            }
            picture.setPixel(x, y, p);
        }
    return picture.convertToFormat(format);
}

struct Shape {
    int width;
    int height;
};

// Enlarged, equal, barely and far reduced, one-pixel lines, odd sides,
// and the sizes gathering meets (640 x 480, the 2048-pixel cap).
constexpr Shape kShapes[] = { { 1, 1 }, { 2, 3 }, { 7, 61 }, { 31, 33 }, { 32, 32 }, { 63, 63 },
    { 64, 64 }, { 65, 17 }, { 126, 10 }, { 300, 1 }, { 1, 300 }, { 257, 256 }, { 640, 480 },
    { 641, 479 }, { 333, 1001 } };

constexpr QImage::Format kFormats[] = { QImage::Format_RGB32, QImage::Format_ARGB32,
    QImage::Format_ARGB32_Premultiplied, QImage::Format_Grayscale8, QImage::Format_RGB888 };

TEST(Reductions, StretchAndPerceptualEqualTheirReferenceBitForBit)
{
    quint32 seed = 1;
    for (const Shape &shape : kShapes) {
        for (const QImage::Format format : kFormats) {
            for (const Fill fill :
                { Fill::Noise, Fill::Flat, Fill::Stripes, Fill::Gradient, Fill::Sparse }) {
                const QImage picture = makePicture(shape.width, shape.height, format, fill, ++seed);
                const std::string row = std::to_string(shape.width) + " x "
                    + std::to_string(shape.height) + ", format " + std::to_string(int(format))
                    + ", fill " + std::to_string(int(fill));
                // The sampling stretch and other output sizes and backgrounds.
                for (const QSize size : { QSize(kSampledPictureSide, kSampledPictureSide),
                         QSize(5, 5), QSize(63, 5), QSize(100, 70) }) {
                    for (const QRgb background : { kSamplingBackground, qRgb(10, 200, 30) }) {
                        const QImage fast = AreaAverageScaled(picture, size, background);
                        const QImage plain = referenceStretch(picture, size, background);
                        ASSERT_EQ(fast, plain) << row << " to " << size.width() << " x "
                                               << size.height() << ", background " << background;
                    }
                }
                ASSERT_EQ(PerceptualHashOfPicture(picture), referencePerceptual(picture)) << row;
            }
        }
    }
}

TEST(Reductions, LargestSamplingPictureEqualsTheReference)
{
    const QImage picture = makePicture(2048, 1536, QImage::Format_RGB32, Fill::Noise, 7);
    const QSize size(kSampledPictureSide, kSampledPictureSide);
    EXPECT_EQ(AreaAverageScaled(picture, size, kSamplingBackground),
        referenceStretch(picture, size, kSamplingBackground));
    EXPECT_EQ(PerceptualHashOfPicture(picture), referencePerceptual(picture));
}

}  // namespace
}  // namespace vexa

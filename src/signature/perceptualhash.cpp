#include "signature/perceptualhash.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

namespace vexa {

namespace {

constexpr int kCoefficients = 9;  // frequencies 0..8 in each direction

// Cosine table scaled by 2^12 and rounded, built from its first half so that
// T[u][N-1-x] == (-1)^u T[u][x] holds exactly: a mirrored picture then gives
// exactly negated coefficients. Integer sums are exact in any order, so a
// transposed picture gives exactly the transposed coefficients.
struct CosineTable {
    std::int64_t value[kCoefficients][kPerceptualSide];
    CosineTable()
    {
        const double pi = std::acos(-1.0);
        for (int u = 0; u < kCoefficients; ++u) {
            for (int x = 0; x < kPerceptualSide / 2; ++x) {
                const double c = std::cos(pi * (2 * x + 1) * u / (2.0 * kPerceptualSide));
                const std::int64_t v = std::llround(c * 4096.0);
                value[u][x] = v;
                value[u][kPerceptualSide - 1 - x] = (u % 2 == 0) ? v : -v;
            }
        }
    }
};

const CosineTable &cosines()
{
    static const CosineTable table;
    return table;
}

int bitOf(int u, int v)
{
    return u == 8 ? 0 : 8 * v + u;
}

// Bits whose coefficient changes sign when the picture is mirrored (odd
// horizontal frequency) or flipped (odd vertical frequency). C(8, 8) keeps it.
constexpr PerceptualHash oddMask(bool horizontal)
{
    PerceptualHash mask = 0;
    for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 8; ++u)
            if ((u || v) && ((horizontal ? u : v) % 2 == 1))
                mask |= PerceptualHash(1) << (8 * v + u);
    return mask;
}
constexpr PerceptualHash kOddU = oddMask(true);
constexpr PerceptualHash kOddV = oddMask(false);

PerceptualHash transposed(PerceptualHash hash)
{
    PerceptualHash out = hash & 1;
    for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 8; ++u)
            if ((u || v) && (hash >> (8 * v + u) & 1))
                out |= PerceptualHash(1) << (8 * u + v);
    return out;
}

// The source pixels a reduced pixel covers, with their weights. Sides are
// measured in 1/kPerceptualSide of a source pixel, so every overlap is a
// whole number and the reduction is exact: a turned picture gives exactly
// the turned reduction.
struct Span {
    int cell;
    std::int64_t weight;
};
std::vector<std::vector<Span>> spans(int side)
{
    std::vector<std::vector<Span>> out(static_cast<size_t>(side));
    for (int x = 0; x < side; ++x) {
        const std::int64_t begin = std::int64_t(x) * kPerceptualSide;
        const std::int64_t end = begin + kPerceptualSide;
        for (std::int64_t cell = begin / side; cell < kPerceptualSide && cell * side < end;
             ++cell) {
            const std::int64_t overlap
                = std::min(end, (cell + 1) * side) - std::max(begin, cell * side);
            if (overlap > 0)
                out[size_t(x)].push_back({ int(cell), overlap });
        }
    }
    return out;
}

}  // namespace

PerceptualHash PerceptualHashOfPicture(const QImage &picture)
{
    if (picture.isNull())
        return 0;
    // Premultiplied pixels are the picture composed over black.
    const QImage source = picture.format() == QImage::Format_RGB32
            || picture.format() == QImage::Format_ARGB32_Premultiplied
        ? picture
        : picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int width = source.width();
    const int height = source.height();
    const auto across = spans(width);
    const auto down = spans(height);
    // Luminance in thousandths (0..255000) times the covered area; a cell
    // covers width * height units, so it holds at most 255000 * 2^30 < 2^58.
    std::int64_t cells[kPerceptualSide][kPerceptualSide] = {};
    std::int64_t row[kPerceptualSide];
    for (int y = 0; y < height; ++y) {
        std::fill(std::begin(row), std::end(row), 0);
        const auto *line = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const std::int64_t grey
                = 299 * qRed(line[x]) + 587 * qGreen(line[x]) + 114 * qBlue(line[x]);
            for (const Span &span : across[size_t(x)])
                row[span.cell] += grey * span.weight;
        }
        for (const Span &span : down[size_t(y)])
            for (int cell = 0; cell < kPerceptualSide; ++cell)
                cells[span.cell][cell] += row[cell] * span.weight;
    }
    // Every cell covers the same area (width * height units), so dividing by
    // it gives the mean; rounded alike in every orientation.
    const std::int64_t area = std::int64_t(width) * height;
    std::int64_t grey[kPerceptualSide][kPerceptualSide];
    for (int y = 0; y < kPerceptualSide; ++y)
        for (int x = 0; x < kPerceptualSide; ++x)
            grey[y][x] = (cells[y][x] + area / 2) / area;
    const CosineTable &t = cosines();
    // Along x first, then along y. Magnitudes: 255000 * 4096 * 32 < 2^36,
    // then * 4096 * 32 < 2^53: no overflow.
    std::int64_t rows[kPerceptualSide][kCoefficients];
    for (int y = 0; y < kPerceptualSide; ++y)
        for (int u = 0; u < kCoefficients; ++u) {
            std::int64_t sum = 0;
            for (int x = 0; x < kPerceptualSide; ++x)
                sum += grey[y][x] * t.value[u][x];
            rows[y][u] = sum;
        }
    PerceptualHash hash = 0;
    for (int v = 0; v < kCoefficients; ++v)
        for (int u = 0; u < kCoefficients; ++u) {
            const bool used = (u < 8 && v < 8 && (u || v)) || (u == 8 && v == 8);
            if (!used)
                continue;
            std::int64_t sum = 0;
            for (int y = 0; y < kPerceptualSide; ++y)
                sum += rows[y][u] * t.value[v][y];
            if (sum > 0)
                hash |= PerceptualHash(1) << bitOf(u, v);
        }
    return hash;
}

PerceptualHash PerceptualOriented(PerceptualHash hash, Orientation orientation)
{
    // Every orientation is a transpose or not, followed by a mirror and/or a
    // flip: x' = N-1-x negates odd u, y' = N-1-y negates odd v.
    switch (orientation) {
    case Orientation::Upright: return hash;
    case Orientation::Mirrored: return hash ^ kOddU;
    case Orientation::Rotated180: return hash ^ kOddU ^ kOddV;
    case Orientation::Flipped: return hash ^ kOddV;
    case Orientation::Transposed: return transposed(hash);
    case Orientation::RotatedRight:
        // Turned clockwise: new (x, y) = (N-1-y, x), the transpose mirrored.
        return transposed(hash) ^ kOddU;
    case Orientation::Transversed: return transposed(hash) ^ kOddU ^ kOddV;
    case Orientation::RotatedLeft: return transposed(hash) ^ kOddV;
    }
    return hash;
}

std::array<PerceptualHash, kOrientationCount> PerceptualOrientations(PerceptualHash hash)
{
    std::array<PerceptualHash, kOrientationCount> all {};
    for (int o = 0; o < kOrientationCount; ++o)
        all[size_t(o)] = PerceptualOriented(hash, Orientation(o));
    return all;
}

int PerceptualDistance(PerceptualHash a, PerceptualHash b)
{
    return std::popcount(a ^ b);
}

int PerceptualDistanceAnyOrientation(PerceptualHash a, PerceptualHash b)
{
    int best = 64;
    for (const PerceptualHash turned : PerceptualOrientations(b))
        best = std::min(best, PerceptualDistance(a, turned));
    return best;
}

int PerceptualBitTolerance(int tolerance)
{
    static constexpr int kBits[] = { 0, 2, 4, 6, 8, 10, 12, 13, 14, 15, 16, 18, 20 };
    return kBits[std::clamp(tolerance, 0, 12)];
}

}  // namespace vexa

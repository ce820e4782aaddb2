#include "signature/perceptualhash.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// The spans of every source pixel as runs: consecutive pixels with the same
// weight in the same cell, each run counted once per row.
struct Run {
    int cell;
    int first;  // source pixels first .. end - 1
    int end;
    std::int64_t weight;
};
std::vector<Run> runs(int side)
{
    std::vector<Run> out;
    const auto pixels = spans(side);
    for (int x = 0; x < side; ++x) {
        for (const Span &span : pixels[size_t(x)]) {
            // The runs the pixel before ended are the last two at most.
            bool merged = false;
            for (size_t back = 1; back <= 2 && back <= out.size() && !merged; ++back) {
                Run &run = out[out.size() - back];
                merged = run.cell == span.cell && run.end == x && run.weight == span.weight;
                if (merged)
                    run.end = x + 1;
            }
            if (!merged)
                out.push_back({ span.cell, x, x + 1, span.weight });
        }
    }
    return out;
}

// The luminance in thousandths (299 R + 587 G + 114 B, at most 255000) of
// the pixels first .. end - 1 of a row, added up. A run is at most
// 32767 / 32 + 1 pixels, so the sum fits 32 bits.
std::int64_t luminanceSum(const QRgb *line, int first, int end)
{
    std::int32_t sum = 0;
    int x = first;
#ifdef __SSE2__
    // Four pixels at a time: bytes B, G, R, A widened to 16 bits and
    // multiplied in pairs, whole numbers throughout, so the same sum.
    const __m128i weights = _mm_setr_epi16(114, 587, 299, 0, 114, 587, 299, 0);
    const __m128i zero = _mm_setzero_si128();
    __m128i sums = zero;
    for (; x + 4 <= end; x += 4) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i *>(line + x));
        const __m128i low = _mm_madd_epi16(_mm_unpacklo_epi8(pixels, zero), weights);
        const __m128i high = _mm_madd_epi16(_mm_unpackhi_epi8(pixels, zero), weights);
        sums = _mm_add_epi32(sums, _mm_add_epi32(low, high));
    }
    alignas(16) std::int32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i *>(lanes), sums);
    sum = lanes[0] + lanes[1] + lanes[2] + lanes[3];
#endif
    for (; x < end; ++x)
        sum += 299 * qRed(line[x]) + 587 * qGreen(line[x]) + 114 * qBlue(line[x]);
    return sum;
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
    const auto across = runs(width);
    const auto down = spans(height);
    // Luminance in thousandths (0..255000) times the covered area; a cell
    // covers width * height units, so it holds at most 255000 * 2^30 < 2^58.
    // Sums of whole numbers, so adding a run of pixels first and weighting
    // the run once gives exactly the sum of the weighted pixels.
    std::int64_t cells[kPerceptualSide][kPerceptualSide] = {};
    std::int64_t row[kPerceptualSide];
    for (int y = 0; y < height; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        std::fill(std::begin(row), std::end(row), 0);
        for (const Run &run : across)
            row[run.cell] += luminanceSum(line, run.first, run.end) * run.weight;
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

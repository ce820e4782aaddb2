#include "base/rounding.h"
#include "signature/imagefunc.h"

#include <algorithm>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace vexa {

namespace {

// For each output index, the source indexes it covers and their weights
// (coverage / footprint), so every output is a mean over its source area.
// Output o owns entries begin[o] .. begin[o + 1] - 1, sources ascending.
struct Taps {
    std::vector<int> begin;
    std::vector<int> source;
    std::vector<double> weight;
};

Taps coverage(int sourceLength, int outputLength)
{
    Taps taps;
    taps.begin.reserve(size_t(outputLength) + 1);
    const double scale = double(sourceLength) / double(outputLength);
    for (int o = 0; o < outputLength; ++o) {
        taps.begin.push_back(int(taps.source.size()));
        const double begin = o * scale;
        const double end = (o + 1) * scale;
        const int first = int(begin);
        const int last = std::min(sourceLength - 1, int(end - 1e-9));
        for (int s = first; s <= last; ++s) {
            const double covered = std::min(end, double(s + 1)) - std::max(begin, double(s));
            if (covered > 0) {
                taps.source.push_back(s);
                taps.weight.push_back(covered / scale);
            }
        }
    }
    taps.begin.push_back(int(taps.source.size()));
    return taps;
}

// The outputs a source index feeds, as (output, weight) in ascending output
// order: the vertical taps turned around, so that source rows can be added
// in as they are made.
struct Feed {
    int output;
    double weight;
};

std::vector<std::vector<Feed>> feeds(const Taps &taps, int sourceLength)
{
    std::vector<std::vector<Feed>> out(static_cast<size_t>(sourceLength));
    for (int o = 0; o + 1 < int(taps.begin.size()); ++o)
        for (int t = taps.begin[size_t(o)]; t < taps.begin[size_t(o) + 1]; ++t)
            out[size_t(taps.source[size_t(t)])].push_back({ o, taps.weight[size_t(t)] });
    return out;
}

}  // namespace

// Each output channel is the sum of weight * value over its source area:
// first along each source row (horizontal), then down the rows. The sums
// are built row by row as the rows are read, but every output still adds
// the same products in the same order (sources ascending, starting from 0)
// as a pass over a stored horizontal result would, so the result is the
// same to the last bit; only the buffer of a whole horizontal pass (a
// megabyte for a 640 x 480 picture) and a fourth channel that is constant
// for an opaque picture are saved.
QImage AreaAverageScaled(const QImage &picture, const QSize &size, QRgb background)
{
    if (picture.isNull() || size.isEmpty())
        return QImage();
    const bool alpha = picture.hasAlphaChannel();
    const QImage source = alpha ? picture.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                : picture.convertToFormat(QImage::Format_RGB32);
    const int sw = source.width();
    const int sh = source.height();
    const int ow = size.width();
    const int oh = size.height();
    const Taps columns = coverage(sw, ow);
    const auto rows = feeds(coverage(sh, oh), sh);

    // An opaque row's alpha sums are the same for every row.
    std::vector<double> opaqueAlpha(size_t(ow), 0.0);
    for (int o = 0; o < ow; ++o)
        for (int t = columns.begin[size_t(o)]; t < columns.begin[size_t(o) + 1]; ++t)
            opaqueAlpha[size_t(o)] += columns.weight[size_t(t)] * 255;

    // Premultiplied B, G, R, A of a few source rows across, then the output
    // sums. Rows go through the horizontal pass kRows at a time: each row's
    // sums are chains of dependent additions, and interleaving the chains of
    // several rows keeps the processor busy where one chain would wait on
    // each addition.
    constexpr int kRows = 4;  // the chains below are written out for four
    std::vector<double> across(size_t(ow) * 4 * kRows);
    std::vector<double> sums(size_t(ow) * size_t(oh) * 4, 0.0);
    const int *tapSource = columns.source.data();
    const double *tapWeight = columns.weight.data();
    for (int y0 = 0; y0 < sh; y0 += kRows) {
        const int count = std::min(kRows, sh - y0);
        const QRgb *lines[kRows];
        for (int i = 0; i < kRows; ++i)
            lines[i]
                = reinterpret_cast<const QRgb *>(source.constScanLine(y0 + std::min(i, count - 1)));
        for (int o = 0; o < ow; ++o) {
            // Twelve separate chains, named so that they stay in registers.
            double b0 = 0, g0 = 0, r0 = 0, b1 = 0, g1 = 0, r1 = 0;
            double b2 = 0, g2 = 0, r2 = 0, b3 = 0, g3 = 0, r3 = 0;
            const int first = columns.begin[size_t(o)];
            const int end = columns.begin[size_t(o) + 1];
            for (int t = first; t < end; ++t) {
                const int at = tapSource[t];
                const double w = tapWeight[t];
                const QRgb p0 = lines[0][at];
                const QRgb p1 = lines[1][at];
                const QRgb p2 = lines[2][at];
                const QRgb p3 = lines[3][at];
                b0 += w * qBlue(p0);
                g0 += w * qGreen(p0);
                r0 += w * qRed(p0);
                b1 += w * qBlue(p1);
                g1 += w * qGreen(p1);
                r1 += w * qRed(p1);
                b2 += w * qBlue(p2);
                g2 += w * qGreen(p2);
                r2 += w * qRed(p2);
                b3 += w * qBlue(p3);
                g3 += w * qGreen(p3);
                r3 += w * qRed(p3);
            }
            const double b[kRows] = { b0, b1, b2, b3 };
            const double g[kRows] = { g0, g1, g2, g3 };
            const double r[kRows] = { r0, r1, r2, r3 };
            for (int i = 0; i < count; ++i) {
                double a = opaqueAlpha[size_t(o)];
                if (alpha) {
                    a = 0;
                    for (int t = first; t < end; ++t)
                        a += tapWeight[t] * qAlpha(lines[i][tapSource[t]]);
                }
                double *out = &across[(size_t(i) * size_t(ow) + size_t(o)) * 4];
                out[0] = b[i];
                out[1] = g[i];
                out[2] = r[i];
                out[3] = a;
            }
        }
        for (int i = 0; i < count; ++i) {
            const double *__restrict row = &across[size_t(i) * size_t(ow) * 4];
            for (const Feed &feed : rows[size_t(y0 + i)]) {
                double *__restrict sum = &sums[size_t(feed.output) * size_t(ow) * 4];
                const double w = feed.weight;
                int k = 0;
#ifdef __SSE2__
                // Two sums at a time: the same products and additions.
                const __m128d weight = _mm_set1_pd(w);
                for (; k + 2 <= ow * 4; k += 2)
                    _mm_storeu_pd(sum + k,
                        _mm_add_pd(
                            _mm_loadu_pd(sum + k), _mm_mul_pd(weight, _mm_loadu_pd(row + k))));
#endif
                for (; k < ow * 4; ++k)
                    sum[k] += w * row[k];
            }
        }
    }

    QImage result(size, QImage::Format_RGB32);
    const double bgR = qRed(background);
    const double bgG = qGreen(background);
    const double bgB = qBlue(background);
    const auto channel = [](double v) { return int(std::clamp(RoundHalfEven(v), 0.0, 255.0)); };
    for (int oy = 0; oy < oh; ++oy) {
        auto *line = reinterpret_cast<QRgb *>(result.scanLine(oy));
        const double *sum = &sums[size_t(oy) * size_t(ow) * 4];
        for (int ox = 0; ox < ow; ++ox) {
            const double *in = sum + size_t(ox) * 4;
            // Premultiplied colour over the background.
            const double uncovered = 1.0 - in[3] / 255.0;
            line[ox] = qRgb(channel(in[2] + uncovered * bgR), channel(in[1] + uncovered * bgG),
                channel(in[0] + uncovered * bgB));
        }
    }
    return result;
}

}  // namespace vexa

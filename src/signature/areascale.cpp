#include "base/rounding.h"
#include "signature/imagefunc.h"

#include <algorithm>
#include <vector>

namespace vexa {

namespace {

// For each output index, the source indexes it covers and their weights
// (coverage / footprint), so every output is a mean over its source area.
struct Tap {
    int source;
    double weight;
};

std::vector<std::vector<Tap>> coverage(int sourceLength, int outputLength)
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

}  // namespace

QImage AreaAverageScaled(const QImage &picture, const QSize &size, QRgb background)
{
    if (picture.isNull() || size.isEmpty())
        return QImage();
    const QImage source = picture.hasAlphaChannel()
        ? picture.convertToFormat(QImage::Format_ARGB32_Premultiplied)
        : picture.convertToFormat(QImage::Format_RGB32);
    const int sw = source.width();
    const int sh = source.height();
    const int ow = size.width();
    const int oh = size.height();
    const auto columns = coverage(sw, ow);
    const auto rows = coverage(sh, oh);

    // Horizontal pass into (ow x sh) of premultiplied B, G, R, A.
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
    const double bgR = qRed(background);
    const double bgG = qGreen(background);
    const double bgB = qBlue(background);
    const auto channel = [](double v) { return int(std::clamp(RoundHalfEven(v), 0.0, 255.0)); };
    for (int oy = 0; oy < oh; ++oy) {
        auto *line = reinterpret_cast<QRgb *>(result.scanLine(oy));
        for (int ox = 0; ox < ow; ++ox) {
            double b = 0, g = 0, r = 0, a = 0;
            for (const Tap &tap : rows[size_t(oy)]) {
                const double *in = &horizontal[(size_t(tap.source) * size_t(ow) + size_t(ox)) * 4];
                b += tap.weight * in[0];
                g += tap.weight * in[1];
                r += tap.weight * in[2];
                a += tap.weight * in[3];
            }
            // Premultiplied colour over the background.
            const double uncovered = 1.0 - a / 255.0;
            line[ox] = qRgb(channel(r + uncovered * bgR), channel(g + uncovered * bgG),
                channel(b + uncovered * bgB));
        }
    }
    return result;
}

}  // namespace vexa

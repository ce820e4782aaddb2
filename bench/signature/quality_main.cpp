// Quality harness: how well each signature method finds near-duplicates of
// real photographs, and how often it pairs different photographs.
//   signature_quality DATA_DIR [--sweep]
// DATA_DIR is what fetch_photos.sh made (originals/, variants/NAME/...).
#include "base/rounding.h"
#include "signature/imagefunc.h"
#include "signature/imageloader.h"
#include "signature/signaturelib.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMap>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace vexa;

namespace {

struct Entry {
    QString photo;
    QString variant;  // empty for the original
    PackedSignature s;
};

int avgLevel(int slider)
{
    const int level = int(RoundHalfEven(slider / 2.0));
    return int(RoundHalfEven(level / 2.0));
}

bool matches(int method, const PackedSignature &a, const PackedSignature &b, int slider)
{
    const int level = int(RoundHalfEven(slider / 2.0));
    const bool quad = CompareQuadRGB(a.QuadRGB[0], a.QuadRGB[1], a.QuadRGB[2], a.QuadRGB[3],
                          b.QuadRGB[0], b.QuadRGB[1], b.QuadRGB[2], b.QuadRGB[3], level)
        != 0;
    switch (method) {
    case 0: return CompareAvgRGB(a.AvgRGB, b.AvgRGB, avgLevel(slider)) != 0;
    case 1: return quad;
    default:
        return CompareBitLong(a.Pattern1, b.Pattern1, a.Pattern2, b.Pattern2, level) != 0 && quad;
    }
}

const int kPreset[3] = { 4, 8, 12 };
const char *kMethodName[3] = { "Average RGB", "Quadruple RGB", "Bitmap pattern" };

QString kindOf(const QString &variant)
{
    if (variant == QLatin1String("half") || variant == QLatin1String("quarter"))
        return QStringLiteral("resize");
    if (variant.startsWith(QLatin1Char('q')))
        return QStringLiteral("re-encode");
    if (variant == QLatin1String("format"))
        return QStringLiteral("format");
    if (variant.startsWith(QLatin1String("bright")) || variant.startsWith(QLatin1String("dark")))
        return QStringLiteral("brightness");
    return QStringLiteral("blur");
}

int percentile(std::vector<int> v, double p)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    InitialiseImageLoader();
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: signature_quality DATA_DIR [--sweep]\n");
        return 2;
    }
    const QDir data(args.first());
    const bool sweep = args.contains(QStringLiteral("--sweep"));

    std::vector<Entry> originals;
    std::vector<Entry> variants;
    int failures = 0;
    for (const QFileInfo &file :
        QDir(data.filePath(QStringLiteral("originals")))
            .entryInfoList({ QStringLiteral("*.png") }, QDir::Files, QDir::Name)) {
        QString reason;
        const auto s = ComputeSignature(file.filePath(), &reason);
        if (!s) {
            std::fprintf(
                stderr, "cannot load %s: %s\n", qPrintable(file.filePath()), qPrintable(reason));
            ++failures;
            continue;
        }
        const QString photo = file.completeBaseName();
        originals.push_back({ photo, QString(), s->packed });
        const QDir dir(data.filePath(QStringLiteral("variants/") + photo));
        for (const QFileInfo &v : dir.entryInfoList(QDir::Files, QDir::Name)) {
            const auto vs = ComputeSignature(v.filePath(), &reason);
            if (!vs) {
                std::fprintf(
                    stderr, "cannot load %s: %s\n", qPrintable(v.filePath()), qPrintable(reason));
                ++failures;
                continue;
            }
            variants.push_back({ photo, v.completeBaseName(), vs->packed });
        }
    }
    QMap<QString, const Entry *> byPhoto;
    for (const Entry &e : originals)
        byPhoto.insert(e.photo, &e);
    const size_t photos = originals.size();
    const size_t pairs = photos * (photos - 1) / 2;
    std::printf(
        "%zu photographs, %zu variants, %zu pairs of different photographs, %d load failures\n\n",
        photos, variants.size(), pairs, failures);

    // Distances of variants to their original, per kind: median / 95th / max.
    std::printf("distance to the original   avg-channel   quad-channel   pattern-bits   "
                "(median/p95/max)\n");
    QMap<QString, std::vector<int>> da, dq, dp;
    for (const Entry &v : variants) {
        const Entry &o = *byPhoto.value(v.photo);
        const QString kind = v.variant;
        da[kind].push_back(ChannelDistance(o.s.AvgRGB, v.s.AvgRGB));
        dq[kind].push_back(QuadDistance(o.s.QuadRGB, v.s.QuadRGB));
        dp[kind].push_back(PatternDistance(o.s.Pattern1, o.s.Pattern2, v.s.Pattern1, v.s.Pattern2));
    }
    for (auto it = da.cbegin(); it != da.cend(); ++it) {
        const QString &k = it.key();
        std::printf("  %-10s %5d/%3d/%3d   %5d/%3d/%3d   %5d/%3d/%3d\n", qPrintable(k),
            percentile(da[k], .5), percentile(da[k], .95), percentile(da[k], 1),
            percentile(dq[k], .5), percentile(dq[k], .95), percentile(dq[k], 1),
            percentile(dp[k], .5), percentile(dp[k], .95), percentile(dp[k], 1));
    }

    // Recall per kind of change and false pairs, each method at its preset.
    const QStringList kinds = { QStringLiteral("resize"), QStringLiteral("re-encode"),
        QStringLiteral("format"), QStringLiteral("brightness"), QStringLiteral("blur") };
    std::vector<const Entry *> everything;
    for (const Entry &e : originals)
        everything.push_back(&e);
    for (const Entry &e : variants)
        everything.push_back(&e);
    std::printf(
        "\n| method (slider) | resize | re-encode | format | brightness 2-3%% | blur | false pairs "
        "(originals) | false pairs (all files) |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    for (int method = 0; method < 3; ++method) {
        QMap<QString, int> found, total;
        for (const Entry &v : variants) {
            const QString kind = kindOf(v.variant);
            ++total[kind];
            if (matches(method, byPhoto.value(v.photo)->s, v.s, kPreset[method]))
                ++found[kind];
        }
        size_t falsePairs = 0;
        for (size_t i = 0; i < photos; ++i)
            for (size_t j = i + 1; j < photos; ++j)
                falsePairs
                    += matches(method, originals[i].s, originals[j].s, kPreset[method]) ? 1 : 0;
        std::printf("| %s (%d) |", kMethodName[method], kPreset[method]);
        for (const QString &kind : kinds)
            std::printf(" %.1f %% (%d/%d) |", total[kind] ? 100.0 * found[kind] / total[kind] : 0.0,
                found[kind], total[kind]);
        std::printf(" %.2f %% (%zu/%zu) |",
            pairs ? 100.0 * double(falsePairs) / double(pairs) : 0.0, falsePairs, pairs);
        // Every file against every file of another photograph.
        size_t crossPairs = 0, crossFalse = 0;
        for (size_t i = 0; i < everything.size(); ++i)
            for (size_t j = i + 1; j < everything.size(); ++j) {
                if (everything[i]->photo == everything[j]->photo)
                    continue;
                ++crossPairs;
                crossFalse
                    += matches(method, everything[i]->s, everything[j]->s, kPreset[method]) ? 1 : 0;
            }
        std::printf(" %.3f %% (%zu/%zu) |\n",
            crossPairs ? 100.0 * double(crossFalse) / double(crossPairs) : 0.0, crossFalse,
            crossPairs);
    }

    if (args.contains(QStringLiteral("--pairs"))) {
        // The closest pairs of different photographs, to find copies in the corpus.
        std::printf("\nclosest different photographs (avg quad bits):\n");
        for (size_t i = 0; i < photos; ++i)
            for (size_t j = i + 1; j < photos; ++j) {
                const PackedSignature &a = originals[i].s;
                const PackedSignature &b = originals[j].s;
                const int q = QuadDistance(a.QuadRGB, b.QuadRGB);
                if (q <= 12)
                    std::printf("  %3d %3d %3d  %s  %s\n", ChannelDistance(a.AvgRGB, b.AvgRGB), q,
                        PatternDistance(a.Pattern1, a.Pattern2, b.Pattern1, b.Pattern2),
                        qPrintable(originals[i].photo), qPrintable(originals[j].photo));
            }
    }
    if (sweep) {
        // Bitmap pattern with raw thresholds: quadrant channel Q and pattern bits B.
        std::printf("\nbitmap sweep: Q B  recall(resize/re-encode/format)  recall(brightness)  "
                    "recall(blur)  false pairs\n");
        for (int q = 6; q <= 12; ++q)
            for (int bits = 2; bits <= 14; bits += 2) {
                int found[3] = { 0, 0, 0 }, total[3] = { 0, 0, 0 };
                for (const Entry &v : variants) {
                    const QString kind = kindOf(v.variant);
                    const int group = kind == QLatin1String("brightness") ? 1
                        : kind == QLatin1String("blur")                   ? 2
                                                                          : 0;
                    const PackedSignature &o = byPhoto.value(v.photo)->s;
                    ++total[group];
                    found[group] += QuadDistance(o.QuadRGB, v.s.QuadRGB) <= q
                        && PatternDistance(o.Pattern1, o.Pattern2, v.s.Pattern1, v.s.Pattern2)
                            <= bits;
                }
                size_t falsePairs = 0;
                for (size_t i = 0; i < photos; ++i)
                    for (size_t j = i + 1; j < photos; ++j) {
                        const PackedSignature &a = originals[i].s;
                        const PackedSignature &b = originals[j].s;
                        falsePairs += QuadDistance(a.QuadRGB, b.QuadRGB) <= q
                            && PatternDistance(a.Pattern1, a.Pattern2, b.Pattern1, b.Pattern2)
                                <= bits;
                    }
                std::printf("  %2d %2d   %6.1f  %6.1f  %6.1f   %zu\n", q, bits,
                    100.0 * found[0] / std::max(total[0], 1),
                    100.0 * found[1] / std::max(total[1], 1),
                    100.0 * found[2] / std::max(total[2], 1), falsePairs);
            }
        // Recall of resize+re-encode+format and false-pair rate per raw threshold.
        std::printf("\nsweep: threshold  recall(avg) false(avg)  recall(quad) false(quad)  "
                    "recall(bits) false(bits)\n");
        for (int t = 0; t <= 40; ++t) {
            int rn[3] = { 0, 0, 0 }, rd = 0;
            size_t fn[3] = { 0, 0, 0 };
            for (const Entry &v : variants) {
                const QString kind = kindOf(v.variant);
                if (kind == QLatin1String("brightness") || kind == QLatin1String("blur"))
                    continue;
                const Entry &o = *byPhoto.value(v.photo);
                ++rd;
                rn[0] += ChannelDistance(o.s.AvgRGB, v.s.AvgRGB) <= t;
                rn[1] += QuadDistance(o.s.QuadRGB, v.s.QuadRGB) <= t;
                rn[2]
                    += PatternDistance(o.s.Pattern1, o.s.Pattern2, v.s.Pattern1, v.s.Pattern2) <= t;
            }
            for (size_t i = 0; i < photos; ++i)
                for (size_t j = i + 1; j < photos; ++j) {
                    const PackedSignature &a = originals[i].s;
                    const PackedSignature &b = originals[j].s;
                    fn[0] += ChannelDistance(a.AvgRGB, b.AvgRGB) <= t;
                    fn[1] += QuadDistance(a.QuadRGB, b.QuadRGB) <= t;
                    fn[2] += PatternDistance(a.Pattern1, a.Pattern2, b.Pattern1, b.Pattern2) <= t;
                }
            std::printf("  %3d   %6.1f %6.2f   %6.1f %6.2f   %6.1f %6.2f\n", t,
                100.0 * rn[0] / std::max(rd, 1),
                100.0 * double(fn[0]) / double(std::max<size_t>(pairs, 1)),
                100.0 * rn[1] / std::max(rd, 1),
                100.0 * double(fn[1]) / double(std::max<size_t>(pairs, 1)),
                100.0 * rn[2] / std::max(rd, 1),
                100.0 * double(fn[2]) / double(std::max<size_t>(pairs, 1)));
        }
    }
    return 0;
}

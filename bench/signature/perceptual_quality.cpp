// perceptual_quality DATA_DIR: how well each signature method finds the
// everyday edits perceptual_edits.sh made, and how often it pairs different
// pictures. Every file is decoded and sampled as gathering does
// (DecodeForGathering) and compared as narration does (SignaturesMatch at the
// method's preset). Prints, as Markdown:
//  - one table per method: recall of each edit (pairs of an original and its
//    edit) and the edit's false pairs with the other pictures' originals;
//    then the false pairs over the originals, over all files of different
//    pictures, and over tiles of one picture (the hard negatives);
//  - for Perceptual, the level each edit needs for 95 % and the recall /
//    false-pair curve over levels 0..12;
//  - the pairs of different pictures each method makes, and what it misses.
#include "gather/gatherengine.h"
#include "narration/narrationscan.h"
#include "narration/narrationsettings.h"
#include "signature/imageloader.h"
#include "signature/perceptualhash.h"
#include "signature/signaturelib.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <map>
#include <thread>
#include <vector>

using namespace vexa;

namespace {

struct File {
    int picture = 0;  // index of its original
    int edit = -1;  // index into the edit names; -1 for the original
    QString path;
    NarrationRecord record;
    bool loaded = false;
};

// Decodes every file as gathering does, on every core.
void decodeAll(std::vector<File> &files)
{
    std::atomic<std::size_t> next { 0 };
    const auto work = [&] {
        for (std::size_t i = next++; i < files.size(); i = next++) {
            const DecodedImage image = DecodeForGathering(files[i].path);
            if (!image.loaded || !image.sampled) {
                std::fprintf(stderr, "%s: %s%s\n", qPrintable(files[i].path),
                    qPrintable(image.loadError), qPrintable(image.sampleError));
                continue;
            }
            NarrationRecord &r = files[i].record;
            r.fileSize = image.fileSize;
            r.dimX = image.width;
            r.dimY = image.height;
            r.avg = SetRGBValues(image.average[0], image.average[1], image.average[2]);
            for (int q = 0; q < 4; ++q) {
                const auto &c = image.quadrants[std::size_t(q)];
                r.quad[q] = SetRGBValues(c[0], c[1], c[2]);
            }
            MakeBitLong(image.pattern, r.pattern1, r.pattern2);
            r.perceptual = image.perceptual;
            r.perceptualNull = false;
            files[i].loaded = true;
        }
    };
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < std::max(1u, std::thread::hardware_concurrency()); ++t)
        threads.emplace_back(work);
    for (std::thread &t : threads)
        t.join();
}

struct Count {
    std::size_t hits = 0;
    std::size_t total = 0;
    double percent() const { return total ? 100.0 * double(hits) / double(total) : 0.0; }
};

QString figure(const Count &c, int decimals)
{
    return QStringLiteral("%1 % (%2/%3)")
        .arg(c.percent(), 0, 'f', decimals)
        .arg(c.hits)
        .arg(c.total);
}

// The methods at their presets; Perceptual also with "Also find rotated and
// mirrored copies" off.
struct Run {
    int method;
    bool anyOrientation;
};
constexpr std::array<Run, 5> kRuns
    = { { { 0, true }, { 1, true }, { 2, true }, { 6, true }, { 6, false } } };
const char *methodName(const Run &run)
{
    switch (run.method) {
    case 0: return "Average RGB";
    case 1: return "Quadruple RGB";
    case 2: return "Bitmap pattern";
    default:
        return run.anyOrientation ? "Perceptual"
                                  : "Perceptual, rotated and mirrored copies not looked for";
    }
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: perceptual_quality DATA_DIR\n");
        return 2;
    }
    InitialiseImageLoader();
    const QDir data(QString::fromLocal8Bit(argv[1]));
    QStringList originals;
    for (const QString &name : QDir(data.filePath(QStringLiteral("originals")))
                                   .entryList({ QStringLiteral("*.png") }, QDir::Files, QDir::Name))
        originals << QFileInfo(name).completeBaseName();

    // Originals, then their edits, then the tiles (edit -2).
    std::vector<File> files;
    for (int p = 0; p < originals.size(); ++p)
        files.push_back({ p, -1,
            data.filePath(QStringLiteral("originals/%1.png").arg(originals[p])), {}, false });
    QStringList editNames;
    std::vector<std::pair<int, QString>> editFiles;
    for (int p = 0; p < originals.size(); ++p) {
        const QDir dir(data.filePath(QStringLiteral("edits/") + originals[p]));
        for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
            if (!editNames.contains(name))
                editNames << name;
            editFiles.push_back({ p, name });
        }
    }
    editNames.sort();
    for (const auto &[p, name] : editFiles)
        files.push_back({ p, int(editNames.indexOf(name)),
            data.filePath(QStringLiteral("edits/%1/%2").arg(originals[p], name)), {}, false });
    const QRegularExpression tileName(QStringLiteral("^(.*)_\\d+\\.png$"));
    for (const QString &name :
        QDir(data.filePath(QStringLiteral("tiles"))).entryList(QDir::Files, QDir::Name)) {
        const int p = int(originals.indexOf(tileName.match(name).captured(1)));
        if (p >= 0)
            files.push_back({ p, -2, data.filePath(QStringLiteral("tiles/") + name), {}, false });
    }
    decodeAll(files);
    std::vector<const File *> pictures, everything, tiles;  // everything: originals and edits
    for (const File &f : files) {
        if (!f.loaded)
            continue;
        if (f.edit == -1)
            pictures.push_back(&f);
        if (f.edit >= -1)
            everything.push_back(&f);
        else
            tiles.push_back(&f);
    }
    std::vector<const File *> originalOf(std::size_t(originals.size()), nullptr);
    for (const File *f : pictures)
        originalOf[std::size_t(f->picture)] = f;
    const auto nameOf = [&](const File *f) {
        return f->edit == -1 ? originals[f->picture]
            : f->edit == -2  ? QFileInfo(f->path).fileName()
                             : originals[f->picture] + QLatin1Char('/') + editNames[f->edit];
    };
    std::printf("%zu originals, %d edits each, %zu files (originals and edits), %zu tiles\n",
        pictures.size(), int(editNames.size()), everything.size(), tiles.size());

    // Perceptual distances, kept once for the curve: per edit (to its
    // original) and per kind of false pair.
    std::vector<std::vector<int>> editDistance(std::size_t(editNames.size()));
    std::array<std::size_t, 65> originalHist {}, fileHist {}, tileHist {}, allTileHist {};
    for (const File *f : everything)
        if (f->edit >= 0 && originalOf[std::size_t(f->picture)])
            editDistance[std::size_t(f->edit)].push_back(PerceptualDistanceAnyOrientation(
                originalOf[std::size_t(f->picture)]->record.perceptual, f->record.perceptual));

    for (const Run &run : kRuns) {
        const int method = run.method;
        // The distances of the curve are taken once, in every orientation.
        const bool curve = method == 6 && run.anyOrientation;
        const int level = ToleranceLevel(PresetOf(method).slider);
        const auto match = [&](const File *a, const File *b) {
            return SignaturesMatch(method, level, a->record, b->record, run.anyOrientation);
        };
        std::printf("\n### %s (slider %d, level %d)\n\n| edit | recall | false pairs with "
                    "other originals |\n|---|---|---|\n",
            methodName(run), PresetOf(method).slider, level);
        std::vector<Count> recall(std::size_t(editNames.size())),
            editFalse(std::size_t(editNames.size()));
        std::map<int, QStringList> missed;
        for (const File *f : everything) {
            if (f->edit < 0)
                continue;
            const File *o = originalOf[std::size_t(f->picture)];
            if (!o)
                continue;
            Count &c = recall[std::size_t(f->edit)];
            ++c.total;
            if (match(o, f))
                ++c.hits;
            else
                missed[f->edit] << originals[f->picture];
            for (const File *other : pictures)
                if (other->picture != f->picture) {
                    Count &e = editFalse[std::size_t(f->edit)];
                    ++e.total;
                    e.hits += match(other, f);
                }
        }
        for (int e = 0; e < editNames.size(); ++e)
            std::printf("| %s | %s | %s |\n", qPrintable(editNames[e]),
                qPrintable(figure(recall[std::size_t(e)], 1)),
                qPrintable(figure(editFalse[std::size_t(e)], 3)));

        Count originalPairs, filePairs, tilePairs, allTilePairs;
        QStringList originalsPaired;
        std::map<std::pair<int, int>, std::size_t> byPicturePair;
        for (std::size_t a = 0; a < everything.size(); ++a)
            for (std::size_t b = a + 1; b < everything.size(); ++b) {
                const File *x = everything[a];
                const File *y = everything[b];
                if (x->picture == y->picture)
                    continue;
                const bool hit = match(x, y);
                ++filePairs.total;
                filePairs.hits += hit;
                const bool bothOriginals = x->edit == -1 && y->edit == -1;
                if (bothOriginals) {
                    ++originalPairs.total;
                    originalPairs.hits += hit;
                }
                if (hit) {
                    ++byPicturePair[{
                        std::min(x->picture, y->picture), std::max(x->picture, y->picture) }];
                    if (bothOriginals && method == 6)
                        originalsPaired << QStringLiteral("%1 + %2 (%3 bits)")
                                               .arg(nameOf(x), nameOf(y))
                                               .arg(PerceptualDistanceAnyOrientation(
                                                   x->record.perceptual, y->record.perceptual));
                    else if (bothOriginals)
                        originalsPaired << nameOf(x) + QStringLiteral(" + ") + nameOf(y);
                }
                if (curve) {
                    const int d = PerceptualDistanceAnyOrientation(
                        x->record.perceptual, y->record.perceptual);
                    ++fileHist[std::size_t(d)];
                    if (bothOriginals)
                        ++originalHist[std::size_t(d)];
                }
            }
        for (std::size_t a = 0; a < tiles.size(); ++a)
            for (std::size_t b = a + 1; b < tiles.size(); ++b) {
                const bool hit = match(tiles[a], tiles[b]);
                ++allTilePairs.total;
                allTilePairs.hits += hit;
                const bool onePicture = tiles[a]->picture == tiles[b]->picture;
                if (onePicture) {
                    ++tilePairs.total;
                    tilePairs.hits += hit;
                    if (hit && tilePairs.hits <= 12)
                        std::fprintf(stderr, "%s: tiles paired: %s + %s\n", methodName(run),
                            qPrintable(nameOf(tiles[a])), qPrintable(nameOf(tiles[b])));
                }
                if (curve) {
                    const int d = PerceptualDistanceAnyOrientation(
                        tiles[a]->record.perceptual, tiles[b]->record.perceptual);
                    ++allTileHist[std::size_t(d)];
                    if (onePicture)
                        ++tileHist[std::size_t(d)];
                }
            }
        std::printf("\nfalse pairs: originals %s, all files %s, tiles of one picture %s (all "
                    "tiles %s)\n",
            qPrintable(figure(originalPairs, 3)), qPrintable(figure(filePairs, 4)),
            qPrintable(figure(tilePairs, 3)), qPrintable(figure(allTilePairs, 4)));
        std::printf("originals paired (%d):", int(originalsPaired.size()));
        for (int i = 0; i < std::min(int(originalsPaired.size()), 60); ++i)
            std::printf(" %s;", qPrintable(originalsPaired[i]));
        std::printf("\n");
        std::vector<std::pair<std::size_t, std::pair<int, int>>> worst;
        for (const auto &[pair, n] : byPicturePair)
            worst.push_back({ n, pair });
        std::sort(worst.rbegin(), worst.rend());
        std::printf("pictures whose files pair most (of %zu pictures pairs with a false pair):",
            worst.size());
        for (std::size_t i = 0; i < std::min<std::size_t>(worst.size(), 12); ++i)
            std::printf(" %s + %s %zu;", qPrintable(originals[worst[i].second.first]),
                qPrintable(originals[worst[i].second.second]), worst[i].first);
        std::printf("\nmissed:\n");
        for (const auto &[edit, names] : missed)
            std::printf("  %s (%d): %s\n", qPrintable(editNames[edit]), int(names.size()),
                names.size() <= 15 ? qPrintable(names.join(QStringLiteral(", "))) : "...");
    }

    // The perceptual curve: the level each edit needs, recall and false pairs
    // at every level.
    std::printf("\n### Perceptual: level needed for 95 %% of each edit\n\n| edit | at the "
                "default level | needs level (bits) | distance median / 95th pct / max |\n"
                "|---|---|---|---|\n");
    for (int e = 0; e < editNames.size(); ++e) {
        std::vector<int> d = editDistance[std::size_t(e)];
        std::sort(d.begin(), d.end());
        if (d.empty())
            continue;
        const auto at = [&](int radius) {
            return Count { std::size_t(std::count_if(
                               d.begin(), d.end(), [&](int x) { return x <= radius; })),
                d.size() };
        };
        QString needs = QStringLiteral("none");
        for (int level = 0; level <= kMaxToleranceLevel; ++level)
            if (at(PerceptualBitTolerance(level)).percent() >= 95.0) {
                needs = QStringLiteral("%1 (%2)").arg(level).arg(PerceptualBitTolerance(level));
                break;
            }
        std::printf("| %s | %s | %s | %d / %d / %d |\n", qPrintable(editNames[e]),
            qPrintable(figure(at(PerceptualBitTolerance(kPerceptualDefaultTolerance)), 1)),
            qPrintable(needs), d[d.size() / 2], d[std::min(d.size() - 1, d.size() * 95 / 100)],
            d.back());
    }
    std::printf("\n### Perceptual: recall and false pairs by level\n\n| level (bits) | recall, "
                "all edits | worst edit | false pairs, originals | all files | tiles of one "
                "picture | all tiles |\n|---|---|---|---|---|---|---|\n");
    const auto upTo = [](const std::array<std::size_t, 65> &hist, int radius) {
        Count c;
        for (int d = 0; d <= 64; ++d) {
            c.total += hist[std::size_t(d)];
            if (d <= radius)
                c.hits += hist[std::size_t(d)];
        }
        return c;
    };
    for (int level = 0; level <= kMaxToleranceLevel; ++level) {
        const int radius = PerceptualBitTolerance(level);
        Count all;
        double worst = 100.0;
        QString worstName;
        for (int e = 0; e < editNames.size(); ++e) {
            const auto &d = editDistance[std::size_t(e)];
            const Count c { std::size_t(std::count_if(
                                d.begin(), d.end(), [&](int x) { return x <= radius; })),
                d.size() };
            all.hits += c.hits;
            all.total += c.total;
            if (c.percent() < worst) {
                worst = c.percent();
                worstName = editNames[e];
            }
        }
        std::printf("| %d (%d) | %.1f %% | %s %.1f %% | %s | %s | %s | %s |\n", level, radius,
            all.percent(), qPrintable(worstName), worst,
            qPrintable(figure(upTo(originalHist, radius), 3)),
            qPrintable(figure(upTo(fileHist, radius), 4)),
            qPrintable(figure(upTo(tileHist, radius), 3)),
            qPrintable(figure(upTo(allTileHist, radius), 4)));
    }
    return 0;
}

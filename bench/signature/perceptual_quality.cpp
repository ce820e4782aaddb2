// perceptual_quality DATA_DIR: recall and false pairs of the perceptual
// signature on the edits perceptual_edits.sh made. Prints, for every
// tolerance level, the recall of each edit (pairs of an original and its
// edit), the false pairs over the originals, over all files of different
// pictures, and over the tiles (different pictures of one photograph).
#include "signature/imageloader.h"
#include "signature/perceptualhash.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMap>

#include <cstdio>

using namespace vexa;

namespace {

bool hashOf(const QString &path, PerceptualHash &hash)
{
    LoadedImage image;
    if (!LoadImageFile(path, image, DecodeSize::Sampling)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(image.reason));
        return false;
    }
    hash = PerceptualHashOfPicture(image.picture);
    return true;
}

struct File {
    int picture;  // index of its original
    PerceptualHash hash;
};

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
    const QStringList originals
        = QDir(data.filePath(QStringLiteral("originals")))
              .entryList({ QStringLiteral("*.png") }, QDir::Files, QDir::Name);
    std::vector<File> files;  // originals first, then edits
    std::vector<PerceptualHash> originalHashes;
    QMap<QString, std::vector<std::pair<int, PerceptualHash>>> edits;  // edit -> (picture, hash)
    for (int p = 0; p < originals.size(); ++p) {
        PerceptualHash hash = 0;
        if (!hashOf(data.filePath(QStringLiteral("originals/") + originals[p]), hash))
            return 1;
        originalHashes.push_back(hash);
        files.push_back({ p, hash });
    }
    for (int p = 0; p < originals.size(); ++p) {
        const QDir dir(
            data.filePath(QStringLiteral("edits/") + QFileInfo(originals[p]).completeBaseName()));
        for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
            PerceptualHash hash = 0;
            if (!hashOf(dir.filePath(name), hash))
                continue;
            edits[QFileInfo(name).completeBaseName() + QLatin1Char('.') + QFileInfo(name).suffix()]
                .push_back({ p, hash });
            files.push_back({ p, hash });
        }
    }
    std::vector<PerceptualHash> tiles;
    for (const QString &name :
        QDir(data.filePath(QStringLiteral("tiles"))).entryList(QDir::Files, QDir::Name)) {
        PerceptualHash hash = 0;
        if (hashOf(data.filePath(QStringLiteral("tiles/") + name), hash))
            tiles.push_back(hash);
    }
    // The originals the default level pairs, to be looked at.
    for (std::size_t a = 0; a < originalHashes.size(); ++a)
        for (std::size_t b = a + 1; b < originalHashes.size(); ++b) {
            const int d = PerceptualDistanceAnyOrientation(originalHashes[a], originalHashes[b]);
            if (d <= PerceptualBitTolerance(kPerceptualDefaultTolerance))
                std::printf("paired at %d bits: %s, %s\n", d, qPrintable(originals[int(a)]),
                    qPrintable(originals[int(b)]));
        }
    std::printf(
        "%zu originals, %zu files, %zu tiles\n", originalHashes.size(), files.size(), tiles.size());

    // Distances, once, then counted per level.
    std::vector<int> originalPairs, filePairs, tilePairs;
    for (std::size_t a = 0; a < originalHashes.size(); ++a)
        for (std::size_t b = a + 1; b < originalHashes.size(); ++b)
            originalPairs.push_back(
                PerceptualDistanceAnyOrientation(originalHashes[a], originalHashes[b]));
    for (std::size_t a = 0; a < files.size(); ++a)
        for (std::size_t b = a + 1; b < files.size(); ++b)
            if (files[a].picture != files[b].picture)
                filePairs.push_back(PerceptualDistanceAnyOrientation(files[a].hash, files[b].hash));
    for (std::size_t a = 0; a < tiles.size(); ++a)
        for (std::size_t b = a + 1; b < tiles.size(); ++b)
            tilePairs.push_back(PerceptualDistanceAnyOrientation(tiles[a], tiles[b]));
    const auto within = [](const std::vector<int> &distances, int radius) {
        std::size_t n = 0;
        for (const int d : distances)
            n += d <= radius;
        return n;
    };

    std::printf("\n| level (bits) |");
    for (auto e = edits.cbegin(); e != edits.cend(); ++e)
        std::printf(" %s |", qPrintable(e.key()));
    std::printf(" false pairs, originals | all files | tiles |\n|---|");
    for (int i = 0; i < edits.size() + 3; ++i)
        std::printf("---|");
    std::printf("\n");
    for (int level = 0; level <= 12; ++level) {
        const int radius = PerceptualBitTolerance(level);
        std::printf("| %d (%d) |", level, radius);
        for (auto e = edits.cbegin(); e != edits.cend(); ++e) {
            std::size_t found = 0;
            for (const auto &[picture, hash] : e.value())
                found
                    += PerceptualDistanceAnyOrientation(originalHashes[std::size_t(picture)], hash)
                    <= radius;
            std::printf(" %.1f %% |", 100.0 * double(found) / double(e.value().size()));
        }
        std::printf(" %.3f %% (%zu/%zu) | %.3f %% (%zu/%zu) | %.3f %% (%zu/%zu) |\n",
            100.0 * double(within(originalPairs, radius)) / double(originalPairs.size()),
            within(originalPairs, radius), originalPairs.size(),
            100.0 * double(within(filePairs, radius)) / double(filePairs.size()),
            within(filePairs, radius), filePairs.size(),
            100.0 * double(within(tilePairs, radius)) / double(tilePairs.size()),
            within(tilePairs, radius), tilePairs.size());
    }
    return 0;
}

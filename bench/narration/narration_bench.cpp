// Database narration of synthetic collections of 10,000 to 1,000,000
// signatures, fast scan against the reference scan, with the peak memory of
// each run. Prints one table row per run.
//
// The synthetic signatures are made the way gathering makes them: 64 block
// colours per image, the pattern from the blocks (light when every channel
// is above 120), quadrants and average as rounded means. The mix:
//   62 %  distinct photographs (a base colour per quadrant, noisy blocks)
//   20 %  near duplicates of earlier images (re-encoded: blocks +-2;
//         brightened 3 %; some with the same file size)
//   10 %  dark images (night shots, black frames): every block dark
//    6 %  desaturated photographs (grey at any brightness)
//    2 %  near-uniform grey frames around the light threshold, whose
//         patterns differ at random (the hardest case for any index)
// plus the signatures of a real gathered set (bench/data: originals and
// their variants), inserted at random places.
#include "base/environment.h"
#include "base/rounding.h"
#include "db/appdatabase.h"
#include "db/lifecycle.h"
#include "db/notduplicates.h"
#include "db/selectionsql.h"
#include "db/sqlite.h"
#include "gather/memorygather.h"
#include "gather/memorysignatures.h"
#include "narration/duplicateset.h"
#include "narration/memorynarration.h"
#include "narration/narrationengine.h"
#include "narration/narrationscan.h"
#include "narration/narrationsettings.h"
#include "signature/imagefunc.h"
#include "signature/imageloader.h"
#include "signature/signaturelib.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtConcurrent>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>
#include <vector>

using namespace vexa;

namespace {

struct Blocks {
    int rgb[64][3];
};

NarrationRecord recordOf(const Blocks &b, std::int64_t size, int dimX, int dimY)
{
    NarrationRecord r;
    std::uint64_t pattern = 0;
    int quad[4][3] = {};
    for (int k = 0; k < 64; ++k) {
        const int column = k / 8, row = k % 8;
        const int q = (column >= 4 ? 2 : 0) + (row >= 4 ? 1 : 0);
        bool light = true;
        for (int c = 0; c < 3; ++c) {
            quad[q][c] += b.rgb[k][c];
            light = light && b.rgb[k][c] > 120;
        }
        if (light)
            pattern |= std::uint64_t(1) << k;
    }
    int avg[3] = {};
    for (int q = 0; q < 4; ++q) {
        int v[3];
        for (int c = 0; c < 3; ++c) {
            v[c] = int(DivRoundHalfEven(quad[q][c], 16));
            avg[c] += v[c];
        }
        r.quad[q] = SetRGBValues(v[0], v[1], v[2]);
    }
    r.avg = SetRGBValues(int(DivRoundHalfEven(avg[0], 4)), int(DivRoundHalfEven(avg[1], 4)),
        int(DivRoundHalfEven(avg[2], 4)));
    r.pattern1 = std::int32_t(std::uint32_t(pattern));
    r.pattern2 = std::int32_t(std::uint32_t(pattern >> 32));
    r.fileSize = size;
    r.dimX = dimX;
    r.dimY = dimY;
    return r;
}

class Generator {
public:
    explicit Generator(std::uint32_t seed)
        : m_random(seed)
    {
    }

    std::vector<NarrationRecord> make(int count, const std::vector<NarrationRecord> &real)
    {
        std::vector<NarrationRecord> out;
        out.reserve(std::size_t(count) + real.size());
        std::vector<Blocks> recent;  // earlier images that copies are made of
        std::vector<std::array<std::int64_t, 3>> recentFile;
        while (int(out.size()) < count) {
            const int kind = pick(100);
            Blocks b;
            std::int64_t size = 30000 + pick(8000000);
            int dimX, dimY;
            commonDimensions(dimX, dimY);
            if (kind < 20 && !recent.empty()) {
                const std::size_t from = std::size_t(pick(int(recent.size())));
                b = recent[from];
                const int mode = pick(3);
                for (auto &block : b.rgb) {
                    for (int &c : block) {
                        c = mode == 0 ? c + pick(5) - 2 : mode == 1 ? c * 103 / 100 : c;
                        c = std::clamp(c, 0, 255);
                    }
                }
                if (pick(10) < 3)
                    size = recentFile[from][0];
                else if (mode == 2)
                    size = recentFile[from][0] / 3;  // resized copy
                if (mode != 2) {
                    dimX = int(recentFile[from][1]);
                    dimY = int(recentFile[from][2]);
                }
            } else if (kind < 30) {
                dark(b);
            } else if (kind < 36) {
                photo(b, true);
            } else if (kind < 38) {
                greyFrame(b);
            } else {
                photo(b, false);
            }
            if (recent.size() < 4096) {
                recent.push_back(b);
                recentFile.push_back({ size, dimX, dimY });
            } else if (pick(4) == 0) {
                const std::size_t at = std::size_t(pick(4096));
                recent[at] = b;
                recentFile[at] = { size, dimX, dimY };
            }
            out.push_back(recordOf(b, size, dimX, dimY));
        }
        for (const NarrationRecord &r : real)
            out.insert(out.begin() + pick(int(out.size()) + 1), r);
        return out;
    }

private:
    int pick(int n) { return int(m_random() % std::uint32_t(n)); }

    void commonDimensions(int &x, int &y)
    {
        static const int sizes[][2] = { { 640, 480 }, { 800, 600 }, { 1024, 768 }, { 1600, 1200 },
            { 1920, 1080 }, { 2048, 1536 }, { 3000, 2000 }, { 4000, 3000 } };
        if (pick(3) == 0) {
            x = 100 + pick(4000);
            y = 100 + pick(3000);
        } else {
            const auto &s = sizes[pick(8)];
            x = s[0];
            y = s[1];
        }
    }

    void photo(Blocks &b, bool grey)
    {
        int base[4][3];
        for (auto &q : base) {
            for (int &c : q)
                c = pick(256);
            if (grey)
                q[1] = q[2] = q[0];
        }
        for (int k = 0; k < 64; ++k) {
            const int q = (k / 8 >= 4 ? 2 : 0) + (k % 8 >= 4 ? 1 : 0);
            const int noise = pick(81) - 40;
            for (int c = 0; c < 3; ++c)
                b.rgb[k][c] = std::clamp(base[q][c] + noise + (grey ? 0 : pick(21) - 10), 0, 255);
        }
    }

    void dark(Blocks &b)
    {
        const int level = pick(36);
        for (auto &block : b.rgb) {
            for (int &c : block)
                c = std::clamp(level + pick(17) - 8, 0, 255);
        }
    }

    void greyFrame(Blocks &b)
    {
        const int level = 114 + pick(13);
        for (auto &block : b.rgb) {
            const int v = std::clamp(level + pick(25) - 12, 0, 255);
            block[0] = block[1] = block[2] = v;
        }
    }

    std::mt19937 m_random;
};

// The real gathered set, computed once and kept beside the bench.
std::vector<NarrationRecord> realSignatures(const QString &root, const QString &cache)
{
    std::vector<NarrationRecord> out;
    QFile cached(cache);
    if (cached.open(QIODevice::ReadOnly)) {
        QTextStream in(&cached);
        while (!in.atEnd()) {
            const QStringList f = in.readLine().split(QLatin1Char(' '));
            if (f.size() != 10)
                continue;
            NarrationRecord r;
            r.fileSize = f[0].toLongLong();
            r.dimX = f[1].toInt();
            r.dimY = f[2].toInt();
            r.avg = f[3].toInt();
            for (int q = 0; q < 4; ++q)
                r.quad[q] = f[4 + q].toInt();
            r.pattern1 = f[8].toInt();
            r.pattern2 = f[9].toInt();
            out.push_back(r);
        }
        return out;
    }
    QStringList files;
    for (QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        if (path.contains(QStringLiteral("/originals/"))
            || path.contains(QStringLiteral("/variants/")))
            files.append(path);
    }
    files.sort();
    InitialiseImageLoader();
    const QList<std::optional<ComputedSignature>> signatures = QtConcurrent::blockingMapped(
        files, [](const QString &path) { return ComputeSignature(path); });
    if (!cached.open(QIODevice::WriteOnly))
        return out;
    QTextStream save(&cached);
    for (const auto &s : signatures) {
        if (!s)
            continue;
        NarrationRecord r;
        r.fileSize = s->signature.FileSize;
        r.dimX = s->signature.DimX;
        r.dimY = s->signature.DimY;
        r.avg = s->packed.AvgRGB;
        for (int q = 0; q < 4; ++q)
            r.quad[q] = s->packed.QuadRGB[q];
        r.pattern1 = s->packed.Pattern1;
        r.pattern2 = s->packed.Pattern2;
        out.push_back(r);
        save << r.fileSize << ' ' << r.dimX << ' ' << r.dimY << ' ' << r.avg << ' ' << r.quad[0]
             << ' ' << r.quad[1] << ' ' << r.quad[2] << ' ' << r.quad[3] << ' ' << r.pattern1 << ' '
             << r.pattern2 << '\n';
    }
    return out;
}

void insertRows(const std::vector<NarrationRecord> &records)
{
    Database &db = *AppDb().db;
    Transaction transaction(db);
    Statement insert(db.connection().handle(),
        QStringLiteral("INSERT INTO FileData (CollectionID, ItemID, FileName, FileSize, FileDimX, "
                       "FileDimY, AvgRGB, QuadRGB0, QuadRGB1, QuadRGB2, QuadRGB3, Pattern1, "
                       "Pattern2) VALUES (1, 1, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    int n = 0;
    for (const NarrationRecord &r : records) {
        insert.reset();
        insert.bind(1, QStringLiteral("img%1.jpg").arg(++n));
        insert.bind(2, qint64(r.fileSize));
        insert.bind(3, r.dimX);
        insert.bind(4, r.dimY);
        insert.bind(5, r.avg);
        for (int q = 0; q < 4; ++q)
            insert.bind(6 + q, r.quad[q]);
        insert.bind(10, r.pattern1);
        insert.bind(11, r.pattern2);
        insert.step();
    }
    transaction.commit();
}

double peakMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

std::uint64_t fingerprint(const CDuplicates &set)
{
    std::uint64_t h = 1469598103934665603ull;
    const auto mix = [&](std::int64_t v) { h = (h ^ std::uint64_t(v)) * 1099511628211ull; };
    for (const CDuplicate &g : set) {
        mix(g.lSource());
        for (const std::int32_t id : g.fileIds())
            mix(id);
        mix(-7);
    }
    return h;
}

std::uint64_t fingerprint(NarrationScan &scan)
{
    std::uint64_t h = 1469598103934665603ull;
    const auto mix = [&](std::int64_t v) { h = (h ^ std::uint64_t(v)) * 1099511628211ull; };
    std::vector<std::int32_t> found;
    while (!scan.finished()) {
        const std::int32_t source = scan.position();
        scan.step(false, found);
        if (found.empty())
            continue;
        mix(scan.records()[std::size_t(source)].id);
        for (const std::int32_t i : found)
            mix(scan.records()[std::size_t(i)].id);
        mix(-7);
    }
    return h;
}

const char *kMethodNames[] = { "Average RGB", "Quadruple RGB", "Bitmap pattern", "Filesize",
    "Dimensions", "Filesize & dimensions", "Perceptual" };

std::vector<NarrationRecord> loadBack()
{
    std::vector<NarrationRecord> records;
    Statement q(AppDb().db->connection().handle(),
        QStringLiteral("SELECT ID, FileSize, FileDimX, FileDimY, AvgRGB, QuadRGB0, QuadRGB1, "
                       "QuadRGB2, QuadRGB3, Pattern1, Pattern2 FROM FileData ORDER BY ID"));
    while (q.step()) {
        NarrationRecord r;
        r.id = std::int32_t(q.columnInt64(0));
        r.fileSize = q.columnInt64(1);
        r.dimX = std::int32_t(q.columnInt64(2));
        r.dimY = std::int32_t(q.columnInt64(3));
        r.avg = std::int32_t(q.columnInt64(4));
        for (int k = 0; k < 4; ++k)
            r.quad[k] = std::int32_t(q.columnInt64(5 + k));
        r.pattern1 = std::int32_t(q.columnInt64(9));
        r.pattern2 = std::int32_t(q.columnInt64(10));
        records.push_back(r);
    }
    return records;
}

MemorySignatureEntry entryOf(const NarrationRecord &r, int n)
{
    MemorySignatureEntry e;
    e.Path = QStringLiteral("/downloads");
    e.FileName = QStringLiteral("new%1.jpg").arg(n);
    e.FileSize = r.fileSize;
    e.DimX = std::int16_t(r.dimX);
    e.DimY = std::int16_t(r.dimY);
    e.AvgRGB = r.avg;
    for (int q = 0; q < 4; ++q)
        e.QuadRGB[q] = r.quad[q];
    e.Pattern1 = r.pattern1;
    e.Pattern2 = r.pattern2;
    return e;
}

NarrationRecord recordOf(const MemorySignatureEntry &e)
{
    NarrationRecord r;
    r.fileSize = e.FileSize;
    r.dimX = e.DimX;
    r.dimY = e.DimY;
    r.avg = e.AvgRGB;
    for (int q = 0; q < 4; ++q)
        r.quad[q] = e.QuadRGB[q];
    r.pattern1 = e.Pattern1;
    r.pattern2 = e.Pattern2;
    return r;
}

// A 12-megapixel photograph-like JPEG: gradient, shapes and noise.
void writePhoto(const QString &path, int seed)
{
    QImage image(4000, 3000, QImage::Format_RGB32);
    std::mt19937 random { std::uint32_t(seed) };
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 4000, 3000);
    gradient.setColorAt(0, QColor::fromHsv(int(random() % 360), 180, 200));
    gradient.setColorAt(1, QColor::fromHsv(int(random() % 360), 120, 90));
    painter.fillRect(image.rect(), gradient);
    for (int i = 0; i < 40; ++i) {
        painter.setBrush(
            QColor::fromHsv(int(random() % 360), int(random() % 256), int(random() % 256)));
        painter.drawEllipse(int(random() % 4000), int(random() % 3000), 200 + int(random() % 800),
            200 + int(random() % 800));
    }
    painter.end();
    for (int y = 0; y < 3000; y += 3) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < 4000; x += 7)
            line[x] ^= random() & 0x0F0F0F;
    }
    image.save(path, "JPG", 90);
}

// --memory [RECORDS]: the memory narration of 1,000 entries (half of them
// re-encoded copies of stored images, half new pictures) against RECORDS
// stored signatures (default 1,000,000) at the default Bitmap preset, from
// its start to its groups, loading included; beside it the reference search
// (every record per entry, in memory, loading excluded) on the first 50
// entries, per entry. Then an instant check of 20 dropped 12-megapixel
// JPEGs, three of them stored beforehand: gathering by memory on one thread
// and on every core, and the narration. keep (when given) is the directory
// that holds the database and the photographs afterwards, for monitor_bench.
int memoryBench(int size, const std::vector<NarrationRecord> &real, const QString &keep)
{
    QTemporaryDir temporary;
    const QDir dir(keep.isEmpty() ? temporary.path() : keep);
    if (!keep.isEmpty())
        QDir().mkpath(keep);
    SetProgramDirectory(dir.path());
    SetInstallDirectory(QString());
    if (!OpenApplicationDatabase())
        return 1;
    Generator generator { std::uint32_t(size) };
    const std::size_t realCount = std::min<std::size_t>(real.size(), std::size_t(size / 10));
    const std::vector<NarrationRecord> stored = generator.make(size - int(realCount),
        std::vector<NarrationRecord>(real.begin(), real.begin() + std::ptrdiff_t(realCount)));
    insertRows(stored);
    Generator fresh { 4242 };
    const std::vector<NarrationRecord> newOnes = fresh.make(500, {});
    std::mt19937 random(11);
    MemorySignatureList list;
    for (int i = 0; i < 1000; ++i) {
        NarrationRecord r = newOnes[std::size_t(i / 2)];
        if (i % 2 == 0) {
            r = stored[random() % stored.size()];
            std::int32_t red, green, blue;
            GetRGBValues(r.avg, red, green, blue);
            r.avg = SetRGBValues(std::min(red + 1, 255), green, blue);
        }
        list.append(entryOf(r, i));
    }
    const std::int16_t level = ToleranceLevel(PresetOf(kDefaultMethod).slider);
    MemoryNarrationOptions options;
    options.method = kDefaultMethod;
    options.toleranceLevel = level;
    CDuplicates set;
    QElapsedTimer timer;
    timer.start();
    RunObserver quiet;
    MemoryNarrationEngine narration(*AppDb().db, set, list, options);
    narration.run(quiet);
    const qint64 fastMs = timer.elapsed();

    // The reference on the first 50 entries, and whether the fast run found
    // the same duplicates for them.
    const std::vector<NarrationRecord> rows = loadBack();
    auto reference = MakeReferenceMemoryScan(rows, kDefaultMethod, level);
    QHash<int, QList<std::int32_t>> fastGroups;
    for (const CDuplicate &g : set)
        fastGroups.insert(g.MemLoadPos(), g.fileIds());
    const int sample = 50;
    bool same = true;
    std::vector<std::int32_t> found;
    timer.restart();
    for (int i = 0; i < sample; ++i) {
        reference->search(recordOf(*list.at(i)), false, found);
        QList<std::int32_t> ids;
        for (const std::int32_t index : found)
            ids.append(rows[std::size_t(index)].id);
        same = same && ids == fastGroups.value(i);
    }
    const double refPerEntry = double(timer.elapsed()) / sample;
    const double fastPerEntry = double(fastMs) / 1000.0;
    std::printf("memory narration: %zu stored, 1000 entries, method %d slider %d\n", stored.size(),
        kDefaultMethod, PresetOf(kDefaultMethod).slider);
    std::printf("%-28s %10s %14s %10s\n", "", "total ms", "ms per entry", "groups");
    std::printf("%-28s %10lld %14.3f %10d\n", "fast (loading included)", (long long)fastMs,
        fastPerEntry, narration.counters().groups);
    std::printf("%-28s %10s %14.3f %10s\n", "reference (first 50)", "-", refPerEntry,
        same ? "same" : "DIFFER");
    std::printf(
        "reference / fast per entry: %.0fx; reference for 1000 entries would take %.0f ms\n",
        refPerEntry / std::max(fastPerEntry, 0.001), refPerEntry * 1000);

    // The instant check of 20 dropped 12-megapixel photographs, from the drop
    // to the groups, against the same database.
    QStringList photos;
    for (int i = 0; i < 20; ++i) {
        photos.append(dir.filePath(QStringLiteral("photo%1.jpg").arg(i)));
        writePhoto(photos.last(), i);
    }
    {
        MemorySignatureList owned;
        RunObserver unobserved;
        MemoryGatherEngine(owned, { photos[0], photos[7], photos[14] }, MemoryGatherOptions {})
            .run(unobserved);
        std::vector<NarrationRecord> rows;
        for (std::int32_t i = 0; i < owned.size(); ++i)
            rows.push_back(recordOf(*owned.at(i)));
        insertRows(rows);
    }
    for (const int threads : { 1, 0 }) {
        MemorySignatureList dropped;
        CDuplicates groups;
        MemoryGatherOptions gatherOptions;
        gatherOptions.threads = threads;
        timer.restart();
        MemoryGatherEngine gathering(dropped, photos, gatherOptions);
        gathering.run(quiet);
        const qint64 gatherMs = timer.elapsed();
        MemoryNarrationEngine check(*AppDb().db, groups, dropped, options);
        check.run(quiet);
        const qint64 totalMs = timer.elapsed();
        std::printf(
            "instant check of 20 12-MP JPEGs, %s: gathered %d in %lld ms, %d groups after %lld "
            "ms\n",
            threads == 1 ? "1 thread" : "every core", gathering.gathered(), (long long)gatherMs,
            groups.Count(), (long long)totalMs);
    }
    CloseApplicationDatabase();
    return 0;
}

// --remembered SIZE PAIRS: the database narration of SIZE records at the
// default preset with no remembered pairs and with PAIRS of them, side by
// side on one database: five runs of each, alternating, their medians. A
// tenth of the pairs are pairs the narration would group (so they bite);
// the rest join random records.
int rememberedBench(int size, int pairs, const std::vector<NarrationRecord> &real)
{
    QTemporaryDir dir;
    SetProgramDirectory(dir.path());
    SetInstallDirectory(QString());
    if (!OpenApplicationDatabase())
        return 1;
    Generator generator { std::uint32_t(size) };
    const std::size_t realCount = std::min<std::size_t>(real.size(), std::size_t(size / 10));
    insertRows(generator.make(size - int(realCount),
        std::vector<NarrationRecord>(real.begin(), real.begin() + std::ptrdiff_t(realCount))));
    NarrationOptions options;
    options.method = kDefaultMethod;
    options.toleranceLevel = ToleranceLevel(PresetOf(kDefaultMethod).slider);
    options.selection = BuildSelectionSql({ { DirectoryKey(1), true } }, 1);
    const auto narrate = [&](std::uint64_t *print) {
        CDuplicates set;
        QElapsedTimer timer;
        timer.start();
        NarrationEngine engine(set, options);
        RunObserver quiet;
        engine.run(quiet);
        const qint64 ms = timer.elapsed();
        if (print)
            *print = fingerprint(set);
        return std::pair<qint64, int>(ms, set.Count());
    };
    // The pairs: every tenth from the groups of a plain run, the rest random.
    std::vector<std::pair<std::int32_t, std::int32_t>> chosen;
    {
        CDuplicates set;
        NarrationEngine engine(set, options);
        RunObserver quiet;
        engine.run(quiet);
        for (const CDuplicate &group : set) {
            for (const std::int32_t id : group.fileIds()) {
                if (int(chosen.size()) < pairs / 10)
                    chosen.emplace_back(group.lSource(), id);
            }
        }
    }
    std::mt19937 random(7);
    while (int(chosen.size()) < pairs) {
        const auto a = std::int32_t(1 + random() % std::uint32_t(size));
        const auto b = std::int32_t(1 + random() % std::uint32_t(size));
        if (a != b)
            chosen.emplace_back(a, b);
    }
    Database &db = *AppDb().db;
    const auto setPairs = [&](bool on) {
        Transaction transaction(db);
        db.Execute(QStringLiteral("DELETE FROM NotDuplicatePair"));
        if (on) {
            Statement store(db.connection().handle(),
                QStringLiteral("INSERT OR IGNORE INTO NotDuplicatePair VALUES (?, ?)"));
            for (const auto &[a, b] : chosen) {
                store.reset();
                store.bind(1, std::min(a, b));
                store.bind(2, std::max(a, b));
                store.step();
            }
        }
        transaction.commit();
    };
    std::vector<qint64> without, with;
    int groupsWithout = 0, groupsWith = 0;
    for (int round = 0; round < 5; ++round) {
        setPairs(false);
        const auto plain = narrate(nullptr);
        setPairs(true);
        const auto remembered = narrate(nullptr);
        without.push_back(plain.first);
        with.push_back(remembered.first);
        groupsWithout = plain.second;
        groupsWith = remembered.second;
    }
    const auto median = [](std::vector<qint64> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const qint64 a = median(without);
    const qint64 b = median(with);
    std::printf("narration of %d records, method %d slider %d, medians of 5 alternating runs\n",
        size, kDefaultMethod, PresetOf(kDefaultMethod).slider);
    std::printf("%-26s %9s %9s\n", "", "ms", "groups");
    std::printf("%-26s %9lld %9d\n", "no remembered pairs", (long long)a, groupsWithout);
    std::printf("%-26s %9lld %9d\n",
        qPrintable(QStringLiteral("%1 remembered pairs").arg(LoadNotDuplicateSet(db).size())),
        (long long)b, groupsWith);
    std::printf("with / without: %.3f\n", double(b) / double(std::max<qint64>(a, 1)));
    CloseApplicationDatabase();
    return 0;
}

// --scan SIZE [CASES]: the fast scan alone, in memory, on the synthetic rows
// a database of SIZE would hold (ids 1..SIZE, none processed, as a run
// starts): the grid's build and the walk of every source timed apart, with
// the groups' fingerprint, so a change of the scan is measured and checked
// without the database around it. CASES as for --cases.
int scanBench(int size, const QString &onlyCases, const std::vector<NarrationRecord> &real)
{
    Generator generator { std::uint32_t(size) };
    const std::size_t realCount = std::min<std::size_t>(real.size(), std::size_t(size / 10));
    std::vector<NarrationRecord> rows = generator.make(size - int(realCount),
        std::vector<NarrationRecord>(real.begin(), real.begin() + std::ptrdiff_t(realCount)));
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i].id = std::int32_t(i + 1);
    std::vector<std::pair<int, int>> cases { { 0, 4 }, { 1, 8 }, { 2, 12 }, { 1, 24 }, { 2, 24 } };
    if (!onlyCases.isEmpty()) {
        cases.clear();
        for (const QString &pair : onlyCases.split(QLatin1Char(','))) {
            const QStringList parts = pair.split(QLatin1Char(':'));
            if (parts.size() == 2)
                cases.emplace_back(parts[0].toInt(), parts[1].toInt());
        }
    }
    // CPU time beside wall time: on a machine shared with other work the
    // process's own seconds vary less.
    const auto cpuMs = [] { return double(std::clock()) * 1000.0 / CLOCKS_PER_SEC; };
    std::printf("%-9s %-22s %6s %9s %9s %9s %9s %9s %20s\n", "records", "method", "slider",
        "build ms", "walk ms", "build cpu", "walk cpu", "groups", "fingerprint");
    for (const auto &[method, slider] : cases) {
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = cpuMs();
        auto scan = MakeFastScan(rows, method, ToleranceLevel(slider));
        const qint64 buildMs = timer.elapsed();
        const double buildCpu = cpuMs() - cpuStart;
        timer.restart();
        std::uint64_t h = 1469598103934665603ull;
        const auto mix = [&](std::int64_t v) { h = (h ^ std::uint64_t(v)) * 1099511628211ull; };
        std::vector<std::int32_t> found;
        int groups = 0;
        while (!scan->finished()) {
            const std::int32_t source = scan->position();
            scan->step(false, found);
            if (found.empty())
                continue;
            ++groups;
            mix(scan->records()[std::size_t(source)].id);
            for (const std::int32_t i : found)
                mix(scan->records()[std::size_t(i)].id);
            mix(-7);
        }
        const qint64 walkMs = timer.elapsed();
        const double walkCpu = cpuMs() - cpuStart - buildCpu;
        std::printf("%-9zu %-22s %6d %9lld %9lld %9.0f %9.0f %9d %20llu\n", rows.size(),
            kMethodNames[method], slider, (long long)buildMs, (long long)walkMs, buildCpu, walkCpu,
            groups, (unsigned long long)h);
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

// One fast run in a process of its own, so its peak memory is its own:
// --run DIR METHOD SLIDER prints "ms groups records fingerprint peak-MB".
int runChild(const QString &dir, int method, int slider)
{
    SetProgramDirectory(dir);
    SetInstallDirectory(QString());
    if (!OpenApplicationDatabase())
        return 1;
    CDuplicates set;
    NarrationOptions options;
    options.method = method;
    options.toleranceLevel = ToleranceLevel(slider);
    options.selection = BuildSelectionSql({ { DirectoryKey(1), true } }, 1);
    QElapsedTimer timer;
    timer.start();
    NarrationEngine engine(set, options);
    RunObserver quiet;
    engine.run(quiet);
    const qint64 ms = timer.elapsed();
    const NarrationCounters &result = engine.counters();
    std::printf("%lld %d %d %llu %.1f\n", (long long)ms, result.groups, result.total,
        (unsigned long long)fingerprint(set), peakMegabytes());
    CloseApplicationDatabase();
    return 0;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (app.arguments().size() == 5 && app.arguments()[1] == QStringLiteral("--run"))
        return runChild(app.arguments()[2], app.arguments()[3].toInt(), app.arguments()[4].toInt());
    QList<int> sizes { 10000, 100000, 1000000 };
    QString realRoot = QStringLiteral("bench/data");
    int referenceMax = 100000;
    int recordSetReference = 2000;  // rows of the engine's own reference run
    // --cases 2:12,3:0 runs only these method:slider pairs; --baseline PATH
    // runs each case also with another build of this program on the same
    // database, so a change is measured side by side with what it replaces.
    QString onlyCases;
    QString baseline;
    // --start-flags other|clear|repeat: the Processed flags each run starts
    // from: those of a different earlier narration (every seventh row), none
    // (the first narration after gathering), or those the same narration
    // leaves (each program runs the case once untimed first).
    QString startFlags = QStringLiteral("other");
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == QStringLiteral("--sizes")) {
            sizes.clear();
            for (const QString &s : args[i + 1].split(QLatin1Char(',')))
                sizes.append(s.toInt());
        } else if (args[i] == QStringLiteral("--real")) {
            realRoot = args[i + 1];
        } else if (args[i] == QStringLiteral("--reference-max")) {
            referenceMax = args[i + 1].toInt();
        } else if (args[i] == QStringLiteral("--recordset-reference")) {
            recordSetReference = args[i + 1].toInt();
        } else if (args[i] == QStringLiteral("--cases")) {
            onlyCases = args[i + 1];
        } else if (args[i] == QStringLiteral("--baseline")) {
            baseline = args[i + 1];
        } else if (args[i] == QStringLiteral("--start-flags")) {
            startFlags = args[i + 1];
        }
    }
    const int memoryAt = int(args.indexOf(QStringLiteral("--memory")));
    const int scanAt = int(args.indexOf(QStringLiteral("--scan")));
    const std::vector<NarrationRecord> real = QDir(realRoot).exists()
        ? realSignatures(realRoot,
            QDir(QCoreApplication::applicationDirPath())
                .filePath(QStringLiteral("narration_real_signatures.txt")))
        : std::vector<NarrationRecord>();
    std::printf("real gathered signatures: %zu\n", real.size());
    const int rememberedAt = int(args.indexOf(QStringLiteral("--remembered")));
    if (rememberedAt >= 0 && rememberedAt + 2 < args.size())
        return rememberedBench(
            args[rememberedAt + 1].toInt(), args[rememberedAt + 2].toInt(), real);
    if (scanAt >= 0 && scanAt + 1 < args.size())
        return scanBench(args[scanAt + 1].toInt(), onlyCases, real);
    if (memoryAt >= 0) {
        const int size = memoryAt + 1 < args.size() ? args[memoryAt + 1].toInt() : 1000000;
        const int keepAt = int(args.indexOf(QStringLiteral("--keep")));
        return memoryBench(size > 0 ? size : 1000000, real,
            keepAt >= 0 && keepAt + 1 < args.size() ? args[keepAt + 1] : QString());
    }
    std::printf("%-9s %-22s %6s %9s %9s %10s %9s %11s %9s", "records", "method", "slider", "groups",
        "fast ms", "fast MB", "ref ms", "ref/fast", "same");
    if (!baseline.isEmpty())
        std::printf(" %9s %9s %9s %6s", "base ms", "base MB", "base/fast", "same");
    std::printf("\n");

    if (recordSetReference > 0) {
        sizes.prepend(-recordSetReference);  // a negative size: the engine's reference row
    }
    for (const int requested : sizes) {
        const bool recordSetRow = requested < 0;
        const int size = std::abs(requested);
        QTemporaryDir dir;
        // --keep: leave the database for profiling a single --run.
        dir.setAutoRemove(!qEnvironmentVariableIsSet("NARRATION_BENCH_KEEP"));
        SetProgramDirectory(dir.path());
        SetInstallDirectory(QString());
        if (!OpenApplicationDatabase()) {
            std::fprintf(stderr, "cannot open a database in %s\n", qPrintable(dir.path()));
            return 1;
        }
        {
            Generator generator { std::uint32_t(size) };
            insertRows(generator.make(size - int(std::min<std::size_t>(real.size(), size / 10)),
                std::vector<NarrationRecord>(real.begin(),
                    real.begin() + std::ptrdiff_t(std::min<std::size_t>(real.size(), size / 10)))));
        }
        const QString selection = BuildSelectionSql({ { DirectoryKey(1), true } }, 1);
        struct Case {
            int method;
            int slider;
        };
        std::vector<Case> cases;
        for (int m = 0; m < kMethodCount; ++m)
            cases.push_back({ m, PresetOf(m).slider });
        for (int m = 0; m < 3; ++m)
            cases.push_back({ m, kSliderMaximum });
        if (recordSetRow)
            cases = { { 2, 12 }, { 3, 0 } };
        if (!onlyCases.isEmpty() && !recordSetRow) {
            cases.clear();
            for (const QString &pair : onlyCases.split(QLatin1Char(','))) {
                const QStringList parts = pair.split(QLatin1Char(':'));
                if (parts.size() == 2)
                    cases.push_back({ parts[0].toInt(), parts[1].toInt() });
            }
        }
        if (!dir.autoRemove())
            std::printf("database kept in %s\n", qPrintable(dir.path()));
        for (const Case &c : cases) {
            NarrationOptions options;
            options.method = c.method;
            options.toleranceLevel = ToleranceLevel(c.slider);
            options.selection = selection;
            const auto setFlags = [&] {
                OpenApplicationDatabase();
                if (startFlags == QStringLiteral("clear"))
                    AppDb().db->Execute(QStringLiteral("UPDATE FileData SET Processed = 0"));
                else if (startFlags == QStringLiteral("other"))
                    AppDb().db->Execute(
                        QStringLiteral("UPDATE FileData SET Processed = (ID % 7 = 3)"));
                CloseApplicationDatabase();
            };
            // The database is closed while the child runs on it.
            CloseApplicationDatabase();
            const auto runProgram = [&](const QString &program) {
                if (startFlags == QStringLiteral("repeat")) {
                    QProcess first;
                    first.start(program,
                        { QStringLiteral("--run"), dir.path(), QString::number(c.method),
                            QString::number(c.slider) });
                    first.waitForFinished(-1);
                } else {
                    setFlags();
                }
                QProcess child;
                child.start(program,
                    { QStringLiteral("--run"), dir.path(), QString::number(c.method),
                        QString::number(c.slider) });
                child.waitForFinished(-1);
                return QString::fromUtf8(child.readAllStandardOutput())
                    .trimmed()
                    .split(QLatin1Char(' '));
            };
            // The baseline first; both start from the flags --start-flags says.
            const QStringList baseFigures
                = baseline.isEmpty() ? QStringList() : runProgram(baseline);
            const QStringList figures = runProgram(QCoreApplication::applicationFilePath());
            OpenApplicationDatabase();
            if (figures.size() != 5) {
                std::fprintf(
                    stderr, "run failed: %s\n", qPrintable(figures.join(QLatin1Char(' '))));
                return 1;
            }
            const qint64 fastMs = figures[0].toLongLong();
            NarrationCounters result;
            result.groups = figures[1].toInt();
            result.total = figures[2].toInt();
            const std::uint64_t fastPrint = figures[3].toULongLong();
            const double fastMb = figures[4].toDouble();
            QElapsedTimer timer;

            QString refMs = QStringLiteral("-"), ratio = QStringLiteral("-"),
                    same = QStringLiteral("-");
            const bool quadratic = IsSignatureMethod(c.method);
            if (recordSetRow) {
                CDuplicates refSet;
                options.scan = NarrationScanKind::Reference;
                timer.restart();
                NarrationEngine reference(refSet, options);
                RunObserver quiet;
                reference.run(quiet);
                const qint64 ms = timer.elapsed();
                refMs = QString::number(ms) + QStringLiteral("*");
                ratio = QString::number(double(ms) / double(std::max<qint64>(fastMs, 1)), 'f', 1);
                same = fingerprint(refSet) == fastPrint ? QStringLiteral("yes")
                                                        : QStringLiteral("NO");
            } else if (size <= referenceMax && (size <= 10000 || !quadratic || c.method == 2)) {
                std::vector<NarrationRecord> records = loadBack();
                timer.restart();
                auto scan = MakeReferenceScan(std::move(records), c.method, options.toleranceLevel);
                const std::uint64_t refPrint = fingerprint(*scan);
                const qint64 ms = timer.elapsed();
                refMs = QString::number(ms);
                ratio = QString::number(double(ms) / double(std::max<qint64>(fastMs, 1)), 'f', 1);
                same = refPrint == fastPrint ? QStringLiteral("yes") : QStringLiteral("NO");
            }
            std::printf("%-9d %-22s %6d %9d %9lld %10.1f %9s %11s %9s", result.total,
                kMethodNames[c.method], c.slider, result.groups, (long long)fastMs, fastMb,
                qPrintable(refMs), qPrintable(ratio), qPrintable(same));
            if (baseFigures.size() == 5) {
                const qint64 baseMs = baseFigures[0].toLongLong();
                std::printf(" %9lld %9.1f %9.2f %6s", (long long)baseMs, baseFigures[4].toDouble(),
                    double(baseMs) / double(std::max<qint64>(fastMs, 1)),
                    baseFigures[3].toULongLong() == fastPrint ? "yes" : "NO");
            } else if (!baseline.isEmpty()) {
                std::printf(" %9s", "failed");
            }
            std::printf("\n");
            std::fflush(stdout);
        }
        CloseApplicationDatabase();
    }
    std::printf("ref ms: the all-pairs scan in memory over the same rows; * the engine run with "
                "the reference scan, loading included\n");
    return 0;
}

#include "gather/gatherengine.h"

#include "base/diskpath.h"
#include "base/errors.h"
#include "base/filelisting.h"
#include "base/log.h"
#include "base/paths.h"
#include "base/progresstexts.h"
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/filestamps.h"
#include "db/imagefileinfo.h"
#include "db/lifecycle.h"
#include "db/perceptualsignatures.h"
#include "db/records.h"
#include "db/recordset.h"
#include "db/selectionsql.h"
#include "gather/decodepool.h"
#include "signature/imagefunc.h"
#include "signature/imageloader.h"
#include "signature/perceptualhash.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSet>

#include <deque>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace vexa {

namespace {

const QString kLogName = QString::fromLatin1(kGatherLogName);

// A monotonic clock for the start tick: a wall clock moved by the user
// would make the estimate jump.
qint64 nowMs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}

// Commits every few hundred stored rows: a commit per row costs SQLite a
// sync each, and a killed run loses at most the open batch, which the next
// run stores because the rows are not there.
class Batch {
public:
    // committed: the run's count of stored records, raised at each
    // successful commit only.
    Batch(Database &db, int rows, std::int32_t &committed)
        : m_db(db)
        , m_rows(rows > 0 ? rows : 1)
        , m_committed(committed)
    {
    }
    ~Batch()
    {
        if (m_open) {
            try {
                m_db.RollbackTransaction();
            } catch (...) {
            }
        }
    }
    // One record written in the open transaction; it counts as stored once
    // its transaction is committed.
    void stored()
    {
        ++m_pending;
        if (++m_count >= m_rows)
            commit();
    }
    // Records written in the open transaction, not yet on disk.
    std::int32_t pending() const { return m_pending; }
    void begin()
    {
        if (!m_open) {
            m_db.BeginTransaction();
            m_open = true;
        }
    }
    void commit()
    {
        if (m_open) {
            m_open = false;
            m_count = 0;
            const std::int32_t pending = m_pending;
            m_pending = 0;
            try {
                m_db.CommitTransaction();
                m_committed += pending;
            } catch (...) {
                try {
                    m_db.RollbackTransaction();
                } catch (...) {
                }
                throw;
            }
        }
    }

private:
    Database &m_db;
    int m_rows;
    int m_count = 0;
    std::int32_t m_pending = 0;  // records written since the last commit
    std::int32_t &m_committed;  // records on disk
    bool m_open = false;
};

// What the walk does with one listed file, decided before any is decoded so
// that every thread count makes the same decisions.
struct FilePlan {
    bool decode = false;  // new, changed since it was gathered, or gathered by an older decoding
    // Unchanged but without a perceptual signature: decoded for that alone,
    // its record is left as it is.
    bool perceptualOnly = false;
    std::int64_t recordId = 0;  // the record to rewrite in place; 0: a new record
    std::int64_t modifiedNs = 0;  // the file's modification time when planned
};

// A record of the directory as stored: its ID and the size it was gathered at.
struct StoredFile {
    std::int64_t id = 0;
    std::int64_t size = 0;
};

}  // namespace

DecodedImage DecodeForGathering(const QString &path)
{
    DecodedImage out;
    LoadedImage image;
    if (!LoadImageFile(path, image, DecodeSize::Sampling)) {
        out.loadError = image.reason;
        return out;
    }
    out.loaded = true;
    out.width = image.width;
    out.height = image.height;
    out.fileSize = StatOnDisk(path).size;
    try {
        const ComputedSignature sig = SignatureOfPicture(image.picture, image.width, image.height);
        out.average
            = { sig.signature.AvgRGB.Red, sig.signature.AvgRGB.Green, sig.signature.AvgRGB.Blue };
        for (int q = 0; q < 4; ++q) {
            const RGBTriple &c = sig.signature.QuadRGB[size_t(q)];
            out.quadrants[size_t(q)] = { c.Red, c.Green, c.Blue };
        }
        out.pattern = sig.signature.Pattern;
        out.perceptual = PerceptualHashOfPicture(image.picture);
        out.sampled = out.pattern.size() == 64;
        if (!out.sampled)
            out.sampleError = QStringLiteral("the pattern is not 64 characters long");
    } catch (const std::exception &e) {
        out.sampleError = QString::fromLocal8Bit(e.what());
    }
    return out;
}

GatherEngine::GatherEngine(GatherOptions options)
    : m_options(std::move(options))
{
    if (!m_options.decode)
        m_options.decode = DecodeForGathering;
}

GatherEngine::~GatherEngine() = default;

int GatherEngine::ResolveThreads(int threads)
{
    if (threads > 0)
        return threads;
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? int(cores) : 1;
}

qint64 GatherEngine::elapsedMs() const
{
    return nowMs() - m_startMs;
}

RunResult GatherEngine::run(RunObserver &observer)
{
    m_counters = {};
    m_passedOver.clear();
    m_loadFailures.clear();
    RunReporter reporter(observer, m_options.reportIntervalMs);
    RunProgress &p = reporter.progress();
    p.status = Text(711);
    p.current = Text(736);
    reporter.start();
    RunResult result;
    try {
        result = walk(reporter);
    } catch (const std::exception &e) {
        result = RunResult::failed(e);
    }
    p.found = m_counters.stored;  // what a failed commit took back is not counted
    p.status.clear();
    return reporter.finish(result);
}

RunResult GatherEngine::walk(RunReporter &reporter)
{
    InitialiseImageLoader();
    const QStringList pieces = SplitFilePattern(
        m_options.pattern.isEmpty() ? QString::fromLatin1(kImageFilePattern) : m_options.pattern);
    const QList<GatherDirectory> &directories = m_options.directories;
    GatherCounters &c = m_counters;
    RunProgress &p = reporter.progress();

    // The image count of the ticked directories that exist: the bar's total.
    for (const GatherDirectory &d : directories) {
        if (!d.ticked || !StatOnDisk(d.path).isDirectory)
            continue;
        p.status = Text(734) + DisplayName(d.path);
        reporter.reportNow();
        c.totalImages += std::int32_t(ListMatchingFiles(d.path, pieces).size());
        if (reporter.cancelled())
            return { RunOutcome::Cancelled };
    }
    const std::int32_t total = c.totalImages;
    p.total = total;
    p.status.clear();
    reporter.reportNow();

    Database &db = OpenDb();
    m_startMs = nowMs();
    WriteToLogFile(kLogName, QStringLiteral("VEXA - ImageGather Report"), false);
    WriteToLogFile(kLogName, QString(40, QLatin1Char('-')), true);
    WriteToLogFile(kLogName, QString(), true);

    const int threads = ResolveThreads(m_options.threads);
    std::unique_ptr<DecodePool> pool;
    if (threads > 1)
        pool = std::make_unique<DecodePool>(threads, m_options.decode);
    // Enough decodes queued to keep every worker busy while this thread
    // stores, without holding many pictures' results at once.
    const int lookahead = threads * 4;

    Batch batch(db, m_options.rowsPerTransaction, c.stored);
    // A ticked directory the run cannot walk is said, never skipped silently.
    const auto passOver = [&](const QString &path, const QString &reason) {
        m_passedOver.append({ path, reason });
        reporter.notice(QStringLiteral("passed over %1: %2").arg(path, reason));
    };
    bool cancelled = false;
    bool skipping = false;
    const auto estimate = [&](std::int32_t done) {
        p.remainingMs = RemainingMs(elapsedMs(), done, total - c.skipped, 1.0);
    };

    for (int index = 0; index < directories.size() && !cancelled; ++index) {
        const GatherDirectory &entry = directories[index];
        const DiskStat where = entry.ticked ? StatOnDisk(entry.path) : DiskStat {};
        if (entry.ticked && !where.isDirectory) {
            passOver(entry.path,
                where.exists ? QStringLiteral("not a directory")
                             : QStringLiteral("no such directory"));
        } else if (entry.ticked) {
            p.part = index;
            p.partEnded = false;
            p.partDone = 0;
            p.partTotal = 0;
            reporter.reportNow();
            const QString directory = entry.path;
            const std::int64_t itemId = entry.key.mid(1).toLongLong();
            const QString query = DirectoryFileDataSql(m_options.collectionId, itemId);

            // Verification: records of files that are gone go first. Its
            // time is left out of the elapsed time the estimate uses. A
            // directory that exists but cannot be read keeps its records:
            // its files are not gone, only out of reach.
            const qint64 verifyStart = nowMs();
            batch.commit();
            p.found = c.stored;
            bool listed = true;
            const QStringList files = ListMatchingFiles(directory, pieces, &listed);
            if (listed) {
                p.current = QStringLiteral("Verifying Database Integrety");
                reporter.reportNow();
                // The listing just made says which files are there; only
                // the other records' files are looked up.
                const QSet<QString> listedNames(files.begin(), files.end());
                Transaction deletions(db);
                RecordSet records(db, query);
                VerifyDatabaseIntegrity(records, directory, &listedNames);
                deletions.commit();
            } else {
                passOver(directory, QStringLiteral("cannot be read"));
            }
            // The stored records, read once: one lookup per file instead of
            // a walk of the snapshot, so a directory of 100,000 files does
            // not take quadratic time.
            QHash<QString, StoredFile> stored;
            {
                RecordSet snapshot(db, query, RecordSetType::Snapshot);
                for (; !snapshot.eof(); snapshot.moveNext())
                    stored.insert(snapshot.value(QStringLiteral("FileName")).toString(),
                        { snapshot.value(QStringLiteral("ID")).toLongLong(),
                            snapshot.value(QStringLiteral("FileSize")).toLongLong() });
            }
            // A stored file is gathered again when its size or its
            // modification time changed, or when an older decoding made its
            // record (that includes a record from before the stamps).
            const QHash<std::int64_t, FileStampRow> stamps
                = DirectoryFileStamps(db, m_options.collectionId, itemId);
            const QHash<std::int64_t, PerceptualHash> perceptual
                = DirectoryPerceptualSignatures(db, m_options.collectionId, itemId);
            std::vector<FilePlan> plans(size_t(files.size()));
            for (qsizetype at = 0; at < files.size(); ++at) {
                FilePlan &plan = plans[size_t(at)];
                const DiskStat file = StatOnDisk(JoinPath(directory, files[at]));
                plan.modifiedNs = file.modifiedNs;
                const auto record = stored.constFind(files[at]);
                if (record == stored.constEnd()) {
                    plan.decode = true;
                    continue;
                }
                const auto stamp = stamps.constFind(record->id);
                const bool sameSize = !file.exists || file.size == record->size;
                const bool stale = stamp == stamps.constEnd() || stamp->decoding < kCurrentDecoding
                    || stamp->modifiedNs != file.modifiedNs;
                plan.decode = !sameSize || (file.exists && stale);
                if (!plan.decode && file.exists && !perceptual.contains(record->id)) {
                    plan.decode = true;
                    plan.perceptualOnly = true;
                }
                if (plan.decode)
                    plan.recordId = record->id;
            }
            m_startMs += nowMs() - verifyStart;

            const std::int32_t fileCount = std::int32_t(files.size());
            p.partTotal = fileCount;
            // Positions to decode, in order; the pool works ahead of the
            // loop, results are taken in loop order.
            std::deque<std::pair<int, DecodePool::Ticket>> pending;
            int nextToSubmit = 0;
            auto refill = [&] {
                if (!pool)
                    return;
                while (int(pending.size()) < lookahead && nextToSubmit < fileCount) {
                    const int at = nextToSubmit++;
                    if (!plans[size_t(at)].decode)
                        continue;
                    pending.emplace_back(at, pool->submit(JoinPath(directory, files[at])));
                }
            };

            std::int32_t i = 0;
            for (; i < fileCount; ++i) {
                refill();
                const QString &name = files[i];
                const FilePlan &plan = plans[size_t(i)];
                if (!plan.decode) {
                    ++c.skipped;
                    if (!skipping) {
                        p.current = Text(737);
                        skipping = true;
                    }
                } else {
                    skipping = false;
                    const QString fullPath = JoinPath(directory, name);
                    p.current = fullPath;
                    estimate(c.processed - c.skipped);
                    DecodedImage image;
                    if (pool) {
                        image = pool->take(pending.front().second);
                        pending.pop_front();
                    } else {
                        try {
                            image = m_options.decode(fullPath);
                        } catch (...) {
                            image = DecodedImage {};
                        }
                    }
                    if (image.loaded) {
                        if (image.sampled) {
                            ImageFileInfo current;
                            current.Directory = directory;
                            current.FileName = name;
                            current.FileSize = image.fileSize;
                            current.DimX = image.width;
                            current.DimY = image.height;
                            RGBTriple avg { image.average[0], image.average[1], image.average[2] };
                            QuadTriples quads;
                            for (int q = 0; q < 4; ++q) {
                                const auto &v = image.quadrants[size_t(q)];
                                quads[size_t(q)] = RGBTriple { v[0], v[1], v[2] };
                            }
                            batch.begin();
                            std::int64_t id = plan.recordId;
                            bool written = false;
                            if (plan.perceptualOnly) {
                                written = true;
                            } else if (id > 0) {
                                written = UpdateImageData(id,
                                    { image.fileSize, image.width, image.height, avg, quads,
                                        image.pattern });
                            } else {
                                written = StoreImageData(m_options.collectionId, itemId, current,
                                    avg, quads, image.pattern);
                                id = db.connection().lastInsertRowId();
                            }
                            if (written) {
                                try {
                                    if (!plan.perceptualOnly)
                                        StoreFileStamp(db, id, plan.modifiedNs);
                                    StorePerceptualSignature(db, id, image.perceptual);
                                } catch (const std::exception &e) {
                                    ReportException(e, QStringLiteral("modDataFunc"),
                                        QStringLiteral("StoreFileStamp"));
                                    written = false;
                                }
                            }
                            if (!written) {
                                // Reported by the store (a full disk, a
                                // damaged file): stop here; the rows
                                // committed so far stay.
                                try {
                                    batch.commit();
                                } catch (...) {
                                }
                                p.found = c.stored;
                                return RunResult::failed(0,
                                    QStringLiteral("The record of %1 could not be stored.")
                                        .arg(fullPath));
                            }
                            if (plan.perceptualOnly) {
                                // The record itself is as it was.
                                ++c.skipped;
                            } else {
                                batch.stored();
                            }
                            // Shown as written; the summary counts what
                            // was committed (c.stored).
                            p.found = c.stored + batch.pending();
                        } else {
                            reporter.notice(QStringLiteral("could not sample %1: %2")
                                                .arg(fullPath, image.sampleError));
                        }
                    } else {
                        WriteToLogFile(
                            kLogName, QStringLiteral("Error loading: ") + fullPath, true);
                        ++c.errors;
                        p.errors = c.errors;
                        const QString reason = image.loadError.isEmpty()
                            ? QStringLiteral("the decoder failed")
                            : image.loadError;
                        m_loadFailures.append({ fullPath, reason });
                        reporter.notice(
                            QStringLiteral("could not load %1: %2").arg(fullPath, reason));
                    }
                }
                ++c.processed;
                p.done = c.processed;
                p.skipped = c.skipped;
                p.partDone = i + 1;
                reporter.report();
                if (reporter.cancelled()) {
                    cancelled = true;
                    break;
                }
            }
            // What a cancel leaves queued is no longer wanted.
            if (pool) {
                for (const auto &queued : pending)
                    pool->drop(queued.second);
            }
            batch.commit();
            p.found = c.stored;
            p.partDone = i;
            p.partEnded = true;
            reporter.reportNow();
        }
        ++c.directoriesDone;
        estimate(c.processed - c.skipped + c.directoriesDone);
        if (reporter.cancelled())
            cancelled = true;
    }
    batch.commit();
    p.found = c.stored;
    WriteToLogFile(kLogName, QString(), true);
    WriteToLogFile(kLogName, QStringLiteral("***** END LOG ******"), true);
    p.done = c.processed;
    return { cancelled ? RunOutcome::Cancelled : RunOutcome::Completed };
}

}  // namespace vexa

#include "gather/gatherengine.h"

#include "base/errors.h"
#include "base/filelisting.h"
#include "base/log.h"
#include "base/paths.h"
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/currentimage.h"
#include "db/lifecycle.h"
#include "db/records.h"
#include "db/recordset.h"
#include "gather/decodepool.h"
#include "signature/imagefunc.h"
#include "signature/imageloader.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>

#include <deque>
#include <memory>
#include <optional>
#include <thread>

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
    Batch(Database &db, int rows)
        : m_db(db)
        , m_rows(rows > 0 ? rows : 1)
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
    void stored()
    {
        if (++m_count >= m_rows)
            commit();
    }
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
            try {
                m_db.CommitTransaction();
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
    bool m_open = false;
};

}  // namespace

DecodedImage DecodeForGathering(const QString &path)
{
    DecodedImage out;
    LoadedImage image;
    if (!LoadImageFile(path, image, DecodeSize::Sampling)) {
        out.sampleError = image.reason;
        return out;
    }
    out.loaded = true;
    out.width = image.width;
    out.height = image.height;
    out.fileSize = QFileInfo(path).size();
    try {
        const ComputedSignature sig = SignatureOfPicture(image.picture, image.width, image.height);
        out.average
            = { sig.signature.AvgRGB.Red, sig.signature.AvgRGB.Green, sig.signature.AvgRGB.Blue };
        for (int q = 0; q < 4; ++q) {
            const RGBTriple &c = sig.signature.QuadRGB[size_t(q)];
            out.quadrants[size_t(q)] = { c.Red, c.Green, c.Blue };
        }
        out.pattern = sig.signature.Pattern;
        out.sampled = out.pattern.size() == 64;
        if (!out.sampled)
            out.sampleError = QStringLiteral("the pattern is not 64 characters long");
    } catch (const std::exception &e) {
        out.sampleError = QString::fromLocal8Bit(e.what());
    }
    return out;
}

GatherEngine::GatherEngine(GatherObserver &observer, GatherOptions options)
    : m_observer(observer)
    , m_options(std::move(options))
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

RunOutcome GatherEngine::run(const QList<GatherDirectory> &directories)
{
    m_counters = {};
    m_errorNumber = 0;
    m_errorDescription.clear();
    InitialiseImageLoader();
    const QStringList pieces = SplitFilePattern(
        m_options.pattern.isEmpty() ? QString::fromLatin1(kImageFilePattern) : m_options.pattern);
    const std::int32_t total = m_options.totalImages;
    GatherCounters &c = m_counters;

    try {
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

        Batch batch(db, m_options.rowsPerTransaction);
        bool cancelled = false;
        bool skipping = false;

        for (int index = 0; index < directories.size() && !cancelled; ++index) {
            const GatherDirectory &entry = directories[index];
            if (entry.ticked && QFileInfo(entry.path).isDir()) {
                m_observer.directoryStarted(index);
                const QString directory = entry.path;
                const std::int64_t itemId = entry.key.mid(1).toLongLong();
                const QString query = QStringLiteral("Select * from FileData where CollectionID=")
                    + QString::number(m_options.collectionId) + QStringLiteral(" AND ItemId=")
                    + QString::number(itemId);

                // Verification: records of files that are gone go first. Its
                // time is left out of the elapsed time the estimate uses. A
                // directory that exists but cannot be read keeps its records:
                // its files are not gone, only out of reach.
                const qint64 verifyStart = nowMs();
                batch.commit();
                bool listed = true;
                const QStringList files = ListMatchingFiles(directory, pieces, &listed);
                if (listed) {
                    m_observer.fileInfo(QStringLiteral("Verifying Database Integrety"));
                    Transaction deletions(db);
                    RecordSet records(db, query);
                    VerifyDatabaseIntegrity(records, directory);
                    deletions.commit();
                }
                // The stored names, read once: one lookup per file instead of
                // a walk of the snapshot, so a directory of 100,000 files
                // does not take quadratic time.
                QSet<QString> stored;
                {
                    RecordSet snapshot(db, query, RecordSetType::Snapshot);
                    for (; !snapshot.eof(); snapshot.moveNext())
                        stored.insert(snapshot.value(QStringLiteral("FileName")).toString());
                }
                m_startMs += nowMs() - verifyStart;

                const std::int32_t fileCount = std::int32_t(files.size());
                // Positions to decode, in order; the pool works ahead of the
                // loop, results are taken in loop order.
                std::deque<std::pair<int, DecodePool::Ticket>> pending;
                int nextToSubmit = 0;
                auto refill = [&] {
                    if (!pool)
                        return;
                    while (int(pending.size()) < lookahead && nextToSubmit < fileCount) {
                        const int at = nextToSubmit++;
                        if (stored.contains(files[at]))
                            continue;
                        pending.emplace_back(at, pool->submit(JoinPath(directory, files[at])));
                    }
                };

                std::int32_t i = 0;
                for (; i < fileCount; ++i) {
                    refill();
                    const QString &name = files[i];
                    if (stored.contains(name)) {
                        ++c.skipped;
                        if (!skipping) {
                            m_observer.fileInfo(Text(737));
                            skipping = true;
                        }
                    } else {
                        skipping = false;
                        const QString fullPath = JoinPath(directory, name);
                        m_observer.fileInfo(fullPath);
                        m_observer.estimate(
                            elapsedMs(), c.processed - c.skipped, total - c.skipped);
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
                                CurrentImageInfo &current = CurrentImage();
                                current.Directory = directory;
                                current.FileName = name;
                                current.FileSize = image.fileSize;
                                current.DimX = image.width;
                                current.DimY = image.height;
                                RGBTriple avg { image.average[0], image.average[1],
                                    image.average[2] };
                                QuadTriples quads;
                                for (int q = 0; q < 4; ++q) {
                                    const auto &v = image.quadrants[size_t(q)];
                                    quads[size_t(q)] = RGBTriple { v[0], v[1], v[2] };
                                }
                                batch.begin();
                                if (!StoreImageData(m_options.collectionId, itemId, avg, quads,
                                        image.pattern)) {
                                    // Reported by the store (a full disk, a
                                    // damaged file): stop here; the rows
                                    // committed so far stay.
                                    try {
                                        batch.commit();
                                    } catch (...) {
                                    }
                                    m_errorNumber = 0;
                                    m_errorDescription
                                        = QStringLiteral("The record of %1 could not be stored.")
                                              .arg(fullPath);
                                    m_observer.progressEnded();
                                    return RunOutcome::Failed;
                                }
                                stored.insert(name);
                                ++c.stored;
                                batch.stored();
                            } else {
                                m_observer.sampleFailed(fullPath, image.sampleError);
                            }
                        } else {
                            WriteToLogFile(
                                kLogName, QStringLiteral("Error loading: ") + fullPath, true);
                            ++c.errors;
                            m_observer.errorCount(c.errors);
                        }
                    }
                    if (!skipping || i % 25 == 0) {
                        m_observer.progress(c.processed);
                        m_observer.counters(i, fileCount, c.processed, total);
                    }
                    ++c.processed;
                    if (m_observer.isCancelled()) {
                        cancelled = true;
                        break;
                    }
                    m_observer.yield();
                }
                // What a cancel leaves queued is no longer wanted.
                if (pool) {
                    for (const auto &p : pending)
                        pool->drop(p.second);
                }
                batch.commit();
                m_observer.counters(i, fileCount, c.processed, total);
                m_observer.directoryEnded(index, i);
            }
            ++c.directoriesDone;
            m_observer.estimate(
                elapsedMs(), c.processed - c.skipped + c.directoriesDone, total - c.skipped);
            if (m_observer.isCancelled())
                cancelled = true;
        }
        batch.commit();
        WriteToLogFile(kLogName, QString(), true);
        WriteToLogFile(kLogName, QStringLiteral("***** END LOG ******"), true);
        return cancelled ? RunOutcome::Cancelled : RunOutcome::Completed;
    } catch (const VexaError &e) {
        m_errorNumber = e.number();
        m_errorDescription = e.description();
    } catch (const std::exception &e) {
        m_errorNumber = ErrInvalidProcedureCall;
        m_errorDescription = QString::fromLocal8Bit(e.what());
    }
    return RunOutcome::Failed;
}

}  // namespace vexa

#include "narration/narrationengine.h"

#include "base/errors.h"
#include "base/progresstexts.h"
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/notduplicates.h"
#include "db/records.h"
#include "db/recordset.h"
#include "db/selectionsql.h"
#include "db/sqlite.h"
#include "narration/duplicateset.h"
#include "narration/narrationscan.h"
#include "narration/narrationsettings.h"
#include "signature/perceptualhash.h"
#include "signature/signaturelib.h"

#include <QElapsedTimer>
#include <QHash>

#include <algorithm>
#include <vector>

#include <sqlite3.h>

namespace vexa {

namespace {

std::int32_t int32Of(const QVariant &value)
{
    return std::int32_t(value.toLongLong());
}

// MarkFileDataProcessed in pieces: one statement of thousands of "OR ID ="
// terms is deeper than the engine parses, and a quick check can find that
// many. A signature source never has more than one piece.
void markProcessed(const std::vector<std::int32_t> &ids)
{
    QList<std::int64_t> piece;
    piece.reserve(kMaxSignatureMatches);
    for (const std::int32_t id : ids) {
        piece.append(id);
        if (piece.size() == kMaxSignatureMatches) {
            MarkFileDataProcessed(piece);
            piece.clear();
        }
    }
    if (!piece.isEmpty())
        MarkFileDataProcessed(piece);
}

float speedFactorOf(const NarrationOptions &options)
{
    return IsSignatureMethod(options.method) ? SpeedFactor(options.toleranceLevel) : 1.0f;
}

// The selection's signatures in ID order, read with one query. The Null
// tests come as columns of their own, so every value is read as an integer.
// The table is read in key order rather than through the directory index:
// one sequential pass, and no sort when several directories are ticked.
// Reads Cancel every few thousand rows: a large selection takes seconds to
// load. Returns false when cancelled.
bool loadSelection(Database &db, const QString &selection, int expected, RunReporter &reporter,
    std::vector<NarrationRecord> &records, bool perceptual)
{
    Statement query(db.connection().handle(),
        QStringLiteral(
            "SELECT ID, FileSize, FileDimX, FileDimY, AvgRGB, QuadRGB0, QuadRGB1, "
            "QuadRGB2, QuadRGB3, Pattern1, Pattern2, Processed, FileSize IS NULL, "
            "FileDimX IS NULL, FileDimY IS NULL, Processed IS NULL FROM FILEDATA NOT INDEXED ")
            + selection + QStringLiteral(" ORDER BY ID"));
    records.clear();
    records.reserve(std::size_t(std::max(expected, 0)));
    while (query.step()) {
        if (records.size() % 4096 == 0) {
            reporter.report();
            if (reporter.cancelled())
                return false;
        }
        NarrationRecord r;
        r.id = std::int32_t(query.columnInt64(0));
        r.fileSize = query.columnInt64(1);
        r.dimX = std::int32_t(query.columnInt64(2));
        r.dimY = std::int32_t(query.columnInt64(3));
        r.avg = std::int32_t(query.columnInt64(4));
        for (int q = 0; q < 4; ++q)
            r.quad[q] = std::int32_t(query.columnInt64(5 + q));
        r.pattern1 = std::int32_t(query.columnInt64(9));
        r.pattern2 = std::int32_t(query.columnInt64(10));
        r.sizeNull = query.columnInt64(12) != 0;
        r.dimXNull = query.columnInt64(13) != 0;
        r.dimYNull = query.columnInt64(14) != 0;
        r.processed = query.columnInt64(15) != 0 || query.columnInt64(11) != 0;
        records.push_back(r);
    }
    if (perceptual && !records.empty()) {
        // From their own table, by ID; a record without one matches nothing.
        QHash<std::int64_t, PerceptualHash> hashes;
        Statement signatures(
            db.connection().handle(), QStringLiteral("SELECT ID, Hash FROM PerceptualSignature"));
        while (signatures.step())
            hashes.insert(signatures.columnInt64(0), PerceptualHash(signatures.columnInt64(1)));
        for (NarrationRecord &r : records) {
            const auto hash = hashes.constFind(r.id);
            r.perceptualNull = hash == hashes.constEnd();
            r.perceptual = r.perceptualNull ? 0 : *hash;
        }
    }
    return true;
}

// Every FileData row not processed, as ClearDBProcessingFlags leaves them,
// but rows already clear are not rewritten: on a large table that had only
// its groups flagged by the last run, this is a read instead of a rewrite.
void clearProcessedFlags(const RunReporter &reporter)
{
    try {
        OpenDb().Execute(
            QStringLiteral(
                "UPDATE FILEDATA SET PROCESSED=FALSE WHERE PROCESSED<>FALSE OR PROCESSED IS NULL"),
            64);
        if (AppDb().fileData)
            AppDb().fileData->requery();
    } catch (const std::exception &e) {
        if (!reporter.cancelled())
            ReportException(
                e, QStringLiteral("modDataFunc"), QStringLiteral("ClearDBProcessingFlags"));
    }
}

// Lets Cancel stop a long statement (clearing the flags of a large table,
// the count): SQLite asks every few thousand steps and the statement fails
// with SQLITE_INTERRUPT. Only the observer's flag is read there; the
// connection must not be used from the handler.
class InterruptWhenCancelled {
public:
    InterruptWhenCancelled(sqlite3 *handle, const RunReporter &reporter)
        : m_handle(handle)
    {
        sqlite3_progress_handler(m_handle, 10000, &check, const_cast<RunReporter *>(&reporter));
    }
    ~InterruptWhenCancelled() { sqlite3_progress_handler(m_handle, 0, nullptr, nullptr); }
    InterruptWhenCancelled(const InterruptWhenCancelled &) = delete;
    InterruptWhenCancelled &operator=(const InterruptWhenCancelled &) = delete;

private:
    static int check(void *reporter)
    {
        return static_cast<const RunReporter *>(reporter)->cancelled() ? 1 : 0;
    }
    sqlite3 *m_handle;
};

// Writes the flags gathered since the last write in one transaction.
void flushFlags(Database &db, std::vector<std::int32_t> &pending)
{
    if (pending.empty())
        return;
    // In ID order each page of the table is written once.
    std::sort(pending.begin(), pending.end());
    Transaction transaction(db);
    markProcessed(pending);
    transaction.commit();
    pending.clear();
}

}  // namespace

bool LoadNarrationRecords(Database &db, const QString &selection, int expected,
    RunReporter &reporter, std::vector<NarrationRecord> &records, bool perceptual)
{
    return loadSelection(db, selection, expected, reporter, records, perceptual);
}

NarrationEngine::NarrationEngine(CDuplicates &set, NarrationOptions options)
    : m_set(set)
    , m_options(std::move(options))
{
}

RunResult NarrationEngine::run(RunObserver &observer)
{
    m_counters = {};
    m_clock.invalidate();
    RunReporter reporter(observer, m_options.reportIntervalMs);
    reporter.progress().status = Text(747);
    reporter.start();
    RunResult result;
    try {
        m_set.Clear();
        std::vector<NarrationRecord> records;
        result.outcome = prepare(reporter, records) ? scan(reporter, std::move(records))
                                                    : RunOutcome::Cancelled;
    } catch (const std::exception &e) {
        // A statement stopped by Cancel fails; the run was cancelled.
        result = reporter.cancelled() ? RunResult { RunOutcome::Cancelled } : RunResult::failed(e);
    }
    m_counters.groups = m_set.Count();
    m_counters.elapsedMs = m_clock.isValid() ? m_clock.elapsed() : 0;
    reporter.progress().found = m_counters.groups;
    reporter.progress().status.clear();
    return reporter.finish(result);
}

// Clears the flags, counts and loads the selection; false when cancelled.
bool NarrationEngine::prepare(RunReporter &reporter, std::vector<NarrationRecord> &records)
{
    RunProgress &p = reporter.progress();
    InterruptWhenCancelled interrupt(OpenDb().connection().handle(), reporter);
    clearProcessedFlags(reporter);
    if (reporter.cancelled())
        return false;
    Database &db = OpenDb();
    // An empty clause would select every record of every collection.
    if (m_options.selection.trimmed().isEmpty())
        throw VexaError(ErrInvalidProcedureCall, QStringLiteral("No directories selected."));
    {
        RecordSet count(
            db, NarrationCountSql(m_options.selection), RecordSetType::Snapshot, kReadOnlyOption);
        m_counters.total = count.eof() ? 0 : int32Of(count.value(0));
    }
    m_clock.start();
    p.total = m_counters.total;
    reporter.reportNow();
    if (reporter.cancelled())
        return false;
    if (!loadSelection(db, m_options.selection, m_counters.total, reporter, records,
            m_options.method == int(NarrationMethod::Perceptual)))
        return false;
    p.status.clear();
    return true;
}

RunOutcome NarrationEngine::scan(RunReporter &reporter, std::vector<NarrationRecord> records)
{
    const std::int32_t total = m_counters.total;
    if (total == 0 || records.empty())
        return RunOutcome::Completed;
    Database &db = OpenDb();
    RunProgress &p = reporter.progress();
    const float factor = speedFactorOf(m_options);
    std::unique_ptr<NarrationScan> scan = m_options.scan == NarrationScanKind::Reference
        ? MakeReferenceScan(std::move(records), m_options.method, m_options.toleranceLevel,
            m_options.anyOrientation)
        : MakeFastScan(std::move(records), m_options.method, m_options.toleranceLevel,
            m_options.anyOrientation);
    const NotDuplicateSet notDuplicates = LoadNotDuplicateSet(db);
    scan->setNotDuplicates(&notDuplicates);
    const std::vector<NarrationRecord> &rows = scan->records();
    std::vector<std::int32_t> found;
    std::vector<std::int32_t> ids;
    std::vector<std::int32_t> pending;
    QElapsedTimer sinceWrite;
    sinceWrite.start();
    const auto update = [&] {
        p.done = scan->done();
        p.found = m_set.Count();
        p.remainingMs = RemainingMs(m_clock.elapsed(), scan->done(), total, double(factor));
    };
    RunOutcome outcome = RunOutcome::Completed;
    try {
        update();
        reporter.reportNow();
        while (!scan->finished()) {
            // Cancel is read before each source; a source searched with
            // Cancel set stops after its first candidate.
            const bool cancelled = reporter.cancelled();
            const std::int32_t source = scan->position();
            scan->step(cancelled, found);
            if (!found.empty()) {
                ids.clear();
                for (const std::int32_t index : found)
                    ids.push_back(rows[std::size_t(index)].id);
                m_set.Add(QList<std::int32_t>(ids.begin(), ids.end()), rows[std::size_t(source)].id,
                    0, QString());
                pending.insert(pending.end(), ids.begin(), ids.end());
            }
            if (cancelled) {
                outcome = RunOutcome::Cancelled;
                break;
            }
            if (sinceWrite.elapsed() >= m_options.flagWriteIntervalMs) {
                flushFlags(db, pending);
                sinceWrite.restart();
            }
            update();
            reporter.report();
        }
        flushFlags(db, pending);
    } catch (...) {
        // Flags of the groups already in the set still go to the database.
        try {
            flushFlags(db, pending);
        } catch (...) {
        }
        m_counters.done = scan->done();
        throw;
    }
    m_counters.done = scan->done();
    update();
    return outcome;
}

}  // namespace vexa

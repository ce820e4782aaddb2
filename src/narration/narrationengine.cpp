#include "narration/narrationengine.h"

#include "base/errors.h"
#include "base/progresstexts.h"
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/notduplicates.h"
#include "db/records.h"
#include "db/recordset.h"
#include "db/sqlite.h"
#include "narration/duplicateset.h"
#include "narration/narrationscan.h"
#include "narration/narrationsettings.h"
#include "signature/perceptualhash.h"
#include "signature/signaturelib.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <limits>
#include <optional>
#include <thread>
#include <vector>

#include <sqlite3.h>

namespace vexa {

namespace {

float speedFactorOf(const NarrationOptions &options)
{
    return IsSignatureMethod(options.method) ? SpeedFactor(options.toleranceLevel) : 1.0f;
}

// The selection clause as a condition (" WHERE a AND b" gives " a AND b");
// empty when it is not a WHERE clause.
QString conditionOf(const QString &selection)
{
    static const QRegularExpression where(
        QStringLiteral("^\\s*WHERE\\b"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = where.match(selection);
    return match.hasMatch() ? selection.mid(match.capturedEnd()) : QString();
}

constexpr qint64 kReserveMost = 4 * 1024 * 1024;

// Room for the records without counting them first: the highest ID bounds
// the rows, and the part of a reserve never written is never given memory
// pages. Past a few million rows the vector grows as it goes.
void reserveForTable(Database &db, std::vector<NarrationRecord> &records)
{
    const qint64 highest
        = db.connection().scalar(QStringLiteral("SELECT max(ID) FROM FILEDATA")).toLongLong();
    records.reserve(std::size_t(std::clamp<qint64>(highest, 0, kReserveMost)));
}

// The Null tests come as one column of bits: a million rows make every
// column read count.
const QString kSignatureColumns = QStringLiteral(
    "SELECT ID, FileSize, FileDimX, FileDimY, AvgRGB, QuadRGB0, QuadRGB1, QuadRGB2, QuadRGB3, "
    "Pattern1, Pattern2, (FileSize IS NULL) + 2 * (FileDimX IS NULL) + 4 * (FileDimY IS NULL)");

// A row of kSignatureColumns. Every value is read as an integer (a Null as
// 0); the quick checks' Null tests come from the last column.
NarrationRecord recordOf(const Statement &query)
{
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
    const qint64 nulls = query.columnInt64(11);
    r.sizeNull = (nulls & 1) != 0;
    r.dimXNull = (nulls & 2) != 0;
    r.dimYNull = (nulls & 4) != 0;
    return r;
}

// Reads Cancel every few thousand rows: a large table takes a moment to read.
bool cancelledWhileLoading(std::size_t rows, RunReporter &reporter)
{
    if (rows % 4096 != 0)
        return false;
    reporter.report();
    return reporter.cancelled();
}

// From their own table, by ID; a record without one matches nothing.
void loadPerceptual(Database &db, std::vector<NarrationRecord> &records)
{
    if (records.empty())
        return;
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

// The selection's signatures in ID order with their Processed flags (a Null
// counts as processed), read with one query. The table is read in key order
// rather than through the directory index: one sequential pass, and no sort
// when several directories are ticked. Returns false when cancelled.
bool loadSelection(Database &db, const QString &selection, int expected, RunReporter &reporter,
    std::vector<NarrationRecord> &records, bool perceptual)
{
    Statement query(db.connection().handle(),
        kSignatureColumns + QStringLiteral(", Processed FROM FILEDATA NOT INDEXED ") + selection
            + QStringLiteral(" ORDER BY ID"));
    records.clear();
    if (expected > 0)
        records.reserve(std::size_t(expected));
    else
        reserveForTable(db, records);
    while (query.step()) {
        if (cancelledWhileLoading(records.size(), reporter))
            return false;
        NarrationRecord r = recordOf(query);
        r.processed = query.columnIsNull(12) || query.columnInt64(12) != 0;
        records.push_back(r);
    }
    if (perceptual)
        loadPerceptual(db, records);
    return true;
}

// The rows of one stretch of IDs: the selection's signatures and the rows
// whose flag is not FALSE.
struct TablePart {
    std::vector<NarrationRecord> records;
    std::vector<FlagBefore> before;
};

// Reads the rows from <= ID < to of the run's pass into part, in ID order.
// stop is asked every few thousand rows; returns false when it said so.
template<class Stop>
bool readPart(
    sqlite3 *handle, const QString &condition, qint64 from, qint64 to, TablePart &part, Stop &&stop)
{
    Statement query(handle,
        kSignatureColumns
            + QStringLiteral(
                ", (Processed IS 0) + 2 * (Processed IS 1) + CASE WHEN (%1) THEN 4 ELSE 0 END "
                "FROM FILEDATA NOT INDEXED WHERE ((%1) OR Processed IS NOT 0) AND ID >= ? "
                "AND ID < ? ORDER BY ID")
                  .arg(condition));
    query.bindInt64(1, from);
    query.bindInt64(2, to);
    std::size_t rows = 0;
    while (query.step()) {
        if (rows++ % 4096 == 0 && stop())
            return false;
        // Bit 0: the flag is FALSE, bit 1: exactly TRUE, bit 2: selected.
        const qint64 state = query.columnInt64(12);
        if ((state & 1) == 0)
            part.before.push_back({ std::int32_t(query.columnInt64(0)), (state & 2) != 0 });
        if ((state & 4) != 0)
            part.records.push_back(recordOf(query));
    }
    return true;
}

// The upper half of the table, read on a thread and connection of its own
// while the run's thread reads the lower half: reading and decoding a
// million rows is SQLite's work on one core, and a machine has two.
class UpperHalfReader {
public:
    UpperHalfReader(const QString &path, const QString &condition, qint64 from, qint64 rows)
    {
        m_part.records.reserve(std::size_t(std::max<qint64>(rows, 0)));
        m_thread = std::thread([this, path, condition, from] {
            try {
                Database db(path, true);
                sqlite3_progress_handler(db.connection().handle(), 10000, &stopRequested, &m_stop);
                m_complete = readPart(db.connection().handle(), condition, from,
                    std::numeric_limits<qint64>::max(), m_part, [this] { return m_stop.load(); });
            } catch (...) {
                m_failure = std::current_exception();
            }
            m_done.store(true);
        });
    }
    ~UpperHalfReader()
    {
        m_stop.store(true);
        if (m_thread.joinable())
            m_thread.join();
    }
    UpperHalfReader(const UpperHalfReader &) = delete;
    UpperHalfReader &operator=(const UpperHalfReader &) = delete;

    // Waits for the half (about as long as the other), reading Cancel
    // meanwhile; false when cancelled. A failure of the read throws here.
    bool wait(const RunReporter &reporter)
    {
        while (!m_done.load()) {
            if (reporter.cancelled())
                m_stop.store(true);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        m_thread.join();
        if (reporter.cancelled() || m_stop.load())
            return false;
        if (m_failure)
            std::rethrow_exception(m_failure);
        return m_complete;
    }
    TablePart &part() { return m_part; }

private:
    static int stopRequested(void *stop)
    {
        return static_cast<const std::atomic<bool> *>(stop)->load() ? 1 : 0;
    }

    TablePart m_part;
    std::atomic<bool> m_stop { false };
    std::atomic<bool> m_done { false };
    bool m_complete = false;
    std::exception_ptr m_failure;
    std::thread m_thread;
};

// The run's one pass over the table: the selection's signatures in ID order,
// each not processed (the run starts from cleared flags), and every row of
// the whole table whose flag is not FALSE now, so that the run's end writes
// only the flags that change. A table stored in a file is read in two halves
// at once; a run inside the caller's transaction reads it on its own
// connection alone, since another would not see what the caller wrote.
// Returns false when cancelled.
bool loadForRun(Database &db, const QString &selection, RunReporter &reporter,
    std::vector<NarrationRecord> &records, std::vector<FlagBefore> &before, bool perceptual)
{
    const QString condition = conditionOf(selection);
    // Anything but a WHERE clause would pick rows it was never meant to.
    if (condition.trimmed().isEmpty())
        throw VexaError(ErrInvalidProcedureCall, QStringLiteral("No directories selected."));
    const qint64 highest
        = db.connection().scalar(QStringLiteral("SELECT max(ID) FROM FILEDATA")).toLongLong();
    const bool halves = highest >= 2 && !db.InTransaction() && QFileInfo(db.path()).isFile();
    const qint64 middle = halves ? highest / 2 + 1 : std::numeric_limits<qint64>::max();
    std::optional<UpperHalfReader> upper;
    if (halves)
        upper.emplace(db.path(), condition, middle, highest - middle + 1);
    TablePart lower;
    lower.records.reserve(
        std::size_t(std::clamp<qint64>(halves ? middle : highest, 0, kReserveMost)));
    const auto cancelled = [&reporter] {
        reporter.report();
        return reporter.cancelled();
    };
    if (!readPart(db.connection().handle(), condition, 0, middle, lower, cancelled))
        return false;
    if (upper) {
        if (!upper->wait(reporter))
            return false;
        TablePart &high = upper->part();
        lower.records.insert(lower.records.end(), high.records.begin(), high.records.end());
        lower.before.insert(lower.before.end(), high.before.begin(), high.before.end());
    }
    records = std::move(lower.records);
    before = std::move(lower.before);
    if (perceptual)
        loadPerceptual(db, records);
    return true;
}

// Lets Cancel stop a long statement (reading a large table): SQLite asks
// every few thousand steps and the statement fails with SQLITE_INTERRUPT.
// Only the observer's flag is read there; the connection must not be used
// from the handler.
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

// Loads the selection and the flags as they stand; false when cancelled.
// The selection's rows are counted as they are read.
bool NarrationEngine::prepare(RunReporter &reporter, std::vector<NarrationRecord> &records)
{
    RunProgress &p = reporter.progress();
    InterruptWhenCancelled interrupt(OpenDb().connection().handle(), reporter);
    Database &db = OpenDb();
    m_clock.start();
    if (!loadForRun(db, m_options.selection, reporter, records, m_flagsBefore,
            m_options.method == int(NarrationMethod::Perceptual)))
        return false;
    m_counters.total = std::int32_t(records.size());
    p.total = m_counters.total;
    p.status.clear();
    reporter.reportNow();
    return !reporter.cancelled();
}

RunOutcome NarrationEngine::scan(RunReporter &reporter, std::vector<NarrationRecord> records)
{
    Database &db = OpenDb();
    const std::int32_t total = m_counters.total;
    const std::int32_t highestId = records.empty() ? 0 : records.back().id;
    // A signature method finds only records after its source, so the rows
    // below the next source are final and their flags can be written while
    // the scan goes on; a quick check may take earlier records too.
    const bool onlyLater = IsSignatureMethod(m_options.method);
    if (total == 0 || records.empty()) {
        FlagWriter(db, std::move(m_flagsBefore), highestId, false).finish();
        return RunOutcome::Completed;
    }
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
    // Every run ends with the table's flags written, a cancelled or failed
    // one with those of the groups it found. From here on the run's own
    // connection is left to the writer's thread until finish().
    FlagWriter flags(db, std::move(m_flagsBefore), highestId, onlyLater);
    std::vector<std::int32_t> found;
    std::vector<std::int32_t> ids;
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
                for (const std::int32_t index : found) {
                    ids.push_back(rows[std::size_t(index)].id);
                    flags.markFound(ids.back());
                }
                m_set.Add(QList<std::int32_t>(ids.begin(), ids.end()), rows[std::size_t(source)].id,
                    0, QString());
            }
            if (cancelled) {
                outcome = RunOutcome::Cancelled;
                break;
            }
            if (onlyLater && !scan->finished())
                flags.decidedBelow(rows[std::size_t(scan->position())].id);
            // The figures are made only when a report is due: a million
            // sources take a few seconds.
            if (reporter.due()) {
                update();
                reporter.reportNow();
            }
        }
    } catch (...) {
        m_counters.done = scan->done();
        flags.finish();
        throw;
    }
    m_counters.done = scan->done();
    update();
    flags.finish();
    return outcome;
}

}  // namespace vexa

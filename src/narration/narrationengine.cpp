#include "narration/narrationengine.h"

#include "base/environment.h"
#include "base/errors.h"
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/records.h"
#include "db/recordset.h"
#include "db/selectionsql.h"
#include "db/sqlite.h"
#include "narration/duplicateset.h"
#include "narration/narrationscan.h"
#include "narration/narrationsettings.h"
#include "signature/signaturelib.h"

#include <QDir>
#include <QElapsedTimer>

#include <algorithm>
#include <vector>

namespace vexa {

namespace {

const QString kModule = QStringLiteral("frmVEXA");
const QString kProcedure = QStringLiteral("mnuNarration");

QString num(qint64 value)
{
    return QString::number(value);
}

std::int32_t int32Of(const QVariant &value)
{
    return std::int32_t(value.toLongLong());
}

// A Null Processed counts as processed.
bool processedOf(const QVariant &value)
{
    return !value.isValid() || value.isNull() || value.toBool();
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

QuickCheck quickCheckOf(int method)
{
    switch (NarrationMethod(method)) {
    case NarrationMethod::Dimensions: return QuickCheck::Dimensions;
    case NarrationMethod::FilesizeAndDimensions: return QuickCheck::SizeAndDimensions;
    default: return QuickCheck::Size;
    }
}

struct RunContext {
    CDuplicates &set;
    const NarrationOptions &options;
    NarrationObserver &observer;
    NarrationResult &result;
    QElapsedTimer &clock;
};

// The run's own record set walked exactly as the narration has always done:
// a bookmark on the source, a forward walk over the later records for the
// signature methods, a query per source for the quick checks.
void runReference(RunContext &run, Database &db)
{
    const NarrationOptions &options = run.options;
    NarrationObserver &observer = run.observer;
    RecordSet records(db, NarrationSql(options.selection), RecordSetType::Dynaset, kReadOnlyOption);
    const std::int32_t total = run.result.total;
    if (total == 0)
        return;
    const float factor = speedFactorOf(options);
    observer.label(QStringLiteral("total"), num(total));
    observer.status(QString());
    observer.progressStarted(total);
    records.moveFirst();
    std::int32_t done = 0;
    std::vector<std::int32_t> found;
    while (!records.eof()) {
        observer.yield();
        const RecordSet::Bookmark bookmark = records.bookmark();
        NarrationRecord a;
        a.id = int32Of(records.value(QStringLiteral("ID")));
        a.fileSize = records.value(QStringLiteral("FileSize")).toLongLong();
        a.dimX = int32Of(records.value(QStringLiteral("FileDimX")));
        a.dimY = int32Of(records.value(QStringLiteral("FileDimY")));
        a.avg = int32Of(records.value(QStringLiteral("AvgRGB")));
        for (int q = 0; q < 4; ++q)
            a.quad[q] = int32Of(records.value(QStringLiteral("QuadRGB") + num(q)));
        a.pattern1 = int32Of(records.value(QStringLiteral("Pattern1")));
        a.pattern2 = int32Of(records.value(QStringLiteral("Pattern2")));
        found.clear();
        observer.label(QStringLiteral("done"), num(done));

        if (IsSignatureMethod(options.method)) {
            const std::int32_t avgTolerance = AverageTolerance(options.toleranceLevel);
            for (;;) {
                records.moveNext();
                if (records.eof())
                    break;
                if (!processedOf(records.value(QStringLiteral("Processed")))) {
                    const std::int32_t avg = int32Of(records.value(QStringLiteral("AvgRGB")));
                    std::int32_t quad[4];
                    for (int q = 0; q < 4; ++q)
                        quad[q] = int32Of(records.value(QStringLiteral("QuadRGB") + num(q)));
                    bool match = false;
                    switch (NarrationMethod(options.method)) {
                    case NarrationMethod::AverageRGB:
                        match = CompareAvgRGB(a.avg, avg, avgTolerance) != 0;
                        break;
                    case NarrationMethod::QuadrupleRGB:
                        match = CompareQuadRGB(a.quad[0], a.quad[1], a.quad[2], a.quad[3], quad[0],
                                    quad[1], quad[2], quad[3], options.toleranceLevel)
                            != 0;
                        break;
                    default:
                        match = CompareBitLong(a.pattern1,
                                    int32Of(records.value(QStringLiteral("Pattern1"))), a.pattern2,
                                    int32Of(records.value(QStringLiteral("Pattern2"))),
                                    options.toleranceLevel)
                                != 0
                            && CompareQuadRGB(a.quad[0], a.quad[1], a.quad[2], a.quad[3], quad[0],
                                   quad[1], quad[2], quad[3], options.toleranceLevel)
                                != 0;
                        break;
                    }
                    if (match)
                        found.push_back(int32Of(records.value(QStringLiteral("ID"))));
                }
                if (observer.isCancelled() || int(found.size()) >= kMaxSignatureMatches)
                    break;
            }
            observer.estimate(run.clock.elapsed(), done, total, factor);
        } else {
            RecordSet matches(db,
                NarrationQuickCheckSql(options.selection, quickCheckOf(options.method), a.fileSize,
                    a.dimX, a.dimY, a.id),
                RecordSetType::Dynaset, kReadOnlyOption);
            if (matches.recordCount() != 0) {
                // Every match, not only 65: a capped list would leave the rest
                // of an equal-size family to form groups of records already
                // grouped.
                for (matches.moveFirst(); !matches.eof(); matches.moveNext())
                    found.push_back(int32Of(matches.value(QStringLiteral("ID"))));
            }
            observer.estimate(run.clock.elapsed(), done, total, 1.0f);
        }

        if (!found.empty()) {
            run.set.Add(QList<std::int32_t>(found.begin(), found.end()), a.id, 0, QString());
            observer.label(QStringLiteral("dups"), num(run.set.Count()));
            markProcessed(found);
        }
        records.setBookmark(bookmark);
        do {
            ++done;
            records.moveNext();
            if (records.eof())
                break;
        } while (processedOf(records.value(QStringLiteral("Processed"))));
        run.result.done = done;
        observer.progress(done);
        if (observer.isCancelled()) {
            run.result.outcome = RunOutcome::Cancelled;
            break;
        }
    }
}

// The selection's signatures in ID order, read with one query. The Null
// tests come as columns of their own, so every value is read as an integer.
// The table is read in key order rather than through the directory index:
// one sequential pass, and no sort when several directories are ticked.
std::vector<NarrationRecord> loadSelection(Database &db, const QString &selection, int expected)
{
    Statement query(db.connection().handle(),
        QStringLiteral(
            "SELECT ID, FileSize, FileDimX, FileDimY, AvgRGB, QuadRGB0, QuadRGB1, "
            "QuadRGB2, QuadRGB3, Pattern1, Pattern2, Processed, FileSize IS NULL, "
            "FileDimX IS NULL, FileDimY IS NULL, Processed IS NULL FROM FILEDATA NOT INDEXED ")
            + selection + QStringLiteral(" ORDER BY ID"));
    std::vector<NarrationRecord> records;
    records.reserve(std::size_t(std::max(expected, 0)));
    while (query.step()) {
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
    return records;
}

// Every FileData row not processed, as ClearDBProcessingFlags leaves them,
// but rows already clear are not rewritten: on a large table that had only
// its groups flagged by the last run, this is a read instead of a rewrite.
void clearProcessedFlags()
{
    try {
        OpenDb().Execute(
            QStringLiteral(
                "UPDATE FILEDATA SET PROCESSED=FALSE WHERE PROCESSED<>FALSE OR PROCESSED IS NULL"),
            64);
        if (AppDb().fileData)
            AppDb().fileData->requery();
    } catch (const std::exception &e) {
        ReportException(e, QStringLiteral("modDataFunc"), QStringLiteral("ClearDBProcessingFlags"));
    }
}

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

void runFast(RunContext &run, Database &db)
{
    const NarrationOptions &options = run.options;
    NarrationObserver &observer = run.observer;
    std::vector<NarrationRecord> records = loadSelection(db, options.selection, run.result.total);
    const std::int32_t total = run.result.total;
    if (total == 0 || records.empty())
        return;
    const float factor = speedFactorOf(options);
    observer.label(QStringLiteral("total"), num(total));
    observer.status(QString());
    observer.progressStarted(total);

    std::unique_ptr<NarrationScan> scan
        = MakeFastScan(std::move(records), options.method, options.toleranceLevel);
    const std::vector<NarrationRecord> &rows = scan->records();
    std::vector<std::int32_t> found;
    std::vector<std::int32_t> ids;
    std::vector<std::int32_t> pending;
    QElapsedTimer sinceYield;
    QElapsedTimer sinceWrite;
    sinceYield.start();
    sinceWrite.start();
    bool cancelled = false;
    const auto report = [&] {
        observer.label(QStringLiteral("done"), num(scan->done()));
        observer.label(QStringLiteral("dups"), num(run.set.Count()));
        observer.estimate(run.clock.elapsed(), scan->done(), total, factor);
        observer.progress(scan->done());
    };
    try {
        bool first = true;
        while (!scan->finished()) {
            // The event loop runs between sources, as in the reference, but
            // at most every yieldIntervalMs; Cancel is read at the same point.
            if (first || sinceYield.elapsed() >= options.yieldIntervalMs) {
                first = false;
                report();
                observer.yield();
                cancelled = observer.isCancelled();
                sinceYield.restart();
            }
            const std::int32_t source = scan->position();
            scan->step(cancelled, found);
            if (!found.empty()) {
                ids.clear();
                for (const std::int32_t index : found)
                    ids.push_back(rows[std::size_t(index)].id);
                run.set.Add(QList<std::int32_t>(ids.begin(), ids.end()),
                    rows[std::size_t(source)].id, 0, QString());
                pending.insert(pending.end(), ids.begin(), ids.end());
            }
            if (cancelled) {
                run.result.outcome = RunOutcome::Cancelled;
                break;
            }
            if (sinceWrite.elapsed() >= options.flagWriteIntervalMs) {
                flushFlags(db, pending);
                sinceWrite.restart();
            }
        }
        flushFlags(db, pending);
    } catch (...) {
        // Flags of the groups already in the set still go to the database.
        try {
            flushFlags(db, pending);
        } catch (...) {
        }
        run.result.done = scan->done();
        throw;
    }
    run.result.done = scan->done();
    report();
}

}  // namespace

NarrationResult NarrateDatabaseRun(
    CDuplicates &set, const NarrationOptions &options, NarrationObserver *observerArgument)
{
    NarrationObserver quiet;
    NarrationObserver &observer = observerArgument ? *observerArgument : quiet;
    NarrationResult result;
    QElapsedTimer clock;
    try {
        observer.label(QStringLiteral("done"), QStringLiteral("0"));
        observer.label(QStringLiteral("dups"), QStringLiteral("0"));
        observer.label(QStringLiteral("total"), QStringLiteral("0"));
        observer.status(Text(747));
        observer.yield();
        set.Clear();
        clearProcessedFlags();
        Database &db = OpenDb();
        // An empty clause would select every record of every collection.
        if (options.selection.trimmed().isEmpty())
            throw VexaError(ErrInvalidProcedureCall, QStringLiteral("No directories selected."));
        {
            RecordSet count(
                db, NarrationCountSql(options.selection), RecordSetType::Snapshot, kReadOnlyOption);
            result.total = count.eof() ? 0 : int32Of(count.value(0));
        }
        clock.start();
        QDir::setCurrent(ProgramDirectory());
        RunContext run { set, options, observer, result, clock };
        if (options.scan == NarrationScanKind::Reference)
            runReference(run, db);
        else
            runFast(run, db);
        observer.progressEnded();
    } catch (const std::exception &e) {
        ReportException(e, kModule, kProcedure);
        result.outcome = RunOutcome::Failed;
    }
    result.groups = set.Count();
    result.elapsedMs = clock.isValid() ? clock.elapsed() : 0;
    return result;
}

}  // namespace vexa

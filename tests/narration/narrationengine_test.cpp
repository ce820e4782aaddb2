// The database narration on a real database, with both scans: the greedy
// semantics, the quick checks, cancel in every phase, the failure, and the
// selection loaded from the database with its Nulls and flags.
#include "narrationfixture.h"

#include "base/errors.h"
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/selectionsql.h"
#include "db/sqlite.h"
#include "narration/duplicateset.h"
#include "narration/narrationengine.h"
#include "narration/narrationsettings.h"
#include "signature/signaturelib.h"
#include "support/qtprinters.h"
#include "support/recordingobserver.h"
#include "support/scriptedmessages.h"
#include "support/tempdatadir.h"

#include <QDir>
#include <QHash>
#include <QSet>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <random>
#include <thread>

using namespace vexa;

namespace {

const NarrationScanKind kScans[] = { NarrationScanKind::Reference, NarrationScanKind::Fast };

const char *nameOf(NarrationScanKind scan)
{
    return scan == NarrationScanKind::Reference ? "reference" : "fast";
}

using Groups = QList<std::pair<std::int32_t, QList<std::int32_t>>>;

Groups groupsOf(const CDuplicates &set)
{
    Groups groups;
    for (const CDuplicate &group : set)
        groups.append({ group.lSource(), group.lFileID() });
    return groups;
}

struct Narrated {
    RunResult result;
    NarrationCounters counters;
    Groups groups;
    QList<std::pair<std::int32_t, bool>> flags;
};

Narrated narrate(const QString &selection, int method, int slider, NarrationScanKind scan,
    test::RecordingObserver *observer = nullptr, int reportIntervalMs = kReportIntervalMs)
{
    CDuplicates set;
    NarrationOptions options;
    options.method = method;
    options.toleranceLevel = ToleranceLevel(slider);
    options.selection = selection;
    options.scan = scan;
    options.reportIntervalMs = reportIntervalMs;
    NarrationEngine engine(set, options);
    test::RecordingObserver quiet;
    test::RecordingObserver &watching = observer ? *observer : quiet;
    Narrated run;
    run.result = engine.run(watching);
    EXPECT_EQ(watching.startedCount, 1);
    EXPECT_EQ(watching.finishedCount, 1);
    EXPECT_FALSE(watching.outOfOrder);
    run.counters = engine.counters();
    run.groups = groupsOf(set);
    run.flags = test::ProcessedFlags();
    return run;
}

class NarrationEngineTest : public ::testing::Test {
protected:
    test::TempDataDir m_dir;
    test::NarrationRows m_rows;
};

TEST_F(NarrationEngineTest, EmptySelectionCompletesWithZeroFigures)
{
    for (const NarrationScanKind scan : kScans) {
        test::RecordingObserver observer;
        const Narrated run = narrate(m_rows.selection(), 2, 12, scan, &observer);
        EXPECT_EQ(run.result.outcome, RunOutcome::Completed) << nameOf(scan);
        EXPECT_EQ(run.counters.total, 0) << nameOf(scan);
        EXPECT_TRUE(run.groups.isEmpty()) << nameOf(scan);
        EXPECT_EQ(observer.first.status, Text(747)) << nameOf(scan);
        EXPECT_EQ(observer.first.total, 0) << "no progress bar for an empty selection";
        EXPECT_EQ(observer.last.total, 0);
        EXPECT_EQ(observer.last.done, 0);
        EXPECT_EQ(observer.last.found, 0);
        EXPECT_TRUE(observer.last.status.isEmpty());
    }
}

// Rows of other directories and collections stay out of the run.
TEST_F(NarrationEngineTest, GreedyGroupsAndFlags)
{
    struct Row {
        const char *name;
        std::vector<NarrationRecord> records;
        int method;
        int slider;
        Groups expected;  // by position 1.. of the rows added
        QList<bool> processed;
    };
    const int q = QuadChannelTolerance(ToleranceLevel(12));
    const std::uint64_t pattern = 0x00FF00FF00FF00FFull;
    const Row rows[] = {
        { "three mutual matches form one group",
            { test::MakeRecord(50, 60, 70, pattern), test::MakeRecord(50, 60, 70, pattern),
                test::MakeRecord(50, 60, 70, pattern) },
            2, 12, { { 1, { 2, 3 } } }, { false, true, true } },
        { "A-C and B-C leave B without a group",
            { test::MakeRecord(100, 100, 100, 0, 0), test::MakeRecord(100, 100, 100, 0, 2 * q),
                test::MakeRecord(100, 100, 100, 0, q) },
            1, 12, { { 1, { 3 } } }, { false, false, true } },
        { "a Bitmap candidate whose quadrants differ is no match",
            { test::MakeRecord(100, 100, 100, pattern, 0),
                test::MakeRecord(100, 100, 100, pattern, q + 1) },
            2, 12, {}, { false, false } },
        { "the quadrants alone match by Quadruple RGB",
            { test::MakeRecord(100, 100, 100, pattern, 0),
                test::MakeRecord(100, 100, 100, ~pattern, q) },
            1, 12, { { 1, { 2 } } }, { false, true } },
    };
    for (const Row &row : rows) {
        test::TempDataDir dir;
        test::NarrationRows added(3, 5);
        test::NarrationRows other(3, 6);
        test::NarrationRows otherCollection(4, 5);
        QList<std::int32_t> ids;
        for (const NarrationRecord &r : row.records) {
            ids.append(added.add(r));
            other.add(r);
            otherCollection.add(r);
        }
        for (const NarrationScanKind scan : kScans) {
            const Narrated run = narrate(added.selection(), row.method, row.slider, scan);
            Groups expected;
            for (const auto &group : row.expected) {
                QList<std::int32_t> dups;
                for (const std::int32_t position : group.second)
                    dups.append(ids[position - 1]);
                expected.append({ ids[group.first - 1], dups });
            }
            EXPECT_EQ(run.groups, expected) << row.name << " / " << nameOf(scan);
            for (qsizetype i = 0; i < ids.size(); ++i) {
                const auto flag = std::find_if(run.flags.begin(), run.flags.end(),
                    [&](const auto &f) { return f.first == ids[i]; });
                ASSERT_NE(flag, run.flags.end());
                EXPECT_EQ(flag->second, row.processed[i])
                    << row.name << " / " << nameOf(scan) << " row " << i + 1;
            }
        }
    }
}

TEST_F(NarrationEngineTest, SixtySixthMatchIsLeftForALaterGroup)
{
    for (int i = 0; i < 70; ++i)
        m_rows.add(test::MakeRecord(30, 30, 30));
    for (const NarrationScanKind scan : kScans) {
        const Narrated run = narrate(m_rows.selection(), 0, 4, scan);
        ASSERT_EQ(run.groups.size(), 2) << nameOf(scan);
        EXPECT_EQ(run.groups[0].first, 1);
        EXPECT_EQ(run.groups[0].second.size(), 65);
        EXPECT_EQ(run.groups[0].second.first(), 2);
        EXPECT_EQ(run.groups[0].second.last(), 66);
        EXPECT_EQ(
            run.groups[1], (std::pair<std::int32_t, QList<std::int32_t>>(67, { 68, 69, 70 })));
        EXPECT_EQ(run.counters.done, 70) << nameOf(scan);
    }
}

// Level 5 passes 2 to CompareAvgRGB and level 7 passes 4: a difference one
// past the threshold of 2 (or 4) does not match.
TEST_F(NarrationEngineTest, AverageRgbGetsHalfTheTolerance)
{
    struct Row {
        int slider;
        int passed;
    };
    for (const Row row : { Row { 10, 2 }, Row { 14, 4 } }) {
        ASSERT_EQ(AverageTolerance(ToleranceLevel(row.slider)), row.passed);
        const int limit = AvgChannelTolerance(row.passed);
        ASSERT_GT(AvgChannelTolerance(row.passed + 1), limit) << "thresholds must rise";
        for (const int difference : { limit, limit + 1 }) {
            test::TempDataDir dir;
            test::NarrationRows rows;
            rows.add(test::MakeRecord(100, 100, 100));
            rows.add(test::MakeRecord(100 + difference, 100, 100));
            for (const NarrationScanKind scan : kScans) {
                const Narrated run = narrate(rows.selection(), 0, row.slider, scan);
                EXPECT_EQ(run.groups.size(), difference == limit ? 1 : 0)
                    << "slider " << row.slider << " difference " << difference << " "
                    << nameOf(scan);
            }
        }
    }
}

TEST_F(NarrationEngineTest, QuickChecksGroupEqualValues)
{
    struct Row {
        const char *name;
        int method;
        Groups expected;
    };
    // sizes 1000 1000 2000 1000 2000 3000; dimensions a a b b a a
    const std::int64_t sizes[] = { 1000, 1000, 2000, 1000, 2000, 3000 };
    const int widths[] = { 640, 640, 800, 800, 640, 640 };
    for (int i = 0; i < 6; ++i)
        m_rows.add(
            test::MakeRecord(i * 40, 0, 0, std::uint64_t(i) << 40, 0, sizes[i], widths[i], 480));
    const Row rows[] = {
        { "Filesize", 3, { { 1, { 2, 4 } }, { 3, { 5 } } } },
        { "Dimensions", 4, { { 1, { 2, 5, 6 } }, { 3, { 4 } } } },
        { "Filesize & dimensions", 5, { { 1, { 2 } } } },
    };
    for (const Row &row : rows) {
        for (const NarrationScanKind scan : kScans) {
            const Narrated run = narrate(m_rows.selection(), row.method, 0, scan);
            EXPECT_EQ(run.groups, row.expected) << row.name << " / " << nameOf(scan);
        }
    }
}

// More equal sizes than one statement can mark: every one is grouped with
// the first and marked, and none becomes a source of its own.
TEST_F(NarrationEngineTest, QuickCheckFamilyLargerThanOneStatement)
{
    std::vector<NarrationRecord> records(1200, test::MakeRecord(1, 2, 3, 0, 0, 4096));
    m_rows.addAll(records);
    for (const NarrationScanKind scan : kScans) {
        const Narrated run = narrate(m_rows.selection(), 3, 0, scan);
        ASSERT_EQ(run.groups.size(), 1) << nameOf(scan);
        EXPECT_EQ(run.groups[0].second.size(), 1199);
        int processed = 0;
        for (const auto &flag : run.flags)
            processed += flag.second ? 1 : 0;
        EXPECT_EQ(processed, 1199) << nameOf(scan);
    }
}

TEST_F(NarrationEngineTest, CancelKeepsTheGroupsFoundSoFar)
{
    for (int i = 0; i < 40; ++i) {
        m_rows.add(test::MakeRecord(10 + 5 * i, 0, 0));
        m_rows.add(test::MakeRecord(10 + 5 * i, 0, 0));
    }
    Narrated runs[2];
    for (int k = 0; k < 2; ++k) {
        test::RecordingObserver observer;
        // Clicked while the third group is shown; the next source is
        // searched up to its first candidate.
        observer.cancelWhen = [](const RunProgress &p) { return p.found >= 3; };
        runs[k] = narrate(m_rows.selection(), 0, 0, kScans[k], &observer, 0);
        EXPECT_EQ(runs[k].result.outcome, RunOutcome::Cancelled) << nameOf(kScans[k]);
        EXPECT_EQ(observer.result.outcome, RunOutcome::Cancelled);
        EXPECT_EQ(runs[k].groups.size(), 4) << nameOf(kScans[k]);
        EXPECT_EQ(runs[k].groups.size(), runs[k].counters.groups);
        EXPECT_EQ(observer.last.found, 4);
    }
    EXPECT_EQ(runs[0].groups, runs[1].groups);
    EXPECT_EQ(runs[0].flags, runs[1].flags);
}

// Cancel while the selection is loaded stops the run before any source is
// searched and leaves every flag as it was: a large selection takes a
// moment to load. With no interval, the loading reports every 4096 rows of
// the lower half (the upper is read alongside) and the loaded total comes
// next.
TEST_F(NarrationEngineTest, CancelWhileLoadingEndsBeforeTheFirstSource)
{
    std::vector<NarrationRecord> records(9000, test::MakeRecord(7, 7, 7));
    for (std::size_t i = 0; i < records.size(); i += 3)
        records[i].processed = true;
    m_rows.addAll(records);
    const auto before = test::ProcessedFlags();
    struct Row {
        const char *name;
        int report;
        int total;  // shown in the last report
    };
    for (const Row row : { Row { "as the loading starts", 1, 0 }, Row { "in the loading", 2, 0 },
             Row { "once loaded", 3, 9000 } }) {
        test::RecordingObserver observer;
        observer.cancelAtReport = row.report;
        const Narrated run
            = narrate(m_rows.selection(), 0, 12, NarrationScanKind::Fast, &observer, 0);
        EXPECT_EQ(run.result.outcome, RunOutcome::Cancelled) << row.name;
        EXPECT_TRUE(run.groups.isEmpty()) << row.name;
        EXPECT_EQ(run.counters.done, 0) << row.name;
        EXPECT_EQ(observer.reports.size(), row.report) << row.name;
        EXPECT_EQ(observer.reports.last().total, row.total) << row.name;
        EXPECT_EQ(run.flags, before) << row.name << ": the flags are left as they were";
    }
    // Without Cancel the same selection forms its groups.
    EXPECT_GT(narrate(m_rows.selection(), 0, 12, NarrationScanKind::Fast).groups.size(), 100);
}

// However the flags stood before (clear, all set, a stray value, the flags
// of the same narration, of another one), a run leaves every row of the
// table exactly FALSE or TRUE, TRUE for the duplicates it found and for
// nothing else, in other directories neither; a cancelled run for the
// duplicates of the groups it kept. A signature method writes the rows its
// scan has passed while it goes on (the scan is slowed here so the writing
// really interleaves with it); a quick check writes them at the end.
TEST_F(NarrationEngineTest, FlagsEndAsClearingThenMarkingLeavesThem)
{
    std::mt19937 random(7);
    std::vector<NarrationRecord> records = test::RandomRecords(random, 300, false);
    for (std::size_t i = 0; i < records.size(); ++i) {
        records[i].fileSize = 100000 + std::int64_t(i / 2);  // pairs for the quick check
        records[i].sizeNull = false;
    }
    m_rows.addAll(records);
    test::NarrationRows other(3, 6);
    other.addAll(records);
    struct Row {
        const char *name;
        const char *before;  // SQL that sets the flags first; empty: as the last run left them
        bool cancel;
    };
    const Row rows[] = {
        { "all clear", "UPDATE FileData SET Processed = 0", false },
        { "all set", "UPDATE FileData SET Processed = 1", false },
        { "a stray value", "UPDATE FileData SET Processed = 2 WHERE ID % 2 = 0", false },
        { "the same narration's", "", false },
        { "another narration's", "UPDATE FileData SET Processed = (ID % 5 = 1)", false },
        { "cancelled after some groups", "UPDATE FileData SET Processed = 1", true },
    };
    // Counts every write of a flag, from any connection.
    AppDb().db->Execute(QStringLiteral("CREATE TABLE FlagWrites (N INTEGER)"));
    AppDb().db->Execute(QStringLiteral("INSERT INTO FlagWrites VALUES (0)"));
    AppDb().db->Execute(QStringLiteral("CREATE TRIGGER CountFlagWrites AFTER UPDATE OF Processed "
                                       "ON FileData BEGIN UPDATE FlagWrites SET N = N + 1; END"));
    const auto storedFlags = [] {
        QHash<std::int32_t, QVariant> flags;
        Statement rows(AppDb().db->connection().handle(),
            QStringLiteral("SELECT ID, Processed FROM FileData"));
        while (rows.step())
            flags.insert(std::int32_t(rows.columnInt64(0)), rows.column(1));
        return flags;
    };
    const auto flagWrites = [] {
        return AppDb().db->connection().scalar(QStringLiteral("SELECT N FROM FlagWrites")).toInt();
    };
    for (const int method : { 2, 3 }) {
        for (const Row &row : rows) {
            if (*row.before)
                AppDb().db->Execute(QString::fromLatin1(row.before));
            const QHash<std::int32_t, QVariant> before = storedFlags();
            const int writesBefore = flagWrites();
            test::RecordingObserver observer;
            observer.cancelWhen = [&row](const RunProgress &p) {
                std::this_thread::sleep_for(std::chrono::microseconds(300));
                return row.cancel && p.found >= 5;
            };
            const Narrated run
                = narrate(m_rows.selection(), method, 12, NarrationScanKind::Fast, &observer, 0);
            ASSERT_GE(run.groups.size(), 5) << row.name << " method " << method;
            QSet<std::int32_t> found;
            for (const auto &group : run.groups)
                found.unite(QSet<std::int32_t>(group.second.begin(), group.second.end()));
            for (const auto &[id, processed] : run.flags)
                ASSERT_EQ(processed, found.contains(id))
                    << row.name << " method " << method << " id " << id;
            EXPECT_EQ(AppDb()
                          .db->connection()
                          .scalar(QStringLiteral(
                              "SELECT count(*) FROM FileData WHERE Processed NOT IN (0, 1)"))
                          .toLongLong(),
                0)
                << row.name << " method " << method;
            // Only the rows whose stored value changes are written, once.
            const QHash<std::int32_t, QVariant> after = storedFlags();
            int changed = 0;
            for (auto it = after.cbegin(); it != after.cend(); ++it) {
                const QVariant was = before.value(it.key());
                changed += was.typeId() != it.value().typeId() || was != it.value() ? 1 : 0;
            }
            EXPECT_EQ(flagWrites() - writesBefore, changed) << row.name << " method " << method;
        }
    }
}

// A run inside a transaction of the caller's writes its flags on its own
// connection at the end (a second one would wait on that transaction), and
// they are there once the caller commits.
TEST_F(NarrationEngineTest, FlagsInsideTheCallersTransaction)
{
    std::vector<NarrationRecord> records;
    for (int i = 0; i < 30; ++i) {
        records.push_back(test::MakeRecord(10 + 5 * i, 0, 0));
        records.push_back(test::MakeRecord(10 + 5 * i, 0, 0));
    }
    m_rows.addAll(records);
    AppDb().db->Execute(QStringLiteral("UPDATE FileData SET Processed = (ID % 3 = 0)"));
    AppDb().db->BeginTransaction();
    const Narrated run = narrate(m_rows.selection(), 0, 0, NarrationScanKind::Fast);
    AppDb().db->CommitTransaction();
    ASSERT_EQ(run.groups.size(), 30);
    const auto flags = test::ProcessedFlags();
    ASSERT_EQ(flags.size(), 60);
    for (const auto &[id, processed] : flags)
        EXPECT_EQ(processed, id % 2 == 0) << "id " << id;
}

// Cancel during a long statement (a large table read) interrupts it: SQLite
// asks the run between steps, and the flags stay as they were.
TEST_F(NarrationEngineTest, CancelDuringAStatementIsACancelNotAFailure)
{
    std::vector<NarrationRecord> records(20000, test::MakeRecord(7, 7, 7));
    m_rows.addAll(records);
    AppDb().db->Execute(QStringLiteral("UPDATE FILEDATA SET PROCESSED=TRUE"));
    test::ScriptedMessages messages;
    test::RecordingObserver observer;
    observer.cancelled = true;
    const Narrated run = narrate(m_rows.selection(), 0, 12, NarrationScanKind::Fast, &observer, 0);
    EXPECT_EQ(run.result.outcome, RunOutcome::Cancelled);
    EXPECT_EQ(messages.count(), 0) << "an interrupted statement is not an error to report";
    EXPECT_TRUE(run.groups.isEmpty());
    ASSERT_EQ(run.flags.size(), 20000);
    EXPECT_TRUE(std::all_of(run.flags.begin(), run.flags.end(), [](const auto &f) {
        return f.second;
    })) << "the flags are left as they were";
}

TEST_F(NarrationEngineTest, NoDirectoryTickedFailsWithItsReason)
{
    m_rows.add(test::MakeRecord(1, 1, 1));
    const QString selection = BuildSelectionSql({ { DirectoryKey(5), false } }, 3);
    ASSERT_TRUE(selection.endsWith(QStringLiteral("AND ()")));
    for (const NarrationScanKind scan : kScans) {
        test::ScriptedMessages messages;
        test::RecordingObserver observer;
        const Narrated run = narrate(selection, 2, 12, scan, &observer);
        EXPECT_EQ(run.result.outcome, RunOutcome::Failed) << nameOf(scan);
        EXPECT_NE(run.result.errorNumber, 0) << "a failure the window must report";
        EXPECT_FALSE(run.result.error.isEmpty());
        EXPECT_EQ(observer.result.outcome, RunOutcome::Failed);
        EXPECT_EQ(messages.count(), 0) << "the front end reports it, as frmVEXA - mnuNarration";
    }
}

// The new run replaces the previous result and clears every flag first.
TEST_F(NarrationEngineTest, RunStartsFromAnEmptySetAndClearedFlags)
{
    m_rows.add(test::MakeRecord(5, 5, 5));
    m_rows.add(test::MakeRecord(5, 5, 5));
    AppDb().db->Execute(QStringLiteral("UPDATE FILEDATA SET PROCESSED=TRUE"));
    CDuplicates set;
    set.Add({ 99 }, 98, 0, QString());
    NarrationOptions options;
    options.selection = m_rows.selection();
    NarrationEngine engine(set, options);
    RunObserver quiet;
    const QString directory = QDir::currentPath();
    EXPECT_EQ(engine.run(quiet).outcome, RunOutcome::Completed);
    EXPECT_EQ(QDir::currentPath(), directory) << "the process's working directory is left alone";
    EXPECT_EQ(engine.counters().groups, 1);
    ASSERT_EQ(set.Count(), 1);
    EXPECT_EQ(set.Item(1).lSource(), 1);
    EXPECT_EQ(set.Item(1).lFileID(), QList<std::int32_t>({ 2 }));
}

// The selection read from the database (Nulls, stale flags cleared, other
// directories left out) gives the groups and flags the scan gives on the
// same records in memory; the scans' equality is the scan tests' job.
TEST_F(NarrationEngineTest, LoadedSelectionNarratesAsTheRecordsInMemory)
{
    std::mt19937 random(99);
    for (int set = 0; set < 4; ++set) {
        test::TempDataDir dir;
        test::NarrationRows rows;
        test::NarrationRows other(3, 6);
        const int size = 40 + int(random() % 80);
        std::vector<NarrationRecord> records = test::RandomRecords(random, size, true);
        rows.addAll(records);
        other.addAll(records);
        for (NarrationRecord &r : records)
            r.processed = false;  // the run clears every flag first
        for (int method = 0; method < kMethodCount; ++method) {
            const int slider = IsSignatureMethod(method) ? 12 : 0;
            const std::string row
                = "set " + std::to_string(set) + " method " + std::to_string(method);
            const Narrated run = narrate(rows.selection(), method, slider, NarrationScanKind::Fast);
            auto scan = MakeReferenceScan(records, method, ToleranceLevel(slider));
            Groups expected;
            std::vector<std::int32_t> found;
            while (!scan->finished()) {
                const std::int32_t source = scan->position();
                scan->step(false, found);
                if (found.empty())
                    continue;
                QList<std::int32_t> ids;
                for (const std::int32_t index : found)
                    ids.append(index + 1);  // rows got IDs 1.. in order
                expected.append({ source + 1, ids });
            }
            ASSERT_EQ(run.groups, expected) << row;
            for (const auto &[id, processed] : run.flags) {
                const bool inMemory = id <= size && scan->isProcessed(id - 1);
                ASSERT_EQ(processed, inMemory) << row << " id " << id;
            }
        }
    }
}

}  // namespace

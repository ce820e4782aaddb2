// The database narration on a real database, with both scans: the greedy
// semantics, the quick checks, cancel, the failure report, and the fast scan
// against the record-set walk on random sets.
#include "narrationfixture.h"

#include "db/appdatabase.h"
#include "db/selectionsql.h"
#include "narration/duplicateset.h"
#include "narration/narrationengine.h"
#include "narration/narrationsettings.h"
#include "signature/signaturelib.h"
#include "support/qtprinters.h"
#include "support/scriptedmessages.h"
#include "support/tempdatadir.h"

#include <gtest/gtest.h>

#include <random>

using namespace vexa;

namespace {

const NarrationScanKind kScans[] = { NarrationScanKind::Reference, NarrationScanKind::Fast };

const char *nameOf(NarrationScanKind scan)
{
    return scan == NarrationScanKind::Reference ? "reference" : "fast";
}

class RecordingObserver : public NarrationObserver {
public:
    void label(const QString &what, const QString &text) override { labels[what] = text; }
    void yield() override
    {
        ++yields;
        if (cancelAtYield > 0 && yields >= cancelAtYield)
            cancelled = true;
    }
    bool isCancelled() const override { return cancelled; }
    void progressStarted(qint64 total) override { started = total; }
    void progressEnded() override { ++ended; }

    QHash<QString, QString> labels;
    int yields = 0;
    int cancelAtYield = 0;
    bool cancelled = false;
    qint64 started = -1;
    int ended = 0;
};

using Groups = QList<std::pair<std::int32_t, QList<std::int32_t>>>;

Groups groupsOf(const CDuplicates &set)
{
    Groups groups;
    for (const CDuplicate &group : set)
        groups.append({ group.lSource(), group.lFileID() });
    return groups;
}

struct Narrated {
    NarrationResult result;
    Groups groups;
    QList<std::pair<std::int32_t, bool>> flags;
};

Narrated narrate(const QString &selection, int method, int slider, NarrationScanKind scan,
    RecordingObserver *observer = nullptr, int yieldIntervalMs = 50)
{
    CDuplicates set;
    NarrationOptions options;
    options.method = method;
    options.toleranceLevel = ToleranceLevel(slider);
    options.selection = selection;
    options.scan = scan;
    options.yieldIntervalMs = yieldIntervalMs;
    Narrated run;
    run.result = NarrateDatabaseRun(set, options, observer);
    run.groups = groupsOf(set);
    run.flags = test::ProcessedFlags();
    return run;
}

class NarrationEngineTest : public ::testing::Test {
protected:
    test::TempDataDir m_dir;
    test::NarrationRows m_rows;
};

TEST_F(NarrationEngineTest, EmptySelectionCompletesWithZeroLabels)
{
    for (const NarrationScanKind scan : kScans) {
        RecordingObserver observer;
        const Narrated run = narrate(m_rows.selection(), 2, 12, scan, &observer);
        EXPECT_EQ(run.result.outcome, RunOutcome::Completed) << nameOf(scan);
        EXPECT_EQ(run.result.total, 0) << nameOf(scan);
        EXPECT_TRUE(run.groups.isEmpty()) << nameOf(scan);
        EXPECT_EQ(observer.labels.value(QStringLiteral("total")), QStringLiteral("0"));
        EXPECT_EQ(observer.labels.value(QStringLiteral("done")), QStringLiteral("0"));
        EXPECT_EQ(observer.labels.value(QStringLiteral("dups")), QStringLiteral("0"));
        EXPECT_EQ(observer.started, -1) << "no progress bar for an empty selection";
        EXPECT_EQ(observer.ended, 1) << nameOf(scan);
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
        EXPECT_EQ(run.result.done, 70) << nameOf(scan);
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
        RecordingObserver observer;
        observer.cancelAtYield = 5;  // the first yield comes before the count
        runs[k] = narrate(m_rows.selection(), 0, 0, kScans[k], &observer, 0);
        EXPECT_EQ(runs[k].result.outcome, RunOutcome::Cancelled) << nameOf(kScans[k]);
        EXPECT_GE(runs[k].groups.size(), 3);
        EXPECT_LT(runs[k].groups.size(), 40);
        EXPECT_EQ(runs[k].groups.size(), runs[k].result.groups);
    }
    EXPECT_EQ(runs[0].groups, runs[1].groups);
    EXPECT_EQ(runs[0].flags, runs[1].flags);
}

TEST_F(NarrationEngineTest, NoDirectoryTickedReportsMnuNarration)
{
    m_rows.add(test::MakeRecord(1, 1, 1));
    const QString selection = BuildSelectionSql({ { DirectoryKey(5), false } }, 3);
    ASSERT_TRUE(selection.endsWith(QStringLiteral("AND ()")));
    for (const NarrationScanKind scan : kScans) {
        test::ScriptedMessages messages;
        const Narrated run = narrate(selection, 2, 12, scan);
        EXPECT_EQ(run.result.outcome, RunOutcome::Failed) << nameOf(scan);
        ASSERT_EQ(messages.count(), 1) << nameOf(scan);
        EXPECT_TRUE(messages.last().text.contains(QStringLiteral("frmVEXA - mnuNarration")))
            << messages.last().text;
        EXPECT_EQ(messages.last().icon, MsgIcon::Critical);
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
    const NarrationResult result = NarrateDatabaseRun(set, options);
    EXPECT_EQ(result.groups, 1);
    ASSERT_EQ(set.Count(), 1);
    EXPECT_EQ(set.Item(1).lSource(), 1);
    EXPECT_EQ(set.Item(1).lFileID(), QList<std::int32_t>({ 2 }));
}

TEST_F(NarrationEngineTest, FastEqualsReferenceOnRandomDatabases)
{
    std::mt19937 random(99);
    for (int set = 0; set < 8; ++set) {
        test::TempDataDir dir;
        test::NarrationRows rows;
        const int size = 20 + int(random() % 100);
        std::vector<NarrationRecord> records = test::RandomRecords(random, size, false);
        rows.addAll(records);
        for (int method = 0; method < kMethodCount; ++method) {
            for (const int slider : { 0, 5, 12, 24 }) {
                if (!IsSignatureMethod(method) && slider > 0)
                    break;
                const Narrated reference
                    = narrate(rows.selection(), method, slider, NarrationScanKind::Reference);
                const Narrated fast
                    = narrate(rows.selection(), method, slider, NarrationScanKind::Fast);
                ASSERT_EQ(reference.groups, fast.groups)
                    << "set " << set << " method " << method << " slider " << slider;
                ASSERT_EQ(reference.flags, fast.flags)
                    << "set " << set << " method " << method << " slider " << slider;
                ASSERT_EQ(reference.result.done, fast.result.done);
            }
        }
    }
}

}  // namespace

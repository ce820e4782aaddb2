// Pairs remembered as "not a duplicate": the table on a real database (kept
// across a reopen, gone with either record), both scans of every method
// equal with remembered pairs and never grouping one, a record left out free
// for a later source, and the memory narration honouring the pairs of a
// loose file that is also a record.
#include "narrationfixture.h"

#include "base/errors.h"
#include "db/appdatabase.h"
#include "db/lifecycle.h"
#include "db/notduplicates.h"
#include "db/records.h"
#include "gather/memorysignatures.h"
#include "narration/duplicateset.h"
#include "narration/memorynarration.h"
#include "narration/narrationengine.h"
#include "narration/narrationsettings.h"
#include "signature/signaturelib.h"
#include "support/qtprinters.h"
#include "support/recordingobserver.h"
#include "support/tempdatadir.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace vexa;

namespace {

using Groups = QList<std::pair<std::int32_t, QList<std::int32_t>>>;

Groups narrate(const QString &selection, int method, int slider, NarrationScanKind scan)
{
    CDuplicates set;
    NarrationOptions options;
    options.method = method;
    options.toleranceLevel = ToleranceLevel(slider);
    options.selection = selection;
    options.scan = scan;
    NarrationEngine engine(set, options);
    test::RecordingObserver observer;
    EXPECT_EQ(engine.run(observer).outcome, RunOutcome::Completed);
    Groups groups;
    for (const CDuplicate &group : set)
        groups.append({ group.lSource(), group.lFileID() });
    return groups;
}

struct ScanOutcome {
    std::vector<std::pair<std::int32_t, std::vector<std::int32_t>>> groups;
    std::vector<bool> processed;
};

ScanOutcome runScan(NarrationScan &scan, const NotDuplicateSet *pairs)
{
    scan.setNotDuplicates(pairs);
    ScanOutcome outcome;
    std::vector<std::int32_t> found;
    while (!scan.finished()) {
        const std::int32_t source = scan.position();
        scan.step(false, found);
        if (!found.empty())
            outcome.groups.emplace_back(source, found);
    }
    for (std::int32_t i = 0; i < scan.count(); ++i)
        outcome.processed.push_back(scan.isProcessed(i));
    return outcome;
}

}  // namespace

TEST(NotDuplicatePairs, RememberedInEitherOrderKeptAcrossAReopenAndGoneWithARecord)
{
    test::TempDataDir dir;
    test::NarrationRows rows;
    const NarrationRecord photo = test::MakeRecord(10, 20, 30);
    const std::int32_t a = rows.add(photo);
    const std::int32_t b = rows.add(photo);
    const std::int32_t c = rows.add(photo);
    Database &db = *AppDb().db;
    EXPECT_TRUE(RememberNotDuplicate(db, b, a));
    EXPECT_FALSE(RememberNotDuplicate(db, a, b)) << "the same pair, the other way round";
    EXPECT_TRUE(RememberNotDuplicate(db, a, c));
    EXPECT_THROW(RememberNotDuplicate(db, a, a), VexaError);
    EXPECT_THROW(RememberNotDuplicate(db, a, c + 100), VexaError) << "no such record";

    CloseApplicationDatabase();
    ASSERT_TRUE(OpenApplicationDatabase());
    const QList<NotDuplicatePair> kept = NotDuplicatePairs(*AppDb().db);
    ASSERT_EQ(kept.size(), 2);
    EXPECT_EQ(kept[0].first, a);
    EXPECT_EQ(kept[0].second, b);
    EXPECT_TRUE(LoadNotDuplicateSet(*AppDb().db).contains(c, a));

    // Whatever statement deletes a record takes its pairs along.
    ASSERT_TRUE(DeleteFileDataRecord(c));
    const QList<NotDuplicatePair> left = NotDuplicatePairs(*AppDb().db);
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(left[0].second, b);
    EXPECT_TRUE(ForgetNotDuplicate(*AppDb().db, b, a));
    EXPECT_FALSE(ForgetNotDuplicate(*AppDb().db, b, a));
    EXPECT_TRUE(NotDuplicatePairs(*AppDb().db).isEmpty());
}

TEST(NotDuplicatePairs, OlderDatabaseGainsTheTableOnOpen)
{
    test::TempDataDir dir;
    AppDb().db->connection().exec(
        QStringLiteral("DROP TRIGGER NotDuplicatePairDelete; DROP TABLE NotDuplicatePair"));
    EXPECT_TRUE(NotDuplicatePairs(*AppDb().db).isEmpty()) << "no table reads as no pairs";
    CloseApplicationDatabase();
    ASSERT_TRUE(OpenApplicationDatabase());
    test::NarrationRows rows;
    const std::int32_t a = rows.add(test::MakeRecord(1, 2, 3));
    const std::int32_t b = rows.add(test::MakeRecord(1, 2, 3));
    EXPECT_TRUE(RememberNotDuplicate(*AppDb().db, a, b));
}

// Both scans of every method: a remembered pair is never one group's source
// and member, and the scans still agree on groups, order and flags.
TEST(NotDuplicateScan, FastEqualsReferenceWithRememberedPairs)
{
    std::mt19937 random(2026120720);
    int removed = 0;
    for (int set = 0; set < 120; ++set) {
        std::vector<NarrationRecord> records
            = test::RandomRecords(random, 20 + int(random() % 200), set % 4 == 0);
        for (std::size_t i = 0; i < records.size(); ++i)
            records[i].id = std::int32_t(i + 1);
        for (int method = 0; method < kMethodCount; ++method) {
            const int slider = IsSignatureMethod(method) ? int(random() % 25) : 0;
            const int level = ToleranceLevel(slider);
            const std::string row = "set " + std::to_string(set) + " method "
                + std::to_string(method) + " slider " + std::to_string(slider);
            // Remember about a third of the pairs the run would group.
            const ScanOutcome plain = runScan(*MakeReferenceScan(records, method, level), nullptr);
            NotDuplicateSet pairs;
            std::set<std::pair<std::int32_t, std::int32_t>> remembered;
            for (const auto &[source, members] : plain.groups) {
                for (const std::int32_t member : members) {
                    if (random() % 3 != 0)
                        continue;
                    const std::int32_t a = records[std::size_t(source)].id;
                    const std::int32_t b = records[std::size_t(member)].id;
                    pairs.insert(a, b);
                    remembered.insert({ std::min(a, b), std::max(a, b) });
                }
            }
            const ScanOutcome expected
                = runScan(*MakeReferenceScan(records, method, level), &pairs);
            const ScanOutcome listed
                = runScan(*MakeFastScan(records, method, level, true, 0), &pairs);
            ASSERT_EQ(expected.groups, listed.groups) << row << " listed ahead";
            const ScanOutcome actual = runScan(*MakeFastScan(records, method, level), &pairs);
            ASSERT_EQ(expected.groups, actual.groups) << row;
            ASSERT_EQ(expected.processed, actual.processed) << row;
            for (const auto &[source, members] : actual.groups) {
                for (const std::int32_t member : members) {
                    const std::int32_t a = records[std::size_t(source)].id;
                    const std::int32_t b = records[std::size_t(member)].id;
                    ASSERT_FALSE(remembered.count({ std::min(a, b), std::max(a, b) }))
                        << row << ": remembered pair " << a << "-" << b << " grouped";
                }
            }
            removed += int(remembered.size());
        }
    }
    EXPECT_GT(removed, 200) << "the random sets must give pairs to remember";
}

class NotDuplicateRun : public ::testing::Test {
protected:
    test::TempDataDir m_dir;
    test::NarrationRows m_rows;
};

// A ~ B and B ~ D, but not A ~ D (Quadruple RGB, quadrants q apart).
TEST_F(NotDuplicateRun, RecordLeftOutStaysFreeForALaterSourceInEveryScan)
{
    const int q = QuadChannelTolerance(ToleranceLevel(12));
    const std::int32_t a = m_rows.add(test::MakeRecord(100, 100, 100, 0, 0));
    const std::int32_t b = m_rows.add(test::MakeRecord(100, 100, 100, 0, q));
    const std::int32_t d = m_rows.add(test::MakeRecord(100, 100, 100, 0, 2 * q));
    for (const NarrationScanKind scan : { NarrationScanKind::Reference, NarrationScanKind::Fast }) {
        EXPECT_EQ(narrate(m_rows.selection(), 1, 12, scan), Groups({ { a, { b } } }));
    }
    ASSERT_TRUE(RememberNotDuplicate(*AppDb().db, a, b));
    for (const NarrationScanKind scan : { NarrationScanKind::Reference, NarrationScanKind::Fast }) {
        EXPECT_EQ(narrate(m_rows.selection(), 1, 12, scan), Groups({ { b, { d } } }))
            << "A's group is gone and B takes D";
    }
}

TEST_F(NotDuplicateRun, QuickChecksAndPerceptualLeaveThePairOut)
{
    NarrationRecord photo = test::MakeRecord(30, 60, 90, 0xF0F0F0F0F0F0F0F0ull);
    photo.perceptual = 0x0123456789ABCDEFull;
    photo.perceptualNull = false;
    const std::int32_t a = m_rows.add(photo);
    const std::int32_t b = m_rows.add(photo);
    const std::int32_t c = m_rows.add(photo);
    ASSERT_TRUE(RememberNotDuplicate(*AppDb().db, a, b));
    ASSERT_TRUE(RememberNotDuplicate(*AppDb().db, b, c));
    for (const NarrationScanKind scan : { NarrationScanKind::Reference, NarrationScanKind::Fast }) {
        for (const int method : { 3, 4, 5 }) {
            EXPECT_EQ(narrate(m_rows.selection(), method, 0, scan), Groups({ { a, { c } } }))
                << "method " << method << ": B stays out of both groups it was dismissed from";
        }
        EXPECT_EQ(narrate(m_rows.selection(), int(NarrationMethod::Perceptual), 12, scan),
            Groups({ { a, { c } } }));
    }
}

TEST_F(NotDuplicateRun, MemoryNarrationHonoursThePairsOfALooseFileThatIsARecord)
{
    QString directory = QStringLiteral("/pictures/holiday");
    const std::int64_t item = AddNewItemToCollection(3, directory);
    ASSERT_GT(item, 0);
    test::NarrationRows rows(3, item);
    const NarrationRecord photo = test::MakeRecord(40, 80, 120, 0x0123456789ABCDEFull);
    const std::int32_t self = rows.add(photo, QStringLiteral("beach.jpg"));
    const std::int32_t copy = rows.add(photo, QStringLiteral("beach copy.jpg"));
    const std::int32_t other = rows.add(photo, QStringLiteral("beach again.jpg"));
    ASSERT_TRUE(RememberNotDuplicate(*AppDb().db, self, copy));

    MemorySignatureList list;
    MemorySignatureEntry entry;
    entry.Path = directory;
    entry.FileName = QStringLiteral("beach.jpg");
    entry.FileSize = photo.fileSize;
    entry.DimX = std::int16_t(photo.dimX);
    entry.DimY = std::int16_t(photo.dimY);
    entry.AvgRGB = photo.avg;
    for (int i = 0; i < 4; ++i)
        entry.QuadRGB[i] = photo.quad[i];
    entry.Pattern1 = photo.pattern1;
    entry.Pattern2 = photo.pattern2;
    list.append(entry);
    MemorySignatureEntry stranger = entry;
    stranger.Path = QStringLiteral("/downloads");
    list.append(stranger);
    for (const NarrationScanKind scan : { NarrationScanKind::Reference, NarrationScanKind::Fast }) {
        for (const int method : { 2, 5 }) {
            CDuplicates set;
            MemoryNarrationOptions options;
            options.method = method;
            options.toleranceLevel = ToleranceLevel(12);
            options.scan = scan;
            MemoryNarrationEngine engine(*AppDb().db, set, list, options);
            test::RecordingObserver observer;
            ASSERT_EQ(engine.run(observer).outcome, RunOutcome::Completed);
            ASSERT_EQ(set.Count(), 2);
            EXPECT_EQ(set.Item(1).lFileID(), QList<std::int32_t>({ self, other }))
                << "the gathered file itself: its dismissed copy stays out; method " << method;
            EXPECT_EQ(set.Item(2).lFileID(), QList<std::int32_t>({ self, copy, other }))
                << "another file: nothing of the pair applies";
        }
    }
}

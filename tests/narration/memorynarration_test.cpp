// The memory narration: the fast search through the database narration's
// grid against the all-records reference on random and adversarial sets,
// and the run on a real database (both scans) with its rules: source -1,
// MemLoadPos, Processed rows skipped by the signature methods only, every
// collection searched, appending from a start index, labels and progress.
#include "narrationfixture.h"

#include "base/texts.h"
#include "db/appdatabase.h"
#include "gather/memorysignatures.h"
#include "narration/duplicateset.h"
#include "narration/memorynarration.h"
#include "narration/narrationscan.h"
#include "narration/narrationsettings.h"
#include "signature/perceptualhash.h"
#include "signature/signaturelib.h"
#include "support/qtprinters.h"
#include "support/recordingobserver.h"
#include "support/tempdatadir.h"

#include <gtest/gtest.h>

#include <random>

using namespace vexa;

namespace {

// An entry near a stored record (so matches at every level are common) or
// one of its own.
NarrationRecord entryNear(std::mt19937 &random, const std::vector<NarrationRecord> &records)
{
    if (records.empty() || random() % 4 == 0)
        return test::RandomRecords(random, 1, false).front();
    NarrationRecord e = records[random() % records.size()];
    e.id = -1;
    e.processed = false;
    std::int32_t r, g, b;
    GetRGBValues(e.avg, r, g, b);
    const int shift = int(random() % 9) - 4;
    e.avg = SetRGBValues(std::clamp(r + shift, 0, 255), g, b);
    if (random() % 2)
        e.pattern1 ^= std::int32_t(1u << (random() % 32));
    // A turned copy for the perceptual method, often a few bits off.
    if (random() % 3 == 0)
        e.perceptual = PerceptualOriented(e.perceptual, Orientation(random() % 8));
    for (int flips = int(random() % 8); flips > 0; --flips)
        e.perceptual ^= std::uint64_t(1) << (random() % 64);
    return e;
}

// Both states of "Also find rotated and mirrored copies" for the
// perceptual method, which alone reads it.
std::vector<bool> orientationChoices(int method)
{
    return method == int(NarrationMethod::Perceptual) ? std::vector<bool> { true, false }
                                                      : std::vector<bool> { true };
}

void expectSameSearches(const std::vector<NarrationRecord> &records,
    const std::vector<NarrationRecord> &entries, int method, int slider, const std::string &row,
    bool anyOrientation = true)
{
    const int level = ToleranceLevel(slider);
    auto reference = MakeReferenceMemoryScan(records, method, level, anyOrientation);
    auto fast = MakeFastMemoryScan(records, method, level, anyOrientation);
    std::vector<std::int32_t> expected, actual;
    for (std::size_t e = 0; e < entries.size(); ++e) {
        // Every seventh entry as if Cancel had been pressed before it.
        const bool cancelled = e % 7 == 6;
        reference->search(entries[e], cancelled, expected);
        fast->search(entries[e], cancelled, actual);
        ASSERT_EQ(expected, actual) << row << " entry " << e << (cancelled ? " cancelled" : "");
    }
}

TEST(MemoryScanEquivalence, RandomSetsEveryMethodEverySlider)
{
    std::mt19937 random(20261207);
    int matchesSeen = 0;
    int capsSeen = 0;
    for (int set = 0; set < 400; ++set) {
        const int size = int(random() % (set % 10 == 0 ? 400 : 80));
        const std::vector<NarrationRecord> records
            = test::RandomRecords(random, size, set % 3 == 0);
        std::vector<NarrationRecord> entries;
        for (int e = 0; e < 12; ++e)
            entries.push_back(entryNear(random, records));
        for (int method = 0; method < kMethodCount; ++method) {
            for (int slider = 0; slider <= kSliderMaximum; ++slider) {
                if (!IsSignatureMethod(method) && slider > 0)
                    break;  // the quick checks have no tolerance
                for (const bool turned : orientationChoices(method)) {
                    expectSameSearches(records, entries, method, slider,
                        "set " + std::to_string(set) + " size " + std::to_string(size) + " method "
                            + std::to_string(method) + " slider " + std::to_string(slider)
                            + (turned ? "" : " upright only"),
                        turned);
                    if (HasFatalFailure())
                        return;
                }
            }
        }
        auto scan = MakeReferenceMemoryScan(records, 2, ToleranceLevel(24));
        std::vector<std::int32_t> found;
        for (const NarrationRecord &entry : entries) {
            scan->search(entry, false, found);
            matchesSeen += found.empty() ? 0 : 1;
            capsSeen += found.size() == std::size_t(kMaxSignatureMatches) ? 1 : 0;
        }
    }
    EXPECT_GT(matchesSeen, 1000);
    EXPECT_GT(capsSeen, 10) << "no entry reached the 65-match cap";
}

// A searched entry takes nothing out of the grid: the same entry twice, and
// a thousand equal records of which each entry gets the first 65.
TEST(MemoryScanEquivalence, SearchesLeaveTheGridWhole)
{
    std::vector<NarrationRecord> records;
    for (int i = 0; i < 1000; ++i) {
        NarrationRecord r = test::MakeRecord(10, 10, 10, 0xF0F0F0F0F0F0F0F0ull);
        r.id = i + 1;
        r.processed = i % 100 == 3;
        records.push_back(r);
    }
    NarrationRecord entry = test::MakeRecord(10, 10, 10, 0xF0F0F0F0F0F0F0F0ull);
    for (int method = 0; method < 3; ++method) {
        auto fast = MakeFastMemoryScan(records, method, 6);
        std::vector<std::int32_t> found;
        for (int pass = 0; pass < 3; ++pass) {
            fast->search(entry, false, found);
            ASSERT_EQ(found.size(), std::size_t(kMaxSignatureMatches)) << method;
            EXPECT_EQ(found.front(), 0);
            EXPECT_EQ(std::count(found.begin(), found.end(), 3), 0) << "processed rows are skipped";
            EXPECT_EQ(found.back(), 65) << "one processed row among the first 66";
        }
        expectSameSearches(records, { entry, entry }, method, 12, "family");
    }
}

// Crowded cells alike in colour, where the grid searches by pattern blocks.
TEST(MemoryScanEquivalence, CrowdedCellsAlikeInColour)
{
    std::mt19937 random(99);
    std::vector<NarrationRecord> records;
    const std::uint64_t base = std::uint64_t(random()) << 32 | random();
    for (int i = 0; i < 2000; ++i) {
        std::uint64_t pattern = base;
        for (int flips = int(random() % 20); flips > 0; --flips)
            pattern ^= std::uint64_t(1) << (random() % 64);
        if (random() % 3 == 0)
            pattern = std::uint64_t(random()) << 32 | random();
        const int shade = 120 + int(random() % 3);
        NarrationRecord r = test::MakeRecord(shade, shade, shade, pattern, int(random() % 2));
        r.id = i + 1;
        r.processed = random() % 40 == 0;
        records.push_back(r);
    }
    std::vector<NarrationRecord> entries;
    for (int e = 0; e < 40; ++e)
        entries.push_back(entryNear(random, records));
    for (const int slider : { 0, 4, 8, 12, 16, 24 })
        expectSameSearches(records, entries, 2, slider, "crowded slider " + std::to_string(slider));
}

// --- the run on a real database ---------------------------------------------

using Groups = QList<std::tuple<std::int32_t, std::int16_t, QList<std::int32_t>>>;

Groups groupsOf(const CDuplicates &set)
{
    Groups groups;
    for (const CDuplicate &group : set)
        groups.append({ group.lSource(), group.MemLoadPos(), group.lFileID() });
    return groups;
}

// The tray tips an appending run asks for.
struct Tips {
    QStringList seen;
    std::function<void(std::int32_t, std::int32_t)> callback()
    {
        return [this](std::int32_t position, std::int32_t count) {
            seen.append(QStringLiteral("%1/%2").arg(position).arg(count));
        };
    }
};

MemorySignatureEntry entryOf(
    const NarrationRecord &r, const QString &name = QStringLiteral("a.jpg"))
{
    MemorySignatureEntry e;
    e.Path = QStringLiteral("/downloads");
    e.FileName = name;
    e.FileSize = r.fileSize;
    e.DimX = std::int16_t(r.dimX);
    e.DimY = std::int16_t(r.dimY);
    e.AvgRGB = r.avg;
    for (int q = 0; q < 4; ++q)
        e.QuadRGB[q] = r.quad[q];
    e.Pattern1 = r.pattern1;
    e.Pattern2 = r.pattern2;
    e.Perceptual = r.perceptual;
    return e;
}

const NarrationScanKind kScans[] = { NarrationScanKind::Reference, NarrationScanKind::Fast };

Groups narrate(CDuplicates &set, const MemorySignatureList &list, int method, int slider,
    NarrationScanKind scan, bool clearFirst = true, std::int32_t start = 0,
    test::RecordingObserver *observer = nullptr, Tips *tips = nullptr, bool anyOrientation = true)
{
    MemoryNarrationOptions options;
    options.method = method;
    options.anyOrientation = anyOrientation;
    options.toleranceLevel = ToleranceLevel(slider);
    options.scan = scan;
    options.clearFirst = clearFirst;
    options.startIndex = start;
    options.reportIntervalMs = 0;
    if (tips)
        options.comparing = tips->callback();
    test::RecordingObserver quiet;
    test::RecordingObserver &watching = observer ? *observer : quiet;
    MemoryNarrationEngine engine(*AppDb().db, set, list, options);
    EXPECT_EQ(engine.run(watching).outcome, RunOutcome::Completed);
    EXPECT_EQ(watching.finishedCount, 1);
    EXPECT_FALSE(watching.outOfOrder);
    return groupsOf(set);
}

TEST(MemoryNarrationRun, RulesOfTheRunBothScans)
{
    test::TempDataDir dir;
    test::NarrationRows here(3, 5);
    test::NarrationRows otherCollection(4, 9);
    const std::uint64_t pattern = 0x0123456789ABCDEFull;
    NarrationRecord photo = test::MakeRecord(40, 80, 120, pattern, 0, 5000, 800, 600);
    NarrationRecord marked = photo;
    marked.processed = true;
    const std::int32_t first = here.add(photo);  // the table's first row is a candidate
    const std::int32_t flagged = here.add(marked);  // left marked by a database narration
    const std::int32_t elsewhere = otherCollection.add(photo);
    here.add(test::MakeRecord(200, 10, 10, ~pattern, 0, 777, 10, 10));

    MemorySignatureList list;
    list.append(entryOf(photo));
    list.append(entryOf(test::MakeRecord(0, 250, 0, pattern, 0, 123, 1, 2), "none.png"));
    for (const NarrationScanKind scan : kScans) {
        CDuplicates set;
        set.Add({ 99 }, 98, 0, QString());  // replaced: clear first
        test::RecordingObserver observer;
        Tips tips;
        EXPECT_EQ(narrate(set, list, 2, 12, scan, true, 0, &observer),
            Groups({ { -1, 0, { first, elsewhere } } }))
            << "a signature method skips the marked row";
        EXPECT_EQ(observer.first.status, Text(747));
        EXPECT_EQ(observer.last.total, 2);
        EXPECT_EQ(observer.last.done, 2);
        EXPECT_EQ(observer.last.found, 1);
        for (const int method : { 3, 4, 5 }) {
            EXPECT_EQ(narrate(set, list, method, 0, scan),
                Groups({ { -1, 0, { first, flagged, elsewhere } } }))
                << "a quick check finds the marked row too; method " << method;
        }
    }
}

// The monitor appends: three groups stay, the new entries at positions 3 and
// 4 are compared, and the tip counts them.
TEST(MemoryNarrationRun, AppendsFromTheStartIndex)
{
    test::TempDataDir dir;
    test::NarrationRows rows;
    const NarrationRecord a = test::MakeRecord(10, 20, 30, 1, 0, 100);
    const NarrationRecord b = test::MakeRecord(200, 20, 30, 2, 0, 200);
    const std::int32_t idA = rows.add(a);
    const std::int32_t idB = rows.add(b);
    MemorySignatureList list;
    for (int i = 0; i < 3; ++i)
        list.append(entryOf(a));  // earlier arrivals; not compared again
    list.append(entryOf(b));
    list.append(entryOf(a));
    for (const NarrationScanKind scan : kScans) {
        CDuplicates set;
        for (int i = 0; i < 3; ++i)
            set.Add({ 1 }, -1, std::int16_t(i), QString());
        Tips tips;
        const Groups groups = narrate(set, list, 2, 12, scan, false, 3, nullptr, &tips);
        ASSERT_EQ(groups.size(), 5);
        EXPECT_EQ(groups[3], std::make_tuple(-1, std::int16_t(3), QList<std::int32_t> { idB }));
        EXPECT_EQ(groups[4], std::make_tuple(-1, std::int16_t(4), QList<std::int32_t> { idA }));
        EXPECT_EQ(tips.seen, QStringList({ QStringLiteral("1/2"), QStringLiteral("2/2") }));
    }
    // One entry: the total is 1.
    MemorySignatureList one;
    one.append(entryOf(b));
    CDuplicates set;
    test::RecordingObserver observer;
    narrate(set, one, 0, 12, NarrationScanKind::Fast, true, 0, &observer);
    EXPECT_EQ(observer.last.total, 1);
    EXPECT_EQ(observer.last.done, 1);
}

// The reference and the fast scan give the same groups through the run on
// a real database of random rows.
TEST(MemoryNarrationRun, FastEqualsReferenceOnRandomSets)
{
    std::mt19937 random(1207);
    for (int set = 0; set < 6; ++set) {
        test::TempDataDir dir;
        test::NarrationRows rows(1, 1);
        std::vector<NarrationRecord> records = test::RandomRecords(random, 150, set % 2 == 0);
        rows.addAll(records);
        MemorySignatureList list;
        for (int e = 0; e < 20; ++e)
            list.append(entryOf(entryNear(random, records)));
        for (int method = 0; method < kMethodCount; ++method) {
            const int slider = IsSignatureMethod(method) ? int(random() % 25) : 0;
            for (const bool turned : orientationChoices(method)) {
                CDuplicates reference, fast;
                const Groups expected = narrate(reference, list, method, slider,
                    NarrationScanKind::Reference, true, 0, nullptr, nullptr, turned);
                EXPECT_EQ(expected,
                    narrate(fast, list, method, slider, NarrationScanKind::Fast, true, 0, nullptr,
                        nullptr, turned))
                    << "set " << set << " method " << method << " slider " << slider
                    << (turned ? "" : " upright only");
            }
        }
    }
}

}  // namespace

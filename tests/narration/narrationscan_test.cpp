// The fast scan against the reference scan on random and adversarial
// signature sets: the same groups, in the same order, with the same ids in
// the same order, and the same Processed flags, for every method and every
// slider value, the perceptual method with and without turned copies.
#include "narrationfixture.h"

#include "narration/narrationscan.h"
#include "narration/narrationsettings.h"
#include "signature/perceptualhash.h"
#include "signature/signaturelib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace vexa;

namespace {

struct Outcome {
    std::vector<std::pair<std::int32_t, std::vector<std::int32_t>>> groups;
    std::vector<bool> processed;
    std::int32_t done = 0;
};

// Runs a scan to its end, or with Cancel noticed before source cancelAt.
Outcome run(NarrationScan &scan, int cancelAt = -1)
{
    Outcome outcome;
    std::vector<std::int32_t> found;
    for (int step = 0; !scan.finished(); ++step) {
        const bool cancelled = step == cancelAt;
        const std::int32_t source = scan.position();
        scan.step(cancelled, found);
        if (!found.empty())
            outcome.groups.emplace_back(source, found);
        if (cancelled)
            break;
    }
    for (std::int32_t i = 0; i < scan.count(); ++i)
        outcome.processed.push_back(scan.isProcessed(i));
    outcome.done = scan.done();
    return outcome;
}

// What the option "Also find rotated and mirrored copies" can be for a
// method: both states for the perceptual one, which alone reads it.
std::vector<bool> orientationChoices(int method)
{
    return method == int(NarrationMethod::Perceptual) ? std::vector<bool> { true, false }
                                                      : std::vector<bool> { true };
}

void expectSame(const std::vector<NarrationRecord> &records, int method, int slider, int cancelAt,
    const std::string &row, bool anyOrientation = true)
{
    const int level = ToleranceLevel(slider);
    auto reference = MakeReferenceScan(records, method, level, anyOrientation);
    const Outcome expected = run(*reference, cancelAt);
    // Both ways of the fast scan: each source searched on its own, and the
    // matches listed ahead that a large selection takes.
    for (const std::int32_t listAheadFrom : { kListAheadFrom, 0 }) {
        auto fast = MakeFastScan(records, method, level, anyOrientation, listAheadFrom);
        const Outcome actual = run(*fast, cancelAt);
        const std::string way = listAheadFrom ? "" : " listed ahead";
        ASSERT_EQ(expected.groups, actual.groups) << row << way;
        ASSERT_EQ(expected.processed, actual.processed) << row << way;
        ASSERT_EQ(expected.done, actual.done) << row << way;
    }
}

TEST(NarrationScanEquivalence, RandomSetsEveryMethodEveryLevel)
{
    std::mt19937 random(20261207);
    int groupsSeen = 0;
    int capsSeen = 0;
    int turnedDiffer = 0;
    for (int set = 0; set < 1500; ++set) {
        const int size = 1 + int(random() % (set % 10 == 0 ? 400 : 80));
        const std::vector<NarrationRecord> records
            = test::RandomRecords(random, size, set % 3 == 0);
        for (int method = 0; method < kMethodCount; ++method) {
            for (int slider = 0; slider <= kSliderMaximum; ++slider) {
                if (!IsSignatureMethod(method) && slider > 0)
                    break;  // the quick checks have no tolerance
                // Neighbouring sliders share a tolerance level: each level once.
                if (slider > 0 && ToleranceLevel(slider) == ToleranceLevel(slider - 1))
                    continue;
                for (const bool turned : orientationChoices(method)) {
                    const std::string row = "set " + std::to_string(set) + " size "
                        + std::to_string(size) + " method " + std::to_string(method) + " slider "
                        + std::to_string(slider) + (turned ? "" : " upright only");
                    expectSame(records, method, slider, -1, row, turned);
                    if (HasFatalFailure())
                        return;
                }
            }
        }
        // Counted on one combination so the test shows it covers groups and caps.
        auto scan = MakeReferenceScan(records, 2, ToleranceLevel(24));
        const Outcome outcome = run(*scan);
        // ... and that the sets hold turned copies the option decides about.
        const int perceptual = int(NarrationMethod::Perceptual);
        auto turned = MakeReferenceScan(records, perceptual, 6, true);
        auto upright = MakeReferenceScan(records, perceptual, 6, false);
        turnedDiffer += run(*turned).groups != run(*upright).groups ? 1 : 0;
        groupsSeen += int(outcome.groups.size());
        for (const auto &group : outcome.groups)
            capsSeen += group.second.size() == std::size_t(kMaxSignatureMatches) ? 1 : 0;
    }
    EXPECT_GT(groupsSeen, 1000);
    EXPECT_GT(capsSeen, 10) << "no source reached the 65-match cap";
    EXPECT_GT(turnedDiffer, 100) << "turned copies rarely change the groups";
}

TEST(NarrationScanEquivalence, CancelLeavesTheSameGroupsAndFlags)
{
    std::mt19937 random(7);
    for (int set = 0; set < 300; ++set) {
        const int size = 2 + int(random() % 150);
        const std::vector<NarrationRecord> records = test::RandomRecords(random, size, false);
        const int cancelAt = int(random() % 20);
        for (int method = 0; method < kMethodCount; ++method) {
            const int slider = int(random() % 25);
            for (const bool turned : orientationChoices(method)) {
                expectSame(records, method, slider, cancelAt,
                    "set " + std::to_string(set) + " method " + std::to_string(method)
                        + " cancel at " + std::to_string(cancelAt)
                        + (turned ? "" : " upright only"),
                    turned);
                if (HasFatalFailure())
                    return;
            }
        }
    }
}

// Every record within tolerance of every other: the greedy scan takes 65 at
// a time, the rest become later sources.
TEST(NarrationScanEquivalence, LargeFamilyOfEqualImages)
{
    std::vector<NarrationRecord> records;
    for (int i = 0; i < 1000; ++i) {
        NarrationRecord r = test::MakeRecord(10, 10, 10);
        r.id = i + 1;
        records.push_back(r);
    }
    for (int method = 0; method < 3; ++method) {
        auto fast = MakeFastScan(records, method, 6);
        const Outcome outcome = run(*fast);
        // 1000 = 15 groups of 1 + 65, then the last source with 9.
        ASSERT_EQ(outcome.groups.size(), 16u) << method;
        EXPECT_EQ(outcome.groups[0].first, 0);
        EXPECT_EQ(outcome.groups[1].first, 66);
        EXPECT_EQ(outcome.groups.back().second.size(), 9u);
        expectSame(records, method, 12, -1, "family method " + std::to_string(method));
    }
}

// Tolerance 0 asks for equal patterns: the pattern index of a crowded cell
// must still be built with blocks narrow enough to count (a single 64-bit
// block was an undefined shift), and one differing bit must keep a record out.
TEST(NarrationScanEquivalence, CrowdedCellAtToleranceZero)
{
    std::mt19937 random(99);
    const std::uint64_t base = std::uint64_t(random()) << 32 | random();
    std::vector<NarrationRecord> records;
    for (int i = 0; i < 600; ++i) {
        std::uint64_t pattern = std::uint64_t(random()) << 32 | random();
        if (i % 3 == 0)
            pattern = base;
        else if (i % 3 == 1)
            pattern = base ^ (std::uint64_t(1) << (i % 64));
        NarrationRecord r = test::MakeRecord(120, 120, 120, pattern);
        r.id = i + 1;
        records.push_back(r);
    }
    const int method = int(NarrationMethod::BitmapPattern);
    auto fast = MakeFastScan(records, method, 0);
    const Outcome outcome = run(*fast);
    ASSERT_FALSE(outcome.groups.empty());
    std::vector<std::int32_t> equal;
    for (std::int32_t i = 3; equal.size() < std::size_t(kMaxSignatureMatches); i += 3)
        equal.push_back(i);
    EXPECT_EQ(outcome.groups[0].first, 0);
    EXPECT_EQ(outcome.groups[0].second, equal);
    expectSame(records, method, 0, -1, "tolerance 0");
}

// Families alike in colour fill cells of the grid by the hundred, which the
// fast scan searches by their pattern bits instead of one by one: patterns
// at random, patterns exactly at and one past the bit tolerance from a few
// bases, and a family of one pattern (which the scan walks in full again).
TEST(NarrationScanEquivalence, CrowdedCellsAlikeInColour)
{
    std::mt19937 random(424242);
    const auto flipped = [&random](std::uint64_t base, int bits) {
        std::uint64_t pattern = base;
        for (int n = 0; n < bits;) {
            const std::uint64_t bit = std::uint64_t(1) << (random() % 64);
            if ((pattern ^ base) & bit)
                continue;
            pattern ^= bit;
            ++n;
        }
        return pattern;
    };
    for (int set = 0; set < 6; ++set) {
        std::vector<NarrationRecord> records;
        const std::uint64_t bases[3] = { std::uint64_t(random()) << 32 | random(),
            std::uint64_t(random()) << 32 | random(), 0 };
        const int grey = 100 + int(random() % 40);
        for (int i = 0; i < 1800; ++i) {
            const int kind = int(random() % 10);
            std::uint64_t pattern = std::uint64_t(random()) << 32 | random();
            if (kind < 4)
                pattern = flipped(bases[random() % 2], int(random() % 30));
            else if (kind < 6)
                pattern = bases[2];
            // Colours equal or one apart, so every level puts them in few cells.
            const int shade = grey + int(random() % 3) - (set % 2 == 0 ? 1 : 0);
            NarrationRecord r = test::MakeRecord(shade, shade, shade, pattern, int(random() % 2));
            r.id = i + 1;
            r.processed = random() % 50 == 0;
            records.push_back(r);
        }
        for (const int slider : { 0, 2, 4, 8, 12, 13, 16, 17, 24 }) {
            for (const int method : { 1, 2 }) {
                expectSame(records, method, slider, -1,
                    "set " + std::to_string(set) + " method " + std::to_string(method) + " slider "
                        + std::to_string(slider));
                if (HasFatalFailure())
                    return;
            }
        }
    }
}

// A selection of about twenty thousand records, as many as it takes for the
// grid to be a table of cells rather than a map: distinct pictures scattered
// over the colours (sparse cells), near copies of earlier ones at and past
// the tolerance, and dark and grey families that crowd a few cells, at the
// Bitmap preset and at the largest tolerance.
TEST(NarrationScanEquivalence, SelectionLargeEnoughForATableOfCells)
{
    std::mt19937 random(31337);
    const auto channel = [&random](int around, int spread) {
        return std::clamp(around + int(random() % std::uint32_t(2 * spread + 1)) - spread, 0, 255);
    };
    std::vector<NarrationRecord> records;
    while (records.size() < 19500) {
        const int kind = int(random() % 100);
        NarrationRecord r;
        if (kind < 25 && !records.empty()) {
            // A copy of an earlier picture, each channel moved by up to the
            // largest tolerance and a little past it, some pattern bits flipped.
            r = records[random() % records.size()];
            const int move = int(random() % 27);
            for (std::int32_t &quad : r.quad) {
                std::int32_t c[3];
                GetRGBValues(quad, c[0], c[1], c[2]);
                quad = SetRGBValues(channel(c[0], move), channel(c[1], move), channel(c[2], move));
            }
            for (int flips = int(random() % 30); flips > 0; --flips) {
                const int bit = int(random() % 64);
                (bit < 32 ? r.pattern1 : r.pattern2) ^= std::int32_t(1u << (bit % 32));
            }
        } else {
            const bool dark = kind < 35;
            const bool grey = !dark && kind < 40;
            const int level = dark ? int(random() % 30) : 110 + int(random() % 20);
            for (std::int32_t &quad : r.quad) {
                if (dark || grey) {
                    const int v = channel(level, 2);
                    quad = SetRGBValues(v, v, v);
                } else {
                    quad = SetRGBValues(
                        int(random() % 256), int(random() % 256), int(random() % 256));
                }
            }
            r.pattern1 = dark ? 0 : std::int32_t(random());
            r.pattern2 = dark ? 0 : std::int32_t(random());
        }
        r.processed = random() % 100 == 0;
        r.id = std::int32_t(records.size()) + 1;
        records.push_back(r);
    }
    for (const auto &[method, slider] : { std::pair { 2, 12 }, { 1, 24 }, { 2, 24 } }) {
        expectSame(records, method, slider, -1,
            "method " + std::to_string(method) + " slider " + std::to_string(slider));
        if (HasFatalFailure())
            return;
    }
}

// Enough records that the perceptual index is asked ahead of the scan in
// many runs on other threads: a source whose kept matches are mostly
// processed already, copies of earlier pictures (a few bits off,
// some turned), families of the first two pictures past the matches kept
// for a record, pictures of their own, some without a signature, some
// processed; run to the end and cancelled part of the way.
TEST(NarrationScanEquivalence, PerceptualAskedAheadOverManyRuns)
{
    std::mt19937_64 random(4242);
    std::vector<NarrationRecord> records;
    // A picture and 300 near copies, the first 100 processed already: its
    // kept matches leave fewer than 65 it may take.
    const PerceptualHash picture = random();
    for (int copy = 0; copy <= 300; ++copy) {
        NarrationRecord r = test::MakeRecord(10, 10, 10);
        r.perceptual = picture ^ (PerceptualHash(5) << (copy % 60));
        r.perceptualNull = false;
        r.processed = copy >= 1 && copy <= 100;
        r.id = std::int32_t(records.size()) + 1;
        records.push_back(r);
    }
    while (records.size() < 4000) {
        NarrationRecord r = test::MakeRecord(10, 10, 10);
        const int kind = int(random() % 100);
        if (kind < 45 && records.size() > 5) {
            const NarrationRecord &original = records[random() % (kind < 8 ? 2 : records.size())];
            r.perceptual = PerceptualOriented(
                original.perceptual, Orientation(random() % kOrientationCount));
            for (int flips = int(random() % 16); flips > 0; --flips)
                r.perceptual ^= PerceptualHash(1) << (random() % 64);
            r.perceptualNull = original.perceptualNull;
        } else {
            r.perceptual = random();
            r.perceptualNull = kind > 96;
        }
        r.processed = random() % 50 == 0;
        r.id = std::int32_t(records.size()) + 1;
        records.push_back(r);
    }
    const int method = int(NarrationMethod::Perceptual);
    for (const bool turned : { true, false }) {
        for (const int cancelAt : { -1, 1700 }) {
            expectSame(records, method, 12, cancelAt,
                std::string(turned ? "turned" : "upright") + " cancel at "
                    + std::to_string(cancelAt),
                turned);
            if (HasFatalFailure())
                return;
        }
    }
    auto scan = MakeFastScan(records, method, ToleranceLevel(12), true);
    const Outcome outcome = run(*scan);
    EXPECT_GT(outcome.groups.size(), 500u);
    EXPECT_TRUE(std::any_of(outcome.groups.begin(), outcome.groups.end(), [](const auto &group) {
        return group.second.size() == std::size_t(kMaxSignatureMatches);
    })) << "no family reached the 65-match cap";
}

// A picture, its seven turned and mirrored copies and one more upright copy
// (each a few bits off): with turned copies one group of nine per picture,
// without them only the upright pair, in both scans.
TEST(NarrationScanEquivalence, TurnedCopiesOnlyWhenAsked)
{
    std::mt19937_64 random(1942);
    const int method = int(NarrationMethod::Perceptual);
    const int slider = 12;  // 12 bits
    constexpr int kFamily = kOrientationCount + 1;
    std::vector<NarrationRecord> records;
    for (int family = 0; family < 40; ++family) {
        const PerceptualHash base = random();
        for (int member = 0; member < kFamily; ++member) {
            NarrationRecord r = test::MakeRecord(10, 10, 10);
            const Orientation o = Orientation(member % kOrientationCount);
            r.perceptual = PerceptualOriented(base, o) ^ (PerceptualHash(3) << member);
            r.id = std::int32_t(records.size()) + 1;
            records.push_back(r);
        }
    }
    for (const bool turned : { true, false }) {
        auto scan = MakeFastScan(records, method, ToleranceLevel(slider), turned);
        const Outcome outcome = run(*scan);
        ASSERT_EQ(outcome.groups.size(), 40u) << "one group per picture, turned " << turned;
        for (const auto &[source, found] : outcome.groups) {
            EXPECT_EQ(source % kFamily, 0);
            std::vector<std::int32_t> expected;
            for (int member = turned ? 1 : kFamily - 1; member < kFamily; ++member)
                expected.push_back(source + member);
            EXPECT_EQ(found, expected) << "source " << source << ", turned " << turned;
        }
        expectSame(records, method, slider, -1, turned ? "families" : "families upright", turned);
    }
}

}  // namespace

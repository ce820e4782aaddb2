#include "signature/perceptualindex.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace vexa {
namespace {

// What the index must give: every position after `after` within radius, by
// looking at all.
std::vector<std::int32_t> bruteForce(const std::vector<PerceptualHash> &hashes,
    PerceptualHash query, int radius, bool anyOrientation, std::int32_t after)
{
    std::vector<std::int32_t> found;
    for (auto i = std::size_t(after + 1); i < hashes.size(); ++i) {
        const int distance = anyOrientation ? PerceptualDistanceAnyOrientation(hashes[i], query)
                                            : PerceptualDistance(hashes[i], query);
        if (distance <= radius)
            found.push_back(std::int32_t(i));
    }
    return found;
}

PerceptualHash flipBits(PerceptualHash hash, int count, std::mt19937_64 &random)
{
    // count distinct bits, so the distance is exactly count.
    PerceptualHash mask = 0;
    while (std::popcount(mask) < count)
        mask |= PerceptualHash(1) << (random() % 64);
    return hash ^ mask;
}

struct Set {
    const char *name;
    std::vector<PerceptualHash> hashes;
    std::vector<PerceptualHash> queries;
};

// Random signatures; clusters of near-identical ones; pairs at exactly the
// radius and one bit beyond it; the eight orientations of each base.
std::vector<Set> makeSets()
{
    std::mt19937_64 random(2026);
    std::vector<Set> sets;

    Set uniform { "uniform", {}, {} };
    for (int i = 0; i < 3000; ++i)
        uniform.hashes.push_back(random());
    for (int i = 0; i < 40; ++i)
        uniform.queries.push_back(i % 2 ? random() : uniform.hashes[std::size_t(i * 13)]);
    sets.push_back(uniform);

    Set clusters { "near-identical clusters", {}, {} };
    for (int c = 0; c < 20; ++c) {
        const PerceptualHash base = random();
        for (int i = 0; i < 100; ++i)
            clusters.hashes.push_back(flipBits(base, int(random() % 24), random));
        clusters.queries.push_back(flipBits(base, c % 8, random));
    }
    sets.push_back(clusters);

    Set edges { "exact distances", {}, {} };
    for (int q = 0; q < 10; ++q) {
        const PerceptualHash base = random();
        edges.queries.push_back(base);
        for (int distance = 0; distance <= 24; ++distance)
            for (int copy = 0; copy < 3; ++copy)
                edges.hashes.push_back(flipBits(base, distance, random));
    }
    sets.push_back(edges);

    Set turned { "orientations", {}, {} };
    for (int b = 0; b < 30; ++b) {
        const PerceptualHash base = random();
        for (const PerceptualHash oriented : PerceptualOrientations(base))
            turned.hashes.push_back(flipBits(oriented, int(random() % 12), random));
        turned.queries.push_back(base);
    }
    sets.push_back(turned);
    return sets;
}

TEST(PerceptualIndex, GivesWhatLookingAtEverySignatureGives)
{
    std::vector<std::int32_t> found;
    for (const Set &set : makeSets()) {
        const PerceptualIndex index(set.hashes);
        ASSERT_EQ(index.size(), std::int32_t(set.hashes.size()));
        // Only later positions: none cut off, the first and a third cut
        // off (a bucket then starts part of the way in), all but the last.
        const auto size = std::int32_t(set.hashes.size());
        for (const bool anyOrientation : { false, true })
            for (const int radius : { 0, 1, 2, 3, 4, 5, 7, 8, 11, 12, 13, 16, 20 })
                for (const std::int32_t after : { -1, 0, size / 3, size - 2 })
                    for (std::size_t q = 0; q < set.queries.size(); ++q) {
                        index.within(set.queries[q], radius, anyOrientation, found, after);
                        EXPECT_EQ(found,
                            bruteForce(set.hashes, set.queries[q], radius, anyOrientation, after))
                            << set.name << ", query " << q << ", radius " << radius << ", after "
                            << after << (anyOrientation ? ", any orientation" : "");
                    }
    }
}

TEST(PerceptualIndex, EmptyIndexAndOutOfRangeRadius)
{
    std::vector<std::int32_t> found { 7 };
    PerceptualIndex({}).within(1, 10, true, found);
    EXPECT_TRUE(found.empty());
    const PerceptualIndex index({ 0, ~PerceptualHash(0) });
    index.within(0, -1, false, found);
    EXPECT_TRUE(found.empty());
    index.within(0, 99, false, found);
    EXPECT_EQ(found, (std::vector<std::int32_t> { 0, 1 }));
}

}  // namespace
}  // namespace vexa

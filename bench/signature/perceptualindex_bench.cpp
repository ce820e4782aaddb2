// perceptualindex_bench [COUNT] [QUERIES]: the time the perceptual index
// takes to build over COUNT signatures (default 1,000,000) and to answer
// QUERIES of them (default 2,000) at every tolerance level, beside looking
// at all signatures for the same queries, and the same queries upright only;
// prints the figures and the time a narration of all COUNT would take at
// that rate.
#include "signature/perceptualindex.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>

using namespace vexa;

namespace {

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Photograph collections are not uniform: most signatures have one to three
// near copies, the rest stand alone.
std::vector<PerceptualHash> makeSignatures(
    std::size_t count, bool clustered, std::mt19937_64 &random)
{
    std::vector<PerceptualHash> hashes;
    hashes.reserve(count);
    while (hashes.size() < count) {
        const PerceptualHash base = random();
        hashes.push_back(base);
        const int copies = clustered ? int(random() % 4) : 0;
        for (int c = 0; c < copies && hashes.size() < count; ++c) {
            PerceptualHash copy = base;
            for (int flips = int(random() % 6); flips > 0; --flips)
                copy ^= PerceptualHash(1) << (random() % 64);
            hashes.push_back(copy);
        }
    }
    return hashes;
}

}  // namespace

int main(int argc, char **argv)
{
    const std::size_t count = argc > 1 ? std::size_t(std::atoll(argv[1])) : 1'000'000;
    const std::size_t queries = argc > 2 ? std::size_t(std::atoll(argv[2])) : 2'000;
    std::mt19937_64 random(7);
    for (const bool clustered : { false, true }) {
        const std::vector<PerceptualHash> hashes = makeSignatures(count, clustered, random);
        auto start = std::chrono::steady_clock::now();
        const PerceptualIndex index(hashes);
        std::printf("%s, %zu signatures: index built in %.3f s\n",
            clustered ? "clustered" : "uniform", count, secondsSince(start));
        // Looking at all of them, for the same queries, all eight orientations.
        start = std::chrono::steady_clock::now();
        std::size_t bruteMatches = 0;
        for (std::size_t q = 0; q < queries; ++q) {
            const auto turned = PerceptualOrientations(hashes[q]);
            for (const PerceptualHash h : hashes) {
                int best = 64;
                for (const PerceptualHash t : turned)
                    best = std::min(best, PerceptualDistance(t, h));
                bruteMatches += best <= 12;
            }
        }
        const double brute = secondsSince(start) / double(queries);
        std::printf("  all signatures, radius 12: %.1f us a query (%zu matches)\n", brute * 1e6,
            bruteMatches);
        std::vector<std::int32_t> found;
        for (const int level : { 0, 3, 6, 9, 12 }) {
            const int radius = PerceptualBitTolerance(level);
            start = std::chrono::steady_clock::now();
            std::size_t matches = 0;
            for (std::size_t q = 0; q < queries; ++q) {
                index.within(hashes[q], radius, true, found);
                matches += found.size();
            }
            const double each = secondsSince(start) / double(queries);
            std::printf("  level %2d (radius %2d): %.1f us a query (%zu matches), %.0f x faster "
                        "than all; all %zu queries: %.1f s\n",
                level, radius, each * 1e6, matches, brute / each, count, each * double(count));
            // The same queries upright only (rotated and mirrored copies not wanted).
            start = std::chrono::steady_clock::now();
            std::size_t upright = 0;
            for (std::size_t q = 0; q < queries; ++q) {
                index.within(hashes[q], radius, false, found);
                upright += found.size();
            }
            const double eachUpright = secondsSince(start) / double(queries);
            std::printf("           upright only: %.1f us a query (%zu matches), %.1f x faster "
                        "than every orientation\n",
                eachUpright * 1e6, upright, each / eachUpright);
        }
    }
    return 0;
}

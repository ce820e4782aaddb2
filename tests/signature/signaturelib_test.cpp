#include "signature/signaturelib.h"

#include <gtest/gtest.h>

#include <random>

namespace vexa {
namespace {

TEST(SignatureLib, PackingRoundTripsAtTheExtremes)
{
    const int rows[][3] = { { 0, 0, 0 }, { 255, 255, 255 }, { 255, 0, 0 }, { 0, 255, 0 },
        { 0, 0, 255 }, { 1, 128, 254 } };
    for (const auto &row : rows) {
        const std::int32_t packed = SetRGBValues(row[0], row[1], row[2]);
        EXPECT_GE(packed, 0) << row[0] << "," << row[1] << "," << row[2];
        std::int32_t r, g, b;
        GetRGBValues(packed, r, g, b);
        EXPECT_EQ(r, row[0]);
        EXPECT_EQ(g, row[1]);
        EXPECT_EQ(b, row[2]);
    }
    EXPECT_EQ(SetRGBValues(255, 255, 255), 0xFFFFFF);
}

TEST(SignatureLib, PatternBitsRoundTripIncludingTheSignBits)
{
    QByteArray pattern(64, '0');
    pattern[0] = '1';
    pattern[31] = '1';  // bit 31 of Pattern1: a negative field value
    pattern[32] = '1';
    pattern[63] = '1';
    std::int32_t p1, p2;
    MakeBitLong(pattern, p1, p2);
    EXPECT_LT(p1, 0);
    EXPECT_LT(p2, 0);
    EXPECT_EQ(PatternFromBits(p1, p2), pattern);
    MakeBitLong(QByteArray(64, '1'), p1, p2);
    EXPECT_EQ(p1, -1);
    EXPECT_EQ(p2, -1);
}

TEST(SignatureLib, ThresholdsAreNonDecreasingAndClamped)
{
    for (int t = 0; t < kMaxToleranceLevel; ++t) {
        EXPECT_LE(AvgChannelTolerance(t), AvgChannelTolerance(t + 1)) << "level " << t;
        EXPECT_LE(QuadChannelTolerance(t), QuadChannelTolerance(t + 1)) << "level " << t;
        EXPECT_LE(PatternBitTolerance(t), PatternBitTolerance(t + 1)) << "level " << t;
    }
    EXPECT_EQ(AvgChannelTolerance(-5), AvgChannelTolerance(0));
    EXPECT_EQ(QuadChannelTolerance(99), QuadChannelTolerance(kMaxToleranceLevel));
    EXPECT_EQ(PatternBitTolerance(-1), PatternBitTolerance(0));
    EXPECT_GE(AvgChannelTolerance(0), 0);
    // The default presets must tolerate something: slider 4 -> 1, 8 -> 4, 12 -> 6.
    EXPECT_GT(AvgChannelTolerance(1), 0);
    EXPECT_GT(QuadChannelTolerance(4), 0);
    EXPECT_GT(PatternBitTolerance(6), 0);
}

TEST(SignatureLib, DistancesMeasureTheWorstChannelAndTheBitCount)
{
    EXPECT_EQ(ChannelDistance(SetRGBValues(10, 200, 30), SetRGBValues(13, 190, 30)), 10);
    EXPECT_EQ(ChannelDistance(SetRGBValues(0, 0, 0), SetRGBValues(0, 0, 255)), 255);
    EXPECT_EQ(PatternDistance(0, 0, -1, -1), 64);
    EXPECT_EQ(PatternDistance(0b1011, 0, 0b0001, 1 << 31), 3);
}

// Every comparison equals its stated rule, and a larger tolerance never
// loses a match, over random signatures near each other and far apart.
TEST(SignatureLib, ComparisonsFollowTheirRuleAndAreMonotone)
{
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> channel(0, 255);
    std::uniform_int_distribution<int> delta(-40, 40);
    std::uniform_int_distribution<std::uint32_t> word;
    const auto near = [&](std::int32_t c) {
        std::int32_t r, g, b;
        GetRGBValues(c, r, g, b);
        return SetRGBValues(r + delta(rng), g + delta(rng), b + delta(rng));
    };
    for (int i = 0; i < 4000; ++i) {
        std::int32_t a[5], b[5];
        for (int k = 0; k < 5; ++k) {
            a[k] = SetRGBValues(channel(rng), channel(rng), channel(rng));
            b[k] = i % 2 ? near(a[k]) : SetRGBValues(channel(rng), channel(rng), channel(rng));
        }
        const std::int32_t pa1 = std::int32_t(word(rng)), pa2 = std::int32_t(word(rng));
        std::int32_t pb1 = pa1, pb2 = pa2;
        for (int flips = i % 20; flips > 0; --flips)
            (flips % 2 ? pb1 : pb2) ^= std::int32_t(1u << (word(rng) % 32));
        bool avgBefore = false, quadBefore = false, bitsBefore = false;
        for (int t = -1; t <= kMaxToleranceLevel + 1; ++t) {
            const bool avg = CompareAvgRGB(a[4], b[4], t) != 0;
            const bool quad
                = CompareQuadRGB(a[0], a[1], a[2], a[3], b[0], b[1], b[2], b[3], t) != 0;
            const bool bits = CompareBitLong(pa1, pb1, pa2, pb2, t) != 0;
            EXPECT_EQ(avg, ChannelDistance(a[4], b[4]) <= AvgChannelTolerance(t))
                << "row " << i << " level " << t;
            EXPECT_EQ(quad, QuadDistance(a, b) <= QuadChannelTolerance(t))
                << "row " << i << " level " << t;
            EXPECT_EQ(bits, PatternDistance(pa1, pa2, pb1, pb2) <= PatternBitTolerance(t))
                << "row " << i << " level " << t;
            EXPECT_TRUE(!avgBefore || avg) << "row " << i << " lost at level " << t;
            EXPECT_TRUE(!quadBefore || quad) << "row " << i << " lost at level " << t;
            EXPECT_TRUE(!bitsBefore || bits) << "row " << i << " lost at level " << t;
            avgBefore = avg;
            quadBefore = quad;
            bitsBefore = bits;
            // Symmetric: which image is the source does not matter.
            EXPECT_EQ(avg, CompareAvgRGB(b[4], a[4], t) != 0);
            EXPECT_EQ(bits, CompareBitLong(pb1, pa1, pb2, pa2, t) != 0);
        }
        // Identical signatures match at every level.
        for (int t = 0; t <= kMaxToleranceLevel; ++t) {
            EXPECT_NE(CompareAvgRGB(a[4], a[4], t), 0);
            EXPECT_NE(CompareQuadRGB(a[0], a[1], a[2], a[3], a[0], a[1], a[2], a[3], t), 0);
            EXPECT_NE(CompareBitLong(pa1, pa1, pa2, pa2, t), 0);
        }
    }
}

TEST(SignatureLib, InterleavedArgumentOrderOfCompareBitLong)
{
    // A's Pattern1, B's Pattern1, A's Pattern2, B's Pattern2: swapping the
    // middle two would compare Pattern1 with Pattern2.
    const std::int32_t a1 = 0x0F0F0F0F, a2 = 0;
    EXPECT_NE(CompareBitLong(a1, a1, a2, a2, 0), 0);
    EXPECT_EQ(CompareBitLong(a1, a2, a1, a2, kMaxToleranceLevel), 0);
}

TEST(SignatureLib, QuadrantsCompareInPlaceNotAsASet)
{
    const std::int32_t black = SetRGBValues(0, 0, 0);
    const std::int32_t white = SetRGBValues(255, 255, 255);
    EXPECT_EQ(
        CompareQuadRGB(black, white, black, white, white, black, white, black, kMaxToleranceLevel),
        0);
}

}  // namespace
}  // namespace vexa

#include "signature/signaturelib.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

namespace vexa {

std::int32_t SetRGBValues(std::int32_t red, std::int32_t green, std::int32_t blue)
{
    const auto channel = [](std::int32_t v) {
        return std::uint32_t(v < 0 ? 0 : v > 255 ? 255 : v);
    };
    return std::int32_t(channel(red) | channel(green) << 8 | channel(blue) << 16);
}

void GetRGBValues(std::int32_t colour, std::int32_t &red, std::int32_t &green, std::int32_t &blue)
{
    red = colour & 0xFF;
    green = (colour >> 8) & 0xFF;
    blue = (colour >> 16) & 0xFF;
}

void MakeBitLong(const QByteArray &pattern, std::int32_t &pattern1, std::int32_t &pattern2)
{
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    const int n = int(pattern.size()) < 64 ? int(pattern.size()) : 64;
    for (int k = 0; k < n; ++k) {
        if (pattern[k] != '1')
            continue;
        if (k < 32)
            low |= 1u << k;
        else
            high |= 1u << (k - 32);
    }
    pattern1 = std::int32_t(low);
    pattern2 = std::int32_t(high);
}

QByteArray PatternFromBits(std::int32_t pattern1, std::int32_t pattern2)
{
    QByteArray pattern(64, '0');
    for (int k = 0; k < 64; ++k) {
        const std::uint32_t word = std::uint32_t(k < 32 ? pattern1 : pattern2);
        if (word >> (k % 32) & 1u)
            pattern[k] = '1';
    }
    return pattern;
}

namespace {

int clampLevel(int tolerance)
{
    return std::clamp(tolerance, 0, kMaxToleranceLevel);
}

// Thresholds per tolerance level 0..12, chosen with the quality harness in
// bench/signature (docs/SIGNATURES.md has the measured recall and false
// pairs). Level 0 matches equal values only. The default presets pass level 1
// to the average (6: re-encoded, resized and 2-3 % brighter copies), 4 to the
// quadrants (8) and 6 to pattern and quadrants together (10 bits, 9). Re-encoding
// and resizing move a quadrant by at most 3 and the pattern by 1 bit;
// a 3 % brightness change moves quadrants by up to 8 and can flip pattern
// blocks that sit near the light threshold.
constexpr int kAvgChannel[kMaxToleranceLevel + 1]
    = { 0, 6, 9, 12, 15, 18, 21, 24, 28, 32, 36, 42, 48 };
constexpr int kQuadChannel[kMaxToleranceLevel + 1]
    = { 0, 2, 4, 6, 8, 9, 9, 10, 12, 14, 16, 20, 24 };
constexpr int kPatternBits[kMaxToleranceLevel + 1]
    = { 0, 2, 3, 4, 6, 8, 10, 12, 14, 16, 20, 24, 28 };

}  // namespace

int AvgChannelTolerance(int tolerance)
{
    return kAvgChannel[clampLevel(tolerance)];
}

int QuadChannelTolerance(int tolerance)
{
    return kQuadChannel[clampLevel(tolerance)];
}

int PatternBitTolerance(int tolerance)
{
    return kPatternBits[clampLevel(tolerance)];
}

int ChannelDistance(std::int32_t a, std::int32_t b)
{
    int distance = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int ca = (a >> shift) & 0xFF;
        const int cb = (b >> shift) & 0xFF;
        distance = std::max(distance, std::abs(ca - cb));
    }
    return distance;
}

int QuadDistance(const std::int32_t a[4], const std::int32_t b[4])
{
    int distance = 0;
    for (int q = 0; q < 4; ++q)
        distance = std::max(distance, ChannelDistance(a[q], b[q]));
    return distance;
}

int PatternDistance(std::int32_t a1, std::int32_t a2, std::int32_t b1, std::int32_t b2)
{
    return std::popcount(std::uint32_t(a1 ^ b1)) + std::popcount(std::uint32_t(a2 ^ b2));
}

std::int32_t CompareAvgRGB(std::int32_t avgA, std::int32_t avgB, std::int32_t tolerance)
{
    return ChannelDistance(avgA, avgB) <= AvgChannelTolerance(tolerance) ? 1 : 0;
}

std::int32_t CompareQuadRGB(std::int32_t a0, std::int32_t a1, std::int32_t a2, std::int32_t a3,
    std::int32_t b0, std::int32_t b1, std::int32_t b2, std::int32_t b3, std::int32_t tolerance)
{
    const int limit = QuadChannelTolerance(tolerance);
    return ChannelDistance(a0, b0) <= limit && ChannelDistance(a1, b1) <= limit
            && ChannelDistance(a2, b2) <= limit && ChannelDistance(a3, b3) <= limit
        ? 1
        : 0;
}

std::int32_t CompareBitLong(
    std::int32_t a1, std::int32_t b1, std::int32_t a2, std::int32_t b2, std::int32_t tolerance)
{
    return PatternDistance(a1, a2, b1, b2) <= PatternBitTolerance(tolerance) ? 1 : 0;
}

}  // namespace vexa

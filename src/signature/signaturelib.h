#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace vexa {

// The signature library: packs colours and patterns and compares signatures.
// Every value is a signed 32-bit integer, as the database fields are.

// Packed colour: R | G << 8 | B << 16 (the layout of a Win32 COLORREF), so a
// packed value is 0..0xFFFFFF and always positive.
std::int32_t SetRGBValues(std::int32_t red, std::int32_t green, std::int32_t blue);
void GetRGBValues(std::int32_t colour, std::int32_t &red, std::int32_t &green, std::int32_t &blue);

// Pattern character k (0..63) is bit k % 32 of Pattern1 (k < 32) or Pattern2
// (k >= 32); "1" sets the bit. Bit 31 makes the integer negative. A pattern
// shorter than 64 characters leaves the missing bits clear.
void MakeBitLong(const QByteArray &pattern, std::int32_t &pattern1, std::int32_t &pattern2);
QByteArray PatternFromBits(std::int32_t pattern1, std::int32_t pattern2);

// Tolerance level 0..12 (values outside are clamped). Each comparison below
// matches exactly when the measured distance is at most the threshold of its
// level, so a larger tolerance never loses a match and identical signatures
// match at every level. An index over stored signatures may rely on this form.
inline constexpr int kMaxToleranceLevel = 12;
int AvgChannelTolerance(int tolerance);  // largest channel difference of the averages
int QuadChannelTolerance(int tolerance);  // largest channel difference of any quadrant
int PatternBitTolerance(int tolerance);  // number of differing pattern bits

// Largest absolute channel difference of two packed colours (0..255).
int ChannelDistance(std::int32_t a, std::int32_t b);
// Largest ChannelDistance over the four quadrant pairs.
int QuadDistance(const std::int32_t a[4], const std::int32_t b[4]);
// Number of differing bits of two packed patterns (0..64); arguments are
// A's Pattern1, A's Pattern2, B's Pattern1, B's Pattern2.
int PatternDistance(std::int32_t a1, std::int32_t a2, std::int32_t b1, std::int32_t b2);

// Nonzero = match. A is the image looked at, B the candidate.
std::int32_t CompareAvgRGB(std::int32_t avgA, std::int32_t avgB, std::int32_t tolerance);
std::int32_t CompareQuadRGB(std::int32_t a0, std::int32_t a1, std::int32_t a2, std::int32_t a3,
    std::int32_t b0, std::int32_t b1, std::int32_t b2, std::int32_t b3, std::int32_t tolerance);
// Arguments interleaved: A's Pattern1, B's Pattern1, A's Pattern2, B's Pattern2.
std::int32_t CompareBitLong(
    std::int32_t a1, std::int32_t b1, std::int32_t a2, std::int32_t b2, std::int32_t tolerance);

}  // namespace vexa

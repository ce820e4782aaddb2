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

}  // namespace vexa

#include "signature/signaturelib.h"

namespace vexa {

std::int32_t SetRGBValues(std::int32_t red, std::int32_t green, std::int32_t blue)
{
    const auto channel = [](std::int32_t v) { return std::uint32_t(v < 0 ? 0 : v > 255 ? 255 : v); };
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

}  // namespace vexa

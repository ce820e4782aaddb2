#pragma once

#include <cmath>
#include <cstdint>

namespace vexa {

// Fractional values become integers by rounding to nearest, halves to even
// (120.5 -> 120, 121.5 -> 122, -2.5 -> -2).
inline double RoundHalfEven(double value)
{
    return std::nearbyint(value);  // default FE_TONEAREST mode rounds halves to even
}

// a / b for integers, rounded half to even, b > 0.
inline std::int64_t DivRoundHalfEven(std::int64_t a, std::int64_t b)
{
    std::int64_t q = a / b;
    std::int64_t r = a % b;
    if (r < 0) {
        r += b;
        --q;
    }
    const std::int64_t twice = 2 * r;
    if (twice > b || (twice == b && (q & 1)))
        ++q;
    return q;
}

}  // namespace vexa

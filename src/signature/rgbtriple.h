#pragma once

#include <array>
#include <cstdint>

namespace vexa {

// The colour values a signature is made of; the database stores them packed.
struct RGBTriple {
    std::int32_t Red = 0;  // 0..255
    std::int32_t Green = 0;  // 0..255
    std::int32_t Blue = 0;  // 0..255
    bool operator==(const RGBTriple &) const = default;
};

using QuadTriples
    = std::array<RGBTriple, 4>;  // 0 top-left, 1 bottom-left, 2 top-right, 3 bottom-right
using BlockTriples = std::array<RGBTriple, 64>;  // block k = 8 * column + row

}  // namespace vexa

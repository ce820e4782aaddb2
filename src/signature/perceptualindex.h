#pragma once

#include "signature/perceptualhash.h"

#include <cstdint>
#include <vector>

namespace vexa {

// Finds stored perceptual signatures near a query without looking at all of
// them: multi-index hashing. The 64 bits are cut into four 16-bit blocks and
// each block has a table from its value to the signatures holding it. Two
// signatures at most r bits apart differ in at most r / 4 bits in one block
// at least (rounded down), so probing every value within r / 4 bits of the
// query's block in every table and checking each candidate exactly finds
// every match and nothing else.
//
// Built once; within() may then be called from several threads at once.
class PerceptualIndex {
public:
    explicit PerceptualIndex(std::vector<PerceptualHash> hashes);

    std::int32_t size() const { return std::int32_t(m_hashes.size()); }
    PerceptualHash hash(std::int32_t index) const { return m_hashes[std::size_t(index)]; }

    // The positions, ascending and each once, of the stored signatures at
    // most radius bits (0..64) from query, or, with anyOrientation, from any
    // of the query's eight orientations.
    void within(PerceptualHash query, int radius, bool anyOrientation,
        std::vector<std::int32_t> &found) const;

private:
    static constexpr int kBlocks = 4;
    static constexpr int kBlockBits = 16;

    std::vector<PerceptualHash> m_hashes;
    // Per block: the members of value v are m_members[m_start[v] .. m_start[v + 1]).
    std::vector<std::uint32_t> m_start[kBlocks];
    std::vector<std::int32_t> m_members[kBlocks];
};

}  // namespace vexa

#pragma once

#include "signature/perceptualhash.h"

#include <cstdint>
#include <vector>

namespace vexa {

// Finds stored perceptual signatures near a query without looking at all of
// them: multi-index hashing. The 64 bits are cut into four 16-bit blocks and
// each block has a table from its value to the signatures holding it. Each
// block b is probed within t_b bits of the query's block, where the t_b + 1
// add up to radius + 1: two signatures that differed in more than t_b bits
// in every block would be radius + 1 bits apart or more, so every match lies
// in a probed bucket, and checking each candidate exactly gives every match
// and nothing else. Spread evenly, the thresholds at radius 12 are 2, 2, 2
// and 3 bits: 1,108 buckets a block set instead of 2,788 at 3 bits each.
//
// Built once; within() may then be called from several threads at once.
class PerceptualIndex {
public:
    explicit PerceptualIndex(std::vector<PerceptualHash> hashes);

    std::int32_t size() const { return std::int32_t(m_hashes.size()); }
    PerceptualHash hash(std::int32_t index) const { return m_hashes[std::size_t(index)]; }

    // The positions, ascending and each once, of the stored signatures at
    // most radius bits (0..64) from query, or, with anyOrientation, from any
    // of the query's eight orientations; only positions after `after`.
    void within(PerceptualHash query, int radius, bool anyOrientation,
        std::vector<std::int32_t> &found, std::int32_t after = -1) const;

private:
    static constexpr int kBlocks = 4;
    static constexpr int kBlockBits = 16;

    std::vector<PerceptualHash> m_hashes;
    // Per block: the members of value v are [m_start[v], m_start[v + 1]) of
    // m_members (their positions, ascending) and m_memberHashes (their
    // signatures, kept beside them so a candidate costs no look-up elsewhere).
    std::vector<std::uint32_t> m_start[kBlocks];
    std::vector<std::int32_t> m_members[kBlocks];
    std::vector<PerceptualHash> m_memberHashes[kBlocks];
};

}  // namespace vexa

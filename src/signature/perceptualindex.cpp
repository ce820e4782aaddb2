#include "signature/perceptualindex.h"

#include <algorithm>
#include <bit>

namespace vexa {

namespace {

constexpr std::uint32_t kBlockValues = 1u << 16;

// Every 16-bit mask, fewest bits first, and where each bit count ends: the
// masks of at most k bits are the first kEnds[k].
struct MasksByWeight {
    std::vector<std::uint16_t> masks;
    std::uint32_t ends[17] = {};
    MasksByWeight()
    {
        masks.reserve(kBlockValues);
        for (int weight = 0; weight <= 16; ++weight) {
            for (std::uint32_t mask = 0; mask < kBlockValues; ++mask)
                if (std::popcount(mask) == weight)
                    masks.push_back(std::uint16_t(mask));
            ends[weight] = std::uint32_t(masks.size());
        }
    }
};

const MasksByWeight &masksByWeight()
{
    static const MasksByWeight table;
    return table;
}

std::uint32_t blockOf(PerceptualHash hash, int block)
{
    return std::uint32_t(hash >> (16 * block)) & 0xFFFFu;
}

// One block's probes for one query: every bucket within the block's
// threshold, each member after `after` checked on its whole signature. Built
// twice, the loader picking the one for the processor: the program targets
// any x86-64, and without the popcnt instruction a count of bits costs a
// dozen.
__attribute__((target_clones("popcnt", "default"))) void probeBlock(PerceptualHash query,
    std::uint32_t value, int radius, const std::uint16_t *masks, std::uint32_t probes,
    const std::uint32_t *start, const std::int32_t *members, const PerceptualHash *hashes,
    std::int32_t after, std::vector<std::int32_t> &found)
{
    for (std::uint32_t p = 0; p < probes; ++p) {
        const std::uint32_t probe = value ^ masks[p];
        std::uint32_t m = start[probe];
        const std::uint32_t end = start[probe + 1];
        // A bucket is in position order: the positions up to `after` are
        // skipped at once.
        if (after >= 0 && m < end && members[m] <= after)
            m = std::uint32_t(std::upper_bound(members + m, members + end, after) - members);
        for (; m < end; ++m) {
            if (__builtin_popcountll(query ^ hashes[m]) <= radius)
                found.push_back(members[m]);
        }
    }
}

}  // namespace

PerceptualIndex::PerceptualIndex(std::vector<PerceptualHash> hashes)
    : m_hashes(std::move(hashes))
{
    for (int block = 0; block < kBlocks; ++block) {
        // Counting sort by block value: members stay in position order.
        std::vector<std::uint32_t> &start = m_start[block];
        start.assign(kBlockValues + 1, 0);
        for (const PerceptualHash hash : m_hashes)
            ++start[blockOf(hash, block) + 1];
        for (std::uint32_t v = 0; v < kBlockValues; ++v)
            start[v + 1] += start[v];
        std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
        std::vector<std::int32_t> &members = m_members[block];
        std::vector<PerceptualHash> &memberHashes = m_memberHashes[block];
        members.resize(m_hashes.size());
        memberHashes.resize(m_hashes.size());
        for (std::size_t i = 0; i < m_hashes.size(); ++i) {
            const std::uint32_t at = next[blockOf(m_hashes[i], block)]++;
            members[at] = std::int32_t(i);
            memberHashes[at] = m_hashes[i];
        }
    }
}

void PerceptualIndex::within(PerceptualHash query, int radius, bool anyOrientation,
    std::vector<std::int32_t> &found, std::int32_t after) const
{
    found.clear();
    if (radius < 0 || m_hashes.empty())
        return;
    radius = std::min(radius, 64);
    std::vector<PerceptualHash> queries { query };
    if (anyOrientation) {
        for (const PerceptualHash turned : PerceptualOrientations(query))
            if (std::find(queries.begin(), queries.end(), turned) == queries.end())
                queries.push_back(turned);
    }
    // radius + 1 spread over the blocks as evenly as it goes; a block with
    // none is not probed (threshold -1).
    const MasksByWeight &masks = masksByWeight();
    std::uint32_t probes[kBlocks];
    for (int block = 0; block < kBlocks; ++block) {
        const int threshold = (radius + 1) / kBlocks + (block < (radius + 1) % kBlocks ? 1 : 0) - 1;
        probes[block] = threshold < 0 ? 0 : masks.ends[std::min(threshold, kBlockBits)];
    }
    for (const PerceptualHash q : queries) {
        for (int block = 0; block < kBlocks; ++block) {
            if (probes[block] == 0)
                continue;
            probeBlock(q, blockOf(q, block), radius, masks.masks.data(), probes[block],
                m_start[block].data(), m_members[block].data(), m_memberHashes[block].data(), after,
                found);
        }
    }
    // A match may be found through several blocks and orientations.
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
}

}  // namespace vexa

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
        members.resize(m_hashes.size());
        for (std::size_t i = 0; i < m_hashes.size(); ++i)
            members[next[blockOf(m_hashes[i], block)]++] = std::int32_t(i);
    }
}

void PerceptualIndex::within(
    PerceptualHash query, int radius, bool anyOrientation, std::vector<std::int32_t> &found) const
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
    const MasksByWeight &masks = masksByWeight();
    const std::uint32_t probes = masks.ends[std::min(radius / kBlocks, kBlockBits)];
    for (const PerceptualHash q : queries) {
        for (int block = 0; block < kBlocks; ++block) {
            const std::uint32_t value = blockOf(q, block);
            const std::vector<std::uint32_t> &start = m_start[block];
            const std::vector<std::int32_t> &members = m_members[block];
            for (std::uint32_t p = 0; p < probes; ++p) {
                const std::uint32_t probe = value ^ masks.masks[p];
                for (std::uint32_t m = start[probe]; m < start[probe + 1]; ++m) {
                    const std::int32_t candidate = members[m];
                    if (std::popcount(q ^ m_hashes[std::size_t(candidate)]) <= radius)
                        found.push_back(candidate);
                }
            }
        }
    }
    // A match may be found through several blocks and orientations.
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
}

}  // namespace vexa

#include "narration/narrationscan.h"

#include "db/notduplicates.h"
#include "narration/narrationsettings.h"
#include "narration/perceptualscan.h"
#include "signature/perceptualhash.h"
#include "signature/perceptualindex.h"
#include "signature/signaturelib.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <exception>
#include <limits>
#include <system_error>
#include <thread>
#include <tuple>
#include <unordered_map>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vexa {

NarrationScan::NarrationScan(
    std::vector<NarrationRecord> records, int method, int toleranceLevel, bool anyOrientation)
    : m_records(std::move(records))
    , m_processed(m_records.size(), 0)
    , m_method(method)
    , m_level(toleranceLevel)
    , m_anyOrientation(anyOrientation)
{
    for (std::size_t i = 0; i < m_records.size(); ++i)
        m_processed[i] = m_records[i].processed ? 1 : 0;
}

NarrationScan::~NarrationScan() = default;

bool NarrationScan::matches(const NarrationRecord &a, const NarrationRecord &b) const
{
    // The pair is looked up only for a match: matches are few beside the
    // candidates compared.
    return SignaturesMatch(m_method, m_level, a, b, m_anyOrientation) && !notDuplicate(a, b);
}

bool NarrationScan::notDuplicate(const NarrationRecord &a, const NarrationRecord &b) const
{
    return m_notDuplicates && m_notDuplicates->contains(a.id, b.id);
}

bool SignaturesMatch(
    int method, int level, const NarrationRecord &a, const NarrationRecord &b, bool anyOrientation)
{
    switch (NarrationMethod(method)) {
    case NarrationMethod::AverageRGB:
        return CompareAvgRGB(a.avg, b.avg, AverageTolerance(level)) != 0;
    case NarrationMethod::QuadrupleRGB:
        return CompareQuadRGB(a.quad[0], a.quad[1], a.quad[2], a.quad[3], b.quad[0], b.quad[1],
                   b.quad[2], b.quad[3], level)
            != 0;
    case NarrationMethod::BitmapPattern:
        return CompareBitLong(a.pattern1, b.pattern1, a.pattern2, b.pattern2, level) != 0
            && CompareQuadRGB(a.quad[0], a.quad[1], a.quad[2], a.quad[3], b.quad[0], b.quad[1],
                   b.quad[2], b.quad[3], level)
            != 0;
    case NarrationMethod::Perceptual:
        return !a.perceptualNull && !b.perceptualNull
            && (anyOrientation ? PerceptualDistanceAnyOrientation(a.perceptual, b.perceptual)
                               : PerceptualDistance(a.perceptual, b.perceptual))
            <= PerceptualBitTolerance(level);
    default: return false;
    }
}

void NarrationScan::step(bool cancelled, std::vector<std::int32_t> &found)
{
    found.clear();
    const std::int32_t source = m_position;
    if (source >= count())
        return;
    if (IsSignatureMethod(m_method)) {
        if (cancelled) {
            // The search ends after the first candidate it looked at.
            const std::int32_t next = source + 1;
            if (next < count() && !isProcessed(next)
                && matches(m_records[std::size_t(source)], m_records[std::size_t(next)]))
                found.push_back(next);
        } else {
            searchSignatures(source, found);
        }
    } else {
        searchQuick(source, found);
        if (m_notDuplicates && !m_notDuplicates->empty()) {
            const NarrationRecord &a = m_records[std::size_t(source)];
            std::erase_if(
                found, [&](std::int32_t c) { return notDuplicate(a, m_records[std::size_t(c)]); });
        }
    }
    for (const std::int32_t index : found)
        m_processed[std::size_t(index)] = 1;
    do {
        ++m_done;
        ++m_position;
    } while (m_position < count() && isProcessed(m_position));
}

namespace {

// --- reference ---------------------------------------------------------

class ReferenceScan final : public NarrationScan {
public:
    ReferenceScan(std::vector<NarrationRecord> records, int method, int level, bool anyOrientation)
        : NarrationScan(std::move(records), method, level, anyOrientation)
    {
    }

protected:
    void searchSignatures(std::int32_t source, std::vector<std::int32_t> &found) override
    {
        const NarrationRecord &a = m_records[std::size_t(source)];
        for (std::int32_t c = source + 1; c < count(); ++c) {
            if (!isProcessed(c) && matches(a, m_records[std::size_t(c)]))
                found.push_back(c);
            if (int(found.size()) >= kMaxSignatureMatches)
                break;
        }
    }

    void searchQuick(std::int32_t source, std::vector<std::int32_t> &found) override
    {
        const NarrationRecord &a = m_records[std::size_t(source)];
        const bool size = m_method != int(NarrationMethod::Dimensions);
        const bool dims = m_method != int(NarrationMethod::Filesize);
        for (std::int32_t c = 0; c < count(); ++c) {
            const NarrationRecord &b = m_records[std::size_t(c)];
            if (b.id == a.id)
                continue;
            if (size && (b.sizeNull || b.fileSize != a.fileSize))
                continue;
            if (dims && (b.dimXNull || b.dimYNull || b.dimX != a.dimX || b.dimY != a.dimY))
                continue;
            found.push_back(c);
        }
    }
};

// --- fast --------------------------------------------------------------

// A candidate in the colour grid with what its comparison reads: the colour
// channels (the average's three, or the quadrants' twelve) and the pattern.
// The channels first: the filter reads them and the index as one 16-byte
// word.
struct GridEntry {
    std::uint8_t channel[12];
    std::int32_t index;  // record index; -1 once taken by a group
    std::uint64_t pattern;
};

// The channels a match may have around one probe, made once for a walk over
// many entries: each channel within limit of the probe's (limit: the largest
// matching difference in each byte; Average RGB leaves channels 3..11 zero
// on both sides).
class ChannelWindow {
public:
    ChannelWindow(const GridEntry &probe, int limit)
#if defined(__SSE2__)
    {
        const __m128i centre = _mm_loadu_si128(reinterpret_cast<const __m128i *>(probe.channel));
        const __m128i reach = _mm_set1_epi8(char(limit));
        m_low = _mm_subs_epu8(centre, reach);
        m_high = _mm_adds_epu8(centre, reach);
    }
#else
        : m_probe(probe)
        , m_limit(limit)
    {
    }
#endif
    bool contains(const GridEntry &e) const
    {
#if defined(__SSE2__)
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(e.channel));
        const __m128i above = _mm_cmpeq_epi8(_mm_max_epu8(b, m_low), b);
        const __m128i below = _mm_cmpeq_epi8(_mm_min_epu8(b, m_high), b);
        return (_mm_movemask_epi8(_mm_and_si128(above, below)) & 0x0FFF) == 0x0FFF;
#else
        for (int c = 0; c < 12; ++c) {
            const int d = int(m_probe.channel[c]) - int(e.channel[c]);
            if (d > m_limit || -d > m_limit)
                return false;
        }
        return true;
#endif
    }

private:
#if defined(__SSE2__)
    __m128i m_low;
    __m128i m_high;
#else
    GridEntry m_probe;
    int m_limit;
#endif
};

void channelsOf(const NarrationRecord &r, bool average, std::uint8_t out[12])
{
    const int colours = average ? 1 : 4;
    for (int q = 0; q < colours; ++q) {
        std::int32_t rgb[3];
        GetRGBValues(average ? r.avg : r.quad[q], rgb[0], rgb[1], rgb[2]);
        for (int k = 0; k < 3; ++k)
            out[3 * q + k] = std::uint8_t(rgb[k]);
    }
    if (average)
        std::fill(out + 3, out + 12, std::uint8_t(0));
}

// Bits set in a 64-bit word without a library call: the program is built
// for any x86-64, where std::popcount becomes one, and the walk below does
// this for every candidate of a crowded cell.
inline int PopCount64(std::uint64_t x)
{
    x = x - ((x >> 1) & 0x5555555555555555ull);
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return int((x * 0x0101010101010101ull) >> 56);
}

std::uint64_t patternOf(const NarrationRecord &r)
{
    return std::uint64_t(std::uint32_t(r.pattern1))
        | std::uint64_t(std::uint32_t(r.pattern2)) << 32;
}

struct QuickKey {
    std::int64_t size;
    std::int32_t x;
    std::int32_t y;
    bool operator==(const QuickKey &o) const { return size == o.size && x == o.x && y == o.y; }
};

constexpr int kMaxAxes = 7;
// Cells around a probe at most: up to three steps on each axis.
constexpr int kMaxKeysAround = 3 * 3 * 3 * 3 * 3 * 3 * 3;
// A cell with at least this many entries gets a pattern index.
constexpr std::int32_t kCrowdedCell = 256;
// The pattern index splits the 64 bits into tolerance + 1 blocks; with more
// blocks than this they are too narrow to sort anything out.
constexpr int kMaxPatternBlocks = 16;
// Any number of blocks above the tolerance keeps one block equal between two
// matching patterns, so small tolerances take at least four: a block of 16
// bits or fewer keeps each cell's buckets at 2^16 per block (one block of 64
// bits would need 2^64 and an undefined shift).
constexpr int kMinPatternBlocks = 4;
// Cells a dense table may hold (16 MB of cell numbers); beyond that the
// cells are hashed.
constexpr std::uint64_t kDenseCells = std::uint64_t(1) << 22;
// Cells with fewer entries than this are sparse. In a grid too large for the
// cache, every record's matches in the sparse cells around it are listed
// before the first source in one pass in cell order, where the cells around
// consecutive records share the cache; searched per source in record order
// they cost a cache miss each. Crowded cells (families alike in colour) are
// walked per source as before, where the early stops make them cheap.
constexpr std::int32_t kSparseCell = 64;
// The most matches listed per record; a source whose list is full and not
// enough of it is left is searched live.
constexpr int kListed = 16;
// Threads the listing pass is cut over at most, and the fewest entries it
// is cut for: a thread costs more than listing a small grid.
constexpr std::size_t kMaxListingThreads = 8;
constexpr std::size_t kListOnThreadsFrom = 8192;

class FastScan final : public NarrationScan {
public:
    FastScan(std::vector<NarrationRecord> records, int method, int level, bool anyOrientation,
        std::int32_t listAheadFrom = kListAheadFrom)
        : NarrationScan(std::move(records), method, level, anyOrientation)
    {
        if (IsSignatureMethod(m_method))
            buildGrid();
        else
            buildClasses();
        // Average RGB: wide families, few sources (most records are taken by
        // an earlier one), so listing every record costs more than searching.
        m_listAhead = IsSignatureMethod(m_method) && !m_average
            && std::int64_t(m_entries.size()) >= std::int64_t(listAheadFrom);
    }

    // The signature search for a probe that is not a record (a memory
    // entry): every record not processed, none passed, none taken. stamp
    // must differ between calls.
    void searchOutside(
        const NarrationRecord &probe, std::int32_t stamp, std::vector<std::int32_t> &found)
    {
        searchProbe(probe, -1, stamp, false, found);
    }
    // Every record of the probe's size and/or dimensions, in record order.
    void quickMembers(const NarrationRecord &probe, std::vector<std::int32_t> &found) const
    {
        const QuickKey key = quickKey(probe);
        const auto at = std::lower_bound(m_classKeys.begin(), m_classKeys.end(), key, keyBefore);
        if (at != m_classKeys.end() && *at == key) {
            const std::size_t c = std::size_t(at - m_classKeys.begin());
            found.insert(found.end(), m_classMembers.begin() + m_classStart[c],
                m_classMembers.begin() + m_classStart[c + 1]);
        }
    }

protected:
    void searchSignatures(std::int32_t source, std::vector<std::int32_t> &found) override;
    void searchQuick(std::int32_t source, std::vector<std::int32_t> &found) override;

private:
    struct Match {
        std::int32_t index;
        std::int32_t position;  // in m_entries
    };

    void buildGrid();
    void fillDenseCells();
    void fillHashedCells();
    void buildClasses();
    void chooseAxes();
    std::uint64_t cellKeyOf(const std::uint8_t channels[12]) const;
    std::int32_t cellOf(std::uint64_t key) const;
    // after: records up to this index are passed; stamp: marks the records
    // one search has checked; take: matches leave the grid.
    // checkFlags: records taken through the lists are still in the cells.
    void searchProbe(const NarrationRecord &a, std::int32_t after, std::int32_t stamp, bool take,
        std::vector<std::int32_t> &found, bool checkFlags = false);
    void walkCell(std::int32_t cell, std::int32_t after, const NarrationRecord &a,
        const GridEntry &probe, const ChannelWindow &window, bool checkFlags);
    // The cells a match of probe can lie in, whether empty or not.
    void cellsAround(const GridEntry &probe, std::vector<std::int32_t> &cells) const;
    void listSparseMatches();
    void listEntries(std::size_t begin, std::size_t end, std::vector<std::int32_t> &list);
    // The first 65 of m_matches by record index into found; take: they
    // leave the grid.
    void keepFirstMatches(bool take, std::vector<std::int32_t> &found);
    void buildPatternIndex();
    bool walkPatternIndex(std::int32_t cell, std::int32_t after, std::int32_t stamp,
        const NarrationRecord &a, const GridEntry &probe, const ChannelWindow &window);
    std::uint32_t blockOf(std::uint64_t pattern, int block) const
    {
        return std::uint32_t(pattern >> m_blockShift[block]) & ((1u << m_blockBits[block]) - 1);
    }
    bool entryMatches(const NarrationRecord &a, const GridEntry &probe, const ChannelWindow &window,
        const GridEntry &e) const;
    // The pattern part of the check, inline in the walks: it turns away most
    // candidates of a cell.
    bool patternFar(const GridEntry &probe, const GridEntry &e) const
    {
        return m_patternLimit < 64 && PopCount64(probe.pattern ^ e.pattern) > m_patternLimit;
    }
    QuickKey quickKey(const NarrationRecord &r) const;

    // Grid: each axis is one colour channel, cut into cells as wide as the
    // channel tolerance + 1, so a match lies in the same or a neighbouring
    // cell on every axis.
    bool m_average = false;
    int m_channelLimit = 0;  // largest channel difference that matches
    int m_patternLimit = 64;  // largest pattern distance that matches
    int m_axes = 3;
    int m_axis[kMaxAxes] = { 0, 1, 2, 3, 4, 5, 6 };  // channel of each axis
    int m_width = 1;
    int m_cellsPerAxis = 256;
    std::vector<GridEntry> m_entries;  // by cell, then record index
    // A cell's run of entries in m_entries and its pattern index (-1: none).
    // A dense grid has one per key, so finding a cell reads one place.
    struct CellRange {
        std::int32_t start = 0;
        std::int32_t end = 0;
        std::int32_t patternIndex = -1;
        bool crowded = false;  // at least kSparseCell entries when built
    };
    std::vector<CellRange> m_cells;
    bool m_dense = false;
    std::vector<std::uint64_t> m_occupied;  // dense grid: a bit per cell holding entries when built
    std::unordered_map<std::uint64_t, std::int32_t> m_sparseCells;  // key -> cell
    std::vector<std::int32_t> m_around;  // cells of the current search
    std::vector<Match> m_matches;
    // The largest record index that can still be among the source's first
    // 65 matches: once 65 are found, walks stop at the next later record.
    std::int32_t m_bound = 0;
    void trimMatches();

    // Pattern index of the crowded cells (families alike in colour): for
    // each block of pattern bits, the records whose block has each value, in
    // record order. Two patterns within the tolerance t agree exactly on at
    // least one of t + 1 disjoint blocks, so the buckets of the source's
    // blocks hold every match of the cell.
    struct Keyed {
        std::int32_t record;
        std::uint64_t pattern;  // read here, so most candidates cost no look-up
    };
    struct PatternIndex {
        std::vector<std::vector<Keyed>> buckets;  // block offset + value
    };
    int m_blocks = 0;
    int m_blockShift[kMaxPatternBlocks] = {};
    int m_blockBits[kMaxPatternBlocks] = {};
    int m_blockOffset[kMaxPatternBlocks] = {};
    std::vector<PatternIndex> m_patternIndexes;
    std::vector<GridEntry> m_byRecord;  // grid entries by record index, for the index's checks
    std::vector<std::int32_t> m_seen;  // the source that last checked a record

    // Each record's first matches among later records of sparse cells (at
    // most kListed, ascending; a full list may have been cut), and whether
    // a crowded cell lies around it. Made before the first source.
    bool m_listAhead = false;
    bool m_listed = false;
    std::vector<std::int32_t> m_listAt;  // by record: first of its list in m_list; -1: none
    std::vector<std::uint8_t> m_listCount;  // by record
    std::vector<std::uint8_t> m_nearCrowded;  // by record
    std::vector<std::int32_t> m_list;

    // Quick checks: the classes of equal keys in key order, each class's
    // records in record order in one array (a class is a slice of it), and
    // each record's class (-1: a Null key, or a key of its own). Sorted arrays
    // rather than a hash of vectors: a million mostly single-member classes
    // cost a sort, not a million allocations and scattered look-ups.
    static bool keyBefore(const QuickKey &a, const QuickKey &b)
    {
        return std::tie(a.size, a.x, a.y) < std::tie(b.size, b.x, b.y);
    }
    std::vector<QuickKey> m_classKeys;
    std::vector<std::int32_t> m_classStart;  // class c is [start[c], start[c + 1])
    std::vector<std::int32_t> m_classMembers;
    std::vector<std::int32_t> m_classOf;  // by record index
};

// The axes: for the quadrant methods the most spread channel of each
// quadrant (quadrants vary more independently than the channels of one),
// then the next most spread channels; as many axes as a dense table holds.
void FastScan::chooseAxes()
{
    if (m_average) {
        m_axes = 3;
        return;
    }
    std::array<double, 12> sum {}, squares {};
    std::size_t n = 0;
    std::uint8_t ch[12];
    for (const NarrationRecord &r : m_records) {
        if (r.processed)
            continue;
        ++n;
        channelsOf(r, false, ch);
        for (int c = 0; c < 12; ++c) {
            sum[std::size_t(c)] += ch[c];
            squares[std::size_t(c)] += double(ch[c]) * ch[c];
        }
    }
    std::array<double, 12> spread {};
    for (int c = 0; c < 12; ++c) {
        const double mean = n ? sum[std::size_t(c)] / double(n) : 0.0;
        spread[std::size_t(c)] = n ? squares[std::size_t(c)] / double(n) - mean * mean : 0.0;
    }
    std::vector<int> order;
    std::array<bool, 12> taken {};
    std::vector<int> best;
    for (int q = 0; q < 4; ++q) {
        int c = 3 * q;
        for (int k = 1; k < 3; ++k) {
            if (spread[std::size_t(3 * q + k)] > spread[std::size_t(c)])
                c = 3 * q + k;
        }
        best.push_back(c);
    }
    std::stable_sort(best.begin(), best.end(),
        [&](int l, int r) { return spread[std::size_t(l)] > spread[std::size_t(r)]; });
    for (const int c : best) {
        order.push_back(c);
        taken[std::size_t(c)] = true;
    }
    std::vector<int> rest;
    for (int c = 0; c < 12; ++c) {
        if (!taken[std::size_t(c)])
            rest.push_back(c);
    }
    std::stable_sort(rest.begin(), rest.end(),
        [&](int l, int r) { return spread[std::size_t(l)] > spread[std::size_t(r)]; });
    order.insert(order.end(), rest.begin(), rest.end());
    m_axes = 3;
    for (int axes = kMaxAxes; axes > 3; --axes) {
        std::uint64_t cells = 1;
        for (int k = 0; k < axes; ++k)
            cells *= std::uint64_t(m_cellsPerAxis);
        if (cells <= kDenseCells) {
            m_axes = axes;
            break;
        }
    }
    for (int k = 0; k < m_axes; ++k)
        m_axis[k] = order[std::size_t(k)];
}

std::uint64_t FastScan::cellKeyOf(const std::uint8_t channels[12]) const
{
    std::uint64_t key = 0;
    for (int k = m_axes - 1; k >= 0; --k)
        key = key * std::uint64_t(m_cellsPerAxis) + std::uint64_t(channels[m_axis[k]] / m_width);
    return key;
}

void FastScan::buildGrid()
{
    m_average = m_method == int(NarrationMethod::AverageRGB);
    m_channelLimit = m_average ? AvgChannelTolerance(AverageTolerance(m_level))
                               : QuadChannelTolerance(m_level);
    m_patternLimit
        = m_method == int(NarrationMethod::BitmapPattern) ? PatternBitTolerance(m_level) : 64;
    // Quadrant cells twice the width a match can span: a source then looks
    // into about two cells per axis instead of three, and the fewer cells
    // per axis leave room for more axes (five at the presets, seven at the
    // largest tolerance), which cut the volume looked into further.
    m_width = m_channelLimit + 1;
    if (!m_average)
        m_width *= 2;
    m_cellsPerAxis = (255 / m_width) + 1;
    chooseAxes();

    std::uint64_t cells = 1;
    for (int k = 0; k < m_axes; ++k)
        cells *= std::uint64_t(m_cellsPerAxis);
    // A dense table costs its full size to clear, so a small selection (the
    // common narration of a few directories) uses the map instead.
    m_dense = cells <= kDenseCells && cells <= 16 * std::uint64_t(m_records.size()) + 65536;
    if (m_dense)
        m_cells.assign(std::size_t(cells), CellRange());

    if (m_dense)
        fillDenseCells();
    else
        fillHashedCells();
    for (CellRange &range : m_cells)
        range.crowded = range.end - range.start >= kSparseCell;
    if (m_dense) {
        m_occupied.assign((m_cells.size() + 63) / 64, 0);
        for (std::size_t c = 0; c < m_cells.size(); ++c) {
            if (m_cells[c].end > m_cells[c].start)
                m_occupied[c >> 6] |= std::uint64_t(1) << (c & 63);
        }
    }
    buildPatternIndex();
}

// A grid for a large selection: a counting sort into the table of cells.
// Records are visited in record order, so each cell's entries come out in
// record order without sorting a million keys.
void FastScan::fillDenseCells()
{
    std::vector<GridEntry> staged;
    std::vector<std::uint32_t> keys;  // below kDenseCells
    staged.reserve(m_records.size());
    keys.reserve(m_records.size());
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        const NarrationRecord &r = m_records[i];
        if (r.processed)
            continue;
        GridEntry e;
        e.index = std::int32_t(i);
        channelsOf(r, m_average, e.channel);
        e.pattern = patternOf(r);
        const auto key = std::uint32_t(cellKeyOf(e.channel));
        ++m_cells[key].end;  // a count for now
        staged.push_back(e);
        keys.push_back(key);
    }
    std::int32_t at = 0;
    for (CellRange &range : m_cells) {
        const std::int32_t count = range.end;
        range.start = at;
        range.end = at;
        at += count;
    }
    m_entries.resize(staged.size());
    for (std::size_t i = 0; i < staged.size(); ++i)
        m_entries[std::size_t(m_cells[keys[i]].end++)] = staged[i];
}

// A grid for a small selection: the cells that hold records, found through
// a map, in key order.
void FastScan::fillHashedCells()
{
    std::vector<std::pair<std::uint64_t, std::int32_t>> keyed;
    keyed.reserve(m_records.size());
    std::uint8_t ch[12];
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        if (m_records[i].processed)
            continue;
        channelsOf(m_records[i], m_average, ch);
        keyed.emplace_back(cellKeyOf(ch), std::int32_t(i));
    }
    std::sort(keyed.begin(), keyed.end());
    m_entries.reserve(keyed.size());
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        if (i == 0 || keyed[i].first != keyed[i - 1].first) {
            m_sparseCells.emplace(keyed[i].first, std::int32_t(m_cells.size()));
            CellRange &range = m_cells.emplace_back();
            range.start = std::int32_t(m_entries.size());
            range.end = range.start;
        }
        const NarrationRecord &r = m_records[std::size_t(keyed[i].second)];
        GridEntry e;
        e.index = keyed[i].second;
        channelsOf(r, m_average, e.channel);
        e.pattern = patternOf(r);
        m_entries.push_back(e);
        ++m_cells.back().end;
    }
}

void FastScan::buildPatternIndex()
{
    if (m_method != int(NarrationMethod::BitmapPattern) || m_patternLimit + 1 > kMaxPatternBlocks)
        return;
    m_blocks = std::max(m_patternLimit + 1, kMinPatternBlocks);
    int shift = 0;
    int offset = 0;
    for (int b = 0; b < m_blocks; ++b) {
        m_blockBits[b] = 64 / m_blocks + (b < 64 % m_blocks ? 1 : 0);
        m_blockShift[b] = shift;
        m_blockOffset[b] = offset;
        shift += m_blockBits[b];
        offset += 1 << m_blockBits[b];  // m_blockBits is 16 at most
    }
    for (CellRange &range : m_cells) {
        const std::int32_t start = range.start;
        const std::int32_t stop = range.end;
        if (stop - start < kCrowdedCell)
            continue;
        if (m_byRecord.empty()) {
            m_byRecord.resize(m_records.size());
            m_seen.assign(m_records.size(), -1);
        }
        range.patternIndex = std::int32_t(m_patternIndexes.size());
        PatternIndex &index = m_patternIndexes.emplace_back();
        index.buckets.resize(std::size_t(offset));
        for (std::int32_t i = start; i < stop; ++i) {
            const GridEntry &e = m_entries[std::size_t(i)];
            m_byRecord[std::size_t(e.index)] = e;
            for (int b = 0; b < m_blocks; ++b)
                index.buckets[std::size_t(m_blockOffset[b]) + blockOf(e.pattern, b)].push_back(
                    { e.index, e.pattern });
        }
    }
}

// Collects every match of a crowded cell through its pattern index, or
// returns false when the source's buckets hold most of the cell anyway (a
// family alike in pattern too), so the plain walk with its early stop is
// cheaper. The buckets drop passed and taken records as they are read.
bool FastScan::walkPatternIndex(std::int32_t cell, std::int32_t after, std::int32_t stamp,
    const NarrationRecord &a, const GridEntry &probe, const ChannelWindow &window)
{
    const std::int32_t which = m_cells[std::size_t(cell)].patternIndex;
    if (which < 0)
        return false;
    PatternIndex &index = m_patternIndexes[std::size_t(which)];
    std::size_t candidates = 0;
    for (int b = 0; b < m_blocks; ++b)
        candidates
            += index.buckets[std::size_t(m_blockOffset[b]) + blockOf(probe.pattern, b)].size();
    const auto live
        = std::size_t(m_cells[std::size_t(cell)].end - m_cells[std::size_t(cell)].start);
    if (candidates * 2 > live)
        return false;
    for (int b = 0; b < m_blocks; ++b) {
        std::vector<Keyed> &bucket
            = index.buckets[std::size_t(m_blockOffset[b]) + blockOf(probe.pattern, b)];
        std::size_t write = 0;
        const std::size_t size = bucket.size();
        for (std::size_t read = 0; read < size; ++read) {
            const Keyed keyed = bucket[read];
            const std::int32_t record = keyed.record;
            if (record <= after || isProcessed(record))
                continue;
            if (record > m_bound) {
                // The bucket is in record order: the rest cannot be kept.
                if (write != read)
                    std::memmove(&bucket[write], &bucket[read], (size - read) * sizeof(Keyed));
                write += size - read;
                break;
            }
            bucket[write++] = keyed;
            if (PopCount64(probe.pattern ^ keyed.pattern) > m_patternLimit
                || m_seen[std::size_t(record)] == stamp)
                continue;
            m_seen[std::size_t(record)] = stamp;
            if (entryMatches(a, probe, window, m_byRecord[std::size_t(record)]))
                m_matches.push_back({ record, -1 });
        }
        bucket.resize(write);
    }
    return true;
}

std::int32_t FastScan::cellOf(std::uint64_t key) const
{
    if (m_dense)
        return std::int32_t(key);
    const auto found = m_sparseCells.find(key);
    return found == m_sparseCells.end() ? -1 : found->second;
}

// The comparison's own form on the unpacked values first (cheap, and never
// stricter than the library), then the library's comparison itself. The
// pattern goes first: families alike in colour (grey frames, dark shots)
// share cells, and there the pattern is what tells them apart.
bool FastScan::entryMatches(const NarrationRecord &a, const GridEntry &probe,
    const ChannelWindow &window, const GridEntry &e) const
{
    if (patternFar(probe, e) || !window.contains(e))
        return false;
    return matches(a, m_records[std::size_t(e.index)]);
}

// Walks one cell from its first entry: drops the entries of records passed
// (index <= source) or taken, keeps the rest in record order, and collects
// up to 65 matches (later matches in this cell cannot be among the first 65
// of the source). A walk that stops early packs the kept entries against the
// part it did not reach, so the cell stays one run of entries.
void FastScan::walkCell(std::int32_t cell, std::int32_t after, const NarrationRecord &a,
    const GridEntry &probe, const ChannelWindow &window, bool checkFlags)
{
    CellRange &range = m_cells[std::size_t(cell)];
    const std::int32_t start = range.start;
    const std::int32_t stop = range.end;
    const std::size_t firstMatch = m_matches.size();
    // Records taken through the cell's pattern index are still in it.
    checkFlags = checkFlags || range.patternIndex >= 0;
    std::int32_t read = start;
    std::int32_t write = start;
    int found = 0;
    while (read < stop && found < kMaxSignatureMatches) {
        const GridEntry &e = m_entries[std::size_t(read++)];
        // Passed, or taken here (index -1) or elsewhere (through a pattern
        // index or a list: only then is the flag looked up, a read
        // elsewhere in memory).
        if (e.index <= after || (checkFlags && isProcessed(e.index)))
            continue;
        if (e.index > m_bound) {
            --read;  // this entry and the rest stay; none can be kept
            break;
        }
        if (write != read - 1)
            m_entries[std::size_t(write)] = e;
        if (!patternFar(probe, m_entries[std::size_t(write)])
            && entryMatches(a, probe, window, m_entries[std::size_t(write)])) {
            m_matches.push_back({ m_entries[std::size_t(write)].index, write });
            ++found;
        }
        ++write;
    }
    if (read >= stop) {
        range.end = write;
        return;
    }
    const std::int32_t kept = write - start;
    const std::int32_t newStart = read - kept;
    if (newStart == start)
        return;
    std::memmove(&m_entries[std::size_t(newStart)], &m_entries[std::size_t(start)],
        std::size_t(kept) * sizeof(GridEntry));
    for (std::size_t m = firstMatch; m < m_matches.size(); ++m)
        m_matches[m].position += newStart - start;
    range.start = newStart;
}

// Keeps the first 65 matches by record index and lowers the bound to the
// last of them.
void FastScan::trimMatches()
{
    // Once the bound is set, trimming waits until twice as many matches
    // are held: a stale bound is still a safe one, and a source that looks
    // into hundreds of cells of a family must not sort 65 matches each time.
    const std::size_t wait = m_bound == std::numeric_limits<std::int32_t>::max()
        ? std::size_t(kMaxSignatureMatches)
        : std::size_t(2 * kMaxSignatureMatches);
    if (m_matches.size() < wait)
        return;
    const auto byIndex = [](const Match &l, const Match &r) { return l.index < r.index; };
    if (m_matches.size() > std::size_t(kMaxSignatureMatches)) {
        std::nth_element(m_matches.begin(), m_matches.begin() + (kMaxSignatureMatches - 1),
            m_matches.end(), byIndex);
        m_matches.resize(std::size_t(kMaxSignatureMatches));
        m_bound = m_matches.back().index;
    } else {
        m_bound = std::max_element(m_matches.begin(), m_matches.end(), byIndex)->index;
    }
}

void FastScan::cellsAround(const GridEntry &probe, std::vector<std::int32_t> &cells) const
{
    // Per axis the cell steps that can hold a match: the cell below only
    // when the channel is nearer than the tolerance to the cell's lower
    // edge, the cell above likewise. The keys are built axis by axis, each
    // step added to the keys so far: one addition a key.
    std::int64_t keys[kMaxKeysAround];
    int count = 1;
    keys[0] = std::int64_t(cellKeyOf(probe.channel));
    std::int64_t scale = 1;
    for (int k = 0; k < m_axes; ++k) {
        const int channel = probe.channel[m_axis[k]];
        const int centre = channel / m_width;
        const int offset = channel - centre * m_width;
        const int before = count;
        if (centre > 0 && offset < m_channelLimit) {
            for (int i = 0; i < before; ++i)
                keys[count++] = keys[i] - scale;
        }
        if (centre + 1 < m_cellsPerAxis && offset >= m_width - m_channelLimit) {
            for (int i = 0; i < before; ++i)
                keys[count++] = keys[i] + scale;
        }
        scale *= m_cellsPerAxis;
    }
    cells.clear();
    for (int i = 0; i < count; ++i) {
        const std::int64_t key = keys[i];
        if (m_dense) {
            // Most cells around are empty; the bits say so without reading
            // the cells themselves.
            if (m_occupied[std::size_t(key) >> 6] >> (key & 63) & 1)
                cells.push_back(std::int32_t(key));
        } else {
            const std::int32_t cell = cellOf(std::uint64_t(key));
            if (cell >= 0)
                cells.push_back(cell);
        }
    }
}

void FastScan::searchProbe(const NarrationRecord &a, std::int32_t after, std::int32_t stamp,
    bool take, std::vector<std::int32_t> &found, bool checkFlags)
{
    GridEntry probe;
    probe.index = after;
    channelsOf(a, m_average, probe.channel);
    probe.pattern = patternOf(a);
    const ChannelWindow window(probe, m_channelLimit);
    m_matches.clear();
    // The cells around are found first and their memory asked for ahead:
    // each sits in another part of the grid, and waiting for them one by one
    // cost more than walking them.
    cellsAround(probe, m_around);
    for (const std::int32_t cell : m_around)
        __builtin_prefetch(&m_cells[std::size_t(cell)]);
    std::size_t kept = 0;
    for (const std::int32_t cell : m_around) {
        const CellRange &range = m_cells[std::size_t(cell)];
        if (range.end > range.start) {
            __builtin_prefetch(&m_entries[std::size_t(range.start)]);
            m_around[kept++] = cell;
        }
    }
    m_around.resize(kept);
    m_bound = std::numeric_limits<std::int32_t>::max();
    for (const std::int32_t cell : m_around) {
        if (!walkPatternIndex(cell, after, stamp, a, probe, window))
            walkCell(cell, after, a, probe, window, checkFlags);
        trimMatches();
    }
    keepFirstMatches(take, found);
}

void FastScan::keepFirstMatches(bool take, std::vector<std::int32_t> &found)
{
    const auto byIndex = [](const Match &l, const Match &r) { return l.index < r.index; };
    if (m_matches.size() > std::size_t(kMaxSignatureMatches)) {
        std::nth_element(
            m_matches.begin(), m_matches.begin() + kMaxSignatureMatches, m_matches.end(), byIndex);
        m_matches.resize(std::size_t(kMaxSignatureMatches));
    }
    std::sort(m_matches.begin(), m_matches.end(), byIndex);
    for (const Match &m : m_matches) {
        found.push_back(m.index);
        if (take && m.position >= 0)
            m_entries[std::size_t(m.position)].index = -1;
    }
}

// One pass over the grid in cell order: each record's matches among the
// later records of the sparse cells around it, the first kListed of them.
// Consecutive records look into mostly the same cells, which stay in the
// cache. Sparse cells are not changed by the run from here on; the records
// the run takes out of them are read from the processed flags.
//
// Each record's list depends only on the grid as built, so the pass is cut
// into runs of entries listed on threads of their own: nothing else runs
// before the first source (the table is read and no flag is final yet).
void FastScan::listSparseMatches()
{
    m_listAt.assign(m_records.size(), -1);
    m_listCount.assign(m_records.size(), 0);
    m_nearCrowded.assign(m_records.size(), 0);
    const std::size_t parts = m_entries.size() < kListOnThreadsFrom
        ? 1
        : std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, kMaxListingThreads);
    std::vector<std::vector<std::int32_t>> lists(parts);
    std::vector<std::exception_ptr> failures(parts);
    const auto listPart = [&](std::size_t part) {
        try {
            listEntries(m_entries.size() * part / parts, m_entries.size() * (part + 1) / parts,
                lists[part]);
        } catch (...) {
            failures[part] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    for (std::size_t part = 1; part < parts; ++part) {
        try {
            threads.emplace_back(listPart, part);
        } catch (const std::system_error &) {
            listPart(part);  // no thread to be had: listed here
        }
    }
    listPart(0);
    for (std::thread &thread : threads)
        thread.join();
    for (const std::exception_ptr &failure : failures) {
        if (failure)
            std::rethrow_exception(failure);
    }
    // Each part counted its lists' starts from zero.
    m_list = std::move(lists[0]);
    for (std::size_t part = 1; part < parts; ++part) {
        const auto base = std::int32_t(m_list.size());
        const std::size_t end = m_entries.size() * (part + 1) / parts;
        for (std::size_t i = m_entries.size() * part / parts; i < end; ++i)
            m_listAt[std::size_t(m_entries[i].index)] += base;
        m_list.insert(m_list.end(), lists[part].begin(), lists[part].end());
        std::vector<std::int32_t>().swap(lists[part]);
    }
    m_listed = true;
}

// The lists of the entries [begin, end) into list; every record listed here
// is written to its own slots of the per-record tables only.
void FastScan::listEntries(std::size_t begin, std::size_t end, std::vector<std::int32_t> &list)
{
    std::vector<std::int32_t> around;
    std::vector<std::int32_t> listed;
    for (std::size_t at = begin; at < end; ++at) {
        const GridEntry &e = m_entries[at];
        cellsAround(e, around);
        // Memory asked for ahead, as in the search: the cells of a row new
        // to this record are not in the cache yet. Cells are walked from
        // their end (the bits say every cell here holds an entry).
        for (const std::int32_t cell : around)
            __builtin_prefetch(&m_cells[std::size_t(cell)]);
        for (const std::int32_t cell : around)
            __builtin_prefetch(&m_entries[std::size_t(m_cells[std::size_t(cell)].end - 1)]);
        listed.clear();
        const ChannelWindow window(e, m_channelLimit);
        bool nearCrowded = false;
        for (const std::int32_t cell : around) {
            const CellRange &range = m_cells[std::size_t(cell)];
            if (range.crowded) {
                nearCrowded = true;
                continue;
            }
            // Entries of a cell are in record order and only later records
            // are listed: walked from the end, the walk stops at the record
            // itself or the first before it. A sparse cell holds fewer than
            // 64 entries, so its matches are all kept and cut below. The
            // channels go first: they turn away nearly every entry.
            const GridEntry *first = &m_entries[std::size_t(range.start)];
            for (const GridEntry *b = &m_entries[std::size_t(range.end)]; b-- != first;) {
                if (b->index <= e.index)
                    break;
                if (window.contains(*b) && !patternFar(e, *b)
                    && matches(m_records[std::size_t(e.index)], m_records[std::size_t(b->index)]))
                    listed.push_back(b->index);
            }
        }
        if (listed.size() > std::size_t(kListed)) {
            std::nth_element(listed.begin(), listed.begin() + kListed, listed.end());
            listed.resize(std::size_t(kListed));
        }
        std::sort(listed.begin(), listed.end());
        m_listAt[std::size_t(e.index)] = std::int32_t(list.size());
        m_listCount[std::size_t(e.index)] = std::uint8_t(listed.size());
        m_nearCrowded[std::size_t(e.index)] = nearCrowded ? 1 : 0;
        list.insert(list.end(), listed.begin(), listed.end());
    }
}

void FastScan::searchSignatures(std::int32_t source, std::vector<std::int32_t> &found)
{
    if (!m_listAhead) {
        searchProbe(m_records[std::size_t(source)], source, source, true, found);
        return;
    }
    if (!m_listed)
        listSparseMatches();
    const NarrationRecord &a = m_records[std::size_t(source)];
    // The first record is a source even when it was marked processed, and
    // then it is not in the grid and has no list.
    if (m_listAt[std::size_t(source)] < 0) {
        searchProbe(a, source, -2 - source, true, found, true);
        return;
    }
    const std::int32_t *list = m_list.data() + m_listAt[std::size_t(source)];
    const int listed = m_listCount[std::size_t(source)];
    m_matches.clear();
    for (int k = 0; k < listed; ++k) {
        if (!isProcessed(list[k]))
            m_matches.push_back({ list[k], -1 });
    }
    if (m_nearCrowded[std::size_t(source)]) {
        GridEntry probe;
        probe.index = source;
        channelsOf(a, m_average, probe.channel);
        probe.pattern = patternOf(a);
        const ChannelWindow window(probe, m_channelLimit);
        cellsAround(probe, m_around);
        m_bound = std::numeric_limits<std::int32_t>::max();
        trimMatches();
        for (const std::int32_t cell : m_around) {
            const CellRange &range = m_cells[std::size_t(cell)];
            if (!range.crowded || range.end == range.start)
                continue;
            if (!walkPatternIndex(cell, source, source, a, probe, window))
                walkCell(cell, source, a, probe, window, false);
            trimMatches();
        }
    }
    const std::size_t before = found.size();
    keepFirstMatches(false, found);
    // A full list may have been cut: past its last record, sparse matches
    // may be missing unless 65 matches were found before it.
    if (listed == kListed
        && (found.size() - before < std::size_t(kMaxSignatureMatches)
            || found.back() > list[kListed - 1])) {
        found.resize(before);
        // Another stamp: the walks above marked the records they checked.
        searchProbe(a, source, -2 - source, true, found, true);
        return;
    }
    for (const Match &m : m_matches) {
        if (m.position >= 0)
            m_entries[std::size_t(m.position)].index = -1;
    }
}

QuickKey FastScan::quickKey(const NarrationRecord &r) const
{
    switch (NarrationMethod(m_method)) {
    case NarrationMethod::Filesize: return { r.fileSize, 0, 0 };
    case NarrationMethod::Dimensions: return { 0, r.dimX, r.dimY };
    default: return { r.fileSize, r.dimX, r.dimY };
    }
}

void FastScan::buildClasses()
{
    const bool size = m_method != int(NarrationMethod::Dimensions);
    const bool dims = m_method != int(NarrationMethod::Filesize);
    struct Keyed {
        QuickKey key;
        std::int32_t record;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(m_records.size());
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        const NarrationRecord &r = m_records[i];
        // A Null never equals a number in the query.
        if ((size && r.sizeNull) || (dims && (r.dimXNull || r.dimYNull)))
            continue;
        keyed.push_back({ quickKey(r), std::int32_t(i) });
    }
    // By key, then record order within a key.
    std::sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
        return keyBefore(a.key, b.key) || (a.key == b.key && a.record < b.record);
    });
    m_classOf.assign(m_records.size(), -1);
    m_classMembers.reserve(keyed.size());
    for (const Keyed &k : keyed) {
        if (m_classKeys.empty() || !(m_classKeys.back() == k.key)) {
            m_classKeys.push_back(k.key);
            m_classStart.push_back(std::int32_t(m_classMembers.size()));
        }
        m_classOf[std::size_t(k.record)] = std::int32_t(m_classKeys.size() - 1);
        m_classMembers.push_back(k.record);
    }
    m_classStart.push_back(std::int32_t(m_classMembers.size()));
    // A record alone with its key has no duplicate to look up.
    for (std::size_t c = 0; c + 1 < m_classStart.size(); ++c) {
        if (m_classStart[c + 1] - m_classStart[c] == 1)
            m_classOf[std::size_t(m_classMembers[std::size_t(m_classStart[c])])] = -1;
    }
}

void FastScan::searchQuick(std::int32_t source, std::vector<std::int32_t> &found)
{
    const std::int32_t c = m_classOf[std::size_t(source)];
    if (c < 0)
        return;
    const NarrationRecord &a = m_records[std::size_t(source)];
    for (std::int32_t at = m_classStart[std::size_t(c)]; at < m_classStart[std::size_t(c) + 1];
         ++at) {
        const std::int32_t index = m_classMembers[std::size_t(at)];
        if (m_records[std::size_t(index)].id != a.id)
            found.push_back(index);
    }
}

// --- memory entries against every record ----------------------------------

// Every record looked at in order for each entry, as the memory narration
// is defined.
class ReferenceMemoryScan final : public MemoryScan {
public:
    ReferenceMemoryScan(
        std::vector<NarrationRecord> records, int method, int level, bool anyOrientation)
        : MemoryScan(std::move(records), method, level, anyOrientation)
    {
    }

    void search(
        const NarrationRecord &entry, bool cancelled, std::vector<std::int32_t> &found) override
    {
        found.clear();
        if (!IsSignatureMethod(m_method)) {
            quickReference(entry, found);
            return;
        }
        for (std::int32_t c = 0; c < std::int32_t(m_records.size()); ++c) {
            const NarrationRecord &b = m_records[std::size_t(c)];
            if (!b.processed && SignaturesMatch(m_method, m_level, entry, b, m_anyOrientation))
                found.push_back(c);
            if (cancelled || int(found.size()) >= kMaxSignatureMatches)
                break;
        }
    }

private:
    void quickReference(const NarrationRecord &entry, std::vector<std::int32_t> &found) const
    {
        const bool size = m_method != int(NarrationMethod::Dimensions);
        const bool dims = m_method != int(NarrationMethod::Filesize);
        for (std::int32_t c = 0; c < std::int32_t(m_records.size()); ++c) {
            const NarrationRecord &b = m_records[std::size_t(c)];
            if (size && (b.sizeNull || b.fileSize != entry.fileSize))
                continue;
            if (dims && (b.dimXNull || b.dimYNull || b.dimX != entry.dimX || b.dimY != entry.dimY))
                continue;
            found.push_back(c);
        }
    }
};

// The database narration's grid, searched without taking anything out of it.
class FastMemoryScan final : public MemoryScan {
public:
    FastMemoryScan(std::vector<NarrationRecord> records, int method, int level, bool anyOrientation)
        : MemoryScan({}, method, level, anyOrientation)
        , m_grid(std::move(records), method, level, anyOrientation)
    {
    }

    const std::vector<NarrationRecord> &records() const override { return m_grid.records(); }

    void search(
        const NarrationRecord &entry, bool cancelled, std::vector<std::int32_t> &found) override
    {
        found.clear();
        if (!IsSignatureMethod(m_method)) {
            m_grid.quickMembers(entry, found);
            return;
        }
        if (cancelled) {
            // The search ends after the first record it looked at.
            const auto &rows = m_grid.records();
            if (!rows.empty() && !rows.front().processed
                && SignaturesMatch(m_method, m_level, entry, rows.front(), m_anyOrientation))
                found.push_back(0);
            return;
        }
        m_grid.searchOutside(entry, m_stamp++, found);
    }

private:
    FastScan m_grid;
    std::int32_t m_stamp = 0;
};

class PerceptualMemoryScan final : public MemoryScan {
public:
    PerceptualMemoryScan(
        std::vector<NarrationRecord> records, int method, int level, bool anyOrientation)
        : MemoryScan(std::move(records), method, level, anyOrientation)
        , m_index(PerceptualHashesOf(m_records))
    {
    }

    void search(
        const NarrationRecord &entry, bool cancelled, std::vector<std::int32_t> &found) override
    {
        found.clear();
        if (m_records.empty())
            return;
        if (cancelled) {
            // As the run does when Cancel was pressed: the first record only.
            if (!m_records[0].processed
                && SignaturesMatch(m_method, m_level, entry, m_records[0], m_anyOrientation))
                found.push_back(0);
            return;
        }
        if (entry.perceptualNull)
            return;
        m_index.within(
            entry.perceptual, PerceptualBitTolerance(m_level), m_anyOrientation, m_candidates);
        for (const std::int32_t c : m_candidates) {
            const NarrationRecord &b = m_records[std::size_t(c)];
            if (b.processed || b.perceptualNull)
                continue;
            found.push_back(c);
            if (int(found.size()) >= kMaxSignatureMatches)
                break;
        }
    }

private:
    PerceptualIndex m_index;
    std::vector<std::int32_t> m_candidates;
};

}  // namespace

MemoryScan::MemoryScan(
    std::vector<NarrationRecord> records, int method, int toleranceLevel, bool anyOrientation)
    : m_records(std::move(records))
    , m_method(method)
    , m_level(toleranceLevel)
    , m_anyOrientation(anyOrientation)
{
}

MemoryScan::~MemoryScan() = default;

std::unique_ptr<MemoryScan> MakeReferenceMemoryScan(
    std::vector<NarrationRecord> records, int method, int toleranceLevel, bool anyOrientation)
{
    return std::make_unique<ReferenceMemoryScan>(
        std::move(records), method, toleranceLevel, anyOrientation);
}

std::unique_ptr<MemoryScan> MakeFastMemoryScan(
    std::vector<NarrationRecord> records, int method, int toleranceLevel, bool anyOrientation)
{
    if (method == int(NarrationMethod::Perceptual))
        return std::make_unique<PerceptualMemoryScan>(
            std::move(records), method, toleranceLevel, anyOrientation);
    return std::make_unique<FastMemoryScan>(
        std::move(records), method, toleranceLevel, anyOrientation);
}

std::unique_ptr<NarrationScan> MakeReferenceScan(
    std::vector<NarrationRecord> records, int method, int toleranceLevel, bool anyOrientation)
{
    return std::make_unique<ReferenceScan>(
        std::move(records), method, toleranceLevel, anyOrientation);
}

std::unique_ptr<NarrationScan> MakeFastScan(std::vector<NarrationRecord> records, int method,
    int toleranceLevel, bool anyOrientation, std::int32_t listAheadFrom)
{
    if (method == int(NarrationMethod::Perceptual))
        return MakePerceptualScan(std::move(records), method, toleranceLevel, anyOrientation);
    return std::make_unique<FastScan>(
        std::move(records), method, toleranceLevel, anyOrientation, listAheadFrom);
}

}  // namespace vexa

#include "narration/narrationscan.h"

#include "narration/narrationsettings.h"
#include "signature/signaturelib.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>

namespace vexa {

NarrationScan::NarrationScan(std::vector<NarrationRecord> records, int method, int toleranceLevel)
    : m_records(std::move(records))
    , m_processed(m_records.size(), 0)
    , m_method(method)
    , m_level(toleranceLevel)
{
    for (std::size_t i = 0; i < m_records.size(); ++i)
        m_processed[i] = m_records[i].processed ? 1 : 0;
}

NarrationScan::~NarrationScan() = default;

bool NarrationScan::matches(const NarrationRecord &a, const NarrationRecord &b) const
{
    switch (NarrationMethod(m_method)) {
    case NarrationMethod::AverageRGB: return CompareAvgRGB(a.avg, b.avg, AverageTolerance(m_level)) != 0;
    case NarrationMethod::QuadrupleRGB:
        return CompareQuadRGB(a.quad[0], a.quad[1], a.quad[2], a.quad[3], b.quad[0], b.quad[1],
                   b.quad[2], b.quad[3], m_level)
            != 0;
    case NarrationMethod::BitmapPattern:
        return CompareBitLong(a.pattern1, b.pattern1, a.pattern2, b.pattern2, m_level) != 0
            && CompareQuadRGB(a.quad[0], a.quad[1], a.quad[2], a.quad[3], b.quad[0], b.quad[1],
                   b.quad[2], b.quad[3], m_level)
            != 0;
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
    ReferenceScan(std::vector<NarrationRecord> records, int method, int level)
        : NarrationScan(std::move(records), method, level)
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

// A candidate in the colour grid with what its comparison reads.
struct GridEntry {
    std::int32_t index;  // record index; -1 once taken by a group
    std::int32_t quad[4];
    std::int32_t pattern1;
    std::int32_t pattern2;
};

// One colour channel of a record: 0..2 the average's red, green, blue;
// 3 + 3q + k channel k of quadrant q.
int channelOf(const NarrationRecord &r, int coordinate)
{
    std::int32_t rgb[3];
    const std::int32_t packed = coordinate < 3 ? r.avg : r.quad[(coordinate - 3) / 3];
    GetRGBValues(packed, rgb[0], rgb[1], rgb[2]);
    return int(rgb[coordinate < 3 ? coordinate : (coordinate - 3) % 3]);
}

struct QuickKey {
    std::int64_t size;
    std::int32_t x;
    std::int32_t y;
    bool operator==(const QuickKey &o) const { return size == o.size && x == o.x && y == o.y; }
};

struct QuickKeyHash {
    std::size_t operator()(const QuickKey &k) const
    {
        std::uint64_t h = std::uint64_t(k.size) * 0x9E3779B97F4A7C15ull;
        h ^= (std::uint64_t(std::uint32_t(k.x)) << 32 | std::uint32_t(k.y)) + 0x7F4A7C15ull + (h << 6)
            + (h >> 2);
        return std::size_t(h ^ (h >> 29));
    }
};

class FastScan final : public NarrationScan {
public:
    FastScan(std::vector<NarrationRecord> records, int method, int level)
        : NarrationScan(std::move(records), method, level)
    {
        if (IsSignatureMethod(m_method))
            buildGrid();
        else
            buildClasses();
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
    void buildClasses();
    std::uint32_t cellKey(const int coordinates[3]) const
    {
        const auto axis = std::uint32_t(m_cellsPerAxis);
        return std::uint32_t(coordinates[0])
            + axis * (std::uint32_t(coordinates[1]) + axis * std::uint32_t(coordinates[2]));
    }
    std::int32_t cellOf(std::uint32_t key) const;
    void walkCell(std::int32_t cell, std::int32_t source, const NarrationRecord &a);
    bool entryMatches(const NarrationRecord &a, const GridEntry &e) const;
    QuickKey quickKey(const NarrationRecord &r) const;

    // Grid
    int m_coordinates[3] = { 0, 1, 2 };  // channels the grid is laid over
    int m_width = 1;  // cell width: the channel tolerance + 1
    int m_cellsPerAxis = 256;
    std::vector<GridEntry> m_entries;  // by cell, then record index
    std::vector<std::int32_t> m_cellStart;
    std::vector<std::int32_t> m_cellEnd;
    std::vector<std::int32_t> m_denseCells;  // key -> cell, -1 empty (wide cells)
    std::unordered_map<std::uint32_t, std::int32_t> m_sparseCells;  // narrow cells
    std::vector<Match> m_matches;

    // Quick checks: records of each key, in record order
    std::unordered_map<QuickKey, std::vector<std::int32_t>, QuickKeyHash> m_classes;
};

void FastScan::buildGrid()
{
    const bool average = m_method == int(NarrationMethod::AverageRGB);
    const int tolerance = average ? AvgChannelTolerance(AverageTolerance(m_level))
                                  : QuadChannelTolerance(m_level);
    m_width = std::max(1, tolerance + 1);
    m_cellsPerAxis = (255 / m_width) + 1;
    if (!average) {
        // Lay the grid over the three quadrant channels that spread the
        // records most: any channel of any quadrant bounds the comparison.
        std::array<double, 12> sum {}, squares {};
        std::size_t n = 0;
        for (const NarrationRecord &r : m_records) {
            if (r.processed)
                continue;
            ++n;
            for (int c = 0; c < 12; ++c) {
                const double v = channelOf(r, 3 + c);
                sum[std::size_t(c)] += v;
                squares[std::size_t(c)] += v * v;
            }
        }
        std::array<int, 12> order {};
        std::array<double, 12> spread {};
        for (int c = 0; c < 12; ++c) {
            order[std::size_t(c)] = c;
            const double mean = n ? sum[std::size_t(c)] / double(n) : 0.0;
            spread[std::size_t(c)] = n ? squares[std::size_t(c)] / double(n) - mean * mean : 0.0;
        }
        std::stable_sort(order.begin(), order.end(),
            [&](int l, int r) { return spread[std::size_t(l)] > spread[std::size_t(r)]; });
        for (int k = 0; k < 3; ++k)
            m_coordinates[k] = 3 + order[std::size_t(k)];
    }

    std::vector<std::pair<std::uint32_t, std::int32_t>> keyed;
    keyed.reserve(m_records.size());
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        if (m_records[i].processed)
            continue;
        int coords[3];
        for (int k = 0; k < 3; ++k)
            coords[k] = channelOf(m_records[i], m_coordinates[k]) / m_width;
        keyed.emplace_back(cellKey(coords), std::int32_t(i));
    }
    std::sort(keyed.begin(), keyed.end());

    const bool dense = m_width >= 2;  // 128^3 cells or fewer: an 8 MB table
    if (dense)
        m_denseCells.assign(std::size_t(m_cellsPerAxis) * std::size_t(m_cellsPerAxis)
                * std::size_t(m_cellsPerAxis),
            -1);
    m_entries.reserve(keyed.size());
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        if (i == 0 || keyed[i].first != keyed[i - 1].first) {
            const auto cell = std::int32_t(m_cellStart.size());
            if (!m_cellEnd.empty())
                m_cellEnd.back() = std::int32_t(m_entries.size());
            m_cellStart.push_back(std::int32_t(m_entries.size()));
            m_cellEnd.push_back(0);
            if (dense)
                m_denseCells[keyed[i].first] = cell;
            else
                m_sparseCells.emplace(keyed[i].first, cell);
        }
        const NarrationRecord &r = m_records[std::size_t(keyed[i].second)];
        GridEntry e;
        e.index = keyed[i].second;
        std::copy(std::begin(r.quad), std::end(r.quad), e.quad);
        if (average)
            e.quad[0] = r.avg;
        e.pattern1 = r.pattern1;
        e.pattern2 = r.pattern2;
        m_entries.push_back(e);
    }
    if (!m_cellEnd.empty())
        m_cellEnd.back() = std::int32_t(m_entries.size());
}

std::int32_t FastScan::cellOf(std::uint32_t key) const
{
    if (!m_denseCells.empty())
        return m_denseCells[key];
    const auto found = m_sparseCells.find(key);
    return found == m_sparseCells.end() ? -1 : found->second;
}

bool FastScan::entryMatches(const NarrationRecord &a, const GridEntry &e) const
{
    switch (NarrationMethod(m_method)) {
    case NarrationMethod::AverageRGB:
        return CompareAvgRGB(a.avg, e.quad[0], AverageTolerance(m_level)) != 0;
    case NarrationMethod::QuadrupleRGB:
        return CompareQuadRGB(a.quad[0], a.quad[1], a.quad[2], a.quad[3], e.quad[0], e.quad[1],
                   e.quad[2], e.quad[3], m_level)
            != 0;
    case NarrationMethod::BitmapPattern:
        return CompareBitLong(a.pattern1, e.pattern1, a.pattern2, e.pattern2, m_level) != 0
            && CompareQuadRGB(a.quad[0], a.quad[1], a.quad[2], a.quad[3], e.quad[0], e.quad[1],
                   e.quad[2], e.quad[3], m_level)
            != 0;
    default: return false;
    }
}

// Walks one cell from its first entry: drops the entries of records passed
// (index <= source) or taken, keeps the rest in record order, and collects
// up to 65 matches (later matches in this cell cannot be among the first 65
// of the source). A walk that stops early packs the kept entries against the
// part it did not reach, so the cell stays one run of entries.
void FastScan::walkCell(std::int32_t cell, std::int32_t source, const NarrationRecord &a)
{
    const std::int32_t start = m_cellStart[std::size_t(cell)];
    const std::int32_t stop = m_cellEnd[std::size_t(cell)];
    const std::size_t firstMatch = m_matches.size();
    std::int32_t read = start;
    std::int32_t write = start;
    int found = 0;
    while (read < stop && found < kMaxSignatureMatches) {
        const GridEntry &e = m_entries[std::size_t(read++)];
        if (e.index <= source)
            continue;
        if (write != read - 1)
            m_entries[std::size_t(write)] = e;
        if (entryMatches(a, m_entries[std::size_t(write)])) {
            m_matches.push_back({ m_entries[std::size_t(write)].index, write });
            ++found;
        }
        ++write;
    }
    if (read >= stop) {
        m_cellEnd[std::size_t(cell)] = write;
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
    m_cellStart[std::size_t(cell)] = newStart;
}

void FastScan::searchSignatures(std::int32_t source, std::vector<std::int32_t> &found)
{
    const NarrationRecord &a = m_records[std::size_t(source)];
    int centre[3];
    for (int k = 0; k < 3; ++k)
        centre[k] = channelOf(a, m_coordinates[k]) / m_width;
    m_matches.clear();
    int coords[3];
    for (int dx = -1; dx <= 1; ++dx) {
        coords[0] = centre[0] + dx;
        if (coords[0] < 0 || coords[0] >= m_cellsPerAxis)
            continue;
        for (int dy = -1; dy <= 1; ++dy) {
            coords[1] = centre[1] + dy;
            if (coords[1] < 0 || coords[1] >= m_cellsPerAxis)
                continue;
            for (int dz = -1; dz <= 1; ++dz) {
                coords[2] = centre[2] + dz;
                if (coords[2] < 0 || coords[2] >= m_cellsPerAxis)
                    continue;
                const std::int32_t cell = cellOf(cellKey(coords));
                if (cell >= 0)
                    walkCell(cell, source, a);
            }
        }
    }
    const auto byIndex = [](const Match &l, const Match &r) { return l.index < r.index; };
    if (m_matches.size() > std::size_t(kMaxSignatureMatches)) {
        std::nth_element(m_matches.begin(), m_matches.begin() + kMaxSignatureMatches,
            m_matches.end(), byIndex);
        m_matches.resize(std::size_t(kMaxSignatureMatches));
    }
    std::sort(m_matches.begin(), m_matches.end(), byIndex);
    for (const Match &m : m_matches) {
        found.push_back(m.index);
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
    m_classes.reserve(m_records.size());
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        const NarrationRecord &r = m_records[i];
        // A Null never equals a number in the query.
        if ((size && r.sizeNull) || (dims && (r.dimXNull || r.dimYNull)))
            continue;
        m_classes[quickKey(r)].push_back(std::int32_t(i));
    }
}

void FastScan::searchQuick(std::int32_t source, std::vector<std::int32_t> &found)
{
    const NarrationRecord &a = m_records[std::size_t(source)];
    const auto members = m_classes.find(quickKey(a));
    if (members == m_classes.end())
        return;
    for (const std::int32_t index : members->second) {
        if (m_records[std::size_t(index)].id != a.id)
            found.push_back(index);
    }
}

}  // namespace

std::unique_ptr<NarrationScan> MakeReferenceScan(
    std::vector<NarrationRecord> records, int method, int toleranceLevel)
{
    return std::make_unique<ReferenceScan>(std::move(records), method, toleranceLevel);
}

std::unique_ptr<NarrationScan> MakeFastScan(
    std::vector<NarrationRecord> records, int method, int toleranceLevel)
{
    return std::make_unique<FastScan>(std::move(records), method, toleranceLevel);
}

}  // namespace vexa

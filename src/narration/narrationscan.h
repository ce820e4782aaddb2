#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace vexa {

class NotDuplicateSet;

// One FileData row of a narration selection, as the scans read it. Null
// fields read as 0, as the record set converts them; the *Null flags keep
// the quick checks from treating a Null as an equal value.
struct NarrationRecord {
    std::int32_t id = 0;
    std::int64_t fileSize = 0;
    std::int32_t dimX = 0;
    std::int32_t dimY = 0;
    std::int32_t avg = 0;
    std::int32_t quad[4] = {};
    std::int32_t pattern1 = 0;
    std::int32_t pattern2 = 0;
    bool processed = false;  // a Null counts as processed
    bool sizeNull = false;
    bool dimXNull = false;
    bool dimYNull = false;
    std::uint64_t perceptual = 0;  // PerceptualHash
    bool perceptualNull = true;  // no perceptual signature: matches nothing
};

// The most duplicates a signature method gives one source.
inline constexpr int kMaxSignatureMatches = 65;

// The greedy narration over records in ID order, one source per step.
// Each record not yet processed becomes a source in turn (the first record
// always does); a signature method compares it with the later records that
// are not processed and takes the first 65 matches in record order; a quick
// check takes every other record of equal size and/or dimensions, processed
// or not, before the source or after it. Every record found is marked
// processed, so it is neither compared again nor taken as a source.
class NarrationScan {
public:
    virtual ~NarrationScan();

    bool finished() const { return m_position >= count(); }
    // Index of the current source; count() when finished.
    std::int32_t position() const { return m_position; }
    std::int32_t count() const { return std::int32_t(m_records.size()); }
    // Records the loop has passed (sources and skipped processed records).
    std::int32_t done() const { return m_done; }
    const std::vector<NarrationRecord> &records() const { return m_records; }
    bool isProcessed(std::int32_t index) const { return m_processed[std::size_t(index)] != 0; }

    // Searches the current source: fills found with the indexes of its
    // duplicates in the order found, marks them processed and moves on to
    // the next source. With cancelled set, the search stops after the first
    // candidate, as the run does when Cancel was pressed during the turn of
    // the event loop before this source.
    void step(bool cancelled, std::vector<std::int32_t> &found);

    // Pairs the user said are not duplicates: neither is ever found for the
    // other, and a record left out stays free for a later source. Set before
    // the first step; not owned; null for none.
    void setNotDuplicates(const NotDuplicateSet *pairs) { m_notDuplicates = pairs; }

protected:
    NarrationScan(
        std::vector<NarrationRecord> records, int method, int toleranceLevel, bool anyOrientation);
    virtual void searchSignatures(std::int32_t source, std::vector<std::int32_t> &found) = 0;
    virtual void searchQuick(std::int32_t source, std::vector<std::int32_t> &found) = 0;
    // The exact comparison of the method through the signature library; a
    // remembered pair never matches.
    bool matches(const NarrationRecord &source, const NarrationRecord &candidate) const;
    bool notDuplicate(const NarrationRecord &a, const NarrationRecord &b) const;

    std::vector<NarrationRecord> m_records;
    std::vector<std::uint8_t> m_processed;
    int m_method;
    int m_level;
    bool m_anyOrientation;
    const NotDuplicateSet *m_notDuplicates = nullptr;

private:
    std::int32_t m_position = 0;
    std::int32_t m_done = 0;
};

// anyOrientation: the perceptual method also matches a record turned or
// mirrored ("Also find rotated and mirrored copies"); other methods ignore it.

// The all-pairs scan exactly as the run is defined: every later record is
// looked at, in order. Quadratic; kept as the reference the fast scan is
// measured and tested against.
std::unique_ptr<NarrationScan> MakeReferenceScan(std::vector<NarrationRecord> records, int method,
    int toleranceLevel, bool anyOrientation = true);

// From this many records in its grid the fast scan of a quadrant method
// lists every record's matches ahead, in the grid's order (measured: at
// 300,000 records searching each source on its own was faster, at 600,000
// listing). Tests pass 0 to take both ways on small sets.
inline constexpr std::int32_t kListAheadFrom = 450000;

// The same results through an index: a grid over packed colours whose cell
// is as wide as the tolerance (two colours within tolerance lie in the same
// or a neighbouring cell), the exact comparison on each candidate of those
// cells, and sorted classes of size and dimensions for the quick checks.
std::unique_ptr<NarrationScan> MakeFastScan(std::vector<NarrationRecord> records, int method,
    int toleranceLevel, bool anyOrientation = true, std::int32_t listAheadFrom = kListAheadFrom);

// The comparison of a signature method (0..2 through the signature library,
// 6 by perceptual distance); false for the quick checks. a is the image
// looked at, b the candidate.
bool SignaturesMatch(int method, int toleranceLevel, const NarrationRecord &a,
    const NarrationRecord &b, bool anyOrientation = true);

// The memory narration's search: entries that are not records (loose files
// gathered into memory) against every record, none marked. A signature
// method takes the first 65 matches in record order among the records not
// processed; a quick check takes every record of equal size and/or
// dimensions, processed or not.
class MemoryScan {
public:
    virtual ~MemoryScan();

    virtual const std::vector<NarrationRecord> &records() const { return m_records; }
    // Fills found with the indexes of the entry's duplicates in record order.
    // With cancelled set, a signature method looks at the first record only,
    // as the run does when Cancel was pressed before this entry.
    virtual void search(
        const NarrationRecord &entry, bool cancelled, std::vector<std::int32_t> &found)
        = 0;

protected:
    MemoryScan(
        std::vector<NarrationRecord> records, int method, int toleranceLevel, bool anyOrientation);

    std::vector<NarrationRecord> m_records;
    int m_method;
    int m_level;
    bool m_anyOrientation;
};

// Every record in order for every entry; the reference.
std::unique_ptr<MemoryScan> MakeReferenceMemoryScan(std::vector<NarrationRecord> records,
    int method, int toleranceLevel, bool anyOrientation = true);
// The same results through the fast scan's grid and size classes.
std::unique_ptr<MemoryScan> MakeFastMemoryScan(std::vector<NarrationRecord> records, int method,
    int toleranceLevel, bool anyOrientation = true);

}  // namespace vexa

#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace vexa {

// The most files one gathering by memory takes (9,999, not 10,000).
inline constexpr int kMaxMemoryFiles = 9999;

// The packed signature of one loose file (dropped on the instant check or
// arrived in the monitored directory), as FileData holds a gathered one.
struct MemorySignatureEntry {
    QString Path;  // directory of the file, without a trailing separator
    QString FileName;  // the part after the last separator
    std::int64_t FileSize = 0;  // bytes; 64 bits like the FileData column
    std::int16_t DimX = 0;
    std::int16_t DimY = 0;
    std::int32_t AvgRGB = 0;  // SetRGBValues of the average
    std::int32_t QuadRGB[4] = {};  // quadrant order of the sampling
    std::int32_t Pattern1 = 0;  // MakeBitLong of the pattern
    std::int32_t Pattern2 = 0;
    std::uint64_t Perceptual = 0;  // PerceptualHash of the same picture

    QString fullPath() const;
};

// Entries addressed by position from 0. Positions stay put until the list is
// replaced: a duplicate group whose source is -1 names its entry by position
// (MemLoadPos, 16 bits), so appending never moves an entry. Interface thread
// only.
class MemorySignatureList {
public:
    // Positions a duplicate group can address.
    static constexpr int kMaxEntries = 32767;

    std::int32_t size() const { return std::int32_t(m_entries.size()); }
    bool isEmpty() const { return m_entries.empty(); }
    // nullptr when the position holds no entry.
    const MemorySignatureEntry *at(std::int32_t position) const;
    void append(MemorySignatureEntry entry) { m_entries.push_back(std::move(entry)); }
    void truncate(std::int32_t size);
    void clear() { m_entries.clear(); }

private:
    std::vector<MemorySignatureEntry> m_entries;
};

// The program's one list, read by the memory narration and the duplicate
// viewer. Interface thread only.
MemorySignatureList &MemorySignatures();

}  // namespace vexa

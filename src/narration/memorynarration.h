#pragma once

#include "base/run.h"
#include "narration/narrationengine.h"

#include <QElapsedTimer>

#include <cstdint>
#include <functional>

namespace vexa {

class CDuplicates;
class Database;
class MemorySignatureList;

struct MemoryNarrationOptions {
    int method = 2;  // 0..6, NarrationMethod
    std::int16_t toleranceLevel = 6;  // 0..12, ToleranceLevel(slider)
    // The perceptual method also finds rotated and mirrored copies
    // (ReadFindRotatedCopies); other methods ignore it.
    bool anyOrientation = true;
    bool clearFirst = true;  // true: replace the set (instant check); false: append (monitor)
    std::int32_t startIndex = 0;  // first entry of the list to compare
    NarrationScanKind scan = NarrationScanKind::Fast;
    int reportIntervalMs = kReportIntervalMs;
    // Appending runs (the monitor): told before each entry its position
    // among this run's entries and their number (1-based), for the tray tip.
    std::function<void(std::int32_t position, std::int32_t count)> comparing;
};

struct MemoryNarrationCounters {
    std::int32_t entries = 0;  // entries compared from the start index
    std::int32_t done = 0;  // of those, passed
    std::int32_t groups = 0;  // groups in the set at the end
    qint64 elapsedMs = 0;
};

// NarrateMemory: each memory entry from the start index on against every
// FileData row of db (every collection), one group per entry with
// duplicates (source -1, MemLoadPos the entry's position), added after the
// groups already in the set. A signature method skips rows whose Processed
// is set (Null counts as set) and takes the first 65 matches in ID order; a
// quick check takes every row of equal size and/or dimensions. Reads the
// rows only: db may be opened read-only. Cancel is read between entries; a
// cancelled run keeps the groups added, as does a failed one (the window
// reports its error as "frmVEXA" / "mnuNarration"). Reports: total is the
// list's size and done the position after the entry in hand (the labels
// count every entry, not only this run's), found the groups. Calling thread
// only.
class MemoryNarrationEngine final : public LongRun {
public:
    MemoryNarrationEngine(Database &db, CDuplicates &set, const MemorySignatureList &list,
        MemoryNarrationOptions options);

    RunResult run(RunObserver &observer) override;

    const MemoryNarrationCounters &counters() const { return m_counters; }

private:
    Database &m_db;
    CDuplicates &m_set;
    const MemorySignatureList &m_list;
    MemoryNarrationOptions m_options;
    MemoryNarrationCounters m_counters;
};

}  // namespace vexa

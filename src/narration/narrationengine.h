#pragma once

#include "base/run.h"
#include "narration/flagwriter.h"
#include "narration/narrationscan.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdint>
#include <vector>

namespace vexa {

class CDuplicates;
class Database;

enum class NarrationScanKind {
    Fast,  // an index in memory over the packed colours
    Reference,  // the all-pairs walk the fast scan is tested against
};

struct NarrationOptions {
    int method = 2;  // 0..6, NarrationMethod
    std::int16_t toleranceLevel = 6;  // 0..12, ToleranceLevel(slider)
    // The perceptual method also finds rotated and mirrored copies
    // (ReadFindRotatedCopies); other methods ignore it.
    bool anyOrientation = true;
    QString selection;  // BuildSelectionSql of the ticked directories
    NarrationScanKind scan = NarrationScanKind::Fast;
    int reportIntervalMs = kReportIntervalMs;
};

struct NarrationCounters {
    std::int32_t total = 0;  // records in the selection
    std::int32_t done = 0;  // records passed
    std::int32_t groups = 0;  // groups in the set at the end
    qint64 elapsedMs = 0;  // from the loading on
};

// The database narration: empties the set, loads the selection's
// signatures once, in ID order, and fills the set with one group per source
// that has duplicates among them (greedy, in ID order; see NarrationScan).
// At its end every Processed flag of the table stands as clearing them all
// at the start and marking each group's duplicates would leave it. Both
// scans give the same groups, order and Processed flags. A cancelled run
// keeps the groups found and writes their flags; cancelled while loading,
// it leaves the flags as they were. Cancel is read between sources and
// while the selection is loaded. A failed run keeps the groups already added; the window
// reports its error as "frmVEXA" / "mnuNarration". Reports: total and done
// are records, found the groups. Uses the application database; calling
// thread only.
class NarrationEngine final : public LongRun {
public:
    NarrationEngine(CDuplicates &set, NarrationOptions options);

    RunResult run(RunObserver &observer) override;

    const NarrationCounters &counters() const { return m_counters; }

private:
    bool prepare(RunReporter &reporter, std::vector<NarrationRecord> &records);
    RunOutcome scan(RunReporter &reporter, std::vector<NarrationRecord> records);

    CDuplicates &m_set;
    NarrationOptions m_options;
    NarrationCounters m_counters;
    QElapsedTimer m_clock;
    std::vector<FlagBefore> m_flagsBefore;  // in ID order
};

// The signatures of the FileData rows a selection clause picks (an empty
// clause: every row), in ID order, read with one query; expected reserves.
// Reads Cancel every few thousand rows; false when cancelled. perceptual:
// the records' perceptual signatures too (the perceptual method).
bool LoadNarrationRecords(Database &db, const QString &selection, int expected,
    RunReporter &reporter, std::vector<NarrationRecord> &records, bool perceptual = false);

}  // namespace vexa

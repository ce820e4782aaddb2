#pragma once

#include "gather/runobserver.h"

#include <QString>

#include <cstdint>

namespace vexa {

class CDuplicates;

// What the database narration reports beyond the common observer. The
// labels it sets: "total" (lblNarTotal), "done" (lblNarDone) and "dups"
// (lblNarDups), each a number in plain decimal. Called on the thread that
// runs the engine only.
class NarrationObserver : public RunObserver {
public:
    // lblNarrEstimate: EstimateText of these values.
    virtual void estimate(qint64 elapsedMs, std::int32_t done, std::int32_t total, float factor) { }
};

enum class NarrationScanKind {
    Fast,  // one query, an index in memory, flags written per batch
    Reference,  // the all-pairs walk over the live record set
};

struct NarrationOptions {
    int method = 2;  // 0..5, NarrationMethod
    std::int16_t toleranceLevel = 6;  // 0..12, ToleranceLevel(slider)
    QString selection;  // BuildSelectionSql of the ticked directories
    NarrationScanKind scan = NarrationScanKind::Fast;
    // Fast scan: the event loop runs and the progress is shown at most this
    // often, and the Processed flags of the sources since the last write go
    // to the database in one transaction at least this often.
    int yieldIntervalMs = 50;
    int flagWriteIntervalMs = 2000;
};

struct NarrationResult {
    RunOutcome outcome = RunOutcome::Completed;
    std::int32_t total = 0;  // records in the selection
    std::int32_t done = 0;  // records passed
    std::int32_t groups = 0;  // groups in the set at the end
    qint64 elapsedMs = 0;  // from the count query on
};

// The database narration: empties the set, clears every Processed flag,
// and fills the set with one group per source that has duplicates among the
// selection's FileData rows (greedy, in ID order; see NarrationScan). Both
// scans give the same groups, order and Processed flags. A cancelled run
// keeps the groups and flags written so far. Any error is reported as
// "frmVEXA" / "mnuNarration" and ends the run with Failed; groups already
// added stay.
NarrationResult NarrateDatabaseRun(
    CDuplicates &set, const NarrationOptions &options, NarrationObserver *observer = nullptr);

}  // namespace vexa

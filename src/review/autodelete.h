#pragma once

#include "base/run.h"
#include "review/binaryset.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace vexa {

class CDuplicates;

// A file of the memory signature list, as the autodelete reads a memory
// source (lSource -1).
struct MemorySourceFile {
    QString path;  // directory, no trailing "/"
    QString fileName;
    std::int64_t fileSize = 0;
    int width = 0;
    int height = 0;
};
// The entry at a position, or nothing when the list holds no such entry.
using MemorySourceLookup = std::function<std::optional<MemorySourceFile>(int position)>;

struct AutodeleteOptions {
    bool allowUndo = true;  // into the trash; off: removed outright
    bool dryRun = false;  // find and plan only: no file, record or group is touched
    MemorySourceLookup memory;  // without one, groups with a memory source are skipped
};

struct AutodeleteCounters {
    int deleted = 0;  // files removed
    int groupsRemoved = 0;  // by the pruning afterwards
    int groupsLeft = 0;
    int groupsExamined = 0;
    // Every file marked for removal, in group order: removed, refused (with
    // the reason) or, on a dry run, planned.
    QList<BinaryRemoval> removals;
};

// IntelligentAutodelete: for each group of the set, the source and its
// duplicates that still have records go into the binary set, whose
// DeleteBinaryDuplicates removes the byte-identical copies; then the groups
// with fewer than two images left are pruned (not on a dry run). Reports:
// total and done are groups, found the files removed; a refused removal is a
// notice naming the file and the reason. Cancel is read between groups; what
// was removed stays removed and the set is pruned all the same. A group whose
// source record is gone is skipped. Uses the application database; calling
// thread only.
class AutodeleteEngine final : public LongRun {
public:
    AutodeleteEngine(CDuplicates &set, CBinaries &binaries, AutodeleteOptions options);

    RunResult run(RunObserver &observer) override;

    const AutodeleteCounters &counters() const { return m_counters; }

private:
    CDuplicates &m_set;
    CBinaries &m_binaries;
    AutodeleteOptions m_options;
    AutodeleteCounters m_counters;
};

// The counters of a run with its outcome, for callers that need no observer
// of their own.
struct AutodeleteResult : AutodeleteCounters {
    RunOutcome outcome = RunOutcome::Completed;
};
AutodeleteResult IntelligentAutodeleteRun(CDuplicates &set, CBinaries &binaries,
    const AutodeleteOptions &options, RunObserver *observer = nullptr);

// The report: 781/782/783 with the three numbers when a file was deleted,
// otherwise 780. Lines are separated by CR.
QString AutodeleteReportText(const AutodeleteCounters &counters);

}  // namespace vexa

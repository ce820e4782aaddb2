#pragma once

#include "gather/runobserver.h"
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

struct AutodeleteResult {
    RunOutcome outcome = RunOutcome::Completed;
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
// with fewer than two images left are pruned. Progress is one step per
// group; a cancel is honoured between groups, and what was removed stays
// removed (the set is pruned all the same). A group whose source record is
// gone is skipped. Errors are reported as "frmVEXA" / "IntelligentAutodelete"
// and end the run as Failed. Called on the interface thread (or the CLI's
// main thread) only.
AutodeleteResult IntelligentAutodeleteRun(CDuplicates &set, CBinaries &binaries,
    const AutodeleteOptions &options, RunObserver *observer = nullptr);

// The report: 781/782/783 with the three numbers when a file was deleted,
// otherwise 780. Lines are separated by CR.
QString AutodeleteReportText(const AutodeleteResult &result);

}  // namespace vexa

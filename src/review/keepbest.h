#pragma once

#include "base/keeprule.h"
#include "base/run.h"
#include "review/autodelete.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace vexa {

class CDuplicate;
class CDuplicates;
class Database;

// Keep-best: of a group's existing files one stays, chosen by an ordered
// rule; every other one is selected, with the reason the kept one won.

// The rule stored in the settings (KeepBestRule, KeepBestPreferred); the
// default where nothing valid is stored. Interface thread only.
KeepRule StoredKeepRule();
bool StoreKeepRule(const KeepRule &rule);

// One existing file of a group, as the rule compares it.
struct KeepFile {
    std::int32_t id = 0;  // FileData ID; -1 for a memory source
    QString path;  // directory + "/" + name
    std::int64_t size = 0;  // bytes, as recorded
    int width = 0;
    int height = 0;
    std::int64_t modifiedNs = 0;  // on disk
    std::uint64_t device = 0;  // on disk; with the inode, the physical file
    std::uint64_t inode = 0;
};

// Why the kept file won over another (None: the kept file itself).
enum class KeepReason { None, Preferred, Pixels, Size, Oldest, Shortest, Equal, SameFile };

struct KeepDecision {
    int kept = -1;  // index of the file that stays; -1 for no files
    std::vector<KeepReason> reasons;  // one per file
};

// The best file by the rule; ties at every step go to the earlier file (the
// source first). Each other file's reason is the first step of the rule at
// which the kept one beat it; Equal when none did; SameFile for another name
// of the kept file itself (same device and inode), which is never selected.
KeepDecision ChooseBest(const std::vector<KeepFile> &files, const KeepRule &rule);

// "kept: 4000 × 3000, larger", in the user's language.
QString KeepReasonText(const KeepFile &kept, KeepReason reason);

// One group's plan.
struct KeepGroupPlan {
    int position = 0;  // 1-based position of the group in the set
    std::int32_t source = 0;  // the group's lSource
    std::vector<KeepFile> files;  // its existing files, the source first
    KeepDecision decision;
    // The files to delete: every one but the kept file and its other names.
    std::vector<int> selected() const;
    std::int64_t reclaimableBytes() const;
};

// Reads the group's records and looks at each file on disk; records that
// are gone and files that do not exist are left out. A memory source is
// read through memory (left out without one). Errors of the database throw.
KeepGroupPlan PlanKeepBest(Database &db, const CDuplicate &group, int position,
    const KeepRule &rule, const MemorySourceLookup &memory = {});
// A record's file as stored (path, size, dimensions), or nothing.
using KeepRecordLookup = std::function<std::optional<KeepFile>(std::int32_t id)>;
// The same with the records looked up through records.
KeepGroupPlan PlanKeepBest(const KeepRecordLookup &records, const CDuplicate &group, int position,
    const KeepRule &rule, const MemorySourceLookup &memory = {});

struct KeepBestOptions {
    KeepRule rule;
    MemorySourceLookup memory;
    int reportIntervalMs = kReportIntervalMs;
};

// Keep-best over every group of the set: one plan per group with at least
// two existing files. Reports: total and done are groups, found the files
// selected. Cancel is read between groups and keeps the plans made. Touches
// nothing; uses the application database; calling thread only.
class KeepBestEngine final : public LongRun {
public:
    KeepBestEngine(const CDuplicates &set, KeepBestOptions options);

    RunResult run(RunObserver &observer) override;

    const std::vector<KeepGroupPlan> &plans() const { return m_plans; }

private:
    const CDuplicates &m_set;
    KeepBestOptions m_options;
    std::vector<KeepGroupPlan> m_plans;
};

// One file of a plan carried out.
struct KeepRemoval {
    QString path;
    std::int32_t id = 0;
    bool done = false;
    QString reason;  // why not, in the user's language
};

// Deletes the selected files of the plans (into the trash with allowUndo),
// each after checking again, just before, that the kept file still exists
// and is another physical file than the one removed, and that the file is
// still the one planned (same device and inode). A removed file loses its
// record and is counted in the statistics. Never removes a kept file.
std::vector<KeepRemoval> ApplyKeepBest(const std::vector<KeepGroupPlan> &plans, bool allowUndo);

}  // namespace vexa

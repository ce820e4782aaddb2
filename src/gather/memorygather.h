#pragma once

#include "base/run.h"
#include "gather/gatherengine.h"

#include <QString>
#include <QStringList>

#include <cstdint>

namespace vexa {

class MemorySignatureList;

struct MemoryGatherOptions {
    bool append = false;  // false: the list is replaced (instant check); true: appended (monitor)
    int threads = 0;  // 0: one per core; 1: decode on the calling thread
    DecodeFunction decode;  // empty: DecodeForGathering, as gathering does
    int reportIntervalMs = kReportIntervalMs;
};

// GatherByMemory: the signature of each file that loads, computed as the
// gathering run computes it (same decode function, reduced decode, sampling,
// decode pool), packed into the memory signature list in the order of the
// files. Without append the list is replaced and the first entry is
// position 0; with append the new entries follow every entry already there,
// so groups that name earlier entries keep pointing at their own files.
// Files that do not load or sample are passed over (counted as errors).
// More than 9,999 files, or more than the list can address, gather nothing:
// the run fails with overflow() set. Cancel is read between files; a
// cancelled run keeps what it gathered. Reports: total and done are files,
// found the entries added. Calling thread only; workers only decode.
class MemoryGatherEngine final : public LongRun {
public:
    MemoryGatherEngine(MemorySignatureList &list, QStringList files, MemoryGatherOptions options);

    RunResult run(RunObserver &observer) override;

    std::int32_t gathered() const { return m_gathered; }  // entries added by this run
    std::int32_t base() const { return m_base; }  // position of the first entry added
    bool overflow() const { return m_overflow; }

private:
    MemorySignatureList &m_list;
    QStringList m_files;
    MemoryGatherOptions m_options;
    std::int32_t m_gathered = 0;
    std::int32_t m_base = 0;
    bool m_overflow = false;
};

}  // namespace vexa

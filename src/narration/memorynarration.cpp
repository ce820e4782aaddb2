#include "narration/memorynarration.h"

#include "base/errors.h"
#include "base/progresstexts.h"
#include "base/texts.h"
#include "db/notduplicates.h"
#include "gather/memorysignatures.h"
#include "narration/duplicateset.h"
#include "narration/narrationscan.h"
#include "narration/narrationsettings.h"

#include <QHash>

#include <algorithm>
#include <optional>
#include <vector>

namespace vexa {

namespace {

NarrationRecord recordOf(const MemorySignatureEntry &entry)
{
    NarrationRecord r;
    r.id = -1;
    r.fileSize = entry.FileSize;
    r.dimX = entry.DimX;
    r.dimY = entry.DimY;
    r.avg = entry.AvgRGB;
    for (int q = 0; q < 4; ++q)
        r.quad[q] = entry.QuadRGB[q];
    r.pattern1 = entry.Pattern1;
    r.pattern2 = entry.Pattern2;
    r.perceptual = entry.Perceptual;
    r.perceptualNull = false;
    return r;
}

// A loose file may also be a gathered record (the monitor watching a
// gathered directory): its remembered pairs hold for it too. The records
// named in a pair, by their file's path.
class RememberedPairs {
public:
    explicit RememberedPairs(Database &db)
    {
        for (const NotDuplicatePair &pair : NotDuplicatePairs(db)) {
            m_set.insert(pair.first, pair.second);
            if (!pair.firstPath.isEmpty())
                m_recordsOfPath[pair.firstPath].append(pair.first);
            if (!pair.secondPath.isEmpty())
                m_recordsOfPath[pair.secondPath].append(pair.second);
        }
    }

    // Leaves out of found the records remembered with the entry's file.
    void leaveOut(const MemorySignatureEntry &entry, const std::vector<NarrationRecord> &records,
        std::vector<std::int32_t> &found) const
    {
        if (m_recordsOfPath.isEmpty())
            return;
        const auto own = m_recordsOfPath.constFind(entry.fullPath());
        if (own == m_recordsOfPath.constEnd())
            return;
        std::erase_if(found, [&](std::int32_t index) {
            const std::int32_t id = records[std::size_t(index)].id;
            return std::any_of(own->begin(), own->end(),
                [&](std::int32_t mine) { return m_set.contains(mine, id); });
        });
    }

private:
    NotDuplicateSet m_set;
    QHash<QString, QList<std::int32_t>> m_recordsOfPath;
};

}  // namespace

MemoryNarrationEngine::MemoryNarrationEngine(
    Database &db, CDuplicates &set, const MemorySignatureList &list, MemoryNarrationOptions options)
    : m_db(db)
    , m_set(set)
    , m_list(list)
    , m_options(std::move(options))
{
}

RunResult MemoryNarrationEngine::run(RunObserver &observer)
{
    m_counters = {};
    QElapsedTimer clock;
    RunReporter reporter(observer, m_options.reportIntervalMs);
    RunProgress &p = reporter.progress();
    p.status = Text(747);
    reporter.start();
    RunResult result;
    // The position of the last entry, not a count.
    const std::int32_t last = m_list.size() - 1;
    const std::int32_t start = std::max<std::int32_t>(m_options.startIndex, 0);
    try {
        if (m_options.clearFirst)
            m_set.Clear();
        clock.start();
        std::vector<NarrationRecord> rows;
        std::unique_ptr<MemoryScan> scan;
        std::optional<RememberedPairs> remembered;
        bool loaded = true;
        if (start <= last) {
            remembered.emplace(m_db);
            loaded = LoadNarrationRecords(m_db, QString(), 0, reporter, rows,
                m_options.method == int(NarrationMethod::Perceptual));
            if (loaded) {
                scan = m_options.scan == NarrationScanKind::Reference
                    ? MakeReferenceMemoryScan(std::move(rows), m_options.method,
                        m_options.toleranceLevel, m_options.anyOrientation)
                    : MakeFastMemoryScan(std::move(rows), m_options.method,
                        m_options.toleranceLevel, m_options.anyOrientation);
            }
        }
        p.total = last + 1;
        p.done = start;
        p.status.clear();
        reporter.reportNow();
        m_counters.entries = std::max(last - start + 1, 0);
        if (!loaded)
            result.outcome = RunOutcome::Cancelled;
        std::vector<std::int32_t> found;
        for (std::int32_t i = start; loaded && i <= last; ++i) {
            if (m_options.comparing)
                m_options.comparing(i - start + 1, last - start + 1);
            // Cancel is read before each entry; an entry searched with
            // Cancel set stops after its first candidate.
            const bool cancelled = reporter.cancelled();
            const MemorySignatureEntry &entry = *m_list.at(i);
            scan->search(recordOf(entry), cancelled, found);
            remembered->leaveOut(entry, scan->records(), found);
            if (!found.empty()) {
                QList<std::int32_t> ids;
                ids.reserve(qsizetype(found.size()));
                for (const std::int32_t index : found)
                    ids.append(scan->records()[std::size_t(index)].id);
                m_set.Add(ids, -1, std::int16_t(i), QString());
            }
            m_counters.done = i - start + 1;
            p.done = i + 1;
            p.found = m_set.Count();
            p.remainingMs = RemainingMs(clock.elapsed(), i + 1, last, 1.0);
            if (cancelled) {
                result.outcome = RunOutcome::Cancelled;
                break;
            }
            reporter.report();
        }
    } catch (const std::exception &e) {
        result = reporter.cancelled() ? RunResult { RunOutcome::Cancelled } : RunResult::failed(e);
    }
    m_counters.groups = m_set.Count();
    m_counters.elapsedMs = clock.isValid() ? clock.elapsed() : 0;
    p.found = m_counters.groups;
    return reporter.finish(result);
}

}  // namespace vexa

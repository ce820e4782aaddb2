#include "review/autodelete.h"

#include "base/errors.h"
#include "base/paths.h"
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/records.h"
#include "narration/duplicateset.h"
#include "review/duplicatepersistence.h"

#include <exception>

namespace vexa {

namespace {

// Adds the record with this id to the binary set; false when it is gone.
bool AddRecord(CBinaries &binaries, std::int32_t id)
{
    RecordSet record(OpenDb(),
        QStringLiteral("SELECT * FROM FILEDATA WHERE ID = ") + QString::number(id),
        RecordSetType::Snapshot);
    if (record.eof())
        return false;
    const QVariant directory = GetImagePath(record.value(QStringLiteral("CollectionID")).toInt(),
        record.value(QStringLiteral("ItemID")).toLongLong());
    if (directory.isNull())
        return false;  // a record whose directory left the collection has no file to compare
    binaries.Add(record.value(QStringLiteral("FileName")).toString(), directory.toString(),
        record.value(QStringLiteral("FileSize")).toLongLong(),
        record.value(QStringLiteral("FileDimX")).toInt(),
        record.value(QStringLiteral("FileDimY")).toInt(), id,
        QStringLiteral("K") + QString::number(id));
    return true;
}

// Fills the binary set with one group; false when the group is skipped.
bool FillGroup(CBinaries &binaries, const CDuplicate &group, const AutodeleteOptions &options)
{
    binaries.Clear();
    if (group.lSource() != -1) {
        if (!AddRecord(binaries, group.lSource()))
            return false;
    } else {
        // A group loaded back from the table has lost its memory entry.
        if (MemorySourceLostOnLoad(group) || !options.memory)
            return false;
        const std::optional<MemorySourceFile> entry = options.memory(group.MemLoadPos());
        if (!entry)
            return false;
        binaries.Add(entry->fileName, entry->path, entry->fileSize, entry->width, entry->height, -1,
            QStringLiteral("K-1"));
    }
    for (const std::int32_t id : group.fileIds())
        AddRecord(binaries, id);
    return true;
}

}  // namespace

AutodeleteEngine::AutodeleteEngine(CDuplicates &set, CBinaries &binaries, AutodeleteOptions options)
    : m_set(set)
    , m_binaries(binaries)
    , m_options(std::move(options))
{
}

RunResult AutodeleteEngine::run(RunObserver &observer)
{
    RunReporter reporter(observer);
    RunProgress &progress = reporter.progress();
    m_counters = {};
    const std::int32_t groups = m_set.Count();
    progress.total = groups;
    reporter.start();
    RunResult result;
    try {
        for (std::int32_t g = 1; g <= groups; ++g) {
            if (reporter.cancelled()) {
                result = RunOutcome::Cancelled;
                break;
            }
            if (FillGroup(m_binaries, m_set.Item(g), m_options)) {
                const qsizetype before = m_counters.removals.size();
                m_counters.deleted += m_binaries.DeleteBinaryDuplicates(
                    m_options.allowUndo, m_options.dryRun, &m_counters.removals);
                for (qsizetype i = before; i < m_counters.removals.size(); ++i) {
                    const BinaryRemoval &removal = m_counters.removals.at(i);
                    if (!removal.done && !removal.reason.isEmpty())
                        reporter.notice(removal.removed + QStringLiteral(": ") + removal.reason);
                }
            }
            m_counters.groupsExamined = g;
            progress.done = g;
            progress.found = m_counters.deleted;
            reporter.report();
        }
        m_binaries.Clear();
        if (!m_options.dryRun)
            m_counters.groupsRemoved = m_set.DeleteNonRelevantDuplicates();
    } catch (const std::exception &e) {
        result = RunResult::failed(e);
    }
    m_binaries.Clear();
    m_counters.groupsLeft = m_set.Count();
    return reporter.finish(result);
}

AutodeleteResult IntelligentAutodeleteRun(
    CDuplicates &set, CBinaries &binaries, const AutodeleteOptions &options, RunObserver *observer)
{
    RunObserver quiet;
    AutodeleteEngine engine(set, binaries, options);
    const RunResult result = engine.run(observer ? *observer : quiet);
    AutodeleteResult counters;
    static_cast<AutodeleteCounters &>(counters) = engine.counters();
    counters.outcome = result.outcome;
    return counters;
}

QString AutodeleteReportText(const AutodeleteCounters &counters)
{
    if (counters.deleted <= 0)
        return Text(780);
    const QChar cr(13);
    return Text(781) + QString::number(counters.deleted) + cr + cr + Text(782)
        + QString::number(counters.groupsRemoved) + cr + Text(783)
        + QString::number(counters.groupsLeft);
}

}  // namespace vexa

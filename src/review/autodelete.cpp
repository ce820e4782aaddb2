#include "review/autodelete.h"

#include "base/errors.h"
#include "base/paths.h"
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/records.h"
#include "narration/duplicateset.h"
#include "review/duplicatepersistence.h"

#include <QElapsedTimer>

#include <exception>

namespace vexa {

namespace {

constexpr int kYieldIntervalMs = 200;  // progress and events at most this often

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

AutodeleteResult IntelligentAutodeleteRun(
    CDuplicates &set, CBinaries &binaries, const AutodeleteOptions &options, RunObserver *observer)
{
    RunObserver quiet;
    RunObserver &report = observer ? *observer : quiet;
    AutodeleteResult result;
    const std::int32_t groups = set.Count();
    report.progressStarted(groups);
    QElapsedTimer sinceYield;
    sinceYield.start();
    try {
        for (std::int32_t g = 1; g <= groups; ++g) {
            if (report.isCancelled()) {
                result.outcome = RunOutcome::Cancelled;
                break;
            }
            if (FillGroup(binaries, set.Item(g), options)) {
                result.deleted += binaries.DeleteBinaryDuplicates(
                    options.allowUndo, options.dryRun, &result.removals);
            }
            result.groupsExamined = g;
            if (sinceYield.elapsed() >= kYieldIntervalMs || g == groups) {
                report.progress(g);
                report.yield();
                sinceYield.restart();
            }
        }
        binaries.Clear();
        if (!options.dryRun)
            result.groupsRemoved = set.DeleteNonRelevantDuplicates();
    } catch (const std::exception &e) {
        ReportException(e, QStringLiteral("frmVEXA"), QStringLiteral("IntelligentAutodelete"));
        result.outcome = RunOutcome::Failed;
    }
    binaries.Clear();
    result.groupsLeft = set.Count();
    report.progressEnded();
    return result;
}

QString AutodeleteReportText(const AutodeleteResult &result)
{
    if (result.deleted <= 0)
        return Text(780);
    const QChar cr(13);
    return Text(781) + QString::number(result.deleted) + cr + cr + Text(782)
        + QString::number(result.groupsRemoved) + cr + Text(783)
        + QString::number(result.groupsLeft);
}

}  // namespace vexa

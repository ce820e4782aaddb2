#include "review/duplicatepersistence.h"

#include "base/errors.h"
#include "base/run.h"
#include "db/appdatabase.h"
#include "db/records.h"
#include "db/recordset.h"
#include "narration/duplicateset.h"

#include <QHash>

#include <limits>

namespace vexa {
namespace {

const QString kModule = QStringLiteral("frmVEXA");

RecordSet &openSet(const std::unique_ptr<RecordSet> &set)
{
    if (!set)
        throw VexaError(ErrDatabaseNotOpen, QStringLiteral("Database is not open"));
    return *set;
}

bool recordExists(RecordSet &fileData, std::int32_t id)
{
    return fileData.findFirst(QStringLiteral("ID=") + QString::number(id));
}

// Groups whose memory source did not survive the save: key -> ids, so a new
// group that happens to draw the same key is not mistaken for one of them.
QHash<QString, QList<std::int32_t>> &lostSources()
{
    static QHash<QString, QList<std::int32_t>> groups;
    return groups;
}

}  // namespace

QString FormatIdList(const QList<std::int32_t> &ids)
{
    QString text;
    for (const std::int32_t id : ids) {
        text += QString::number(id);
        text += QLatin1Char('|');
    }
    return text;
}

QList<std::int32_t> ParseIdList(const QString &text)
{
    QList<std::int32_t> ids;
    qsizetype start = 0;
    for (qsizetype bar = text.indexOf(QLatin1Char('|')); bar >= 0;
         bar = text.indexOf(QLatin1Char('|'), start)) {
        bool ok = false;
        const qlonglong value = QStringView(text).mid(start, bar - start).trimmed().toLongLong(&ok);
        // A piece that is not a 32-bit number (hand-edited or damaged row) is
        // skipped rather than read as 0, which could name a real record.
        if (ok && value >= std::numeric_limits<std::int32_t>::min()
            && value <= std::numeric_limits<std::int32_t>::max())
            ids.append(std::int32_t(value));
        start = bar + 1;
    }
    return ids;
}

bool DuplicateSave(const CDuplicates &set, RunObserver *observer)
{
    RunObserver quiet;
    RunReporter report(observer ? *observer : quiet);
    const int count = set.Count();
    report.progress().total = count;
    report.start();
    bool saved = false;
    try {
        Database &db = OpenDb();
        RecordSet &rows = openSet(AppDb().duplicates);
        // One transaction: a save that fails half-way keeps the rows of the
        // previous save instead of leaving the table empty or half written.
        Transaction transaction(db);
        ClearDuplicateTable();
        for (int i = 1; i <= count; ++i) {
            const CDuplicate &group = set.Item(i);
            rows.addNew();
            rows.setValue(QStringLiteral("MasterId"), group.lSource());
            rows.setValue(QStringLiteral("Duplicates"), FormatIdList(group.lFileID()));
            rows.update();
            report.progress().done = i;
            report.report();
        }
        transaction.commit();
        saved = true;
    } catch (const std::exception &e) {
        ReportException(e, kModule, QStringLiteral("DuplicateSave"));
    }
    try {
        // After a rollback the record set must show the old rows again.
        if (AppDb().duplicates)
            AppDb().duplicates->requery();
    } catch (const std::exception &) {
    }
    // A failure has been reported above.
    report.finish(saved ? RunResult {} : RunResult::failed(0, QString()));
    return saved;
}

int DuplicateLoad(CDuplicates &set, RunObserver *observer)
{
    RunObserver quiet;
    RunReporter report(observer ? *observer : quiet);
    int loaded = 0;
    bool started = false;
    try {
        RecordSet &rows = openSet(AppDb().duplicates);
        RecordSet &fileData = openSet(AppDb().fileData);
        rows.requery();
        if (rows.recordCount() == 0)
            return 0;
        rows.moveLast();
        report.progress().total = rows.recordCount();
        report.start();
        started = true;
        set.Clear();
        lostSources().clear();
        rows.moveFirst();
        for (int position = 0; !rows.eof(); ++position) {
            const QVariant master = rows.value(QStringLiteral("MasterId"));
            const auto source = std::int32_t(master.toLongLong());
            int existing = recordExists(fileData, source) ? 1 : 0;
            const QList<std::int32_t> ids
                = ParseIdList(rows.value(QStringLiteral("Duplicates")).toString());
            for (qsizetype i = 0; i < ids.size() && existing < 2; ++i) {
                if (recordExists(fileData, ids.at(i)))
                    ++existing;
            }
            if (existing >= 2) {
                QList<std::int32_t> fileIds = ids;
                CDuplicate &group = set.Add(fileIds, source, 0, QString());
                if (source == -1)
                    lostSources().insert(group.Key(), ids);
                ++loaded;
            }
            report.progress().done = position;
            report.report();
            rows.moveNext();
        }
    } catch (const std::exception &e) {
        ReportException(e, kModule, QStringLiteral("DuplicateLoad"));
        loaded = -1;
    }
    if (started)
        report.finish(loaded >= 0 ? RunResult {} : RunResult::failed(0, QString()));
    return loaded;
}

bool DuplicateClear(CDuplicates &set)
{
    set.Clear();
    lostSources().clear();
    try {
        ClearDuplicateTable();
        return true;
    } catch (const std::exception &e) {
        ReportException(e, kModule, QStringLiteral("DuplicateClear"));
        return false;
    }
}

bool MemorySourceLostOnLoad(const CDuplicate &group)
{
    if (group.lSource() != -1)
        return false;
    const auto found = lostSources().constFind(group.Key());
    return found != lostSources().constEnd() && *found == group.lFileID();
}

}  // namespace vexa

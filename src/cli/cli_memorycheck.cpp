#include "cli/cli_memorycheck.h"

#include "base/paths.h"
#include "cli/cli.h"
#include "db/database.h"
#include "db/sqlite.h"
#include "gather/memorygather.h"
#include "narration/memorynarration.h"
#include "narration/narrationsettings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace vexa::cli {

namespace {

struct StoredFile {
    QString path;
    qint64 size = 0;
};

QHash<std::int32_t, StoredFile> storedFiles(Database &db, const QList<std::int32_t> &ids)
{
    QHash<std::int32_t, StoredFile> files;
    QStringList numbers;
    for (const std::int32_t id : ids)
        numbers.append(QString::number(id));
    Statement query(db.connection().handle(),
        QStringLiteral("SELECT f.ID, c.Path, f.FileName, f.FileSize FROM FileData f LEFT JOIN "
                       "CollectionItem c ON c.ItemID = f.ItemID WHERE f.ID IN (")
            + numbers.join(QLatin1Char(',')) + QStringLiteral(")"));
    while (query.step()) {
        files.insert(std::int32_t(query.columnInt64(0)),
            { JoinPath(query.column(1).toString(), query.column(2).toString()),
                query.columnInt64(3) });
    }
    return files;
}

}  // namespace

void AddMemoryCheckOptions(QCommandLineParser &parser)
{
    parser.addOption({ QStringLiteral("method"),
        QStringLiteral(
            "Comparison method: 0 Average RGB, 1 Quadruple RGB, 2 Bitmap pattern "
            "(default), 3 Filesize, 4 Dimensions, 5 Filesize & dimensions, 6 Perceptual."),
        QStringLiteral("M") });
    parser.addOption({ QStringLiteral("slider"),
        QStringLiteral("Tolerance slider 0-24 (default: the method's preset)."),
        QStringLiteral("S") });
    AddRotationsOption(parser);
    parser.addOption({ QStringLiteral("json"), QStringLiteral("One JSON object per line.") });
}

int ReadMemoryCheckOptions(
    const QCommandLineParser &parser, const Invocation &invocation, MemoryCheckOptions &options)
{
    options.method = kDefaultMethod;
    if (!IntOption(parser, QStringLiteral("method"), 0, kMethodCount - 1, options.method))
        return UsageError(parser, invocation,
            WrongValue(parser, QStringLiteral("method"), QStringLiteral("0..6")));
    // As on the narration tab: choosing a method presets its slider.
    options.slider = PresetOf(options.method).slider;
    if (!IntOption(
            parser, QStringLiteral("slider"), kSliderMinimum, kSliderMaximum, options.slider))
        return UsageError(parser, invocation,
            WrongValue(parser, QStringLiteral("slider"), QStringLiteral("0..24")));
    if (!OnOffOption(parser, QStringLiteral("rotations"), options.rotations))
        return UsageError(parser, invocation,
            WrongValue(parser, QStringLiteral("rotations"), QStringLiteral("on or off")));
    options.json = parser.isSet(QStringLiteral("json"));
    return -1;
}

MemoryChecker::MemoryChecker(Database &db, const MemoryCheckOptions &options)
    : m_db(db)
    , m_options(options)
{
}

MemoryCheckResult MemoryChecker::check(const QStringList &files, bool printClean)
{
    MemoryCheckResult outcome;
    // Each check gathers apart: entries of earlier checks are never compared
    // again, and the list never outgrows what a group can address.
    m_set.Clear();
    MemoryGatherEngine gathering(m_list, files, MemoryGatherOptions {});
    const RunResult gathered
        = RunInTerminal(gathering, QStringLiteral("gathering by memory"), QStringLiteral("files"));
    if (gathering.overflow()) {
        Err(QStringLiteral("vexa-cli: at most %1 files can be checked at once")
                .arg(kMaxMemoryFiles));
        outcome.status = ExitFailure;
        return outcome;
    }
    if (gathered.outcome != RunOutcome::Completed) {
        outcome.status = ExitStatusOf(gathered);
        return outcome;
    }
    QSet<QString> loaded;
    for (std::int32_t i = 0; i < m_list.size(); ++i)
        loaded.insert(m_list.at(i)->fullPath());
    for (const QString &file : files) {
        if (!loaded.contains(file))
            Err(QStringLiteral("vexa-cli: %1 is not an image that can be read").arg(file));
    }
    if (gathering.gathered() == 0)
        return outcome;
    MemoryNarrationOptions options;
    options.method = m_options.method;
    options.toleranceLevel = ToleranceLevel(m_options.slider);
    options.anyOrientation = m_options.rotations.value_or(ReadFindRotatedCopies());
    options.clearFirst = true;
    options.startIndex = gathering.base();
    MemoryNarrationEngine narration(m_db, m_set, m_list, options);
    const RunResult narrated
        = RunInTerminal(narration, QStringLiteral("memory narration"), QStringLiteral("files"));
    if (narrated.outcome != RunOutcome::Completed) {
        outcome.status = ExitStatusOf(narrated);
        return outcome;
    }
    QHash<std::int32_t, const CDuplicate *> byEntry;
    for (const CDuplicate &group : m_set)
        byEntry.insert(group.MemLoadPos(), &group);
    for (std::int32_t i = gathering.base(); i < m_list.size(); ++i) {
        const CDuplicate *group = byEntry.value(i);
        if (group)
            ++outcome.withDuplicates;
        if (group || printClean)
            print(*m_list.at(i), group ? group->fileIds() : QList<std::int32_t>());
    }
    return outcome;
}

void MemoryChecker::print(const MemorySignatureEntry &entry, const QList<std::int32_t> &ids)
{
    const QHash<std::int32_t, StoredFile> stored
        = ids.isEmpty() ? QHash<std::int32_t, StoredFile>() : storedFiles(m_db, ids);
    if (m_options.json) {
        QJsonArray list;
        for (const std::int32_t id : ids) {
            const StoredFile file = stored.value(id);
            list.append(QJsonObject { { QStringLiteral("id"), id },
                { QStringLiteral("path"), file.path }, { QStringLiteral("size"), file.size } });
        }
        Out(QString::fromUtf8(QJsonDocument(
            QJsonObject { { QStringLiteral("file"), entry.fullPath() },
                { QStringLiteral("size"), qint64(entry.FileSize) },
                { QStringLiteral("duplicates"),
                    list } }).toJson(QJsonDocument::Compact)));
        return;
    }
    Out(QStringLiteral("%1\t%2 duplicate(s)").arg(entry.fullPath()).arg(ids.size()));
    for (const std::int32_t id : ids) {
        const StoredFile file = stored.value(id);
        Out(QStringLiteral("    %1\t%2\t%3").arg(id).arg(file.size).arg(file.path));
    }
}

}  // namespace vexa::cli

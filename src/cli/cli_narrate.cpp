// vexa-cli narrate COLLECTION [--method 0-6] [--slider 0-24] [--rotations on|off]
//                             [--dir PATH]... [--json] [--reference] [--save]
// The database narration of the window, on the same database, printing the
// groups it finds.
#include "base/paths.h"
#include "cli/cli.h"
#include "cli/commands.h"
#include "db/appdatabase.h"
#include "db/records.h"
#include "db/recordset.h"
#include "db/selectionsql.h"
#include "db/sqlite.h"
#include "narration/duplicateset.h"
#include "narration/narrationengine.h"
#include "narration/narrationsettings.h"
#include "review/duplicatepersistence.h"

#include <QCommandLineParser>
#include <QDir>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vexa::cli {

namespace {

struct FileInfo {
    QString path;
    qint64 size = 0;
};

QString normalised(const QString &path)
{
    QString clean = QDir::cleanPath(QDir(path).absolutePath());
    StripTrailingBackslash(clean);
    return clean;
}

QJsonObject fileJson(std::int32_t id, const FileInfo &file)
{
    return { { QStringLiteral("id"), id }, { QStringLiteral("path"), file.path },
        { QStringLiteral("size"), file.size } };
}

}  // namespace

int RunNarrate(const Invocation &invocation)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Narrates a collection's images, as the window does, and prints the groups."));
    parser.addPositionalArgument(QStringLiteral("collection"), QStringLiteral("The collection."),
        QStringLiteral("COLLECTION"));
    parser.addOptions({
        { QStringLiteral("method"), QStringLiteral("Comparison method, 0..6 (6: perceptual)."),
            QStringLiteral("0-6") },
        { QStringLiteral("slider"),
            QStringLiteral("Tolerance slider, 0..24 (default: the method's preset)."),
            QStringLiteral("0-24") },
        { QStringLiteral("dir"),
            QStringLiteral("Only this directory of the collection (repeatable)."),
            QStringLiteral("PATH") },
        { QStringLiteral("json"), QStringLiteral("One JSON line per group and a summary line.") },
        { QStringLiteral("reference"),
            QStringLiteral("The all-pairs reference scan instead of the fast one.") },
        // Into the Duplicate table, as the window saves.
        { QStringLiteral("save"), QStringLiteral("Save the groups as the window's Save does.") },
    });
    AddRotationsOption(parser);
    if (const int status = ParseCommandLine(parser, invocation); status >= 0)
        return status;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return UsageError(parser, invocation, QStringLiteral("one collection is needed"));
    const QString name = positional.first();
    int method = kDefaultMethod;
    if (!IntOption(parser, QStringLiteral("method"), 0, kMethodCount - 1, method))
        return UsageError(parser, invocation,
            WrongValue(parser, QStringLiteral("method"), QStringLiteral("0..6")));
    // As on the tab: choosing a method presets its slider.
    int slider = PresetOf(method).slider;
    if (!IntOption(parser, QStringLiteral("slider"), kSliderMinimum, kSliderMaximum, slider))
        return UsageError(parser, invocation,
            WrongValue(parser, QStringLiteral("slider"), QStringLiteral("0..24")));
    std::optional<bool> rotations;
    if (!OnOffOption(parser, QStringLiteral("rotations"), rotations))
        return UsageError(parser, invocation,
            WrongValue(parser, QStringLiteral("rotations"), QStringLiteral("on or off")));
    const bool json = parser.isSet(QStringLiteral("json"));
    const bool reference = parser.isSet(QStringLiteral("reference"));
    const bool save = parser.isSet(QStringLiteral("save"));
    QStringList dirs;
    for (const QString &dir : parser.values(QStringLiteral("dir")))
        dirs.append(normalised(dir));
    if (!OpenDataDirectory(invocation))
        return ExitFailure;

    try {
        const std::int32_t collectionId = FindCollectionId(name);
        if (collectionId <= 0) {
            Err(QStringLiteral("vexa-cli: there is no collection \"%1\"").arg(name));
            return ExitFailure;
        }
        // Every directory of the collection is ticked unless --dir names some.
        QList<DirectoryListItem> items;
        QHash<std::int64_t, QString> itemPaths;
        QStringList unmatched = dirs;
        Database &db = *AppDb().db;
        for (RecordSet list(db, DirectoryListSql(collectionId)); !list.eof(); list.moveNext()) {
            const std::int64_t itemId = list.value(QStringLiteral("ItemID")).toLongLong();
            const QString path = list.value(QStringLiteral("Path")).toString();
            itemPaths.insert(itemId, path);
            const bool ticked = dirs.isEmpty() || dirs.contains(path);
            unmatched.removeAll(path);
            items.append({ DirectoryKey(itemId), ticked });
        }
        if (!unmatched.isEmpty()) {
            Err(QStringLiteral("vexa-cli: %1 is not a directory of this collection")
                    .arg(unmatched.first()));
            return ExitFailure;
        }
        if (items.isEmpty()) {
            Err(QStringLiteral("vexa-cli: the collection \"%1\" has no directories").arg(name));
            return ExitFailure;
        }

        NarrationOptions options;
        options.method = method;
        options.toleranceLevel = ToleranceLevel(slider);
        options.anyOrientation = rotations.value_or(ReadFindRotatedCopies());
        options.selection = BuildSelectionSql(items, collectionId);
        options.scan = reference ? NarrationScanKind::Reference : NarrationScanKind::Fast;
        CDuplicates set;
        NarrationEngine engine(set, options);
        const RunResult result
            = RunInTerminal(engine, QStringLiteral("narration"), QStringLiteral("records"));
        if (result.outcome == RunOutcome::Failed)
            return ExitFailure;
        const NarrationCounters &counters = engine.counters();

        // The files of the groups only, looked up by key: reading the whole
        // selection would keep a cancelled run of a large one waiting.
        QHash<std::int32_t, FileInfo> files;
        Statement query(db.connection().handle(),
            QStringLiteral("SELECT ItemID, FileName, FileSize FROM FILEDATA WHERE ID = ?1"));
        const auto lookUp = [&](std::int32_t id) {
            if (files.contains(id))
                return;
            query.reset();
            query.bind(1, id);
            if (query.step())
                files.insert(id,
                    { JoinPath(itemPaths.value(query.columnInt64(0)), query.column(1).toString()),
                        query.columnInt64(2) });
        };
        for (const CDuplicate &group : set) {
            lookUp(group.lSource());
            for (const std::int32_t id : group.fileIds())
                lookUp(id);
        }
        qint64 duplicates = 0;
        int number = 0;
        for (const CDuplicate &group : set) {
            ++number;
            const QList<std::int32_t> &ids = group.fileIds();
            duplicates += ids.size();
            if (json) {
                QJsonArray list;
                for (const std::int32_t id : ids)
                    list.append(fileJson(id, files.value(id)));
                Out(QString::fromUtf8(QJsonDocument(
                    QJsonObject { { QStringLiteral("group"), number },
                        { QStringLiteral("source"),
                            fileJson(group.lSource(), files.value(group.lSource())) },
                        { QStringLiteral("duplicates"),
                            list } }).toJson(QJsonDocument::Compact)));
                continue;
            }
            const FileInfo source = files.value(group.lSource());
            Out(QStringLiteral("[%1] %2\t%3\t%4")
                    .arg(number)
                    .arg(group.lSource())
                    .arg(source.size)
                    .arg(source.path));
            for (const std::int32_t id : ids) {
                const FileInfo file = files.value(id);
                Out(QStringLiteral("    %1\t%2\t%3").arg(id).arg(file.size).arg(file.path));
            }
        }
        const QString outcome = result.outcome == RunOutcome::Cancelled
            ? QStringLiteral("cancelled")
            : QStringLiteral("completed");
        const QString scan = reference ? QStringLiteral("reference") : QStringLiteral("fast");
        if (json) {
            Out(QString::fromUtf8(QJsonDocument(
                QJsonObject { { QStringLiteral("summary"),
                    QJsonObject { { QStringLiteral("records"), counters.total },
                        { QStringLiteral("passed"), counters.done },
                        { QStringLiteral("groups"), counters.groups },
                        { QStringLiteral("duplicates"), duplicates },
                        { QStringLiteral("method"), method }, { QStringLiteral("slider"), slider },
                        { QStringLiteral("scan"), scan }, { QStringLiteral("outcome"), outcome },
                        { QStringLiteral("elapsedMs"), counters.elapsedMs } } } })
                                      .toJson(QJsonDocument::Compact)));
        } else {
            Out(QStringLiteral("%1 records, %2 groups, %3 duplicates, method %4, slider %5, %6 "
                               "scan %7 in %8 ms")
                    .arg(counters.total)
                    .arg(counters.groups)
                    .arg(duplicates)
                    .arg(method)
                    .arg(slider)
                    .arg(scan, outcome)
                    .arg(counters.elapsedMs));
        }
        // The groups found so far are saved also after Ctrl-C, as the window
        // keeps and can save what a cancelled run found.
        if (save) {
            if (!DuplicateSave(set))
                return ExitFailure;  // reported; the earlier saved set is kept
            Err(QStringLiteral("saved %1 groups into the Duplicate table").arg(set.Count()));
        }
        return ExitStatusOf(result);
    } catch (const std::exception &e) {
        Err(QStringLiteral("vexa-cli: %1").arg(QString::fromUtf8(e.what())));
        return ExitFailure;
    }
}

}  // namespace vexa::cli

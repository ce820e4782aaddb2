// vexa-cli narrate COLLECTION [--method 0-5] [--slider 0-24] [--dir PATH]...
//                             [--json] [--reference] [--save]
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

#include <QDir>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <atomic>
#include <csignal>

namespace vexa::cli {

namespace {

const char kUsage[] = "usage: vexa-cli [--data DIR] narrate COLLECTION [--method 0-5] "
                      "[--slider 0-24] [--dir PATH]... [--json] [--reference] [--save]";

std::atomic<bool> g_interrupted { false };

extern "C" void onInterrupt(int)
{
    g_interrupted = true;
}

// Ctrl-C is the Cancel button: the run ends in its normal way.
class CliObserver : public NarrationObserver {
public:
    bool isCancelled() const override { return g_interrupted.load(); }
};

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

bool parseNumber(const QString &text, int low, int high, int &value)
{
    bool ok = false;
    value = text.toInt(&ok);
    return ok && value >= low && value <= high;
}

QJsonObject fileJson(std::int32_t id, const FileInfo &file)
{
    return { { QStringLiteral("id"), id }, { QStringLiteral("path"), file.path },
        { QStringLiteral("size"), file.size } };
}

}  // namespace

int RunNarrate(const Invocation &invocation)
{
    QStringList args = invocation.args;
    if (args.isEmpty() || args.first().startsWith(QStringLiteral("--"))) {
        Err(QString::fromLatin1(kUsage));
        return ExitUsage;
    }
    const QString name = args.takeFirst();
    int method = kDefaultMethod;
    int slider = PresetOf(kDefaultMethod).slider;
    bool sliderGiven = false;
    bool json = false;
    bool reference = false;
    bool save = false;  // --save: into the Duplicate table, as the window saves
    QStringList dirs;
    while (!args.isEmpty()) {
        const QString option = args.takeFirst();
        if (option == QStringLiteral("--method") && !args.isEmpty()) {
            if (!parseNumber(args.takeFirst(), 0, kMethodCount - 1, method)) {
                Err(QString::fromLatin1(kUsage));
                return ExitUsage;
            }
        } else if (option == QStringLiteral("--slider") && !args.isEmpty()) {
            if (!parseNumber(args.takeFirst(), kSliderMinimum, kSliderMaximum, slider)) {
                Err(QString::fromLatin1(kUsage));
                return ExitUsage;
            }
            sliderGiven = true;
        } else if (option == QStringLiteral("--dir") && !args.isEmpty()) {
            dirs.append(normalised(args.takeFirst()));
        } else if (option == QStringLiteral("--json")) {
            json = true;
        } else if (option == QStringLiteral("--reference")) {
            reference = true;
        } else if (option == QStringLiteral("--save")) {
            save = true;
        } else {
            Err(QString::fromLatin1(kUsage));
            return ExitUsage;
        }
    }
    // As on the tab: choosing a method presets its slider.
    if (!sliderGiven)
        slider = PresetOf(method).slider;
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
        options.selection = BuildSelectionSql(items, collectionId);
        options.scan = reference ? NarrationScanKind::Reference : NarrationScanKind::Fast;
        std::signal(SIGINT, onInterrupt);
        CliObserver observer;
        CDuplicates set;
        const NarrationResult result = NarrateDatabaseRun(set, options, &observer);
        std::signal(SIGINT, SIG_DFL);
        if (result.outcome == RunOutcome::Failed)
            return ExitFailure;  // reported through the message seam

        QHash<std::int32_t, FileInfo> files;
        Statement query(db.connection().handle(),
            QStringLiteral("SELECT ID, ItemID, FileName, FileSize FROM FILEDATA ")
                + options.selection);
        while (query.step()) {
            const QString directory = itemPaths.value(query.columnInt64(1));
            files.insert(std::int32_t(query.columnInt64(0)),
                { JoinPath(directory, query.column(2).toString()), query.columnInt64(3) });
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
                    QJsonObject { { QStringLiteral("records"), result.total },
                        { QStringLiteral("passed"), result.done },
                        { QStringLiteral("groups"), result.groups },
                        { QStringLiteral("duplicates"), duplicates },
                        { QStringLiteral("method"), method }, { QStringLiteral("slider"), slider },
                        { QStringLiteral("scan"), scan }, { QStringLiteral("outcome"), outcome },
                        { QStringLiteral("elapsedMs"), result.elapsedMs } } } })
                                      .toJson(QJsonDocument::Compact)));
        } else {
            Out(QStringLiteral("%1 records, %2 groups, %3 duplicates, method %4, slider %5, %6 "
                               "scan %7 in %8 ms")
                    .arg(result.total)
                    .arg(result.groups)
                    .arg(duplicates)
                    .arg(method)
                    .arg(slider)
                    .arg(scan, outcome)
                    .arg(result.elapsedMs));
        }
        // The groups found so far are saved also after Ctrl-C, as the window
        // keeps and can save what a cancelled run found.
        if (save) {
            if (!DuplicateSave(set))
                return ExitFailure;  // reported; the earlier saved set is kept
            Err(QStringLiteral("saved %1 groups into the Duplicate table").arg(set.Count()));
        }
        return result.outcome == RunOutcome::Completed ? ExitOk : ExitFailure;
    } catch (const std::exception &e) {
        Err(QStringLiteral("vexa-cli: %1").arg(QString::fromUtf8(e.what())));
        return ExitFailure;
    }
}

}  // namespace vexa::cli

// vexa-cli gather COLLECTION [--threads N] [--dir PATH]... [--json]
// The gathering run of the window on the same database: every directory of
// the collection is ticked unless --dir narrows the run. Each file that does
// not load is named with its reason on standard error ("vexa-cli: could not
// load PATH: REASON"); --json also gives them on standard output as lines
// {"path": ..., "reason": ...}, then a summary line.
#include "base/environment.h"
#include "base/filelisting.h"
#include "base/log.h"
#include "base/paths.h"
#include "base/progresstexts.h"
#include "cli/cli.h"
#include "cli/commands.h"
#include "db/appdatabase.h"
#include "db/records.h"
#include "db/recordset.h"
#include "db/selectionsql.h"
#include "gather/gatherengine.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>

namespace vexa::cli {

namespace {

QString normalised(const QString &path)
{
    QString clean = QDir::cleanPath(QDir(path).absolutePath());
    StripTrailingBackslash(clean);
    return clean;
}

}  // namespace

int RunGather(const Invocation &invocation)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Gathers the signatures of a collection's images, as the window does."));
    parser.addPositionalArgument(QStringLiteral("collection"), QStringLiteral("The collection."),
        QStringLiteral("COLLECTION"));
    parser.addOptions({ { QStringLiteral("threads"),
                            QStringLiteral("Decoding threads, 1..256 (0 or none: one per core)."),
                            QStringLiteral("N") },
        { QStringLiteral("dir"),
            QStringLiteral("Only this directory of the collection (repeatable)."),
            QStringLiteral("PATH") },
        { QStringLiteral("json"),
            QStringLiteral("Files that did not load, and the summary, as JSON lines.") } });
    if (const int status = ParseCommandLine(parser, invocation); status >= 0)
        return status;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return UsageError(parser, invocation, QStringLiteral("one collection is needed"));
    const QString name = positional.first();
    int threads = 0;
    if (!IntOption(parser, QStringLiteral("threads"), 0, 256, threads))
        return UsageError(parser, invocation,
            WrongValue(parser, QStringLiteral("threads"), QStringLiteral("0..256")));
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
        GatherOptions options;
        options.collectionId = collectionId;
        options.threads = threads;
        QStringList unmatched = dirs;
        for (RecordSet list(*AppDb().db, DirectoryListSql(collectionId)); !list.eof();
             list.moveNext()) {
            const std::int64_t itemId = list.value(QStringLiteral("ItemID")).toLongLong();
            const QString path = list.value(QStringLiteral("Path")).toString();
            const bool ticked = dirs.isEmpty() || dirs.contains(path);
            unmatched.removeAll(path);
            options.directories.append({ DirectoryKey(itemId), path, ticked });
        }
        if (!unmatched.isEmpty()) {
            Err(QStringLiteral("vexa-cli: %1 is not a directory of this collection")
                    .arg(unmatched.first()));
            return ExitFailure;
        }
        if (options.directories.isEmpty()) {
            Err(QStringLiteral("vexa-cli: the collection \"%1\" has no directories").arg(name));
            return ExitFailure;
        }

        GatherEngine engine(options);
        QElapsedTimer wall;
        wall.start();
        const RunResult result
            = RunInTerminal(engine, QStringLiteral("gathering"), QStringLiteral("files"));
        const GatherCounters &c = engine.counters();
        if (parser.isSet(QStringLiteral("json"))) {
            for (const GatherEngine::LoadFailure &failure : engine.loadFailures())
                Out(QString::fromUtf8(
                    QJsonDocument(QJsonObject { { QStringLiteral("path"), failure.path },
                                      { QStringLiteral("reason"), failure.reason } })
                        .toJson(QJsonDocument::Compact)));
            Out(QString::fromUtf8(QJsonDocument(
                QJsonObject { { QStringLiteral("summary"),
                    QJsonObject { { QStringLiteral("processed"), c.processed },
                        { QStringLiteral("skipped"), c.skipped },
                        { QStringLiteral("stored"), c.stored },
                        { QStringLiteral("errors"), c.errors },
                        { QStringLiteral("outcome"),
                            result.outcome == RunOutcome::Failed ? QStringLiteral("stopped")
                                : result.outcome == RunOutcome::Cancelled
                                ? QStringLiteral("cancelled")
                                : QStringLiteral("completed") } } } })
                                      .toJson(QJsonDocument::Compact)));
            return ExitStatusOf(result);
        }
        const QString ending = result.outcome == RunOutcome::Failed ? QStringLiteral(" (stopped)")
            : result.outcome == RunOutcome::Cancelled               ? QStringLiteral(" (cancelled)")
                                                                    : QString();
        Out(QStringLiteral("processed %1, skipped %2, stored %3, errors %4, elapsed %5%6")
                .arg(c.processed)
                .arg(c.skipped)
                .arg(c.stored)
                .arg(c.errors)
                .arg(ElapsedText(wall.elapsed()))
                .arg(ending));
        if (result.outcome != RunOutcome::Failed && c.errors > 0)
            Out(QStringLiteral("log: ")
                + JoinPath(ProgramDirectory(), QString::fromLatin1(kGatherLogName)));
        return ExitStatusOf(result);
    } catch (const std::exception &e) {
        Err(QStringLiteral("vexa-cli: ") + QString::fromLocal8Bit(e.what()));
        return ExitFailure;
    }
}

}  // namespace vexa::cli

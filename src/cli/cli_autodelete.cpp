// vexa-cli autodelete [--dry-run] [--json]
// The Intelligent Autodelete of the window on the saved duplicate set: the
// byte-identical copies go (to the trash unless AllowUndo is off), the pruned
// set is saved back. Each file marked for removal is printed with the file it
// duplicates that stays; --dry-run prints that plan and touches nothing.
#include "cli/cli.h"
#include "cli/commands.h"
#include "db/settings.h"
#include "narration/duplicateset.h"
#include "review/autodelete.h"
#include "review/binaryset.h"
#include "review/duplicatepersistence.h"

#include <QCommandLineParser>
#include <QJsonDocument>
#include <QJsonObject>

namespace vexa::cli {

namespace {

QString outcomeName(RunOutcome outcome)
{
    switch (outcome) {
    case RunOutcome::Completed: return QStringLiteral("completed");
    case RunOutcome::Cancelled: return QStringLiteral("cancelled");
    case RunOutcome::Failed: return QStringLiteral("failed");
    }
    return {};
}

void printRemoval(const BinaryRemoval &removal, bool dryRun, bool json)
{
    const QString action = removal.done        ? QStringLiteral("removed")
        : (dryRun && removal.reason.isEmpty()) ? QStringLiteral("would remove")
                                               : QStringLiteral("refused");
    if (json) {
        QJsonObject line { { QStringLiteral("action"), action },
            { QStringLiteral("file"), removal.removed },
            { QStringLiteral("id"), removal.removedId }, { QStringLiteral("kept"), removal.kept },
            { QStringLiteral("keptId"), removal.keptId },
            { QStringLiteral("size"), qint64(removal.size) } };
        if (!removal.reason.isEmpty())
            line.insert(QStringLiteral("reason"), removal.reason);
        Out(QString::fromUtf8(QJsonDocument(line).toJson(QJsonDocument::Compact)));
        return;
    }
    QString text
        = action + QLatin1Char('\t') + removal.removed + QStringLiteral("\tkept\t") + removal.kept;
    if (!removal.reason.isEmpty())
        text += QStringLiteral("\t(") + removal.reason + QLatin1Char(')');
    Out(text);
}

}  // namespace

int RunAutodelete(const Invocation &invocation)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Removes the byte-identical copies in the saved duplicate set, as the window's "
        "Intelligent Autodelete does (into the trash unless AllowUndo is off), and saves the "
        "pruned set. Exit status 0 when it ran, whether or not it removed anything."));
    parser.addOptions({
        { QStringLiteral("dry-run"), QStringLiteral("Print the plan; touch nothing.") },
        { QStringLiteral("json"), QStringLiteral("One JSON line per file and a summary line.") },
    });
    if (const int status = ParseCommandLine(parser, invocation); status >= 0)
        return status;
    if (!parser.positionalArguments().isEmpty())
        return UsageError(parser, invocation,
            ExtraArguments(QStringLiteral("autodelete"), parser.positionalArguments()));
    const bool dryRun = parser.isSet(QStringLiteral("dry-run"));
    const bool json = parser.isSet(QStringLiteral("json"));
    if (!OpenDataDirectory(invocation))
        return ExitFailure;
    try {
        CDuplicates set;
        CBinaries binaries;
        if (DuplicateLoad(set) < 0)
            return ExitFailure;  // reported
        AutodeleteOptions options;
        options.allowUndo = GetSystemSetting(QStringLiteral("AllowUndo")).toBool();
        options.dryRun = dryRun;
        AutodeleteEngine engine(set, binaries, options);
        const RunResult result
            = RunInTerminal(engine, QStringLiteral("autodelete"), QStringLiteral("groups"));
        const AutodeleteCounters &counters = engine.counters();
        for (const BinaryRemoval &removal : counters.removals)
            printRemoval(removal, dryRun, json);
        if (result.outcome == RunOutcome::Failed)
            return ExitFailure;
        // After Ctrl-C too: the files removed are gone, so the saved set
        // must not name them as duplicates any longer.
        if (!dryRun && !DuplicateSave(set))
            return ExitFailure;  // reported; the files removed stay removed
        if (json) {
            Out(QString::fromUtf8(QJsonDocument(
                QJsonObject { { QStringLiteral("summary"),
                    QJsonObject { { QStringLiteral("deleted"), counters.deleted },
                        { QStringLiteral("groupsRemoved"), counters.groupsRemoved },
                        { QStringLiteral("groupsLeft"), counters.groupsLeft },
                        { QStringLiteral("dryRun"), dryRun },
                        { QStringLiteral("trash"), options.allowUndo },
                        { QStringLiteral("outcome"), outcomeName(result.outcome) } } } })
                                      .toJson(QJsonDocument::Compact)));
        } else {
            Out(QStringLiteral("%1 files deleted, %2 groups removed, %3 groups remaining%4")
                    .arg(counters.deleted)
                    .arg(counters.groupsRemoved)
                    .arg(counters.groupsLeft)
                    .arg(dryRun ? QStringLiteral(" (dry run: nothing touched)") : QString()));
        }
        return ExitStatusOf(result);
    } catch (const std::exception &e) {
        Err(QStringLiteral("vexa-cli: %1").arg(QString::fromUtf8(e.what())));
        return ExitFailure;
    }
}

}  // namespace vexa::cli

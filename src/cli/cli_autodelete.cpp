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

#include <QJsonDocument>
#include <QJsonObject>

#include <atomic>
#include <csignal>

namespace vexa::cli {

namespace {

const char kUsage[] = "usage: vexa-cli [--data DIR] autodelete [--dry-run] [--json]";

std::atomic<bool> g_interrupted { false };

extern "C" void onAutodeleteInterrupt(int)
{
    g_interrupted = true;
}

// Ctrl-C is the Cancel button: the run stops between groups, keeps what it
// removed and saves the pruned set.
class CliObserver : public RunObserver {
public:
    bool isCancelled() const override { return g_interrupted.load(); }
};

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
    bool dryRun = false;
    bool json = false;
    for (const QString &option : invocation.args) {
        if (option == QStringLiteral("--dry-run")) {
            dryRun = true;
        } else if (option == QStringLiteral("--json")) {
            json = true;
        } else {
            Err(QString::fromLatin1(kUsage));
            return ExitUsage;
        }
    }
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
        std::signal(SIGINT, onAutodeleteInterrupt);
        CliObserver observer;
        const AutodeleteResult result = IntelligentAutodeleteRun(set, binaries, options, &observer);
        std::signal(SIGINT, SIG_DFL);
        for (const BinaryRemoval &removal : result.removals)
            printRemoval(removal, dryRun, json);
        if (result.outcome == RunOutcome::Failed)
            return ExitFailure;
        if (!dryRun && !DuplicateSave(set))
            return ExitFailure;  // reported; the files removed stay removed
        if (json) {
            Out(QString::fromUtf8(QJsonDocument(
                QJsonObject { { QStringLiteral("summary"),
                    QJsonObject { { QStringLiteral("deleted"), result.deleted },
                        { QStringLiteral("groupsRemoved"), result.groupsRemoved },
                        { QStringLiteral("groupsLeft"), result.groupsLeft },
                        { QStringLiteral("dryRun"), dryRun },
                        { QStringLiteral("trash"), options.allowUndo },
                        { QStringLiteral("outcome"), outcomeName(result.outcome) } } } })
                                      .toJson(QJsonDocument::Compact)));
        } else {
            Out(QStringLiteral("%1 files deleted, %2 groups removed, %3 groups remaining%4")
                    .arg(result.deleted)
                    .arg(result.groupsRemoved)
                    .arg(result.groupsLeft)
                    .arg(dryRun ? QStringLiteral(" (dry run: nothing touched)") : QString()));
        }
        return result.outcome == RunOutcome::Cancelled ? ExitCancelled : ExitOk;
    } catch (const std::exception &e) {
        Err(QStringLiteral("vexa-cli: %1").arg(QString::fromUtf8(e.what())));
        return ExitFailure;
    }
}

}  // namespace vexa::cli

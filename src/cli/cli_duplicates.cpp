// vexa-cli duplicates list [--json] | clear: the saved duplicate set;
// ignore A B | ignored [--json] | unignore A B [--id]: the pairs remembered
// as not duplicates; select [--rule KEYS] [--prefer DIR] [--json] [--apply]:
// keep-best on the saved set.
#include "cli/cli.h"
#include "cli/commands.h"
#include "db/appdatabase.h"
#include "db/database.h"
#include "db/imagefileinfo.h"
#include "db/notduplicates.h"
#include "db/records.h"
#include "db/recordset.h"
#include "db/settings.h"
#include "narration/duplicateset.h"
#include "review/duplicatepersistence.h"
#include "review/keepbest.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vexa::cli {
namespace {

// The file of a record, or nothing when the record is gone.
QJsonValue recordPath(std::int32_t id)
{
    RecordSet &fileData = *AppDb().fileData;
    if (!fileData.findFirst(QStringLiteral("ID=") + QString::number(id)))
        return QJsonValue();
    const ImageFileInfo image = RetrieveImageFileInformation(fileData);
    return image.Directory + QLatin1Char('/') + image.FileName;
}

int list(bool json)
{
    RecordSet &rows = *AppDb().duplicates;
    rows.requery();
    int groups = 0;
    for (rows.moveFirst(); !rows.eof(); rows.moveNext()) {
        ++groups;
        const auto source = std::int32_t(rows.value(QStringLiteral("MasterId")).toLongLong());
        const QList<std::int32_t> ids
            = ParseIdList(rows.value(QStringLiteral("Duplicates")).toString());
        if (!json) {
            Out(QStringLiteral("%1\t%2\t%3").arg(groups).arg(source).arg(FormatIdList(ids)));
            continue;
        }
        QJsonArray files;
        QJsonObject sourceFile { { QStringLiteral("id"), source },
            { QStringLiteral("path"), source == -1 ? QJsonValue() : recordPath(source) } };
        for (const std::int32_t id : ids)
            files.append(QJsonObject {
                { QStringLiteral("id"), id }, { QStringLiteral("path"), recordPath(id) } });
        const QJsonObject group { { QStringLiteral("group"), groups },
            { QStringLiteral("source"), sourceFile }, { QStringLiteral("duplicates"), files } };
        Out(QString::fromUtf8(QJsonDocument(group).toJson(QJsonDocument::Compact)));
    }
    if (!json)
        Err(QStringLiteral("%1 saved groups").arg(groups));
    return ExitOk;
}

// The records of one argument: a record id with --id, otherwise the
// records of the file at that path (one per collection holding it). Empty,
// with the reason printed, when there are none.
QList<std::int32_t> recordsOf(const QString &argument, bool byId)
{
    if (byId) {
        bool ok = false;
        const int id = argument.toInt(&ok);
        if (ok && id > 0
            && AppDb().fileData->findFirst(QStringLiteral("ID=") + QString::number(id)))
            return { id };
        Err(QStringLiteral("vexa-cli: no record %1").arg(argument));
        return {};
    }
    const QString path = QDir::cleanPath(QFileInfo(argument).absoluteFilePath());
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QList<std::int32_t> ids = RecordIdsOfFile(
        OpenDb(), slash <= 0 ? QStringLiteral("/") : path.left(slash), path.mid(slash + 1));
    if (ids.isEmpty())
        Err(QStringLiteral("vexa-cli: no record of %1").arg(path));
    return ids;
}

// ignore / unignore: every record of A against every record of B.
int changePair(const QString &a, const QString &b, bool byId, bool remember)
{
    const QList<std::int32_t> first = recordsOf(a, byId);
    const QList<std::int32_t> second = recordsOf(b, byId);
    if (first.isEmpty() || second.isEmpty())
        return ExitFailure;
    Database &db = OpenDb();
    Transaction transaction(db);
    int changed = 0;
    for (const std::int32_t x : first) {
        for (const std::int32_t y : second) {
            if (x == y)
                continue;
            changed += (remember ? RememberNotDuplicate(db, x, y) : ForgetNotDuplicate(db, x, y))
                ? 1
                : 0;
        }
    }
    transaction.commit();
    Out(QStringLiteral("%1 %2 %3")
            .arg(remember ? QStringLiteral("remembered") : QStringLiteral("forgot"))
            .arg(changed)
            .arg(changed == 1 ? QStringLiteral("pair") : QStringLiteral("pairs")));
    return ExitOk;
}

int ignored(bool json)
{
    const QList<NotDuplicatePair> pairs = NotDuplicatePairs(OpenDb());
    const auto pathValue
        = [](const QString &path) { return path.isEmpty() ? QJsonValue() : QJsonValue(path); };
    for (const NotDuplicatePair &pair : pairs) {
        if (!json) {
            Out(QStringLiteral("%1\t%2\t%3\t%4")
                    .arg(pair.first)
                    .arg(pair.second)
                    .arg(pair.firstPath, pair.secondPath));
            continue;
        }
        const QJsonObject row { { QStringLiteral("first"),
                                    QJsonObject { { QStringLiteral("id"), pair.first },
                                        { QStringLiteral("path"), pathValue(pair.firstPath) } } },
            { QStringLiteral("second"),
                QJsonObject { { QStringLiteral("id"), pair.second },
                    { QStringLiteral("path"), pathValue(pair.secondPath) } } } };
        Out(QString::fromUtf8(QJsonDocument(row).toJson(QJsonDocument::Compact)));
    }
    if (!json)
        Err(QStringLiteral("%1 %2 remembered as not duplicates")
                .arg(pairs.size())
                .arg(pairs.size() == 1 ? QStringLiteral("pair") : QStringLiteral("pairs")));
    return ExitOk;
}

QString reasonWord(KeepReason reason)
{
    switch (reason) {
    case KeepReason::Preferred: return QStringLiteral("preferred");
    case KeepReason::Pixels: return QStringLiteral("pixels");
    case KeepReason::Size: return QStringLiteral("size");
    case KeepReason::Oldest: return QStringLiteral("oldest");
    case KeepReason::Shortest: return QStringLiteral("shortest");
    case KeepReason::Equal: return QStringLiteral("equal");
    case KeepReason::SameFile: return QStringLiteral("same-file");
    case KeepReason::None: break;
    }
    return QString();
}

// Keep-best on the saved set: the plan, one line (or JSON line) per group,
// and with apply the selected files deleted and the pruned set saved.
int select(const KeepRule &rule, bool json, bool apply)
{
    CDuplicates set;
    if (DuplicateLoad(set) < 0)
        return ExitFailure;  // reported
    KeepBestOptions options;
    options.rule = rule;
    KeepBestEngine engine(set, options);
    const RunResult result
        = RunInTerminal(engine, QStringLiteral("keep-best"), QStringLiteral("groups"));
    if (result.outcome == RunOutcome::Failed)
        return ExitFailure;
    int selected = 0;
    std::int64_t bytes = 0;
    for (const KeepGroupPlan &plan : engine.plans()) {
        const KeepFile &kept = plan.files[std::size_t(plan.decision.kept)];
        QJsonArray files;
        for (const int i : plan.selected()) {
            const KeepFile &file = plan.files[std::size_t(i)];
            const KeepReason reason = plan.decision.reasons[std::size_t(i)];
            ++selected;
            bytes += file.size;
            if (!json) {
                Out(QStringLiteral("%1\tselect\t%2\t%3")
                        .arg(plan.position)
                        .arg(file.path, KeepReasonText(kept, reason)));
                continue;
            }
            files.append(QJsonObject { { QStringLiteral("id"), file.id },
                { QStringLiteral("path"), file.path },
                { QStringLiteral("size"), qint64(file.size) },
                { QStringLiteral("because"), reasonWord(reason) },
                { QStringLiteral("reason"), KeepReasonText(kept, reason) } });
        }
        if (!json) {
            Out(QStringLiteral("%1\tkeep\t%2").arg(plan.position).arg(kept.path));
            continue;
        }
        const QJsonObject line { { QStringLiteral("group"), plan.position },
            { QStringLiteral("keep"),
                QJsonObject {
                    { QStringLiteral("id"), kept.id }, { QStringLiteral("path"), kept.path } } },
            { QStringLiteral("select"), files },
            { QStringLiteral("reclaimable"), qint64(plan.reclaimableBytes()) } };
        Out(QString::fromUtf8(QJsonDocument(line).toJson(QJsonDocument::Compact)));
    }
    Err(QStringLiteral("rule %1%2: %3 files selected in %4 groups, %5 bytes")
            .arg(KeepKeysText(rule.keys),
                rule.preferredDirectory.isEmpty()
                    ? QString()
                    : QStringLiteral(", preferring ") + rule.preferredDirectory)
            .arg(selected)
            .arg(engine.plans().size())
            .arg(bytes));
    if (!apply || result.outcome == RunOutcome::Cancelled)
        return ExitStatusOf(result);
    int removed = 0;
    for (const KeepRemoval &removal :
        ApplyKeepBest(engine.plans(), GetSystemSetting(QStringLiteral("AllowUndo")).toBool())) {
        if (removal.done)
            ++removed;
        if (!removal.reason.isEmpty())
            Err(QStringLiteral("refused\t%1\t%2").arg(removal.path, removal.reason));
    }
    // The files removed are gone: the saved set must not name them any longer.
    set.DeleteNonRelevantDuplicates();
    if (!DuplicateSave(set))
        return ExitFailure;
    Out(QStringLiteral("%1 files deleted, %2 groups remaining").arg(removed).arg(set.Count()));
    return ExitOk;
}

}  // namespace

int RunDuplicates(const Invocation &invocation)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Lists or clears the saved duplicate set; remembers, lists and forgets "
                       "pairs of files that are not duplicates."));
    parser.addPositionalArgument(QStringLiteral("verb"),
        QStringLiteral("list, clear, ignore A B, ignored, unignore A B or select."),
        QStringLiteral("list|clear|ignore|ignored|unignore|select"));
    parser.addOption({ QStringLiteral("json"),
        QStringLiteral("list, ignored, select: one JSON line per group or pair.") });
    parser.addOption({ QStringLiteral("id"),
        QStringLiteral("ignore, unignore: A and B are record ids, not paths.") });
    parser.addOption({ QStringLiteral("rule"),
        QStringLiteral("select: the keys in order (default: the one set in the options, first "
                       "pixels,size,oldest,shortest)."),
        QStringLiteral("KEYS") });
    parser.addOption({ QStringLiteral("prefer"),
        QStringLiteral("select: files under DIR are kept first."), QStringLiteral("DIR") });
    parser.addOption({ QStringLiteral("apply"),
        QStringLiteral("select: delete the selected files (into the trash unless AllowUndo is "
                       "off) and save the pruned set.") });
    if (const int status = ParseCommandLine(parser, invocation); status >= 0)
        return status;
    const QStringList args = parser.positionalArguments();
    const bool json = parser.isSet(QStringLiteral("json"));
    const bool byId = parser.isSet(QStringLiteral("id"));
    const QString verb = args.value(0);
    static const QStringList kVerbs { QStringLiteral("list"), QStringLiteral("clear"),
        QStringLiteral("ignore"), QStringLiteral("ignored"), QStringLiteral("unignore"),
        QStringLiteral("select") };
    if (!kVerbs.contains(verb))
        return UsageError(parser, invocation,
            verb.isEmpty()
                ? QStringLiteral("list, clear, ignore, ignored, unignore or select is needed")
                : QStringLiteral("unknown verb \"%1\"").arg(verb));
    const bool pairVerb = verb == QStringLiteral("ignore") || verb == QStringLiteral("unignore");
    const qsizetype arguments = pairVerb ? 3 : 1;
    if (args.size() < arguments)
        return UsageError(parser, invocation, QStringLiteral("%1 needs two files").arg(verb));
    if (args.size() > arguments)
        return UsageError(parser, invocation,
            QStringLiteral("%1 takes nothing more, not \"%2\"").arg(verb, args[arguments]));
    const bool selecting = verb == QStringLiteral("select");
    const bool jsonTaken
        = verb == QStringLiteral("list") || verb == QStringLiteral("ignored") || selecting;
    if (json && !jsonTaken)
        return UsageError(parser, invocation, QStringLiteral("%1 takes no --json").arg(verb));
    if (byId && !pairVerb)
        return UsageError(parser, invocation, QStringLiteral("%1 takes no --id").arg(verb));
    for (const char *option : { "rule", "prefer", "apply" }) {
        if (!selecting && parser.isSet(QLatin1String(option)))
            return UsageError(parser, invocation,
                QStringLiteral("%1 takes no --%2").arg(verb, QLatin1String(option)));
    }
    std::optional<std::vector<KeepKey>> keys;
    if (parser.isSet(QStringLiteral("rule"))) {
        keys = ParseKeepKeys(parser.value(QStringLiteral("rule")));
        if (!keys)
            return UsageError(parser, invocation,
                WrongValue(parser, QStringLiteral("rule"),
                    QStringLiteral("keys from pixels, size, oldest, shortest, each once")));
    }
    const bool apply = parser.isSet(QStringLiteral("apply"));
    const bool reading = jsonTaken && !(selecting && apply);
    if (!OpenDataDirectory(
            invocation, reading ? DatabaseAccess::ReadOnly : DatabaseAccess::ReadWrite))
        return ExitFailure;
    try {
        if (verb == QStringLiteral("list"))
            return list(json);
        if (verb == QStringLiteral("ignored"))
            return ignored(json);
        if (pairVerb)
            return changePair(args[1], args[2], byId, verb == QStringLiteral("ignore"));
        if (selecting) {
            KeepRule rule = StoredKeepRule();
            if (keys)
                rule.keys = *keys;
            if (parser.isSet(QStringLiteral("prefer")))
                rule.preferredDirectory = QDir::cleanPath(
                    QFileInfo(parser.value(QStringLiteral("prefer"))).absoluteFilePath());
            return select(rule, json, apply);
        }
        const int groups = AppDb().duplicates->recordCount();
        CDuplicates none;
        if (!DuplicateClear(none))
            return ExitFailure;
        Out(QStringLiteral("cleared %1 saved groups").arg(groups));
        return ExitOk;
    } catch (const std::exception &e) {
        Err(QString::fromLocal8Bit(e.what()));
        return ExitFailure;
    }
}

}  // namespace vexa::cli

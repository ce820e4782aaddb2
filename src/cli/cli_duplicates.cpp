// vexa-cli duplicates list [--json] | clear: the saved duplicate set;
// ignore A B | ignored [--json] | unignore A B [--id]: the pairs remembered
// as not duplicates.
#include "cli/cli.h"
#include "cli/commands.h"
#include "db/appdatabase.h"
#include "db/database.h"
#include "db/imagefileinfo.h"
#include "db/notduplicates.h"
#include "db/records.h"
#include "db/recordset.h"
#include "narration/duplicateset.h"
#include "review/duplicatepersistence.h"

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
    Out(QStringLiteral("%1 %2 pairs")
            .arg(remember ? QStringLiteral("remembered") : QStringLiteral("forgot"))
            .arg(changed));
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
        Err(QStringLiteral("%1 pairs remembered as not duplicates").arg(pairs.size()));
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
        QStringLiteral("list, clear, ignore A B, ignored or unignore A B."),
        QStringLiteral("list|clear|ignore|ignored|unignore"));
    parser.addOption({ QStringLiteral("json"),
        QStringLiteral("list, ignored: one JSON line per group or pair.") });
    parser.addOption({ QStringLiteral("id"),
        QStringLiteral("ignore, unignore: A and B are record ids, not paths.") });
    if (const int status = ParseCommandLine(parser, invocation); status >= 0)
        return status;
    const QStringList args = parser.positionalArguments();
    const bool json = parser.isSet(QStringLiteral("json"));
    const bool byId = parser.isSet(QStringLiteral("id"));
    const QString verb = args.value(0);
    static const QStringList kVerbs { QStringLiteral("list"), QStringLiteral("clear"),
        QStringLiteral("ignore"), QStringLiteral("ignored"), QStringLiteral("unignore") };
    if (!kVerbs.contains(verb))
        return UsageError(parser, invocation,
            verb.isEmpty() ? QStringLiteral("list, clear, ignore, ignored or unignore is needed")
                           : QStringLiteral("unknown verb \"%1\"").arg(verb));
    const bool pairVerb = verb == QStringLiteral("ignore") || verb == QStringLiteral("unignore");
    const qsizetype arguments = pairVerb ? 3 : 1;
    if (args.size() < arguments)
        return UsageError(parser, invocation, QStringLiteral("%1 needs two files").arg(verb));
    if (args.size() > arguments)
        return UsageError(parser, invocation,
            QStringLiteral("%1 takes nothing more, not \"%2\"").arg(verb, args[arguments]));
    const bool jsonTaken = verb == QStringLiteral("list") || verb == QStringLiteral("ignored");
    if (json && !jsonTaken)
        return UsageError(parser, invocation, QStringLiteral("%1 takes no --json").arg(verb));
    if (byId && !pairVerb)
        return UsageError(parser, invocation, QStringLiteral("%1 takes no --id").arg(verb));
    const bool reading = jsonTaken;
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

// vexa-cli duplicates list [--json] | clear: the saved duplicate set.
#include "cli/cli.h"
#include "cli/commands.h"
#include "db/appdatabase.h"
#include "db/imagefileinfo.h"
#include "db/records.h"
#include "db/recordset.h"
#include "narration/duplicateset.h"
#include "review/duplicatepersistence.h"

#include <QCommandLineParser>
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

}  // namespace

int RunDuplicates(const Invocation &invocation)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Lists or clears the saved duplicate set."));
    parser.addPositionalArgument(
        QStringLiteral("verb"), QStringLiteral("list or clear."), QStringLiteral("list|clear"));
    parser.addOption({ QStringLiteral("json"), QStringLiteral("list: one JSON line per group.") });
    if (const int status = ParseCommandLine(parser, invocation); status >= 0)
        return status;
    const QStringList args = parser.positionalArguments();
    const bool json = parser.isSet(QStringLiteral("json"));
    const bool listing = args == QStringList { QStringLiteral("list") };
    const bool clearing = args == QStringList { QStringLiteral("clear") } && !json;
    if (!listing && !clearing) {
        const QString verb = args.value(0);
        if (verb != QStringLiteral("list") && verb != QStringLiteral("clear"))
            return UsageError(parser, invocation,
                verb.isEmpty() ? QStringLiteral("list or clear is needed")
                               : QStringLiteral("unknown verb \"%1\"").arg(verb));
        return UsageError(parser, invocation,
            args.size() > 1 ? QStringLiteral("%1 takes nothing more, not \"%2\"").arg(verb, args[1])
                            : QStringLiteral("clear takes no --json"));
    }
    if (!OpenDataDirectory(
            invocation, listing ? DatabaseAccess::ReadOnly : DatabaseAccess::ReadWrite))
        return ExitFailure;
    try {
        if (listing)
            return list(json);
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

// vexa-cli collection add|delete|list [NAME]: the image collections.
#include "base/texts.h"
#include "cli/cli.h"
#include "cli/commands.h"
#include "db/appdatabase.h"
#include "db/records.h"

#include <QCommandLineParser>

namespace vexa::cli {

int RunCollection(const Invocation &invocation)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Adds, deletes or lists the image collections."));
    parser.addPositionalArgument(QStringLiteral("verb"), QStringLiteral("add, delete or list."),
        QStringLiteral("add|delete|list"));
    parser.addPositionalArgument(QStringLiteral("name"),
        QStringLiteral("The collection (add, delete)."), QStringLiteral("[NAME]"));
    if (const int status = ParseCommandLine(parser, invocation); status >= 0)
        return status;
    const QStringList args = parser.positionalArguments();
    const QString verb = args.value(0);
    const bool named = verb == QStringLiteral("add") || verb == QStringLiteral("delete");
    if (!named && verb != QStringLiteral("list"))
        return UsageError(parser, invocation,
            verb.isEmpty() ? QStringLiteral("add, delete or list is needed")
                           : QStringLiteral("unknown verb \"%1\"").arg(verb));
    if (!(named && args.size() == 2) && !(verb == QStringLiteral("list") && args.size() == 1))
        return UsageError(
            parser, invocation, QStringLiteral("add and delete take one name, list none"));
    const QString name = args.value(1);
    if (named && name.trimmed().isEmpty())
        return UsageError(parser, invocation, QStringLiteral("a collection needs a name"));
    if (!OpenDataDirectory(invocation,
            verb == QStringLiteral("list") ? DatabaseAccess::ReadOnly : DatabaseAccess::ReadWrite))
        return ExitFailure;

    if (verb == QStringLiteral("add")) {
        if (!AddNewCollectionToDB(name)) {
            Err(QStringLiteral("vexa-cli: ") + Text(706)
                + QStringLiteral(" (\"%1\" exists already, or see above)").arg(name));
            return ExitFailure;
        }
        Out(QStringLiteral("Added collection \"%1\".").arg(name));
        return ExitOk;
    }
    if (verb == QStringLiteral("delete")) {
        if (!DeleteCollectionFromDB(name)) {
            Err(QStringLiteral("vexa-cli: there is no collection \"%1\"").arg(name));
            return ExitFailure;
        }
        Out(QStringLiteral(
            "Deleted collection \"%1\"; its directories and image records stay in the database.")
                .arg(name));
        return ExitOk;
    }
    try {
        RecordSet &collections = *AppDb().collections;
        for (collections.moveFirst(); !collections.eof(); collections.moveNext())
            Out(collections.value(QStringLiteral("Naam")).toString());
    } catch (const std::exception &e) {
        Err(QStringLiteral("vexa-cli: cannot read the collections: %1")
                .arg(QString::fromUtf8(e.what())));
        return ExitFailure;
    }
    return ExitOk;
}

}  // namespace vexa::cli

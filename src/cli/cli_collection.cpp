// vexa-cli collection add|delete|list [NAME]: the image collections.
#include "base/texts.h"
#include "cli/cli.h"
#include "cli/commands.h"
#include "db/appdatabase.h"
#include "db/records.h"

namespace vexa::cli {

namespace {

const char kUsage[] = "usage: vexa-cli [--data DIR] collection add|delete|list [NAME]";

}  // namespace

int RunCollection(const Invocation &invocation)
{
    const QStringList &args = invocation.args;
    const QString verb = args.value(0);
    const bool named = verb == QStringLiteral("add") || verb == QStringLiteral("delete");
    if (!(named && args.size() == 2) && !(verb == QStringLiteral("list") && args.size() == 1)) {
        Err(QString::fromLatin1(kUsage));
        return ExitUsage;
    }
    const QString name = args.value(1);
    if (named && name.trimmed().isEmpty()) {
        Err(QStringLiteral("vexa-cli: a collection needs a name"));
        return ExitUsage;
    }
    if (!OpenDataDirectory(invocation))
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

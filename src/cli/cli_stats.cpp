// vexa-cli stats: the five lines of the statistics view.
#include "cli/cli.h"
#include "cli/commands.h"
#include "db/statistics.h"

#include <QCommandLineParser>

namespace vexa::cli {

int RunStats(const Invocation &invocation)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The five lines of the statistics view."));
    if (const int status = ParseCommandLine(parser, invocation); status >= 0)
        return status;
    if (!parser.positionalArguments().isEmpty())
        return UsageError(parser, invocation,
            ExtraArguments(QStringLiteral("stats"), parser.positionalArguments()));
    if (!OpenDataDirectory(invocation, DatabaseAccess::ReadOnly))
        return ExitFailure;
    QString text = StatisticsText(CurrentStatistics());
    text.chop(1);  // the last line's carriage return
    for (const QString &line : text.split(QLatin1Char('\r')))
        Out(line);
    return ExitOk;
}

}  // namespace vexa::cli

// vexa-cli stats: the five lines of the statistics view.
#include "cli/cli.h"
#include "cli/commands.h"
#include "db/statistics.h"

namespace vexa::cli {

int RunStats(const Invocation &invocation)
{
    if (!invocation.args.isEmpty()) {
        Err(QStringLiteral("usage: vexa-cli [--data DIR] stats"));
        return ExitUsage;
    }
    if (!OpenDataDirectory(invocation))
        return ExitFailure;
    QString text = StatisticsText(CurrentStatistics());
    text.chop(1);  // the last line's carriage return
    for (const QString &line : text.split(QLatin1Char('\r')))
        Out(line);
    return ExitOk;
}

}  // namespace vexa::cli

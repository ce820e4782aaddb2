// vexa-cli: the engines of VEXA II without a window.
#include "cli/cli.h"
#include "cli/commands.h"

#include <QCoreApplication>

namespace {

struct Command {
    const char *name;
    int (*run)(const vexa::cli::Invocation &);
    const char *usage;
};

// One line per command; each command lives in its own cli_<name>.cpp.
const Command kCommands[] = {
    { "help", nullptr, "help" },
    { "signature", vexa::cli::RunSignature, "signature FILE..." },
    { "compare", vexa::cli::RunCompare, "compare A B [--method 0-2] [--slider 0-24]" },
    { "collection", vexa::cli::RunCollection, "collection add|delete|list [NAME]" },
    { "dir", vexa::cli::RunDir, "dir add|delete|list COLLECTION [PATH...]" },
    { "stats", vexa::cli::RunStats, "stats" },
    { "narrate", vexa::cli::RunNarrate,
        "narrate COLLECTION [--method 0-5] [--slider 0-24] [--dir PATH]... [--json] "
        "[--reference]" },
    { "duplicates", vexa::cli::RunDuplicates, "duplicates list [--json] | clear" },
    { "gather", vexa::cli::RunGather, "gather COLLECTION [--threads N] [--dir PATH]..." },
};

void printUsage()
{
    vexa::cli::Err(QStringLiteral("usage: vexa-cli [--data DIR] COMMAND [ARGS...]"));
    for (const Command &command : kCommands)
        vexa::cli::Err(QStringLiteral("  vexa-cli ") + QString::fromLatin1(command.usage));
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The same names as vexa, so both find the same per-user data directory.
    QCoreApplication::setApplicationName(QStringLiteral("vexa"));
    QCoreApplication::setOrganizationName(QStringLiteral("vexa"));
    QStringList args = app.arguments().mid(1);
    vexa::cli::Invocation invocation;
    while (!args.isEmpty() && args.first().startsWith(QStringLiteral("--"))) {
        const QString option = args.takeFirst();
        if (option == QStringLiteral("--data") && !args.isEmpty()) {
            invocation.dataDir = args.takeFirst();
        } else {
            printUsage();
            return vexa::cli::ExitUsage;
        }
    }
    if (args.isEmpty()) {
        printUsage();
        return vexa::cli::ExitUsage;
    }
    const QString name = args.takeFirst();
    invocation.args = args;
    for (const Command &command : kCommands) {
        if (name == QLatin1String(command.name) && command.run)
            return command.run(invocation);
    }
    printUsage();
    return name == QStringLiteral("help") ? vexa::cli::ExitOk : vexa::cli::ExitUsage;
}

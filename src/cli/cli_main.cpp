// vexa-cli: the engines of VEXA II without a window.
#include "cli/cli.h"
#include "cli/commands.h"

#include <QCommandLineParser>

#include "base/diskpath.h"
#include <QCoreApplication>

#include <cstdio>

namespace {

struct Command {
    const char *name;
    int (*run)(const vexa::cli::Invocation &);
    const char *usage;
};

// One line per command; each command lives in its own cli_<name>.cpp.
const Command kCommands[] = {
    { "signature", vexa::cli::RunSignature, "signature FILE..." },
    { "compare", vexa::cli::RunCompare, "compare A B [--method 0-2] [--slider 0-24]" },
    { "collection", vexa::cli::RunCollection, "collection add|delete|list [NAME]" },
    { "dir", vexa::cli::RunDir, "dir add [--tree] | delete | list COLLECTION [PATH...]" },
    { "stats", vexa::cli::RunStats, "stats" },
    { "narrate", vexa::cli::RunNarrate,
        "narrate COLLECTION [--method 0-6] [--slider 0-24] [--rotations on|off] [--dir PATH]... "
        "[--json] [--reference] [--save] [--quiet]" },
    { "duplicates", vexa::cli::RunDuplicates,
        "duplicates list [--json] | clear | ignore A B [--id] | ignored [--json] | unignore A B "
        "[--id] | select [--rule KEYS] [--prefer DIR] [--json] [--apply]" },
    { "gather", vexa::cli::RunGather,
        "gather COLLECTION [--threads N] [--dir PATH]... [--json] [--quiet]" },
    { "autodelete", vexa::cli::RunAutodelete, "autodelete [--dry-run] [--json] [--quiet]" },
    { "check", vexa::cli::RunCheck,
        "check PATH... [--json] [--method 0-6] [--slider 0-24] [--rotations on|off] [--quiet]" },
    { "watch", vexa::cli::RunWatch,
        "watch DIR [--json] [--method 0-6] [--slider 0-24] [--rotations on|off]" },
};

QString helpText(const QCommandLineParser &parser)
{
    QString text = parser.helpText();
    const QString program = QCoreApplication::arguments().value(0);
    const qsizetype at = text.indexOf(program);
    if (at >= 0)
        text.replace(at, program.size(), QStringLiteral("vexa-cli"));
    text += QStringLiteral("\nCommands (each takes --help; the long ones show a progress line on a "
                           "terminal, which --quiet leaves out):\n");
    for (const Command &command : kCommands)
        text += QStringLiteral("  vexa-cli [--data DIR] ") + QString::fromLatin1(command.usage)
            + QLatin1Char('\n');
    text += QStringLiteral("\nExit status, the same for every command:\n"
                           "  0    done (autodelete: it ran, whether or not it removed anything)\n"
                           "  1    failed\n"
                           "  2    bad usage\n"
                           "  3    duplicates found (check)\n"
                           "  130  cancelled (Ctrl-C)\n");
    return text;
}

}  // namespace

int main(int argc, char **argv)
{
    using namespace vexa::cli;
    QCoreApplication app(argc, argv);
    // The same names as vexa, so both find the same per-user data directory.
    QCoreApplication::setApplicationName(QStringLiteral("vexa"));
    QCoreApplication::setOrganizationName(QStringLiteral("vexa"));
    InstallInterruptHandler();

    // The global options come before the command word; everything after it
    // belongs to the command and its own parser.
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The engines of VEXA II without a window."));
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version(
        QStringLiteral("version"), QStringLiteral("Prints the version."));
    parser.addOption(version);
    const QCommandLineOption quiet({ QStringLiteral("q"), QStringLiteral("quiet") },
        QStringLiteral("No progress line on standard error, even on a terminal."));
    parser.addOption(quiet);
    const QCommandLineOption data(QStringLiteral("data"),
        QStringLiteral("The data directory (VEXA.MDB); without it, vexa's own."),
        QStringLiteral("DIR"));
    parser.addOption(data);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("The command to run."),
        QStringLiteral("COMMAND"));
    parser.addPositionalArgument(
        QStringLiteral("args"), QStringLiteral("Its arguments."), QStringLiteral("[ARGS...]"));

    // From argv itself: a path that is not UTF-8 keeps its bytes (escaped,
    // see base/diskpath.h), which QCoreApplication::arguments() would lose.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(vexa::NameFromDisk(QByteArray(argv[i])));
    if (!parser.parse(arguments)) {
        Err(QStringLiteral("vexa-cli: ") + parser.errorText());
        std::fputs(helpText(parser).toUtf8().constData(), stderr);
        return ExitUsage;
    }
    QStringList args = parser.positionalArguments();
    const QString name = args.isEmpty() ? QString() : args.takeFirst();
    if (parser.isSet(help) || name == QStringLiteral("help")) {
        // help COMMAND is COMMAND --help.
        if (!parser.isSet(help) && !args.isEmpty()) {
            for (const Command &command : kCommands) {
                if (args.first() == QLatin1String(command.name))
                    return command.run({ args.first(), { QStringLiteral("--help") }, {} });
            }
            Err(QStringLiteral("vexa-cli: unknown command \"%1\"").arg(args.first()));
            return ExitUsage;
        }
        std::fputs(helpText(parser).toUtf8().constData(), stdout);
        return ExitOk;
    }
    if (parser.isSet(version)) {
        std::fprintf(stdout, "vexa-cli (VEXA II) %d.%d.%d\n", VEXA_VERSION_MAJOR,
            VEXA_VERSION_MINOR, VEXA_VERSION_PATCH);
        return ExitOk;
    }
    SetQuiet(parser.isSet(quiet));
    Invocation invocation;
    invocation.command = name;
    invocation.args = args;
    if (parser.isSet(data)) {
        // An empty value (an unset variable in a script) must not fall back
        // to vexa's own data directory.
        invocation.dataDir = parser.value(data);
        if (invocation.dataDir.isEmpty()) {
            Err(QStringLiteral("vexa-cli: --data needs a directory"));
            return ExitUsage;
        }
    }
    for (const Command &command : kCommands) {
        if (name == QLatin1String(command.name))
            return command.run(invocation);
    }
    Err(name.isEmpty() ? QStringLiteral("vexa-cli: no command given")
                       : QStringLiteral("vexa-cli: unknown command \"%1\"").arg(name));
    std::fputs(helpText(parser).toUtf8().constData(), stderr);
    return ExitUsage;
}

// vexa-cli check PATH... [--json] [--method M] [--slider S] [--rotations on|off]
// The instant check without a window: the files (and the image files of
// given directories) against every stored image, on a read-only database.
#include "cli/cli.h"
#include "cli/cli_memorycheck.h"
#include "cli/commands.h"
#include "db/appdatabase.h"
#include "db/database.h"
#include "monitor/directorywatch.h"

namespace vexa::cli {

int RunCheck(const Invocation &invocation)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Checks image files against every image in the database without storing "
                       "them, and prints each file with its duplicates. Exit status 3 when at "
                       "least one file has duplicates. The database is only read, so this "
                       "works while vexa is open."));
    AddMemoryCheckOptions(parser);
    parser.addPositionalArgument(QStringLiteral("paths"),
        QStringLiteral("Image files, or directories whose image files are checked."),
        QStringLiteral("PATH..."));
    if (const int status = ParseCommandLine(parser, invocation); status >= 0)
        return status;
    MemoryCheckOptions options;
    if (const int status = ReadMemoryCheckOptions(parser, invocation, options); status >= 0)
        return status;
    if (parser.positionalArguments().isEmpty())
        return UsageError(parser, invocation, QStringLiteral("at least one path is needed"));
    if (!OpenDataDirectoryUnlocked(invocation))
        return ExitFailure;
    Database &db = *AppDb().db;
    MemoryChecker checker(db, options);
    const MemoryCheckResult result
        = checker.check(ImageFilesOf(parser.positionalArguments()), true);
    if (result.status != ExitOk)
        return result.status;
    return result.withDuplicates > 0 ? ExitDuplicates : ExitOk;
}

}  // namespace vexa::cli

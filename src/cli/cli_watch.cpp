// vexa-cli watch DIR [--json] [--method M] [--slider S] [--rotations on|off]
// The directory monitor without a window: every image file that arrives in
// DIR is checked against the database once it is completely written; files
// with duplicates are printed. Runs until Ctrl-C (exit 130). Read-only.
#include "cli/cli.h"
#include "cli/cli_memorycheck.h"
#include "cli/commands.h"
#include "db/appdatabase.h"
#include "db/database.h"
#include "monitor/directorywatch.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

namespace vexa::cli {

int RunWatch(const Invocation &invocation)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Watches a directory and checks every image file that arrives there "
                       "against the database once it is completely written, printing those "
                       "that have duplicates, until Ctrl-C (exit status 130). The database is "
                       "only read."));
    AddMemoryCheckOptions(parser);
    parser.addPositionalArgument(QStringLiteral("directory"),
        QStringLiteral("The directory to watch."), QStringLiteral("DIR"));
    if (const int status = ParseCommandLine(parser, invocation); status >= 0)
        return status;
    MemoryCheckOptions options;
    if (const int status = ReadMemoryCheckOptions(parser, invocation, options); status >= 0)
        return status;
    if (parser.positionalArguments().size() != 1)
        return UsageError(parser, invocation, QStringLiteral("one directory is needed"));
    const QString directory = QFileInfo(parser.positionalArguments().first()).absoluteFilePath();
    if (!OpenDataDirectoryUnlocked(invocation))
        return ExitFailure;
    Database &db = *AppDb().db;
    DirectoryWatch watch;
    if (!watch.start(directory)) {
        Err(QStringLiteral("vexa-cli: cannot watch %1").arg(directory));
        return ExitFailure;
    }
    MemoryChecker checker(db, options);
    Err(QStringLiteral("watching %1; Ctrl-C ends").arg(watch.directory()));

    // The monitor's one-second tick; it is started again only once a check
    // has ended, so ticks never overlap. Ctrl-C between checks ends the
    // program with 130; during a check it cancels it, and the watch ends.
    QEventLoop loop;
    int status = ExitCancelled;
    QTimer tick;
    tick.setSingleShot(true);
    tick.setInterval(1000);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (watch.hasWork()) {
            const QStringList files = watch.poll();
            if (!files.isEmpty()) {
                const MemoryCheckResult result = checker.check(files, false);
                if (result.status != ExitOk) {
                    status = result.status;
                    loop.quit();
                    return;
                }
            }
        }
        tick.start();
    });
    tick.start();
    loop.exec();
    return status;
}

}  // namespace vexa::cli

#include "cli/cli.h"

#include "base/diskpath.h"
#include "base/environment.h"
#include "base/singlecopy.h"
#include "db/lifecycle.h"
#include "db/schema.h"
#include "signature/imageloader.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>

#include <unistd.h>

namespace vexa::cli {

namespace {
std::unique_ptr<SingleCopyLock> g_lock;
// The decoder's temporary directory of a command without the lock: vexa
// clears the data directory's own at its start.
std::unique_ptr<QTemporaryDir> g_decoderTemp;

// Set from the signal handler; lock-free atomics only.
std::atomic<bool> g_runActive { false };
std::atomic<bool> g_interrupted { false };

void closeAtExit()
{
    CloseApplicationDatabase();
    g_lock.reset();
    g_decoderTemp.reset();
}

extern "C" void onInterrupt(int)
{
    if (!g_runActive.load() || g_interrupted.load())
        _exit(ExitCancelled);
    g_interrupted.store(true);
}

// The "Usage:" line of a command's help, with the command word in it.
QString helpOf(const QCommandLineParser &parser, const Invocation &invocation)
{
    QString text = parser.helpText();
    const QString program = QCoreApplication::arguments().value(0);
    const qsizetype at = text.indexOf(program);
    if (at >= 0)
        text.replace(
            at, program.size(), QStringLiteral("vexa-cli [--data DIR] %1").arg(invocation.command));
    return text;
}

// Every run's observer in the terminal: Ctrl-C is the Cancel button, a
// progress line on standard error is rewritten in place when that is a
// terminal, notices go to standard error.
class TerminalObserver : public RunObserver {
public:
    TerminalObserver(const QString &items, bool terminal)
        : m_items(items)
        , m_terminal(terminal)
    {
    }

    void progressed(const RunProgress &p) override
    {
        if (!m_terminal)
            return;
        QString line = QStringLiteral("\r%1 of %2 %3").arg(p.done).arg(p.total).arg(m_items);
        if (p.errors > 0)
            line += QStringLiteral(", %1 errors").arg(p.errors);
        std::fputs((line + QLatin1Char(' ')).toUtf8().constData(), stderr);
        std::fflush(stderr);
        m_lineShown = true;
    }
    void notice(const QString &text) override
    {
        endLine();
        Err(QStringLiteral("vexa-cli: ") + text);
    }
    void finished(const RunResult &, const RunProgress &) override { endLine(); }
    bool isCancelled() const override { return g_interrupted.load(); }

private:
    void endLine()
    {
        if (m_lineShown) {
            std::fputs("\n", stderr);
            m_lineShown = false;
        }
    }

    QString m_items;
    bool m_terminal;
    bool m_lineShown = false;
};

}  // namespace

void Out(const QString &line)
{
    // Escaped bytes of a name go out as the bytes they stand for.
    std::fprintf(stdout, "%s\n", NameToDisk(line).constData());
    std::fflush(stdout);
}

void Err(const QString &line)
{
    std::fprintf(stderr, "%s\n", NameToDisk(line).constData());
}

int ParseCommandLine(QCommandLineParser &parser, const Invocation &invocation)
{
    const QCommandLineOption help = parser.addHelpOption();
    if (!parser.parse(QStringList { QStringLiteral("vexa-cli") } + invocation.args))
        return UsageError(parser, invocation, parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(helpOf(parser, invocation).toUtf8().constData(), stdout);
        return ExitOk;
    }
    return -1;
}

int UsageError(const QCommandLineParser &parser, const Invocation &invocation, const QString &text)
{
    Err(QStringLiteral("vexa-cli %1: %2").arg(invocation.command, text));
    Err(helpOf(parser, invocation).section(QLatin1Char('\n'), 0, 0));
    Err(QStringLiteral("Run \"vexa-cli %1 --help\" for its options.").arg(invocation.command));
    return ExitUsage;
}

bool IntOption(const QCommandLineParser &parser, const QString &name, int low, int high, int &value)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const int given = parser.value(name).toInt(&ok);
    if (!ok || given < low || given > high)
        return false;
    value = given;
    return true;
}

namespace {

bool pointAtDataDirectory(const Invocation &invocation)
{
    QString dir = invocation.dataDir;
    if (dir.isEmpty()) {
        // vexa-cli is installed beside vexa, so it finds the same directory.
        dir = ResolveDataDirectory(QCoreApplication::applicationDirPath());
    }
    if (!StatOnDisk(dir).isDirectory) {
        Err(QStringLiteral("vexa-cli: data directory %1 does not exist").arg(dir));
        return false;
    }
    SetProgramDirectory(QDir(dir).absolutePath());
    SetInstallDirectory(QCoreApplication::applicationDirPath());
    return true;
}

bool checkVersionAndOpen(DatabaseAccess access)
{
    int version = 0;
    if (!CheckDatabaseVersion(version)) {
        if (version > kDatabaseVersion)
            Err(QStringLiteral("vexa-cli: the database %1 has version %2, written by a newer "
                               "program; this program uses version %3 and leaves it untouched")
                    .arg(DatabasePath())
                    .arg(version)
                    .arg(kDatabaseVersion));
        else
            Err(QStringLiteral("vexa-cli: the database %1 has version %2; starting vexa converts "
                               "it by replacing it with an empty database of version %3: the "
                               "collections and gathered data stay only in the backup %4")
                    .arg(DatabasePath())
                    .arg(version)
                    .arg(kDatabaseVersion)
                    .arg(BackupPath()));
        return false;
    }
    QString why;
    if (!OpenApplicationDatabase(access, &why)) {
        Err(QStringLiteral("vexa-cli: cannot open the database %1: %2").arg(DatabasePath(), why));
        CloseApplicationDatabase();
        return false;
    }
    std::atexit(closeAtExit);
    return true;
}

}  // namespace

bool OpenDataDirectory(const Invocation &invocation, DatabaseAccess access)
{
    if (!pointAtDataDirectory(invocation))
        return false;
    g_lock = std::make_unique<SingleCopyLock>(ProgramDirectory());
    if (!g_lock->acquire()) {
        Err(QStringLiteral("vexa-cli: VEXA is running on %1; close it first, so the database is "
                           "not changed by two programs at once")
                .arg(ProgramDirectory()));
        g_lock.reset();
        return false;
    }
    SetDecoderTemporaryDirectory(PrivateTemporaryDirectory());
    return checkVersionAndOpen(access);
}

bool OpenDataDirectoryUnlocked(const Invocation &invocation)
{
    if (!pointAtDataDirectory(invocation))
        return false;
    if (!StatOnDisk(DatabasePath()).isFile) {
        Err(QStringLiteral("vexa-cli: there is no database %1; gather a collection first")
                .arg(DatabasePath()));
        return false;
    }
    g_decoderTemp
        = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("vexa-cli-XXXXXX")));
    if (g_decoderTemp->isValid())
        SetDecoderTemporaryDirectory(g_decoderTemp->path());
    return checkVersionAndOpen(DatabaseAccess::ReadOnly);
}

void InstallInterruptHandler()
{
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
}

RunResult RunInTerminal(LongRun &run, const QString &what, const QString &items)
{
    g_interrupted.store(false);
    g_runActive.store(true);
    TerminalObserver observer(items, isatty(STDERR_FILENO) != 0);
    const RunResult result = run.run(observer);
    g_runActive.store(false);
    if (result.outcome == RunOutcome::Failed) {
        if (result.errorNumber != 0)
            Err(QStringLiteral("vexa-cli: %1 failed: %2 - %3")
                    .arg(what)
                    .arg(result.errorNumber)
                    .arg(result.error));
        else
            Err(QStringLiteral("vexa-cli: %1 failed: %2").arg(what, result.error));
    }
    return result;
}

int ExitStatusOf(const RunResult &result)
{
    switch (result.outcome) {
    case RunOutcome::Completed: return ExitOk;
    case RunOutcome::Cancelled: return ExitCancelled;
    case RunOutcome::Failed: break;
    }
    return ExitFailure;
}

}  // namespace vexa::cli

#include "cli/cli.h"

#include "base/diskpath.h"
#include "base/environment.h"
#include "base/progresstexts.h"
#include "base/singlecopy.h"
#include "db/lifecycle.h"
#include "db/schema.h"
#include "signature/imageloader.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>

#include <sys/ioctl.h>
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
bool g_quiet = false;

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

    void started(const RunProgress &) override { m_clock.start(); }
    void progressed(const RunProgress &p) override
    {
        if (!m_terminal)
            return;
        // A few times a second is all a reader follows; more only costs
        // terminal output on a fast run.
        if (m_lineShown && m_shown.isValid() && m_shown.elapsed() < kRefreshMs)
            return;
        m_shown.start();
        QString line = TerminalProgressLine(p, m_items, m_clock.isValid() ? m_clock.elapsed() : 0);
        // Wider than the terminal, the line would wrap and \r would no
        // longer return to its start.
        winsize size = {};
        if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1)
            line.truncate(size.ws_col - 1);
        std::fputs(("\r" + line + "\x1b[K").toUtf8().constData(), stderr);
        std::fflush(stderr);
        m_lineShown = true;
    }
    void notice(const QString &text) override
    {
        clearLine();
        Err(QStringLiteral("vexa-cli: ") + text);
    }
    void finished(const RunResult &, const RunProgress &) override { clearLine(); }
    bool isCancelled() const override { return g_interrupted.load(); }

private:
    static constexpr int kRefreshMs = 250;

    // The progress line leaves nothing behind: the summary that follows
    // starts on a clean line.
    void clearLine()
    {
        if (m_lineShown) {
            std::fputs("\r\x1b[K", stderr);
            std::fflush(stderr);
            m_lineShown = false;
        }
    }

    QString m_items;
    bool m_terminal;
    bool m_lineShown = false;
    QElapsedTimer m_clock;  // since the run started
    QElapsedTimer m_shown;  // since the line was last written
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
    const QCommandLineOption quiet(
        { QStringLiteral("q"), QStringLiteral("quiet") }, QStringLiteral("No progress line."));
    parser.addOption(quiet);
    if (!parser.parse(QStringList { QStringLiteral("vexa-cli") } + invocation.args))
        return UsageError(parser, invocation, parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(helpOf(parser, invocation).toUtf8().constData(), stdout);
        return ExitOk;
    }
    if (parser.isSet(quiet))
        SetQuiet(true);
    return -1;
}

QString WrongValue(const QCommandLineParser &parser, const QString &name, const QString &takes)
{
    return QStringLiteral("--%1 takes %2, not \"%3\"").arg(name, takes, parser.value(name));
}

QString ExtraArguments(const QString &what, const QStringList &given)
{
    return QStringLiteral("%1 takes no arguments, not \"%2\"").arg(what, given.value(0));
}

void SetQuiet(bool quiet)
{
    g_quiet = quiet;
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

void AddRotationsOption(QCommandLineParser &parser)
{
    parser.addOption({ QStringLiteral("rotations"),
        QStringLiteral("Method 6 also finds rotated and mirrored copies: on or off (default: "
                       "as last chosen in the window, on at first)."),
        QStringLiteral("on|off") });
}

bool OnOffOption(const QCommandLineParser &parser, const QString &name, std::optional<bool> &value)
{
    if (!parser.isSet(name))
        return true;
    const QString given = parser.value(name);
    if (given != QLatin1String("on") && given != QLatin1String("off"))
        return false;
    value = given == QLatin1String("on");
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
    SetInstallDirectory(ResolveInstallDirectory(QCoreApplication::applicationDirPath()));
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
    TerminalObserver observer(items, !g_quiet && isatty(STDERR_FILENO) != 0);
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

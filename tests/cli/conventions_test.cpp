// vexa-cli behaves like the command-line tools it sits beside: help on
// standard output with status 0, errors that name what was wrong, every option
// in the usage, and a progress line only on a terminal.
#include "base/progresstexts.h"
#include "support/clirunner.h"
#include "support/tempdatadir.h"

#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using vexa::test::CliPath;
using vexa::test::RunCli;

enum class Stream { Out, Err };

struct Case {
    QStringList args;
    int status;
    Stream stream;  // where the text goes; the other stream stays empty
    QString text;
};

class CliConventions : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QFile::exists(CliPath()))
            GTEST_SKIP() << "vexa-cli not built at " << CliPath().toStdString();
        ASSERT_TRUE(m_root.isValid());
        QDir(m_root.path()).mkpath(QStringLiteral("data"));
    }

    QString data() const { return m_root.filePath(QStringLiteral("data")); }

    // A collection "Photos" of one directory holding count small PNGs.
    void makeCollection(int count)
    {
        const QString dir = m_root.filePath(QStringLiteral("photos"));
        QDir().mkpath(dir);
        for (int i = 0; i < count; ++i) {
            QImage image(40 + i, 30, QImage::Format_RGB32);
            image.fill(QColor::fromHsv(i * 37 % 360, 200, 200));
            ASSERT_TRUE(image.save(dir + QStringLiteral("/p%1.png").arg(i)));
        }
        ASSERT_EQ(RunCli({ "collection", "add", "Photos" }, data()).status, 0);
        ASSERT_EQ(RunCli({ "dir", "add", "Photos", dir }, data()).status, 0);
    }

    // Runs vexa-cli on a pseudo-terminal (standard output and error both on
    // it) and returns everything written and the exit status.
    std::pair<QByteArray, int> runOnTerminal(const QStringList &args)
    {
        QList<QByteArray> argBytes { CliPath().toLocal8Bit(), "--data", data().toLocal8Bit() };
        for (const QString &arg : args)
            argBytes.append(arg.toLocal8Bit());
        std::vector<char *> argv;
        for (QByteArray &arg : argBytes)
            argv.push_back(arg.data());
        argv.push_back(nullptr);

        int master = -1;
        const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
        if (pid == 0) {
            setenv("LC_ALL", "C.UTF-8", 1);
            execv(argv[0], argv.data());
            _exit(127);
        }
        EXPECT_GT(pid, 0);
        QByteArray written;
        char buffer[4096];
        for (;;) {
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0)
                break;  // EIO once the child has closed the terminal
            written.append(buffer, n);
        }
        close(master);
        int status = 0;
        waitpid(pid, &status, 0);
        return { written, WIFEXITED(status) ? WEXITSTATUS(status) : -1 };
    }

    QTemporaryDir m_root;
};

}  // namespace

TEST_F(CliConventions, HelpVersionAndErrorsGoWhereScriptsExpectThem)
{
    const Case cases[] = {
        { { "--help" }, 0, Stream::Out, "Exit status, the same for every command:" },
        { { "-h" }, 0, Stream::Out, "Commands (each takes --help" },
        { { "help" }, 0, Stream::Out, "130  cancelled (Ctrl-C)" },
        { { "help", "gather" }, 0, Stream::Out, "Usage: vexa-cli [--data DIR] gather" },
        { { "gather", "--help" }, 0, Stream::Out, "Usage: vexa-cli [--data DIR] gather" },
        { { "check", "-h" }, 0, Stream::Out, "-q, --quiet" },
        { { "--version" }, 0, Stream::Out,
            QStringLiteral("vexa-cli (VEXA II) %1.%2.%3\n")
                .arg(VEXA_VERSION_MAJOR)
                .arg(VEXA_VERSION_MINOR)
                .arg(VEXA_VERSION_PATCH) },
        { { "narrate", "Photos", "--method", "9" }, 2, Stream::Err,
            "vexa-cli narrate: --method takes 0..6, not \"9\"" },
        { { "gather", "Photos", "--threads", "many" }, 2, Stream::Err,
            "--threads takes 0..256, not \"many\"" },
        { { "compare", "a", "b", "--slider", "25" }, 2, Stream::Err,
            "--slider takes 0..24, not \"25\"" },
        { { "check", "x.jpg", "--method", "7" }, 2, Stream::Err, "--method takes 0..6, not \"7\"" },
        { { "narrate", "Photos", "--rotations", "yes" }, 2, Stream::Err,
            "vexa-cli narrate: --rotations takes on or off, not \"yes\"" },
        { { "watch", "dir", "--rotations", "1" }, 2, Stream::Err,
            "--rotations takes on or off, not \"1\"" },
        { { "help", "check" }, 0, Stream::Out, "--rotations <on|off>" },
        { { "stats", "now" }, 2, Stream::Err, "stats takes no arguments, not \"now\"" },
        { { "autodelete", "all" }, 2, Stream::Err, "not \"all\"" },
        { { "collection", "rename", "a" }, 2, Stream::Err, "unknown verb \"rename\"" },
        { { "dir", "move", "a", "b" }, 2, Stream::Err, "unknown verb \"move\"" },
        { { "duplicates", "list", "extra" }, 2, Stream::Err, "not \"extra\"" },
        { { "duplicates", "purge" }, 2, Stream::Err, "unknown verb \"purge\"" },
        { { "frobnicate" }, 2, Stream::Err, "unknown command \"frobnicate\"" },
        { { "help", "frobnicate" }, 2, Stream::Err, "unknown command \"frobnicate\"" },
        { { "--frob" }, 2, Stream::Err, "'frob'" },
        { { "gather", "--frob" }, 2, Stream::Err, "vexa-cli gather: Unknown option 'frob'" },
        { {}, 2, Stream::Err, "no command given" },
    };
    for (const Case &c : cases) {
        const vexa::test::CliResult r = RunCli(c.args, data());
        const std::string row = c.args.join(' ').toStdString();
        EXPECT_EQ(r.status, c.status) << row << "\n" << r.err.toStdString();
        const QString &shown = c.stream == Stream::Out ? r.out : r.err;
        EXPECT_TRUE(shown.contains(c.text)) << row << ": " << shown.toStdString();
        if (c.stream == Stream::Out) {
            EXPECT_TRUE(r.err.isEmpty()) << row << ": " << r.err.toStdString();
        }
    }
    EXPECT_FALSE(QFile::exists(data() + QStringLiteral("/VEXA.MDB")))
        << "help and usage errors create no database";
}

// The overview's usage line of each command names every option its own
// --help lists, and the long commands offer --quiet.
TEST_F(CliConventions, UsageListsEveryOptionOfEveryCommand)
{
    const QString overview = RunCli({ "--help" }).out;
    const QStringList lines = overview.split(QLatin1Char('\n'));
    const QString prefix = QStringLiteral("  vexa-cli [--data DIR] ");
    int commands = 0;
    for (const QString &line : lines) {
        if (!line.startsWith(prefix))
            continue;
        ++commands;
        const QString command = line.mid(prefix.size()).section(QLatin1Char(' '), 0, 0);
        const QString own = RunCli({ command, "--help" }).out;
        const QRegularExpression option(QStringLiteral("--([a-z][a-z-]*)"));
        for (auto it = option.globalMatch(own); it.hasNext();) {
            const QString name = it.next().captured(0);
            if (name == QLatin1String("--help") || name == QLatin1String("--help-all")
                || name == QLatin1String("--data")
                || (name == QLatin1String("--quiet") && !line.contains(name)
                    && !QStringList { "gather", "narrate", "autodelete", "check" }.contains(
                        command)))
                continue;
            EXPECT_TRUE(line.contains(name)) << command.toStdString() << " " << name.toStdString();
        }
    }
    EXPECT_GE(commands, 11);
    for (const char *missing : { "narrate COLLECTION", "--save", "--tree", "--quiet" })
        EXPECT_TRUE(overview.contains(QLatin1String(missing))) << missing;
}

TEST(ProgressLine, SaysDoneTotalPercentRateAndTimeLeft)
{
    vexa::RunProgress p;
    p.total = 500;
    p.done = 120;
    EXPECT_EQ(vexa::TerminalProgressLine(p, QStringLiteral("files"), 400),
        QStringLiteral("120/500 files  24%"))
        << "no rate before a second has passed";
    EXPECT_EQ(vexa::TerminalProgressLine(p, QStringLiteral("files"), 4000),
        QStringLiteral("120/500 files  24%  30.0 files/s  0:13 left"));
    p.remainingMs = 3725000;
    p.errors = 2;
    EXPECT_EQ(vexa::TerminalProgressLine(p, QStringLiteral("files"), 4000),
        QStringLiteral("120/500 files  24%  30.0 files/s  1:02:05 left  2 errors"))
        << "the engine's own estimate wins";
    vexa::RunProgress open;
    open.done = 7;
    EXPECT_EQ(vexa::TerminalProgressLine(open, QStringLiteral("records"), 0),
        QStringLiteral("7 records"));
}

// On a terminal the long commands show the progress line and wipe it before
// their summary; on a pipe or with --quiet nothing of it is written.
TEST_F(CliConventions, ProgressLineOnlyOnATerminalAndNeverWithQuiet)
{
    makeCollection(6);
    const QByteArray wipe = "\r\x1b[K";

    auto [gathered, gatherStatus] = runOnTerminal({ "gather", "Photos" });
    EXPECT_EQ(gatherStatus, 0) << gathered.constData();
    EXPECT_TRUE(gathered.contains("\r0 files\x1b[K")) << gathered.constData();
    EXPECT_TRUE(gathered.contains(wipe)) << gathered.constData();

    auto [narrated, narrateStatus] = runOnTerminal({ "narrate", "Photos", "--method", "3" });
    EXPECT_EQ(narrateStatus, 0) << narrated.constData();
    EXPECT_TRUE(narrated.contains("/6 records  ")) << narrated.constData();
    EXPECT_TRUE(narrated.contains(wipe)) << narrated.constData();
    // The summary starts on a line the progress line has left clean.
    EXPECT_FALSE(narrated.mid(narrated.lastIndexOf(wipe) + wipe.size()).contains("records  "));

    auto [checked, checkStatus]
        = runOnTerminal({ "check", m_root.filePath(QStringLiteral("photos/p0.png")) });
    EXPECT_EQ(checkStatus, 3) << checked.constData();
    EXPECT_TRUE(checked.contains("/1 files  ")) << checked.constData();

    auto [deleted, deleteStatus] = runOnTerminal({ "autodelete", "--dry-run" });
    EXPECT_EQ(deleteStatus, 0) << deleted.constData();

    for (const QStringList &quiet :
        { QStringList { "--quiet", "narrate", "Photos" }, QStringList { "narrate", "Photos", "-q" },
            QStringList { "check", "--quiet", m_root.filePath(QStringLiteral("photos")) } }) {
        auto [written, status] = runOnTerminal(quiet);
        EXPECT_FALSE(written.contains("\x1b[K"))
            << quiet.join(' ').toStdString() << written.constData();
        EXPECT_FALSE(written.contains("%")) << written.constData();
    }

    // A pipe: the summary only.
    for (const QStringList &args : { QStringList { "narrate", "Photos" },
             QStringList { "check", m_root.filePath(QStringLiteral("photos")) } }) {
        const vexa::test::CliResult piped = RunCli(args, data());
        EXPECT_FALSE(piped.err.contains(QLatin1Char('\r'))) << piped.err.toStdString();
        EXPECT_FALSE(piped.err.contains(QLatin1Char('%'))) << piped.err.toStdString();
    }
}

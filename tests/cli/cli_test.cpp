// vexa-cli collection, dir and stats end to end: the built binary on a
// temporary data directory, checked through its output, its exit status and
// the database it leaves.
#include "base/singlecopy.h"
#include "db/sqlite.h"
#include "support/clirunner.h"
#include "support/qtprinters.h"
#include "support/tempdatadir.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using vexa::test::CliPath;
using Result = vexa::test::CliResult;

class Cli : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QFile::exists(CliPath()))
            GTEST_SKIP() << "vexa-cli not built at " << CliPath().toStdString();
        ASSERT_TRUE(m_root.isValid());
        QDir(m_root.path()).mkpath(QStringLiteral("data"));
    }

    void TearDown() override { vexa::test::RemoveTreeOnDisk(m_root.path()); }

    QString data() const { return m_root.filePath(QStringLiteral("data")); }

    Result run(const QStringList &args, const QStringList &wrapper = {})
    {
        return vexa::test::RunCli(args, data(), 30000, wrapper);
    }

    // A directory under the temporary root holding the named (empty) files;
    // only the names decide whether a directory holds images.
    QString makeDir(const QString &name, const QStringList &files)
    {
        const QString dir = m_root.filePath(name);
        QDir().mkpath(dir);
        for (const QString &file : files) {
            QFile f(dir + QLatin1Char('/') + file);
            EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        }
        return dir;
    }

    int rows(const char *table)
    {
        vexa::SqliteConnection c(data() + QStringLiteral("/VEXA.MDB"), true);
        return c.scalar(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table)))
            .toInt();
    }

    QTemporaryDir m_root;
};

}  // namespace

TEST_F(Cli, CollectionsAreAddedListedAndDeleted)
{
    const QStringList names = { QStringLiteral("O'Brien"), QStringLiteral("x' OR '1'='1"),
        QStringLiteral("Ærø 東京 100% \"q\"") };
    for (const QString &name : names) {
        const Result r = run({ "collection", "add", name });
        EXPECT_EQ(r.status, 0) << name.toStdString() << r.err.toStdString();
    }
    const Result again = run({ "collection", "add", "o'brien" });
    EXPECT_EQ(again.status, 1) << "names differing in case are the same";
    EXPECT_TRUE(again.err.contains(QStringLiteral("could not be added")))
        << again.err.toStdString();

    EXPECT_EQ(run({ "collection", "list" }).out, names.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    EXPECT_EQ(run({ "collection", "delete", "ærø 東京 100% \"Q\"" }).status, 0);
    const Result missing = run({ "collection", "delete", "nobody" });
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("no collection"))) << missing.err.toStdString();
    EXPECT_EQ(rows("Collection"), 2);

    struct Usage {
        const char *name;
        QStringList args;
    };
    const Usage usages[]
        = { { "no verb", { "collection" } }, { "unknown verb", { "collection", "rename", "a" } },
              { "add without name", { "collection", "add" } },
              { "blank name", { "collection", "add", "  " } },
              { "list with extra", { "collection", "list", "a" } },
              { "dir without collection", { "dir", "list" } },
              { "dir add without path", { "dir", "add", "O'Brien" } },
              { "stats with extra", { "stats", "now" } } };
    for (const Usage &u : usages)
        EXPECT_EQ(run(u.args).status, 2) << u.name;
    EXPECT_EQ(rows("Collection"), 2) << "usage errors change nothing";
}

TEST_F(Cli, DirectoriesAreAddedOnlyWhenTheyHoldImagesOfThePattern)
{
    ASSERT_EQ(run({ "collection", "add", "Holiday" }).status, 0);
    const QString upper = makeDir(
        QStringLiteral("upper"), { QStringLiteral("A.JPG"), QStringLiteral("notes.txt") });
    const QString tga = makeDir(QStringLiteral("it's tga"), { QStringLiteral("pic.tga") });
    const QString hidden = makeDir(QStringLiteral("hidden"), { QStringLiteral(".secret.png") });
    const QString none
        = makeDir(QStringLiteral("none"), { QStringLiteral("a.jpeg"), QStringLiteral("b.txt") });
    makeDir(QStringLiteral("none/sub"), { QStringLiteral("c.png") });

    const Result r = run({ "dir", "add", "HOLIDAY", upper + "/", tga, hidden, none, upper });
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out,
        QStringLiteral("2 directories have been added to your collection.\n"
                       "1 directories have been skipped because they were already present.\n"
                       "2 directories have been skipped because they contain no images.\n"));
    EXPECT_EQ(run({ "dir", "list", "Holiday" }).out, upper + "\t0\n" + tga + "\t0\n")
        << "stored without trailing /";

    // The same directory in a second collection is its own entry.
    ASSERT_EQ(run({ "collection", "add", "Other" }).status, 0);
    EXPECT_TRUE(run({ "dir", "add", "Other", upper })
                    .out.startsWith(QStringLiteral("1 directories have been added")));

    const Result gone
        = run({ "dir", "add", "Holiday", m_root.filePath(QStringLiteral("nowhere")) });
    EXPECT_EQ(gone.status, 1);
    EXPECT_TRUE(gone.err.contains(QStringLiteral("not a directory"))) << gone.err.toStdString();

    EXPECT_EQ(run({ "dir", "delete", "Holiday", tga + "/" }).status, 0);
    EXPECT_EQ(run({ "dir", "delete", "Holiday", tga }).status, 1) << "already gone";
    EXPECT_EQ(run({ "dir", "list", "Holiday" }).out, upper + "\t0\n");
    EXPECT_EQ(run({ "dir", "list", "Other" }).out, upper + "\t0\n");
    EXPECT_EQ(run({ "dir", "list", "Nobody" }).status, 1);
    EXPECT_EQ(rows("CollectionItem"), 2);
}

TEST_F(Cli, StatsPrintsTheFiveLines)
{
    ASSERT_EQ(run({ "collection", "add", "a" }).status, 0);
    ASSERT_EQ(run({ "dir", "add", "a", makeDir(QStringLiteral("p"), { QStringLiteral("x.png") }) })
                  .status,
        0);
    {
        vexa::SqliteConnection c(data() + QStringLiteral("/VEXA.MDB"), false);
        c.exec(QStringLiteral(
            "UPDATE SysInfo SET TotalFilesNarrated=1234, TotalBytesNarrated=1234567"));
    }
    const Result r = run({ "stats" });
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out,
        QStringLiteral("Image collections:\t1\n"
                       "Total Directories:\t1\n"
                       "Gathered Files:\t0\n"
                       "Number of duplicates deleted: \t1,234\n"
                       "Total size of deleted duplicates: \t1,234,567 Kb\n"));
}

TEST_F(Cli, RefusesWhileVexaHoldsTheDatabase)
{
    ASSERT_EQ(run({ "collection", "add", "kept" }).status, 0);
    {
        vexa::SingleCopyLock lock(data());
        ASSERT_TRUE(lock.acquire());
        const QStringList commands[] = { { "collection", "add", "new" },
            { "collection", "delete", "kept" }, { "dir", "list", "kept" }, { "stats" } };
        for (const QStringList &args : commands) {
            const Result r = run(args);
            EXPECT_EQ(r.status, 1) << args.join(' ').toStdString();
            EXPECT_TRUE(r.err.contains(QStringLiteral("VEXA is running"))) << r.err.toStdString();
            EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        }
        EXPECT_EQ(rows("Collection"), 1) << "nothing changed while the lock was held";
    }
    EXPECT_EQ(run({ "collection", "add", "new" }).status, 0)
        << "the lock's release frees the database";
}

// The read-only commands and what each must print from the data directory
// that readOnlySetUp() leaves.
struct ReadOnlyCommand {
    QStringList args;
    const char *expected;
};
const ReadOnlyCommand kReadOnlyCommands[] = {
    { { "stats" }, "Image collections:\t1" },
    { { "collection", "list" }, "Holiday" },
    { { "dir", "list", "Holiday" }, "\t0" },
    { { "duplicates", "list" }, "7\t8|" },
};

class CliReadOnly : public Cli {
protected:
    void SetUp() override
    {
        Cli::SetUp();
        if (IsSkipped())
            return;
        ASSERT_EQ(run({ "collection", "add", "Holiday" }).status, 0);
        const QString dir = makeDir(QStringLiteral("pics"), { QStringLiteral("a.jpg") });
        ASSERT_EQ(run({ "dir", "add", "Holiday", dir }).status, 0);
        vexa::SqliteConnection c(database(), false);
        c.exec(QStringLiteral("INSERT INTO Duplicate (MasterId, Duplicates) VALUES (7, '8|')"));
    }

    QString database() const { return data() + QStringLiteral("/VEXA.MDB"); }

    QByteArray bytes() const
    {
        QFile f(database());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    void expectEveryReadOnlyCommandWorks(const QStringList &wrapper, const char *where)
    {
        for (const ReadOnlyCommand &command : kReadOnlyCommands) {
            const Result r = run(command.args, wrapper);
            const std::string name = command.args.join(' ').toStdString() + " " + where;
            EXPECT_EQ(r.status, 0) << name << ": " << r.err.toStdString();
            EXPECT_TRUE(r.out.contains(QString::fromUtf8(command.expected)))
                << name << ": " << r.out.toStdString();
        }
    }
};

TEST_F(CliReadOnly, ReadOnlyCommandsLeaveTheFileAsItWasAndReadBesideAWriter)
{
    const QByteArray before = bytes();
    expectEveryReadOnlyCommandWorks({}, "on a writable directory");
    EXPECT_EQ(bytes(), before) << "a command that only reads writes nothing";
    EXPECT_FALSE(QFile::exists(database() + QStringLiteral("-journal")));

    // Another program in the middle of a write: readers still get in, a
    // writer is refused with the reason.
    vexa::SqliteConnection writer(database(), false);
    writer.exec(QStringLiteral("BEGIN IMMEDIATE"));
    writer.exec(QStringLiteral("UPDATE SysInfo SET ThumbSize=12"));
    expectEveryReadOnlyCommandWorks({}, "beside a writer");
    const Result add = run({ "collection", "add", "Other" });
    EXPECT_EQ(add.status, 1);
    EXPECT_TRUE(add.err.contains(QStringLiteral("locked"))) << add.err.toStdString();
    writer.exec(QStringLiteral("ROLLBACK"));
}

TEST_F(CliReadOnly, ReadOnlyMediumIsReadAndAWriteSaysWhy)
{
    // A read-only bind mount of the data directory in a private mount
    // namespace: a real read-only file system, which binds root as well.
    const QStringList readOnlyMount = { QStringLiteral("unshare"), QStringLiteral("-rm"),
        QStringLiteral("sh"), QStringLiteral("-c"),
        QStringLiteral("mount --bind -o ro \"$0\" \"$0\" && exec \"$@\""), data() };
    QProcess probe;
    probe.start(readOnlyMount.first(),
        readOnlyMount.mid(1) + QStringList { QStringLiteral("touch"), database() });
    if (!probe.waitForFinished(10000) || probe.exitStatus() != QProcess::NormalExit
        || !QString::fromLocal8Bit(probe.readAllStandardError()).contains("Read-only"))
        GTEST_SKIP() << "no private read-only mount here (unshare -rm is refused)";

    const QByteArray before = bytes();
    expectEveryReadOnlyCommandWorks(readOnlyMount, "on a read-only medium");
    for (const QStringList &write :
        { QStringList { "collection", "add", "Other" }, QStringList { "duplicates", "clear" } }) {
        const Result r = run(write, readOnlyMount);
        EXPECT_EQ(r.status, 1) << write.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("read-only file system")))
            << write.join(' ').toStdString() << ": " << r.err.toStdString();
    }
    EXPECT_EQ(bytes(), before);
}

TEST_F(CliReadOnly, ReadOnlyFileAndDirectoryOfAnotherUser)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root may write any file: the permissions would stop nothing";
    const QByteArray before = bytes();
    QFile::setPermissions(database(), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    QFile::setPermissions(data(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    expectEveryReadOnlyCommandWorks({}, "on a read-only file");
    const Result add = run({ "collection", "add", "Other" });
    QFile::setPermissions(
        data(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(add.status, 1);
    EXPECT_TRUE(add.err.contains(QStringLiteral("permission denied"))) << add.err.toStdString();
    EXPECT_EQ(bytes(), before);
}

TEST_F(Cli, DirectoryNamedInBytesThatAreNotUtf8IsAddedGatheredAndListedAsItsBytes)
{
    // A latin-1 directory "été" with a latin-1 picture name, as an old
    // archive or camera card holds them.
    const QByteArray dir = QFile::encodeName(m_root.path()) + "/\xe9t\xe9";
    ASSERT_EQ(mkdir(dir.constData(), 0755), 0);
    QImage picture(30, 20, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QBuffer png;
    ASSERT_TRUE(png.open(QIODevice::WriteOnly));
    ASSERT_TRUE(picture.save(&png, "PNG"));
    const int fd = open((dir + "/\xff\xfe.png").constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, png.data().constData(), size_t(png.data().size())), png.data().size());
    close(fd);
    // The path goes in as raw bytes: the shell's printf makes them.
    const QStringList withDirectory = { QStringLiteral("sh"), QStringLiteral("-c"),
        QStringLiteral("exec \"$@\" \"$(printf '%s/\\351t\\351' \"$0\")\""), m_root.path() };

    ASSERT_EQ(run({ "collection", "add", "Old" }).status, 0);
    const Result add = run({ "dir", "add", "Old" }, withDirectory);
    EXPECT_EQ(add.status, 0) << add.err.toStdString();
    EXPECT_TRUE(add.out.startsWith(QStringLiteral("1 directories have been added")))
        << add.out.toStdString();
    const Result gather = run({ "gather", "Old" });
    EXPECT_EQ(gather.status, 0) << gather.err.toStdString();
    EXPECT_TRUE(gather.out.contains(QStringLiteral("stored 1, errors 0")))
        << gather.out.toStdString();
    EXPECT_EQ(run({ "dir", "list", "Old" }).outBytes, dir + "\t1\n");
}

// A data directory that is not there fails; an empty or missing --data
// value is a usage error and never falls back to vexa's own directory.
TEST_F(Cli, DataDirectoryMustBeGivenAndExist)
{
    const Result absent
        = vexa::test::RunCli({ "--data", m_root.filePath(QStringLiteral("absent")), "stats" });
    EXPECT_EQ(absent.status, 1);
    EXPECT_TRUE(absent.err.contains(QStringLiteral("does not exist"))) << absent.err.toStdString();
    for (const QStringList &args : { QStringList { "--data", "", "collection", "add", "x" },
             QStringList { "--data=", "stats" }, QStringList { "--data" } }) {
        const Result r = vexa::test::RunCli(args);
        EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
}

// One parser per command: --help prints the command's own usage and the
// exit statuses are documented; errors look the same for every command.
TEST_F(Cli, HelpAndUsageErrorsLookTheSameEverywhere)
{
    const Result help = run({ "--help" });
    EXPECT_EQ(help.status, 0);
    for (const char *line : { "0    done", "1    failed", "2    bad usage",
             "3    duplicates found (check)", "130  cancelled (Ctrl-C)" })
        EXPECT_TRUE(help.out.contains(QLatin1String(line))) << line;
    EXPECT_EQ(run({ "help" }).out, help.out);
    const char *const commands[] = { "signature", "compare", "collection", "dir", "stats",
        "narrate", "duplicates", "gather" };
    for (const char *command : commands) {
        const Result own = run({ command, "--help" });
        EXPECT_EQ(own.status, 0) << command;
        EXPECT_TRUE(
            own.out.startsWith(QStringLiteral("Usage: vexa-cli [--data DIR] %1").arg(command)))
            << own.out.toStdString();
        EXPECT_TRUE(help.out.contains(QStringLiteral("vexa-cli [--data DIR] %1").arg(command)))
            << command;
        const Result wrong = run({ command, "--no-such-option" });
        EXPECT_EQ(wrong.status, 2) << command;
        EXPECT_TRUE(
            wrong.err.startsWith(QStringLiteral("vexa-cli %1: Unknown option").arg(command)))
            << wrong.err.toStdString();
        EXPECT_TRUE(
            wrong.err.contains(QStringLiteral("Usage: vexa-cli [--data DIR] %1").arg(command)))
            << wrong.err.toStdString();
    }
    EXPECT_EQ(run({}).status, 2);
    EXPECT_EQ(run({ "frobnicate" }).status, 2);
}

TEST_F(Cli, DirectoryTreeAddedLikeTheAddTreeButton)
{
    ASSERT_EQ(run({ "collection", "add", "Tree" }).status, 0);
    const QString root = makeDir(QStringLiteral("tree"), { QStringLiteral("notes.txt") });
    const QString a = makeDir(QStringLiteral("tree/a"), { QStringLiteral("x.png") });
    const QString b = makeDir(QStringLiteral("tree/a/b"), { QStringLiteral("y.JPG") });
    makeDir(QStringLiteral("tree/.cache"), { QStringLiteral("z.png") });

    EXPECT_EQ(run({ "dir", "list", "--tree", "Tree" }).status, 2) << "--tree goes with add only";
    const Result tree = run({ "dir", "add", "--tree", "Tree", root + "/" });
    EXPECT_EQ(tree.status, 0) << tree.err.toStdString();
    EXPECT_EQ(tree.out,
        QStringLiteral("2 directories have been added to your collection.\n"
                       "0 directories have been skipped because they were already present.\n"
                       "1 directories have been skipped because they contain no images.\n"));
    EXPECT_EQ(run({ "dir", "list", "Tree" }).out, a + "\t0\n" + b + "\t0\n");
    EXPECT_EQ(run({ "dir", "add", "--tree", "Tree", m_root.filePath("nowhere") }).status, 1);
}

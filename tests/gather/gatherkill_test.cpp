// vexa-cli gather as a user runs it: exit statuses, the summary line, runs
// killed with SIGKILL at a random moment or cancelled with Ctrl-C, then rerun.
#include "gatherfixture.h"

#include "db/database.h"
#include "db/sqlite.h"
#include "support/clirunner.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>

#include <csignal>
#include <thread>

namespace vexa::test {
namespace {

using Result = CliResult;

class GatherCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QFile::exists(CliPath()))
            GTEST_SKIP() << "vexa-cli not built at " << CliPath().toStdString();
        ASSERT_TRUE(m_root.isValid());
        QDir(m_root.path()).mkpath(QStringLiteral("data"));
        QDir(m_root.path()).mkpath(QStringLiteral("images"));
    }
    QString data() const { return m_root.filePath(QStringLiteral("data")); }
    QString images() const { return m_root.filePath(QStringLiteral("images")); }

    void start(QProcess &process, const QStringList &args) { StartCli(process, args, data()); }
    Result run(const QStringList &args) { return RunCli(args, data(), 120000); }
    void makeCollection()
    {
        ASSERT_EQ(run({ "collection", "add", "Photos" }).status, 0);
        ASSERT_EQ(run({ "dir", "add", "Photos", images() }).status, 0);
    }
    // FileName of every row, read from the database file itself.
    QStringList storedNames()
    {
        Database db(data() + QStringLiteral("/VEXA.MDB"), true);
        {
            Statement check(db.connection().handle(), QStringLiteral("PRAGMA integrity_check"));
            EXPECT_TRUE(check.step());
            EXPECT_EQ(check.column(0).toString(), QStringLiteral("ok"));
        }
        QStringList names;
        Statement query(
            db.connection().handle(), QStringLiteral("SELECT FileName, AvgRGB FROM FileData"));
        while (query.step()) {
            EXPECT_FALSE(query.column(1).isNull()) << "an incomplete row";
            names.append(query.column(0).toString());
        }
        return names;
    }

    QTemporaryDir m_root;
};

TEST_F(GatherCli, ExitStatusesAndSummaryLine)
{
    GatherFixture::writeImage(images() + QStringLiteral("/a.jpg"), 1, 80, 60, "JPG");
    GatherFixture::writeImage(images() + QStringLiteral("/b.png"), 2, 80, 60, "PNG");
    QFile bad(images() + QStringLiteral("/bad.jpg"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("text");
    bad.close();
    makeCollection();

    struct Row {
        const char *name;
        QStringList args;
        int status;
        const char *stdoutHas;
    };
    const QList<Row> rows = {
        { "no collection given", { "gather" }, 2, "" },
        { "bad thread count", { "gather", "Photos", "--threads", "x" }, 2, "" },
        { "unknown option", { "gather", "Photos", "--fast" }, 2, "" },
        { "unknown collection", { "gather", "Nope" }, 1, "" },
        { "directory not in the collection", { "gather", "Photos", "--dir", "/nowhere" }, 1, "" },
        { "first run, one load error", { "gather", "Photos", "--threads", "2" }, 0,
            "processed 3, skipped 0, stored 2, errors 1" },
        { "second run skips", { "gather", "Photos", "--dir", images() }, 0,
            "processed 3, skipped 2, stored 0, errors 1" },
    };
    for (const Row &row : rows) {
        const Result r = run(row.args);
        EXPECT_EQ(r.status, row.status) << row.name << ": " << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(QString::fromLatin1(row.stdoutHas)))
            << row.name << ": " << r.out.toStdString();
    }
    QFile log(data() + QStringLiteral("/VEXA_IG.LOG"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("Error loading: " + images().toUtf8() + "/bad.jpg\r\n"));
}

TEST_F(GatherCli, MissingTickedDirectoryIsSaidOnStandardError)
{
    GatherFixture::writeImage(images() + QStringLiteral("/a.png"), 1, 40, 30, "PNG");
    const QString gone = m_root.filePath(QStringLiteral("gone"));
    QDir().mkpath(gone);
    GatherFixture::writeImage(gone + QStringLiteral("/b.png"), 2, 40, 30, "PNG");
    makeCollection();
    ASSERT_EQ(run({ "dir", "add", "Photos", gone }).status, 0);
    ASSERT_TRUE(QDir(gone).removeRecursively());

    const Result r = run({ "gather", "Photos" });
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("passed over %1: no such directory").arg(gone)))
        << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("stored 1,"))) << r.out.toStdString();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(GatherCli, EachFailureIsNamedWithItsReasonAndTheDecoderStaysQuiet)
{
    GatherFixture::writeImage(images() + QStringLiteral("/good.jpg"), 1, 400, 300, "JPG");
    GatherFixture::writeImage(images() + QStringLiteral("/good.png"), 2, 80, 60, "PNG");
    const QByteArray jpeg = readBytes(images() + QStringLiteral("/good.jpg"));
    writeBytes(images() + QStringLiteral("/cut.jpg"), jpeg.left(jpeg.size() / 2));
    writeBytes(images() + QStringLiteral("/text.jpg"), "this is not a picture\n");
    // Files named .wmf that are no metafiles: libwmf must not get to print.
    writeBytes(images() + QStringLiteral("/text.wmf"), "this is not a metafile either\n");
    writeBytes(images() + QStringLiteral("/picture.wmf"), readBytes(images() + "/good.png"));
    QByteArray header("\x01\x00\x09\x00\x00\x03", 6);
    writeBytes(images() + QStringLiteral("/header-only.wmf"), header + QByteArray(60, '\x7f'));
    makeCollection();

    const QString cut = images() + QStringLiteral("/cut.jpg");
    const QString text = images() + QStringLiteral("/text.jpg");
    const QString notWmf = images() + QStringLiteral("/text.wmf");
    const Result plain = run({ "gather", "Photos", "--threads", "2" });
    EXPECT_EQ(plain.status, 0) << plain.err.toStdString();
    EXPECT_TRUE(plain.out.contains("stored 3, errors 4")) << plain.out.toStdString();
    EXPECT_TRUE(plain.err.contains(
        QStringLiteral("could not load %1: Premature end of JPEG file\n").arg(cut)))
        << plain.err.toStdString();
    EXPECT_TRUE(plain.err.contains(
        QStringLiteral("could not load %1: not an image of an accepted type\n").arg(text)))
        << plain.err.toStdString();
    EXPECT_TRUE(plain.err.contains(
        QStringLiteral("could not load %1: not an image of an accepted type\n").arg(notWmf)))
        << plain.err.toStdString();
    EXPECT_FALSE(plain.err.contains(QStringLiteral("ERROR"))) << plain.err.toStdString();
    EXPECT_EQ(plain.err.count(QStringLiteral("could not load")), 4) << plain.err.toStdString();
    // The log keeps its own layout: the path only.
    EXPECT_TRUE(readBytes(data() + QStringLiteral("/VEXA_IG.LOG"))
                    .contains("Error loading: " + cut.toUtf8() + "\r\n"));

    // Stored files are skipped now; the four failures come again, as lines.
    const Result json = run({ "gather", "Photos", "--json" });
    EXPECT_EQ(json.status, 0) << json.err.toStdString();
    EXPECT_FALSE(json.err.contains(QStringLiteral("ERROR"))) << json.err.toStdString();
    QMap<QString, QString> reasons;
    int summaries = 0;
    for (const QString &line : json.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        QJsonParseError error;
        const QJsonObject object = QJsonDocument::fromJson(line.toUtf8(), &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        if (object.contains(QStringLiteral("summary"))) {
            ++summaries;
            EXPECT_EQ(
                object.value(QStringLiteral("summary")).toObject().value("errors").toInt(), 4);
        } else {
            reasons.insert(object.value(QStringLiteral("path")).toString(),
                object.value(QStringLiteral("reason")).toString());
        }
    }
    EXPECT_EQ(summaries, 1);
    EXPECT_EQ(reasons.size(), 4);
    EXPECT_EQ(reasons.value(cut), QStringLiteral("Premature end of JPEG file"));
    EXPECT_EQ(reasons.value(text), QStringLiteral("not an image of an accepted type"));
}

TEST_F(GatherCli, VersionMismatchSaysWhatConvertingDoesAndANewerDatabaseStaysUntouched)
{
    makeCollection();
    const QString database = data() + QStringLiteral("/VEXA.MDB");
    for (const int version : { 299, 301 }) {
        {
            Database db(database, false);
            db.connection().exec(QStringLiteral("UPDATE SysInfo SET DBVersion=%1").arg(version));
        }
        const QByteArray before = readBytes(database);
        const Result r = run({ "gather", "Photos" });
        EXPECT_EQ(r.status, 1) << version;
        if (version < 300)
            EXPECT_TRUE(r.err.contains(
                QStringLiteral("the collections and gathered data stay only in the backup")))
                << r.err.toStdString();
        else
            EXPECT_TRUE(r.err.contains(QStringLiteral("written by a newer program")))
                << r.err.toStdString();
        EXPECT_EQ(readBytes(database), before) << version;
    }
}

TEST_F(GatherCli, KilledRunsThenARerunStoreEachFileExactlyOnce)
{
    const int count = 360;
    for (int i = 0; i < count; ++i)
        GatherFixture::writeImage(
            images() + QStringLiteral("/k%1.jpg").arg(i, 3, 10, QLatin1Char('0')), i, 640, 480,
            "JPG");
    makeCollection();
    int killed = 0;
    int partial = 0;  // rounds killed with some files still to store
    for (int round = 0; round < 3; ++round) {
        QFile::remove(data() + QStringLiteral("/VEXA_IG.LOG"));
        QProcess child;
        start(child, { "gather", "Photos", "--threads", "2" });
        // Kill once the run is under way, at a different moment each round.
        QElapsedTimer waited;
        waited.start();
        while (!QFile::exists(data() + QStringLiteral("/VEXA_IG.LOG")) && waited.elapsed() < 20000)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        std::this_thread::sleep_for(
            std::chrono::milliseconds(QRandomGenerator::global()->bounded(20, 250)));
        if (child.state() == QProcess::Running) {
            ::kill(pid_t(child.processId()), SIGKILL);
            ++killed;
        }
        child.waitForFinished(20000);
        const QStringList names = storedNames();
        EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), names.size())
            << "round " << round;
        if (names.size() < count)
            ++partial;
    }
    // Ctrl-C is Cancel: the run ends in its normal way, says so, and exits 130.
    {
        QFile::remove(data() + QStringLiteral("/VEXA_IG.LOG"));
        QProcess child;
        start(child, { "gather", "Photos", "--threads", "1" });
        QElapsedTimer waited;
        waited.start();
        while (!QFile::exists(data() + QStringLiteral("/VEXA_IG.LOG")) && waited.elapsed() < 20000)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const bool running = child.state() == QProcess::Running;
        if (running)
            ::kill(pid_t(child.processId()), SIGINT);
        ASSERT_TRUE(child.waitForFinished(20000));
        const QString out = QString::fromUtf8(child.readAllStandardOutput());
        if (running && !out.contains(QStringLiteral("(cancelled)")))
            EXPECT_EQ(child.exitCode(), 0) << "not cancelled, so it must have completed";
        if (out.contains(QStringLiteral("(cancelled)"))) {
            EXPECT_EQ(child.exitCode(), 130) << out.toStdString();
            EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
            QFile log(data() + QStringLiteral("/VEXA_IG.LOG"));
            ASSERT_TRUE(log.open(QIODevice::ReadOnly));
            EXPECT_TRUE(log.readAll().endsWith("***** END LOG ******\r\n"));
        }
    }
    if (killed == 0 || partial == 0)
        GTEST_SKIP() << "every run finished before it could be killed";
    const Result rerun = run({ "gather", "Photos" });
    EXPECT_EQ(rerun.status, 0) << rerun.err.toStdString();
    const QStringList names = storedNames();
    EXPECT_EQ(names.size(), count);
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), count);
}

}  // namespace
}  // namespace vexa::test

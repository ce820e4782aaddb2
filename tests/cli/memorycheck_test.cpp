// vexa-cli check and watch end to end: the built binary against a database
// gathered by vexa-cli gather, with real images made here; exit statuses,
// JSON lines, the read-only open (works while the lock is held, never
// writes), and watch with files arriving one by one, in a burst, written
// slowly, renamed in, and the directory removed; Ctrl-C ends it with 130.
// The perceptual method's turned and grey copies, with the saved choice
// about turned copies and --rotations.
#include "base/environment.h"
#include "base/singlecopy.h"
#include "db/lifecycle.h"
#include "narration/narrationsettings.h"
#include "support/clirunner.h"
#include "support/photograph.h"
#include "support/qtprinters.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <QTransform>

#include <gtest/gtest.h>

#include <csignal>

namespace {

using vexa::test::CliPath;

void writeImage(const QString &path, int seed)
{
    QImage image(120, 90, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y,
                qRgb((x * 2 + seed * 41) % 256, (y * 3 + seed * 17) % 256, (seed * 67) % 256));
    QPainter painter(&image);
    painter.fillRect(QRect((seed * 13) % 80, (seed * 7) % 60, 40, 30),
        QColor::fromRgb(250, (seed * 29) % 256, 10));
    painter.end();
    ASSERT_TRUE(image.save(path, "JPG", 92)) << path.toStdString();
}

QByteArray digest(const QString &path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

class MemoryCheckCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QFile::exists(CliPath()))
            GTEST_SKIP() << "vexa-cli not built at " << CliPath().toStdString();
        ASSERT_TRUE(m_root.isValid());
        QDir root(m_root.path());
        root.mkpath(QStringLiteral("data"));
        root.mkpath(QStringLiteral("library"));
        root.mkpath(QStringLiteral("incoming"));
        for (int i = 0; i < 4; ++i)
            writeImage(library(QStringLiteral("owned%1.jpg").arg(i)), i);
        ASSERT_EQ(run({ "collection", "add", "Photos" }).status, 0);
        ASSERT_EQ(
            run({ "dir", "add", "Photos", m_root.filePath(QStringLiteral("library")) }).status, 0);
        const auto gathered = run({ "gather", "Photos" });
        ASSERT_EQ(gathered.status, 0) << gathered.err.toStdString();
    }

    using Result = vexa::test::CliResult;

    Result run(const QStringList &args) { return vexa::test::RunCli(args, data()); }

    QString data() const { return m_root.filePath(QStringLiteral("data")); }
    QString library(const QString &name) const
    {
        return m_root.filePath(QStringLiteral("library/") + name);
    }
    QString incoming(const QString &name = QString()) const
    {
        return m_root.filePath(QStringLiteral("incoming"))
            + (name.isEmpty() ? QString() : QLatin1Char('/') + name);
    }

    QTemporaryDir m_root;
};

TEST_F(MemoryCheckCli, CheckReportsDuplicatesReadOnlyWhileVexaRuns)
{
    QFile::copy(library(QStringLiteral("owned1.jpg")), incoming(QStringLiteral("copy.jpg")));
    writeImage(incoming(QStringLiteral("new.jpg")), 40);
    QFile text(incoming(QStringLiteral("readme.txt")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("no picture");
    text.close();
    // The window holds the lock; check must still work and write nothing.
    vexa::SingleCopyLock lock(data());
    ASSERT_TRUE(lock.acquire());
    const QByteArray before = digest(data() + QStringLiteral("/VEXA.MDB"));

    const Result dup = run({ "check", incoming(QStringLiteral("copy.jpg")),
        incoming(QStringLiteral("new.jpg")), "--json" });
    EXPECT_EQ(dup.status, 3) << dup.err.toStdString();
    const QStringList lines = dup.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << dup.out.toStdString();
    const QJsonObject first = QJsonDocument::fromJson(lines[0].toUtf8()).object();
    EXPECT_EQ(first.value(QStringLiteral("file")).toString(), incoming(QStringLiteral("copy.jpg")));
    EXPECT_EQ(first.value(QStringLiteral("duplicates"))
                  .toArray()
                  .at(0)
                  .toObject()
                  .value(QStringLiteral("path"))
                  .toString(),
        library(QStringLiteral("owned1.jpg")));
    EXPECT_TRUE(QJsonDocument::fromJson(lines[1].toUtf8())
                    .object()
                    .value(QStringLiteral("duplicates"))
                    .toArray()
                    .isEmpty());

    const Result clean = run({ "check", incoming(QStringLiteral("new.jpg")) });
    EXPECT_EQ(clean.status, 0) << clean.err.toStdString();
    EXPECT_TRUE(clean.out.contains(QStringLiteral("0 duplicate(s)")));

    // A directory is expanded to its image files; the text file is not one.
    const Result dir = run({ "check", incoming(), "--method", "3" });
    EXPECT_EQ(dir.status, 3);
    EXPECT_TRUE(
        dir.out.contains(incoming(QStringLiteral("copy.jpg")) + QStringLiteral("\t1 duplicate(s)")))
        << dir.out.toStdString();
    EXPECT_FALSE(dir.out.contains(QStringLiteral("readme"))) << dir.out.toStdString();

    const Result notImage = run({ "check", incoming(QStringLiteral("readme.txt")) });
    EXPECT_EQ(notImage.status, 0);
    EXPECT_TRUE(notImage.err.contains(QStringLiteral("not an image")))
        << notImage.err.toStdString();

    EXPECT_EQ(run({ "check" }).status, 2);
    EXPECT_EQ(run({ "check", "x.jpg", "--method", "9" }).status, 2);
    EXPECT_EQ(run({ "check", "x.jpg", "--slider", "25" }).status, 2);
    const Result help = run({ "check", "--help" });
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("--slider"))) << help.out.toStdString();
    EXPECT_EQ(digest(data() + QStringLiteral("/VEXA.MDB")), before) << "check never writes";

    // Nor does it make a database where there is none.
    const QString empty = m_root.filePath(QStringLiteral("empty"));
    ASSERT_TRUE(QDir().mkpath(empty));
    const Result none
        = vexa::test::RunCli({ "check", incoming(QStringLiteral("copy.jpg")) }, empty);
    EXPECT_EQ(none.status, 1);
    EXPECT_FALSE(QFile::exists(empty + QStringLiteral("/VEXA.MDB")));
}

// Reads the watch's stdout until a line names the file or the time is up.
bool waitForLine(QProcess &process, QString &seen, const QString &needle, int ms = 15000)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        process.waitForReadyRead(200);
        seen += QString::fromUtf8(process.readAllStandardOutput());
        if (seen.contains(needle))
            return true;
    }
    return false;
}

TEST_F(MemoryCheckCli, WatchReportsArrivingCopiesUntilCtrlC)
{
    QFile::copy(library(QStringLiteral("owned0.jpg")), incoming(QStringLiteral("already.jpg")));
    QProcess watch;
    vexa::test::StartCli(
        watch, { QStringLiteral("watch"), incoming(), QStringLiteral("--json") }, data());
    QString seen;
    // Wait for it to list the directory before anything arrives.
    QElapsedTimer clock;
    clock.start();
    while (!watch.readAllStandardError().contains("watching") && clock.elapsed() < 10000)
        watch.waitForReadyRead(200);

    // One by one: a copy and a new picture (only the copy is printed).
    writeImage(incoming(QStringLiteral("fresh.jpg")), 77);
    QFile::copy(library(QStringLiteral("owned2.jpg")), incoming(QStringLiteral("one.jpg")));
    EXPECT_TRUE(waitForLine(watch, seen, incoming(QStringLiteral("one.jpg"))))
        << seen.toStdString();

    // Written slowly: half now, the rest after two ticks. It is checked only
    // once complete, so it is found.
    QFile source(library(QStringLiteral("owned3.jpg")));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray bytes = source.readAll();
    QFile slow(incoming(QStringLiteral("slow.jpg")));
    ASSERT_TRUE(slow.open(QIODevice::WriteOnly));
    slow.write(bytes.left(bytes.size() / 2));
    slow.flush();
    QThread::msleep(600);
    slow.write(bytes.mid(bytes.size() / 2, 10));
    slow.flush();
    QThread::msleep(1300);
    slow.write(bytes.mid(bytes.size() / 2 + 10));
    slow.close();
    EXPECT_TRUE(waitForLine(watch, seen, incoming(QStringLiteral("slow.jpg"))))
        << seen.toStdString();

    // A burst of 200, of which every tenth is a copy.
    for (int i = 0; i < 200; ++i) {
        const QString name
            = incoming(QStringLiteral("burst%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
        if (i % 10 == 0)
            QFile::copy(library(QStringLiteral("owned1.jpg")), name);
        else
            QFile::copy(incoming(QStringLiteral("fresh.jpg")), name);
    }
    EXPECT_TRUE(waitForLine(watch, seen, incoming(QStringLiteral("burst190.jpg")), 60000))
        << seen.toStdString();

    // Renamed in from outside the directory.
    QFile::copy(
        library(QStringLiteral("owned0.jpg")), m_root.filePath(QStringLiteral("outside.jpg")));
    ASSERT_TRUE(QFile::rename(
        m_root.filePath(QStringLiteral("outside.jpg")), incoming(QStringLiteral("renamed.jpg"))));
    EXPECT_TRUE(waitForLine(watch, seen, incoming(QStringLiteral("renamed.jpg"))))
        << seen.toStdString();

    // The directory removed while watched, then made again with a copy.
    ASSERT_TRUE(QDir(incoming()).removeRecursively());
    QThread::msleep(1500);
    ASSERT_TRUE(QDir().mkpath(incoming()));
    QFile::copy(library(QStringLiteral("owned2.jpg")), incoming(QStringLiteral("back.jpg")));
    EXPECT_TRUE(waitForLine(watch, seen, incoming(QStringLiteral("back.jpg"))))
        << seen.toStdString();

    ::kill(pid_t(watch.processId()), SIGINT);
    ASSERT_TRUE(watch.waitForFinished(10000));
    seen += QString::fromUtf8(watch.readAllStandardOutput());
    EXPECT_EQ(watch.exitCode(), 130);
    const QStringList lines = seen.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // Under load the writer of slow.jpg can pause for longer than two looks,
    // so it may be checked before its last write and again after it; every other
    // file is reported exactly once.
    QStringList files;
    for (const QString &line : lines) {
        const QString file = QJsonDocument::fromJson(line.toUtf8())
                                 .object()
                                 .value(QStringLiteral("file"))
                                 .toString();
        if (!(file == incoming(QStringLiteral("slow.jpg")) && files.contains(file)))
            files.append(file);
    }
    EXPECT_EQ(files.size(), 1 + 1 + 20 + 1 + 1) << seen.toStdString();
    EXPECT_EQ(QSet<QString>(files.begin(), files.end()).size(), files.size()) << seen.toStdString();
    EXPECT_FALSE(seen.contains(QStringLiteral("already.jpg")))
        << "files there at the start are not new";
    EXPECT_FALSE(seen.contains(QStringLiteral("fresh.jpg")));
    for (const QString &line : lines)
        EXPECT_EQ(QJsonDocument::fromJson(line.toUtf8())
                      .object()
                      .value(QStringLiteral("duplicates"))
                      .toArray()
                      .size(),
            1)
            << line.toStdString();
}

// A gathered photograph, a copy turned a quarter anticlockwise and a
// greyscale copy: method 6 finds both while turned copies are wanted (the
// saved choice, on at first, or --rotations on) and only the grey one
// otherwise, in check as in narrate.
TEST_F(MemoryCheckCli, PerceptualFindsTurnedCopiesAsTheSavedChoiceOrTheOptionSays)
{
    const QImage photograph = vexa::test::MakePhotograph(17);
    ASSERT_TRUE(photograph.save(library(QStringLiteral("harbour.jpg")), "JPG", 90));
    ASSERT_EQ(run({ "gather", "Photos" }).status, 0);
    const QImage turned = photograph.transformed(QTransform().rotate(270));
    ASSERT_TRUE(turned.save(incoming(QStringLiteral("turned.jpg")), "JPG", 90));
    ASSERT_TRUE(photograph.convertToFormat(QImage::Format_Grayscale8)
                    .save(incoming(QStringLiteral("grey.jpg")), "JPG", 90));
    const QString original = library(QStringLiteral("harbour.jpg"));

    // The incoming files check finds the photograph for, by name.
    const auto checked = [&](const QStringList &choice) {
        const Result r
            = run(QStringList { "check", incoming(), "--method", "6", "--json" } + choice);
        EXPECT_EQ(r.status, 3) << r.err.toStdString();
        QStringList found;
        for (const QString &line : r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QJsonObject file = QJsonDocument::fromJson(line.toUtf8()).object();
            for (const QJsonValue duplicate : file.value(QStringLiteral("duplicates")).toArray())
                if (duplicate.toObject().value(QStringLiteral("path")).toString() == original)
                    found.append(
                        QFileInfo(file.value(QStringLiteral("file")).toString()).fileName());
        }
        found.sort();
        return found;
    };
    const QStringList both { QStringLiteral("grey.jpg"), QStringLiteral("turned.jpg") };
    const QStringList grey { QStringLiteral("grey.jpg") };
    // The turned copy in the library too: does narrate group it with the photograph?
    ASSERT_TRUE(turned.save(library(QStringLiteral("harbour turned.jpg")), "JPG", 90));
    ASSERT_EQ(run({ "gather", "Photos" }).status, 0);
    const auto narrated = [&](const QStringList &choice) {
        const Result r = run(QStringList { "narrate", "Photos", "--method", "6" } + choice);
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        return r.out.contains(QStringLiteral("harbour turned.jpg"));
    };

    struct Row {
        QStringList choice;
        QStringList found;
        bool grouped;
    };
    const Row atFirst[] = {
        { {}, both, true },
        { { "--rotations", "off" }, grey, false },
        { { "--rotations", "on" }, both, true },
    };
    for (const Row &row : atFirst) {
        EXPECT_EQ(checked(row.choice), row.found) << row.choice.join(' ').toStdString();
        EXPECT_EQ(narrated(row.choice), row.grouped) << row.choice.join(' ').toStdString();
    }

    // Unticked in the window: stored in the data directory's database.
    vexa::SetProgramDirectory(data());
    ASSERT_TRUE(vexa::OpenApplicationDatabase());
    ASSERT_TRUE(vexa::SaveFindRotatedCopies(false));
    vexa::CloseApplicationDatabase();
    const Row unticked[] = {
        { {}, grey, false },
        { { "--rotations", "on" }, both, true },
    };
    for (const Row &row : unticked) {
        EXPECT_EQ(checked(row.choice), row.found)
            << "unticked " << row.choice.join(' ').toStdString();
        EXPECT_EQ(narrated(row.choice), row.grouped)
            << "unticked " << row.choice.join(' ').toStdString();
    }
}

}  // namespace

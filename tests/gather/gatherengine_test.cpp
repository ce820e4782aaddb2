// The gathering run end to end on real image files and a real database.
#include "gatherfixture.h"

#include "base/diskpath.h"
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/lifecycle.h"
#include "db/records.h"
#include "db/selectionsql.h"
#include "db/sqlite.h"
#include "narration/duplicateset.h"
#include "narration/narrationengine.h"
#include "narration/narrationsettings.h"
#include "signature/signaturelib.h"
#include "support/exiforientation.h"
#include "support/scriptedmessages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QPainter>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>

#include <atomic>
#include <chrono>
#include <thread>

#include <csignal>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexa::test {
namespace {

using ::testing::ElementsAreArray;
using ::testing::UnorderedElementsAreArray;

class GatherEngineTest : public GatherFixture { };

TEST_F(GatherEngineTest, FirstRunStoresEachImageOnceSecondRunSkipsAll)
{
    const QString a = addDirectory(QStringLiteral("a"));
    const QString b = addDirectory(QStringLiteral("b"));
    QStringList expected;
    for (int i = 0; i < 30; ++i) {
        writeImage(a + QStringLiteral("/a%1.jpg").arg(i, 2, 10, QLatin1Char('0')), i);
        expected.append(QStringLiteral("a%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
    }
    writeImage(b + QStringLiteral("/one.png"), 99);
    writeImage(b + QStringLiteral("/two.bmp"), 98);
    expected << QStringLiteral("one.png") << QStringLiteral("two.bmp");

    RecordingObserver first;
    ASSERT_EQ(gather(first), RunOutcome::Completed);
    EXPECT_EQ(m_last.stored, 32);
    EXPECT_EQ(m_last.processed, 32);
    EXPECT_EQ(m_last.skipped, 0);
    EXPECT_EQ(m_last.errors, 0);
    EXPECT_EQ(m_last.directoriesDone, 2);
    EXPECT_THAT(storedNames(), UnorderedElementsAreArray(expected));

    EXPECT_EQ(first.last.found, 32);
    EXPECT_EQ(first.last.done, 32);
    EXPECT_EQ(first.last.total, 32);

    // Reports an hour apart: only the ones that must be seen come, each
    // directory's start and its end with the final position, whatever the
    // number of files; the final report has the final figures.
    const QList<QVariantList> before = allRows();
    RecordingObserver second;
    ASSERT_EQ(gather(second, 1, {}, 3600000), RunOutcome::Completed);
    EXPECT_EQ(m_last.stored, 0);
    EXPECT_EQ(m_last.skipped, 32);
    EXPECT_EQ(allRows(), before);
    QList<std::pair<int, qint64>> starts;
    QList<std::pair<int, qint64>> ends;
    QStringList currents;
    for (const RunProgress &report : second.reports) {
        if (report.part >= 0)
            (report.partEnded ? ends : starts).append({ report.part, report.partDone });
        currents.append(report.current);
    }
    EXPECT_EQ(ends, (QList<std::pair<int, qint64>> { { 0, 30 }, { 1, 2 } }));
    EXPECT_EQ(starts.first(), (std::pair<int, qint64>(0, 0)));
    EXPECT_LT(second.reports.size(), 12) << "a report per file";
    EXPECT_TRUE(currents.contains(Text(737)));
    EXPECT_EQ(second.last.done, 32);
    EXPECT_EQ(second.last.skipped, 32);
    EXPECT_EQ(second.last.total, 32);
    EXPECT_EQ(second.last.found, 0);
    EXPECT_TRUE(second.last.status.isEmpty());

    // Reports with no interval: one per file at least, in order.
    RecordingObserver every;
    ASSERT_EQ(gather(every, 1, {}, 0), RunOutcome::Completed);
    EXPECT_GE(every.reports.size(), 32);
    for (qsizetype i = 1; i < every.reports.size(); ++i)
        EXPECT_LE(every.reports[i - 1].done, every.reports[i].done);
}

TEST_F(GatherEngineTest, DeletedFileLosesItsRecordAndOthersStay)
{
    const QString a = addDirectory(QStringLiteral("a"));
    for (int i = 0; i < 4; ++i)
        writeImage(a + QStringLiteral("/p%1.png").arg(i), i);
    RecordingObserver first;
    ASSERT_EQ(gather(first), RunOutcome::Completed);
    ASSERT_EQ(storedNames().size(), 4);
    const QList<QVariantList> before = allRows();

    ASSERT_TRUE(QFile::remove(a + QStringLiteral("/p2.png")));
    // A record whose file is there but left out of the listing (hidden)
    // is no vanished file: it stays.
    ASSERT_TRUE(QFile::rename(a + QStringLiteral("/p1.png"), a + QStringLiteral("/.p1.png")));
    AppDb().db->Execute(
        QStringLiteral("UPDATE FileData SET FileName = '.p1.png' WHERE FileName = 'p1.png'"));
    QList<QVariantList> expected = allRows();
    RecordingObserver second;
    ASSERT_EQ(gather(second), RunOutcome::Completed);
    EXPECT_THAT(storedNames(),
        UnorderedElementsAreArray(
            { QStringLiteral("p0.png"), QStringLiteral(".p1.png"), QStringLiteral("p3.png") }));
    // The survivors keep their rows (same IDs, same signatures).
    expected.removeAt(2);
    EXPECT_EQ(allRows(), expected);
    EXPECT_EQ(before.size(), 4);
}

TEST_F(GatherEngineTest, UntickedAndVanishedDirectoriesArePassedOverButCountAsDone)
{
    const QString ticked = addDirectory(QStringLiteral("ticked"));
    const QString unticked = addDirectory(QStringLiteral("unticked"), false);
    const QString gone = addDirectory(QStringLiteral("gone"));
    writeImage(ticked + QStringLiteral("/t.png"), 1);
    writeImage(unticked + QStringLiteral("/u.png"), 2);
    writeImage(gone + QStringLiteral("/g.png"), 3);
    RecordingObserver first;
    ASSERT_EQ(gather(first), RunOutcome::Completed);
    ASSERT_EQ(storedNames().size(), 2);  // t and g

    ASSERT_TRUE(QDir(gone).removeRecursively());
    RecordingObserver second;
    ASSERT_EQ(gather(second), RunOutcome::Completed);
    EXPECT_EQ(m_last.directoriesDone, 3);
    EXPECT_EQ(m_last.processed, 1);
    EXPECT_THAT(second.notices,
        ElementsAreArray(
            { QStringLiteral("passed over ") + gone + QStringLiteral(": no such directory") }))
        << "a ticked directory that is gone is said, the unticked one is not";
    // The vanished directory's record is not touched: it may be a disk that
    // is not mounted now.
    EXPECT_THAT(storedNames(),
        UnorderedElementsAreArray({ QStringLiteral("t.png"), QStringLiteral("g.png") }));
}

TEST_F(GatherEngineTest, UnreadableDirectoryKeepsItsRecords)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "running as root: permissions do not keep root out of a directory";
    const QString a = addDirectory(QStringLiteral("a"));
    writeImage(a + QStringLiteral("/x.png"), 1);
    RecordingObserver first;
    ASSERT_EQ(gather(first), RunOutcome::Completed);
    ASSERT_TRUE(QFile::setPermissions(a, QFileDevice::Permissions()));
    RecordingObserver second;
    EXPECT_EQ(gather(second), RunOutcome::Completed);
    QFile::setPermissions(
        a, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(storedNames().size(), 1);
    EXPECT_THAT(second.notices,
        ElementsAreArray(
            { QStringLiteral("passed over ") + a + QStringLiteral(": cannot be read") }));
}

TEST_F(GatherEngineTest, BadFilesAreLoggedInTheLogLayoutAndTheRunGoesOn)
{
    const QString a = addDirectory(QStringLiteral("a"));
    writeImage(a + QStringLiteral("/good.jpg"), 5, 200, 150);
    {
        QFile good(a + QStringLiteral("/good.jpg"));
        ASSERT_TRUE(good.open(QIODevice::ReadOnly));
        const QByteArray bytes = good.readAll();
        QFile truncated(a + QStringLiteral("/truncated.jpg"));
        ASSERT_TRUE(truncated.open(QIODevice::WriteOnly));
        truncated.write(bytes.left(200));
        QFile corrupt(a + QStringLiteral("/corrupt.png"));
        ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly));
        corrupt.write(QByteArray("\x89PNG\r\n\x1a\n") + QByteArray(300, '\x55'));
    }
    QFile(a + QStringLiteral("/empty.gif")).open(QIODevice::WriteOnly);
    {
        QFile text(a + QStringLiteral("/text.jpg"));
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write("this is not a picture\n");
    }
    RecordingObserver observer;
    ASSERT_EQ(gather(observer, 2), RunOutcome::Completed);
    EXPECT_EQ(m_last.errors, 4);
    EXPECT_EQ(observer.last.errors, 4);
    EXPECT_THAT(storedNames(), ElementsAreArray({ QStringLiteral("good.jpg") }));
    // Piece order of the pattern (*.jpg first, then *.gif, *.png), by name within.
    const QString expected = QStringLiteral("VEXA - ImageGather Report\r\n")
        + QString(40, QLatin1Char('-')) + QStringLiteral("\r\n\r\n")
        + QStringLiteral("Error loading: ") + a + QStringLiteral("/text.jpg\r\nError loading: ") + a
        + QStringLiteral("/truncated.jpg\r\nError loading: ") + a
        + QStringLiteral("/empty.gif\r\nError loading: ") + a
        + QStringLiteral("/corrupt.png\r\n\r\n***** END LOG ******\r\n");
    EXPECT_EQ(logText(), expected);
}

TEST_F(GatherEngineTest, AwkwardNamesAreStoredAsTheyAreAndHiddenFilesAreNot)
{
    const QString a = addDirectory(QStringLiteral("names ' \" % ü"));
    const QStringList names = { QStringLiteral("it's \"quoted\".jpg"),
        QStringLiteral("100% done.png"), QStringLiteral("Ærøskøbing ünïcode.jpg"),
        QStringLiteral("line\nbreak.png"), QStringLiteral("UPPER.JPG"), QStringLiteral("mixed.Png"),
        QStringLiteral("semi;colon.bmp") };
    for (int i = 0; i < names.size(); ++i)
        writeImage(a + QLatin1Char('/') + names[i], i, 64, 64,
            names[i].endsWith(QStringLiteral("JPG"), Qt::CaseInsensitive) ? "JPG"
                : names[i].endsWith(QStringLiteral("bmp"))                ? "BMP"
                                                                          : "PNG");
    writeImage(a + QStringLiteral("/.hidden.jpg"), 50, 64, 64, "JPG");
    writeImage(a + QStringLiteral("/notes.txt"), 51, 64, 64, "PNG");
    RecordingObserver first;
    ASSERT_EQ(gather(first, 3), RunOutcome::Completed);
    EXPECT_EQ(m_last.errors, 0);
    EXPECT_THAT(storedNames(), UnorderedElementsAreArray(names));
    RecordingObserver second;
    ASSERT_EQ(gather(second, 3), RunOutcome::Completed);
    EXPECT_EQ(m_last.skipped, names.size()) << "a name stored differently than it is looked up";
    EXPECT_EQ(storedNames().size(), names.size());
}

TEST_F(GatherEngineTest, NamesThatAreNotUtf8AreGatheredKeptAndSkipped)
{
    // A latin-1 directory of an old archive holding latin-1 and UTF-16-ish names.
    const QString dir = addDirectory(NameFromDisk("\xe9t\xe9 \xff"));
    const QStringList names
        = { NameFromDisk("\xff\xfe.jpg"), NameFromDisk("plain.png"), NameFromDisk("caf\xe9.png") };
    writeImage(dir + QLatin1Char('/') + names[0], 3, 64, 48, "JPG");
    writeImage(dir + QLatin1Char('/') + names[1], 4, 64, 48, "PNG");
    writeImage(dir + QLatin1Char('/') + names[2], 5, 64, 48, "PNG");
    RecordingObserver first;
    ASSERT_EQ(gather(first, 2), RunOutcome::Completed);
    EXPECT_EQ(m_last.errors, 0);
    EXPECT_EQ(m_last.stored, 3);
    EXPECT_THAT(storedNames(), UnorderedElementsAreArray(names));
    EXPECT_EQ(NameToDisk(storedNames().first()), QByteArray("\xff\xfe.jpg"));
    EXPECT_TRUE(first.notices.isEmpty());

    RecordingObserver second;
    ASSERT_EQ(gather(second, 2), RunOutcome::Completed);
    EXPECT_EQ(m_last.skipped, 3) << "the stored name is the one listed";
    EXPECT_EQ(storedNames().size(), 3) << "verification found every file";
}

// Decoding finishes in a shuffled order; the rows must not notice.
DecodedImage slowShuffledDecode(const QString &path)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(qHash(path) % 7));
    return DecodeForGathering(path);
}

TEST_F(GatherEngineTest, AnyThreadCountGivesTheSameRowsInTheSameOrderBitForBit)
{
    const QString a = addDirectory(QStringLiteral("a"));
    const QString b = addDirectory(QStringLiteral("b"));
    for (int i = 0; i < 40; ++i)
        writeImage((i % 3 ? a : b) + QStringLiteral("/img%1.%2").arg(i).arg(i % 2 ? "jpg" : "png"),
            i, 120 + i, 90);
    QFile(a + QStringLiteral("/zero.jpg")).open(QIODevice::WriteOnly);

    QList<QVariantList> reference;
    for (const int threads : { 1, 2, 5 }) {
        // A fresh database each time, with the same collection and items.
        m_data.reset();
        m_data = std::make_unique<TempDataDir>();
        ASSERT_TRUE(AddNewCollectionToDB(QStringLiteral("Photos")));
        m_collectionId = FindCollectionId(QStringLiteral("Photos"));
        for (GatherDirectory &d : m_directories) {
            QString path = d.path;
            ASSERT_GT(AddNewItemToCollection(m_collectionId, path), 0);
        }
        RecordingObserver observer;
        ASSERT_EQ(gather(observer, threads, slowShuffledDecode), RunOutcome::Completed) << threads;
        const QList<QVariantList> rows = allRows();
        ASSERT_EQ(rows.size(), 40) << threads;
        if (threads == 1)
            reference = rows;
        else
            EXPECT_EQ(rows, reference) << "threads " << threads;
        EXPECT_EQ(m_last.errors, 1) << threads;
    }
}

// A 48-megapixel picture in a few flat blocks: quick to write and to read,
// but its pixels need as much memory as a photograph's (384 MB of pixel
// cache at ImageMagick's 16 bits a channel).
void writeLargeImage(const QString &path, int seed)
{
    QImage image(8000, 6000, QImage::Format_RGB32);
    image.fill(QColor::fromRgb((seed * 53) % 256, 40, 200));
    QPainter painter(&image);
    for (int block = 0; block < 6; ++block)
        painter.fillRect(
            QRect((seed * 997 + block * 1231) % 6000, (block * 811) % 5000, 2000, 1000),
            QColor::fromRgb((seed * 91 + block * 40) % 256, (block * 70) % 256, 250));
    painter.end();
    if (path.endsWith(QLatin1String(".png"))) {
        ASSERT_TRUE(image.save(path, "PNG", 80)) << path.toStdString();
        return;
    }
    // No TIFF writer in Qt here: ImageMagick converts a PNG.
    const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
    if (convert.isEmpty())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    const QString source = path + QStringLiteral(".source.png");
    ASSERT_TRUE(image.save(source, "PNG", 80));
    ASSERT_EQ(QProcess::execute(
                  convert, { source, QStringLiteral("-compress"), QStringLiteral("zip"), path }),
        0);
    QFile::remove(source);
}

TEST_F(GatherEngineTest, LargeImagesLoadAtAnyThreadCount)
{
    // Together these need far more pixel memory than the decoder's process-wide
    // limits allow at once: decodes that start together must wait for each
    // other, never fail.
    const QString big = addDirectory(QStringLiteral("big"));
    for (int i = 0; i < 4; ++i) {
        writeLargeImage(big + QStringLiteral("/large%1.%2").arg(i).arg(i % 2 ? "tif" : "png"), i);
        if (HasFatalFailure() || IsSkipped())
            return;
    }
    QList<QVariantList> reference;
    for (const int threads : { 1, 2, 8 }) {
        m_data.reset();
        m_data = std::make_unique<TempDataDir>();
        ASSERT_TRUE(AddNewCollectionToDB(QStringLiteral("Photos")));
        m_collectionId = FindCollectionId(QStringLiteral("Photos"));
        QString path = big;
        ASSERT_GT(AddNewItemToCollection(m_collectionId, path), 0);
        RecordingObserver observer;
        ASSERT_EQ(gather(observer, threads), RunOutcome::Completed) << threads;
        EXPECT_EQ(m_last.errors, 0) << "threads " << threads << ": " << logText().toStdString();
        const QList<QVariantList> rows = allRows();
        EXPECT_EQ(rows.size(), 4) << threads;
        if (threads == 1)
            reference = rows;
        else
            EXPECT_EQ(rows, reference) << "threads " << threads;
    }
}

TEST_F(GatherEngineTest, CancelKeepsWhatWasStoredAndARerunStoresTheRestOnce)
{
    const QString a = addDirectory(QStringLiteral("a"));
    const QString b = addDirectory(QStringLiteral("b"));
    for (int i = 0; i < 10; ++i) {
        writeImage(a + QStringLiteral("/a%1.png").arg(i), i);
        writeImage(b + QStringLiteral("/b%1.png").arg(i), i + 20);
    }
    RecordingObserver cancelling;
    // Cancel is clicked while the fourth stored file is reported.
    cancelling.cancelWhen = [](const RunProgress &p) { return p.found >= 4; };
    ASSERT_EQ(gather(cancelling, 2, {}, 0), RunOutcome::Cancelled);
    EXPECT_EQ(m_last.stored, 4);
    EXPECT_EQ(storedNames().size(), 4);
    EXPECT_TRUE(logText().endsWith(QStringLiteral("***** END LOG ******\r\n")));

    RecordingObserver rest;
    ASSERT_EQ(gather(rest, 2), RunOutcome::Completed);
    EXPECT_EQ(m_last.stored, 16);
    const QStringList names = storedNames();
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), 20);
    EXPECT_EQ(names.size(), 20);
}

TEST_F(GatherEngineTest, FullDiskStopsTheRunWithAMessageAndTheDatabaseStaysUsable)
{
    const QString a = addDirectory(QStringLiteral("a"));
    for (int i = 0; i < 300; ++i)
        writeImage(a + QStringLiteral("/f%1.png").arg(i, 3, 10, QLatin1Char('0')), i, 16, 16);
    // SQLite's page limit gives the same SQLITE_FULL as a full file system.
    sqlite3 *handle = OpenDb().connection().handle();
    qlonglong pages = 0;
    {
        Statement count(handle, QStringLiteral("PRAGMA page_count"));
        ASSERT_TRUE(count.step());
        pages = count.column(0).toLongLong();
    }
    {
        Statement limit(handle, QStringLiteral("PRAGMA max_page_count = %1").arg(pages + 1));
        limit.step();
    }
    ScriptedMessages messages;
    RecordingObserver observer;
    EXPECT_EQ(gather(observer), RunOutcome::Failed);
    EXPECT_GE(messages.count(), 1) << "the failed store was not reported";
    EXPECT_LT(m_last.stored, 300);
    EXPECT_EQ(m_last.stored, storedNames().size()) << "the count says what was committed";
    {
        Statement limit(handle, QStringLiteral("PRAGMA max_page_count = 1000000"));
        limit.step();
    }
    {
        Statement check(handle, QStringLiteral("PRAGMA integrity_check"));
        ASSERT_TRUE(check.step());
        EXPECT_EQ(check.column(0).toString(), QStringLiteral("ok"));
    }
    RecordingObserver rerun;
    ASSERT_EQ(gather(rerun), RunOutcome::Completed);
    const QStringList names = storedNames();
    EXPECT_EQ(names.size(), 300);
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), 300);
}

// A file system that refuses to let the database grow at its commit: the
// process's file size limit, which makes write() fail with EFBIG as a full
// disk fails a write. Every row of the open transaction is then lost.
TEST_F(GatherEngineTest, FailedCommitCountsOnlyTheRowsThatReachedTheDisk)
{
    const QString a = addDirectory(QStringLiteral("a"));
    for (int i = 0; i < 300; ++i)
        writeImage(a + QStringLiteral("/f%1.png").arg(i, 3, 10, QLatin1Char('0')), i, 16, 16);
    struct rlimit previous;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    const struct rlimit small
        = { rlim_t(QFileInfo(DatabasePath()).size() + 4096), previous.rlim_max };
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    ScriptedMessages messages;
    RecordingObserver observer;
    const RunOutcome outcome = gather(observer);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(outcome, RunOutcome::Failed);
    EXPECT_LT(storedNames().size(), 300);
    EXPECT_EQ(m_last.stored, storedNames().size()) << "stored rows claimed that were rolled back";

    RecordingObserver rerun;
    ASSERT_EQ(gather(rerun), RunOutcome::Completed);
    EXPECT_EQ(storedNames().size(), 300);
}

// Rewrites a file with another picture of the same kind and moves its
// modification time on, as an editor saving it would.
void editImage(const QString &path, int seed, int width, int height, const char *format)
{
    const DiskStat before = StatOnDisk(path);
    GatherFixture::writeImage(path, seed, width, height, format);
    const struct timespec times[2]
        = { { 0, UTIME_OMIT }, { time_t(before.modifiedNs / 1000000000 + 10), 0 } };
    ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

int allDuplicateRows()
{
    return OpenDb().connection().scalar(QStringLiteral("SELECT count(*) FROM Duplicate")).toInt();
}

qlonglong stampRows()
{
    return OpenDb()
        .connection()
        .scalar(QStringLiteral("SELECT count(*) FROM FileStamp"))
        .toLongLong();
}

TEST_F(GatherEngineTest, EditedFileIsGatheredAgainInPlaceWhateverTheThreadCount)
{
    // An uncompressed BMP of the same dimensions keeps its size exactly, so
    // only the modification time tells the edit; the PNG changes its size.
    struct Edit {
        const char *name;
        const char *format;
    };
    const Edit edits[] = { { "same size.bmp", "BMP" }, { "other size.png", "PNG" } };
    QList<QVariantList> reference;
    for (const int threads : { 1, 3 }) {
        m_data.reset();
        m_data = std::make_unique<TempDataDir>();
        ASSERT_TRUE(AddNewCollectionToDB(QStringLiteral("Photos")));
        m_collectionId = FindCollectionId(QStringLiteral("Photos"));
        m_directories.clear();
        const QString a = addDirectory(QStringLiteral("a%1").arg(threads));
        for (int i = 0; i < 6; ++i)
            writeImage(a + QStringLiteral("/keep%1.png").arg(i), i, 40, 30);
        for (const Edit &edit : edits)
            writeImage(a + QLatin1Char('/') + QLatin1String(edit.name), 1, 40, 30, edit.format);
        RecordingObserver first;
        ASSERT_EQ(gather(first, threads), RunOutcome::Completed);
        const QList<QVariantList> before = allRows();
        ASSERT_EQ(before.size(), 8);
        EXPECT_EQ(stampRows(), 8);
        // A saved duplicate set names the records by ID.
        OpenDb().connection().exec(
            QStringLiteral("INSERT INTO Duplicate (MasterId, Duplicates) VALUES (1, '7|8|')"));

        for (const Edit &edit : edits)
            editImage(a + QLatin1Char('/') + QLatin1String(edit.name), 77,
                QLatin1String(edit.format) == QLatin1String("BMP") ? 40 : 64, 30, edit.format);
        RecordingObserver second;
        ASSERT_EQ(gather(second, threads), RunOutcome::Completed);
        EXPECT_EQ(m_last.stored, 2) << threads;
        EXPECT_EQ(m_last.skipped, 6) << threads;
        const QList<QVariantList> after = allRows();
        ASSERT_EQ(after.size(), 8) << "rewritten in place, not added";
        for (int row = 0; row < 8; ++row) {
            const QString name = after[row][3].toString();
            EXPECT_EQ(after[row][0], before[row][0]) << name.toStdString() << ": the ID stays";
            const bool edited = !name.startsWith(QStringLiteral("keep"));
            EXPECT_EQ(after[row] != before[row], edited) << name.toStdString();
        }
        // The rewritten row is what a first gathering of the new file gives
        // (the BMP comes first: its piece comes before *.png).
        ASSERT_EQ(after[0][3].toString(), QStringLiteral("same size.bmp"));
        ASSERT_EQ(after[7][3].toString(), QStringLiteral("other size.png"));
        const DecodedImage fresh = DecodeForGathering(a + QStringLiteral("/same size.bmp"));
        EXPECT_EQ(after[0][4].toLongLong(), before[0][4].toLongLong()) << "the same size";
        EXPECT_EQ(after[0][7].toLongLong(),
            SetRGBValues(fresh.average[0], fresh.average[1], fresh.average[2]));
        EXPECT_EQ(after[7][5].toInt(), 64);
        EXPECT_EQ(allDuplicateRows(), 1);

        RecordingObserver third;
        ASSERT_EQ(gather(third, threads), RunOutcome::Completed);
        EXPECT_EQ(m_last.stored, 0) << "the new stamps hold";
        EXPECT_EQ(m_last.skipped, 8);

        // The rows of every thread count are the same, the names' directory
        // (ItemID) aside.
        QList<QVariantList> comparable = allRows();
        for (QVariantList &row : comparable)
            row[2] = QVariant();
        if (threads == 1)
            reference = comparable;
        else
            EXPECT_EQ(comparable, reference);
    }
}

TEST_F(GatherEngineTest, OlderDatabaseGainsTheStampsAndStampsGoWithTheirRecords)
{
    const QString a = addDirectory(QStringLiteral("a"));
    for (int i = 0; i < 3; ++i)
        writeImage(a + QStringLiteral("/p%1.png").arg(i), i, 40, 30);
    RecordingObserver first;
    ASSERT_EQ(gather(first), RunOutcome::Completed);
    // The database as an older program left it: no stamp table.
    OpenDb().connection().exec(QStringLiteral("DROP TABLE FileStamp"));
    CloseApplicationDatabase();
    ASSERT_TRUE(OpenApplicationDatabase());
    EXPECT_EQ(stampRows(), 0) << "the table is back, empty";
    const QList<QVariantList> before = allRows();

    RecordingObserver again;
    ASSERT_EQ(gather(again), RunOutcome::Completed);
    EXPECT_EQ(m_last.skipped, 0) << "records of an older decoding are gathered again";
    EXPECT_EQ(allRows(), before) << "in place, with their IDs";
    EXPECT_EQ(stampRows(), 3);
    RecordingObserver once;
    ASSERT_EQ(gather(once), RunOutcome::Completed);
    EXPECT_EQ(m_last.skipped, 3) << "once";

    editImage(a + QStringLiteral("/p1.png"), 40, 40, 30, "PNG");
    RecordingObserver edited;
    ASSERT_EQ(gather(edited), RunOutcome::Completed);
    EXPECT_EQ(m_last.stored, 1);

    // Every way a record goes takes its stamp along.
    ASSERT_TRUE(DeleteFileDataRecord(before[0][0].toLongLong()));
    EXPECT_EQ(stampRows(), 2);
    ASSERT_TRUE(QFile::remove(a + QStringLiteral("/p2.png")));
    RecordingObserver verified;
    ASSERT_EQ(gather(verified), RunOutcome::Completed);
    EXPECT_EQ(stampRows(), 2) << "p0 gathered anew, p2's record and stamp gone";
    EXPECT_EQ(OpenDb()
                  .connection()
                  .scalar(QStringLiteral("SELECT count(*) FROM FileStamp WHERE ID NOT IN "
                                         "(SELECT ID FROM FileData)"))
                  .toInt(),
        0);
}

TEST_F(GatherEngineTest, RecordOfAnOlderDecodingIsGatheredAgainOnce)
{
    // A portrait photograph stored sideways, as cameras do: pixels 64 wide
    // and 40 tall with orientation tag 6, shown 40 wide and 64 tall.
    const QString a = addDirectory(QStringLiteral("a"));
    writeImage(a + QStringLiteral("/stored.jpg"), 3, 64, 40, "JPG");
    QFile jpeg(a + QStringLiteral("/stored.jpg"));
    ASSERT_TRUE(jpeg.open(QIODevice::ReadOnly));
    const QByteArray plain = jpeg.readAll();
    jpeg.close();
    QFile tagged(a + QStringLiteral("/portrait.jpg"));
    ASSERT_TRUE(tagged.open(QIODevice::WriteOnly));
    tagged.write(test::WithOrientationTag(plain, 6));
    tagged.close();
    ASSERT_TRUE(QFile::remove(a + QStringLiteral("/stored.jpg")));
    writeImage(a + QStringLiteral("/plain.png"), 4, 40, 30);

    RecordingObserver first;
    ASSERT_EQ(gather(first), RunOutcome::Completed);
    const QList<QVariantList> upright = allRows();
    ASSERT_EQ(upright.size(), 2);
    const int portrait = upright[0][3].toString() == QStringLiteral("portrait.jpg") ? 0 : 1;
    EXPECT_EQ(upright[portrait][5].toInt(), 40) << "width as shown";
    EXPECT_EQ(upright[portrait][6].toInt(), 64) << "height as shown";

    // The database as the previous program left it: the stamp table without
    // the decoding, the portrait's record made from the pixels lying down.
    OpenDb().connection().exec(QStringLiteral("ALTER TABLE FileStamp DROP COLUMN Decoding"));
    OpenDb().connection().exec(
        QStringLiteral("UPDATE FileData SET FileDimX = 64, FileDimY = 40, AvgRGB = 0"));
    CloseApplicationDatabase();
    ASSERT_TRUE(OpenApplicationDatabase());
    EXPECT_EQ(stampRows(), 2) << "the stamps are kept";

    RecordingObserver again;
    ASSERT_EQ(gather(again), RunOutcome::Completed);
    EXPECT_EQ(m_last.skipped, 0);
    EXPECT_EQ(allRows(), upright) << "gathered again in place: same IDs, upright data";

    RecordingObserver once;
    ASSERT_EQ(gather(once), RunOutcome::Completed);
    EXPECT_EQ(m_last.skipped, 2) << "only once";
    EXPECT_EQ(allRows(), upright);
}

TEST_F(GatherEngineTest, PerceptualSignaturesAreStoredWithTheirRecordsAndAddedToOlderOnes)
{
    const QString a = addDirectory(QStringLiteral("a"));
    for (int i = 0; i < 3; ++i)
        writeImage(a + QStringLiteral("/p%1.png").arg(i), i, 40, 30);
    std::atomic<int> decodes { 0 };
    const DecodeFunction counting = [&decodes](const QString &path) {
        ++decodes;
        return DecodeForGathering(path);
    };
    const auto signatures = [] {
        QMap<QString, qlonglong> byName;
        Statement query(OpenDb().connection().handle(),
            QStringLiteral("SELECT FileData.FileName, PerceptualSignature.Hash FROM "
                           "PerceptualSignature JOIN FileData ON FileData.ID = "
                           "PerceptualSignature.ID"));
        while (query.step())
            byName.insert(query.column(0).toString(), query.columnInt64(1));
        return byName;
    };
    RecordingObserver first;
    ASSERT_EQ(gather(first, 1, counting), RunOutcome::Completed);
    const QMap<QString, qlonglong> stored = signatures();
    ASSERT_EQ(stored.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const QString name = QStringLiteral("p%1.png").arg(i);
        EXPECT_EQ(stored.value(name),
            qlonglong(DecodeForGathering(a + QLatin1Char('/') + name).perceptual))
            << name.toStdString();
    }
    EXPECT_NE(stored.value(QStringLiteral("p0.png")), stored.value(QStringLiteral("p1.png")));

    // The database as an older program left it: no signature table, no
    // trigger. The records' own data must not be made again: mark it.
    OpenDb().connection().exec(
        QStringLiteral("DROP TRIGGER PerceptualSignatureDelete; DROP TABLE PerceptualSignature; "
                       "UPDATE FileData SET AvgRGB = 12345"));
    CloseApplicationDatabase();
    ASSERT_TRUE(OpenApplicationDatabase());
    EXPECT_TRUE(signatures().isEmpty()) << "the table is back, empty";
    const QList<QVariantList> before = allRows();
    decodes = 0;
    RecordingObserver added;
    ASSERT_EQ(gather(added, 1, counting), RunOutcome::Completed);
    EXPECT_EQ(decodes, 3);
    EXPECT_EQ(m_last.stored, 0);
    EXPECT_EQ(m_last.skipped, 3);
    EXPECT_EQ(allRows(), before) << "the records are left as they were";
    EXPECT_EQ(signatures(), stored);
    decodes = 0;
    RecordingObserver again;
    ASSERT_EQ(gather(again, 1, counting), RunOutcome::Completed);
    EXPECT_EQ(decodes, 0) << "once";

    // A deleted record takes its signature along.
    ASSERT_TRUE(DeleteFileDataRecord(before[0][0].toLongLong()));
    EXPECT_EQ(signatures().size(), 2);
    EXPECT_FALSE(signatures().contains(before[0][3].toString()));
}

// The perceptual method end to end: real pictures gathered, then narrated.
TEST_F(GatherEngineTest, PerceptualNarrationFindsTurnedAndToneEditedCopies)
{
    const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
    if (convert.isEmpty())
        GTEST_SKIP() << "ImageMagick's convert is needed to make the pictures";
    const QString a = addDirectory(QStringLiteral("a"));
    const auto run = [&convert](const QStringList &args) {
        QProcess p;
        p.start(convert, args);
        return p.waitForFinished(60000) && p.exitCode() == 0;
    };
    // Names sort in ID order: the original first, then its copies, then a
    // different picture.
    ASSERT_TRUE(run({ QStringLiteral("-size"), QStringLiteral("320x240"), QStringLiteral("-seed"),
        QStringLiteral("3"), QStringLiteral("plasma:"), QStringLiteral("-blur"),
        QStringLiteral("0x2"), a + QStringLiteral("/a original.jpg") }));
    ASSERT_TRUE(run({ a + QStringLiteral("/a original.jpg"), QStringLiteral("-rotate"),
        QStringLiteral("90"), a + QStringLiteral("/b turned.jpg") }));
    ASSERT_TRUE(run({ a + QStringLiteral("/a original.jpg"), QStringLiteral("-colorspace"),
        QStringLiteral("Gray"), QStringLiteral("-modulate"), QStringLiteral("108"),
        a + QStringLiteral("/c grey.jpg") }));
    ASSERT_TRUE(run({ QStringLiteral("-size"), QStringLiteral("320x240"), QStringLiteral("-seed"),
        QStringLiteral("11"), QStringLiteral("plasma:"), QStringLiteral("-blur"),
        QStringLiteral("0x2"), a + QStringLiteral("/d other.jpg") }));
    RecordingObserver gathered;
    ASSERT_EQ(gather(gathered), RunOutcome::Completed);
    ASSERT_EQ(allRows().size(), 4);

    for (const NarrationScanKind kind : { NarrationScanKind::Fast, NarrationScanKind::Reference }) {
        CDuplicates set;
        NarrationOptions options;
        options.method = int(NarrationMethod::Perceptual);
        options.toleranceLevel = ToleranceLevel(PresetOf(options.method).slider);
        options.selection = BuildSelectionSql({ { m_directories[0].key, true } }, m_collectionId);
        options.scan = kind;
        NarrationEngine engine(set, options);
        RecordingObserver narrated;
        ASSERT_EQ(engine.run(narrated).outcome, RunOutcome::Completed);
        ASSERT_EQ(set.Count(), 1);
        EXPECT_EQ(set.Item(1).lSource(), 1);
        EXPECT_EQ(set.Item(1).lFileID(), QList<std::int32_t>({ 2, 3 }));
    }
}

}  // namespace
}  // namespace vexa::test

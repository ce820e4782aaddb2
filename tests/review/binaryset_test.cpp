// The binary set and the autodelete run on real files, a real database and a
// real trash: which identical file stays, that nothing but a byte-identical
// twin of a file that stays is ever removed, and that the same physical file
// reached by two names is never taken for its own copy.
#include "reviewfixture.h"
#include "trashhome.h"

#include "app/appobjects.h"
#include "base/environment.h"
#include "base/fileops.h"
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/imagefileinfo.h"
#include "db/records.h"
#include "db/statistics.h"
#include "narration/duplicateset.h"
#include "review/autodelete.h"
#include "review/binaryset.h"
#include "review/duplicatepersistence.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace vexa;
using vexa::test::ReviewLibrary;
using vexa::test::TrashHome;

namespace {

QByteArray Bytes(quint32 seed, int size = 20000)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

bool RecordExists(std::int32_t id)
{
    return AppDb().fileData->findFirst(QStringLiteral("ID=") + QString::number(id));
}

qint64 FilesDeletedCounter()
{
    return CurrentStatistics().filesDeleted.toLongLong();
}

// A library with a second directory in the same collection.
struct TwoDirectories {
    explicit TwoDirectories(ReviewLibrary &library, const QString &second = QString())
        : library(library)
    {
        other = second.isEmpty()
            ? QFileInfo(library.directory()).dir().filePath(QStringLiteral("other"))
            : second;
        QDir().mkpath(other);
        QString path = other;
        otherItem = AddNewItemToCollection(library.collectionId(), path);
        EXPECT_GT(otherItem, 0);
    }
    // A record in the second directory; the file is written unless it exists.
    std::int32_t add(const QString &name, const QByteArray &bytes, int width, int height)
    {
        QFile file(other + QLatin1Char('/') + name);
        if (!file.exists()) {
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(bytes);
            file.close();
        }
        ImageFileInfo image;
        image.Directory = other;
        image.FileName = name;
        image.FileSize = bytes.size();
        image.DimX = width;
        image.DimY = height;
        EXPECT_TRUE(StoreImageData(
            library.collectionId(), otherItem, image, { 1, 2, 3 }, {}, QByteArray(64, '0')));
        return std::int32_t(AppDb().fileData->lastModified());
    }

    ReviewLibrary &library;
    QString other;
    std::int64_t otherItem = 0;
};

AutodeleteResult RunOn(CDuplicates &set, bool allowUndo = true, bool dryRun = false)
{
    AutodeleteOptions options;
    options.allowUndo = allowUndo;
    options.dryRun = dryRun;
    return IntelligentAutodeleteRun(set, *Binaries(), options);
}

TEST(ChooseKeeper, LongestNameStaysUnlessItOnlyExtendsTheKeptName)
{
    struct Row {
        QStringList names;  // in collection order
        QString kept;
    } rows[] = {
        { { "IMG.JPG", "IMG (2).JPG" }, "IMG.JPG" },
        { { "IMG (2).JPG", "IMG.JPG" }, "IMG (2).JPG" },
        { { "A.JPG", "HOLIDAY.JPG" }, "HOLIDAY.JPG" },
        { { "a.jpg", "a (1).jpg", "holiday-a.jpg" }, "holiday-a.jpg" },
        { { "photo.jpg", "Photo-copy.jpg" }, "photo.jpg" },  // letter case ignored
        { { "x.jpg", "y.jpg" }, "x.jpg" },  // equal lengths: the first stays
        { { "noext", "noext2" }, "noext" },
    };
    for (const Row &row : rows) {
        CBinaries set;
        QList<std::int32_t> ids;
        std::int32_t id = 1;
        for (const QString &name : row.names) {
            set.Add(name, QStringLiteral("/d"), 10, 1, 1, id, QStringLiteral("K%1").arg(id));
            ids.append(id++);
        }
        set.ChooseKeeper(ids);
        QStringList kept;
        for (const auto &file : set) {
            if (!file->Delete())
                kept.append(file->FileName());
        }
        EXPECT_EQ(kept, QStringList { row.kept }) << row.names.join(QLatin1Char(',')).toStdString();
    }
}

TEST(BinarySet, HelpersAndKeys)
{
    EXPECT_EQ(CBinaries::StripExtension(QStringLiteral("a.b.jpg")), QStringLiteral("a.b"));
    EXPECT_EQ(CBinaries::StripExtension(QStringLiteral("name")), QStringLiteral("name"));
    EXPECT_EQ(CBinaries::StripExtension(QStringLiteral(".hidden")), QString());
    EXPECT_FALSE(CBinaries::ContainsId(3, {}));
    EXPECT_TRUE(CBinaries::ContainsId(3, { 1, 3 }));

    CBinaries set;
    ASSERT_NE(set.Add(QStringLiteral("a"), QStringLiteral("/d"), 1, 1, 1, 5, QStringLiteral("K5")),
        nullptr);
    EXPECT_EQ(set.Add(QStringLiteral("b"), QStringLiteral("/d"), 1, 1, 1, 5, QStringLiteral("K5")),
        nullptr)
        << "one file only once per group";
    ASSERT_NE(set.Add(QStringLiteral("c"), QStringLiteral("/d"), 1, 1, 1, 6, QString()), nullptr);
    EXPECT_EQ(set.Count(), 2);
    EXPECT_EQ(set.Item(QStringLiteral("K5"))->FileName(), QStringLiteral("a"));
    EXPECT_EQ(set.Item(2)->DeleteID(), -1);
    EXPECT_EQ(set.Item(3), nullptr);
    set.Remove(QStringLiteral("K5"));
    EXPECT_EQ(set.Item(1)->FileName(), QStringLiteral("c"));
    set.Clear();
    EXPECT_EQ(set.Count(), 0);
}

TEST(FileOperations, CompareRenameAndSameFile)
{
    QTemporaryDir dir;
    auto write = [&](const QString &name, const QByteArray &bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return dir.filePath(name);
    };
    const QString a = write(QStringLiteral("a.jpg"), Bytes(1));
    const QString b = write(QStringLiteral("b.jpg"), Bytes(1));
    QByteArray late = Bytes(1);
    late[late.size() - 1] = char(late.at(late.size() - 1) ^ 1);
    const QString c = write(QStringLiteral("c.jpg"), late);  // differs in the last block only
    const QString prefix = write(QStringLiteral("p.jpg"), Bytes(1).left(8192));
    const QString e1 = write(QStringLiteral("e1"), {});
    const QString e2 = write(QStringLiteral("e2"), {});
    EXPECT_TRUE(FilesIdentical(a, b));
    EXPECT_FALSE(FilesIdentical(a, c));
    EXPECT_FALSE(FilesIdentical(a, prefix)) << "a prefix is not a copy";
    EXPECT_TRUE(FilesIdentical(e1, e2));
    EXPECT_FALSE(FilesIdentical(a, dir.filePath(QStringLiteral("missing"))));

    // The same file by a hard link and through a linked directory.
    ASSERT_EQ(::link(QFile::encodeName(a).constData(),
                  QFile::encodeName(dir.filePath(QStringLiteral("hard.jpg"))).constData()),
        0);
    ASSERT_TRUE(QFile::link(dir.path(), dir.filePath(QStringLiteral("via"))));
    EXPECT_TRUE(SameFile(a, dir.filePath(QStringLiteral("hard.jpg"))));
    EXPECT_TRUE(SameFile(a, dir.filePath(QStringLiteral("via/a.jpg"))));
    EXPECT_FALSE(SameFile(a, b));
    EXPECT_FALSE(CBinaries::CompareFiles(a, dir.filePath(QStringLiteral("hard.jpg"))));
    EXPECT_TRUE(CBinaries::CompareFiles(a, b));

    // Renames never replace a file, and take any name the file system takes.
    const FileOpResult onto = RenameFile(a, b);
    EXPECT_FALSE(onto.ok);
    EXPECT_FALSE(onto.reason.isEmpty());
    EXPECT_TRUE(FilesIdentical(b, dir.filePath(QStringLiteral("hard.jpg")))) << "b untouched";
    EXPECT_TRUE(QFileInfo::exists(a));
    const QString odd = dir.filePath(QStringLiteral("Zoë's \"beste\" foto's.jpg"));
    EXPECT_TRUE(RenameFile(a, odd).ok);
    EXPECT_TRUE(QFileInfo::exists(odd));
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_FALSE(RenameFile(a, dir.filePath(QStringLiteral("x.jpg"))).ok) << "source gone";
}

TEST(FileOperations, TrashPlainRemovalAndATrashThatCannotTakeTheFile)
{
    TrashHome trash;
    QTemporaryDir dir;
    auto write = [&](const QString &name) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
        return dir.filePath(name);
    };
    const QString first = write(QStringLiteral("één.jpg"));
    EXPECT_TRUE(DeleteFile(first, true).ok);
    EXPECT_FALSE(QFileInfo::exists(first));
    ASSERT_EQ(trash.trashedFiles(), QStringList { QStringLiteral("één.jpg") });
    EXPECT_EQ(trash.originalPathOf(QStringLiteral("één.jpg")), first) << "restorable";

    const QString second = write(QStringLiteral("b.jpg"));
    EXPECT_TRUE(DeleteFile(second, false).ok);
    EXPECT_FALSE(QFileInfo::exists(second));
    EXPECT_EQ(trash.trashedFiles().size(), 1) << "without undo nothing goes to the trash";

    const QString third = write(QStringLiteral("c.jpg"));
    trash.breakTrash();
    const FileOpResult refused = DeleteFile(third, true);
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.reason.contains(QStringLiteral("trash")));
    EXPECT_TRUE(QFileInfo::exists(third)) << "never a silent permanent delete";
    EXPECT_FALSE(DeleteFile(dir.filePath(QStringLiteral("gone.jpg")), false).ok);
}

TEST(Autodelete, IdenticalTripletKeepsTheNameRulesChoiceAndCountsTheRest)
{
    TrashHome trash;
    ReviewLibrary library;
    const QByteArray same = Bytes(7);
    const std::int32_t a = library.addFile(QStringLiteral("a.jpg"), same, 40, 30);
    const std::int32_t a1 = library.addFile(QStringLiteral("a (1).jpg"), same, 40, 30);
    const std::int32_t holiday = library.addFile(QStringLiteral("holiday-a.jpg"), same, 40, 30);
    const std::int32_t near = library.addFile(QStringLiteral("near.jpg"), Bytes(8), 40, 30);
    CDuplicates &set = *Duplicates();
    set.Add({ a1, holiday, near }, a, 0, {});
    const qint64 before = FilesDeletedCounter();

    const AutodeleteResult result = RunOn(set);
    EXPECT_EQ(result.outcome, RunOutcome::Completed);
    EXPECT_EQ(result.deleted, 2);
    EXPECT_EQ(trash.trashedFiles(), (QStringList { "a (1).jpg", "a.jpg" }));
    EXPECT_TRUE(QFileInfo::exists(library.directory() + QStringLiteral("/holiday-a.jpg")));
    EXPECT_TRUE(QFileInfo::exists(library.directory() + QStringLiteral("/near.jpg")))
        << "same size and dimensions, other bytes";
    EXPECT_FALSE(RecordExists(a));
    EXPECT_FALSE(RecordExists(a1));
    EXPECT_TRUE(RecordExists(holiday));
    EXPECT_TRUE(RecordExists(near));
    EXPECT_EQ(FilesDeletedCounter(), before + 2);
    ASSERT_EQ(result.removals.size(), 2);
    for (const BinaryRemoval &removal : result.removals) {
        EXPECT_TRUE(removal.done);
        EXPECT_TRUE(removal.kept.endsWith(QStringLiteral("/holiday-a.jpg")));
    }
    // holiday-a and near remain: the group stays.
    EXPECT_EQ(result.groupsRemoved, 0);
    EXPECT_EQ(result.groupsLeft, 1);
    EXPECT_EQ(AutodeleteReportText(result),
        Text(781) + "2" + QChar(13) + QChar(13) + Text(782) + "0" + QChar(13) + Text(783) + "1");
}

TEST(Autodelete, AcrossDirectoriesPrunesGroupsAndDryRunTouchesNothing)
{
    TrashHome trash;
    ReviewLibrary library;
    TwoDirectories dirs(library);
    const QByteArray same = Bytes(11);
    const std::int32_t x = library.addFile(QStringLiteral("x.png"), same, 64, 64);
    const std::int32_t y = dirs.add(QStringLiteral("holiday.png"), same, 64, 64);
    const std::int32_t p = library.addFile(QStringLiteral("p.png"), Bytes(12), 64, 64);
    const std::int32_t q = dirs.add(QStringLiteral("q.png"), Bytes(13), 64, 64);
    CDuplicates &set = *Duplicates();
    set.Add({ y }, x, 0, {});
    set.Add({ q }, p, 0, {});

    const AutodeleteResult plan = RunOn(set, true, true);
    EXPECT_EQ(plan.deleted, 0);
    ASSERT_EQ(plan.removals.size(), 1);
    EXPECT_FALSE(plan.removals[0].done);
    EXPECT_TRUE(plan.removals[0].reason.isEmpty()) << "planned, not refused";
    EXPECT_TRUE(plan.removals[0].removed.endsWith(QStringLiteral("/x.png")));
    EXPECT_TRUE(QFileInfo::exists(library.directory() + QStringLiteral("/x.png")));
    EXPECT_TRUE(RecordExists(x));
    EXPECT_EQ(set.Count(), 2);

    const AutodeleteResult result = RunOn(set);
    EXPECT_EQ(result.deleted, 1);
    EXPECT_EQ(trash.trashedFiles(), QStringList { QStringLiteral("x.png") });
    EXPECT_TRUE(QFileInfo::exists(dirs.other + QStringLiteral("/holiday.png")));
    EXPECT_EQ(result.groupsRemoved, 1);
    EXPECT_EQ(result.groupsLeft, 1);
    EXPECT_EQ(set.Item(1).lSource(), p);

    // Nothing identical left: message 780.
    const AutodeleteResult again = RunOn(set);
    EXPECT_EQ(again.deleted, 0);
    EXPECT_EQ(AutodeleteReportText(again), Text(780));
}

TEST(Autodelete, NeverTakesOneFileForItsOwnCopy)
{
    TrashHome trash;
    ReviewLibrary library;
    // The images directory once more, through a symbolic link.
    const QString linked = QFileInfo(library.directory()).dir().filePath(QStringLiteral("linked"));
    ASSERT_TRUE(QFile::link(library.directory(), linked));
    TwoDirectories viaLink(library, linked);
    const QByteArray bytes = Bytes(21);
    const std::int32_t original = library.addFile(QStringLiteral("only.jpg"), bytes, 10, 10);
    const std::int32_t sameFile = viaLink.add(QStringLiteral("only.jpg"), bytes, 10, 10);
    // A hard-link pair.
    const std::int32_t first = library.addFile(QStringLiteral("hard1.jpg"), Bytes(22), 10, 10);
    ASSERT_EQ(
        ::link(QFile::encodeName(library.directory() + QStringLiteral("/hard1.jpg")).constData(),
            QFile::encodeName(library.directory() + QStringLiteral("/hard2.jpg")).constData()),
        0);
    ImageFileInfo image;
    image.Directory = library.directory();
    image.FileName = QStringLiteral("hard2.jpg");
    image.FileSize = 20000;
    image.DimX = 10;
    image.DimY = 10;
    ASSERT_TRUE(StoreImageData(
        library.collectionId(), library.itemId(), image, { 1, 2, 3 }, {}, QByteArray(64, '0')));
    const std::int32_t second = std::int32_t(AppDb().fileData->lastModified());

    CDuplicates &set = *Duplicates();
    set.Add({ sameFile }, original, 0, {});
    set.Add({ second }, first, 0, {});
    const AutodeleteResult result = RunOn(set);
    EXPECT_EQ(result.deleted, 0);
    EXPECT_TRUE(trash.trashedFiles().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(library.directory() + QStringLiteral("/only.jpg")));
    EXPECT_TRUE(QFileInfo::exists(library.directory() + QStringLiteral("/hard1.jpg")));
    EXPECT_TRUE(QFileInfo::exists(library.directory() + QStringLiteral("/hard2.jpg")));
    for (const std::int32_t id : { original, sameFile, first, second })
        EXPECT_TRUE(RecordExists(id)) << id;
}

TEST(Autodelete, RechecksJustBeforeRemovingAndKeepsFilesItCannotTrash)
{
    TrashHome trash;
    ReviewLibrary library;
    const QByteArray same = Bytes(31);
    const std::int32_t keep = library.addFile(QStringLiteral("keeper-long-name.jpg"), same, 5, 5);
    const std::int32_t copy = library.addFile(QStringLiteral("copy.jpg"), same, 5, 5);
    const QString keeperPath = library.directory() + QStringLiteral("/keeper-long-name.jpg");
    const QString copyPath = library.directory() + QStringLiteral("/copy.jpg");

    struct Row {
        const char *name;
        std::function<void()> between;  // runs between the comparison and the removal
        const char *reason;  // part of the reason given
        int textId;  // the reason shown to the user
    } rows[] = {
        { "keeper changed",
            [&] {
                QFile file(keeperPath);
                file.open(QIODevice::ReadWrite);
                file.seek(100);
                file.write("changed");
            },
            "no longer identical", 1993 },
        { "keeper gone", [&] { QFile::remove(keeperPath); }, "no longer exists", 1991 },
        { "no trash", [&] { trash.breakTrash(); }, "trash", 1953 },
    };
    for (const Row &row : rows) {
        QFile::remove(keeperPath);
        QFile file(keeperPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(same);
        file.close();
        const qint64 counted = FilesDeletedCounter();
        CBinaries set;
        set.Add(QStringLiteral("keeper-long-name.jpg"), library.directory(), same.size(), 5, 5,
            keep, QStringLiteral("K%1").arg(keep));
        set.Add(QStringLiteral("copy.jpg"), library.directory(), same.size(), 5, 5, copy,
            QStringLiteral("K%1").arg(copy));
        EXPECT_EQ(set.FindIdenticalFiles(), 1) << row.name;
        set.MarkFilesToDelete();
        row.between();
        QList<BinaryRemoval> removals;
        EXPECT_EQ(set.DeleteMarkedFiles(true, false, &removals), 0) << row.name;
        ASSERT_EQ(removals.size(), 1) << row.name;
        EXPECT_TRUE(removals[0].reason.contains(QLatin1String(row.reason)))
            << row.name << ": " << removals[0].reason.toStdString();
        EXPECT_EQ(removals[0].reasonText, Text(row.textId)) << row.name;
        EXPECT_TRUE(QFileInfo::exists(copyPath)) << row.name;
        EXPECT_TRUE(RecordExists(copy)) << row.name;
        EXPECT_EQ(FilesDeletedCounter(), counted) << row.name;
    }
}

TEST(Autodelete, SkipsGroupsWithoutSourceAndRemovesTheArrivingCopy)
{
    TrashHome trash;
    ReviewLibrary library;
    const QByteArray same = Bytes(41);
    // Source record gone: the group is skipped, its identical files stay.
    const std::int32_t gone = library.addFile(QStringLiteral("gone.jpg"), same, 8, 8);
    const std::int32_t d1 = library.addFile(QStringLiteral("d1.jpg"), same, 8, 8);
    const std::int32_t d2 = library.addFile(QStringLiteral("d2.jpg"), same, 8, 8);
    library.deleteRecord(gone);
    // A file from the instant check, identical to a database file.
    const QByteArray arriving = Bytes(42);
    const std::int32_t stored = library.addFile(QStringLiteral("a.jpg"), arriving, 9, 9);
    QTemporaryDir incoming;
    QFile copy(incoming.filePath(QStringLiteral("a-much-longer-name.jpg")));
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
    copy.write(arriving);
    copy.close();

    CDuplicates &set = *Duplicates();
    set.Add({ d1, d2, d2 }, gone, 0, {});  // an id twice is looked at once
    set.Add({ stored }, -1, 3, {});
    AutodeleteOptions options;
    options.memory = [&](int position) -> std::optional<MemorySourceFile> {
        if (position != 3)
            return std::nullopt;
        return MemorySourceFile { incoming.path(), QStringLiteral("a-much-longer-name.jpg"),
            arriving.size(), 9, 9 };
    };
    const AutodeleteResult result = IntelligentAutodeleteRun(set, *Binaries(), options);
    EXPECT_EQ(result.deleted, 1);
    EXPECT_FALSE(QFileInfo::exists(copy.fileName())) << "the arriving copy goes";
    EXPECT_TRUE(QFileInfo::exists(library.directory() + QStringLiteral("/a.jpg")));
    EXPECT_TRUE(RecordExists(stored));
    EXPECT_TRUE(QFileInfo::exists(library.directory() + QStringLiteral("/d1.jpg")));
    EXPECT_TRUE(QFileInfo::exists(library.directory() + QStringLiteral("/d2.jpg")));
    // The sourceless group still has two records; the memory group has one
    // database file left and its source is gone.
    EXPECT_EQ(result.groupsRemoved, 1);
    EXPECT_EQ(result.groupsLeft, 1);
}

TEST(Autodelete, AllowUndoOffRemovesOutrightAndCancelStopsBetweenGroups)
{
    TrashHome trash;
    ReviewLibrary library;
    CDuplicates &set = *Duplicates();
    for (int g = 0; g < 4; ++g) {
        const QByteArray same = Bytes(50 + g);
        const std::int32_t source
            = library.addFile(QStringLiteral("long-source-%1.jpg").arg(g), same, 3, 3);
        const std::int32_t copy = library.addFile(QStringLiteral("c%1.jpg").arg(g), same, 3, 3);
        set.Add({ copy }, source, 0, {});
    }
    // Cancelled after the second group has been examined.
    struct CancelAfter : RunObserver {
        mutable int asked = 0;
        bool isCancelled() const override { return ++asked > 2; }
        void finished(const RunResult &, const RunProgress &) override { ++ended; }
        int ended = 0;
    } observer;
    AutodeleteOptions options;
    options.allowUndo = false;
    const AutodeleteResult result = IntelligentAutodeleteRun(set, *Binaries(), options, &observer);
    EXPECT_EQ(result.outcome, RunOutcome::Cancelled);
    EXPECT_EQ(result.deleted, 2);
    EXPECT_EQ(result.groupsExamined, 2);
    EXPECT_EQ(observer.ended, 1);
    EXPECT_TRUE(trash.trashedFiles().isEmpty()) << "AllowUndo off: no trash";
    EXPECT_FALSE(QFileInfo::exists(library.directory() + QStringLiteral("/c0.jpg")));
    EXPECT_FALSE(QFileInfo::exists(library.directory() + QStringLiteral("/c1.jpg")));
    EXPECT_TRUE(QFileInfo::exists(library.directory() + QStringLiteral("/c2.jpg")));
    EXPECT_EQ(result.groupsRemoved, 2) << "what was done is pruned";
    EXPECT_EQ(set.Count(), 2);
}

}  // namespace

namespace {

QString CliPath()
{
    return qEnvironmentVariable("VEXA_TEST_TOOLS") + QStringLiteral("/bin/vexa-cli");
}

struct CliRun {
    int status = -1;
    QStringList lines;
};

CliRun RunCli(const QStringList &args)
{
    QProcess process;
    process.start(CliPath(), QStringList { QStringLiteral("--data"), ProgramDirectory() } + args);
    EXPECT_TRUE(process.waitForFinished(60000)) << args.join(' ').toStdString();
    CliRun run;
    run.status = process.exitCode();
    run.lines = QString::fromUtf8(process.readAllStandardOutput())
                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return run;
}

}  // namespace

TEST(AutodeleteCli, DryRunThenTheRunOnTheSavedSet)
{
    if (!QFile::exists(CliPath()))
        GTEST_SKIP() << "vexa-cli not built at " << CliPath().toStdString();
    TrashHome trash;
    ReviewLibrary library;
    const QByteArray same = Bytes(61);
    const std::int32_t a = library.addFile(QStringLiteral("a.jpg"), same, 4, 4);
    const std::int32_t a1 = library.addFile(QStringLiteral("a (1).jpg"), same, 4, 4);
    const std::int32_t holiday = library.addFile(QStringLiteral("holiday-a.jpg"), same, 4, 4);
    const std::int32_t p = library.addFile(QStringLiteral("p.jpg"), Bytes(62), 4, 4);
    const std::int32_t q = library.addFile(QStringLiteral("q.jpg"), Bytes(63), 4, 4);
    CDuplicates &set = *Duplicates();
    set.Add({ a1, holiday }, a, 0, {});
    set.Add({ q }, p, 0, {});
    ASSERT_TRUE(DuplicateSave(set));

    CliRun plan = RunCli(
        { QStringLiteral("autodelete"), QStringLiteral("--dry-run"), QStringLiteral("--json") });
    EXPECT_EQ(plan.status, 0);
    ASSERT_EQ(plan.lines.size(), 3) << plan.lines.join('\n').toStdString();
    for (int i = 0; i < 2; ++i) {
        const QJsonObject line = QJsonDocument::fromJson(plan.lines[i].toUtf8()).object();
        EXPECT_EQ(line.value(QStringLiteral("action")).toString(), QStringLiteral("would remove"));
        EXPECT_EQ(line.value(QStringLiteral("keptId")).toInt(), holiday);
    }
    EXPECT_TRUE(QFileInfo::exists(library.directory() + QStringLiteral("/a.jpg")));
    EXPECT_TRUE(RecordExists(a));
    EXPECT_EQ(AppDb().duplicates->recordCount(), 2);

    CliRun done = RunCli({ QStringLiteral("autodelete") });
    EXPECT_EQ(done.status, 0);
    ASSERT_EQ(done.lines.size(), 3) << done.lines.join('\n').toStdString();
    EXPECT_TRUE(done.lines[0].startsWith(QStringLiteral("removed\t")));
    EXPECT_TRUE(done.lines[0].endsWith(QStringLiteral("/holiday-a.jpg")));
    EXPECT_EQ(
        done.lines[2], QStringLiteral("2 files deleted, 1 groups removed, 1 groups remaining"));
    EXPECT_EQ(trash.trashedFiles(), (QStringList { "a (1).jpg", "a.jpg" }));
    AppDb().fileData->requery();
    EXPECT_FALSE(RecordExists(a));
    EXPECT_FALSE(RecordExists(a1));
    AppDb().duplicates->requery();
    EXPECT_EQ(AppDb().duplicates->recordCount(), 1) << "the pruned set is saved";

    // Nothing left to remove still ran: status 0.
    CliRun again = RunCli({ QStringLiteral("autodelete"), QStringLiteral("--json") });
    EXPECT_EQ(again.status, 0);
    ASSERT_EQ(again.lines.size(), 1);
    EXPECT_EQ(QJsonDocument::fromJson(again.lines[0].toUtf8())
                  .object()
                  .value(QStringLiteral("summary"))
                  .toObject()
                  .value(QStringLiteral("deleted"))
                  .toInt(-1),
        0);
    EXPECT_EQ(RunCli({ QStringLiteral("autodelete"), QStringLiteral("--bogus") }).status, 2);
}

// Saving, loading and clearing the duplicate set against a real database.
#include "reviewfixture.h"

#include "app/appobjects.h"
#include "base/run.h"
#include "db/appdatabase.h"
#include "db/records.h"
#include "db/sqlite.h"
#include "narration/duplicateset.h"
#include "review/duplicatepersistence.h"
#include "support/qtprinters.h"

#include <gtest/gtest.h>

using namespace vexa;
using vexa::test::ReviewLibrary;

namespace {

struct StoredRow {
    qlonglong master;
    QString duplicates;
    bool operator==(const StoredRow &) const = default;
};

std::ostream &operator<<(std::ostream &os, const StoredRow &row)
{
    return os << row.master << " " << row.duplicates.toStdString();
}

std::vector<StoredRow> storedRows()
{
    std::vector<StoredRow> rows;
    Statement statement(AppDb().db->connection().handle(),
        QStringLiteral("SELECT MasterId, Duplicates FROM Duplicate ORDER BY rowid"));
    while (statement.step())
        rows.push_back({ statement.column(0).toLongLong(), statement.column(1).toString() });
    return rows;
}

// Record ids 1..n, each with a file.
void addRecords(ReviewLibrary &library, int n)
{
    for (int i = 1; i <= n; ++i)
        ASSERT_EQ(library.addRecordOnly(QStringLiteral("f%1.png").arg(i)), i);
}

struct Progress : RunObserver {
    qint64 total = -1;
    qint64 finalDone = -1;
    int ended = 0;
    void started(const RunProgress &p) override { total = p.total; }
    void finished(const RunResult &, const RunProgress &p) override
    {
        ++ended;
        finalDone = p.done;
    }
};

}  // namespace

TEST(IdListText, FormatsAndParses)
{
    struct Row {
        const char *name;
        QList<std::int32_t> ids;
        const char *text;
    };
    const Row rows[] = {
        { "two ids", { 12, 40 }, "12|40|" },
        { "empty", {}, "" },
        { "one", { 7 }, "7|" },
        { "negative and extremes", { -1, 2147483647, -2147483647 - 1 },
            "-1|2147483647|-2147483648|" },
    };
    for (const Row &row : rows) {
        EXPECT_EQ(FormatIdList(row.ids), QString::fromLatin1(row.text)) << row.name;
        EXPECT_EQ(ParseIdList(QString::fromLatin1(row.text)), row.ids) << row.name;
    }
}

TEST(IdListText, MalformedPiecesAreSkipped)
{
    struct Row {
        const char *name;
        const char *text;
        QList<std::int32_t> ids;
    };
    const Row rows[] = {
        { "text after the last bar ignored", "12|40", { 12 } },
        { "no bar at all", "12", {} },
        { "letters between bars", "12|x|40|", { 12, 40 } },
        { "empty piece", "12||40|", { 12, 40 } },
        { "only bars", "|||", {} },
        { "beyond 32 bits", "99999999999|5|", { 5 } },
        { "fraction", "1.5|6|", { 6 } },
        { "blanks around a number", " 8 |9|", { 8, 9 } },
        { "empty text", "", {} },
    };
    for (const Row &row : rows)
        EXPECT_EQ(ParseIdList(QString::fromLatin1(row.text)), row.ids) << row.name;
}

TEST(DuplicatePersistence, SavesSourceSevenWithTwelveAndFortyAndLoadsItBack)
{
    ReviewLibrary library;
    addRecords(library, 40);
    CDuplicates &set = *Duplicates();
    set.Add({ 12, 40 }, 7, 0, QString());
    set.Add({ 3 }, 2, 0, QString());
    Progress progress;
    ASSERT_TRUE(DuplicateSave(set, &progress));
    EXPECT_EQ(storedRows(), (std::vector<StoredRow> { { 7, "12|40|" }, { 2, "3|" } }));
    EXPECT_EQ(progress.total, 2);
    EXPECT_EQ(progress.finalDone, 2);
    EXPECT_EQ(progress.ended, 1);

    // Two of the three records of the first group are enough.
    library.deleteRecord(12);
    set.Clear();
    set.Add({ 1 }, 5, 0, QString());
    ASSERT_EQ(DuplicateLoad(set), 2);
    ASSERT_EQ(set.Count(), 2);
    EXPECT_EQ(set.Item(1).lSource(), 7);
    EXPECT_EQ(set.Item(1).lFileID(), (QList<std::int32_t> { 12, 40 }))
        << "missing ids stay in the group";
    EXPECT_EQ(set.Item(1).MemLoadPos(), 0);
    EXPECT_TRUE(set.Item(1).Key().startsWith(QLatin1Char('K')));
    EXPECT_EQ(set.Item(2).lSource(), 2);
    EXPECT_EQ(storedRows().size(), 2u) << "loading leaves the table as it was";
    EXPECT_EQ(library.messages().count(), 0);
}

TEST(DuplicatePersistence, GroupsWithFewerThanTwoRecordsLeftAreDropped)
{
    ReviewLibrary library;
    addRecords(library, 6);
    CDuplicates &set = *Duplicates();
    set.Add({ 2, 3 }, 1, 0, QString());  // source and one duplicate gone
    set.Add({ 5, 6 }, 4, 0, QString());  // source gone, both duplicates left
    set.Add({ 2 }, 3, 0, QString());  // nothing left
    ASSERT_TRUE(DuplicateSave(set));
    library.deleteRecord(1);
    library.deleteRecord(2);
    library.deleteRecord(3);
    library.deleteRecord(4);
    ASSERT_EQ(DuplicateLoad(set), 1);
    ASSERT_EQ(set.Count(), 1);
    EXPECT_EQ(set.Item(1).lSource(), 4);
    EXPECT_EQ(set.Item(1).lFileID(), (QList<std::int32_t> { 5, 6 }));
}

TEST(DuplicatePersistence, EmptyTableLeavesTheSetAlone)
{
    ReviewLibrary library;
    CDuplicates &set = *Duplicates();
    set.Add({ 12, 40 }, 7, 3, QString());
    Progress progress;
    EXPECT_EQ(DuplicateLoad(set, &progress), 0);
    ASSERT_EQ(set.Count(), 1);
    EXPECT_EQ(set.Item(1).MemLoadPos(), 3);
    EXPECT_EQ(progress.total, -1) << "no progress bar for an empty table";
}

TEST(DuplicatePersistence, SavingAnEmptySetEmptiesTheTable)
{
    ReviewLibrary library;
    addRecords(library, 3);
    CDuplicates &set = *Duplicates();
    set.Add({ 2, 3 }, 1, 0, QString());
    ASSERT_TRUE(DuplicateSave(set));
    set.Clear();
    ASSERT_TRUE(DuplicateSave(set));
    EXPECT_TRUE(storedRows().empty());
    EXPECT_EQ(AppDb().duplicates->recordCount(), 0) << "the record set sees the new content";
}

TEST(DuplicatePersistence, MemorySourceComesBackWithPositionZeroAndNoSource)
{
    ReviewLibrary library;
    addRecords(library, 40);
    CDuplicates &set = *Duplicates();
    set.Add({ 12, 40 }, -1, 5, QString());
    set.Add({ 1, 2 }, 3, 0, QString());
    ASSERT_TRUE(DuplicateSave(set));
    EXPECT_EQ(storedRows().front(), (StoredRow { -1, "12|40|" }));
    EXPECT_FALSE(MemorySourceLostOnLoad(set.Item(1))) << "a memory group of this session";
    ASSERT_EQ(DuplicateLoad(set), 2);
    EXPECT_EQ(set.Item(1).lSource(), -1);
    EXPECT_EQ(set.Item(1).MemLoadPos(), 0);
    EXPECT_TRUE(MemorySourceLostOnLoad(set.Item(1)));
    EXPECT_FALSE(MemorySourceLostOnLoad(set.Item(2)));
    // A memory group made afterwards is a real one again.
    set.Clear();
    set.Add({ 12, 40 }, -1, 0, QString());
    EXPECT_FALSE(MemorySourceLostOnLoad(set.Item(1)) && set.Item(1).Key().isEmpty());
}

TEST(DuplicatePersistence, MemorySourceWithOneDuplicateLeftIsDropped)
{
    ReviewLibrary library;
    addRecords(library, 3);
    CDuplicates &set = *Duplicates();
    set.Add({ 2, 3 }, -1, 0, QString());
    ASSERT_TRUE(DuplicateSave(set));
    library.deleteRecord(3);
    EXPECT_EQ(DuplicateLoad(set), 0);
    EXPECT_EQ(set.Count(), 0) << "the table had a row, so the set was replaced";
}

TEST(DuplicatePersistence, FailedSaveKeepsTheRowsOfTheSaveBefore)
{
    ReviewLibrary library;
    addRecords(library, 6);
    CDuplicates &set = *Duplicates();
    set.Add({ 2, 3 }, 1, 0, QString());
    ASSERT_TRUE(DuplicateSave(set));
    AppDb().db->Execute(
        QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Duplicate WHEN NEW.MasterId = 5 "
                       "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
    set.Clear();
    set.Add({ 6 }, 4, 0, QString());
    set.Add({ 6 }, 5, 0, QString());
    Progress progress;
    EXPECT_FALSE(DuplicateSave(set, &progress));
    ASSERT_EQ(library.messages().count(), 1);
    EXPECT_TRUE(library.messages().last().text.contains(QStringLiteral("frmVEXA - DuplicateSave")))
        << library.messages().last().text.toStdString();
    EXPECT_EQ(progress.ended, 1) << "the progress bar is hidden after a failure";
    EXPECT_EQ(storedRows(), (std::vector<StoredRow> { { 1, "2|3|" } }));
    EXPECT_EQ(AppDb().duplicates->recordCount(), 1);
    // And the old set still loads.
    ASSERT_EQ(DuplicateLoad(set), 1);
    EXPECT_EQ(set.Item(1).lSource(), 1);
}

TEST(DuplicatePersistence, ClearEmptiesSetAndTable)
{
    ReviewLibrary library;
    addRecords(library, 3);
    CDuplicates &set = *Duplicates();
    set.Add({ 2, 3 }, 1, 0, QString());
    ASSERT_TRUE(DuplicateSave(set));
    ASSERT_TRUE(DuplicateClear(set));
    EXPECT_EQ(set.Count(), 0);
    EXPECT_TRUE(storedRows().empty());
    EXPECT_EQ(DuplicateLoad(set), 0);
}

TEST(DuplicatePersistence, DamagedRowLoadsWhatCanBeRead)
{
    ReviewLibrary library;
    addRecords(library, 4);
    AppDb().db->Execute(QStringLiteral(
        "INSERT INTO Duplicate (MasterId, Duplicates) VALUES (1, '2|junk|3|'), (NULL, 'x|y')"));
    AppDb().duplicates->requery();
    CDuplicates &set = *Duplicates();
    ASSERT_EQ(DuplicateLoad(set), 1);
    EXPECT_EQ(set.Item(1).lFileID(), (QList<std::int32_t> { 2, 3 }));
    EXPECT_EQ(library.messages().count(), 0);
}

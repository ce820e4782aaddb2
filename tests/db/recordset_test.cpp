#include <functional>
// The record layer over a real database file: dynaset navigation, the Jet
// criteria the program writes, adding, editing, deleting, bookmarks and
// snapshots.
#include "base/errors.h"
#include "db/appdatabase.h"
#include "db/recordset.h"
#include "support/qtprinters.h"
#include "support/tempdatadir.h"

#include <gtest/gtest.h>

using namespace vexa;

namespace {

Database &db()
{
    return *AppDb().db;
}

void addFile(int collectionId, int itemId, const QString &name)
{
    RecordSet &files = *AppDb().fileData;
    files.addNew();
    files.setValue(QStringLiteral("CollectionID"), collectionId);
    files.setValue(QStringLiteral("ItemID"), itemId);
    files.setValue(QStringLiteral("FileName"), name);
    files.update();
}

QStringList walk(RecordSet &rs, const QString &field)
{
    QStringList seen;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        seen.append(rs.value(field).toString());
    return seen;
}

long errorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const VexaError &e) {
        return e.number();
    }
    return 0;
}

}  // namespace

TEST(RecordSet, DynasetWalksBothWaysInKeyOrderAndSeesNewRows)
{
    test::TempDataDir data;
    RecordSet &files = *AppDb().fileData;
    EXPECT_TRUE(files.eof() && files.bof()) << "a new database has no FileData rows";
    for (const char *name : { "a.jpg", "b.jpg", "c.jpg" })
        addFile(1, 1, QString::fromLatin1(name));
    EXPECT_EQ(walk(files, QStringLiteral("FileName")), QStringList({ "a.jpg", "b.jpg", "c.jpg" }));
    EXPECT_TRUE(files.eof());
    EXPECT_FALSE(files.bof());

    files.moveLast();
    QStringList backwards;
    for (; !files.bof(); files.movePrevious())
        backwards.append(files.value(QStringLiteral("FileName")).toString());
    EXPECT_EQ(backwards, QStringList({ "c.jpg", "b.jpg", "a.jpg" }));
    EXPECT_EQ(errorOf([&] { files.movePrevious(); }), 3021) << "moving before BOF";
    EXPECT_EQ(errorOf([&] { files.value(QStringLiteral("FileName")); }), 3021) << "reading at BOF";

    // A SELECT over one directory is a live dynaset too.
    addFile(1, 2, QStringLiteral("other.jpg"));
    RecordSet dir(db(), QStringLiteral("Select * from FileData where CollectionID=1 AND ItemId=1"));
    EXPECT_TRUE(dir.isUpdatable());
    EXPECT_EQ(dir.recordCount(), 3);
    addFile(1, 1, QStringLiteral("d.jpg"));
    EXPECT_EQ(
        walk(dir, QStringLiteral("FileName")), QStringList({ "a.jpg", "b.jpg", "c.jpg", "d.jpg" }));
    EXPECT_EQ(errorOf([&] { dir.value(QStringLiteral("NoSuchField")); }), 3265);
}

TEST(RecordSet, FindFirstUnderstandsTheCriteriaTheProgramWrites)
{
    test::TempDataDir data;
    for (int i = 1; i <= 6; ++i)
        addFile(1, 1, QStringLiteral("f%1.jpg").arg(i));
    db().Execute(QStringLiteral("INSERT INTO Collection (Naam) VALUES ('Holiday')"));
    db().Execute(
        QStringLiteral("INSERT INTO CollectionItem (CollectionID, Path) VALUES (3, '/img/Cats')"));

    struct Row {
        const char *name;
        RecordSet *set;
        const char *criterion;
        bool found;
    };
    RecordSet &files = *AppDb().fileData;
    RecordSet &collections = *AppDb().collections;
    RecordSet &items = *AppDb().collectionItems;
    const Row rows[] = {
        { "ID=5", &files, "ID=5", true },
        { "ID =5", &files, "ID =5", true },
        { "absent id", &files, "ID=77", false },
        { "name exact", &collections, "Naam='Holiday'", true },
        { "name ignores case", &collections, "Naam='hOLIDAY'", true },
        { "name is whole", &collections, "Naam='Holi'", false },
        { "path exact", &items, "CollectionID=3 AND Path='/img/Cats'", true },
        { "path keeps case", &items, "CollectionID=3 AND Path='/img/cats'", false },
        { "path of another collection", &items, "CollectionID=4 AND Path='/img/Cats'", false },
    };
    for (const Row &row : rows) {
        row.set->moveFirst();
        EXPECT_EQ(row.set->findFirst(QString::fromLatin1(row.criterion)), row.found) << row.name;
        EXPECT_EQ(row.set->noMatch(), !row.found) << row.name;
    }
    ASSERT_TRUE(files.findFirst(QStringLiteral("ID=5")));
    EXPECT_EQ(files.value(QStringLiteral("FileName")).toString(), QStringLiteral("f5.jpg"));
    EXPECT_FALSE(files.findFirst(QStringLiteral("ID=99")));
    EXPECT_EQ(files.value(QStringLiteral("ID")).toInt(), 5) << "a failed find keeps the position";
    ASSERT_TRUE(files.findFirst(QStringLiteral("ItemID=1")));
    ASSERT_TRUE(files.findNext(QStringLiteral("ItemID=1")));
    EXPECT_EQ(files.value(QStringLiteral("ID")).toInt(), 2);
}

TEST(RecordSet, AddNewShowsTheKeyBeforeUpdateAndNeverReusesOne)
{
    test::TempDataDir data;
    RecordSet &items = *AppDb().collectionItems;
    QList<qint64> keys;
    for (const char *path : { "/a", "/b", "/c" }) {
        items.addNew();
        const qint64 announced = items.value(QStringLiteral("ItemID")).toLongLong();
        items.setValue(QStringLiteral("CollectionID"), 1);
        items.setValue(QStringLiteral("Path"), QString::fromLatin1(path));
        items.update();
        EXPECT_EQ(items.lastModified(), announced) << path;
        keys.append(announced);
    }
    EXPECT_EQ(keys, QList<qint64>({ 1, 2, 3 }));
    // Deleting the newest row must not hand its key out again: saved
    // duplicate sets and FileData rows refer to keys.
    ASSERT_TRUE(items.findFirst(QStringLiteral("ItemID=3")));
    items.remove();
    items.addNew();
    EXPECT_EQ(items.value(QStringLiteral("ItemID")).toLongLong(), 4);
    items.setValue(QStringLiteral("Path"), QStringLiteral("/d"));
    items.update();
    RecordSet check(db(), QStringLiteral("SELECT ItemID FROM CollectionItem WHERE Path='/d'"),
        RecordSetType::Snapshot, kReadOnlyOption);
    EXPECT_EQ(check.value(0).toLongLong(), 4);
}

TEST(RecordSet, EditUpdateAndAFailedUpdateLeavesTheRow)
{
    test::TempDataDir data;
    RecordSet &sys = *AppDb().sysInfo;
    sys.moveFirst();
    sys.edit();
    sys.setValue(QStringLiteral("ThumbSize"), 7);
    EXPECT_EQ(sys.value(QStringLiteral("ThumbSize")).toInt(), 7) << "reads the edit buffer";
    sys.update();
    EXPECT_EQ(db().connection().scalar(QStringLiteral("SELECT ThumbSize FROM SysInfo")).toInt(), 7);

    sys.edit();
    sys.setValue(QStringLiteral("ThumbSize"), 9);
    sys.setValue(QStringLiteral("DBVersion"), QVariant());  // NOT NULL: the update fails
    EXPECT_NE(errorOf([&] { sys.update(); }), 0);
    EXPECT_TRUE(sys.isEditing()) << "the buffer is kept for the caller to cancel";
    sys.cancelUpdate();
    EXPECT_EQ(sys.value(QStringLiteral("ThumbSize")).toInt(), 7);
    EXPECT_EQ(sys.value(QStringLiteral("DBVersion")).toInt(), 300);
    EXPECT_EQ(db().connection().scalar(QStringLiteral("SELECT ThumbSize FROM SysInfo")).toInt(), 7);

    EXPECT_EQ(errorOf([&] { sys.update(); }), 3020) << "update without edit";
    EXPECT_EQ(errorOf([&] {
        sys.edit();
        sys.setValue(QStringLiteral("ThumbSize"), QStringLiteral("big"));
    }),
        3421);
    sys.cancelUpdate();
}

TEST(RecordSet, RemoveLeavesNoCurrentRowUntilTheNextMove)
{
    test::TempDataDir data;
    for (const char *name : { "a", "b", "c" })
        addFile(1, 1, QString::fromLatin1(name));
    RecordSet &files = *AppDb().fileData;
    ASSERT_TRUE(files.findFirst(QStringLiteral("FileName='b'")));
    files.remove();
    EXPECT_EQ(errorOf([&] { files.value(QStringLiteral("FileName")); }), 3167);
    files.moveNext();
    EXPECT_EQ(files.value(QStringLiteral("FileName")).toString(), QStringLiteral("c"));
    EXPECT_EQ(walk(files, QStringLiteral("FileName")), QStringList({ "a", "c" }));
}

TEST(RecordSet, ExecuteRunsJetDeleteAndRequeryShowsTheChange)
{
    test::TempDataDir data;
    for (const char *name : { "a", "b" })
        addFile(1, 1, QString::fromLatin1(name));
    RecordSet &files = *AppDb().fileData;
    files.moveFirst();
    EXPECT_EQ(
        db().Execute(QStringLiteral("UPDATE FILEDATA  SET FILENAME = 'z' WHERE ID = 1"), 64), 1);
    files.requery();
    EXPECT_EQ(files.value(QStringLiteral("FileName")).toString(), QStringLiteral("z"));
    EXPECT_EQ(db().Execute(QStringLiteral("DELETE * FROM FILEDATA  WHERE ID = 1"), 64), 1);
    EXPECT_EQ(db().Execute(QStringLiteral("delete * from FileData"), 64), 1);
    files.requery();
    EXPECT_TRUE(files.eof() && files.bof());
    EXPECT_NE(errorOf([&] { db().Execute(QStringLiteral("DELETE * FROM NoSuchTable")); }), 0);
}

TEST(RecordSet, BookmarksReturnToARowAndFailForADeletedOne)
{
    test::TempDataDir data;
    for (const char *name : { "a", "b", "c" })
        addFile(1, 1, QString::fromLatin1(name));
    RecordSet &files = *AppDb().fileData;
    files.moveFirst();
    files.moveNext();
    const RecordSet::Bookmark b = files.bookmark();
    files.moveLast();
    files.setBookmark(b);
    EXPECT_EQ(files.value(QStringLiteral("FileName")).toString(), QStringLiteral("b"));
    files.moveNext();
    EXPECT_EQ(files.value(QStringLiteral("FileName")).toString(), QStringLiteral("c"));
    files.setBookmark(b);
    files.remove();
    files.moveFirst();
    EXPECT_NE(errorOf([&] { files.setBookmark(b); }), 0);

    RecordSet snap(db(), QStringLiteral("FileData"), RecordSetType::Snapshot, kReadOnlyOption);
    snap.moveLast();
    const RecordSet::Bookmark s = snap.bookmark();
    snap.moveFirst();
    snap.setBookmark(s);
    EXPECT_EQ(snap.value(QStringLiteral("FileName")).toString(), QStringLiteral("c"));
}

TEST(RecordSet, SnapshotIsReadOnlyAndDoesNotSeeLaterChanges)
{
    test::TempDataDir data;
    addFile(1, 1, QStringLiteral("a"));
    RecordSet snap(db(), QStringLiteral("FileData"), RecordSetType::Snapshot, kReadOnlyOption);
    EXPECT_FALSE(snap.isUpdatable());
    EXPECT_EQ(errorOf([&] { snap.edit(); }), 3027);
    EXPECT_EQ(errorOf([&] { snap.addNew(); }), 3027);
    EXPECT_EQ(errorOf([&] { snap.remove(); }), 3027);
    addFile(1, 1, QStringLiteral("b"));
    snap.moveLast();
    EXPECT_EQ(snap.recordCount(), 1);
    snap.requery();
    snap.moveLast();
    EXPECT_EQ(snap.recordCount(), 2);

    RecordSet count(db(),
        QStringLiteral(
            "Select Count(ID) as Aantal from FileData where CollectionID=1 AND ItemId=1"),
        RecordSetType::Snapshot, kReadOnlyOption);
    count.moveLast();
    EXPECT_EQ(count.value(QStringLiteral("Aantal")).toInt(), 2);
    RecordSet readOnly(db(), QStringLiteral("SELECT * FROM FILEDATA WHERE ID = 1"),
        RecordSetType::Dynaset, kReadOnlyOption);
    EXPECT_EQ(readOnly.value(QStringLiteral("FileName")).toString(), QStringLiteral("a"));
    EXPECT_EQ(errorOf([&] { readOnly.edit(); }), 3027);
}

TEST(RecordSet, SelectionWalkSeesRowsAddedAndDeletedDuringTheWalk)
{
    test::TempDataDir data;
    for (int i = 0; i < 6; ++i)
        addFile(1, i % 3, QStringLiteral("f%1").arg(i));  // IDs 1..6, items 0 1 2 0 1 2
    RecordSet sel(db(),
        QStringLiteral("SELECT * FROM FILEDATA  WHERE COLLECTIONID=1 AND ( ITEMID=00000001 OR  "
                       "ITEMID=00000002)"));
    EXPECT_EQ(sel.value(QStringLiteral("ID")).toInt(), 2);
    sel.moveNext();
    EXPECT_EQ(sel.value(QStringLiteral("ID")).toInt(), 3);
    db().Execute(QStringLiteral("DELETE * FROM FILEDATA  WHERE ID = 5"));  // the next one
    addFile(1, 2, QStringLiteral("late"));  // ID 7, through another set
    addFile(1, 0, QStringLiteral("not selected"));  // ID 8
    QList<int> rest;
    for (sel.moveNext(); !sel.eof(); sel.moveNext())
        rest.append(sel.value(QStringLiteral("ID")).toInt());
    EXPECT_EQ(rest, QList<int>({ 6, 7 })) << "deleted row passed over, new row found at the end";
    QList<int> back;
    for (sel.movePrevious(); !sel.bof(); sel.movePrevious())
        back.append(sel.value(QStringLiteral("ID")).toInt());
    EXPECT_EQ(back, QList<int>({ 7, 6, 3, 2 }));

    ASSERT_TRUE(sel.findFirst(QStringLiteral("FileName='f2'")));
    sel.moveNext();
    EXPECT_EQ(sel.value(QStringLiteral("ID")).toInt(), 6) << "a find moves the walk";
    EXPECT_EQ(sel.recordCount(), 4);
    sel.moveLast();
    EXPECT_EQ(sel.value(QStringLiteral("ID")).toInt(), 7);
    db().Execute(QStringLiteral("DELETE * FROM FILEDATA  WHERE ITEMID=1 OR ITEMID=2"));
    sel.requery();
    EXPECT_TRUE(sel.eof() && sel.bof());
}

#include <functional>
// Record procedures and SQL texts on a real database: the exact texts, and
// the values users type (quotes, percent signs, backslashes, other scripts)
// stored and found without changing any statement's meaning.
#include "base/errors.h"
#include "db/appdatabase.h"
#include "db/imagefileinfo.h"
#include "db/records.h"
#include "db/recordset.h"
#include "db/selectionsql.h"
#include "signature/signaturelib.h"
#include "support/qtprinters.h"
#include "support/scriptedmessages.h"
#include "support/tempdatadir.h"

#include "base/paths.h"

#include <gtest/gtest.h>

#include <ostream>

// Failure messages name the row by its text.
inline std::ostream &operator<<(std::ostream &os, const QString &text)
{
    return os << text.toStdString();
}

using namespace vexa;

namespace {

Database &db()
{
    return *AppDb().db;
}

QVariant scalar(const QString &sql)
{
    return db().connection().scalar(sql);
}

// Values a user may type or a file system may hold.
const QStringList &awkwardTexts()
{
    static const QStringList texts = {
        QStringLiteral("O'Brien"),
        QStringLiteral("''"),
        QStringLiteral("x' OR '1'='1"),
        QStringLiteral("say \"cheese\""),
        QStringLiteral("100% _done_"),
        QStringLiteral("back\\slash\\"),
        QStringLiteral("Ærø – 東京 ünïcødé"),
        QStringLiteral("semi; DROP TABLE FileData; --"),
        QStringLiteral("%1 %2 ?"),
    };
    return texts;
}

std::int64_t storeFile(
    std::int32_t collectionId, std::int64_t itemId, const QString &name, std::int64_t size = 100)
{
    ImageFileInfo image;
    image.FileName = name;
    image.FileSize = size;
    image.DimX = 10;
    image.DimY = 20;
    EXPECT_TRUE(StoreImageData(collectionId, itemId, image, { 1, 2, 3 }, {}, QByteArray(64, '0')))
        << name;
    return AppDb().fileData->lastModified();
}

}  // namespace

TEST(SqlText, BuiltExactlyBlanksIncluded)
{
    struct Row {
        const char *name;
        QString built;
        const char *expected;
    };
    const QList<DirectoryListItem> two = { { QStringLiteral("K00000005"), true },
        { QStringLiteral("K00000007"), false }, { QStringLiteral("K00000012"), true } };
    const QString sel = BuildSelectionSql(two, 3);
    const Row rows[] = {
        { "selection, two", sel,
            " WHERE COLLECTIONID=3 AND ( ITEMID=00000005 OR  ITEMID=00000012)" },
        { "selection, one", BuildSelectionSql({ { QStringLiteral("K00000001"), true } }, 2),
            " WHERE COLLECTIONID=2 AND ( ITEMID=00000001)" },
        { "delete file", DeleteFileDataSql(42), "DELETE * FROM FILEDATA  WHERE ID = 42" },
        { "rename file", RenameFileDataSql(7, QStringLiteral("it's.jpg")),
            "UPDATE FILEDATA  SET FILENAME = 'it''s.jpg' WHERE ID = 7" },
        { "delete item", DeleteItemFromCollectionSql(3, QStringLiteral("/a'b")),
            "DELETE * FROM CollectionItem Where CollectionID=3 AND Path='/a''b'" },
        { "clear duplicates", ClearDuplicateTableSql(), "DELETE * FROM DUPLICATE" },
        { "clear flags", ClearProcessingFlagsSql(), "UPDATE FILEDATA SET PROCESSED=FALSE" },
        { "mark one", MarkFileDataProcessedSql({ 42 }),
            "UPDATE FILEDATA SET PROCESSED=TRUE WHERE ID = 42" },
        { "mark two", MarkFileDataProcessedSql({ 7, 9 }),
            "UPDATE FILEDATA SET PROCESSED=TRUE WHERE ID = 7 OR  ID = 9" },
        { "file name", FileNameCriterion(QStringLiteral("a'b")), "FileName='a''b'" },
        { "collection name", CollectionNameCriterion(QStringLiteral("x")), "Naam='x'" },
        { "path", CollectionPathCriterion(3, QStringLiteral("/p")),
            "CollectionID=3 AND Path='/p'" },
        { "item", CollectionItemCriterion(3, 17), "CollectionID=3 AND ItemID=17" },
        { "id", FileIdCriterion(5), "ID=5" },
        { "id spaced", FileIdSpacedCriterion(5), "ID =5" },
        { "directory list", DirectoryListSql(3),
            "Select * from CollectionItem where CollectionId=3" },
        { "directory count", DirectoryImageCountSql(3, 17),
            "Select Count(ID) as Aantal from FileData where CollectionID=3 AND ItemId=17" },
        { "directory files", DirectoryFileDataSql(3, 17),
            "Select * from FileData where CollectionID=3 AND ItemId=17" },
        { "narration count", NarrationCountSql(sel),
            "SELECT Count(ID) FROM FILEDATA  WHERE COLLECTIONID=3 AND ( ITEMID=00000005 OR  "
            "ITEMID=00000012)" },
        { "memory", MemoryNarrationSql(), "SELECT * FROM FILEDATA" },
        { "memory size", MemoryQuickCheckSql(QuickCheck::Size, 1000, 0, 0),
            "SELECT * FROM FILEDATA  WHERE FileSize = 1000" },
        { "memory dimensions", MemoryQuickCheckSql(QuickCheck::Dimensions, 0, 640, 480),
            "SELECT * FROM FILEDATA  WHERE FileDimX = 640 AND FileDimY = 480" },
        { "memory both", MemoryQuickCheckSql(QuickCheck::SizeAndDimensions, 1000, 640, 480),
            "SELECT * FROM FILEDATA  WHERE FileSize = 1000 AND FileDimX = 640 AND FileDimY = 480" },
        { "binary", BinaryCompareSql(12), "SELECT * FROM FILEDATA WHERE ID = 12" },
        { "key", DirectoryKey(17), "K00000017" },
        { "key of a large id", DirectoryKey(123456789), "K123456789" },
    };
    for (const Row &row : rows)
        EXPECT_EQ(row.built, QString::fromUtf8(row.expected)) << row.name;
}

TEST(SqlText, RebuildForSqlDoublesEveryQuote)
{
    EXPECT_EQ(RebuildForSql(QString()), QString());
    EXPECT_EQ(RebuildForSql(QStringLiteral("plain")), QStringLiteral("plain"));
    EXPECT_EQ(RebuildForSql(QStringLiteral("it's")), QStringLiteral("it''s"));
    EXPECT_EQ(RebuildForSql(QStringLiteral("''")), QStringLiteral("''''"));
}

TEST(SqlText, EveryTextRunsOnTheDatabase)
{
    test::TempDataDir data;
    ASSERT_TRUE(AddNewCollectionToDB(QStringLiteral("c")));
    QString path = QStringLiteral("/d");
    const std::int64_t item = AddNewItemToCollection(1, path);
    const std::int64_t id = storeFile(1, item, QStringLiteral("a.jpg"), 1000);
    const QString sel = BuildSelectionSql({ { DirectoryKey(item), true } }, 1);
    const QString selects[] = {
        DirectoryListSql(1),
        DirectoryImageCountSql(1, item),
        DirectoryFileDataSql(1, item),
        NarrationCountSql(sel),
        MemoryNarrationSql(),
        MemoryQuickCheckSql(QuickCheck::SizeAndDimensions, 1000, 10, 20),
        BinaryCompareSql(id),
    };
    for (const QString &sql : selects) {
        RecordSet rs(db(), sql, RecordSetType::Snapshot, kReadOnlyOption);
        rs.moveLast();
        EXPECT_EQ(rs.recordCount(), 1) << sql.toStdString();
    }
    RecordSet count(
        db(), DirectoryImageCountSql(1, item), RecordSetType::Snapshot, kReadOnlyOption);
    EXPECT_EQ(count.value(QStringLiteral("Aantal")).toInt(), 1);
    const QString statements[] = { MarkFileDataProcessedSql({ id }), ClearProcessingFlagsSql(),
        RenameFileDataSql(id, "b"), ClearDuplicateTableSql(), DeleteFileDataSql(id),
        DeleteItemFromCollectionSql(1, path) };
    for (const QString &sql : statements)
        EXPECT_NO_THROW(db().Execute(sql, 64)) << sql.toStdString();
}

TEST(SqlText, DamagedDirectoryKeyIsReportedAndSelectsNothing)
{
    test::ScriptedMessages messages;
    const QString sql = BuildSelectionSql({ { QStringLiteral("K1 OR 1=1"), true } }, 4);
    EXPECT_TRUE(sql.isEmpty());
    ASSERT_EQ(messages.count(), 1);
    EXPECT_TRUE(
        messages.last().text.contains(QStringLiteral("modFunctions - BuildSelectionSql(*, 4)")))
        << messages.last().text;
}

TEST(Collections, NamesAreUniqueWithoutCaseAndKeepTheirQuotes)
{
    test::TempDataDir data;
    test::ScriptedMessages messages;
    for (const QString &name : awkwardTexts()) {
        EXPECT_TRUE(AddNewCollectionToDB(name)) << name;
        EXPECT_FALSE(AddNewCollectionToDB(name)) << "second time: " << name;
        EXPECT_FALSE(AddNewCollectionToDB(name.toUpper())) << "upper case: " << name;
        EXPECT_GT(FindCollectionId(name.toLower()), 0) << name;
    }
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT count(*) FROM Collection")).toInt(), awkwardTexts().size())
        << "the injection-like name added one row and matched only itself";
    EXPECT_EQ(scalar(QStringLiteral("SELECT Naam FROM Collection WHERE CollectionID=1")).toString(),
        QStringLiteral("O'Brien"))
        << "stored as typed, quotes not doubled";
    EXPECT_EQ(FindCollectionId(QStringLiteral("x")), 0);
    EXPECT_EQ(messages.count(), 0);

    EXPECT_TRUE(DeleteCollectionFromDB(QStringLiteral("o'brien")));
    EXPECT_FALSE(DeleteCollectionFromDB(QStringLiteral("O'Brien")));
    EXPECT_TRUE(DeleteCollectionFromDB(QStringLiteral("ærø – 東京 ÜNÏCØDÉ")));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Collection")).toInt(),
        awkwardTexts().size() - 2);
}

TEST(Collections, DeletingACollectionKeepsItsDirectoriesAndFiles)
{
    test::TempDataDir data;
    ASSERT_TRUE(AddNewCollectionToDB(QStringLiteral("Holiday")));
    QString path = QStringLiteral("/img");
    const std::int64_t item = AddNewItemToCollection(1, path);
    storeFile(1, item, QStringLiteral("a.jpg"));
    EXPECT_TRUE(DeleteCollectionFromDB(QStringLiteral("HOLIDAY")));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Collection")).toInt(), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM CollectionItem")).toInt(), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM FileData")).toInt(), 1);
}

TEST(Directories, TrailingSlashesGoAndAPathIsUniqueWithinItsCollection)
{
    test::TempDataDir data;
    struct Row {
        const char *name;
        std::int32_t collection;
        QString path;
        std::int64_t expected;
        QString stored;
    };
    const Row rows[] = {
        { "new, slash stripped", 1, QStringLiteral("/img/a/"), 1, QStringLiteral("/img/a") },
        { "same without slash", 1, QStringLiteral("/img/a"), -1, QStringLiteral("/img/a") },
        { "same with two slashes", 1, QStringLiteral("/img/a//"), -1, QStringLiteral("/img/a") },
        { "other case is another directory", 1, QStringLiteral("/img/A"), 2,
            QStringLiteral("/img/A") },
        { "same path, other collection", 2, QStringLiteral("/img/a"), 3, QStringLiteral("/img/a") },
        { "root keeps its slash", 1, QStringLiteral("/"), 4, QStringLiteral("/") },
    };
    for (const Row &row : rows) {
        QString path = row.path;
        EXPECT_EQ(AddNewItemToCollection(row.collection, path), row.expected) << row.name;
        EXPECT_EQ(path, row.stored) << "the caller's variable changes too: " << row.name;
    }
    std::int64_t next = 5;
    for (const QString &text : awkwardTexts()) {
        QString path = QStringLiteral("/x/") + text;
        StripTrailingBackslash(path);
        const QString typed = path;
        ASSERT_EQ(AddNewItemToCollection(1, path), next++) << text;
        EXPECT_EQ(AddNewItemToCollection(1, path), -1) << text;
        EXPECT_EQ(GetImagePath(1, next - 1).toString(), typed) << text;
    }
    const int before = scalar(QStringLiteral("SELECT count(*) FROM CollectionItem")).toInt();
    EXPECT_TRUE(DeleteItemFromCollection(1, QStringLiteral("/x/x' OR '1'='1")));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM CollectionItem")).toInt(), before - 1)
        << "only the one directory went";
    EXPECT_TRUE(DeleteItemFromCollection(1, QStringLiteral("/img/a")));
    EXPECT_EQ(GetImagePath(2, 3).toString(), QStringLiteral("/img/a"))
        << "the other collection keeps it";
    EXPECT_TRUE(GetImagePath(1, 1).isNull());
}

TEST(FileData, StoredRecordsAreFoundRenamedAndDeleted)
{
    test::TempDataDir data;
    test::ScriptedMessages messages;
    QList<std::int64_t> ids;
    for (const QString &text : awkwardTexts())
        ids.append(storeFile(1, 1, text + QStringLiteral(".jpg")));
    storeFile(1, 2, QStringLiteral("elsewhere.jpg"));

    RecordSet dir(db(), DirectoryFileDataSql(1, 1));
    for (const QString &text : awkwardTexts()) {
        EXPECT_TRUE(CheckIfFileDataExists(dir, text + QStringLiteral(".jpg"))) << text;
        EXPECT_FALSE(CheckIfFileDataExists(dir, text.toUpper() + QStringLiteral(".JPG"))
            && text != text.toUpper())
            << "file names keep their case: " << text;
    }
    EXPECT_FALSE(CheckIfFileDataExists(dir, QStringLiteral("elsewhere.jpg")))
        << "another directory's file";
    EXPECT_FALSE(CheckIfFileDataExists(dir, QStringLiteral("%.jpg")));

    ASSERT_TRUE(RenameFileDataRecord(ids[0], QStringLiteral("x' OR '1'='1.jpg")));
    EXPECT_EQ(scalar(QStringLiteral(
                         "SELECT count(*) FROM FileData WHERE FileName='x'' OR ''1''=''1.jpg'"))
                  .toInt(),
        2)
        << "renamed the one record only";
    EXPECT_TRUE(DeleteFileDataRecord(ids[1]));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM FileData")).toInt(), ids.size());
    EXPECT_TRUE(DeleteFileDataRecord(999)) << "nothing to delete is no failure";
    EXPECT_EQ(messages.count(), 0);
}

TEST(FileData, StoreImageDataPacksTheSignatureAndRetrieveReadsTheFileBack)
{
    test::TempDataDir data;
    ASSERT_TRUE(AddNewCollectionToDB(QStringLiteral("c")));
    QString path = data.path();
    const std::int64_t item = AddNewItemToCollection(1, path);
    ImageFileInfo image;
    image.FileName = QStringLiteral("big.tif");
    image.FileSize = 3'000'000'000LL;  // wider than 32 bits: stored as it is
    image.DimX = 40000;  // wider than 16 bits
    image.DimY = 480;
    QByteArray pattern(64, '0');
    pattern[0] = '1';
    pattern[63] = '1';
    const QuadTriples quads = { RGBTriple { 1, 2, 3 }, RGBTriple { 4, 5, 6 }, RGBTriple { 7, 8, 9 },
        RGBTriple { 10, 11, 12 } };
    ASSERT_TRUE(StoreImageData(1, item, image, { 200, 100, 50 }, quads, pattern));

    RecordSet &files = *AppDb().fileData;
    files.moveFirst();
    std::int32_t p1 = 0, p2 = 0;
    MakeBitLong(pattern, p1, p2);
    EXPECT_EQ(files.value(QStringLiteral("AvgRGB")).toInt(), SetRGBValues(200, 100, 50));
    for (int q = 0; q < 4; ++q)
        EXPECT_EQ(files.value(QStringLiteral("QuadRGB%1").arg(q)).toInt(),
            SetRGBValues(quads[q].Red, quads[q].Green, quads[q].Blue))
            << q;
    EXPECT_EQ(files.value(QStringLiteral("Pattern1")).toInt(), p1);
    EXPECT_EQ(files.value(QStringLiteral("Pattern2")).toInt(), p2);
    EXPECT_EQ(files.value(QStringLiteral("Processed")).toBool(), false)
        << "a new row is not processed";

    image = RetrieveImageFileInformation(files);
    EXPECT_EQ(image.Directory, path);
    EXPECT_EQ(image.FileName, QStringLiteral("big.tif"));
    EXPECT_EQ(image.FileSize, 3'000'000'000LL);
    EXPECT_EQ(image.DimX, 40000);
    EXPECT_EQ(image.DimY, 480);
}

TEST(FileData, AFailedStoreIsReportedAndLeavesNoRowBegun)
{
    test::TempDataDir data;
    test::ScriptedMessages messages;
    db().Execute(QStringLiteral(
        "CREATE TRIGGER refuse BEFORE INSERT ON FileData BEGIN SELECT RAISE(ABORT, 'full'); END"));
    ImageFileInfo image;
    image.FileName = QStringLiteral("a.jpg");
    EXPECT_FALSE(StoreImageData(3, 9, image, {}, {}, QByteArray(64, '0')));
    ASSERT_EQ(messages.count(), 1);
    EXPECT_TRUE(messages.last().text.contains(
        QStringLiteral("modDataFunc - StoreImageData(3, 9, *, *, *)")))
        << messages.last().text;
    EXPECT_FALSE(AppDb().fileData->isEditing());
    db().Execute(QStringLiteral("DROP TRIGGER refuse"));
    EXPECT_TRUE(StoreImageData(3, 9, image, {}, {}, QByteArray(64, '0')));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM FileData")).toInt(), 1);
}

TEST(FileData, ProcessedFlagsForOneAndSixtyFiveIdsAndClearing)
{
    test::TempDataDir data;
    test::ScriptedMessages messages;
    QList<std::int64_t> ids;
    for (int i = 0; i < 70; ++i)
        ids.append(storeFile(1, 1, QStringLiteral("f%1").arg(i)));
    MarkFileDataProcessed({ ids[3] });
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT group_concat(ID) FROM FileData WHERE Processed")).toString(),
        QString::number(ids[3]));
    MarkFileDataProcessed(ids.mid(5, 65));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM FileData WHERE Processed")).toInt(), 66);
    MarkFileDataProcessed({});
    EXPECT_EQ(messages.count(), 0) << "an empty list is no statement and no error";
    AppDb().fileData->moveFirst();
    ClearDBProcessingFlags();
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM FileData WHERE Processed")).toInt(), 0);
    EXPECT_FALSE(AppDb().fileData->eof());
}

TEST(Duplicates, ClearDuplicateTableEmptiesItAndLetsErrorsThrough)
{
    test::TempDataDir data;
    db().Execute(
        QStringLiteral("INSERT INTO Duplicate (MasterId, Duplicates) VALUES (1, '12|40|')"));
    AppDb().duplicates->requery();
    ClearDuplicateTable();
    EXPECT_TRUE(AppDb().duplicates->eof());
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Duplicate")).toInt(), 0);
    db().Execute(QStringLiteral("DROP TABLE Duplicate"));
    EXPECT_THROW(ClearDuplicateTable(), VexaError);
}

TEST(Records, ClosedDatabaseIsReportedWithTheProcedureText)
{
    test::TempDataDir data(false);
    test::ScriptedMessages messages;
    QString path = QStringLiteral("/p/");
    struct Row {
        const char *name;
        std::function<void()> call;
        const char *text;
    };
    const Row rows[] = {
        { "add collection", [] { EXPECT_FALSE(AddNewCollectionToDB(QStringLiteral("n"))); },
            "AddNewCollectionToDB(n)" },
        { "delete collection", [] { EXPECT_FALSE(DeleteCollectionFromDB(QStringLiteral("n"))); },
            "DeleteCollectionFromDB(n)" },
        { "add item", [&] { EXPECT_EQ(AddNewItemToCollection(2, path), 0); },
            "AddNewItemToCollection(2, /p)" },
        { "delete item", [] { EXPECT_FALSE(DeleteItemFromCollection(2, QStringLiteral("/q"))); },
            "DeleteItemFromCollection(2, /q)" },
        { "image path", [] { EXPECT_TRUE(GetImagePath(2, 5).isNull()); }, "GetImagePath(2, 5)" },
        { "clear flags", [] { ClearDBProcessingFlags(); }, "ClearDBProcessingFlags" },
        { "mark", [] { MarkFileDataProcessed({ 1 }); }, "MarkFileDataProcessed" },
    };
    for (const Row &row : rows) {
        messages.clear();
        row.call();
        ASSERT_EQ(messages.count(), 1) << row.name;
        EXPECT_EQ(messages.last().text.section(QLatin1Char('\r'), 0, 0),
            QStringLiteral("An error occured in module: modDataFunc - ")
                + QString::fromLatin1(row.text))
            << row.name;
    }
    messages.clear();
    EXPECT_FALSE(DeleteFileDataRecord(1));
    EXPECT_FALSE(RenameFileDataRecord(1, QStringLiteral("x")));
    EXPECT_EQ(messages.count(), 0) << "delete and rename report nothing";
}

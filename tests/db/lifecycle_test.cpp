// Database files: template, version check, replacement, compaction and the
// integrity check of a directory's records, on real files.
#include "base/environment.h"
#include "base/errors.h"
#include "base/fileops.h"
#include "db/appdatabase.h"
#include "db/lifecycle.h"
#include "db/schema.h"
#include "db/sqlite.h"
#include "support/qtprinters.h"
#include "support/tempdatadir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace vexa;

namespace {

void addRows(int n)
{
    Database &db = *AppDb().db;
    Transaction t(db);
    for (int i = 0; i < n; ++i)
        db.Execute(QStringLiteral("INSERT INTO FileData (CollectionID, ItemID, FileName, FileSize) "
                                  "VALUES (1, 1, 'f%1.jpg', %1)")
                       .arg(i));
    t.commit();
}

int fileDataRows()
{
    return SqliteConnection(DatabasePath(), true)
        .scalar(QStringLiteral("SELECT count(*) FROM FileData"))
        .toInt();
}

TEST(Template, HoldsTheFiveTablesAndOneSysInfoRow)
{
    test::TempDataDir data(false);
    ASSERT_TRUE(EnsureTemplate());
    SqliteConnection c(TemplatePath(), true);
    for (const char *table : { "Collection", "CollectionItem", "FileData", "Duplicate", "SysInfo" })
        EXPECT_EQ(c.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' "
                                          "AND name='%1'")
                               .arg(QLatin1String(table)))
                      .toInt(),
            1)
            << table;
    EXPECT_EQ(c.scalar(QStringLiteral("SELECT count(*) FROM SysInfo")).toInt(), 1);
    EXPECT_EQ(c.scalar(QStringLiteral("SELECT DBVersion FROM SysInfo")).toInt(), 300);
    EXPECT_EQ(c.scalar(QStringLiteral("SELECT AllowUndo FROM SysInfo")).toInt(), 1);
    EXPECT_EQ(c.scalar(QStringLiteral("SELECT ThumbSize FROM SysInfo")).toInt(), 10);
    EXPECT_EQ(c.scalar(QStringLiteral("SELECT TotalFilesNarrated FROM SysInfo")).toInt(), 0);
    EXPECT_EQ(c.scalar(QStringLiteral("SELECT TotalBytesNarrated FROM SysInfo")).toInt(), 0);
    EXPECT_TRUE(c.scalar(QStringLiteral("SELECT LangOffset FROM SysInfo")).isNull());
}

TEST(Template, InstalledCopyIsPreferredAndMissingOneIsRecreated)
{
    test::TempDataDir data(false);
    QTemporaryDir install;
    WriteTemplateDatabase(install.filePath(QStringLiteral("TPL_VEXA.MDB")));
    {
        SqliteConnection c(install.filePath(QStringLiteral("TPL_VEXA.MDB")), false);
        c.exec(QStringLiteral("UPDATE SysInfo SET ThumbSize=7"));
    }
    SetInstallDirectory(install.path());
    ASSERT_TRUE(EnsureTemplate());
    EXPECT_EQ(SqliteConnection(TemplatePath(), true)
                  .scalar(QStringLiteral("SELECT ThumbSize FROM SysInfo"))
                  .toInt(),
        7);
    SetInstallDirectory(QString());
    QFile::remove(TemplatePath());
    ASSERT_TRUE(EnsureTemplate());
    EXPECT_EQ(SqliteConnection(TemplatePath(), true)
                  .scalar(QStringLiteral("SELECT ThumbSize FROM SysInfo"))
                  .toInt(),
        10);
}

TEST(VersionCheck, OnlyAReadableOtherVersionIsNotCurrent)
{
    test::TempDataDir data(false);
    int version = 0;
    EXPECT_TRUE(CheckDatabaseVersion(version)) << "a missing file counts as current";

    QFile junk(DatabasePath());
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("this is not a database at all, just some text");
    junk.close();
    EXPECT_TRUE(CheckDatabaseVersion(version)) << "an unreadable file counts as current";
    QFile::remove(DatabasePath());

    ASSERT_TRUE(EnsureTemplate());
    QFile::copy(TemplatePath(), DatabasePath());
    EXPECT_TRUE(CheckDatabaseVersion(version));
    EXPECT_EQ(version, 300);
    SqliteConnection(DatabasePath(), false)
        .exec(QStringLiteral("UPDATE SysInfo SET DBVersion=299"));
    EXPECT_FALSE(CheckDatabaseVersion(version));
    EXPECT_EQ(version, 299);
    SqliteConnection(DatabasePath(), false).exec(QStringLiteral("DELETE FROM SysInfo"));
    EXPECT_TRUE(CheckDatabaseVersion(version));
}

TEST(Compaction, TwiceKeepsTheDataAndLeavesNoTempFile)
{
    test::TempDataDir data;
    addRows(500);
    AppDb().db->Execute(QStringLiteral("DELETE * FROM FileData WHERE FileSize >= 250"));
    CloseApplicationDatabase();
    for (int round = 0; round < 2; ++round) {
        CompactApplicationDatabase();
        EXPECT_FALSE(QFileInfo::exists(CompactPath())) << round;
        EXPECT_EQ(fileDataRows(), 250) << round;
    }
    ASSERT_TRUE(OpenApplicationDatabase());
    EXPECT_EQ(AppDb().fileData->recordCount(), 250);
}

TEST(Compaction, StaleTempFileNeverTakesTheDatabasesPlace)
{
    test::TempDataDir data;
    addRows(10);
    CloseApplicationDatabase();
    // A TEMP.MDB left by an earlier run: a valid database with other contents.
    WriteTemplateDatabase(CompactPath());
    CompactApplicationDatabase();
    EXPECT_EQ(fileDataRows(), 10);
    EXPECT_FALSE(QFileInfo::exists(CompactPath()));
}

TEST(Compaction, WithUndoTheOldFileGoesToTheTrash)
{
    test::TempDataDir data;
    CloseApplicationDatabase();
    const QString home = qEnvironmentVariable("HOME");
    QTemporaryDir fakeHome;
    qputenv("XDG_DATA_HOME", fakeHome.path().toLocal8Bit());
    SetAllowUndoFlag(true);
    CompactApplicationDatabase();
    SetAllowUndoFlag(false);
    qunsetenv("XDG_DATA_HOME");
    EXPECT_TRUE(QFileInfo::exists(DatabasePath()));
    const QStringList trashed
        = QDir(fakeHome.filePath(QStringLiteral("Trash/files"))).entryList(QDir::Files);
    EXPECT_EQ(trashed.size(), 1) << "the previous database is in the trash";
}

TEST(Open, WritesAreDurableAndAFailedUpdateLeavesTheRow)
{
    test::TempDataDir data;
    RecordSet &sys = *AppDb().sysInfo;
    sys.moveFirst();
    sys.edit();
    sys.setValue(QStringLiteral("ThumbSize"), 12);
    sys.update();
    // Another connection sees it at once: the write is committed.
    EXPECT_EQ(SqliteConnection(DatabasePath(), true)
                  .scalar(QStringLiteral("SELECT ThumbSize FROM SysInfo"))
                  .toInt(),
        12);
    sys.edit();
    EXPECT_THROW(sys.setValue(QStringLiteral("ThumbSize"), QStringLiteral("large")), VexaError);
    sys.cancelUpdate();
    sys.edit();
    sys.setValue(QStringLiteral("DBVersion"), QVariant());
    EXPECT_THROW(sys.update(), VexaError) << "DBVersion may not be Null";
    sys.cancelUpdate();
    sys.moveFirst();
    EXPECT_EQ(sys.value(QStringLiteral("DBVersion")).toInt(), 300);
    EXPECT_EQ(sys.value(QStringLiteral("ThumbSize")).toInt(), 12);
}

TEST(Integrity, RecordsOfVanishedFilesAreDeleted)
{
    test::TempDataDir data;
    QTemporaryDir images;
    for (const char *name : { "a.jpg", "b.jpg", "it's.jpg" }) {
        QFile f(images.filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    Database &db = *AppDb().db;
    for (const char *name : { "a.jpg", "gone.jpg", "b.jpg", "it''s.jpg", "gone too.jpg" })
        db.Execute(QStringLiteral("INSERT INTO FileData (CollectionID, ItemID, FileName) VALUES "
                                  "(1, 1, '%1')")
                       .arg(QString::fromUtf8(name)));
    db.Execute(QStringLiteral("INSERT INTO FileData (CollectionID, ItemID, FileName) VALUES "
                              "(1, 2, 'other directory.jpg')"));
    RecordSet dir(db, QStringLiteral("Select * from FileData where CollectionID=1 AND ItemId=1"));
    VerifyDatabaseIntegrity(dir, images.path());
    dir.requery();
    QStringList left;
    for (dir.moveFirst(); !dir.eof(); dir.moveNext())
        left.append(dir.value(QStringLiteral("FileName")).toString());
    EXPECT_EQ(left,
        (QStringList {
            QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("it's.jpg") }));
    EXPECT_EQ(AppDb().fileData->recordCount(), 4) << "other directories are left alone";

    RecordSet empty(db, QStringLiteral("Select * from FileData where CollectionID=9 AND ItemId=9"));
    VerifyDatabaseIntegrity(empty, images.path());  // nothing to do, no error
    EXPECT_EQ(AppDb().fileData->recordCount(), 4);
}

}  // namespace

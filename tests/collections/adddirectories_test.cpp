// Adding directories to a collection, as the tab and vexa-cli both do it, on
// a real database and real directories.
#include "collections/adddirectories.h"

#include "base/errors.h"
#include "db/appdatabase.h"
#include "db/database.h"
#include "db/records.h"
#include "db/recordset.h"
#include "support/scriptedmessages.h"
#include "support/tempdatadir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace vexa;

namespace {

class AddDirectoriesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(AddNewCollectionToDB(QStringLiteral("c")));
        m_collection = FindCollectionId(QStringLiteral("c"));
    }

    // A directory with the given files (empty files: the pattern decides).
    QString directory(const QString &relative, const QStringList &files)
    {
        const QString path = m_data.file(QStringLiteral("images/") + relative);
        EXPECT_TRUE(QDir().mkpath(path));
        for (const QString &file : files)
            QFile(path + QLatin1Char('/') + file).open(QIODevice::WriteOnly);
        return path;
    }

    qlonglong rows() const
    {
        RecordSet count(*AppDb().db, QStringLiteral("SELECT count(*) AS n FROM CollectionItem"),
            RecordSetType::Snapshot);
        return count.value(QStringLiteral("n")).toLongLong();
    }

    test::TempDataDir m_data;
    test::ScriptedMessages m_messages;
    std::int32_t m_collection = 0;
};

TEST_F(AddDirectoriesTest, CountsAddedPresentAndEmptyAndStoresWithoutTrailingSlash)
{
    const QString a = directory("a", { "x.png" });
    const QString b = directory("b", { "Y.JPG", "notes.txt" });
    const QString none = directory("none", { "notes.txt", ".hidden.png" });
    QList<AddedDirectory> added;
    QList<qint64> progress;
    AddDirectoriesHooks hooks;
    hooks.added = [&added](const AddedDirectory &d) { added.append(d); };
    hooks.progress = [&progress](qint64 done) { progress.append(done); };

    const AddDirectoryCounts first
        = AddDirectoriesToCollection(m_collection, { a + "/", none, b }, false, hooks);
    EXPECT_EQ(first.added, 2);
    EXPECT_EQ(first.present, 0);
    EXPECT_EQ(first.empty, 1) << "only a hidden image and a text file";
    EXPECT_EQ(first.failed, 0);
    ASSERT_EQ(added.size(), 2);
    EXPECT_EQ(added[0].path, a) << "stored without the trailing slash";
    EXPECT_EQ(added[1].path, b);
    EXPECT_GT(added[1].itemId, added[0].itemId);
    EXPECT_EQ(progress, (QList<qint64> { 1, 2, 3 }));

    const AddDirectoryCounts again = AddDirectoriesToCollection(m_collection, { b, a }, true);
    EXPECT_EQ(again.added, 0);
    EXPECT_EQ(again.present, 2);
    EXPECT_EQ(rows(), 2);
    EXPECT_EQ(m_messages.count(), 0);
}

TEST_F(AddDirectoriesTest, ManyDirectoriesSpanSeveralBatchesAndAllAreStored)
{
    QStringList paths;
    for (int i = 0; i < kAddDirectoryBatch * 2 + 7; ++i)
        paths.append(directory(QStringLiteral("d%1").arg(i), { "p.png" }));
    const AddDirectoryCounts counts = AddDirectoriesToCollection(m_collection, paths, true);
    EXPECT_EQ(counts.added, paths.size());
    EXPECT_EQ(rows(), paths.size());
    EXPECT_FALSE(OpenDb().InTransaction()) << "the last partial batch is committed";
}

TEST_F(AddDirectoriesTest, FailingStoreIsCountedAndTheOthersStay)
{
    const QString a = directory("a", { "x.png" });
    const QString b = directory("b", { "x.png" });
    OpenDb().Execute(
        QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON CollectionItem "
                       "WHEN NEW.Path LIKE '%/b' BEGIN SELECT RAISE(ABORT, 'no'); END"));
    const AddDirectoryCounts counts = AddDirectoriesToCollection(m_collection, { a, b }, false);
    EXPECT_EQ(counts.added, 1);
    EXPECT_EQ(counts.failed, 1);
    EXPECT_EQ(m_messages.count(), 1) << "reported once, by the store";
    EXPECT_EQ(rows(), 1);
}

TEST_F(AddDirectoriesTest, ImageCountIsWhatGatheringLists)
{
    const QString d = directory("d", { "a.png", "B.JPG", "c.txt", ".h.png", "d.tif" });
    QDir(d).mkdir(QStringLiteral("sub.png"));
    EXPECT_EQ(CountDirectoryImages(d), 3);
    EXPECT_EQ(CountDirectoryImages(d + "/missing"), 0);
}

}  // namespace

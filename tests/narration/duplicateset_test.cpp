// The duplicate set: order, positions, keys, value semantics, and the pruning
// of groups whose images are gone.
#include "narrationfixture.h"

#include "base/errors.h"
#include "db/appdatabase.h"
#include "narration/duplicateset.h"
#include "support/qtprinters.h"
#include "support/tempdatadir.h"

#include <QFile>
#include <QSet>

#include <gtest/gtest.h>

using namespace vexa;

namespace {

using Ids = QList<std::int32_t>;

TEST(DuplicateSet, AddKeepsOrderAndMakesUniqueKeys)
{
    CDuplicates set;
    QSet<QString> keys;
    for (int i = 0; i < 2000; ++i) {
        const CDuplicate &group
            = set.Add({ i + 100 }, i, std::int16_t(i % 7), QStringLiteral("K5"));
        ASSERT_TRUE(group.Key().startsWith(QLatin1Char('K'))) << group.Key();
        const int number = group.Key().mid(1).toInt();
        ASSERT_GE(number, 0);
        ASSERT_LT(number, 1000000);
        ASSERT_EQ(QStringLiteral("K") + QString::number(number), group.Key()) << "no leading zeros";
        keys.insert(group.Key());
    }
    EXPECT_EQ(keys.size(), 2000);
    ASSERT_EQ(set.Count(), 2000);
    EXPECT_EQ(set.Item(1).lSource(), 0);
    EXPECT_EQ(set.Item(2000).lSource(), 1999);
    EXPECT_EQ(set.Item(8).MemLoadPos(), 0);
    EXPECT_EQ(set.Item(9).MemLoadPos(), 1);
    int expected = 0;
    for (const CDuplicate &group : set)
        EXPECT_EQ(group.lSource(), expected++);
    EXPECT_EQ(expected, 2000);
}

TEST(DuplicateSet, PositionsOutsideTheSetAreErrors)
{
    CDuplicates set;
    set.Add({ 2 }, 1, 0, QString());
    set.Add({ 4 }, 3, 0, QString());
    for (const int position : { 0, -1, 3, 1000000 }) {
        EXPECT_THROW(set.Item(position), VexaError) << position;
        EXPECT_THROW(set.Remove(position), VexaError) << position;
    }
    EXPECT_EQ(set.Count(), 2);
    set.Remove(1);
    ASSERT_EQ(set.Count(), 1);
    EXPECT_EQ(set.Item(1).lSource(), 3);
    set.Clear();
    EXPECT_EQ(set.Count(), 0);
    set.Add({ 6 }, 5, 0, QString());
    EXPECT_EQ(set.Item(1).lSource(), 5) << "an emptied set is reused";
}

// A million groups take every key: the next Add is a clear error and the
// set is unchanged; a removal frees a key again.
TEST(DuplicateSet, FullSetRefusesAnotherGroup)
{
    CDuplicates set;
    for (int i = 0; i < CDuplicates::kMaxGroups; ++i)
        set.Add({ 1 }, i, 0, QString());
    QSet<QString> keys;
    for (const CDuplicate &group : set)
        keys.insert(group.Key());
    EXPECT_EQ(keys.size(), CDuplicates::kMaxGroups);
    try {
        set.Add({ 1 }, -5, 0, QString());
        ADD_FAILURE() << "a full set took another group";
    } catch (const VexaError &e) {
        EXPECT_EQ(e.number(), 7);
    }
    EXPECT_EQ(set.Count(), CDuplicates::kMaxGroups);
    EXPECT_EQ(set.Item(CDuplicates::kMaxGroups).lSource(), CDuplicates::kMaxGroups - 1);
    const QString freed = set.Item(500).Key();
    set.Remove(500);
    EXPECT_EQ(set.Add({ 1 }, -6, 0, QString()).Key(), freed);
}

class DuplicatePruning : public ::testing::Test {
protected:
    std::int32_t row() { return m_rows.add(test::MakeRecord(1, 2, 3)); }
    void drop(std::int32_t id)
    {
        AppDb().db->Execute(QStringLiteral("DELETE FROM FileData WHERE ID = %1").arg(id));
    }

    test::TempDataDir m_dir;
    test::NarrationRows m_rows;
};

TEST_F(DuplicatePruning, EmptySetRemovesNothing)
{
    CDuplicates set;
    EXPECT_EQ(set.DeleteNonRelevantDuplicates(), 0);
}

TEST_F(DuplicatePruning, KeepsGroupsWithTwoImagesLeft)
{
    const std::int32_t a = row(), b = row(), c = row(), d = row(), e = row(), f = row();
    const std::int32_t gone1 = row(), gone2 = row();
    drop(gone1);
    drop(gone2);
    CDuplicates set;
    set.Add({ b, gone1 }, a, 0, QString());  // source and one duplicate: stays
    set.Add({ gone1, c, d }, gone2, 0, QString());  // source gone, two duplicates: stays
    set.Add({ e, gone1 }, gone2, 0, QString());  // source gone, one duplicate: goes
    set.Add({ gone1 }, gone2, 0, QString());  // nothing left: goes
    set.Add({ f }, a, 0, QString());  // stays, and keeps its order
    EXPECT_EQ(set.DeleteNonRelevantDuplicates(), 2);
    ASSERT_EQ(set.Count(), 3);
    EXPECT_EQ(set.Item(1).lSource(), a);
    EXPECT_EQ(set.Item(2).lSource(), gone2);
    EXPECT_EQ(set.Item(3).lFileID(), Ids({ f }));
}

TEST_F(DuplicatePruning, RemovingTheFirstGroupMovesTheOthersUp)
{
    const std::int32_t a = row(), b = row(), gone = row();
    drop(gone);
    CDuplicates set;
    set.Add({ gone }, a, 0, QString());
    set.Add({ b }, a, 0, QString());
    const QString second = set.Item(2).Key();
    EXPECT_EQ(set.DeleteNonRelevantDuplicates(), 1);
    ASSERT_EQ(set.Count(), 1);
    EXPECT_EQ(set.Item(1).Key(), second);
}

// A memory source counts by its file on disk, not by the database.
TEST_F(DuplicatePruning, MemorySourceCountsByItsFile)
{
    const std::int32_t b = row();
    const QString present = m_dir.file(QStringLiteral("dropped.jpg"));
    const QString hidden = m_dir.file(QStringLiteral(".hidden.jpg"));
    for (const QString &path : { present, hidden }) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
    const QStringList paths { present, m_dir.file(QStringLiteral("missing.jpg")), hidden };
    CDuplicates set;
    set.setMemoryEntryPath([&](std::int32_t position) -> std::optional<QString> {
        if (position < 0 || position >= paths.size())
            return std::nullopt;
        return paths[position];
    });
    set.Add({ b }, -1, 0, QString());  // file exists: stays
    set.Add({ b }, -1, 1, QString());  // file missing: goes
    set.Add({ b }, -1, 2, QString());  // hidden file: a plain search does not see it
    set.Add({ b }, -1, 9, QString());  // no such entry: never read, goes
    set.Add({ b }, b, 0, QString());  // a database source with the same id counts itself
    EXPECT_EQ(set.DeleteNonRelevantDuplicates(), 3);
    ASSERT_EQ(set.Count(), 2);
    EXPECT_EQ(set.Item(1).MemLoadPos(), 0);
    EXPECT_EQ(set.Item(2).lSource(), b);
}

}  // namespace

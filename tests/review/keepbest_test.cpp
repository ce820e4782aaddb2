// Keep-best: the rule's keys in every order with ties at each step, equal
// files, a preferred directory, another name of the kept file, the parsing
// of a rule, and the reason texts in both languages; the overview's rows.
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/imagefileinfo.h"
#include "db/records.h"
#include "narration/duplicateset.h"
#include "review/groupoverview.h"
#include "review/keepbest.h"
#include "support/qtprinters.h"
#include "support/tempdatadir.h"

#include <gtest/gtest.h>

using namespace vexa;

namespace {

KeepFile file(const char *path, int width, int height, std::int64_t size, std::int64_t modified)
{
    KeepFile f;
    f.path = QString::fromUtf8(path);
    f.width = width;
    f.height = height;
    f.size = size;
    f.modifiedNs = modified;
    return f;
}

std::vector<KeepKey> keys(const char *text)
{
    return *ParseKeepKeys(QString::fromUtf8(text));
}

}  // namespace

TEST(KeepBest, RuleOrdersTiesAndPreferredDirectory)
{
    // big: most pixels; heavy: the largest file; old: the oldest; short: the shortest path.
    const KeepFile big = file("/p/aaaaaa/big.jpg", 4000, 3000, 500, 300);
    const KeepFile heavy = file("/p/aaaaaa/heavy.jpg", 2000, 1500, 9000, 200);
    const KeepFile old = file("/p/aaaaaa/old.jpg", 2000, 1500, 500, 100);
    const KeepFile shortest = file("/p/s.jpg", 2000, 1500, 500, 300);
    struct Row {
        const char *name;
        std::vector<KeepFile> files;
        const char *rule;
        const char *prefer;
        int kept;
        std::vector<KeepReason> reasons;
    };
    using R = KeepReason;
    const Row rows[] = {
        { "default: pixels first", { heavy, big, old, shortest }, "pixels,size,oldest,shortest", "",
            1, { R::Pixels, R::None, R::Pixels, R::Pixels } },
        { "size first", { big, heavy, old }, "size,pixels", "", 1, { R::Size, R::None, R::Size } },
        { "oldest first", { big, heavy, old }, "oldest,pixels", "", 2,
            { R::Oldest, R::Oldest, R::None } },
        { "shortest first", { big, shortest }, "shortest,pixels", "", 1, { R::Shortest, R::None } },
        { "pixels tie, size decides", { old, heavy }, "pixels,size,oldest,shortest", "", 1,
            { R::Size, R::None } },
        { "pixels and size tie, oldest decides", { shortest, old }, "pixels,size,oldest,shortest",
            "", 1, { R::Oldest, R::None } },
        { "pixels, size and age tie, the shorter path",
            { file("/p/long/x.jpg", 10, 10, 5, 1), file("/p/x.jpg", 10, 10, 5, 1) },
            "pixels,size,oldest,shortest", "", 1, { R::Shortest, R::None } },
        { "equal files: the first stays",
            { file("/p/a.jpg", 10, 10, 5, 1), file("/p/b.jpg", 10, 10, 5, 1),
                file("/p/c.jpg", 10, 10, 5, 1) },
            "pixels,size,oldest,shortest", "", 0, { R::None, R::Equal, R::Equal } },
        { "a key left out is not looked at", { old, heavy }, "pixels,oldest", "", 0,
            { R::None, R::Oldest } },
        { "preferred directory before every key", { big, file("/q/small.jpg", 10, 10, 5, 900) },
            "pixels,size,oldest,shortest", "/q/", 1, { R::Preferred, R::None } },
        { "preferred directory, then the rule among its files",
            { big, file("/keep/a.jpg", 10, 10, 5, 1), file("/keep/b.jpg", 20, 10, 5, 1) }, "pixels",
            "/keep", 2, { R::Preferred, R::Pixels, R::None } },
        { "a directory name that only starts alike is not under it",
            { file("/keeper/a.jpg", 99, 99, 5, 1), file("/keep/b.jpg", 10, 10, 5, 1) }, "pixels",
            "/keep", 1, { R::Preferred, R::None } },
    };
    for (const Row &row : rows) {
        KeepRule rule;
        rule.keys = keys(row.rule);
        rule.preferredDirectory = QString::fromUtf8(row.prefer);
        const KeepDecision decision = ChooseBest(row.files, rule);
        EXPECT_EQ(decision.kept, row.kept) << row.name;
        EXPECT_EQ(decision.reasons, row.reasons) << row.name;
    }
    EXPECT_EQ(ChooseBest({}, KeepRule()).kept, -1);
}

TEST(KeepBest, AnotherNameOfTheKeptFileIsNeverSelected)
{
    KeepFile kept = file("/p/a.jpg", 100, 100, 10, 1);
    KeepFile link = file("/p/hardlink-to-a.jpg", 100, 100, 10, 1);
    KeepFile copy = file("/p/copy.jpg", 50, 50, 10, 1);
    kept.device = link.device = copy.device = 7;
    kept.inode = link.inode = 42;
    copy.inode = 43;
    KeepGroupPlan plan;
    plan.files = { kept, link, copy };
    plan.decision = ChooseBest(plan.files, KeepRule());
    EXPECT_EQ(plan.decision.kept, 0);
    EXPECT_EQ(plan.decision.reasons[1], KeepReason::SameFile);
    EXPECT_EQ(plan.selected(), std::vector<int> { 2 });
    EXPECT_EQ(plan.reclaimableBytes(), 10);
}

TEST(KeepBest, RulesParseEachKeyOnceInTheOrderGiven)
{
    EXPECT_EQ(keys("size, pixels"), (std::vector<KeepKey> { KeepKey::Size, KeepKey::Pixels }));
    EXPECT_EQ(KeepKeysText(KeepRule().keys), QStringLiteral("pixels,size,oldest,shortest"));
    for (const char *bad : { "", "pixels,pixels", "largest", "size,,oldest" })
        EXPECT_FALSE(ParseKeepKeys(QString::fromUtf8(bad))) << bad;
}

TEST(KeepBest, ReasonsNameTheKeptSizeAndTheStepThatDecided)
{
    const KeepFile kept = file("/p/a.jpg", 4000, 3000, 10, 1);
    EXPECT_EQ(KeepReasonText(kept, KeepReason::Size), QStringLiteral("kept: 4000 × 3000, larger"));
    EXPECT_EQ(KeepReasonText(kept, KeepReason::None), QString());
    SetLangOffset(2000);
    EXPECT_EQ(KeepReasonText(kept, KeepReason::Pixels),
        QStringLiteral("bewaard: 4000 × 3000, meer pixels"));
    SetLangOffset(0);
}

// The overview's rows against the set, from the records alone: a group
// whose source record is gone shows its first duplicate, a memory source
// counts by its entry, records that are gone are left out, and "to gain" is
// every file but the largest.
TEST(GroupOverview, RowsFollowTheSetAndItsRecords)
{
    test::TempDataDir data;
    QString directory = data.file(QStringLiteral("pictures"));
    ASSERT_TRUE(AddNewCollectionToDB(QStringLiteral("Overview")));
    const std::int32_t collection = FindCollectionId(QStringLiteral("Overview"));
    const std::int64_t item = AddNewItemToCollection(collection, directory);
    const auto record = [&](const char *name, std::int64_t size) {
        ImageFileInfo file;
        file.Directory = directory;
        file.FileName = QString::fromUtf8(name);
        file.FileSize = size;
        file.DimX = 10;
        file.DimY = 10;
        EXPECT_TRUE(StoreImageData(collection, item, file, {}, {}, QByteArray(64, '0')));
        return std::int32_t(AppDb().fileData->lastModified());
    };
    const std::int32_t a = record("a.jpg", 500);
    const std::int32_t b = record("b.jpg", 300);
    const std::int32_t c = record("c.jpg", 200);
    const std::int32_t gone = record("gone.jpg", 9999);
    const std::int32_t d = record("d.jpg", 50);
    ASSERT_TRUE(DeleteFileDataRecord(gone));
    CDuplicates set;
    set.Add({ b, c }, a, 0, QString());
    set.Add({ c, d }, gone, 0, QString());
    set.Add({ d }, -1, 7, QString());
    const MemorySourceLookup memory = [](int position) -> std::optional<MemorySourceFile> {
        if (position != 7)
            return std::nullopt;
        return MemorySourceFile { QStringLiteral("/downloads"), QStringLiteral("new.jpg"), 80, 1,
            1 };
    };
    GroupOverviewModel model;
    model.reset(set, *AppDb().db, KeepRule(), memory);
    struct Row {
        QString source;
        int files;
        qint64 gain;
    } const expected[] = {
        { directory + "/a.jpg", 3, 300 + 200 },
        { directory + "/c.jpg", 2, 50 },
        { QStringLiteral("/downloads/new.jpg"), 2, 50 },
    };
    ASSERT_EQ(model.rowCount(), 3);
    for (int r = 0; r < 3; ++r) {
        const auto at = [&](int column, int role) { return model.index(r, column).data(role); };
        EXPECT_EQ(at(GroupOverviewModel::Source, Qt::DisplayRole).toString(), expected[r].source)
            << "row " << r;
        EXPECT_EQ(at(GroupOverviewModel::Files, Qt::DisplayRole).toInt(), expected[r].files)
            << "row " << r;
        EXPECT_EQ(at(GroupOverviewModel::Reclaimable, GroupOverviewModel::SortRole).toLongLong(),
            expected[r].gain)
            << "row " << r;
        EXPECT_EQ(at(0, GroupOverviewModel::PositionRole).toInt(), r + 1);
        EXPECT_EQ(model.rowOfPosition(r + 1), r);
    }
    // No file is on disk: keep-best has nothing to choose from.
    EXPECT_TRUE(model.index(0, GroupOverviewModel::Keep).data().toString().isEmpty());
}

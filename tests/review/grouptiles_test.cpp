// Which pictures a duplicate group shows, on a real database with real files.
#include "reviewfixture.h"

#include "db/appdatabase.h"
#include "db/recordset.h"
#include "narration/duplicateset.h"
#include "review/duplicatepersistence.h"
#include "review/grouptiles.h"

#include <gtest/gtest.h>

using namespace vexa;
using vexa::test::ReviewLibrary;

namespace {

QStringList Names(const QList<GroupTile> &tiles)
{
    QStringList names;
    for (const GroupTile &tile : tiles)
        names.append(QStringLiteral("%1:%2@%3")
                         .arg(tile.tile)
                         .arg(tile.file.FileName)
                         .arg(tile.groupPosition));
    return names;
}

TEST(GroupTiles, SourceFromItsRecordOrTheMemoryList)
{
    ReviewLibrary library;
    const std::int32_t source = library.addImage(QStringLiteral("s.png"), 50, 40);
    const std::int32_t gone = library.addImage(QStringLiteral("gone.png"), 50, 40);
    library.deleteRecord(gone);
    const std::int32_t a = library.addImage(QStringLiteral("a.png"), 30, 30);
    RecordSet &fileData = *AppDb().fileData;
    int lookups = 0;
    const QString directory = library.directory();
    const MemoryImageLookup memory = [&](int position) -> std::optional<MemoryImageEntry> {
        ++lookups;
        if (position != 2)
            return std::nullopt;
        return MemoryImageEntry { directory, QStringLiteral("m.png"), 100, 7, 8 };
    };

    CDuplicates set;
    const std::optional<GroupTile> fromRecord
        = GroupSourceTile(set.Add({ a }, source, 0, QString()), fileData, memory);
    ASSERT_TRUE(fromRecord);
    EXPECT_EQ(fromRecord->tile, 0);
    EXPECT_EQ(fromRecord->groupPosition, 1);
    EXPECT_EQ(fromRecord->id, source);
    EXPECT_EQ(fromRecord->path(), directory + QStringLiteral("/s.png"));
    EXPECT_EQ(fromRecord->file.DimX, 50);
    EXPECT_EQ(fromRecord->file.DimY, 40);

    EXPECT_FALSE(GroupSourceTile(set.Add({ a }, gone, 0, QString()), fileData, memory))
        << "a deleted source record shows no source";

    const std::optional<GroupTile> fromMemory
        = GroupSourceTile(set.Add({ a }, -1, 2, QString()), fileData, memory);
    ASSERT_TRUE(fromMemory);
    EXPECT_EQ(fromMemory->id, -1);
    EXPECT_EQ(fromMemory->path(), directory + QStringLiteral("/m.png"));
    EXPECT_EQ(fromMemory->file.FileSize, 100);
    EXPECT_FALSE(GroupSourceTile(set.Add({ a }, -1, 3, QString()), fileData, memory))
        << "a position the list does not hold";
    EXPECT_FALSE(GroupSourceTile(set.Add({ a }, -1, 2, QString()), fileData, {}))
        << "no memory list at all";
    EXPECT_EQ(lookups, 2);
}

TEST(GroupTiles, SourceLostByLoadingIsNeverLookedUp)
{
    ReviewLibrary library;
    const std::int32_t a = library.addImage(QStringLiteral("a.png"), 30, 30);
    const std::int32_t b = library.addImage(QStringLiteral("b.png"), 30, 30);
    Duplicates()->Add({ a, b }, -1, 4, QString());
    ASSERT_TRUE(DuplicateSave(*Duplicates()));
    ASSERT_EQ(DuplicateLoad(*Duplicates()), 1);
    int lookups = 0;
    EXPECT_FALSE(GroupSourceTile(Duplicates()->Item(1), *AppDb().fileData,
        [&lookups](int) -> std::optional<MemoryImageEntry> {
            ++lookups;
            return MemoryImageEntry {};
        }));
    EXPECT_EQ(lookups, 0);
}

TEST(GroupTiles, DuplicatesWithRecordAndFileUpToTheLimit)
{
    ReviewLibrary library;
    const std::int32_t source = library.addImage(QStringLiteral("s.png"), 50, 50);
    const std::int32_t a = library.addImage(QStringLiteral("a.png"), 50, 50);
    const std::int32_t b = library.addImage(QStringLiteral("b.png"), 60, 50);
    const std::int32_t c = library.addImage(QStringLiteral("c.png"), 70, 50);
    const std::int32_t noFile = library.addRecordOnly(QStringLiteral("nofile.png"));
    const std::int32_t broken = library.addFile(
        QStringLiteral("broken.jpg"), QByteArray("\xff\xd8\xff garbage", 12), 9, 9);
    const std::int32_t noRecord = 9999;

    struct Row {
        const char *what;
        QList<std::int32_t> ids;
        int maxTiles;
        QStringList tiles;  // tile:name@position in the group
        bool more;
    };
    const QList<Row> rows = {
        { "all shown, positions follow the group", { a, b, c }, 63,
            { "1:a.png@2", "2:b.png@3", "3:c.png@4" }, false },
        { "missing row and missing file get no tile, an undecodable file does",
            { noFile, noRecord, a, broken }, 63, { "1:a.png@4", "2:broken.jpg@5" }, false },
        { "exactly the limit leaves nothing over", { a, b }, 2, { "1:a.png@2", "2:b.png@3" },
            false },
        { "one more than the limit", { a, b, c }, 2, { "1:a.png@2", "2:b.png@3" }, true },
        { "left over even when what is left would get no tile", { a, b, noRecord }, 2,
            { "1:a.png@2", "2:b.png@3" }, true },
        { "skipped ones do not count towards the limit", { noFile, a, noRecord, b }, 2,
            { "1:a.png@3", "2:b.png@5" }, false },
        { "an empty group", {}, 63, {}, false },
    };
    CDuplicates set;
    for (const Row &row : rows) {
        bool more = !row.more;
        const QList<GroupTile> tiles = GroupDuplicateTiles(
            set.Add(row.ids, source, 0, QString()), *AppDb().fileData, row.maxTiles, &more);
        EXPECT_EQ(Names(tiles), row.tiles) << row.what;
        EXPECT_EQ(more, row.more) << row.what;
    }
    EXPECT_EQ(library.messages().count(), 0) << "nothing is reported for missing files";
}

}  // namespace

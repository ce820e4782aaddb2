#include "db/filestamps.h"

#include "base/errors.h"
#include "db/appdatabase.h"
#include "db/database.h"
#include "db/sqlite.h"
#include "signature/signaturelib.h"

namespace vexa {

QString FileStampSchemaSql()
{
    return QStringLiteral(R"sql(
CREATE TABLE IF NOT EXISTS FileStamp (
    ID INTEGER PRIMARY KEY,
    Modified INTEGER NOT NULL,
    Decoding INTEGER NOT NULL DEFAULT 0
);
CREATE TRIGGER IF NOT EXISTS FileStampDelete AFTER DELETE ON FileData
BEGIN
    DELETE FROM FileStamp WHERE ID = old.ID;
END;
)sql");
}

void EnsureFileStampTable(SqliteConnection &connection)
{
    connection.exec(FileStampSchemaSql());
    // A table made before the decoding was recorded: its rows count as
    // decoding 0, so their records are gathered again.
    if (connection
            .scalar(QStringLiteral(
                "SELECT count(*) FROM pragma_table_info('FileStamp') WHERE name = 'Decoding'"))
            .toInt()
        == 0)
        connection.exec(
            QStringLiteral("ALTER TABLE FileStamp ADD COLUMN Decoding INTEGER NOT NULL DEFAULT 0"));
}

QHash<std::int64_t, FileStampRow> DirectoryFileStamps(
    Database &db, std::int32_t collectionId, std::int64_t itemId)
{
    QHash<std::int64_t, FileStampRow> stamps;
    Statement query(db.connection().handle(),
        QStringLiteral("SELECT FileStamp.ID, FileStamp.Modified, FileStamp.Decoding FROM "
                       "FileStamp JOIN FileData ON FileData.ID = FileStamp.ID WHERE "
                       "FileData.CollectionID = ? AND FileData.ItemID = ?"));
    query.bind(1, collectionId);
    query.bind(2, qlonglong(itemId));
    while (query.step())
        stamps.insert(
            query.columnInt64(0), FileStampRow { query.columnInt64(1), int(query.columnInt64(2)) });
    return stamps;
}

void StoreFileStamp(Database &db, std::int64_t id, std::int64_t modifiedNs)
{
    Statement store(db.connection().handle(),
        QStringLiteral(
            "INSERT OR REPLACE INTO FileStamp (ID, Modified, Decoding) VALUES (?, ?, ?)"));
    store.bind(1, qlonglong(id));
    store.bind(2, qlonglong(modifiedNs));
    store.bind(3, kCurrentDecoding);
    store.step();
}

bool UpdateImageData(std::int64_t id, const RegatheredImage &image)
{
    try {
        std::int32_t pattern1 = 0;
        std::int32_t pattern2 = 0;
        MakeBitLong(image.pattern, pattern1, pattern2);
        Statement update(OpenDb().connection().handle(),
            QStringLiteral("UPDATE FileData SET FileSize = ?, FileDimX = ?, FileDimY = ?, "
                           "AvgRGB = ?, QuadRGB0 = ?, QuadRGB1 = ?, QuadRGB2 = ?, QuadRGB3 = ?, "
                           "Pattern1 = ?, Pattern2 = ? WHERE ID = ?"));
        update.bind(1, qlonglong(image.fileSize));
        update.bind(2, image.width);
        update.bind(3, image.height);
        update.bind(4, SetRGBValues(image.average.Red, image.average.Green, image.average.Blue));
        for (int q = 0; q < 4; ++q) {
            const RGBTriple &c = image.quadrants[size_t(q)];
            update.bind(5 + q, SetRGBValues(c.Red, c.Green, c.Blue));
        }
        update.bind(9, pattern1);
        update.bind(10, pattern2);
        update.bind(11, qlonglong(id));
        update.step();
        return true;
    } catch (const std::exception &e) {
        ReportException(e, QStringLiteral("modDataFunc"),
            QStringLiteral("UpdateImageData(") + QString::number(id) + QStringLiteral(", *)"));
        return false;
    }
}

}  // namespace vexa

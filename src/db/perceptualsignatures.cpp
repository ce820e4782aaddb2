#include "db/perceptualsignatures.h"

#include "db/database.h"
#include "db/sqlite.h"

namespace vexa {

QString PerceptualSignatureSchemaSql()
{
    // Hash holds the 64 bits as SQLite's signed integer.
    return QStringLiteral(R"sql(
CREATE TABLE IF NOT EXISTS PerceptualSignature (
    ID INTEGER PRIMARY KEY,
    Hash INTEGER NOT NULL
);
CREATE TRIGGER IF NOT EXISTS PerceptualSignatureDelete AFTER DELETE ON FileData
BEGIN
    DELETE FROM PerceptualSignature WHERE ID = old.ID;
END;
)sql");
}

QHash<std::int64_t, PerceptualHash> DirectoryPerceptualSignatures(
    Database &db, std::int32_t collectionId, std::int64_t itemId)
{
    QHash<std::int64_t, PerceptualHash> signatures;
    Statement query(db.connection().handle(),
        QStringLiteral("SELECT PerceptualSignature.ID, PerceptualSignature.Hash FROM "
                       "PerceptualSignature JOIN FileData ON FileData.ID = "
                       "PerceptualSignature.ID WHERE FileData.CollectionID = ? AND "
                       "FileData.ItemID = ?"));
    query.bind(1, collectionId);
    query.bind(2, qlonglong(itemId));
    while (query.step())
        signatures.insert(query.columnInt64(0), PerceptualHash(query.columnInt64(1)));
    return signatures;
}

void StorePerceptualSignature(Database &db, std::int64_t id, PerceptualHash hash)
{
    Statement store(db.connection().handle(),
        QStringLiteral("INSERT OR REPLACE INTO PerceptualSignature (ID, Hash) VALUES (?, ?)"));
    store.bind(1, qlonglong(id));
    store.bind(2, qlonglong(hash));
    store.step();
}

}  // namespace vexa

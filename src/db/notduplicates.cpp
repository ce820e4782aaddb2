#include "db/notduplicates.h"

#include "base/errors.h"
#include "db/database.h"
#include "db/sqlite.h"

namespace vexa {

namespace {

bool tableExists(Database &db)
{
    return db.connection()
               .scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' "
                                      "AND name = 'NotDuplicatePair'"))
               .toInt()
        > 0;
}

void checkPair(Database &db, std::int32_t a, std::int32_t b)
{
    if (a == b)
        throw VexaError(ErrInvalidProcedureCall,
            QStringLiteral("A file is always a duplicate of itself (record %1).").arg(a));
    Statement count(db.connection().handle(),
        QStringLiteral("SELECT count(*) FROM FileData WHERE ID IN (?, ?)"));
    count.bind(1, a);
    count.bind(2, b);
    count.step();
    if (count.columnInt64(0) != 2)
        throw VexaError(ErrInvalidProcedureCall,
            QStringLiteral("No record %1")
                    .arg(count.columnInt64(0) == 1 ? QStringLiteral("of both")
                                                   : QStringLiteral("at all"))
                + QStringLiteral(" (records %1 and %2).").arg(a).arg(b));
}

}  // namespace

QString NotDuplicateSchemaSql()
{
    return QStringLiteral(R"sql(
CREATE TABLE IF NOT EXISTS NotDuplicatePair (
    FirstID INTEGER NOT NULL,
    SecondID INTEGER NOT NULL,
    PRIMARY KEY (FirstID, SecondID),
    CHECK (FirstID < SecondID)
) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS NotDuplicatePairSecond ON NotDuplicatePair (SecondID);
CREATE TRIGGER IF NOT EXISTS NotDuplicatePairDelete AFTER DELETE ON FileData
BEGIN
    DELETE FROM NotDuplicatePair WHERE FirstID = old.ID OR SecondID = old.ID;
END;
)sql");
}

bool RememberNotDuplicate(Database &db, std::int32_t a, std::int32_t b)
{
    checkPair(db, a, b);
    Statement store(db.connection().handle(),
        QStringLiteral("INSERT OR IGNORE INTO NotDuplicatePair (FirstID, SecondID) VALUES (?, ?)"));
    store.bind(1, std::min(a, b));
    store.bind(2, std::max(a, b));
    store.step();
    return db.connection().changes() > 0;
}

bool ForgetNotDuplicate(Database &db, std::int32_t a, std::int32_t b)
{
    if (!tableExists(db))
        return false;
    Statement forget(db.connection().handle(),
        QStringLiteral("DELETE FROM NotDuplicatePair WHERE FirstID = ? AND SecondID = ?"));
    forget.bind(1, std::min(a, b));
    forget.bind(2, std::max(a, b));
    forget.step();
    return db.connection().changes() > 0;
}

QList<NotDuplicatePair> NotDuplicatePairs(Database &db)
{
    QList<NotDuplicatePair> pairs;
    if (!tableExists(db))
        return pairs;
    // A record whose directory was removed from its collection keeps its ID
    // (and so its pairs) but has no path to show.
    Statement query(db.connection().handle(), QStringLiteral(R"sql(
SELECT p.FirstID, p.SecondID, i1.Path, f1.FileName, i2.Path, f2.FileName
FROM NotDuplicatePair p
JOIN FileData f1 ON f1.ID = p.FirstID
JOIN FileData f2 ON f2.ID = p.SecondID
LEFT JOIN CollectionItem i1 ON i1.ItemID = f1.ItemID
LEFT JOIN CollectionItem i2 ON i2.ItemID = f2.ItemID
ORDER BY p.FirstID, p.SecondID
)sql"));
    const auto pathOf = [&](int directory, int name) {
        const QVariant dir = query.column(directory);
        return dir.isNull() ? QString()
                            : dir.toString() + QLatin1Char('/') + query.column(name).toString();
    };
    while (query.step()) {
        NotDuplicatePair pair;
        pair.first = std::int32_t(query.columnInt64(0));
        pair.second = std::int32_t(query.columnInt64(1));
        pair.firstPath = pathOf(2, 3);
        pair.secondPath = pathOf(4, 5);
        pairs.append(pair);
    }
    return pairs;
}

QList<std::int32_t> RecordIdsOfFile(Database &db, const QString &directory, const QString &name)
{
    Statement query(db.connection().handle(),
        QStringLiteral("SELECT FileData.ID FROM FileData JOIN CollectionItem ON "
                       "CollectionItem.ItemID = FileData.ItemID AND CollectionItem.CollectionID "
                       "= FileData.CollectionID WHERE CollectionItem.Path = ? AND "
                       "FileData.FileName = ? ORDER BY FileData.ID"));
    query.bind(1, directory);
    query.bind(2, name);
    QList<std::int32_t> ids;
    while (query.step())
        ids.append(std::int32_t(query.columnInt64(0)));
    return ids;
}

void NotDuplicateSet::insert(std::int32_t a, std::int32_t b)
{
    if (a < 0 || b < 0)
        return;  // only records have pairs
    const auto high = std::size_t(std::max(a, b));
    if (m_involved.size() <= high)
        m_involved.resize(high + 1, false);
    m_involved[std::size_t(a)] = true;
    m_involved[std::size_t(b)] = true;
    m_pairs.insert(keyOf(a, b));
}

NotDuplicateSet LoadNotDuplicateSet(Database &db)
{
    NotDuplicateSet set;
    if (!tableExists(db))
        return set;
    Statement query(
        db.connection().handle(), QStringLiteral("SELECT FirstID, SecondID FROM NotDuplicatePair"));
    while (query.step())
        set.insert(std::int32_t(query.columnInt64(0)), std::int32_t(query.columnInt64(1)));
    return set;
}

}  // namespace vexa

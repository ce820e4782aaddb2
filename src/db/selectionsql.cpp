#include "db/selectionsql.h"

#include "base/errors.h"

#include <QStringList>

namespace vexa {

namespace {

QString number(std::int64_t value)
{
    return QString::number(value);
}

QString quoted(const QString &text)
{
    return QLatin1Char('\'') + RebuildForSql(text) + QLatin1Char('\'');
}

QString sizeCondition(std::int64_t fileSize)
{
    return QStringLiteral("FileSize") + QStringLiteral(" = ") + number(fileSize);
}

QString dimensionCondition(std::int64_t width, std::int64_t height)
{
    return QStringLiteral("FileDimX") + QStringLiteral(" = ") + number(width)
        + QStringLiteral(" AND ") + QStringLiteral("FileDimY") + QStringLiteral(" = ")
        + number(height);
}

QString quickCondition(
    QuickCheck check, std::int64_t fileSize, std::int64_t width, std::int64_t height)
{
    switch (check) {
    case QuickCheck::Size: return sizeCondition(fileSize);
    case QuickCheck::Dimensions: return dimensionCondition(width, height);
    case QuickCheck::SizeAndDimensions:
        return sizeCondition(fileSize) + QStringLiteral(" AND ")
            + dimensionCondition(width, height);
    }
    return sizeCondition(fileSize);
}

}  // namespace

QString DirectoryKey(std::int64_t itemId)
{
    return QStringLiteral("K%1").arg(itemId, 8, 10, QLatin1Char('0'));
}

std::int64_t ItemIdFromKey(const QString &key)
{
    if (key.size() < 2 || key.at(0) != QLatin1Char('K'))
        return -1;
    const QStringView digits = QStringView(key).mid(1);
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
    }
    bool ok = false;
    const qlonglong id = digits.toLongLong(&ok);
    return ok ? id : -1;
}

QString RebuildForSql(const QString &text)
{
    if (!text.contains(QLatin1Char('\'')))
        return text;
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QStringLiteral("''"));
    return doubled;
}

QString BuildSelectionSql(const QList<DirectoryListItem> &items, std::int32_t collectionId)
{
    try {
        QString sql = QStringLiteral(" WHERE COLLECTIONID=") + number(collectionId)
            + QStringLiteral(" AND (");
        bool first = true;
        for (const DirectoryListItem &item : items) {
            if (!item.checked)
                continue;
            // The eight digits go into the statement as they stand, so they
            // must be digits and nothing else.
            if (ItemIdFromKey(item.key) < 0)
                throw VexaError(ErrInvalidProcedureCall,
                    QStringLiteral("Invalid directory key '%1'.").arg(item.key));
            if (!first)
                sql += QStringLiteral(" OR ");
            sql += QStringLiteral(" ITEMID=") + item.key.mid(1);
            first = false;
        }
        return sql + QLatin1Char(')');
    } catch (const std::exception &e) {
        ReportException(e, QStringLiteral("modFunctions"),
            QStringLiteral("BuildSelectionSql(*, ") + number(collectionId) + QLatin1Char(')'));
        return {};
    }
}

QString DeleteFileDataSql(std::int64_t id)
{
    return QStringLiteral("DELETE * FROM FILEDATA ") + QStringLiteral(" WHERE ID = ") + number(id);
}

QString RenameFileDataSql(std::int64_t id, const QString &newName)
{
    return QStringLiteral("UPDATE FILEDATA ") + QStringLiteral(" SET FILENAME = '")
        + RebuildForSql(newName) + QLatin1Char('\'') + QStringLiteral(" WHERE ID = ") + number(id);
}

QString DeleteItemFromCollectionSql(std::int32_t collectionId, const QString &path)
{
    return QStringLiteral("DELETE * FROM CollectionItem Where ")
        + CollectionPathCriterion(collectionId, path);
}

QString ClearDuplicateTableSql()
{
    return QStringLiteral("DELETE * FROM DUPLICATE");
}

QString ClearProcessingFlagsSql()
{
    return QStringLiteral("UPDATE FILEDATA SET PROCESSED=FALSE");
}

QString MarkFileDataProcessedSql(const QList<std::int64_t> &ids)
{
    QString sql = QStringLiteral("UPDATE FILEDATA SET PROCESSED=TRUE WHERE");
    for (qsizetype i = 0; i < ids.size(); ++i) {
        if (i > 0)
            sql += QStringLiteral(" OR ");
        sql += QStringLiteral(" ID = ") + number(ids[i]);
    }
    return sql;
}

QString FileNameCriterion(const QString &fileName)
{
    return QStringLiteral("FileName=") + quoted(fileName);
}

QString CollectionNameCriterion(const QString &name)
{
    return QStringLiteral("Naam=") + quoted(name);
}

QString CollectionPathCriterion(std::int32_t collectionId, const QString &path)
{
    return QStringLiteral("CollectionID=") + number(collectionId) + QStringLiteral(" AND ")
        + QStringLiteral("Path=") + quoted(path);
}

QString CollectionItemCriterion(std::int32_t collectionId, std::int64_t itemId)
{
    return QStringLiteral("CollectionID=") + number(collectionId) + QStringLiteral(" AND ")
        + QStringLiteral("ItemID=") + number(itemId);
}

QString FileIdCriterion(std::int64_t id)
{
    return QStringLiteral("ID=") + number(id);
}

QString FileIdSpacedCriterion(std::int64_t id)
{
    return QStringLiteral("ID =") + number(id);
}

QString DirectoryListSql(std::int32_t collectionId)
{
    return QStringLiteral("Select * from CollectionItem where ") + QStringLiteral("CollectionId=")
        + number(collectionId);
}

QString DirectoryImageCountSql(std::int32_t collectionId, std::int64_t itemId)
{
    return QStringLiteral("Select Count(ID) as Aantal from FileData where ")
        + QStringLiteral("CollectionID=") + number(collectionId) + QStringLiteral(" AND ")
        + QStringLiteral("ItemId=") + number(itemId);
}

QString DirectoryFileDataSql(std::int32_t collectionId, std::int64_t itemId)
{
    return QStringLiteral("Select * from FileData where ") + QStringLiteral("CollectionID=")
        + number(collectionId) + QStringLiteral(" AND ") + QStringLiteral("ItemId=")
        + number(itemId);
}

QString NarrationCountSql(const QString &selection)
{
    return QStringLiteral("SELECT Count(ID) FROM FILEDATA ") + selection;
}

QString MemoryNarrationSql()
{
    return QStringLiteral("SELECT * FROM FILEDATA");
}

QString MemoryQuickCheckSql(
    QuickCheck check, std::int64_t fileSize, std::int64_t width, std::int64_t height)
{
    return QStringLiteral("SELECT * FROM FILEDATA ") + QStringLiteral(" WHERE ")
        + quickCondition(check, fileSize, width, height);
}

QString BinaryCompareSql(std::int64_t id)
{
    return QStringLiteral("SELECT * FROM FILEDATA WHERE ID = ") + number(id);
}

}  // namespace vexa

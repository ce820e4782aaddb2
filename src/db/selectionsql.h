#pragma once

#include <QList>
#include <QString>

#include <cstdint>

namespace vexa {

// The SQL texts of the image database, built exactly as the program has
// always built them (blanks included) so every caller shares one spelling.
// Numbers are spliced as plain decimal; text values go between single quotes
// after RebuildForSql, so nothing a user types can end the literal.

// One item of the directory list as the widget holds it.
struct DirectoryListItem {
    QString key;  // "K" + ItemID in eight digits, see DirectoryKey
    bool checked = false;
};

// "K00000017" for ItemID 17.
QString DirectoryKey(std::int64_t itemId);
// The ItemID of a directory key, or -1 when the text is not "K" + digits.
std::int64_t ItemIdFromKey(const QString &key);

// Every single quote doubled.
QString RebuildForSql(const QString &text);

// " WHERE COLLECTIONID=3 AND ( ITEMID=00000005 OR  ITEMID=00000012)" for the
// checked items (module modFunctions). Callers build it only when at least one
// directory is checked. A key that is not "K" + digits is reported and gives
// an empty text, so a damaged key can never widen a selection.
QString BuildSelectionSql(const QList<DirectoryListItem> &items, std::int32_t collectionId);

// Statements run through Database::Execute.
QString DeleteFileDataSql(std::int64_t id);
QString RenameFileDataSql(std::int64_t id, const QString &newName);
QString DeleteItemFromCollectionSql(std::int32_t collectionId, const QString &path);
QString ClearDuplicateTableSql();
QString ClearProcessingFlagsSql();
QString MarkFileDataProcessedSql(const QList<std::int64_t> &ids);

// Find-first criteria.
QString FileNameCriterion(const QString &fileName);
QString CollectionNameCriterion(const QString &name);
QString CollectionPathCriterion(std::int32_t collectionId, const QString &path);
QString CollectionItemCriterion(std::int32_t collectionId, std::int64_t itemId);
QString FileIdCriterion(std::int64_t id);  // "ID=5"
QString FileIdSpacedCriterion(std::int64_t id);  // "ID =5"

// Record-set sources.
QString DirectoryListSql(std::int32_t collectionId);
QString DirectoryImageCountSql(std::int32_t collectionId, std::int64_t itemId);  // field Aantal
QString DirectoryFileDataSql(std::int32_t collectionId, std::int64_t itemId);
QString NarrationCountSql(const QString &selection);

enum class QuickCheck { Size, Dimensions, SizeAndDimensions };
QString MemoryNarrationSql();
QString MemoryQuickCheckSql(
    QuickCheck check, std::int64_t fileSize, std::int64_t width, std::int64_t height);
QString BinaryCompareSql(std::int64_t id);

}  // namespace vexa

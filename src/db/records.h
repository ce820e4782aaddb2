#pragma once

#include "db/imagefileinfo.h"
#include "signature/rgbtriple.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

#include <cstdint>

namespace vexa {

class RecordSet;

// modDataFunc: record operations on the open application database (AppDb()).
// Interface thread only. Procedures that fail report through ReportError and
// return the failure value given with each.

// True when the record set (one directory's FileData rows) holds a row with
// this file name; the name compares as the file system does (with case).
bool CheckIfFileDataExists(RecordSet &fileData, const QString &fileName);

// Stores one gathered signature with its file's name, size and dimensions as
// a new FileData row (file.Directory is not stored: the item holds it).
// false (reported, nothing stored) on failure.
bool StoreImageData(std::int32_t collectionId, std::int64_t itemId, const ImageFileInfo &file,
    const RGBTriple &avgRGB, const QuadTriples &quadRGB, const QByteArray &pattern);

// Nothing reported; false on failure.
bool DeleteFileDataRecord(std::int64_t id);
bool RenameFileDataRecord(std::int64_t id, const QString &newName);

// false when a collection of that name (letter case ignored) exists.
bool AddNewCollectionToDB(const QString &name);
// The CollectionID of a name (letter case ignored), 0 when there is none.
// Errors throw.
std::int32_t FindCollectionId(const QString &name);
// Removes only the Collection row; false when there is none of that name.
bool DeleteCollectionFromDB(const QString &name);

// Strips trailing "/" from path (in place) and adds it to the collection:
// the new ItemID, -1 when the collection already holds the path, 0 on error.
std::int64_t AddNewItemToCollection(std::int32_t collectionId, QString &path);
bool DeleteItemFromCollection(std::int32_t collectionId, const QString &path);

// Errors are thrown to the caller.
void ClearDuplicateTable();
void ClearDBProcessingFlags();
// Marks the rows processed; an empty list changes nothing.
void MarkFileDataProcessed(const QList<std::int64_t> &ids);

// The directory of an item; Null when there is no such item (no report:
// records outlive their deleted directories) or on a reported error.
QVariant GetImagePath(std::int32_t collectionId, std::int64_t itemId);
// The file of the record set's current row: its directory, name, size and
// dimensions. A failed read is reported and gives an empty value.
ImageFileInfo RetrieveImageFileInformation(RecordSet &fileData);

}  // namespace vexa

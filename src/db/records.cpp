#include "db/records.h"

#include "base/errors.h"
#include "base/paths.h"
#include "db/appdatabase.h"
#include "db/imagefileinfo.h"
#include "db/selectionsql.h"
#include "signature/signaturelib.h"

namespace vexa {

namespace {

const QString kModule = QStringLiteral("modDataFunc");

RecordSet &openSet(const std::unique_ptr<RecordSet> &set)
{
    if (!set)
        throw VexaError(ErrDatabaseNotOpen, QStringLiteral("Object invalid or no longer set."));
    return *set;
}

QString num(std::int64_t value)
{
    return QString::number(value);
}

// A begun row must not linger in the shared record set after a failure.
void cancelEdit(RecordSet *set)
{
    if (set && set->isEditing())
        set->cancelUpdate();
}

// The collection row of a name, letter case ignored. SQLite folds only
// ASCII letters, so a name such as "Ärger" is also compared by Qt's case
// folding over the (few) collection rows.
bool findCollection(RecordSet &set, const QString &name)
{
    if (set.findFirst(CollectionNameCriterion(name)))
        return true;
    bool ascii = true;
    for (const QChar c : name)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii)
        return false;
    for (set.moveFirst(); !set.eof(); set.moveNext()) {
        if (set.value(QStringLiteral("Naam")).toString().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

}  // namespace

std::int32_t FindCollectionId(const QString &name)
{
    RecordSet &set = openSet(AppDb().collections);
    if (!findCollection(set, name))
        return 0;
    return std::int32_t(set.value(QStringLiteral("CollectionID")).toLongLong());
}

bool CheckIfFileDataExists(RecordSet &fileData, const QString &fileName)
{
    try {
        return fileData.findFirst(FileNameCriterion(fileName));
    } catch (const std::exception &e) {
        ReportException(
            e, kModule, QStringLiteral("CheckIfFileDataExists(*, ") + fileName + QLatin1Char(')'));
        return false;
    }
}

bool StoreImageData(std::int32_t collectionId, std::int64_t itemId, const ImageFileInfo &image,
    const RGBTriple &avgRGB, const QuadTriples &quadRGB, const QByteArray &pattern)
{
    RecordSet *set = nullptr;
    try {
        set = &openSet(AppDb().fileData);
        set->addNew();
        set->setValue(QStringLiteral("CollectionID"), collectionId);
        set->setValue(QStringLiteral("ItemID"), qlonglong(itemId));
        set->setValue(QStringLiteral("FileName"), image.FileName);
        set->setValue(QStringLiteral("FileSize"), qlonglong(image.FileSize));
        set->setValue(QStringLiteral("FileDimX"), image.DimX);
        set->setValue(QStringLiteral("FileDimY"), image.DimY);
        set->setValue(
            QStringLiteral("AvgRGB"), SetRGBValues(avgRGB.Red, avgRGB.Green, avgRGB.Blue));
        for (int q = 0; q < 4; ++q) {
            const RGBTriple &c = quadRGB[size_t(q)];
            set->setValue(QStringLiteral("QuadRGB") + QString::number(q),
                SetRGBValues(c.Red, c.Green, c.Blue));
        }
        std::int32_t pattern1 = 0;
        std::int32_t pattern2 = 0;
        MakeBitLong(pattern, pattern1, pattern2);
        set->setValue(QStringLiteral("Pattern1"), pattern1);
        set->setValue(QStringLiteral("Pattern2"), pattern2);
        set->update();
        return true;
    } catch (const std::exception &e) {
        cancelEdit(set);
        ReportException(e, kModule,
            QStringLiteral("StoreImageData(") + num(collectionId) + QStringLiteral(", ")
                + num(itemId) + QStringLiteral(", *, *, *)"));
        return false;
    }
}

bool DeleteFileDataRecord(std::int64_t id)
{
    try {
        OpenDb().Execute(DeleteFileDataSql(id), 64);
        openSet(AppDb().fileData).requery();
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

bool RenameFileDataRecord(std::int64_t id, const QString &newName)
{
    try {
        OpenDb().Execute(RenameFileDataSql(id, newName), 64);
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

bool AddNewCollectionToDB(const QString &name)
{
    RecordSet *set = nullptr;
    try {
        set = &openSet(AppDb().collections);
        if (findCollection(*set, name))
            return false;
        set->addNew();
        set->setValue(QStringLiteral("Naam"), name);
        set->update();
        return true;
    } catch (const std::exception &e) {
        cancelEdit(set);
        ReportException(
            e, kModule, QStringLiteral("AddNewCollectionToDB(") + name + QLatin1Char(')'));
        return false;
    }
}

bool DeleteCollectionFromDB(const QString &name)
{
    try {
        RecordSet &set = openSet(AppDb().collections);
        if (!findCollection(set, name))
            return false;
        set.remove();
        return true;
    } catch (const std::exception &e) {
        ReportException(
            e, kModule, QStringLiteral("DeleteCollectionFromDB(") + name + QLatin1Char(')'));
        return false;
    }
}

std::int64_t AddNewItemToCollection(std::int32_t collectionId, QString &path)
{
    RecordSet *set = nullptr;
    try {
        StripTrailingBackslash(path);
        set = &openSet(AppDb().collectionItems);
        if (set->findFirst(CollectionPathCriterion(collectionId, path)))
            return -1;
        set->addNew();
        set->setValue(QStringLiteral("CollectionID"), collectionId);
        set->setValue(QStringLiteral("PATH"), path);
        const std::int64_t itemId = set->value(QStringLiteral("ItemID")).toLongLong();
        set->update();
        return itemId;
    } catch (const std::exception &e) {
        cancelEdit(set);
        ReportException(e, kModule,
            QStringLiteral("AddNewItemToCollection(") + num(collectionId) + QStringLiteral(", ")
                + path + QLatin1Char(')'));
        return 0;
    }
}

bool DeleteItemFromCollection(std::int32_t collectionId, const QString &path)
{
    try {
        OpenDb().Execute(DeleteItemFromCollectionSql(collectionId, path), 64);
        return true;
    } catch (const std::exception &e) {
        ReportException(e, kModule,
            QStringLiteral("DeleteItemFromCollection(") + num(collectionId) + QStringLiteral(", ")
                + path + QLatin1Char(')'));
        return false;
    }
}

void ClearDuplicateTable()
{
    OpenDb().Execute(ClearDuplicateTableSql(), 64);
    openSet(AppDb().duplicates).requery();
}

void ClearDBProcessingFlags()
{
    try {
        OpenDb().Execute(ClearProcessingFlagsSql(), 64);
        openSet(AppDb().fileData).requery();
    } catch (const std::exception &e) {
        ReportException(e, kModule, QStringLiteral("ClearDBProcessingFlags"));
    }
}

void MarkFileDataProcessed(const QList<std::int64_t> &ids)
{
    if (ids.isEmpty())
        return;  // "WHERE" alone is no statement
    try {
        OpenDb().Execute(MarkFileDataProcessedSql(ids), 64);
    } catch (const std::exception &e) {
        ReportException(e, kModule, QStringLiteral("MarkFileDataProcessed"));
    }
}

QVariant GetImagePath(std::int32_t collectionId, std::int64_t itemId)
{
    try {
        RecordSet &set = openSet(AppDb().collectionItems);
        // A FileData row may outlive its directory entry (deleting a
        // directory keeps its records): no path then, rather than the path of
        // whichever row the failed find left current.
        if (!set.findFirst(CollectionItemCriterion(collectionId, itemId)))
            return {};
        return set.value(QStringLiteral("Path"));
    } catch (const std::exception &e) {
        ReportException(e, kModule,
            QStringLiteral("GetImagePath(") + num(collectionId) + QStringLiteral(", ") + num(itemId)
                + QLatin1Char(')'));
        return {};
    }
}

ImageFileInfo RetrieveImageFileInformation(RecordSet &fileData)
{
    try {
        const auto collectionId
            = std::int32_t(fileData.value(QStringLiteral("CollectionID")).toLongLong());
        const std::int64_t itemId = fileData.value(QStringLiteral("ItemID")).toLongLong();
        ImageFileInfo image;
        image.Directory = GetShortPath(GetImagePath(collectionId, itemId).toString());
        image.FileName = fileData.value(QStringLiteral("FileName")).toString();
        image.FileSize = fileData.value(QStringLiteral("FileSize")).toLongLong();
        image.DimX = std::int32_t(fileData.value(QStringLiteral("FileDimX")).toLongLong());
        image.DimY = std::int32_t(fileData.value(QStringLiteral("FileDimY")).toLongLong());
        return image;
    } catch (const std::exception &e) {
        ReportException(e, kModule, QStringLiteral("RetrieveImageFileInformation"));
        return {};
    }
}

}  // namespace vexa

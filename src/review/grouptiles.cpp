#include "review/grouptiles.h"

#include "base/diskpath.h"

#include "db/records.h"
#include "db/recordset.h"
#include "narration/duplicateset.h"
#include "review/duplicatepersistence.h"

#include <QFileInfo>

namespace vexa {
namespace {

bool FindRecord(RecordSet &fileData, std::int32_t id)
{
    return fileData.findFirst(QStringLiteral("ID=") + QString::number(id));
}

}  // namespace

std::optional<GroupTile> GroupSourceTile(
    const CDuplicate &group, RecordSet &fileData, const MemoryImageLookup &memory)
{
    GroupTile source;
    source.tile = 0;
    source.groupPosition = 1;
    source.id = group.lSource();
    if (group.lSource() != -1) {
        if (!FindRecord(fileData, group.lSource()))
            return std::nullopt;
        source.file = RetrieveImageFileInformation(fileData);
        return source;
    }
    // Only an entry the memory list really holds is read.
    if (MemorySourceLostOnLoad(group) || !memory)
        return std::nullopt;
    const std::optional<MemoryImageEntry> entry = memory(group.MemLoadPos());
    if (!entry)
        return std::nullopt;
    source.file.Directory = entry->path;
    source.file.FileName = entry->fileName;
    source.file.FileSize = entry->fileSize;
    source.file.DimX = entry->width;
    source.file.DimY = entry->height;
    return source;
}

QList<GroupTile> GroupDuplicateTiles(
    const CDuplicate &group, RecordSet &fileData, int maxTiles, bool *more)
{
    const QList<std::int32_t> &ids = group.fileIds();
    QList<GroupTile> tiles;
    if (more)
        *more = false;
    for (qsizetype i = 0; i < ids.size(); ++i) {
        if (tiles.size() >= maxTiles) {
            if (more)
                *more = true;
            break;
        }
        if (!FindRecord(fileData, ids.at(i)))
            continue;
        GroupTile tile;
        tile.file = RetrieveImageFileInformation(fileData);
        if (tile.file.Directory.isEmpty() || !StatOnDisk(tile.path()).isFile)
            continue;
        tile.tile = int(tiles.size()) + 1;
        tile.groupPosition = int(i) + 2;
        tile.id = ids.at(i);
        tiles.append(tile);
    }
    return tiles;
}

}  // namespace vexa

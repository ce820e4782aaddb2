#pragma once

#include "db/imagefileinfo.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace vexa {

class CDuplicate;
class RecordSet;

// A file of the memory signature list, as the viewer shows a memory source.
struct MemoryImageEntry {
    QString path;  // directory, no trailing "/"
    QString fileName;
    std::int64_t fileSize = 0;
    int width = 0;
    int height = 0;
};
// The entry at a position, or nothing when the list holds no such entry.
using MemoryImageLookup = std::function<std::optional<MemoryImageEntry>(int position)>;

// One picture of a duplicate group as the viewer shows it.
struct GroupTile {
    int tile = 0;  // 0 the source, 1.. the duplicates
    int groupPosition = 0;  // 1 the source, 2.. the duplicates in the group's order
    std::int32_t id = 0;  // FileData ID; -1 for a memory source
    ImageFileInfo file;
    QString path() const { return file.Directory + QLatin1Char('/') + file.FileName; }
};

// The group's source: its FileData row (fileData is positioned on it), or
// for a memory source the list entry at MemLoadPos, never read for a source
// that DuplicateLoad lost. Nothing when neither can be had: tile 0 stays
// hidden. Database errors are thrown.
std::optional<GroupTile> GroupSourceTile(
    const CDuplicate &group, RecordSet &fileData, const MemoryImageLookup &memory);

// The group's duplicates that get a tile, numbered from tile 1 in the group's
// order: those whose FileData row exists and whose file is there (a missing
// row or file gets no tile). At most maxTiles; *more tells whether
// duplicates were left unlooked at when it stopped. Database errors are
// thrown.
QList<GroupTile> GroupDuplicateTiles(
    const CDuplicate &group, RecordSet &fileData, int maxTiles, bool *more);

}  // namespace vexa

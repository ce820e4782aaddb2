#pragma once

#include "signature/imagefunc.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>

namespace vexa {

class Database;
class SqliteConnection;

// The modification time of each gathered file, so that a file edited after
// it was gathered is gathered again. Kept in a table of its own keyed by
// FileData.ID (FileStamp), beside the system's tables: created on open when
// missing, so an older database gains it, and its rows go with their
// FileData rows through a trigger, whatever statement deletes them.
// Interface thread only (the thread that owns the database).

// Which decoding made a record's data, kept with its stamp: a record made by
// an older one is gathered again, once, on the next gathering of its
// directory. 0: before orientation tags were applied (a photograph stored
// sideways was sampled lying on its side); 1: since.
inline constexpr int kCurrentDecoding = 1;

// The table and the trigger, each IF NOT EXISTS.
QString FileStampSchemaSql();
// Runs FileStampSchemaSql and gives a table of an older program the columns
// it lacks. Errors throw.
void EnsureFileStampTable(SqliteConnection &connection);

struct FileStampRow {
    std::int64_t modifiedNs = 0;  // nanoseconds since 1970
    int decoding = 0;  // kCurrentDecoding or older
};

// The stamps of the stamped records of one directory, by FileData.ID.
// Errors throw.
QHash<std::int64_t, FileStampRow> DirectoryFileStamps(
    Database &db, std::int32_t collectionId, std::int64_t itemId);
// Sets the stamp of one record just gathered. Errors throw.
void StoreFileStamp(Database &db, std::int64_t id, std::int64_t modifiedNs);

// What a new gathering of a file found, written over its existing record.
struct RegatheredImage {
    std::int64_t fileSize = 0;  // bytes
    std::int32_t width = 0;  // pixels
    std::int32_t height = 0;
    RGBTriple average;
    QuadTriples quadrants;
    QByteArray pattern;  // 64 characters "0"/"1"
};
// Rewrites the size, dimensions, colours and pattern of the FileData row
// with this ID in place: the ID stays, so saved duplicate sets still name
// the file. false (reported, "modDataFunc") on failure.
bool UpdateImageData(std::int64_t id, const RegatheredImage &image);

}  // namespace vexa

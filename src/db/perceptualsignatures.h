#pragma once

#include "signature/perceptualhash.h"

#include <QHash>
#include <QString>

#include <cstdint>

namespace vexa {

class Database;

// The perceptual signature of each gathered file, in a table of its own
// keyed by FileData.ID (PerceptualSignature) beside the system's tables:
// created on open when missing, so an older database gains it, and its rows
// go with their FileData rows through a trigger, whatever statement deletes
// them. A renamed record keeps its ID and so its signature.
// Interface thread only (the thread that owns the database).

// The table and the trigger, each IF NOT EXISTS.
QString PerceptualSignatureSchemaSql();

// The signatures of the records of one directory, by FileData.ID. Errors throw.
QHash<std::int64_t, PerceptualHash> DirectoryPerceptualSignatures(
    Database &db, std::int32_t collectionId, std::int64_t itemId);
// Sets the signature of one record. Errors throw.
void StorePerceptualSignature(Database &db, std::int64_t id, PerceptualHash hash);

}  // namespace vexa

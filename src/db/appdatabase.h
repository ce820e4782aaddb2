#pragma once

#include "db/database.h"
#include "db/recordset.h"

#include <memory>

namespace vexa {

// The database and its five record sets, open from start-up to shutdown and
// shared by every part of the program. Interface thread only.
struct ApplicationDatabase {
    std::unique_ptr<Database> db;
    std::unique_ptr<RecordSet> collections;  // table Collection
    std::unique_ptr<RecordSet> collectionItems;  // table CollectionItem
    std::unique_ptr<RecordSet> fileData;  // table FileData
    std::unique_ptr<RecordSet> duplicates;  // table Duplicate
    std::unique_ptr<RecordSet> sysInfo;  // table SysInfo

    bool isOpen() const { return db && sysInfo; }
};

ApplicationDatabase &AppDb();
// The open database; throws error 3420 when it is closed.
Database &OpenDb();

}  // namespace vexa

#pragma once

#include <QList>
#include <QString>

#include <cstdint>

namespace vexa {

class CDuplicate;
class CDuplicates;
class RunObserver;

// Writes every group of the set into the Duplicate table, replacing its
// rows. The table is rewritten in one transaction: a failing save keeps the
// rows of the previous save instead of leaving the table empty.
// Reports failures as "DuplicateSave" / "frmVEXA"; returns false on failure.
// Called on the interface thread only (or by the CLI).
bool DuplicateSave(const CDuplicates &set, RunObserver *observer = nullptr);

// Replaces the set by the saved groups that still have at least two existing
// FileData records. An empty table leaves the set untouched. Groups saved
// with a memory source (-1) come back with MemLoadPos 0.
// Returns the number of groups loaded, or -1 on failure ("DuplicateLoad").
int DuplicateLoad(CDuplicates &set, RunObserver *observer = nullptr);

// Empties the set and the Duplicate table.
bool DuplicateClear(CDuplicates &set);

// True for a group DuplicateLoad brought back with a memory source (-1):
// its MemLoadPos 0 no longer refers to that file, so nothing may read the
// memory signature list for it.
bool MemorySourceLostOnLoad(const CDuplicate &group);

// "12|40|" for {12, 40}; "" for an empty list.
QString FormatIdList(const QList<std::int32_t> &ids);

// Inverse of FormatIdList. Pieces between bars that are not a 32-bit integer
// are skipped; text after the last bar is ignored.
QList<std::int32_t> ParseIdList(const QString &text);

}  // namespace vexa

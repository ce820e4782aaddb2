#include "app/appobjects.h"

#include "db/lifecycle.h"
#include "gather/memorysignatures.h"
#include "narration/duplicateset.h"
#include "review/binaryset.h"

#include <memory>

namespace vexa {

void CreateApplicationObjects()
{
    auto duplicates = std::make_unique<CDuplicates>();
    // A group whose source is -1 counts its source by the memory entry's file.
    duplicates->setMemoryEntryPath([](std::int32_t position) -> std::optional<QString> {
        if (const MemorySignatureEntry *entry = MemorySignatures().at(position))
            return entry->fullPath();
        return std::nullopt;
    });
    SetApplicationDuplicates(std::move(duplicates));
    SetApplicationBinaries(std::make_unique<CBinaries>());
}

void ReleaseApplicationObjects()
{
    SetApplicationDuplicates(nullptr);
    SetApplicationBinaries(nullptr);
}

void TerminateApplication()
{
    ReleaseApplicationObjects();
    CloseApplicationDatabase();
}

}  // namespace vexa

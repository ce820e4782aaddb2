#include "app/appobjects.h"

#include "db/lifecycle.h"
#include "narration/duplicateset.h"
#include "review/binaryset.h"

#include <memory>

namespace vexa {

void CreateApplicationObjects()
{
    SetApplicationDuplicates(std::make_unique<CDuplicates>());
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

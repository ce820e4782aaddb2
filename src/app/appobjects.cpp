#include "app/appobjects.h"

#include "db/lifecycle.h"
#include "narration/duplicateset.h"
#include "review/binaryset.h"

#include <memory>

namespace vexa {

namespace {
std::unique_ptr<CBinaries> g_binaries;
}  // namespace

CBinaries *Binaries()
{
    return g_binaries.get();
}

void CreateApplicationObjects()
{
    SetApplicationDuplicates(std::make_unique<CDuplicates>());
    g_binaries = std::make_unique<CBinaries>();
}

void ReleaseApplicationObjects()
{
    SetApplicationDuplicates(nullptr);
    g_binaries.reset();
}

void TerminateApplication()
{
    ReleaseApplicationObjects();
    CloseApplicationDatabase();
}

}  // namespace vexa

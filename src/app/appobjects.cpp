#include "app/appobjects.h"

#include "db/lifecycle.h"
#include "narration/duplicateset.h"
#include "review/binaryset.h"

#include <memory>

namespace vexa {

namespace {
std::unique_ptr<CDuplicates> g_duplicates;
std::unique_ptr<CBinaries> g_binaries;
}  // namespace

CDuplicates *Duplicates()
{
    return g_duplicates.get();
}

CBinaries *Binaries()
{
    return g_binaries.get();
}

void CreateApplicationObjects()
{
    g_duplicates = std::make_unique<CDuplicates>();
    g_binaries = std::make_unique<CBinaries>();
}

void ReleaseApplicationObjects()
{
    g_duplicates.reset();
    g_binaries.reset();
}

void TerminateApplication()
{
    ReleaseApplicationObjects();
    CloseApplicationDatabase();
}

}  // namespace vexa

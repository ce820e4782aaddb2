#include "app/texts.h"

namespace vexa {

namespace {
// Sorted by id. English at 101..1037, Dutch at the English id + 2000.
constexpr StringTableEntry kTable[] = {
    {300, "VEXA II - Duplicate Image Finder"},
    {766, "An error occured in module: "},
    {767, "VEXA - Error"},
    {2300, "VEXA II - Duplicate Image Finder"},
    {2766, "Er is een fout opgetreden in module:"},
    {2767, "VEXA - Fout"},
};
}  // namespace

std::span<const StringTableEntry> StringTable()
{
    return kTable;
}

}  // namespace vexa

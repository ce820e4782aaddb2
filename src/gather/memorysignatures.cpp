#include "gather/memorysignatures.h"

namespace vexa {

QString MemorySignatureEntry::fullPath() const
{
    return Path + QLatin1Char('/') + FileName;
}

const MemorySignatureEntry *MemorySignatureList::at(std::int32_t position) const
{
    if (position < 0 || position >= size())
        return nullptr;
    return &m_entries[std::size_t(position)];
}

void MemorySignatureList::truncate(std::int32_t size)
{
    if (size >= 0 && size < this->size())
        m_entries.resize(std::size_t(size));
}

MemorySignatureList &MemorySignatures()
{
    static MemorySignatureList list;
    return list;
}

}  // namespace vexa

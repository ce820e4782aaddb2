#pragma once

#include "narration/narrationscan.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <ostream>
#include <random>
#include <vector>

// Failure messages name the row by its text.
inline std::ostream &operator<<(std::ostream &os, const QString &text)
{
    return os << text.toStdString();
}

namespace vexa::test {

// Writes FileData rows of one directory of one collection into the open
// application database and returns the selection clause of that directory.
class NarrationRows {
public:
    NarrationRows(std::int32_t collectionId = 3, std::int64_t itemId = 5);

    // The row's ID is taken from the engine (rows come in ID order); returns it.
    std::int32_t add(const NarrationRecord &record, const QString &fileName = QString());
    void addAll(const std::vector<NarrationRecord> &records);
    QString selection() const;
    std::int32_t collectionId() const { return m_collectionId; }
    std::int64_t itemId() const { return m_itemId; }

private:
    std::int32_t m_collectionId;
    std::int64_t m_itemId;
    int m_counter = 0;
};

// The Processed flag of every FileData row, by ID.
QList<std::pair<std::int32_t, bool>> ProcessedFlags();

// Random signature sets that stress the index: equal values, values at the
// tolerance boundaries of every level, families larger than 65, dark and
// grey images, Null-like zeros, stale Processed flags.
std::vector<NarrationRecord> RandomRecords(std::mt19937 &random, int count, bool staleFlags);

// A record from RGB triples: average, four quadrants, and a 64-bit pattern.
NarrationRecord MakeRecord(int avgR, int avgG, int avgB, std::uint64_t pattern = 0,
    int quadShift = 0, std::int64_t size = 1000, int dimX = 640, int dimY = 480);

}  // namespace vexa::test

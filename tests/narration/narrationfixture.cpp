#include "narrationfixture.h"

#include "db/appdatabase.h"
#include "db/perceptualsignatures.h"
#include "db/selectionsql.h"
#include "signature/perceptualhash.h"
#include "signature/signaturelib.h"

#include <algorithm>

namespace vexa::test {

NarrationRows::NarrationRows(std::int32_t collectionId, std::int64_t itemId)
    : m_collectionId(collectionId)
    , m_itemId(itemId)
{
}

std::int32_t NarrationRows::add(const NarrationRecord &r, const QString &fileName)
{
    Database &db = *AppDb().db;
    const QString name
        = fileName.isEmpty() ? QStringLiteral("img%1.jpg").arg(++m_counter) : fileName;
    const auto orNull = [](bool isNull, qint64 value) {
        return isNull ? QStringLiteral("NULL") : QString::number(value);
    };
    db.Execute(
        QStringLiteral("INSERT INTO FileData (CollectionID, ItemID, FileName, FileSize, "
                       "FileDimX, FileDimY, AvgRGB, QuadRGB0, QuadRGB1, QuadRGB2, QuadRGB3, "
                       "Pattern1, Pattern2, Processed) VALUES (%1, %2, '%3', %4, %5, %6, %7, "
                       "%8, %9, %10, %11, %12, %13, %14)")
            .arg(m_collectionId)
            .arg(m_itemId)
            .arg(RebuildForSql(name))
            .arg(orNull(r.sizeNull, r.fileSize))
            .arg(orNull(r.dimXNull, r.dimX))
            .arg(orNull(r.dimYNull, r.dimY))
            .arg(r.avg)
            .arg(r.quad[0])
            .arg(r.quad[1])
            .arg(r.quad[2])
            .arg(r.quad[3])
            .arg(r.pattern1)
            .arg(r.pattern2)
            .arg(r.processed ? 1 : 0));
    const std::int32_t id = std::int32_t(db.connection().lastInsertRowId());
    if (!r.perceptualNull)
        StorePerceptualSignature(db, id, r.perceptual);
    return id;
}

void NarrationRows::addAll(const std::vector<NarrationRecord> &records)
{
    Database &db = *AppDb().db;
    Transaction transaction(db);
    for (const NarrationRecord &r : records)
        add(r);
    transaction.commit();
}

QString NarrationRows::selection() const
{
    return BuildSelectionSql({ { DirectoryKey(m_itemId), true } }, m_collectionId);
}

QList<std::pair<std::int32_t, bool>> ProcessedFlags()
{
    QList<std::pair<std::int32_t, bool>> flags;
    Statement query(AppDb().db->connection().handle(),
        QStringLiteral("SELECT ID, Processed FROM FileData ORDER BY ID"));
    while (query.step())
        flags.append({ std::int32_t(query.columnInt64(0)), query.columnInt64(1) != 0 });
    return flags;
}

NarrationRecord MakeRecord(int r, int g, int b, std::uint64_t pattern, int quadShift,
    std::int64_t size, int dimX, int dimY)
{
    NarrationRecord rec;
    rec.avg = SetRGBValues(r, g, b);
    for (int q = 0; q < 4; ++q)
        rec.quad[q] = SetRGBValues(r + quadShift, g + quadShift, b + quadShift);
    rec.pattern1 = std::int32_t(std::uint32_t(pattern));
    rec.pattern2 = std::int32_t(std::uint32_t(pattern >> 32));
    rec.perceptual = pattern;
    rec.perceptualNull = false;
    rec.fileSize = size;
    rec.dimX = dimX;
    rec.dimY = dimY;
    return rec;
}

std::vector<NarrationRecord> RandomRecords(std::mt19937 &random, int count, bool staleFlags)
{
    std::uniform_int_distribution<int> pick(0, 99);
    std::uniform_int_distribution<int> byte(0, 255);
    const auto clampByte = [](int v) { return std::clamp(v, 0, 255); };
    // A few centres the records crowd around, so there are matches at every
    // level; offsets often sit exactly at a level's threshold or one past it.
    const int centres = 1 + pick(random) % 6;
    std::vector<NarrationRecord> centre;
    for (int c = 0; c < centres; ++c) {
        NarrationRecord r;
        r.avg = SetRGBValues(byte(random), byte(random), byte(random));
        for (int q = 0; q < 4; ++q)
            r.quad[q] = SetRGBValues(byte(random), byte(random), byte(random));
        r.pattern1 = std::int32_t(random());
        r.pattern2 = std::int32_t(random());
        r.fileSize = 1000 + pick(random) % 4;
        r.dimX = 100 + pick(random) % 3;
        r.dimY = 100 + pick(random) % 2;
        centre.push_back(r);
    }
    const auto offset = [&]() {
        const int level = pick(random) % 13;
        int limit = 0;
        switch (pick(random) % 3) {
        case 0: limit = AvgChannelTolerance(level); break;
        case 1: limit = QuadChannelTolerance(level); break;
        default: limit = PatternBitTolerance(level); break;
        }
        const int kind = pick(random) % 4;
        const int magnitude = kind == 0 ? 0
            : kind == 1                 ? limit
            : kind == 2                 ? limit + 1
                                        : pick(random) % 30;
        return pick(random) % 2 ? magnitude : -magnitude;
    };
    const auto shifted = [&](std::int32_t packed) {
        std::int32_t c[3];
        GetRGBValues(packed, c[0], c[1], c[2]);
        const int mode = pick(random) % 3;  // move one channel, all, or none
        for (int k = 0; k < 3; ++k) {
            if (mode == 1 || (mode == 0 && k == 0))
                c[k] = clampByte(c[k] + offset());
        }
        return SetRGBValues(c[0], c[1], c[2]);
    };
    const auto flipBits = [&](std::int32_t &p1, std::int32_t &p2) {
        int flips = std::abs(offset());
        for (int i = 0; i < flips; ++i) {
            const int bit = pick(random) % 64;
            if (bit < 32)
                p1 = std::int32_t(std::uint32_t(p1) ^ (1u << bit));
            else
                p2 = std::int32_t(std::uint32_t(p2) ^ (1u << (bit - 32)));
        }
    };
    std::vector<NarrationRecord> records;
    records.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        NarrationRecord r = centre[std::size_t(pick(random) % centres)];
        const int kind = pick(random);
        if (kind < 15) {
            // exactly the centre: many equal values, families beyond 65
        } else if (kind < 25) {
            // a stranger
            r.avg = SetRGBValues(byte(random), byte(random), byte(random));
            for (int q = 0; q < 4; ++q)
                r.quad[q] = SetRGBValues(byte(random), byte(random), byte(random));
            r.pattern1 = std::int32_t(random());
            r.pattern2 = std::int32_t(random());
        } else if (kind < 32) {
            // dark: pattern all dark, colours near black
            r.avg = SetRGBValues(pick(random) % 12, pick(random) % 12, pick(random) % 12);
            for (int q = 0; q < 4; ++q)
                r.quad[q] = SetRGBValues(pick(random) % 12, pick(random) % 12, pick(random) % 12);
            r.pattern1 = 0;
            r.pattern2 = 0;
        } else {
            r.avg = shifted(r.avg);
            for (int q = 0; q < 4; ++q) {
                if (pick(random) % 2)
                    r.quad[q] = shifted(r.quad[q]);
            }
            flipBits(r.pattern1, r.pattern2);
        }
        // The perceptual signature: the pattern's crowding, often turned to
        // another orientation, sometimes missing (a record from before it).
        r.perceptual = std::uint64_t(std::uint32_t(r.pattern2)) << 32 | std::uint32_t(r.pattern1);
        if (pick(random) < 30)
            r.perceptual = PerceptualOriented(r.perceptual, Orientation(pick(random) % 8));
        r.perceptualNull = pick(random) < 5;
        if (pick(random) < 10)
            r.fileSize += pick(random) % 2;
        // A Null reads as 0, as the record set converts it.
        if (pick(random) < 3) {
            r.sizeNull = true;
            r.fileSize = 0;
        }
        if (pick(random) < 3) {
            r.dimXNull = true;
            r.dimX = 0;
        }
        r.processed = staleFlags && pick(random) < 10;
        records.push_back(r);
    }
    for (std::size_t i = 0; i < records.size(); ++i)
        records[i].id = std::int32_t(i + 1);
    return records;
}

}  // namespace vexa::test

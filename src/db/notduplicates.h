#pragma once

#include <QList>
#include <QString>

#include <cstdint>
#include <unordered_set>
#include <vector>

namespace vexa {

class Database;
class SqliteConnection;

// Pairs of records the user said are not duplicates of each other, in a
// table of their own (NotDuplicatePair) keyed by the unordered pair of
// FileData IDs, stored with the smaller ID first. Made on open when missing,
// so an older database gains it; a trigger deletes a pair with either of its
// records, whatever statement deletes them. A renamed record keeps its ID
// and so its pairs. Interface thread only (the thread that owns the database).

struct NotDuplicatePair {
    std::int32_t first = 0;  // the smaller FileData.ID
    std::int32_t second = 0;  // the larger
    QString firstPath;  // directory + "/" + name; empty when the record has no directory
    QString secondPath;
    bool operator==(const NotDuplicatePair &other) const
    {
        return first == other.first && second == other.second;
    }
};

// The table, its second index and the trigger, each IF NOT EXISTS.
QString NotDuplicateSchemaSql();

// Remembers a pair (either order); false when it was already remembered.
// Two equal IDs, or an ID without a record, throw VexaError 5.
bool RememberNotDuplicate(Database &db, std::int32_t a, std::int32_t b);
// Forgets a pair (either order); false when it was not remembered.
bool ForgetNotDuplicate(Database &db, std::int32_t a, std::int32_t b);
// Every remembered pair with the paths of its records, by first and second
// ID. A database without the table (an older one opened read only) has none.
QList<NotDuplicatePair> NotDuplicatePairs(Database &db);
// The FileData IDs of a file's records (one per collection holding its
// directory), by directory and name as stored, in ID order.
QList<std::int32_t> RecordIdsOfFile(Database &db, const QString &directory, const QString &name);

// The remembered pairs as the narrations ask them: is this pair remembered?
// A narration asks for every match it finds, so the common answer (one of
// the two records is in no pair at all) comes from a bit per record ID
// before any hash lookup. Built once per run; any thread once built.
class NotDuplicateSet {
public:
    void insert(std::int32_t a, std::int32_t b);
    bool contains(std::int32_t a, std::int32_t b) const
    {
        return involved(a) && involved(b) && m_pairs.count(keyOf(a, b)) != 0;
    }
    bool empty() const { return m_pairs.empty(); }
    std::size_t size() const { return m_pairs.size(); }

private:
    bool involved(std::int32_t id) const
    {
        return id >= 0 && std::size_t(id) < m_involved.size() && m_involved[std::size_t(id)];
    }
    static std::uint64_t keyOf(std::int32_t a, std::int32_t b)
    {
        const auto low = std::uint32_t(a < b ? a : b);
        const auto high = std::uint32_t(a < b ? b : a);
        return (std::uint64_t(low) << 32) | high;
    }
    std::unordered_set<std::uint64_t> m_pairs;
    std::vector<bool> m_involved;  // by FileData.ID
};

// Every remembered pair, read with one query (no paths).
NotDuplicateSet LoadNotDuplicateSet(Database &db);

}  // namespace vexa

#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <thread>
#include <vector>

namespace vexa {

class Database;

// A FileData row whose Processed flag was not FALSE when a run started.
struct FlagBefore {
    std::int32_t id = 0;
    bool isTrue = false;  // exactly TRUE; a Null or any other value is rewritten
};

// Leaves every Processed flag of the table as ClearDBProcessingFlags
// followed by MarkFileDataProcessed of the found records would (FALSE, TRUE
// for the found ones), in one transaction, writing only the rows whose flag
// changes: a narration repeated on unchanged records rewrites nothing, and
// any other touches each page of the table once.
//
// Rewriting the flags of a million rows takes about a second. When the scan
// only ever finds records after its source (the signature methods), a row
// below the next source is final, so a thread of its own writes those rows
// on a connection of its own while the scan goes on; the rest follows at
// finish(). Otherwise everything is written at finish() on the run's
// connection. A failure is reported as the marking's, and the run goes on.
class FlagWriter {
public:
    // before: the rows not FALSE at the start, in ID order. highestId: the
    // highest ID the run may find. alongside: write while the scan runs
    // (only taken when the database allows a second connection to write).
    FlagWriter(
        Database &db, std::vector<FlagBefore> before, std::int32_t highestId, bool alongside);
    ~FlagWriter();
    FlagWriter(const FlagWriter &) = delete;
    FlagWriter &operator=(const FlagWriter &) = delete;

    // The scan's thread: a record found as a duplicate. Must come before
    // decidedBelow() passes its ID.
    void markFound(std::int32_t id)
    {
        m_found[std::size_t(id) >> 6].fetch_or(
            std::uint64_t(1) << (std::uint32_t(id) & 63), std::memory_order_relaxed);
    }
    // The scan's thread: every row with a lower ID has its final flag.
    void decidedBelow(std::int32_t id) { m_decidedBelow.store(id, std::memory_order_release); }

    // Writes what is left and commits; called once, at the run's end (also
    // after Cancel or a failure of the scan).
    void finish();

private:
    class Writer;
    void writeAlongside();
    bool writesAlongsideDone() const;

    Database &m_db;
    QString m_path;
    std::vector<FlagBefore> m_before;
    std::size_t m_words;
    std::unique_ptr<std::atomic<std::uint64_t>[]> m_found;
    std::atomic<std::int32_t> m_decidedBelow { 0 };
    std::atomic<bool> m_scanDone { false };
    std::exception_ptr m_failure;
    std::thread m_thread;
    bool m_startedAlongside = false;
    bool m_finished = false;
};

}  // namespace vexa

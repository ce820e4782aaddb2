#include "narration/flagwriter.h"

#include "base/errors.h"
#include "db/appdatabase.h"
#include "db/database.h"
#include "db/recordset.h"
#include "db/sqlite.h"

#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <optional>

namespace vexa {

namespace {

constexpr std::int64_t kEveryRow = std::numeric_limits<std::int64_t>::max();

}  // namespace

// Writes the flags of the rows below a limit that rises, in ID order, so
// each page of the table is dirtied once. Each step is one statement over a
// range of IDs that walks the table's rows in order and rewrites only those
// whose flag changes, as a function of the connection tells it: a walk
// costs less per row than looking each changed row up by its ID.
class FlagWriter::Writer {
public:
    Writer(Database &db, const std::vector<FlagBefore> &before,
        const std::atomic<std::uint64_t> *found, std::size_t words)
        : m_handle(db.connection().handle())
        , m_found(found)
        , m_end(std::int64_t(words) * 64)
        , m_notFalse(words, 0)
        , m_true(words, 0)
    {
        for (const FlagBefore &row : before) {
            const auto word = std::size_t(row.id) >> 6;
            const std::uint64_t bit = std::uint64_t(1) << (std::uint32_t(row.id) & 63);
            m_notFalse[word] |= bit;
            if (row.isTrue)
                m_true[word] |= bit;
        }
        // Direct only: no trigger or view of the file may call it.
        const int rc = sqlite3_create_function(m_handle, kFunction, 1,
            SQLITE_UTF8 | SQLITE_DIRECTONLY, this, &newFlag, nullptr, nullptr);
        if (rc != SQLITE_OK)
            ThrowSqliteError(m_handle, rc);
        m_sweep.emplace(m_handle,
            QStringLiteral("UPDATE FILEDATA SET PROCESSED = %1(ID) "
                           "WHERE ID >= ?1 AND ID < ?2 AND %1(ID) IS NOT NULL")
                .arg(QLatin1String(kFunction)));
    }
    ~Writer()
    {
        m_sweep.reset();
        sqlite3_create_function(
            m_handle, kFunction, 1, SQLITE_UTF8, nullptr, nullptr, nullptr, nullptr);
    }
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    // Every row with m_next <= ID < limit.
    void writeBelow(std::int64_t limit)
    {
        if (limit <= m_next)
            return;
        m_sweep->reset();
        m_sweep->bindInt64(1, m_next);
        m_sweep->bindInt64(2, limit);
        m_sweep->step();
        m_next = limit;
    }

private:
    static constexpr const char *kFunction = "vexa_new_flag";

    bool bitOf(const std::uint64_t *words, std::int64_t id) const
    {
        return id >= 0 && id < m_end && (words[std::size_t(id) >> 6] >> (id & 63) & 1);
    }

    // The row's new flag (1 TRUE, 0 FALSE), or NULL when it keeps its own: a
    // found row that is TRUE already, a row not found that is FALSE.
    static void newFlag(sqlite3_context *context, int, sqlite3_value **values)
    {
        const auto *writer = static_cast<const Writer *>(sqlite3_user_data(context));
        const std::int64_t id = sqlite3_value_int64(values[0]);
        const bool found = id >= 0 && id < writer->m_end
            && (writer->m_found[std::size_t(id) >> 6].load(std::memory_order_relaxed) >> (id & 63)
                & 1);
        if (found && !writer->bitOf(writer->m_true.data(), id))
            sqlite3_result_int(context, 1);
        else if (!found && writer->bitOf(writer->m_notFalse.data(), id))
            sqlite3_result_int(context, 0);
        else
            sqlite3_result_null(context);
    }

    sqlite3 *m_handle;
    const std::atomic<std::uint64_t> *m_found;
    std::int64_t m_end;  // past the last ID the bits can hold
    std::vector<std::uint64_t> m_notFalse;  // a bit per ID: its flag was not FALSE
    std::vector<std::uint64_t> m_true;  // a bit per ID: its flag was exactly TRUE
    std::optional<Statement> m_sweep;
    std::int64_t m_next = 0;  // the first ID not yet written
};

FlagWriter::FlagWriter(
    Database &db, std::vector<FlagBefore> before, std::int32_t highestId, bool alongside)
    : m_db(db)
    , m_path(db.path())
    , m_before(std::move(before))
    , m_words(std::size_t(std::max<std::int64_t>(
                  { highestId, m_before.empty() ? 0 : m_before.back().id, 0 }))
              / 64
          + 1)
    , m_found(std::make_unique<std::atomic<std::uint64_t>[]>(m_words))
{
    // A second connection must see the same file and must not wait on a
    // transaction the run's own connection holds.
    if (alongside && !db.isReadOnly() && !db.InTransaction() && QFileInfo(m_path).isFile()) {
        m_startedAlongside = true;
        m_thread = std::thread([this] { writeAlongside(); });
    }
}

FlagWriter::~FlagWriter()
{
    if (!m_finished) {
        m_scanDone.store(true, std::memory_order_release);
        if (m_thread.joinable())
            m_thread.join();
    }
}

void FlagWriter::writeAlongside()
{
    try {
        Database db(m_path);
        Transaction transaction(db);
        Writer writer(db, m_before, m_found.get(), m_words);
        for (;;) {
            const bool done = m_scanDone.load(std::memory_order_acquire);
            writer.writeBelow(done ? kEveryRow : m_decidedBelow.load(std::memory_order_acquire));
            if (done)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        transaction.commit();
    } catch (...) {
        m_failure = std::current_exception();
    }
}

bool FlagWriter::writesAlongsideDone() const
{
    return m_startedAlongside && !m_failure;
}

void FlagWriter::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_scanDone.store(true, std::memory_order_release);
    try {
        if (m_thread.joinable())
            m_thread.join();
        // Without the second connection (or when it failed, its transaction
        // rolled back) everything is written on the run's own.
        if (!writesAlongsideDone()) {
            Transaction transaction(m_db);
            Writer writer(m_db, m_before, m_found.get(), m_words);
            writer.writeBelow(kEveryRow);
            transaction.commit();
        }
        if (AppDb().fileData)
            AppDb().fileData->requery();
    } catch (const std::exception &e) {
        ReportException(e, QStringLiteral("modDataFunc"), QStringLiteral("MarkFileDataProcessed"));
    }
}

}  // namespace vexa

#include "narration/flagwriter.h"

#include "base/errors.h"
#include "db/appdatabase.h"
#include "db/database.h"
#include "db/recordset.h"
#include "db/sqlite.h"

#include <QFileInfo>

#include <algorithm>
#include <bit>
#include <chrono>
#include <limits>

namespace vexa {

namespace {

constexpr std::int64_t kEveryRow = std::numeric_limits<std::int64_t>::max();

}  // namespace

// Writes the flags of the rows below a limit that rises, in ID order, so
// each page of the table is dirtied once.
class FlagWriter::Writer {
public:
    Writer(Database &db, const std::vector<FlagBefore> &before,
        const std::atomic<std::uint64_t> *found, std::size_t words)
        : m_set(db.connection().handle(),
            QStringLiteral("UPDATE FILEDATA SET PROCESSED=TRUE WHERE ID=?"))
        , m_clear(db.connection().handle(),
              QStringLiteral("UPDATE FILEDATA SET PROCESSED=FALSE WHERE ID=?"))
        , m_before(before)
        , m_found(found)
        , m_end(std::int64_t(words) * 64)
    {
    }

    // Every row with m_next <= ID < limit.
    void writeBelow(std::int64_t limit)
    {
        const std::int64_t bitsEnd = std::min(limit, m_end);
        while (m_next < bitsEnd) {
            const std::size_t word = std::size_t(m_next >> 6);
            std::uint64_t bits = m_found[word].load(std::memory_order_relaxed);
            bits &= ~std::uint64_t(0) << (m_next & 63);
            const std::int64_t wordEnd = std::int64_t(word + 1) * 64;
            if (bitsEnd < wordEnd)
                bits &= (std::uint64_t(1) << (bitsEnd & 63)) - 1;
            for (; bits != 0; bits &= bits - 1)
                writeFound(std::int32_t(std::int64_t(word) * 64 + std::countr_zero(bits)));
            m_next = std::min(wordEnd, bitsEnd);
        }
        for (; m_was < m_before.size() && m_before[m_was].id < limit; ++m_was)
            write(m_clear, m_before[m_was].id);
        m_next = std::max(m_next, std::min(limit, m_end));
    }

private:
    void writeFound(std::int32_t id)
    {
        for (; m_was < m_before.size() && m_before[m_was].id < id; ++m_was)
            write(m_clear, m_before[m_was].id);
        bool alreadySet = false;
        if (m_was < m_before.size() && m_before[m_was].id == id) {
            alreadySet = m_before[m_was].isTrue;
            ++m_was;
        }
        if (!alreadySet)
            write(m_set, id);
    }

    static void write(Statement &statement, std::int32_t id)
    {
        statement.reset();
        statement.bindInt64(1, id);
        statement.step();
    }

    Statement m_set;
    Statement m_clear;
    const std::vector<FlagBefore> &m_before;
    std::size_t m_was = 0;  // the first row of m_before not yet written
    const std::atomic<std::uint64_t> *m_found;
    std::int64_t m_end;  // past the last ID m_found can hold
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

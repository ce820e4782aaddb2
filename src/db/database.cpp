#include "db/database.h"

#include "base/errors.h"

#include <QRegularExpression>

namespace vexa {

Database::Database(const QString &path, bool readOnly)
    : m_connection(std::make_unique<SqliteConnection>(path, readOnly))
    , m_readOnly(readOnly)
{
    // A file that is not a database fails here rather than at first use.
    m_connection->scalar(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    if (!readOnly) {
        // Rollback journal (not WAL), so the database is always one file that
        // the lifecycle can copy and rename; FULL sync makes every commit durable.
        m_connection->exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
        m_connection->exec(QStringLiteral("PRAGMA synchronous=FULL"));
    }
    m_connection->exec(QStringLiteral("PRAGMA case_sensitive_like=OFF"));
}

Database::~Database() = default;

QString Database::TranslateJetSql(const QString &sql)
{
    static const QRegularExpression deleteStar(
        QStringLiteral("^\\s*DELETE\\s+\\*\\s+FROM\\b"), QRegularExpression::CaseInsensitiveOption);
    QString result = sql;
    result.replace(deleteStar, QStringLiteral("DELETE FROM"));
    return result;
}

int Database::Execute(const QString &sql, int)
{
    m_connection->exec(TranslateJetSql(sql));
    return m_connection->changes();
}

const QList<FieldInfo> &Database::Fields(const QString &table)
{
    const QString key = table.toLower();
    auto it = m_fields.find(key);
    if (it != m_fields.end())
        return *it;
    Statement info(
        m_connection->handle(), QStringLiteral("SELECT name, type, pk FROM pragma_table_info(?)"));
    info.bind(1, table);
    QList<FieldInfo> fields;
    while (info.step())
        fields.append({ info.column(0).toString(), info.column(1).toString().toUpper(),
            info.columnInt64(2) != 0 });
    if (fields.isEmpty())
        throw VexaError(
            3078, QStringLiteral("The database engine cannot find the table '%1'.").arg(table));
    return *m_fields.insert(key, fields);
}

void Database::BeginTransaction()
{
    if (m_transactionDepth++ == 0) {
        m_rollbackOnly = false;
        m_connection->exec(QStringLiteral("BEGIN IMMEDIATE"));
    }
}

void Database::CommitTransaction()
{
    if (m_transactionDepth == 0)
        return;
    if (--m_transactionDepth == 0) {
        if (m_rollbackOnly) {
            m_connection->exec(QStringLiteral("ROLLBACK"));
            throw VexaError(3034, QStringLiteral("The transaction was rolled back."));
        }
        m_connection->exec(QStringLiteral("COMMIT"));
    }
}

void Database::RollbackTransaction()
{
    if (m_transactionDepth == 0)
        return;
    if (--m_transactionDepth == 0) {
        if (m_connection->inTransaction())
            m_connection->exec(QStringLiteral("ROLLBACK"));
    } else {
        m_rollbackOnly = true;  // an inner failure dooms the outer transaction
    }
}

Transaction::Transaction(Database &db)
    : m_db(db)
{
    m_db.BeginTransaction();
}

Transaction::~Transaction()
{
    if (!m_done) {
        try {
            m_db.RollbackTransaction();
        } catch (...) {
        }
    }
}

void Transaction::commit()
{
    m_done = true;
    m_db.CommitTransaction();
}

}  // namespace vexa

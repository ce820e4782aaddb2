#pragma once

#include "db/sqlite.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>

namespace vexa {

// Column of a table as the record layer sees it.
struct FieldInfo {
    QString name;
    QString type;  // declared type: INTEGER, TEXT, ...
    bool isKey = false;
};

// The application database: one SQLite connection plus the Jet-compatible
// execute call. Called on the interface thread only (or by one engine that
// owns it).
class Database {
public:
    // Opens an existing database file read-write (readOnly: read only).
    explicit Database(const QString &path, bool readOnly = false);
    ~Database();

    const QString &path() const { return m_connection->path(); }
    SqliteConnection &connection() { return *m_connection; }
    bool isReadOnly() const { return m_readOnly; }

    // Runs an SQL text as the system builds it ("DELETE * FROM x" included).
    // options is the Jet option value (64 = fail on error); accepted and ignored,
    // every statement fails on error. Returns the number of rows changed.
    int Execute(const QString &sql, int options = 64);

    // The Jet forms turned into SQLite's: "DELETE * FROM" becomes "DELETE FROM".
    static QString TranslateJetSql(const QString &sql);

    // Columns of a table, in table order; throws for an unknown table.
    const QList<FieldInfo> &Fields(const QString &table);

    // Transactions nest: only the outermost begin/commit reaches SQLite.
    void BeginTransaction();
    void CommitTransaction();
    void RollbackTransaction();
    bool InTransaction() const { return m_transactionDepth > 0; }

private:
    std::unique_ptr<SqliteConnection> m_connection;
    bool m_readOnly;
    int m_transactionDepth = 0;
    bool m_rollbackOnly = false;
    QHash<QString, QList<FieldInfo>> m_fields;  // key: table name in lower case
};

// Commits at commit(); rolls back when it goes out of scope uncommitted.
class Transaction {
public:
    explicit Transaction(Database &db);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    void commit();

private:
    Database &m_db;
    bool m_done = false;
};

}  // namespace vexa

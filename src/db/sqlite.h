#pragma once

#include <QString>
#include <QVariant>

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace vexa {

// A prepared statement. Errors throw VexaError carrying SQLite's result code.
class Statement {
public:
    Statement(sqlite3 *db, const QString &sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    void bind(int index, const QVariant &value);  // index from 1
    void bindInt64(int index, qint64 value);  // without a QVariant, for tight loops
    void reset();
    bool step();  // true while a row is available
    int columnCount() const;
    QString columnName(int column) const;
    QVariant column(int column) const;
    qint64 columnInt64(int column) const;
    bool columnIsNull(int column) const;

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

// One SQLite connection.
class SqliteConnection {
public:
    // Opens an existing file (readOnly) or opens/creates it read-write.
    SqliteConnection(const QString &path, bool readOnly, bool create = false);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection &) = delete;
    SqliteConnection &operator=(const SqliteConnection &) = delete;

    sqlite3 *handle() const { return m_db; }
    const QString &path() const { return m_path; }

    void exec(const QString &sql);
    // The first column of the first row, Null when there is none.
    QVariant scalar(const QString &sql);
    int changes() const;
    qint64 lastInsertRowId() const;
    bool inTransaction() const;

private:
    sqlite3 *m_db = nullptr;
    QString m_path;
};

[[noreturn]] void ThrowSqliteError(sqlite3 *db, int code);

}  // namespace vexa

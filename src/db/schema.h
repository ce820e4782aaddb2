#pragma once

#include <QString>

namespace vexa {

class SqliteConnection;

inline constexpr int kDatabaseVersion = 300;

// The one definition of the application database: tables and the SysInfo row
// of a new database. The build writes TPL_VEXA.MDB from it, and the program
// recreates a missing template from it.
QString SchemaTablesSql();
// Indexes, created idempotently on every open so older files gain them.
QString SchemaIndexesSql();

// Writes a new template database file at path (replacing any file there).
// Throws VexaError on failure; a failed write leaves no file behind.
void WriteTemplateDatabase(const QString &path);

}  // namespace vexa

#pragma once

#include <QSet>
#include <QString>

namespace vexa {

// File names in the program directory.
inline constexpr const char *kDatabaseFile = "VEXA.MDB";
inline constexpr const char *kTemplateFile = "TPL_VEXA.MDB";
inline constexpr const char *kBackupFile = "VEXA.BAK";
inline constexpr const char *kCompactFile = "TEMP.MDB";

QString DatabasePath();  // program directory + "/VEXA.MDB"
QString TemplatePath();
QString BackupPath();
QString CompactPath();

// ReadOnly never writes to the database, so a database on a read-only
// medium, or one another program is writing, can still be read.
enum class DatabaseAccess { ReadWrite, ReadOnly };

// Opens VEXA.MDB (created from the template when missing) and the five record
// sets; true when all are open. On failure whatever opened stays open for
// CloseApplicationDatabase, and why (when given) says what stood in the way.
// A missing VEXA.MDB is created even for ReadOnly, so a new data directory
// reads as an empty database.
bool OpenApplicationDatabase(
    DatabaseAccess access = DatabaseAccess::ReadWrite, QString *why = nullptr);
void CloseApplicationDatabase();

// false only when VEXA.MDB could be read and its DBVersion is not 300; any
// error (no file, not a database, no row) counts as current.
bool CheckDatabaseVersion(int &version);

// VEXA.MDB is copied to VEXA.BAK and replaced by the template. An earlier
// VEXA.BAK is kept under a dated name first (KeepEarlierBackup), and a
// database of a newer version is never replaced (false, nothing touched).
bool ReplaceDatabaseFromTemplate();

// Renames VEXA.BAK to VEXA.BAK.yyyyMMdd-HHmmss (its modification time;
// numbered when taken) and returns the new name; empty when there was no
// backup or it could not be renamed.
QString KeepEarlierBackup();

// Rewrites VEXA.MDB through VACUUM INTO TEMP.MDB. Never fails visibly; the
// database stays as it was unless this very compaction produced TEMP.MDB.
// The database must be closed.
void CompactApplicationDatabase();

// Makes sure TPL_VEXA.MDB exists in the program directory: copied from the
// install directory, or written anew from the schema.
bool EnsureTemplate();

// Moves an unusable VEXA.MDB aside (VEXA.MDB.unusable, numbered when taken)
// so the next start creates a fresh one; the file itself is kept. Returns the
// new name, or empty when there was nothing to move or it failed.
QString SetAsideDatabase();

// Why the file at path cannot be written, in the system's words ("read-only
// file system", "permission denied"), checked on the file and on its
// directory (the journal lives there); empty when nothing stands in the way.
QString WriteRefusalReason(const QString &path);

class RecordSet;
// Deletes from the given FileData record set every row whose file is no
// longer in directory. Reports errors ("modDataFunc"). listed (optional):
// names a listing of the directory just found as files; those are not
// looked up on disk again.
void VerifyDatabaseIntegrity(
    RecordSet &fileData, const QString &directory, const QSet<QString> *listed = nullptr);

}  // namespace vexa

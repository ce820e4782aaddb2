#include "db/schema.h"

#include "base/errors.h"
#include "db/filestamps.h"
#include "db/notduplicates.h"
#include "db/perceptualsignatures.h"
#include "db/settings.h"
#include "db/sqlite.h"

#include <QFile>

namespace vexa {

QString SchemaTablesSql()
{
    // Keys are AUTOINCREMENT so a deleted record's ID is never given out
    // again: saved duplicate sets refer to FileData.ID.
    return QStringLiteral(R"sql(
CREATE TABLE Collection (
    CollectionID INTEGER PRIMARY KEY AUTOINCREMENT,
    Naam TEXT COLLATE NOCASE
);
CREATE TABLE CollectionItem (
    ItemID INTEGER PRIMARY KEY AUTOINCREMENT,
    CollectionID INTEGER,
    Path TEXT
);
CREATE TABLE FileData (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    CollectionID INTEGER,
    ItemID INTEGER,
    FileName TEXT,
    FileSize INTEGER,
    FileDimX INTEGER,
    FileDimY INTEGER,
    AvgRGB INTEGER,
    QuadRGB0 INTEGER,
    QuadRGB1 INTEGER,
    QuadRGB2 INTEGER,
    QuadRGB3 INTEGER,
    Pattern1 INTEGER,
    Pattern2 INTEGER,
    Processed BOOLEAN NOT NULL DEFAULT 0
);
CREATE TABLE Duplicate (
    MasterId INTEGER,
    Duplicates TEXT
);
CREATE TABLE SysInfo (
    DBVersion INTEGER NOT NULL,
    LangOffset INTEGER,
    AllowUndo BOOLEAN,
    InternetDirectory TEXT,
    LastViewDirectory TEXT,
    ThumbSize INTEGER,
    LastOpenCollection INTEGER,
    TotalFilesNarrated INTEGER,
    TotalBytesNarrated INTEGER
);
INSERT INTO SysInfo (DBVersion, AllowUndo, ThumbSize, TotalFilesNarrated, TotalBytesNarrated)
    VALUES (300, 1, 10, 0, 0);
)sql");
}

QString SchemaIndexesSql()
{
    // A record set walks its rows in key order one lookup at a time, so the
    // per-directory indexes without a trailing column keep the rows of one
    // directory in ID order: each step is one index seek, whatever the size
    // of the table. FileDataDirectory serves the find by file name.
    return QStringLiteral(R"sql(
CREATE INDEX IF NOT EXISTS CollectionNaam ON Collection (Naam);
CREATE INDEX IF NOT EXISTS CollectionItemPath ON CollectionItem (CollectionID, Path);
CREATE INDEX IF NOT EXISTS CollectionItemCollection ON CollectionItem (CollectionID);
CREATE INDEX IF NOT EXISTS FileDataItem ON FileData (CollectionID, ItemID);
CREATE INDEX IF NOT EXISTS FileDataDirectory ON FileData (CollectionID, ItemID, FileName);
CREATE INDEX IF NOT EXISTS FileDataSize ON FileData (FileSize);
CREATE INDEX IF NOT EXISTS FileDataDimensions ON FileData (FileDimX, FileDimY);
)sql");
}

void WriteTemplateDatabase(const QString &path)
{
    const QString partial = path + QStringLiteral(".part");
    QFile::remove(partial);
    try {
        {
            SqliteConnection connection(partial, false, true);
            connection.exec(QStringLiteral("BEGIN"));
            connection.exec(SchemaTablesSql());
            connection.exec(SchemaIndexesSql());
            EnsureFileStampTable(connection);
            connection.exec(PerceptualSignatureSchemaSql());
            connection.exec(NotDuplicateSchemaSql());
            connection.exec(SettingSchemaSql());
            connection.exec(QStringLiteral("COMMIT"));
        }
        QFile::remove(path);
        if (!QFile::rename(partial, path))
            throw VexaError(ErrPermissionDenied, QStringLiteral("Cannot write %1").arg(path));
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
}

}  // namespace vexa

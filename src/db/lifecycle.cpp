#include "db/lifecycle.h"

#include "base/diskpath.h"
#include "base/environment.h"
#include "base/errors.h"
#include "base/fileops.h"
#include "base/paths.h"
#include "db/appdatabase.h"
#include "db/filestamps.h"
#include "db/notduplicates.h"
#include "db/perceptualsignatures.h"
#include "db/schema.h"
#include "db/settings.h"
#include "db/sqlite.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/statvfs.h>
#include <unistd.h>

namespace vexa {

namespace {
ApplicationDatabase g_appDb;

QString inProgramDirectory(const char *name)
{
    return JoinPath(ProgramDirectory(), QString::fromLatin1(name));
}
}  // namespace

ApplicationDatabase &AppDb()
{
    return g_appDb;
}

Database &OpenDb()
{
    if (!g_appDb.db)
        throw VexaError(ErrDatabaseNotOpen, QStringLiteral("Object invalid or no longer set."));
    return *g_appDb.db;
}

QString DatabasePath()
{
    return inProgramDirectory(kDatabaseFile);
}
QString TemplatePath()
{
    return inProgramDirectory(kTemplateFile);
}
QString BackupPath()
{
    return inProgramDirectory(kBackupFile);
}
QString CompactPath()
{
    return inProgramDirectory(kCompactFile);
}

bool EnsureTemplate()
{
    const QString target = TemplatePath();
    if (QFileInfo::exists(target))
        return true;
    const QString installed = JoinPath(InstallDirectory(), QString::fromLatin1(kTemplateFile));
    if (!InstallDirectory().isEmpty() && installed != target && QFileInfo::exists(installed)
        && QFile::copy(installed, target))
        return true;
    try {
        WriteTemplateDatabase(target);
        return true;
    } catch (const VexaError &) {
        return false;
    }
}

QString WriteRefusalReason(const QString &path)
{
    const auto inWords = [](int error) {
        QString text = QString::fromLocal8Bit(std::strerror(error));
        if (!text.isEmpty())
            text[0] = text[0].toLower();
        return text;
    };
    const QByteArray file = QFile::encodeName(path);
    const QByteArray directory = QFile::encodeName(QFileInfo(path).absolutePath());
    struct statvfs medium;
    if (statvfs(directory.constData(), &medium) == 0 && (medium.f_flag & ST_RDONLY) != 0)
        return inWords(EROFS);
    if (access(file.constData(), F_OK) == 0 && access(file.constData(), W_OK) != 0)
        return inWords(errno);
    if (access(directory.constData(), W_OK) != 0)
        return inWords(errno) + QStringLiteral(" (directory)");
    return {};
}

bool OpenApplicationDatabase(DatabaseAccess access, QString *why)
{
    ApplicationDatabase &app = g_appDb;
    const bool readOnly = access == DatabaseAccess::ReadOnly && QFileInfo::exists(DatabasePath());
    try {
        if (!QFileInfo::exists(DatabasePath())) {
            EnsureTemplate();
            QFile::copy(TemplatePath(), DatabasePath());
            QFile(DatabasePath())
                .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner
                    | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        }
        app.db = std::make_unique<Database>(DatabasePath(), readOnly);
        if (!readOnly) {
            // One real write, so a database that cannot be written (read-only
            // file or directory) fails here rather than at the user's first change.
            Transaction indexes(*app.db);
            app.db->connection().exec(SchemaIndexesSql());
            EnsureFileStampTable(app.db->connection());
            app.db->connection().exec(PerceptualSignatureSchemaSql());
            app.db->connection().exec(NotDuplicateSchemaSql());
            app.db->connection().exec(SettingSchemaSql());
            app.db->connection().exec(QStringLiteral("UPDATE SysInfo SET DBVersion=DBVersion"));
            indexes.commit();
        }
        app.collections = std::make_unique<RecordSet>(*app.db, QStringLiteral("Collection"));
        app.collectionItems
            = std::make_unique<RecordSet>(*app.db, QStringLiteral("CollectionItem"));
        app.fileData = std::make_unique<RecordSet>(*app.db, QStringLiteral("FileData"));
        app.duplicates = std::make_unique<RecordSet>(*app.db, QStringLiteral("Duplicate"));
        app.sysInfo = std::make_unique<RecordSet>(*app.db, QStringLiteral("SysInfo"));
        if (app.sysInfo->eof())
            throw VexaError(ErrNoCurrentRecord, QStringLiteral("The SysInfo row is missing."));
        return true;
    } catch (const std::exception &e) {
        if (why) {
            const VexaError *error = dynamic_cast<const VexaError *>(&e);
            *why = error ? error->description() : QString::fromLocal8Bit(e.what());
            const QString refusal = readOnly ? QString() : WriteRefusalReason(DatabasePath());
            if (!refusal.isEmpty())
                *why += QStringLiteral(" (") + refusal + QLatin1Char(')');
        }
        return false;
    }
}

void CloseApplicationDatabase()
{
    ApplicationDatabase &app = g_appDb;
    app.sysInfo.reset();
    app.duplicates.reset();
    app.fileData.reset();
    app.collectionItems.reset();
    app.collections.reset();
    app.db.reset();
}

bool CheckDatabaseVersion(int &version)
{
    bool current = true;
    try {
        if (!QFileInfo::exists(DatabasePath()))
            return true;
        SqliteConnection connection(DatabasePath(), true);
        Statement snapshot(connection.handle(), QStringLiteral("SELECT DBVersion FROM SysInfo"));
        if (!snapshot.step())
            return true;
        const QVariant value = snapshot.column(0);
        if (value.isNull())
            return true;
        version = int(value.toLongLong());
        if (version != kDatabaseVersion)
            current = false;
    } catch (const std::exception &) {
    }
    return current;
}

QString KeepEarlierBackup()
{
    const QString backup = BackupPath();
    if (!QFileInfo::exists(backup))
        return {};
    const QString dated = backup + QLatin1Char('.')
        + QFileInfo(backup).lastModified().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = dated;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = dated + QStringLiteral("-%1").arg(n);
    return QFile::rename(backup, target) ? target : QString();
}

bool ReplaceDatabaseFromTemplate()
{
    const QString database = DatabasePath();
    const QString backup = BackupPath();
    // Checked again just before the file is replaced: a newer program's
    // database is never given up.
    int version = 0;
    if (!CheckDatabaseVersion(version) && version > kDatabaseVersion)
        return false;
    if (QFileInfo::exists(backup) && KeepEarlierBackup().isEmpty())
        return false;
    if (!QFile::copy(database, backup))
        return false;
    if (QFileInfo::exists(backup)) {
        if (!QFile::remove(database))
            return false;
        if (!EnsureTemplate() || !QFile::copy(TemplatePath(), database))
            return false;
        QFile(database).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner
            | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    }
    return true;
}

void CompactApplicationDatabase()
{
    const QString database = DatabasePath();
    const QString temp = CompactPath();
    // A TEMP.MDB from an earlier run must never take the database's place.
    if (QFileInfo::exists(temp) && !QFile::remove(temp))
        return;
    bool produced = false;
    try {
        SqliteConnection connection(database, false);
        Statement vacuum(connection.handle(), QStringLiteral("VACUUM INTO ?"));
        vacuum.bind(1, temp);
        vacuum.step();
        produced = QFileInfo::exists(temp);
    } catch (const std::exception &) {
        produced = false;
    }
    if (!produced) {
        QFile::remove(temp);
        return;
    }
    if (AllowUndoFlag())
        ShellDelete(database, true);  // the previous database goes to the trash
    // rename() replaces the old file atomically, so there is never a moment
    // without a VEXA.MDB.
    if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(database).constData())
        != 0)
        QFile::remove(temp);
}

QString SetAsideDatabase()
{
    const QString database = DatabasePath();
    if (!QFileInfo::exists(database))
        return {};
    QString target = database + QStringLiteral(".unusable");
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = database + QStringLiteral(".unusable%1").arg(n);
    return QFile::rename(database, target) ? target : QString();
}

void VerifyDatabaseIntegrity(
    RecordSet &fileData, const QString &directory, const QSet<QString> *listed)
{
    try {
        if (fileData.eof() && fileData.bof())
            return;
        fileData.moveFirst();
        while (!fileData.eof()) {
            const QString name = fileData.value(QStringLiteral("FileName")).toString();
            if (!(listed && listed->contains(name))
                && !StatOnDisk(JoinPath(directory, name)).isFile)
                fileData.remove();
            fileData.moveNext();
        }
    } catch (const std::exception &e) {
        ReportException(e, QStringLiteral("modDataFunc"),
            QStringLiteral("VerifyDatabaseIntegrity(*, ") + directory + QLatin1Char(')'));
    }
}

}  // namespace vexa

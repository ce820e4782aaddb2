#include "db/settings.h"

#include "base/errors.h"
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/database.h"
#include "db/sqlite.h"

namespace vexa {

namespace {
RecordSet &systemRecordSet()
{
    if (!AppDb().sysInfo)
        throw VexaError(ErrDatabaseNotOpen, QStringLiteral("Object invalid or no longer set."));
    return *AppDb().sysInfo;
}

void requireField(RecordSet &rs, const QString &key)
{
    // The key names a column; it is never spliced into SQL, and anything that
    // is not a SysInfo field is refused here.
    if (!rs.hasField(key))
        throw VexaError(ErrItemNotFound, QStringLiteral("Item not found in this collection."));
}
}  // namespace

QString SettingSchemaSql()
{
    return QStringLiteral(
        "CREATE TABLE IF NOT EXISTS Setting (Name TEXT PRIMARY KEY NOT NULL, Value TEXT)");
}

QString ReadSetting(const QString &name)
{
    try {
        if (!AppDb().db)
            return QString();
        Statement query(AppDb().db->connection().handle(),
            QStringLiteral("SELECT Value FROM Setting WHERE Name = ?1"));
        query.bind(1, name);
        return query.step() ? query.column(0).toString() : QString();
    } catch (const std::exception &) {
        return QString();  // a database from before the table, opened read-only
    }
}

bool WriteSetting(const QString &name, const QString &value)
{
    try {
        if (!AppDb().db || AppDb().db->isReadOnly())
            return false;
        Statement write(AppDb().db->connection().handle(),
            QStringLiteral("INSERT OR REPLACE INTO Setting (Name, Value) VALUES (?1, ?2)"));
        write.bind(1, name);
        write.bind(2, value);
        write.step();
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

QVariant GetSystemSetting(const QString &key)
{
    try {
        RecordSet &rs = systemRecordSet();
        requireField(rs, key);
        rs.moveFirst();
        return rs.value(key);
    } catch (const std::exception &e) {
        ReportException(e, QStringLiteral("modDataFunc"), QStringLiteral("GetSystemSetting"));
        return {};
    }
}

bool SaveSystemSetting(const QString &key, const QVariant &value)
{
    RecordSet *rs = nullptr;
    try {
        rs = &systemRecordSet();
        requireField(*rs, key);
        rs->moveFirst();
        rs->edit();
        rs->setValue(key, value);
        rs->update();
        return true;
    } catch (const std::exception &e) {
        if (rs)
            rs->cancelUpdate();
        ReportException(e, QStringLiteral("modDataFunc"), QStringLiteral("SaveSystemSetting"));
        return false;
    }
}

void InitialiseLanguage()
{
    InitialiseLanguage(UserDefaultLocaleId());
}

void InitialiseLanguage(int userLocaleId)
{
    const QVariant stored = GetSystemSetting(QStringLiteral("LangOffset"));
    if (stored.isNull()) {
        SetLangOffset(OffsetForLocaleId(userLocaleId));
        SaveSystemSetting(QStringLiteral("LangOffset"), LangOffset());
    } else {
        // Any other offset would look every text up in an empty part of the
        // table and leave the whole interface blank.
        SetLangOffset(stored.toInt() == 2000 ? 2000 : 0);
    }
}

}  // namespace vexa

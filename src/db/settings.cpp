#include "db/settings.h"

#include "base/errors.h"
#include "base/texts.h"
#include "db/appdatabase.h"

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

#pragma once

#include <QString>
#include <QVariant>

namespace vexa {

// One field of the single SysInfo row, by field name. An unknown field, a
// closed database or a failed read is reported ("modDataFunc",
// "GetSystemSetting") and gives an empty (Null) value.
QVariant GetSystemSetting(const QString &key);

// Stores one field of the SysInfo row at once; a failed write is reported
// ("modDataFunc", "SaveSystemSetting") and leaves the row as it was.
// Returns false on failure.
bool SaveSystemSetting(const QString &key, const QVariant &value);

// Reads LangOffset from the settings; when it is Null (a new database),
// takes it from the user's locale and stores it. A stored value other than
// 0 or 2000 selects English and is left as it is.
void InitialiseLanguage();
// The same with the user's locale id given, so the choice can be tested.
void InitialiseLanguage(int userLocaleId);

}  // namespace vexa

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

// The settings the program keeps beside SysInfo (the window's geometry),
// one text value per name in the table Setting, created on open when
// missing. Interface thread only.
QString SettingSchemaSql();
// The value, or empty when it was never stored or cannot be read (a
// display preference is never worth an error message).
QString ReadSetting(const QString &name);
// Stores the value at once; false when the database cannot be written
// (read-only), which is no error for a preference either.
bool WriteSetting(const QString &name, const QString &value);

// Reads LangOffset from the settings; when it is Null (a new database),
// takes it from the user's locale and stores it. A stored value other than
// 0 or 2000 selects English and is left as it is.
void InitialiseLanguage();
// The same with the user's locale id given, so the choice can be tested.
void InitialiseLanguage(int userLocaleId);

}  // namespace vexa

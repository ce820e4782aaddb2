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

}  // namespace vexa

#pragma once

#include <QString>

namespace vexa {

// Path helpers. Linux has no 8.3 names: the short and long form of a path are
// the path itself, and the separator is "/".

// The path when it exists, otherwise "" (an unknown path has no short form).
QString GetShortPath(const QString &path);
// The path unchanged.
QString GetLongPath(const QString &path);
// The file name of an existing path, "" when nothing is found.
QString GetShortFileName(const QString &path);
// The part before the last "/" (directoryWanted) or after it; the path whole
// when it holds no "/".
QString SplitPath(const QString &path, bool directoryWanted);
// Removes every trailing "/" (the argument changes too). A lone "/" stays, so
// the root directory keeps a usable name.
QString StripTrailingBackslash(QString &path);
// The text up to its first NUL.
QString TrimAtNul(const QString &text);
// Joins a directory and a name with one "/".
QString JoinPath(const QString &directory, const QString &name);

}  // namespace vexa

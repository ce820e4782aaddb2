#include "base/fileops.h"

#include <QFile>
#include <QFileInfo>

namespace vexa {

namespace {
bool g_allowUndo = false;
}

bool AllowUndoFlag()
{
    return g_allowUndo;
}

void SetAllowUndoFlag(bool on)
{
    g_allowUndo = on;
}

bool ShellDelete(const QString &path, bool allowUndo)
{
    if (allowUndo && QFile::moveToTrash(path))
        return true;
    if (allowUndo)
        return false;  // no trash here: keep the file rather than destroy it silently
    return QFile::remove(path);
}

bool ShellRename(const QString &from, const QString &to)
{
    if (QFileInfo::exists(to))
        return false;
    return QFile::rename(from, to);
}

}  // namespace vexa

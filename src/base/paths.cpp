#include "base/paths.h"

#include "base/diskpath.h"

namespace vexa {

QString GetShortPath(const QString &path)
{
    return StatOnDisk(path).exists ? path : QString();
}

QString GetLongPath(const QString &path)
{
    return path;
}

QString GetShortFileName(const QString &path)
{
    return StatOnDisk(path).exists ? SplitPath(path, false) : QString();
}

QString SplitPath(const QString &path, bool directoryWanted)
{
    const int at = path.lastIndexOf(QLatin1Char('/'));
    if (at < 0)
        return path;
    return directoryWanted ? path.left(at) : path.mid(at + 1);
}

QString StripTrailingBackslash(QString &path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

QString TrimAtNul(const QString &text)
{
    const int at = text.indexOf(QChar(0));
    return at < 0 ? text : text.left(at);
}

QString JoinPath(const QString &directory, const QString &name)
{
    if (directory.endsWith(QLatin1Char('/')))
        return directory + name;
    return directory + QLatin1Char('/') + name;
}

}  // namespace vexa

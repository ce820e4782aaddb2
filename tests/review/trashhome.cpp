#include "trashhome.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QUrl>

namespace vexa::test {

TrashHome::TrashHome()
    : m_oldHome(qgetenv("HOME"))
    , m_oldDataHome(qgetenv("XDG_DATA_HOME"))
    , m_hadDataHome(qEnvironmentVariableIsSet("XDG_DATA_HOME"))
{
    qputenv("HOME", m_dir.path().toLocal8Bit());
    // The data directory exists on any desktop; the trash inside it is
    // created by the first deletion.
    QDir(m_dir.path()).mkpath(QStringLiteral("data"));
    qputenv("XDG_DATA_HOME", m_dir.filePath(QStringLiteral("data")).toLocal8Bit());
}

TrashHome::~TrashHome()
{
    qputenv("HOME", m_oldHome);
    if (m_hadDataHome)
        qputenv("XDG_DATA_HOME", m_oldDataHome);
    else
        qunsetenv("XDG_DATA_HOME");
}

QStringList TrashHome::trashedFiles() const
{
    QStringList names = QDir(m_dir.filePath(QStringLiteral("data/Trash/files")))
                            .entryList(QDir::Files | QDir::Hidden | QDir::System);
    names.sort();
    return names;
}

QString TrashHome::originalPathOf(const QString &trashedName) const
{
    QFile info(m_dir.filePath(
        QStringLiteral("data/Trash/info/") + trashedName + QStringLiteral(".trashinfo")));
    if (!info.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &line : info.readAll().split('\n')) {
        if (line.startsWith("Path="))
            return QUrl::fromPercentEncoding(line.mid(5));
    }
    return {};
}

void TrashHome::breakTrash()
{
    QFile blocker(m_dir.filePath(QStringLiteral("blocker")));
    blocker.open(QIODevice::WriteOnly);
    blocker.close();
    qputenv("XDG_DATA_HOME", m_dir.filePath(QStringLiteral("blocker/data")).toLocal8Bit());
}

}  // namespace vexa::test

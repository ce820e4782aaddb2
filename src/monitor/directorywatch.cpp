#include "monitor/directorywatch.h"

#include "base/diskpath.h"
#include "base/filelisting.h"
#include "base/paths.h"

#include <QDir>
#include <QFileInfo>

namespace vexa {

QStringList ImageFilesOf(const QStringList &paths)
{
    const QStringList pieces = SplitFilePattern(QString::fromLatin1(kImageFilePattern));
    QStringList files;
    for (const QString &given : paths) {
        const QString path = QDir::cleanPath(QFileInfo(given).absoluteFilePath());
        if (StatOnDisk(path).isDirectory) {
            for (const QString &name : ListMatchingFiles(path, pieces))
                files.append(JoinPath(path, name));
        } else {
            files.append(path);
        }
    }
    return files;
}

DirectoryWatch::DirectoryWatch(QObject *parent)
    : QObject(parent)
    , m_pieces(SplitFilePattern(QString::fromLatin1(kImageFilePattern)))
{
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        m_changed = true;
        emit changed();
    });
}

bool DirectoryWatch::start(const QString &directory)
{
    stop();
    QString path = directory;
    StripTrailingBackslash(path);
    bool ok = false;
    const QStringList files = ListMatchingFiles(path, m_pieces, &ok);
    if (!ok || !m_watcher.addPath(path))
        return false;
    m_directory = path;
    m_snapshot = files;
    m_known = QSet<QString>(files.begin(), files.end());
    return true;
}

void DirectoryWatch::stop()
{
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    m_directory.clear();
    m_snapshot.clear();
    m_known.clear();
    m_settling.clear();
    m_recent.clear();
    m_changed = false;
}

// A directory removed and made again is a new inode the watcher no longer
// follows.
void DirectoryWatch::rewatch()
{
    if (m_watcher.directories().isEmpty() && StatOnDisk(m_directory).isDirectory)
        m_watcher.addPath(m_directory);
}

namespace {

// How long a file handed out is watched for a late write.
constexpr qint64 kRecentMs = 10000;

}  // namespace

DirectoryWatch::Seen DirectoryWatch::look(const QString &path)
{
    const DiskStat stat = StatOnDisk(path);
    return { stat.exists ? stat.size : -1, stat.modifiedNs };
}

bool DirectoryWatch::recentChanged() const
{
    for (auto it = m_recent.cbegin(); it != m_recent.cend(); ++it) {
        if (it->until.hasExpired())
            continue;
        const Seen now = look(JoinPath(m_directory, it.key()));
        if (now.size >= 0 && (now.size != it->seen.size || now.modifiedNs != it->seen.modifiedNs))
            return true;
    }
    return false;
}

QStringList DirectoryWatch::poll()
{
    QStringList ready;
    if (!isWatching())
        return ready;
    m_changed = false;
    rewatch();
    bool ok = false;
    const QStringList files = ListMatchingFiles(m_directory, m_pieces, &ok);
    if (files.isEmpty()) {
        m_settling.clear();
        return ready;
    }
    QHash<QString, Seen> settling;
    QStringList snapshot;
    snapshot.reserve(files.size());
    QHash<QString, Recent> recent;
    for (const QString &name : files) {
        const QString path = JoinPath(m_directory, name);
        const auto handedOut = m_recent.constFind(name);
        const bool watched = handedOut != m_recent.constEnd() && !handedOut->until.hasExpired();
        if (m_known.contains(name) && !watched) {
            snapshot.append(name);
            continue;
        }
        const DiskStat stat = StatOnDisk(path);
        const Seen now { stat.exists ? stat.size : -1, stat.modifiedNs };
        if (m_known.contains(name)) {
            // Handed out lately: unchanged, it stays; written to since, it
            // leaves the snapshot and settles again.
            if (now.size == handedOut->seen.size && now.modifiedNs == handedOut->seen.modifiedNs) {
                snapshot.append(name);
                recent.insert(name, *handedOut);
            } else {
                settling.insert(name, now);
            }
            continue;
        }
        const auto before = m_settling.constFind(name);
        // An empty file is a placeholder (a browser makes one and later
        // renames the finished download over it): it waits for content.
        if (stat.isFile && now.size > 0 && before != m_settling.constEnd()
            && before->size == now.size && before->modifiedNs == now.modifiedNs) {
            ready.append(path);
            snapshot.append(name);
            recent.insert(name, { now, QDeadlineTimer(kRecentMs) });
        } else {
            settling.insert(name, now);
        }
    }
    // Files deleted or renamed away leave the snapshot; those still being
    // written stay out of it until they settle.
    m_snapshot = snapshot;
    m_known = QSet<QString>(snapshot.begin(), snapshot.end());
    m_settling = settling;
    m_recent = recent;
    return ready;
}

}  // namespace vexa

#pragma once

#include <QDeadlineTimer>
#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

namespace vexa {

// Dropped or given paths as files to check: a directory gives its image
// files by the pattern list (not descended into), any other path stays as
// it is, made absolute. In the given order.
QStringList ImageFilesOf(const QStringList &paths);

// The monitor's view of one directory: the snapshot of its image files
// (lstFilesMonitor) and the notification that something changed. The
// watcher signals a new file once, when it appears, not while it is being
// written; so a file whose size or modification time changed since the last
// look stays out of the snapshot and is looked at again on every poll, and
// is handed out once two looks a tick apart agree. A writer that pauses
// for longer than a tick looks finished too early; so a file handed out is
// looked at for a while longer, and handed out again once it settles if it
// changed (the directory watch itself says nothing of a file's contents).
// Names compare as the file system does (with letter case). The thread that
// owns it only.
class DirectoryWatch : public QObject {
    Q_OBJECT

public:
    explicit DirectoryWatch(QObject *parent = nullptr);

    // Lists the directory into the snapshot (files there now are not new)
    // and watches it; false when it cannot be listed or watched.
    bool start(const QString &directory);
    void stop();
    bool isWatching() const { return !m_directory.isEmpty(); }
    const QString &directory() const { return m_directory; }

    // True when the directory changed since the last poll, or files wait to
    // settle: the next poll has something to look at.
    // A directory that was removed is looked for on every poll, so it is
    // watched again once it is back.
    bool hasWork() const
    {
        return m_changed || !m_settling.isEmpty()
            || (isWatching() && m_watcher.directories().isEmpty()) || recentChanged();
    }
    // CheckMonitorFiles' listing step: the full paths of the image files new
    // since the last poll (or handed out lately and changed since) whose size
    // and modification time have settled and that are not empty, in listing
    // order; they join the snapshot. A listing with no entry leaves
    // the snapshot as it was (a removed or emptied directory), so names that
    // come back are not checked again.
    QStringList poll();
    // The snapshot's file names, in listing order.
    const QStringList &snapshot() const { return m_snapshot; }

signals:
    void changed();

private:
    struct Seen {
        qint64 size = -1;  // bytes
        qint64 modifiedNs = 0;  // nanoseconds since 1970
    };

    struct Recent {
        Seen seen;
        QDeadlineTimer until;  // looked at again until then
    };

    void rewatch();
    static Seen look(const QString &path);
    bool recentChanged() const;

    QFileSystemWatcher m_watcher;
    QString m_directory;
    QStringList m_pieces;
    QStringList m_snapshot;
    QSet<QString> m_known;  // the snapshot as a set
    QHash<QString, Seen> m_settling;  // new names still being written
    QHash<QString, Recent> m_recent;  // names handed out in the last seconds
    bool m_changed = false;
};

}  // namespace vexa

#include "base/trash.h"

#include "base/diskpath.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexa {

namespace {

// Creates a directory (and its missing parents, with the given mode for each
// one created); true when it exists as a real directory afterwards.
bool MakeDirectory(const QByteArray &path, mode_t mode)
{
    struct stat info { };
    if (::lstat(path.constData(), &info) == 0)
        return S_ISDIR(info.st_mode);
    const qsizetype slash = path.lastIndexOf('/');
    if (slash > 0 && !MakeDirectory(path.left(slash), 0700))
        return false;
    if (::mkdir(path.constData(), mode) != 0 && errno != EEXIST)
        return false;
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

// A trash directory with files/ and info/ on the given device, or "".
QByteArray Prepared(const QByteArray &trash, dev_t device)
{
    if (!MakeDirectory(trash, 0700) || !MakeDirectory(trash + "/files", 0700)
        || !MakeDirectory(trash + "/info", 0700))
        return {};
    struct stat info { };
    if (::stat((trash + "/files").constData(), &info) != 0 || info.st_dev != device)
        return {};
    return trash;
}

QByteArray HomeTrash()
{
    QByteArray data = qgetenv("XDG_DATA_HOME");
    if (!data.startsWith('/'))
        data = qgetenv("HOME") + "/.local/share";
    return data + "/Trash";
}

// The device of a path, or of its nearest existing ancestor.
dev_t DeviceOf(QByteArray path)
{
    struct stat info { };
    while (::stat(path.constData(), &info) != 0) {
        const qsizetype slash = path.lastIndexOf('/');
        if (slash <= 0)
            return ::stat("/", &info) == 0 ? info.st_dev : 0;
        path = path.left(slash);
    }
    return info.st_dev;
}

// The mount point of a directory: the last ancestor on the same device.
QByteArray TopDirectory(QByteArray directory, dev_t device)
{
    while (directory.size() > 1) {
        const qsizetype slash = directory.lastIndexOf('/');
        const QByteArray parent = slash <= 0 ? QByteArray("/") : directory.left(slash);
        struct stat info { };
        if (::stat(parent.constData(), &info) != 0 || info.st_dev != device)
            break;
        directory = parent;
    }
    return directory;
}

QByteArray TopTrash(const QByteArray &topDirectory, dev_t device)
{
    const QByteArray top = topDirectory == "/" ? QByteArray() : topDirectory;
    const QByteArray uid = QByteArray::number(uint(::getuid()));
    // An administrator's $topdir/.Trash: a real, sticky directory.
    struct stat shared { };
    if (::lstat((top + "/.Trash").constData(), &shared) == 0 && S_ISDIR(shared.st_mode)
        && (shared.st_mode & S_ISVTX)) {
        const QByteArray trash = Prepared(top + "/.Trash/" + uid, device);
        if (!trash.isEmpty())
            return trash;
    }
    const QByteArray own = top + "/.Trash-" + uid;
    const QByteArray trash = Prepared(own, device);
    struct stat info { };
    if (trash.isEmpty() || ::lstat(own.constData(), &info) != 0 || info.st_uid != ::getuid())
        return {};
    return trash;
}

// "a.jpg", "a.2.jpg", "a.3.jpg", ...
QByteArray NumberedName(const QByteArray &name, int number)
{
    if (number == 1)
        return name;
    const qsizetype dot = name.lastIndexOf('.');
    const QByteArray suffix = "." + QByteArray::number(number);
    return dot > 0 ? name.left(dot) + suffix + name.mid(dot) : name + suffix;
}

}  // namespace

bool MoveToTrash(const QString &path, QString *reason)
{
    auto fail = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return false;
    };
    // The name's own bytes (base/diskpath.h): a name that is not UTF-8 is
    // trashed too, and its Path below is those bytes percent-encoded.
    const QByteArray source = NameToDisk(QFileInfo(path).absoluteFilePath());
    struct stat file { };
    if (::lstat(source.constData(), &file) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    const qsizetype slash = source.lastIndexOf('/');
    const QByteArray directory = slash <= 0 ? QByteArray("/") : source.left(slash);
    const QByteArray name = source.mid(slash + 1);

    // A file on the home file system goes to the home trash and nowhere
    // else; a file on another mount to that mount's own trash.
    const QByteArray home = HomeTrash();
    const QByteArray trash = DeviceOf(home) == file.st_dev
        ? Prepared(home, file.st_dev)
        : TopTrash(TopDirectory(directory, file.st_dev), file.st_dev);
    if (trash.isEmpty())
        return fail(QStringLiteral("no trash on the file's file system can take it"));

    const QByteArray record = "[Trash Info]\nPath=" + source.toPercentEncoding("/")
        + "\nDeletionDate="
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")).toLatin1()
        + "\n";
    for (int number = 1; number < 10000; ++number) {
        const QByteArray trashed = NumberedName(name, number);
        const QByteArray info = trash + "/info/" + trashed + ".trashinfo";
        // The info file is claimed first and exclusively: two deletions of
        // the same name never take the same slot.
        const int fd = ::open(info.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return fail(QString::fromLocal8Bit(std::strerror(errno)));
        }
        const bool written
            = ::write(fd, record.constData(), size_t(record.size())) == record.size();
        ::close(fd);
        const QByteArray target = trash + "/files/" + trashed;
        if (written
            && ::renameat2(
                   AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE)
                == 0)
            return true;
        const int error = written ? errno : EIO;
        ::unlink(info.constData());
        if (error == EEXIST)
            continue;
        return fail(QString::fromLocal8Bit(std::strerror(error)));
    }
    return fail(QStringLiteral("the trash holds too many files of this name"));
}

}  // namespace vexa

#include "base/fileops.h"

#include "base/diskpath.h"
#include "base/texts.h"
#include "base/trash.h"

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
bool g_allowUndo = false;

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

FileOpResult done()
{
    return { true, FileOpFailure::None, {} };
}

FileOpResult failed(FileOpFailure failure, const QString &reason)
{
    return { false, failure, reason };
}

bool statOf(const QString &path, struct stat &info)
{
    return ::stat(NameToDisk(path).constData(), &info) == 0;
}
}  // namespace

bool AllowUndoFlag()
{
    return g_allowUndo;
}

void SetAllowUndoFlag(bool on)
{
    g_allowUndo = on;
}

FileOpResult DeleteFile(const QString &path, bool allowUndo)
{
    // By the name's own bytes (base/diskpath.h): a name that is not UTF-8
    // is deleted too.
    const QByteArray bytes = NameToDisk(path);
    struct stat info { };
    if (::lstat(bytes.constData(), &info) != 0)
        return failed(FileOpFailure::Missing, QStringLiteral("the file no longer exists"));
    if (S_ISDIR(info.st_mode))
        return failed(FileOpFailure::NotAFile, QStringLiteral("it is a directory"));
    if (allowUndo) {
        // Our own trash move: Qt 6.4's moves the file into the working
        // directory when it cannot set up a trash, and reports success.
        QString why;
        if (MoveToTrash(path, &why))
            return done();
        return failed(FileOpFailure::NoTrash,
            QStringLiteral("the trash cannot take this file (%1); the file was kept").arg(why));
    }
    if (::unlink(bytes.constData()) == 0)
        return done();
    return failed(FileOpFailure::System, systemReason(errno));
}

FileOpResult RenameFile(const QString &from, const QString &to)
{
    const QByteArray source = NameToDisk(from);
    const QByteArray target = NameToDisk(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE)
        == 0)
        return done();
    int error = errno;
    if (error == EINVAL || error == ENOSYS) {
        // A file system without the no-replace rename: a hard link fails on
        // an existing target just as atomically; the old name goes after.
        if (::link(source.constData(), target.constData()) == 0) {
            if (::unlink(source.constData()) == 0)
                return done();
            error = errno;
            ::unlink(target.constData());
            return failed(FileOpFailure::System, systemReason(error));
        }
        error = errno;
    }
    if (error == EEXIST)
        return failed(
            FileOpFailure::TargetExists, QStringLiteral("a file of that name already exists"));
    if (error == ENOENT && !StatOnDisk(from).exists)
        return failed(FileOpFailure::Missing, QStringLiteral("the file no longer exists"));
    return failed(FileOpFailure::System, systemReason(error));
}

QString ReasonText(const FileOpResult &result)
{
    switch (result.failure) {
    case FileOpFailure::Missing: return Text(1952);
    case FileOpFailure::NoTrash: return Text(1953);
    case FileOpFailure::TargetExists: return Text(1954);
    case FileOpFailure::None:
    case FileOpFailure::NotAFile:
    case FileOpFailure::System: break;
    }
    return result.reason;
}

bool ShellDelete(const QString &path, bool allowUndo)
{
    return DeleteFile(path, allowUndo).ok;
}

bool ShellRename(const QString &from, const QString &to)
{
    return RenameFile(from, to).ok;
}

bool SameFile(const QString &first, const QString &second)
{
    struct stat a { };
    struct stat b { };
    if (!statOf(first, a) || !statOf(second, b))
        return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool FilesIdentical(const QString &first, const QString &second)
{
    // Opened by the names' own bytes (base/diskpath.h); each QFile closes
    // the descriptor it was given.
    QFile a;
    QFile b;
    const int fdA = OpenOnDiskForReading(first);
    if (fdA < 0 || !a.open(fdA, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fdA >= 0)
            ::close(fdA);
        return false;
    }
    const int fdB = OpenOnDiskForReading(second);
    if (fdB < 0 || !b.open(fdB, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fdB >= 0)
            ::close(fdB);
        return false;
    }
    if (a.size() != b.size())
        return false;
    constexpr qint64 kBlock = 4096;  // bytes per comparison step
    char bufferA[kBlock];
    char bufferB[kBlock];
    for (;;) {
        const qint64 readA = a.read(bufferA, kBlock);
        const qint64 readB = b.read(bufferB, kBlock);
        if (readA < 0 || readB < 0 || readA != readB)
            return false;
        if (readA == 0)
            return true;
        if (std::memcmp(bufferA, bufferB, size_t(readA)) != 0)
            return false;
    }
}

}  // namespace vexa

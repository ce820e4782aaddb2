#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace vexa {

// Names on a Linux disk are bytes; a QString holds Unicode. A name whose
// bytes are valid UTF-8 is held exactly as it reads. Each byte that is not
// part of a valid UTF-8 sequence is held as one character of the private-use
// block U+F780..U+F7FF (U+F700 + the byte, 0x80..0xFF); a name that really
// contains such a character has those characters' bytes escaped the same
// way, so the mapping is one-to-one and every stored name gives back its
// bytes. Qt 6.4 cannot open such a name itself (it would write the private
// character's UTF-8), so every file access of a stored name goes through the
// functions below. All of them may be called on any thread.

// The stored form of a name (or path) read from the disk.
QString NameFromDisk(const QByteArray &bytes);
// The bytes on disk of a stored name (or path).
QByteArray NameToDisk(const QString &name);
// True when the name holds escaped bytes, so Qt's own file calls cannot
// reach it.
bool HasEscapedBytes(const QString &name);
// The name as a person reads it: each escaped byte shows as U+FFFD.
QString DisplayName(const QString &name);

// What stat() says of a stored path (links followed).
struct DiskStat {
    bool exists = false;
    bool isFile = false;  // a regular file
    bool isDirectory = false;
    bool isSymLink = false;  // the path itself is a symbolic link
    bool ownerWritable = false;  // the owner's write bit
    std::int64_t size = 0;  // bytes
    std::int64_t modifiedNs = 0;  // modification time, nanoseconds since 1970
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};
DiskStat StatOnDisk(const QString &path);
// The same with one system call instead of two: isSymLink is not looked at
// (always false). For passes over hundreds of thousands of files.
DiskStat StatTargetOnDisk(const QString &path);

// A file descriptor opened for reading (close-on-exec), -1 with errno set
// when the file cannot be opened.
int OpenOnDiskForReading(const QString &path);
// The whole file, at most maxBytes (more: ok false, errorText "too large").
QByteArray ReadWholeFile(
    const QString &path, std::int64_t maxBytes, bool *ok, QString *errorText = nullptr);

// Renaming, deleting and the trash (base/fileops.h, base/trash.h) convert
// with NameToDisk as well.

}  // namespace vexa

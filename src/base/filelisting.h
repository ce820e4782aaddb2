#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace vexa {

// The image file pattern that gathering and the collection tab list with.
inline constexpr const char *kImageFilePattern = "*.jpg;*.jpe;*.bmp;*.dib;*.pic;*.gif;*.jif;*.jfi;*"
                                                 ".kqp;*.pcx;*.png;*.rle;*.tga;*.tif;*.wmf;*.wpg";

// A ";"-separated pattern split into its pieces: trimmed, an extension longer
// than three letters cut to three, repeats dropped, at most 81 pieces; "*.*"
// when nothing usable is left or there are too many pieces.
QStringList SplitFilePattern(const QString &pattern);

// True when name matches one of the pieces ("*" and "?" wildcards), ignoring
// letter case: "*.jpg" matches "A.JPG".
bool MatchesFilePattern(const QString &name, const QStringList &pieces);

// The regular files of one directory that match the pattern pieces, in piece
// order and by name within a piece, each listed once. Names that start with
// "." are hidden and never listed. The entry type comes from the directory
// listing where the file system gives it, so a listing costs no stat per
// file. A directory that cannot be read lists nothing (ok is then false).
// Any thread.
QStringList ListMatchingFiles(
    const QString &directory, const QStringList &pieces, bool *ok = nullptr);

// One entry of a directory listing, links followed.
struct DirectoryEntry {
    QString name;  // stored form (see base/diskpath.h)
    bool isFile = false;  // a regular file; otherwise a directory or anything else
    bool ownerWritable = false;  // the owner's write bit
};
// Every entry of one directory but "." and "..", hidden ones included, in
// the order the file system gives them; one stat per entry. turn (when
// given) is called every few hundred entries, so a window can paint during a
// huge listing. A directory that cannot be read lists nothing (ok false).
QList<DirectoryEntry> ListDirectoryEntries(
    const QString &directory, bool *ok = nullptr, const std::function<void()> &turn = {});

// The sub-directories of one directory (full paths, by name), hidden ones
// left out. A symbolic link to a directory counts; the caller guards against
// loops. A directory that cannot be read gives nothing (ok false).
QStringList ListSubdirectories(const QString &directory, bool *ok = nullptr);

}  // namespace vexa

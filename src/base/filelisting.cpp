#include "base/filelisting.h"

#include "base/diskpath.h"

#include <QList>
#include <QPair>

#include <algorithm>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace vexa {

namespace {

constexpr int kMaxPatternPieces = 81;

// Wildcard match of a whole name, both already case folded; "*" any run,
// "?" one character. Iterative with one backtrack point, so no pattern is
// slow.
bool wildcardMatch(const QString &name, const QString &piece)
{
    int n = 0;
    int p = 0;
    int starP = -1;
    int starN = 0;
    while (n < name.size()) {
        if (p < piece.size() && piece[p] == QLatin1Char('*')) {
            starP = p++;
            starN = n;
        } else if (p < piece.size() && (piece[p] == QLatin1Char('?') || piece[p] == name[n])) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < piece.size() && piece[p] == QLatin1Char('*'))
        ++p;
    return p == piece.size();
}

// A pattern piece ready for matching without case: folded once, and "*.ext"
// (the usual form, no other wildcard) matched as a suffix, which a listing
// of 100,000 names against 16 pieces asks 1.6 million times.
struct FoldedPiece {
    QString piece;
    bool everything = false;  // "*.*" stands for every file, with or without an extension
    bool suffixOnly = false;  // "*" then no wildcard: piece.mid(1) ends the name
};

QList<FoldedPiece> foldPieces(const QStringList &pieces)
{
    QList<FoldedPiece> out;
    out.reserve(pieces.size());
    for (const QString &piece : pieces) {
        FoldedPiece f;
        f.piece = piece.toCaseFolded();
        f.everything = piece == QLatin1String("*.*") || piece == QLatin1String("*");
        f.suffixOnly = f.piece.startsWith(QLatin1Char('*'))
            && f.piece.indexOf(QLatin1Char('*'), 1) < 0 && !f.piece.contains(QLatin1Char('?'));
        out.append(f);
    }
    return out;
}

// name: case folded.
bool matchesPiece(const QString &name, const FoldedPiece &piece)
{
    if (piece.everything)
        return true;
    if (piece.suffixOnly)
        return name.endsWith(QStringView(piece.piece).mid(1));
    return wildcardMatch(name, piece.piece);
}

enum class EntryKind { Other, File, Directory };

// The kind of one entry of an open directory, from d_type where the file
// system fills it in; a stat only for links and unknown types.
EntryKind entryKind(int dirFd, const dirent *entry)
{
    switch (entry->d_type) {
    case DT_REG: return EntryKind::File;
    case DT_DIR: return EntryKind::Directory;
    case DT_LNK:
    case DT_UNKNOWN: {
        struct stat st;
        if (fstatat(dirFd, entry->d_name, &st, 0) != 0)
            return EntryKind::Other;  // a dangling link, or gone meanwhile
        if (S_ISREG(st.st_mode))
            return EntryKind::File;
        if (S_ISDIR(st.st_mode))
            return EntryKind::Directory;
        return EntryKind::Other;
    }
    default: return EntryKind::Other;
    }
}

// Names of the entries of one kind, hidden names left out.
QStringList listEntries(const QString &directory, EntryKind wanted, bool *ok)
{
    QStringList names;
    DIR *dir = opendir(NameToDisk(directory).constData());
    if (ok)
        *ok = dir != nullptr;
    if (!dir)
        return names;
    const int fd = dirfd(dir);
    while (const dirent *entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;  // ".", ".." and hidden entries
        if (entryKind(fd, entry) == wanted)
            names.append(NameFromDisk(QByteArray(entry->d_name)));
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

QStringList SplitFilePattern(const QString &pattern)
{
    QStringList pieces;
    const QStringList parts = pattern.trimmed().split(QLatin1Char(';'));
    for (const QString &part : parts) {
        QString piece = part.trimmed();
        if (piece.isEmpty())
            continue;
        const int dot = piece.indexOf(QLatin1Char('.'));
        if (dot >= 0 && piece.size() - dot - 1 > 3)
            piece.truncate(dot + 4);
        if (pieces.contains(piece))
            continue;  // case-sensitive, as the list box compares them
        if (pieces.size() == kMaxPatternPieces)
            return { QStringLiteral("*.*") };
        pieces.append(piece);
    }
    if (pieces.isEmpty())
        pieces.append(QStringLiteral("*.*"));
    return pieces;
}

bool MatchesFilePattern(const QString &name, const QStringList &pieces)
{
    const QString folded = name.toCaseFolded();
    for (const FoldedPiece &piece : foldPieces(pieces)) {
        if (matchesPiece(folded, piece))
            return true;
    }
    return false;
}

QStringList ListMatchingFiles(const QString &directory, const QStringList &pieces, bool *ok)
{
    const QStringList names = listEntries(directory, EntryKind::File, ok);
    // Piece order first, as one listing request per piece would give, then by
    // name; a name that matches two pieces is listed under the first.
    const QList<FoldedPiece> folded = foldPieces(pieces);
    QList<QPair<int, QString>> matched;
    matched.reserve(names.size());
    for (const QString &name : names) {
        const QString foldedName = name.toCaseFolded();
        for (int p = 0; p < folded.size(); ++p) {
            if (matchesPiece(foldedName, folded[p])) {
                matched.append({ p, name });
                break;
            }
        }
    }
    std::stable_sort(matched.begin(), matched.end(),
        [](const auto &a, const auto &b) { return a.first < b.first; });
    QStringList out;
    out.reserve(matched.size());
    for (const auto &entry : matched)
        out.append(entry.second);
    return out;
}

QList<DirectoryEntry> ListDirectoryEntries(
    const QString &directory, bool *ok, const std::function<void()> &turn)
{
    QList<DirectoryEntry> entries;
    DIR *dir = opendir(NameToDisk(directory).constData());
    if (ok)
        *ok = dir != nullptr;
    if (!dir)
        return entries;
    const int fd = dirfd(dir);
    while (const dirent *entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        DirectoryEntry out;
        out.name = NameFromDisk(QByteArray(entry->d_name));
        struct stat st;
        if (fstatat(fd, entry->d_name, &st, 0) == 0) {
            out.isFile = S_ISREG(st.st_mode);
            out.ownerWritable = (st.st_mode & S_IWUSR) != 0;
        }
        entries.append(out);
        if (turn && entries.size() % 256 == 0)
            turn();
    }
    closedir(dir);
    return entries;
}

QStringList ListSubdirectories(const QString &directory, bool *ok)
{
    QStringList paths = listEntries(directory, EntryKind::Directory, ok);
    const QString base
        = directory.endsWith(QLatin1Char('/')) ? directory : directory + QLatin1Char('/');
    for (QString &name : paths)
        name.prepend(base);
    return paths;
}

}  // namespace vexa

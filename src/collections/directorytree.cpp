#include "collections/directorytree.h"

#include "base/diskpath.h"
#include "base/filelisting.h"
#include "base/paths.h"

#include <QSet>

#include <climits>
#include <cstdlib>

namespace vexa {

namespace {

// True when path is root or lies below it (both canonical).
bool isInside(const QString &path, const QString &root)
{
    if (root.isEmpty() || path == root)
        return true;
    const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    return path.startsWith(prefix);
}

// The path with every link resolved, or empty when it cannot be resolved.
QString canonicalPath(const QString &path)
{
    QString canonical;
    if (char *real = realpath(NameToDisk(path).constData(), nullptr)) {
        canonical = NameFromDisk(QByteArray(real));
        std::free(real);
    }
    return canonical;
}

}  // namespace

DirectoryTree WalkDirectoryTrees(
    const QStringList &roots, const std::function<bool(int found)> &keepGoing)
{
    DirectoryTree tree;
    QStringList &found = tree.directories;
    QList<QString> rootOf;  // canonical root of each found entry, by position
    QSet<QString> seen;  // canonical paths, so a link loop ends
    const auto append = [&](QString path, const QString &root) {
        StripTrailingBackslash(path);
        // realpath on the bytes: Qt's canonical path loses a name that is
        // not UTF-8.
        const QString canonical = canonicalPath(path);
        const QString identity = canonical.isEmpty() ? path : canonical;
        // A link that leads out of the chosen tree (to "/", a home
        // directory) is not followed: only the tree the user chose is added.
        if (!canonical.isEmpty() && !isInside(canonical, root))
            return;
        if (seen.contains(identity))
            return;
        seen.insert(identity);
        found.append(path);
        rootOf.append(root);
    };
    for (const QString &root : roots) {
        QString clean = root;
        StripTrailingBackslash(clean);
        append(clean, canonicalPath(clean));
    }
    QStringList readable;
    readable.reserve(found.size());
    for (qsizetype read = 0; read < found.size(); ++read) {
        bool ok = true;
        const QStringList below = ListSubdirectories(found.at(read), &ok);
        if (!ok) {
            ++tree.unreadable;
            continue;
        }
        readable.append(found.at(read));
        const QString root = rootOf.at(read);
        for (const QString &path : below)
            append(path, root);
        if (keepGoing && (read + 1) % kTreeWalkStep == 0 && !keepGoing(int(found.size()))) {
            tree.cancelled = true;
            break;
        }
    }
    tree.directories = readable;
    return tree;
}

bool DirectoryHoldsImages(const QString &directory)
{
    static const QStringList pieces = SplitFilePattern(QString::fromLatin1(kImageFilePattern));
    return !ListMatchingFiles(directory, pieces).isEmpty();
}

}  // namespace vexa

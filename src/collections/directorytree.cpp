#include "collections/directorytree.h"

#include "base/diskpath.h"
#include "base/filelisting.h"
#include "base/paths.h"

#include <QSet>

#include <climits>
#include <cstdlib>

namespace vexa {

DirectoryTree WalkDirectoryTrees(
    const QStringList &roots, const std::function<bool(int found)> &keepGoing)
{
    DirectoryTree tree;
    QStringList &found = tree.directories;
    QSet<QString> seen;  // canonical paths, so a link loop ends
    const auto append = [&](QString path) {
        StripTrailingBackslash(path);
        // realpath on the bytes: Qt's canonical path loses a name that is
        // not UTF-8.
        QString identity = path;
        if (char *real = realpath(NameToDisk(path).constData(), nullptr)) {
            identity = NameFromDisk(QByteArray(real));
            std::free(real);
        }
        if (seen.contains(identity))
            return;
        seen.insert(identity);
        found.append(path);
    };
    for (const QString &root : roots)
        append(root);
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
        for (const QString &path : below)
            append(path);
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

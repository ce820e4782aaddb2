#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace vexa {

// The directories of one or more trees, breadth-first: each root, then the
// sub-directories of each entry in turn (full paths, by name, hidden ones
// left out). A directory reached twice (a symbolic link back to an ancestor,
// two links to one place) is walked once, under the name met first; a link
// to a directory outside its root is not followed; a directory that cannot
// be read is left out of the list and counted.
struct DirectoryTree {
    QStringList directories;
    int unreadable = 0;
    bool cancelled = false;
};

// keepGoing is called every kTreeWalkStep directories read with the number found
// so far (let the event loop run there); returning false ends the walk with
// what was found. Any thread; touches no database.
inline constexpr int kTreeWalkStep = 50;
DirectoryTree WalkDirectoryTrees(
    const QStringList &roots, const std::function<bool(int found)> &keepGoing = {});

// True when the directory holds at least one file, hidden ones left out, that
// matches the image file pattern (letter case ignored).
bool DirectoryHoldsImages(const QString &directory);

}  // namespace vexa

#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace vexa {

// What adding directories to a collection did, for the result lines
// (texts 726, 727, 728).
struct AddDirectoryCounts {
    int added = 0;
    int present = 0;  // the collection held it already
    int empty = 0;  // no image file in it: not added
    int failed = 0;  // reported by AddNewItemToCollection
};

// One directory stored: its new ItemID and the path as stored.
struct AddedDirectory {
    std::int64_t itemId = 0;
    QString path;
};

struct AddDirectoriesHooks {
    // Called for each new row, in order.
    std::function<void(const AddedDirectory &)> added;
    // Called after each directory with the number handled so far.
    std::function<void(qint64 done)> progress;
};

// Adds each directory that holds an image file (DirectoryHoldsImages) to the
// collection, trailing "/" stripped; longPath stores the long form. The one
// procedure behind the tab's Add and Add Tree buttons and `vexa-cli dir add`.
// Rows are committed in batches: a commit per directory costs more than its
// listing. A failing commit throws; the batches before it stay stored.
// Interface thread only (it writes the application database).
inline constexpr int kAddDirectoryBatch = 200;
AddDirectoryCounts AddDirectoriesToCollection(std::int32_t collectionId,
    const QStringList &directories, bool longPath, const AddDirectoriesHooks &hooks = {});

// The image files one directory holds by the image file pattern: the files
// a gathering run lists there. 0 for a directory that cannot be read.
qint64 CountDirectoryImages(const QString &directory);

}  // namespace vexa

#include "collections/adddirectories.h"

#include "base/filelisting.h"
#include "base/paths.h"
#include "collections/directorytree.h"
#include "db/appdatabase.h"
#include "db/database.h"
#include "db/records.h"

#include <memory>

namespace vexa {

AddDirectoryCounts AddDirectoriesToCollection(std::int32_t collectionId,
    const QStringList &directories, bool longPath, const AddDirectoriesHooks &hooks)
{
    AddDirectoryCounts counts;
    std::unique_ptr<Transaction> batch;
    qint64 done = 0;
    for (const QString &path : directories) {
        if (!batch)
            batch = std::make_unique<Transaction>(OpenDb());
        QString directory = path;
        StripTrailingBackslash(directory);
        if (!DirectoryHoldsImages(directory)) {
            ++counts.empty;
        } else {
            // No short names here: the path as given and its long form are the same.
            QString stored = longPath ? GetLongPath(directory) : directory;
            const std::int64_t result = AddNewItemToCollection(collectionId, stored);
            if (result == -1) {
                ++counts.present;
            } else if (result <= 0) {
                ++counts.failed;
            } else {
                ++counts.added;
                if (hooks.added)
                    hooks.added({ result, stored });
            }
        }
        if (++done % kAddDirectoryBatch == 0) {
            batch->commit();
            batch.reset();
        }
        if (hooks.progress)
            hooks.progress(done);
    }
    if (batch)
        batch->commit();
    return counts;
}

qint64 CountDirectoryImages(const QString &directory)
{
    static const QStringList pieces = SplitFilePattern(QString::fromLatin1(kImageFilePattern));
    return ListMatchingFiles(directory, pieces).size();
}

}  // namespace vexa

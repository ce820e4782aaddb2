// vexa-cli dir add [--tree]|delete|list COLLECTION [PATH...]: a collection's directories.
#include "base/diskpath.h"
#include "base/paths.h"
#include "base/texts.h"
#include "cli/cli.h"
#include "cli/commands.h"
#include "collections/adddirectories.h"
#include "collections/directorytree.h"
#include "db/appdatabase.h"
#include "db/records.h"
#include "db/selectionsql.h"

#include <QCommandLineParser>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace vexa::cli {

namespace {

// An absolute path without trailing "/", as the directory list shows it.
QString normalised(const QString &path)
{
    QString clean = QDir::cleanPath(QDir(path).absolutePath());
    StripTrailingBackslash(clean);
    return clean;
}

int addDirectories(std::int32_t collectionId, const QStringList &paths, bool tree = false)
{
    int status = ExitOk;
    QStringList directories;
    for (const QString &given : paths) {
        const QString path = normalised(given);
        if (!StatOnDisk(path).isDirectory) {
            Err(QStringLiteral("vexa-cli: %1 is not a directory").arg(given));
            status = ExitFailure;
            continue;
        }
        directories.append(path);
    }
    const AddDirectoryCounts counts = AddDirectoriesToCollection(collectionId, directories, tree);
    if (counts.failed > 0)
        status = ExitFailure;  // reported by the store
    Out(QString::number(counts.added) + Text(726));
    Out(QString::number(counts.present) + Text(727));
    Out(QString::number(counts.empty) + Text(728));
    return status;
}

// Each root and every directory below it, walked as the Add Tree button
// walks them; unreadable directories are passed over and counted.
int addTrees(std::int32_t collectionId, const QStringList &roots)
{
    QStringList clean;
    for (const QString &root : roots) {
        if (!StatOnDisk(root).isDirectory) {
            Err(QStringLiteral("vexa-cli: %1 is not a directory").arg(root));
            return ExitFailure;
        }
        clean.append(normalised(root));
    }
    const DirectoryTree tree = WalkDirectoryTrees(clean);
    const int status = addDirectories(collectionId, tree.directories, true);
    if (tree.unreadable > 0)
        Out(QStringLiteral("%1 directories could not be read and were skipped.")
                .arg(tree.unreadable));
    return status;
}

int deleteDirectories(std::int32_t collectionId, const QStringList &paths)
{
    int status = ExitOk;
    RecordSet &items = *AppDb().collectionItems;
    for (const QString &given : paths) {
        // The text as stored; a directory that is gone from the disk can
        // still be removed from the collection.
        const QString path = normalised(given);
        if (!items.findFirst(CollectionPathCriterion(collectionId, path))) {
            Err(QStringLiteral("vexa-cli: %1 is not a directory of this collection").arg(path));
            status = ExitFailure;
            continue;
        }
        if (!DeleteItemFromCollection(collectionId, path)) {
            status = ExitFailure;
            continue;
        }
        Out(QStringLiteral("Deleted %1; its image records stay in the database.").arg(path));
    }
    return status;
}

int listDirectories(std::int32_t collectionId)
{
    Database &db = *AppDb().db;
    RecordSet dirs(db, DirectoryListSql(collectionId));
    for (; !dirs.eof(); dirs.moveNext()) {
        const std::int64_t itemId = dirs.value(QStringLiteral("ItemID")).toLongLong();
        RecordSet count(db, DirectoryImageCountSql(collectionId, itemId), RecordSetType::Snapshot,
            kReadOnlyOption);
        count.moveLast();
        const qlonglong images
            = count.eof() ? 0 : count.value(QStringLiteral("Aantal")).toLongLong();
        Out(dirs.value(QStringLiteral("Path")).toString() + QLatin1Char('\t')
            + QString::number(images));
    }
    return ExitOk;
}

}  // namespace

int RunDir(const Invocation &invocation)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Adds, deletes or lists a collection's directories."));
    parser.addPositionalArgument(QStringLiteral("verb"), QStringLiteral("add, delete or list."),
        QStringLiteral("add|delete|list"));
    parser.addPositionalArgument(QStringLiteral("collection"), QStringLiteral("The collection."),
        QStringLiteral("COLLECTION"));
    parser.addPositionalArgument(QStringLiteral("paths"),
        QStringLiteral("Directories (add, delete)."), QStringLiteral("[PATH...]"));
    parser.addOption({ QStringLiteral("tree"),
        QStringLiteral("add: each path and every directory below it, as Add Tree does.") });
    if (const int status = ParseCommandLine(parser, invocation); status >= 0)
        return status;
    const QStringList args = parser.positionalArguments();
    const QString verb = args.value(0);
    const bool tree = parser.isSet(QStringLiteral("tree"));
    const bool withPaths = verb == QStringLiteral("add") || verb == QStringLiteral("delete");
    if (!withPaths && verb != QStringLiteral("list"))
        return UsageError(parser, invocation,
            verb.isEmpty() ? QStringLiteral("add, delete or list is needed")
                           : QStringLiteral("unknown verb \"%1\"").arg(verb));
    if (!(withPaths && args.size() >= 3) && !(verb == QStringLiteral("list") && args.size() == 2))
        return UsageError(parser, invocation,
            QStringLiteral("add and delete take a collection and paths, list a collection"));
    if (tree && verb != QStringLiteral("add"))
        return UsageError(parser, invocation, QStringLiteral("--tree goes with add only"));
    if (!OpenDataDirectory(invocation,
            verb == QStringLiteral("list") ? DatabaseAccess::ReadOnly : DatabaseAccess::ReadWrite))
        return ExitFailure;
    const QString name = args.value(1);
    try {
        const std::int32_t collectionId = FindCollectionId(name);
        if (collectionId <= 0) {
            Err(QStringLiteral("vexa-cli: there is no collection \"%1\"").arg(name));
            return ExitFailure;
        }
        const QStringList paths = args.mid(2);
        if (verb == QStringLiteral("add"))
            return tree ? addTrees(collectionId, paths) : addDirectories(collectionId, paths);
        if (verb == QStringLiteral("delete"))
            return deleteDirectories(collectionId, paths);
        return listDirectories(collectionId);
    } catch (const std::exception &e) {
        Err(QStringLiteral("vexa-cli: %1").arg(QString::fromUtf8(e.what())));
        return ExitFailure;
    }
}

}  // namespace vexa::cli

#include "review/binaryset.h"

#include "base/diskpath.h"
#include "base/fileops.h"
#include "base/paths.h"
#include "base/texts.h"
#include "db/records.h"
#include "db/statistics.h"

#include <QFileInfo>

#include <exception>

namespace vexa {

namespace {

std::unique_ptr<CBinaries> g_binaries;

// The name a keeper is judged by: the long form's last part, upper case.
QString KeeperName(const CBinary &file)
{
    return SplitPath(GetLongPath(file.FullPath()), false).toUpper();
}

}  // namespace

CBinaries *Binaries()
{
    return g_binaries.get();
}

void SetApplicationBinaries(std::unique_ptr<CBinaries> set)
{
    g_binaries = std::move(set);
}

QString CBinary::FullPath() const
{
    return JoinPath(m_path, m_fileName);
}

CBinaries::CBinaries() = default;
CBinaries::~CBinaries() = default;

CBinary *CBinaries::Add(const QString &fileName, const QString &path, std::int64_t size, int dimX,
    int dimY, std::int32_t recordNr, const QString &key)
{
    if (!key.isEmpty() && Item(key))
        return nullptr;
    auto file = std::make_unique<CBinary>();
    file->m_fileName = fileName;
    file->m_path = path;
    file->m_size = size;
    file->m_dimX = dimX;
    file->m_dimY = dimY;
    file->m_recordNr = recordNr;
    file->m_key = key;
    m_items.push_back(std::move(file));
    return m_items.back().get();
}

CBinary *CBinaries::Item(int position) const
{
    if (position < 1 || position > Count())
        return nullptr;
    return m_items[size_t(position - 1)].get();
}

CBinary *CBinaries::Item(const QString &key) const
{
    if (key.isEmpty())
        return nullptr;
    for (const auto &file : m_items) {
        if (file->m_key == key)
            return file.get();
    }
    return nullptr;
}

void CBinaries::Clear()
{
    while (!m_items.empty())
        m_items.erase(m_items.begin());
    m_subgroups = 0;
}

void CBinaries::Remove(int position)
{
    if (position >= 1 && position <= Count())
        m_items.erase(m_items.begin() + (position - 1));
}

void CBinaries::Remove(const QString &key)
{
    for (auto it = m_items.begin(); it != m_items.end(); ++it) {
        if ((*it)->m_key == key && !key.isEmpty()) {
            m_items.erase(it);
            return;
        }
    }
}

int CBinaries::DeleteBinaryDuplicates()
{
    return DeleteBinaryDuplicates(AllowUndoFlag());
}

int CBinaries::DeleteBinaryDuplicates(bool allowUndo, bool dryRun, QList<BinaryRemoval> *removals)
{
    FindIdenticalFiles();
    MarkFilesToDelete();
    return DeleteMarkedFiles(allowUndo, dryRun, removals);
}

int CBinaries::FindIdenticalFiles()
{
    // Subgroups are numbered from 1. A file that matched an earlier one in
    // size and dimensions is never again the second file of a comparison;
    // two memory files (-1) are never compared.
    int subgroup = 1;
    for (const auto &a : m_items) {
        bool found = false;
        for (const auto &b : m_items) {
            if (b->m_recordNr == a->m_recordNr || b->m_checked)
                continue;
            if (a->m_size != b->m_size || a->m_dimX != b->m_dimX || a->m_dimY != b->m_dimY)
                continue;
            b->m_checked = true;
            if (CompareFiles(a->FullPath(), b->FullPath())) {
                a->m_deleteId = subgroup;
                b->m_deleteId = subgroup;
                found = true;
            }
        }
        if (found)
            ++subgroup;
        a->m_checked = true;
    }
    m_subgroups = subgroup - 1;
    return m_subgroups;
}

void CBinaries::MarkFilesToDelete()
{
    // A newly arrived file (-1) identical to a database file is always the
    // one removed.
    for (int g = 1; g <= m_subgroups; ++g) {
        QList<std::int32_t> ids;
        for (const auto &file : m_items) {
            if (file->m_deleteId != g)
                continue;
            if (file->m_recordNr == -1)
                file->m_delete = true;
            else
                ids.append(file->m_recordNr);
        }
        ChooseKeeper(ids);
    }
}

int CBinaries::DeleteMarkedFiles(bool allowUndo, bool dryRun, QList<BinaryRemoval> *removals)
{
    // Each file in its own operation, its reason checked again just before.
    int deleted = 0;
    for (const auto &file : m_items) {
        if (!file->m_delete)
            continue;
        BinaryRemoval removal = removeOne(*file, allowUndo, dryRun);
        if (removal.done)
            ++deleted;
        if (removals)
            removals->append(removal);
    }
    return deleted;
}

const CBinary *CBinaries::keeperOf(const CBinary &file) const
{
    for (const auto &other : m_items) {
        if (other.get() != &file && !other->m_delete && other->m_deleteId == file.m_deleteId)
            return other.get();
    }
    return nullptr;
}

BinaryRemoval CBinaries::removeOne(const CBinary &file, bool allowUndo, bool dryRun)
{
    BinaryRemoval removal;
    removal.removed = file.FullPath();
    removal.removedId = file.m_recordNr;
    removal.size = file.m_size;
    auto refuse = [&removal](const QString &reason, int textId) {
        removal.reason = reason;
        removal.reasonText = Text(textId);
        return removal;
    };
    const CBinary *keeper = keeperOf(file);
    if (!keeper)
        return refuse(QStringLiteral("no identical file of its group stays"), 1990);
    removal.kept = keeper->FullPath();
    removal.keptId = keeper->m_recordNr;
    // The disk may have changed since the comparison: the keeper must still
    // be there, be another file, and hold the same bytes.
    if (!StatOnDisk(removal.kept).isFile)
        return refuse(QStringLiteral("the file it duplicates no longer exists"), 1991);
    if (SameFile(removal.kept, removal.removed))
        return refuse(QStringLiteral("it is the same file as the one kept"), 1992);
    if (!FilesIdentical(removal.kept, removal.removed))
        return refuse(QStringLiteral("it is no longer identical to the file kept"), 1993);
    if (dryRun)
        return removal;
    const FileOpResult result = DeleteFile(removal.removed, allowUndo);
    if (!result) {
        removal.reason = result.reason;
        removal.reasonText = ReasonText(result);
        return removal;
    }
    removal.done = true;
    if (file.m_recordNr != -1 && !DeleteFileDataRecord(file.m_recordNr)) {
        removal.reason = QStringLiteral("the file is gone but its record could not be deleted");
        removal.reasonText = Text(1994);
    }
    try {
        AddDeletionStatistics(1, file.m_size);
    } catch (const std::exception &) {
        // The counters never hold up a deletion.
    }
    return removal;
}

bool CBinaries::CompareFiles(const QString &first, const QString &second)
{
    // Two names of one physical file are one file, not two copies: deleting
    // "the copy" would delete the only one.
    if (SameFile(first, second))
        return false;
    return FilesIdentical(first, second);
}

void CBinaries::ChooseKeeper(const QList<std::int32_t> &ids)
{
    CBinary *keeper = nullptr;
    QList<CBinary *> considered;
    for (const auto &file : m_items) {
        if (!ContainsId(file->m_recordNr, ids) || file->m_delete)
            continue;
        considered.append(file.get());
        if (!keeper) {
            keeper = file.get();
            continue;
        }
        const QString kept = KeeperName(*keeper);
        const QString candidate = KeeperName(*file);
        if (kept.size() < candidate.size()
            && !StripExtension(candidate).startsWith(StripExtension(kept)))
            keeper = file.get();
    }
    for (CBinary *file : considered) {
        if (file != keeper)
            file->m_delete = true;
    }
}

QString CBinaries::StripExtension(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

bool CBinaries::ContainsId(std::int32_t id, const QList<std::int32_t> &ids)
{
    return ids.contains(id);
}

}  // namespace vexa

#include "review/keepbest.h"

#include "base/diskpath.h"
#include "base/fileops.h"
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/database.h"
#include "db/records.h"
#include "db/settings.h"
#include "db/sqlite.h"
#include "db/statistics.h"
#include "narration/duplicateset.h"

#include <QDir>
#include <QHash>
#include <QStringList>
#include <QtConcurrent>

namespace vexa {

namespace {

bool underDirectory(const QString &path, const QString &directory)
{
    if (directory.isEmpty())
        return false;
    const QString root = QDir::cleanPath(directory);
    return path.startsWith(root == QStringLiteral("/") ? root : root + QLatin1Char('/'));
}

// Which of a and b the key prefers: -1 a, 1 b, 0 neither.
int compareBy(KeepKey key, const KeepFile &a, const KeepFile &b)
{
    const auto order = [](auto x, auto y) { return x == y ? 0 : (x < y ? -1 : 1); };
    switch (key) {
    case KeepKey::Pixels:
        return -order(std::int64_t(a.width) * a.height, std::int64_t(b.width) * b.height);
    case KeepKey::Size: return -order(a.size, b.size);
    case KeepKey::Oldest: return order(a.modifiedNs, b.modifiedNs);
    case KeepKey::Shortest: return order(a.path.size(), b.path.size());
    }
    return 0;
}

KeepReason reasonOf(KeepKey key)
{
    switch (key) {
    case KeepKey::Pixels: return KeepReason::Pixels;
    case KeepKey::Size: return KeepReason::Size;
    case KeepKey::Oldest: return KeepReason::Oldest;
    case KeepKey::Shortest: return KeepReason::Shortest;
    }
    return KeepReason::Equal;
}

// The first step of the rule that tells a and b apart: its reason and which
// one it prefers (-1 a, 1 b); Equal and 0 when none does.
std::pair<KeepReason, int> decide(const KeepFile &a, const KeepFile &b, const KeepRule &rule)
{
    if (!rule.preferredDirectory.isEmpty()) {
        const bool inA = underDirectory(a.path, rule.preferredDirectory);
        const bool inB = underDirectory(b.path, rule.preferredDirectory);
        if (inA != inB)
            return { KeepReason::Preferred, inA ? -1 : 1 };
    }
    for (const KeepKey key : rule.keys) {
        if (const int c = compareBy(key, a, b))
            return { reasonOf(key), c };
    }
    return { KeepReason::Equal, 0 };
}

bool samePhysicalFile(const KeepFile &a, const KeepFile &b)
{
    return a.inode != 0 && a.device == b.device && a.inode == b.inode;
}

}  // namespace

KeepRule StoredKeepRule()
{
    KeepRule rule;
    if (const auto keys = ParseKeepKeys(ReadSetting(QStringLiteral("KeepBestRule"))))
        rule.keys = *keys;
    rule.preferredDirectory = ReadSetting(QStringLiteral("KeepBestPreferred"));
    return rule;
}

bool StoreKeepRule(const KeepRule &rule)
{
    return WriteSetting(QStringLiteral("KeepBestRule"), KeepKeysText(rule.keys))
        && WriteSetting(QStringLiteral("KeepBestPreferred"), rule.preferredDirectory);
}

KeepDecision ChooseBest(const std::vector<KeepFile> &files, const KeepRule &rule)
{
    KeepDecision decision;
    if (files.empty())
        return decision;
    int best = 0;
    for (int i = 1; i < int(files.size()); ++i) {
        if (decide(files[std::size_t(i)], files[std::size_t(best)], rule).second < 0)
            best = i;
    }
    decision.kept = best;
    decision.reasons.resize(files.size(), KeepReason::None);
    const KeepFile &kept = files[std::size_t(best)];
    for (int i = 0; i < int(files.size()); ++i) {
        if (i == best)
            continue;
        const KeepFile &other = files[std::size_t(i)];
        decision.reasons[std::size_t(i)] = samePhysicalFile(kept, other)
            ? KeepReason::SameFile
            : decide(kept, other, rule).first;
    }
    return decision;
}

QString KeepReasonText(const KeepFile &kept, KeepReason reason)
{
    int id = 0;
    switch (reason) {
    case KeepReason::None: return QString();
    case KeepReason::Preferred: id = 1902; break;
    case KeepReason::Pixels: id = 1903; break;
    case KeepReason::Size: id = 1904; break;
    case KeepReason::Oldest: id = 1905; break;
    case KeepReason::Shortest: id = 1906; break;
    case KeepReason::Equal: id = 1907; break;
    case KeepReason::SameFile: return Text(1992);
    }
    return Text(1901) + QStringLiteral("%1 × %2, ").arg(kept.width).arg(kept.height) + Text(id);
}

std::vector<int> KeepGroupPlan::selected() const
{
    std::vector<int> chosen;
    for (int i = 0; i < int(files.size()); ++i) {
        const KeepReason reason = decision.reasons[std::size_t(i)];
        if (i != decision.kept && reason != KeepReason::SameFile)
            chosen.push_back(i);
    }
    return chosen;
}

std::int64_t KeepGroupPlan::reclaimableBytes() const
{
    std::int64_t bytes = 0;
    for (const int i : selected())
        bytes += files[std::size_t(i)].size;
    return bytes;
}

namespace {

// The group's files as recorded, the source first; not yet looked at on disk.
std::vector<KeepFile> recordedFiles(
    const KeepRecordLookup &records, const CDuplicate &group, const MemorySourceLookup &memory)
{
    std::vector<KeepFile> files;
    files.reserve(std::size_t(group.fileIds().size()) + 1);
    const auto add = [&](std::optional<KeepFile> file) {
        if (file)
            files.push_back(std::move(*file));
    };
    if (group.lSource() >= 0) {
        add(records(group.lSource()));
    } else if (memory) {
        if (const std::optional<MemorySourceFile> entry = memory(group.MemLoadPos())) {
            KeepFile file;
            file.id = -1;
            file.path = entry->path + QLatin1Char('/') + entry->fileName;
            file.size = entry->fileSize;
            file.width = entry->width;
            file.height = entry->height;
            add(std::move(file));
        }
    }
    for (const std::int32_t id : group.fileIds())
        add(records(id));
    return files;
}

// Fills in what the disk says; false when the file is not there.
bool lookOnDisk(KeepFile &file)
{
    const DiskStat stat = StatTargetOnDisk(file.path);
    if (!stat.exists || !stat.isFile)
        return false;
    file.modifiedNs = stat.modifiedNs;
    file.device = stat.device;
    file.inode = stat.inode;
    return true;
}

}  // namespace

KeepGroupPlan PlanKeepBest(const KeepRecordLookup &records, const CDuplicate &group, int position,
    const KeepRule &rule, const MemorySourceLookup &memory)
{
    KeepGroupPlan plan;
    plan.position = position;
    plan.source = group.lSource();
    plan.files = recordedFiles(records, group, memory);
    std::erase_if(plan.files, [](KeepFile &file) { return !lookOnDisk(file); });
    plan.decision = ChooseBest(plan.files, rule);
    return plan;
}

KeepGroupPlan PlanKeepBest(Database &db, const CDuplicate &group, int position,
    const KeepRule &rule, const MemorySourceLookup &memory)
{
    Statement query(db.connection().handle(),
        QStringLiteral("SELECT CollectionItem.Path, FileData.FileName, FileData.FileSize, "
                       "FileData.FileDimX, FileData.FileDimY FROM FileData JOIN CollectionItem "
                       "ON CollectionItem.ItemID = FileData.ItemID WHERE FileData.ID = ?"));
    const KeepRecordLookup records = [&](std::int32_t id) -> std::optional<KeepFile> {
        query.reset();
        query.bind(1, id);
        if (!query.step())
            return std::nullopt;
        KeepFile file;
        file.id = id;
        file.path = query.column(0).toString() + QLatin1Char('/') + query.column(1).toString();
        file.size = query.columnInt64(2);
        file.width = int(query.columnInt64(3));
        file.height = int(query.columnInt64(4));
        return file;
    };
    return PlanKeepBest(records, group, position, rule, memory);
}

KeepBestEngine::KeepBestEngine(const CDuplicates &set, KeepBestOptions options)
    : m_set(set)
    , m_options(std::move(options))
{
}

RunResult KeepBestEngine::run(RunObserver &observer)
{
    m_plans.clear();
    RunReporter reporter(observer, m_options.reportIntervalMs);
    RunProgress &p = reporter.progress();
    p.total = m_set.Count();
    reporter.start();
    RunResult result;
    try {
        // Every record with two reads, rather than a query per file.
        Database &db = OpenDb();
        struct Stored {
            std::int64_t item;
            QString name;
            std::int64_t size;
            int width;
            int height;
        };
        QHash<std::int32_t, Stored> stored;
        QHash<std::int64_t, QString> directories;
        {
            Statement query(db.connection().handle(),
                QStringLiteral(
                    "SELECT ID, ItemID, FileName, FileSize, FileDimX, FileDimY FROM FileData"));
            while (query.step())
                stored.insert(std::int32_t(query.columnInt64(0)),
                    { query.columnInt64(1), query.column(2).toString(), query.columnInt64(3),
                        int(query.columnInt64(4)), int(query.columnInt64(5)) });
            Statement items(db.connection().handle(),
                QStringLiteral("SELECT ItemID, Path FROM CollectionItem"));
            while (items.step())
                directories.insert(items.columnInt64(0), items.column(1).toString());
        }
        const KeepRecordLookup records = [&](std::int32_t id) -> std::optional<KeepFile> {
            const auto r = stored.constFind(id);
            const auto directory
                = r == stored.constEnd() ? directories.constEnd() : directories.constFind(r->item);
            if (directory == directories.constEnd())
                return std::nullopt;
            KeepFile file;
            file.id = id;
            file.path = *directory + QLatin1Char('/') + r->name;
            file.size = r->size;
            file.width = r->width;
            file.height = r->height;
            return file;
        };
        // The files of every group as recorded, then looked at on disk a
        // slice at a time on the pool's threads (each only stats; two calls
        // per file, and a large set has hundreds of thousands), then chosen.
        std::vector<KeepGroupPlan> plans;
        plans.reserve(std::size_t(m_set.Count()));
        int position = 0;
        for (const CDuplicate &group : m_set) {
            KeepGroupPlan plan;
            plan.position = ++position;
            plan.source = group.lSource();
            plan.files = recordedFiles(records, group, m_options.memory);
            plans.push_back(std::move(plan));
        }
        constexpr std::size_t kSlice = 4096;  // groups between two looks at Cancel
        for (std::size_t first = 0; first < plans.size(); first += kSlice) {
            if (reporter.cancelled()) {
                result.outcome = RunOutcome::Cancelled;
                break;
            }
            const std::size_t last = std::min(plans.size(), first + kSlice);
            QtConcurrent::blockingMap(plans.begin() + std::ptrdiff_t(first),
                plans.begin() + std::ptrdiff_t(last), [](KeepGroupPlan &plan) {
                    std::erase_if(plan.files, [](KeepFile &file) { return !lookOnDisk(file); });
                });
            for (std::size_t i = first; i < last; ++i) {
                KeepGroupPlan &plan = plans[i];
                if (plan.files.size() < 2)
                    continue;
                plan.decision = ChooseBest(plan.files, m_options.rule);
                p.found += int(plan.selected().size());
                m_plans.push_back(std::move(plan));
            }
            p.done = int(last);
            reporter.report();
        }
    } catch (const std::exception &e) {
        result = RunResult::failed(e);
    }
    return reporter.finish(result);
}

std::vector<KeepRemoval> ApplyKeepBest(const std::vector<KeepGroupPlan> &plans, bool allowUndo)
{
    std::vector<KeepRemoval> removals;
    std::int64_t files = 0;
    std::int64_t bytes = 0;
    for (const KeepGroupPlan &plan : plans) {
        if (plan.decision.kept < 0)
            continue;
        const KeepFile &kept = plan.files[std::size_t(plan.decision.kept)];
        for (const int i : plan.selected()) {
            const KeepFile &file = plan.files[std::size_t(i)];
            KeepRemoval removal;
            removal.path = file.path;
            removal.id = file.id;
            // Checked again just before: the copy that stays must still be
            // there and be another file than the one that goes.
            const DiskStat keptNow = StatOnDisk(kept.path);
            const DiskStat fileNow = StatOnDisk(file.path);
            if (!keptNow.exists || keptNow.device != kept.device || keptNow.inode != kept.inode) {
                removal.reason = Text(1991);
            } else if (!fileNow.exists) {
                removal.reason = Text(1952);
            } else if (fileNow.device == keptNow.device && fileNow.inode == keptNow.inode) {
                removal.reason = Text(1992);
            } else if (fileNow.device != file.device || fileNow.inode != file.inode) {
                removal.reason = Text(1910);
            } else if (const FileOpResult deleted = DeleteFile(file.path, allowUndo); !deleted) {
                removal.reason = ReasonText(deleted);
            } else {
                removal.done = true;
                ++files;
                bytes += file.size;
                if (file.id >= 0 && !DeleteFileDataRecord(file.id))
                    removal.reason = Text(1994);
            }
            removals.push_back(std::move(removal));
        }
    }
    if (files > 0) {
        try {
            AddDeletionStatistics(files, bytes);
        } catch (const std::exception &) {
            // The counters never hold up a deletion.
        }
    }
    return removals;
}

}  // namespace vexa

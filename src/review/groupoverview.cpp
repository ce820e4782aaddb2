#include "review/groupoverview.h"

#include "base/texts.h"
#include "db/database.h"
#include "db/sqlite.h"
#include "narration/duplicateset.h"
#include "review/keepbest.h"

#include <QLocale>

#include <algorithm>

namespace vexa {

namespace {

struct RecordFacts {
    std::int64_t size = 0;
    std::int64_t item = 0;
    QString name;
};

}  // namespace

GroupOverviewModel::GroupOverviewModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void GroupOverviewModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_thumbnails.clear();
    m_set = nullptr;
    m_db = nullptr;
    endResetModel();
}

void GroupOverviewModel::reset(
    const CDuplicates &set, Database &db, const KeepRule &rule, const MemorySourceLookup &memory)
{
    beginResetModel();
    m_set = &set;
    m_db = &db;
    m_rule = rule;
    m_memory = memory;
    m_rows.clear();
    m_thumbnails.clear();
    // Two reads in all, whatever the number of groups: every record's size
    // and name, and every directory.
    QHash<std::int32_t, RecordFacts> records;
    {
        Statement query(db.connection().handle(),
            QStringLiteral("SELECT ID, ItemID, FileName, FileSize FROM FileData"));
        while (query.step())
            records.insert(std::int32_t(query.columnInt64(0)),
                { query.columnInt64(3), query.columnInt64(1), query.column(2).toString() });
    }
    QHash<std::int64_t, QString> directories;
    {
        Statement query(
            db.connection().handle(), QStringLiteral("SELECT ItemID, Path FROM CollectionItem"));
        while (query.step())
            directories.insert(query.columnInt64(0), query.column(1).toString());
    }
    const auto pathOf = [&](const RecordFacts &r) {
        return directories.value(r.item) + QLatin1Char('/') + r.name;
    };
    m_rows.reserve(std::size_t(set.Count()));
    int position = 0;
    for (const CDuplicate &group : set) {
        Row row;
        row.position = ++position;
        std::int64_t total = 0;
        std::int64_t largest = 0;
        const auto count = [&](std::int64_t size) {
            ++row.files;
            total += size;
            largest = std::max(largest, size);
        };
        if (group.lSource() >= 0) {
            if (const auto r = records.constFind(group.lSource()); r != records.constEnd()) {
                row.source = pathOf(*r);
                count(r->size);
            }
        } else if (memory) {
            if (const auto entry = memory(group.MemLoadPos())) {
                row.source = entry->path + QLatin1Char('/') + entry->fileName;
                count(entry->fileSize);
            }
        }
        for (const std::int32_t id : group.fileIds()) {
            const auto r = records.constFind(id);
            if (r == records.constEnd())
                continue;
            if (row.source.isEmpty())
                row.source = pathOf(*r);
            count(r->size);
        }
        row.reclaimable = total - largest;
        m_rows.push_back(std::move(row));
    }
    endResetModel();
}

int GroupOverviewModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int GroupOverviewModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString GroupOverviewModel::keepText(const Row &row) const
{
    if (row.keepDone)
        return row.keep;
    row.keepDone = true;
    try {
        if (!m_set || !m_db || row.position > m_set->Count())
            return row.keep;
        const KeepGroupPlan plan
            = PlanKeepBest(*m_db, m_set->Item(row.position), row.position, m_rule, m_memory);
        if (plan.decision.kept < 0)
            return row.keep;
        const KeepFile &kept = plan.files[std::size_t(plan.decision.kept)];
        const QString name = kept.path.mid(kept.path.lastIndexOf(QLatin1Char('/')) + 1);
        const std::vector<int> selected = plan.selected();
        row.keep = selected.empty() ? name
                                    : name + QStringLiteral(" (")
                + KeepReasonText(kept, plan.decision.reasons[std::size_t(selected.front())])
                + QLatin1Char(')');
    } catch (const std::exception &) {
        // A row that cannot be planned shows no choice.
    }
    return row.keep;
}

QVariant GroupOverviewModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const Row &row = m_rows[std::size_t(index.row())];
    if (role == PositionRole)
        return row.position;
    switch (index.column()) {
    case Source:
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole || role == SortRole)
            return row.source;
        if (role == Qt::DecorationRole) {
            const QImage image = m_thumbnails.value(index.row());
            return image.isNull() ? QVariant() : QVariant(image);
        }
        break;
    case Files:
        if (role == Qt::DisplayRole || role == SortRole)
            return row.files;
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        break;
    case Reclaimable:
        if (role == Qt::DisplayRole)
            return QLocale().formattedDataSize(row.reclaimable, 1, QLocale::DataSizeSIFormat);
        if (role == SortRole)
            return qlonglong(row.reclaimable);
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        break;
    case Keep:
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole || role == SortRole)
            return keepText(row);
        break;
    default: break;
    }
    return {};
}

QVariant GroupOverviewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Source: return Text(1919);
    case Files: return Text(1920);
    case Reclaimable: return Text(1921);
    case Keep: return Text(1922);
    default: return {};
    }
}

QString GroupOverviewModel::sourcePath(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[std::size_t(row)].source : QString();
}

void GroupOverviewModel::setThumbnail(int row, const QImage &image)
{
    m_thumbnails.insert(row, image);
    if (!image.isNull())
        emit dataChanged(index(row, Source), index(row, Source), { Qt::DecorationRole });
}

bool GroupOverviewModel::thumbnailAsked(int row) const
{
    return m_thumbnails.contains(row);
}

int GroupOverviewModel::rowOfPosition(int position) const
{
    // Rows are made in position order.
    const int row = position - 1;
    return row >= 0 && row < int(m_rows.size()) && m_rows[std::size_t(row)].position == position
        ? row
        : -1;
}

}  // namespace vexa

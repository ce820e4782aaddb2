#pragma once

#include "base/keeprule.h"
#include "review/autodelete.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

namespace vexa {

class CDuplicates;
class Database;

// Every group of the duplicate set as one row: the source's path (and its
// small picture, handed in by the view), the number of files, the bytes
// removing all but the largest would free, and keep-best's choice with its
// reason. Opening reads the records of the set with two queries and touches
// no file; the keep-best column looks at a row's files on disk only when the
// view first asks for it. Interface thread only; the set must not change
// while the model shows it (reset it afterwards).
class GroupOverviewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Source, Files, Reclaimable, Keep, ColumnCount };
    // The value columns sort by (numbers as numbers, paths as text).
    static constexpr int SortRole = Qt::UserRole + 1;
    // The group's 1-based position in the set.
    static constexpr int PositionRole = Qt::UserRole + 2;

    explicit GroupOverviewModel(QObject *parent = nullptr);

    // Rows for the set's groups, read from db; memory sources through memory.
    void reset(const CDuplicates &set, Database &db, const KeepRule &rule,
        const MemorySourceLookup &memory = {});
    void clear();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The source's path of a row, for its picture.
    QString sourcePath(int row) const;
    // The row's picture; a null image marks it as asked for, so it is not
    // asked for again.
    void setThumbnail(int row, const QImage &image);
    bool thumbnailAsked(int row) const;
    // The row of a group position; -1 when none.
    int rowOfPosition(int position) const;

private:
    struct Row {
        int position = 0;
        QString source;  // path of the source, else of the first file with a record
        int files = 0;  // source and duplicates with a record (memory source counted)
        std::int64_t reclaimable = 0;
        mutable bool keepDone = false;
        mutable QString keep;
    };
    QString keepText(const Row &row) const;

    const CDuplicates *m_set = nullptr;
    Database *m_db = nullptr;
    KeepRule m_rule;
    MemorySourceLookup m_memory;
    std::vector<Row> m_rows;
    QHash<int, QImage> m_thumbnails;  // by row; null: asked, none yet
};

}  // namespace vexa

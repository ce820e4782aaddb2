#pragma once

#include "db/database.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

namespace vexa {

enum class RecordSetType { Dynaset = 2, Snapshot = 4 };
inline constexpr int kReadOnlyOption = 4;  // the Jet read-only option value

// A cursor over a table or a SELECT text, in the manner of a DAO record set.
//
// A dynaset over a table name or over "SELECT * FROM <table> [WHERE ...]" is
// live and updatable: it walks the rows that match now, in key order, one
// indexed lookup per move, so it holds no rows in memory and sees rows added
// or changed through the program at once. With a WHERE, the keys of the
// matching rows are read once at moveFirst/moveLast/requery and each move is a
// step in that list (a condition such as "ITEMID=5 OR ITEMID=12" cannot be
// stepped through by an index); rows added later have higher keys and are
// picked up at the end of the list, deleted rows are passed over, and a row
// changed so that it no longer matches stays in the walk until a requery. Any other SELECT, and
// every snapshot, is read once into memory when opened (and on requery) and is read-only. Errors
// throw VexaError with the engine's number and text.
class RecordSet {
public:
    RecordSet(Database &db, const QString &source, RecordSetType type = RecordSetType::Dynaset,
        int options = 0);
    ~RecordSet();
    RecordSet(const RecordSet &) = delete;
    RecordSet &operator=(const RecordSet &) = delete;

    const QString &source() const { return m_source; }
    bool isUpdatable() const { return m_live && !m_readOnly; }

    bool bof() const { return m_bof; }
    bool eof() const { return m_eof; }
    // The number of rows in the set now.
    int recordCount();

    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();

    // Jet criteria as the program writes them: "ID=5", "Naam='x'",
    // "CollectionID=3 AND Path='p'". Returns true when found; noMatch() tells
    // the same afterwards. A failed find keeps the position.
    bool findFirst(const QString &criterion);
    bool findNext(const QString &criterion);
    bool noMatch() const { return m_noMatch; }

    int fieldCount() const;
    QString fieldName(int index) const;
    bool hasField(const QString &name) const;
    // The current row's value (the edit buffer while editing); Null is an
    // invalid QVariant. An unknown field throws error 3265.
    QVariant value(const QString &field) const;
    QVariant value(int index) const;

    void addNew();
    void edit();
    void setValue(const QString &field, const QVariant &value);
    // Stores the edit buffer; on failure the row stays as it was and the
    // buffer is kept, so the caller may cancel.
    void update();
    void cancelUpdate();
    bool isEditing() const { return m_editMode != EditMode::None; }
    void remove();  // deletes the current row
    void requery();

    using Bookmark = qint64;
    Bookmark bookmark() const;
    void setBookmark(Bookmark bookmark);
    // The row stored by the last update (the new row after addNew).
    Bookmark lastModified() const { return m_lastModified; }

private:
    enum class EditMode { None, Add, Edit };

    void openSnapshot();
    void positionLive(std::optional<qint64> rowid);
    std::optional<qint64> queryRowId(const QString &sqlTail, std::optional<qint64> bound);
    void loadCurrentRow() const;
    int fieldIndex(const QString &name) const;
    void requireCurrent() const;
    void requireUpdatable() const;
    QVariant coerce(int index, const QVariant &value) const;
    QString baseWhere() const;
    void loadKeys();
    bool rowExists(qint64 rowid) const;
    std::optional<qint64> keyAfter(qint64 rowid);
    std::optional<qint64> keyBefore(qint64 rowid) const;

    Database &m_db;
    QString m_source;
    bool m_live = false;
    bool m_readOnly = false;
    bool m_bof = true;
    bool m_eof = true;
    bool m_noMatch = false;

    // Live dynaset
    QString m_table;
    QString m_where;
    QList<FieldInfo> m_fields;
    qint64 m_current = 0;
    bool m_currentDeleted = false;
    mutable bool m_rowLoaded = false;
    mutable QList<QVariant> m_row;
    std::unique_ptr<Statement> m_fetch;
    bool m_keyset = false;  // a live set with a WHERE: walks m_keys
    QList<qint64> m_keys;  // matching rowids, ascending

    // Snapshot
    QStringList m_columns;
    QList<QList<QVariant>> m_rows;
    int m_index = -1;

    QHash<QString, int> m_fieldIndex;  // lower-case name -> column
    EditMode m_editMode = EditMode::None;
    QList<QVariant> m_buffer;
    QList<bool> m_dirty;
    Bookmark m_lastModified = 0;
};

}  // namespace vexa

#include "db/recordset.h"

#include "base/errors.h"

#include <QRegularExpression>

#include <algorithm>
#include <limits>

namespace vexa {

namespace {

enum : long {
    ErrNoCurrent = 3021,
    ErrReadOnly = 3027,
    ErrRecordDeleted = 3167,
    ErrUpdateWithoutEdit = 3020,
    ErrTypeConversion = 3421,
};

// "SELECT * FROM <table> [WHERE <condition>]" in any letter case.
const QRegularExpression &simpleSelect()
{
    static const QRegularExpression re(
        QStringLiteral("^\\s*SELECT\\s+\\*\\s+FROM\\s+(\\w+)\\s*(?:\\bWHERE\\b(.*))?$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    return re;
}

const QRegularExpression &bareTableName()
{
    static const QRegularExpression re(QStringLiteral("^\\s*(\\w+)\\s*$"));
    return re;
}

}  // namespace

RecordSet::RecordSet(Database &db, const QString &source, RecordSetType type, int options)
    : m_db(db)
    , m_source(source)
{
    m_readOnly = (options & kReadOnlyOption) != 0 || db.isReadOnly();
    if (type == RecordSetType::Dynaset) {
        if (const auto m = bareTableName().match(source); m.hasMatch()) {
            m_table = m.captured(1);
            m_live = true;
        } else if (const auto s = simpleSelect().match(source); s.hasMatch()) {
            m_table = s.captured(1);
            m_where = s.captured(2).trimmed();
            m_live
                = !m_where.contains(QRegularExpression(QStringLiteral("\\b(ORDER|GROUP)\\s+BY\\b"),
                    QRegularExpression::CaseInsensitiveOption));
        }
    }
    if (m_live) {
        m_keyset = !m_where.isEmpty();
        m_fields = db.Fields(m_table);
        for (int i = 0; i < m_fields.size(); ++i)
            m_fieldIndex.insert(m_fields[i].name.toLower(), i);
        m_fetch = std::make_unique<Statement>(db.connection().handle(),
            QStringLiteral("SELECT * FROM \"%1\" WHERE rowid=?").arg(m_table));
        moveFirst();
    } else {
        m_readOnly = true;
        openSnapshot();
    }
}

RecordSet::~RecordSet() = default;

QString RecordSet::baseWhere() const
{
    return m_where.isEmpty() ? QStringLiteral("1") : QLatin1Char('(') + m_where + QLatin1Char(')');
}

void RecordSet::openSnapshot()
{
    QString sql = m_source.trimmed();
    if (bareTableName().match(sql).hasMatch())
        sql = QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(sql);
    Statement statement(m_db.connection().handle(), Database::TranslateJetSql(sql));
    m_columns.clear();
    m_fieldIndex.clear();
    for (int c = 0; c < statement.columnCount(); ++c) {
        m_columns.append(statement.columnName(c));
        m_fieldIndex.insert(m_columns.last().toLower(), c);
    }
    m_rows.clear();
    while (statement.step()) {
        QList<QVariant> row;
        row.reserve(m_columns.size());
        for (int c = 0; c < m_columns.size(); ++c)
            row.append(statement.column(c));
        m_rows.append(std::move(row));
    }
    m_index = m_rows.isEmpty() ? -1 : 0;
    m_bof = m_eof = m_rows.isEmpty();
}

std::optional<qint64> RecordSet::queryRowId(const QString &sqlTail, std::optional<qint64> bound)
{
    Statement statement(m_db.connection().handle(),
        QStringLiteral("SELECT rowid FROM \"%1\" WHERE %2 %3").arg(m_table, baseWhere(), sqlTail));
    if (bound)
        statement.bind(1, *bound);
    if (statement.step())
        return statement.columnInt64(0);
    return std::nullopt;
}

void RecordSet::loadKeys()
{
    Statement statement(m_db.connection().handle(),
        QStringLiteral("SELECT rowid FROM \"%1\" WHERE %2 ORDER BY rowid")
            .arg(m_table, baseWhere()));
    m_keys.clear();
    while (statement.step())
        m_keys.append(statement.columnInt64(0));
}

bool RecordSet::rowExists(qint64 rowid) const
{
    m_fetch->reset();
    m_fetch->bind(1, rowid);
    const bool found = m_fetch->step();
    m_fetch->reset();
    return found;
}

std::optional<qint64> RecordSet::keyAfter(qint64 rowid)
{
    auto it = std::upper_bound(m_keys.cbegin(), m_keys.cend(), rowid);
    for (; it != m_keys.cend(); ++it) {
        if (rowExists(*it))
            return *it;
    }
    // Rows added since the keys were read have higher keys than any of them.
    const qint64 bound = std::max(rowid, m_keys.isEmpty() ? qint64(0) : m_keys.last());
    Statement more(m_db.connection().handle(),
        QStringLiteral("SELECT rowid FROM \"%1\" WHERE %2 AND rowid > ? ORDER BY rowid")
            .arg(m_table, baseWhere()));
    more.bind(1, bound);
    const qsizetype known = m_keys.size();
    while (more.step())
        m_keys.append(more.columnInt64(0));
    if (m_keys.size() > known)
        return m_keys[known];
    return std::nullopt;
}

std::optional<qint64> RecordSet::keyBefore(qint64 rowid) const
{
    auto it = std::lower_bound(m_keys.cbegin(), m_keys.cend(), rowid);
    while (it != m_keys.cbegin()) {
        --it;
        if (rowExists(*it))
            return *it;
    }
    return std::nullopt;
}

void RecordSet::positionLive(std::optional<qint64> rowid)
{
    m_rowLoaded = false;
    m_currentDeleted = false;
    if (rowid) {
        m_current = *rowid;
        m_bof = m_eof = false;
    }
}

void RecordSet::moveFirst()
{
    m_editMode = EditMode::None;
    if (!m_live) {
        m_index = m_rows.isEmpty() ? -1 : 0;
        m_bof = m_eof = m_rows.isEmpty();
        return;
    }
    std::optional<qint64> id;
    if (m_keyset) {
        loadKeys();
        id = keyAfter(std::numeric_limits<qint64>::min());
    } else {
        id = queryRowId(QStringLiteral("ORDER BY rowid LIMIT 1"), std::nullopt);
    }
    positionLive(id);
    if (!id) {
        m_bof = m_eof = true;
        m_current = 0;
    }
}

void RecordSet::moveLast()
{
    m_editMode = EditMode::None;
    if (!m_live) {
        m_index = int(m_rows.size()) - 1;
        m_bof = m_eof = m_rows.isEmpty();
        return;
    }
    std::optional<qint64> id;
    if (m_keyset) {
        loadKeys();
        id = keyBefore(std::numeric_limits<qint64>::max());
    } else {
        id = queryRowId(QStringLiteral("ORDER BY rowid DESC LIMIT 1"), std::nullopt);
    }
    positionLive(id);
    if (!id) {
        m_bof = m_eof = true;
        m_current = 0;
    }
}

void RecordSet::moveNext()
{
    if (m_eof)
        throw VexaError(ErrNoCurrent, QStringLiteral("No current record."));
    m_editMode = EditMode::None;
    if (!m_live) {
        ++m_index;
        m_eof = m_index >= m_rows.size();
        m_bof = false;
        return;
    }
    const auto id = m_keyset
        ? keyAfter(m_current)
        : queryRowId(QStringLiteral("AND rowid > ? ORDER BY rowid LIMIT 1"), m_current);
    if (id) {
        positionLive(id);
    } else {
        m_rowLoaded = false;
        m_eof = true;
        m_current = std::numeric_limits<qint64>::max();
    }
    m_bof = false;
}

void RecordSet::movePrevious()
{
    if (m_bof)
        throw VexaError(ErrNoCurrent, QStringLiteral("No current record."));
    m_editMode = EditMode::None;
    if (!m_live) {
        --m_index;
        m_bof = m_index < 0;
        m_eof = false;
        return;
    }
    const auto id = m_keyset
        ? keyBefore(m_current)
        : queryRowId(QStringLiteral("AND rowid < ? ORDER BY rowid DESC LIMIT 1"), m_current);
    if (id) {
        positionLive(id);
    } else {
        m_rowLoaded = false;
        m_bof = true;
        m_current = 0;
    }
    m_eof = false;
}

int RecordSet::recordCount()
{
    if (!m_live)
        return int(m_rows.size());
    Statement statement(m_db.connection().handle(),
        QStringLiteral("SELECT count(*) FROM \"%1\" WHERE %2").arg(m_table, baseWhere()));
    statement.step();
    return int(statement.columnInt64(0));
}

bool RecordSet::findFirst(const QString &criterion)
{
    if (!m_live) {
        throw VexaError(
            ErrReadOnly, QStringLiteral("Operation is not supported for this type of object."));
    }
    m_editMode = EditMode::None;
    const auto id = queryRowId(
        QStringLiteral("AND (%1) ORDER BY rowid LIMIT 1").arg(criterion), std::nullopt);
    m_noMatch = !id;
    if (id)
        positionLive(id);
    return !m_noMatch;
}

bool RecordSet::findNext(const QString &criterion)
{
    if (!m_live) {
        throw VexaError(
            ErrReadOnly, QStringLiteral("Operation is not supported for this type of object."));
    }
    m_editMode = EditMode::None;
    const auto id = queryRowId(
        QStringLiteral("AND rowid > ? AND (%1) ORDER BY rowid LIMIT 1").arg(criterion), m_current);
    m_noMatch = !id;
    if (id)
        positionLive(id);
    return !m_noMatch;
}

int RecordSet::fieldCount() const
{
    return m_live ? int(m_fields.size()) : int(m_columns.size());
}

QString RecordSet::fieldName(int index) const
{
    return m_live ? m_fields.value(index).name : m_columns.value(index);
}

bool RecordSet::hasField(const QString &name) const
{
    return m_fieldIndex.contains(name.toLower());
}

int RecordSet::fieldIndex(const QString &name) const
{
    const auto it = m_fieldIndex.constFind(name.toLower());
    if (it == m_fieldIndex.constEnd())
        throw VexaError(ErrItemNotFound, QStringLiteral("Item not found in this collection."));
    return *it;
}

void RecordSet::requireCurrent() const
{
    if (m_bof || m_eof)
        throw VexaError(ErrNoCurrent, QStringLiteral("No current record."));
    if (m_currentDeleted)
        throw VexaError(ErrRecordDeleted, QStringLiteral("Record is deleted."));
}

void RecordSet::requireUpdatable() const
{
    if (!isUpdatable())
        throw VexaError(
            ErrReadOnly, QStringLiteral("Cannot update. Database or object is read-only."));
}

void RecordSet::loadCurrentRow() const
{
    if (m_rowLoaded)
        return;
    m_fetch->reset();
    m_fetch->bind(1, m_current);
    if (!m_fetch->step()) {
        m_fetch->reset();
        throw VexaError(ErrRecordDeleted, QStringLiteral("Record is deleted."));
    }
    m_row.clear();
    for (int c = 0; c < m_fields.size(); ++c) {
        QVariant v = m_fetch->column(c);
        if (m_fields[c].type == QLatin1String("BOOLEAN") && !v.isNull())
            v = QVariant(v.toLongLong() != 0);
        m_row.append(std::move(v));
    }
    m_fetch->reset();
    m_rowLoaded = true;
}

QVariant RecordSet::value(int index) const
{
    if (index < 0 || index >= fieldCount())
        throw VexaError(ErrItemNotFound, QStringLiteral("Item not found in this collection."));
    if (m_editMode != EditMode::None)
        return m_buffer[index];
    requireCurrent();
    if (!m_live)
        return m_rows[m_index][index];
    loadCurrentRow();
    return m_row[index];
}

QVariant RecordSet::value(const QString &field) const
{
    return value(fieldIndex(field));
}

void RecordSet::addNew()
{
    requireUpdatable();
    m_buffer = QList<QVariant>(m_fields.size());
    m_dirty = QList<bool>(m_fields.size(), false);
    // The key is readable before the row is stored, as the engine numbers it
    // at the start of a new row.
    for (int i = 0; i < m_fields.size(); ++i) {
        if (!m_fields[i].isKey)
            continue;
        QVariant seq = QVariant();
        Statement sequence(m_db.connection().handle(),
            QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name=?"));
        sequence.bind(1, m_table);
        if (sequence.step())
            seq = sequence.column(0);
        const qint64 maxRow
            = m_db.connection()
                  .scalar(QStringLiteral("SELECT max(rowid) FROM \"%1\"").arg(m_table))
                  .toLongLong();
        m_buffer[i] = qlonglong(std::max(seq.toLongLong(), maxRow) + 1);
        m_dirty[i] = true;
    }
    m_editMode = EditMode::Add;
}

void RecordSet::edit()
{
    requireUpdatable();
    requireCurrent();
    loadCurrentRow();
    m_buffer = m_row;
    m_dirty = QList<bool>(m_fields.size(), false);
    m_editMode = EditMode::Edit;
}

QVariant RecordSet::coerce(int index, const QVariant &value) const
{
    if (value.isNull())
        return QVariant();
    const QString &type = m_fields[index].type;
    if (type.contains(QLatin1String("INT")) || type == QLatin1String("BOOLEAN")) {
        if (value.typeId() == QMetaType::Bool)
            return qlonglong(value.toBool() ? 1 : 0);
        bool ok = false;
        const qlonglong number = value.toLongLong(&ok);
        if (!ok)
            throw VexaError(ErrTypeConversion, QStringLiteral("Data type conversion error."));
        return number;
    }
    if (type.contains(QLatin1String("TEXT")) || type.contains(QLatin1String("CHAR")))
        return value.toString();
    return value;
}

void RecordSet::setValue(const QString &field, const QVariant &value)
{
    if (m_editMode == EditMode::None)
        throw VexaError(
            ErrUpdateWithoutEdit, QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
    const int index = fieldIndex(field);
    m_buffer[index] = coerce(index, value);
    m_dirty[index] = true;
}

void RecordSet::update()
{
    if (m_editMode == EditMode::None)
        throw VexaError(
            ErrUpdateWithoutEdit, QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
    QStringList names;
    QList<QVariant> values;
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_dirty[i]) {
            names.append(QLatin1Char('"') + m_fields[i].name + QLatin1Char('"'));
            values.append(m_buffer[i]);
        }
    }
    if (m_editMode == EditMode::Add) {
        QStringList marks;
        for (int i = 0; i < names.size(); ++i)
            marks.append(QStringLiteral("?"));
        const QString sql = names.isEmpty()
            ? QStringLiteral("INSERT INTO \"%1\" DEFAULT VALUES").arg(m_table)
            : QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)")
                  .arg(m_table, names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
        Statement insert(m_db.connection().handle(), sql);
        for (int i = 0; i < values.size(); ++i)
            insert.bind(i + 1, values[i]);
        insert.step();
        m_lastModified = m_db.connection().lastInsertRowId();
        if (m_eof && m_bof) {
            // An empty set shows its first row once one is added.
            positionLive(m_lastModified);
        }
    } else if (!names.isEmpty()) {
        QStringList sets;
        for (const QString &name : names)
            sets.append(name + QStringLiteral("=?"));
        Statement change(m_db.connection().handle(),
            QStringLiteral("UPDATE \"%1\" SET %2 WHERE rowid=?")
                .arg(m_table, sets.join(QLatin1Char(','))));
        int at = 1;
        for (const QVariant &v : values)
            change.bind(at++, v);
        change.bind(at, m_current);
        change.step();
        m_lastModified = m_current;
        m_rowLoaded = false;
    } else {
        m_lastModified = m_current;
    }
    m_editMode = EditMode::None;
}

void RecordSet::cancelUpdate()
{
    m_editMode = EditMode::None;
}

void RecordSet::remove()
{
    requireUpdatable();
    requireCurrent();
    Statement erase(m_db.connection().handle(),
        QStringLiteral("DELETE FROM \"%1\" WHERE rowid=?").arg(m_table));
    erase.bind(1, m_current);
    erase.step();
    m_rowLoaded = false;
    m_currentDeleted = true;
}

void RecordSet::requery()
{
    m_editMode = EditMode::None;
    if (m_live)
        moveFirst();
    else
        openSnapshot();
}

RecordSet::Bookmark RecordSet::bookmark() const
{
    requireCurrent();
    return m_live ? m_current : m_index;
}

void RecordSet::setBookmark(Bookmark bookmark)
{
    m_editMode = EditMode::None;
    if (!m_live) {
        if (bookmark < 0 || bookmark >= m_rows.size())
            throw VexaError(3159, QStringLiteral("Not a valid bookmark."));
        m_index = int(bookmark);
        m_bof = m_eof = false;
        return;
    }
    positionLive(bookmark);
    loadCurrentRow();  // a bookmark of a deleted row fails here
}

}  // namespace vexa

#include "Table.h"

#include "DataSource.h"
#include "Database.h"
#include "EngineError.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace qdb {

namespace {
constexpr int MinChunk = 64;
constexpr int MaxChunk = 2048;
constexpr int MaxWindow = 3 * MaxChunk;

EngineError notOpen(const QString& table)
{
    return EngineError(ErrorCode::InvalidState, QStringLiteral("Table %1 is not open").arg(table));
}

bool isText(FieldType t) { return t == FieldType::String || t == FieldType::Memo; }
}

Table::Table(QObject* parent)
    : Dataset(parent)
{
}

Table::~Table()
{
    if (active())
        close();
    if (m_db)
        m_db->unregisterDataset(this);
}

void Table::setDatabase(Database* db)
{
    if (active())
        throw EngineError(ErrorCode::InvalidState, QStringLiteral("Cannot change the database of an open table"));
    if (m_db)
        m_db->unregisterDataset(this);
    m_db = db;
    if (db)
        db->registerDataset(this);
}

void Table::setTableName(const QString& name)
{
    if (active())
        throw EngineError(ErrorCode::InvalidState, QStringLiteral("Cannot rename an open table"));
    m_tableName = name;
}

void Table::setExclusive(bool on)
{
    if (active())
        throw EngineError(ErrorCode::InvalidState, QStringLiteral("Cannot change the sharing of an open table"));
    m_exclusive = on;
}

QVariant Table::toStorage(FieldType type, const QVariant& v) const
{
    if (!v.isValid() || v.isNull())
        return QVariant();
    switch (type) {
    case FieldType::Date: return v.toDate().toString(Qt::ISODate);
    case FieldType::Boolean: return v.toBool() ? 1 : 0;
    default: return v;
    }
}

// ---- opening and order -------------------------------------------------------------------

void Table::doOpen()
{
    if (!m_db || !m_db->connected())
        throw EngineError(ErrorCode::NotInitialized, QStringLiteral("Database is not open. Table: %1").arg(m_tableName));
    m_def = m_db->tableDef(m_tableName);
    m_quotedTable = SqlBuilder::quote(m_def.name);
    if (!m_db->locks().tryLockResource(QStringLiteral("table-") + m_def.name, m_exclusive))
        throw EngineError(ErrorCode::FileLocked,
            m_exclusive ? QStringLiteral("Table is busy: it is in use by another user and cannot be opened exclusively. Table: %1").arg(m_tableName)
                        : QStringLiteral("Table is busy: it is opened exclusively by another user. Table: %1").arg(m_tableName));
    m_tableLocked = true;
    try {
        bindFields();
        buildOrder();
        if (m_masterSource && m_masterSource->dataSet()) {
            m_masterConnection = connect(m_masterSource.data(), &DataSource::dataChange, this, [this](Field* f) {
                if (!f)
                    masterMoved();
            });
        }
        m_chunk = MinChunk;
        doFirst();
    } catch (...) {
        doClose();
        removeDynamicFields();
        throw;
    }
}

void Table::doClose()
{
    disconnect(m_masterConnection);
    if (!m_lockedKey.isEmpty() && m_db && m_db->connected())
        m_db->locks().unlockRecord(m_def.name, m_lockedKey);
    m_lockedKey.clear();
    if (m_tableLocked && m_db && m_db->connected())
        m_db->locks().unlockResource(QStringLiteral("table-") + m_def.name, m_exclusive);
    m_tableLocked = false;
    m_rows.clear();
    m_cur = -1;
    m_columns.clear();
    m_keyColumns.clear();
}

void Table::bindFields()
{
    m_columns.clear();
    m_keyColumns.clear();
    if (!hasDeclaredDataFields()) {
        for (const FieldDef& fd : m_def.fields) {
            Field* f = createField(fd.name, Field::Kind::Data, fd.type, fd.size);
            f->m_required = fd.required;
        }
    }
    for (Field* f : m_fieldList) {
        if (f->kind() == Field::Kind::Data) {
            const int i = m_def.fieldIndex(f->fieldName());
            if (i < 0)
                throw EngineError(ErrorCode::NoSuchObject, QStringLiteral("Field '%1' not found in table %2").arg(f->fieldName(), m_tableName));
            const FieldDef& fd = m_def.fields[i];
            f->m_type = fd.type;
            f->m_size = fd.size;
            f->m_required = fd.required || m_def.primaryKey.contains(fd.name, Qt::CaseInsensitive);
            m_columns.append(Column { f->index(), fd.name, fd.type });
        } else if (f->kind() == Field::Kind::Lookup) {
            const auto* lt = qobject_cast<const Table*>(f->lookup().dataset);
            if (!lt || f->lookup().keyFields.isEmpty() || f->lookup().keyFields.size() != f->lookup().lookupKeyFields.size())
                throw EngineError(ErrorCode::InvalidParameter, QStringLiteral("Lookup field '%1' is not set up").arg(f->fieldName()));
            for (const QString& k : f->lookup().keyFields)
                fieldByName(k);
        }
    }
    m_slots = int(m_fieldList.size());
    m_lookupFields.clear();
    for (Field* f : m_fieldList)
        if (f->kind() == Field::Kind::Lookup)
            m_lookupFields << f;
    for (const QString& k : m_def.primaryKey) {
        for (int i = 0; i < m_columns.size(); ++i)
            if (m_columns[i].name.compare(k, Qt::CaseInsensitive) == 0)
                m_keyColumns << i;
    }
    if (m_keyColumns.size() != m_def.primaryKey.size())
        throw EngineError(ErrorCode::NotSupported, QStringLiteral("Table %1 needs its primary key fields").arg(m_tableName));
    if (m_def.primaryKey.isEmpty()) {
        // A table without a key (a single row of settings) is addressed by the storage's row id.
        m_columns.append(Column { m_slots++, QStringLiteral("rowid"), FieldType::Integer, true });
        m_keyColumns << int(m_columns.size()) - 1;
    }
}

QStringList Table::indexFields() const
{
    QStringList out;
    for (int fi : m_orderFields)
        if (fi < int(m_fieldList.size()))
            out << m_fieldList[size_t(fi)]->fieldName();
    return out;
}

void Table::buildOrder()
{
    QStringList fields;
    bool ci = false;
    if (!m_indexFieldNames.isEmpty()) {
        fields = m_indexFieldNames;
    } else if (!m_indexName.isEmpty()) {
        const IndexDef* idx = m_def.index(m_indexName);
        if (!idx)
            throw EngineError(ErrorCode::NoSuchObject, QStringLiteral("Index does not exist. Index: %1, table: %2").arg(m_indexName, m_tableName));
        fields = idx->fields;
        ci = idx->caseInsensitive;
    }
    const int ownFields = int(fields.size());
    // The primary key ends every order, so that each row has one place in it.
    for (const QString& k : m_def.primaryKey)
        if (!fields.contains(k, Qt::CaseInsensitive))
            fields << k;
    m_order.clear();
    m_orderFields.clear();
    m_orderTypes.clear();
    for (int i = 0; i < fields.size(); ++i) {
        const Field* f = fieldByName(fields[i]);
        if (f->kind() != Field::Kind::Data)
            throw EngineError(ErrorCode::InvalidParameter, QStringLiteral("Cannot order by field '%1'").arg(fields[i]));
        QString stored = f->fieldName();
        for (const Column& c : m_columns)
            if (c.field == f->index())
                stored = c.name;
        m_order << SortKey { m_quotedTable + QLatin1Char('.') + SqlBuilder::quote(stored), ci && i < ownFields && isText(f->dataType()) };
        m_orderFields << f->index();
        m_orderTypes << f->dataType();
    }
    for (const Column& c : m_columns) {
        if (!c.hidden)
            continue;
        m_order << SortKey { m_quotedTable + QLatin1Char('.') + c.name, false };
        m_orderFields << c.field;
        m_orderTypes << c.type;
    }
    m_orderCaseInsensitive = ci;
}

void Table::setIndexName(const QString& name)
{
    m_indexName = name;
    m_indexFieldNames.clear();
    if (active())
        reorder();
}

void Table::setIndexFieldNames(const QString& fields)
{
    m_indexFieldNames = splitFieldList(fields);
    m_indexName.clear();
    if (active())
        reorder();
}

void Table::reorder()
{
    checkBrowseMode();
    const bool had = hasCurrent();
    const Record keep = had ? currentRecord() : Record();
    buildOrder();
    if (had)
        positionAt(keep, true);
    else
        doFirst();
    orderChanged();
    notifyMoved();
}

void Table::setMasterSource(DataSource* source)
{
    if (active())
        throw EngineError(ErrorCode::InvalidState, QStringLiteral("Cannot change the master of an open table"));
    m_masterSource = source;
}

void Table::setMasterFields(const QString& fields)
{
    if (active())
        throw EngineError(ErrorCode::InvalidState, QStringLiteral("Cannot change the master fields of an open table"));
    m_masterFields = splitFieldList(fields);
}

void Table::setFiltered(bool on)
{
    m_filtered = on;
    if (active())
        first(); // switching a filter (re)applies it and moves to the first row
}

void Table::masterMoved()
{
    if (!active())
        return;
    if (isEditing())
        cancel();
    Dataset* master = m_masterSource ? m_masterSource->dataSet() : nullptr;
    try {
        if (master && master->state() == State::Insert) {
            m_rows.clear(); // a master being inserted has no details yet
            m_cur = -1;
            m_hasStart = m_hasEnd = true;
        } else {
            doFirst();
        }
    } catch (const EngineError& e) {
        // Called from the master's notification: a refusal must not escape into the signal.
        qWarning("%s: cannot follow the master: %s", qPrintable(objectName()), qPrintable(e.message()));
        m_rows.clear();
        m_cur = -1;
        m_hasStart = m_hasEnd = false;
    }
    setBof(true);
    setEof(!hasCurrent());
    notifyMoved();
}

// ---- reading -----------------------------------------------------------------------------

Condition Table::baseCondition() const
{
    QList<Condition> parts;
    if (m_masterSource && !m_masterFields.isEmpty()) {
        Dataset* master = m_masterSource->dataSet();
        if (!master || !master->active() || master->isEmpty() || master->state() == State::Insert)
            return Condition::never();
        Condition range;
        QStringList sql;
        for (int i = 0; i < m_masterFields.size(); ++i) {
            const int fi = m_orderFields.value(i, -1);
            if (fi < 0)
                return Condition::never();
            const Field* detail = m_fieldList[size_t(fi)];
            const QVariant v = master->fieldByName(m_masterFields[i])->value();
            if (!v.isValid())
                return Condition::never();
            sql << m_order[i].column + QLatin1String(" = ?");
            range.binds << toStorage(detail->dataType(), detail->convert(v));
        }
        range.sql = sql.join(QLatin1String(" AND "));
        parts << range;
    }
    if (m_filtered && m_filterCondition)
        parts << m_filterCondition();
    return allOf(parts);
}

QString Table::selectList() const
{
    QStringList cols;
    for (const Column& c : m_columns)
        cols << m_quotedTable + QLatin1Char('.') + (c.hidden ? c.name : SqlBuilder::quote(c.name));
    for (Field* f : m_fieldList) {
        if (f->kind() != Field::Kind::Lookup)
            continue;
        const auto* lt = qobject_cast<const Table*>(f->lookup().dataset);
        const QString other = SqlBuilder::quote(lt->storageName());
        QStringList on;
        for (int i = 0; i < f->lookup().keyFields.size(); ++i) {
            const QString mine = fieldByName(f->lookup().keyFields[i])->fieldName();
            on << QStringLiteral("l.%1 = %2.%3").arg(SqlBuilder::quote(f->lookup().lookupKeyFields[i]), m_quotedTable, SqlBuilder::quote(mine));
        }
        cols << QStringLiteral("(SELECT l.%1 FROM %2 AS l WHERE %3 LIMIT 1)")
                    .arg(SqlBuilder::quote(f->lookup().resultField), other, on.join(QLatin1String(" AND ")));
    }
    return cols.join(QLatin1String(", "));
}

Record Table::readRow(const RowReader& row) const
{
    Record r(m_slots);
    int col = 0;
    for (const Column& c : m_columns)
        r[c.field] = row.value(col++, c.type);
    for (const Field* f : m_lookupFields)
        r[f->index()] = row.value(col++, FieldType::String);
    return r;
}

QVector<Record> Table::fetch(const Condition& where, bool descending, int limit, int offset)
{
    const Condition all = allOf({ baseCondition(), where });
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(selectList(), m_quotedTable);
    if (!all.isEmpty())
        sql += QLatin1String(" WHERE ") + all.sql;
    sql += QLatin1String(" ORDER BY ") + SqlBuilder::orderBy(m_order, descending);
    sql += QStringLiteral(" LIMIT %1").arg(limit);
    if (offset > 0)
        sql += QStringLiteral(" OFFSET %1").arg(offset);

    QVector<Record> rows;
    rows.reserve(limit);
    const bool calc = hasCalcHandler();
    try {
        m_db->backend().select(sql, all.binds, [&](const RowReader& row) {
            rows.append(readRow(row));
            if (calc)
                computeCalcFields(rows.last());
        });
    } catch (const EngineError& e) {
        throw EngineError(QStringLiteral("Cannot read table %1: %2").arg(m_tableName, e.message()), e.entries());
    }
    if (descending)
        std::reverse(rows.begin(), rows.end());
    return rows;
}

QVariantList Table::sortValues(const Record& r) const
{
    QVariantList out;
    for (int i = 0; i < m_orderFields.size(); ++i)
        out << toStorage(m_orderTypes[i], r.value(m_orderFields[i]));
    return out;
}

QVariantList Table::keyValues(const Record& r) const
{
    QVariantList out;
    for (int kc : m_keyColumns)
        out << toStorage(m_columns[kc].type, r.value(m_columns[kc].field));
    return out;
}

QString Table::keyText(const Record& r) const
{
    QStringList parts;
    for (const QVariant& v : keyValues(r))
        parts << v.toString();
    return parts.join(QChar(0x1f));
}

Condition Table::keyCondition(const Record& r) const
{
    Condition c;
    QStringList sql;
    for (int kc : m_keyColumns) {
        const Column& col = m_columns[kc];
        sql << m_quotedTable + QLatin1Char('.') + (col.hidden ? col.name : SqlBuilder::quote(col.name)) + QLatin1String(" = ?");
        c.binds << toStorage(m_columns[kc].type, r.value(m_columns[kc].field));
    }
    c.sql = sql.join(QLatin1String(" AND "));
    return c;
}

void Table::positionAt(const Record& r, bool inclusive)
{
    m_chunk = MinChunk;
    m_rows = fetch(SqlBuilder::seek(m_order, sortValues(r), inclusive ? Seek::AtOrAfter : Seek::After), false, m_chunk);
    m_hasStart = false;
    m_hasEnd = m_rows.size() < m_chunk;
    if (m_rows.isEmpty()) {
        doLast();
        return;
    }
    m_cur = 0;
}

void Table::trimWindow()
{
    if (m_rows.size() <= MaxWindow)
        return;
    const int drop = int(m_rows.size()) - MaxWindow;
    if (m_cur >= m_rows.size() / 2) {
        m_rows.remove(0, drop);
        m_cur -= drop;
        m_hasStart = false;
    } else {
        m_rows.resize(MaxWindow);
        m_hasEnd = false;
    }
}

void Table::doFirst()
{
    m_chunk = MinChunk;
    m_rows = fetch(Condition(), false, m_chunk);
    m_hasStart = true;
    m_hasEnd = m_rows.size() < m_chunk;
    m_cur = m_rows.isEmpty() ? -1 : 0;
}

void Table::doLast()
{
    m_chunk = MinChunk;
    m_rows = fetch(Condition(), true, m_chunk);
    m_hasEnd = true;
    m_hasStart = m_rows.size() < m_chunk;
    m_cur = int(m_rows.size()) - 1;
}

bool Table::doNext()
{
    if (m_cur < 0)
        return false;
    if (m_cur + 1 < m_rows.size()) {
        ++m_cur;
        return true;
    }
    if (m_hasEnd)
        return false;
    m_chunk = std::min(m_chunk * 2, MaxChunk); // long walks read ever larger chunks
    const QVector<Record> more = fetch(SqlBuilder::seek(m_order, sortValues(m_rows.last()), Seek::After), false, m_chunk);
    m_hasEnd = more.size() < m_chunk;
    if (more.isEmpty())
        return false;
    if (m_rows.size() + more.size() > MaxWindow) {
        // A long walk forward: keep the current row and start a new window after it.
        Record current = std::move(m_rows[m_cur]);
        m_rows = std::move(more);
        m_rows.prepend(std::move(current));
        m_cur = 1;
        m_hasStart = false;
        return true;
    }
    m_rows += more;
    ++m_cur;
    return true;
}

bool Table::doPrior()
{
    if (m_cur < 0)
        return false;
    if (m_cur > 0) {
        --m_cur;
        return true;
    }
    if (m_hasStart)
        return false;
    m_chunk = std::min(m_chunk * 2, MaxChunk);
    const QVector<Record> more = fetch(SqlBuilder::seek(m_order, sortValues(m_rows.first()), Seek::Before), true, m_chunk);
    m_hasStart = more.size() < m_chunk;
    if (more.isEmpty())
        return false;
    m_rows = more + m_rows;
    m_cur = int(more.size()) - 1;
    trimWindow();
    return true;
}

bool Table::hasCurrent() const { return m_cur >= 0 && m_cur < m_rows.size(); }

const Record& Table::currentRecord() const
{
    static const Record empty;
    return hasCurrent() ? m_rows[m_cur] : empty;
}

void Table::doRefresh()
{
    if (hasCurrent())
        positionAt(m_rows[m_cur], true);
    else
        doFirst();
}

int Table::recordCount()
{
    if (!active())
        throw notOpen(m_tableName);
    const Condition base = baseCondition();
    QSqlQuery q(m_db->connection());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT count(*) FROM %1%2").arg(m_quotedTable, base.isEmpty() ? QString() : QLatin1String(" WHERE ") + base.sql));
    for (const QVariant& v : base.binds)
        q.addBindValue(v);
    if (!q.exec() || !q.next())
        throw m_db->backend().translate(q.lastError(), QStringLiteral("Cannot count the rows of %1").arg(m_tableName));
    const int n = q.value(0).toInt();
    q.finish();
    return n;
}

int Table::recNo()
{
    if (!active() || !hasCurrent() || state() == State::Insert)
        return 0;
    const Condition before = allOf({ baseCondition(), SqlBuilder::seek(m_order, sortValues(m_rows[m_cur]), Seek::Before) });
    QSqlQuery q(m_db->connection());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT count(*) FROM %1 WHERE %2").arg(m_quotedTable, before.sql));
    for (const QVariant& v : before.binds)
        q.addBindValue(v);
    if (!q.exec() || !q.next())
        throw m_db->backend().translate(q.lastError(), QStringLiteral("Cannot read table %1").arg(m_tableName));
    const int n = q.value(0).toInt();
    q.finish();
    return n + 1;
}

void Table::setRecNo(int recNo)
{
    checkBrowseMode();
    if (recNo <= 1) {
        first();
        return;
    }
    m_chunk = MinChunk;
    QVector<Record> rows = fetch(Condition(), false, m_chunk, recNo - 1);
    if (rows.isEmpty()) {
        last();
        return;
    }
    m_rows = rows;
    m_hasStart = false;
    m_hasEnd = rows.size() < m_chunk;
    m_cur = 0;
    setBof(false);
    setEof(false);
    afterMove();
}

bool Table::doLocate(const QList<Field*>& fields, const QVariantList& values, LocateOptions options)
{
    Condition where;
    QStringList sql;
    for (int i = 0; i < fields.size(); ++i) {
        Field* f = fields[i];
        if (f->kind() != Field::Kind::Data)
            throw EngineError(ErrorCode::NotSupported, QStringLiteral("Cannot locate on field '%1'").arg(f->fieldName()));
        QString column;
        for (const Column& c : m_columns)
            if (c.field == f->index())
                column = m_quotedTable + QLatin1Char('.') + SqlBuilder::quote(c.name);
        const QVariant v = f->convert(values[i]); // throws for a text that is no number
        if (!v.isValid()) {
            sql << column + QLatin1String(" IS NULL");
            continue;
        }
        if (isText(f->dataType())) {
            const QString text = v.toString();
            const bool ci = options.testFlag(LocateOption::CaseInsensitive);
            if (options.testFlag(LocateOption::PartialKey)) {
                if (ci) {
                    sql << column + QLatin1String(" LIKE ? ESCAPE '\\'");
                    where.binds << SqlBuilder::likePrefix(text);
                } else {
                    sql << QStringLiteral("substr(%1, 1, %2) = ?").arg(column).arg(text.size());
                    where.binds << text;
                }
            } else {
                sql << column + (ci ? QLatin1String(" = ? COLLATE NOCASE") : QLatin1String(" = ?"));
                where.binds << text;
            }
        } else {
            sql << column + QLatin1String(" = ?");
            where.binds << toStorage(f->dataType(), v);
        }
    }
    where.sql = sql.join(QLatin1String(" AND "));
    const QVector<Record> found = fetch(where, false, 1);
    if (found.isEmpty())
        return false;
    positionAt(found.first(), true);
    return true;
}

bool Table::findKey(const QVariantList& values)
{
    checkBrowseMode();
    if (values.isEmpty() || values.size() > m_orderFields.size())
        throw EngineError(ErrorCode::InvalidParameter, QStringLiteral("Too many key values for the index of %1").arg(m_tableName));
    QStringList names;
    for (int i = 0; i < values.size(); ++i)
        names << m_fieldList[size_t(m_orderFields[i])]->fieldName();
    return locate(names.join(QLatin1Char(';')), values, m_orderCaseInsensitive ? LocateOptions(LocateOption::CaseInsensitive) : LocateOptions());
}

QVariant Table::lookupValue(const QString& keyFields, const QVariantList& values, const QString& resultField)
{
    if (!active())
        throw notOpen(m_tableName);
    const QStringList keys = splitFieldList(keyFields);
    if (keys.size() != values.size())
        throw EngineError(ErrorCode::InvalidParameter, QStringLiteral("Lookup needs one value per field"));
    Condition where;
    QStringList sql;
    for (int i = 0; i < keys.size(); ++i) {
        Field* f = fieldByName(keys[i]);
        const QVariant v = f->convert(values[i]);
        sql << m_quotedTable + QLatin1Char('.') + SqlBuilder::quote(f->fieldName()) + (v.isValid() ? QLatin1String(" = ?") : QLatin1String(" IS NULL"));
        if (v.isValid())
            where.binds << toStorage(f->dataType(), v);
    }
    where.sql = sql.join(QLatin1String(" AND "));
    const QVector<Record> found = fetch(where, false, 1);
    if (found.isEmpty())
        return QVariant();
    return found.first().value(fieldByName(resultField)->index());
}

// ---- writing -----------------------------------------------------------------------------

void Table::doInitRecord(Record& buffer)
{
    if (!m_masterSource || m_masterFields.isEmpty() || !m_masterSource->dataSet())
        return;
    Dataset* master = m_masterSource->dataSet();
    if (!master->active())
        return;
    for (int i = 0; i < m_masterFields.size() && i < m_orderFields.size(); ++i) {
        Field* detail = m_fieldList[size_t(m_orderFields[i])];
        buffer[detail->index()] = detail->convert(master->fieldByName(m_masterFields[i])->value());
    }
}

QVariant Table::lookup(const Field* f, const Record& r) const
{
    const auto* lt = qobject_cast<const Table*>(f->lookup().dataset);
    QStringList on;
    QVariantList binds;
    for (int i = 0; i < f->lookup().keyFields.size(); ++i) {
        const Field* mine = fieldByName(f->lookup().keyFields[i]);
        const QVariant v = r.value(mine->index());
        if (!v.isValid())
            return QVariant();
        on << SqlBuilder::quote(f->lookup().lookupKeyFields[i]) + QLatin1String(" = ?");
        binds << toStorage(mine->dataType(), v);
    }
    QSqlQuery q(m_db->connection());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 LIMIT 1")
                  .arg(SqlBuilder::quote(f->lookup().resultField), SqlBuilder::quote(lt->storageName()), on.join(QLatin1String(" AND "))));
    for (const QVariant& v : binds)
        q.addBindValue(v);
    QVariant out;
    if (q.exec() && q.next()) {
        const QVariant v = q.value(0);
        if (!v.isNull() && !v.toString().isEmpty())
            out = v.toString();
    }
    q.finish();
    return out;
}

void Table::doFieldChanged(Field* field, Record& buffer)
{
    for (Field* f : m_fieldList)
        if (f->kind() == Field::Kind::Lookup && f->lookup().keyFields.contains(field->fieldName(), Qt::CaseInsensitive))
            buffer[f->index()] = lookup(f, buffer);
}

void Table::doBeginEdit(Record& buffer)
{
    const Record current = m_rows[m_cur];
    const QString key = keyText(current);
    if (!m_db->locks().tryLockRecord(m_def.name, key))
        throw EngineError(ErrorCode::RecordLocked, QStringLiteral("Record locked by another user. Table: %1").arg(m_tableName));
    try {
        // Under the lock, read the row as stored: the edit starts from what others saved.
        const QVector<Record> fresh = fetch(keyCondition(current), false, 1);
        if (fresh.isEmpty())
            throw EngineError(ErrorCode::RecordNotFound, QStringLiteral("Record/Key deleted. Table: %1").arg(m_tableName));
        m_rows[m_cur] = fresh.first();
    } catch (...) {
        m_db->locks().unlockRecord(m_def.name, key);
        throw;
    }
    m_lockedKey = key;
    m_original = m_rows[m_cur];
    buffer = m_original;
}

void Table::doCancel(bool inserting)
{
    if (!inserting && !m_lockedKey.isEmpty()) {
        m_db->locks().unlockRecord(m_def.name, m_lockedKey);
        m_lockedKey.clear();
    }
    m_original.clear();
}

void Table::doPost(Record& buffer, bool inserting)
{
    if (!m_db || !m_db->connected())
        throw EngineError(ErrorCode::NotInitialized, QStringLiteral("Database is not open. Table: %1").arg(m_tableName));
    WriteTransaction t(*m_db);
    QSqlQuery q(m_db->connection());
    if (inserting) {
        QStringList cols, marks;
        for (const Column& c : m_columns) {
            if (c.hidden)
                continue;
            cols << SqlBuilder::quote(c.name);
            marks << QStringLiteral("?");
        }
        q.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(m_quotedTable, cols.join(QLatin1String(", ")), marks.join(QLatin1String(", "))));
        for (const Column& c : m_columns)
            if (!c.hidden)
                q.addBindValue(toStorage(c.type, buffer.value(c.field)));
        if (!q.exec())
            throw m_db->backend().translate(q.lastError(), QStringLiteral("Cannot insert into %1").arg(m_tableName));
        const QVariant rowId = q.lastInsertId();
        q.finish();
        for (const Column& c : m_columns)
            if (c.hidden) {
                if (buffer.size() <= c.field)
                    buffer.resize(c.field + 1);
                buffer[c.field] = rowId;
            }
        t.commit(); // a commit that fails throws: the record stays in insert state
    } else {
        QStringList sets, where;
        QVariantList setBinds, whereBinds;
        for (const Column& c : m_columns) {
            const QVariant now = buffer.value(c.field), before = m_original.value(c.field);
            if (now != before || now.isValid() != before.isValid()) {
                sets << SqlBuilder::quote(c.name) + QLatin1String(" = ?");
                setBinds << toStorage(c.type, now);
            }
            // The row must still be the one that was read, whatever happened to the lock.
            where << (c.hidden ? c.name : SqlBuilder::quote(c.name)) + QLatin1String(" IS ?");
            whereBinds << toStorage(c.type, before);
        }
        if (!sets.isEmpty()) {
            q.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(m_quotedTable, sets.join(QLatin1String(", ")), where.join(QLatin1String(" AND "))));
            for (const QVariant& v : setBinds + whereBinds)
                q.addBindValue(v);
            if (!q.exec())
                throw m_db->backend().translate(q.lastError(), QStringLiteral("Cannot update %1").arg(m_tableName));
            const int affected = q.numRowsAffected();
            q.finish();
            if (affected != 1)
                throw EngineError(ErrorCode::RecordChanged,
                    QStringLiteral("Couldn't perform the edit because another user changed the record. Table: %1").arg(m_tableName));
            t.commit();
        }
        if (!m_lockedKey.isEmpty()) {
            m_db->locks().unlockRecord(m_def.name, m_lockedKey);
            m_lockedKey.clear();
        }
        m_original.clear();
    }
    Record stored = buffer;
    computeCalcFields(stored);
    positionAt(stored, true);
}

void Table::doDelete()
{
    const Record current = m_rows[m_cur];
    const QString key = keyText(current);
    if (!m_db->locks().tryLockRecord(m_def.name, key))
        throw EngineError(ErrorCode::RecordLocked, QStringLiteral("Record locked by another user. Table: %1").arg(m_tableName));
    struct Unlock {
        Database* db;
        QString table, key;
        ~Unlock()
        {
            if (db && db->connected())
                db->locks().unlockRecord(table, key);
        }
    } unlock { m_db, m_def.name, key };
    {
        WriteTransaction t(*m_db);
        const Condition c = keyCondition(current);
        QSqlQuery q(m_db->connection());
        q.prepare(QStringLiteral("DELETE FROM %1 WHERE %2").arg(m_quotedTable, c.sql));
        for (const QVariant& v : c.binds)
            q.addBindValue(v);
        if (!q.exec())
            throw m_db->backend().translate(q.lastError(), QStringLiteral("Cannot delete from %1").arg(m_tableName));
        q.finish();
        t.commit();
    }
    positionAt(current, false);
}

void Table::flush()
{
    if (!active())
        throw notOpen(m_tableName);
    // Inside a caller's write transaction the change is made durable by that transaction's
    // commit, together with the rest of it (or not at all).
}

} // namespace qdb

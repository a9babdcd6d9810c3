#include "MemTable.h"

#include "EngineError.h"

#include <algorithm>
#include <numeric>

namespace qdb {

namespace {
bool isNullValue(const QVariant& v) { return !v.isValid() || v.isNull(); }

bool isText(FieldType t) { return t == FieldType::String || t == FieldType::Memo; }

template <typename T>
int threeWay(const T& a, const T& b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

int compareText(const QVariant& a, const QVariant& b, Qt::CaseSensitivity cs)
{
    // Values are canonical QStrings almost always; avoid the copy of toString() for them.
    if (a.typeId() == QMetaType::QString && b.typeId() == QMetaType::QString)
        return QString::compare(*static_cast<const QString*>(a.constData()), *static_cast<const QString*>(b.constData()), cs);
    return QString::compare(a.toString(), b.toString(), cs);
}
}

int compareFieldValues(const QVariant& a, const QVariant& b, FieldType type, Qt::CaseSensitivity cs)
{
    const bool an = isNullValue(a), bn = isNullValue(b);
    if (an || bn)
        return an == bn ? 0 : (an ? -1 : 1);
    switch (type) {
    case FieldType::String:
    case FieldType::Memo: return compareText(a, b, cs);
    case FieldType::Integer:
        if (a.typeId() == QMetaType::Int && b.typeId() == QMetaType::Int)
            return threeWay(*static_cast<const int*>(a.constData()), *static_cast<const int*>(b.constData()));
        return threeWay(a.toDouble(), b.toDouble());
    case FieldType::Float: return threeWay(a.toDouble(), b.toDouble());
    case FieldType::Date: return threeWay(a.toDate(), b.toDate());
    case FieldType::Boolean: return threeWay(a.toBool(), b.toBool());
    case FieldType::Unknown: break;
    }
    const QPartialOrdering order = QVariant::compare(a, b);
    if (order == QPartialOrdering::Less)
        return -1;
    if (order == QPartialOrdering::Greater)
        return 1;
    if (order == QPartialOrdering::Equivalent)
        return 0;
    return compareText(a, b, cs);
}

bool locateMatches(const QVariant& stored, const QVariant& wanted, FieldType type, LocateOptions options)
{
    const Qt::CaseSensitivity cs = options.testFlag(LocateOption::CaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    if (isNullValue(wanted) || isNullValue(stored))
        return isNullValue(wanted) && isNullValue(stored);
    if (isText(type) && options.testFlag(LocateOption::PartialKey))
        return stored.toString().startsWith(wanted.toString(), cs);
    return compareFieldValues(stored, wanted, type, cs) == 0;
}

MemTable::MemTable(QObject* parent)
    : Dataset(parent)
{
}

MemTable::~MemTable() = default;

void MemTable::checkInactive(const char* what) const
{
    if (active())
        throw EngineError(ErrorCode::InvalidState, QStringLiteral("%1: Cannot %2 of an open table").arg(objectName(), QLatin1String(what)));
}

// ---- definitions ------------------------------------------------------------------------------

void MemTable::clearFieldDefs()
{
    checkInactive("change the fields");
    m_fieldDefs.clear();
    // Calculated and lookup fields stay; the data fields go with their definitions.
    std::vector<std::unique_ptr<Field>> kept;
    for (auto& f : m_fieldStore)
        if (f->kind() != Field::Kind::Data)
            kept.push_back(std::move(f));
    m_fieldStore.clear();
    m_fieldList.clear();
    for (auto& f : kept) {
        f->m_index = int(m_fieldList.size());
        m_fieldList.push_back(f.get());
        m_fieldStore.push_back(std::move(f));
    }
    m_rows.clear();
    m_order.clear();
    m_built = false;
}

void MemTable::addFieldDef(const QString& name, FieldType type, int size)
{
    checkInactive("change the fields");
    if (name.trimmed().isEmpty() || type == FieldType::Unknown)
        throw EngineError(ErrorCode::InvalidParameter, QStringLiteral("%1: Invalid field definition '%2'").arg(objectName(), name));
    for (const FieldDef& d : m_fieldDefs)
        if (d.name.compare(name, Qt::CaseInsensitive) == 0)
            throw EngineError(ErrorCode::InvalidParameter, QStringLiteral("Duplicate field name '%1'").arg(name));
    m_fieldDefs << FieldDef { name, type, size, false };
    m_built = false;
}

void MemTable::buildFields()
{
    for (Field* f : m_fieldList)
        if (f->kind() != Field::Kind::Data)
            for (const FieldDef& d : m_fieldDefs)
                if (d.name.compare(f->fieldName(), Qt::CaseInsensitive) == 0)
                    throw EngineError(ErrorCode::InvalidParameter, QStringLiteral("Duplicate field name '%1'").arg(d.name));
    std::vector<std::unique_ptr<Field>> others;
    for (auto& f : m_fieldStore)
        if (f->kind() != Field::Kind::Data)
            others.push_back(std::move(f));
    m_fieldStore.clear();
    m_fieldList.clear();
    for (const FieldDef& d : m_fieldDefs) {
        Field* f = createField(d.name, Field::Kind::Data, d.type, d.size);
        f->m_declared = true;
        f->m_required = d.required;
    }
    for (auto& f : others) {
        f->m_index = int(m_fieldList.size());
        m_fieldList.push_back(f.get());
        m_fieldStore.push_back(std::move(f));
    }
}

void MemTable::ensureFields()
{
    if (m_built)
        return;
    if (!m_fieldDefs.isEmpty())
        buildFields();
    else if (!hasDeclaredDataFields())
        throw EngineError(ErrorCode::InvalidState, QStringLiteral("%1: The table has no field definitions").arg(objectName()));
    m_rows.clear();
    m_order.clear();
    m_built = true;
}

void MemTable::createDataSet()
{
    close();
    m_built = false;
    ensureFields();
    open();
}

void MemTable::emptyDataSet()
{
    if (active() && isEditing())
        cancel();
    m_rows.clear();
    m_order.clear();
    m_cur = -1;
    if (active()) {
        setBof(true);
        setEof(true);
        notifyMoved();
    }
}

// ---- indexes ----------------------------------------------------------------------------------

void MemTable::addIndex(const QString& name, const QString& fields, bool caseInsensitive)
{
    const QStringList list = splitFieldList(fields);
    if (name.trimmed().isEmpty() || list.isEmpty())
        throw EngineError(ErrorCode::InvalidParameter, QStringLiteral("%1: An index needs a name and fields").arg(objectName()));
    for (const IndexDef& d : m_indexDefs)
        if (d.name.compare(name, Qt::CaseInsensitive) == 0)
            throw EngineError(ErrorCode::InvalidParameter, QStringLiteral("%1: Duplicate index name '%2'").arg(objectName(), name));
    m_indexDefs << IndexDef { name, list, caseInsensitive, false };
}

void MemTable::deleteIndex(const QString& name)
{
    for (int i = 0; i < m_indexDefs.size(); ++i) {
        if (m_indexDefs[i].name.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (m_indexName.compare(name, Qt::CaseInsensitive) == 0)
            setIndexName(QString());
        m_indexDefs.removeAt(i);
        return;
    }
    throw EngineError(ErrorCode::NoSuchObject, QStringLiteral("%1: Index '%2' not found").arg(objectName(), name));
}

void MemTable::clearIndexDefs()
{
    if (!m_indexName.isEmpty())
        setIndexName(QString());
    m_indexDefs.clear();
}

QStringList MemTable::indexFields() const
{
    for (const IndexDef& d : m_indexDefs)
        if (!m_indexName.isEmpty() && d.name.compare(m_indexName, Qt::CaseInsensitive) == 0)
            return d.fields;
    return {};
}

QList<MemTable::SortKey> MemTable::resolveIndex(const QString& name) const
{
    QList<SortKey> keys;
    if (name.isEmpty())
        return keys;
    for (const IndexDef& d : m_indexDefs) {
        if (d.name.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        for (const QString& fieldName : d.fields) {
            const Field* f = fieldByName(fieldName);
            keys << SortKey { f->index(), f->dataType(), d.caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive };
        }
        return keys;
    }
    throw EngineError(ErrorCode::NoSuchObject, QStringLiteral("%1: Index '%2' not found").arg(objectName(), name));
}

void MemTable::setIndexName(const QString& name)
{
    if (!active()) {
        if (!name.isEmpty() && std::none_of(m_indexDefs.begin(), m_indexDefs.end(),
                [&](const IndexDef& d) { return d.name.compare(name, Qt::CaseInsensitive) == 0; }))
            throw EngineError(ErrorCode::NoSuchObject, QStringLiteral("%1: Index '%2' not found").arg(objectName(), name));
        m_indexName = name;
        m_orderDirty = true;
        return;
    }
    checkBrowseMode();
    const QList<SortKey> keys = resolveIndex(name);
    const int row = hasCurrent() ? m_order[size_t(m_cur)] : -1;
    m_indexName = name;
    m_keys = keys;
    sortRows();
    // The current record stays current in the new order.
    m_cur = row < 0 ? (m_order.empty() ? -1 : 0) : int(std::find(m_order.begin(), m_order.end(), row) - m_order.begin());
    setBof(false);
    setEof(!hasCurrent());
    orderChanged();
    notifyMoved();
}

// ---- ordering ---------------------------------------------------------------------------------

int MemTable::compareKeys(const Record& a, const Record& b) const
{
    for (const SortKey& k : m_keys) {
        const int c = compareFieldValues(a.at(k.field), b.at(k.field), k.type, k.cs);
        if (c != 0)
            return c;
    }
    return 0;
}

bool MemTable::rowLess(int a, int b) const
{
    const int c = compareKeys(m_rows[size_t(a)], m_rows[size_t(b)]);
    return c != 0 ? c < 0 : a < b;
}

void MemTable::sortRows()
{
    m_order.resize(m_rows.size());
    std::iota(m_order.begin(), m_order.end(), 0);
    if (!m_keys.isEmpty())
        std::sort(m_order.begin(), m_order.end(), [this](int a, int b) { return rowLess(a, b); });
    m_orderDirty = false;
}

int MemTable::lowerBoundKey(const QVariantList& key) const
{
    const auto it = std::partition_point(m_order.begin(), m_order.end(), [&](int row) {
        const Record& r = m_rows[size_t(row)];
        for (int i = 0; i < key.size(); ++i) {
            const SortKey& k = m_keys[i];
            const int c = compareFieldValues(r.at(k.field), key[i], k.type, k.cs);
            if (c != 0)
                return c < 0;
        }
        return false;
    });
    return int(it - m_order.begin());
}

QVariantList MemTable::convertKey(const QList<Field*>& fields, const QVariantList& values) const
{
    QVariantList out;
    for (int i = 0; i < fields.size(); ++i)
        out << fields[i]->convert(values[i]);
    return out;
}

bool MemTable::findKey(const QVariantList& values)
{
    checkBrowseMode();
    if (m_keys.isEmpty())
        throw EngineError(ErrorCode::InvalidState, QStringLiteral("%1: findKey needs an index").arg(objectName()));
    if (values.isEmpty() || values.size() > m_keys.size())
        throw EngineError(ErrorCode::InvalidParameter, QStringLiteral("%1: Too many key values for the index").arg(objectName()));
    QList<Field*> fields;
    for (int i = 0; i < values.size(); ++i)
        fields << m_fieldList[size_t(m_keys[i].field)];
    const QVariantList key = convertKey(fields, values);
    const int pos = lowerBoundKey(key);
    if (pos >= int(m_order.size()))
        return false;
    const Record& r = m_rows[size_t(m_order[size_t(pos)])];
    for (int i = 0; i < key.size(); ++i)
        if (compareFieldValues(r.at(m_keys[i].field), key[i], m_keys[i].type, m_keys[i].cs) != 0)
            return false;
    m_cur = pos;
    setBof(false);
    setEof(false);
    afterMove();
    return true;
}

QVariant MemTable::lookupValue(const QString& keyFields, const QVariantList& values, const QString& resultField)
{
    checkActive();
    QList<Field*> fields;
    for (const QString& name : splitFieldList(keyFields))
        fields << fieldByName(name);
    if (fields.isEmpty() || fields.size() != values.size())
        throw EngineError(ErrorCode::InvalidParameter, QStringLiteral("Lookup needs one value per field"));
    const int result = fieldByName(resultField)->index();
    const QVariantList key = convertKey(fields, values);

    // Keys leading the current index: a binary search, compared as the index compares.
    bool leading = fields.size() <= m_keys.size();
    for (int i = 0; leading && i < fields.size(); ++i)
        leading = fields[i]->index() == m_keys[i].field;
    if (leading) {
        const int pos = lowerBoundKey(key);
        if (pos >= int(m_order.size()))
            return QVariant();
        const Record& r = m_rows[size_t(m_order[size_t(pos)])];
        for (int i = 0; i < key.size(); ++i)
            if (compareFieldValues(r.at(m_keys[i].field), key[i], m_keys[i].type, m_keys[i].cs) != 0)
                return QVariant();
        return r.at(result);
    }
    for (int row : m_order) {
        const Record& r = m_rows[size_t(row)];
        bool match = true;
        for (int i = 0; match && i < fields.size(); ++i)
            match = locateMatches(r.at(fields[i]->index()), key[i], fields[i]->dataType(), {});
        if (match)
            return r.at(result);
    }
    return QVariant();
}

// ---- navigation -------------------------------------------------------------------------------

void MemTable::doOpen()
{
    ensureFields();
    m_keys = resolveIndex(m_indexName);
    if (m_orderDirty || m_order.size() != m_rows.size())
        sortRows();
    m_cur = m_order.empty() ? -1 : 0;
}

void MemTable::doClose() { m_cur = -1; }

void MemTable::doFirst() { m_cur = m_order.empty() ? -1 : 0; }

void MemTable::doLast() { m_cur = int(m_order.size()) - 1; }

bool MemTable::doNext()
{
    if (m_cur + 1 >= int(m_order.size()))
        return false;
    ++m_cur;
    return true;
}

bool MemTable::doPrior()
{
    if (m_cur <= 0)
        return false;
    --m_cur;
    return true;
}

bool MemTable::hasCurrent() const { return m_cur >= 0 && m_cur < int(m_order.size()); }

const Record& MemTable::currentRecord() const
{
    static const Record none;
    return hasCurrent() ? m_rows[size_t(m_order[size_t(m_cur)])] : none;
}

void MemTable::doRefresh()
{
    if (m_cur >= int(m_order.size()))
        m_cur = int(m_order.size()) - 1;
}

int MemTable::recordCount() { return int(m_rows.size()); }

int MemTable::recNo()
{
    if (!active() || state() == State::Insert || !hasCurrent())
        return 0;
    return m_cur + 1;
}

void MemTable::setRecNo(int recNo)
{
    checkBrowseMode();
    if (m_order.empty())
        return;
    m_cur = std::clamp(recNo, 1, int(m_order.size())) - 1;
    setBof(false);
    setEof(false);
    afterMove();
}

bool MemTable::doLocate(const QList<Field*>& fields, const QVariantList& values, LocateOptions options)
{
    QVariantList wanted;
    try {
        wanted = convertKey(fields, values);
    } catch (const EngineError&) {
        return false; // a value the field cannot hold matches no record
    }
    for (int pos = 0; pos < int(m_order.size()); ++pos) {
        const Record& r = m_rows[size_t(m_order[size_t(pos)])];
        bool match = true;
        for (int i = 0; match && i < fields.size(); ++i)
            match = locateMatches(r.at(fields[i]->index()), wanted[i], fields[i]->dataType(), options);
        if (match) {
            m_cur = pos;
            return true;
        }
    }
    return false;
}

// ---- editing ----------------------------------------------------------------------------------

void MemTable::doFieldChanged(Field* field, Record& buffer)
{
    for (Field* f : m_fieldList) {
        if (f->kind() != Field::Kind::Lookup || !f->lookup().dataset
            || !f->lookup().keyFields.contains(field->fieldName(), Qt::CaseInsensitive))
            continue;
        QVariantList key;
        bool complete = true;
        for (const QString& k : f->lookup().keyFields) {
            key << buffer.value(fieldByName(k)->index());
            complete = complete && key.last().isValid();
        }
        buffer[f->index()] = complete
            ? f->lookup().dataset->lookupValue(f->lookup().lookupKeyFields.join(QLatin1Char(';')), key, f->lookup().resultField)
            : QVariant();
    }
}

void MemTable::doPost(Record& buffer, bool inserting)
{
    Record row = buffer;
    row.resize(int(m_fieldList.size()));
    for (Field* f : m_fieldList)
        if (f->required() && isNullValue(row.at(f->index())))
            throw EngineError(ErrorCode::RequiredMissing, QStringLiteral("Field value required. Field: %1").arg(f->fieldName()));
    auto less = [this](int a, int b) { return rowLess(a, b); };
    if (inserting) {
        m_rows.push_back(std::move(row));
        const int idx = int(m_rows.size()) - 1;
        const auto it = std::lower_bound(m_order.begin(), m_order.end(), idx, less);
        m_cur = int(it - m_order.begin());
        m_order.insert(it, idx);
        return;
    }
    const int idx = m_order[size_t(m_cur)];
    m_rows[size_t(idx)] = std::move(row);
    const bool inPlace = (m_cur == 0 || rowLess(m_order[size_t(m_cur) - 1], idx))
        && (m_cur + 1 == int(m_order.size()) || rowLess(idx, m_order[size_t(m_cur) + 1]));
    if (inPlace)
        return;
    m_order.erase(m_order.begin() + m_cur);
    const auto it = std::lower_bound(m_order.begin(), m_order.end(), idx, less);
    m_cur = int(it - m_order.begin());
    m_order.insert(it, idx);
}

void MemTable::doDelete()
{
    const int idx = m_order[size_t(m_cur)];
    m_rows.erase(m_rows.begin() + idx);
    m_order.erase(m_order.begin() + m_cur);
    for (int& row : m_order)
        if (row > idx)
            --row;
    if (m_cur >= int(m_order.size()))
        m_cur = int(m_order.size()) - 1;
}

} // namespace qdb

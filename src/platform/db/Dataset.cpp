#include "Dataset.h"

#include "EngineError.h"

namespace qdb {

namespace {
EngineError stateError(const QString& what)
{
    return EngineError(ErrorCode::InvalidState, what);
}
}

Dataset::Dataset(QObject* parent)
    : QObject(parent)
{
}

Dataset::~Dataset() = default;

Field* Dataset::createField(const QString& name, Field::Kind kind, FieldType type, int size)
{
    if (findField(name))
        throw EngineError(ErrorCode::InvalidParameter, QStringLiteral("Duplicate field name '%1'").arg(name));
    auto field = std::make_unique<Field>(this, int(m_fieldList.size()), name, kind, type, size);
    Field* raw = field.get();
    m_fieldStore.push_back(std::move(field));
    m_fieldList.push_back(raw);
    return raw;
}

Field* Dataset::addField(const QString& name, FieldType type, int size)
{
    if (active())
        throw stateError(QStringLiteral("Cannot add a field to an open dataset"));
    Field* f = createField(name, Field::Kind::Data, type, size);
    f->m_declared = true;
    return f;
}

Field* Dataset::addLookupField(const QString& name, int size, const QString& keyFields, Dataset* lookupDataset,
    const QString& lookupKeyFields, const QString& resultField)
{
    if (active())
        throw stateError(QStringLiteral("Cannot add a field to an open dataset"));
    Field* f = createField(name, Field::Kind::Lookup, FieldType::String, size);
    f->m_declared = true;
    f->m_lookup = Field::Lookup { splitFieldList(keyFields), lookupDataset, splitFieldList(lookupKeyFields), resultField };
    return f;
}

Field* Dataset::addCalcField(const QString& name, FieldType type, int size)
{
    if (active())
        throw stateError(QStringLiteral("Cannot add a field to an open dataset"));
    Field* f = createField(name, Field::Kind::Calculated, type, size);
    f->m_declared = true;
    return f;
}

void Dataset::removeDynamicFields()
{
    while (!m_fieldList.empty() && !m_fieldList.back()->m_declared) {
        m_fieldList.pop_back();
        m_fieldStore.pop_back();
    }
}

bool Dataset::hasDeclaredDataFields() const
{
    for (Field* f : m_fieldList)
        if (f->kind() == Field::Kind::Data)
            return true;
    return false;
}

Field* Dataset::findField(const QString& name) const
{
    for (Field* f : m_fieldList)
        if (f->fieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f;
    return nullptr;
}

Field* Dataset::fieldByName(const QString& name) const
{
    Field* f = findField(name);
    if (!f)
        throw EngineError(ErrorCode::NoSuchObject, QStringLiteral("%1: Field '%2' not found").arg(objectName(), name));
    return f;
}

void Dataset::checkActive() const
{
    if (!active())
        throw stateError(QStringLiteral("%1: Cannot perform this operation on a closed dataset").arg(objectName()));
}

void Dataset::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged();
}

void Dataset::open()
{
    if (active())
        return;
    doOpen();
    m_state = State::Browse;
    m_bof = true;
    m_eof = !hasCurrent();
    emit stateChanged();
    emit opened();
    notifyMoved();
}

void Dataset::close()
{
    if (!active())
        return;
    if (isEditing())
        cancel();
    doClose();
    m_buffer.clear();
    removeDynamicFields();
    m_bof = m_eof = true;
    setState(State::Inactive);
    emit closed();
    notifyMoved();
}

bool Dataset::isEmpty() const { return !active() || !hasCurrent(); }

void Dataset::checkBrowseMode()
{
    checkActive();
    if (isEditing())
        post();
}

void Dataset::afterMove()
{
    if (m_afterScroll)
        m_afterScroll(*this);
    notifyMoved();
}

void Dataset::first()
{
    checkBrowseMode();
    doFirst();
    m_bof = true;
    m_eof = !hasCurrent();
    afterMove();
}

void Dataset::last()
{
    checkBrowseMode();
    doLast();
    m_eof = true;
    m_bof = !hasCurrent();
    afterMove();
}

void Dataset::next()
{
    checkBrowseMode();
    if (doNext()) {
        m_bof = m_eof = false;
        afterMove();
    } else {
        m_eof = true;
    }
}

void Dataset::prior()
{
    checkBrowseMode();
    if (doPrior()) {
        m_bof = m_eof = false;
        afterMove();
    } else {
        m_bof = true;
    }
}

int Dataset::moveBy(int distance)
{
    int moved = 0;
    while (distance > 0 && !eof()) {
        next();
        if (!eof())
            ++moved;
        --distance;
    }
    while (distance < 0 && !bof()) {
        prior();
        if (!bof())
            --moved;
        ++distance;
    }
    return moved;
}

void Dataset::append()
{
    checkBrowseMode();
    m_buffer = blankRecord();
    doInitRecord(m_buffer);
    setState(State::Insert);
    try {
        if (m_onNewRecord)
            m_onNewRecord(*this);
        computeCalcFields(m_buffer);
    } catch (...) {
        doCancel(true);
        m_buffer.clear();
        setState(State::Browse);
        throw;
    }
    notifyMoved();
}

void Dataset::edit()
{
    checkActive();
    if (isEditing())
        return;
    if (!hasCurrent()) {
        append();
        return;
    }
    if (m_beforeEdit)
        m_beforeEdit(*this);
    if (!hasCurrent())
        throw EngineError(ErrorCode::RecordNotFound, QStringLiteral("Record/Key deleted."));
    doBeginEdit(m_buffer);
    setState(State::Edit);
    notifyMoved();
}

void Dataset::post()
{
    checkActive();
    if (!isEditing())
        return;
    if (m_beforePost)
        m_beforePost(*this);
    const bool inserting = m_state == State::Insert;
    doPost(m_buffer, inserting); // a refusal throws and leaves the record in its edit or insert state
    m_buffer.clear();
    setState(State::Browse);
    m_bof = m_eof = false;
    notifyMoved();
    if (m_afterPost)
        m_afterPost(*this);
}

void Dataset::cancel()
{
    if (!isEditing())
        return;
    const bool inserting = m_state == State::Insert;
    doCancel(inserting);
    m_buffer.clear();
    setState(State::Browse);
    m_eof = !hasCurrent();
    notifyMoved();
}

void Dataset::remove()
{
    checkActive();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (m_state == State::Edit)
        cancel();
    if (!hasCurrent())
        throw stateError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    if (m_beforeDelete)
        m_beforeDelete(*this);
    doDelete();
    m_bof = false;
    m_eof = !hasCurrent();
    notifyMoved();
    if (m_afterDelete)
        m_afterDelete(*this);
}

void Dataset::refresh()
{
    checkActive();
    if (isEditing())
        throw stateError(QStringLiteral("%1: Cannot refresh while a record is being edited").arg(objectName()));
    doRefresh();
    m_bof = false;
    m_eof = !hasCurrent();
    notifyMoved();
}

bool Dataset::locate(const QString& fields, const QVariantList& values, LocateOptions options)
{
    checkBrowseMode();
    QList<Field*> list;
    for (const QString& name : splitFieldList(fields))
        list << fieldByName(name);
    if (list.isEmpty() || list.size() != values.size())
        throw EngineError(ErrorCode::InvalidParameter, QStringLiteral("Locate needs one value per field"));
    if (!doLocate(list, values, options))
        return false;
    m_bof = m_eof = false;
    afterMove();
    return true;
}

QVariant Dataset::lookupValue(const QString&, const QVariantList&, const QString&)
{
    throw EngineError(ErrorCode::NotSupported, QStringLiteral("%1: lookup not supported").arg(objectName()));
}

void Dataset::enableControls()
{
    if (m_disableCount > 0 && --m_disableCount == 0 && m_movedWhileDisabled) {
        m_movedWhileDisabled = false;
        emit dataChanged(nullptr);
    }
}

void Dataset::enableControlsUnmoved()
{
    if (m_disableCount > 0 && --m_disableCount == 0)
        m_movedWhileDisabled = false;
}

void Dataset::notifyMoved()
{
    if (m_disableCount > 0) {
        m_movedWhileDisabled = true;
        return;
    }
    emit dataChanged(nullptr);
}

void Dataset::notifyFieldChanged(Field* field)
{
    if (m_disableCount > 0) {
        m_movedWhileDisabled = true;
        return;
    }
    emit dataChanged(field);
}

QVariant Dataset::fieldValue(int index) const
{
    if (m_calcRecord)
        return m_calcRecord->value(index);
    if (isEditing())
        return m_buffer.value(index);
    if (active() && hasCurrent())
        return currentRecord().value(index);
    return QVariant();
}

void Dataset::setFieldValue(int index, const QVariant& value)
{
    Field* field = m_fieldList.at(size_t(index));
    if (m_calcRecord) {
        if (field->kind() == Field::Kind::Data)
            throw stateError(QStringLiteral("Field '%1' cannot be modified while computing fields").arg(field->fieldName()));
        (*m_calcRecord)[index] = value;
        return;
    }
    if (!isEditing())
        throw stateError(QStringLiteral("%1: Dataset not in edit or insert mode").arg(objectName()));
    if (field->kind() != Field::Kind::Data)
        throw stateError(QStringLiteral("Field '%1' cannot be modified").arg(field->fieldName()));
    if (m_buffer.size() < int(m_fieldList.size()))
        m_buffer.resize(int(m_fieldList.size()));
    if (m_buffer[index] == value && m_buffer[index].isValid() == value.isValid())
        return;
    m_buffer[index] = value;
    doFieldChanged(field, m_buffer);
    computeCalcFields(m_buffer);
    notifyFieldChanged(field);
}

void Dataset::computeCalcFields(Record& record)
{
    if (!m_onCalcFields)
        return;
    for (Field* f : m_fieldList)
        if (f->kind() == Field::Kind::Calculated && f->index() < record.size())
            record[f->index()] = QVariant();
    Record* previous = m_calcRecord;
    m_calcRecord = &record;
    try {
        m_onCalcFields(*this);
    } catch (...) {
        m_calcRecord = previous;
        throw;
    }
    m_calcRecord = previous;
}

} // namespace qdb

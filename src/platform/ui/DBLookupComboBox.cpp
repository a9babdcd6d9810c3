#include "DBLookupComboBox.h"

#include "DatasetExcursion_p.h"
#include "ErrorReporter.h"
#include "FieldLink_p.h"

#include "DataSource.h"
#include "Dataset.h"
#include "Field.h"

#include <QKeyEvent>
#include <QTimer>
#include <QWheelEvent>

namespace qui
{

namespace
{

    // Keys from the list and the bound field are both canonical values of their fields; they
    // still may be of different types (an integer key against a float field), so compare as the
    // bound field would store the list's key.
    bool sameKey(const QVariant& listKey, const QVariant& value, const qdb::Field* bound)
    {
        if (!listKey.isValid() || !value.isValid())
            return false;
        if (listKey == value)
            return true;
        if (!bound)
            return false;
        try {
            return bound->convert(listKey) == value;
        } catch (const std::exception&) {
            return false;
        }
    }

} // namespace

DBLookupComboBox::DBLookupComboBox(QWidget* parent)
    : QComboBox(parent)
    , m_link(new FieldLink(this, [this]() { refresh(); }))
{
    setEditable(false);
    connect(this, &QComboBox::activated, this, &DBLookupComboBox::choose);
}

DBLookupComboBox::~DBLookupComboBox() = default;

void DBLookupComboBox::setDataSource(qdb::DataSource* source)
{
    m_link->setDataSource(source);
}
qdb::DataSource* DBLookupComboBox::dataSource() const
{
    return m_link->dataSource();
}
void DBLookupComboBox::setDataField(const QString& name)
{
    m_link->setFieldName(name);
}
QString DBLookupComboBox::dataField() const
{
    return m_link->fieldName();
}
qdb::Field* DBLookupComboBox::field() const
{
    return m_link->field();
}

qdb::Dataset* DBLookupComboBox::listDataset() const
{
    return m_listSource ? m_listSource->dataSet() : nullptr;
}

void DBLookupComboBox::setListSource(qdb::DataSource* source)
{
    if (m_listSource == source)
        return;
    disconnect(m_listData);
    disconnect(m_listState);
    m_listSource = source;
    if (source) {
        m_listData = connect(source, &qdb::DataSource::dataChange, this, [this](qdb::Field* f) {
            if (!f) // a field edited in the list's own edit buffer is not in the list yet
                listChanged();
        });
        m_listState = connect(source, &qdb::DataSource::stateChange, this, &DBLookupComboBox::listChanged);
    }
    listChanged();
}

void DBLookupComboBox::setKeyField(const QString& name)
{
    m_keyField = name;
    listChanged();
}

void DBLookupComboBox::setListField(const QString& name)
{
    m_listField = name;
    listChanged();
}

void DBLookupComboBox::listChanged()
{
    if (m_ownMove)
        return;
    m_listStale = true;
    // Several changes in a row (a window moving the list table around) cost one reading, when
    // the program is back in its event loop; anything that needs the list first reads it then.
    if (!m_refreshQueued) {
        m_refreshQueued = true;
        QTimer::singleShot(0, this, [this]() {
            m_refreshQueued = false;
            refresh();
        });
    }
}

void DBLookupComboBox::ensureList()
{
    if (m_listStale)
        readList();
}

void DBLookupComboBox::readList()
{
    m_listStale = false;
    const QSignalBlocker blocker(this); // filling the list is no choice of the user
    clear();
    qdb::Dataset* ds = listDataset();
    if (!ds || !ds->active() || m_keyField.isEmpty() || m_listField.isEmpty())
        return;
    if (ds->isEditing()) {
        // Moving would post the list's edit: read it once it is back in browse state.
        m_listStale = true;
        return;
    }
    m_ownMove = true;
    try {
        const qdb::Field* key = ds->fieldByName(m_keyField);
        const qdb::Field* text = ds->fieldByName(m_listField);
        DatasetExcursion excursion(*ds);
        for (ds->first(); !ds->eof(); ds->next())
            addItem(text->displayText(), key->value());
        excursion.restore();
    } catch (const std::exception& e) {
        reportError(e);
    }
    m_ownMove = false;
}

QVariant DBLookupComboBox::keyAt(int index) const
{
    return index >= 0 && index < count() ? itemData(index) : QVariant();
}

int DBLookupComboBox::indexOfKey(const QVariant& key) const
{
    const qdb::Field* bound = field();
    for (int i = 0; i < count(); ++i)
        if (sameKey(itemData(i), key, bound))
            return i;
    return -1;
}

void DBLookupComboBox::refresh()
{
    ensureList();
    const qdb::Field* f = field();
    const QSignalBlocker blocker(this);
    setCurrentIndex(f ? indexOfKey(f->value()) : -1);
}

void DBLookupComboBox::choose(int index)
{
    if (m_readOnly || !m_link->canModify()) {
        refresh();
        return;
    }
    const QVariant key = keyAt(index);
    const bool written = m_link->write([&key](qdb::Field& f) { f.setValue(key); });
    if (!written)
        return;
    if (qdb::Dataset* ds = listDataset(); ds && ds->active() && key.isValid()) {
        m_ownMove = true;
        try {
            ds->locate(m_keyField, key);
        } catch (const std::exception& e) {
            reportError(e);
        }
        m_ownMove = false;
    }
    emit itemChosen();
}

void DBLookupComboBox::showPopup()
{
    if (m_readOnly)
        return;
    if (m_listStale)
        refresh();
    QComboBox::showPopup();
}

void DBLookupComboBox::keyPressEvent(QKeyEvent* event)
{
    if (m_readOnly) {
        // Tab and the dialog's keys still work; nothing changes the choice.
        event->ignore();
        return;
    }
    ensureList();
    QComboBox::keyPressEvent(event);
}

void DBLookupComboBox::wheelEvent(QWheelEvent* event)
{
    if (m_readOnly) {
        event->ignore();
        return;
    }
    QComboBox::wheelEvent(event);
}

qdb::DataSource* DBLookupComboBox::listSource() const
{
    return m_listSource;
}

} // namespace qui

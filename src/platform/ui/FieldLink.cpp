#include "FieldLink_p.h"

#include "ErrorReporter.h"

#include "DataSource.h"
#include "Dataset.h"
#include "EngineError.h"
#include "Field.h"

#include <QWidget>

namespace qui
{

FieldLink::FieldLink(QWidget* control, std::function<void()> refresh)
    : QObject(control)
    , m_control(control)
    , m_refresh(std::move(refresh))
{
}

void FieldLink::setDataSource(qdb::DataSource* source)
{
    if (m_source == source)
        return;
    disconnect(m_dataConnection);
    disconnect(m_stateConnection);
    disconnect(m_destroyedConnection);
    m_source = source;
    if (source) {
        m_dataConnection = connect(source, &qdb::DataSource::dataChange, this, &FieldLink::dataChange);
        m_stateConnection
            = connect(source, &qdb::DataSource::stateChange, this, [this]() { dataChange(nullptr); });
        m_destroyedConnection = connect(source, &QObject::destroyed, this, [this]() { refresh(); });
    }
    refresh();
}

void FieldLink::setFieldName(const QString& name)
{
    if (m_fieldName == name)
        return;
    m_fieldName = name;
    refresh();
}

qdb::Dataset* FieldLink::dataset() const
{
    return m_source ? m_source->dataSet() : nullptr;
}

qdb::Field* FieldLink::field() const
{
    qdb::Dataset* ds = dataset();
    if (!ds || !ds->active() || m_fieldName.isEmpty())
        return nullptr;
    return ds->findField(m_fieldName);
}

bool FieldLink::canModify() const
{
    const qdb::Field* f = field();
    return f && f->kind() == qdb::Field::Kind::Data;
}

bool FieldLink::write(const std::function<void(qdb::Field&)>& write)
{
    bool ok = false;
    m_writing = true; // the dataset's notifications must not overwrite what is being written
    try {
        qdb::Field* f = field();
        if (!f)
            throw qdb::EngineError(qdb::ErrorCode::InvalidState,
                QStringLiteral("The control is not linked to field '%1' of an open dataset")
                    .arg(m_fieldName));
        qdb::Dataset* ds = f->dataset();
        if (!ds->isEditing())
            ds->edit();
        write(*f);
        ok = true;
    } catch (const std::exception& e) {
        m_writing = false;
        refresh();
        reportError(e);
        return false;
    }
    m_writing = false;
    refresh();
    return ok;
}

void FieldLink::dataChange(qdb::Field* changed)
{
    if (m_writing)
        return;
    if (const qdb::Dataset* ds = dataset(); ds && ds->controlsDisabled())
        return; // state changes are signalled even then; enabling the controls tells of the rest
    if (changed) {
        // Another field of the record: only calculated and lookup fields may follow it.
        const qdb::Field* f = field();
        if (f && f != changed && f->kind() == qdb::Field::Kind::Data)
            return;
    }
    refresh();
}

void FieldLink::refresh()
{
    if (m_refresh)
        m_refresh();
    updateAccessibleName();
}

void FieldLink::updateAccessibleName()
{
    const QString current = m_control->accessibleName();
    if (!current.isEmpty() && current != m_autoName)
        return; // named by the program
    QString name;
    if (!(m_hasCaption && m_hasCaption())) {
        if (const qdb::Field* f = field())
            name = f->displayLabel();
        else
            name = m_fieldName;
    }
    if (name != current)
        m_control->setAccessibleName(name);
    m_autoName = name;
}

qdb::DataSource* FieldLink::dataSource() const
{
    return m_source;
}

} // namespace qui

#include "DBText.h"

#include "FieldLink_p.h"

#include "Field.h"

namespace qui
{

DBText::DBText(QWidget* parent)
    : QLabel(parent)
    , m_link(new FieldLink(this, [this]() { refresh(); }))
{
    setTextFormat(Qt::PlainText); // field values are never markup
}

DBText::~DBText() = default;

void DBText::setDataSource(qdb::DataSource* source)
{
    m_link->setDataSource(source);
}
qdb::DataSource* DBText::dataSource() const
{
    return m_link->dataSource();
}
void DBText::setDataField(const QString& name)
{
    m_link->setFieldName(name);
}
QString DBText::dataField() const
{
    return m_link->fieldName();
}
qdb::Field* DBText::field() const
{
    return m_link->field();
}

void DBText::refresh()
{
    const qdb::Field* f = field();
    setText(f ? f->displayText() : QString());
}

} // namespace qui

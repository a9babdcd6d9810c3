#include "DBCheckBox.h"

#include "FieldLink_p.h"

#include "Field.h"

namespace qui
{

DBCheckBox::DBCheckBox(QWidget* parent)
    : DBCheckBox(QString(), parent)
{
}

DBCheckBox::DBCheckBox(const QString& text, QWidget* parent)
    : QCheckBox(text, parent)
    , m_link(new FieldLink(this, [this]() { refresh(); }))
{
    // Tristate only for showing a null value; nextCheckState() keeps clicks off the third state.
    setTristate(true);
    m_link->setHasCaption([this]() { return !this->text().isEmpty(); });
    refresh();
}

DBCheckBox::~DBCheckBox() = default;

void DBCheckBox::setDataSource(qdb::DataSource* source)
{
    m_link->setDataSource(source);
}
qdb::DataSource* DBCheckBox::dataSource() const
{
    return m_link->dataSource();
}
void DBCheckBox::setDataField(const QString& name)
{
    m_link->setFieldName(name);
}
QString DBCheckBox::dataField() const
{
    return m_link->fieldName();
}
qdb::Field* DBCheckBox::field() const
{
    return m_link->field();
}

void DBCheckBox::refresh()
{
    const qdb::Field* f = field();
    if (!f || f->isNull())
        setCheckState(Qt::PartiallyChecked);
    else
        setCheckState(f->asBoolean() ? Qt::Checked : Qt::Unchecked);
}

void DBCheckBox::nextCheckState()
{
    if (m_readOnly || !m_link->canModify())
        return;
    const bool on = checkState() != Qt::Checked;
    // The write shows the stored state again, refused or not.
    m_link->write([on](qdb::Field& f) { f.setAsBoolean(on); });
}

} // namespace qui

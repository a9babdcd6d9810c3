#include "DBRadioGroup.h"

#include "FieldLink_p.h"

#include "Field.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

namespace qui
{

DBRadioGroup::DBRadioGroup(QWidget* parent)
    : DBRadioGroup(QString(), parent)
{
}

DBRadioGroup::DBRadioGroup(const QString& title, QWidget* parent)
    : QGroupBox(title, parent)
    , m_link(new FieldLink(this, [this]() { refresh(); }))
    , m_group(new QButtonGroup(this))
{
    new QGridLayout(this);
    connect(m_group, &QButtonGroup::idClicked, this, &DBRadioGroup::clicked);
    m_link->setHasCaption([this]() { return !this->title().trimmed().isEmpty(); });
}

DBRadioGroup::~DBRadioGroup() = default;

void DBRadioGroup::setDataSource(qdb::DataSource* source)
{
    m_link->setDataSource(source);
}
qdb::DataSource* DBRadioGroup::dataSource() const
{
    return m_link->dataSource();
}
void DBRadioGroup::setDataField(const QString& name)
{
    m_link->setFieldName(name);
}
QString DBRadioGroup::dataField() const
{
    return m_link->fieldName();
}
qdb::Field* DBRadioGroup::field() const
{
    return m_link->field();
}

void DBRadioGroup::setItems(const QStringList& captions)
{
    m_items = captions;
    rebuild();
}

void DBRadioGroup::setValues(const QStringList& values)
{
    m_values = values;
    refresh();
}

void DBRadioGroup::setColumns(int columns)
{
    m_columns = std::max(1, columns);
    rebuild();
}

QRadioButton* DBRadioGroup::button(int index) const
{
    return qobject_cast<QRadioButton*>(m_group->button(index));
}

int DBRadioGroup::itemIndex() const
{
    return m_group->checkedId();
}

void DBRadioGroup::rebuild()
{
    const auto old = m_group->buttons();
    for (QAbstractButton* b : old) {
        m_group->removeButton(b);
        delete b;
    }
    auto* grid = static_cast<QGridLayout*>(layout());
    const int perColumn = m_items.isEmpty() ? 1 : int((m_items.size() + m_columns - 1) / m_columns);
    for (int i = 0; i < m_items.size(); ++i) {
        auto* b = new QRadioButton(m_items.at(i), this);
        m_group->addButton(b, i);
        grid->addWidget(b, i % perColumn, i / perColumn);
    }
    refresh();
}

int DBRadioGroup::indexOfField(const qdb::Field* f) const
{
    if (!f || f->isNull())
        return -1;
    if (!m_values.isEmpty())
        return int(m_values.indexOf(f->asString()));
    if (f->dataType() == qdb::FieldType::Integer || f->dataType() == qdb::FieldType::Float) {
        const double v = f->asFloat();
        const int i = int(v);
        return i == v && i >= 0 && i < m_items.size() ? i : -1;
    }
    bool ok = false;
    const int i = f->asString().toInt(&ok);
    return ok && i >= 0 && i < m_items.size() ? i : -1;
}

void DBRadioGroup::refresh()
{
    const int index = indexOfField(field());
    // An exclusive group always keeps one button checked; showing none needs a moment without.
    m_group->setExclusive(false);
    for (QAbstractButton* b : m_group->buttons()) {
        const QSignalBlocker blocker(b);
        b->setChecked(m_group->id(b) == index);
    }
    m_group->setExclusive(true);
}

void DBRadioGroup::clicked(int index)
{
    if (m_readOnly || !m_link->canModify() || index == indexOfField(field())) {
        refresh();
        return;
    }
    const QString value = index < m_values.size() ? m_values.at(index) : QString::number(index);
    if (m_link->write([&value](qdb::Field& f) { f.setAsString(value); }))
        emit itemClicked(index);
}

} // namespace qui

#include "DBMemo.h"

#include "FieldLink_p.h"

#include "Field.h"

#include <QFocusEvent>

namespace qui
{

DBMemo::DBMemo(QWidget* parent)
    : QPlainTextEdit(parent)
    , m_link(new FieldLink(this, [this]() { refresh(); }))
{
}

DBMemo::~DBMemo() = default;

void DBMemo::setDataSource(qdb::DataSource* source)
{
    m_link->setDataSource(source);
}
qdb::DataSource* DBMemo::dataSource() const
{
    return m_link->dataSource();
}
void DBMemo::setDataField(const QString& name)
{
    m_link->setFieldName(name);
}
QString DBMemo::dataField() const
{
    return m_link->fieldName();
}
qdb::Field* DBMemo::field() const
{
    return m_link->field();
}

void DBMemo::refresh()
{
    const qdb::Field* f = field();
    const QString text = f ? f->asString() : QString();
    if (text != toPlainText())
        setPlainText(text); // only when different: it resets the scroll position and undo
    m_shown = toPlainText();
}

bool DBMemo::updateRecord()
{
    if (isReadOnly() || !isPending() || !m_link->canModify())
        return true;
    const QString typed = toPlainText();
    return m_link->write([&typed](qdb::Field& f) { f.setAsString(typed); });
}

void DBMemo::focusOutEvent(QFocusEvent* event)
{
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        updateRecord();
    QPlainTextEdit::focusOutEvent(event);
}

} // namespace qui

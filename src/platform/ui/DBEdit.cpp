#include "DBEdit.h"

#include "FieldLink_p.h"

#include "Field.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QValidator>
#include <limits>

namespace qui
{

namespace
{

    // Changes the case of what is typed, then lets the number validator of the field judge it.
    // Changing the input inside validate() is how QLineEdit lets a validator transform typing.
    class FieldValidator : public QValidator
    {
    public:
        FieldValidator(DBEdit::CharCase charCase, qdb::FieldType type, QObject* parent)
            : QValidator(parent)
            , m_charCase(charCase)
        {
            const QLocale locale;
            if (type == qdb::FieldType::Integer) {
                auto* v = new QIntValidator(
                    std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), this);
                v->setLocale(locale);
                m_number = v;
            } else if (type == qdb::FieldType::Float) {
                auto* v = new QDoubleValidator(this);
                v->setNotation(QDoubleValidator::ScientificNotation);
                v->setLocale(locale);
                m_number = v;
            }
        }

        State validate(QString& input, int& pos) const override
        {
            if (m_charCase == DBEdit::CharCase::Upper)
                input = input.toUpper();
            else if (m_charCase == DBEdit::CharCase::Lower)
                input = input.toLower();
            // An empty box clears the field; a half-typed number is finished or refused on writing.
            return m_number && !input.isEmpty() ? m_number->validate(input, pos) : Acceptable;
        }

    private:
        DBEdit::CharCase m_charCase;
        QValidator* m_number = nullptr;
    };

} // namespace

DBEdit::DBEdit(QWidget* parent)
    : QLineEdit(parent)
    , m_link(new FieldLink(this, [this]() { refresh(); }))
{
}

DBEdit::~DBEdit() = default;

void DBEdit::setDataSource(qdb::DataSource* source)
{
    m_link->setDataSource(source);
}
qdb::DataSource* DBEdit::dataSource() const
{
    return m_link->dataSource();
}
void DBEdit::setDataField(const QString& name)
{
    m_link->setFieldName(name);
}
QString DBEdit::dataField() const
{
    return m_link->fieldName();
}
qdb::Field* DBEdit::field() const
{
    return m_link->field();
}

void DBEdit::setCharCase(CharCase charCase)
{
    if (m_charCase == charCase)
        return;
    m_charCase = charCase;
    m_validatorType = -1;
    applyField(field());
}

void DBEdit::applyField(const qdb::Field* f)
{
    const qdb::FieldType type = f ? f->dataType() : qdb::FieldType::Unknown;
    setMaxLength(f && type == qdb::FieldType::String && f->size() > 0 ? f->size() : 32767);
    if (m_validatorType == int(type))
        return;
    m_validatorType = int(type);
    QValidator* old = const_cast<QValidator*>(validator());
    const bool numeric = type == qdb::FieldType::Integer || type == qdb::FieldType::Float;
    setValidator(
        numeric || m_charCase != CharCase::Normal ? new FieldValidator(m_charCase, type, this) : nullptr);
    delete old;
}

void DBEdit::refresh()
{
    const qdb::Field* f = field();
    applyField(f);
    setText(f ? f->displayText() : QString());
    m_shown = text(); // as shown: the case rule may have changed it
    setModified(false);
}

bool DBEdit::updateRecord()
{
    if (isReadOnly() || !isPending() || !m_link->canModify())
        return true;
    const QString typed = text();
    return m_link->write([&typed](qdb::Field& f) { f.setAsString(typed); });
}

void DBEdit::focusOutEvent(QFocusEvent* event)
{
    // A context menu or another window taking the focus for a while is not leaving the box.
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        updateRecord();
    QLineEdit::focusOutEvent(event);
}

void DBEdit::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        updateRecord();
        break; // the line edit passes Enter on to the dialog's default button
    case Qt::Key_Escape:
        if (isPending()) {
            refresh();
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace qui

#pragma once

#include <QPlainTextEdit>

namespace qdb
{
class DataSource;
class Field;
}

namespace qui
{

class FieldLink;

// A multi-line text box showing a memo (or text) field. Writes what was typed when it loses
// the focus (edit state first), only when the text changed; a refused write is reported and
// the stored text shown again.
class DBMemo : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit DBMemo(QWidget* parent = nullptr);
    ~DBMemo() override;

    void setDataSource(qdb::DataSource* source);
    qdb::DataSource* dataSource() const;
    void setDataField(const QString& name);
    QString dataField() const;
    qdb::Field* field() const;

    // Writes pending typing now; false when refused.
    bool updateRecord();
    bool isPending() const { return toPlainText() != m_shown; }

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void refresh();

    FieldLink* m_link;
    QString m_shown;
};

} // namespace qui

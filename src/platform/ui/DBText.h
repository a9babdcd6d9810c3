#pragma once

#include <QLabel>

namespace qdb
{
class DataSource;
class Field;
}

namespace qui
{

class FieldLink;

// A read-only label showing a field's display text for the current record.
class DBText : public QLabel
{
    Q_OBJECT
public:
    explicit DBText(QWidget* parent = nullptr);
    ~DBText() override;

    void setDataSource(qdb::DataSource* source);
    qdb::DataSource* dataSource() const;
    void setDataField(const QString& name);
    QString dataField() const;
    qdb::Field* field() const;

private:
    void refresh();

    FieldLink* m_link;
};

} // namespace qui

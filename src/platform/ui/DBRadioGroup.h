#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

namespace qdb
{
class DataSource;
class Field;
}

namespace qui
{

class FieldLink;

// A group of radio buttons choosing a field's value. Item i stands for the value values()[i]
// when values are given, else for the number i. The item whose value equals the field is
// checked, none when the field holds another value or none; clicking an item writes its value
// (edit state first). Items are laid out column by column, items().size() / columns() rounded
// up to a column.
class DBRadioGroup : public QGroupBox
{
    Q_OBJECT
public:
    explicit DBRadioGroup(QWidget* parent = nullptr);
    explicit DBRadioGroup(const QString& title, QWidget* parent = nullptr);
    ~DBRadioGroup() override;

    void setDataSource(qdb::DataSource* source);
    qdb::DataSource* dataSource() const;
    void setDataField(const QString& name);
    QString dataField() const;
    qdb::Field* field() const;

    void setItems(const QStringList& captions);
    const QStringList& items() const { return m_items; }
    void setValues(const QStringList& values);
    const QStringList& values() const { return m_values; }
    void setColumns(int columns);
    int columns() const { return m_columns; }

    void setReadOnly(bool on) { m_readOnly = on; }
    bool isReadOnly() const { return m_readOnly; }

    // The checked item, -1 when none.
    int itemIndex() const;
    QRadioButton* button(int index) const;

signals:
    // The user clicked an item and its value was written.
    void itemClicked(int index);

private:
    void rebuild();
    void refresh();
    void clicked(int index);
    int indexOfField(const qdb::Field* field) const;

    FieldLink* m_link;
    QButtonGroup* m_group;
    QStringList m_items;
    QStringList m_values;
    int m_columns = 1;
    bool m_readOnly = false;
};

} // namespace qui

#pragma once

#include <QCheckBox>

namespace qdb
{
class DataSource;
class Field;
}

namespace qui
{

class FieldLink;

// A check box showing a boolean field: ticked, unticked, or greyed (partially checked) when the
// field holds no value. A click goes from unticked to ticked and from ticked or greyed to the
// other state, never back to greyed, and writes the boolean (edit state first). Read-only, it
// ignores clicks.
class DBCheckBox : public QCheckBox
{
    Q_OBJECT
public:
    explicit DBCheckBox(QWidget* parent = nullptr);
    explicit DBCheckBox(const QString& text, QWidget* parent = nullptr);
    ~DBCheckBox() override;

    void setDataSource(qdb::DataSource* source);
    qdb::DataSource* dataSource() const;
    void setDataField(const QString& name);
    QString dataField() const;
    qdb::Field* field() const;

    void setReadOnly(bool on) { m_readOnly = on; }
    bool isReadOnly() const { return m_readOnly; }

protected:
    void nextCheckState() override;

private:
    void refresh();

    FieldLink* m_link;
    bool m_readOnly = false;
};

} // namespace qui

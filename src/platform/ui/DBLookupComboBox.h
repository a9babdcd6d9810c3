#pragma once

#include <QComboBox>
#include <QPointer>

namespace qdb
{
class DataSource;
class Dataset;
class Field;
}

namespace qui
{

class FieldLink;

// A drop-down list choosing a key: the items are the list field of the rows of another data
// source (a small reference table), the bound field holds the key. The box shows the item whose
// key equals the bound field's value, and nothing when none does. Choosing an item writes its
// key into the bound field (edit state first) and makes that row current in the list dataset,
// then emits itemChosen().
//
// The list is read in one pass and read again whenever the list dataset's rows may have changed
// (any move or state change it makes that this box did not cause): reference tables are small,
// and a move that looks harmless may be a master/detail range changing under it.
class DBLookupComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit DBLookupComboBox(QWidget* parent = nullptr);
    ~DBLookupComboBox() override;

    // The bound field.
    void setDataSource(qdb::DataSource* source);
    qdb::DataSource* dataSource() const;
    void setDataField(const QString& name);
    QString dataField() const;
    qdb::Field* field() const;

    void setListSource(qdb::DataSource* source);
    qdb::DataSource* listSource() const;
    void setKeyField(const QString& name);
    const QString& keyField() const { return m_keyField; }
    void setListField(const QString& name);
    const QString& listField() const { return m_listField; }

    void setReadOnly(bool on) { m_readOnly = on; }
    bool isReadOnly() const { return m_readOnly; }

    // The key of an item (null for -1), and the item of a key (-1 when none).
    QVariant keyAt(int index) const;
    int indexOfKey(const QVariant& key) const;
    // Reads the list now if it is stale.
    void ensureList();

    void showPopup() override;

signals:
    // The user chose an item, its key was written and its row is current in the list dataset.
    void itemChosen();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void refresh();
    void listChanged();
    void readList();
    void choose(int index);
    qdb::Dataset* listDataset() const;

    FieldLink* m_link;
    QPointer<qdb::DataSource> m_listSource;
    QMetaObject::Connection m_listData, m_listState;
    QString m_keyField;
    QString m_listField;
    bool m_readOnly = false;
    bool m_listStale = true;
    bool m_ownMove = false; // this box is moving the list dataset
    bool m_refreshQueued = false;
};

} // namespace qui

#pragma once

#include "Dataset.h"
#include "Backend.h"
#include "SqlBuilder.h"

#include <QPointer>


namespace qdb {

class Database;
class DataSource;

// A stored table as a dataset. Rows are read in chunks around the current record (keyset
// paging on the current index), so nothing grows with the size of the table: a master range
// and a filter condition are evaluated by the storage, never row by row here.
//
// Editing: edit() runs the before-edit handler, then takes the row's lock (refused at once
// with RecordLocked when another workstation holds it) and re-reads the row. post() writes in
// one short write transaction and checks that the row is still the one that was read; a
// refusal leaves the record in its edit or insert state.
class Table : public Dataset {
    Q_OBJECT
public:
    using FilterCondition = std::function<Condition()>;

    explicit Table(QObject* parent = nullptr);
    ~Table() override;

    void setDatabase(Database* db);
    Database* database() const { return m_db; }
    void setTableName(const QString& name);
    const QString& tableName() const { return m_tableName; }
    QString storageName() const { return storageTableName(m_tableName); }
    void setExclusive(bool on);
    bool exclusive() const { return m_exclusive; }

    // Order: a secondary index by name, or the primary key when empty.
    void setIndexName(const QString& name);
    const QString& indexName() const { return m_indexName; }
    // Order by fields ("PRJCOD;ACTCOD"); the primary key when they are its fields.
    void setIndexFieldNames(const QString& fields);
    // Fields of the current order, primary key last.
    QStringList indexFields() const;

    // Master/detail: the rows whose leading index fields equal the master's fields.
    void setMasterSource(DataSource* source);
    void setMasterFields(const QString& fields);

    // The filter is a condition evaluated by the storage, asked for again at each (re)read.
    void setFilterCondition(FilterCondition condition) { m_filterCondition = std::move(condition); }
    void setFiltered(bool on);
    bool filtered() const { return m_filtered; }

    bool findKey(const QVariantList& values);
    QVariant lookupValue(const QString& keyFields, const QVariantList& values, const QString& resultField) override;
    int recordCount() override;
    int recNo() override;
    void setRecNo(int recNo) override;

    // Makes this table's changes durable. Each post and delete commits with full synchronous
    // writes, so nothing is ever pending here; inside a caller's write transaction, its commit
    // makes them durable.
    void flush();

    const TableDef& definition() const { return m_def; }

protected:
    void doOpen() override;
    void doClose() override;
    void doFirst() override;
    void doLast() override;
    bool doNext() override;
    bool doPrior() override;
    bool hasCurrent() const override;
    const Record& currentRecord() const override;
    void doRefresh() override;
    void doBeginEdit(Record& buffer) override;
    void doCancel(bool inserting) override;
    void doPost(Record& buffer, bool inserting) override;
    void doDelete() override;
    bool doLocate(const QList<Field*>& fields, const QVariantList& values, LocateOptions options) override;
    void doInitRecord(Record& buffer) override;
    void doFieldChanged(Field* field, Record& buffer) override;

private:
    struct Column {
        int field;      // slot in a record: a field's index, or past the fields for a hidden key
        QString name;   // stored name
        FieldType type;
        bool hidden = false;
    };

    void bindFields();
    void buildOrder();
    void reorder(); // the open table takes its new order, keeping the current record
    Condition baseCondition() const;
    QString selectList() const;
    QVector<Record> fetch(const Condition& where, bool descending, int limit, int offset = 0);
    Record readRow(const RowReader& row) const;
    QVariantList sortValues(const Record& r) const;
    QVariantList keyValues(const Record& r) const;
    QString keyText(const Record& r) const;
    Condition keyCondition(const Record& r) const;
    void positionAt(const Record& r, bool inclusive);
    void trimWindow();
    void masterMoved();
    QVariant lookup(const Field* f, const Record& r) const;
    QVariant toStorage(FieldType type, const QVariant& v) const;

    QPointer<Database> m_db;
    QString m_tableName;
    QString m_indexName;
    QStringList m_indexFieldNames;
    bool m_exclusive = false;
    bool m_filtered = false;
    FilterCondition m_filterCondition;
    QPointer<DataSource> m_masterSource;
    QStringList m_masterFields;
    QMetaObject::Connection m_masterConnection;

    TableDef m_def;
    QString m_quotedTable;
    QList<Column> m_columns;      // stored columns read and written
    QList<int> m_keyColumns;      // positions in m_columns of the primary key
    QList<const Field*> m_lookupFields;
    QList<SortKey> m_order;       // current order, primary key last
    QList<int> m_orderFields;     // record slot per sort key
    QList<FieldType> m_orderTypes;
    int m_slots = 0;              // record size: the fields, plus a hidden row key if any
    bool m_orderCaseInsensitive = false;

    QVector<Record> m_rows; // the window
    int m_cur = -1;
    bool m_hasStart = false; // window holds the first row of the range
    bool m_hasEnd = false;   // window holds the last row of the range
    int m_chunk = 64;
    Record m_original;       // row as read when editing began
    QString m_lockedKey;
    bool m_tableLocked = false;
};

} // namespace qdb

#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QVector>

namespace qdb
{
class DataSource;
class Dataset;
class Field;
}

namespace qui
{

// The rows of a data source's dataset as a table: one column per chosen field (by name; an
// empty name gives an empty column), headed by its display label. Row r is record r + 1.
//
// Reading: the dataset has one cursor, so rows are read by moving it (controls disabled) and
// coming back to the current record. Up to readAllLimit() rows (5000) are read in one pass
// whenever the rows change: a list that size takes a few milliseconds and scrolls without any
// further reading. Beyond that only pages of pageSize() rows around what the view shows are read,
// after the view asked for them (data() never moves the dataset: it returns nothing, and the
// page arrives through dataChanged()), and at most 32 pages are kept.
//
// The rows are read again when the dataset opens, returns to browse state after an edit, its
// row count changes, it takes another order, or its current record no longer reads as the cached
// row at its position (another range of a detail table); a plain move only changes currentRow().
// Nothing tells this model of rows changed elsewhere that leave those unchanged (refresh() after
// another workstation wrote): call reload() then.
//
// Read-only by default; editable, a cell written makes its row current, puts the dataset in edit
// state and sets the field's text (posting happens when the dataset moves on).
class DatasetModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit DatasetModel(QObject* parent = nullptr);
    ~DatasetModel() override;

    void setDataSource(qdb::DataSource* source);
    qdb::DataSource* dataSource() const;
    qdb::Dataset* dataset() const;
    void setFieldNames(const QStringList& names);
    const QStringList& fieldNames() const { return m_fieldNames; }
    // The dataset's field of a column; nullptr for an empty column or a closed dataset.
    qdb::Field* field(int column) const;

    void setReadOnly(bool on) { m_readOnly = on; }
    bool isReadOnly() const { return m_readOnly; }
    void setReadAllLimit(int rows);
    int readAllLimit() const { return m_readAllLimit; }
    void setPageSize(int rows);
    int pageSize() const { return m_pageSize; }
    // Whether every row is held (the dataset has at most readAllLimit() rows).
    bool allRowsRead() const { return m_allRead; }

    // Row of the dataset's current record, -1 when there is none.
    int currentRow() const { return m_current; }
    // Makes a row current in the dataset; a refusal (an edit that cannot be posted) is reported
    // and returns false.
    bool setCurrentRow(int row);
    void reload();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    // The dataset's current record is now at this row (-1: none); also after every reset.
    void currentRowChanged(int row);

private:
    void dataChange(qdb::Field* field);
    void sync();
    void resetRows(int count);
    void readRows(int first, int count);
    QStringList currentTexts() const;
    bool currentMatchesCache(int row) const;
    void setCurrent(int row, bool force);
    void requestPage(int page) const;
    void loadPendingPages();

    QPointer<qdb::DataSource> m_source;
    QMetaObject::Connection m_dataConnection, m_stateConnection;
    QStringList m_fieldNames;
    QVector<int> m_alignments; // per column, while the dataset is open
    bool m_readOnly = true;
    int m_readAllLimit = 5000;
    int m_pageSize = 100;

    int m_count = 0;
    int m_current = -1;
    bool m_allRead = true;
    bool m_rowsStale = true; // read again once the dataset browses
    quint64 m_orderGeneration = 0; // the dataset's order the rows were read in
    bool m_reading = false; // this model moves the dataset: its notifications are its own
    QHash<int, QStringList> m_cache; // row -> texts per column
    QList<int> m_pages; // pages held (paged mode), oldest first
    mutable QSet<int> m_pendingPages;
    mutable bool m_loadQueued = false;
    unsigned m_generation = 0; // drops a queued page load made for rows since replaced
};

} // namespace qui

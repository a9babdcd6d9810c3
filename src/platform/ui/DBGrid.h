#pragma once

#include <QStringList>
#include <QTableView>

namespace qdb
{
class DataSource;
}

namespace qui
{

class DatasetModel;

// A table of a data source's rows (see DatasetModel for what is read when). The view's current
// row is the dataset's current record: moving the dataset moves the view, and choosing a row
// with the mouse or the keyboard moves the dataset; a refused move (an edit that cannot be
// posted) is reported and the view goes back to the dataset's record. Whole rows are selected,
// one at a time; read-only unless told otherwise.
class DBGrid : public QTableView
{
    Q_OBJECT
public:
    explicit DBGrid(QWidget* parent = nullptr);
    ~DBGrid() override;

    void setDataSource(qdb::DataSource* source);
    qdb::DataSource* dataSource() const;
    // Field names of the columns, in order; an empty name is an empty column. Each column gets a
    // width from its field's size and type when the dataset is first open; set widths after.
    void setColumns(const QStringList& fieldNames);
    QStringList columns() const;
    DatasetModel* datasetModel() const { return m_model; }

    void setReadOnly(bool on);
    bool isReadOnly() const;

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void followDataset(int row);
    void updateAccessibleName();
    void applyDefaultWidths();

    DatasetModel* m_model;
    QString m_autoName;
    bool m_following = false;
    bool m_widthsPending = true; // columns get widths from their fields once they are known
};

} // namespace qui

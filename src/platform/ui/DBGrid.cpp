#include "DBGrid.h"

#include "DatasetModel.h"

#include "Field.h"

#include <QHeaderView>
#include <QTimer>

namespace qui
{

DBGrid::DBGrid(QWidget* parent)
    : QTableView(parent)
    , m_model(new DatasetModel(this))
{
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    // Rows are one line each; a fixed height spares the view asking every row for its size.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    connect(m_model, &DatasetModel::currentRowChanged, this, &DBGrid::followDataset);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this]() {
        updateAccessibleName();
        applyDefaultWidths();
    });
}

DBGrid::~DBGrid() = default;

void DBGrid::setDataSource(qdb::DataSource* source)
{
    m_model->setDataSource(source);
}
qdb::DataSource* DBGrid::dataSource() const
{
    return m_model->dataSource();
}
void DBGrid::setColumns(const QStringList& fieldNames)
{
    m_widthsPending = true;
    m_model->setFieldNames(fieldNames);
}

void DBGrid::applyDefaultWidths()
{
    if (!m_widthsPending || m_model->columnCount() == 0)
        return;
    const QFontMetrics fm(font());
    const int charWidth = fm.averageCharWidth();
    for (int c = 0; c < m_model->columnCount(); ++c) {
        const qdb::Field* f = m_model->field(c);
        if (!f && !m_model->fieldNames().at(c).isEmpty())
            return; // not open yet: wait for the fields
        int chars = 2;
        if (f) {
            switch (f->dataType()) {
            case qdb::FieldType::String:
                chars = std::clamp(f->size(), 4, 30);
                break;
            case qdb::FieldType::Integer:
                chars = 8;
                break;
            case qdb::FieldType::Float:
                chars = 10;
                break;
            case qdb::FieldType::Date:
                chars = 10;
                break;
            case qdb::FieldType::Boolean:
                chars = 5;
                break;
            default:
                chars = 20;
                break;
            }
        }
        const int label = f ? fm.horizontalAdvance(f->displayLabel()) : 0;
        setColumnWidth(
            c, std::max(chars * charWidth, label) + 2 * fm.horizontalAdvance(QLatin1Char(' ')) + 4);
    }
    m_widthsPending = false;
}
QStringList DBGrid::columns() const
{
    return m_model->fieldNames();
}

void DBGrid::setReadOnly(bool on)
{
    m_model->setReadOnly(on);
    setEditTriggers(on ? QAbstractItemView::NoEditTriggers
                       : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                | QAbstractItemView::AnyKeyPressed);
}

bool DBGrid::isReadOnly() const
{
    return m_model->isReadOnly();
}

void DBGrid::followDataset(int row)
{
    m_following = true;
    if (row < 0 || row >= m_model->rowCount()) {
        selectionModel()->clear();
    } else {
        const int column = std::max(0, currentIndex().column());
        const QModelIndex index
            = m_model->index(row, std::min(column, std::max(0, m_model->columnCount() - 1)));
        selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(index);
    }
    m_following = false;
}

void DBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (m_following || !current.isValid() || current.row() == m_model->currentRow())
        return;
    if (!m_model->setCurrentRow(current.row())) {
        // Refused: back to the dataset's record once the view has finished this change.
        QTimer::singleShot(0, this, [this]() { followDataset(m_model->currentRow()); });
    }
}

void DBGrid::updateAccessibleName()
{
    // The grid's name is what its columns show, unless the program gave one.
    if (!accessibleName().isEmpty() && accessibleName() != m_autoName)
        return;
    QStringList labels;
    for (int c = 0; c < m_model->columnCount(); ++c) {
        const QString label = m_model->headerData(c, Qt::Horizontal).toString();
        if (!label.isEmpty())
            labels << label;
    }
    m_autoName = labels.join(QStringLiteral(", "));
    setAccessibleName(m_autoName);
}

} // namespace qui

#include "DatasetModel.h"

#include "DatasetExcursion_p.h"
#include "ErrorReporter.h"

#include "DataSource.h"
#include "Dataset.h"
#include "Field.h"

#include <QTimer>

namespace qui
{

namespace
{
    constexpr int MaxPages = 32;

    bool isNumeric(qdb::FieldType type)
    {
        return type == qdb::FieldType::Integer || type == qdb::FieldType::Float;
    }
}

DatasetModel::DatasetModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

DatasetModel::~DatasetModel() = default;

qdb::Dataset* DatasetModel::dataset() const
{
    return m_source ? m_source->dataSet() : nullptr;
}

void DatasetModel::setDataSource(qdb::DataSource* source)
{
    if (m_source == source)
        return;
    disconnect(m_dataConnection);
    disconnect(m_stateConnection);
    m_source = source;
    if (source) {
        m_dataConnection = connect(source, &qdb::DataSource::dataChange, this, &DatasetModel::dataChange);
        m_stateConnection = connect(source, &qdb::DataSource::stateChange, this, &DatasetModel::sync);
    }
    reload();
}

void DatasetModel::setFieldNames(const QStringList& names)
{
    m_fieldNames = names;
    reload();
}

qdb::Field* DatasetModel::field(int column) const
{
    const qdb::Dataset* ds = dataset();
    if (!ds || !ds->active() || column < 0 || column >= m_fieldNames.size()
        || m_fieldNames.at(column).isEmpty())
        return nullptr;
    return ds->findField(m_fieldNames.at(column));
}

void DatasetModel::setReadAllLimit(int rows)
{
    m_readAllLimit = std::max(0, rows);
    reload();
}

void DatasetModel::setPageSize(int rows)
{
    m_pageSize = std::max(1, rows);
    reload();
}

void DatasetModel::reload()
{
    m_rowsStale = true;
    sync();
}

void DatasetModel::dataChange(qdb::Field* field)
{
    if (field) {
        // A field of the record being edited: its row shows the edit buffer.
        if (m_current >= 0 && !m_reading)
            emit dataChanged(index(m_current, 0), index(m_current, columnCount() - 1));
        return;
    }
    sync();
}

void DatasetModel::sync()
{
    if (m_reading)
        return;
    qdb::Dataset* ds = dataset();
    if (!ds || !ds->active()) {
        m_rowsStale = true;
        if (m_count != 0 || !m_cache.isEmpty() || m_current != -1) {
            beginResetModel();
            ++m_generation;
            m_count = 0;
            m_cache.clear();
            m_pages.clear();
            m_pendingPages.clear();
            endResetModel();
            setCurrent(-1, true);
        }
        return;
    }
    if (ds->controlsDisabled()) {
        // Someone is working through the rows (state changes are still signalled): read them
        // when enabling the controls tells of the moves.
        m_rowsStale = true;
        return;
    }
    if (ds->isEditing()) {
        // Rows cannot be read without posting; the edited row shows the buffer meanwhile.
        m_rowsStale = true;
        if (m_current >= 0)
            emit dataChanged(index(m_current, 0), index(m_current, columnCount() - 1));
        return;
    }
    try {
        const int count = ds->recordCount();
        const int current = ds->recNo() - 1;
        if (m_rowsStale || count != m_count || ds->orderGeneration() != m_orderGeneration
            || !currentMatchesCache(current)) {
            resetRows(count);
            setCurrent(ds->recNo() - 1, true);
        } else {
            setCurrent(current, false);
        }
    } catch (const std::exception& e) {
        reportError(e);
    }
}

void DatasetModel::resetRows(int count)
{
    beginResetModel();
    ++m_generation;
    m_cache.clear();
    m_pages.clear();
    m_pendingPages.clear();
    m_count = count;
    m_allRead = count <= m_readAllLimit;
    m_rowsStale = false;
    if (const qdb::Dataset* ds = dataset())
        m_orderGeneration = ds->orderGeneration();
    m_alignments.clear();
    for (int c = 0; c < m_fieldNames.size(); ++c) {
        const qdb::Field* f = field(c);
        m_alignments << int(
            (f && isNumeric(f->dataType()) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    if (m_allRead && count > 0)
        readRows(0, count);
    endResetModel();
}

QStringList DatasetModel::currentTexts() const
{
    QStringList texts;
    texts.reserve(m_fieldNames.size());
    for (int c = 0; c < m_fieldNames.size(); ++c) {
        const qdb::Field* f = field(c);
        texts << (f ? f->displayText() : QString());
    }
    return texts;
}

bool DatasetModel::currentMatchesCache(int row) const
{
    if (row < 0)
        return m_count == 0;
    const auto it = m_cache.constFind(row);
    return it == m_cache.cend() || *it == currentTexts(); // a row never read cannot be compared
}

void DatasetModel::readRows(int first, int count)
{
    qdb::Dataset* ds = dataset();
    if (!ds || count <= 0)
        return;
    m_reading = true;
    try {
        DatasetExcursion excursion(*ds);
        if (first == 0)
            ds->first();
        else
            ds->setRecNo(first + 1);
        for (int i = 0; i < count && !ds->eof(); ++i) {
            m_cache.insert(first + i, currentTexts());
            ds->next();
        }
        excursion.restore();
    } catch (const std::exception& e) {
        reportError(e);
    }
    m_reading = false;
}

void DatasetModel::setCurrent(int row, bool force)
{
    if (row == m_current && !force)
        return;
    m_current = row;
    emit currentRowChanged(row);
}

bool DatasetModel::setCurrentRow(int row)
{
    qdb::Dataset* ds = dataset();
    if (!ds || !ds->active() || row < 0 || row >= m_count)
        return false;
    if (row == m_current)
        return true;
    try {
        ds->setRecNo(row + 1);
    } catch (const std::exception& e) {
        reportError(e);
        return false;
    }
    return true;
}

void DatasetModel::requestPage(int page) const
{
    if (m_pendingPages.contains(page))
        return;
    m_pendingPages.insert(page);
    if (m_loadQueued)
        return;
    m_loadQueued = true;
    const unsigned generation = m_generation;
    auto* self = const_cast<DatasetModel*>(this);
    QTimer::singleShot(0, self, [self, generation]() {
        self->m_loadQueued = false;
        if (generation == self->m_generation)
            self->loadPendingPages();
        else
            self->m_pendingPages.clear();
    });
}

void DatasetModel::loadPendingPages()
{
    qdb::Dataset* ds = dataset();
    if (!ds || !ds->active() || ds->isEditing()) {
        m_pendingPages.clear(); // asked for again once the view repaints after the reset
        return;
    }
    const QSet<int> pages = std::exchange(m_pendingPages, {});
    for (int page : pages) {
        const int first = page * m_pageSize;
        const int count = std::min(m_pageSize, m_count - first);
        if (count <= 0 || m_pages.contains(page))
            continue;
        readRows(first, count);
        m_pages << page;
        emit dataChanged(index(first, 0), index(first + count - 1, columnCount() - 1));
    }
    while (m_pages.size() > MaxPages) {
        const int old = m_pages.takeFirst();
        for (int r = old * m_pageSize; r < (old + 1) * m_pageSize; ++r)
            m_cache.remove(r);
    }
}

int DatasetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_count;
}

int DatasetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_fieldNames.size());
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_count || index.column() >= m_fieldNames.size())
        return QVariant();
    if (role == Qt::TextAlignmentRole)
        return index.column() < m_alignments.size() ? QVariant(m_alignments.at(index.column())) : QVariant();
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    const qdb::Dataset* ds = dataset();
    if (ds && ds->state() == qdb::Dataset::State::Edit && index.row() == m_current) {
        const qdb::Field* f = field(index.column());
        return f ? f->displayText() : QString();
    }
    const auto it = m_cache.constFind(index.row());
    if (it != m_cache.cend())
        return it->value(index.column());
    if (!m_allRead)
        requestPage(index.row() / m_pageSize);
    return QVariant();
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section < 0 || section >= m_fieldNames.size())
        return QVariant();
    if (const qdb::Field* f = field(section))
        return f->displayLabel();
    return m_fieldNames.at(section);
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!m_readOnly) {
        const qdb::Field* f = field(index.column());
        if (f && f->kind() == qdb::Field::Kind::Data)
            flags |= Qt::ItemIsEditable;
    }
    return flags;
}

bool DatasetModel::setData(const QModelIndex& cell, const QVariant& value, int role)
{
    if (m_readOnly || role != Qt::EditRole || !cell.isValid() || !(flags(cell) & Qt::ItemIsEditable))
        return false;
    if (!setCurrentRow(cell.row()))
        return false;
    qdb::Dataset* ds = dataset();
    try {
        if (!ds->isEditing())
            ds->edit();
        qdb::Field* f = field(cell.column());
        if (!f)
            return false;
        f->setAsString(value.toString());
    } catch (const std::exception& e) {
        reportError(e);
        emit dataChanged(cell, cell);
        return false;
    }
    emit dataChanged(index(cell.row(), 0), index(cell.row(), columnCount() - 1));
    return true;
}

qdb::DataSource* DatasetModel::dataSource() const
{
    return m_source;
}

} // namespace qui

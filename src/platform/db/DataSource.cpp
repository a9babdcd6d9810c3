#include "DataSource.h"

#include "Dataset.h"

namespace qdb {

DataSource::DataSource(QObject* parent)
    : QObject(parent)
{
}

void DataSource::setDataSet(Dataset* dataset)
{
    if (m_dataset == dataset)
        return;
    disconnect(m_data);
    disconnect(m_state);
    m_dataset = dataset;
    if (dataset) {
        m_data = connect(dataset, &Dataset::dataChanged, this, [this](Field* f) {
            if (m_enabled)
                emit dataChange(f);
        });
        m_state = connect(dataset, &Dataset::stateChanged, this, [this]() {
            if (m_enabled)
                emit stateChange();
        });
    }
    emit dataChange(nullptr);
}

} // namespace qdb

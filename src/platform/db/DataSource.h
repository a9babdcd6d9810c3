#pragma once

#include "Dataset.h"

#include <QObject>
#include <QPointer>

namespace qdb {

// Links controls (and detail tables) to a dataset: it passes on moves, field changes and state
// changes while enabled.
class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(QObject* parent = nullptr);

    void setDataSet(Dataset* dataset);
    Dataset* dataSet() const { return m_dataset; }
    void setEnabled(bool on) { m_enabled = on; }
    bool enabled() const { return m_enabled; }

signals:
    // field == nullptr: another record became current (or the rows changed as a whole).
    void dataChange(qdb::Field* field);
    void stateChange();

private:
    QPointer<Dataset> m_dataset;
    QMetaObject::Connection m_data, m_state;
    bool m_enabled = true;
};

} // namespace qdb

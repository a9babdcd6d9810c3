#include "DatasetExcursion_p.h"

#include "ErrorReporter.h"

#include "Dataset.h"

namespace qui
{

DatasetExcursion::DatasetExcursion(qdb::Dataset& dataset)
    : m_dataset(dataset)
    , m_recNo(dataset.recNo())
    , m_bof(dataset.bof())
    , m_eof(dataset.eof())
{
    Q_ASSERT(!dataset.isEditing());
    m_dataset.disableControls();
}

DatasetExcursion::~DatasetExcursion()
{
    if (!m_done) {
        try {
            restore();
        } catch (const std::exception& e) {
            reportError(e);
        }
    }
    if (m_restored)
        m_dataset.enableControlsUnmoved();
    else
        m_dataset.enableControls(); // the current record changed: controls must follow
}

void DatasetExcursion::restore()
{
    m_done = true;
    if (m_recNo > 0 && m_dataset.active()) {
        // Coming back with first() or last() gives a caller's loop its bof or eof flag back. The
        // flags alone do not say where the record is: post() tells controls before it clears
        // them, when the posted record may have moved.
        if (m_bof && m_recNo == 1)
            m_dataset.first();
        else if (m_eof && m_recNo == m_dataset.recordCount())
            m_dataset.last();
        else
            m_dataset.setRecNo(m_recNo);
    }
    m_restored = true;
}

} // namespace qui

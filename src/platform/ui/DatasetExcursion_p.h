#pragma once

#include <QtGlobal>

namespace qdb
{
class Dataset;
}

namespace qui
{

// Lets a control read other rows of a dataset and come back. Controls stay disabled meanwhile;
// when the record it started on is current again, nobody is told, since nothing they show
// changed (a detail table following this dataset keeps its rows). The dataset must be in
// browse state: moving would post an edit.
//
// Moving runs the dataset's after-scroll handler for each row visited, as any move does.
class DatasetExcursion
{
public:
    explicit DatasetExcursion(qdb::Dataset& dataset);
    ~DatasetExcursion();
    Q_DISABLE_COPY(DatasetExcursion)

    // Back to the record the excursion started on; throws EngineError when the dataset cannot
    // move. Without a call, the destructor restores and reports a failure.
    void restore();

private:
    qdb::Dataset& m_dataset;
    int m_recNo;
    bool m_bof;
    bool m_eof;
    bool m_done = false;
    bool m_restored = false;
};

} // namespace qui

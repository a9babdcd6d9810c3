#pragma once

#include "ExportWriter.h"
#include "WriterSupport_p.h"

namespace qrep {

// Comma-separated values (RFC 4180): one record per text line of the report, pages one after
// the other; one field per column of the report's cell table (see CellTable: the same report
// element is in the same field on every record), empty fields where a line has no text there.
// Fields hold the text as printed and are quoted when they contain a comma, a quote, a line
// break or leading or trailing blanks. UTF-8 with a byte-order mark (so that Excel reads it as
// UTF-8), records ended by CR LF. The file is written when the last page has come.
class CsvWriter final : public ExportWriter {
public:
    CsvWriter() : ExportWriter(ExportType::Csv) {}
    static QString quoted(const QString& field);

protected:
    void doBegin() override;
    void doWritePage(const PreparedPage& page, int pageNumber) override;
    void doEnd() override;
    void doAbort() override;

private:
    detail::OutputFile m_out;
    detail::CellTable m_table;
};

} // namespace qrep

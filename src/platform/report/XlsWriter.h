#pragma once

#include "ExportWriter.h"
#include "WriterSupport_p.h"

#include <QByteArray>

namespace qrep {

// An Excel 97-2003 worksheet (".xls"): a BIFF8 workbook stream in an OLE2 compound file, the
// format that every Excel since 97 and LibreOffice open without a conversion question. One
// worksheet, named after the report's title; one cell per text item, rows and columns as the
// CellTable finds them (one row per text line of the report, pages one after the other; one
// column per distinct left edge of the report's elements). An item printed from a number is a
// number cell (its value, unrounded, with the format "0" or "0.00" when it was printed with no
// or two decimals, else General), every other item a text cell (strings in the shared string
// table); bold items are bold. The column widths follow the report's column positions. A
// worksheet holds at most 65,536 rows and 256 columns: a longer report is refused with an
// ExportError. The file is written when the last page has come.
class XlsWriter final : public ExportWriter {
public:
    static constexpr int maxRows = 65536;
    static constexpr int maxColumns = 256;

    XlsWriter() : ExportWriter(ExportType::Xls) {}

    // The OLE2 compound file (version 3, 512-byte sectors) holding one stream "Workbook".
    static QByteArray compoundFile(const QByteArray& workbookStream);

protected:
    void doBegin() override;
    void doWritePage(const PreparedPage& page, int pageNumber) override;
    void doEnd() override;
    void doAbort() override;

private:
    QByteArray workbook() const;

    detail::OutputFile m_out;
    detail::CellTable m_table;
};

} // namespace qrep

#pragma once

#include "ExportWriter.h"
#include "WriterSupport_p.h"

namespace qrep {

// Plain text laid out by position on a character grid of 12 columns and 6 rows to the inch
// (the grid of 10-point Courier on a line printer), UTF-8, lines ended by "\n", pages
// separated by a line holding a form feed. A text item starts at the column of its left edge
// (left-aligned), ends at the column of its right edge (right-aligned) or is centred on its
// middle; each text line of the page gets its own row, at the row of its top edge or the next
// free one, and a memo takes one row per line it shows. An item that would overwrite the one
// before it on its row moves right, one blank after it. Rules and frames are not written.
class TextWriter final : public ExportWriter {
public:
    static constexpr double columnWidthMm = 25.4 / 12.0;
    static constexpr double rowHeightMm = 25.4 / 6.0;

    TextWriter() : ExportWriter(ExportType::Text) {}
    // The rows of one page, trailing blanks removed.
    static QStringList pageRows(const PreparedPage& page);

protected:
    void doBegin() override;
    void doWritePage(const PreparedPage& page, int pageNumber) override;
    void doEnd() override;
    void doAbort() override;

private:
    detail::OutputFile m_out;
};

} // namespace qrep

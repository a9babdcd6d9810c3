#pragma once

#include "ExportWriter.h"
#include "WriterSupport_p.h"

#include <QByteArray>
#include <QList>

namespace qrep {

// Windows metafiles, one per page: a placeable metafile (Aldus header with its checksum, a
// bounding box of the paper's size in tenths of a millimetre, 254 units to the inch) holding the
// page's text items, rules and frames as GDI records. Page 1 goes to the chosen file name,
// page n (from 2) to the same name with "_n" before the extension ("report.wmf",
// "report_2.wmf", ...). One file per page because a metafile is one picture and the 16-bit
// coordinates of the format hold only a few pages at this resolution. The pages are kept in
// memory and written when the last page has come, page 1 last, so that the chosen file appears
// only when every page was written. Text is written in the Windows-1252 (Latin-1) code page;
// a character outside it becomes "?". Files of an earlier, longer export under the same name
// are not removed.
class WmfWriter final : public ExportWriter {
public:
    static constexpr int unitsPerInch = 254; // one unit = 0.1 mm

    WmfWriter() : ExportWriter(ExportType::Wmf) {}

    // The file of page n (from 1) of an export to fileName.
    static QString pageFileName(const QString& fileName, int pageNumber);
    // The metafile of one page.
    static QByteArray metafile(const PreparedPage& page);
    // The files written by the last successful end().
    QStringList writtenFiles() const { return m_written; }

protected:
    void doBegin() override;
    void doWritePage(const PreparedPage& page, int pageNumber) override;
    void doEnd() override;
    void doAbort() override;

private:
    QList<QByteArray> m_pages;
    QStringList m_written;
};

} // namespace qrep

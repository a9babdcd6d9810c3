#pragma once

#include "ExportWriter.h"
#include "WriterSupport_p.h"

#include <QPainter>
#include <QPdfWriter>

#include <memory>

namespace qrep {

// A PDF document: each page painted by paintPage at 1200 dots per inch on paper of the page's
// size, the report's title as the document title, fonts embedded by Qt.
class PdfWriter final : public ExportWriter {
public:
    static constexpr int resolution = 1200;

    PdfWriter() : ExportWriter(ExportType::Pdf) {}
    ~PdfWriter() override;

protected:
    void doBegin() override;
    void doWritePage(const PreparedPage& page, int pageNumber) override;
    void doEnd() override;
    void doAbort() override;

private:
    detail::OutputFile m_out;
    std::unique_ptr<QPdfWriter> m_pdf;
    std::unique_ptr<QPainter> m_painter;
};

} // namespace qrep

#pragma once

#include "ExportWriter.h"
#include "WriterSupport_p.h"

namespace qrep {

// An HTML document (UTF-8, also well-formed XML) that keeps the layout of the pages: one
// <div class="page"> per page, the size of the paper, with each text item, rule and frame
// placed absolutely in millimetres, in its font, weight, style and alignment. The document's
// title is the report's title.
class HtmlWriter final : public ExportWriter {
public:
    HtmlWriter() : ExportWriter(ExportType::Html) {}

protected:
    void doBegin() override;
    void doWritePage(const PreparedPage& page, int pageNumber) override;
    void doEnd() override;
    void doAbort() override;

private:
    detail::OutputFile m_out;
};

} // namespace qrep

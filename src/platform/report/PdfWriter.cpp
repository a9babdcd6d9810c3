#include "PdfWriter.h"

#include <QPageLayout>
#include <QPageSize>

namespace qrep {

namespace {

QPageSize pageSizeOf(const PreparedPage& page)
{
    return QPageSize(page.sizeMm, QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
}

} // namespace

PdfWriter::~PdfWriter()
{
    doAbort();
}

void PdfWriter::doBegin()
{
    m_out.open(fileName());
    m_pdf = std::make_unique<QPdfWriter>(m_out.device());
    m_pdf->setResolution(resolution);
    m_pdf->setTitle(title());
    m_pdf->setCreator(QStringLiteral("Quillmark"));
    m_pdf->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

void PdfWriter::doWritePage(const PreparedPage& page, int pageNumber)
{
    const QPageSize size = pageSizeOf(page);
    if (pageNumber == 1) {
        m_pdf->setPageSize(size);
        m_painter = std::make_unique<QPainter>();
        if (!m_painter->begin(m_pdf.get()))
            fail(QStringLiteral("the PDF could not be started"));
    } else {
        if (!m_pdf->pageLayout().pageSize().isEquivalentTo(size))
            m_pdf->setPageSize(size);
        if (!m_pdf->newPage())
            fail(QStringLiteral("a page could not be added"));
    }
    paintPage(*m_painter, page, resolution / 25.4);
}

void PdfWriter::doEnd()
{
    if (!m_painter) { // a report without pages still gives a valid document: one blank page
        m_painter = std::make_unique<QPainter>();
        if (!m_painter->begin(m_pdf.get()))
            fail(QStringLiteral("the PDF could not be started"));
    }
    if (!m_painter->end())
        fail(QStringLiteral("the PDF could not be finished"));
    m_painter.reset();
    m_pdf.reset();
    m_out.commit();
}

void PdfWriter::doAbort()
{
    if (m_painter && m_painter->isActive())
        m_painter->end();
    m_painter.reset();
    m_pdf.reset();
    m_out.discard();
}

} // namespace qrep

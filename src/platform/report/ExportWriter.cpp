#include "ExportWriter.h"

#include "CsvWriter.h"
#include "HtmlWriter.h"
#include "PdfWriter.h"
#include "RtfWriter.h"
#include "TextWriter.h"
#include "WmfWriter.h"
#include "XlsWriter.h"

namespace qrep {

ExportError::ExportError(const QString& message)
    : std::runtime_error(message.toStdString())
    , m_message(message)
{
}

const QList<ExportFormat>& exportFormats()
{
    static const QList<ExportFormat> formats{
        {ExportType::PreparedReport, QStringLiteral("QuickReport files"), QStringLiteral(".qrp")},
        {ExportType::Text, QStringLiteral("Text files"), QStringLiteral(".txt")},
        {ExportType::Csv, QStringLiteral("CSV files"), QStringLiteral(".csv")},
        {ExportType::Html, QStringLiteral("HTML files"), QStringLiteral(".html")},
        {ExportType::Xls, QStringLiteral("Excel files"), QStringLiteral(".xls")},
        {ExportType::Rtf, QStringLiteral("RTF files"), QStringLiteral(".rtf")},
        {ExportType::Wmf, QStringLiteral("WMF files"), QStringLiteral(".wmf")},
        {ExportType::Pdf, QStringLiteral("PDF files"), QStringLiteral(".pdf")},
    };
    return formats;
}

QString exportFilterString()
{
    QStringList filters;
    for (const ExportFormat& f : exportFormats())
        filters << f.filter();
    return filters.join(QStringLiteral(";;"));
}

const ExportFormat& exportFormat(ExportType type)
{
    return exportFormats().at(int(type) - 1);
}

ExportWriter::~ExportWriter() = default; // a writer still open has its file discarded by the
                                         // concrete writer's destructor (see abort())

void ExportWriter::begin(const QString& fileName, const QString& title)
{
    if (m_open)
        abort();
    m_fileName = fileName;
    m_title = title;
    m_pages = 0;
    try {
        doBegin();
    } catch (...) {
        doAbort();
        throw;
    }
    m_open = true;
}

void ExportWriter::writePage(const PreparedPage& page)
{
    if (!m_open)
        fail(QStringLiteral("the export was not started or has already failed"));
    try {
        doWritePage(page, m_pages + 1);
    } catch (...) {
        abort();
        throw;
    }
    ++m_pages;
}

void ExportWriter::end()
{
    if (!m_open)
        fail(QStringLiteral("the export was not started or has already failed"));
    try {
        doEnd();
    } catch (...) {
        abort();
        throw;
    }
    m_open = false;
}

void ExportWriter::abort()
{
    if (m_open)
        doAbort();
    m_open = false;
}

void ExportWriter::fail(const QString& cause) const
{
    throw ExportError(QStringLiteral("Unable to write %1: %2").arg(m_fileName, cause));
}

std::unique_ptr<ExportWriter> createExportWriter(ExportType type)
{
    switch (type) {
    case ExportType::PreparedReport:
        return nullptr;
    case ExportType::Text:
        return std::make_unique<TextWriter>();
    case ExportType::Csv:
        return std::make_unique<CsvWriter>();
    case ExportType::Html:
        return std::make_unique<HtmlWriter>();
    case ExportType::Xls:
        return std::make_unique<XlsWriter>();
    case ExportType::Rtf:
        return std::make_unique<RtfWriter>();
    case ExportType::Wmf:
        return std::make_unique<WmfWriter>();
    case ExportType::Pdf:
        return std::make_unique<PdfWriter>();
    }
    return nullptr;
}

} // namespace qrep

#pragma once

#include "PreparedPage.h"

#include <QList>
#include <QString>

#include <memory>
#include <stdexcept>

namespace qrep {

// A write that failed: the file could not be opened, written or committed. The text names the
// file and the cause and is meant for the user.
class ExportError : public std::runtime_error {
public:
    explicit ExportError(const QString& message);
    QString message() const { return m_message; }

private:
    QString m_message;
};

// The types of the preview's Save dialog, in the order of its filter; the number is the
// 1-based index of the filter. Pdf comes after the seven types the report engine always had.
enum class ExportType {
    PreparedReport = 1, // ".qrp": the job saves its own pages; no writer
    Text = 2,
    Csv = 3,
    Html = 4,
    Xls = 5,
    Rtf = 6,
    Wmf = 7,
    Pdf = 8,
};

struct ExportFormat {
    ExportType type;
    QString description; // "CSV files"
    QString extension;   // ".csv"
    QString filter() const { return description + QStringLiteral(" (*") + extension + QLatin1Char(')'); }
};

// Every type of the Save dialog, in its filter order (type n at index n - 1).
const QList<ExportFormat>& exportFormats();
// The Save dialog's filter string, entries separated by ";;" (Qt's form of the filter list).
QString exportFilterString();
const ExportFormat& exportFormat(ExportType type);

// Writes the pages of one run of a report to one file (the metafile writer: one file per page,
// see WmfWriter.h). The caller drives it:
//
//     writer->begin(fileName, title);          // throws ExportError
//     for (each page, in order) writer->writePage(page);   // throws ExportError
//     writer->end();                            // throws ExportError; the file appears now
//
// Nothing appears under fileName before end() has succeeded: a writer writes into a temporary
// file beside the target (QSaveFile) or into memory, and end() commits it, replacing an existing
// file of that name. A run that stops early calls abort() (or just destroys the writer): the
// temporary file is removed and an existing file of that name stays as it was. After an
// ExportError from any call the writer is aborted; calling end() then throws again.
//
// Writers are not copyable; one writer serves one file.
class ExportWriter {
public:
    ExportWriter() = default;
    ExportWriter(const ExportWriter&) = delete;
    ExportWriter& operator=(const ExportWriter&) = delete;
    virtual ~ExportWriter();

    void begin(const QString& fileName, const QString& title);
    void writePage(const PreparedPage& page);
    void end();
    void abort();

    ExportType type() const { return m_type; }
    bool isOpen() const { return m_open; }
    QString fileName() const { return m_fileName; }
    QString title() const { return m_title; }
    int pagesWritten() const { return m_pages; }

protected:
    explicit ExportWriter(ExportType type) : m_type(type) {}

    // Hooks of the concrete writers. They throw ExportError; the base class then aborts.
    virtual void doBegin() = 0;
    virtual void doWritePage(const PreparedPage& page, int pageNumber) = 0; // pageNumber from 1
    virtual void doEnd() = 0;   // writes what is buffered and commits
    virtual void doAbort() = 0; // discards everything; must not throw

    [[noreturn]] void fail(const QString& cause) const;

private:
    ExportType m_type = ExportType::Text;
    bool m_open = false;
    int m_pages = 0;
    QString m_fileName;
    QString m_title;
};

// A new writer for one of the types 2 to 8; nullptr for PreparedReport (the job saves those).
std::unique_ptr<ExportWriter> createExportWriter(ExportType type);

} // namespace qrep

#include "ReportJob.h"

#include "ExportWriter.h"
#include "PageView.h"
#include "QrpFile.h"
#include "Report.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

namespace qrep {

namespace {

// Paints pages onto a printer, one after the other, starting the print job at the first page.
class PrinterOutput {
public:
    explicit PrinterOutput(QPrinter* printer) : m_printer(printer) { }
    ~PrinterOutput()
    {
        if (m_painter.isActive()) // an exception cut the print short
            m_printer->abort();
    }

    void paint(const PreparedPage& page)
    {
        const QPageSize size(page.sizeMm, QPageSize::Millimeter);
        if (!m_painter.isActive()) {
            m_printer->setFullPage(true);
            m_printer->setPageLayout(QPageLayout(size, page.sizeMm.width() > page.sizeMm.height() ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF()));
            if (!m_painter.begin(m_printer))
                throw ReportError(ReportError::Kind::Printer,
                    QStringLiteral("The printer \"%1\" cannot be used.").arg(m_printer->printerName().isEmpty() ? m_printer->outputFileName() : m_printer->printerName()));
        } else {
            if (!m_printer->newPage())
                throw ReportError(ReportError::Kind::Printer, QStringLiteral("The printer refused a new page."));
        }
        // Device pixels per millimetre of the paper.
        const double ppm = m_printer->resolution() / 25.4;
        paintPage(m_painter, page, ppm);
    }

    void finish()
    {
        if (m_painter.isActive() && !m_painter.end())
            throw ReportError(ReportError::Kind::Printer, QStringLiteral("The print job could not be completed."));
    }

private:
    QPrinter* m_printer;
    QPainter m_painter;
};

// The pages of a fresh run that fall in the range go to the printer as they are produced; when
// the printer cannot make copies itself they are also kept for the further copies.
class PrintSink final : public PageSink {
public:
    PrintSink(PrinterOutput& out, int from, int to, bool keep)
        : m_out(out), m_from(from), m_to(to), m_keep(keep)
    {
    }
    void addPage(PreparedPage page) override
    {
        ++m_number;
        if (m_number < m_from || (m_to > 0 && m_number > m_to))
            return;
        m_out.paint(page);
        if (m_keep)
            kept.append(std::move(page));
    }
    QList<PreparedPage> kept;

private:
    PrinterOutput& m_out;
    int m_from, m_to;
    bool m_keep;
    int m_number = 0;
};

class WriterSink final : public PageSink {
public:
    explicit WriterSink(ExportWriter& writer) : m_writer(writer) { }
    void addPage(PreparedPage page) override { m_writer.writePage(page); }

private:
    ExportWriter& m_writer;
};

const PreparedPage& emptyPage()
{
    static const PreparedPage page;
    return page;
}

} // namespace

ReportJob::ReportJob(QObject* parent)
    : QObject(parent)
{
}

ReportJob::ReportJob(Report* report, QObject* parent)
    : QObject(parent)
    , m_report(report)
    , m_state(State::NotStarted)
{
}

ReportJob::~ReportJob() = default; // the views hold the job through a QPointer

Report* ReportJob::report() const { return m_loaded ? nullptr : m_report.data(); }

const PreparedPage& ReportJob::page(int pageNumber) const
{
    if (pageNumber < 1 || pageNumber > m_pages.size()) {
        qWarning("qrep::ReportJob::page: page %d of %d", pageNumber, int(m_pages.size()));
        return emptyPage();
    }
    return m_pages.at(pageNumber - 1);
}

void ReportJob::beginProduction()
{
    m_state = State::Producing;
    emit stateChanged(m_state);
}

void ReportJob::addPage(PreparedPage page)
{
    m_pages.append(std::move(page));
    emit pageAvailable(int(m_pages.size()));
}

void ReportJob::finishProduction()
{
    if (m_state == State::Complete)
        return;
    m_state = State::Complete;
    // The last page-available notification already sees the job complete.
    emit pageAvailable(int(m_pages.size()));
    emit stateChanged(m_state);
    if (m_previewEndPending && !m_busy)
        finishPreviewEnd();
}

void ReportJob::checkIdle(const char* operation) const
{
    if (m_state != State::Complete)
        throw ReportError(ReportError::Kind::State,
            QStringLiteral("The report \"%1\" is still being produced; %2 is not possible yet.").arg(m_title, QLatin1String(operation)));
    if (m_busy)
        throw ReportError(ReportError::Kind::State,
            QStringLiteral("The report \"%1\" is being printed or exported; %2 is not possible now.").arg(m_title, QLatin1String(operation)));
}

void ReportJob::setBusy(bool busy)
{
    if (m_busy == busy)
        return;
    m_busy = busy;
    emit busyChanged(busy);
    if (!busy && m_previewEndPending && m_state == State::Complete)
        finishPreviewEnd();
}

namespace {
struct BusyGuard {
    std::function<void(bool)> set;
    explicit BusyGuard(std::function<void(bool)> s) : set(std::move(s)) { set(true); }
    ~BusyGuard() { set(false); }
};
} // namespace

void ReportJob::print(QPrinter* printer, const PrintSettings& settings)
{
    checkIdle("printing");
    if (!printer)
        throw ReportError(ReportError::Kind::Printer, QStringLiteral("No printer was chosen."));
    const int copies = std::max(1, settings.copies);
    const int from = std::max(1, settings.fromPage);
    const int to = settings.toPage;
    printer->setDocName(m_title);
    const bool printerCopies = copies > 1 && printer->supportsMultipleCopies();
    printer->setCopyCount(printerCopies ? copies : 1);
    const int ownCopies = printerCopies ? 1 : copies;

    BusyGuard busy([this](bool b) { setBusy(b); });
    PrinterOutput out(printer);
    if (Report* r = report()) {
        r->setPrintSettings(settings);
        PrintSink sink(out, from, to, ownCopies > 1);
        r->runFresh(sink);
        for (int c = 1; c < ownCopies; ++c)
            for (const PreparedPage& p : std::as_const(sink.kept))
                out.paint(p);
    } else {
        const int last = to > 0 ? std::min(to, pageCount()) : pageCount();
        for (int c = 0; c < ownCopies; ++c)
            for (int n = from; n <= last; ++n)
                out.paint(m_pages.at(n - 1));
    }
    out.finish();
}

void ReportJob::save(const QString& fileName) const
{
    checkIdle("saving");
    QrpFile::write(fileName, {m_title, m_pages});
}

void ReportJob::load(const QString& fileName)
{
    checkIdle("opening a file");
    QrpContents c = QrpFile::read(fileName); // throws before anything changes
    m_pages = std::move(c.pages);
    m_loaded = true;
    emit pagesReplaced();
    emit pageAvailable(int(m_pages.size()));
}

bool ReportJob::exportTo(ExportWriter& writer, const QString& fileName)
{
    checkIdle("exporting");
    Report* r = report();
    if (!r)
        return false;
    BusyGuard busy([this](bool b) { setBusy(b); });
    try {
        writer.begin(fileName, m_title);
        WriterSink sink(writer);
        r->runFresh(sink);
        writer.end();
    } catch (...) {
        writer.abort();
        throw;
    }
    return true;
}

void ReportJob::endPreview()
{
    if (m_previewEnded || m_previewEndPending)
        return;
    m_stopRequested = true;
    if (m_state == State::Producing || m_busy) {
        m_previewEndPending = true; // the run going on ends first
        return;
    }
    finishPreviewEnd();
}

void ReportJob::finishPreviewEnd()
{
    m_previewEndPending = false;
    if (m_previewEnded)
        return;
    m_previewEnded = true;
    emit previewEnded();
}

void ReportJob::attachView(PageView* view)
{
    if (!m_views.contains(view))
        m_views.append(view);
}

void ReportJob::detachView(PageView* view)
{
    if (m_views.removeAll(view) > 0 && m_views.isEmpty())
        endPreview();
}

} // namespace qrep

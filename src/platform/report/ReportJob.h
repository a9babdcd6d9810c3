#pragma once

#include "PreparedPage.h"
#include "ReportError.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QPrinter;

namespace qrep {

class ExportWriter;
class PageView;
class Report;
class ReportRun;

// What a print asks for. Pages are numbered from 1; toPage 0 means the last page.
struct PrintSettings {
    int copies = 1;
    int fromPage = 1;
    int toPage = 0;
    QString printerName; // informative: the printer chosen, as the print dialog named it

    friend bool operator==(const PrintSettings&, const PrintSettings&) = default;
};

// The pages of one run of a report, and what can be done with them: show, print, save to a
// prepared-report file (".qrp"), load such a file, export through a writer.
//
// A job comes into being in one of two ways:
// - Report::preview() creates it (report() is that report). Its state goes from NotStarted to
//   Producing when the first row is read and to Complete after the last page; pageAvailable()
//   is emitted after each finished page. Printing and exporting such a job run the report
//   again (a fresh run: every handler of the report runs again), straight to the printer or the
//   writer; the pages shown are never touched by those runs.
// - A default-constructed job has no report; load() fills it from a file. It prints its stored
//   pages and exports nothing.
//
// Everything happens on the user-interface thread. While pages are produced, and while a fresh
// run prints or exports, the engine processes pending events between rows, so a window can
// page, zoom and close meanwhile. The rules for that time:
// - Producing (the preview's own run): pages already produced can be shown. print(), save(),
//   exportTo() and load() are refused with ReportError::Kind::State: print and save need the
//   complete job, a fresh run would move the report's data sets under the run still reading
//   them, and a file is never loaded into a job that is still being produced.
// - Busy (a fresh print or export run is going on, isBusy()): load(), save(), print() and
//   exportTo() are refused with ReportError::Kind::State. endPreview() during that time does
//   NOT cut the run short: the run reads the report's data to its end and its file or print
//   job is completed, and only then does the preview end (previewEnded(), the report's
//   after-preview handler, Report::preview() returning). So the data the run reads stay
//   available until it has ended; the window stays painted because events keep being
//   processed. Only the program's termination (QCoreApplication::aboutToQuit) cancels a fresh
//   run: the writer is aborted (nothing appears under its file name) and the printer job is
//   aborted, and the call throws ReportError.
class ReportJob : public QObject {
    Q_OBJECT
public:
    enum class State { NotStarted, Producing, Complete };
    Q_ENUM(State)

    // An empty job with no report behind it (for load()). State Complete, no pages.
    explicit ReportJob(QObject* parent = nullptr);
    ~ReportJob() override;

    // The report's title, or the title stored in a loaded file (empty when none).
    QString title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }

    State state() const { return m_state; }
    // The pages available so far (the final count once Complete).
    int pageCount() const { return int(m_pages.size()); }
    // Page 1 .. pageCount(). Out of range: a soft assert and an empty page.
    const PreparedPage& page(int pageNumber) const;
    const QList<PreparedPage>& pages() const { return m_pages; }

    // The report that produced these pages; nullptr for an empty job and after load().
    Report* report() const;
    bool hasReport() const { return report() != nullptr; }
    // True when the pages came from load() (after a load the job has no report any more).
    bool isLoadedFromFile() const { return m_loaded; }
    // A fresh print or export run is going on.
    bool isBusy() const { return m_busy; }
    // The state allows print(); for a report job also that no run is going on.
    bool canPrint() const { return m_state == State::Complete && !m_busy; }
    // exportTo() would write something: a complete report job with no run going on.
    bool canExport() const { return hasReport() && m_state == State::Complete && !m_busy; }

    // Prints pages fromPage..toPage (clamped to the pages there are; toPage 0 = the last page),
    // `copies` times, on `printer` (already set up, e.g. by the print dialog; the job sets its
    // document name to the title and lets the printer collate when it can). A report job has
    // the report produce itself again for the print (the whole run goes through every row,
    // so the handlers see every row, but only the chosen pages reach the printer); its
    // settings are also written into the report's print settings. A loaded job prints its
    // stored pages. Throws ReportError (State: producing or busy; Printer: the printer cannot
    // be opened or printing failed).
    void print(QPrinter* printer, const PrintSettings& settings);

    // Writes the pages to a prepared-report file (see QrpFile.h for the format), replacing a
    // file of that name only once everything is written. Throws ReportError (State when the
    // job is not Complete or busy; File when the file cannot be written).
    void save(const QString& fileName) const;
    // Replaces the pages with those of a file; the title stays as it is (the window decides
    // what to show when it is empty). The job then has no report behind it for printing and
    // exporting (hasReport() false, print() prints the stored pages) but a preview it belongs
    // to still ends as usual. State Complete; emits pagesReplaced() and pageAvailable(count).
    // A damaged or foreign file is refused with ReportError::Kind::File and the pages stay as
    // they were. Refused with Kind::State while producing or busy.
    void load(const QString& fileName);

    // Exports a report job: the report produces itself again through the writer
    // (writer.begin(fileName, title), writePage() for every page in order, writer.end()). A
    // writer error (ExportError) propagates after the writer is aborted, so no half-written
    // file ever appears. Returns false and writes nothing for a job with no report behind it
    // (a loaded file). Throws ReportError::Kind::State while producing or busy.
    bool exportTo(ExportWriter& writer, const QString& fileName);

    // The end of the preview (a page view detaching from the job does this too, when it is the
    // last one attached). While the preview's run is producing, production stops after the
    // current row. During a fresh print or export run the end is deferred until that run has
    // ended (see above). Then previewEnded() is emitted once; Report::preview() returns after
    // the report's after-preview handler. Harmless when no preview is running.
    void endPreview();
    bool isPreviewEnded() const { return m_previewEnded; }

signals:
    // A page was finished; `pagesSoFar` pages are available now. Also emitted once after a
    // load() with the loaded count, and once when production ends (with the final count).
    void pageAvailable(int pagesSoFar);
    void stateChanged(qrep::ReportJob::State state);
    // load() replaced every page (show page 1 again).
    void pagesReplaced();
    // A fresh print or export run began or ended (isBusy() changed).
    void busyChanged(bool busy);
    // The preview is over (see endPreview()).
    void previewEnded();

private:
    friend class Report;
    friend class PageView;

    // Used by Report for the preview's run.
    ReportJob(Report* report, QObject* parent);
    void beginProduction();
    void addPage(PreparedPage page);
    void finishProduction();
    bool stopRequested() const { return m_stopRequested; }
    // Used by PageView.
    void attachView(PageView* view);
    void detachView(PageView* view);

    void checkIdle(const char* operation) const;
    void setBusy(bool busy);
    void finishPreviewEnd();

    QPointer<Report> m_report;
    QString m_title;
    State m_state = State::Complete;
    QList<PreparedPage> m_pages;
    QList<PageView*> m_views;
    bool m_loaded = false;
    bool m_busy = false;
    bool m_stopRequested = false;
    bool m_previewEndPending = false;
    bool m_previewEnded = false;
};

} // namespace qrep

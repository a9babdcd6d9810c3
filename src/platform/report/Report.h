#pragma once

#include "ReportJob.h"
#include "ReportTemplate.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

#include "Dataset.h"

class QPrinter;

namespace qrep {

class ExportWriter;
class ReportRun;

// Receives the pages of a run as they are finished.
class PageSink {
public:
    virtual ~PageSink() = default;
    virtual void addPage(PreparedPage page) = 0;
};

// A banded report: a template, the data sets its expressions read, and the handlers a form
// attaches. One report can run many times (a preview, then a fresh run for every print and
// every export); every run restarts its sums, raises every handler again, and so prints the
// same figures.
//
// Running a report (one run):
// 1. The names lookup list is reset to the report's data set and the data sets added with
//    addDataSet(); then the before-print handler runs (it may add others with
//    addRunDataSet()). Sums restart; the run date and time are taken once.
// 2. The title band prints at the top of page 1, then the column header (repeated at the top
//    of every page). An empty data set prints only those and the summary (print-if-empty), or
//    nothing at all when printIfEmpty is off.
// 3. For each row of the data set: group breaks are found by comparing each group header's
//    expression with its value in the previous row; the outermost group that changed breaks
//    every group inside it. The footers of the broken groups print, innermost first (with the
//    previous row current), then their headers, outermost first. Then the detail band: (a) its
//    before-print handler (which may suppress it), (b) every SUM() of the report adds the row's
//    values, (c) its elements print, each raising its print handler with its formatted text,
//    (d) its after-print handler, (e) its child bands the same way. Pending events are
//    processed after each row; a stop request (the end of the preview) ends the run there.
// 4. After the last row: the footers of every group, innermost first; then the summary.
// 5. The page footer prints at the bottom of every page, the last one included.
// Each band with a link (keep-with) prints on the current page only when the space left also
// holds every band of its chain at design height; otherwise a new page begins first (see
// BandLayout). A SUM() in a group footer restarts after that footer has printed; in the
// summary it runs over the whole report.
//
// Names in expressions: "FIELD" is looked up, case-insensitively, in the report's data set and
// then in every data set of the lookup list, in the order added; "QFac.SUM OF TemNbrHeu" is
// looked up in the data set named QFac (its name as added, else its objectName()).
class Report : public QObject {
    Q_OBJECT
public:
    // Handler of a band about to print: set `print` to false to keep it from printing.
    using BeforeBandHandler = std::function<void(const BandDef& band, bool& print)>;
    using AfterBandHandler = std::function<void(const BandDef& band, bool printed)>;
    // Handler of an element printing, with its formatted text (which it may change).
    using PrintHandler = std::function<void(const ElementDef& element, QString& text)>;
    using Handler = std::function<void()>;
    using PreviewHandler = std::function<void(ReportJob& job)>;

    explicit Report(QObject* parent = nullptr);
    explicit Report(ReportTemplate reportTemplate, QObject* parent = nullptr);
    ~Report() override;

    const ReportTemplate& reportTemplate() const { return m_template; }
    // Checks every expression; throws ReportError(Template) on a syntax error.
    void setTemplate(ReportTemplate reportTemplate);

    // The report title (ReportTitle): the job's title; the template's title unless set.
    QString title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }

    // The data set the run goes through row by row (not owned). nullptr: one pass with no rows.
    void setDataSet(qdb::Dataset* dataSet, const QString& name = QString());
    qdb::Dataset* dataSet() const { return m_dataSet; }
    // A data set in which the names of expressions are looked up at every run (the data sets
    // of the report's own form). Not owned; name: the qualifier in expressions (empty: the
    // data set's objectName()).
    void addDataSet(qdb::Dataset* dataSet, const QString& name = QString());
    // Adds a data set owned elsewhere to the lookup list of the run that is starting: called
    // from the before-print handler, it lasts until the end of that run.
    void addRunDataSet(qdb::Dataset* dataSet, const QString& name = QString());

    // Run-time caption of a Label element (a handler writes subtotals into labels); empty
    // name or no such label: a soft assert. The design-time caption comes back with
    // resetCaptions().
    void setCaption(const QString& elementName, const QString& text);
    QString caption(const QString& elementName) const;
    void resetCaptions();

    // Handlers. Band and element names are case-insensitive; one handler per name and event.
    void setOnPreview(PreviewHandler handler) { m_onPreview = std::move(handler); }
    void setOnAfterPreview(Handler handler) { m_onAfterPreview = std::move(handler); }
    void setOnBeforePrint(Handler handler) { m_onBeforePrint = std::move(handler); } // each run
    void setOnAfterPrint(Handler handler) { m_onAfterPrint = std::move(handler); }   // each run
    void setBeforePrint(const QString& bandName, BeforeBandHandler handler);
    void setAfterPrint(const QString& bandName, AfterBandHandler handler);
    void setOnPrint(const QString& elementName, PrintHandler handler);

    PrintSettings printSettings() const { return m_printSettings; }
    void setPrintSettings(const PrintSettings& settings) { m_printSettings = settings; }

    // The preview: creates the job, raises the preview handler with it (the handler creates a
    // window, attaches a PageView to the job and shows it without waiting), produces the pages
    // while processing pending events between rows, then keeps processing events until the
    // preview ends (ReportJob::endPreview(), e.g. the last page view detached) or the program
    // quits; raises the after-preview handler and returns. Without a preview handler the pages
    // are produced and the preview ends at once (nothing would ever show them).
    void preview();
    // The job of the current or last preview; nullptr before the first. It lives until the next
    // preview starts or the report goes. A preview cannot start while another is going on
    // (ReportError(State)).
    ReportJob* job() const { return m_job.get(); }
    bool isRunning() const { return m_running; }

    // One run without a preview, all pages into a list (tests, tools).
    QList<PreparedPage> prepare();
    // One run into a sink. Pending events are processed between rows when processEvents.
    void run(PageSink& sink, bool processEvents = false);

    // A stop request for the run going on (it ends after the current row).
    void requestStop() { m_stop = true; }

signals:
    void runStarted();
    void runFinished();

private:
    friend class ReportJob;
    friend class ReportRun;

    struct NamedDataSet {
        QPointer<qdb::Dataset> dataSet;
        QString name;
    };

    // A fresh run for a job's print or export (ReportJob uses these).
    void runFresh(PageSink& sink);
    void checkNotRunning() const;
    QString qualifierOf(qdb::Dataset* dataSet, const QString& name) const;

    ReportTemplate m_template;
    QString m_title;
    QPointer<qdb::Dataset> m_dataSet;
    QString m_dataSetName;
    QList<NamedDataSet> m_ownDataSets;
    QList<NamedDataSet> m_runDataSets;
    QHash<QString, QString> m_captions; // lower-case element name -> caption
    QHash<QString, BeforeBandHandler> m_beforeBand;
    QHash<QString, AfterBandHandler> m_afterBand;
    QHash<QString, PrintHandler> m_onPrintElement;
    PreviewHandler m_onPreview;
    Handler m_onAfterPreview, m_onBeforePrint, m_onAfterPrint;
    PrintSettings m_printSettings;
    std::unique_ptr<ReportJob> m_job;
    bool m_running = false;
    bool m_previewing = false;
    bool m_stop = false;
    ReportRun* m_run = nullptr;
};

} // namespace qrep

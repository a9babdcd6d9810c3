#pragma once

#include "ExportWriter.h"
#include "HelpContexts.h"
#include "Report.h"
#include "ReportJob.h"

#include <QMainWindow>
#include <QPointer>
#include <QPrinter>

namespace qrep {
class PageView;
}

namespace Ui {
class TFPreview;
}

// The report preview window FPreview: pages, zoom, print, save and export, open, close.
//
// It works on two objects it does not own: the report job attached to its page view QRPreview1,
// and the report that produced the job (SourceReport), into which the print settings go. A
// report's preview handler hands over with showPreview(); the window destroys itself when it
// closes, and its closing ends the preview (the page view detaches from the job, so the report's
// after-preview handler runs and Report::preview() returns).
//
// Decided here:
// - Open and Save (every type) are available once the job is complete, as Print; while pages are
//   being produced, and while a print or an export started here runs, they are disabled, so a
//   file is never loaded into a job that is still being produced. Paging, zooming and Close stay
//   available throughout.
// - Closing while a print or an export started here is still running (Close, or the focus going
//   to another window meanwhile) is deferred: the window stays shown and painted (events keep
//   being processed by the run) and closes as soon as the run has ended, so the run keeps the
//   report's data until its file or print job is complete. The same holds for every command of
//   the window: a close asked for while one runs takes effect when it returns.
// - A message box of the window (a file that cannot be opened or written) takes the focus, and
//   so the window closes after it, like any loss of focus to another window of the program;
//   the file, open and print dialogs of the window itself do not count as another window.
// - Export of a job loaded from a file writes nothing (types 2 to 8 alike: there is no report
//   behind it to produce itself again).
class TFPreview : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int HelpContext = HelpContexts::Preview;

    explicit TFPreview(QWidget* parent = nullptr);
    ~TFPreview() override;

    // The hand-over of a report's preview handler: a new window, the program's current preview
    // window (FPreview), with SourceReport set and the job attached, shown without waiting.
    static TFPreview* showPreview(qrep::Report* sourceReport, qrep::ReportJob& job);

    qrep::Report* sourceReport() const { return m_sourceReport; }
    void setSourceReport(qrep::Report* report) { m_sourceReport = report; }
    // Attaches the job (not owned) to the page view and follows its state.
    void attachJob(qrep::ReportJob* job);
    qrep::ReportJob* job() const { return m_job; }
    qrep::PageView* pageView() const;
    Ui::TFPreview* form() const { return ui; }

    bool firstPagePending() const { return m_firstPagePending; }
    // The print dialog's settings (PrintDialog1): the printer chosen last, the page range
    // preset from 1 to the final page count.
    QPrinter* printer() { return &m_printer; }
    int printMinPage() const { return 1; }
    int printMaxPage() const { return m_printMaxPage; }

    // The name Save writes: a name without any "." gets the extension of the chosen type.
    static QString withExtension(const QString& fileName, qrep::ExportType type);
    // The Save dialog's filter, types in order ("QuickReport files (*.qrp)|*.qrp|...").
    static QString saveFilter();
    static QString openFilter();

    // Commands, as the toolbar and the menu run them.
    void FirstPageClick();
    void PriorPageClick();
    void NextPageClick();
    void LastPageClick();
    void PageWidthClick();
    void Zoom100Click();
    void EntirePageClick();
    void PrintClick();
    void OpenClick();
    void SaveClick();
    void CloseClick();
    void SpinPageChange(int page);
    void SpinZoomChange(int percent);
    // The job's notification, relayed by the page view: pageNum pages are available.
    void QRPreview1PageAvailable(int pageNum);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class Command;
    void FormShow();
    void firstPageInitialisation();
    void updateCommands();
    void showZoom(int percent);
    void pressZoomButton(QWidget* button);
    void setPageSelector(int value, int maximum);
    void tell(const QString& caption, const QString& text);
    void requestClose();
    void onFocusWindowChanged(QWindow* window);
    QString pagesText(int count, const QString& separator) const;

    Ui::TFPreview* ui;
    QPointer<qrep::Report> m_sourceReport;
    QPointer<qrep::ReportJob> m_job;
    qrep::ReportJob* m_ownJob = nullptr; // for Open in a window shown without a job
    QPrinter m_printer;
    int m_printMaxPage = 1;
    bool m_firstPagePending = false;
    bool m_printAllowed = false; // the job was complete once; Print is not held back any more
    bool m_shownOnce = false;
    int m_commandDepth = 0;
    bool m_closePending = false;
    bool m_inOwnDialog = false;
    bool m_closing = false;
};

// The program's current preview window; nullptr when none is open.
extern TFPreview* FPreview;

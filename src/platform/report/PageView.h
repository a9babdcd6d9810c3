#pragma once

#include "PreparedPage.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QPointer>

namespace qrep {

class ReportJob;

// Shows one page of a report job at a zoom, centred on a grey desk with scroll bars that move
// the page while they are dragged. The page is painted into a QImage (raster engine) that is
// kept until the page, the zoom or the job changes, so scrolling only blits.
//
// Zoom is a percentage of the page's real size on the screen (100 = one millimetre of paper
// is one millimetre of screen, from the screen's logical DPI), 10 to 300 as a zoom selector
// offers, though setZoom() takes any value from 1 to 1000. zoomToPageWidth() and
// zoomToEntirePage() compute the zoom at which the page's width, or the whole page, fits the
// viewport, and keep fitting while the view is resized (until setZoom() is called);
// zoomChanged() tells the resulting zoom.
//
// The view attaches itself to the job it shows and relays the job's pageAvailable(). When it
// is detached (setJob(nullptr), another job, or destruction) and it was the last view of the
// job, the job's preview ends (ReportJob::endPreview()).
class PageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum class FitMode { None, PageWidth, EntirePage };

    explicit PageView(QWidget* parent = nullptr);
    ~PageView() override;

    // Attaches to a job (not owned) and shows its page 1 (or nothing until it has a page).
    void setJob(ReportJob* job);
    ReportJob* job() const;

    // The page shown, from 1; 0 while the job has no page.
    int pageNumber() const { return m_page; }
    int zoom() const { return m_zoom; }
    FitMode fitMode() const { return m_fit; }

    // What paintEvent puts on the screen for the current page: the page alone, rendered at the
    // current zoom (paper white, items painted by paintPage). Null while no page is shown.
    QImage pageImage() const;
    // The page area in device-independent pixels at the current zoom.
    QSize pageSizePixels() const;
    // Renders any page of any job at a scale, for tests and thumbnails.
    static QImage renderPage(const PreparedPage& page, double pixelsPerMm);

public slots:
    // Shows page n; ignored when n is below 1 or above the job's page count.
    void showPage(int pageNumber);
    void setZoom(int percent);
    void zoomToPageWidth();
    void zoomToEntirePage();

signals:
    // The job made pages available; `pagesSoFar` pages can be shown now.
    void pageAvailable(int pagesSoFar);
    void pageChanged(int pageNumber);
    void zoomChanged(int percent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    QSize sizeHint() const override;

private:
    void onPageAvailable(int pagesSoFar);
    void onPagesReplaced();
    void detach();
    double pixelsPerMm() const;
    QSizeF pageSizeMm() const;
    void applyFit();
    void updateScrollBars();
    void invalidate();

    QPointer<ReportJob> m_job;
    int m_page = 0;
    int m_zoom = 100;
    FitMode m_fit = FitMode::None;
    mutable QImage m_cache;
    mutable int m_cachePage = 0;
    mutable int m_cacheZoom = 0;
};

} // namespace qrep

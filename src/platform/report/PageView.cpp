#include "PageView.h"

#include "ReportJob.h"

#include <QPainter>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

#include <cmath>

namespace qrep {

namespace {
constexpr int Margin = 12;     // desk around the page, in pixels
constexpr int MinZoom = 1;
constexpr int MaxZoom = 1000;
const QColor DeskColor(128, 128, 128);
} // namespace

PageView::PageView(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Scroll bars move the page while they are dragged.
    horizontalScrollBar()->setTracking(true);
    verticalScrollBar()->setTracking(true);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
}

PageView::~PageView() { detach(); }

ReportJob* PageView::job() const { return m_job.data(); }

void PageView::detach()
{
    if (m_job) {
        disconnect(m_job, nullptr, this, nullptr);
        ReportJob* job = m_job;
        m_job = nullptr;
        job->detachView(this);
    }
}

void PageView::setJob(ReportJob* job)
{
    if (job == m_job)
        return;
    detach();
    m_job = job;
    m_page = 0;
    if (m_job) {
        m_job->attachView(this);
        connect(m_job, &ReportJob::pageAvailable, this, &PageView::onPageAvailable);
        connect(m_job, &ReportJob::pagesReplaced, this, &PageView::onPagesReplaced);
        connect(m_job, &QObject::destroyed, this, [this] {
            m_page = 0;
            invalidate();
        });
        if (m_job->pageCount() > 0)
            m_page = 1;
    }
    invalidate();
    applyFit();
    emit pageChanged(m_page);
}

void PageView::onPageAvailable(int pagesSoFar)
{
    if (m_page == 0 && pagesSoFar > 0) {
        m_page = 1;
        invalidate();
        applyFit();
        emit pageChanged(m_page);
    }
    emit pageAvailable(pagesSoFar);
}

void PageView::onPagesReplaced()
{
    m_page = (m_job && m_job->pageCount() > 0) ? 1 : 0;
    invalidate();
    applyFit();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    emit pageChanged(m_page);
}

void PageView::showPage(int pageNumber)
{
    if (!m_job || pageNumber < 1 || pageNumber > m_job->pageCount())
        return;
    if (pageNumber == m_page)
        return;
    m_page = pageNumber;
    invalidate();
    updateScrollBars();
    verticalScrollBar()->setValue(0);
    emit pageChanged(m_page);
}

void PageView::setZoom(int percent)
{
    m_fit = FitMode::None;
    percent = std::clamp(percent, MinZoom, MaxZoom);
    if (percent == m_zoom)
        return;
    m_zoom = percent;
    invalidate();
    emit zoomChanged(m_zoom);
}

void PageView::zoomToPageWidth()
{
    m_fit = FitMode::PageWidth;
    applyFit();
}

void PageView::zoomToEntirePage()
{
    m_fit = FitMode::EntirePage;
    applyFit();
}

QSizeF PageView::pageSizeMm() const
{
    if (m_job && m_page >= 1 && m_page <= m_job->pageCount())
        return m_job->page(m_page).sizeMm;
    return PreparedPage().sizeMm;
}

double PageView::pixelsPerMm() const { return logicalDpiX() / 25.4 * m_zoom / 100.0; }

QSize PageView::pageSizePixels() const
{
    const QSizeF mm = pageSizeMm();
    const double ppm = pixelsPerMm();
    return QSize(qRound(mm.width() * ppm), qRound(mm.height() * ppm));
}

void PageView::applyFit()
{
    if (m_fit == FitMode::None)
        return;
    const QSizeF mm = pageSizeMm();
    const double unit = logicalDpiX() / 25.4 / 100.0; // pixels per mm per zoom percent
    const QSize area = maximumViewportSize();
    const int scroll = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    int zoom = m_zoom;
    if (m_fit == FitMode::PageWidth) {
        // The page will be taller than the view: leave room for the vertical scroll bar.
        const double width = area.width() - 2 * Margin - scroll;
        zoom = int(std::floor(width / (mm.width() * unit)));
    } else {
        const double zw = (area.width() - 2 * Margin) / (mm.width() * unit);
        const double zh = (area.height() - 2 * Margin) / (mm.height() * unit);
        zoom = int(std::floor(std::min(zw, zh)));
    }
    zoom = std::clamp(zoom, MinZoom, MaxZoom);
    if (zoom != m_zoom) {
        m_zoom = zoom;
        invalidate();
        emit zoomChanged(m_zoom);
    } else {
        updateScrollBars();
    }
}

void PageView::invalidate()
{
    m_cache = QImage();
    m_cachePage = 0;
    updateScrollBars();
    viewport()->update();
}

void PageView::updateScrollBars()
{
    const QSize page = m_page > 0 ? pageSizePixels() : QSize();
    const QSize view = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, page.width() + 2 * Margin - view.width()));
    verticalScrollBar()->setRange(0, std::max(0, page.height() + 2 * Margin - view.height()));
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setPageStep(view.height());
}

QImage PageView::renderPage(const PreparedPage& page, double pixelsPerMm)
{
    const QSize size(qRound(page.sizeMm.width() * pixelsPerMm), qRound(page.sizeMm.height() * pixelsPerMm));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paintPage(p, page, pixelsPerMm);
    p.end();
    return image;
}

QImage PageView::pageImage() const
{
    if (!m_job || m_page < 1 || m_page > m_job->pageCount())
        return QImage();
    if (m_cache.isNull() || m_cachePage != m_page || m_cacheZoom != m_zoom) {
        const double dpr = devicePixelRatioF();
        m_cache = renderPage(m_job->page(m_page), pixelsPerMm() * dpr);
        m_cache.setDevicePixelRatio(dpr);
        m_cachePage = m_page;
        m_cacheZoom = m_zoom;
    }
    return m_cache;
}

void PageView::paintEvent(QPaintEvent* event)
{
    QPainter p(viewport());
    p.fillRect(event->rect(), DeskColor);
    const QImage image = pageImage();
    if (image.isNull())
        return;
    const QSize page = pageSizePixels();
    const QSize view = viewport()->size();
    // Centred when it is smaller than the view, else moved by the scroll bars.
    const int x = page.width() + 2 * Margin <= view.width() ? (view.width() - page.width()) / 2 : Margin - horizontalScrollBar()->value();
    const int y = page.height() + 2 * Margin <= view.height() ? (view.height() - page.height()) / 2 : Margin - verticalScrollBar()->value();
    p.fillRect(QRect(x + 3, y + 3, page.width(), page.height()), QColor(64, 64, 64)); // shadow
    p.drawImage(QPoint(x, y), image);
    p.setPen(QColor(32, 32, 32));
    p.drawRect(QRect(x, y, page.width(), page.height()).adjusted(0, 0, -1, -1));
}

void PageView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    applyFit();
    updateScrollBars();
}

void PageView::scrollContentsBy(int, int) { viewport()->update(); }

QSize PageView::sizeHint() const { return QSize(640, 800); }

} // namespace qrep

// The page view: one page of a job at a zoom, page width and entire page, scroll bars, the
// page-available notifications, painting into a QImage, and the end of the preview when the
// last view detaches. Set QREP_RENDER_DIR to keep PNG renderings of the demonstration pages.
#include "DemoReport.h"
#include "TestEnv.h"

#include "PageView.h"

#include <QDir>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>

using namespace qrep;

namespace {

struct Fixture {
    TestEnv env;
    qdb::MemTable work;
    std::unique_ptr<qdb::MemTable> sys = demo::makeSysTable();
    Report report{ReportTemplate::fromJson(demo::TemplateJson)};

    Fixture()
    {
        demo::defineWorkTable(work);
        demo::fillDemoRows(work);
        report.setDataSet(&work);
        demo::attachHandlers(report, work, *sys);
        report.setCaption(QStringLiteral("QRLabel6"), QStringLiteral("From 3/4/24 to 3/10/24"));
        report.preview(); // no window: the pages are produced and the preview ends at once
    }
    ReportJob* job() { return report.job(); }
};

double unit(const QWidget& w) { return w.logicalDpiX() / 25.4 / 100.0; } // pixels per mm per percent

void keep(const QImage& image, const QString& name)
{
    const QString dir = qEnvironmentVariable("QREP_RENDER_DIR");
    if (!dir.isEmpty())
        image.save(QDir(dir).filePath(name));
}

} // namespace

class TestPageView : public QObject {
    Q_OBJECT
private slots:
    void showsPageOneAndIgnoresPagesOutOfRange();
    void zoomPercent();
    void zoomToPageWidth();
    void zoomToEntirePage();
    void scrollBars();
    void paintsThePage();
    void relaysPagesAsTheyBecomeAvailable();
    void lastViewDetachingEndsThePreview();
    void jobGoneWhileShown();
};

void TestPageView::showsPageOneAndIgnoresPagesOutOfRange()
{
    Fixture f;
    PageView view;
    QCOMPARE(view.pageNumber(), 0);
    QVERIFY(view.pageImage().isNull());
    QSignalSpy changed(&view, &PageView::pageChanged);
    view.setJob(f.job());
    QCOMPARE(view.job(), f.job());
    QCOMPARE(view.pageNumber(), 1);
    view.showPage(2);
    QCOMPARE(view.pageNumber(), 2);
    view.showPage(0);
    view.showPage(3);
    view.showPage(-1);
    QCOMPARE(view.pageNumber(), 2);
    QCOMPARE(changed.size(), 2);
    view.setJob(nullptr);
    QCOMPARE(view.pageNumber(), 0);
}

void TestPageView::zoomPercent()
{
    Fixture f;
    PageView view;
    view.setJob(f.job());
    QCOMPARE(view.zoom(), 100);
    QSignalSpy zoomed(&view, &PageView::zoomChanged);
    view.setZoom(44);
    QCOMPARE(view.zoom(), 44);
    QCOMPARE(zoomed.size(), 1);
    QCOMPARE(view.pageSizePixels(), QSize(qRound(215.9 * unit(view) * 44), qRound(279.4 * unit(view) * 44)));
    view.setZoom(44);
    QCOMPARE(zoomed.size(), 1);
    view.setZoom(0);
    QCOMPARE(view.zoom(), 1);
    view.setZoom(5000);
    QCOMPARE(view.zoom(), 1000);
}

void TestPageView::zoomToPageWidth()
{
    Fixture f;
    PageView view;
    view.resize(900, 600);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.setJob(f.job());
    QSignalSpy zoomed(&view, &PageView::zoomChanged);
    view.zoomToPageWidth();
    QCOMPARE(view.fitMode(), PageView::FitMode::PageWidth);
    QCOMPARE(zoomed.size(), 1);
    QCOMPARE(zoomed.at(0).at(0).toInt(), view.zoom());
    // The page's width fills the view (beside the vertical scroll bar), one percent more would not fit.
    const int scroll = view.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &view);
    const int room = view.maximumViewportSize().width() - 24 - scroll;
    QVERIFY(view.pageSizePixels().width() <= room);
    QVERIFY(qRound(215.9 * unit(view) * (view.zoom() + 1)) > room);
    QVERIFY(view.verticalScrollBar()->maximum() > 0); // taller than the view
    // Resizing keeps the fit; choosing a zoom ends it.
    const int before = view.zoom();
    view.resize(1200, 600);
    QTRY_VERIFY(view.zoom() > before);
    view.setZoom(100);
    QCOMPARE(view.fitMode(), PageView::FitMode::None);
    view.resize(700, 600);
    QCOMPARE(view.zoom(), 100);
}

void TestPageView::zoomToEntirePage()
{
    Fixture f;
    PageView view;
    view.resize(900, 600);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.setJob(f.job());
    view.zoomToEntirePage();
    QCOMPARE(view.fitMode(), PageView::FitMode::EntirePage);
    const QSize page = view.pageSizePixels();
    const QSize room = view.maximumViewportSize() - QSize(24, 24);
    QVERIFY(page.width() <= room.width() && page.height() <= room.height());
    QVERIFY(qRound(279.4 * unit(view) * (view.zoom() + 1)) > room.height()); // the height limits it here
    QCOMPARE(view.verticalScrollBar()->maximum(), 0);
    QCOMPARE(view.horizontalScrollBar()->maximum(), 0);
}

void TestPageView::scrollBars()
{
    Fixture f;
    PageView view;
    view.resize(600, 500);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.setJob(f.job());
    view.setZoom(200);
    QTRY_VERIFY(view.horizontalScrollBar()->maximum() > 0);
    QVERIFY(view.verticalScrollBar()->maximum() > 0);
    QCOMPARE(view.verticalScrollBar()->maximum(), view.pageSizePixels().height() + 24 - view.viewport()->height());
    QVERIFY(view.verticalScrollBar()->hasTracking()); // the page moves while the bar is dragged
    // Scrolling moves the page: the top-left of the viewport shows another part of it.
    const QImage top = view.viewport()->grab().toImage();
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    const QImage bottom = view.viewport()->grab().toImage();
    QVERIFY(top != bottom);
    // Another page starts at its top again.
    view.showPage(2);
    QCOMPARE(view.verticalScrollBar()->value(), 0);
}

void TestPageView::paintsThePage()
{
    Fixture f;
    PageView view;
    view.resize(900, 1100);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.setJob(f.job());
    view.zoomToPageWidth();
    const QImage page = view.pageImage();
    QCOMPARE(page.size() / page.devicePixelRatio(), view.pageSizePixels());
    QCOMPARE(page.pixelColor(2, 2), QColor(Qt::white));
    // Ink where the title is: centred, 11 mm from the top.
    const double ppm = view.pageSizePixels().width() / 215.9;
    bool ink = false;
    for (int x = int(60 * ppm); x < int(150 * ppm) && !ink; ++x)
        for (int y = int(12 * ppm); y < int(17 * ppm) && !ink; ++y)
            ink = page.pixelColor(x, y).lightness() < 128;
    QVERIFY(ink);
    keep(page, QStringLiteral("pageview-width-page1.png"));
    // The widget: grey desk around a white page.
    view.zoomToEntirePage();
    const QImage shot = view.grab().toImage();
    QCOMPARE(shot.pixelColor(1, 1), QColor(128, 128, 128));
    QCOMPARE(shot.pixelColor(shot.width() / 2, shot.height() / 2 + 1).lightness() > 200, true);
    keep(shot, QStringLiteral("pageview-entire-page1.png"));
    view.showPage(2);
    keep(view.grab().toImage(), QStringLiteral("pageview-entire-page2.png"));
    keep(PageView::renderPage(f.job()->page(1), 6), QStringLiteral("demo-page1.png"));
    keep(PageView::renderPage(f.job()->page(2), 6), QStringLiteral("demo-page2.png"));
}

void TestPageView::relaysPagesAsTheyBecomeAvailable()
{
    TestEnv env;
    qdb::MemTable work;
    demo::defineWorkTable(work);
    for (int i = 0; i < 110; ++i)
        demo::append(work, {"P1", "E1", QDate(2024, 1, 1).addDays(i / 5), i, 1, 1, ""});
    auto sys = demo::makeSysTable();
    Report report(ReportTemplate::fromJson(demo::TemplateJson));
    report.setDataSet(&work);
    demo::attachHandlers(report, work, *sys);
    QList<int> relayed;
    QList<int> shown;
    report.setOnPreview([&](ReportJob& job) {
        auto* view = new PageView;
        view->setJob(&job);
        shown << view->pageNumber(); // nothing yet
        QObject::connect(view, &PageView::pageAvailable, view, [&, view](int n) {
            relayed << n;
            shown << view->pageNumber();
            if (view->job()->state() == ReportJob::State::Complete) {
                view->setJob(nullptr);
                view->deleteLater();
            }
        });
    });
    report.preview();
    QVERIFY(relayed.size() >= 3);
    for (int i = 0; i < relayed.size() - 1; ++i)
        QCOMPARE(relayed[i], i + 1);
    QCOMPARE(relayed.last(), relayed.size() - 1); // the final count once more, when complete
    QCOMPARE(shown.first(), 0);
    for (int i = 1; i < shown.size(); ++i)
        QCOMPARE(shown[i], 1); // page 1 shows as soon as it exists
}

void TestPageView::lastViewDetachingEndsThePreview()
{
    Fixture f;
    ReportJob job; // an empty job: no preview running, ending is harmless
    QSignalSpy ended(&job, &ReportJob::previewEnded);
    {
        PageView a, b;
        a.setJob(&job);
        b.setJob(&job);
        a.setJob(nullptr);
        QCOMPARE(ended.size(), 0); // b still shows it
    }
    QCOMPARE(ended.size(), 1);
    QVERIFY(job.isPreviewEnded());
}

void TestPageView::jobGoneWhileShown()
{
    PageView view;
    {
        ReportJob job;
        view.setJob(&job);
    }
    QCOMPARE(view.job(), nullptr);
    QCOMPARE(view.pageNumber(), 0);
    view.showPage(1);
    QVERIFY(view.pageImage().isNull());
    view.setZoom(50);
    view.grab(); // paints the desk alone
}

QTEST_MAIN(TestPageView)
#include "tst_pageview.moc"

// qm_report_bench: times the report engine on a report of 20,000 detail rows (an employee/
// project summary over an in-memory work table) against QPainter alone drawing the same text
// into a QImage.
//
//   report_first_page  from Report::preview() until the first page is available and painted by
//                      a page view at page width; against QPainter drawing page 1's text
//   report_all_pages   from Report::preview() until every page is produced (pending events
//                      processed between rows, as in the program); against QPainter drawing
//                      the text of every page
//
// Lines in the benchmark's format, with qpainter_ms= in place of sqlite_ms=, then the memory
// the pages take against the memory of the data.
#include "BenchFigures.h"
#include "MemTable.h"
#include "PageView.h"
#include "Report.h"
#include "ReportTemplate.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

QTextStream& out = bench::out();
using bench::median;
using bench::note;

void figure(const char* name, double ours, double painter) { bench::figure(name, ours, painter, "qpainter"); }

qint64 rssKb(const char* key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

const char* const TemplateJson = R"json({
  "title": "Summary of hours by employee/project",
  "font": { "family": "Arial", "size": 10 },
  "bands": [
    { "name": "Title", "type": "title", "height": 16, "elements": [
        { "type": "label", "caption": "Summary of hours by employee/project", "rect": [0, 1, 195.9, 7],
          "align": "center", "font": { "size": 12, "bold": true, "italic": true } },
        { "name": "QRLabel4", "type": "label", "caption": "From 1/1/24 to 12/31/24", "rect": [0, 9, 120, 5],
          "font": { "bold": true } },
        { "type": "rule", "rect": [0, 15, 195.9, 0] } ] },
    { "name": "Header", "type": "columnHeader", "height": 10, "elements": [
        { "type": "label", "caption": "Employee#", "rect": [0, 1, 25, 4], "font": { "size": 8, "bold": true, "italic": true } },
        { "type": "label", "caption": "Name", "rect": [25, 1, 60, 4], "font": { "size": 8, "bold": true, "italic": true } },
        { "type": "label", "caption": "Hours", "rect": [100, 1, 95.9, 4], "align": "center", "font": { "size": 8, "bold": true, "italic": true } },
        { "type": "label", "caption": "Project#", "rect": [5, 5.5, 25, 4], "font": { "size": 8, "bold": true, "italic": true } },
        { "type": "label", "caption": "Project description", "rect": [30, 5.5, 60, 4], "font": { "size": 8, "bold": true, "italic": true } },
        { "type": "label", "caption": "Chargeables", "rect": [100, 5.5, 30, 4], "align": "right", "font": { "size": 8, "bold": true, "italic": true } },
        { "type": "label", "caption": "Not chargeables", "rect": [133, 5.5, 30, 4], "align": "right", "font": { "size": 8, "bold": true, "italic": true } },
        { "type": "label", "caption": "Total", "rect": [165.9, 5.5, 30, 4], "align": "right", "font": { "size": 8, "bold": true, "italic": true } },
        { "type": "rule", "rect": [0, 9.8, 195.9, 0], "width": 0.5 } ] },
    { "name": "QRGroup2", "type": "groupHeader", "height": 7, "expression": "EmpCod", "footer": "QRBand1", "link": "Detail",
      "elements": [
        { "type": "rule", "rect": [0, 0.5, 195.9, 0] },
        { "type": "field", "expression": "EmpCod", "rect": [0, 1.5, 25, 5], "font": { "bold": true } },
        { "type": "field", "expression": "EmpNom", "rect": [25, 1.5, 70, 5], "font": { "bold": true } } ] },
    { "name": "Detail", "type": "detail", "height": 5, "link": "QRBand1", "elements": [
        { "type": "field", "expression": "PrjCod", "rect": [5, 0.5, 25, 4.5] },
        { "type": "field", "expression": "PrjDes", "rect": [30, 0.5, 70, 4.5] },
        { "type": "field", "expression": "HeuFac", "mask": "########0.00", "rect": [100, 0.5, 30, 4.5], "align": "right", "font": { "bold": true } },
        { "type": "expression", "expression": "heutot - heufac", "mask": "########0.00", "rect": [133, 0.5, 30, 4.5], "align": "right", "font": { "bold": true } },
        { "type": "field", "expression": "HeuTot", "mask": "########0.00", "rect": [165.9, 0.5, 30, 4.5], "align": "right", "font": { "bold": true } } ] },
    { "name": "QRBand1", "type": "groupFooter", "height": 7, "elements": [
        { "type": "rule", "rect": [100, 0.5, 95.9, 0] },
        { "type": "label", "caption": "Total employee :", "rect": [40, 1, 58, 5], "align": "right", "font": { "bold": true } },
        { "type": "expression", "expression": "SUM(heufac)", "mask": "########0.00", "rect": [100, 1, 30, 5], "align": "right", "font": { "bold": true } },
        { "type": "expression", "expression": "SUM(heutot - heufac)", "mask": "########0.00", "rect": [133, 1, 30, 5], "align": "right", "font": { "bold": true } },
        { "type": "expression", "expression": "SUM(heutot)", "mask": "########0.00", "rect": [165.9, 1, 30, 5], "align": "right", "font": { "bold": true } } ] },
    { "name": "Summary", "type": "summary", "height": 8, "elements": [
        { "type": "rule", "rect": [0, 0.5, 195.9, 0], "width": 0.5 },
        { "type": "label", "caption": "Total :", "rect": [40, 1.5, 58, 5], "align": "right", "font": { "bold": true } },
        { "type": "expression", "expression": "SUM(heufac)", "mask": "########0.00", "rect": [100, 1.5, 30, 5], "align": "right", "font": { "bold": true } },
        { "type": "expression", "expression": "SUM(heutot - heufac)", "mask": "########0.00", "rect": [133, 1.5, 30, 5], "align": "right", "font": { "bold": true } },
        { "type": "expression", "expression": "SUM(heutot)", "mask": "########0.00", "rect": [165.9, 1.5, 30, 5], "align": "right", "font": { "bold": true } } ] },
    { "name": "Footer", "type": "pageFooter", "height": 6, "elements": [
        { "type": "rule", "rect": [0, 0.5, 195.9, 0], "width": 0.5 },
        { "type": "sysdata", "data": "datetime", "caption": "Date: ", "rect": [0, 1.5, 90, 4], "font": { "size": 8, "bold": true, "italic": true } },
        { "type": "sysdata", "data": "pagenumber", "caption": "Page: ", "rect": [105.9, 1.5, 90, 4], "align": "right", "font": { "size": 8, "bold": true, "italic": true } } ] }
  ]
})json";

void fill(qdb::MemTable& t, int rows)
{
    using qdb::FieldType;
    t.addFieldDef(QStringLiteral("EmpCod"), FieldType::String, 12);
    t.addFieldDef(QStringLiteral("PrjCod"), FieldType::String, 12);
    t.addFieldDef(QStringLiteral("HeuFac"), FieldType::Float);
    t.addFieldDef(QStringLiteral("HeuTot"), FieldType::Float);
    t.addFieldDef(QStringLiteral("EmpNom"), FieldType::String, 35);
    t.addFieldDef(QStringLiteral("PrjDes"), FieldType::String, 35);
    t.addIndex(QStringLiteral("Order"), QStringLiteral("EMPCOD;PRJCOD"));
    t.createDataSet();
    t.setIndexName(QStringLiteral("Order"));
    // 50 employees, 400 projects each.
    for (int i = 0; i < rows; ++i) {
        const int emp = i / 400, prj = i % 400;
        t.append();
        t.fieldByName(QStringLiteral("EmpCod"))->setValue(QStringLiteral("E%1").arg(emp, 4, 10, QLatin1Char('0')));
        t.fieldByName(QStringLiteral("PrjCod"))->setValue(QStringLiteral("P%1").arg(prj, 5, 10, QLatin1Char('0')));
        const double tot = 1 + (i * 37 % 400) / 8.0;
        t.fieldByName(QStringLiteral("HeuTot"))->setValue(tot);
        t.fieldByName(QStringLiteral("HeuFac"))->setValue(i % 3 ? tot : tot / 2);
        t.fieldByName(QStringLiteral("EmpNom"))->setValue(QStringLiteral("Employee number %1").arg(emp));
        t.fieldByName(QStringLiteral("PrjDes"))->setValue(QStringLiteral("Description of project %1").arg(prj));
        t.post();
    }
}

// QPainter alone: the same text items at the same places and fonts, into a page-sized image.
double paintText(const QList<qrep::PreparedPage>& pages, double ppm, QImage& image)
{
    QElapsedTimer timer;
    timer.start();
    for (const qrep::PreparedPage& page : pages) {
        image.fill(Qt::white);
        QPainter p(&image);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setPen(Qt::black);
        for (const qrep::PageItem& item : page.items) {
            if (item.kind != qrep::PageItem::Kind::Text)
                continue;
            QFont f = item.font;
            f.setPixelSize(qMax(1, qRound(item.font.pointSizeF() * 25.4 / 72.0 * ppm)));
            p.setFont(f);
            p.drawText(QRectF(item.rect.x() * ppm, item.rect.y() * ppm, item.rect.width() * ppm, item.rect.height() * ppm),
                int(item.alignment), item.text);
        }
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

struct Timing {
    double firstPage = 0;
    double allPages = 0;
    double ppm = 0;
    int pages = 0;
    qint64 items = 0;
};

Timing runPreview(qrep::Report& report)
{
    Timing t;
    QElapsedTimer timer;
    report.setOnPreview([&](qrep::ReportJob& job) {
        auto* view = new qrep::PageView;
        view->resize(1000, 800);
        view->setJob(&job);
        view->zoomToPageWidth();
        QObject::connect(&job, &qrep::ReportJob::pageAvailable, view, [&, view](int n) {
            if (n == 1 && t.firstPage == 0) {
                view->pageImage(); // the first page painted as the view shows it
                t.firstPage = double(timer.nsecsElapsed()) / 1e6;
                t.ppm = view->pageSizePixels().width() / 215.9;
            }
            if (view->job()->state() == qrep::ReportJob::State::Complete) {
                t.allPages = double(timer.nsecsElapsed()) / 1e6;
                view->setJob(nullptr);
                view->deleteLater();
            }
        });
    });
    timer.start();
    report.preview();
    t.pages = report.job()->pageCount();
    for (const qrep::PreparedPage& p : report.job()->pages())
        t.items += p.items.size();
    return t;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qm_report_bench"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times the report engine against QPainter alone."));
    parser.addHelpOption();
    const QCommandLineOption rowsOpt(QStringLiteral("rows"), QStringLiteral("Detail rows."), QStringLiteral("n"), QStringLiteral("20000"));
    const QCommandLineOption repsOpt(QStringLiteral("reps"), QStringLiteral("Repetitions (median)."), QStringLiteral("n"), QStringLiteral("5"));
    parser.addOptions({rowsOpt, repsOpt});
    parser.process(app);
    const int rows = std::max(1, parser.value(rowsOpt).toInt());
    const int reps = std::max(1, parser.value(repsOpt).toInt());

    const qint64 rssStart = rssKb("VmRSS:");
    qdb::MemTable table;
    fill(table, rows);
    const qint64 rssData = rssKb("VmRSS:");
    qrep::Report report(qrep::ReportTemplate::fromJson(TemplateJson));
    report.setDataSet(&table);

    std::vector<double> first, all, painterFirst, painterAll;
    Timing t;
    qint64 rssPages = 0;
    for (int i = 0; i < reps; ++i) {
        t = runPreview(report);
        rssPages = std::max(rssPages, rssKb("VmRSS:"));
        first.push_back(t.firstPage);
        all.push_back(t.allPages);
        const QList<qrep::PreparedPage>& pages = report.job()->pages();
        QImage image(qRound(215.9 * t.ppm), qRound(279.4 * t.ppm), QImage::Format_ARGB32_Premultiplied);
        painterFirst.push_back(paintText(pages.mid(0, 1), t.ppm, image));
        painterAll.push_back(paintText(pages, t.ppm, image));
    }
    note(QStringLiteral("report: %1 detail rows, %2 pages, %3 items; view at page width, %4 px/mm; median of %5")
             .arg(rows).arg(t.pages).arg(t.items).arg(t.ppm, 0, 'f', 2).arg(reps));
    figure("report_first_page", median(first), median(painterFirst));
    figure("report_all_pages", median(all), median(painterAll));
    note(QStringLiteral("memory: the data %1 MB, the pages of one job about %2 MB more (VmRSS %3 -> %4 -> %5 MB; the job of "
                        "the previous preview is freed when the next one starts)")
             .arg((rssData - rssStart) / 1024.0, 0, 'f', 1)
             .arg((rssPages - rssData) / 1024.0, 0, 'f', 1)
             .arg(rssStart / 1024.0, 0, 'f', 1)
             .arg(rssData / 1024.0, 0, 'f', 1)
             .arg(rssPages / 1024.0, 0, 'f', 1));
    out << "report_peak_rss_mb=" << QString::number(rssKb("VmHWM:") / 1024.0, 'f', 1) << "\n" << Qt::flush;
    return 0;
}

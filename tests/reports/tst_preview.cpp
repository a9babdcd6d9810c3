// The preview window: captions while pages come and after Open, the toolbar's rules, the page
// and zoom selectors, Save with its types and the extension rule, Open (also of a missing or
// damaged file), the print range of a fresh run printed to PDF, closing (also during an export
// and on loss of focus), and the window rendered to PNG.

#include "preview.h"
#include "ui_preview.h"

#include "DialogService.h"
#include "MemTable.h"
#include "PageView.h"
#include "Report.h"
#include "ReportJob.h"
#include "ReportTemplate.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

using qrep::ReportJob;

namespace {

// A small banded report in the shape of the program's summaries: a title band with the
// period, column captions on every page, a project group with its total, one detail row per
// entry, a summary and a page footer with the page number. About 44 rows fill a page.
const char* const TemplateJson = R"json({
  "name": "PreviewDemo",
  "title": "Summary of hours by project",
  "page": { "width": 215.9, "height": 279.4, "margins": [10, 10, 10, 10] },
  "font": { "family": "Arial", "size": 10 },
  "bands": [
    { "name": "TitleBand1", "type": "title", "height": 16,
      "elements": [
        { "name": "QRLabel1", "type": "label", "caption": "Summary of hours by project",
          "rect": [0, 1, 195.9, 7], "align": "center", "font": { "size": 12, "bold": true, "italic": true } },
        { "name": "QRLabel4", "type": "label", "caption": "From 04/03/2024 to 10/03/2024", "rect": [0, 9, 120, 5],
          "font": { "bold": true } },
        { "type": "rule", "rect": [0, 15, 195.9, 0], "width": 0.3 } ] },
    { "name": "ColumnHeaderBand1", "type": "columnHeader", "height": 7,
      "elements": [
        { "type": "label", "caption": "Project #", "rect": [0, 1, 30, 4], "font": { "size": 8, "bold": true, "italic": true } },
        { "type": "label", "caption": "Project description", "rect": [32, 1, 90, 4], "font": { "size": 8, "bold": true, "italic": true } },
        { "type": "label", "caption": "Total", "rect": [160.9, 1, 35, 4], "align": "right", "font": { "size": 8, "bold": true, "italic": true } },
        { "type": "rule", "rect": [0, 6, 195.9, 0], "width": 0.6 } ] },
    { "name": "QRGroup1", "type": "groupHeader", "height": 6, "expression": "PRJCOD", "footer": "QRBand1",
      "elements": [
        { "type": "field", "expression": "PRJCOD", "rect": [0, 1, 30, 4.5], "font": { "bold": true } },
        { "type": "field", "expression": "PRJDES", "rect": [32, 1, 90, 4.5], "font": { "bold": true } } ] },
    { "name": "DetailBand1", "type": "detail", "height": 5,
      "elements": [
        { "name": "Who", "type": "field", "expression": "EMPNOM", "rect": [6, 0.5, 110, 4.5] },
        { "name": "Hours", "type": "field", "expression": "HEUTOT", "mask": "########0.00",
          "rect": [160.9, 0.5, 35, 4.5], "align": "right" } ] },
    { "name": "QRBand1", "type": "groupFooter", "height": 7,
      "elements": [
        { "type": "rule", "rect": [160.9, 0.5, 35, 0] },
        { "type": "label", "caption": "Total project :", "rect": [90, 1.5, 65, 4.5], "align": "right", "font": { "bold": true } },
        { "type": "expression", "expression": "SUM(HEUTOT)", "mask": "########0.00",
          "rect": [160.9, 1.5, 35, 4.5], "align": "right", "font": { "bold": true } } ] },
    { "name": "SummaryBand1", "type": "summary", "height": 8,
      "elements": [
        { "type": "rule", "rect": [0, 0.5, 195.9, 0], "width": 0.6 },
        { "type": "label", "caption": "Total : ", "rect": [90, 2, 65, 4.5], "align": "right", "font": { "bold": true } },
        { "type": "expression", "expression": "SUM(HEUTOT)", "mask": "########0.00",
          "rect": [160.9, 2, 35, 4.5], "align": "right", "font": { "bold": true } } ] },
    { "name": "PageFooterBand1", "type": "pageFooter", "height": 6,
      "elements": [
        { "type": "rule", "rect": [0, 0.5, 195.9, 0], "width": 0.6 },
        { "type": "sysdata", "data": "datetime", "caption": "Date: ", "rect": [0, 1.5, 90, 4],
          "font": { "size": 8, "bold": true, "italic": true } },
        { "type": "sysdata", "data": "pagenumber", "caption": "Page: ", "rect": [105.9, 1.5, 90, 4],
          "align": "right", "font": { "size": 8, "bold": true, "italic": true } } ] }
  ]
})json";

// A report over `rows` entries spread over projects of 12 entries each.
struct DemoReport {
    qdb::MemTable table;
    qrep::Report report;
    int runs = 0;

    explicit DemoReport(int rows)
        : report(qrep::ReportTemplate::fromJson(TemplateJson))
    {
        table.setObjectName(QStringLiteral("TabMemGen"));
        table.addFieldDef(QStringLiteral("PrjCod"), qdb::FieldType::String, 12);
        table.addFieldDef(QStringLiteral("PrjDes"), qdb::FieldType::String, 35);
        table.addFieldDef(QStringLiteral("EmpNom"), qdb::FieldType::String, 35);
        table.addFieldDef(QStringLiteral("HeuTot"), qdb::FieldType::Float);
        table.createDataSet();
        static const char* const names[] = {"Ada Lovelace", "Bob Stone", "Cy Young", "Dora Maar", "Émile Zola"};
        for (int i = 0; i < rows; ++i) {
            table.append();
            const int project = i / 12 + 1;
            table.fieldByName(QStringLiteral("PrjCod"))->setValue(QStringLiteral("PRJ%1").arg(project, 3, 10, QLatin1Char('0')));
            table.fieldByName(QStringLiteral("PrjDes"))->setValue(QStringLiteral("Project number %1").arg(project));
            table.fieldByName(QStringLiteral("EmpNom"))->setValue(QString::fromUtf8(names[i % 5]));
            table.fieldByName(QStringLiteral("HeuTot"))->setValue(0.25 * (i % 17) + 1);
            table.post();
        }
        report.setDataSet(&table);
        QObject::connect(&report, &qrep::Report::runStarted, &report, [this] { ++runs; });
    }
};

// Runs the report's preview: the hand-over creates the window; `onShown` runs right after it
// is shown, `onPage` at each page notification, `onComplete` once every page is there (from
// inside the preview); the window is closed afterwards if it is still open. Returns when the
// preview has ended.
struct PreviewRun {
    std::function<void(TFPreview*)> onShown;
    std::function<void(TFPreview*, int)> onPage;
    std::function<void(TFPreview*)> onComplete;
    QSize size{1000, 800};
    bool afterPreview = false;

    void exec(qrep::Report& report)
    {
        QPointer<TFPreview> window;
        report.setOnAfterPreview([this] { afterPreview = true; });
        report.setOnPreview([&](ReportJob& job) {
            window = TFPreview::showPreview(&report, job);
            window->setWindowState(Qt::WindowNoState);
            window->resize(size);
            if (onShown)
                onShown(window);
            if (onPage)
                QObject::connect(window->pageView(), &qrep::PageView::pageAvailable, window,
                    [&window, this](int n) { onPage(window, n); });
            QObject::connect(&job, &ReportJob::stateChanged, window, [&window, this](ReportJob::State s) {
                if (s != ReportJob::State::Complete)
                    return;
                QTimer::singleShot(0, [&window, this] {
                    if (window && onComplete)
                        onComplete(window);
                    if (window && window->isVisible())
                        window->close();
                });
            });
        });
        report.preview();
    }
};

QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

bool haveTool(const QString& name)
{
    return !QStandardPaths::findExecutable(name).isEmpty();
}

// Prints with the print dialog answered: the page range (0 = all pages) and a PDF file.
class PrintAnswer : public qui::DialogService {
public:
    qui::ScriptedDialogService scripted;
    int fromPage = 0, toPage = 0, copies = 1;
    QString pdf;
    int presetFrom = -1, presetTo = -1;
    bool presetAll = false;
    int asked = 0;

    PrintAnswer() { setInstance(this); } // over the scripted service, which installed itself first
    ~PrintAnswer() override { setInstance(&scripted); }

    qui::Answer message(QWidget* p, const QString& c, const QString& t, qui::Icon i, qui::Buttons b) override
    {
        return scripted.message(p, c, t, i, b);
    }
    int exec(QDialog* d) override { return scripted.exec(d); }
    QString saveFileName(QWidget* p, const QString& c, const QString& d, const QString& f, QString* s, const QString& x) override
    {
        return scripted.saveFileName(p, c, d, f, s, x);
    }
    QString openFileName(QWidget* p, const QString& c, const QString& d, const QString& f) override
    {
        return scripted.openFileName(p, c, d, f);
    }
    std::optional<QColor> color(QWidget* p, const QColor& c) override { return scripted.color(p, c); }
    bool print(QWidget*, QPrinter* printer) override
    {
        ++asked;
        presetFrom = printer->fromPage();
        presetTo = printer->toPage();
        presetAll = printer->printRange() == QPrinter::AllPages;
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdf);
        printer->setCopyCount(copies);
        if (fromPage > 0) {
            printer->setPrintRange(QPrinter::PageRange);
            printer->setFromTo(fromPage, toPage);
        } else {
            printer->setPrintRange(QPrinter::AllPages);
        }
        return true;
    }
};

int pdfPages(const QString& file)
{
    const QString info = run(QStringLiteral("pdfinfo"), {file});
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

} // namespace

class tst_Preview : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void captionsWhileProducingAndWhenComplete();
    void onePageReport();
    void pagingAndZoomRules();
    void closingEndsThePreviewAndStopsProduction();
    void closingOnLossOfFocus();
    void saveAndOpenAgain();
    void openOfAMissingFile();
    void openRefusesADamagedFile();
    void openIntoAWindowWithoutTitle();
    void extensionRule_data();
    void extensionRule();
    void everyExportTypeWrites_data();
    void everyExportTypeWrites();
    void exportOfALoadedFileWritesNothing();
    void closeDuringAnExportWaitsForIt();
    void printRangeOfAFreshRun_data();
    void printRangeOfAFreshRun();
    void renderedToPng();

private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }
};

void tst_Preview::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void tst_Preview::captionsWhileProducingAndWhenComplete()
{
    DemoReport demo(130); // four or more pages
    qui::ScriptedDialogService dialogs;
    QStringList captions;
    QString shownCaption;
    bool printWhileBusy = true;
    QList<int> maxima;
    bool savedWhileProducing = false;
    PreviewRun preview;
    preview.onShown = [&](TFPreview* w) {
        shownCaption = w->windowTitle();
        QVERIFY(w->firstPagePending());
        QVERIFY(!w->form()->PrintButton->isEnabled());
        QObject::connect(w, &QWidget::windowTitleChanged, w, [&](const QString& t) { captions << t; });
    };
    preview.onPage = [&](TFPreview* w, int n) {
        maxima << w->form()->SpinPage->maximum();
        if (w->job()->state() == ReportJob::State::Producing) {
            printWhileBusy &= !w->form()->PrintButton->isEnabled();
            QVERIFY(!w->firstPagePending());
            QVERIFY(!w->form()->OpenButton->isEnabled());
            // Save as a prepared report before the job is complete writes nothing, says nothing.
            if (n == 2 && !savedWhileProducing) {
                savedWhileProducing = true;
                dialogs.fileNames << path(QStringLiteral("early"));
                dialogs.selectedFilters << 1;
                w->SaveClick();
            }
        }
    };
    int finalPages = 0;
    preview.onComplete = [&](TFPreview* w) {
        finalPages = w->job()->pageCount();
        QVERIFY(w->form()->PrintButton->isEnabled());
        QVERIFY(w->form()->SaveButton->isEnabled());
        QVERIFY(w->form()->OpenButton->isEnabled());
        QCOMPARE(w->form()->SpinPage->maximum(), finalPages);
        QCOMPARE(w->printMaxPage(), finalPages);
        QCOMPARE(w->printer()->fromPage(), 1);
        QCOMPARE(w->printer()->toPage(), finalPages);
        QVERIFY(w->form()->PageWidth->isChecked());
        QVERIFY(!w->form()->Zoom100->isChecked());
        QCOMPARE(w->form()->SpinZoom->value(), w->pageView()->zoom());
        QCOMPARE(FPreview, w);
    };
    preview.exec(demo.report);
    if (QTest::currentTestFailed())
        return;

    QCOMPARE(shownCaption, QStringLiteral("Loading ..."));
    QVERIFY(finalPages >= 4);
    QVERIFY2(captions.contains(QStringLiteral("Summary of hours by project (1 page)Busy")), qPrintable(captions.join('\n')));
    QVERIFY2(captions.contains(QStringLiteral("Summary of hours by project (3 pages)Busy")), qPrintable(captions.join('\n')));
    QCOMPARE(captions.last(), QStringLiteral("Summary of hours by project (%1 pages)").arg(finalPages));
    QVERIFY(printWhileBusy);
    // The page selector's maximum grew with the pages.
    QCOMPARE(maxima.first(), 1);
    QVERIFY(std::is_sorted(maxima.begin(), maxima.end()));
    QVERIFY(savedWhileProducing);
    QVERIFY(!QFile::exists(path(QStringLiteral("early.qrp"))));
    QVERIFY(dialogs.messages.isEmpty());
    QVERIFY(preview.afterPreview);
}

void tst_Preview::onePageReport()
{
    DemoReport demo(5);
    QString caption;
    QList<int> pages;
    PreviewRun preview;
    preview.onComplete = [&](TFPreview* w) {
        caption = w->windowTitle();
        w->NextPageClick();
        pages << w->pageView()->pageNumber() << w->form()->SpinPage->value();
        w->LastPageClick();
        pages << w->pageView()->pageNumber() << w->form()->SpinPage->value();
        w->PriorPageClick();
        pages << w->pageView()->pageNumber() << w->form()->SpinPage->value();
    };
    preview.exec(demo.report);
    QCOMPARE(caption, QStringLiteral("Summary of hours by project (1 page)"));
    QCOMPARE(pages, (QList<int>{1, 1, 1, 1, 1, 1}));
}

void tst_Preview::pagingAndZoomRules()
{
    DemoReport demo(160); // five pages
    PreviewRun preview;
    preview.onComplete = [&](TFPreview* w) {
        qrep::PageView* view = w->pageView();
        Ui::TFPreview* f = w->form();
        QCOMPARE(w->job()->pageCount(), 5);
        QCOMPARE(view->pageNumber(), 1);
        w->NextPageClick();
        QCOMPARE(view->pageNumber(), 2);
        QCOMPARE(f->SpinPage->value(), 2);
        w->LastPageClick();
        QCOMPARE(view->pageNumber(), 5);
        w->NextPageClick(); // already on the last page
        QCOMPARE(view->pageNumber(), 5);
        QCOMPARE(f->SpinPage->value(), 5);
        w->PriorPageClick();
        QCOMPARE(view->pageNumber(), 4);
        w->FirstPageClick();
        QCOMPARE(view->pageNumber(), 1);
        QCOMPARE(f->SpinPage->value(), 1);
        w->PriorPageClick(); // already on the first
        QCOMPARE(view->pageNumber(), 1);
        // The page selector, typed or stepped.
        f->SpinPage->setValue(3);
        QCOMPARE(view->pageNumber(), 3);
        f->SpinPage->stepUp();
        QCOMPARE(view->pageNumber(), 4);
        f->SpinPage->setValue(9); // beyond the pages: the selector stops at 5
        QCOMPARE(view->pageNumber(), 5);
        w->SpinPageChange(7); // the view ignores a page it does not have
        QCOMPARE(view->pageNumber(), 5);

        // Zoom: one of three buttons down; the selector shows the zoom.
        const int width = view->zoom();
        QCOMPARE(f->SpinZoom->value(), width);
        w->Zoom100Click();
        QCOMPARE(view->zoom(), 100);
        QCOMPARE(f->SpinZoom->value(), 100);
        QVERIFY(f->Zoom100->isChecked() && !f->PageWidth->isChecked() && !f->EntirePage->isChecked());
        w->EntirePageClick();
        QVERIFY(f->EntirePage->isChecked() && !f->PageWidth->isChecked() && !f->Zoom100->isChecked());
        QCOMPARE(f->SpinZoom->value(), view->zoom());
        QVERIFY(view->zoom() < width); // a 1000 x 800 window is wider than a page is tall
        w->PageWidthClick();
        QCOMPARE(view->zoom(), width);
        QVERIFY(f->PageWidth->isChecked() && !f->EntirePage->isChecked());
        f->SpinZoom->setValue(150);
        QCOMPARE(view->zoom(), 150);
        f->SpinZoom->setValue(500); // the selector holds 10 to 300
        QCOMPARE(view->zoom(), 300);
        QCOMPARE(f->SpinZoom->minimum(), 10);
        QCOMPARE(f->SpinZoom->maximum(), 300);
        // Toolbar texts.
        QCOMPARE(f->SpinPage->toolTip(), QStringLiteral("Go to page :"));
        QCOMPARE(f->SpinZoom->toolTip(), QStringLiteral("Percentage"));
        QCOMPARE(f->EntirePage->toolTip(), QStringLiteral("Zoom: Entire page"));
        QCOMPARE(w->property("helpContext").toInt(), TFPreview::HelpContext);
        QVERIFY(!(w->windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!(w->windowFlags() & Qt::WindowSystemMenuHint));
    };
    preview.exec(demo.report);
}

void tst_Preview::closingEndsThePreviewAndStopsProduction()
{
    DemoReport demo(2000); // about fifty pages: closing at page 2 cuts production short
    PreviewRun preview;
    QPointer<TFPreview> window;
    preview.onPage = [&](TFPreview* w, int n) {
        window = w;
        if (n == 2)
            w->CloseClick();
    };
    preview.exec(demo.report);
    QVERIFY(preview.afterPreview);
    QVERIFY(demo.report.job()->pageCount() < 5);
    QVERIFY(demo.report.job()->isPreviewEnded());
    QCOMPARE(FPreview, nullptr);
    QTRY_VERIFY(window.isNull()); // destroyed
}

void tst_Preview::closingOnLossOfFocus()
{
    DemoReport demo(10);
    PreviewRun preview;
    QPointer<TFPreview> window;
    bool closedByFocus = false;
    preview.onComplete = [&](TFPreview* w) {
        window = w;
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w))
            QSKIP("this platform does not move the focus between windows");
        QWidget other;
        other.resize(200, 100);
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QTRY_VERIFY(!w || !w->isVisible());
        closedByFocus = true;
    };
    preview.exec(demo.report);
    QVERIFY(closedByFocus);
    QVERIFY(preview.afterPreview);
}

void tst_Preview::saveAndOpenAgain()
{
    const QString file = path(QStringLiteral("summary"));
    int saved = 0;
    {
        DemoReport demo(100);
        qui::ScriptedDialogService dialogs;
        PreviewRun preview;
        preview.onComplete = [&](TFPreview* w) {
            saved = w->job()->pageCount();
            dialogs.fileNames << file;
            dialogs.selectedFilters << 1;
            w->SaveClick();
        };
        preview.exec(demo.report);
        QVERIFY(dialogs.messages.isEmpty());
    }
    QCOMPARE(saved, 3);
    QVERIFY(QFile::exists(file + QStringLiteral(".qrp")));

    // Opened into the preview of another report: its pages, that report's title, the " - " form.
    DemoReport other(5);
    other.report.setTitle(QStringLiteral("Another report"));
    qui::ScriptedDialogService dialogs;
    QString caption;
    int pages = 0, shown = 0;
    bool pending = true;
    QList<qrep::PreparedPage> loaded;
    PreviewRun preview;
    preview.onComplete = [&](TFPreview* w) {
        w->LastPageClick(); // one page only; Open goes back to page 1 anyway
        dialogs.fileNames << file + QStringLiteral(".qrp");
        w->OpenClick();
        caption = w->windowTitle();
        pages = w->job()->pageCount();
        shown = w->pageView()->pageNumber();
        pending = w->firstPagePending();
        loaded = w->job()->pages();
        QCOMPARE(w->form()->SpinPage->maximum(), 3);
        QVERIFY(w->form()->PageWidth->isChecked());
        QVERIFY(w->isVisible());
    };
    preview.exec(other.report);
    QVERIFY(dialogs.messages.isEmpty());
    QCOMPARE(caption, QStringLiteral("Another report - 3 pages"));
    QCOMPARE(pages, 3);
    QCOMPARE(shown, 1);
    QVERIFY(!pending);
    QCOMPARE(loaded.size(), 3);
}

void tst_Preview::openOfAMissingFile()
{
    DemoReport demo(5);
    qui::ScriptedDialogService dialogs;
    const QString missing = path(QStringLiteral("nowhere.qrp"));
    int pagesAfter = 0;
    PreviewRun preview;
    preview.onComplete = [&](TFPreview* w) {
        dialogs.fileNames << missing;
        w->OpenClick();
        pagesAfter = demo.report.job()->pageCount();
        QVERIFY(!w->isVisible()); // the message box took the focus: the window closed
    };
    preview.exec(demo.report);
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages.first().text, QStringLiteral("Unable to open file : ") + missing);
    QCOMPARE(pagesAfter, 1);
    QVERIFY(preview.afterPreview);
}

void tst_Preview::openRefusesADamagedFile()
{
    const QString damaged = path(QStringLiteral("damaged.qrp"));
    {
        QFile f(damaged);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("QRP? not really a prepared report at all").repeated(20));
    }
    DemoReport demo(60);
    qui::ScriptedDialogService dialogs;
    QString before, after;
    int pagesBefore = 0, pagesAfter = 0;
    PreviewRun preview;
    preview.onComplete = [&](TFPreview* w) {
        before = w->windowTitle();
        pagesBefore = w->job()->pageCount();
        dialogs.fileNames << damaged;
        w->OpenClick();
        after = w->windowTitle();
        pagesAfter = demo.report.job()->pageCount();
    };
    preview.exec(demo.report);
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY(!dialogs.messages.first().text.isEmpty());
    QCOMPARE(pagesAfter, pagesBefore);
    QCOMPARE(after, before);
    QVERIFY(demo.report.job()->hasReport()); // still the report's own pages
}

void tst_Preview::openIntoAWindowWithoutTitle()
{
    // A job whose title is empty takes the file's name.
    const QString file = path(QStringLiteral("untitled.qrp"));
    {
        DemoReport demo(5);
        demo.report.setTitle(QString());
        qui::ScriptedDialogService dialogs;
        PreviewRun preview;
        preview.onComplete = [&](TFPreview* w) {
            dialogs.fileNames << file;
            dialogs.selectedFilters << 1;
            w->SaveClick();
        };
        preview.exec(demo.report);
    }
    QVERIFY(QFile::exists(file));
    qui::ScriptedDialogService dialogs;
    auto* w = new TFPreview;
    w->show();
    dialogs.fileNames << file;
    w->OpenClick();
    QCOMPARE(w->windowTitle(), file + QStringLiteral(" - 1 page"));
    QCOMPARE(w->job()->pageCount(), 1);
    w->close();
}

void tst_Preview::extensionRule_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("written");
    QTest::newRow("report, CSV") << "report" << 3 << "report.csv";
    QTest::newRow("report.old, CSV") << "report.old" << 3 << "report.old";
    QTest::newRow("report, qrp") << "report" << 1 << "report.qrp";
    QTest::newRow("report, PDF") << "report" << 8 << "report.pdf";
    QTest::newRow("dot in a folder name") << "folder.d/report" << 2 << "folder.d/report";
}

void tst_Preview::extensionRule()
{
    QFETCH(QString, chosen);
    QFETCH(int, type);
    QFETCH(QString, written);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("folder.d")));
    QCOMPARE(TFPreview::withExtension(dir.filePath(chosen), qrep::ExportType(type)), dir.filePath(written));

    // An existing file of that name is replaced without a question.
    {
        QFile old(dir.filePath(written));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("older contents");
    }
    DemoReport demo(30);
    qui::ScriptedDialogService dialogs;
    PreviewRun preview;
    preview.onComplete = [&](TFPreview* w) {
        dialogs.fileNames << dir.filePath(chosen);
        dialogs.selectedFilters << type;
        w->SaveClick();
    };
    preview.exec(demo.report);
    QVERIFY(dialogs.messages.isEmpty());
    QFile f(dir.filePath(written));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(bytes != "older contents");
    if (type == 3)
        QVERIFY(QString::fromUtf8(bytes).contains(QStringLiteral("Total project :")));
    if (chosen == QLatin1String("report"))
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("report")))); // never without its extension
}

void tst_Preview::everyExportTypeWrites_data()
{
    QTest::addColumn<int>("type");
    for (int t = 2; t <= 8; ++t)
        QTest::addRow("%s", qPrintable(qrep::exportFormat(qrep::ExportType(t)).description)) << t;
}

void tst_Preview::everyExportTypeWrites()
{
    QFETCH(int, type);
    QTemporaryDir dir;
    DemoReport demo(60);
    qui::ScriptedDialogService dialogs;
    PreviewRun preview;
    int runsBefore = 0, runsAfter = 0;
    preview.onComplete = [&](TFPreview* w) {
        runsBefore = demo.runs;
        dialogs.fileNames << dir.filePath(QStringLiteral("export"));
        dialogs.selectedFilters << type;
        w->SaveClick();
        runsAfter = demo.runs;
    };
    preview.exec(demo.report);
    QVERIFY(dialogs.messages.isEmpty());
    const QString name = dir.filePath(QStringLiteral("export") + qrep::exportFormat(qrep::ExportType(type)).extension);
    QVERIFY(QFileInfo(name).size() > 100);
    QCOMPARE(runsAfter, runsBefore + 1); // the report produced itself again for the writer
}

void tst_Preview::exportOfALoadedFileWritesNothing()
{
    const QString file = path(QStringLiteral("for-export.qrp"));
    {
        DemoReport demo(5);
        qui::ScriptedDialogService dialogs;
        PreviewRun preview;
        preview.onComplete = [&](TFPreview* w) {
            dialogs.fileNames << file;
            dialogs.selectedFilters << 1;
            w->SaveClick();
        };
        preview.exec(demo.report);
    }
    DemoReport demo(5);
    qui::ScriptedDialogService dialogs;
    PreviewRun preview;
    preview.onComplete = [&](TFPreview* w) {
        dialogs.fileNames << file;
        w->OpenClick();
        dialogs.fileNames << path(QStringLiteral("from-loaded"));
        dialogs.selectedFilters << 3;
        w->SaveClick();
    };
    preview.exec(demo.report);
    QVERIFY(dialogs.messages.isEmpty());
    QVERIFY(!QFile::exists(path(QStringLiteral("from-loaded.csv"))));
}

void tst_Preview::closeDuringAnExportWaitsForIt()
{
    // The window is closed (as by a loss of focus) while the export's fresh run reads the
    // data: the close waits for the run; the file is complete; then the preview ends.
    DemoReport demo(300);
    qui::ScriptedDialogService dialogs;
    QPointer<TFPreview> window;
    bool closeAsked = false, visibleAfterAsking = false, afterPreviewDuringExport = false;
    PreviewRun preview;
    demo.report.setOnPrint(QStringLiteral("Who"), [&](const qrep::ElementDef&, QString&) {
        if (window && window->job() && window->job()->isBusy() && !closeAsked) {
            closeAsked = true;
            window->CloseClick();
            visibleAfterAsking = window->isVisible();
            afterPreviewDuringExport = preview.afterPreview;
        }
    });
    preview.onComplete = [&](TFPreview* w) {
        window = w;
        dialogs.fileNames << path(QStringLiteral("during-close"));
        dialogs.selectedFilters << 3;
        w->SaveClick();
        QVERIFY(!w->isVisible()); // closed as soon as the export had ended
    };
    preview.exec(demo.report);
    QVERIFY(closeAsked);
    QVERIFY(visibleAfterAsking);
    QVERIFY(!afterPreviewDuringExport);
    QVERIFY(preview.afterPreview);
    QFile f(path(QStringLiteral("during-close.csv")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString csv = QString::fromUtf8(f.readAll());
    QVERIFY(csv.contains(QStringLiteral("Page: 7"))); // every page, to the last
    QVERIFY(csv.contains(QStringLiteral("Total : ")));
}

void tst_Preview::printRangeOfAFreshRun_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QList<int>>("printed");
    QTest::newRow("pages 2 to 3") << 2 << 3 << QList<int>{2, 3};
    QTest::newRow("all pages") << 0 << 0 << QList<int>{1, 2, 3, 4, 5};
}

void tst_Preview::printRangeOfAFreshRun()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QList<int>, printed);
    DemoReport demo(160); // five pages
    PrintAnswer dialogs;
    dialogs.fromPage = from;
    dialogs.toPage = to;
    dialogs.pdf = path(QStringLiteral("print-%1-%2.pdf").arg(from).arg(to));
    int runsBefore = 0, runsAfter = 0;
    bool enabledAfter = false;
    PreviewRun preview;
    preview.onComplete = [&](TFPreview* w) {
        QCOMPARE(w->job()->pageCount(), 5);
        runsBefore = demo.runs;
        w->PrintClick();
        runsAfter = demo.runs;
        enabledAfter = w->form()->PrintButton->isEnabled();
    };
    preview.exec(demo.report);
    QCOMPARE(dialogs.asked, 1);
    QVERIFY(dialogs.presetAll);
    QCOMPARE(dialogs.presetFrom, 1);
    QCOMPARE(dialogs.presetTo, 5);
    QVERIFY(enabledAfter);
    QCOMPARE(runsAfter, runsBefore + 1); // a fresh run of the report
    const qrep::PrintSettings settings = demo.report.printSettings();
    QCOMPARE(settings.copies, 1);
    QCOMPARE(settings.fromPage, printed.first());
    QCOMPARE(settings.toPage, printed.last());
    QVERIFY(QFile::exists(dialogs.pdf));
    if (!haveTool(QStringLiteral("pdfinfo")) || !haveTool(QStringLiteral("pdftotext"))) {
        if (qEnvironmentVariableIsSet("CI"))
            QFAIL("poppler-utils (pdfinfo, pdftotext) are missing: scripts/deps.sh installs them");
        QSKIP("poppler-utils not installed");
    }
    QCOMPARE(pdfPages(dialogs.pdf), int(printed.size()));
    for (int i = 0; i < printed.size(); ++i) {
        const QString text = run(QStringLiteral("pdftotext"),
            {QStringLiteral("-f"), QString::number(i + 1), QStringLiteral("-l"), QString::number(i + 1), dialogs.pdf, QStringLiteral("-")});
        QVERIFY2(text.contains(QStringLiteral("Page: %1").arg(printed[i])), qPrintable(text));
    }
}

void tst_Preview::renderedToPng()
{
    // QM_PREVIEW_PNG names a folder for the pictures (to look at them); else a temporary one.
    QString dir = qEnvironmentVariable("QM_PREVIEW_PNG");
    if (dir.isEmpty())
        dir = m_dir.path();
    QVERIFY(QDir().mkpath(dir));
    DemoReport demo(100);
    QImage width, entire;
    PreviewRun preview;
    preview.size = QSize(1100, 850);
    preview.onComplete = [&](TFPreview* w) {
        w->NextPageClick();
        w->PageWidthClick();
        QCoreApplication::processEvents();
        width = w->grab().toImage();
        w->EntirePageClick();
        QCoreApplication::processEvents();
        entire = w->grab().toImage();
    };
    preview.exec(demo.report);
    QVERIFY(!width.isNull() && !entire.isNull());
    QVERIFY(width.save(QDir(dir).filePath(QStringLiteral("preview-page-width.png"))));
    QVERIFY(entire.save(QDir(dir).filePath(QStringLiteral("preview-entire-page.png"))));
}

QTEST_MAIN(tst_Preview)
#include "tst_preview.moc"

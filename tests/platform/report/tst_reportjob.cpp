// The report job: the preview's hand-over and production with events processed between rows,
// closing during production, what is refused while producing, save and load of prepared-report
// files (and damaged or foreign ones), printing a page range of a fresh run to PDF, printing a
// loaded job's stored pages, exporting through a writer, and closing the preview while an
// export of a fresh run is still reading the data.
#include "DemoReport.h"
#include "TestEnv.h"

#include "ExportWriter.h"
#include "PageView.h"
#include "QrpFile.h"
#include "ReportError.h"

#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

using namespace qrep;

namespace {

constexpr int Rows = 110;

struct Fixture {
    TestEnv env;
    qdb::MemTable work;
    std::unique_ptr<qdb::MemTable> sys = demo::makeSysTable();
    Report report{ReportTemplate::fromJson(demo::TemplateJson)};
    int runs = 0;
    int rows = 0;

    // The demonstration report over enough rows for five pages.
    Fixture()
    {
        work.setObjectName(QStringLiteral("TabMemGen"));
        demo::defineWorkTable(work);
        for (int i = 0; i < Rows; ++i)
            demo::append(work, {i < Rows / 2 ? "P1" : "P2", i % 2 ? "E1" : "E2", QDate(2024, 1, 1).addDays(i / 5), i, 1.25, i % 3 ? 1.25 : 0,
                i % 9 ? "" : "A note on this entry"});
        report.setDataSet(&work);
        demo::attachHandlers(report, work, *sys);
        // Count the runs and the rows, keeping the registration of Sys.
        report.setOnBeforePrint([this] {
            ++runs;
            report.addRunDataSet(sys.get());
        });
        report.setAfterPrint(QStringLiteral("DetailBand1"), [this](const BandDef&, bool) { ++rows; });
        report.setCaption(QStringLiteral("QRLabel6"), QStringLiteral("From 1/1/24 to 1/30/24"));
        report.setOnPrint(QStringLiteral("RunDate"), [](const ElementDef&, QString& text) { text = QStringLiteral("Date: (run)"); });
    }
};

// A writer that keeps what it is given; it can be told to fail at a page, or to do something
// as a page arrives.
class RecordingWriter final : public ExportWriter {
public:
    RecordingWriter() : ExportWriter(ExportType::Text) { }
    QList<PreparedPage> pages;
    QStringList log;
    int failAt = 0;
    std::function<void(int)> onPage;

protected:
    void doBegin() override { log << QStringLiteral("begin ") + fileName(); }
    void doWritePage(const PreparedPage& page, int n) override
    {
        if (onPage)
            onPage(n);
        if (n == failAt)
            fail(QStringLiteral("disk full"));
        pages.append(page);
        log << QStringLiteral("page %1").arg(n);
    }
    void doEnd() override { log << QStringLiteral("end"); }
    void doAbort() override { log << QStringLiteral("abort"); }
};

QString tool(const char* name) { return QStandardPaths::findExecutable(QString::fromLatin1(name)); }

int pdfPageCount(const QString& file)
{
    QProcess p;
    p.start(tool("pdfinfo"), {file});
    p.waitForFinished();
    for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return -1;
}

QString pdfText(const QString& file)
{
    QProcess p;
    p.start(tool("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// A preview that closes its window as soon as the job is complete.
void previewAndCloseWhenComplete(Fixture& f)
{
    f.report.setOnPreview([](ReportJob& job) {
        auto* view = new PageView;
        view->setJob(&job);
        QObject::connect(&job, &ReportJob::stateChanged, view, [view](ReportJob::State s) {
            if (s == ReportJob::State::Complete) {
                view->setJob(nullptr); // the window closes
                view->deleteLater();
            }
        });
    });
    f.report.preview();
}

} // namespace

class TestReportJob : public QObject {
    Q_OBJECT
private slots:
    void previewHandsOverAndProducesWhileEventsRun();
    void closingStopsProductionAfterTheCurrentRow();
    void refusedWhileProducing();
    void previewWithoutHandlerEndsAtOnce();
    void saveAndLoad();
    void loadIntoTheReportsJob();
    void damagedFile_data();
    void damagedFile();
    void printRangeOfAFreshRun();
    void printCopies();
    void loadedJobPrintsItsStoredPages();
    void printerThatCannotOpen();
    void exportIsAFreshRun();
    void failedExportLeavesNothing();
    void closingDuringAnExportWaitsForIt();
};

void TestReportJob::previewHandsOverAndProducesWhileEventsRun()
{
    Fixture f;
    ReportJob* handed = nullptr;
    ReportJob::State stateAtHandOver = ReportJob::State::Complete;
    ReportJob::State stateInTimer = ReportJob::State::NotStarted;
    QList<int> available;
    QStringList log;
    f.report.setOnPreview([&](ReportJob& job) {
        handed = &job;
        stateAtHandOver = job.state();
        QCOMPARE(job.title(), QStringLiteral("Demonstration of worked hours"));
        auto* view = new PageView;
        view->resize(600, 800);
        view->setJob(&job);
        QObject::connect(view, &PageView::pageAvailable, [&](int n) { available << n; });
        // A window event runs while the pages are being produced.
        QTimer::singleShot(0, [&] { stateInTimer = job.state(); });
        QObject::connect(&job, &ReportJob::previewEnded, [&] { log << QStringLiteral("preview ended"); });
        QObject::connect(&job, &ReportJob::stateChanged, view, [view, &log](ReportJob::State s) {
            if (s == ReportJob::State::Complete) {
                log << QStringLiteral("complete, showing page %1").arg(view->pageNumber());
                delete view; // the window closes: the last view detaches, the preview ends
            }
        });
    });
    f.report.setOnAfterPreview([&] { log << QStringLiteral("after preview"); });
    f.report.preview();
    log << QStringLiteral("returned");
    QCOMPARE(f.report.job(), handed);
    QCOMPARE(stateAtHandOver, ReportJob::State::NotStarted);
    QCOMPARE(stateInTimer, ReportJob::State::Producing);
    QCOMPARE(available, (QList<int>{1, 2, 3, 4, 5, 5}));
    QCOMPARE(handed->state(), ReportJob::State::Complete);
    QVERIFY(handed->isPreviewEnded());
    QCOMPARE(log, (QStringList{QStringLiteral("complete, showing page 1"), QStringLiteral("preview ended"), QStringLiteral("after preview"), QStringLiteral("returned")}));
    QCOMPARE(f.rows, Rows);
}

void TestReportJob::closingStopsProductionAfterTheCurrentRow()
{
    Fixture f;
    int rowsAtClose = -1;
    bool afterPreview = false;
    f.report.setOnPreview([&](ReportJob& job) {
        auto* view = new PageView;
        view->setJob(&job);
        QObject::connect(&job, &ReportJob::pageAvailable, view, [&, view](int n) {
            if (n == 1 && rowsAtClose < 0) {
                rowsAtClose = f.rows;
                view->setJob(nullptr); // the window closes while producing
                view->deleteLater();
            }
        });
    });
    f.report.setOnAfterPreview([&] { afterPreview = true; });
    f.report.preview();
    QVERIFY(afterPreview);
    QVERIFY(rowsAtClose > 0);
    // The row in progress when the window went was finished, and no other.
    QVERIFY2(f.rows <= rowsAtClose + 1, qPrintable(QStringLiteral("%1 rows, %2 at close").arg(f.rows).arg(rowsAtClose)));
    QVERIFY(f.report.job()->pageCount() < 5);
    QVERIFY(f.report.job()->isPreviewEnded());
    QVERIFY(!f.report.isRunning());
}

void TestReportJob::refusedWhileProducing()
{
    Fixture f;
    QStringList refused;
    const QString file = f.env.path(QStringLiteral("x.qrp"));
    f.report.setOnPreview([&](ReportJob& job) {
        auto* view = new PageView;
        view->setJob(&job);
        QObject::connect(&job, &ReportJob::pageAvailable, view, [&, view](int n) {
            if (n != 2 || job.state() != ReportJob::State::Producing)
                return;
            QVERIFY(!job.canPrint());
            QVERIFY(!job.canExport());
            auto attempt = [&](const char* what, const std::function<void()>& op) {
                try {
                    op();
                } catch (const ReportError& e) {
                    if (e.kind() == ReportError::Kind::State)
                        refused << QString::fromLatin1(what);
                }
            };
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(f.env.path(QStringLiteral("x.pdf")));
            RecordingWriter writer;
            attempt("save", [&] { job.save(file); });
            attempt("load", [&] { job.load(file); });
            attempt("print", [&] { job.print(&printer, {}); });
            attempt("export", [&] { job.exportTo(writer, file); });
            QVERIFY(writer.log.isEmpty());
            view->setJob(nullptr);
            view->deleteLater();
        });
    });
    f.report.preview();
    QCOMPARE(refused, (QStringList{QStringLiteral("save"), QStringLiteral("load"), QStringLiteral("print"), QStringLiteral("export")}));
    QVERIFY(!QFile::exists(file));
    QVERIFY(!QFile::exists(f.env.path(QStringLiteral("x.pdf"))));
}

void TestReportJob::previewWithoutHandlerEndsAtOnce()
{
    Fixture f;
    bool after = false;
    f.report.setOnAfterPreview([&] { after = true; });
    f.report.preview();
    QVERIFY(after);
    QCOMPARE(f.report.job()->pageCount(), 5);
    QCOMPARE(f.report.job()->state(), ReportJob::State::Complete);
}

void TestReportJob::saveAndLoad()
{
    Fixture f;
    previewAndCloseWhenComplete(f);
    ReportJob* job = f.report.job();
    const QString file = f.env.path(QStringLiteral("report.qrp"));
    QVERIFY_THROWS_NO_EXCEPTION(job->save(file));

    ReportJob loaded;
    QSignalSpy replaced(&loaded, &ReportJob::pagesReplaced);
    QSignalSpy available(&loaded, &ReportJob::pageAvailable);
    loaded.load(file);
    QCOMPARE(replaced.size(), 1);
    QCOMPARE(available.size(), 1);
    QCOMPARE(available.at(0).at(0).toInt(), 5);
    QCOMPARE(loaded.pageCount(), 5);
    QVERIFY(loaded.pages() == job->pages()); // every item read back exactly, in order
    QCOMPARE(loaded.title(), QString());     // the window decides the title of an untitled job
    QVERIFY(!loaded.hasReport());
    QVERIFY(loaded.isLoadedFromFile());
    QCOMPARE(loaded.state(), ReportJob::State::Complete);
    // The file's own record of the title.
    QCOMPARE(QrpFile::read(file).title, QStringLiteral("Demonstration of worked hours"));

    // Saving again replaces the file; saving the loaded job writes the same bytes.
    const QString again = f.env.path(QStringLiteral("again.qrp"));
    loaded.setTitle(job->title());
    loaded.save(again);
    QFile a(file), b(again);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    QCOMPARE(a.readAll(), b.readAll());
}

void TestReportJob::loadIntoTheReportsJob()
{
    Fixture f;
    previewAndCloseWhenComplete(f);
    ReportJob* job = f.report.job();
    const QString file = f.env.path(QStringLiteral("report.qrp"));
    job->save(file);
    QVERIFY(job->hasReport());
    job->load(file);
    // After Open the job keeps its title but has no report behind it any more.
    QCOMPARE(job->title(), QStringLiteral("Demonstration of worked hours"));
    QVERIFY(!job->hasReport());
    QVERIFY(!job->canExport());
    RecordingWriter writer;
    const int runs = f.runs;
    QCOMPARE(job->exportTo(writer, f.env.path(QStringLiteral("x.txt"))), false);
    QVERIFY(writer.log.isEmpty());
    QCOMPARE(f.runs, runs);
}

void TestReportJob::damagedFile_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("fragment");
    QTest::newRow("missing") << "missing" << "Unable to open file : ";
    QTest::newRow("empty") << "empty" << "is not a prepared-report file";
    QTest::newRow("foreign") << "foreign" << "is not a prepared-report file";
    QTest::newRow("text-mode copy") << "crlf" << "damaged";
    QTest::newRow("truncated") << "truncated" << "damaged";
    QTest::newRow("one byte altered") << "flip" << "damaged";
    QTest::newRow("bytes added") << "append" << "damaged";
    QTest::newRow("newer format") << "version" << "format 2";
}

void TestReportJob::damagedFile()
{
    QFETCH(QString, damage);
    QFETCH(QString, fragment);
    Fixture f;
    previewAndCloseWhenComplete(f);
    ReportJob* job = f.report.job();
    const QString good = f.env.path(QStringLiteral("good.qrp"));
    job->save(good);
    QFile in(good);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QByteArray bytes = in.readAll();
    in.close();

    const QString bad = f.env.path(QStringLiteral("bad.qrp"));
    if (damage == u"empty")
        bytes.clear();
    else if (damage == u"foreign")
        bytes = "%PDF-1.4\nnot a report\n";
    else if (damage == u"crlf")
        bytes.replace("\r\n", "\n");
    else if (damage == u"truncated")
        bytes.truncate(bytes.size() / 2);
    else if (damage == u"flip")
        bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 0x10);
    else if (damage == u"append")
        bytes += "xx";
    else if (damage == u"version")
        bytes[9] = 2; // the low byte of the format version
    if (damage != u"missing") {
        QFile out(bad);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }

    ReportJob loaded;
    loaded.load(good);
    const QList<PreparedPage> before = loaded.pages();
    try {
        loaded.load(bad);
        QFAIL("a damaged file was accepted");
    } catch (const ReportError& e) {
        QCOMPARE(e.kind(), ReportError::Kind::File);
        QVERIFY2(e.message().contains(fragment), qPrintable(e.message()));
    }
    QVERIFY(loaded.pages() == before); // the pages shown stay as they were
}

void TestReportJob::printRangeOfAFreshRun()
{
    if (tool("pdfinfo").isEmpty() || tool("pdftotext").isEmpty())
        QSKIP("pdfinfo and pdftotext (poppler-utils) are needed to read the PDF back");
    Fixture f;
    previewAndCloseWhenComplete(f);
    ReportJob* job = f.report.job();
    QCOMPARE(job->pageCount(), 5);
    const QList<PreparedPage> shown = job->pages();
    const int runs = f.runs;
    f.rows = 0;

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = f.env.path(QStringLiteral("range.pdf"));
    printer.setOutputFileName(pdf);
    QSignalSpy busy(job, &ReportJob::busyChanged);
    job->print(&printer, PrintSettings{1, 2, 3, QStringLiteral("PDF")});

    QCOMPARE(f.runs, runs + 1); // a fresh run of the report
    QCOMPARE(f.rows, Rows);      // through every row, though two pages are printed
    QCOMPARE(busy.size(), 2);
    QVERIFY(!job->isBusy());
    QVERIFY(job->pages() == shown); // the pages shown are untouched
    QCOMPARE(f.report.printSettings(), (PrintSettings{1, 2, 3, QStringLiteral("PDF")}));
    QCOMPARE(pdfPageCount(pdf), 2);
    if (const QString keep = qEnvironmentVariable("QREP_RENDER_DIR"); !keep.isEmpty())
        QFile::copy(pdf, keep + QStringLiteral("/print-pages-2-3.pdf"));
    const QString text = pdfText(pdf);
    QVERIFY2(text.contains(QStringLiteral("Page: 2")) && text.contains(QStringLiteral("Page: 3")), qPrintable(text));
    QVERIFY(!text.contains(QStringLiteral("Page: 1")));
    QVERIFY(!text.contains(QStringLiteral("Page: 4")));
    QVERIFY(text.contains(QStringLiteral("Employee \\ Activity"))); // the column header repeats

    // All pages: 1 to 5.
    const QString all = f.env.path(QStringLiteral("all.pdf"));
    printer.setOutputFileName(all);
    job->print(&printer, PrintSettings{1, 1, 0, {}});
    QCOMPARE(pdfPageCount(all), 5);
}

void TestReportJob::printCopies()
{
    if (tool("pdfinfo").isEmpty())
        QSKIP("pdfinfo (poppler-utils) is needed to read the PDF back");
    Fixture f;
    previewAndCloseWhenComplete(f);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = f.env.path(QStringLiteral("copies.pdf"));
    printer.setOutputFileName(pdf);
    const int runs = f.runs;
    f.report.job()->print(&printer, PrintSettings{2, 4, 5, {}});
    QCOMPARE(f.runs, runs + 1); // one run; the PDF printer cannot copy, so the pages are kept for the second copy
    QCOMPARE(pdfPageCount(pdf), 4);
    const QString text = pdfText(pdf);
    QCOMPARE(text.count(QStringLiteral("Page: 4")), 2);
    QCOMPARE(text.count(QStringLiteral("Page: 5")), 2);
}

void TestReportJob::loadedJobPrintsItsStoredPages()
{
    if (tool("pdfinfo").isEmpty())
        QSKIP("pdfinfo (poppler-utils) is needed to read the PDF back");
    Fixture f;
    previewAndCloseWhenComplete(f);
    const QString file = f.env.path(QStringLiteral("report.qrp"));
    f.report.job()->save(file);
    ReportJob loaded;
    loaded.load(file);
    const int runs = f.runs;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = f.env.path(QStringLiteral("stored.pdf"));
    printer.setOutputFileName(pdf);
    loaded.print(&printer, PrintSettings{1, 2, 3, {}});
    QCOMPARE(f.runs, runs); // no run: the stored pages
    QCOMPARE(pdfPageCount(pdf), 2);
    // A range beyond the pages is cut to them.
    printer.setOutputFileName(f.env.path(QStringLiteral("beyond.pdf")));
    loaded.print(&printer, PrintSettings{1, 4, 9, {}});
    QCOMPARE(pdfPageCount(f.env.path(QStringLiteral("beyond.pdf"))), 2);
}

void TestReportJob::printerThatCannotOpen()
{
    Fixture f;
    previewAndCloseWhenComplete(f);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(f.env.path(QStringLiteral("no/such/folder/x.pdf")));
    QVERIFY_THROWS_EXCEPTION(ReportError, f.report.job()->print(&printer, {}));
    QVERIFY(!f.report.job()->isBusy());
    QVERIFY(!f.report.isRunning());
}

void TestReportJob::exportIsAFreshRun()
{
    Fixture f;
    previewAndCloseWhenComplete(f);
    ReportJob* job = f.report.job();
    QVERIFY(job->canExport());
    RecordingWriter writer;
    const int runs = f.runs;
    QVERIFY(job->exportTo(writer, QStringLiteral("out.txt")));
    QCOMPARE(f.runs, runs + 1);
    QCOMPARE(writer.log.first(), QStringLiteral("begin out.txt"));
    QCOMPARE(writer.log.last(), QStringLiteral("end"));
    QCOMPARE(writer.title(), QStringLiteral("Demonstration of worked hours"));
    // The export prints the same figures as the preview.
    QVERIFY(writer.pages == job->pages());
}

void TestReportJob::failedExportLeavesNothing()
{
    Fixture f;
    previewAndCloseWhenComplete(f);
    ReportJob* job = f.report.job();
    RecordingWriter writer;
    writer.failAt = 2;
    QVERIFY_THROWS_EXCEPTION(ExportError, job->exportTo(writer, QStringLiteral("out.txt")));
    QCOMPARE(writer.log, (QStringList{QStringLiteral("begin out.txt"), QStringLiteral("page 1"), QStringLiteral("abort")}));
    QVERIFY(!job->isBusy());
    QVERIFY(!f.report.isRunning());
    // A real writer: nothing appears under the file name.
    auto csv = createExportWriter(ExportType::Csv);
    const QString file = f.env.path(QStringLiteral("out.csv"));
    QVERIFY(job->exportTo(*csv, file));
    QVERIFY(QFile::exists(file));
}

void TestReportJob::closingDuringAnExportWaitsForIt()
{
    Fixture f;
    QStringList log;
    RecordingWriter writer;
    bool exported = false;
    f.report.setOnPreview([&](ReportJob& job) {
        auto* view = new PageView;
        view->setJob(&job);
        QObject::connect(&job, &ReportJob::previewEnded, [&] { log << QStringLiteral("preview ended"); });
        QObject::connect(&job, &ReportJob::stateChanged, view, [&, view](ReportJob::State s) {
            if (s != ReportJob::State::Complete)
                return;
            // The user starts an export; while it reads the data the window is closed.
            QTimer::singleShot(0, &job, [&, view] {
                writer.onPage = [&, view](int n) {
                    if (n == 1) {
                        log << QStringLiteral("window closed");
                        delete view; // the last view detaches: the preview is asked to end
                    }
                };
                exported = job.exportTo(writer, QStringLiteral("out.txt"));
                log << QStringLiteral("export returned");
            });
        });
    });
    f.report.setOnAfterPreview([&] { log << QStringLiteral("after preview"); });
    f.report.preview();
    QVERIFY(exported);
    QCOMPARE(writer.pages.size(), 5); // the whole export, not cut short
    QCOMPARE(writer.log.last(), QStringLiteral("end"));
    // The preview ended only once the export had finished reading the data.
    const qsizetype closed = log.indexOf(QStringLiteral("window closed"));
    const qsizetype ended = log.indexOf(QStringLiteral("preview ended"));
    QVERIFY2(closed >= 0 && ended > closed, qPrintable(log.join(u", ")));
    QCOMPARE(log.mid(ended), (QStringList{QStringLiteral("preview ended"), QStringLiteral("export returned"), QStringLiteral("after preview")}));
}

QTEST_MAIN(TestReportJob)
#include "tst_reportjob.moc"

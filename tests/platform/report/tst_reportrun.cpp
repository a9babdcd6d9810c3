// Runs of a report: the demonstration report's pages element by element (groups, keep-with
// chain, growing note band, sums restarting per group, a suppressed band, the page footer on
// every page), the order of the events, print-if-empty, nested group breaks, and that every
// run prints the same figures.
#include "DemoReport.h"
#include "TestEnv.h"

#include "ReportError.h"

#include <QTest>

using namespace qrep;

namespace {

struct Text {
    QString text;
    double x;
    double y;
};

QList<const PageItem*> textItems(const PreparedPage& page)
{
    QList<const PageItem*> items;
    for (const PageItem& i : page.items)
        if (i.kind == PageItem::Kind::Text)
            items.append(&i);
    return items;
}

const PageItem* findText(const PreparedPage& page, const QString& text)
{
    for (const PageItem& i : page.items)
        if (i.kind == PageItem::Kind::Text && i.text == text)
            return &i;
    return nullptr;
}

// Compares the text items of a page, in order, with their expected texts and top-left corners.
void compareTexts(const PreparedPage& page, const QList<Text>& expected)
{
    const QList<const PageItem*> got = textItems(page);
    for (qsizetype i = 0; i < std::min(got.size(), expected.size()); ++i) {
        const QByteArray where = "item " + QByteArray::number(i) + " \"" + expected[i].text.toUtf8() + "\"";
        QVERIFY2(got[i]->text == expected[i].text, where + " is \"" + got[i]->text.toUtf8() + "\"");
        QVERIFY2(qAbs(got[i]->rect.x() - expected[i].x) < 1e-6, where + " x " + QByteArray::number(got[i]->rect.x()));
        QVERIFY2(qAbs(got[i]->rect.y() - expected[i].y) < 1e-6, where + " y " + QByteArray::number(got[i]->rect.y()));
    }
    QCOMPARE(got.size(), expected.size());
}

struct Fixture {
    TestEnv env;
    qdb::MemTable work;
    std::unique_ptr<qdb::MemTable> sys = demo::makeSysTable();
    Report report{ReportTemplate::fromJson(demo::TemplateJson)};

    Fixture()
    {
        work.setObjectName(QStringLiteral("TabMemGen"));
        demo::defineWorkTable(work);
        demo::fillDemoRows(work);
        report.setDataSet(&work);
        demo::attachHandlers(report, work, *sys);
        report.setCaption(QStringLiteral("QRLabel6"), QStringLiteral("From 3/4/24 to 3/10/24"));
        // The run date would differ between runs that straddle a minute.
        report.setOnPrint(QStringLiteral("RunDate"), [](const ElementDef&, QString& text) { text = QStringLiteral("Date: (run)"); });
    }
};

} // namespace

class TestReportRun : public QObject {
    Q_OBJECT
private slots:
    void demoReportPageOne();
    void demoReportPageTwo();
    void numbersKeepTheirValues();
    void frameLinesAndRules();
    void everyRunPrintsTheSameFigures();
    void eventsInOrder();
    void printHandlerChangesTheText();
    void beforePrintSuppressesABandAndItsChildren();
    void runDataSetLastsOneRun();
    void unknownFieldIsAnError();
    void printIfEmpty_data();
    void printIfEmpty();
    void outerBreakBreaksInnerGroups();
    void pageFooterOnEveryPage();
    void stopEndsTheRunAfterTheCurrentRow();
};

void TestReportRun::demoReportPageOne()
{
    Fixture f;
    const QList<PreparedPage> pages = f.report.prepare();
    QCOMPARE(pages.size(), 2);
    const PreparedPage& p = pages[0];
    QCOMPARE(p.sizeMm, QSizeF(215.9, 279.4));

    // The note of three lines grows its band.
    const PageItem* note = findText(p, QStringLiteral("First line of the note\nSecond line\nThird line"));
    QVERIFY(note);
    QVERIFY(note->wordWrap);
    QVERIFY2(note->rect.height() > 3 * 2.8, QByteArray::number(note->rect.height())); // three lines of 8 pt
    const double grown = 0.5 + note->rect.height(); // the note band's height, more than its 4.5

    // Band tops: title 10, column header 26, project header 36, day header 45, ...
    QList<Text> e{
        {QStringLiteral("Demonstration of worked hours"), 10, 11},
        {QStringLiteral("From 3/4/24 to 3/10/24"), 10, 19},
        {QStringLiteral("Veltrix Inc."), 135, 19}, // from the data set the before-print handler added
        {QStringLiteral("Employee \\ Activity"), 10, 27},
        {QStringLiteral("Hours"), 135, 27},
        {QStringLiteral("Timesheet description"), 10, 31.5},
        {QStringLiteral("Chargeables"), 135, 31.5},
        {QStringLiteral("Not chargeables"), 170.9, 31.5},
        {QStringLiteral("Project: (P1) Website"), 10, 37.5},
        {QStringLiteral("Date: 3/4/24"), 10, 46},
        // detail at 51, its note at 56
        {QStringLiteral("(E1) Ada Lovelace \\ Activity 2"), 13, 51.5},
        {QStringLiteral("3.50"), 135, 51.5},
        {QStringLiteral("0.00"), 170.9, 51.5},
        {QStringLiteral("Kick-off meeting with the customer"), 16, 56.5},
        // detail at 60.5; its blank note band is suppressed
        {QStringLiteral("(E2) Bob Stone \\ Activity 3"), 13, 61},
        {QStringLiteral("0.00"), 135, 61},
        {QStringLiteral("2.25"), 170.9, 61},
        // day footer at 65.5: the day's sums
        {QStringLiteral("3.50"), 135, 66.5},
        {QStringLiteral("2.25"), 170.9, 66.5},
        {QStringLiteral("Total day :"), 110, 71.5},
        {QStringLiteral("5.75"), 170.9, 71.5},
        // day header at 76.5, detail at 82.5, growing note at 87.5
        {QStringLiteral("Date: 3/5/24"), 10, 77.5},
        {QStringLiteral("(E1) Ada Lovelace \\ Activity 1"), 13, 83},
        {QStringLiteral("1.50"), 135, 83},
        {QStringLiteral("2.50"), 170.9, 83},
        {note->text, 16, 88},
    };
    double y = 87.5 + grown; // the next detail comes under the whole note
    e += {
        {QStringLiteral("(E3) Cy Young \\ Activity 2"), 13, y + 0.5},
        {QStringLiteral("0.00"), 135, y + 0.5},
        {QStringLiteral("1.13"), 170.9, y + 0.5}, // 1.125 with two decimals
        // the day's sums restarted after the first day footer: 1.5 and 2.5 + 1.125 (unrounded)
        {QStringLiteral("1.50"), 135, y + 6},
        {QStringLiteral("3.63"), 170.9, y + 6},
        {QStringLiteral("Total day :"), 110, y + 11},
        {QStringLiteral("5.13"), 170.9, y + 11},
    };
    y += 5 + 11;
    // Five one-row days: header 6, detail 5, footer 11.
    for (int day = 6; day <= 10; ++day) {
        const QString act = QStringLiteral("(E2) Bob Stone \\ Activity %1").arg((104 + day - 6) % 3 + 1);
        e += {
            {QStringLiteral("Date: 3/%1/24").arg(day), 10, y + 1},
            {act, 13, y + 6.5},
            {QStringLiteral("1.00"), 135, y + 6.5},
            {QStringLiteral("0.00"), 170.9, y + 6.5},
            {QStringLiteral("1.00"), 135, y + 12},
            {QStringLiteral("0.00"), 170.9, y + 12},
            {QStringLiteral("Total day :"), 110, y + 17},
            {QStringLiteral("1.00"), 170.9, y + 17},
        };
        y += 22;
    }
    // The project footer: sums over the whole project.
    e += {
        {QStringLiteral("10.00"), 135, y + 1},
        {QStringLiteral("5.88"), 170.9, y + 1}, // 5.875
        {QStringLiteral("Total project :"), 110, y + 6},
        {QStringLiteral("15.88"), 170.9, y + 6},
    };
    y += 11;
    // The page footer at the bottom: 279.4 - 10 - 6.
    e += {
        {QStringLiteral("Date: (run)"), 10, 264.4},
        {QStringLiteral("Page: 1"), 115.9, 264.4},
    };
    compareTexts(p, e);

    // Keep-with: project P2's header alone (9 mm) would still fit on page 1, but not with its
    // detail, note band and footer (29.5 mm), so it went to page 2.
    const double bodyBottom = 279.4 - 10 - 6;
    QVERIFY2(y + 9 <= bodyBottom, QByteArray::number(y));
    QVERIFY2(y + 9 + 5 + 4.5 + 11 > bodyBottom, QByteArray::number(y));
}

void TestReportRun::demoReportPageTwo()
{
    Fixture f;
    const QList<PreparedPage> pages = f.report.prepare();
    QCOMPARE(pages.size(), 2);
    compareTexts(pages[1], {
        // The column header repeats at the top of the page.
        {QStringLiteral("Employee \\ Activity"), 10, 11},
        {QStringLiteral("Hours"), 135, 11},
        {QStringLiteral("Timesheet description"), 10, 15.5},
        {QStringLiteral("Chargeables"), 135, 15.5},
        {QStringLiteral("Not chargeables"), 170.9, 15.5},
        {QStringLiteral("Project: (P2) Mobile app"), 10, 21.5}, // header at 20
        {QStringLiteral("Date: 3/4/24"), 10, 30},                // the day header breaks again: 29
        {QStringLiteral("(E1) Ada Lovelace \\ Activity 3"), 13, 35.5},
        {QStringLiteral("0.00"), 135, 35.5},
        {QStringLiteral("0.50"), 170.9, 35.5},
        {QStringLiteral("(E3) Cy Young \\ Activity 2"), 13, 40.5},
        {QStringLiteral("6.00"), 135, 40.5},
        {QStringLiteral("0.00"), 170.9, 40.5},
        {QStringLiteral("Design review"), 16, 45.5},
        // day footer at 49.5
        {QStringLiteral("6.00"), 135, 50.5},
        {QStringLiteral("0.50"), 170.9, 50.5},
        {QStringLiteral("Total day :"), 110, 55.5},
        {QStringLiteral("6.50"), 170.9, 55.5},
        // project footer at 60.5: restarted after P1's footer
        {QStringLiteral("6.00"), 135, 61.5},
        {QStringLiteral("0.50"), 170.9, 61.5},
        {QStringLiteral("Total project :"), 110, 66.5},
        {QStringLiteral("6.50"), 170.9, 66.5},
        // summary at 71.5: over the whole report
        {QStringLiteral("16.00"), 135, 72.5},
        {QStringLiteral("6.38"), 170.9, 72.5}, // 6.375
        {QStringLiteral("Total :"), 110, 77.5},
        {QStringLiteral("22.38"), 170.9, 77.5}, // 22.375
        {QStringLiteral("Date: (run)"), 10, 264.4},
        {QStringLiteral("Page: 2"), 115.9, 264.4},
    });
    // Fonts and alignment as the template says.
    const PageItem* total = findText(pages[1], QStringLiteral("22.38"));
    QVERIFY(total->font.bold());
    QCOMPARE(total->font.family(), QStringLiteral("Arial"));
    QCOMPARE(total->font.pointSizeF(), 10.0);
    QCOMPARE(total->alignment, Qt::AlignRight | Qt::AlignTop);
    const PageItem* project = findText(pages[1], QStringLiteral("Project: (P2) Mobile app"));
    QCOMPARE(project->font.pointSizeF(), 11.0);
    QVERIFY(project->font.bold());
    const PageItem* note = findText(pages[1], QStringLiteral("Design review"));
    QVERIFY(note->font.italic());
    QCOMPARE(note->font.pointSizeF(), 8.0);
}

void TestReportRun::numbersKeepTheirValues()
{
    Fixture f;
    const QList<PreparedPage> pages = f.report.prepare();
    // Numbers carry their unrounded value for the writers; texts are formatted.
    const PageItem* sum = findText(pages[1], QStringLiteral("6.38"));
    QVERIFY(sum->number);
    QCOMPARE(*sum->number, 6.375);
    QVERIFY(!findText(pages[1], QStringLiteral("Total :"))->number);
    QVERIFY(!findText(pages[1], QStringLiteral("Page: 2"))->number);
}

void TestReportRun::frameLinesAndRules()
{
    Fixture f;
    const QList<PreparedPage> pages = f.report.prepare();
    auto lineAt = [](const PreparedPage& p, double x1, double y1, double x2) {
        for (const PageItem& i : p.items)
            if (i.kind == PageItem::Kind::Line && qAbs(i.rect.left() - x1) < 1e-6 && qAbs(i.rect.top() - y1) < 1e-6
                && qAbs(i.rect.right() - x2) < 1e-6)
                return &i;
        return static_cast<const PageItem*>(nullptr);
    };
    // Title band frame lines at its top and bottom edges, across the printable width.
    QVERIFY(lineAt(pages[0], 10, 10, 205.9));
    QVERIFY(lineAt(pages[0], 10, 26, 205.9));
    // Column header's frame line at its bottom edge, on both pages.
    QVERIFY(lineAt(pages[0], 10, 36, 205.9));
    QVERIFY(lineAt(pages[1], 10, 20, 205.9));
    // The thick rules of the project header.
    const PageItem* rule = lineAt(pages[0], 10, 36.5, 205.9);
    QVERIFY(rule);
    QCOMPARE(rule->penWidthMm, 0.5);
    // The page footer's frame line at the top of the footer, on every page.
    QVERIFY(lineAt(pages[0], 10, 263.4, 205.9));
    QVERIFY(lineAt(pages[1], 10, 263.4, 205.9));
    // The box around "Hours".
    bool box = false;
    for (const PageItem& i : pages[0].items)
        box = box || (i.kind == PageItem::Kind::Rect && i.rect == QRectF(135, 26.5, 70.9, 4.5));
    QVERIFY(box);
}

void TestReportRun::everyRunPrintsTheSameFigures()
{
    Fixture f;
    const QList<PreparedPage> first = f.report.prepare();
    const QList<PreparedPage> second = f.report.prepare();
    QCOMPARE(second.size(), first.size());
    QVERIFY(second == first);
}

void TestReportRun::eventsInOrder()
{
    TestEnv env;
    qdb::MemTable t;
    t.setObjectName(QStringLiteral("T"));
    t.addFieldDef(QStringLiteral("G"), qdb::FieldType::String, 5);
    t.addFieldDef(QStringLiteral("N"), qdb::FieldType::Float);
    t.createDataSet();
    for (auto [g, n] : {std::pair{"a", 1.0}, {"a", 2.0}, {"b", 4.0}}) {
        t.append();
        t.fieldByName(QStringLiteral("G"))->setValue(QString::fromLatin1(g));
        t.fieldByName(QStringLiteral("N"))->setValue(n);
        t.post();
    }
    Report r(ReportTemplate::fromJson(R"json({ "title": "Events", "bands": [
        { "name": "Title", "type": "title", "height": 10 },
        { "name": "Head", "type": "groupHeader", "height": 5, "expression": "G", "footer": "Foot",
          "elements": [ { "name": "HeadG", "type": "field", "expression": "G", "rect": [0, 0, 20, 5] } ] },
        { "name": "Detail", "type": "detail", "height": 5,
          "elements": [ { "name": "Num", "type": "field", "expression": "N", "mask": "0.00", "rect": [0, 0, 20, 5] } ] },
        { "name": "Foot", "type": "groupFooter", "height": 5,
          "elements": [ { "name": "Sum", "type": "expression", "expression": "SUM(N)", "rect": [0, 0, 20, 5] },
                        { "name": "FootG", "type": "field", "expression": "G", "rect": [20, 0, 20, 5] } ] },
        { "name": "Summary", "type": "summary", "height": 5,
          "elements": [ { "name": "Total", "type": "expression", "expression": "SUM(N)", "rect": [0, 0, 20, 5] } ] },
        { "name": "PageFoot", "type": "pageFooter", "height": 5 } ] })json"));
    r.setDataSet(&t);
    QStringList log;
    r.setOnBeforePrint([&] { log << QStringLiteral("run"); });
    r.setOnAfterPrint([&] { log << QStringLiteral("end"); });
    for (const QString band : {QStringLiteral("Title"), QStringLiteral("Head"), QStringLiteral("Detail"), QStringLiteral("Foot"),
             QStringLiteral("Summary"), QStringLiteral("PageFoot")}) {
        r.setBeforePrint(band, [&log](const BandDef& b, bool&) { log << QStringLiteral("before ") + b.name; });
        r.setAfterPrint(band, [&log](const BandDef& b, bool printed) { log << QStringLiteral("after %1 %2").arg(b.name).arg(printed); });
    }
    for (const QString el : {QStringLiteral("HeadG"), QStringLiteral("Num"), QStringLiteral("Sum"), QStringLiteral("FootG"), QStringLiteral("Total")})
        r.setOnPrint(el, [&log](const ElementDef& e, QString& text) { log << e.name + QStringLiteral(" = ") + text; });
    r.prepare();
    const QStringList expected{
        QStringLiteral("run"),
        QStringLiteral("before Title"), QStringLiteral("after Title 1"),
        QStringLiteral("before Head"), QStringLiteral("HeadG = a"), QStringLiteral("after Head 1"),
        QStringLiteral("before Detail"), QStringLiteral("Num = 1.00"), QStringLiteral("after Detail 1"),
        QStringLiteral("before Detail"), QStringLiteral("Num = 2.00"), QStringLiteral("after Detail 1"),
        // the footer prints with the group's last row current
        QStringLiteral("before Foot"), QStringLiteral("Sum = 3"), QStringLiteral("FootG = a"), QStringLiteral("after Foot 1"),
        QStringLiteral("before Head"), QStringLiteral("HeadG = b"), QStringLiteral("after Head 1"),
        QStringLiteral("before Detail"), QStringLiteral("Num = 4.00"), QStringLiteral("after Detail 1"),
        QStringLiteral("before Foot"), QStringLiteral("Sum = 4"), QStringLiteral("FootG = b"), QStringLiteral("after Foot 1"),
        QStringLiteral("before Summary"), QStringLiteral("Total = 7"), QStringLiteral("after Summary 1"),
        QStringLiteral("before PageFoot"), QStringLiteral("after PageFoot 1"),
        QStringLiteral("end"),
    };
    QCOMPARE(log, expected);
}

void TestReportRun::printHandlerChangesTheText()
{
    Fixture f;
    double subtotal = 0;
    // As the project reports do: add each printed (formatted) value, then write it into a label.
    f.report.setOnPrint(QStringLiteral("Fac"), [&](const ElementDef&, QString& text) { subtotal += QLocale().toDouble(text); });
    f.report.setOnPrint(QStringLiteral("DayTitle"), [](const ElementDef&, QString& text) { text = text.toUpper(); });
    f.report.setBeforePrint(QStringLiteral("SummaryBand1"), [&](const BandDef&, bool&) {});
    const QList<PreparedPage> pages = f.report.prepare();
    QCOMPARE(subtotal, 16.0);
    QVERIFY(findText(pages[0], QStringLiteral("DATE: 3/4/24")));
    QVERIFY(!findText(pages[0], QStringLiteral("Date: 3/4/24")));
}

void TestReportRun::beforePrintSuppressesABandAndItsChildren()
{
    Fixture f;
    int notes = 0;
    f.report.setAfterPrint(QStringLiteral("QRChildBand1"), [&](const BandDef&, bool printed) { notes += printed; });
    // Suppress the detail row of Bob Stone on 3/4: neither it nor its note band prints, and
    // its hours do not reach the sums.
    f.report.setBeforePrint(QStringLiteral("DetailBand1"), [&](const BandDef&, bool& print) {
        print = !(f.work.fieldByName(QStringLiteral("EMPCOD"))->asString() == u"E2"
            && f.work.fieldByName(QStringLiteral("TEMDAT"))->asDate() == QDate(2024, 3, 4));
    });
    const QList<PreparedPage> pages = f.report.prepare();
    const QList<const PageItem*> items = textItems(pages[0]);
    // The first day now holds one row: its footer sums 3.50 and 0.00.
    int i = 0;
    while (items[i]->text != u"Kick-off meeting with the customer")
        ++i;
    QCOMPARE(items[i + 1]->text, QStringLiteral("3.50"));
    QCOMPARE(items[i + 2]->text, QStringLiteral("0.00"));
    QCOMPARE(items[i + 3]->text, QStringLiteral("Total day :"));
    QCOMPARE(items[i + 4]->text, QStringLiteral("3.50"));
    // Three notes print (the blank one and the suppressed row's never do).
    QCOMPARE(notes, 3);
    QVERIFY(findText(pages.last(), QStringLiteral("20.13"))); // 22.375 - 2.25
}

void TestReportRun::runDataSetLastsOneRun()
{
    Fixture f;
    f.report.prepare();
    // Without the before-print handler the Sys table is not in the lookup any more.
    f.report.setOnBeforePrint({});
    try {
        f.report.prepare();
        QFAIL("the run should have failed");
    } catch (const ReportError& e) {
        QCOMPARE(e.kind(), ReportError::Kind::Template);
        QVERIFY2(e.message().contains(QStringLiteral("Sys.COMPANY")), qPrintable(e.message()));
    }
    // A data set of the report's own, added once, is looked up at every run.
    f.report.addDataSet(f.sys.get());
    QCOMPARE(f.report.prepare().size(), 2);
}

void TestReportRun::unknownFieldIsAnError()
{
    TestEnv env;
    // A syntax error shows when the template is set, not in the middle of a run.
    try {
        Report r(ReportTemplate::fromJson(R"json({ "bands": [ { "name": "D", "type": "detail",
            "elements": [ { "type": "expression", "expression": "'a' + (", "rect": [0, 0, 1, 1] } ] } ] })json"));
        QFAIL("the template should have been refused");
    } catch (const ReportError& e) {
        QCOMPARE(e.kind(), ReportError::Kind::Template);
        QVERIFY2(e.message().contains(QStringLiteral("'a' + (")), qPrintable(e.message()));
    }
    // A name that no data set has fails the run with the name in the message.
    qdb::MemTable t;
    t.addFieldDef(QStringLiteral("A"), qdb::FieldType::String, 5);
    t.createDataSet();
    t.append();
    t.fieldByName(QStringLiteral("A"))->setValue(QStringLiteral("x"));
    t.post();
    Report r(ReportTemplate::fromJson(R"json({ "bands": [ { "name": "D", "type": "detail",
        "elements": [ { "type": "field", "expression": "NOSUCH", "rect": [0, 0, 1, 1] } ] } ] })json"));
    r.setDataSet(&t);
    try {
        r.prepare();
        QFAIL("the run should have failed");
    } catch (const ReportError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("\"NOSUCH\"")), qPrintable(e.message()));
    }
    QVERIFY(!r.isRunning());
}

void TestReportRun::printIfEmpty_data()
{
    QTest::addColumn<bool>("printIfEmpty");
    QTest::newRow("on") << true;
    QTest::newRow("off") << false;
}

void TestReportRun::printIfEmpty()
{
    QFETCH(bool, printIfEmpty);
    Fixture f;
    f.work.emptyDataSet();
    ReportTemplate t = f.report.reportTemplate();
    t.printIfEmpty = printIfEmpty;
    f.report.setTemplate(t);
    f.report.setCaption(QStringLiteral("QRLabel6"), QStringLiteral("From 3/4/24 to 3/10/24"));
    const QList<PreparedPage> pages = f.report.prepare();
    if (!printIfEmpty) {
        QCOMPARE(pages.size(), 0);
        return;
    }
    QCOMPARE(pages.size(), 1);
    // Title, column header, the summary with zero sums, the page footer; no group or detail.
    compareTexts(pages[0], {
        {QStringLiteral("Demonstration of worked hours"), 10, 11},
        {QStringLiteral("From 3/4/24 to 3/10/24"), 10, 19},
        {QStringLiteral("Veltrix Inc."), 135, 19},
        {QStringLiteral("Employee \\ Activity"), 10, 27},
        {QStringLiteral("Hours"), 135, 27},
        {QStringLiteral("Timesheet description"), 10, 31.5},
        {QStringLiteral("Chargeables"), 135, 31.5},
        {QStringLiteral("Not chargeables"), 170.9, 31.5},
        {QStringLiteral("0.00"), 135, 37},
        {QStringLiteral("0.00"), 170.9, 37},
        {QStringLiteral("Total :"), 110, 42},
        {QStringLiteral("0.00"), 170.9, 42},
        {QStringLiteral("Date: (run)"), 10, 264.4},
        {QStringLiteral("Page: 1"), 115.9, 264.4},
    });
}

void TestReportRun::outerBreakBreaksInnerGroups()
{
    Fixture f;
    f.work.emptyDataSet();
    const QDate d(2024, 3, 4);
    // The last day of P1 is the first day of P2: the day header must print again for P2.
    demo::append(f.work, {"P1", "E1", d, 1, 2, 1, ""});
    demo::append(f.work, {"P2", "E1", d, 2, 3, 3, ""});
    demo::append(f.work, {"P2", "E2", d, 3, 1, 0, ""});
    const QList<PreparedPage> pages = f.report.prepare();
    QCOMPARE(pages.size(), 1);
    QStringList order;
    for (const PageItem* i : textItems(pages[0]))
        if (i->text.startsWith(u"Project") || i->text.startsWith(u"Date: 3") || i->text.startsWith(u"Total"))
            order << i->text;
    QCOMPARE(order, (QStringList{QStringLiteral("Project: (P1) Website"), QStringLiteral("Date: 3/4/24"), QStringLiteral("Total day :"),
                        QStringLiteral("Total project :"), QStringLiteral("Project: (P2) Mobile app"), QStringLiteral("Date: 3/4/24"),
                        QStringLiteral("Total day :"), QStringLiteral("Total project :"), QStringLiteral("Total :")}));
}

void TestReportRun::pageFooterOnEveryPage()
{
    Fixture f;
    f.work.emptyDataSet();
    for (int i = 0; i < 120; ++i)
        demo::append(f.work, {"P1", "E1", QDate(2024, 1, 1).addDays(i / 4), i, 1, 0.5, i % 7 ? "" : "A note"});
    const QList<PreparedPage> pages = f.report.prepare();
    QVERIFY(pages.size() >= 4);
    for (int n = 1; n <= pages.size(); ++n) {
        const PageItem* footer = findText(pages[n - 1], QStringLiteral("Page: %1").arg(n));
        QVERIFY2(footer, qPrintable(QStringLiteral("page %1 has no footer").arg(n)));
        QCOMPARE(footer->rect.y(), 264.4);
        // Nothing but the footer runs into the footer's space.
        for (const PageItem& i : pages[n - 1].items)
            if (i.kind == PageItem::Kind::Text && i.rect.y() < 263.4)
                QVERIFY2(i.rect.bottom() <= 263.4 + 1e-6, qPrintable(i.text));
    }
    QVERIFY(findText(pages.last(), QStringLiteral("120.00"))); // the grand total on the last page
}

void TestReportRun::stopEndsTheRunAfterTheCurrentRow()
{
    Fixture f;
    int rows = 0;
    f.report.setAfterPrint(QStringLiteral("DetailBand1"), [&](const BandDef&, bool) {
        if (++rows == 3)
            f.report.requestStop();
    });
    const QList<PreparedPage> pages = f.report.prepare();
    QCOMPARE(rows, 3);
    QCOMPARE(pages.size(), 1);
    QVERIFY(findText(pages[0], QStringLiteral("Page: 1"))); // the page is closed with its footer
    QVERIFY(!findText(pages[0], QStringLiteral("Total project :")));
}

QTEST_MAIN(TestReportRun)
#include "tst_reportrun.moc"

#include "NoteSearch.h"
#include "TimesheetFixture.h"
#include "ui_Tem.h"
#include "ui_rech.h"

#include <QTabBar>
#include <QTimer>
#include <QtTest>

// The note search over every entry, and the way back from a result to the timesheet window.
class TestRech : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { f.destroy(); }

    void search_data();
    void search();
    void noKeywordWarns();
    void stopKeepsResults();
    void secondFindStartsAnew();
    void closeHidesAndTheSearchGoesOn();
    void doubleClickGoesToTheEntry();

private:
    QList<int> find(const QString& keywords);
    QList<int> results();
    void manyEntries(int count);
    TimesheetFixture f;
};

void TestRech::init()
{
    f.create();
    f.addEmployee(QStringLiteral("E1"), QStringLiteral("Ann Smith"));
    f.addEmployee(QStringLiteral("E2"), QStringLiteral("Bob Jones"));
    f.addProject(QStringLiteral("P1"), QStringLiteral("Client portal"));
    f.addProject(QStringLiteral("P2"), QStringLiteral("Internal"));
    f.addActivity(1, QStringLiteral("Design"));
    f.addActivity(2, QStringLiteral("Meeting"));
    const QDate d(2021, 3, 10);
    f.addEntry(1, QStringLiteral("E1"), d, 2, true, QStringLiteral("P2"), 1, QStringLiteral("Weekly meeting\nwith the client"));
    f.addEntry(2, QStringLiteral("E1"), d.addDays(1), 3, false, QStringLiteral("P2"), 1, QStringLiteral("Meeting notes"));
    f.addEntry(3, QStringLiteral("E2"), d.addDays(2), 1.5, QVariant(), QStringLiteral("P2"), 1, QStringLiteral("Café with the team"));
    f.addEntry(4, QStringLiteral("E2"), d.addDays(3), 4, true, QStringLiteral("P2"), 1, QStringLiteral("CAFÉ review"));
    f.addEntry(5, QStringLiteral("E1"), QDate(2021, 2, 12), 8, true, QStringLiteral("P1"), 2, QVariant());
}

QList<int> TestRech::results()
{
    QList<int> codes;
    qdb::MemTable& cds = *f.rech->CDS();
    for (cds.first(); !cds.eof(); cds.next())
        codes << cds.fieldByName(QStringLiteral("TemCod"))->asInteger();
    return codes;
}

QList<int> TestRech::find(const QString& keywords)
{
    f.rech->form()->Memo1->setPlainText(keywords);
    f.rech->BitBtn1Click();
    return results();
}

void TestRech::search_data()
{
    QTest::addColumn<QString>("keywords");
    QTest::addColumn<QList<int>>("expected"); // in date order
    QTest::newRow("meeting and client on two lines") << "meeting\nclient" << QList<int> { 5, 1 };
    QTest::newRow("capitals fold a-z") << "MEETING" << QList<int> { 5, 1, 2 };
    QTest::newRow("accented capital is not the small letter") << "CAFÉ" << QList<int> { 4 };
    QTest::newRow("small accented letter") << "café" << QList<int> { 3 };
    QTest::newRow("blank line is no condition") << "   " << QList<int> { 5, 1, 2, 3, 4 };
    QTest::newRow("blank line beside a keyword") << "notes\n\n" << QList<int> { 2 };
    QTest::newRow("chargeables") << "chargeables" << QList<int> { 5, 1, 2, 3, 4 };
    QTest::newRow("not chargeables") << "not chargeables" << QList<int> { 2, 3 };
    QTest::newRow("12 in a date") << "12" << QList<int> { 5, 3 };
    QTest::newRow("employee name") << "  bob jones\t" << QList<int> { 3, 4 };
    QTest::newRow("nothing") << "holiday" << QList<int> {};
}

void TestRech::search()
{
    QFETCH(QString, keywords);
    QFETCH(QList<int>, expected);
    f.open(QDate(2021, 3, 10));
    QCOMPARE(find(keywords), expected);
    QVERIFY(!f.rech->form()->Anim->isPlaying());
}

void TestRech::noKeywordWarns()
{
    f.open(QDate(2021, 3, 10));
    find(QStringLiteral("weekly"));
    QCOMPARE(find(QString()), (QList<int> { 1 })); // the earlier results stay
    QCOMPARE(f.dialogs->messages.size(), 1);
    QCOMPARE(f.dialogs->messages[0].caption, QStringLiteral("Warning ..."));
    QCOMPARE(f.dialogs->messages[0].text, QStringLiteral("Please, enter keywords for your search."));
}

void TestRech::manyEntries(int count)
{
    qdb::WriteTransaction t(*FData->Db);
    for (int i = 0; i < count; ++i)
        f.addEntry(100 + i, QStringLiteral("E1"), QDate(2020, 1, 1).addDays(i % 300), 1, true, QStringLiteral("P1"), 1,
            QStringLiteral("routine work"));
    t.commit();
}

void TestRech::stopKeepsResults()
{
    manyEntries(20000);
    f.open(QDate(2021, 3, 10));
    // Stop as soon as a few results are in (events are let through during the search).
    QTimer stopper;
    stopper.setInterval(0);
    connect(&stopper, &QTimer::timeout, this, [&] {
        if (f.rech->CDS()->recordCount() >= 3) {
            f.rech->form()->BitBtn3->click();
            stopper.stop();
        }
    });
    stopper.start();
    const QList<int> found = find(QStringLiteral("routine"));
    QVERIFY(!stopper.isActive());
    QVERIFY2(found.size() >= 3 && found.size() < 20000, qPrintable(QString::number(found.size())));
    QCOMPARE(results(), found); // kept after the search ended
    QVERIFY(!f.rech->form()->Anim->isPlaying());
}

void TestRech::secondFindStartsAnew()
{
    manyEntries(20000);
    f.open(QDate(2021, 3, 10));
    QTimer::singleShot(0, this, [&] {
        f.rech->form()->Memo1->setPlainText(QStringLiteral("weekly"));
        f.rech->form()->BitBtn1->click();
    });
    f.rech->form()->Memo1->setPlainText(QStringLiteral("routine"));
    f.rech->BitBtn1Click();
    QCOMPARE(results(), (QList<int> { 1 }));
    QVERIFY(!f.rech->searching());
    QVERIFY(!f.rech->form()->Anim->isPlaying());
}

void TestRech::closeHidesAndTheSearchGoesOn()
{
    manyEntries(5000);
    f.open(QDate(2021, 3, 10));
    f.rech->show();
    bool wasSearching = false;
    QTimer::singleShot(0, this, [&] {
        wasSearching = f.rech->searching();
        f.rech->form()->BitBtn2->click();
    });
    const QList<int> found = find(QStringLiteral("routine"));
    QVERIFY(wasSearching);
    QVERIFY(!f.rech->isVisible());
    QCOMPARE(found.size(), 5000);
}

void TestRech::doubleClickGoesToTheEntry()
{
    f.open(QDate(2021, 3, 10));
    QCOMPARE(FData->TabEmpEMPCOD->asString(), QStringLiteral("E1"));
    QCOMPARE(find(QStringLiteral("café")), (QList<int> { 3 })); // Bob, another day
    f.rech->DBCtrlGrid1DblClick();
    QCOMPARE(FData->TabEmpEMPCOD->asString(), QStringLiteral("E2"));
    QCOMPARE(f.cal->date(), QDate(2021, 3, 12));
    QCOMPARE(FData->DatJou, QDate(2021, 3, 12));
    QCOMPARE(f.tem->TabControl1()->tabText(f.tem->selectedTab()), QStringLiteral("Friday"));
    QCOMPARE(FData->TabTemTEMCOD->asInteger(), 3);
    QCOMPARE(f.totals(f.tem), QStringLiteral("0 0 0 4 0 4"));

    // A result of last month in another employee's name.
    QCOMPARE(find(QStringLiteral("portal")), (QList<int> { 5 }));
    f.rech->DBCtrlGrid1DblClick();
    QCOMPARE(FData->TabEmpEMPCOD->asString(), QStringLiteral("E1"));
    QCOMPARE(f.cal->date(), QDate(2021, 2, 12));
    QCOMPARE(f.tem->form()->DateTimePicker1->date(), QDate(2021, 2, 12));
    QCOMPARE(FData->TabTemTEMCOD->asInteger(), 5);
}

QTEST_MAIN(TestRech)
#include "tst_rech.moc"

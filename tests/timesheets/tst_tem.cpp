#include "Period.h"
#include "TemAm.h"
#include "TimesheetFixture.h"
#include "ui_Tem.h"

#include <QCalendarWidget>
#include <QRadioButton>
#include <QToolButton>
#include <QTabBar>
#include <QtTest>

namespace {
const QDate Wed10 { 2021, 3, 10 }; // a Wednesday
}

class TestTem : public QObject {
    Q_OBJECT
private slots:
    void init() { f.create(); }
    void cleanup() { f.destroy(); }

    void tabsAndPeriod_data();
    void tabsAndPeriod();
    void otherTabMovesTheDay();
    void nextAndLastWeekKeepTheTab();
    void pickerAndCalendarGoToTheirDate();
    void totals_data();
    void totals();
    void totalsFollowEmployeeOnlyInTimesheetView();
    void editAndDeleteOnEmptyDayDoNothing();
    void deleteAsksThenRefreshesTotals();
    void newEntryPresets_data();
    void newEntryPresets();
    void panelRowsFollowHeight_data();
    void panelRowsFollowHeight();
    void refusedDayKeepsDateTabsAndListTogether();
    void lockedEntryIsRefused();

private:
    void standardRows();
    QList<int> listedEntries();
    TimesheetFixture f;
};

void TestTem::standardRows()
{
    f.addEmployee(QStringLiteral("E1"), QStringLiteral("Ann"));
    f.addEmployee(QStringLiteral("E2"), QStringLiteral("Bob"));
    f.addProject(QStringLiteral("P1"), QStringLiteral("Alpha"));
    f.addProject(QStringLiteral("P2"), QStringLiteral("Beta"));
    f.addActivity(1, QStringLiteral("Design"));
    f.addActivity(4, QStringLiteral("Meeting"));
    f.addActivity(9, QStringLiteral("Travel"));
}

QList<int> TestTem::listedEntries()
{
    QList<int> codes;
    qdb::Table& t = *FData->TabTem;
    for (t.first(); !t.eof(); t.next())
        codes << FData->TabTemTEMCOD->asInteger();
    t.first();
    return codes;
}

void TestTem::tabsAndPeriod_data()
{
    QTest::addColumn<int>("firstDay");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("firstTab");
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::newRow("Sunday, Wednesday") << 0 << Wed10 << 3 << "Sunday" << QDate(2021, 3, 7) << QDate(2021, 3, 13);
    QTest::newRow("Monday, Sunday") << 1 << QDate(2021, 3, 14) << 6 << "Monday" << QDate(2021, 3, 8) << QDate(2021, 3, 14);
    QTest::newRow("Monday, Wednesday") << 1 << Wed10 << 2 << "Monday" << QDate(2021, 3, 8) << QDate(2021, 3, 14);
    QTest::newRow("Thursday, Thursday") << 4 << QDate(2021, 3, 11) << 0 << "Thursday" << QDate(2021, 3, 11)
                                        << QDate(2021, 3, 17);
    QTest::newRow("Saturday, Friday") << 6 << QDate(2021, 3, 12) << 6 << "Saturday" << QDate(2021, 3, 6)
                                      << QDate(2021, 3, 12);
}

void TestTem::tabsAndPeriod()
{
    QFETCH(int, firstDay);
    QFETCH(QDate, date);
    QFETCH(int, tab);
    QFETCH(QString, firstTab);
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    standardRows();
    f.setSys(QStringLiteral("SYSPREJOUPER"), firstDay);
    f.open(date);
    QTabBar* tabs = f.tem->TabControl1();
    QCOMPARE(tabs->count(), 7);
    QCOMPARE(tabs->tabText(0), firstTab);
    QCOMPARE(tabs->currentIndex(), tab);
    QCOMPARE(tabs->tabText(tab), DayNames[Period::weekday(date)]);
    QCOMPARE(Period::tabOf(date, firstDay), tab);
    QCOMPARE(Period::start(date, f.tem->selectedTab()), start);
    QCOMPARE(Period::end(date, f.tem->selectedTab()), end);
    QCOMPARE(f.tem->form()->DateTimePicker1->date(), date);
    QCOMPARE(FData->DatJou, date);
}

void TestTem::otherTabMovesTheDay()
{
    standardRows();
    f.addEntry(1, QStringLiteral("E1"), QDate(2021, 3, 9), 2, true);
    f.addEntry(2, QStringLiteral("E1"), QDate(2021, 3, 12), 3, true);
    f.open(QDate(2021, 3, 12)); // Friday: tab 5 with Sunday first
    QCOMPARE(f.tem->selectedTab(), 5);
    QCOMPARE(listedEntries(), QList<int> { 2 });
    f.tem->TabControl1()->setCurrentIndex(2); // as the user's click does
    QCOMPARE(f.cal->date(), QDate(2021, 3, 9));
    QCOMPARE(f.tem->form()->DateTimePicker1->date(), QDate(2021, 3, 9));
    QCOMPARE(FData->DatJou, QDate(2021, 3, 9));
    QCOMPARE(listedEntries(), QList<int> { 1 });
    QCOMPARE(f.totals(f.tem), QStringLiteral("2 0 2 5 0 5"));
}

void TestTem::nextAndLastWeekKeepTheTab()
{
    standardRows();
    f.addEntry(1, QStringLiteral("E1"), Wed10, 1, true);
    f.addEntry(2, QStringLiteral("E1"), Wed10.addDays(7), 4, false);
    f.addEntry(3, QStringLiteral("E1"), Wed10.addDays(8), 1.5, true);
    f.open(Wed10);
    f.tem->SpeedButton3Click();
    QCOMPARE(f.cal->date(), Wed10.addDays(7));
    QCOMPARE(f.tem->selectedTab(), 3);
    QCOMPARE(listedEntries(), QList<int> { 2 });
    QCOMPARE(f.totals(f.tem), QStringLiteral("0 4 4 1.5 4 5.5"));
    f.tem->SpeedButton1Click();
    QCOMPARE(f.cal->date(), Wed10);
    QCOMPARE(f.tem->selectedTab(), 3);
    QCOMPARE(listedEntries(), QList<int> { 1 });
}

void TestTem::pickerAndCalendarGoToTheirDate()
{
    standardRows();
    f.addEntry(1, QStringLiteral("E1"), QDate(2021, 4, 22), 6, true);
    f.open(Wed10);
    f.tem->form()->DateTimePicker1->setDate(QDate(2021, 4, 22)); // a date typed or picked
    QCOMPARE(f.cal->date(), QDate(2021, 4, 22));
    QCOMPARE(f.tem->TabControl1()->tabText(f.tem->selectedTab()), QStringLiteral("Thursday"));
    QCOMPARE(listedEntries(), QList<int> { 1 });

    // A click in another month of the calendar.
    f.cal->MonthCalendar1()->setSelectedDate(QDate(2021, 2, 1));
    QCOMPARE(f.tem->form()->DateTimePicker1->date(), QDate(2021, 2, 1));
    QCOMPARE(f.tem->TabControl1()->tabText(f.tem->selectedTab()), QStringLiteral("Monday"));
    QCOMPARE(FData->DatJou, QDate(2021, 2, 1));
    QVERIFY(listedEntries().isEmpty());
    QCOMPARE(f.totals(f.tem), QStringLiteral("0 0 0 0 0 0"));
}

void TestTem::totals_data()
{
    QTest::addColumn<QVariantList>("hours");
    QTest::addColumn<QVariantList>("billable");
    QTest::addColumn<QString>("expected"); // day: billable, not, total; period: billable, not, total
    QTest::newRow("7.5 and 0.5") << QVariantList { 7.5, 0.5 } << QVariantList { true, false } << "7.5 0.5 8 7.5 0.5 8";
    QTest::newRow("0.1 + 0.2 shown as 0.3") << QVariantList { 0.1, 0.2 } << QVariantList { true, true }
                                            << "0.3 0 0.3 0.3 0 0.3";
    QTest::newRow("empty flag counts nowhere") << QVariantList { 3, 2 } << QVariantList { QVariant(), false }
                                               << "0 2 2 0 2 2";
    QTest::newRow("no entries") << QVariantList {} << QVariantList {} << "0 0 0 0 0 0";
    QTest::newRow("12.25 twice") << QVariantList { 12.25, 12.25 } << QVariantList { false, false }
                                 << "0 24.5 24.5 0 24.5 24.5";
}

void TestTem::totals()
{
    QFETCH(QVariantList, hours);
    QFETCH(QVariantList, billable);
    QFETCH(QString, expected);
    standardRows();
    for (int i = 0; i < hours.size(); ++i)
        f.addEntry(i + 1, QStringLiteral("E1"), Wed10, hours[i], billable[i]);
    // Other days of the period count in the period only, other employees and periods nowhere.
    f.addEntry(100, QStringLiteral("E2"), Wed10, 5, true);
    f.addEntry(101, QStringLiteral("E1"), Wed10.addDays(7), 5, true);
    f.open(Wed10);
    QCOMPARE(f.totals(f.tem), expected);
}

void TestTem::totalsFollowEmployeeOnlyInTimesheetView()
{
    standardRows();
    f.addEntry(1, QStringLiteral("E2"), Wed10, 3, true);
    f.open(Wed10);
    QCOMPARE(f.totals(f.tem), QStringLiteral("0 0 0 0 0 0"));
    f.tem->setProperty("Tag", 0); // another child window is shown
    FData->TabEmp->next();
    QCOMPARE(FData->TabEmpEMPCOD->asString(), QStringLiteral("E2"));
    QCOMPARE(listedEntries(), QList<int> { 1 }); // the list follows, the totals wait
    QCOMPARE(f.totals(f.tem), QStringLiteral("0 0 0 0 0 0"));
    f.tem->setProperty("Tag", 1);
    FData->TabEmp->first();
    FData->TabEmp->next();
    QCOMPARE(f.totals(f.tem), QStringLiteral("3 0 3 3 0 3"));
}

void TestTem::editAndDeleteOnEmptyDayDoNothing()
{
    standardRows();
    f.open(Wed10);
    f.tem->ToolButton2Click();
    f.tem->ToolButton3Click();
    QVERIFY(f.dialogs->dialogs.isEmpty());
    QVERIFY(f.dialogs->messages.isEmpty());
    QCOMPARE(FData->TabTem->state(), qdb::Dataset::State::Browse);
}

void TestTem::deleteAsksThenRefreshesTotals()
{
    standardRows();
    f.addEntry(1, QStringLiteral("E1"), Wed10, 2, true);
    f.addEntry(2, QStringLiteral("E1"), Wed10, 3, false);
    f.open(Wed10);
    f.dialogs->answers = { qui::Answer::No };
    f.tem->ToolButton3Click();
    QCOMPARE(f.dialogs->messages.size(), 1);
    QCOMPARE(f.dialogs->messages[0].caption, QStringLiteral("Confirmation please"));
    QCOMPARE(f.dialogs->messages[0].text, QStringLiteral("Do you really want to delete this timesheet?"));
    QCOMPARE(listedEntries().size(), 2);
    f.dialogs->answers = { qui::Answer::Yes };
    f.tem->ToolButton3Click();
    QCOMPARE(listedEntries(), QList<int> { 2 });
    QCOMPARE(f.totals(f.tem), QStringLiteral("0 3 3 0 3 3"));
}

void TestTem::newEntryPresets_data()
{
    QTest::addColumn<bool>("withLinks");
    QTest::newRow("project with links 4 and 9") << true;
    QTest::newRow("project without links") << false;
}

void TestTem::newEntryPresets()
{
    QFETCH(bool, withLinks);
    standardRows();
    if (withLinks) {
        f.addLink(QStringLiteral("P2"), 9);
        f.addLink(QStringLiteral("P2"), 4);
    }
    f.open(Wed10);
    FData->TabEmp->last(); // Bob
    QVERIFY(FData->TabPrj->locate(QStringLiteral("PRJCOD"), QStringLiteral("P2")));
    QString empcod, prjcod;
    QDate date;
    QVariant actcod;
    bool linked = false, allEnabled = false;
    int mode = -1;
    f.onOtherDialog = [&](QDialog* dialog) {
        auto* am = qobject_cast<TFTemAm*>(dialog);
        empcod = FData->TabTemEMPCOD->asString();
        prjcod = FData->TabTemPRJCOD->asString();
        date = FData->TabTemTEMDAT->asDate();
        actcod = FData->TabTemACTCOD->value();
        linked = am->findChild<QRadioButton*>(QStringLiteral("RadioButton1"))->isChecked();
        allEnabled = am->findChild<QToolButton*>(QStringLiteral("SpeedButton2"))->isEnabled();
        mode = am->mode();
        return int(QDialog::Rejected);
    };
    f.tem->ToolButton1Click();
    QCOMPARE(empcod, QStringLiteral("E2"));
    QCOMPARE(date, Wed10);
    QCOMPARE(prjcod, QStringLiteral("P2"));
    QCOMPARE(mode, 1);
    QCOMPARE(actcod.toInt(), withLinks ? 4 : 1);
    QCOMPARE(linked, withLinks);
    QCOMPARE(allEnabled, !withLinks);
    // Cancelled: nothing stored.
    QCOMPARE(f.scalar(QStringLiteral("SELECT COUNT(*) FROM Tem")).toInt(), 0);
    QCOMPARE(FData->TabTem->state(), qdb::Dataset::State::Browse);
}

void TestTem::panelRowsFollowHeight_data()
{
    QTest::addColumn<int>("gridHeight");
    QTest::addColumn<int>("rows");
    QTest::newRow("410") << 410 << 10;
    QTest::newRow("409") << 409 << 9;
    QTest::newRow("41") << 41 << 1;
}

void TestTem::panelRowsFollowHeight()
{
    QFETCH(int, gridHeight);
    QFETCH(int, rows);
    standardRows();
    f.open(Wed10);
    f.tem->resize(800, gridHeight + 89 + 45 + 75);
    QCOMPARE(f.tem->form()->DBCtrlGrid1->height(), gridHeight);
    QCOMPARE(f.tem->form()->DBCtrlGrid1->rowCount(), rows);
    QCOMPARE(f.tem->TabControl1()->width(), 800 - 145 - 5);
}

void TestTem::refusedDayKeepsDateTabsAndListTogether()
{
    standardRows();
    f.addEntry(1, QStringLiteral("E1"), Wed10, 2, true);
    f.addEntry(2, QStringLiteral("E1"), Wed10.addDays(1), 3, true);
    f.open(Wed10);
    // The storage refuses the next day's filter.
    bool refuse = true;
    FData->TabTem->setFilterCondition([&refuse]() -> qdb::Condition {
        if (refuse)
            throw qdb::EngineError(qdb::ErrorCode::IoError, QStringLiteral("Disk read error."));
        return FData->TabTemFilterRecord();
    });
    f.tem->TabControl1()->setCurrentIndex(4);
    QCOMPARE(f.errorLines.size(), 1);
    refuse = false;
    // Still on the day that is listed, everywhere.
    QCOMPARE(FData->DatJou, Wed10);
    QCOMPARE(f.cal->date(), Wed10);
    QCOMPARE(f.tem->form()->DateTimePicker1->date(), Wed10);
    QCOMPARE(f.tem->selectedTab(), 3);
    QCOMPARE(listedEntries(), QList<int> { 1 });
    // And the next move works from there.
    f.tem->TabControl1()->setCurrentIndex(4);
    QCOMPARE(listedEntries(), QList<int> { 2 });
    QCOMPARE(f.cal->date(), Wed10.addDays(1));
}

void TestTem::lockedEntryIsRefused()
{
    standardRows();
    f.addEntry(1, QStringLiteral("E1"), Wed10, 2, true);
    f.open(Wed10);
    auto other = f.otherWorkstation();
    qdb::Table theirs;
    theirs.setDatabase(other.get());
    theirs.setTableName(QStringLiteral("Tem.db"));
    theirs.open();
    theirs.edit();
    f.tem->ToolButton2Click();
    QVERIFY2(f.errorLines.size() == 1, qPrintable(f.errorLines.join("\n")));
    QVERIFY2(f.errorLines[0].startsWith(QStringLiteral("Unable to edit this timesheet. | This record is locked by another user.")),
        qPrintable(f.errorLines[0]));
    QVERIFY(!f.dialogs->dialogs.contains(QStringLiteral("FTemAm")));
    QCOMPARE(FData->TabTem->state(), qdb::Dataset::State::Browse);
    theirs.cancel();
}

QTEST_MAIN(TestTem)
#include "tst_tem.moc"

#include "SettingsStore.h"
#include "Sys.h"
#include "TimesheetFixture.h"
#include "TitlesColour.h"
#include "ui_Sys.h"

#include <QRadioButton>
#include <QTabBar>
#include <QtTest>

// The system parameters dialog, run as the main window's command runs it.
class TestSys : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { f.destroy(); }

    void firstDayOfPeriod_data();
    void firstDayOfPeriod();
    void radioItemsReadInWeekOrder();
    void nextActivityNumber();
    void colourThenCancelStoresNothing();
    void colourThenOkIsStored();
    void openDialogLocksTheCounters();
    void rowLockedElsewhereShowsNoDialog();

private:
    void run(const std::function<void(TFSys*)>& drive);
    TimesheetFixture f;
    const QDate sunday14 { 2021, 3, 14 };
};

void TestSys::init()
{
    f.create();
    f.addEmployee(QStringLiteral("E1"), QStringLiteral("Ann"));
    f.addProject(QStringLiteral("P1"), QStringLiteral("Alpha"));
    f.addActivity(1, QStringLiteral("Design"));
    setTitlesColour(0xFFFF);
}

void TestSys::run(const std::function<void(TFSys*)>& drive)
{
    f.onOtherDialog = [&](QDialog* dialog) {
        auto* sys = qobject_cast<TFSys*>(dialog);
        drive(sys);
        return sys->result();
    };
    TFSys::Run(nullptr);
}

void TestSys::firstDayOfPeriod_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("firstTab");
    QTest::addColumn<int>("selected"); // the tab of Sunday 14 March
    QTest::newRow("Monday") << "Monday" << 1 << "Monday" << 6;
    QTest::newRow("Thursday, second row") << "Thursday" << 4 << "Thursday" << 3;
    QTest::newRow("Saturday") << "Saturday" << 6 << "Saturday" << 1;
}

void TestSys::firstDayOfPeriod()
{
    QFETCH(QString, item);
    QFETCH(int, stored);
    QFETCH(QString, firstTab);
    QFETCH(int, selected);
    f.open(sunday14);
    QCOMPARE(f.tem->TabControl1()->tabText(0), QStringLiteral("Sunday"));
    const QString totalsBefore = f.totals(f.tem);
    run([&](TFSys* sys) {
        for (QRadioButton* b : sys->form()->DBRadioGroup1->findChildren<QRadioButton*>())
            if (b->text() == item)
                b->click();
        sys->form()->BitBtn1->click();
    });
    QCOMPARE(f.scalar(QStringLiteral("SELECT SYSPREJOUPER FROM Sys")).toInt(), stored);
    QStringList tabs;
    for (int i = 0; i < 7; ++i)
        tabs << f.tem->TabControl1()->tabText(i);
    QCOMPARE(tabs.first(), firstTab);
    QCOMPARE(tabs.size(), 7);
    QCOMPARE(QSet<QString>(tabs.cbegin(), tabs.cend()).size(), 7);
    QCOMPARE(f.tem->selectedTab(), selected);
    QCOMPARE(f.tem->TabControl1()->tabText(selected), QStringLiteral("Sunday"));
    QCOMPARE(f.totals(f.tem), totalsBefore); // not recomputed here
    QCOMPARE(FData->TabSys->state(), qdb::Dataset::State::Browse);
}

void TestSys::radioItemsReadInWeekOrder()
{
    f.open(sunday14);
    run([&](TFSys* sys) {
        // Two rows across four columns: Sunday … Wednesday, then Thursday … Saturday.
        QMap<QPair<int, int>, QString> byPlace;
        for (QRadioButton* b : sys->form()->DBRadioGroup1->findChildren<QRadioButton*>())
            byPlace[{ b->y(), b->x() }] = b->text();
        QCOMPARE(byPlace.values(),
            (QStringList { "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday" }));
        sys->form()->BitBtn2->click();
    });
}

void TestSys::nextActivityNumber()
{
    f.open(sunday14);
    run([&](TFSys* sys) {
        sys->form()->DBEdit2->setText(QStringLiteral("100"));
        sys->form()->BitBtn1->click();
    });
    QCOMPARE(f.scalar(QStringLiteral("SELECT SYSACTCODCPT FROM Sys")).toInt(), 100);
}

void TestSys::colourThenCancelStoresNothing()
{
    f.open(sunday14);
    f.dialogs->colorAnswer = QColor(255, 0, 0);
    run([&](TFSys* sys) {
        sys->form()->DBEdit2->setText(QStringLiteral("55"));
        sys->form()->SpeedButton1->click();
        QCOMPARE(sys->form()->PanCouTit->palette().color(QPalette::Window), QColor(255, 0, 0));
        QCOMPARE(sys->form()->Label1->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        sys->form()->BitBtn2->click();
    });
    QCOMPARE(TitlesColour(), quint32(0x0000FF)); // kept in memory for the run
    QCOMPARE(qui::ReadRegInteger(qui::RootKey::LocalMachine, Res::RegistryKey, 0x123456, Res::RegistryColour), quint32(0x123456));
    QCOMPARE(f.scalar(QStringLiteral("SELECT SYSACTCODCPT FROM Sys")).toInt(), 1);
    QCOMPARE(FData->TabSys->state(), qdb::Dataset::State::Browse);
}

void TestSys::colourThenOkIsStored()
{
    f.open(sunday14);
    f.dialogs->colorAnswer = QColor(0, 128, 255);
    run([&](TFSys* sys) {
        sys->form()->SpeedButton1->click();
        sys->form()->BitBtn1->click();
    });
    QCOMPARE(qui::ReadRegInteger(qui::RootKey::LocalMachine, Res::RegistryKey, 0, Res::RegistryColour), quint32(0xFF8000));
    auto* heading = f.tem->findChild<QLabel*>(QStringLiteral("Label1"));
    QCOMPARE(heading->palette().color(QPalette::WindowText), QColor(0, 128, 255));
    auto* find = f.rech->findChild<QLabel*>(QStringLiteral("Label2"));
    QCOMPARE(find->palette().color(QPalette::WindowText), QColor(0, 128, 255));
}

void TestSys::openDialogLocksTheCounters()
{
    f.open(sunday14);
    auto other = f.otherWorkstation();
    qdb::Table sys;
    sys.setDatabase(other.get());
    sys.setTableName(QStringLiteral("Sys.db"));
    sys.open();
    bool refusedWhileOpen = false;
    run([&](TFSys* dialog) {
        try {
            sys.edit(); // another workstation adding a timesheet draws a number
        } catch (const qdb::EngineError& e) {
            refusedWhileOpen = e.code() == qdb::ErrorCode::RecordLocked;
        }
        dialog->form()->BitBtn2->click();
    });
    QVERIFY(refusedWhileOpen);
    QVERIFY_ENGINE(sys.edit()); // free again once the dialog closed
    sys.cancel();
}

void TestSys::rowLockedElsewhereShowsNoDialog()
{
    f.open(sunday14);
    auto other = f.otherWorkstation();
    qdb::Table sys;
    sys.setDatabase(other.get());
    sys.setTableName(QStringLiteral("Sys.db"));
    sys.open();
    sys.edit();
    bool shown = false;
    run([&](TFSys*) { shown = true; });
    QVERIFY(!shown);
    QCOMPARE(f.errorLines.size(), 1);
    QVERIFY2(f.errorLines[0].startsWith(QStringLiteral("Unable to edit the system parameters. | This record is locked by another user.")),
        qPrintable(f.errorLines[0]));
    sys.cancel();
}

QTEST_MAIN(TestSys)
#include "tst_sys.moc"
